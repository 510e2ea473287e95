#include "SkimmerBench.h"

#include "BenchSupport.h"
#include "LiveWindowBench.h"

#include "cluster/Cluster.h"
#include "cluster/SkimmerValidator.h"
#include "cluster/SpotPipeline.h"
#include "cluster/SpotParser.h"
#include "testnode/SkimmerFeed.h"
#include "testnode/TestNode.h"
#include "ui/MainWindow.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSet>

#include <vector>

namespace Bench {

namespace {

constexpr int kSpotsPerSecond = 200;
constexpr int kWindowSecs = 30 * 60;
// More spots than the window holds at that rate, so that a call comes back
// only after it has been forgotten and the state is the window's alone.
constexpr int kPoolSize = (kWindowSecs + 300) * kSpotsPerSecond;

// What the validator reads of a spot, without the fields it ignores, so
// that the pool does not weigh more than the state measured.
struct PoolSpot
{
    QString spotter;
    QString dxCall;
    QString frequency;
    qint16 snr;
    qint16 speed;
    Spot::SpeedUnit speedUnit;
};

} // namespace

void benchSkimmer(int iCount)
{
    SkimmerFeed feed(5);
    feed.setBustedShare(0.1);
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    const QString qsDate = SpotParser::dxDeDate(dtNow.date());
    std::vector<PoolSpot> pool;
    pool.reserve(kPoolSize + 64);
    // The same texts shared, as the pool would otherwise outweigh the state.
    QSet<QString> texts;
    const auto shared = [&texts](const QString &qsText) {
        return *texts.insert(qsText);
    };
    qint64 iLinesParsed = 0;
    CpuTimer timer;
    double dParseSeconds = 0.0;
    while (int(pool.size()) < kPoolSize) {
        const QList<TestSpot> lStation = feed.nextStation(dtNow);
        QList<QString> lLines;
        lLines.reserve(lStation.size());
        for (const TestSpot &testSpot : lStation)
            lLines.append(QString::fromLatin1(testSpot.dxDeLine(true)));
        timer.start();
        for (const QString &qsLine : std::as_const(lLines)) {
            const Spot spot = SpotParser::parseDxDeLine(qsLine, qsDate);
            pool.push_back({spot.spotter(), spot.dxCall(), spot.frequency(), qint16(spot.snr()), qint16(spot.speed()),
                            spot.speedUnit()});
        }
        dParseSeconds += timer.seconds();
        for (size_t i = pool.size() - size_t(lLines.size()); i < pool.size(); ++i) {
            pool[i].spotter = shared(pool[i].spotter);
            pool[i].dxCall = shared(pool[i].dxCall);
            pool[i].frequency = shared(pool[i].frequency);
        }
        iLinesParsed += lLines.size();
    }
    report("skimmer_parse_spots_per_second", iLinesParsed / dParseSeconds, "spots/s");
    texts.clear();

    // The pool's share of the figures below.
    report("skimmer_memory_resident_before_mib", residentMiB(), "MiB");
    SkimmerValidator::Thresholds thresholds;
    thresholds.identityWindowSecs = kWindowSecs;
    SkimmerValidator validator(thresholds);
    Spot spot;
    spot.setSkimmer(true);
    spot.setTime(QStringLiteral("1200Z"));
    const qint64 iStartMs = dtNow.toMSecsSinceEpoch();
    // The state is full once the window has passed; the memory after that
    // must not grow.
    const int iWarmUp = qMax(iCount / 10, 2 * kWindowSecs * kSpotsPerSecond);
    double dAfterWarmUp = 0.0;
    qint64 iBusted = 0;
    qint64 iValid = 0;
    timer.start();
    for (int i = 0; i < iCount; ++i) {
        const PoolSpot &one = pool[size_t(i) % pool.size()];
        spot.setSpotter(one.spotter);
        spot.setDxCall(one.dxCall);
        spot.setFrequency(one.frequency);
        spot.setSnr(one.snr);
        spot.setSpeed(one.speed, one.speedUnit);
        const SkimmerValidator::Verdict verdict =
            validator.add(spot, iStartMs + qint64(i) * 1000 / kSpotsPerSecond).verdict;
        iBusted += verdict == SkimmerValidator::Verdict::Busted;
        iValid += verdict == SkimmerValidator::Verdict::Valid;
        if (i == iWarmUp)
            dAfterWarmUp = residentMiB();
    }
    const double dSeconds = timer.seconds();
    report("skimmer_validate_spots_per_second", iCount / dSeconds, "spots/s");
    report("skimmer_validate_ns_per_spot", dSeconds * 1e9 / iCount, "ns");
    report("skimmer_valid_percent", 100.0 * double(iValid) / iCount, "%");
    report("skimmer_busted_percent", 100.0 * double(iBusted) / iCount, "%");
    report("skimmer_stations_remembered", validator.stationCount(), "stations");
    report("skimmer_reports_remembered", double(validator.reportCount()), "reports");
    const double dEnd = residentMiB();
    report("skimmer_memory_resident_after_warmup_mib", dAfterWarmUp, "MiB");
    report("skimmer_memory_resident_end_mib", dEnd, "MiB");
    report("skimmer_memory_resident_growth_mib", dEnd - dAfterWarmUp, "MiB");
    report("skimmer_memory_resident_peak_mib", peakResidentMiB(), "MiB");
}

namespace {

// Stations as the test node's feed makes them, each reported by 10 to 30
// skimmers (20 on average) instead of the feed's few; the feed's own busted
// copies are kept as they come.
QList<TestSpot> skimmerWindowFeed(int iCount)
{
    constexpr int kLeastSkimmers = 10;
    constexpr int kMostSkimmers = 30;
    SkimmerFeed feed(11);
    feed.setBustedShare(0.1);
    QRandomGenerator random(11);
    // The network's skimmers, as the feed names them.
    QStringList lSkimmers;
    for (const TestSpot &spot : feed.generate(2000, QDateTime()))
        if (!lSkimmers.contains(spot.spotter))
            lSkimmers.append(spot.spotter);
    QList<TestSpot> lSpots;
    lSpots.reserve(iCount + kMostSkimmers + 1);
    while (lSpots.size() < iCount) {
        // An invalid time: the node stamps each line as it sends it.
        const QList<TestSpot> lStation = feed.nextStation(QDateTime());
        const TestSpot &first = lStation.first();
        const int iReports = kLeastSkimmers + int(random.bounded(kMostSkimmers - kLeastSkimmers + 1));
        QStringList lOrder = lSkimmers;
        for (qsizetype i = lOrder.size() - 1; i > 0; --i)
            lOrder.swapItemsAt(i, int(random.bounded(int(i) + 1)));
        const int iSnr = first.comment.mid(4, 4).trimmed().toInt();
        for (int i = 0; i < iReports && i < lOrder.size(); ++i) {
            TestSpot report = first;
            report.spotter = lOrder.at(i);
            report.frequency = first.frequency + (int(random.bounded(3)) - 1) * 0.1;
            // "CW    12 dB ...": the SNR sits in columns 4 to 7.
            const int iHeard = iSnr + int(random.bounded(13)) - 6;
            report.comment = first.comment.left(4) + QString::number(iHeard).rightJustified(4) + first.comment.mid(8);
            lSpots.append(report);
        }
        for (const TestSpot &spot : lStation) {
            if (spot.dxCall != first.dxCall)
                lSpots.append(spot);
        }
    }
    return lSpots;
}

} // namespace

bool benchSkimmerWindow(int iCount)
{
    const QList<TestSpot> lSpots = skimmerWindowFeed(iCount);
    LiveFeed feed;
    feed.prepare = [](TestNode &node) {
        node.setKind(TestNode::Kind::SkimmerFeed);
    };
    feed.start = [&lSpots](TestNode &node, double dRate, int iSpots) {
        node.startListStream(lSpots, dRate, iSpots);
    };
    // The benchmark counts the spots the window is handed; busted ones go on
    // to the table, which hides them as it does by default, so that each
    // line sent is counted and none costs less than an operator's would.
    const auto passBusted = [](MainWindow &window) {
        if (Cluster *pCluster = window.activeCluster())
            pCluster->pipeline()->setHideBusted(false);
    };
    return benchLiveWindow("skimmer_window_200", double(kSpotsPerSecond), iCount, 20, passBusted, nullptr, feed);
}

} // namespace Bench
