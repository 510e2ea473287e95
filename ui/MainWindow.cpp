#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include "API/QsLog/QsLog.h"
#include "Worked/WorkedCountries.h"
#include "cluster/Cluster.h"
#include "cluster/ConnectionStatus.h"
#include "cluster/SendSpot.h"
#include "radio/BandPlan.h"
#include "settings/FilterStore.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "settings/Statistics.h"
#include "settings/Stats.h"
#include "settings/ViewOptions.h"
#include "settings/WorkedSets.h"
#include "ui/About.h"
#include "ui/BandMapDock.h"
#include "ui/BandMapWidget.h"
#include "ui/MapDock.h"
#include "ui/MapWidget.h"
#include "ui/MessageBoxes.h"
#include "ui/NodeConsole.h"
#include "ui/OperatorLog.h"
#include "ui/SpotActions.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotSortProxy.h"
#include "ui/SpotTableView.h"
#include "ui/StatusFields.h"
#include "ui/Tips.h"
#include "ui/TrayNotifier.h"
#include "ui/WelcomePanel.h"
#include "update/CountryUpdate.h"
#include "update/DXpeditions.h"
#include "update/Updater.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <iterator>
#include <utility>

namespace {
constexpr int kStatusMessageMs = 10000;

struct MenuAction
{
    QAction *Ui::MainWindow::*pAction;
    void (MainWindow::*pSlot)();
    bool bToolButton;
};

// The menu entries in menu order; the first four also have a toolbar
// button, in the same order.
const MenuAction kMenuActions[] = {
    {&Ui::MainWindow::actionConnect, &MainWindow::onConnectTriggered, true},
    {&Ui::MainWindow::actionSend_Spot, &MainWindow::onSendSpotTriggered, true},
    {&Ui::MainWindow::actionSettings, &MainWindow::onSettingsTriggered, true},
    {&Ui::MainWindow::actionManage_Worked_Countries, &MainWindow::onManageWorkedCountriesTriggered, true},
    {&Ui::MainWindow::actionExit, &MainWindow::onQuit, false},
    {&Ui::MainWindow::actionUpdate_Application, &MainWindow::onUpdateApplicationTriggered, false},
    {&Ui::MainWindow::actionStatistics, &MainWindow::onStatisticsTriggered, false},
    {&Ui::MainWindow::actionDocumentation, &MainWindow::onDocumentationTriggered, false},
    {&Ui::MainWindow::actionAbout, &MainWindow::onAboutTriggered, false},
    {&Ui::MainWindow::actionUpdate_Country_Data, &MainWindow::onUpdateCountryDataTriggered, false},
    {&Ui::MainWindow::actionImport_DXpeditions_List, &MainWindow::onImportDXpeditionsListTriggered, false},
};
} // namespace

