#include "TestSupport.h"

#include "cluster/Cluster.h"
#include "cluster/SpotParser.h"
#include "sharing/SpotLineFormat.h"
#include "sharing/SpotNodeServer.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"
#include "ui/SharingHub.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(TestSpot)

using TestSupport::LogCapture;

namespace {

constexpr int kTimeoutMs = 5000;

// A telnet user of our node: what it received, in lines, and what it typed.
class NodeClient : public QObject
{
public:
    explicit NodeClient(const QHostAddress &from = QHostAddress())
    {
        if (!from.isNull())
            m_socket.bind(from);
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { m_bytes += m_socket.readAll(); });
    }
    void connectTo(quint16 uiPort) { m_socket.connectToHost(QHostAddress::LocalHost, uiPort); }
    void type(const QByteArray &baLine) { m_socket.write(baLine + "\r\n"); }
    QList<QByteArray> lines() const { return m_bytes.split('\n'); }
    QList<QByteArray> spotLines() const
    {
        QList<QByteArray> spots;
        for (const QByteArray &baLine : lines()) {
            if (baLine.startsWith("DX de ") || baLine.startsWith("CC11^"))
                spots.append(baLine.chopped(1));
        }
        return spots;
    }
    QTcpSocket m_socket;
    QByteArray m_bytes;
};

Spot spotOf(const QString &qsCall, const QString &qsFrequency, const QString &qsSpotter, const QString &qsTime)
{
    Spot spot;
    spot.setDxCall(qsCall);
    spot.setFrequency(qsFrequency);
    spot.setSpotter(qsSpotter);
    spot.setTime(qsTime);
    spot.setDate(QStringLiteral("07-Dec-2026"));
    spot.setComment(QStringLiteral("CW 599"));
    return spot;
}

} // namespace

class TestSpotNode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void dxDeLayout_data();
    void dxDeLayout();
    void servesTheUpstreamFeed();
    void filteredChoiceAndOnce();
    void slowClientDroppedFastKeeps();
    void refusedAddressAndFullNode();
    void portTakenIsSaid();

private:
    void logIn(NodeClient &client, const QByteArray &baCall);

    std::unique_ptr<SpotModel> m_model;
    std::unique_ptr<SpotBandProxy> m_rows;
    std::unique_ptr<SharingHub> m_hub;
    quint16 m_port = 0;
};

void TestSpotNode::initTestCase()
{
    LogCapture::install(QsLogging::LevelWarn);
}

void TestSpotNode::init()
{
    LogCapture::clear();
    m_model = std::make_unique<SpotModel>();
    m_rows = std::make_unique<SpotBandProxy>(m_model.get());
    m_hub = std::make_unique<SharingHub>(m_rows.get(), nullptr);
    SharingSettings sharing;
    sharing.nodeServer = true;
    sharing.nodeServerPort = TestSupport::freeLoopbackPort();
    m_hub->apply(sharing);
    QVERIFY(m_hub->nodeServer()->isListening());
    m_port = m_hub->nodeServer()->serverPort();
}

void TestSpotNode::cleanup()
{
    m_hub.reset();
    m_rows.reset();
    m_model.reset();
}

void TestSpotNode::logIn(NodeClient &client, const QByteArray &baCall)
{
    client.connectTo(m_port);
    QTRY_VERIFY_WITH_TIMEOUT(client.m_bytes.endsWith("login: "), kTimeoutMs);
    client.type(baCall);
    QTRY_VERIFY_WITH_TIMEOUT(client.m_bytes.contains(baCall + " de KELVANE"), kTimeoutMs);
}

void TestSpotNode::dxDeLayout_data()
{
    QTest::addColumn<TestSpot>("reference");
    QTest::addColumn<bool>("skimmer");

    const QDateTime dtTime(QDate(2026, 12, 7), QTime(6, 12), Qt::UTC);
    QTest::newRow("plain") << TestSpot(14025.0, "Q9XYZ", "Q1DEF", "CW 599", dtTime) << false;
    TestSpot located(7012.5, "Q7ABC/P", "Q2GHI", "up 2", dtTime);
    located.spotterLocator = "JO62";
    QTest::newRow("spotter locator makes 80 columns") << located << false;
    QTest::newRow("spotter cut before the frequency")
        << TestSpot(144300.0, "Q9XYZ", "Q1LONGSPOTTER", "", dtTime) << false;
    QTest::newRow("comment cut at 30") << TestSpot(3525.0, "Q5A", "Q1DEF", QString(40, QLatin1Char('x')), dtTime)
                                       << false;
    QTest::newRow("skimmer keeps its mark") << TestSpot(10110.2, "Q3ZZ", "Q4SKM-#", "CW 12 dB 22 WPM CQ", dtTime)
                                            << true;
}

