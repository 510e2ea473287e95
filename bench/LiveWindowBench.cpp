#include "LiveWindowBench.h"

#include "BenchSupport.h"

#include "cluster/Cluster.h"
#include "testnode/TestNode.h"
#include "ui/MainWindow.h"
#include "ui/SpotModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QThread>
#include <QTimer>


namespace Bench {

namespace {

constexpr int kLoginTimeoutMs = 30000;
// After login the earlier-spots collection and its first rows settle.
constexpr int kSettleMs = 3000;

// Runs the event loop until bDone() or iTimeoutMs. It looks every 20 ms,
// so that the waiting costs the window's thread next to nothing.
template <class Done> bool spin(Done bDone, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (bDone() || timer.elapsed() > iTimeoutMs)
            loop.quit();
    });
    poll.start();
    if (!bDone())
        loop.exec();
    return bDone();
}

// The largest lateness of a timer on the window's thread: how long the
// window did not answer at worst.
class StallMeter : public QObject
{
public:
    explicit StallMeter(int iTickMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(iTickMs);
        connect(&m_timer, &QTimer::timeout, this, [this, iTickMs] {
            const qint64 iLateMs = m_clock.restart() - iTickMs;
            m_iLongestMs = qMax(m_iLongestMs, iLateMs);
            // What the window's thread itself spent between two ticks: the
            // stall without the waits a loaded machine adds.
            const double dCpu = threadCpuSeconds();
            m_dLongestBusy = qMax(m_dLongestBusy, dCpu - m_dLastCpu);
            m_dLastCpu = dCpu;
        });
    }
    void start()
    {
        m_iLongestMs = 0;
        m_dLongestBusy = 0;
        m_dLastCpu = threadCpuSeconds();
        m_clock.start();
        m_timer.start();
    }
    qint64 longestMs() const { return m_iLongestMs; }
    double longestBusyMs() const { return m_dLongestBusy * 1000.0; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_iLongestMs = 0;
    double m_dLastCpu = 0;
    double m_dLongestBusy = 0;
};

} // namespace

bool benchLiveWindow(const char *pName, double dRate, int iCount, int iTickMs,
                     const std::function<void(MainWindow &)> &prepare, double *pdCorePercent, const LiveFeed &feed)
{
    QThread nodeThread;
    nodeThread.start();
    QObject nodeContext;
    nodeContext.moveToThread(&nodeThread);
    TestNode *pNode = nullptr;
    const auto onNode = [&nodeContext](auto function) {
        QMetaObject::invokeMethod(&nodeContext, function, Qt::BlockingQueuedConnection);
    };
    quint16 uiPort = 0;
    onNode([&] {
        pNode = new TestNode;
        pNode->setStoreCapacity(16);
        if (feed.prepare)
            feed.prepare(*pNode);
        pNode->listen();
        uiPort = pNode->port();
    });

    bool bOk = false;
    {
        writeWindowStore(uiPort);
        MainWindow window;
        window.show();
        if (prepare)
            prepare(window);
        Cluster *pCluster = window.activeCluster();
        qint64 iReceived = 0;
        if (pCluster) {
            QObject::connect(pCluster, &Cluster::newSpot, &window, [&iReceived](Spot &) { ++iReceived; });
        }
        int iLoggedIn = 0;
        const auto loggedIn = [&] {
            onNode([&] { iLoggedIn = pNode->loggedInCount(); });
            return iLoggedIn > 0;
        };
        if (!pCluster || !spin(loggedIn, kLoginTimeoutMs)) {
            QTextStream(stderr) << pName << ": the window did not log in to the node" << Qt::endl;
        } else {
            spin([] { return false; }, kSettleMs);
            StallMeter stalls(iTickMs);
            const qint64 iStart = iReceived;
            const double dCpuStart = processCpuSeconds();
            double dNodeCpuStart = 0;
            onNode([&] { dNodeCpuStart = threadCpuSeconds(); });
            QElapsedTimer wall;
            wall.start();
            stalls.start();
            onNode([&] {
                if (feed.start)
                    feed.start(*pNode, dRate, iCount);
                else
                    pNode->startGeneratorStream(dRate, iCount, 7);
            });
            const int iTimeoutMs = dRate > 0 ? int(iCount / dRate * 1000 * 2) + 10000 : 60000;
            bOk = spin([&] { return iReceived - iStart >= iCount; }, iTimeoutMs);
            const qint64 iArrivedMs = wall.elapsed();
            // On screen: nothing left waiting for the table.
            bOk = spin([&] { return window.pendingSpotCount() == 0; }, 5000) && bOk;
            const qint64 iShownMs = wall.elapsed();
            const double dWall = wall.nsecsElapsed() / 1e9;
            double dNodeCpu = 0;
            onNode([&] { dNodeCpu = threadCpuSeconds() - dNodeCpuStart; });
            const double dCpu = processCpuSeconds() - dCpuStart - dNodeCpu;
            const qint64 iSpots = iReceived - iStart;
            if (!bOk) {
                QTextStream(stderr) << pName << ": " << iSpots << " of " << iCount << " spots arrived" << Qt::endl;
            } else {
                const QByteArray baName(pName);
                report((baName + "_cpu_s_per_10000_spots").constData(), dCpu * 10000.0 / double(iSpots), "s");
                report((baName + "_core_percent").constData(), dCpu * 100.0 / dWall, "%");
                if (pdCorePercent)
                    *pdCorePercent = dCpu * 100.0 / dWall;
                report((baName + "_longest_stall_ms").constData(), double(stalls.longestMs()), "ms");
                report((baName + "_longest_busy_ms").constData(), stalls.longestBusyMs(), "ms");
                report((baName + "_arrival_ms").constData(), double(iArrivedMs), "ms");
                report((baName + "_shown_after_last_ms").constData(), double(iShownMs - iArrivedMs), "ms");
            }
        }
    }
    onNode([&] { delete pNode; });
    nodeThread.quit();
    nodeThread.wait();
    return bOk;
}

} // namespace Bench
