#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "cluster/ConnectionStatus.h"
#include "filters/Filter.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int kTimeoutMs = 5000;
// Short enough to run in milliseconds, long enough for any loopback answer.
constexpr int kIdleMs = 300;
constexpr int kMonitorMs = 150;
constexpr int kQuietMs = 300;
constexpr int kNeverMs = 600000;
// Every test node is on 127.0.0.1: the limit on attempts per host gets a
// window short enough not to hold back the reconnections tested here.
constexpr int kConnectWindowMs = 10;

ClusterTimings quick(ClusterTimings timings)
{
    timings.connectWindowMs = kConnectWindowMs;
    return timings;
}

TestSpot spotAt(const QString &qsCall, int iDay, int iHour, int iMinute)
{
    return TestSpot(14025.0, qsCall, QStringLiteral("Q1DEF"), QString(),
                    QDateTime(QDate(2026, 12, iDay), QTime(iHour, iMinute), Qt::UTC));
}

} // namespace

// Everything the connection does on its own timers: the earlier-spots
// requests and their collection, recovery from silence, and probing a lost node.
class TestClusterTimers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QsLogging::Logger::get().setThreshold(QsLogging::LevelWarn); }
    void init();
    void cleanup() { m_node.reset(); }

    void requests_data();
    void requests();
    void requestsOncePerLogin();
    void collection_data();
    void collection();

    void slowAnswerAndLiveSpotsDuringCollection();
    void silence();
    void lostNodeIsProbedUntilItComesBack();
    void userDisconnectStaysDisconnected();
    void refusedLoginBacksOffAndStops();

private:
    std::unique_ptr<Cluster> makeCluster(ClusterTimings timings);
    void logIn(Cluster *pCluster);

    std::unique_ptr<TestNode> m_node;
};

void TestClusterTimers::init()
{
    m_node = std::make_unique<TestNode>();
    m_node->setBandQueryDelay(0);
    QVERIFY(m_node->listen());
}

std::unique_ptr<Cluster> TestClusterTimers::makeCluster(ClusterTimings timings)
{
    auto pCluster =
        std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), m_node->port(), QStringLiteral("Q1ABC"), QString(),
                                  QStringLiteral("Hans"), QStringLiteral("Bern"), QStringLiteral("JN36"), 1000);
    pCluster->setTimings(quick(timings));
    return pCluster;
}

void TestClusterTimers::logIn(Cluster *pCluster)
{
    QSignalSpy connectedSpy(pCluster, &Cluster::connected);
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
}

void TestClusterTimers::requests_data()
{
    QTest::addColumn<int>("bands");
    QTest::addColumn<QStringList>("requests");

    QTest::newRow("no band") << int(Filter::NoBand) << QStringList {"SHOW/FDX 100"};
    QTest::newRow("all bands") << int(Filter::AllBands) << QStringList {"SHOW/FDX 100"};
    QTest::newRow("one band") << int(Filter::Band17m) << QStringList {"SHOW/FDX 101 ON 17m"};
    QTest::newRow("two bands, in band order")
        << int(Filter::Band20m | Filter::Band40m) << QStringList {"SHOW/FDX 51 ON 40m", "SHOW/FDX 51 ON 20m"};
    QTest::newRow("three bands, ends of the table")
        << int(Filter::Band160m | Filter::Band15m | Filter::Band23cm)
        << QStringList {"SHOW/FDX 34 ON 160m", "SHOW/FDX 34 ON 15m", "SHOW/FDX 34 ON 23cm"};
    QTest::newRow("60m alone") << int(Filter::Band60m) << QStringList {};
    QTest::newRow("60m counts but is not asked for")
        << int(Filter::Band60m | Filter::Band20m) << QStringList {"SHOW/FDX 51 ON 20m"};
}

void TestClusterTimers::requests()
{
    QFETCH(int, bands);
    QFETCH(QStringList, requests);

    auto pCluster = makeCluster({kNeverMs, kNeverMs, 50, kQuietMs});
    pCluster->removeBand(Filter::AllBands);
    pCluster->addBand(bands);
    QSignalSpy readySpy(pCluster.get(), &Cluster::getReadyForSpots);
    logIn(pCluster.get());

    // The format switch comes first, so that the answers arrive as CC11 lines.
    QTRY_COMPARE_WITH_TIMEOUT(readySpy.count(), 1, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_node->receivedLines(), QStringList({"Q1ABC", "set/ve7cc"}) + requests, kTimeoutMs);
    QVERIFY(pCluster->isCollectingEarlierSpots());
}

