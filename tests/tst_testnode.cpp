#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <utility>

namespace {

const QRegularExpression kPromptLine(QStringLiteral("^Q1ABC de Q1NODE-1 [ 1-3]\\d-[A-Z][a-z]{2}-\\d{4} \\d{4}Z testnode >\\r$"));

// A bare client: the node under test must work with nothing but a socket.
class RawClient
{
public:
    explicit RawClient(quint16 uiPort) { m_socket.connectToHost(QStringLiteral("127.0.0.1"), uiPort); }
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
    QByteArray take() { return std::exchange(m_data, QByteArray()) + m_socket.readAll(); }
    // Everything up to the next prompt, or nothing if none came.
    QByteArray command(const QByteArray &baLine)
    {
        write(baLine);
        return waitFor(" testnode >\r\n") ? take() : QByteArray();
    }
    bool login(const QByteArray &baCall = "Q1ABC") { return waitFor("login: ") && !command(baCall + '\n').isEmpty(); }
    void write(const QByteArray &baData) { m_socket.write(baData); }

    QTcpSocket m_socket;
    QByteArray m_data;
};

} // namespace

class TestTestNode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void login_data();
    void login();
    void showFdx();
    void inputHygiene_data();
    void inputHygiene();
};

void TestTestNode::login_data()
{
    QTest::addColumn<QByteArray>("password"); // empty: none set, no password asked
    QTest::addColumn<bool>("accepted");
    QTest::newRow("reminder dialogue") << QByteArray() << true;
    QTest::newRow("right password") << QByteArray("s3cret\r\n") << true;
    QTest::newRow("wrong password") << QByteArray("secret\n") << false;
}

void TestTestNode::login()
{
    QFETCH(QByteArray, password);
    QFETCH(bool, accepted);
    TestNode node;
    if (!password.isEmpty())
        node.setPassword(QStringLiteral("q1abc"), QStringLiteral("s3cret"));
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.waitFor("login: "));
    QCOMPARE(client.take(), QByteArray("login: "));
    client.write("\n");
    QVERIFY(client.waitFor("login: "));
    client.take();
    client.write("q1abc\r\n");
    if (!password.isEmpty()) {
        QVERIFY(client.waitFor("password: ") && client.take().endsWith("password: "));
        client.write(password);
    }
    if (!accepted) {
        QVERIFY(client.waitFor("Sorry"));
        QTRY_COMPARE(client.m_socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(node.loggedInCount(), 0);
        return;
    }
    QVERIFY(client.waitFor("testnode >\r\n"));
    QCOMPARE(node.loggedInCount(), 1);
    const QByteArray baText = client.take();
    const QList<QByteArray> lLines = baText.split('\n');
    QVERIFY(lLines.first().startsWith("Hello Q1ABC, this is Q1NODE-1 in Testtown\r"));
    QVERIFY2(kPromptLine.match(QString::fromLatin1(lLines.at(lLines.size() - 2))).hasMatch(), baText.constData());
    // A client must not take anything after the login for another prompt.
    for (const char *pszWord : {"login:", "call:", "callsign:", "password:"})
        QVERIFY2(!baText.contains(pszWord), pszWord);
}

void TestTestNode::showFdx()
{
    TestNode node;
    node.setBandQueryDelay(300);
    QList<TestSpot> lSpots;
    for (int i = 0; i < 600; ++i)
        lSpots.append(TestSpot(i % 2 ? 7010.0 : 14010.0, QStringLiteral("Q9X%1").arg(i), "Q1ABC"));
    node.preloadSpots(lSpots);
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.login());

    const QList<QByteArray> lLines = client.command("sh/fdx 2\n").split('\n');
    QCOMPARE(lLines.size(), 4);
    QVERIFY(lLines.at(0).contains("Q9X599") && lLines.at(1).contains("Q9X598"));
    QVERIFY(!lLines.at(0).contains('\a'));
    QCOMPARE(client.command("SHOW/FDX 99999 \n").count("DX de "), 500);

    // A band query is answered after the prompt, and only after a delay.
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!client.command("show/fdx 3 on 40M\n").contains("DX de"));
    QVERIFY(client.waitFor("Q9X595"));
    QVERIFY(timer.elapsed() >= 250);
    const QByteArray baData = client.take();
    QCOMPARE(baData.count("DX de"), 3);
    QVERIFY(!baData.contains("14010.0"));
}

void TestTestNode::inputHygiene_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("lines"); // empty: the client is dropped
    QTest::newRow("CR LF and bare LF") << QByteArray("a\r\nb\n") << QStringList{"a", "b"};
    QTest::newRow("control bytes dropped") << QByteArray("a\x01\x1b[b") + '\0' + "c\n" << QStringList{"a[bc"};
    QTest::newRow("telnet negotiation dropped")
        << QByteArray("\xff\xfd\x01\xff\xfa\x18\x01\xff\xf0x\xff\xffy\n") << QStringList{"x\xffy"};
    QTest::newRow("line over 4 KiB discarded") << QByteArray(5000, 'x') + "\nok\n" << QStringList{"ok"};
    QTest::newRow("flood without line end") << QByteArray(200 * 1024, 'x') << QStringList();
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
    if (lines.isEmpty()) {
        QTRY_COMPARE(node.clientCount(), 0);
        return;
    }
    QTRY_COMPARE(node.receivedLines(QStringLiteral("Q1ABC")), lines);
    QCOMPARE(node.receivedBytes(), input);
}

QTEST_GUILESS_MAIN(TestTestNode)
#include "tst_testnode.moc"
