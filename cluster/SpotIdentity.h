#ifndef SPOTIDENTITY_H
#define SPOTIDENTITY_H

#include <QHash>
#include <QString>

#include <deque>

class Spot;

// Tells a spot seen for the first time from the same report brought again:
// by another node relaying it, an earlier-spots answer, a reconnection or a
// typed SH/DX. One report is the same DX call, the same spotter, the same UTC
// minute and a frequency within 1 kHz. Lookups cost the same however many
// spots are held; a report is forgotten once it has not been seen for the
// window, and never more than a fixed number are held, so memory stays flat
// however long the program runs.
class SpotIdentity
{
public:
    enum class Seen { New, Repeat };

    static constexpr int kDefaultWindowMinutes = 30;
    // Rows that never age out still need a bound here.
    static constexpr int kUnlimitedWindowMinutes = 120;
    // Far above a contest's distinct spots within the window (300 spots/s
    // for half an hour), and some 30 MiB at most.
    static constexpr int kMaxEntries = 600000;
    // Arrivals kept at most per entry of the bound.
    static constexpr int kArrivalsPerEntry = 4;

    SpotIdentity();

    // iMinutes 0 (rows kept until pushed off) takes kUnlimitedWindowMinutes.
    void setWindowMinutes(int iMinutes);
    int windowMinutes() const { return m_windowMinutes; }
    // Lowers the bound; for tests of the bound itself.
    void setMaxEntries(int iMaxEntries) { m_maxEntries = qMax(1, iMaxEntries); }

    // Records the spot when it is new; iNowMinute is the UTC clock on the
    // count of SpotParser::minuteOf. A spot without a readable time or
    // frequency cannot be told apart and is always new.
    Seen see(const Spot &spot, qint64 iNowMinute);

    // Whether the spot would be a repeat now, without recording it.
    bool contains(const Spot &spot, qint64 iNowMinute) const;

    int size() const { return int(m_entries.size()); }
    // What the expiry bookkeeping holds; bounded like the entries.
    qsizetype arrivalCount() const { return qsizetype(m_arrivals.size()); }
    void clear();

private:
    struct Key
    {
        // Of the DX call and the spotter together: two strings per entry
        // would cost more than the rest of it.
        quint64 calls = 0;
        qint64 minute = 0;
        qint64 bucket = 0;
        bool operator==(const Key &other) const
        {
            return calls == other.calls && minute == other.minute && bucket == other.bucket;
        }
    };
    friend size_t qHash(const Key &key, size_t uiSeed) noexcept
    {
        return qHashMulti(uiSeed, key.calls, key.minute, key.bucket);
    }
    struct Entry
    {
        double kHz = 0.0;
        qint64 lastSeenMinute = 0;
    };
    struct Arrival
    {
        Key key;
        qint64 minute = 0;
    };

    void expire(qint64 iNowMinute);
    void trimArrivals();
    // The entry the report would repeat, or nullptr; pFoundKey gets its key.
    const Entry *find(const Key &key, double dKHz, Key *pFoundKey = nullptr) const;
    static bool makeKey(const Spot &spot, Key *pKey, double *pdKHz);

    QHash<Key, Entry> m_entries;
    // In the order entries were seen, oldest first; a repeat adds its key
    // again, so an entry goes only when its newest arrival is old enough.
    std::deque<Arrival> m_arrivals;
    int m_windowMinutes = kDefaultWindowMinutes;
    int m_maxEntries = kMaxEntries;
};

#endif // SPOTIDENTITY_H
