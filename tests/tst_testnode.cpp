#include "testnode/SkimmerFeed.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <utility>

namespace {

const QRegularExpression kPromptLine(
    QStringLiteral("^Q1ABC de Q1NODE-1 [ 1-3]\\d-[A-Z][a-z]{2}-\\d{4} \\d{4}Z testnode >\\r$"));

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
    // Nodes ask "login: ", skimmer feeds "Please enter your call: ".
    bool login(const QByteArray &baCall = "Q1ABC") { return waitFor(": ") && !command(baCall + '\n').isEmpty(); }
    void write(const QByteArray &baData) { m_socket.write(baData); }
    // Complete lines received so far, each with the time it was read.
    void collectLines(const QElapsedTimer &clock, QList<std::pair<QByteArray, qint64>> *plLines)
    {
        m_data += m_socket.readAll();
        qsizetype iEnd = 0;
        while ((iEnd = m_data.indexOf('\n')) >= 0) {
            plLines->append({m_data.left(iEnd + 1), clock.elapsed()});
            m_data.remove(0, iEnd + 1);
        }
    }

    QTcpSocket m_socket;
    QByteArray m_data;
};

// A skimmer line, column by column: spotter with its "-#" mark, frequency
// ending at column 23, call from 26, then from 39 mode, SNR, speed (none
// for FT8/FT4), kind from 60 and the time at 68.
const QRegularExpression kSkimmerLine(
    QStringLiteral("^DX de (?<skimmer>[A-Z0-9]+-#):(?<frequency> *\\d+\\.\\d)  (?<call>[A-Z0-9]{3,12} *) "
                   "(?<mode>CW  |RTTY|FT8 |FT4 )(?<snr> *-?\\d+) dB  (?<speed>[ \\d]\\d WPM|\\d\\d BPS|      )  "
                   "(?<kind>CQ     |DX     |BEACON |NCDXF B) (?<time>\\d{4}Z)\\a\\a\\r\\n$"));

struct SkimmerReport
{
    QString skimmer;
    QString call;
    double frequency = 0.0;
    int snr = 0;
};

// Checks every column of a skimmer line and reads it; false and a message when it is off.
bool readSkimmerLine(const QByteArray &baLine, SkimmerReport *pReport, QString *pqsWhy)
{
    const QRegularExpressionMatch match = kSkimmerLine.match(QString::fromLatin1(baLine));
    if (!match.hasMatch() || match.capturedEnd(u"frequency") != 24 || match.capturedLength(u"call") != 12) {
        *pqsWhy = QString::fromLatin1(baLine);
        return false;
    }
    const QString qsMode = match.captured(u"mode").trimmed();
    const QString qsSpeed = match.captured(u"speed");
    const bool bSpeedRight = qsMode == QLatin1String("RTTY") ? qsSpeed.endsWith(QLatin1String("BPS"))
        : qsMode == QLatin1String("CW")                      ? qsSpeed.endsWith(QLatin1String("WPM"))
                                                             : qsSpeed.trimmed().isEmpty();
    if (!bSpeedRight) {
        *pqsWhy = QStringLiteral("wrong speed for the mode: ") + QString::fromLatin1(baLine);
        return false;
    }
    pReport->skimmer = match.captured(u"skimmer");
    pReport->call = match.captured(u"call").trimmed();
    pReport->frequency = match.captured(u"frequency").toDouble();
    pReport->snr = match.captured(u"snr").toInt();
    return true;
}

// One character substituted, inserted or dropped.
bool oneCharacterApart(const QString &qsA, const QString &qsB)
{
    const QString &qsShort = qsA.size() <= qsB.size() ? qsA : qsB;
    const QString &qsLong = qsA.size() <= qsB.size() ? qsB : qsA;
    if (qsLong.size() - qsShort.size() > 1 || qsA == qsB)
        return false;
    qsizetype i = 0;
    while (i < qsShort.size() && qsShort.at(i) == qsLong.at(i))
        ++i;
    const qsizetype iSkip = qsLong.size() == qsShort.size() ? 1 : 0;
    return QStringView(qsShort).mid(i + iSkip) == QStringView(qsLong).mid(i + 1);
}

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
    void skimmerLines();
    void skimmerFeed();
    void relayDelay_data();
    void relayDelay();
    void datelessFileLine();
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
    QTest::newRow("CR LF and bare LF") << QByteArray("a\r\nb\n") << QStringList {"a", "b"};
    QTest::newRow("control bytes dropped") << QByteArray("a\x01\x1b[b") + '\0' + "c\n" << QStringList {"a[bc"};
    QTest::newRow("telnet negotiation dropped")
        << QByteArray("\xff\xfd\x01\xff\xfa\x18\x01\xff\xf0x\xff\xffy\n") << QStringList {"x\xffy"};
    QTest::newRow("line over 4 KiB discarded") << QByteArray(5000, 'x') + "\nok\n" << QStringList {"ok"};
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

