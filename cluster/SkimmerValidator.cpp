#include "SkimmerValidator.h"

#include <QDateTime>
#include <QTime>
#include <QVarLengthArray>
#include <QtAlgorithms>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Frequencies are compared in whole tens of hertz, so that "7022.3" and
// "7022.0" are exactly 0.3 kHz apart.
constexpr double kTensPerKHz = 100.0;
// Stations are indexed by 100 Hz of their latest frequency: the neighbour
// search reads only the buckets the spread covers, and on a crowded band
// 100 Hz holds a handful of stations where 1 kHz holds dozens.
constexpr qint64 kBucketTens = 10;
// Nothing on the air lies above this (and tens of hertz stay far from overflow).
constexpr double kMaxKHz = 1.0e9;
// Where a station was confirmed; a station that keeps moving keeps only
// its latest places.
constexpr size_t kMaxConfirmations = 4;

qint64 tensOf(double dKHz)
{
    return qint64(std::llround(dKHz * kTensPerKHz));
}

qint64 tensOf(const QString &qsKHz, bool *pbOk)
{
    const double dKHz = qsKHz.toDouble(pbOk);
    *pbOk = *pbOk && dKHz > 0.0 && dKHz < kMaxKHz;
    return *pbOk ? tensOf(dKHz) : 0;
}

QString kHzText(qint64 iTens)
{
    return QString::number(double(iTens) / kTensPerKHz, 'f', 1);
}

QString timeText(qint64 iMs)
{
    return QDateTime::fromMSecsSinceEpoch(iMs, Qt::UTC).toString(QStringLiteral("HHmm'Z'"));
}

qint64 bucketOf(qint64 iTens)
{
    return iTens >= 0 ? iTens / kBucketTens : (iTens - kBucketTens + 1) / kBucketTens;
}

// The characters a call holds as bits, and its length on top: two calls one
// edit apart differ in length by one at most and in at most two of those
// bits, which rules out nearly every other call of a crowded band in two
// instructions.
constexpr int kLengthShift = 58;
constexpr quint64 kCharBits = (quint64(1) << kLengthShift) - 1;

quint64 signatureOf(const QString &qsCall)
{
    quint64 uiBits = 0;
    for (QChar ch : qsCall) {
        const char16_t c = ch.unicode();
        int iBit = 37;
        if (c >= u'A' && c <= u'Z')
            iBit = c - u'A';
        else if (c >= u'a' && c <= u'z')
            iBit = c - u'a';
        else if (c >= u'0' && c <= u'9')
            iBit = 26 + (c - u'0');
        else if (c == u'/')
            iBit = 36;
        uiBits |= quint64(1) << iBit;
    }
    return uiBits | (quint64(qMin<qsizetype>(qsCall.size(), 63)) << kLengthShift);
}

bool mayBeOneEditApart(quint64 uiA, quint64 uiB)
{
    const int iLengthA = int(uiA >> kLengthShift);
    const int iLengthB = int(uiB >> kLengthShift);
    return qAbs(iLengthA - iLengthB) <= 1 && qPopulationCount((uiA ^ uiB) & kCharBits) <= 2;
}

// Mis-decodes change, add or drop one character; letter case is not a
// difference here, nodes write calls in capitals.
bool oneEditApart(const QString &qsA, const QString &qsB)
{
    const qsizetype iA = qsA.size();
    const qsizetype iB = qsB.size();
    if (qAbs(iA - iB) > 1)
        return false;
    const QString &qsLong = iA >= iB ? qsA : qsB;
    const QString &qsShort = iA >= iB ? qsB : qsA;
    qsizetype i = 0;
    while (i < qsShort.size() && qsShort.at(i) == qsLong.at(i))
        ++i;
    if (i == qsShort.size())
        return qsLong.size() != qsShort.size();
    if (qsLong.size() == qsShort.size())
        return QStringView(qsLong).mid(i + 1) == QStringView(qsShort).mid(i + 1);
    return QStringView(qsLong).mid(i + 1) == QStringView(qsShort).mid(i);
}

} // namespace

