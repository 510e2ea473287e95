#include "testnode/SpotGenerator.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>
#include <utility>

Q_DECLARE_METATYPE(TestSpot)

namespace {

const QDateTime kTime(QDate(2026, 12, 6), QTime(8, 12), Qt::UTC);
const QRegularExpression kPromptLine(QStringLiteral("^Q1ABC de Q1NODE-1 [ 1-3]\\d-[A-Z][a-z]{2}-\\d{4} \\d{4}Z testnode >\\r$"));

// A bare client: the node under test must work with nothing but a socket.
class RawClient
{
public:
    explicit RawClient(quint16 uiPort)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), uiPort);
    }
    // Reads until the data holds baNeedle; the node runs in this thread, so
    // the wait must spin the event loop rather than block.
    bool waitFor(const QByteArray &baNeedle, int iMs = 3000)
    {
        QDeadlineTimer deadline(iMs);
        while (!m_data.contains(baNeedle) && !deadline.hasExpired()) {
            QTest::qWait(2);
            m_data += m_socket.readAll();
        }
        return m_data.contains(baNeedle);
    }
    QByteArray take()
    {
        m_data += m_socket.readAll();
        return std::exchange(m_data, QByteArray());
    }
    bool login(const QByteArray &baCall = "Q1ABC")
    {
        if (!waitFor("login: "))
            return false;
        m_socket.write(baCall + '\n');
        const bool bOk = waitFor(" testnode >\r\n");
        take();
        return bOk;
    }
    void write(const QByteArray &baData) { m_socket.write(baData); }

    QTcpSocket m_socket;
    QByteArray m_data;
};

} // namespace

class TestTestNode : public QObject
{
    Q_OBJECT

private slots:
    void dxDeLine_data();
    void dxDeLine();
    void cc11Line();
    void generatorIsDeterministicAndPlausible();

    void reminderLogin();
    void passwordLogin_data();
    void passwordLogin();
    void formatsPerClientAndPostedSpot();
    void showFdx();
    void inputHygiene_data();
    void inputHygiene();
    void floodWithoutLineEndDropsClient();
    void refuseAndSilence();
    void fileStream();
    void streamStopsForClientThatDoesNotRead();
};

void TestTestNode::dxDeLine_data()
{
    QTest::addColumn<TestSpot>("spot");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("plain") << TestSpot(14025.0, "Q9XYZ", "Q1ABC", "CW 599", kTime)
                           << QByteArray("DX de Q1ABC:     14025.0  Q9XYZ        CW 599                         0812Z\a\a\r\n");
    TestSpot locator(7001.5, "Q9XYZ", "Q1ABC-#", "", kTime);
    locator.spotterLocator = "IO91";
    QTest::newRow("locator after time")
        << locator << QByteArray("DX de Q1ABC-#:    7001.5  Q9XYZ                                       0812Z IO91\a\a\r\n");
    QTest::newRow("comment cut at 30")
        << TestSpot(14025.0, "Q9XYZ", "Q1ABC", "0123456789012345678901234567890123456789", kTime)
        << QByteArray("DX de Q1ABC:     14025.0  Q9XYZ        012345678901234567890123456789 0812Z\a\a\r\n");
    QTest::newRow("long call pushes comment")
        << TestSpot(14025.0, "Q9/Q7LONGCALL/P", "Q1ABC", "UP 2", kTime)
        << QByteArray("DX de Q1ABC:     14025.0  Q9/Q7LONGCALL/P UP 2                           0812Z\a\a\r\n");
    QTest::newRow("wide frequency grows left")
        << TestSpot(10368000.0, "Q9XYZ", "Q1ABC", "", kTime)
        << QByteArray("DX de Q1ABC:  10368000.0  Q9XYZ                                       0812Z\a\a\r\n");
    QTest::newRow("wide frequency cuts a long spotter short")
        << TestSpot(10368000.0, "Q9XYZ", "Q1ABCDEFG", "", kTime)
        << QByteArray("DX de Q1ABCDE:10368000.0  Q9XYZ                                       0812Z\a\a\r\n");
}

void TestTestNode::dxDeLine()
{
    QFETCH(TestSpot, spot);
    QFETCH(QByteArray, expected);
    QCOMPARE(spot.dxDeLine(true), expected);
    QCOMPARE(spot.dxDeLine(false), QByteArray(expected).replace("\a\a", ""));
}