void TestClusterTimers::requestsOncePerLogin()
{
    auto pCluster = makeCluster({kNeverMs, kNeverMs, 200, kQuietMs});
    const QStringList qslLogin {"Q1ABC", "set/ve7cc", "SHOW/FDX 100"};
    logIn(pCluster.get());
    QTRY_COMPARE_WITH_TIMEOUT(m_node->receivedLines(), qslLogin, kTimeoutMs);

    // A new login asks again, the format switch included.
    m_node->clearReceived();
    logIn(pCluster.get());
    QTRY_COMPARE_WITH_TIMEOUT(m_node->receivedLines(), qslLogin, kTimeoutMs);
    QTest::qWait(400);
    QCOMPARE(m_node->receivedLines(), qslLogin);

    // A connection lost before the requests went out takes them with it.
    m_node->clearReceived();
    QSignalSpy readySpy(pCluster.get(), &Cluster::getReadyForSpots);
    logIn(pCluster.get());
    m_node->dropAllClients();
    QTest::qWait(400);
    QCOMPARE(readySpy.count(), 0);
    QCOMPARE(m_node->receivedLines(), QStringList {"Q1ABC"});
}

void TestClusterTimers::collection_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("quietMs");
    // A node with fewer spots than asked for must not leave the client
    // collecting: the quiet period ends it. A full answer ends it at once.
    QTest::newRow("27 stored, quiet period") << 27 << kQuietMs;
    QTest::newRow("150 stored, 100 lines") << 150 << kNeverMs;
}

void TestClusterTimers::collection()
{
    QFETCH(int, stored);
    QFETCH(int, quietMs);

    // Oldest first: two minutes before midnight, one after, two spots with
    // the same time, then one a minute until the store is full.
    QList<TestSpot> lStore {spotAt("Q9LATE", 5, 23, 58), spotAt("Q9LAST", 5, 23, 59), spotAt("Q9NEXT", 6, 0, 1),
                            spotAt("Q7A", 6, 8, 12), spotAt("Q7B", 6, 8, 12)};
    for (int i = 0; lStore.size() < stored; ++i)
        lStore.prepend(spotAt(QStringLiteral("Q8OLD%1").arg(i), 5, 22 - i / 60, 59 - i % 60));
    m_node->preloadSpots(lStore);
    auto pCluster = makeCluster({kNeverMs, kNeverMs, 50, quietMs});
    QStringList qslSpots;
    connect(pCluster.get(), &Cluster::newSpot, this,
            [&](Spot &spot) { qslSpots.append(spot.time() + QLatin1Char(' ') + spot.dxCall()); });
    logIn(pCluster.get());

    // The node answers newest first and the newest 20 are kept. They come
    // out oldest first by date and time, across midnight too; of equal times
    // the one sent first (the newer) comes out last and so ends up on top.
    QStringList qslExpected;
    for (int i = 14; i >= 0; --i)
        qslExpected.append(QStringLiteral("22%1Z Q8OLD%2").arg(59 - i, 2, 10, QLatin1Char('0')).arg(i));
    qslExpected += QStringList {"2358Z Q9LATE", "2359Z Q9LAST", "0001Z Q9NEXT", "0812Z Q7A", "0812Z Q7B"};
    QTRY_COMPARE_WITH_TIMEOUT(qslSpots, qslExpected, kTimeoutMs);
    QVERIFY(!pCluster->isCollectingEarlierSpots());

    // Live spots flow again at once.
    m_node->broadcastSpot(spotAt("Q5LIVE", 6, 9, 30));
    QTRY_COMPARE_WITH_TIMEOUT(qslSpots.size(), 21, kTimeoutMs);
    QCOMPARE(qslSpots.constLast(), QStringLiteral("0930Z Q5LIVE"));
}

