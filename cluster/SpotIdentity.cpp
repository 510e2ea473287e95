#include "SpotIdentity.h"

#include "Spot.h"
#include "SpotParser.h"

#include <cmath>

namespace {

// Two frequencies of one report differ by the rounding of the nodes that
// relay it; 1 kHz apart is still the same report.
constexpr double kSameSpotKHz = 1.0 + 1e-6;
// Beyond any amateur band; a larger number is not a frequency.
constexpr double kMaxKHz = 1e9;

quint64 callsHash(const QString &qsDxCall, const QString &qsSpotter)
{
    // Two independent seeds make a 64-bit value; a collision would need two
    // different pairs of calls in the same minute and kilohertz.
    const quint64 uiHigh = quint32(qHash(qsDxCall, 0x5bd1e995U) ^ qHash(qsSpotter, 0x1b873593U));
    const quint64 uiLow = quint32(qHash(qsSpotter, 0xcc9e2d51U) * 31U + qHash(qsDxCall, 0x85ebca6bU));
    return (uiHigh << 32) | uiLow;
}

} // namespace

SpotIdentity::SpotIdentity() = default;

void SpotIdentity::setWindowMinutes(int iMinutes)
{
    m_windowMinutes = iMinutes > 0 ? iMinutes : kUnlimitedWindowMinutes;
}

bool SpotIdentity::makeKey(const Spot &spot, Key *pKey, double *pdKHz)
{
    bool bOk = false;
    const double dKHz = spot.frequency().toDouble(&bOk);
    const qint64 iMinute = SpotParser::minuteOf(spot.date(), spot.time());
    if (!bOk || iMinute < 0 || !std::isfinite(dKHz) || dKHz < 0.0 || dKHz > kMaxKHz)
        return false;
    *pKey = Key {callsHash(spot.dxCall(), spot.spotter()), iMinute, qint64(std::floor(dKHz))};
    *pdKHz = dKHz;
    return true;
}

const SpotIdentity::Entry *SpotIdentity::find(const Key &key, double dKHz, Key *pFoundKey) const
{
    // A report near a bucket's edge has its copies in the neighbour bucket:
    // 14025.9 and 14026.4 are one spot.
    Key neighbour = key;
    for (qint64 iBucket : {key.bucket, key.bucket - 1, key.bucket + 1}) {
        neighbour.bucket = iBucket;
        const auto it = m_entries.constFind(neighbour);
        if (it != m_entries.constEnd() && std::fabs(it->kHz - dKHz) <= kSameSpotKHz) {
            if (pFoundKey)
                *pFoundKey = neighbour;
            return &*it;
        }
    }
    return nullptr;
}

bool SpotIdentity::contains(const Spot &spot, qint64 iNowMinute) const
{
    Key key;
    double dKHz = 0.0;
    if (!makeKey(spot, &key, &dKHz))
        return false;
    const Entry *pEntry = find(key, dKHz);
    return pEntry && pEntry->lastSeenMinute >= iNowMinute - m_windowMinutes;
}

SpotIdentity::Seen SpotIdentity::see(const Spot &spot, qint64 iNowMinute)
{
    Key key;
    double dKHz = 0.0;
    if (!makeKey(spot, &key, &dKHz))
        return Seen::New;
    expire(iNowMinute);

    Key foundKey;
    if (const Entry *pFound = find(key, dKHz, &foundKey)) {
        // Seen again: it stays for another window from now.
        Entry *pEntry = const_cast<Entry *>(pFound);
        if (pEntry->lastSeenMinute != iNowMinute) {
            pEntry->lastSeenMinute = iNowMinute;
            m_arrivals.push_back({foundKey, iNowMinute});
            trimArrivals();
        }
        return Seen::Repeat;
    }

    m_entries.insert(key, Entry {dKHz, iNowMinute});
    m_arrivals.push_back({key, iNowMinute});
    while (m_entries.size() > m_maxEntries && !m_arrivals.empty()) {
        // Past the bound the oldest go, seen again lately or not.
        m_entries.remove(m_arrivals.front().key);
        m_arrivals.pop_front();
    }
    return Seen::New;
}

void SpotIdentity::expire(qint64 iNowMinute)
{
    const qint64 iOldest = iNowMinute - m_windowMinutes;
    while (!m_arrivals.empty() && m_arrivals.front().minute < iOldest) {
        const Arrival arrival = m_arrivals.front();
        m_arrivals.pop_front();
        const auto it = m_entries.find(arrival.key);
        if (it != m_entries.end() && it->lastSeenMinute < iOldest)
            m_entries.erase(it);
    }
}

void SpotIdentity::trimArrivals()
{
    // Reports seen again minute after minute add an arrival each time; past
    // a few per entry the oldest go, and their entries unless seen since.
    while (m_arrivals.size() > size_t(kArrivalsPerEntry) * size_t(m_maxEntries)) {
        const Arrival arrival = m_arrivals.front();
        m_arrivals.pop_front();
        const auto it = m_entries.find(arrival.key);
        if (it != m_entries.end() && it->lastSeenMinute <= arrival.minute)
            m_entries.erase(it);
    }
}

void SpotIdentity::clear()
{
    m_entries.clear();
    m_arrivals.clear();
}
