#ifndef SKIMMERVALIDATOR_H
#define SKIMMERVALIDATOR_H

#include "cluster/Spot.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <unordered_map>
#include <vector>

// Judges whether a station skimmers report is really there: heard by enough
// skimmers close together (valid), a lone mis-decode of a well-heard call
// beside it (busted?), gone elsewhere (QSY) or not yet confirmed
// (unverified); and keeps per station what the skimmers said of it. Spots
// are handed in as they arrive; everything older than the identity window
// is forgotten, so memory follows the rate of spots, not their total.
class SkimmerValidator
{
    Q_DECLARE_TR_FUNCTIONS(SkimmerValidator)

public:
    using Verdict = Spot::Validation;

    struct Thresholds
    {
        int identityWindowSecs = 60 * 60; // what is remembered at all
        int validSkimmers = 2;
        double validSpreadKHz = 0.3;
        int validWindowSecs = 10 * 60;
        int bustedNeighbourSkimmers = 3;
        int bustedSkimmers = 1; // the most skimmers a mis-decode is heard by
        double bustedSpreadKHz = 0.3;
        int bustedWindowSecs = 2 * 60;
        double qsyKHz = 1.0;
    };

    struct Assessment
    {
        Verdict verdict = Verdict::Unverified;
        QString reason;    // one sentence for the tooltip
        QString resembles; // the call a busted spot is probably a copy of
    };

    // One spotter's latest report of a station.
    struct Report
    {
        QString spotter;
        bool skimmer = false;
        double kHz = 0.0;
        qint64 atMs = 0;
        bool hasSnr = false;
        int snr = 0;     // the latest
        int bestSnr = 0; // the best over the window
    };

    struct Facts
    {
        int skimmers = 0; // distinct skimmers over the identity window
        int humans = 0;
        bool hasSnr = false;
        int bestSnr = 0;
        int speed = 0; // the latest sent
        Spot::SpeedUnit speedUnit = Spot::SpeedUnit::None;
        qint64 firstMs = 0; // UTC milliseconds since the epoch
        qint64 lastMs = 0;
    };

    SkimmerValidator();
    explicit SkimmerValidator(const Thresholds &thresholds);
    ~SkimmerValidator();
    SkimmerValidator(const SkimmerValidator &) = delete;
    SkimmerValidator &operator=(const SkimmerValidator &) = delete;

    const Thresholds &thresholds() const { return m_thresholds; }
    // Takes effect for the spots that follow.
    void setThresholds(const Thresholds &thresholds) { m_thresholds = thresholds; }

    // Takes a complete spot received at iAtMs (UTC milliseconds since the
    // epoch) and returns the verdict for it. Other stations' verdicts may
    // change with it (a lone neighbour becomes busted when this call gets
    // well heard): their calls are added to *plChanged.
    Assessment add(const Spot &spot, qint64 iAtMs, QStringList *plChanged = nullptr);

    // The verdict for a row of the call at dKHz, as the spots so far give it.
    Assessment assess(const QString &qsCall, double dKHz) const;
    // Facts of the call over the window; all zero for a call not heard.
    Facts facts(const QString &qsCall) const;
    // Who reported the call, the strongest signal first.
    QList<Report> reports(const QString &qsCall) const;

    static QString verdictText(Verdict verdict);

    // How much is remembered; for the benchmark.
    int stationCount() const { return int(m_stations.size()); }
    qint64 reportCount() const;

    void clear();

private:
    struct Heard;
    struct Station;
    struct CallHash
    {
        size_t operator()(const QString &qsCall) const noexcept { return qHash(qsCall); }
    };
    // When a station was last looked at for forgetting; one per station.
    struct Touch
    {
        qint64 atMs;
        QString call;
    };

    qint64 cutoffMs() const;
    void forget();
    void placeInBucket(Station &station, qint64 iTens);
    void dropFromBucket(Station &station);
    void judgeAfterReport(Station &station, const Heard &heard, QStringList *plChanged);
    void confirm(Station &station, qint64 iTens, qint64 iAtMs, int iSkimmers, const QString &qsHuman);
    int skimmersNear(const Station &station, qint64 iTens, qint64 iSpreadTens, qint64 iAtMs, qint64 iWindowMs,
                     bool bWithinEachOther) const;
    bool wellHeardAt(const Station &station, qint64 iTens, qint64 iAtMs, int *piSkimmers) const;
    bool isLoneCopy(const Station &station, qint64 iTens) const;
    // Calls fn for the stations filed near iTens whose call may be one
    // edit from the one qsCall's signature stands for.
    template <typename Fn> void forEachNeighbour(qint64 iTens, quint64 uiSignature, Fn fn) const;
    Assessment judge(const Station &station, qint64 iTens) const;
    const Station *find(const QString &qsCall) const;

    Thresholds m_thresholds;
    std::unordered_map<QString, Station, CallHash> m_stations;
    struct Filed
    {
        quint64 signature; // see signatureOf(); kept here to spare a visit to each station
        Station *station;
    };
    std::unordered_map<qint64, std::vector<Filed>> m_buckets;
    std::deque<Touch> m_touches;
    qint64 m_nowMs = 0;
};

#endif // SKIMMERVALIDATOR_H
