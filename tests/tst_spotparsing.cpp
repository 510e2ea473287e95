#include "cluster/Spot.h"
#include "cluster/SpotParser.h"

#include <QDate>
#include <QDateTime>
#include <QTest>

// Lines as real nodes send them. Column rulers for the "DX de" lines:
//           0         1         2         3         4         5         6         7
//           0123456789012345678901234567890123456789012345678901234567890123456789012345678
namespace {
const QString kStandard = QStringLiteral("DX de Q1ABC:     14025.0  Q9XYZ        CW 599                         0812Z");
const QString kDate = QStringLiteral("06-Dec-2026");

QDateTime g_now;
QDateTime testClock()
{
    return g_now;
}

QString lineAt(const QString &qsTime)
{
    return kStandard.left(70) + qsTime;
}
} // namespace

class TestSpotParsing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dxDeLine_data();
    void dxDeLine();
    void incompleteDxDeLine_data();
    void incompleteDxDeLine();
    void cc11Line_data();
    void cc11Line();
    void dxDeDate();
    void datelessTimeNearMidnight_data();
    void datelessTimeNearMidnight();
    void cleanup() { SpotParser::setClock(nullptr); }
};

void TestSpotParsing::dxDeLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("spotter");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("dxCall");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("trailer");

    const QString qsComment = QStringLiteral("CW 599                        ");
    QTest::newRow("standard, nothing after the time") << kStandard << "Q1ABC"
                                                      << "14025.0"
                                                      << "Q9XYZ" << qsComment << "0812Z"
                                                      << "";
    QTest::newRow("locator after the time") << kStandard + " IO91"
                                            << "Q1ABC"
                                            << "14025.0"
                                            << "Q9XYZ" << qsComment << "0812Z"
                                            << "IO91";
    QTest::newRow("live line: bells and CR are no trailer") << kStandard + "\a\a\r"
                                                            << "Q1ABC"
                                                            << "14025.0"
                                                            << "Q9XYZ" << qsComment << "0812Z"
                                                            << "";
    QTest::newRow("76 characters with the CR") << kStandard + "\r"
                                               << "Q1ABC"
                                               << "14025.0"
                                               << "Q9XYZ" << qsComment << "0812Z"
                                               << "";
    // Skimmer spots lose their "-#" mark to a flag.
    QTest::newRow("spotter and frequency run together")
        << QStringLiteral("DX de Q1ABC-#:10368000.0  Q9XYZ        up 2                           0812Z") << "Q1ABC"
        << "10368000.0"
        << "Q9XYZ"
        << "up 2                          "
        << "0812Z"
        << "";
    QTest::newRow("skimmer spotter, 12-character call")
        << QStringLiteral("DX de Q1AB-#:     7025.9  Q9/Q7ABCDE/P CW 22 dB 25 WPM CQ             2359Z") << "Q1AB"
        << "7025.9"
        << "Q9/Q7ABCDE/P"
        << "CW 22 dB 25 WPM CQ            "
        << "2359Z"
        << "";
    // Longer calls overflow their field and push the rest of the line along.
    QTest::newRow("15-character call") << QStringLiteral(
        "DX de Q1ABC:     14025.0  Q9/Q7LONGCALL/P CW 599                         0812Z\a\a\r")
                                       << "Q1ABC"
                                       << "14025.0"
                                       << "Q9/Q7LONGCALL/P" << qsComment << "0812Z"
                                       << "";
    QTest::newRow("15-character call with locator")
        << QStringLiteral("DX de Q1ABC:     14025.0  Q9/Q7LONGCALL/P CW 599                         0812Z JO62")
        << "Q1ABC"
        << "14025.0"
        << "Q9/Q7LONGCALL/P" << qsComment << "0812Z"
        << "JO62";
    QTest::newRow("lower-case tag") << QStringLiteral(
        "dx de Q1ABC:     14025.0  Q9XYZ        CW 599                         0812Z")
                                    << "Q1ABC"
                                    << "14025.0"
                                    << "Q9XYZ" << qsComment << "0812Z"
                                    << "";
}

void TestSpotParsing::dxDeLine()
{
    QFETCH(QString, line);
    const Spot spot = SpotParser::parseDxDeLine(line, kDate);
    QTEST(spot.spotter(), "spotter");
    QTEST(spot.frequency(), "frequency");
    QTEST(spot.dxCall(), "dxCall");
    QTEST(spot.comment(), "comment");
    QTEST(spot.time(), "time");
    QTEST(spot.trailer(), "trailer");
    QCOMPARE(spot.date(), kDate);
    QVERIFY(spot.isComplete());
}

void TestSpotParsing::incompleteDxDeLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("cut inside the comment") << kStandard.left(50);
    QTest::newRow("tag only") << QStringLiteral("DX de");
    QTest::newRow("three words before the call")
        << QStringLiteral("DX de Q1 ABC 14025.0   Q9XYZ        CW 599                         0812Z");
    QTest::newRow("two colons") << QStringLiteral(
        "DX de Q1:AB:14025.0       Q9XYZ        CW 599                         0812Z");
}

void TestSpotParsing::incompleteDxDeLine()
{
    QFETCH(QString, line);
    QVERIFY(!SpotParser::parseDxDeLine(line, kDate).isComplete());
}

