#include "SpotIdentitySet.h"

#include "cluster/Spot.h"

bool SpotIdentitySet::insert(const Spot &spot)
{
    // The time text holds the minute; the date keeps yesterday's 1200Z apart.
    const QString qsKey = spot.dxCall().toUpper() + QLatin1Char('|') + spot.spotter().toUpper() + QLatin1Char('|')
        + spot.date() + QLatin1Char('|') + spot.time().left(4);
    const double dKHz = spot.frequency().toDouble();
    QList<double> &frequencies = m_byKey[qsKey];
    for (double dSeen : std::as_const(frequencies)) {
        if (qAbs(dSeen - dKHz) <= kSameSpotKHz)
            return false;
    }
    frequencies.append(dKHz);
    m_order.push_back({qsKey, dKHz});
    if (int(m_order.size()) > m_capacity) {
        const Seen &oldest = m_order.front();
        auto it = m_byKey.find(oldest.key);
        if (it != m_byKey.end()) {
            it->removeOne(oldest.kHz);
            if (it->isEmpty())
                m_byKey.erase(it);
        }
        m_order.pop_front();
    }
    return true;
}
