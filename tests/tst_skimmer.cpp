#include "cluster/SkimmerValidator.h"
#include "cluster/Spot.h"
#include "cluster/SpotParser.h"
#include "testnode/SkimmerFeed.h"
#include "testnode/TestNode.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

namespace {

using Verdict = SkimmerValidator::Verdict;

const QString kDate = QStringLiteral("07-Dec-2026");
const qint64 kStartMs = QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();

// A skimmer server's line: the frequency ends at column 23, the call field
// is 12 wide, the comment 29 and the time sits at column 68.
QString feedLine(const QString &qsSpotter, const QString &qsKHz, const QString &qsCall, const QString &qsComment,
                 const QString &qsTime = QStringLiteral("1234Z"))
{
    const QString qsHead = QStringLiteral("DX de ") + qsSpotter + QLatin1Char(':');
    return qsHead + qsKHz.rightJustified(24 - qsHead.size()) + QStringLiteral("  ") + qsCall.leftJustified(12)
        + QLatin1Char(' ') + qsComment.leftJustified(29) + qsTime;
}

Spot report(const QString &qsSpotter, const QString &qsCall, double dKHz, bool bSkimmer = true)
{
    Spot spot;
    spot.setSpotter(qsSpotter);
    spot.setDxCall(qsCall);
    spot.setFrequency(QString::number(dKHz, 'f', 1));
    spot.setTime(QStringLiteral("1200Z"));
    spot.setSkimmer(bSkimmer);
    return spot;
}

// "A DL1ABC 7022.0 30": skimmer A heard DL1ABC on 7022.0 kHz 30 s after the
// start; a spotter in lower case is a human.
struct Heard
{
    Spot spot;
    qint64 atMs;
};
Heard heardFrom(const QString &qsText)
{
    const QStringList qsl = qsText.split(QLatin1Char(' '));
    Q_ASSERT(qsl.size() == 4);
    const bool bSkimmer = qsl.at(0) == qsl.at(0).toUpper();
    return {report(qsl.at(0), qsl.at(1), qsl.at(2).toDouble(), bSkimmer), kStartMs + qsl.at(3).toLongLong() * 1000};
}

} // namespace

Q_DECLARE_METATYPE(SkimmerValidator::Thresholds)

class TestSkimmer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void skimmerLine_data();
    void skimmerLine();
    void notSkimmerReadings_data();
    void notSkimmerReadings();
    void humanMode_data();
    void humanMode();
    void verdict_data();
    void verdict();
    void copyBeforeWellHeardCall();
    void qsy();
    void factsAndForgetting();
    void bustedCallFromTestNode();
};