void TestTestNode::skimmerLines()
{
    // Every mode and kind in its columns; the example a real feed sends first.
    const QString qsExample = QStringLiteral("CW    12 dB  22 WPM  CQ");
    QCOMPARE(SkimmerFeed::comment(QStringLiteral("CW"), 12, 22, QStringLiteral("CQ")), qsExample);
    TestSpot example(7022.0, QStringLiteral("DL1ABC"), QStringLiteral("EA5WU-#"), qsExample,
                     QDateTime(QDate(2026, 12, 7), QTime(12, 34), Qt::UTC));
    example.skimmerLayout = true;
    QCOMPARE(example.dxDeLine(false),
             QByteArray("DX de EA5WU-#:    7022.0  DL1ABC       CW    12 dB  22 WPM  CQ      1234Z\r\n"));

    SkimmerFeed feed(3);
    QSet<QString> modesAndKinds;
    for (const TestSpot &spot : feed.generate(3000, QDateTime::currentDateTimeUtc())) {
        SkimmerReport report;
        QString qsWhy;
        QVERIFY2(readSkimmerLine(spot.dxDeLine(true), &report, &qsWhy), qPrintable(qsWhy));
        modesAndKinds.insert(spot.comment.left(4).trimmed());
        modesAndKinds.insert(spot.comment.mid(21).trimmed());
    }
    for (const char *pszSeen : {"CW", "RTTY", "FT8", "FT4", "CQ", "DX", "BEACON", "NCDXF B"})
        QVERIFY2(modesAndKinds.contains(QLatin1String(pszSeen)), pszSeen);
}

void TestTestNode::skimmerFeed()
{
    TestNode node;
    node.setKind(TestNode::Kind::SkimmerFeed);
    node.setBustedShare(1.0);
    node.startScheduledStream(60.0, 7, 0);
    QVERIFY(node.listen());
    RawClient client(node.port());
    QVERIFY(client.waitFor("Please enter your call: "));
    QVERIFY(!client.command("Q1ABC\n").isEmpty());
    QCOMPARE(node.loggedInCount(), 1);
    // Commands go unanswered, as on a real skimmer server.
    client.write("set/ve7cc\nsh/dx 5\nsh/wwv\nnonsense\n");
    QTRY_COMPARE(node.receivedLines(QStringLiteral("Q1ABC")).size(), 5);

    QElapsedTimer clock;
    clock.start();
    QList<std::pair<QByteArray, qint64>> lLines;
    while (clock.elapsed() < 1500) {
        QTest::qWait(20);
        client.collectLines(clock, &lLines);
    }
    QVERIFY(lLines.size() >= 40);

    QHash<QString, QList<SkimmerReport>> reportsByCall;
    for (const auto &line : std::as_const(lLines)) {
        SkimmerReport report;
        QString qsWhy;
        QVERIFY2(readSkimmerLine(line.first, &report, &qsWhy), qPrintable(qsWhy));
        reportsByCall[report.call].append(report);
    }
    bool bSnrVaries = false;
    int iBusted = 0;
    for (auto it = reportsByCall.cbegin(); it != reportsByCall.cend(); ++it) {
        QSet<QString> skimmers;
        double dLow = 1e12;
        double dHigh = 0.0;
        for (const SkimmerReport &report : it.value()) {
            skimmers.insert(report.skimmer);
            dLow = qMin(dLow, report.frequency);
            dHigh = qMax(dHigh, report.frequency);
            bSnrVaries = bSnrVaries || report.snr != it.value().first().snr;
        }
        QCOMPARE(skimmers.size(), it.value().size());
        QVERIFY2(dHigh - dLow < 0.25, qPrintable(it.key()));
        if (it.value().size() != 1)
            continue;
        // A call heard once beside a one-character neighbour heard by three
        // skimmers or more, close in frequency, by a skimmer of its own.
        for (auto other = reportsByCall.cbegin(); other != reportsByCall.cend(); ++other) {
            if (other.value().size() >= 3 && oneCharacterApart(it.key(), other.key())
                && qAbs(other.value().first().frequency - it.value().first().frequency) <= 0.3) {
                ++iBusted;
                for (const SkimmerReport &report : other.value())
                    QVERIFY(report.skimmer != it.value().first().skimmer);
            }
        }
    }
    QVERIFY(bSnrVaries);
    QVERIFY(iBusted > 0);
}

