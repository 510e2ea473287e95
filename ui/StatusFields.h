#ifndef STATUSFIELDS_H
#define STATUSFIELDS_H

#include <QList>
#include <QObject>
#include <QSet>

QT_BEGIN_NAMESPACE
class QAction;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStatusBar;
class QWidget;
QT_END_NAMESPACE

class Cluster;
class TrayNotifier;

// The status bar's fields and everything else that follows the connection:
// the node's words and the connection icon, the tray icon's colour and
// tooltip, the connect action and its toolbar button, and Send Spot, which
// only a live connection can carry.
class StatusFields : public QObject
{
    Q_OBJECT

public:
    // pWindow: the parent of the fields and of the box a refused login opens.
    StatusFields(QStatusBar *pStatusBar, TrayNotifier *pTray, QAction *pConnect, QAction *pSendSpot, QWidget *pWindow);
    ~StatusFields() override;

    // The toolbar's buttons of the two actions, which mirror them.
    void setToolBarButtons(QPushButton *pConnectButton, QPushButton *pSendSpotButton);

    void setNotice(const QString &qsText);
    void setDXpeditions(const QString &qsDate, int iCount);
    void setSendSpotEnabled(bool bEnabled);

    // A new active node: its address until it says more.
    void showNode(const Cluster &cluster);
    // The connection's words; a null cluster is no node chosen at all.
    void showStatus(const Cluster *pCluster);
    // One small indicator per source, its state in words as its tooltip.
    void showSources(const Cluster *pCluster);
    QList<QLabel *> sourceIndicators() const { return m_sourceLabels; }
    // A line every source's tooltip ends with (our own spot node's clients).
    void setSourcesNote(const QString &qsNote) { m_sourcesNote = qsNote; }
    void showConnected(const Cluster &cluster);
    void showDisconnected(const Cluster &cluster);
    void showConnectionError(const Cluster &cluster);
    // The connect action: ends a live connection, else starts one.
    void toggleConnection(Cluster &cluster);

Q_SIGNALS:
    // The operator wants the settings, to mend a refused login.
    void settingsRequested();

private:
    void setConnectAction(const QString &qsIcon, const QString &qsText);
    // Tray icon and tooltip, and the connection icon of the status bar.
    void showConnectionState(const Cluster &cluster, const char *pTrayIcon, const char *pStatusIcon);
    static QString connectionToolTip(const Cluster &cluster);
    static QString statusText(const Cluster &cluster);
    void askAfterRefusal(const QString &qsText);

    QWidget *m_window = nullptr;
    TrayNotifier *m_tray = nullptr;
    QLabel *m_dxpeditionsLabel = nullptr;
    QLabel *m_nodeLabel = nullptr;
    QLabel *m_connectionIcon = nullptr;
    QLabel *m_noticeLabel = nullptr;
    QWidget *m_sourcesBox = nullptr;
    QHBoxLayout *m_sourcesLayout = nullptr;
    QList<QLabel *> m_sourceLabels;
    QString m_sourcesNote;
    // Sources whose refused login the operator was told about: once each,
    // although the words of the others change every second.
    QSet<QString> m_toldGaveUp;
    QAction *m_connectAction = nullptr;
    QPushButton *m_connectButton = nullptr;
    QAction *m_sendSpotAction = nullptr;
    QPushButton *m_sendSpotButton = nullptr;
    // A connection the operator ended does not come back by itself.
    bool m_userDisconnect = false;
};

#endif // STATUSFIELDS_H
