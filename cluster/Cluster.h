#ifndef CLUSTER_H
#define CLUSTER_H

#include "ClusterTimings.h"
#include "ConnectRateLimit.h"
#include "FallbackGroup.h"
#include "NodeConnection.h"
#include "Spot.h"
#include "SpotPipeline.h"

#include "filters/FilterChains.h"
#include "settings/ClusterNode.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <vector>

class ConnectionStatus;
class Statistics;
class Worked;

// What the rest of the program sees of the cluster: the sources of spots
// the operator chose (nodes, skimmer feeds, groups of nodes standing in for
// each other), one connection each, all feeding one spot pipeline. The
// single-connection calls (status(), address(), sendCommand()) speak of the
// first source.
class Cluster : public QObject
{
    Q_OBJECT

public:
    // One node, as before several sources were possible.
    Cluster(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign, const QString &qsPassword,
            const QString &qsName, const QString &qsQth, const QString &qsLocator, quint16 uiMaxSpotCount,
            QObject *parent = nullptr);
    // No source yet: setNodes() gives them.
    Cluster(const ClusterStation &station, quint16 uiMaxSpotCount, QObject *parent = nullptr);
    ~Cluster() override;

    // The nodes to connect, in list order; nodes sharing a fallback group
    // become one source. Sources whose nodes and login stay the same keep
    // their connection; the others are replaced, and connected if the
    // cluster is. False when nothing changed.
    bool setNodes(const QList<ClusterNode> &nodes);
    // A changed callsign, name or QTH logs every source in anew.
    void setStation(const ClusterStation &station);
    const ClusterStation &station() const { return m_station; }

    // Also ends a disconnection the operator asked for: from here on a lost
    // connection is recovered on its own again.
    void connectToNode();
    // The operator's disconnection. It stays one: no recovery, no probing and
    // no reconnection until connectToNode() is called again.
    void disconnectFromNode();
    // Any source connected.
    bool isConnected() const;
    bool isDisconnectedByUser() const { return !m_started; }
    // Silence on a live connection: a line feed went out to wake the node.
    bool isRecovering() const { return connection() && connection()->isRecovering(); }
    // The connection was lost and the node is probed until it answers.
    bool isMonitoring() const { return connection() && connection()->isMonitoring(); }
    // What the first source's connection is doing, in words; statusChanged()
    // tells when any source's words change.
    ConnectionStatus *status() const;
    // The node refused the login too often; only the operator connects again.
    bool hasGivenUp() const { return connection() && connection()->hasGivenUp(); }
    bool isCollectingEarlierSpots() const { return connection() && connection()->isCollectingEarlierSpots(); }
    void sendCommand(const QString &qsCommand);
    // A line the operator typed, sent as the program's own commands are.
    // False, with nothing sent, while there is no connection.
    bool sendOperatorCommand(const QString &qsCommand)
    {
        return connection() && connection()->sendOperatorCommand(qsCommand);
    }
    // The receive path without the socket: does with baChunk what
    // readDataFromSocket() does with the bytes it reads. Fuzzing and replays
    // of recorded traffic come in here.
    void receiveChunk(const QByteArray &baChunk)
    {
        if (connection())
            connection()->receiveChunk(baChunk);
    }

    const QString &address() const;
    quint16 port() const { return connection() ? connection()->port() : 0; }
    QString portText() const { return QString::number(port()); }
    quint16 maxSpotCount() const { return m_maxSpotCount; }

    ClusterTimings timings() const { return m_timings; }
    // Takes effect at once, also on running timers.
    void setTimings(const ClusterTimings &timings);

    // The country lookup comes in two parts, the Worked object and its open
    // database; until both are there spots carry no country.
    void setCountryLookup(const Worked *pWorked) { m_pipeline->setCountryLookup(pWorked); }
    void setCountryDatabase(const QSqlDatabase &db) { m_pipeline->setCountryDatabase(db); }
    // Where spots and alerts are counted; nowhere until one is handed in.
    void setStatistics(Statistics *pStatistics) { m_pipeline->setStatistics(pStatistics); }