void TestTestNode::cc11Line()
{
    TestSpot spot(14025.0, "Q9XYZ", "DL1ABC", "up 2 ^ QSX", kTime);
    QByteArray baLine = spot.cc11Line("Q1NODE-1");
    QVERIFY(baLine.endsWith("^\r\n"));
    baLine.chop(2);
    // The caret in the comment is not escaped, so it adds a field.
    const QList<QByteArray> lFields = baLine.split('^');
    QCOMPARE(lFields.size(), 21);
    QCOMPARE(lFields.mid(0, 5), (QList<QByteArray>{"CC11", "14025.0", "Q9XYZ", " 6-Dec-2026", "0812Z"}));
    QCOMPARE(lFields.at(5) + '^' + lFields.at(6), QByteArray("up 2 ^ QSX"));
    QCOMPARE(lFields.at(7), QByteArray("DL1ABC"));
    QCOMPARE(lFields.at(10), QByteArray("Q1NODE-1"));

    spot.time = QDateTime(QDate(2026, 5, 16), QTime(23, 59), Qt::UTC);
    QVERIFY(spot.cc11Line("N").contains("^16-May-2026^2359Z^"));
}

void TestTestNode::generatorIsDeterministicAndPlausible()
{
    SpotGenerator first(42);
    SpotGenerator second(42);
    first.setFixedTime(kTime);
    second.setFixedTime(kTime);
    const QList<TestSpot> lSpots = first.generate(5000);
    const QList<TestSpot> lAgain = second.generate(5000);
    QCOMPARE(lSpots.size(), 5000);

    const QRegularExpression reCall(QStringLiteral("^[A-Z0-9]{1,4}[0-9][A-Z]{1,8}$|/"));
    int iPortable = 0, iSkimmer = 0, iLong = 0;
    for (int i = 0; i < lSpots.size(); ++i) {
        const TestSpot &spot = lSpots.at(i);
        QCOMPARE(spot.dxDeLine(false), lAgain.at(i).dxDeLine(false));
        QVERIFY2(reCall.match(spot.dxCall).hasMatch(), qPrintable(spot.dxCall));
        QVERIFY(spot.frequency >= 1800.0 && spot.frequency <= 10500000.0);
        QCOMPARE(spot.frequency, std::round(spot.frequency * 10.0) / 10.0);
        for (const char *pszWord : {"login:", "call:", "password:"})
            QVERIFY(!spot.comment.contains(QLatin1String(pszWord), Qt::CaseInsensitive));
        iPortable += spot.dxCall.contains(u'/');
        iSkimmer += spot.spotter.endsWith(QLatin1String("-#"));
        iLong += spot.dxCall.size() > 12;
    }
    QVERIFY(iPortable > 200 && iSkimmer > 1000 && iLong > 10);
    QVERIFY(SpotGenerator(43).next().dxCall != SpotGenerator(42).next().dxCall
            || SpotGenerator(43).next().frequency != SpotGenerator(42).next().frequency);
}

void TestTestNode::reminderLogin()
{
    TestNode node;
    QVERIFY(node.listen());
    QSignalSpy loggedIn(&node, &TestNode::clientLoggedIn);
    RawClient client(node.port());
    QVERIFY(client.waitFor("login: "));
    QCOMPARE(client.take(), QByteArray("login: "));
    client.write("\n");
    QVERIFY(client.waitFor("login: "));
    client.take();
    client.write("q1abc\r\n");
    QVERIFY(client.waitFor("testnode >\r\n"));

    const QList<QByteArray> lLines = client.take().split('\n');
    QVERIFY(lLines.first().startsWith("Hello Q1ABC, this is Q1NODE-1 in Testtown\r"));
    QVERIFY(lLines.contains("Please enter your name, set/name <your name>\r"));
    QVERIFY(lLines.contains("Please enter your Home Node, set/homenode <your home DX Cluster>\r"));
    QVERIFY2(kPromptLine.match(QString::fromLatin1(lLines.at(lLines.size() - 2))).hasMatch(),
             lLines.at(lLines.size() - 2).constData());
    for (const QByteArray &baLine : lLines) {
        for (const char *pszWord : {"login:", "call:", "callsign:", "password:"})
            QVERIFY2(!baLine.contains(pszWord), baLine.constData());
    }
    QCOMPARE(loggedIn.size(), 1);
    QCOMPARE(loggedIn.at(0).at(0).toString(), QStringLiteral("Q1ABC"));
}

void TestTestNode::passwordLogin_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << QByteArray("s3cret\r\n") << true;
    QTest::newRow("wrong") << QByteArray("secret\n") << false;
    QTest::newRow("empty") << QByteArray("\n") << false;
}

