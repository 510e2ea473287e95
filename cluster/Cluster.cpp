#include "Cluster.h"

#include "ConnectionStatus.h"

#include <QHash>

Cluster::Cluster(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign, const QString &qsPassword,
                 const QString &qsName, const QString &qsQth, const QString &qsLocator, quint16 uiMaxSpotCount,
                 QObject *parent)
    : Cluster(ClusterStation {qsCallsign, qsName, qsQth, qsLocator}, uiMaxSpotCount, parent)
{
    // Named after its address, as a connection is when no name is given.
    ClusterNode node(QString(), qsAddress, uiPort, qsPassword, true);
    node.setConnected(true);
    setNodes({node});
}

Cluster::Cluster(const ClusterStation &station, quint16 uiMaxSpotCount, QObject *parent)
    : QObject(parent)
    , m_maxSpotCount(uiMaxSpotCount)
    , m_station(station)
    , m_rateLimit(m_timings.connectWindowMs)
    , m_pipeline(std::make_unique<SpotPipeline>())
{
    m_pipeline->setLocator(station.locator);
    connect(m_pipeline.get(), &SpotPipeline::newSpot, this, &Cluster::newSpot);
}

Cluster::~Cluster()
{
    // The connections still report their end during teardown; nobody
    // outside may hear about it from a half-destroyed object.
    blockSignals(true);
    // Stopped while the cluster is whole: whoever follows the status hears
    // "disconnected" and may still ask the cluster about its connection.
    for (const auto &pGroup : m_groups)
        pGroup->disconnectFromNode();
    m_groups.clear();
}

QString Cluster::groupKey(const ClusterNode &node)
{
    // A group and a lone node never share a key, nor do two lone nodes.
    if (!node.fallbackGroup().isEmpty())
        return QStringLiteral("group:") + node.fallbackGroup();
    return QStringLiteral("node:") + node.name() + QLatin1Char('@') + node.address() + QLatin1Char(':')
        + QString::number(node.port());
}

bool Cluster::setNodes(const QList<ClusterNode> &nodes)
{
    // The sources in list order, each at the place of its first node.
    QList<QString> keys;
    QHash<QString, QList<ClusterNode>> members;
    for (const ClusterNode &node : nodes) {
        const QString qsKey = groupKey(node);
        if (!members.contains(qsKey))
            keys.append(qsKey);
        members[qsKey].append(node);
    }

    auto sameNodes = [](const QList<ClusterNode> &a, const QList<ClusterNode> &b) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!a.at(i).sameConnection(b.at(i)))
                return false;
        }
        return true;
    };

    std::vector<std::unique_ptr<FallbackGroup>> old = std::move(m_groups);
    m_groups.clear();
    bool bChanged = false;
    for (const QString &qsKey : std::as_const(keys)) {
        const QList<ClusterNode> &groupNodes = members.value(qsKey);
        auto it = std::find_if(old.begin(), old.end(), [&](const std::unique_ptr<FallbackGroup> &pGroup) {
            return pGroup && sameNodes(pGroup->nodes(), groupNodes);
        });
        if (it != old.end()) {
            m_groups.push_back(std::move(*it));
            continue;
        }
        bChanged = true;
        auto pGroup = std::make_unique<FallbackGroup>(groupNodes, m_station, m_pipeline.get(), &m_rateLimit, this);
        pGroup->setTimings(m_timings);
        addGroup(std::move(pGroup), m_groups.size());
        if (m_started)
            m_groups.back()->connectToNode();
    }
    for (auto &pGroup : old) {
        if (!pGroup)
            continue;
        bChanged = true;
        pGroup->blockSignals(true);
        pGroup->connection()->blockSignals(true);
        pGroup->disconnectFromNode();
        pGroup.reset();
    }
    if (bChanged) {
        Q_EMIT sourcesChanged();
        Q_EMIT statusChanged();
    }
    return bChanged;
}