void TestSkimmer::skimmerLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("spotter");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("snr");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("offset");

    const auto wpm = int(Spot::SpeedUnit::Wpm);
    const auto bps = int(Spot::SpeedUnit::Bps);
    const auto none = int(Spot::SpeedUnit::None);
    QTest::newRow("CW CQ, as the feed sends it")
        << QStringLiteral("DX de EA5WU-#:    7022.0  DL1ABC       CW    12 dB  22 WPM  CQ      1234Z\r") << "EA5WU"
        << "7022.0"
        << "1234Z"
        << "CW" << 12 << 22 << wpm << int(Spot::Kind::Cq) << -1;
    QTest::newRow("RTTY in bauds") << feedLine("Q3SKM-#", "14085.3", "DL1ABC",
                                               SkimmerFeed::comment("RTTY", 8, 45, "CQ"))
                                   << "Q3SKM"
                                   << "14085.3"
                                   << "1234Z"
                                   << "RTTY" << 8 << 45 << bps << int(Spot::Kind::Cq) << -1;
    QTest::newRow("FT8, negative SNR, no speed")
        << feedLine("Q3SKM-#", "7075.6", "DL1ABC", SkimmerFeed::comment("FT8", -17, 0, "DX")) << "Q3SKM"
        << "7075.6"
        << "1234Z"
        << "FT8" << -17 << 0 << none << int(Spot::Kind::Dx) << -1;
    QTest::newRow("FT4 with audio offset")
        << feedLine("Q3SKM-#", "14081.2", "DL1ABC", "FT4   -5 dB  1234 Hz  CQ") << "Q3SKM"
        << "14081.2"
        << "1234Z"
        << "FT4" << -5 << 0 << none << int(Spot::Kind::Cq) << 1234;
    QTest::newRow("beacon") << feedLine("Q3SKM-#", "28262.4", "Q5BCN", SkimmerFeed::comment("CW", 7, 12, "BEACON"))
                            << "Q3SKM"
                            << "28262.4"
                            << "1234Z"
                            << "CW" << 7 << 12 << wpm << int(Spot::Kind::Beacon) << -1;
    QTest::newRow("beacon chain, two-word kind, locator after the time")
        << feedLine("Q3SKM-#", "14100.0", "Q4B", SkimmerFeed::comment("CW", 25, 22, "NCDXF B")) + " JN58\a\a\r"
        << "Q3SKM"
        << "14100.0"
        << "1234Z"
        << "CW" << 25 << 22 << wpm << int(Spot::Kind::NcdxfBeacon) << -1;
    QTest::newRow("units glued to the numbers") << feedLine("Q3SKM-#", "7022.0", "DL1ABC", "CW 0dB 25WPM CQ") << "Q3SKM"
                                                << "7022.0"
                                                << "1234Z"
                                                << "CW" << 0 << 25 << wpm << int(Spot::Kind::Cq) << -1;
    QTest::newRow("wide frequency runs into the spotter")
        << QStringLiteral("DX de Q3SKM-#:10368000.0  DL1ABC       CW    12 dB  22 WPM  CQ      2359Z") << "Q3SKM"
        << "10368000.0"
        << "2359Z"
        << "CW" << 12 << 22 << wpm << int(Spot::Kind::Cq) << -1;
    // Nodes relaying skimmer spots put the time in their own column; what
    // those lines give today stays as it was.
    QTest::newRow("skimmer spot in the node layout")
        << QStringLiteral("DX de Q1AB-#:     7025.9  Q9/Q7ABCDE/P CW 22 dB 25 WPM CQ             2359Z") << "Q1AB"
        << "7025.9"
        << "2359Z"
        << "CW" << 22 << 25 << wpm << int(Spot::Kind::Cq) << -1;
    QTest::newRow("CC11") << QStringLiteral(
        "CC11^7022.0^DL1ABC^ 7-Dec-2026^1234Z^CW 12 dB 22 WPM CQ^EA5WU-#^291^230^Q1NODE-1^8^5^28^14^^^"
        "EA^DL^IM98^JO31") << "EA5WU"
                          << "7022.0"
                          << "1234Z"
                          << "CW" << 12 << 22 << wpm << int(Spot::Kind::Cq) << -1;
}

void TestSkimmer::skimmerLine()
{
    QFETCH(QString, line);
    const Spot spot = line.startsWith(QLatin1String("CC11")) ? SpotParser::parseCc11Line(line)
                                                             : SpotParser::parseDxDeLine(line, kDate);
    QVERIFY(spot.isComplete());
    QVERIFY(spot.isSkimmer());
    QTEST(spot.spotter(), "spotter");
    QTEST(spot.frequency(), "frequency");
    QTEST(spot.time(), "time");
    QTEST(spot.mode(), "mode");
    QVERIFY(!spot.modeFromBandPlan());
    QVERIFY(spot.hasSnr());
    QTEST(spot.snr(), "snr");
    QTEST(spot.speed(), "speed");
    QTEST(int(spot.speedUnit()), "unit");
    QTEST(int(spot.kind()), "kind");
    QTEST(spot.hasAudioOffset() ? spot.audioOffset() : -1, "offset");
    QVERIFY(!spot.dxCall().isEmpty() && !spot.dxCall().contains(QLatin1Char(' ')));
    QVERIFY(!spot.comment().contains(QLatin1String("1234Z")) && !spot.comment().contains(QLatin1String("2359Z")));
}

