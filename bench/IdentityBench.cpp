#include "IdentityBench.h"

#include "BenchSupport.h"

#include "cluster/Spot.h"
#include "cluster/SpotParser.h"
#include "cluster/SpotPipeline.h"
#include "ui/SpotModel.h"

#include <QDateTime>

#include <vector>

namespace Bench {

namespace {

constexpr int kSpotsPerSecond = 300;
constexpr int kWindowMinutes = 30;
// Stations and spotters enough that few reports repeat by chance within a
// window, as on a contest weekend.
constexpr int kStations = 40000;
constexpr int kSpotters = 3000;
constexpr int kSources = 4;

// The simulated clock the pipeline dates its window by.
QDateTime g_now;
QDateTime simulatedNow()
{
    return g_now;
}

} // namespace

void benchIdentity(int iCount)
{
    std::vector<QString> stations;
    std::vector<QString> spotters;
    std::vector<QString> kiloHertz;
    stations.reserve(kStations);
    for (int i = 0; i < kStations; ++i)
        stations.push_back(QStringLiteral("Q%1%2").arg(i % 10).arg(i / 10, 4, 36, QLatin1Char('A')).toUpper());
    for (int i = 0; i < kSpotters; ++i)
        spotters.push_back(QStringLiteral("Q%1S%2").arg(i % 10).arg(i / 10, 3, 36, QLatin1Char('A')).toUpper());
    // Tenths of a kHz across the HF bands, each text made once.
    for (int i = 0; i < 20000; ++i)
        kiloHertz.push_back(QString::number(1800.0 + i * 1.37, 'f', 1));
    const QStringList qslSources {QStringLiteral("node-a:7300"), QStringLiteral("node-b:7300"),
                                  QStringLiteral("node-c:8000"), QStringLiteral("skimmers:7000")};

    const QDateTime dtStart(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
    g_now = dtStart;
    SpotParser::setClock(&simulatedNow);
    SpotPipeline pipeline;
    pipeline.setIdentityWindow(kWindowMinutes);
    SpotModel model;
    qint64 iRepeats = 0;
    QObject::connect(&pipeline, &SpotPipeline::spotRepeated, &pipeline, [&model, &iRepeats](const Spot &spot) {
        ++iRepeats;
        model.addReport(spot);
    });

    Spot spot;
    spot.setComment(QStringLiteral("cq"));
    QString qsDate;
    QString qsTime;
    qint64 iMinuteShown = -1;
    quint32 uiRandom = 12345;
    auto next = [&uiRandom]() {
        uiRandom = uiRandom * 1664525U + 1013904223U;
        return uiRandom >> 8;
    };
    // The spots of the last seconds, for the copies another source relays.
    constexpr int kRecent = 4 * kSpotsPerSecond;
    std::vector<Spot> recent(kRecent);
    const int iWarmUp = qMin(iCount - 1, qMax(iCount / 10, 2 * kWindowMinutes * 60 * kSpotsPerSecond));
    double dAfterWarmUp = 0.0;
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < iCount; ++i) {
        g_now = dtStart.addMSecs(qint64(i) * 1000 / kSpotsPerSecond);
        const qint64 iMinute = qint64(i) / (60 * kSpotsPerSecond);
        if (iMinute != iMinuteShown) {
            iMinuteShown = iMinute;
            qsDate = SpotParser::dxDeDate(g_now.date());
            qsTime = g_now.toString(QStringLiteral("HHmm")) + QLatin1Char('Z');
        }
        Spot one;
        if (i % 3 == 2 && i >= kRecent) {
            // A copy from another source, a few seconds late, its frequency
            // rounded otherwise now and then.
            one = recent[size_t(next()) % kRecent];
            if (next() % 4 == 0)
                one.setFrequency(QString::number(one.frequency().toDouble() + 0.4, 'f', 1));
        } else {
            one = spot;
            one.setDxCall(stations[size_t(next()) % stations.size()]);
            one.setSpotter(spotters[size_t(next()) % spotters.size()]);
            one.setFrequency(kiloHertz[size_t(next()) % kiloHertz.size()]);
            one.setDate(qsDate);
            one.setTime(qsTime);
            recent[size_t(i) % kRecent] = one;
        }
        one.setSource(qslSources.at(int(next() % kSources)));
        if (pipeline.admit(one))
            model.insertSpot(one, 1000);
        if (i == iWarmUp)
            dAfterWarmUp = residentMiB();
    }
    const double dSeconds = timer.seconds();
    SpotParser::setClock(nullptr);
    report("identity_spots_per_second", iCount / dSeconds, "spots/s");
    report("identity_ns_per_spot", dSeconds * 1e9 / iCount, "ns");
    report("identity_repeat_percent", 100.0 * double(iRepeats) / iCount, "%");
    report("identity_reports_remembered", pipeline.identity().size(), "reports");
    const double dEnd = residentMiB();
    report("identity_memory_resident_after_warmup_mib", dAfterWarmUp, "MiB");
    report("identity_memory_resident_end_mib", dEnd, "MiB");
    report("identity_memory_resident_growth_mib", dEnd - dAfterWarmUp, "MiB");
    report("identity_memory_resident_peak_mib", peakResidentMiB(), "MiB");
}

} // namespace Bench