MainWindow::MainWindow(QWidget *parent, const QString &qsDatabaseFile)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::MainWindow>())
{
    // The window quits the program when it closes (closeEvent); a message
    // box closing while the window sits in the tray must not.
    QApplication::setQuitOnLastWindowClosed(false);
    m_sendSpot = new SendSpot(this);
    m_settings = new Settings(this);
    m_stats = new Stats(this);
    m_about = new About(this);
    m_ui->setupUi(this);
    setWindowTitle(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
    // The named system mutex of other platforms marks a running instance for
    // outside tools; here the single-instance lock file does that.
    m_statistics = Statistics::instance();

    m_tray = new TrayNotifier(this);
    connect(m_tray, &TrayNotifier::quitRequested, this, &MainWindow::onQuit);
    connect(m_tray->trayIcon(), &QSystemTrayIcon::activated, this, &MainWindow::iconActivated);

    connect(&m_rigControl, &RigControl::finished, this, &MainWindow::onHRDCommandsThreadFinished);
    connect(&m_rigControl, &RigControl::HRDError, this, &MainWindow::onHRDError);
    connect(&m_rigControl, &RigControl::tuneRefused, m_ui->statusBar,
            [this](const QString &qsWhy) { m_ui->statusBar->showMessage(qsWhy, kStatusMessageMs); });

    m_status = new StatusFields(m_ui->statusBar, m_tray, m_ui->actionConnect, m_ui->actionSend_Spot, this);
    connect(m_status, &StatusFields::settingsRequested, this, &MainWindow::onSettingsTriggered);
    QStringList countries;
    // Without the database the window still works: spots come without
    // countries, and the status bar says why.
    QString qsRepaired;
    if (Worked::openDatabase(qsDatabaseFile.isEmpty() ? Worked::databaseFileName() : qsDatabaseFile,
                             Worked::systemCountryFile(), &qsRepaired)) {
        m_db = QSqlDatabase::database();
        m_worked.setQueryFailureHandler([this](const QString &qsError) {
            QMetaObject::invokeMethod(
                this,
                [this, qsError] {
                    m_ui->statusBar->showMessage(
                        tr("Country look-ups fail; spots are shown without countries: %1").arg(qsError));
                },
                Qt::QueuedConnection);
        });
        m_worked.attachDatabase(m_db);
        m_settings->setCountryLookup(&m_worked, m_db);
        countries = Worked::countryNames(m_db);
        m_settings->setCountryNames(countries);
        WorkedSets::fillNotWorkedOnFirstRun(countries);
        if (!qsRepaired.isEmpty())
            m_ui->statusBar->showMessage(qsRepaired);
    } else {
        m_countriesMissing = true;
        QLOG_ERROR() << "The country database cannot be opened; spots are shown without countries";
    }

    m_log = new OperatorLog(&m_worked, this);
    m_settings->setLogStore(m_log->store());
    m_spotActions = new SpotActions(m_ui->tableView, m_settings, &m_worked, m_log->store(), &m_rigControl, this);
    connect(m_spotActions->detailsAction(), &QAction::triggered, this, &MainWindow::onSpotDetailsTriggered);
    connect(m_spotActions->tuneRigAction(), &QAction::triggered, this, &MainWindow::onSpotTuneRigTriggered);

    connect(m_settings, &Settings::foundActiveNode, this, &MainWindow::onActiveClusterFound);
    connect(m_settings, &Settings::settingsSaved, this, &MainWindow::onSettingsSaved);
    connect(m_settings, &Settings::loadedDXpeditions, this, &MainWindow::onDXpeditionsLoadFinished);
    createSpotTable();
    createDocks();
    m_settings->loadSettings();
    onSettingsSaved();
    // Until a node and the callsign are set, a guide stands in for the table.
    m_welcome = new WelcomePanel(m_settings, this);
    m_welcome->standIn(m_ui->tableView);
    // After the panel's own refresh, which these signals also run.
    connect(m_settings, &Settings::settingsSaved, this, &MainWindow::updateFirstRunHint);
    connect(m_settings, &Settings::foundActiveNode, this, &MainWindow::updateFirstRunHint);
    connectBandButtons();
    m_ui->tableView->fitColumns(countries);
    fillToolBar();
    connectMenuActions();
    restoreLayout();
    updateNotice();
    m_sendSpot->setSettings(m_settings);
    connect(m_sendSpot, &SendSpot::HRDError, this, &MainWindow::onHRDError);
    connect(m_sendSpot->confirmation(), &SpotConfirmation::message, this, &MainWindow::showStatusMessage);
    connect(m_log, &OperatorLog::statusMessage, this, &MainWindow::showStatusMessage);

    // Country data is imported here, whether or not a node is connected.
    m_countryUpdate = new CountryUpdate(&m_worked, m_db, this);
    connect(m_countryUpdate, &CountryUpdate::statusChanged, this, &MainWindow::onCountryStatusChanged);
    m_updater = new Updater(this);
    m_updater->setCountryUpdate(m_countryUpdate);
    connect(m_updater, &Updater::NodesUpdateFinished, m_settings, &Settings::onNodesUpdateFinished);
    connect(m_updater, &Updater::checkFailed, this, &MainWindow::showStatusMessage);
    startUpdateChecks();

    m_tray->setToolTip(tr("Disconnected."));
    m_status->setSendSpotEnabled(false);
    onConnectionStatusChanged();
    updateFirstRunHint();
}

void MainWindow::updateFirstRunHint()
{
    const QString qsHint = tr("Welcome! Choose a node and enter your callsign in Settings to see spots.");
    if (m_welcome->isGuiding()) {
        m_ui->statusBar->showMessage(qsHint);
    } else if (!m_heldStatus.isEmpty()) {
        m_ui->statusBar->showMessage(std::exchange(m_heldStatus, QString()));
    } else if (m_ui->statusBar->currentMessage() == qsHint) {
        m_ui->statusBar->clearMessage();
    }
}

void MainWindow::showStatusMessage(const QString &qsText)
{
    // A failed update check before anything is set up would be the first
    // thing a new operator reads: it waits until the guide is done.
    if (m_welcome && m_welcome->isGuiding()) {
        QLOG_INFO() << "Status during the first-run guide:" << qsText;
        m_heldStatus = qsText;
        return;
    }
    m_ui->statusBar->showMessage(qsText);
}

MainWindow::~MainWindow()
{
    m_closing = true;
    // The connection goes before the database it looks countries up in.
    delete m_settings;
    m_settings = nullptr;
    m_rigControl.unloadHRDLibrary();
    if (m_db.isOpen())
        m_db.close();
}

Cluster *MainWindow::activeCluster() const
{
    return m_settings ? m_settings->cluster() : nullptr;
}

SpotTableView *MainWindow::spotTable() const
{
    return m_ui->tableView;
}
SpotModel *MainWindow::spotModel() const
{
    return m_ui->tableView->spotModel();
}
SpotBandProxy *MainWindow::bandProxy() const
{
    return m_ui->tableView->bandProxy();
}
bool MainWindow::isPaused() const
{
    return m_ui->tableView->isPaused();
}
int MainWindow::pendingSpotCount() const
{
    return m_ui->tableView->pendingSpotCount();
}
QPushButton *MainWindow::newSpotsButton() const
{
    return m_ui->tableView->newSpotsButton();
}
QSystemTrayIcon *MainWindow::trayIcon() const
{
    return m_tray->trayIcon();
}

bool MainWindow::isStartMinimized() const
{
    // Without a tray nothing could bring the window back.
    return m_settings->startMinimized() && QSystemTrayIcon::isSystemTrayAvailable();
}

bool MainWindow::rigControlEnabled() const
{
    return m_settings->isHRDEnabled();
}

void MainWindow::startUpdateChecks()
{
    if (m_settings->autoUpdate())
        m_updater->checkApplication();
    if (m_settings->autoUpdateNodes())
        m_updater->checkNodes();
    if (m_settings->autoUpdateCountries()) {
        m_countryUpdate->checkDaily();
        m_updater->checkCountry();
    }
}

// ---------------------------------------------------------------- frame

void MainWindow::fillToolBar()
{
    QToolBar *pToolBar = m_ui->mainToolBar;
    pToolBar->setContentsMargins(0, 0, 12, 0);
    QPushButton *pConnectButton = nullptr;
    QPushButton *pSendSpotButton = nullptr;
    for (const MenuAction &entry : kMenuActions) {
        if (!entry.bToolButton)
            continue;
        const QAction *pAction = (*m_ui).*entry.pAction;
        auto *pButton = new QPushButton(pAction->icon(), QString(), pToolBar);
        pButton->setToolTip(pAction->toolTip());
        pButton->setFlat(true);
        pButton->setIconSize(QSize(22, 22));
        connect(pButton, &QPushButton::clicked, this, entry.pSlot);
        pToolBar->addWidget(pButton);
        // The connect button follows the connection, as the action does.
        if (pAction == m_ui->actionConnect)
            pConnectButton = pButton;
        else if (pAction == m_ui->actionSend_Spot)
            pSendSpotButton = pButton;
    }
    m_status->setToolBarButtons(pConnectButton, pSendSpotButton);
    pToolBar->addAction(m_ui->tableView->pauseAction());
    pToolBar->addAction(m_neededOnlyAction);

    auto *pSpacer = new QWidget(pToolBar);
    pSpacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    pToolBar->addWidget(pSpacer);
    m_spotActions->addRadioIndicator(pToolBar);
}

void MainWindow::connectMenuActions()
{
    for (const MenuAction &entry : kMenuActions)
        connect((*m_ui).*entry.pAction, &QAction::triggered, this, entry.pSlot);
    m_ui->actionSettings->setShortcuts(
        {QKeySequence(QKeySequence::Preferences), QKeySequence(Qt::CTRL | Qt::Key_Comma)});
    m_ui->actionExit->setShortcut(QKeySequence::Quit);
    m_ui->actionConnect->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_ui->menuFile->insertAction(m_ui->actionImport_DXpeditions_List, m_log->importAction());
    m_ui->menuBar->insertMenu(m_ui->menuHelp->menuAction(), m_viewMenu);
}

void MainWindow::onQuit()
{
    if (!m_closing)
        saveLayout();
    m_closing = true;
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closing)
        saveLayout();
    m_closing = true;
    event->accept();
    QCoreApplication::quit();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const Qt::WindowStates previous = static_cast<QWindowStateChangeEvent *>(event)->oldState();
    if (!(previous & Qt::WindowMinimized) && isMinimized()) {
        // Only the tray brings a hidden window back; without a tray the
        // window stays minimised on the task bar.
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            QTimer::singleShot(0, this, &QWidget::hide);
            event->ignore();
        }
    } else if ((previous & Qt::WindowMinimized) && !isMinimized()) {
        raise();
        activateWindow();
    }
}

