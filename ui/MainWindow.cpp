#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include "API/QsLog/QsLog.h"
#include "Worked/WorkedCountries.h"
#include "cluster/Cluster.h"
#include "cluster/ConnectionStatus.h"
#include "cluster/SendSpot.h"
#include "log/LogFeeds.h"
#include "settings/FilterStore.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "settings/SkimmerSettings.h"
#include "settings/Statistics.h"
#include "settings/Stats.h"
#include "settings/ViewOptions.h"
#include "settings/WorkedSets.h"
#include "ui/About.h"
#include "ui/BandButtons.h"
#include "ui/BandMapDock.h"
#include "ui/DockSet.h"
#include "ui/FirstRunGuide.h"
#include "ui/MapDock.h"
#include "ui/MessageBoxes.h"
#include "ui/NodeConsole.h"
#include "ui/OperatorLog.h"
#include "ui/SpotActions.h"
#include "ui/SharingHub.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotTableView.h"
#include "ui/StatusFields.h"
#include "ui/Theme.h"
#include "ui/Tips.h"
#include "ui/TrayNotifier.h"
#include "ui/ViewMenu.h"
#include "ui/WindowCommands.h"
#include "update/CountryUpdate.h"
#include "update/DXpeditions.h"
#include "update/Updater.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

namespace {
constexpr int kStatusMessageMs = 10000;
} // namespace

MainWindow::MainWindow(QWidget *parent, const QString &qsDatabaseFile)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::MainWindow>())
{
    // The window quits the program when it closes (closeEvent); a message
    // box closing while the window sits in the tray must not.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before any widget is made, so that each is drawn once in its colours.
    m_theme = new Theme(this);
    m_theme->apply(ViewOptions::theme());
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
    // Before the settings load: the stored band selection checks them.
    m_bandButtons = new BandButtons(this, m_ui->pushButtonAllm, m_viewMenu);
    connect(m_bandButtons, &BandButtons::bandClicked, this, &MainWindow::onBandClicked);
    m_viewMenu->addThemeMenu(m_theme);
    m_bandButtons->applyStyle(Theme::isDark());
    connect(m_theme, &Theme::changed, m_bandButtons, [this] { m_bandButtons->applyStyle(Theme::isDark()); });
    createSharing();
    m_settings->loadSettings();
    onSettingsSaved();
    // Until a node and the callsign are set, a guide stands in for the table.
    m_guide = new FirstRunGuide(m_settings, m_ui->statusBar, m_ui->tableView, this);
    chainTabOrder();
    m_ui->tableView->fitColumns(countries);
    const WindowCommands commands(this, *m_ui);
    commands.fillToolBar(m_status, {m_ui->tableView->pauseAction(), m_viewMenu->neededOnlyAction()}, m_spotActions);
    commands.connectMenus(m_log->importAction(), m_viewMenu);
    m_docks->restoreLayout();
    updateNotice();
    m_sendSpot->setSettings(m_settings);
    connect(m_log->feeds(), &LogFeeds::lastQsoChanged, m_sendSpot, &SendSpot::setLastQso);
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
    m_guide->updateHint();
}