void TestClusterTimers::slowAnswerAndLiveSpotsDuringCollection()
{
    // A node that answers after 2.5 s, with 30 spots stored: the 20 newest
    // come oldest first; a live spot while the answer is awaited goes on at
    // once, and so does one before the requests.
    QList<TestSpot> lStore;
    for (int i = 0; i < 30; ++i)
        lStore.append(spotAt(QStringLiteral("Q8OLD%1").arg(i), 6, 7, 30 + i));
    m_node->preloadSpots(lStore);
    m_node->setQueryDelay(2500);
    auto pCluster = makeCluster({kNeverMs, kNeverMs, 400, kQuietMs});
    QStringList qslSpots;
    connect(pCluster.get(), &Cluster::newSpot, this, [&](Spot &spot) { qslSpots.append(spot.dxCall()); });
    logIn(pCluster.get());
    m_node->broadcastSpot(TestSpot(14010.0, QStringLiteral("Q5EARLY"), QStringLiteral("Q1DEF"), QString()));
    QTRY_COMPARE_WITH_TIMEOUT(qslSpots, QStringList {"Q5EARLY"}, kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(pCluster->isCollectingEarlierSpots(), kTimeoutMs);
    m_node->broadcastSpot(TestSpot(14011.0, QStringLiteral("Q5LIVE"), QStringLiteral("Q1DEF"), QString()));
    QTRY_COMPARE_WITH_TIMEOUT(qslSpots, (QStringList {"Q5EARLY", "Q5LIVE"}), kTimeoutMs);
    QVERIFY(pCluster->isCollectingEarlierSpots());

    // The answer holds the two live spots as well, of this minute: they go
    // on as live ones again (the table merges them).
    QStringList qslExpected;
    for (int i = 10; i < 30; ++i)
        qslExpected.append(QStringLiteral("Q8OLD%1").arg(i));
    QTRY_COMPARE_WITH_TIMEOUT(qslSpots.filter(QStringLiteral("Q8OLD")), qslExpected, kTimeoutMs);
    QVERIFY(!pCluster->isCollectingEarlierSpots());
}

void TestClusterTimers::silence()
{
    auto pCluster = makeCluster({kNeverMs, kIdleMs, kNeverMs, kQuietMs});
    logIn(pCluster.get());
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    m_node->clearReceived();

    // The node answers each lone line feed with its prompt, which ends
    // recovery each time; the connection is kept.
    QTRY_VERIFY_WITH_TIMEOUT(m_node->receivedBytes().size() >= 3, kTimeoutMs);
    QCOMPARE(m_node->receivedBytes(), QByteArray(m_node->receivedBytes().size(), '\n'));
    QVERIFY(pCluster->isConnected() && connectedSpy.isEmpty());

    // A node that stays silent: a line feed, a second silent period, then at
    // once a probe and a new login, although the monitor timer is far off.
    // The node wakes once the client gives up, so the new login gets its prompt.
    connect(pCluster.get(), &Cluster::disconnected, m_node.get(), [this] { m_node->setSilent(false); });
    m_node->setSilent(true);
    m_node->clearReceived();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QCOMPARE(m_node->receivedLines().mid(0, 2), QStringList({"", "Q1ABC"}));
    QVERIFY(!pCluster->isDisconnectedByUser() && !pCluster->isMonitoring());
    QCOMPARE(m_node->loggedInCount(), 1);
}

void TestClusterTimers::lostNodeIsProbedUntilItComesBack()
{
    auto pCluster = makeCluster({kMonitorMs, kNeverMs, kNeverMs, kQuietMs});
    logIn(pCluster.get());
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    QSignalSpy errorSpy(pCluster.get(), &Cluster::connectionError);

    // Refused probes keep the monitor going without further errors.
    m_node->setRefuseConnections(true);
    m_node->dropAllClients();
    QTest::qWait(5 * kMonitorMs);
    QVERIFY(pCluster->isMonitoring());
    QCOMPARE(errorSpy.count(), 1);
    QVERIFY(
        pCluster->status()->text().startsWith(QStringLiteral("Connection to 127.0.0.1:%1 lost (").arg(m_node->port())));
    // The words count down to the next probe; between its due time and its
    // answer they say it is under way.
    const QString qsLost = pCluster->status()->text();
    QVERIFY2(qsLost.endsWith(QStringLiteral("); trying again in 1 s"))
                 || qsLost.endsWith(QStringLiteral("); trying again now")),
             qPrintable(qsLost));
    QVERIFY(m_node->setRefuseConnections(false));
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QVERIFY(!pCluster->isMonitoring());
    QCOMPARE(pCluster->status()->text(), QStringLiteral("Connected to 127.0.0.1:%1").arg(m_node->port()));
    QTRY_COMPARE_WITH_TIMEOUT(m_node->clientCount(), 1, kTimeoutMs); // the probe closed its own

    // The operator reconnects by hand before the first probe; the monitor
    // must not drop that connection later to make its own.
    connect(
        pCluster.get(), &Cluster::connectionError, this,
        [&] { QTimer::singleShot(0, pCluster.get(), &Cluster::connectToNode); }, Qt::SingleShotConnection);
    m_node->dropAllClients();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 2, kTimeoutMs);
    QTest::qWait(4 * kMonitorMs);
    QCOMPARE(connectedSpy.count(), 2);
    QCOMPARE(m_node->loggedInCount(), 1);
}