void TestTestNode::passwordLogin()
{
    QFETCH(QByteArray, password);
    QFETCH(bool, accepted);
    TestNode node;
    node.setPassword(QStringLiteral("q1abc"), QStringLiteral("s3cret"));
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.waitFor("login: "));
    client.write("Q1ABC\n");
    QVERIFY(client.waitFor("password: "));
    QVERIFY(client.take().endsWith("password: "));
    client.write(password);
    if (accepted) {
        QVERIFY(client.waitFor("testnode >\r\n"));
        QCOMPARE(node.loggedInCount(), 1);
    } else {
        QVERIFY(client.waitFor("Sorry"));
        QTRY_COMPARE(client.m_socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(node.loggedInCount(), 0);
    }
}

void TestTestNode::formatsPerClientAndPostedSpot()
{
    TestNode node;
    QVERIFY(node.listen());
    RawClient cc11(node.port());
    RawClient dxDe(node.port());
    QVERIFY(cc11.login("Q1ABC"));
    QVERIFY(dxDe.login("Q1DEF"));
    cc11.write("set/ve7cc\n");
    QVERIFY(cc11.waitFor("Operation successful\r\nQ1ABC de"));
    cc11.take();

    cc11.write("DX 14025 q9xyz  CW 599 ^x \n");
    QVERIFY(cc11.waitFor("testnode >\r\n"));
    QVERIFY(dxDe.waitFor("\a\a\r\n"));
    QVERIFY(cc11.take().startsWith("CC11^14025.0^Q9XYZ^"));
    QVERIFY(dxDe.take().startsWith("DX de Q1ABC:     14025.0  Q9XYZ        CW 599 ^x"));
    QCOMPARE(node.storedSpots().size(), 1);
    QCOMPARE(node.storedSpots().first().comment, QStringLiteral("CW 599 ^x"));
    // What the client sent is on record byte for byte.
    QVERIFY(node.receivedBytes(QStringLiteral("Q1ABC")).endsWith("set/ve7cc\nDX 14025 q9xyz  CW 599 ^x \n"));

    dxDe.write("DX 14025 Q9XYZ\nDX Q9XYZ abc\n");
    QVERIFY(dxDe.waitFor("Sorry, DX needs"));
    QCOMPARE(node.storedSpots().size(), 2);
}

void TestTestNode::showFdx()
{
    TestNode node;
    node.setBandQueryDelay(300);
    QList<TestSpot> lSpots;
    for (int i = 0; i < 600; ++i)
        lSpots.append(TestSpot(i % 2 ? 7010.0 : 14010.0, QStringLiteral("Q9X%1").arg(i), "Q1ABC", "", kTime));
    node.preloadSpots(lSpots);
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.login());

    client.write("sh/fdx 2\n");
    QVERIFY(client.waitFor("testnode >\r\n"));
    QList<QByteArray> lLines = client.take().split('\n');
    QCOMPARE(lLines.size(), 4);
    QVERIFY(lLines.at(0).contains("Q9X599") && lLines.at(1).contains("Q9X598"));
    QVERIFY(!lLines.at(0).contains('\a'));

    client.write("SHOW/FDX 99999 \n");
    QVERIFY(client.waitFor("testnode >\r\n"));
    QCOMPARE(client.take().count("DX de "), 500);

    client.write("show/fdx 3 on 40M\n");
    QElapsedTimer timer;
    timer.start();
    QVERIFY(client.waitFor("testnode >\r\n"));
    QVERIFY(!client.m_data.contains("DX de"));
    client.take();
    QVERIFY(client.waitFor("Q9X595"));
    QVERIFY(timer.elapsed() >= 250);
    const QByteArray baData = client.take();
    QCOMPARE(baData.count("DX de"), 3);
    QVERIFY(!baData.contains("14010.0"));
}

void TestTestNode::inputHygiene_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF and bare LF") << QByteArray("a\r\nb\n") << QStringList{"a", "b"};
    QTest::newRow("control bytes dropped") << QByteArray("a\x01\x1b[b") + '\0' + "c\n" << QStringList{"a[bc"};
    QTest::newRow("telnet negotiation dropped")
        << QByteArray("\xff\xfd\x01\xff\xfa\x18\x01\xff\xf0x\xff\xffy\n") << QStringList{"x\xffy"};
    QTest::newRow("line over 4 KiB discarded") << QByteArray(5000, 'x') + "\nok\n" << QStringList{"ok"};
}