void Cluster::addGroup(std::unique_ptr<FallbackGroup> pGroup, size_t iAt)
{
    FallbackGroup *pRaw = pGroup.get();
    m_groups.insert(m_groups.begin() + qsizetype(iAt), std::move(pGroup));
    wire(pRaw->connection());
    connect(pRaw, &FallbackGroup::connectionReplaced, this, [this](NodeConnection *pConnection) {
        wire(pConnection);
        Q_EMIT sourcesChanged();
        Q_EMIT statusChanged();
    });
}

void Cluster::wire(NodeConnection *pConnection)
{
    connect(pConnection, &NodeConnection::connected, this, &Cluster::connected);
    connect(pConnection, &NodeConnection::disconnected, this, &Cluster::disconnected);
    connect(pConnection, &NodeConnection::connectionError, this, &Cluster::connectionError);
    connect(pConnection, &NodeConnection::getReadyForSpots, this, &Cluster::getReadyForSpots);
    connect(pConnection, &NodeConnection::nodeLine, this, &Cluster::nodeLine);
    connect(pConnection->status(), &ConnectionStatus::changed, this, &Cluster::statusChanged);
}

void Cluster::setStation(const ClusterStation &station)
{
    if (station == m_station)
        return;
    const bool bLogin =
        station.callsign != m_station.callsign || station.name != m_station.name || station.qth != m_station.qth;
    m_station = station;
    m_pipeline->setLocator(station.locator);
    if (!bLogin)
        return;
    // Every connection logs in with the station's data: all are made anew.
    QList<ClusterNode> nodes;
    for (const auto &pGroup : m_groups)
        nodes.append(pGroup->nodes());
    setNodes({});
    setNodes(nodes);
}

void Cluster::connectToNode()
{
    m_started = true;
    for (const auto &pGroup : m_groups)
        pGroup->connectToNode();
}

void Cluster::disconnectFromNode()
{
    m_started = false;
    for (const auto &pGroup : m_groups)
        pGroup->disconnectFromNode();
}

bool Cluster::isConnected() const
{
    return std::any_of(m_groups.begin(), m_groups.end(), [](const std::unique_ptr<FallbackGroup> &pGroup) {
        return pGroup->connection()->isConnected();
    });
}

ConnectionStatus *Cluster::status() const
{
    return connection() ? connection()->status() : nullptr;
}

void Cluster::sendCommand(const QString &qsCommand)
{
    if (NodeConnection *pConnection = postingConnection() ? postingConnection() : connection())
        pConnection->sendCommand(qsCommand);
}

const QString &Cluster::address() const
{
    static const QString kNone;
    return connection() ? connection()->address() : kNone;
}

void Cluster::setTimings(const ClusterTimings &timings)
{
    m_timings = timings;
    m_rateLimit.setWindowMs(timings.connectWindowMs);
    for (const auto &pGroup : m_groups)
        pGroup->setTimings(timings);
}

NodeConnection *Cluster::connection() const
{
    return m_groups.empty() ? nullptr : m_groups.front()->connection();
}

QList<NodeConnection *> Cluster::connections() const
{
    QList<NodeConnection *> list;
    list.reserve(qsizetype(m_groups.size()));
    for (const auto &pGroup : m_groups)
        list.append(pGroup->connection());
    return list;
}

bool Cluster::takesSpots(const NodeConnection *pConnection)
{
    // Logged in, not merely connected: before the login the node would take
    // the spot for the callsign.
    return pConnection && !pConnection->isSkimmerFeed()
        && pConnection->status()->state() == ConnectionStatus::State::Connected;
}

NodeConnection *Cluster::postingConnection() const
{
    for (const auto &pGroup : m_groups) {
        NodeConnection *pConnection = pGroup->connection();
        if (takesSpots(pConnection))
            return pConnection;
    }
    return nullptr;
}

void Cluster::onGetPreviousSpotsTimerExpired()
{
    for (const auto &pGroup : m_groups)
        pGroup->connection()->requestEarlierSpots();
}
