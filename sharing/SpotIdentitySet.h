#ifndef SPOTIDENTITYSET_H
#define SPOTIDENTITYSET_H

#include <QHash>
#include <QString>

#include <deque>

class Spot;

// The spots handed on recently, by identity: the same DX call, spotter and
// UTC minute with a frequency within 1 kHz is the same report, whichever node
// relayed it and however often. Bounded: the oldest are forgotten first.
class SpotIdentitySet
{
public:
    static constexpr int kDefaultCapacity = 4096;
    static constexpr double kSameSpotKHz = 1.0;

    explicit SpotIdentitySet(int iCapacity = kDefaultCapacity) : m_capacity(qMax(1, iCapacity)) { }

    // True, and remembered, when the spot was not seen yet.
    bool insert(const Spot &spot);
    int size() const { return int(m_order.size()); }

private:
    struct Seen
    {
        QString key;
        double kHz = 0.0;
    };

    int m_capacity;
    std::deque<Seen> m_order;
    // How many of m_order share a key, and their frequencies.
    QHash<QString, QList<double>> m_byKey;
};

#endif // SPOTIDENTITYSET_H