struct SkimmerValidator::Heard
{
    QString spotter;
    bool skimmer = false;
    qint64 tens = 0;
    qint64 atMs = 0;
    bool hasSnr = false;
    qint16 snr = 0;
    qint16 bestSnr = 0;
};

struct SkimmerValidator::Station
{
    struct Confirmation
    {
        qint64 tens = 0;
        qint64 atMs = 0;
        int skimmers = 0;
        QString human; // the human who spotted it, when one did
    };

    QString call;
    quint64 signature = 0;
    std::vector<Heard> heard;                // one per spotter, the latest
    std::vector<Confirmation> confirmations; // the newest last
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    qint64 lastTens = 0;
    QString lastSpotter;
    int speed = 0;
    Spot::SpeedUnit speedUnit = Spot::SpeedUnit::None;
    // Set when a lone copy of the call was found beside a well-heard one.
    QString resembles;
    qint64 resemblesTens = 0;
    int resemblesSkimmers = 0;
    qint64 bucket = std::numeric_limits<qint64>::min();
};

SkimmerValidator::SkimmerValidator() = default;

SkimmerValidator::SkimmerValidator(const Thresholds &thresholds) : m_thresholds(thresholds)
{
}

SkimmerValidator::~SkimmerValidator() = default;

void SkimmerValidator::clear()
{
    m_stations.clear();
    m_buckets.clear();
    m_touches.clear();
}

qint64 SkimmerValidator::reportCount() const
{
    qint64 iCount = 0;
    for (const auto &entry : m_stations)
        iCount += qint64(entry.second.heard.size());
    return iCount;
}

qint64 SkimmerValidator::cutoffMs() const
{
    return m_nowMs - qint64(m_thresholds.identityWindowSecs) * 1000;
}

const SkimmerValidator::Station *SkimmerValidator::find(const QString &qsCall) const
{
    const auto it = m_stations.find(qsCall);
    if (it == m_stations.end() || it->second.lastMs < cutoffMs())
        return nullptr;
    return &it->second;
}

void SkimmerValidator::forget()
{
    // Each station has one touch in the queue. A station heard since its
    // touch was queued goes to the back with its latest time, so a station
    // is dropped at most one window after it falls silent and each spot
    // costs at most one requeue.
    const qint64 iCutoff = cutoffMs();
    while (!m_touches.empty() && m_touches.front().atMs < iCutoff) {
        Touch touch = std::move(m_touches.front());
        m_touches.pop_front();
        const auto it = m_stations.find(touch.call);
        if (it == m_stations.end())
            continue;
        if (it->second.lastMs >= iCutoff) {
            touch.atMs = it->second.lastMs;
            m_touches.push_back(std::move(touch));
            continue;
        }
        dropFromBucket(it->second);
        m_stations.erase(it);
    }
}

void SkimmerValidator::placeInBucket(Station &station, qint64 iTens)
{
    const qint64 iBucket = bucketOf(iTens);
    if (iBucket == station.bucket)
        return;
    dropFromBucket(station);
    m_buckets[iBucket].push_back({station.signature, &station});
    station.bucket = iBucket;
}

void SkimmerValidator::dropFromBucket(Station &station)
{
    const auto it = m_buckets.find(station.bucket);
    if (it == m_buckets.end())
        return;
    std::vector<Filed> &lStations = it->second;
    const auto pos = std::find_if(lStations.begin(), lStations.end(),
                                  [&station](const Filed &filed) { return filed.station == &station; });
    if (pos != lStations.end()) {
        *pos = lStations.back();
        lStations.pop_back();
    }
    if (lStations.empty())
        m_buckets.erase(it);
    station.bucket = std::numeric_limits<qint64>::min();
}

