#include "Bulletins.h"

#include "TestSpot.h"

namespace {

constexpr int kHistoryHours = 24;
constexpr int kWwvEveryHours = 3;
const QString kWwvLogger = QStringLiteral("Q3WWV");
const QString kWcyLogger = QStringLiteral("Q4WCY-1");

// None holds a word a client could take for a login prompt or a refusal.
const char *const kAnnouncements[] = {
    "Q2KLM: Q9XYZ QRV 14025 CW, listening up 2, good signal here",
    "Q5TR: Contest this weekend, please keep the QRS segments clear",
    "Q7AB: Pacific wide open on 15m SSB right now",
    "Q3RS: 6m Es opening to the south, beacons audible since 1530Z",
    "Q4MN: tnx for the QSOs in the pile-up, QSL via bureau",
    "Q6PX: aurora seen in the north, 2m contacts possible",
    "Q8LO: node maintenance Sunday 0900Z, about 10 minutes",
    "Q1ZZ: who else hears the pile-up on 17m? 18075 up 5",
};

// The hour a bulletin of dtTime belongs to: WWV every three hours, WCY every hour.
QDateTime issueHour(const QDateTime &dtTime, int iEveryHours)
{
    const QDateTime dtUtc = dtTime.toUTC();
    const int iHour = dtUtc.time().hour();
    return QDateTime(dtUtc.date(), QTime(iHour - iHour % iEveryHours, 0), Qt::UTC);
}

QString dateAndHour(const QDateTime &dtTime)
{
    return QString::fromLatin1(TestSpot::dateText(dtTime.date()))
        + QStringLiteral("   %1").arg(dtTime.time().hour(), 2, 10, QLatin1Char('0'));
}

} // namespace

Bulletins::Bulletins(quint32 uiSeed, const QDateTime &dtNow) : m_random(uiSeed)
{
    m_last = {QDateTime(), 120 + int(m_random.bounded(60)), 6, 2, 2, 90};
    for (int iHour = kHistoryHours; iHour >= 1; --iHour) {
        const Bulletin bulletin = next(issueHour(dtNow.addSecs(-3600LL * iHour), 1));
        keep(m_wcy, bulletin);
        if (bulletin.time.time().hour() % kWwvEveryHours == 0)
            keep(m_wwv, bulletin);
    }
}

Bulletins::Bulletin Bulletins::next(const QDateTime &dtTime)
{
    // Figures wander slowly, as the sun's do from hour to hour.
    Bulletin bulletin = m_last;
    bulletin.time = dtTime;
    bulletin.sfi = qBound(65, bulletin.sfi + int(m_random.bounded(7)) - 3, 260);
    bulletin.k = qBound(0, bulletin.k + int(m_random.bounded(3)) - 1, 7);
    bulletin.expectedK = qBound(0, bulletin.k + int(m_random.bounded(3)) - 1, 7);
    bulletin.a = qBound(0, bulletin.k * bulletin.k + 2 + int(m_random.bounded(4)), 100);
    bulletin.r = qMax(0, (bulletin.sfi - 60) + int(m_random.bounded(11)) - 5);
    m_last = bulletin;
    return bulletin;
}

void Bulletins::keep(QList<Bulletin> &list, const Bulletin &bulletin)
{
    // A second bulletin of the same hour corrects the first.
    if (!list.isEmpty() && list.constFirst().time == bulletin.time) {
        list.first() = bulletin;
        return;
    }
    list.prepend(bulletin);
    if (list.size() > kMaxAnswerRows)
        list.removeLast();
}

QString Bulletins::forecast(const Bulletin &bulletin)
{
    auto storm = [](int iK) {
        return iK >= 6 ? QStringLiteral("Strong") : iK >= 4 ? QStringLiteral("Minor") : QStringLiteral("No Storms");
    };
    return storm(bulletin.k) + QStringLiteral(" -> ") + storm(bulletin.expectedK);
}

QString Bulletins::activity(int iLevel)
{
    return iLevel >= 6 ? QStringLiteral("maj") : iLevel >= 4 ? QStringLiteral("act") : QStringLiteral("qui");
}

QStringList Bulletins::wwvAnswer(int iRows) const
{
    QStringList lLines {
        QStringLiteral(" Date        Hour   SFI   A   K Forecast                               Logger")};
    for (const Bulletin &bulletin : m_wwv.mid(0, qBound(1, iRows, kMaxAnswerRows))) {
        lLines.append(dateAndHour(bulletin.time)
                      + QStringLiteral("%1%2%3 %4 <%5>")
                            .arg(bulletin.sfi, 7)
                            .arg(bulletin.a, 4)
                            .arg(bulletin.k, 4)
                            .arg(forecast(bulletin), -38)
                            .arg(kWwvLogger));
    }
    return lLines;
}

QStringList Bulletins::wcyAnswer(int iRows) const
{
    QStringList lLines {QStringLiteral(" Date        Hour   SFI   A   K Exp.K   R SA    GMF   Aurora   Logger")};
    for (const Bulletin &bulletin : m_wcy.mid(0, qBound(1, iRows, kMaxAnswerRows))) {
        lLines.append(dateAndHour(bulletin.time)
                      + QStringLiteral("%1%2%3%4%5 %6   %7   %8      <%9>")
                            .arg(bulletin.sfi, 7)
                            .arg(bulletin.a, 4)
                            .arg(bulletin.k, 4)
                            .arg(bulletin.expectedK, 6)
                            .arg(bulletin.r, 4)
                            .arg(activity(bulletin.k - 1), activity(bulletin.k),
                                 bulletin.k >= 5 ? QStringLiteral("yes") : QStringLiteral("no "), kWcyLogger));
    }
    return lLines;
}

QString Bulletins::nextWwv(const QDateTime &dtNow)
{
    const Bulletin bulletin = next(issueHour(dtNow, kWwvEveryHours));
    keep(m_wwv, bulletin);
    return QStringLiteral("WWV de %1 <%2>:   SFI=%3, A=%4, K=%5, %6")
        .arg(kWwvLogger)
        .arg(bulletin.time.time().hour(), 2, 10, QLatin1Char('0'))
        .arg(bulletin.sfi)
        .arg(bulletin.a)
        .arg(bulletin.k)
        .arg(forecast(bulletin));
}

QString Bulletins::nextWcy(const QDateTime &dtNow)
{
    const Bulletin bulletin = next(issueHour(dtNow, 1));
    keep(m_wcy, bulletin);
    return QStringLiteral("WCY de %1 <%2> : K=%3 expK=%4 A=%5 R=%6 SFI=%7 SA=%8 GMF=%9 Au=%10")
        .arg(kWcyLogger)
        .arg(bulletin.time.time().hour(), 2, 10, QLatin1Char('0'))
        .arg(bulletin.k)
        .arg(bulletin.expectedK)
        .arg(bulletin.a)
        .arg(bulletin.r)
        .arg(bulletin.sfi)
        .arg(activity(bulletin.k - 1), activity(bulletin.k),
             bulletin.k >= 5 ? QStringLiteral("yes") : QStringLiteral("no"));
}

QString Bulletins::nextAnnouncement()
{
    constexpr quint32 uiCount = sizeof(kAnnouncements) / sizeof(kAnnouncements[0]);
    return QStringLiteral("To ALL de ") + QString::fromLatin1(kAnnouncements[m_random.bounded(uiCount)]);
}
