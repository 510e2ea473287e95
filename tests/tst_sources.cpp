#include "TestSupport.h"

#include "cluster/Cluster.h"
#include "cluster/ConnectRateLimit.h"
#include "cluster/ConnectionStatus.h"
#include "settings/GuardedSettings.h"
#include "settings/PublicNodes.h"
#include "settings/SettingsStore.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

constexpr int kTimeoutMs = 5000;
constexpr int kNeverMs = 600000;
const QString kLoopback = QStringLiteral("127.0.0.1");

ClusterNode node(const QString &qsName, quint16 uiPort, bool bSkimmerFeed = false, const QString &qsGroup = QString())
{
    ClusterNode result(qsName, kLoopback, uiPort, QString(), false);
    result.setConnected(true);
    result.setSkimmerFeed(bSkimmerFeed);
    result.setFallbackGroup(qsGroup);
    return result;
}

// A port that answers no connection: a listener opened and closed again.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 uiPort = server.serverPort();
    server.close();
    return uiPort;
}

} // namespace

// Several sources at once: nodes and skimmer feeds feeding one table, each
// with its own login, fallback nodes standing in, and a limit on how often
// any host is asked for a connection.
class TestSources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void rateLimitAllowsThreeAttemptsAMinutePerHost();
    void nodeAndSkimmerFeedFeedOneTable();
    void onlyChangedSourcesReconnect();
    void fallbackAfterThreeFailuresAndBack();
    void attemptsOnAHostAreLimited();
    void neverMadeConnectionCountsDown();
    void storeWithoutConnectKeyConnectsTheActiveNode();

private:
    std::unique_ptr<Cluster> makeCluster(const ClusterTimings &timings);

    std::unique_ptr<TestNode> m_node;
    std::unique_ptr<TestNode> m_skimmer;
};

void TestSources::init()
{
    TestSupport::clearStore();
    m_node = std::make_unique<TestNode>();
    QVERIFY(m_node->listen());
    m_skimmer = std::make_unique<TestNode>();
    m_skimmer->setKind(TestNode::Kind::SkimmerFeed);
    m_skimmer->setNodeCall(QStringLiteral("Q1SKIM"));
    QVERIFY(m_skimmer->listen());
}

void TestSources::cleanup()
{
    m_node.reset();
    m_skimmer.reset();
}

std::unique_ptr<Cluster> TestSources::makeCluster(const ClusterTimings &timings)
{
    auto pCluster = std::make_unique<Cluster>(ClusterStation {QStringLiteral("Q1ABC"), QStringLiteral("Hans"),
                                                              QStringLiteral("Bern"), QStringLiteral("JN36")},
                                              1000);
    pCluster->setTimings(timings);
    return pCluster;
}

void TestSources::rateLimitAllowsThreeAttemptsAMinutePerHost()
{
    ConnectRateLimit limit;
    for (qint64 iMs : {0, 10, 20}) {
        QCOMPARE(limit.waitMs(QStringLiteral("dx.example.net"), iMs), qint64(0));
        limit.record(QStringLiteral("dx.example.net"), iMs);
    }
    // The fourth waits for the first to leave the minute, whatever the case
    // of the name; another host is not held back.
    QCOMPARE(limit.waitMs(QStringLiteral("DX.Example.net"), 30), qint64(59970));
    QCOMPARE(limit.waitMs(QStringLiteral("other.example.net"), 30), qint64(0));
    QCOMPARE(limit.waitMs(QStringLiteral("dx.example.net"), 60000), qint64(0));
    limit.record(QStringLiteral("dx.example.net"), 60000);
    QCOMPARE(limit.waitMs(QStringLiteral("dx.example.net"), 60001), qint64(9));
}

void TestSources::nodeAndSkimmerFeedFeedOneTable()
{
    auto pCluster = makeCluster({kNeverMs, kNeverMs, 50, 300, 1000});
    QStringList spots;
    connect(pCluster.get(), &Cluster::newSpot, this,
            [&spots](Spot &spot) { spots.append(spot.dxCall() + QLatin1Char('@') + spot.source()); });
    QVERIFY(pCluster->setNodes(
        {node(QStringLiteral("Home"), m_node->port()), node(QStringLiteral("Skimmers"), m_skimmer->port(), true)}));
    QCOMPARE(pCluster->sourceCount(), 2);
    QSignalSpy connected(pCluster.get(), &Cluster::connected);
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, kTimeoutMs);

    // The node is asked for its format and earlier spots; the feed hears the
    // callsign and nothing else, however long it stays.
    QTRY_VERIFY_WITH_TIMEOUT(m_node->receivedLines().contains(QStringLiteral("set/ve7cc")), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->connections().at(0)->isCollectingEarlierSpots(), kTimeoutMs);
    QTest::qWait(300);
    QCOMPARE(m_skimmer->receivedLines(), QStringList {QStringLiteral("Q1ABC")});
    QVERIFY(!pCluster->connections().at(1)->sendOperatorCommand(QStringLiteral("SH/DX")));
    QCOMPARE(pCluster->postingConnection(), pCluster->connections().at(0));

    spots.clear();
    m_node->broadcastSpot(TestSpot(14025.0, "Q2NODE", "Q2DEF", "cq"));
    m_skimmer->broadcastSpot(TestSpot(7022.0, "Q2SKIM", "EA5WU-#", "CW 12 dB 22 WPM CQ"));
    QTRY_COMPARE_WITH_TIMEOUT(spots.size(), 2, kTimeoutMs);
    spots.sort();
    QCOMPARE(spots, (QStringList {QStringLiteral("Q2NODE@Home"), QStringLiteral("Q2SKIM@Skimmers")}));
}