template <typename Fn> void SkimmerValidator::forEachNeighbour(qint64 iTens, quint64 uiSignature, Fn fn) const
{
    // A station is filed under its latest frequency, and skimmers place one
    // signal up to 0.1 kHz either side: the margin finds it wherever its
    // latest report fell.
    const qint64 iReach = tensOf(m_thresholds.bustedSpreadKHz) + 2 * kBucketTens;
    for (qint64 iNear = bucketOf(iTens - iReach); iNear <= bucketOf(iTens + iReach); ++iNear) {
        const auto it = m_buckets.find(iNear);
        if (it == m_buckets.end())
            continue;
        for (const Filed &filed : it->second) {
            if (mayBeOneEditApart(filed.signature, uiSignature))
                fn(*filed.station);
        }
    }
}

int SkimmerValidator::skimmersNear(const Station &station, qint64 iTens, qint64 iSpreadTens, qint64 iAtMs,
                                   qint64 iWindowMs, bool bWithinEachOther) const
{
    const qint64 iCutoff = cutoffMs();
    // Few skimmers hear one station, so this stays small whatever the rate.
    QVarLengthArray<qint64, 64> liTens;
    for (const Heard &heard : station.heard) {
        if (heard.skimmer && heard.atMs >= iCutoff && qAbs(heard.atMs - iAtMs) <= iWindowMs
            && qAbs(heard.tens - iTens) <= iSpreadTens)
            liTens.append(heard.tens);
    }
    if (!bWithinEachOther || liTens.size() < 2)
        return int(liTens.size());
    // The most reports inside one stretch of iSpreadTens that holds iTens.
    std::sort(liTens.begin(), liTens.end());
    int iBest = 0;
    qsizetype iEnd = 0;
    for (qsizetype iStart = 0; iStart < liTens.size() && liTens.at(iStart) <= iTens; ++iStart) {
        iEnd = qMax(iEnd, iStart);
        while (iEnd < liTens.size() && liTens.at(iEnd) - liTens.at(iStart) <= iSpreadTens)
            ++iEnd;
        // Every report lies within iSpreadTens of iTens, so a stretch
        // starting at or below it reaches it.
        iBest = qMax(iBest, int(iEnd - iStart));
    }
    return iBest;
}

bool SkimmerValidator::wellHeardAt(const Station &station, qint64 iTens, qint64 iAtMs, int *piSkimmers) const
{
    const int iSkimmers = skimmersNear(station, iTens, tensOf(m_thresholds.bustedSpreadKHz), iAtMs,
                                       qint64(m_thresholds.bustedWindowSecs) * 1000, false);
    if (piSkimmers)
        *piSkimmers = iSkimmers;
    return iSkimmers >= m_thresholds.bustedNeighbourSkimmers;
}

// Heard near iTens by a skimmer or a few and no human, and not confirmed there.
bool SkimmerValidator::isLoneCopy(const Station &station, qint64 iTens) const
{
    const qint64 iCutoff = cutoffMs();
    const qint64 iSpread = tensOf(m_thresholds.bustedSpreadKHz);
    int iSkimmers = 0;
    for (const Heard &heard : station.heard) {
        if (heard.atMs < iCutoff || qAbs(heard.tens - iTens) > iSpread)
            continue;
        if (!heard.skimmer || ++iSkimmers > qMax(1, m_thresholds.bustedSkimmers))
            return false;
    }
    const qint64 iQsy = tensOf(m_thresholds.qsyKHz);
    const bool bConfirmed = std::any_of(
        station.confirmations.begin(), station.confirmations.end(), [&](const Station::Confirmation &confirmation) {
            return confirmation.atMs >= iCutoff && qAbs(confirmation.tens - iTens) <= iQsy;
        });
    return iSkimmers >= 1 && !bConfirmed;
}

