#include "ui/StatusFields.h"

#include "cluster/Cluster.h"
#include "cluster/ConnectionStatus.h"
#include "cluster/NodeConnection.h"
#include "ui/TrayNotifier.h"

#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTextDocument>
#include <QToolTip>

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
    m_sourcesBox = new QWidget(pWindow);
    m_sourcesBox->setObjectName(QStringLiteral("sourceIndicators"));
    m_sourcesLayout = new QHBoxLayout(m_sourcesBox);
    m_sourcesLayout->setContentsMargins(0, 0, 0, 0);
    m_sourcesLayout->setSpacing(6);
    pStatusBar->insertPermanentWidget(3, m_sourcesBox);
    m_sourcesBox->hide();
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

QString StatusFields::statusText(const Cluster &cluster)
{
    const QList<NodeConnection *> connections = cluster.connections();
    if (connections.size() == 1)
        return connections.constFirst()->status()->text();
    const auto iConnected = std::count_if(connections.begin(), connections.end(), [](const NodeConnection *p) {
        return p->status()->state() == ConnectionStatus::State::Connected;
    });
    return tr("%1 of %2 sources connected").arg(iConnected).arg(connections.size());
}

QString StatusFields::connectionToolTip(const Cluster &cluster)
{
    const QString qsToolTip = QStringLiteral("Kelvane - ") + statusText(cluster);
    // A node's refusal is quoted in the status: shown as it stands, never as markup.
    return Qt::mightBeRichText(qsToolTip) ? Qt::convertFromPlainText(qsToolTip) : qsToolTip;
}

void StatusFields::showStatus(const Cluster *pCluster)
{
    showSources(pCluster);
    if (!pCluster || !pCluster->connection()) {
        m_nodeLabel->setText(tr("No node chosen"));
        return;
    }
    m_nodeLabel->setText(statusText(*pCluster));
    m_tray->setToolTip(connectionToolTip(*pCluster));
    // A spot can only go out on a live connection to a node that takes one.
    setSendSpotEnabled(pCluster->postingConnection() != nullptr);
    const QList<NodeConnection *> connections = pCluster->connections();
    for (const NodeConnection *pConnection : connections) {
        const ConnectionStatus *pStatus = pConnection->status();
        if (pStatus->state() != ConnectionStatus::State::GaveUp) {
            m_toldGaveUp.remove(pConnection->sourceName());
            continue;
        }
        if (m_toldGaveUp.contains(pConnection->sourceName()))
            continue;
        m_toldGaveUp.insert(pConnection->sourceName());
        // Nothing will be tried any more: only the operator can mend this.
        if (connections.size() == 1)
            m_connectionIcon->setPixmap(QPixmap(QString::fromLatin1(kOfflineIcon)));
        askAfterRefusal(pStatus->text());
    }
}

void StatusFields::showSources(const Cluster *pCluster)
{
    const QList<NodeConnection *> connections = pCluster ? pCluster->connections() : QList<NodeConnection *>();
    while (m_sourceLabels.size() > connections.size())
        delete m_sourceLabels.takeLast();
    while (m_sourceLabels.size() < connections.size()) {
        auto *pLabel = new QLabel(m_sourcesBox);
        pLabel->setObjectName(QStringLiteral("labelSource"));
        // Names come from the node list and reasons from the network.
        pLabel->setTextFormat(Qt::PlainText);
        m_sourcesLayout->addWidget(pLabel);
        m_sourceLabels.append(pLabel);
    }
    for (qsizetype i = 0; i < connections.size(); ++i) {
        const NodeConnection *pConnection = connections.at(i);
        const ConnectionStatus *pStatus = pConnection->status();
        QColor color(Qt::gray);
        switch (pStatus->state()) {
        case ConnectionStatus::State::Connected:
            color = QColor(0x2e, 0x9d, 0x3c);
            break;
        case ConnectionStatus::State::Connecting:
        case ConnectionStatus::State::Waiting:
            color = QColor(0xd8, 0x9b, 0x00);
            break;
        case ConnectionStatus::State::Lost:
        case ConnectionStatus::State::Unreachable:
        case ConnectionStatus::State::Refused:
        case ConnectionStatus::State::GaveUp:
            color = QColor(0xc6, 0x28, 0x28);
            break;
        case ConnectionStatus::State::Disconnected:
            break;
        }
        QLabel *pLabel = m_sourceLabels.at(i);
        // A coloured dot and the name: the state at a glance, the words on
        // hover. Set only when they change: the words change every second
        // while a next try counts down.
        const QString qsText = QStringLiteral("\u25CF ") + pConnection->sourceName();
        if (pLabel->text() != qsText)
            pLabel->setText(qsText);
        if (pLabel->palette().color(QPalette::WindowText) != color) {
            QPalette palette = pLabel->palette();
            palette.setColor(QPalette::WindowText, color);
            pLabel->setPalette(palette);
        }
        const QString qsWords = pConnection->sourceName() + QStringLiteral(": ") + pStatus->words();
        const QString qsTip =
            Qt::convertFromPlainText(m_sourcesNote.isEmpty() ? qsWords : qsWords + QLatin1Char('\n') + m_sourcesNote);
        if (pLabel->toolTip() == qsTip)
            continue;
        pLabel->setToolTip(qsTip);
        pLabel->setAccessibleName(qsWords);
        // A tooltip being read counts down with the words.
        if (QToolTip::isVisible() && pLabel->underMouse())
            QToolTip::showText(QCursor::pos(), pLabel->toolTip(), pLabel);
    }
    m_sourcesBox->setVisible(!connections.isEmpty());
}

void StatusFields::askAfterRefusal(const QString &qsText)
{
    auto *pBox = new QMessageBox(QMessageBox::Warning, tr("Login refused"),
                                 tr("%1\n\nCheck the callsign and the password in the node's settings, "
                                    "then connect again.")
                                     .arg(qsText),
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
    // One source going while another stays: the program is still online,
    // and the action still disconnects them all.
    if (cluster.isConnected()) {
        showConnectionState(cluster, kGreenIcon, kOnlineIcon);
        return;
    }
    // The connection recovers by itself unless the operator ended it.
    showConnectionState(cluster, kRedIcon, m_userDisconnect ? kOfflineIcon : kConnectingIcon);
    setConnectAction(QString::fromLatin1(kConnectIcon), tr("&Connect"));
}

void StatusFields::showConnectionError(const Cluster &cluster)
{
    if (cluster.isConnected()) {
        showConnectionState(cluster, kGreenIcon, kOnlineIcon);
        return;
    }
    showConnectionState(cluster, kRedIcon, kOfflineIcon);
}
