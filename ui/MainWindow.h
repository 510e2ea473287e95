#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "cluster/Spot.h"
#include "filters/Filter.h"
#include "rig/RigControl.h"
#include "Worked/Worked.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>
#include <QSqlDatabase>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>
#include <optional>

QT_BEGIN_NAMESPACE
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSoundEffect;
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class About;
class BalloonThrottle;
class BandMapDock;
class MapDock;
class Cluster;
class NodeConsole;
class OperatorLog;
class CountryUpdate;
class SendSpot;
class Settings;
class Stats;
class Spot;
class SpotBandProxy;
class SpotModel;
class Statistics;
class Updater;

// The program's window: the band buttons above the table of spots, the
// tray icon, menus, toolbar and status fields. It owns the settings dialog
// (and through it the connection to the active node), the country lookup
// and its database, the updater and rig control, and follows the
// connection's state.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // qsDatabaseFile: the country database, by default the program's own.
    explicit MainWindow(QWidget *parent = nullptr, const QString &qsDatabaseFile = QString());
    ~MainWindow() override;

    Settings *settings() const { return m_settings; }
    Cluster *activeCluster() const;
    SpotModel *spotModel() const { return m_spotModel; }
    SpotBandProxy *bandProxy() const { return m_bandProxy; }
    OperatorLog *operatorLog() const { return m_log; }
    bool isPaused() const;
    // Spots received and not yet in the table (while paused, or until the
    // next batch), one per station activity.
    int pendingSpotCount() const;
    QPushButton *newSpotsButton() const { return m_newSpotsButton; }
    // The text of the status bar's notice: paused, no band, no countries.
    QString noticeText() const;
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    bool isClosing() const { return m_closing; }
    bool isStartMinimized() const;

public Q_SLOTS:
    void onActiveClusterFound();
    void onClusterConnected(const QString &qsAddress, quint16 uiPort);
    void onClusterDisconnected(const QString &qsAddress, quint16 uiPort);
    void onNewSpot(Spot &spot);
    void onClusterConnectionError(const QString &qsAddress, quint16 uiPort, QAbstractSocket::SocketError error);
    void onBandFilterValueChanged(Filter::BandFilter bandFilter);
    void onConnectTriggered();

    void onAllmClicked(bool bChecked);

    void onQuit();
    // Shows, raises and activates the window, also out of the tray.
    void bringToFront();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void onSendSpotTriggered();
    void onSettingsTriggered();
    void onManageWorkedCountriesTriggered();
    void onUpdateApplicationTriggered();
    void onUpdateCountryDataTriggered();
    void onImportDXpeditionsListTriggered();
    void onStatisticsTriggered();
    void onDocumentationTriggered();
    void onAboutTriggered();
    void onDXpeditionsLoadFinished(const QString &qsDate, int count);
    void onHRDError(const QString &qsError);
    void onTuningRigTimerExpired();
    void onHRDCommandsThreadFinished();
    void onSettingsSaved();
    void onCountryStatusChanged(const QString &qsStatus);
    // The connection's words go to the status bar and the tray tooltip.
    void onConnectionStatusChanged();

    void onCustomContextMenuRequested(const QPoint &point);
    void onSpotDetailsTriggered();
    void onSpotTuneRigTriggered();
    void onSpotDoubleClicked(const QModelIndex &index);
    void onPauseToggled(bool bPaused);
    void onNewSpotsClicked();
    // Puts the spots gathered since the last batch into the table at once;
    // while paused it only counts them in the status bar.
    void showPendingSpots();
    // Drops the rows that have aged out; a timer runs it once a minute.
    void onAgeTimerExpired();
    void onHeaderContextMenuRequested(const QPoint &point);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *pWatched, QEvent *event) override;

