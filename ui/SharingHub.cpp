#include "ui/SharingHub.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "sharing/SpotNodeServer.h"
#include "sharing/TciClient.h"
#include "ui/TciSpotFeed.h"

#include <QLabel>
#include <QStatusBar>

SharingHub::SharingHub(SpotBandProxy *pRows, const Worked *pWorked, QObject *parent)
    : QObject(parent), m_server(new SpotNodeServer(this)), m_tci(new TciClient(this)),
      m_feed(new TciSpotFeed(pRows, m_tci, this))
{
    m_server->setCountryLookup(pWorked);
    connect(m_server, &SpotNodeServer::clientCountChanged, this, &SharingHub::nodeClientCountChanged);
    connect(m_server, &SpotNodeServer::clientCountChanged, this, &SharingHub::updateStatusField);
    connect(m_tci, &TciClient::spotClicked, this, [this](const QString &qsCall, qint64 iHz) {
        const int iRow = m_feed->modelRowFor(qsCall, iHz);
        if (iRow >= 0)
            Q_EMIT spotClicked(iRow);
    });
}

SharingHub::~SharingHub() = default;

void SharingHub::setCluster(Cluster *pCluster)
{
    if (m_cluster)
        disconnect(m_cluster->pipeline(), nullptr, this, nullptr);
    m_cluster = pCluster;
    if (!pCluster)
        return;
    connect(pCluster->pipeline(), &SpotPipeline::newSpot, this, &SharingHub::onSpotAccepted);
    if (m_settings.nodeServer && !m_settings.nodeServerFiltered)
        connect(pCluster->pipeline(), &SpotPipeline::passedBandFilter, this, &SharingHub::onSpotPassedBand);
}

void SharingHub::onSpotAccepted(Spot &spot)
{
    if (m_server->isListening() && m_settings.nodeServerFiltered)
        m_server->offerSpot(spot);
}

void SharingHub::onSpotPassedBand(const Spot &spot)
{
    if (m_server->isListening() && !m_settings.nodeServerFiltered)
        m_server->offerSpot(spot);
}

void SharingHub::apply(const SharingSettings &sharing)
{
    const SharingSettings previous = std::exchange(m_settings, sharing);
    const bool bFirst = !std::exchange(m_applied, true);

    const bool bNodeChanged = bFirst || previous.nodeServer != sharing.nodeServer
        || previous.nodeServerPort != sharing.nodeServerPort || previous.nodeServerAddress != sharing.nodeServerAddress;
    m_server->setAllowed(sharing.nodeServerAllowed);
    if (bNodeChanged) {
        if (sharing.nodeServer)
            m_server->start(QHostAddress(sharing.nodeServerAddress), quint16(sharing.nodeServerPort));
        else
            m_server->stop();
    }
    // Only the unfiltered choice pays for the band filter's second look.
    setCluster(m_cluster);

    const bool bTciChanged =
        bFirst || previous.tci != sharing.tci || previous.tciUrl != sharing.tciUrl;
    m_feed->setColors(sharing.tciRowColors, sharing.tciColor);
    if (bTciChanged) {
        if (sharing.tci)
            m_tci->start(QUrl(sharing.tciUrl));
        else
            m_tci->stop();
    }
    updateStatusField();
}

void SharingHub::addStatusField(QStatusBar *pStatusBar)
{
    m_statusField = new QLabel(pStatusBar);
    m_statusField->setObjectName(QStringLiteral("labelNodeClients"));
    // Addresses and errors come from the settings and the system, never markup.
    m_statusField->setTextFormat(Qt::PlainText);
    pStatusBar->addPermanentWidget(m_statusField);
    updateStatusField();
}

void SharingHub::updateStatusField()
{
    QString qsText;
    QString qsSummary;
    if (m_settings.nodeServer && !m_server->isListening()) {
        // Turned on but the port is taken: the operator must not believe
        // the loggers are being served.
        qsText = tr("Node: not running");
        qsSummary = tr("Your spot node cannot listen on %1 port %2: %3")
                        .arg(m_settings.nodeServerAddress)
                        .arg(m_settings.nodeServerPort)
                        .arg(m_server->errorString());
    } else if (m_settings.nodeServer) {
        const int iCount = m_server->clientCount();
        qsText = iCount == 1 ? tr("Node: 1 client") : tr("Node: %1 clients").arg(iCount);
        const QString qsWhere =
            tr("Your spot node on %1 port %2").arg(m_settings.nodeServerAddress).arg(m_server->serverPort());
        qsSummary = iCount == 1 ? tr("%1 serves 1 client").arg(qsWhere)
                                : tr("%1 serves %2 clients").arg(qsWhere).arg(iCount);
    }
    if (m_statusField) {
        m_statusField->setVisible(m_settings.nodeServer);
        m_statusField->setText(qsText);
        m_statusField->setToolTip(qsSummary);
    }
    if (qsSummary != m_nodeSummary) {
        m_nodeSummary = qsSummary;
        Q_EMIT nodeSummaryChanged(qsSummary);
    }
}