void MainWindow::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (m_closing)
        return;
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger
        || reason == QSystemTrayIcon::MiddleClick) {
        bringToFront();
    }
}

void MainWindow::bringToFront()
{
    if (m_closing)
        return;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::onSendSpotTriggered()
{
    if (m_closing)
        return;
    m_sendSpot->openWithFrequency(&m_rigControl, m_settings->hrdAddress(), m_settings->hrdPort());
}

void MainWindow::onSettingsTriggered()
{
    if (m_closing)
        return;
    m_settings->show();
}

void MainWindow::onManageWorkedCountriesTriggered()
{
    if (m_closing)
        return;
    auto *pDialog = new WorkedCountries(&m_settings->workedSets(), this);
    pDialog->setAttribute(Qt::WA_DeleteOnClose);
    pDialog->setLogCountries(m_log->store()->countries());
    pDialog->refresh();
    pDialog->show();
}

void MainWindow::onUpdateApplicationTriggered()
{
    if (!m_updater)
        return;
    m_updater->showChecking();
    m_updater->checkApplication();
}

void MainWindow::onUpdateCountryDataTriggered()
{
    if (m_countryUpdate)
        m_countryUpdate->checkNow();
}

void MainWindow::onImportDXpeditionsListTriggered()
{
    if (m_closing || !m_settings->dxpeditions())
        return;
    const QString qsFileName = QFileDialog::getOpenFileName(this, tr("Import DXpeditions list"), QString(),
                                                            tr("DXpeditions lists (*.xml);;All files (*)"));
    if (qsFileName.isEmpty())
        return;
    QString qsError;
    if (!m_settings->dxpeditions()->loadFile(qsFileName, &qsError))
        MessageBoxes::error(this, tr("Error importing the DXpeditions list."), qsError);
}

void MainWindow::onStatisticsTriggered()
{
    m_stats->setStatistics(*m_statistics);
    m_stats->show();
}

void MainWindow::onDocumentationTriggered()
{
    QUrl url(About::homePage());
    url.setPath(QStringLiteral("/"));
    url.setQuery(QStringLiteral("page_id=28"));
    QDesktopServices::openUrl(url);
}

void MainWindow::onAboutTriggered()
{
    m_about->show();
}

void MainWindow::showTip(int iTip)
{
    // The first-run guide is enough to read at a time.
    if (SettingsStore::seenTips() == Tips::kNoMoreTips || (m_welcome && m_welcome->isGuiding()))
        return;
    auto *pTips = new Tips(this);
    pTips->setAttribute(Qt::WA_DeleteOnClose);
    pTips->showTip(iTip);
    // A hint already seen stays hidden; its window would only pile up.
    if (!pTips->isVisible())
        pTips->deleteLater();
}

void MainWindow::onDXpeditionsLoadFinished(const QString &qsDate, int count)
{
    m_status->setDXpeditions(qsDate, count);
}

void MainWindow::onHRDError(const QString &qsError)
{
    MessageBoxes::rigError(qsError);
}

void MainWindow::onTuningRigTimerExpired()
{
    m_spotActions->blink();
}

void MainWindow::onHRDCommandsThreadFinished()
{
    m_spotActions->stopBlinking();
}

void MainWindow::onSettingsSaved()
{
    m_rigControl.loadHRDLibrary(rigControlEnabled());
    m_bandMapDock->setRig(rigControlEnabled(), m_settings->hrdAddress(), m_settings->hrdPort());
    m_mapDock->setStation(m_settings->locator(), m_settings->distanceInMiles());
    applySpotTableSettings();
    const QString qsLogError = m_log->applySettings();
    if (!qsLogError.isEmpty())
        statusBar()->showMessage(tr("QSO reports cannot be received: %1").arg(qsLogError));
}

void MainWindow::applySpotTableSettings()
{
    const SpotTableSettings spotTable = SettingsStore::loadSpotTable();
    m_ui->tableView->applySettings(spotTable, m_settings->distanceInMiles());
    if (Cluster *pCluster = activeCluster()) {
        ClusterTimings timings = pCluster->timings();
        timings.earlierSpotsFirstAnswerMs = spotTable.firstAnswerWaitSeconds * 1000;
        pCluster->setTimings(timings);
    }
}

void MainWindow::onCountryStatusChanged(const QString &qsStatus)
{
    showStatusMessage(qsStatus);
}

// ---------------------------------------------------------------- connection

void MainWindow::onActiveClusterFound()
{
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing)
        return;
    connect(pCluster, &Cluster::connected, this, &MainWindow::onClusterConnected);
    connect(pCluster, &Cluster::disconnected, this, &MainWindow::onClusterDisconnected);
    connect(pCluster, &Cluster::newSpot, this, &MainWindow::onNewSpot);
    connect(pCluster, &Cluster::connectionError, this, &MainWindow::onClusterConnectionError);
    connect(pCluster->bandFilter(), &Filter::bandFilterValueChanged, this, &MainWindow::onBandFilterValueChanged);
    connect(pCluster->status(), &ConnectionStatus::changed, this, &MainWindow::onConnectionStatusChanged);
    pCluster->setCountryLookup(&m_worked);
    pCluster->setCountryDatabase(m_db);
    applySpotTableSettings();
    m_status->showNode(*pCluster);
    m_console->setCluster(pCluster);
    pCluster->connectToNode();
    onConnectionStatusChanged();
}

