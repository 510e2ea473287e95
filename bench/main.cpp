// Throughput and memory figures, one machine-readable line each
// ("name value unit"). Run a release build:
//     ./build/bench/kelvane-bench [spots] [group...]
// spots (default 1000000) go through the receive path with the memory
// figures; the other figures scale from it. Groups (default all): receive,
// mixed, filter, lookup, parse, gui, log, start; skimmer and identity
// (alone, for their memory figures); live50, live500 and burst (the real
// window at a set rate), skimmer200 (the window on a skimmer feed), sources
// (the window on three nodes and a skimmer feed), map and map50 (the world
// map) only when named. bench/README.md has the targets.

#include "BenchSupport.h"
#include "CountryLookupBench.h"
#include "FilterBench.h"
#include "IdentityBench.h"
#include "LiveWindowBench.h"
#include "LogBench.h"
#include "MainWindowBench.h"
#include "MapBench.h"
#include "ReceiveBench.h"
#include "SkimmerBench.h"
#include "SourcesBench.h"
#include "StartBench.h"

#include "API/QsLog/QsLog.h"
#include "settings/Statistics.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // The main window reads and writes the settings store: the benchmark
    // gets folders of its own, and a screen that needs no display.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kelvane-bench-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program runs by default: errors only.
    QsLogging::Logger::get().setThreshold(QsLogging::LevelError);
    const int iSpots = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    if (iSpots < 1000) {
        QTextStream(stderr) << "usage: kelvane-bench [spots, at least 1000]" << Qt::endl;
        return 2;
    }

    QStringList groups = app.arguments().mid(2);
    if (groups.isEmpty())
        groups = {QStringLiteral("receive"), QStringLiteral("mixed"), QStringLiteral("filter"),
                  QStringLiteral("lookup"),  QStringLiteral("parse"), QStringLiteral("gui"),
                  QStringLiteral("log"),     QStringLiteral("start")};

    bool bOk = true;
    {
        Bench::CountryDatabase countries;
        if (!countries.isOpen())
            return 1;
        // First, so that the peak memory is the receive path's own.
        if (groups.contains(QLatin1String("receive")))
            bOk = Bench::benchReceive(countries, Bench::Feed::DxDeLines, iSpots, true) && bOk;
        if (groups.contains(QLatin1String("mixed")))
            bOk = Bench::benchReceive(countries, Bench::Feed::MixedRandomCuts, iSpots / 5, false) && bOk;
        if (groups.contains(QLatin1String("filter")))
            Bench::benchFilterSpot(countries, iSpots);
        if (groups.contains(QLatin1String("lookup")))
            Bench::benchCountryLookup(countries, iSpots * 2);
        if (groups.contains(QLatin1String("parse")))
            Bench::benchParser(iSpots / 2);
        // The operator's log: always 100,000 QSOs, the size of a big log.
        if (groups.contains(QLatin1String("log")))
            bOk = Bench::benchLog(countries, 100000, iSpots) && bOk;
    }
    // The start with a big watched log: always 100,000 QSOs.
    if (groups.contains(QLatin1String("start")))
        bOk = Bench::benchStart(100000) && bOk;
    // Only when named, and best alone: its peak memory is its own then.
    if (groups.contains(QLatin1String("skimmer")))
        Bench::benchSkimmer(iSpots);
    if (groups.contains(QLatin1String("identity")))
        Bench::benchIdentity(iSpots);
    if (groups.contains(QLatin1String("gui")))
        bOk = Bench::benchMainWindow(qMax(1000, iSpots / 50)) && bOk;
    // The window as the operator has it, against the node at a set rate;
    // only when asked for, as they take minutes.
    if (groups.contains(QLatin1String("live50")))
        bOk = Bench::benchLiveWindow("live_50", 50.0, iSpots, 20) && bOk;
    if (groups.contains(QLatin1String("live500")))
        bOk = Bench::benchLiveWindow("live_500", 500.0, iSpots, 20) && bOk;
    if (groups.contains(QLatin1String("burst")))
        bOk = Bench::benchLiveWindow("burst", 0.0, iSpots, 5) && bOk;
    // Three nodes and a skimmer feed at once, 300 spots/s together; the
    // spot count gives the seconds measured (18000: one minute).
    if (groups.contains(QLatin1String("sources")))
        bOk = Bench::benchSources(qMax(10, iSpots / 300)) && bOk;
    if (groups.contains(QLatin1String("skimmer200")))
        bOk = Bench::benchSkimmerWindow(iSpots) && bOk;
    // The world map: a resize's redraw, and what showing it costs live.
    if (groups.contains(QLatin1String("map")))
        bOk = Bench::benchMapResize() && bOk;
    if (groups.contains(QLatin1String("map50")))
        bOk = Bench::benchMapLive(iSpots) && bOk;
    Statistics::release();
    return bOk ? 0 : 1;
}