void TestSkimmer::notSkimmerReadings_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("skimmer");

    // A human's comment with "dB" in it, in the node layout.
    QTest::newRow("human comment with dB")
        << QStringLiteral("DX de Q1ABC:     14025.0  Q9XYZ        CW 12 dB 22 WPM CQ             0812Z") << false;
    QTest::newRow("skimmer mark, comment not readings")
        << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", "up 2 59 dB tnx") << true;
    QTest::newRow("SNR out of range") << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", "CW 599 dB 22 WPM CQ") << true;
    QTest::newRow("word after the kind") << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", "CW 12 dB 22 WPM CQ tnx") << true;
    QTest::newRow("no SNR") << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", "CW 22 WPM CQ") << true;
    QTest::newRow("unknown mode") << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", "XYZ 12 dB CQ") << true;
    QTest::newRow("mark alone is no spotter") << feedLine("-#", "14025.0", "Q9XYZ", "CW 12 dB 22 WPM CQ") << false;
    QTest::newRow("impossible time") << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", "CW 12 dB 22 WPM CQ", "2675Z") << true;
    QTest::newRow("many words") << feedLine("Q3SKM-#", "14025.0", "Q9XYZ", QString("CW 12 dB ").repeated(30)) << true;
    QTest::newRow("CC11 human with readings")
        << QStringLiteral("CC11^7022.0^DL1ABC^ 7-Dec-2026^1234Z^CW 12 dB 22 WPM CQ^Q1ABC^291") << false;
}

void TestSkimmer::notSkimmerReadings()
{
    QFETCH(QString, line);
    QFETCH(bool, skimmer);
    const Spot spot = line.startsWith(QLatin1String("CC11")) ? SpotParser::parseCc11Line(line)
                                                             : SpotParser::parseDxDeLine(line, kDate);
    QCOMPARE(spot.isSkimmer(), skimmer);
    QVERIFY(!spot.hasSnr());
    QCOMPARE(spot.speed(), 0);
    QCOMPARE(spot.kind(), Spot::Kind::None);
    if (skimmer)
        QVERIFY(!spot.spotter().endsWith(QLatin1String("-#")));
}

void TestSkimmer::humanMode_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("fromBandPlan");

    QTest::newRow("CW word") << "14025.0"
                             << "CW 599"
                             << "CW" << false;
    QTest::newRow("lower-case word in a sentence") << "14200.0"
                                                   << "tnx qso usb 59"
                                                   << "SSB" << false;
    QTest::newRow("FT8 on a CW frequency") << "14025.0"
                                           << "ft8 -10"
                                           << "FT8" << false;
    QTest::newRow("PSK31") << "14070.0"
                           << "PSK31 cq"
                           << "PSK31" << false;
    QTest::newRow("RTTY") << "14085.0"
                          << "RTTY contest"
                          << "RTTY" << false;
    QTest::newRow("locator holding FM is no mode") << "14025.0"
                                                   << "FM18 up 2"
                                                   << "CW" << true;
    QTest::newRow("phone segment") << "14250.0"
                                   << "tnx"
                                   << "SSB" << true;
    QTest::newRow("outside every band") << "15000.0"
                                        << ""
                                        << "" << false;
    QTest::newRow("frequency that does not read") << "14.0xx"
                                                  << ""
                                                  << "" << false;
}

void TestSkimmer::humanMode()
{
    QFETCH(QString, frequency);
    QFETCH(QString, comment);
    const QString qsLine = QStringLiteral("CC11^%1^Q9XYZ^ 7-Dec-2026^1234Z^%2^Q1ABC^291").arg(frequency, comment);
    const Spot spot = SpotParser::parseCc11Line(qsLine);
    QVERIFY(!spot.isSkimmer());
    QTEST(spot.mode(), "mode");
    QTEST(spot.modeFromBandPlan(), "fromBandPlan");
}

