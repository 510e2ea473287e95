#include "TestSupport.h"

#include "cluster/Cluster.h"
#include "settings/Statistics.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include "Worked/Worked.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(QList<int>)

using TestSupport::LogCapture;

namespace {

constexpr int kTimeoutMs = 5000;

// Spots as "dxCall|time|spotter|frequency|comment", the fields that a cut in
// the wrong place would spoil.
QString summary(const Spot &spot)
{
    return QStringList {spot.dxCall(), spot.time(), spot.spotter(), spot.frequency(), spot.comment().trimmed()}.join(
        QLatin1Char('|'));
}

// Receives newSpot and keeps copies, since the emitted Spot lives only for
// the emission.
class SpotCollector : public QObject
{
public:
    explicit SpotCollector(Cluster *pCluster)
    {
        connect(pCluster, &Cluster::newSpot, this, [this](Spot &spot) { m_spots.append(spot); });
    }
    QStringList summaries() const
    {
        QStringList qslSummaries;
        for (const Spot &spot : m_spots)
            qslSummaries.append(summary(spot));
        return qslSummaries;
    }
    QList<Spot> m_spots;
};

} // namespace

class TestCluster : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void login_data();
    void login();
    void promptsAnsweredOncePerConnection();
    void nodeThatNeverReadsIsDropped();
    void noLoginPromptNoConnected();

    void chunkBoundaries_data();
    void chunkBoundaries();
    void garbageAndEndlessLinesAreDropped();
    void spotsCarryTheirCountry();
    void alertsCountedFromTheChainResult();
    void operatorCommandsAndNodeLines();

    void streamedSpots_data();
    void streamedSpots();

    void refusedConnection();
    void nodeDropsConnectionThenDestructionIsSilent();

private:
    std::unique_ptr<Cluster> makeCluster(const QString &qsCall = QStringLiteral("Q1ABC"),
                                         const QString &qsPassword = QString(),
                                         const QString &qsName = QStringLiteral("Hans"),
                                         const QString &qsQth = QStringLiteral("Zürich"));
    // Connects and waits until the node has logged the client in and the
    // client has reported the connection.
    void logIn(Cluster *pCluster);

    std::unique_ptr<TestNode> m_node;
};

void TestCluster::initTestCase()
{
    LogCapture::install(QsLogging::LevelWarn);
}

void TestCluster::init()
{
    LogCapture::clear();
    m_node = std::make_unique<TestNode>();
    QVERIFY(m_node->listen());
}

void TestCluster::cleanup()
{
    m_node.reset();
}

std::unique_ptr<Cluster> TestCluster::makeCluster(const QString &qsCall, const QString &qsPassword,
                                                  const QString &qsName, const QString &qsQth)
{
    auto pCluster = std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), m_node->port(), qsCall, qsPassword, qsName,
                                              qsQth, QStringLiteral("JN47"), 1000);
    // Counted as in the program, where the settings hand the counters in.
    pCluster->setStatistics(Statistics::instance());
    return pCluster;
}

void TestCluster::logIn(Cluster *pCluster)
{
    QSignalSpy connectedSpy(pCluster, &Cluster::connected);
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(m_node->loggedInCount(), 1, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QVERIFY(pCluster->isConnected());
}

void TestCluster::login_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("answers");

    // Reminder lines name the command and must not be answered.
    QTest::newRow("reminder lines") << int(TestNode::DialogueStyle::Reminder) << ""
                                    << "Hans" << QStringList {"Q1ABC"};
    QTest::newRow("password") << int(TestNode::DialogueStyle::Reminder) << "s3cret"
                              << "Hans" << QStringList {"Q1ABC", "s3cret"};
    QTest::newRow("interactive questions") << int(TestNode::DialogueStyle::Interactive) << ""
                                           << "Hans" << QStringList {"Q1ABC", "Hans", "Zürich", "Tarrow-1", "Y"};
    QTest::newRow("interactive, no name set") << int(TestNode::DialogueStyle::Interactive) << ""
                                              << "" << QStringList {"Q1ABC", "Not Set", "Zürich", "Tarrow-1", "Y"};
}