void SkimmerValidator::confirm(Station &station, qint64 iTens, qint64 iAtMs, int iSkimmers, const QString &qsHuman)
{
    const qint64 iQsy = tensOf(m_thresholds.qsyKHz);
    auto &lConfirmations = station.confirmations;
    Station::Confirmation confirmation;
    const auto it = std::find_if(lConfirmations.begin(), lConfirmations.end(),
                                 [&](const Station::Confirmation &old) { return qAbs(old.tens - iTens) <= iQsy; });
    if (it != lConfirmations.end()) {
        confirmation = *it;
        lConfirmations.erase(it);
    }
    confirmation.tens = iTens;
    confirmation.atMs = qMax(confirmation.atMs, iAtMs);
    if (qsHuman.isEmpty())
        confirmation.skimmers = qMax(confirmation.skimmers, iSkimmers);
    else
        confirmation.human = qsHuman;
    lConfirmations.push_back(confirmation);
    if (lConfirmations.size() > kMaxConfirmations)
        lConfirmations.erase(lConfirmations.begin());
}

void SkimmerValidator::judgeAfterReport(Station &station, const Heard &heard, QStringList *plChanged)
{
    if (!heard.skimmer) {
        confirm(station, heard.tens, heard.atMs, 0, heard.spotter);
        return;
    }
    const int iValid = skimmersNear(station, heard.tens, tensOf(m_thresholds.validSpreadKHz), heard.atMs,
                                    qint64(m_thresholds.validWindowSecs) * 1000, true);
    if (iValid >= qMax(1, m_thresholds.validSkimmers))
        confirm(station, heard.tens, heard.atMs, iValid, QString());

    if (isLoneCopy(station, heard.tens)) {
        // The well-heard call may have come first.
        forEachNeighbour(heard.tens, station.signature, [&](const Station &other) {
            int iSkimmers = 0;
            if (&other != &station && oneEditApart(other.call, station.call)
                && wellHeardAt(other, heard.tens, heard.atMs, &iSkimmers) && iSkimmers > station.resemblesSkimmers) {
                station.resembles = other.call;
                station.resemblesTens = heard.tens;
                station.resemblesSkimmers = iSkimmers;
            }
        });
        return;
    }
    // Or it comes after its lone copies, which become busted now.
    int iSkimmers = 0;
    if (!wellHeardAt(station, heard.tens, heard.atMs, &iSkimmers))
        return;
    const qint64 iSpread = tensOf(m_thresholds.bustedSpreadKHz);
    forEachNeighbour(heard.tens, station.signature, [&](Station &other) {
        if (&other == &station || other.resembles == station.call || qAbs(other.lastTens - heard.tens) > iSpread
            || !oneEditApart(other.call, station.call) || !isLoneCopy(other, other.lastTens)
            || !wellHeardAt(station, other.lastTens, other.lastMs, &iSkimmers))
            return;
        other.resembles = station.call;
        other.resemblesTens = other.lastTens;
        other.resemblesSkimmers = iSkimmers;
        if (plChanged)
            plChanged->append(other.call);
    });
}

