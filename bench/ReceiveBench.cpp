#include "ReceiveBench.h"

#include "BenchSupport.h"

#include "cluster/Cluster.h"
#include "settings/Statistics.h"
#include "testnode/SpotGenerator.h"
#include "testnode/TestNode.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <deque>

namespace Bench {

namespace {

constexpr int kDistinctSpots = 20000;
// Lines the node may be ahead of the client: enough to keep the socket
// busy, few enough that nothing piles up in the node's write buffers.
constexpr qint64 kWindowLines = 4000;
constexpr int kTableRows = 1000;
constexpr int kTimeoutMs = 300000;

// Writes iCount lines from a block of rendered spot lines through the test
// node, as whole lines or in pieces cut at random bytes, never more than
// kWindowLines ahead of what the client has processed.
class Feeder : public QObject
{
public:
    Feeder(TestNode *pNode, const QByteArray &baBlock, qint64 iCount, bool bRandomCuts,
           const std::atomic<qint64> *pProcessed)
        : m_node(pNode)
        , m_block(baBlock)
        , m_total(iCount)
        , m_randomCuts(bRandomCuts)
        , m_processed(pProcessed)
        , m_random(7)
    {
        connect(&m_timer, &QTimer::timeout, this, &Feeder::onTick);
    }

    void start() { m_timer.start(0); }

private:
    void onTick()
    {
        for (int i = 0; i < 16 && m_sentLines < m_total; ++i) {
            if (m_sentLines - m_processed->load(std::memory_order_relaxed) > kWindowLines) {
                m_timer.setInterval(1);
                return;
            }
            m_timer.setInterval(0);
            writeSome();
        }
        if (m_sentLines >= m_total)
            m_timer.stop();
    }

    void writeSome()
    {
        qsizetype iLength = m_randomCuts ? 1 + m_random.bounded(8192) : 6000;
        QByteArray baPiece = m_block.mid(m_offset, iLength);
        if (!m_randomCuts || m_sentLines + baPiece.count('\n') >= m_total) {
            // Whole lines, and the last piece ends exactly after the last line.
            qsizetype iEnd = baPiece.lastIndexOf('\n') + 1;
            if (iEnd == 0)
                iEnd = m_block.indexOf('\n', m_offset) + 1 - m_offset;
            baPiece = m_block.mid(m_offset, iEnd);
            qint64 iLines = baPiece.count('\n');
            while (m_sentLines + iLines > m_total) {
                baPiece.truncate(baPiece.lastIndexOf('\n', baPiece.size() - 2) + 1);
                --iLines;
            }
        }
        m_node->sendRaw(baPiece);
        m_sentLines += baPiece.count('\n');
        m_offset += baPiece.size();
        if (m_offset >= m_block.size())
            m_offset = 0;
    }

    TestNode *m_node;
    QByteArray m_block;
    qint64 m_total;
    bool m_randomCuts;
    const std::atomic<qint64> *m_processed;
    QRandomGenerator m_random;
    QTimer m_timer;
    qsizetype m_offset = 0;
    qint64 m_sentLines = 0;
};

// The node lives on its own thread; the client's thread CPU time then is
// the client's alone.
class NodeThread
{
public:
    NodeThread()
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        run([this] {
            m_node = new TestNode;
            m_node->setStoreCapacity(16);
            m_node->listen();
        });
    }
    ~NodeThread()
    {
        run([this] {
            delete m_feeder;
            delete m_node;
        });
        m_thread.quit();
        m_thread.wait();
    }
    template <class Function> void run(Function function)
    {
        QMetaObject::invokeMethod(&m_context, function, Qt::BlockingQueuedConnection);
    }
    quint16 port()
    {
        quint16 uiPort = 0;
        run([&] { uiPort = m_node->port(); });
        return uiPort;
    }
    void feed(const QByteArray &baBlock, qint64 iCount, bool bRandomCuts, const std::atomic<qint64> *pProcessed)
    {
        run([=] {
            m_feeder = new Feeder(m_node, baBlock, iCount, bRandomCuts, pProcessed);
            m_feeder->start();
        });
    }

private:
    QThread m_thread;
    QObject m_context;
    TestNode *m_node = nullptr;
    Feeder *m_feeder = nullptr;
};

QByteArray renderBlock(Feed eFeed)
{
    SpotGenerator generator(11);
    QRandomGenerator random(3);
    QByteArray baBlock;
    baBlock.reserve(kDistinctSpots * 100);
    for (const TestSpot &spot : generator.generate(kDistinctSpots)) {
        if (eFeed == Feed::MixedRandomCuts && random.bounded(2))
            baBlock += spot.cc11Line("Q1NODE-1");
        else
            baBlock += spot.dxDeLine(true);
    }
    return baBlock;
}

} // namespace

