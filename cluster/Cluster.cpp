#include "Cluster.h"

Cluster::Cluster(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign, const QString &qsPassword,
                 const QString &qsName, const QString &qsQth, const QString &qsLocator, quint16 uiMaxSpotCount,
                 QObject *parent)
    : QObject(parent), m_maxSpotCount(uiMaxSpotCount), m_pipeline(std::make_unique<SpotPipeline>())
{
    m_pipeline->setLocator(qsLocator);
    m_connection =
        std::make_unique<NodeConnection>(qsAddress, uiPort, qsCallsign, qsPassword, qsName, qsQth, m_pipeline.get());
    connect(m_pipeline.get(), &SpotPipeline::newSpot, this, &Cluster::newSpot);
    connect(m_connection.get(), &NodeConnection::connected, this, &Cluster::connected);
    connect(m_connection.get(), &NodeConnection::disconnected, this, &Cluster::disconnected);
    connect(m_connection.get(), &NodeConnection::connectionError, this, &Cluster::connectionError);
    connect(m_connection.get(), &NodeConnection::getReadyForSpots, this, &Cluster::getReadyForSpots);
    connect(m_connection.get(), &NodeConnection::nodeLine, this, &Cluster::nodeLine);
}

Cluster::~Cluster()
{
    // The connection still reports its end during teardown; nobody outside
    // may hear about it from a half-destroyed object.
    blockSignals(true);
    // Stopped while the cluster is whole: whoever follows the status hears
    // "disconnected" and may still ask the cluster about its connection.
    m_connection->disconnectFromNode();
    m_connection.reset();
}

void Cluster::connectToNode()
{
    m_connection->connectToNode();
}

void Cluster::disconnectFromNode()
{
    m_connection->disconnectFromNode();
}
