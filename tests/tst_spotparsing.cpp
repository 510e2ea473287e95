#include "cluster/Spot.h"
#include "cluster/SpotParser.h"

#include <QDate>
#include <QTest>

// Lines as real nodes send them. Column rulers for the "DX de" lines:
//           0         1         2         3         4         5         6         7
//           0123456789012345678901234567890123456789012345678901234567890123456789012345678
namespace {
const QString kStandard =
    QStringLiteral("DX de Q1ABC:     14025.0  Q9XYZ        CW 599                         0812Z");
const QString kDate = QStringLiteral("06-Dec-2026");
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
    QTest::newRow("standard, nothing after the time")
        << kStandard << "Q1ABC" << "14025.0" << "Q9XYZ" << qsComment << "0812Z" << "";
    QTest::newRow("locator after the time")
        << kStandard + " IO91" << "Q1ABC" << "14025.0" << "Q9XYZ" << qsComment << "0812Z"
        << "IO91";
    QTest::newRow("live line: bells and CR are no trailer")
        << kStandard + "\a\a\r" << "Q1ABC" << "14025.0" << "Q9XYZ" << qsComment << "0812Z" << "";
    QTest::newRow("76 characters with the CR")
        << kStandard + "\r" << "Q1ABC" << "14025.0" << "Q9XYZ" << qsComment << "0812Z" << "";
    QTest::newRow("spotter and frequency run together")
        << QStringLiteral("DX de Q1ABC-#:10368000.0  Q9XYZ        up 2                           0812Z")
        << "Q1ABC-#" << "10368000.0" << "Q9XYZ" << "up 2                          " << "0812Z" << "";
    QTest::newRow("skimmer spotter, 12-character call")
        << QStringLiteral("DX de Q1AB-#:     7025.9  Q9/Q7ABCDE/P CW 22 dB 25 WPM CQ             2359Z")
        << "Q1AB-#" << "7025.9" << "Q9/Q7ABCDE/P" << "CW 22 dB 25 WPM CQ            " << "2359Z" << "";
    // Longer calls overflow their field and push the rest of the line along.
    QTest::newRow("15-character call")
        << QStringLiteral("DX de Q1ABC:     14025.0  Q9/Q7LONGCALL/P CW 599                         0812Z\a\a\r")
        << "Q1ABC" << "14025.0" << "Q9/Q7LONGCALL/P" << qsComment << "0812Z" << "";
    QTest::newRow("15-character call with locator")
        << QStringLiteral("DX de Q1ABC:     14025.0  Q9/Q7LONGCALL/P CW 599                         0812Z JO62")
        << "Q1ABC" << "14025.0" << "Q9/Q7LONGCALL/P" << qsComment << "0812Z" << "JO62";
    QTest::newRow("lower-case tag")
        << QStringLiteral("dx de Q1ABC:     14025.0  Q9XYZ        CW 599                         0812Z")
        << "Q1ABC" << "14025.0" << "Q9XYZ" << qsComment << "0812Z" << "";
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
    QTest::newRow("two colons") << QStringLiteral("DX de Q1:AB:14025.0       Q9XYZ        CW 599                         0812Z");
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

    QTest::newRow("standard")
        << QStringLiteral("CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^CW 599 ^Q1ABC^291^230^Q1NODE-1^8^5^28^14^^^K^DL^JN58^FN42\r")
        << true << "14025.0" << "Q9XYZ" << "06-Dec-2026" << "0812Z" << "CW 599 " << "Q1ABC"
        << "FN42\r"; // fields are taken untrimmed
    QTest::newRow("caret inside the comment")
        << QStringLiteral("CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^up 2 ^ qsx 14027^Q1ABC^291^230^Q1NODE-1^8^5^28^14^^^K^DL^JN58^FN42")
        << true << "14025.0" << "Q9XYZ" << "06-Dec-2026" << "0812Z" << "up 2 ^ qsx 14027" << "Q1ABC" << "FN42";
    QTest::newRow("two carets inside the comment")
        << QStringLiteral("CC11^7025.0^Q9XYZ^16-Dec-2026^2359Z^^a^b^^Q1ABC^291^230^Q1NODE-1^8^5^28^14^^^K^DL^JN58^FN42")
        << true << "7025.0" << "Q9XYZ" << "16-Dec-2026" << "2359Z" << "^a^b^" << "Q1ABC" << "FN42";
    QTest::newRow("seven pieces")
        << QStringLiteral("CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^^Q1ABC")
        << true << "14025.0" << "Q9XYZ" << "06-Dec-2026" << "0812Z" << "" << "Q1ABC" << "";
    QTest::newRow("six pieces have no spotter")
        << QStringLiteral("CC11^14025.0^Q9XYZ^ 6-Dec-2026^0812Z^CW")
        << false << "14025.0" << "Q9XYZ" << "06-Dec-2026" << "0812Z" << "CW" << "" << "";
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

QTEST_GUILESS_MAIN(TestSpotParsing)
#include "tst_spotparsing.moc"