void MainWindow::onConnectionStatusChanged()
{
    const Cluster *pCluster = activeCluster();
    // Without a node that is said even while closing; a node's last words are not.
    if (!pCluster || !m_closing)
        m_status->showStatus(pCluster);
}

void MainWindow::onConnectTriggered()
{
    if (Cluster *pCluster = activeCluster(); pCluster && !m_closing)
        m_status->toggleConnection(*pCluster);
}

void MainWindow::onClusterConnected(const QString &qsAddress, quint16 uiPort)
{
    Q_UNUSED(qsAddress)
    Q_UNUSED(uiPort)
    showTip(Tips::FirstConnection);
    if (m_settings->dxpeditions())
        m_settings->dxpeditions()->load();
    if (const Cluster *pCluster = activeCluster(); pCluster && !m_closing)
        m_status->showConnected(*pCluster);
}

void MainWindow::onClusterDisconnected(const QString &qsAddress, quint16 uiPort)
{
    Q_UNUSED(qsAddress)
    Q_UNUSED(uiPort)
    if (const Cluster *pCluster = activeCluster(); pCluster && !m_closing)
        m_status->showDisconnected(*pCluster);
}

void MainWindow::onClusterConnectionError(const QString &qsAddress, quint16 uiPort, QAbstractSocket::SocketError error)
{
    Q_UNUSED(qsAddress)
    Q_UNUSED(uiPort)
    Q_UNUSED(error)
    if (const Cluster *pCluster = activeCluster(); pCluster && !m_closing)
        m_status->showConnectionError(*pCluster);
}