void TestTestNode::relayDelay_data()
{
    QTest::addColumn<bool>("skimmers");
    QTest::newRow("nodes") << false;
    QTest::newRow("skimmer feeds") << true;
}

void TestTestNode::relayDelay()
{
    QFETCH(bool, skimmers);
    constexpr int kDelaySecs = 3;
    TestNode prompt;
    TestNode late;
    for (TestNode *pNode : {&prompt, &late}) {
        pNode->setKind(skimmers ? TestNode::Kind::SkimmerFeed : TestNode::Kind::Node);
        QVERIFY(pNode->listen());
    }
    prompt.startScheduledStream(20.0, 11, 0);
    RawClient promptClient(prompt.port());
    QVERIFY(promptClient.login());
    // Started later and relaying late, the second node still sends the same spots.
    QTest::qWait(400);
    late.startScheduledStream(20.0, 11, kDelaySecs);
    RawClient lateClient(late.port());
    QVERIFY(lateClient.login());

    QElapsedTimer clock;
    clock.start();
    QList<std::pair<QByteArray, qint64>> lPrompt;
    QList<std::pair<QByteArray, qint64>> lLate;
    QHash<QByteArray, qint64> promptArrival;
    int iShared = 0;
    while (iShared < 30 && clock.elapsed() < 15000) {
        QTest::qWait(20);
        promptClient.collectLines(clock, &lPrompt);
        for (const auto &line : std::as_const(lPrompt))
            promptArrival.insert(line.first, line.second);
        const qsizetype iBefore = lLate.size();
        lateClient.collectLines(clock, &lLate);
        for (qsizetype i = iBefore; i < lLate.size(); ++i) {
            const auto it = promptArrival.constFind(lLate.at(i).first);
            if (it == promptArrival.constEnd())
                continue;
            ++iShared;
            // The same line, byte for byte (spotter, frequency, call, minute), seconds later.
            QVERIFY2(lLate.at(i).second - *it >= 1500, lLate.at(i).first.constData());
        }
        lPrompt.clear();
    }
    QVERIFY2(iShared >= 30, qPrintable(QString::number(iShared)));
    // Once the late node has caught up with what the prompt one sent, it
    // sends nothing the prompt one did not: the two streams are one stream.
    const auto firstShared = std::find_if(lLate.cbegin(), lLate.cend(), [&promptArrival](const auto &line) {
        return promptArrival.contains(line.first);
    });
    QVERIFY(std::all_of(firstShared, lLate.cend(),
                        [&promptArrival](const auto &line) { return promptArrival.contains(line.first); }));
}

void TestTestNode::datelessFileLine()
{
    // A ready-made line of a spot file has no date; a time two hours ahead
    // of the clock was written before midnight.
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    const QTime ahead = dtNow.time().addSecs(2 * 3600);
    const QByteArray baLine =
        "DX de Q1ABC:     14025.0  Q9XYZ        CW 599                         " + TestSpot::timeText(ahead);
    TestSpot spot;
    QString qsError;
    QVERIFY2(TestSpot::fromText(baLine, &spot, &qsError), qPrintable(qsError));
    QCOMPARE(spot.time.time(), QTime(ahead.hour(), ahead.minute()));
    QCOMPARE(spot.time.date(), ahead > dtNow.time() ? dtNow.date().addDays(-1) : dtNow.date());
}

QTEST_GUILESS_MAIN(TestTestNode)
#include "tst_testnode.moc"