void TestCluster::login()
{
    QFETCH(int, style);
    QFETCH(QString, password);
    QFETCH(QString, name);
    QFETCH(QStringList, answers);

    m_node->setDialogueStyle(TestNode::DialogueStyle(style));
    if (!password.isEmpty())
        m_node->setPassword(QStringLiteral("Q1ABC"), password);
    auto pCluster = makeCluster(QStringLiteral("Q1ABC"), password, name);
    logIn(pCluster.get());

    QCOMPARE(m_node->receivedLines(), answers);
    // Every answer is a bare value ending in a single line feed, in UTF-8.
    QCOMPARE(m_node->receivedBytes(), QByteArray(answers.join(QLatin1Char('\n')).toUtf8() + '\n'));
    if (style == int(TestNode::DialogueStyle::Interactive))
        QCOMPARE(m_node->userInfo(QStringLiteral("Q1ABC")).homeNode, QStringLiteral("Tarrow-1"));
}

void TestCluster::promptsAnsweredOncePerConnection()
{
    // A node repeating its prompts took the program to gigabytes, and any
    // line holding "password:" got the password.
    m_node->setPassword(QStringLiteral("Q1ABC"), QStringLiteral("s3cret"));
    auto pCluster = makeCluster(QStringLiteral("Q1ABC"), QStringLiteral("s3cret"), QStringLiteral("Hans"));
    // The password stood in the log in clear text.
    QsLogging::Logger::get().setThreshold(QsLogging::LevelInfo);
    logIn(pCluster.get());
    QsLogging::Logger::get().setThreshold(QsLogging::LevelWarn);
    QCOMPARE(LogCapture::with(QStringLiteral("->")).filter(QStringLiteral("INFO")).size(), 2);
    QCOMPARE(LogCapture::with(QStringLiteral("->********")).size(), 1);
    QVERIFY(LogCapture::with(QStringLiteral("s3cret")).isEmpty());
    m_node->clearReceived();

    QByteArray baFlood;
    for (int i = 0; i < 2000; ++i)
        baFlood +=
            "login:\r\npassword:\r\nwhat is your call: ?\r\nPlease enter your name\r\nQ1XYZ: my password: is\r\n";
    m_node->sendRaw(baFlood);
    QTest::qWait(300);
    QCOMPARE(m_node->receivedLines(), QStringList {"Hans"});
    QVERIFY(pCluster->isConnected());
}

void TestCluster::nodeThatNeverReadsIsDropped()
{
    // A node that flooded prompts and never read took the program from 50 MB
    // to 1.2 GB. What goes out to it piles up to a cap, then it is dropped.
    QTcpServer hostile;
    QVERIFY(hostile.listen(QHostAddress::LocalHost));
    Cluster cluster(QStringLiteral("127.0.0.1"), hostile.serverPort(), QStringLiteral("Q1ABC"),
                    QStringLiteral("s3cret"), QString(), QString(), QStringLiteral("JN47"), 1000);
    cluster.connectToNode();
    QVERIFY(hostile.waitForNewConnection(kTimeoutMs));
    QTcpSocket *pPeer = hostile.nextPendingConnection();
    // Takes one byte and then leaves the rest in the kernel.
    pPeer->setReadBufferSize(1);
    QTRY_VERIFY_WITH_TIMEOUT(cluster.isConnected(), kTimeoutMs);
    pPeer->write("login: ");
    const QByteArray baPrompts =
        QByteArray("Please enter your name\r\nlogin: \r\nPlease enter your QTH\r\nIs this correct?\r\n").repeated(200);
    const QString qsCommand(1000, QLatin1Char('x'));
    QElapsedTimer timer;
    timer.start();
    while (cluster.isConnected() && timer.elapsed() < 20000) {
        pPeer->write(baPrompts);
        // Far below the cap at a time: only what the node leaves unread adds up.
        for (int i = 0; i < 20; ++i)
            cluster.sendCommand(qsCommand);
        QTest::qWait(1);
    }
    QVERIFY(!cluster.isConnected());
    QCOMPARE(LogCapture::with(QStringLiteral("does not read what is sent to it")).size(), 1);
}

void TestCluster::noLoginPromptNoConnected()
{
    // An empty callsign leaves the login prompt unanswered.
    auto pCluster = makeCluster(QString());
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    pCluster->connectToNode();
    QTRY_VERIFY_WITH_TIMEOUT(pCluster->isConnected(), kTimeoutMs);
    m_node->sendRaw("Welcome\r\n");
    QTest::qWait(200);
    QCOMPARE(connectedSpy.count(), 0);
    QVERIFY(m_node->receivedBytes().isEmpty());
}