// ---------------------------------------------------------------- spots

void MainWindow::createSpotTable()
{
    SpotTableView *pView = m_ui->tableView;
    connect(pView, &QWidget::customContextMenuRequested, this, &MainWindow::onCustomContextMenuRequested);
    connect(pView, &SpotTableView::noticeChanged, this, &MainWindow::updateNotice);
    connect(pView, &SpotTableView::tuneRequested, this, [this](const Spot &spot) {
        if (!m_closing)
            m_spotActions->tune(spot);
    });
    applySpotTableSettings();
    pView->spotModel()->setLogStore(m_log->store());

    m_viewMenu = new QMenu(tr("&View"), this);
    m_viewMenu->setObjectName(QStringLiteral("menuView"));
    m_viewMenu->addAction(pView->pauseAction());
    createSearch();
}

void MainWindow::createSearch()
{
    SpotTableView *pView = m_ui->tableView;
    SpotBandProxy *pProxy = pView->bandProxy();
    QLineEdit *pFind = m_ui->lineEditFind;
    connect(pFind, &QLineEdit::textChanged, pProxy, &SpotBandProxy::setFindText);
    // Enter in the field goes on to the rows it found.
    connect(pFind, &QLineEdit::returnPressed, pView, [pView] {
        pView->setFocus(Qt::ShortcutFocusReason);
        if (!pView->currentIndex().isValid() && pView->model()->rowCount() > 0)
            pView->setCurrentIndex(pView->model()->index(0, SpotModel::DX));
    });
    auto *pClearFind = new QAction(pFind);
    pClearFind->setShortcut(QKeySequence(Qt::Key_Escape));
    pClearFind->setShortcutContext(Qt::WidgetShortcut);
    pFind->addAction(pClearFind);
    connect(pClearFind, &QAction::triggered, pFind, &QLineEdit::clear);

    auto *pFindAction = new QAction(tr("&Find..."), this);
    pFindAction->setObjectName(QStringLiteral("actionFind"));
    pFindAction->setShortcut(QKeySequence::Find);
    connect(pFindAction, &QAction::triggered, pFind, [pFind] {
        pFind->setFocus(Qt::ShortcutFocusReason);
        pFind->selectAll();
    });
    m_viewMenu->addAction(pFindAction);

    m_neededOnlyAction = new QAction(QIcon(QStringLiteral(":/ico/star_red.png")), tr("&Needed only"), this);
    m_neededOnlyAction->setObjectName(QStringLiteral("actionNeededOnly"));
    m_neededOnlyAction->setCheckable(true);
    m_neededOnlyAction->setToolTip(tr("Show only spots of what your log still lacks"));
    m_neededOnlyAction->setChecked(ViewOptions::neededOnly());
    pProxy->setNeededOnly(m_neededOnlyAction->isChecked());
    connect(m_neededOnlyAction, &QAction::toggled, this, [pProxy](bool bChecked) {
        pProxy->setNeededOnly(bChecked);
        ViewOptions::setNeededOnly(bChecked);
    });
    m_viewMenu->addAction(m_neededOnlyAction);
}

