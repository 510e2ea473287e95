#include "EarlierSpots.h"

#include "ClusterTimings.h"
#include "SpotParser.h"
#include "radio/BandPlan.h"

#include <QDateTime>

namespace {

// The UTC clock's minute on the count of SpotParser::minuteOf; the parser's
// clock, which dates the lines, so that both agree at midnight.
qint64 currentMinute()
{
    return SpotParser::minuteOf(SpotParser::currentDateTimeUtc());
}

// A live spot relayed a few seconds late carries the minute before the
// requests and cannot be told from the answer's newest lines.
constexpr qint64 kLateRelayMinutes = 1;

} // namespace

EarlierSpots::EarlierSpots(QObject *parent) : QObject(parent)
{
    m_quietTimer.setSingleShot(true);
    connect(&m_quietTimer, &QTimer::timeout, this, &EarlierSpots::onQuietTimeout);
}

QStringList EarlierSpots::requests(quint32 uiBands)
{
    const QString qsCommand = QStringLiteral("SHOW/FDX ");
    if (uiBands == 0 || uiBands == BandPlan::allBits())
        return {qsCommand + QString::number(ClusterLimits::kEarlierSpotsLines)};

    // Every set bit counts, 60m and stray bits too, so a selection that
    // includes them asks for fewer spots per band.
    const int iQuantity = ClusterLimits::kEarlierSpotsLines / qPopulationCount(uiBands) + 1;
    const QString qsPrefix = qsCommand + QString::number(iQuantity);
    QStringList qslRequests;
    for (int i = 0; i < BandPlan::count(); ++i) {
        const BandPlan::Band &band = BandPlan::at(i);
        if (band.requested && (uiBands & band.bit))
            qslRequests.append(qsPrefix + BandPlan::requestSuffix(band));
    }
    return qslRequests;
}

void EarlierSpots::setTimings(int iQuietMs, int iFirstAnswerMs)
{
    m_quietMs = iQuietMs;
    m_firstAnswerMs = iFirstAnswerMs;
    m_quietTimer.setInterval(iQuietMs);
}

void EarlierSpots::begin()
{
    m_collecting = true;
    // Lines that came before the requests are not part of the answer.
    m_answerLines = 0;
    m_requestMinute = currentMinute();
    m_quietTimer.start(m_firstAnswerMs);
}

void EarlierSpots::end()
{
    m_collecting = false;
    m_answerLines = 0;
    m_quietTimer.stop();
}

bool EarlierSpots::isFull() const
{
    return m_answerLines >= ClusterLimits::kEarlierSpotsLines;
}

qint64 EarlierSpots::answerMinute(const Spot &spot)
{
    if (!m_collecting)
        return -1;
    // A spot of the minute the requests went out or later is a live one.
    const qint64 iMinute = SpotParser::minuteOf(spot.date(), spot.time());
    if (iMinute >= m_requestMinute || iMinute < 0)
        return -1;
    ++m_answerLines;
    // The quiet period that ends the answer starts at its first line.
    m_quietTimer.start(m_quietMs);
    return iMinute;
}

void EarlierSpots::keep(qint64 iMinute, const Spot &spot)
{
    // Of equal minutes the one received later (nodes answer newest first:
    // the older) comes out first.
    m_spots.insert(iMinute, spot);
    // The oldest make room; a spot that may be a late live one is never
    // dropped for its time stamp, so the answer may then keep a few more.
    if (m_spots.size() > ClusterLimits::kMaxCollectedSpots && m_spots.firstKey() < m_requestMinute - kLateRelayMinutes)
        m_spots.erase(m_spots.begin());
}

QList<Spot> EarlierSpots::take()
{
    if (m_collecting || m_spots.isEmpty())
        return {};
    QList<Spot> spots = m_spots.values();
    m_spots.clear();
    return spots;
}

void EarlierSpots::onQuietTimeout()
{
    if (m_collecting)
        Q_EMIT quiet();
}