void TestSkimmer::verdict_data()
{
    QTest::addColumn<QStringList>("heard");
    QTest::addColumn<SkimmerValidator::Thresholds>("thresholds");
    QTest::addColumn<int>("verdict"); // of the last call heard, at its frequency
    QTest::addColumn<QString>("resembles");

    const SkimmerValidator::Thresholds defaults;
    const QStringList wellHeard {"A DL1ABC 7022.0 0", "B DL1ABC 7022.1 20", "C DL1ABC 7021.9 40"};
    const auto valid = int(Verdict::Valid);
    const auto unverified = int(Verdict::Unverified);
    const auto busted = int(Verdict::Busted);

    QTest::newRow("two skimmers") << QStringList {"A DL1ABC 7022.0 0", "B DL1ABC 7022.3 30"} << defaults << valid << "";
    QTest::newRow("one skimmer") << QStringList {"A DL1ABC 7022.0 0"} << defaults << unverified << "";
    QTest::newRow("one skimmer twice") << QStringList {"A DL1ABC 7022.0 0", "A DL1ABC 7022.1 60"} << defaults
                                       << unverified << "";
    QTest::newRow("two skimmers 0.4 kHz apart")
        << QStringList {"A DL1ABC 7022.0 0", "B DL1ABC 7022.4 30"} << defaults << unverified << "";
    QTest::newRow("two skimmers 11 minutes apart")
        << QStringList {"A DL1ABC 7022.0 0", "B DL1ABC 7022.0 660"} << defaults << unverified << "";
    QTest::newRow("a human") << QStringList {"q1abc DL1ABC 14205.0 0"} << defaults << valid << "";
    QTest::newRow("busted: substituted") << wellHeard + QStringList {"D DL1ABD 7022.1 60"} << defaults << busted
                                         << "DL1ABC";
    QTest::newRow("busted: added") << wellHeard + QStringList {"D DL1ABCE 7021.8 60"} << defaults << busted << "DL1ABC";
    QTest::newRow("busted: dropped") << wellHeard + QStringList {"D DL1AC 7022.2 100"} << defaults << busted
                                     << "DL1ABC";
    QTest::newRow("neighbour heard by two")
        << wellHeard + QStringList {"D DL1ABD 7022.1 60", "E DL1ABD 7022.0 70"} << defaults << valid << "";
    QTest::newRow("two characters off") << wellHeard + QStringList {"D DL1AXD 7022.1 60"} << defaults << unverified
                                        << "";
    QTest::newRow("0.4 kHz from the well-heard call")
        << wellHeard + QStringList {"D DL1ABD 7022.5 60"} << defaults << unverified << "";
    QTest::newRow("three minutes after it")
        << wellHeard + QStringList {"D DL1ABD 7022.0 220"} << defaults << unverified << "";
    QTest::newRow("beside a call heard by two")
        << wellHeard.mid(0, 2) + QStringList {"D DL1ABD 7022.0 60"} << defaults << unverified << "";

    SkimmerValidator::Thresholds strict;
    strict.validSkimmers = 3;
    strict.validSpreadKHz = 0.1;
    QTest::newRow("three needed, two heard")
        << QStringList {"A DL1ABC 7022.0 0", "B DL1ABC 7022.1 30"} << strict << unverified << "";
    QTest::newRow("three needed, three within 0.1 kHz")
        << QStringList {"A DL1ABC 7022.0 0", "B DL1ABC 7022.1 30", "C DL1ABC 7022.1 30"} << strict << valid << "";
    QTest::newRow("three needed, spread over 0.2 kHz")
        << QStringList {"A DL1ABC 7022.0 0", "B DL1ABC 7022.2 30", "C DL1ABC 7022.1 30"} << strict << unverified << "";
    SkimmerValidator::Thresholds loose;
    loose.bustedNeighbourSkimmers = 2;
    loose.bustedWindowSecs = 600;
    // Where three skimmers make a call valid, a copy two of them heard may
    // still be a mis-decode, when the threshold says so.
    SkimmerValidator::Thresholds twoCopies;
    twoCopies.validSkimmers = 3;
    twoCopies.bustedSkimmers = 2;
    const QStringList copyByTwo = wellHeard + QStringList {"D DL1ABD 7022.1 60", "E DL1ABD 7022.0 70"};
    QTest::newRow("copy by two, two allowed") << copyByTwo << twoCopies << busted << "DL1ABC";
    twoCopies.bustedSkimmers = 1;
    QTest::newRow("copy by two, one allowed") << copyByTwo << twoCopies << unverified << "";
    QTest::newRow("neighbour of two counts when two suffice")
        << wellHeard.mid(0, 2) + QStringList {"D DL1ABD 7022.0 300"} << loose << busted << "DL1ABC";
}

void TestSkimmer::verdict()
{
    QFETCH(QStringList, heard);
    QFETCH(SkimmerValidator::Thresholds, thresholds);
    SkimmerValidator validator(thresholds);
    SkimmerValidator::Assessment last;
    for (const QString &qsHeard : std::as_const(heard)) {
        const Heard one = heardFrom(qsHeard);
        last = validator.add(one.spot, one.atMs);
    }
    QTEST(int(last.verdict), "verdict");
    QTEST(last.resembles, "resembles");
    QVERIFY(!last.reason.isEmpty());
    if (!last.resembles.isEmpty())
        QVERIFY2(last.reason.contains(last.resembles), qPrintable(last.reason));
    // Asked again later, the verdict stands.
    const Heard final = heardFrom(heard.last());
    QCOMPARE(validator.assess(final.spot.dxCall(), final.spot.frequency().toDouble()).verdict, last.verdict);
}

