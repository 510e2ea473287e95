#include "ui/StatusFields.h"

#include "cluster/Cluster.h"
#include "cluster/ConnectionStatus.h"
#include "ui/TrayNotifier.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTextDocument>

namespace {
const char *const kGreenIcon = ":/ico/Kelvane Green 256.png";
const char *const kRedIcon = ":/ico/Kelvane Red 256.png";
const char *const kOnlineIcon = ":/ico/Status-user-online-icon.png";
const char *const kOfflineIcon = ":/ico/Status-user-offline-icon.png";
const char *const kConnectingIcon = ":/ico/Status-user-connecting-icon.png";
const char *const kConnectIcon = ":/ico/Actions-network-connect-icon.png";
const char *const kDisconnectIcon = ":/ico/Actions-network-disconnect-icon.png";
} // namespace

StatusFields::StatusFields(QStatusBar *pStatusBar, TrayNotifier *pTray, QAction *pConnect, QAction *pSendSpot,
                           QWidget *pWindow)
    : QObject(pWindow), m_window(pWindow), m_tray(pTray), m_connectAction(pConnect), m_sendSpotAction(pSendSpot)
{
    // The text fields grow with their text where fonts are wider than 200
    // pixels can hold.
    auto makeField = [pWindow](const QSize &size) {
        auto *pLabel = new QLabel(pWindow);
        // Node replies and the DXpeditions list's date end up here: never
        // rendered as markup.
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setMinimumSize(size);
        return pLabel;
    };
    m_dxpeditionsLabel = makeField(QSize(200, 16));
    m_dxpeditionsLabel->setText(tr("DXpeditions: none loaded"));
    m_nodeLabel = makeField(QSize(200, 16));
    m_nodeLabel->setObjectName(QStringLiteral("labelConnectionStatus"));
    m_connectionIcon = makeField(QSize(16, 16));
    m_connectionIcon->setFixedSize(16, 16);
    m_connectionIcon->setPixmap(QPixmap(QString::fromLatin1(kOfflineIcon)));
    pStatusBar->insertPermanentWidget(0, m_dxpeditionsLabel);
    pStatusBar->insertPermanentWidget(1, m_nodeLabel);
    pStatusBar->insertPermanentWidget(2, m_connectionIcon);
    m_noticeLabel = new QLabel(pWindow);
    m_noticeLabel->setTextFormat(Qt::PlainText);
    m_noticeLabel->setObjectName(QStringLiteral("labelNotice"));
    pStatusBar->addWidget(m_noticeLabel, 1);
}

StatusFields::~StatusFields() = default;

void StatusFields::setToolBarButtons(QPushButton *pConnectButton, QPushButton *pSendSpotButton)
{
    m_connectButton = pConnectButton;
    m_sendSpotButton = pSendSpotButton;
}

void StatusFields::setNotice(const QString &qsText)
{
    m_noticeLabel->setText(qsText);
}

void StatusFields::setDXpeditions(const QString &qsDate, int iCount)
{
    m_dxpeditionsLabel->setText(
        tr("DXpeditions database: updated %1, containing %2 callsigns").arg(qsDate).arg(iCount));
}

void StatusFields::setSendSpotEnabled(bool bEnabled)
{
    m_sendSpotAction->setEnabled(bEnabled);
    if (m_sendSpotButton)
        m_sendSpotButton->setEnabled(bEnabled);
}

void StatusFields::showNode(const Cluster &cluster)
{
    m_nodeLabel->setText(cluster.address() + QLatin1Char(':') + cluster.portText());
}

QString StatusFields::connectionToolTip(const Cluster &cluster)
{
    const QString qsToolTip = QStringLiteral("Kelvane - ") + cluster.status()->text();
    // A node's refusal is quoted in the status: shown as it stands, never as markup.
    return Qt::mightBeRichText(qsToolTip) ? Qt::convertFromPlainText(qsToolTip) : qsToolTip;
}

void StatusFields::showStatus(const Cluster *pCluster)
{
    if (!pCluster) {
        m_nodeLabel->setText(tr("No node chosen"));
        return;
    }
    const ConnectionStatus *pStatus = pCluster->status();
    m_nodeLabel->setText(pStatus->text());
    m_tray->setToolTip(connectionToolTip(*pCluster));
    // A spot can only go out on a live connection.
    setSendSpotEnabled(pStatus->state() == ConnectionStatus::State::Connected);
    if (pStatus->state() != ConnectionStatus::State::GaveUp)
        return;
    // Nothing will be tried any more: only the operator can mend this.
    m_connectionIcon->setPixmap(QPixmap(QString::fromLatin1(kOfflineIcon)));
    auto *pBox = new QMessageBox(QMessageBox::Warning, tr("Login refused"),
                                 tr("%1\n\nCheck the callsign and the password in the node's settings, "
                                    "then connect again.")
                                     .arg(pStatus->text()),
                                 QMessageBox::Ok, m_window);
    pBox->setTextFormat(Qt::PlainText); // the node's reply is quoted
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *pSettings = pBox->addButton(tr("Settings…"), QMessageBox::ActionRole);
    connect(pSettings, &QPushButton::clicked, this, &StatusFields::settingsRequested);
    pBox->open();
}

void StatusFields::toggleConnection(Cluster &cluster)
{
    if (cluster.isConnected()) {
        m_userDisconnect = true;
        cluster.disconnectFromNode();
    } else {
        m_connectionIcon->setPixmap(QPixmap(QString::fromLatin1(kConnectingIcon)));
        cluster.connectToNode();
    }
}

void StatusFields::setConnectAction(const QString &qsIcon, const QString &qsText)
{
    const QIcon icon(qsIcon);
    const QString qsToolTip = QString(qsText).remove(QLatin1Char('&'));
    m_connectAction->setIcon(icon);
    m_connectAction->setText(qsText);
    m_connectAction->setToolTip(qsToolTip);
    if (m_connectButton) {
        m_connectButton->setIcon(icon);
        m_connectButton->setToolTip(qsToolTip);
    }
}

void StatusFields::showConnectionState(const Cluster &cluster, const char *pTrayIcon, const char *pStatusIcon)
{
    m_tray->setState(pTrayIcon, connectionToolTip(cluster));
    m_connectionIcon->setPixmap(QPixmap(QString::fromLatin1(pStatusIcon)));
}

void StatusFields::showConnected(const Cluster &cluster)
{
    m_userDisconnect = false;
    showConnectionState(cluster, kGreenIcon, kOnlineIcon);
    setConnectAction(QString::fromLatin1(kDisconnectIcon), tr("&Disconnect"));
}

void StatusFields::showDisconnected(const Cluster &cluster)
{
    // The connection recovers by itself unless the operator ended it.
    showConnectionState(cluster, kRedIcon, m_userDisconnect ? kOfflineIcon : kConnectingIcon);
    setConnectAction(QString::fromLatin1(kConnectIcon), tr("&Connect"));
}

void StatusFields::showConnectionError(const Cluster &cluster)
{
    showConnectionState(cluster, kRedIcon, kOfflineIcon);
}