SkimmerValidator::Assessment SkimmerValidator::add(const Spot &spot, qint64 iAtMs, QStringList *plChanged)
{
    Assessment assessment;
    bool bOk = false;
    const qint64 iTens = tensOf(spot.frequency(), &bOk);
    if (!spot.isComplete() || !bOk) {
        assessment.reason = tr("The spot has no frequency to compare.");
        return assessment;
    }
    m_nowMs = qMax(m_nowMs, iAtMs);
    forget();
    const qint64 iCutoff = cutoffMs();
    if (iAtMs < iCutoff) {
        assessment.reason = tr("The spot is older than the stations remembered.");
        return assessment;
    }

    auto inserted = m_stations.try_emplace(spot.dxCall());
    Station &station = inserted.first->second;
    if (inserted.second) {
        station.call = spot.dxCall();
        station.signature = signatureOf(station.call);
        station.firstMs = iAtMs;
        m_touches.push_back({iAtMs, station.call});
    }

    auto &lHeard = station.heard;
    lHeard.erase(
        std::remove_if(lHeard.begin(), lHeard.end(), [iCutoff](const Heard &heard) { return heard.atMs < iCutoff; }),
        lHeard.end());
    auto &lConfirmations = station.confirmations;
    lConfirmations.erase(std::remove_if(lConfirmations.begin(), lConfirmations.end(),
                                        [iCutoff](const Station::Confirmation &old) { return old.atMs < iCutoff; }),
                         lConfirmations.end());
    if (lHeard.empty())
        station.firstMs = iAtMs;

    auto it = std::find_if(lHeard.begin(), lHeard.end(),
                           [&spot](const Heard &heard) { return heard.spotter == spot.spotter(); });
    if (it == lHeard.end()) {
        lHeard.push_back(Heard());
        it = lHeard.end() - 1;
        it->spotter = spot.spotter();
        it->bestSnr = std::numeric_limits<qint16>::min();
    }
    Heard &heard = *it;
    heard.skimmer = spot.isSkimmer();
    heard.tens = iTens;
    heard.atMs = qMax(heard.atMs, iAtMs);
    if (spot.hasSnr()) {
        heard.snr = qint16(spot.snr());
        heard.bestSnr = heard.hasSnr ? qMax(heard.bestSnr, heard.snr) : heard.snr;
        heard.hasSnr = true;
    }

    if (iAtMs >= station.lastMs) {
        station.lastMs = iAtMs;
        station.lastTens = iTens;
        station.lastSpotter = spot.spotter();
        if (spot.speed() > 0) {
            station.speed = spot.speed();
            station.speedUnit = spot.speedUnit();
        }
    }
    station.firstMs = qMin(station.firstMs, iAtMs);
    placeInBucket(station, station.lastTens);
    judgeAfterReport(station, heard, plChanged);
    return judge(station, iTens);
}

SkimmerValidator::Assessment SkimmerValidator::judge(const Station &station, qint64 iTens) const
{
    Assessment assessment;
    const qint64 iCutoff = cutoffMs();
    const qint64 iQsy = tensOf(m_thresholds.qsyKHz);
    const Station::Confirmation *pConfirmed = nullptr;
    for (auto it = station.confirmations.rbegin(); it != station.confirmations.rend() && !pConfirmed; ++it) {
        if (it->atMs >= iCutoff && qAbs(it->tens - iTens) <= iQsy)
            pConfirmed = &*it;
    }

    if (pConfirmed) {
        if (qAbs(station.lastTens - pConfirmed->tens) > iQsy && station.lastMs >= pConfirmed->atMs) {
            assessment.verdict = Verdict::Qsy;
            assessment.reason = tr("Moved: heard again on %1 kHz at %2 by %3.")
                                    .arg(kHzText(station.lastTens), timeText(station.lastMs), station.lastSpotter);
        } else if (!pConfirmed->human.isEmpty()) {
            assessment.verdict = Verdict::Valid;
            assessment.reason = tr("Spotted by %1, an operator rather than a skimmer.").arg(pConfirmed->human);
        } else {
            assessment.verdict = Verdict::Valid;
            // One skimmer is enough only when the threshold says so.
            assessment.reason = pConfirmed->skimmers < 2
                ? tr("Heard by a skimmer.")
                : tr("Heard by %1 skimmers within %2 kHz of each other in %3 minutes.")
                      .arg(pConfirmed->skimmers)
                      .arg(QString::number(m_thresholds.validSpreadKHz))
                      .arg(m_thresholds.validWindowSecs / 60);
        }
        return assessment;
    }

    if (!station.resembles.isEmpty() && qAbs(station.resemblesTens - iTens) <= tensOf(m_thresholds.bustedSpreadKHz)
        && isLoneCopy(station, iTens)) {
        assessment.verdict = Verdict::Busted;
        assessment.resembles = station.resembles;
        const QString qsFew = m_thresholds.bustedSkimmers <= 1
            ? tr("only one skimmer heard this call.")
            : tr("no more than %1 skimmers heard this call.").arg(m_thresholds.bustedSkimmers);
        assessment.reason = station.resemblesSkimmers < 2
            ? tr("Probably a mis-decode of %1, heard beside it; %2").arg(station.resembles, qsFew)
            : tr("Probably a mis-decode of %1, heard beside it by %2 skimmers; %3")
                  .arg(station.resembles)
                  .arg(station.resemblesSkimmers)
                  .arg(qsFew);
        return assessment;
    }

    const int iSkimmers = skimmersNear(station, iTens, tensOf(m_thresholds.validSpreadKHz), m_nowMs,
                                       std::numeric_limits<qint64>::max() / 2, false);
    if (iSkimmers == 0)
        assessment.reason = tr("No skimmer has reported this call here.");
    else if (iSkimmers == 1)
        assessment.reason = tr("Heard by one skimmer only.");
    else
        assessment.reason = tr("Heard by %1 skimmers, but not %2 of them within %3 kHz of each other in %4 minutes.")
                                .arg(iSkimmers)
                                .arg(m_thresholds.validSkimmers)
                                .arg(QString::number(m_thresholds.validSpreadKHz))
                                .arg(m_thresholds.validWindowSecs / 60);
    return assessment;
}