void TestSpotNode::dxDeLayout()
{
    QFETCH(TestSpot, reference);
    QFETCH(bool, skimmer);

    // Kelvane reads the test node's line; what it writes of that spot must
    // be the same line, column for column, and read back the same.
    const QByteArray baReference = reference.dxDeLine(false).chopped(2);
    const QString qsDate = SpotParser::dxDeDate(reference.time.date());
    const Spot spot = SpotParser::parseDxDeLine(QString::fromLatin1(baReference), qsDate);
    QCOMPARE(spot.isSkimmer(), skimmer);
    const QByteArray baOurs = SpotLineFormat::dxDeLine(spot);
    QCOMPARE(baOurs, baReference);
    QVERIFY(baOurs.size() <= SpotLineFormat::kMaxDxDeLength);

    const Spot readBack = SpotParser::parseDxDeLine(QString::fromLatin1(baOurs), qsDate);
    QCOMPARE(readBack.dxCall(), spot.dxCall());
    QCOMPARE(readBack.spotter(), spot.spotter());
    QCOMPARE(readBack.frequency(), spot.frequency());
    QCOMPARE(readBack.comment(), spot.comment());
    QCOMPARE(readBack.time(), spot.time());
    QCOMPARE(readBack.trailer(), spot.trailer());
}

void TestSpotNode::servesTheUpstreamFeed()
{
    TestNode upstream;
    QVERIFY(upstream.listen());
    Cluster cluster(QStringLiteral("127.0.0.1"), upstream.port(), QStringLiteral("Q1OP"), QString(),
                    QStringLiteral("Op"), QStringLiteral("Town"), QStringLiteral("JN47"), 1000);
    ClusterTimings timings;
    timings.earlierSpotsDelayMs = 10;
    timings.earlierSpotsFirstAnswerMs = 200;
    timings.earlierSpotsQuietMs = 100;
    cluster.setTimings(timings);
    m_hub->setCluster(&cluster);
    QSignalSpy connectedSpy(&cluster, &Cluster::connected);
    cluster.connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!cluster.isCollectingEarlierSpots() && !upstream.receivedLines().filter("SHOW/FDX").isEmpty(),
                             kTimeoutMs);

    NodeClient plain;
    logIn(plain, "Q2USER");
    NodeClient second;
    logIn(second, "Q3USER");
    QCOMPARE(m_hub->nodeServer()->clientCount(), 2);

    // Live spots in the classic layout, to both clients.
    Spot received;
    connect(cluster.pipeline(), &SpotPipeline::newSpot, this, [&received](Spot &spot) { received = spot; });
    upstream.broadcastSpot(TestSpot(14025.0, "Q9XYZ", "Q1DEF", "CW 599"));
    QTRY_COMPARE_WITH_TIMEOUT(plain.spotLines().size(), 1, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(second.spotLines().size(), 1, kTimeoutMs);
    const QTime time = QTime::fromString(received.time().left(4), QStringLiteral("hhmm"));
    const TestSpot reference(14025.0, "Q9XYZ", "Q1DEF", "CW 599", QDateTime(QDate::currentDate(), time, Qt::UTC));
    QCOMPARE(plain.spotLines().at(0), reference.dxDeLine(false).chopped(2));
    QVERIFY(plain.m_bytes.contains(reference.dxDeLine(false)));

    // CC11 for the client that asks, read back to the spot Kelvane received.
    second.type("set/ve7cc");
    QTRY_VERIFY_WITH_TIMEOUT(second.m_bytes.contains("CC11 format"), kTimeoutMs);
    TestSpot located(7012.5, "Q7ABC/P", "Q4GHI", "up 2 ^ caret");
    located.spotterLocator = "JO62";
    upstream.broadcastSpot(located);
    QTRY_COMPARE_WITH_TIMEOUT(second.spotLines().size(), 2, kTimeoutMs);
    QVERIFY(second.spotLines().at(1).startsWith("CC11^"));
    const Spot readBack = SpotParser::parseCc11Line(QString::fromLatin1(second.spotLines().at(1)));
    QCOMPARE(readBack.dxCall(), received.dxCall());
    QCOMPARE(readBack.spotter(), received.spotter());
    QCOMPARE(readBack.frequency(), received.frequency());
    QCOMPARE(readBack.date(), received.date());
    QCOMPARE(readBack.time(), received.time());
    QCOMPARE(readBack.comment(), received.comment());
    // The upstream line's CR stays on its last field; it is not served.
    QCOMPARE(readBack.trailer(), received.trailer().trimmed());
    QTRY_COMPARE_WITH_TIMEOUT(plain.spotLines().size(), 2, kTimeoutMs);
    QVERIFY(plain.spotLines().at(1).endsWith(" JO62"));

    // SH/DX lists the newest first, as many as asked.
    for (int i = 0; i < 5; ++i)
        upstream.broadcastSpot(TestSpot(21000.0 + i * 5, QStringLiteral("Q5N%1").arg(i), "Q1DEF", "listed"));
    QTRY_COMPARE_WITH_TIMEOUT(plain.spotLines().size(), 7, kTimeoutMs);
    plain.m_bytes.clear();
    plain.type("SH/DX 5");
    QTRY_VERIFY_WITH_TIMEOUT(plain.m_bytes.count(" >\r\n") == 1, kTimeoutMs);
    const QList<QByteArray> listed = plain.spotLines();
    QCOMPARE(listed.size(), 5);
    QVERIFY(listed.first().contains("Q5N4"));
    QVERIFY(listed.last().contains("Q5N0"));

    // Nothing a client types reaches the upstream node.
    plain.m_bytes.clear();
    plain.type("DX 14000.0 Q9FAKE typed by a client");
    plain.type("announce hello");
    QTRY_COMPARE_WITH_TIMEOUT(plain.m_bytes.count("Unknown command"), 2, kTimeoutMs);
    QTest::qWait(100);
    const QString qsUpstream = upstream.receivedLines().join(QLatin1Char('\n'));
    QVERIFY(!qsUpstream.contains(QLatin1String("Q9FAKE")));
    QVERIFY(!qsUpstream.contains(QLatin1String("announce"), Qt::CaseInsensitive));
    QVERIFY(!qsUpstream.contains(QLatin1String("SH/DX 5")));

    QSignalSpy countSpy(m_hub.get(), &SharingHub::nodeClientCountChanged);
    plain.type("BYE");
    QTRY_COMPARE_WITH_TIMEOUT(plain.m_socket.state(), QAbstractSocket::UnconnectedState, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_hub->nodeServer()->clientCount(), 1, kTimeoutMs);
    QCOMPARE(countSpy.last().at(0).toInt(), 1);
    m_hub->setCluster(nullptr);
}