void TestSkimmer::copyBeforeWellHeardCall()
{
    // The lone copy often arrives first; it turns busted when its original
    // gets well heard, and the caller learns which row to redraw.
    SkimmerValidator validator;
    for (const char *pHeard : {"D DL1ABD 7022.1 0", "A DL1ABC 7022.0 10", "B DL1ABC 7022.1 20"}) {
        const Heard one = heardFrom(QLatin1String(pHeard));
        QStringList lChanged;
        validator.add(one.spot, one.atMs, &lChanged);
        QVERIFY(lChanged.isEmpty());
    }
    QCOMPARE(validator.assess(QStringLiteral("DL1ABD"), 7022.1).verdict, Verdict::Unverified);
    const Heard third = heardFrom(QStringLiteral("C DL1ABC 7022.0 30"));
    QStringList lChanged;
    QCOMPARE(validator.add(third.spot, third.atMs, &lChanged).verdict, Verdict::Valid);
    QCOMPARE(lChanged, QStringList {QStringLiteral("DL1ABD")});
    const SkimmerValidator::Assessment copy = validator.assess(QStringLiteral("DL1ABD"), 7022.1);
    QCOMPARE(copy.verdict, Verdict::Busted);
    QCOMPARE(copy.resembles, QStringLiteral("DL1ABC"));
    // A second skimmer hearing the copy makes it a station of its own.
    const Heard second = heardFrom(QStringLiteral("E DL1ABD 7022.2 40"));
    QCOMPARE(validator.add(second.spot, second.atMs).verdict, Verdict::Valid);
}

void TestSkimmer::qsy()
{
    SkimmerValidator validator;
    for (const char *pHeard : {"A DL1ABC 7022.0 0", "B DL1ABC 7022.1 20"})
        validator.add(heardFrom(QLatin1String(pHeard)).spot, heardFrom(QLatin1String(pHeard)).atMs);
    // 0.8 kHz is the same place; 3 kHz is not.
    const Heard drift = heardFrom(QStringLiteral("C DL1ABC 7022.8 60"));
    QCOMPARE(validator.add(drift.spot, drift.atMs).verdict, Verdict::Valid);
    const Heard moved = heardFrom(QStringLiteral("C DL1ABC 7025.0 120"));
    QCOMPARE(validator.add(moved.spot, moved.atMs).verdict, Verdict::Unverified);
    const SkimmerValidator::Assessment old = validator.assess(QStringLiteral("DL1ABC"), 7022.0);
    QCOMPARE(old.verdict, Verdict::Qsy);
    QVERIFY2(old.reason.contains(QLatin1String("7025.0")), qPrintable(old.reason));
    const Heard confirmed = heardFrom(QStringLiteral("D DL1ABC 7025.1 130"));
    QCOMPARE(validator.add(confirmed.spot, confirmed.atMs).verdict, Verdict::Valid);
    QCOMPARE(validator.assess(QStringLiteral("DL1ABC"), 7022.0).verdict, Verdict::Qsy);
    // Back where it was: the old place is valid again.
    const Heard back = heardFrom(QStringLiteral("A DL1ABC 7022.0 200"));
    QCOMPARE(validator.add(back.spot, back.atMs).verdict, Verdict::Valid);
    QCOMPARE(validator.assess(QStringLiteral("DL1ABC"), 7025.1).verdict, Verdict::Qsy);
}