void TestTestNode::inputHygiene()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, lines);
    TestNode node;
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.login());
    node.clearReceived();
    client.write(input);
    QTRY_COMPARE(node.receivedLines(QStringLiteral("Q1ABC")), lines);
    QCOMPARE(node.receivedBytes(), input);
}

void TestTestNode::floodWithoutLineEndDropsClient()
{
    TestNode node;
    QVERIFY(node.listen());
    QSignalSpy disconnected(&node, &TestNode::clientDisconnected);
    RawClient client(node.port());
    QVERIFY(client.login());
    client.write(QByteArray(200 * 1024, 'x'));
    QTRY_COMPARE(disconnected.size(), 1);
    QCOMPARE(node.clientCount(), 0);
}

void TestTestNode::refuseAndSilence()
{
    TestNode node;
    QVERIFY(node.listen());
    const quint16 uiPort = node.port();
    RawClient kept(uiPort);
    QVERIFY(kept.login());

    QVERIFY(node.setRefuseConnections(true));
    QTcpSocket refused;
    refused.connectToHost(QStringLiteral("127.0.0.1"), uiPort);
    QTRY_COMPARE(refused.error(), QAbstractSocket::ConnectionRefusedError);
    QCOMPARE(node.clientCount(), 1);

    node.setSilent(true);
    kept.write("sh/fdx\n");
    node.broadcastSpot(TestSpot(14025.0, "Q9XYZ", "Q1ABC"));
    QTRY_COMPARE(node.receivedLines().size(), 2);
    QTest::qWait(100);
    QCOMPARE(kept.take(), QByteArray());
    QCOMPARE(kept.m_socket.state(), QAbstractSocket::ConnectedState);
    node.setSilent(false);

    QVERIFY(node.setRefuseConnections(false));
    QCOMPARE(node.port(), uiPort);
    RawClient again(uiPort);
    QVERIFY(again.waitFor("login: "));
    node.dropAllClients();
    QTRY_COMPARE(kept.m_socket.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(node.clientCount(), 0);
}

void TestTestNode::fileStream()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write("# two spots and two bad lines\n14025 Q9XYZ Q1ABC CW 599\nnot a spot\n\n"
               "DX de Q1DEF:      7001.5  Q9ABC        up 2                           0812Z\a\a\r\n"
               + QByteArray(5000, 'x') + "\n");
    file.close();
    TestNode node;
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.login());
    QSignalSpy finished(&node, &TestNode::streamFinished);
    QVERIFY(node.startFileStream(file.fileName(), 1000.0));
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(client.waitFor("0812Z\a\a\r\n"));
    const QList<QByteArray> lLines = client.take().split('\n');
    QCOMPARE(lLines.size(), 3);
    QVERIFY(lLines.at(0).startsWith("DX de Q1ABC:     14025.0  Q9XYZ        CW 599 "));
    QCOMPARE(lLines.at(1), "DX de Q1DEF:      7001.5  Q9ABC        up 2                           0812Z\a\a\r");
    QVERIFY(!node.startFileStream(QStringLiteral("/nonexistent/spots.txt"), 10.0));
}

void TestTestNode::streamStopsForClientThatDoesNotRead()
{
    TestNode node;
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.login());
    client.m_socket.setReadBufferSize(64 * 1024);
    QSignalSpy finished(&node, &TestNode::streamFinished);
    constexpr qint64 iTotal = 500000;
    // The client reads nothing for a while: the node must stop producing
    // instead of queuing everything.
    node.startGeneratorStream(0.0, iTotal, 7);
    qint64 iStalled = -1;
    qint64 iPrevious = -2;
    QDeadlineTimer settle(20000);
    while (iStalled != iPrevious && !settle.hasExpired()) {
        iPrevious = iStalled;
        QTest::qWait(300);
        iStalled = node.streamedCount();
    }
    QCOMPARE(iStalled, iPrevious);
    QVERIFY2(iStalled < iTotal / 2, QByteArray::number(iStalled).constData());

    QElapsedTimer timer;
    timer.start();
    qint64 iLines = 0;
    QDeadlineTimer deadline(60000);
    while (iLines < iTotal && !deadline.hasExpired()) {
        QTest::qWait(1);
        iLines += client.take().count('\n');
    }
    QCOMPARE(iLines, iTotal);
    QCOMPARE(finished.size(), 1);
    qInfo("%lld spots in %lld ms after resuming", iTotal - iStalled, timer.elapsed());
}

QTEST_GUILESS_MAIN(TestTestNode)
#include "tst_testnode.moc"