void TestCluster::chunkBoundaries_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<int>>("cuts");
    QTest::addColumn<QStringList>("spots");
    QTest::addColumn<int>("processed");

    const QByteArray baDxDe =
        TestSpot(14025.0, "Q9XYZ", "Q1DEF", "CW 599", QDateTime(QDate(2026, 12, 6), QTime(8, 12), Qt::UTC))
            .dxDeLine(true);
    const QByteArray baCc11 =
        TestSpot(7012.5, "Q7ABC/P", "Q2GHI-#", "up 2", QDateTime(QDate(2026, 12, 6), QTime(23, 59), Qt::UTC))
            .cc11Line("Q1NODE-1");
    const QByteArray baDxDe2 =
        TestSpot(14026.0, "Q8XYZ", "Q1DEF", "CW 599", QDateTime(QDate(2026, 12, 6), QTime(8, 12), Qt::UTC))
            .dxDeLine(true);
    const QString qsDxDe = QStringLiteral("Q9XYZ|0812Z|Q1DEF|14025.0|CW 599");
    const QString qsDxDe2 = QStringLiteral("Q8XYZ|0812Z|Q1DEF|14026.0|CW 599");
    const QString qsCc11 = QStringLiteral("Q7ABC/P|2359Z|Q2GHI|7012.5|up 2");

    QTest::newRow("whole lines") << baDxDe + baCc11 << QList<int> {} << QStringList {qsDxDe, qsCc11} << 2;
    QTest::newRow("cut between CR and LF")
        << baCc11 << QList<int> {int(baCc11.size()) - 1} << QStringList {qsCc11} << 1;
    QTest::newRow("cut into the comment, then whole lines")
        << baDxDe + baCc11 + baDxDe2 << QList<int> {45, int(baDxDe.size()) + 10}
        << QStringList {qsDxDe, qsCc11, qsDxDe2} << 3;
    QTest::newRow("every byte on its own") << baCc11 + baDxDe << [&] {
        QList<int> liCuts;
        for (int i = 1; i < baCc11.size() + baDxDe.size(); ++i)
            liCuts.append(i);
        return liCuts;
    }() << QStringList {qsCc11, qsDxDe} << 2;
    QTest::newRow("prompt and banner between spots")
        << baDxDe + "Hello there\r\n\r\n\r\n" + baCc11 << QList<int> {} << QStringList {qsDxDe, qsCc11} << 2;
    QTest::newRow("lower-case tags") << baDxDe.toLower() + baCc11.toLower() << QList<int> {}
                                     << QStringList {"q9xyz|0812z|q1def|14025.0|cw 599",
                                                     "q7abc/p|2359z|q2ghi|7012.5|up 2"}
                                     << 2;
    // A short line that ends in a line feed is dropped, not glued to the
    // next chunk, whose first spot would be lost or garbled with it.
    QTest::newRow("two incomplete lines")
        << QByteArray("CC11^1.0^Q\r\n") + baDxDe.left(30) + QByteArray("\r\n") << QList<int> {} << QStringList {} << 2;
    // Colour and title sequences go whole, also when a read ends inside one.
    const QByteArray baColoured = "\x1b]0;Q1NODE-1\x07\x1b[1;33m" + baDxDe.chopped(2) + "\x1b[0m\r\n";
    QTest::newRow("escape sequences cut in two")
        << baColoured + baCc11 << QList<int> {3, 12, 14, int(baColoured.size()) - 4} << QStringList {qsDxDe, qsCc11}
        << 2;
    static constexpr char kIncomplete[] = "DX de \0\0\0:\0 14025.0  \0Q9XYZ\0\r\n";
    const QByteArray baIncomplete(kIncomplete, sizeof(kIncomplete) - 1);
    QTest::newRow("incomplete line, then a spot in the next chunk")
        << baIncomplete + baDxDe << QList<int> {int(baIncomplete.size())} << QStringList {qsDxDe} << 2;
}

void TestCluster::chunkBoundaries()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, cuts);
    QFETCH(QStringList, spots);
    QFETCH(int, processed);

    auto pCluster = makeCluster();
    logIn(pCluster.get());
    SpotCollector collector(pCluster.get());
    const quint64 uiProcessedBefore = Statistics::instance()->totalProcessedSpots();

    m_node->sendSplit(data, cuts, cuts.size() > 10 ? 2 : 30);
    QTRY_COMPARE_WITH_TIMEOUT(collector.summaries(), spots, kTimeoutMs);
    QTest::qWait(100);
    QCOMPARE(collector.summaries(), spots);
    QCOMPARE(Statistics::instance()->totalProcessedSpots() - uiProcessedBefore, quint64(processed));
}

