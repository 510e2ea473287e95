#include "cluster/AnsiFilter.h"
#include "cluster/Spot.h"
#include "cluster/SpotIdentity.h"
#include "cluster/SpotParser.h"

#include <QTest>

namespace {

const QDate kDay(2026, 12, 7);

Spot makeSpot(const char *pDxCall, const char *pSpotter, const char *pKHz, const char *pTime, const QDate &date = kDay)
{
    Spot spot;
    spot.setDxCall(QLatin1String(pDxCall));
    spot.setSpotter(QLatin1String(pSpotter));
    spot.setFrequency(QLatin1String(pKHz));
    spot.setDate(SpotParser::dxDeDate(date));
    spot.setTime(QLatin1String(pTime));
    return spot;
}

qint64 minuteAt(int iHour, int iMinute)
{
    return SpotParser::minuteOf(QDateTime(kDay, QTime(iHour, iMinute), Qt::UTC));
}

} // namespace

// What makes two spots one report, how long it is remembered and what the
// escape filter leaves of a node's text.
class TestSpotIdentity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameReport_data();
    void sameReport();
    void forgottenAfterTheWindowAndBounded();
    void escapesRemovedWhole_data();
    void escapesRemovedWhole();
};

void TestSpotIdentity::sameReport_data()
{
    QTest::addColumn<Spot>("first");
    QTest::addColumn<Spot>("again");
    QTest::addColumn<bool>("same");

    const Spot spot = makeSpot("Q9XYZ", "Q1DEF", "14025.9", "1230Z");
    QTest::newRow("identical") << spot << spot << true;
    QTest::newRow("across a kHz bucket's edge") << spot << makeSpot("Q9XYZ", "Q1DEF", "14026.4", "1230Z") << true;
    QTest::newRow("1 kHz exactly") << spot << makeSpot("Q9XYZ", "Q1DEF", "14024.9", "1230Z") << true;
    QTest::newRow("more than 1 kHz") << spot << makeSpot("Q9XYZ", "Q1DEF", "14027.0", "1230Z") << false;
    QTest::newRow("another spotter") << spot << makeSpot("Q9XYZ", "Q2DEF", "14025.9", "1230Z") << false;
    QTest::newRow("the next minute") << spot << makeSpot("Q9XYZ", "Q1DEF", "14025.9", "1231Z") << false;
    QTest::newRow("the same time a day earlier")
        << spot << makeSpot("Q9XYZ", "Q1DEF", "14025.9", "1230Z", kDay.addDays(-1)) << false;
    // Without a frequency or time nothing can be told apart: always new.
    const Spot unreadable = makeSpot("Q9XYZ", "Q1DEF", "abc", "1230Z");
    QTest::newRow("unreadable frequency") << unreadable << unreadable << false;
    const Spot endless = makeSpot("Q9XYZ", "Q1DEF", "1e400", "1230Z");
    QTest::newRow("frequency out of range") << endless << endless << false;
}

void TestSpotIdentity::sameReport()
{
    QFETCH(Spot, first);
    QFETCH(Spot, again);
    QFETCH(bool, same);

    SpotIdentity identity;
    const qint64 iNow = minuteAt(12, 31);
    QCOMPARE(identity.see(first, iNow), SpotIdentity::Seen::New);
    QCOMPARE(identity.contains(again, iNow), same);
    QCOMPARE(identity.see(again, iNow), same ? SpotIdentity::Seen::Repeat : SpotIdentity::Seen::New);
}