void TestSources::onlyChangedSourcesReconnect()
{
    auto pCluster = makeCluster({kNeverMs, kNeverMs, kNeverMs, 300, 1000});
    const QList<ClusterNode> nodes {node(QStringLiteral("Home"), m_node->port()),
                                    node(QStringLiteral("Skimmers"), m_skimmer->port(), true)};
    pCluster->setNodes(nodes);
    QSignalSpy connected(pCluster.get(), &Cluster::connected);
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, kTimeoutMs);
    QSignalSpy nodeVisits(m_node.get(), &TestNode::clientConnected);
    QSignalSpy skimmerVisits(m_skimmer.get(), &TestNode::clientConnected);
    const QPointer<NodeConnection> pHome = pCluster->connections().at(0);

    // The same nodes again (the settings saved for a rig option): nothing moves.
    QVERIFY(!pCluster->setNodes(nodes));
    pCluster->setStation(
        {QStringLiteral("Q1ABC"), QStringLiteral("Hans"), QStringLiteral("Bern"), QStringLiteral("JN37")});
    // A new password on the feed logs in the feed alone.
    QList<ClusterNode> changed = nodes;
    changed[1].setPassword(QStringLiteral("new"));
    QVERIFY(pCluster->setNodes(changed));
    QTRY_COMPARE_WITH_TIMEOUT(skimmerVisits.count(), 1, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 3, kTimeoutMs);
    QCOMPARE(nodeVisits.count(), 0);
    QCOMPARE(pCluster->connections().at(0), pHome.data());
    QVERIFY(pHome->isConnected());

    // A source no longer ticked is dropped; the other stays.
    QVERIFY(pCluster->setNodes({nodes.at(0)}));
    QCOMPARE(pCluster->sourceCount(), 1);
    QCOMPARE(pCluster->connection(), pHome.data());
}

void TestSources::fallbackAfterThreeFailuresAndBack()
{
    // The group's first node is down; its second stands in until the first
    // answers again.
    const quint16 uiFirst = m_node->port();
    QVERIFY(m_node->setRefuseConnections(true));
    // Every host here is 127.0.0.1: the minute of the attempt limit is
    // shortened so that the group's nodes do not wait for each other.
    auto pCluster = makeCluster({100, kNeverMs, kNeverMs, 300, 1000, 50});
    pCluster->setNodes({node(QStringLiteral("First"), uiFirst, false, QStringLiteral("Europe")),
                        node(QStringLiteral("Second"), m_skimmer->port(), false, QStringLiteral("Europe"))});
    QCOMPARE(pCluster->sourceCount(), 1);
    QSignalSpy replaced(pCluster.get(), &Cluster::sourcesChanged);
    QSignalSpy connected(pCluster.get(), &Cluster::connected);
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, kTimeoutMs);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(pCluster->source(0)->currentIndex(), 1);
    QCOMPARE(pCluster->connection()->port(), m_skimmer->port());
    QCOMPARE(pCluster->connection()->sourceName(), QStringLiteral("Second"));

    QVERIFY(m_node->setRefuseConnections(false));
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, kTimeoutMs);
    QCOMPARE(pCluster->source(0)->currentIndex(), 0);
    QCOMPARE(pCluster->connection()->port(), uiFirst);
    QVERIFY(pCluster->connection()->isConnected());
    // The stand-in's connection went with the switch.
    QTRY_COMPARE_WITH_TIMEOUT(m_skimmer->clientCount(), 0, kTimeoutMs);
}

void TestSources::attemptsOnAHostAreLimited()
{
    // Every visit is turned away at once, probes and logins alike.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int iVisits = 0;
    connect(&server, &QTcpServer::newConnection, this, [&server, &iVisits]() {
        while (QTcpSocket *pSocket = server.nextPendingConnection()) {
            ++iVisits;
            pSocket->abort();
            pSocket->deleteLater();
        }
    });
    // The program's own minute, with a monitor that would try ten times a second.
    ClusterTimings timings {100, kNeverMs, kNeverMs, 300, 1000};
    auto pCluster = makeCluster(timings);
    pCluster->setNodes({node(QStringLiteral("Busy"), server.serverPort())});
    pCluster->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(iVisits, ConnectRateLimit::kMaxAttempts, kTimeoutMs);
    QTest::qWait(1500);
    QCOMPARE(iVisits, ConnectRateLimit::kMaxAttempts);
}