void MainWindow::addDock(QDockWidget *pDock, Qt::DockWidgetArea area)
{
    addDockWidget(area, pDock);
    m_viewMenu->addAction(pDock->toggleViewAction());
}

void MainWindow::createDocks()
{
    // Fed by the table's own model: a station is one label there as it is
    // one row here.
    m_bandMapDock = new BandMapDock(spotModel(), &m_rigControl, this);
    addDock(m_bandMapDock, Qt::RightDockWidgetArea);
    m_bandMapDock->hide();
    connect(m_bandMapDock->bandMap(), &BandMapWidget::spotClicked, this, [this](const Spot &spot) {
        if (!m_closing)
            m_spotActions->tune(spot);
    });
    // The map draws what the search leaves in the table, on its own band.
    BandMapWidget *pMap = m_bandMapDock->bandMap();
    SpotBandProxy *pProxy = bandProxy();
    const auto searched = [pProxy](int iRow) {
        return pProxy->matchesSearch(iRow);
    };
    pMap->setRowFilter(searched);
    connect(pProxy, &SpotBandProxy::searchChanged, pMap, [pMap, searched] { pMap->setRowFilter(searched); });

    // The map reads the table's own rows: the band view, the find field and
    // "Needed only" apply to it as they do to the table.
    m_mapDock = new MapDock(spotTable()->sortProxy(), this);
    addDock(m_mapDock, Qt::RightDockWidgetArea);
    m_mapDock->hide();
    connect(m_mapDock->map(), &MapWidget::spotClicked, this, [this](const QModelIndex &index, const Spot &spot) {
        if (m_closing)
            return;
        if (index.isValid() && index.model() == spotTable()->model()) {
            spotTable()->setCurrentIndex(index);
            spotTable()->scrollTo(index);
        }
        m_spotActions->tune(spot);
    });

    m_console = new NodeConsole(this);
    m_console->setCluster(activeCluster());
    auto *pConsoleDock = new QDockWidget(tr("Node console"), this);
    m_consoleDock = pConsoleDock;
    // The name the window state knows the dock by.
    pConsoleDock->setObjectName(QStringLiteral("dockWidgetConsole"));
    pConsoleDock->setWidget(m_console);
    addDock(pConsoleDock, Qt::BottomDockWidgetArea);
}