void TestSpotIdentity::forgottenAfterTheWindowAndBounded()
{
    SpotIdentity identity;
    identity.setWindowMinutes(10);
    const Spot spot = makeSpot("Q9XYZ", "Q1DEF", "14025.9", "1200Z");
    QCOMPARE(identity.see(spot, minuteAt(12, 0)), SpotIdentity::Seen::New);
    // Seen again keeps it for another window from then.
    QCOMPARE(identity.see(spot, minuteAt(12, 8)), SpotIdentity::Seen::Repeat);
    QCOMPARE(identity.see(makeSpot("Q8XYZ", "Q1DEF", "7010.0", "1200Z"), minuteAt(12, 8)), SpotIdentity::Seen::New);
    QVERIFY(identity.contains(spot, minuteAt(12, 18)));
    QVERIFY(!identity.contains(spot, minuteAt(12, 19)));
    QCOMPARE(identity.see(makeSpot("Q7XYZ", "Q1DEF", "7011.0", "1219Z"), minuteAt(12, 19)), SpotIdentity::Seen::New);
    QCOMPARE(identity.size(), 1);

    // Rows that never age out still leave the identity a bound.
    identity.setWindowMinutes(0);
    QCOMPARE(identity.windowMinutes(), SpotIdentity::kUnlimitedWindowMinutes);

    // Past the bound the oldest go first, and the size stays there.
    identity.clear();
    identity.setMaxEntries(100);
    const qint64 iNow = minuteAt(12, 30);
    for (int i = 0; i < 1000; ++i) {
        const QByteArray baKHz = QByteArray::number(1800 + 2 * i) + ".0";
        QCOMPARE(identity.see(makeSpot("Q9XYZ", "Q1DEF", baKHz.constData(), "1230Z"), iNow), SpotIdentity::Seen::New);
    }
    QCOMPARE(identity.size(), 100);
    QVERIFY(identity.contains(makeSpot("Q9XYZ", "Q1DEF", "3798.0", "1230Z"), iNow));
    QVERIFY(!identity.contains(makeSpot("Q9XYZ", "Q1DEF", "1800.0", "1230Z"), iNow));

    // Reports seen again every minute keep the bookkeeping bounded too, and
    // stay known.
    identity.clear();
    identity.setWindowMinutes(0);
    identity.setMaxEntries(10);
    for (int iMinute = 0; iMinute < 100; ++iMinute) {
        for (int i = 0; i < 10; ++i) {
            const QByteArray baKHz = QByteArray::number(7000 + 2 * i) + ".0";
            identity.see(makeSpot("Q9XYZ", "Q1DEF", baKHz.constData(), "1230Z"), iNow + iMinute);
        }
    }
    QCOMPARE(identity.size(), 10);
    QVERIFY(identity.arrivalCount() <= 10 * SpotIdentity::kArrivalsPerEntry);
    QVERIFY(identity.contains(makeSpot("Q9XYZ", "Q1DEF", "7000.0", "1230Z"), iNow + 99));
}

void TestSpotIdentity::escapesRemovedWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clean");

    QTest::newRow("colour") << QStringLiteral("To ALL de Q2XYZ: \x1b[1;31mred\x1b[0m ok\r\n")
                            << QStringLiteral("To ALL de Q2XYZ: red ok\r\n");
    QTest::newRow("window title, BEL") << QStringLiteral("\x1b]0;Q1NODE-1\x07hello\r\n") << QStringLiteral("hello\r\n");
    QTest::newRow("window title, ESC backslash")
        << QStringLiteral("\x1b]2;title\x1b\\hello\r\n") << QStringLiteral("hello\r\n");
    QTest::newRow("lone ESC and one character") << QStringLiteral("a\x1b"
                                                                  "7b\x1b"
                                                                  "8c")
                                                << QStringLiteral("abc");
    QTest::newRow("8-bit CSI") << QStringLiteral("a\u009b1mb") << QStringLiteral("ab");
    // A stray ESC before a line end leaves the lines apart.
    QTest::newRow("ESC at the line end") << QStringLiteral("a\x1b\r\nb\n") << QStringLiteral("a\r\nb\n");
    // A sequence that never ends gives up at the line end, not eating the
    // node's next lines.
    QTest::newRow("unterminated title") << QStringLiteral("\x1b]0;never ends\r\nDX de Q1DEF:\r\n")
                                        << QStringLiteral("\r\nDX de Q1DEF:\r\n");
    QTest::newRow("plain text untouched") << QStringLiteral("[1;31m is text") << QStringLiteral("[1;31m is text");
}

void TestSpotIdentity::escapesRemovedWhole()
{
    QFETCH(QString, text);
    QFETCH(QString, clean);

    // Whole, and cut between two reads at every place.
    for (qsizetype iCut = 0; iCut <= text.size(); ++iCut) {
        AnsiFilter filter;
        QString qsOut = filter.filter(text.left(iCut));
        qsOut += filter.filter(text.mid(iCut));
        QVERIFY2(qsOut == clean, qPrintable(QStringLiteral("cut at %1: %2").arg(iCut).arg(qsOut.toHtmlEscaped())));
    }

    // A new connection does not finish the old one's sequence.
    AnsiFilter filter;
    filter.filter(QStringLiteral("\x1b[1;"));
    filter.reset();
    QCOMPARE(filter.filter(QStringLiteral("31mx")), QStringLiteral("31mx"));
}

QTEST_GUILESS_MAIN(TestSpotIdentity)
#include "tst_spotidentity.moc"