void TestSpotNode::filteredChoiceAndOnce()
{
    NodeClient client;
    logIn(client, "Q2USER");
    SpotNodeServer *pServer = m_hub->nodeServer();

    // The same report through another node, or again in an answer, goes out once.
    QVERIFY(pServer->offerSpot(spotOf("Q9AA", "14025.0", "Q1DEF", "0612Z")));
    QVERIFY(!pServer->offerSpot(spotOf("Q9AA", "14025.6", "Q1DEF", "0612Z")));
    QVERIFY(pServer->offerSpot(spotOf("Q9AA", "14027.0", "Q1DEF", "0612Z")));
    QVERIFY(pServer->offerSpot(spotOf("Q9AA", "14025.0", "Q1DEF", "0613Z")));
    Spot busted = spotOf("Q9BB", "7010.0", "Q1DEF", "0612Z");
    busted.setValidation(Spot::Validation::Busted);
    QVERIFY(!pServer->offerSpot(busted));
    QTRY_COMPARE_WITH_TIMEOUT(client.spotLines().size(), 3, kTimeoutMs);

    // The chain drops the spot: served only while every band-passed spot is.
    TestNode upstream;
    QVERIFY(upstream.listen());
    Cluster cluster(QStringLiteral("127.0.0.1"), upstream.port(), QStringLiteral("Q1OP"), QString(),
                    QStringLiteral("Op"), QStringLiteral("Town"), QStringLiteral("JN47"), 1000);
    cluster.setDefaultFilter(Filter::Drop);
    m_hub->setCluster(&cluster);
    Spot dropped = spotOf("Q9CC", "21010.0", "Q1DEF", "0612Z");
    QVERIFY(!cluster.pipeline()->admit(dropped));
    QTRY_COMPARE_WITH_TIMEOUT(client.spotLines().size(), 4, kTimeoutMs);

    SharingSettings sharing = m_hub->settings();
    sharing.nodeServerFiltered = true;
    m_hub->apply(sharing);
    QCOMPARE(pServer->clientCount(), 1);
    Spot droppedToo = spotOf("Q9DD", "21010.0", "Q1DEF", "0612Z");
    QVERIFY(!cluster.pipeline()->admit(droppedToo));
    cluster.setDefaultFilter(Filter::Accept);
    Spot accepted = spotOf("Q9EE", "21020.0", "Q1DEF", "0612Z");
    QVERIFY(cluster.pipeline()->admit(accepted));
    cluster.pipeline()->deliver(accepted);
    QTRY_COMPARE_WITH_TIMEOUT(client.spotLines().size(), 5, kTimeoutMs);
    QVERIFY(client.spotLines().last().contains("Q9EE"));
    m_hub->setCluster(nullptr);
}

