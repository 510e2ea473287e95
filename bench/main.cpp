// Throughput figures, one machine-readable line each ("name value unit").
// Run a release build: ./build/bench/kelvane-bench [spot count]

#include "CountryLookupBench.h"

#include "cluster/Cluster.h"
#include "cluster/SpotParser.h"
#include "settings/Statistics.h"
#include "testnode/SpotGenerator.h"
#include "testnode/TestNode.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <ctime>

namespace {

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

void report(const char *pName, double dValue, const char *pUnit)
{
    QTextStream(stdout) << pName << ' ' << QString::number(dValue, 'f', 1) << ' ' << pUnit << Qt::endl;
}

// Parsing alone, without the socket: the ceiling of the receive path.
void benchParser(int iCount)
{
    SpotGenerator generator(3);
    QList<QString> lLines;
    for (const TestSpot &spot : generator.generate(10000)) {
        lLines.append(QString::fromLatin1(spot.dxDeLine(true)));
        lLines.append(QString::fromLatin1(spot.cc11Line("Q1NODE-1")));
    }
    const QString qsDate = SpotParser::dxDeDate(QDate::currentDate());
    QElapsedTimer timer;
    timer.start();
    qsizetype iChecksum = 0;
    for (int i = 0; i < iCount; ++i) {
        const QString &qsLine = lLines.at(i % lLines.size());
        const Spot spot = qsLine.startsWith(QLatin1String("CC11")) ? SpotParser::parseCc11Line(qsLine)
                                                                     : SpotParser::parseDxDeLine(qsLine, qsDate);
        iChecksum += spot.dxCall().size();
    }
    const double dSeconds = timer.nsecsElapsed() / 1e9;
    report("parse_spots_per_second", iCount / dSeconds, "spots/s");
    if (iChecksum == 0)
        report("checksum", 0, "");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int iCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200000;

    benchParser(iCount);
    benchCountryLookup(iCount);

    TestNode node;
    if (!node.listen())
        return 1;
    node.setStoreCapacity(16);
    Cluster cluster(QStringLiteral("127.0.0.1"), node.port(), QStringLiteral("Q1BENCH"), QString(),
                    QString(), QString(), QString(), 1000);

    int iReceived = 0;
    QElapsedTimer timer;
    double dCpuStart = 0;
    QObject::connect(&cluster, &Cluster::connected, &app, [&] {
        timer.start();
        dCpuStart = cpuSeconds();
        node.startGeneratorStream(0, iCount, 11);
    });
    QObject::connect(&cluster, &Cluster::newSpot, &app, [&](Spot &) {
        if (++iReceived == iCount)
            app.quit();
    });
    QTimer::singleShot(120000, &app, [&app] { app.exit(1); });
    cluster.connectToNode();
    const int iResult = app.exec();

    const double dSeconds = timer.nsecsElapsed() / 1e9;
    // CPU time covers both ends (the node runs in this process too), so the
    // per-spot figure is an upper bound for the client alone.
    const double dCpu = cpuSeconds() - dCpuStart;
    report("receive_spots_per_second", iReceived / dSeconds, "spots/s");
    report("receive_cpu_us_per_spot_with_node", dCpu * 1e6 / qMax(1, iReceived), "us");
    Statistics::release();
    return iResult;
}