bool benchReceive(CountryDatabase &countries, Feed eFeed, int iCount, bool bMemory)
{
    const char *pName = eFeed == Feed::DxDeLines ? "receive" : "receive_mixed_random_cuts";
    const QByteArray baBlock = renderBlock(eFeed);
    NodeThread node;

    Cluster cluster(QStringLiteral("127.0.0.1"), node.port(), QStringLiteral("Q1BENCH"), QString(), QString(),
                    QString(), QString(), 1000);
    // The earlier-spots burst after login is not part of the live path.
    ClusterTimings timings;
    timings.earlierSpotsDelayMs = kTimeoutMs * 2;
    timings.idleMs = kTimeoutMs * 2;
    cluster.setTimings(timings);
    Chain chain(countries);
    chain.applyTo(cluster.chains());
    cluster.setCountryLookup(countries.worked());
    cluster.setCountryDatabase(countries.database());
    // The counter below is how the feeder knows what the client has taken.
    cluster.setStatistics(Statistics::instance());

    std::deque<Spot> table;
    qint64 iAccepted = 0;
    QObject::connect(&cluster, &Cluster::newSpot, &cluster, [&](Spot &spot) {
        ++iAccepted;
        table.push_front(spot);
        if (table.size() > kTableRows)
            table.pop_back();
    });

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&cluster, &Cluster::connected, &loop, &QEventLoop::quit);
    timeout.start(10000);
    cluster.connectToNode();
    loop.exec();
    if (!cluster.isConnected()) {
        QTextStream(stderr) << pName << ": no connection to the test node" << Qt::endl;
        return false;
    }

    Statistics *pStatistics = Statistics::instance();
    const quint64 uiProcessedBefore = pStatistics->totalProcessedSpots();
    std::atomic<qint64> iProcessed {0};
    double dWarmMiB = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        iProcessed.store(qint64(pStatistics->totalProcessedSpots() - uiProcessedBefore), std::memory_order_relaxed);
        if (dWarmMiB == 0 && iProcessed >= iCount / 10)
            dWarmMiB = residentMiB();
        if (iProcessed >= iCount)
            loop.quit();
    });
    timeout.start(kTimeoutMs);

    QElapsedTimer timer;
    timer.start();
    const double dCpuStart = threadCpuSeconds();
    poll.start(1);
    node.feed(baBlock, iCount, eFeed == Feed::MixedRandomCuts, &iProcessed);
    loop.exec();
    const double dSeconds = timer.nsecsElapsed() / 1e9;
    const double dCpu = threadCpuSeconds() - dCpuStart;
    poll.stop();

    if (iProcessed < iCount) {
        QTextStream(stderr) << pName << ": only " << iProcessed.load() << " of " << iCount << " spots arrived"
                            << Qt::endl;
        return false;
    }
    report((QByteArray(pName) + "_spots_per_second").constData(), iCount / dSeconds, "spots/s");
    report((QByteArray(pName) + "_cpu_us_per_spot").constData(), dCpu * 1e6 / iCount, "us");
    report((QByteArray(pName) + "_accepted_percent").constData(), 100.0 * iAccepted / iCount, "%");
    if (bMemory) {
        const double dEndMiB = residentMiB();
        report("memory_resident_after_warmup_mib", dWarmMiB, "MiB");
        report("memory_resident_at_end_mib", dEndMiB, "MiB");
        report("memory_resident_growth_after_warmup_mib", dEndMiB - dWarmMiB, "MiB");
        report("memory_resident_peak_mib", peakResidentMiB(), "MiB");
    }
    cluster.disconnectFromNode();
    return true;
}

} // namespace Bench