void TestCluster::garbageAndEndlessLinesAreDropped()
{
    auto pCluster = makeCluster();
    logIn(pCluster.get());
    SpotCollector collector(pCluster.get());

    m_node->sendRaw("DX de " + QByteArray(1 << 20, 'x'));
    m_node->sendRaw("\r\n");
    m_node->sendGarbage(TestNode::Garbage::NulBytes);
    m_node->sendGarbage(TestNode::Garbage::InvalidUtf8);
    m_node->sendGarbage(TestNode::Garbage::LongLine);
    m_node->sendRaw("\r\n"
                    + TestSpot(50313.0, "Q9XYZ", "Q1DEF", "FT8 -12dB", QDateTime::currentDateTimeUtc()).dxDeLine(true));
    QTRY_COMPARE_WITH_TIMEOUT(collector.m_spots.size(), 1, kTimeoutMs);
    QCOMPARE(collector.m_spots.at(0).dxCall(), QStringLiteral("Q9XYZ"));
    QCOMPARE(collector.m_spots.at(0).comment().trimmed(), QStringLiteral("FT8 -12dB"));
    QVERIFY(!LogCapture::with(QStringLiteral("Dropping an incomplete spot line")).isEmpty());
}

void TestCluster::spotsCarryTheirCountry()
{
    QTemporaryDir dir;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("countries"));
    db.setDatabaseName(dir.filePath(QStringLiteral("dx.sqlite")));
    QVERIFY(db.open());
    QVERIFY(Worked::ensureTables(db, Worked::systemCountryFile()));
    Worked worked;
    QVERIFY(worked.attachDatabase(db));

    auto pCluster = makeCluster();
    logIn(pCluster.get());
    SpotCollector collector(pCluster.get());
    // Half of the lookup is not enough.
    pCluster->setCountryLookup(&worked);
    m_node->broadcastSpot(TestSpot(14025.0, "DL1ABC", "Q1DEF", "cq"));
    QTRY_COMPARE_WITH_TIMEOUT(collector.m_spots.size(), 1, kTimeoutMs);
    pCluster->setCountryDatabase(db);
    m_node->broadcastSpot(TestSpot(14026.0, "DL1ABC/P", "Q1DEF", "cq"));
    m_node->broadcastSpot(TestSpot(14027.0, "K1A'B", "Q1DEF", "cq"));
    QTRY_COMPARE_WITH_TIMEOUT(collector.m_spots.size(), 3, kTimeoutMs);
    QCOMPARE(collector.m_spots.at(0).country(), QString());
    QCOMPARE(collector.m_spots.at(1).country(), QStringLiteral("Fed. Rep. of Germany"));
    QCOMPARE(collector.m_spots.at(2).country(), QStringLiteral("United States of America"));
    pCluster.reset();
    db.close();
}

void TestCluster::alertsCountedFromTheChainResult()
{
    auto pCluster = makeCluster();
    logIn(pCluster.get());
    SpotCollector collector(pCluster.get());
    pCluster->addBand(Filter::Band20m);
    // Two rules colour the same call: each firing counts, as one rule
    // applying three kinds counts three.
    for (const char *pCall : {"Q9XYZ", "Q9XYZ"}) {
        auto pColour = std::make_unique<Filter>(Filter::Call | Filter::Accept, AlertFlag::Color);
        pColour->setCallFilterValue(QLatin1String(pCall));
        pColour->setAlertColor(Qt::red);
        pCluster->addAlert(std::move(pColour), -1);
    }
    auto pSound = std::make_unique<Filter>(Filter::Accept, AlertFlags(AlertFlag::Sound) | AlertFlag::Balloon);
    pCluster->addAlert(std::move(pSound), -1);

    const Statistics *pStatistics = Statistics::instance();
    const quint64 uiTotal = pStatistics->triggeredAlertsTotal();
    const quint64 uiColor = pStatistics->triggeredAlertsColor();
    const quint64 uiSound = pStatistics->triggeredAlertsSound();
    m_node->broadcastSpot(TestSpot(14025.0, "Q9XYZ", "Q1DEF", "cq"));
    // Dropped by the band filter: no alert ran, none is counted.
    m_node->broadcastSpot(TestSpot(7025.0, "Q9XYZ", "Q1DEF", "cq"));
    m_node->broadcastSpot(TestSpot(14026.0, "Q8ABC", "Q1DEF", "cq"));
    QTRY_COMPARE_WITH_TIMEOUT(collector.m_spots.size(), 2, kTimeoutMs);
    QTest::qWait(100);
    QCOMPARE(collector.m_spots.size(), 2);
    QCOMPARE(pStatistics->triggeredAlertsColor() - uiColor, quint64(2));
    QCOMPARE(pStatistics->triggeredAlertsSound() - uiSound, quint64(2));
    QCOMPARE(pStatistics->triggeredAlertsTotal() - uiTotal, quint64(6));
}

