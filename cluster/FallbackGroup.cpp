#include "FallbackGroup.h"

#include "API/QsLog/QsLog.h"
#include "ConnectRateLimit.h"
#include "ConnectionMonitor.h"
#include "NodeConnection.h"
#include "SpotPipeline.h"

#include <QTimer>

FallbackGroup::FallbackGroup(const QList<ClusterNode> &nodes, const ClusterStation &station, SpotPipeline *pPipeline,
                             ConnectRateLimit *pRateLimit, QObject *parent)
    : QObject(parent), m_nodes(nodes), m_station(station), m_pipeline(pPipeline), m_rateLimit(pRateLimit)
{
    Q_ASSERT(!m_nodes.isEmpty());
    m_homeTimer = new QTimer(this);
    connect(m_homeTimer, &QTimer::timeout, this, &FallbackGroup::onHomeTimerExpired);
    useNode(0);
}

FallbackGroup::~FallbackGroup()
{
    blockSignals(true);
    m_homeTimer->stop();
    if (m_connection)
        m_connection->disconnectFromNode();
    m_connection.reset();
}

QString FallbackGroup::name() const
{
    const ClusterNode &first = m_nodes.constFirst();
    return first.fallbackGroup().isEmpty() ? first.name() : first.fallbackGroup();
}

void FallbackGroup::connectToNode()
{
    m_started = true;
    m_failures = 0;
    m_connection->connectToNode();
}

void FallbackGroup::disconnectFromNode()
{
    m_started = false;
    m_homeTimer->stop();
    if (m_homeProbe)
        m_homeProbe->cancel();
    m_connection->disconnectFromNode();
}

void FallbackGroup::setTimings(const ClusterTimings &timings)
{
    m_timings = timings;
    m_homeTimer->setInterval(timings.monitorMs);
    m_connection->setTimings(timings);
}

void FallbackGroup::useNode(int iIndex)
{
    if (m_connection) {
        // We may be inside one of its signals: it goes when the event loop turns.
        m_connection->blockSignals(true);
        m_connection->disconnectFromNode();
        m_connection.release()->deleteLater();
    }
    m_current = iIndex;
    m_failures = 0;
    const ClusterNode &node = m_nodes.at(iIndex);
    m_connection = std::make_unique<NodeConnection>(node.address(), node.port(), m_station.callsign, node.password(),
                                                    m_station.name, m_station.qth, m_pipeline.data());
    if (!node.name().isEmpty())
        m_connection->setSourceName(node.name());
    m_connection->setSkimmerFeed(node.isSkimmerFeed());
    m_connection->setRateLimit(m_rateLimit);
    m_connection->setTimings(m_timings);
    connect(m_connection.get(), &NodeConnection::attemptFailed, this, &FallbackGroup::onAttemptFailed);
    connect(m_connection.get(), &NodeConnection::connected, this, &FallbackGroup::onConnected);

    if (iIndex == 0) {
        m_homeTimer->stop();
        if (m_homeProbe) {
            // Its answer may be what brought us back here.
            m_homeProbe->cancel();
            m_homeProbe->deleteLater();
            m_homeProbe = nullptr;
        }
    } else if (!m_homeProbe) {
        const ClusterNode &home = m_nodes.constFirst();
        m_homeProbe = new ConnectionMonitor(home.address(), home.port(), this);
        connect(m_homeProbe, &ConnectionMonitor::connectionOk, this, &FallbackGroup::onHomeAnswered);
    }
}

void FallbackGroup::onAttemptFailed()
{
    if (!m_started || m_nodes.size() < 2 || ++m_failures < kFailuresBeforeNext)
        return;
    const int iNext = (m_current + 1) % int(m_nodes.size());
    QLOG_WARN() << m_nodes.at(m_current).name() << "failed" << m_failures << "times in a row; trying"
                << m_nodes.at(iNext).name() << "of" << name();
    useNode(iNext);
    if (iNext != 0)
        m_homeTimer->start(m_timings.monitorMs);
    Q_EMIT connectionReplaced(m_connection.get());
    m_connection->connectToNode();
}

void FallbackGroup::onConnected()
{
    m_failures = 0;
}

void FallbackGroup::onHomeTimerExpired()
{
    if (!m_started || m_current == 0 || !m_homeProbe || m_homeProbe->isProbing())
        return;
    const QString &qsHost = m_nodes.constFirst().address();
    if (m_rateLimit) {
        if (m_rateLimit->waitMs(qsHost) > 0)
            return; // the next turn of the timer asks again
        m_rateLimit->record(qsHost);
    }
    m_homeProbe->probe();
}

void FallbackGroup::onHomeAnswered()
{
    if (!m_started || m_current == 0)
        return;
    QLOG_INFO() << m_nodes.constFirst().name() << "answers again; going back to it from"
                << m_nodes.at(m_current).name();
    useNode(0);
    Q_EMIT connectionReplaced(m_connection.get());
    m_connection->connectToNode();
}