void MainWindow::restoreLayout()
{
    const WindowLayout layout = SettingsStore::loadWindowLayout();
    if (layout.geometry.isEmpty())
        applyDefaultSize(m_consoleDock);
    else
        restoreGeometry(layout.geometry);
    if (!layout.state.isEmpty() && !restoreState(layout.state)) {
        QLOG_WARN() << "The stored dock layout does not read; the docks keep their default places";
    }
    if (!layout.headerState.isEmpty() && !m_ui->tableView->restoreHeaderState(layout.headerState)) {
        QLOG_WARN() << "The stored column layout does not read; the table keeps its default columns";
    }
}

void MainWindow::applyDefaultSize(QDockWidget *pConsoleDock)
{
    constexpr int kDefaultWidth = 1280;
    // A title bar the window manager adds above the client area.
    constexpr int kFrameAllowance = 40;
    // The console's input line and a few lines of the node's words; the
    // spots matter more at first.
    constexpr int kConsoleHeight = 80;
    const QScreen *pScreen = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect available = pScreen ? pScreen->availableGeometry() : QRect(0, 0, 1366, 768);
    const QSize size(qMin(kDefaultWidth, available.width()), available.height() - kFrameAllowance);
    resize(size);
    move(available.x() + (available.width() - size.width()) / 2, available.y());
    if (pConsoleDock)
        resizeDocks({pConsoleDock}, {kConsoleHeight}, Qt::Vertical);
}

void MainWindow::saveLayout()
{
    SettingsStore::saveWindowLayout({saveGeometry(), m_ui->tableView->horizontalHeader()->saveState(), saveState()});
}

void MainWindow::onNewSpot(Spot &spot)
{
    m_statistics->incrementDisplayedSpots();
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing)
        return;
    // A repeat of a station activity already shown or waiting alerts no more.
    if (m_ui->tableView->addSpot(spot, pCluster->maxSpotCount()))
        m_tray->alert(spot);
}

void MainWindow::showPendingSpots()
{
    m_ui->tableView->showPendingSpots();
}

void MainWindow::onAgeTimerExpired()
{
    if (!m_closing)
        m_ui->tableView->onAgeTimerExpired();
}

void MainWindow::updateNotice()
{
    m_status->setNotice(noticeText());
}

QString MainWindow::noticeText() const
{
    QStringList qslNotices;
    if (isPaused())
        qslNotices.append(tr("Paused: %1 spots waiting").arg(pendingSpotCount()));
    if (bandProxy()->bands() == Filter::NoBand)
        qslNotices.append(tr("No band selected"));
    if (m_countriesMissing)
        qslNotices.append(tr("Country database not available: spots are shown without countries"));
    return qslNotices.join(QStringLiteral(" \u2014 "));
}

// ---------------------------------------------------------------- bands

QPushButton *MainWindow::bandButton(int iIndex) const
{
    return findChild<QPushButton *>(QStringLiteral("pushButton") + QLatin1String(BandPlan::at(iIndex).label));
}

