#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "cluster/ConnectionMonitor.h"
#include "testnode/TestNode.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int kTimeoutMs = 5000;
// Short enough to run in milliseconds, long enough that loopback answers
// always come well within one period.
constexpr int kIdleMs = 300;
constexpr int kMonitorMs = 150;
constexpr int kNeverMs = 600000;

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void probe_data();
    void probe();
    void silenceIsAnsweredWithoutReconnecting();
    void silentNodeIsReconnected();
    void droppedConnectionIsReconnected();
    void refusingNodeIsProbedUntilItComesBack();
    void userDisconnectStaysDisconnected();

private:
    std::unique_ptr<Cluster> makeCluster(int iIdleMs, int iMonitorMs);
    void logIn(Cluster *pCluster);

    std::unique_ptr<TestNode> m_node;
};

void TestRecovery::initTestCase()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelWarn);
}

void TestRecovery::init()
{
    m_node = std::make_unique<TestNode>();
    QVERIFY(m_node->listen());
}

void TestRecovery::cleanup()
{
    m_node.reset();
}

std::unique_ptr<Cluster> TestRecovery::makeCluster(int iIdleMs, int iMonitorMs)
{
    auto pCluster = std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), m_node->port(),
                                              QStringLiteral("Q1ABC"), QString(), QStringLiteral("Hans"),
                                              QStringLiteral("Bern"), QStringLiteral("JN36"), 1000);
    ClusterTimings timings;
    timings.idleMs = iIdleMs;
    timings.monitorMs = iMonitorMs;
    timings.earlierSpotsDelayMs = kNeverMs; // keeps the requests off the wire
    pCluster->setTimings(timings);
    return pCluster;
}

void TestRecovery::logIn(Cluster *pCluster)
{
    QSignalSpy connectedSpy(pCluster, &Cluster::connected);
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_node->loggedInCount(), 1, kTimeoutMs);
}

void TestRecovery::probe_data()
{
    QTest::addColumn<bool>("listening");
    QTest::newRow("node accepts") << true;
    QTest::newRow("node refuses") << false;
}

void TestRecovery::probe()
{
    QFETCH(bool, listening);
    m_node->setRefuseConnections(!listening);
    ConnectionMonitor monitor(QStringLiteral("127.0.0.1"), m_node->port());
    QSignalSpy okSpy(&monitor, &ConnectionMonitor::connectionOk);
    QSignalSpy notOkSpy(&monitor, &ConnectionMonitor::connectionNotOk);
    bool bClosedBeforeOk = false;
    connect(&monitor, &ConnectionMonitor::connectionOk, this,
            [&] { bClosedBeforeOk = !monitor.isProbing(); });

    // A second probe replaces the first: one verdict, one connection at most.
    monitor.probe();
    monitor.probe();
    QTRY_COMPARE_WITH_TIMEOUT(okSpy.count() + notOkSpy.count(), 1, kTimeoutMs);
    QTest::qWait(100);
    QCOMPARE(okSpy.count(), listening ? 1 : 0);
    QCOMPARE(notOkSpy.count(), listening ? 0 : 1);
    if (listening) {
        QVERIFY(bClosedBeforeOk);
        QTRY_COMPARE_WITH_TIMEOUT(m_node->clientCount(), 0, kTimeoutMs);
        QVERIFY(m_node->receivedBytes().isEmpty()); // a probe never logs in
    }
}

void TestRecovery::silenceIsAnsweredWithoutReconnecting()
{
    auto pCluster = makeCluster(kIdleMs, kMonitorMs);
    logIn(pCluster.get());
    QSignalSpy nodeConnectSpy(m_node.get(), &TestNode::clientConnected);
    QSignalSpy disconnectedSpy(pCluster.get(), &Cluster::disconnected);
    m_node->clearReceived();

    // The node answers every lone line feed with its prompt, which ends
    // recovery each time; the connection is never given up.
    QTRY_VERIFY_WITH_TIMEOUT(m_node->receivedBytes().size() >= 3, kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->isRecovering(), kTimeoutMs);
    QCOMPARE(m_node->receivedBytes(), QByteArray(m_node->receivedBytes().size(), '\n'));
    QCOMPARE(nodeConnectSpy.count(), 0);
    QCOMPARE(disconnectedSpy.count(), 0);
    QVERIFY(pCluster->isConnected());
    QVERIFY(!pCluster->isMonitoring());
}