void TestSpotNode::slowClientDroppedFastKeeps()
{
    NodeClient fast;
    logIn(fast, "Q2FAST");
    NodeClient slow;
    slow.m_socket.setReadBufferSize(1);
    slow.m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    logIn(slow, "Q3SLOW");
    // From here the slow client reads nothing at all.
    disconnect(&slow.m_socket, nullptr, &slow, nullptr);

    SpotNodeServer *pServer = m_hub->nodeServer();
    QSignalSpy countSpy(pServer, &SpotNodeServer::clientCountChanged);
    int iSent = 0;
    // Each turn hands on a batch and lets both clients' sockets move.
    while (countSpy.isEmpty() && iSent < 200000) {
        for (int i = 0; i < 500; ++i, ++iSent)
            pServer->offerSpot(spotOf(QStringLiteral("Q%1X").arg(iSent), "14025.0", "Q1DEF", "0612Z"));
        QTest::qWait(5);
    }
    QCOMPARE(countSpy.count(), 1);
    QCOMPARE(pServer->clientCount(), 1);
    QCOMPARE(LogCapture::with(QStringLiteral("Spot node dropped")).size(), 1);
    QVERIFY(LogCapture::with(QStringLiteral("Spot node dropped")).first().contains(QLatin1String("Q3SLOW")));
    // The fast client got every spot, the last one included.
    QTRY_COMPARE_WITH_TIMEOUT(fast.spotLines().size(), iSent, kTimeoutMs);
    QVERIFY(fast.spotLines().last().contains(QStringLiteral("Q%1X").arg(iSent - 1).toLatin1()));
}

void TestSpotNode::refusedAddressAndFullNode()
{
    NodeClient stranger(QHostAddress(QStringLiteral("127.0.0.2")));
    stranger.connectTo(m_port);
    QTRY_COMPARE_WITH_TIMEOUT(stranger.m_socket.state(), QAbstractSocket::UnconnectedState, kTimeoutMs);
    QVERIFY(stranger.m_bytes.contains("127.0.0.2 are not allowed"));
    QVERIFY(!stranger.m_bytes.contains("login:"));
    QCOMPARE(m_hub->nodeServer()->clientCount(), 0);

    SharingSettings sharing = m_hub->settings();
    sharing.nodeServerAllowed = {QStringLiteral("127.0.0.0/29")};
    m_hub->apply(sharing);
    QCOMPARE(m_hub->nodeServer()->serverPort(), m_port);
    NodeClient friendOf(QHostAddress(QStringLiteral("127.0.0.2")));
    logIn(friendOf, "Q4FRIEND");

    std::vector<std::unique_ptr<NodeClient>> crowd;
    for (int i = 1; i < SpotNodeServer::kMaxClients; ++i) {
        crowd.push_back(std::make_unique<NodeClient>());
        crowd.back()->connectTo(m_port);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_hub->nodeServer()->clientCount(), SpotNodeServer::kMaxClients, kTimeoutMs);
    NodeClient oneTooMany;
    oneTooMany.connectTo(m_port);
    QTRY_COMPARE_WITH_TIMEOUT(oneTooMany.m_socket.state(), QAbstractSocket::UnconnectedState, kTimeoutMs);
    QVERIFY(oneTooMany.m_bytes.contains("full"));
    QCOMPARE(m_hub->nodeServer()->clientCount(), SpotNodeServer::kMaxClients);

    // Turned off: every client is let go and the port is free again.
    sharing.nodeServer = false;
    m_hub->apply(sharing);
    QVERIFY(!m_hub->nodeServer()->isListening());
    QTRY_COMPARE_WITH_TIMEOUT(friendOf.m_socket.state(), QAbstractSocket::UnconnectedState, kTimeoutMs);
}

void TestSpotNode::portTakenIsSaid()
{
    // A second program on the node's port: the status says the node is not
    // running rather than "0 clients".
    QStatusBar statusBar;
    SharingHub second(m_rows.get(), nullptr);
    second.addStatusField(&statusBar);
    second.apply(m_hub->settings());
    QVERIFY(!second.nodeServer()->isListening());
    auto *pField = statusBar.findChild<QLabel *>(QStringLiteral("labelNodeClients"));
    QVERIFY(pField);
    QCOMPARE(pField->text(), QStringLiteral("Node: not running"));
    QVERIFY(pField->toolTip().contains(QString::number(m_port)));
    QCOMPARE(LogCapture::with(QStringLiteral("cannot listen")).size(), 1);

    // Once the port is free, applying again starts it.
    m_hub.reset();
    SharingSettings sharing = second.settings();
    second.apply(SharingSettings());
    second.apply(sharing);
    QVERIFY(second.nodeServer()->isListening());
    QCOMPARE(pField->text(), QStringLiteral("Node: 0 clients"));
}

QTEST_MAIN(TestSpotNode)
#include "tst_spotnode.moc"