void TestSources::neverMadeConnectionCountsDown()
{
    auto pCluster = makeCluster({3000, kNeverMs, kNeverMs, 300, 1000});
    const quint16 uiPort = closedPort();
    pCluster->setNodes({node(QStringLiteral("Gone"), uiPort)});
    pCluster->connectToNode();
    ConnectionStatus *pStatus = pCluster->status();
    QTRY_COMPARE_WITH_TIMEOUT(pStatus->state(), ConnectionStatus::State::Unreachable, kTimeoutMs);
    // Never connected, so nothing was lost; the next try comes closer each second.
    QVERIFY2(pStatus->text().startsWith(QStringLiteral("Cannot reach 127.0.0.1:%1 (").arg(uiPort)),
             qPrintable(pStatus->text()));
    QVERIFY(!pStatus->text().contains(QLatin1String("lost")));
    QVERIFY2(pStatus->words().startsWith(QStringLiteral("cannot reach: ")), qPrintable(pStatus->words()));
    QVERIFY2(pStatus->words().endsWith(QStringLiteral("(next try in 3 s)")), qPrintable(pStatus->words()));
    QSignalSpy changed(pStatus, &ConnectionStatus::changed);
    QTRY_VERIFY_WITH_TIMEOUT(pStatus->words().endsWith(QStringLiteral("(next try in 2 s)")), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(pStatus->words().endsWith(QStringLiteral("(next try in 1 s)")), 2000);
    // The words are worked out when read; the signal that makes the status
    // bar read them again comes with each second.
    QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 2, 1000);

    // Once made, a connection that goes is "lost".
    auto pLive = makeCluster({3000, kNeverMs, kNeverMs, 300, 1000});
    pLive->setNodes({node(QStringLiteral("Home"), m_node->port())});
    QSignalSpy connected(pLive.get(), &Cluster::connected);
    pLive->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, kTimeoutMs);
    m_node->dropAllClients();
    QTRY_COMPARE_WITH_TIMEOUT(pLive->status()->state(), ConnectionStatus::State::Lost, kTimeoutMs);
    QVERIFY2(pLive->status()->words().startsWith(QStringLiteral("lost: ")), qPrintable(pLive->status()->words()));
}

void TestSources::storeWithoutConnectKeyConnectsTheActiveNode()
{
    {
        GuardedSettings settings = SettingsStore::openStore();
        for (const char *pName : {"a", "b", "c"}) {
            settings.setValue(QStringLiteral("Cluster Nodes/%1/Name").arg(QLatin1String(pName)), QLatin1String(pName));
            settings.setValue(QStringLiteral("Cluster Nodes/%1/Address").arg(QLatin1String(pName)), kLoopback);
        }
        settings.setValue(QStringLiteral("Cluster Nodes/b/Active"), 1);
    }
    NodeList nodes = SettingsStore::loadNodes();
    QCOMPARE(nodes.activeIndex, 1);
    QCOMPARE(nodes.nodes.size(), 3);
    QVERIFY(!nodes.nodes.at(0).isConnected() && nodes.nodes.at(1).isConnected() && !nodes.nodes.at(2).isConnected());

    // A second node ticked, a feed and a group come back as they were; the
    // active node is still marked as older versions read it.
    nodes.nodes[2].setConnected(true);
    nodes.nodes[2].setSkimmerFeed(true);
    nodes.nodes[0].setFallbackGroup(QStringLiteral("Europe"));
    SettingsStore::saveNodes(nodes);
    const NodeList loaded = SettingsStore::loadNodes();
    QCOMPARE(loaded.activeIndex, 1);
    QVERIFY(loaded.nodes.at(1).isConnected() && loaded.nodes.at(2).isConnected());
    QVERIFY(!loaded.nodes.at(0).isConnected());
    QVERIFY(loaded.nodes.at(2).isSkimmerFeed() && !loaded.nodes.at(1).isSkimmerFeed());
    QCOMPARE(loaded.nodes.at(0).fallbackGroup(), QStringLiteral("Europe"));
    GuardedSettings settings = SettingsStore::openStore();
    QCOMPARE(settings.value(QStringLiteral("Cluster Nodes/b/Active")).toInt(), 1);
    QVERIFY(!settings.contains(QStringLiteral("Cluster Nodes/b/Connect")));

    // The bundled list marks its two skimmer feeds, and only them.
    int iFeeds = 0;
    for (const PublicNodes::Entry &entry : PublicNodes::bundled())
        iFeeds += PublicNodes::toNode(entry).isSkimmerFeed() ? 1 : 0;
    QCOMPARE(iFeeds, 2);
}

QTEST_GUILESS_MAIN(TestSources)
#include "tst_sources.moc"