void MainWindow::showStatusMessage(const QString &qsText)
{
    if (m_guide)
        m_guide->showMessage(qsText);
    else
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

void MainWindow::onQuit()
{
    if (!m_closing)
        m_docks->saveLayout();
    m_closing = true;
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closing)
        m_docks->saveLayout();
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

void MainWindow::createSharing()
{
    m_sharing = new SharingHub(m_ui->tableView->bandProxy(), &m_worked, this);
    m_sharing->addStatusField(m_ui->statusBar);
    // A click on the panadapter selects the row, as a click in the table would.
    connect(m_sharing, &SharingHub::spotClicked, m_ui->tableView, &SpotTableView::selectModelRow);
    connect(m_sharing, &SharingHub::nodeSummaryChanged, this, [this](const QString &qsSummary) {
        m_status->setSourcesNote(qsSummary);
        m_status->showSources(m_settings->cluster());
    });
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
    m_docks->bandMapDock()->setRig(rigControlEnabled(), m_settings->hrdAddress(), m_settings->hrdPort());
    m_docks->mapDock()->setStation(m_settings->locator(), m_settings->distanceInMiles());
    applySpotTableSettings();
    m_sharing->apply(m_settings->sharing());
    const QString qsLogError = m_log->applySettings();
    if (!qsLogError.isEmpty())
        statusBar()->showMessage(tr("QSO reports cannot be received: %1").arg(qsLogError));
}

void MainWindow::applySpotTableSettings()
{
    const SpotTableSettings spotTable = SettingsStore::loadSpotTable();
    m_ui->tableView->applySettings(spotTable, m_settings->distanceInMiles());
    const SkimmerSettings skimmers = SkimmerSettings::load();
    m_ui->tableView->setHideBusted(skimmers.hideBusted);
    if (Cluster *pCluster = activeCluster()) {
        pCluster->pipeline()->setSkimmerThresholds(skimmers.thresholds);
        pCluster->pipeline()->setHideBusted(skimmers.hideBusted);
        ClusterTimings timings = pCluster->timings();
        timings.earlierSpotsFirstAnswerMs = spotTable.firstAnswerWaitSeconds * 1000;
        pCluster->setTimings(timings);
        // A spot is one report for as long as its row may stay.
        pCluster->pipeline()->setIdentityWindow(spotTable.maxAgeMinutes);
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
    connect(pCluster->pipeline(), &SpotPipeline::spotRepeated, this, &MainWindow::onSpotRepeated);
    connect(pCluster->pipeline(), &SpotPipeline::skimmerVerdictsChanged, this, [this](const QStringList &qslCalls) {
        if (!m_closing)
            m_ui->tableView->updateVerdicts(qslCalls);
    });
    connect(pCluster, &Cluster::connectionError, this, &MainWindow::onClusterConnectionError);
    connect(pCluster->bandFilter(), &Filter::bandFilterValueChanged, this, &MainWindow::onBandFilterValueChanged);
    // Each source's words, and sources coming and going with the settings.
    connect(pCluster, &Cluster::statusChanged, this, &MainWindow::onConnectionStatusChanged);
    connect(pCluster, &Cluster::sourcesChanged, this, &MainWindow::onConnectionStatusChanged);
    pCluster->setCountryLookup(&m_worked);
    pCluster->setCountryDatabase(m_db);
    applySpotTableSettings();
    m_status->showNode(*pCluster);
    m_docks->console()->setCluster(pCluster);
    m_sharing->setCluster(pCluster);
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
    m_guide->showTip(Tips::FirstConnection);
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
    pView->setVerdictSource([this]() -> const SkimmerValidator * {
        const Cluster *pCluster = activeCluster();
        return pCluster ? &pCluster->pipeline()->skimmerValidator() : nullptr;
    });
    pView->spotModel()->setLogStore(m_log->store());

    m_viewMenu = new ViewMenu(pView, m_ui->lineEditFind, this);
}

void MainWindow::createDocks()
{
    m_docks = new DockSet(this, m_viewMenu, m_ui->tableView, &m_rigControl);
    connect(m_docks, &DockSet::tuneRequested, this, [this](const Spot &spot) {
        if (!m_closing)
            m_spotActions->tune(spot);
    });
    connect(m_docks, &DockSet::mapSpotClicked, this, [this](const QModelIndex &index, const Spot &spot) {
        if (m_closing)
            return;
        if (index.isValid() && index.model() == spotTable()->model()) {
            spotTable()->setCurrentIndex(index);
            spotTable()->scrollTo(index);
        }
        m_spotActions->tune(spot);
    });
    m_docks->console()->setCluster(activeCluster());
}

void MainWindow::onNewSpot(Spot &spot)
{
    m_statistics->incrementDisplayedSpots();
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing)
        return;
    // A repeat of a station activity already shown or waiting alerts no
    // more; nor does a spot a node listed on request, which is no news.
    if (m_ui->tableView->addSpot(spot, pCluster->maxSpotCount()) && !spot.isEarlier())
        m_tray->alert(spot);
}

void MainWindow::onSpotRepeated(const Spot &spot)
{
    if (!m_closing)
        m_ui->tableView->addRepeat(spot);
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

void MainWindow::chainTabOrder()
{
    // Tab walks the window's parts in reading order; inside the table the
    // arrows move.
    // Hidden docks are passed over by Tab on their own.
    QWidget *pPrevious = m_ui->pushButtonAllm;
    QWidget *pBandMapDock = m_docks->bandMapDock();
    for (QWidget *pNext : {static_cast<QWidget *>(m_ui->lineEditFind), static_cast<QWidget *>(m_ui->tableView),
                           pBandMapDock->findChild<QWidget *>(QStringLiteral("comboBoxBandMapBand")),
                           pBandMapDock->findChild<QWidget *>(QStringLiteral("bandMap")),
                           m_docks->console()->findChild<QWidget *>(QStringLiteral("lineEditCommand"))}) {
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
    m_bandButtons->showSelection(iValue);
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
    m_guide->showTip(Tips::TuneByDoubleClick);
    m_spotActions->tuneMenuSpot();
}

void MainWindow::onSpotDoubleClicked(const QModelIndex &index)
{
    if (m_closing)
        return;
    if (const std::optional<Spot> spot = m_ui->tableView->spotAt(index))
        m_spotActions->tune(*spot);
}