void TestRecovery::silentNodeIsReconnected()
{
    auto pCluster = makeCluster(kIdleMs, kNeverMs);
    logIn(pCluster.get());
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    QSignalSpy disconnectedSpy(pCluster.get(), &Cluster::disconnected);
    // The node wakes up once the client has given up on it, so that the
    // fresh connection gets its login prompt.
    connect(pCluster.get(), &Cluster::disconnected, m_node.get(), [this] { m_node->setSilent(false); });
    m_node->clearReceived();
    m_node->setSilent(true);

    // Two silent periods: a line feed, then the connection is dropped and
    // the node probed at once, although the monitor timer is far off.
    QTRY_COMPARE_WITH_TIMEOUT(disconnectedSpy.count(), 1, kTimeoutMs);
    QVERIFY(!pCluster->isDisconnectedByUser());
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QCOMPARE(m_node->receivedLines().value(0), QString());
    QCOMPARE(m_node->receivedLines().value(1), QStringLiteral("Q1ABC"));
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->isMonitoring(), kTimeoutMs);
    QCOMPARE(m_node->loggedInCount(), 1);
}

void TestRecovery::droppedConnectionIsReconnected()
{
    auto pCluster = makeCluster(kNeverMs, kMonitorMs);
    logIn(pCluster.get());
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    QSignalSpy errorSpy(pCluster.get(), &Cluster::connectionError);

    m_node->dropAllClients();
    QTRY_COMPARE_WITH_TIMEOUT(errorSpy.count(), 1, kTimeoutMs);
    QVERIFY(pCluster->isMonitoring());
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QVERIFY(!pCluster->isMonitoring());
    // Once back, no further probe drops the fresh connection.
    QTest::qWait(4 * kMonitorMs);
    QCOMPARE(connectedSpy.count(), 1);
    QCOMPARE(m_node->loggedInCount(), 1);
}

void TestRecovery::refusingNodeIsProbedUntilItComesBack()
{
    auto pCluster = makeCluster(kNeverMs, kMonitorMs);
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    QSignalSpy errorSpy(pCluster.get(), &Cluster::connectionError);
    m_node->setRefuseConnections(true);

    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(errorSpy.count(), 1, kTimeoutMs);
    QCOMPARE(errorSpy.at(0).at(2).value<QAbstractSocket::SocketError>(),
             QAbstractSocket::ConnectionRefusedError);
    // Refused probes keep the monitor going; they do not report as errors
    // of the cluster connection.
    QTest::qWait(5 * kMonitorMs);
    QVERIFY(pCluster->isMonitoring());
    QCOMPARE(errorSpy.count(), 1);
    QCOMPARE(connectedSpy.count(), 0);

    QVERIFY(m_node->setRefuseConnections(false));
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_node->loggedInCount(), 1, kTimeoutMs);
    QVERIFY(!pCluster->isMonitoring());
}

void TestRecovery::userDisconnectStaysDisconnected()
{
    auto pCluster = makeCluster(kIdleMs, kMonitorMs);
    logIn(pCluster.get());
    QSignalSpy nodeConnectSpy(m_node.get(), &TestNode::clientConnected);

    // Straight after login: the idle timer runs and must not bring the
    // connection back.
    pCluster->disconnectFromNode();
    QVERIFY(pCluster->isDisconnectedByUser());
    QTest::qWait(4 * kIdleMs);
    QCOMPARE(nodeConnectSpy.count(), 0);
    QVERIFY(!pCluster->isConnected());
    QVERIFY(!pCluster->isMonitoring());

    // After the operator connects again a lost connection is recovered again...
    logIn(pCluster.get());
    QVERIFY(!pCluster->isDisconnectedByUser());
    QSignalSpy connectedSpy(pCluster.get(), &Cluster::connected);
    m_node->dropAllClients();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);

    // ...and a disconnection while the monitor is probing ends the probing.
    m_node->setRefuseConnections(true);
    m_node->dropAllClients();
    QTRY_VERIFY_WITH_TIMEOUT(pCluster->isMonitoring(), kTimeoutMs);
    QTest::qWait(2 * kMonitorMs);
    pCluster->disconnectFromNode();
    QVERIFY(!pCluster->isMonitoring());
    nodeConnectSpy.clear();
    m_node->setRefuseConnections(false);
    QTest::qWait(4 * kIdleMs);
    QCOMPARE(nodeConnectSpy.count(), 0);
    QCOMPARE(connectedSpy.count(), 1);
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