void TestSkimmer::factsAndForgetting()
{
    SkimmerValidator::Thresholds thresholds;
    thresholds.identityWindowSecs = 600;
    SkimmerValidator validator(thresholds);
    const struct
    {
        const char *skimmer;
        int snr;
        int wpm;
        int secs;
    } lReports[] = {{"A", 12, 22, 0}, {"B", 31, 23, 30}, {"A", 5, 24, 60}, {"C", 8, 25, 90}};
    for (const auto &one : lReports) {
        Spot spot = report(QLatin1String(one.skimmer), QStringLiteral("DL1ABC"), 7022.0);
        spot.setSnr(one.snr);
        spot.setSpeed(one.wpm, Spot::SpeedUnit::Wpm);
        validator.add(spot, kStartMs + one.secs * 1000);
    }
    validator.add(report(QStringLiteral("q1abc"), QStringLiteral("DL1ABC"), 7022.0, false), kStartMs + 100000);
    SkimmerValidator::Facts facts = validator.facts(QStringLiteral("DL1ABC"));
    QCOMPARE(facts.skimmers, 3);
    QCOMPARE(facts.humans, 1);
    QVERIFY(facts.hasSnr);
    QCOMPARE(facts.bestSnr, 31);
    QCOMPARE(facts.speed, 25);
    QCOMPARE(facts.firstMs, kStartMs);
    QCOMPARE(facts.lastMs, kStartMs + 100000);
    const QList<SkimmerValidator::Report> lHeard = validator.reports(QStringLiteral("DL1ABC"));
    QCOMPARE(lHeard.size(), 4);
    QCOMPARE(lHeard.first().spotter, QStringLiteral("B"));
    QCOMPARE(lHeard.last().spotter, QStringLiteral("q1abc"));

    // Eleven minutes of other stations later, the call is forgotten.
    for (int i = 0; i < 660; ++i)
        validator.add(report(QStringLiteral("Z"), QStringLiteral("Q%1X").arg(i), 14000.0 + i),
                      kStartMs + 100000 + i * 1000);
    QCOMPARE(validator.facts(QStringLiteral("DL1ABC")).skimmers, 0);
    QCOMPARE(validator.assess(QStringLiteral("DL1ABC"), 7022.0).verdict, Verdict::Unverified);
    QVERIFY2(validator.stationCount() <= 602, qPrintable(QString::number(validator.stationCount())));
}

void TestSkimmer::bustedCallFromTestNode()
{
    TestNode node;
    node.setKind(TestNode::Kind::SkimmerFeed);
    node.setBustedShare(1.0);
    node.startScheduledStream(100.0, 11, 0);
    QVERIFY(node.listen());
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), node.port());
    QVERIFY(socket.waitForConnected(3000));
    QByteArray baGreeting;
    QDeadlineTimer deadline(3000);
    while (!baGreeting.contains("call: ") && !deadline.hasExpired()) {
        QTest::qWait(10);
        baGreeting += socket.readAll();
    }
    QVERIFY(baGreeting.contains("call: "));
    socket.write("Q1ABC\n");

    SkimmerValidator validator;
    QHash<QString, SkimmerValidator::Assessment> bustedCalls;
    QSet<QString> wellHeard;
    QByteArray baPending;
    int iSpots = 0;
    QElapsedTimer clock;
    clock.start();
    const QString qsToday = SpotParser::dxDeDate(QDateTime::currentDateTimeUtc().date());
    while (clock.elapsed() < 2500 && (bustedCalls.isEmpty() || iSpots < 100)) {
        QTest::qWait(20);
        baPending += socket.readAll();
        qsizetype iEnd = 0;
        while ((iEnd = baPending.indexOf('\n')) >= 0) {
            const QString qsLine = QString::fromLatin1(baPending.left(iEnd + 1));
            baPending.remove(0, iEnd + 1);
            if (!qsLine.startsWith(QLatin1String("DX de")))
                continue;
            const Spot spot = SpotParser::parseDxDeLine(qsLine, qsToday);
            QVERIFY2(spot.isComplete() && spot.isSkimmer() && spot.hasSnr() && spot.kind() != Spot::Kind::None,
                     qPrintable(qsLine));
            ++iSpots;
            QStringList lChanged;
            const SkimmerValidator::Assessment assessment =
                validator.add(spot, QDateTime::currentMSecsSinceEpoch(), &lChanged);
            if (assessment.verdict == Verdict::Busted)
                bustedCalls.insert(spot.dxCall(), assessment);
            for (const QString &qsCall : std::as_const(lChanged))
                bustedCalls.insert(qsCall, validator.assess(qsCall, spot.frequency().toDouble()));
            if (validator.facts(spot.dxCall()).skimmers >= 3)
                wellHeard.insert(spot.dxCall());
        }
    }
    QVERIFY2(!bustedCalls.isEmpty(), qPrintable(QString::number(iSpots)));
    for (auto it = bustedCalls.cbegin(); it != bustedCalls.cend(); ++it) {
        QVERIFY2(!wellHeard.contains(it.key()), qPrintable(it.key()));
        QVERIFY2(wellHeard.contains(it.value().resembles), qPrintable(it.value().resembles));
        QCOMPARE(validator.facts(it.key()).skimmers, 1);
    }
}

QTEST_GUILESS_MAIN(TestSkimmer)
#include "tst_skimmer.moc"
