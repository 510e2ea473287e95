#include "MapBench.h"

#include "BenchSupport.h"
#include "LiveWindowBench.h"

#include "cluster/Spot.h"
#include "ui/MainWindow.h"
#include "ui/MapDock.h"
#include "ui/MapWidget.h"
#include "ui/SpotModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <ctime>

namespace Bench {

namespace {

constexpr int kRows = 1000;
// About as many places as the country file has countries.
constexpr int kPlaces = 340;

// The table of a new size is built on several threads: the whole process's
// CPU time, not the window thread's.
double processCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

void fillModel(SpotModel &model)
{
    QRandomGenerator random(31);
    QList<CountryInfo> places;
    for (int i = 0; i < kPlaces; ++i) {
        CountryInfo info;
        info.country = QStringLiteral("Country %1").arg(i);
        info.latitude = random.bounded(160.0) - 80.0;
        info.longitude = random.bounded(360.0) - 180.0;
        info.hasPosition = true;
        places.append(info);
    }
    for (int i = 0; i < kRows; ++i) {
        Spot spot;
        spot.setDxCall(QStringLiteral("Q%1X").arg(i));
        spot.setSpotter(QStringLiteral("Q1SPT"));
        spot.setFrequency(QString::number(14000.0 + i % 300, 'f', 1));
        spot.setTime(QStringLiteral("1200Z"));
        spot.setDate(QStringLiteral("7-Dec-2026"));
        spot.setLocation(places.at(random.bounded(kPlaces)), CountryInfo(), QStringLiteral("JN36"));
        model.insertSpot(spot, kRows);
    }
}

} // namespace

bool benchMapResize()
{
    SpotModel model;
    fillModel(model);
    MapWidget map(&model);
    map.setStation(QStringLiteral("JN36"));
    map.resize(800, 800);
    map.show();
    QApplication::processEvents();
    map.repaint();
    if (!map.hasEarthPictures())
        QTextStream(stderr) << "map_resize: no Earth pictures (xplanet-images): the plain sea is measured" << Qt::endl;

    // A batch of the table: ten new rows on top, the oldest ten gone, and
    // the map drawn again, as 50 spots/s make it five times a second.
    for (const MapWidget::Projection projection : {MapWidget::Projection::Centred, MapWidget::Projection::World}) {
        map.setProjection(projection);
        map.repaint();
        SpotModel batch;
        fillModel(batch);
        constexpr int kBatches = 200;
        const double dCpuStart = processCpuMs();
        for (int i = 0; i < kBatches; ++i) {
            SpotModel arriving;
            for (int j = 0; j < 10; ++j)
                arriving.insertSpot(batch.spotAt((i * 10 + j) % kRows), kRows);
            model.takeRowsFrom(arriving, kRows);
            map.repaint();
        }
        const QByteArray baName =
            projection == MapWidget::Projection::Centred ? "map_batch_centred" : "map_batch_world";
        report((baName + "_cpu_ms").constData(), (processCpuMs() - dCpuStart) / kBatches, "ms");
    }

    static const int kSizes[] = {780, 820, 700, 900, 760, 800, 640, 960, 800};
    for (const MapWidget::Projection projection : {MapWidget::Projection::Centred, MapWidget::Projection::World}) {
        map.setProjection(projection);
        map.repaint();
        QList<double> wallMs;
        QList<double> cpuMs;
        for (int iRound = 0; iRound < 3; ++iRound) {
            for (int iSize : kSizes) {
                QElapsedTimer wall;
                wall.start();
                const double dCpuStart = processCpuMs();
                map.resize(iSize, iSize);
                map.repaint();
                wallMs.append(wall.nsecsElapsed() / 1e6);
                cpuMs.append(processCpuMs() - dCpuStart);
            }
        }
        std::sort(wallMs.begin(), wallMs.end());
        std::sort(cpuMs.begin(), cpuMs.end());
        const QByteArray baName =
            projection == MapWidget::Projection::Centred ? "map_resize_centred" : "map_resize_world";
        report((baName + "_median_ms").constData(), wallMs.at(wallMs.size() / 2), "ms");
        report((baName + "_slowest_ms").constData(), wallMs.last(), "ms");
        report((baName + "_cpu_median_ms").constData(), cpuMs.at(cpuMs.size() / 2), "ms");
        report((baName + "_cpu_slowest_ms").constData(), cpuMs.last(), "ms");
    }
    return true;
}

bool benchMapLive(int iCount)
{
    double dHidden = 0.0;
    double dShown = 0.0;
    bool bOk = benchLiveWindow("map_hidden_50", 50.0, iCount, 20, {}, &dHidden);
    const auto showMap = [](MainWindow &window) {
        auto *pDock = window.findChild<MapDock *>(QStringLiteral("dockWidgetMap"));
        if (!pDock)
            return;
        // Floating, so that the map is 800 × 800 whatever the window's size.
        pDock->setFloating(true);
        pDock->show();
        pDock->map()->setFixedSize(800, 800);
        pDock->adjustSize();
        QApplication::processEvents();
    };
    bOk = benchLiveWindow("map_shown_50", 50.0, iCount, 20, showMap, &dShown) && bOk;
    if (bOk)
        report("map_shown_minus_hidden_core_percent", dShown - dHidden, "%");
    return bOk;
}

} // namespace Bench