SkimmerValidator::Assessment SkimmerValidator::assess(const QString &qsCall, double dKHz) const
{
    const Station *pStation = find(qsCall);
    if (!pStation) {
        Assessment assessment;
        assessment.reason = tr("No skimmer has reported this call here.");
        return assessment;
    }
    return judge(*pStation, tensOf(dKHz));
}

SkimmerValidator::Facts SkimmerValidator::facts(const QString &qsCall) const
{
    Facts facts;
    const Station *pStation = find(qsCall);
    if (!pStation)
        return facts;
    const qint64 iCutoff = cutoffMs();
    for (const Heard &heard : pStation->heard) {
        if (heard.atMs < iCutoff)
            continue;
        ++(heard.skimmer ? facts.skimmers : facts.humans);
        if (heard.hasSnr) {
            facts.bestSnr = facts.hasSnr ? qMax(facts.bestSnr, int(heard.bestSnr)) : heard.bestSnr;
            facts.hasSnr = true;
        }
    }
    facts.speed = pStation->speed;
    facts.speedUnit = pStation->speedUnit;
    facts.firstMs = pStation->firstMs;
    facts.lastMs = pStation->lastMs;
    return facts;
}

QList<SkimmerValidator::Report> SkimmerValidator::reports(const QString &qsCall) const
{
    QList<Report> lReports;
    const Station *pStation = find(qsCall);
    if (!pStation)
        return lReports;
    const qint64 iCutoff = cutoffMs();
    for (const Heard &heard : pStation->heard) {
        if (heard.atMs < iCutoff)
            continue;
        Report report;
        report.spotter = heard.spotter;
        report.skimmer = heard.skimmer;
        report.kHz = double(heard.tens) / kTensPerKHz;
        report.atMs = heard.atMs;
        report.hasSnr = heard.hasSnr;
        report.snr = heard.snr;
        report.bestSnr = heard.bestSnr;
        lReports.append(report);
    }
    std::stable_sort(lReports.begin(), lReports.end(), [](const Report &a, const Report &b) {
        if (a.hasSnr != b.hasSnr)
            return a.hasSnr;
        return a.snr > b.snr;
    });
    return lReports;
}

QString SkimmerValidator::verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Valid:
        return tr("valid");
    case Verdict::Busted:
        return tr("busted?");
    case Verdict::Qsy:
        return tr("QSY");
    case Verdict::Unverified:
        break;
    }
    return tr("unverified");
}