private:
    void createTray();
    void createStatusFields();
    void connectBandButtons();
    // The button of a band of the band plan, named "pushButton" and its label.
    QPushButton *bandButton(int iIndex) const;
    void createSpotTable();
    void createBandMap();
    void createWorldMap();
    // Column widths for the longest country name and typical other cells.
    void fitColumns(const QStringList &qslCountries);
    // Widens (never narrows) the columns the texts of the waiting spots do
    // not fit.
    void widenColumns(const SpotModel &spots);
    // The node console in a dock, listed in the View menu.
    void createConsoleDock();
    void restoreLayout();
    void saveLayout();
    void applySpotTableSettings();
    void updateNotice();
    // The spot of a row of the view, or of the spot model.
    std::optional<Spot> spotAt(const QModelIndex &index) const;
    void tuneSpot(const Spot &spot);
    void onViewRowsInserted(const QModelIndex &parent, int iFirst, int iLast);
    void onViewRowsRemoved(const QModelIndex &parent, int iFirst, int iLast);
    void placeNewSpotsButton();
    void fillToolBar();
    void connectMenuActions();
    void startUpdateChecks();
    void onBandClicked(int iBand, bool bChecked);
    void setConnectAction(const QString &qsIcon, const QString &qsText);
    // Tray icon and tooltip, and the connection icon of the status bar.
    void showConnectionState(const char *pTrayIcon, const QString &qsToolTip, const char *pStatusIcon);
    QString connectionToolTip() const;
    void setSendSpotEnabled(bool bEnabled);
    void playSound(const QString &qsFile);
    bool rigControlEnabled() const;
    // A hint of the first use of something; once the operator has turned
    // hints off no window is even created.
    void showTip(int iTip);

    std::unique_ptr<Ui::MainWindow> m_ui;
    Settings *m_settings = nullptr;
    SendSpot *m_sendSpot = nullptr;
    NodeConsole *m_console = nullptr;
    Stats *m_stats = nullptr;
    About *m_about = nullptr;
    Worked m_worked;
    QSqlDatabase m_db;
    OperatorLog *m_log = nullptr;
    bool m_closing = false;
    bool m_userDisconnect = false;
    bool m_countriesMissing = false;
    Statistics *m_statistics = nullptr;

    SpotModel *m_spotModel = nullptr;
    SpotBandProxy *m_bandProxy = nullptr;
    BandMapDock *m_bandMapDock = nullptr;
    MapDock *m_mapDock = nullptr;
    // Spots received since the last batch or while the view is paused,
    // merged as the table merges.
    SpotModel *m_pendingSpots = nullptr;
    // The table takes spots a few times a second, however fast they come,
    // so that the view repaints at a human rate; after a quiet spell the
    // next spots go in at once.
    QTimer m_batchTimer;
    QElapsedTimer m_sinceBatch;
    QAction *m_pauseAction = nullptr;
    QPushButton *m_newSpotsButton = nullptr;
    int m_unseenSpots = 0;
    QTimer m_ageTimer;
    // What a double click and the context menu act on: the spot under the
    // pointer when the first press happened, whatever moved since.
    std::optional<Spot> m_pressedSpot;
    std::optional<Spot> m_menuSpot;
    QLabel *m_statusNoticeLabel = nullptr;
    QPushButton *m_connectButton = nullptr;
    QPushButton *m_sendSpotButton = nullptr;
    QWidget *m_toolBarSpacer = nullptr;
    QLabel *m_radioLabel = nullptr;
    QAction *m_radioAction = nullptr;
    QTimer m_tuneBlinkTimer;
    RigControl m_rigControl;
    Updater *m_updater = nullptr;
    CountryUpdate *m_countryUpdate = nullptr;

    QSystemTrayIcon *m_trayIcon = nullptr;
    BalloonThrottle *m_balloons = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_minimizeAction = nullptr;
    QAction *m_restoreAction = nullptr;
    QAction *m_quitAction = nullptr;
    QAction *m_detailsAction = nullptr;
    QAction *m_tuneRigAction = nullptr;

    QLabel *m_statusDXpeditionsLabel = nullptr;
    QLabel *m_statusNodeLabel = nullptr;
    QLabel *m_statusConnectionIcon = nullptr;

    QHash<QString, QSoundEffect *> m_sounds;
};

#endif // MAINWINDOW_H
