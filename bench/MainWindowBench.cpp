#include "MainWindowBench.h"

#include "BenchSupport.h"

#include "cluster/Cluster.h"
#include "cluster/Spot.h"
#include "testnode/TestNode.h"
#include "ui/MainWindow.h"
#include "ui/SpotModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace Bench {

namespace {

constexpr int kTableRows = 1000;

// What a busy evening brings after the chain: most spots plain, some
// coloured, fewer with an icon, a balloon or a sound.
Spot makeSpot(int iNumber)
{
    Spot spot;
    spot.setDate(QStringLiteral("6-Dec-2026"));
    spot.setTime(QStringLiteral("%1Z").arg(iNumber % 2400, 4, 10, QLatin1Char('0')));
    spot.setSpotter(QStringLiteral("DL%1ABC-#").arg(iNumber % 10));
    spot.setFrequency(QStringLiteral("%1.%2").arg(7000 + iNumber % 7000).arg(iNumber % 10));
    spot.setDxCall(QStringLiteral("JA%1XYZ").arg(iNumber % 1000));
    spot.setCountry(QStringLiteral("Japan"));
    spot.setComment(QStringLiteral("CW 24 dB 27 WPM CQ"));
    if (iNumber % 10 == 0) {
        spot.addAlertFlags(AlertFlag::Color);
        spot.setAlertColor(QColor(255, 236, 179));
    }
    if (iNumber % 20 == 0) {
        spot.addAlertFlags(AlertFlag::Icon);
        spot.setIconFile(QStringLiteral(":/ico/star_blue.png"));
    }
    if (iNumber % 50 == 0)
        spot.addAlertFlags(AlertFlag::Balloon);
    if (iNumber % 100 == 0) {
        spot.addAlertFlags(AlertFlag::Sound);
        spot.setSoundFile(QStringLiteral("/nonexistent/kelvane-bench.wav"));
    }
    return spot;
}

} // namespace

bool benchMainWindow(int iCount)
{
    TestNode node;
    if (!node.listen())
        return false;
    writeWindowStore(node.port());
    MainWindow window;
    if (!window.activeCluster() || !window.spotModel()) {
        QTextStream(stderr) << "main window: no connection or no spot table" << Qt::endl;
        return false;
    }
    window.show();
    for (int i = 0; i < kTableRows; ++i) {
        Spot spot = makeSpot(i);
        window.onNewSpot(spot);
    }

    QElapsedTimer timer;
    timer.start();
    CpuTimer cpu;
    cpu.start();
    for (int i = 0; i < iCount; ++i) {
        Spot spot = makeSpot(kTableRows + i);
        window.onNewSpot(spot);
        // The event loop turns between socket reads, which a live node fills
        // with one to five spots.
        if (i % 3 == 0)
            QCoreApplication::processEvents();
    }
    window.showPendingSpots();
    QCoreApplication::processEvents();
    const double dSeconds = timer.nsecsElapsed() / 1e9;
    if (window.spotModel()->rowCount() != kTableRows) {
        QTextStream(stderr) << "main window: the table holds " << window.spotModel()->rowCount() << " rows" << Qt::endl;
        return false;
    }
    report("mainwindow_on_new_spot_spots_per_second", iCount / dSeconds, "spots/s");
    report("mainwindow_on_new_spot_cpu_us_per_spot", cpu.seconds() * 1e6 / iCount, "us");
    return true;
}

} // namespace Bench