void TestCluster::operatorCommandsAndNodeLines()
{
    // A typed command goes out only on a connection, as typed, with the line
    // end and encoding of the program's own commands.
    auto pCluster = makeCluster();
    QVERIFY(!pCluster->sendOperatorCommand(QStringLiteral("SH/DX")));
    logIn(pCluster.get());
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->isCollectingEarlierSpots(), kTimeoutMs);
    m_node->clearReceived();
    QSignalSpy lineSpy(pCluster.get(), &Cluster::nodeLine);
    auto lineWith = [&lineSpy](const char *pText) {
        for (const QList<QVariant> &arguments : std::as_const(lineSpy)) {
            if (arguments.at(0).toString().contains(QLatin1String(pText)))
                return arguments;
        }
        return QList<QVariant>();
    };

    // The answer to the operator's own SH/DX is a reply: readable in the
    // console, and in the table as an earlier spot, not as news.
    m_node->preloadSpots({TestSpot(14021.0, "Q7OLD", "Q1DEF", "", QDateTime::currentDateTimeUtc().addSecs(-1200))});
    QStringList qslNewSpots;
    connect(pCluster.get(), &Cluster::newSpot, this, [&qslNewSpots](Spot &spot) {
        qslNewSpots.append(spot.dxCall() + (spot.isEarlier() ? QStringLiteral(" earlier") : QString()));
    });
    QVERIFY(pCluster->sendOperatorCommand(QStringLiteral("sh/dx 5")));
    QTRY_VERIFY_WITH_TIMEOUT(!lineWith("Q7OLD").isEmpty(), kTimeoutMs);
    QCOMPARE(lineWith("Q7OLD").at(1).toBool(), false);
    QVERIFY2(!lineWith("Q7OLD").at(0).toString().contains(QLatin1Char('^')),
             qPrintable(lineWith("Q7OLD").at(0).toString()));
    QVERIFY(lineWith("Q7OLD").at(0).toString().contains(QLatin1String("<Q1DEF>")));
    QTRY_COMPARE_WITH_TIMEOUT(qslNewSpots, QStringList {QStringLiteral("Q7OLD earlier")}, kTimeoutMs);
    m_node->clearReceived();
    lineSpy.clear();
    QVERIFY(pCluster->sendOperatorCommand(QStringLiteral("talk Q2XYZ gr\u00fc\u00dfe  ")));
    QTRY_COMPARE_WITH_TIMEOUT(m_node->receivedBytes(),
                              QByteArray("talk Q2XYZ gr\xC3\xBC\xC3\x9F"
                                         "e  \n"),
                              kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(lineSpy.count(), 2, kTimeoutMs);
    QCOMPARE(lineSpy.at(0).at(0).toString(), QStringLiteral("Sorry, unknown command \"talk\"\r"));
    QCOMPARE(lineSpy.at(0).at(1).toBool(), false);

    // Every line comes out, spots flagged, an endless one cut short.
    lineSpy.clear();
    m_node->sendRaw(TestSpot(14025.0, "Q9XYZ", "Q1DEF", "cq").dxDeLine(true) + "To ALL de Q2XYZ: <b>qrv</b>\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(lineSpy.count(), 2, kTimeoutMs);
    QVERIFY(lineSpy.at(0).at(0).toString().startsWith(QLatin1String("DX de Q1DEF:")));
    QCOMPARE(lineSpy.at(0).at(1).toBool(), true);
    QCOMPARE(lineSpy.at(1).at(0).toString(), QStringLiteral("To ALL de Q2XYZ: <b>qrv</b>\r"));
    lineSpy.clear();
    m_node->sendRaw(QByteArray(100000, 'x') + "\r\n");
    auto longest = [&lineSpy]() {
        qsizetype iLongest = 0;
        for (const QList<QVariant> &arguments : std::as_const(lineSpy))
            iLongest = qMax(iLongest, arguments.at(0).toString().size());
        return iLongest;
    };
    QTRY_COMPARE_WITH_TIMEOUT(longest(), 1024, kTimeoutMs);
    for (const QList<QVariant> &arguments : std::as_const(lineSpy)) {
        if (arguments.at(0).toString().size() == 1024)
            QVERIFY(arguments.at(0).toString().endsWith(QStringLiteral("x\u2026")));
    }
    // Said once however many lines were cut.
    m_node->sendRaw(QByteArray(5000, 'y') + "\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(lineSpy.constLast().at(0).toString().startsWith(QLatin1Char('y')), kTimeoutMs);
    QCOMPARE(LogCapture::with(QStringLiteral("characters are cut in the console")).size(), 1);

    m_node->dropAllClients();
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->isConnected(), kTimeoutMs);
    QVERIFY(!pCluster->sendOperatorCommand(QStringLiteral("SH/DX")));
}

void TestCluster::streamedSpots_data()
{
    QTest::addColumn<bool>("cc11");
    QTest::newRow("DX de") << false;
    QTest::newRow("CC11") << true;
}

void TestCluster::streamedSpots()
{
    QFETCH(bool, cc11);

    auto pCluster = makeCluster();
    logIn(pCluster.get());
    if (cc11) {
        pCluster->sendCommand(QStringLiteral("set/ve7cc"));
        QTRY_VERIFY_WITH_TIMEOUT(m_node->receivedLines().contains(QStringLiteral("set/ve7cc")), kTimeoutMs);
        QTest::qWait(100); // let the confirmation and prompt pass
    }
    SpotCollector collector(pCluster.get());
    constexpr int kCount = 2000;
    m_node->setStoreCapacity(kCount);
    m_node->startGeneratorStream(0, kCount, 7);
    QTRY_COMPARE_WITH_TIMEOUT(collector.m_spots.size(), kCount, 20000);

    // Exactly one spot per line, in order, fields as the node stored them.
    const QList<TestSpot> lStored = m_node->storedSpots();
    QCOMPARE(lStored.size(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const Spot &spot = collector.m_spots.at(i);
        const TestSpot &sent = lStored.at(i);
        QCOMPARE(spot.dxCall(), sent.dxCall);
        // A long spotter next to a microwave frequency is cut short on the wire.
        QVERIFY(!spot.spotter().isEmpty() && sent.spotter.startsWith(spot.spotter()));
        QCOMPARE(spot.frequency(), QString::fromLatin1(TestSpot::frequencyText(sent.frequency)));
        QCOMPARE(spot.time(), QString::fromLatin1(TestSpot::timeText(sent.time.time())));
        // "DX de" lines have room for 30 characters of comment, CC11 for all.
        QCOMPARE(spot.comment().trimmed(), (cc11 ? sent.comment : sent.comment.left(30)).trimmed());
    }
}

void TestCluster::refusedConnection()
{
    const quint16 uiPort = m_node->port();
    m_node->close();
    Cluster cluster(QStringLiteral("127.0.0.1"), uiPort, QStringLiteral("Q1ABC"), QString(), QString(), QString(),
                    QString(), 1000);
    QSignalSpy errorSpy(&cluster, &Cluster::connectionError);
    cluster.connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(errorSpy.count(), 1, kTimeoutMs);
    QCOMPARE(errorSpy.at(0).at(2).value<QAbstractSocket::SocketError>(), QAbstractSocket::ConnectionRefusedError);
    QVERIFY(!cluster.isConnected());
}

void TestCluster::nodeDropsConnectionThenDestructionIsSilent()
{
    auto pCluster = makeCluster();
    logIn(pCluster.get());
    QSignalSpy disconnectedSpy(pCluster.get(), &Cluster::disconnected);
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    QSignalSpy errorSpy(pCluster.get(), &Cluster::connectionError);
    m_node->dropAllClients();
    QTRY_COMPARE_WITH_TIMEOUT(disconnectedSpy.count(), 1, kTimeoutMs);
    QVERIFY(!pCluster->isConnected());

    // The next login is reported again; going away with it says nothing.
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    errorSpy.clear();
    pCluster.reset();
    QTRY_COMPARE_WITH_TIMEOUT(m_node->clientCount(), 0, kTimeoutMs);
    QCOMPARE(disconnectedSpy.count(), 1);
    QCOMPARE(errorSpy.count(), 0);
}

QTEST_GUILESS_MAIN(TestCluster)
#include "tst_cluster.moc"