void TestSpotParsing::cc11Line_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("dxCall");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("spotter");
    QTest::addColumn<QString>("trailer");

    QTest::newRow("standard") << QStringLiteral(
        "CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^CW 599 ^Q1ABC^291^230^Q1NODE-1^8^5^28^14^^^K^DL^JN58^FN42\r")
                              << true << "14025.0"
                              << "Q9XYZ"
                              << "06-Dec-2026"
                              << "0812Z"
                              << "CW 599 "
                              << "Q1ABC"
                              << "FN42\r"; // fields are taken untrimmed
    QTest::newRow("caret inside the comment") << QStringLiteral(
        "CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^up 2 ^ qsx 14027^Q1ABC^291^230^Q1NODE-1^8^5^28^14^^^K^DL^JN58^FN42")
                                              << true << "14025.0"
                                              << "Q9XYZ"
                                              << "06-Dec-2026"
                                              << "0812Z"
                                              << "up 2 ^ qsx 14027"
                                              << "Q1ABC"
                                              << "FN42";
    QTest::newRow("two carets inside the comment")
        << QStringLiteral("CC11^7025.0^Q9XYZ^16-Dec-2026^2359Z^^a^b^^Q1ABC^291^230^Q1NODE-1^8^5^28^14^^^K^DL^JN58^FN42")
        << true << "7025.0"
        << "Q9XYZ"
        << "16-Dec-2026"
        << "2359Z"
        << "^a^b^"
        << "Q1ABC"
        << "FN42";
    QTest::newRow("seven pieces") << QStringLiteral("CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^^Q1ABC") << true << "14025.0"
                                  << "Q9XYZ"
                                  << "06-Dec-2026"
                                  << "0812Z"
                                  << ""
                                  << "Q1ABC"
                                  << "";
    QTest::newRow("six pieces have no spotter")
        << QStringLiteral("CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^CW") << false << "14025.0"
        << "Q9XYZ"
        << "06-Dec-2026"
        << "0812Z"
        << "CW"
        << ""
        << "";
}

void TestSpotParsing::cc11Line()
{
    QFETCH(QString, line);
    const Spot spot = SpotParser::parseCc11Line(line);
    QTEST(spot.isComplete(), "complete");
    QTEST(spot.frequency(), "frequency");
    QTEST(spot.dxCall(), "dxCall");
    QTEST(spot.date(), "date");
    QTEST(spot.time(), "time");
    QTEST(spot.comment(), "comment");
    QTEST(spot.spotter(), "spotter");
    QTEST(spot.trailer(), "trailer");
}

void TestSpotParsing::dxDeDate()
{
    QCOMPARE(SpotParser::dxDeDate(QDate(2026, 12, 5)), QStringLiteral("05-Dec-2026"));
    QCOMPARE(SpotParser::dxDeDate(QDate()), QString());
}

void TestSpotParsing::datelessTimeNearMidnight_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("received"); // the date the caller gives
    QTest::addColumn<QString>("date");

    const auto at = [](int iYear, int iMonth, int iDay, int iHour, int iMinute) {
        return QDateTime(QDate(iYear, iMonth, iDay), QTime(iHour, iMinute, 30), Qt::UTC);
    };
    QTest::newRow("2359Z at 0001Z is yesterday's") << at(2026, 12, 7, 0, 1) << "2359Z"
                                                   << "07-Dec-2026"
                                                   << "06-Dec-2026";
    QTest::newRow("2359Z at 0001Z on New Year's Day") << at(2027, 1, 1, 0, 1) << "2359Z"
                                                      << "01-Jan-2027"
                                                      << "31-Dec-2026";
    QTest::newRow("0000Z at 2359Z is today's") << at(2026, 12, 7, 23, 59) << "0000Z"
                                               << "07-Dec-2026"
                                               << "07-Dec-2026";
    QTest::newRow("normal time") << at(2026, 12, 7, 12, 0) << "1158Z"
                                 << "07-Dec-2026"
                                 << "07-Dec-2026";
    // A node whose clock runs fast is still today.
    QTest::newRow("60 minutes ahead") << at(2026, 12, 7, 12, 0) << "1300Z"
                                      << "07-Dec-2026"
                                      << "07-Dec-2026";
    QTest::newRow("61 minutes ahead") << at(2026, 12, 7, 12, 0) << "1301Z"
                                      << "07-Dec-2026"
                                      << "06-Dec-2026";
    // Only a line received today is dated against the clock.
    QTest::newRow("another day given") << at(2026, 12, 7, 0, 1) << "2359Z"
                                       << "03-Dec-2026"
                                       << "03-Dec-2026";
    QTest::newRow("time that does not read") << at(2026, 12, 7, 0, 1) << "23x9Z"
                                             << "07-Dec-2026"
                                             << "07-Dec-2026";
}

void TestSpotParsing::datelessTimeNearMidnight()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, time);
    QFETCH(QString, received);
    QFETCH(QString, date);
    g_now = now;
    SpotParser::setClock(&testClock);
    const Spot spot = SpotParser::parseDxDeLine(lineAt(time), received);
    QCOMPARE(spot.time(), time);
    QTEST(spot.date(), "date");
}

QTEST_GUILESS_MAIN(TestSpotParsing)
#include "tst_spotparsing.moc"
