#ifndef CLUSTER_H
#define CLUSTER_H

#include "ClusterTimings.h"
#include "NodeConnection.h"
#include "Spot.h"
#include "SpotPipeline.h"

#include "filters/FilterChains.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class ConnectionStatus;
class Statistics;
class Worked;

// What the rest of the program sees of the cluster: today one connection to
// one node, feeding the spot pipeline that every connection shares.
class Cluster : public QObject
{
    Q_OBJECT

public:
    Cluster(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign, const QString &qsPassword,
            const QString &qsName, const QString &qsQth, const QString &qsLocator, quint16 uiMaxSpotCount,
            QObject *parent = nullptr);
    ~Cluster() override;

    // Also ends a disconnection the operator asked for: from here on a lost
    // connection is recovered on its own again.
    void connectToNode();
    // The operator's disconnection. It stays one: no recovery, no probing and
    // no reconnection until connectToNode() is called again.
    void disconnectFromNode();
    bool isConnected() const { return m_connection->isConnected(); }
    bool isDisconnectedByUser() const { return m_connection->isDisconnectedByUser(); }
    // Silence on a live connection: a line feed went out to wake the node.
    bool isRecovering() const { return m_connection->isRecovering(); }
    // The connection was lost and the node is probed until it answers.
    bool isMonitoring() const { return m_connection->isMonitoring(); }
    // What the connection is doing, in words; lives as long as the Cluster.
    ConnectionStatus *status() const { return m_connection->status(); }
    // The node refused the login too often; only the operator connects again.
    bool hasGivenUp() const { return m_connection->hasGivenUp(); }
    bool isCollectingEarlierSpots() const { return m_connection->isCollectingEarlierSpots(); }
    void sendCommand(const QString &qsCommand) { m_connection->sendCommand(qsCommand); }
    // A line the operator typed, sent as the program's own commands are.
    // False, with nothing sent, while there is no connection.
    bool sendOperatorCommand(const QString &qsCommand) { return m_connection->sendOperatorCommand(qsCommand); }
    // The receive path without the socket: does with baChunk what
    // readDataFromSocket() does with the bytes it reads. Fuzzing and replays
    // of recorded traffic come in here.
    void receiveChunk(const QByteArray &baChunk) { m_connection->receiveChunk(baChunk); }

    const QString &address() const { return m_connection->address(); }
    quint16 port() const { return m_connection->port(); }
    QString portText() const { return QString::number(port()); }
    quint16 maxSpotCount() const { return m_maxSpotCount; }

    ClusterTimings timings() const { return m_connection->timings(); }
    // Takes effect at once, also on running timers.
    void setTimings(const ClusterTimings &timings) { m_connection->setTimings(timings); }

    // The country lookup comes in two parts, the Worked object and its open
    // database; until both are there spots carry no country.
    void setCountryLookup(const Worked *pWorked) { m_pipeline->setCountryLookup(pWorked); }
    void setCountryDatabase(const QSqlDatabase &db) { m_pipeline->setCountryDatabase(db); }
    // Where spots and alerts are counted; nowhere until one is handed in.
    void setStatistics(Statistics *pStatistics) { m_pipeline->setStatistics(pStatistics); }

    // The pipeline this cluster's connections feed.
    SpotPipeline *pipeline() const { return m_pipeline.get(); }
    NodeConnection *connection() const { return m_connection.get(); }

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
    // Every line the node sends, cut to a bounded length and otherwise as it
    // came (control characters included); bSpot for "DX de" and CC11 lines.
    void nodeLine(const QString &qsLine, bool bSpot);

public Q_SLOTS:
    // Sends the earlier-spots requests now instead of after the login delay.
    void onGetPreviousSpotsTimerExpired() { m_connection->requestEarlierSpots(); }

private:
    quint16 m_maxSpotCount = 0;
    // The pipeline outlives the connection that feeds it.
    std::unique_ptr<SpotPipeline> m_pipeline;
    std::unique_ptr<NodeConnection> m_connection;
};

#endif // CLUSTER_H