void MainWindow::connectBandButtons()
{
    for (int i = 0; i < BandPlan::count(); ++i) {
        const int iBand = int(BandPlan::at(i).bit);
        // A band the window has no button for is still filtered and asked for.
        if (QPushButton *pButton = bandButton(i))
            connect(pButton, &QPushButton::clicked, this,
                    [this, iBand](bool bChecked) { onBandClicked(iBand, bChecked); });
    }
    connect(m_ui->pushButtonAllm, &QPushButton::clicked, this, &MainWindow::onAllmClicked);

    // The bands from the keyboard: Alt and the digits for the HF bands, in
    // button order, Alt+A for all.
    QMenu *pBands = m_viewMenu->addMenu(tr("&Bands"));
    pBands->setObjectName(QStringLiteral("menuBands"));
    const auto addBand = [this, pBands](QPushButton *pButton, const QString &qsLabel, const QKeySequence &keys) {
        QAction *pAction = pBands->addAction(qsLabel);
        pAction->setShortcut(keys);
        connect(pAction, &QAction::triggered, pButton, &QPushButton::click);
        // Also while the menu bar is hidden or another window part has focus.
        addAction(pAction);
    };
    constexpr Qt::Key kDigits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
                                   Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_0};
    int iDigit = 0;
    for (int i = 0; i < BandPlan::count(); ++i) {
        QPushButton *pButton = bandButton(i);
        if (!pButton)
            continue;
        const QKeySequence keys =
            iDigit < int(std::size(kDigits)) ? QKeySequence(Qt::ALT | kDigits[iDigit++]) : QKeySequence();
        addBand(pButton, QString::fromLatin1(BandPlan::at(i).label), keys);
    }
    addBand(m_ui->pushButtonAllm, tr("All bands"), QKeySequence(Qt::ALT | Qt::Key_A));

    // Tab walks the window's parts in reading order; inside the table the
    // arrows move.
    QWidget *pPrevious = m_ui->pushButtonAllm;
    for (QWidget *pNext : {static_cast<QWidget *>(m_ui->lineEditFind), static_cast<QWidget *>(m_ui->tableView),
                           m_console->findChild<QWidget *>(QStringLiteral("lineEditCommand"))}) {
        if (!pNext)
            continue;
        setTabOrder(pPrevious, pNext);
        pPrevious = pNext;
    }
}

void MainWindow::onBandClicked(int iBand, bool bChecked)
{
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing)
        return;
    // With "All" every band shows checked; clicking one narrows the
    // selection to that band (the band filter drops "all" before it adds a
    // band) instead of removing it from fifteen.
    const bool bAll = pCluster->bandFilter()->bandFilterValue() == Filter::AllBands;
    if (bChecked || (bAll && iBand != Filter::AllBands))
        pCluster->addBand(iBand);
    else
        pCluster->removeBand(iBand);
}

void MainWindow::onAllmClicked(bool bChecked)
{
    onBandClicked(Filter::AllBands, bChecked);
}

void MainWindow::onBandFilterValueChanged(Filter::BandFilter bandFilter)
{
    if (m_closing || !activeCluster())
        return;
    const int iValue = int(bandFilter);
    const bool bAll = iValue == Filter::AllBands;
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (QPushButton *pButton = bandButton(i))
            pButton->setChecked(bAll || (quint32(iValue) & BandPlan::at(i).bit));
    }
    m_ui->pushButtonAllm->setChecked(bAll);
    FilterStore::saveBandSelection(iValue);
    m_ui->tableView->setBands(iValue);
    updateNotice();
}

// ---------------------------------------------------------------- context menu and tuning

void MainWindow::onCustomContextMenuRequested(const QPoint &point)
{
    if (!m_closing)
        m_spotActions->openMenu(point, m_ui->actionSend_Spot);
}

void MainWindow::onSpotDetailsTriggered()
{
    if (!m_closing)
        m_spotActions->showDetails();
}

void MainWindow::onSpotTuneRigTriggered()
{
    if (m_closing)
        return;
    showTip(Tips::TuneByDoubleClick);
    m_spotActions->tuneMenuSpot();
}

void MainWindow::onSpotDoubleClicked(const QModelIndex &index)
{
    if (m_closing)
        return;
    if (const std::optional<Spot> spot = m_ui->tableView->spotAt(index))
        m_spotActions->tune(*spot);
}
