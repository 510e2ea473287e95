#ifndef FALLBACKGROUP_H
#define FALLBACKGROUP_H

#include "ClusterTimings.h"

#include "settings/ClusterNode.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

QT_BEGIN_NAMESPACE
class QTimer;
QT_END_NAMESPACE

class ConnectRateLimit;
class ConnectionMonitor;
class NodeConnection;
class SpotPipeline;

// Who the operator is, as the login dialogue and the bearings need it.
struct ClusterStation
{
    QString callsign;
    QString name;
    QString qth;
    QString locator;

    bool operator==(const ClusterStation &other) const
    {
        return callsign == other.callsign && name == other.name && qth == other.qth && locator == other.locator;
    }
    bool operator!=(const ClusterStation &other) const { return !(*this == other); }
};

// One source of spots: a node, or nodes that stand in for each other. One
// of them is connected at a time; after kFailuresBeforeNext failed attempts
// in a row the next one is tried, and while another stands in the first is
// probed, to go back to it as soon as it answers.
class FallbackGroup : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFailuresBeforeNext = 3;

    FallbackGroup(const QList<ClusterNode> &nodes, const ClusterStation &station, SpotPipeline *pPipeline,
                  ConnectRateLimit *pRateLimit, QObject *parent = nullptr);
    ~FallbackGroup() override;

    const QList<ClusterNode> &nodes() const { return m_nodes; }
    // The group's name, or the node's for a node of its own.
    QString name() const;
    int currentIndex() const { return m_current; }
    const ClusterNode &currentNode() const { return m_nodes.at(m_current); }
    NodeConnection *connection() const { return m_connection.get(); }

    void connectToNode();
    void disconnectFromNode();
    void setTimings(const ClusterTimings &timings);

Q_SIGNALS:
    // Another node of the group took over; the old connection is gone by
    // the time the event loop turns.
    void connectionReplaced(NodeConnection *pConnection);

private:
    void useNode(int iIndex);
    void onAttemptFailed();
    void onConnected();
    void onHomeTimerExpired();
    void onHomeAnswered();

    QList<ClusterNode> m_nodes;
    ClusterStation m_station;
    QPointer<SpotPipeline> m_pipeline;
    ConnectRateLimit *m_rateLimit = nullptr;
    ClusterTimings m_timings;
    int m_current = 0;
    int m_failures = 0;
    bool m_started = false;
    std::unique_ptr<NodeConnection> m_connection;
    // Watches the group's first node while another stands in.
    ConnectionMonitor *m_homeProbe = nullptr;
    QTimer *m_homeTimer = nullptr;
};

#endif // FALLBACKGROUP_H
