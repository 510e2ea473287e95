#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "Worked/Worked.h"
#include "cluster/Spot.h"
#include "filters/Filter.h"
#include "rig/RigControl.h"

#include <QAbstractSocket>
#include <QMainWindow>
#include <QModelIndex>
#include <QSqlDatabase>
#include <QSystemTrayIcon>

#include <memory>

QT_BEGIN_NAMESPACE
class QPushButton;
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class About;
class BandButtons;
class Cluster;
class DockSet;
class FirstRunGuide;
class OperatorLog;
class CountryUpdate;
class SendSpot;
class Settings;
class SharingHub;
class Stats;
class SpotBandProxy;
class SpotActions;
class SpotModel;
class SpotTableView;
class Statistics;
class StatusFields;
class Theme;
class TrayNotifier;
class Updater;
class ViewMenu;

// The program's window: the band buttons above the table of spots, menus,
// toolbar and docks. It builds and wires the parts that do the work: the
// spot table, the band buttons, the View menu, the docks, the commands of
// the menus and toolbar, the first-run guide, the status fields and tray,
// the settings dialog (and through it the connection to the active node),
// the country lookup and its database, the operator's log, the updater and
// rig control.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // qsDatabaseFile: the country database, by default the program's own.
    explicit MainWindow(QWidget *parent = nullptr, const QString &qsDatabaseFile = QString());
    ~MainWindow() override;

    Settings *settings() const { return m_settings; }
    Cluster *activeCluster() const;
    SpotTableView *spotTable() const;
    SpotModel *spotModel() const;
    SpotBandProxy *bandProxy() const;
    OperatorLog *operatorLog() const { return m_log; }
    bool isPaused() const;
    // Spots received and not yet in the table (while paused, or until the
    // next batch), one per station activity.
    int pendingSpotCount() const;
    QPushButton *newSpotsButton() const;
    // The text of the status bar's notice: paused, no band, no countries.
    QString noticeText() const;
    QSystemTrayIcon *trayIcon() const;
    bool isClosing() const { return m_closing; }
    bool isStartMinimized() const;

public Q_SLOTS:
    void onActiveClusterFound();
    void onClusterConnected(const QString &qsAddress, quint16 uiPort);
    void onClusterDisconnected(const QString &qsAddress, quint16 uiPort);
    void onNewSpot(Spot &spot);
    // The same report again through another source or answer.
    void onSpotRepeated(const Spot &spot);
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
    // Puts the spots gathered since the last batch into the table at once;
    // while paused it only counts them in the status bar.
    void showPendingSpots();
    // Drops the rows that have aged out; a timer runs it once a minute.
    void onAgeTimerExpired();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // From the band buttons down to the console.
    void chainTabOrder();
    void createSpotTable();
    // The local spot node and the TCI radio.
    void createSharing();
    // Every dock of the window; the stored window state knows each by its
    // object name.
    void createDocks();
    void showStatusMessage(const QString &qsText);
    void applySpotTableSettings();
    void updateNotice();
    void startUpdateChecks();
    void onBandClicked(int iBand, bool bChecked);
    bool rigControlEnabled() const;

    std::unique_ptr<Ui::MainWindow> m_ui;
    Settings *m_settings = nullptr;
    SendSpot *m_sendSpot = nullptr;
    Stats *m_stats = nullptr;
    About *m_about = nullptr;
    Worked m_worked;
    QSqlDatabase m_db;
    OperatorLog *m_log = nullptr;
    bool m_closing = false;
    bool m_countriesMissing = false;
    Statistics *m_statistics = nullptr;

    ViewMenu *m_viewMenu = nullptr;
    DockSet *m_docks = nullptr;
    BandButtons *m_bandButtons = nullptr;
    RigControl m_rigControl;
    Updater *m_updater = nullptr;
    CountryUpdate *m_countryUpdate = nullptr;
    TrayNotifier *m_tray = nullptr;
    StatusFields *m_status = nullptr;
    SpotActions *m_spotActions = nullptr;
    FirstRunGuide *m_guide = nullptr;
    Theme *m_theme = nullptr;
    SharingHub *m_sharing = nullptr;
};

#endif // MAINWINDOW_H