    // The pipeline this cluster's connections feed.
    SpotPipeline *pipeline() const { return m_pipeline.get(); }
    // The first source's connection; null without sources.
    NodeConnection *connection() const;
    // Every source's current connection, in list order.
    QList<NodeConnection *> connections() const;
    int sourceCount() const { return int(m_groups.size()); }
    const FallbackGroup *source(int iIndex) const { return m_groups.at(size_t(iIndex)).get(); }
    // Where a spot of the operator's goes by default: the first connected
    // node that is not a skimmer feed; null when there is none.
    NodeConnection *postingConnection() const;
    // Logged in to a node that is not a skimmer feed.
    static bool takesSpots(const NodeConnection *pConnection);
    ConnectRateLimit *rateLimit() { return &m_rateLimit; }

    // The band filter and the two chains every complete spot passes.
    FilterChains &chains() { return m_pipeline->chains(); }
    const FilterChains &chains() const { return m_pipeline->chains(); }
    ChainResult filterSpot(Spot &spot) { return chains().evaluate(spot); }
    void addFilter(std::unique_ptr<Filter> pFilter, int iIndex) { chains().addFilter(std::move(pFilter), iIndex); }
    void addAlert(std::unique_ptr<Filter> pAlert, int iIndex) { chains().addAlert(std::move(pAlert), iIndex); }
    void removeFilterAt(int iIndex) { chains().removeFilterAt(iIndex); }
    void removeAlertAt(int iIndex) { chains().removeAlertAt(iIndex); }
    void moveFilterUp(int iIndex) { chains().moveFilterUp(iIndex); }
    void moveFilterDown(int iIndex) { chains().moveFilterDown(iIndex); }
    void moveAlertUp(int iIndex) { chains().moveAlertUp(iIndex); }
    void moveAlertDown(int iIndex) { chains().moveAlertDown(iIndex); }
    void clearFilters() { chains().clearFilters(); }
    void clearAlerts() { chains().clearAlerts(); }
    void setDefaultFilter(int iDefaultFilter) { chains().setDefaultFilter(iDefaultFilter); }
    int defaultFilter() const { return chains().defaultFilter(); }
    int filterCount() const { return chains().filterCount(); }
    int alertCount() const { return chains().alertCount(); }
    Filter *filterAt(int iIndex) const { return chains().filterAt(iIndex); }
    Filter *alertAt(int iIndex) const { return chains().alertAt(iIndex); }
    Filter *bandFilter() const { return chains().bandFilter(); }
    void addBand(int iBands) { chains().addBand(iBands); }
    void removeBand(int iBands) { chains().removeBand(iBands); }

Q_SIGNALS:
    void connected(const QString &qsAddress, quint16 uiPort);
    void disconnected(const QString &qsAddress, quint16 uiPort);
    void newSpot(Spot &spot);
    void connectionError(const QString &qsAddress, quint16 uiPort, QAbstractSocket::SocketError error);
    void getReadyForSpots();
    // Every line any node sends, cut to a bounded length and otherwise as it
    // came (control characters included); bSpot for "DX de" and CC11 lines.
    // NodeConnection::nodeLine tells them apart by source.
    void nodeLine(const QString &qsLine, bool bSpot);
    // A source came or went, or a group switched to another node:
    // connections() changed.
    void sourcesChanged();
    // Some source's status words changed.
    void statusChanged();

public Q_SLOTS:
    // Sends the earlier-spots requests now instead of after the login delay.
    void onGetPreviousSpotsTimerExpired();

private:
    void addGroup(std::unique_ptr<FallbackGroup> pGroup, size_t iAt);
    void wire(NodeConnection *pConnection);
    static QString groupKey(const ClusterNode &node);

    quint16 m_maxSpotCount = 0;
    ClusterStation m_station;
    ClusterTimings m_timings;
    // Outlives every connection: a connection may ask it during teardown.
    ConnectRateLimit m_rateLimit;
    // The pipeline outlives the connections that feed it.
    std::unique_ptr<SpotPipeline> m_pipeline;
    std::vector<std::unique_ptr<FallbackGroup>> m_groups;
    // Connected unless the operator said otherwise.
    bool m_started = false;
};

#endif // CLUSTER_H