void TestClusterTimers::userDisconnectStaysDisconnected()
{
    auto pCluster = makeCluster({kMonitorMs, kIdleMs, kNeverMs, kQuietMs});
    logIn(pCluster.get());
    QSignalSpy nodeConnectSpy(m_node.get(), &TestNode::clientConnected);
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);

    // Neither the running idle timer nor a monitor already probing may bring
    // the connection back.
    pCluster->disconnectFromNode();
    QVERIFY(pCluster->isDisconnectedByUser());
    QTest::qWait(3 * kIdleMs);
    logIn(pCluster.get());
    m_node->setRefuseConnections(true);
    m_node->dropAllClients();
    QTRY_VERIFY_WITH_TIMEOUT(pCluster->isMonitoring(), kTimeoutMs);
    QTest::qWait(2 * kMonitorMs);
    pCluster->disconnectFromNode();
    QVERIFY(!pCluster->isMonitoring());
    m_node->setRefuseConnections(false);
    QTest::qWait(3 * kIdleMs);
    QCOMPARE(nodeConnectSpy.count(), 1); // the operator's own login
    QCOMPARE(connectedSpy.count(), 1);

    // Connected again by the operator, a lost connection is recovered again.
    logIn(pCluster.get());
    m_node->dropAllClients();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 3, kTimeoutMs);
}

void TestClusterTimers::refusedLoginBacksOffAndStops()
{
    m_node->setPassword(QStringLiteral("Q1ABC"), QStringLiteral("right"));
    auto pCluster = std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), m_node->port(), QStringLiteral("Q1ABC"),
                                              QStringLiteral("wrong"), QString(), QString(), QString(), 1000);
    pCluster->setTimings(quick({kMonitorMs, kNeverMs, kNeverMs, kQuietMs}));
    QSignalSpy nodeConnectSpy(m_node.get(), &TestNode::clientConnected);
    pCluster->connectToNode();

    // The node's own words, and each wait twice the one before.
    const QString qsNode = QStringLiteral("127.0.0.1:%1").arg(m_node->port());
    QTRY_COMPARE_WITH_TIMEOUT(pCluster->status()->state(), ConnectionStatus::State::Refused, kTimeoutMs);
    QCOMPARE(pCluster->status()->text(),
             qsNode + QStringLiteral(" refused the login: Sorry, wrong password; trying again in 1 s"));
    QTRY_COMPARE_WITH_TIMEOUT(nodeConnectSpy.count(), 3, kTimeoutMs); // the login and the probe
    QTRY_COMPARE_WITH_TIMEOUT(pCluster->status()->state(), ConnectionStatus::State::Refused, kTimeoutMs);

    // The third refusal ends the attempts until the operator connects.
    QTRY_VERIFY_WITH_TIMEOUT(pCluster->hasGivenUp(), kTimeoutMs);
    QCOMPARE(pCluster->status()->text(),
             qsNode + QStringLiteral(" refused the login: Sorry, wrong password; check the node's settings"));
    const int iAttempts = int(nodeConnectSpy.count());
    QTest::qWait(10 * kMonitorMs);
    QCOMPARE(nodeConnectSpy.count(), iAttempts);
    QVERIFY(!pCluster->isMonitoring());
    QCOMPARE(m_node->loggedInCount(), 0);

    // A node that only hangs up after the callsign refuses as well (no
    // password here, so the node's password prompt stays unanswered).
    pCluster = std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), m_node->port(), QStringLiteral("Q1ABC"),
                                         QString(), QString(), QString(), QString(), 1000);
    pCluster->setTimings(quick({kMonitorMs, kNeverMs, kNeverMs, kQuietMs}));
    connect(m_node.get(), &TestNode::clientConnected, m_node.get(),
            [this] { QTimer::singleShot(100, m_node.get(), &TestNode::dropAllClients); });
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(pCluster->status()->state(), ConnectionStatus::State::Refused, kTimeoutMs);
    QCOMPARE(pCluster->status()->text(),
             qsNode
                 + QStringLiteral(" refused the login: it closed the connection right after the login; "
                                  "trying again in 1 s"));
}

QTEST_GUILESS_MAIN(TestClusterTimers)
#include "tst_clustertimers.moc"
