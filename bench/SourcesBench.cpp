#include "SourcesBench.h"

#include "BenchSupport.h"

#include "cluster/Cluster.h"
#include "testnode/TestNode.h"
#include "ui/MainWindow.h"
#include "ui/SpotModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTextStream>
#include <QThread>
#include <QTimer>


namespace Bench {

namespace {

// Four sources on one host: the fourth login waits for the limit of three
// attempts a minute per host, as it would in the program.
constexpr int kLoginTimeoutMs = 75000;
constexpr int kSettleMs = 3000;
// 300 spots/s together: two nodes relay the same 100 spots/s (the second
// 20 s late), a third node and the skimmer feed bring 50 each of their own.
constexpr double kRelayedRate = 100.0;
constexpr double kOwnRate = 50.0;
constexpr int kRelayDelaySecs = 20;

struct Source
{
    const char *name;
    bool skimmerFeed;
    double rate;
    quint32 seed;
    int delaySecs;
};

const Source kSources[] = {
    {"Node A", false, kRelayedRate, 11, 0},
    {"Node B", false, kRelayedRate, 11, kRelayDelaySecs},
    {"Node C", false, kOwnRate, 23, 0},
    {"Skimmers", true, kOwnRate, 37, 0},
};
constexpr int kSourceCount = int(sizeof(kSources) / sizeof(kSources[0]));

void spinFor(int iMs)
{
    QEventLoop loop;
    QTimer::singleShot(iMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void writeSourcesStore(const quint16 (&ports)[kSourceCount])
{
    writeWindowStore(ports[0]);
    QSettings settings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"));
    settings.remove(QStringLiteral("Cluster Nodes"));
    for (int i = 0; i < kSourceCount; ++i) {
        const QString qsName = QString::fromLatin1(kSources[i].name);
        settings.beginGroup(QStringLiteral("Cluster Nodes/") + qsName);
        settings.setValue(QStringLiteral("Name"), qsName);
        settings.setValue(QStringLiteral("Address"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("Port"), ports[i]);
        if (i == 0)
            settings.setValue(QStringLiteral("Active"), 1);
        else
            settings.setValue(QStringLiteral("Connect"), 1);
        if (kSources[i].skimmerFeed)
            settings.setValue(QStringLiteral("SkimmerFeed"), 1);
        settings.endGroup();
    }
}

} // namespace

bool benchSources(int iSeconds)
{
    QThread nodeThread;
    nodeThread.start();
    QObject nodeContext;
    nodeContext.moveToThread(&nodeThread);
    const auto onNodes = [&nodeContext](auto function) {
        QMetaObject::invokeMethod(&nodeContext, function, Qt::BlockingQueuedConnection);
    };
    TestNode *nodes[kSourceCount] = {};
    quint16 ports[kSourceCount] = {};
    onNodes([&] {
        for (int i = 0; i < kSourceCount; ++i) {
            nodes[i] = new TestNode;
            nodes[i]->setStoreCapacity(16);
            if (kSources[i].skimmerFeed)
                nodes[i]->setKind(TestNode::Kind::SkimmerFeed);
            nodes[i]->listen();
            ports[i] = nodes[i]->port();
        }
    });

    bool bOk = false;
    {
        writeSourcesStore(ports);
        MainWindow window;
        window.show();
        Cluster *pCluster = window.activeCluster();
        qint64 iReceived = 0;
        if (pCluster)
            QObject::connect(pCluster, &Cluster::newSpot, &window, [&iReceived](Spot &) { ++iReceived; });
        int iLoggedIn = 0;
        QElapsedTimer wait;
        wait.start();
        while (iLoggedIn < kSourceCount && wait.elapsed() < kLoginTimeoutMs) {
            spinFor(50);
            onNodes([&] {
                iLoggedIn = 0;
                for (TestNode *pNode : nodes)
                    iLoggedIn += pNode->loggedInCount() > 0 ? 1 : 0;
            });
        }
        if (!pCluster || iLoggedIn < kSourceCount) {
            QTextStream(stderr) << "sources: " << iLoggedIn << " of " << kSourceCount << " sources logged in"
                                << Qt::endl;
        } else {
            spinFor(kSettleMs);
            onNodes([&] {
                for (int i = 0; i < kSourceCount; ++i)
                    nodes[i]->startScheduledStream(kSources[i].rate, kSources[i].seed, kSources[i].delaySecs);
            });
            // The late relay starts sending only after its delay; measured
            // from then, every source streams.
            spinFor(kRelayDelaySecs * 1000 + 1000);
            const qint64 iStart = iReceived;
            double dNodeCpuStart = 0;
            onNodes([&] { dNodeCpuStart = threadCpuSeconds(); });
            const double dCpuStart = processCpuSeconds();
            QElapsedTimer wall;
            wall.start();
            spinFor(iSeconds * 1000);
            const double dWall = wall.nsecsElapsed() / 1e9;
            double dNodeCpu = 0;
            onNodes([&] { dNodeCpu = threadCpuSeconds() - dNodeCpuStart; });
            const double dCpu = processCpuSeconds() - dCpuStart - dNodeCpu;
            const qint64 iSpots = iReceived - iStart;
            report("sources_core_percent", dCpu * 100.0 / dWall, "%");
            report("sources_spots_per_second_in", double(iSpots) / dWall, "spots/s");
            report("sources_measured_seconds", dWall, "s");
            // The spots reached the table, not merely the cluster.
            report("sources_table_rows", double(window.spotModel()->rowCount()), "rows");
            bOk = iSpots > 0;
        }
    }
    onNodes([&] {
        for (TestNode *pNode : nodes)
            delete pNode;
    });
    nodeThread.quit();
    nodeThread.wait();
    return bOk;
}

} // namespace Bench
