#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "cluster/ConnectionStatus.h"
#include "cluster/SendSpot.h"
#include "radio/BandPlan.h"
#include "settings/FilterStore.h"
#include "settings/Settings.h"
#include "settings/WorkedSets.h"
#include "settings/SettingsStore.h"
#include "settings/Stats.h"
#include "settings/Statistics.h"
#include "Worked/WorkedCountries.h"
#include "ui/About.h"
#include "ui/BalloonThrottle.h"
#include "ui/BandMapDock.h"
#include "ui/BandMapWidget.h"
#include "ui/Delegate.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/OperatorLog.h"
#include "ui/SpotPopup.h"
#include "ui/MessageBoxes.h"
#include "ui/NodeConsole.h"
#include "ui/Tips.h"
#include "ui/WelcomePanel.h"
#include "update/CountryUpdate.h"
#include "update/DXpeditions.h"
#include "update/Updater.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSoundEffect>
#include <QSpacerItem>
#include <QTextDocument>
#include <QUrl>

namespace {
constexpr int kAgeCheckMs = 60000;
// The longest a spot waits for the table: a few repaints a second.
constexpr int kBatchMs = 200;
// Room around a cell's text: the item margins and the grid line.
constexpr int kCellPadding = 14;
constexpr int kBalloonMs = 5000;
constexpr int kStatusMessageMs = 10000;
constexpr int kTuneBlinkMs = 250;
// A handful of alert sounds is all a chain holds; the bound only keeps a
// store edited by hand from piling up players.
constexpr int kMaxSoundPlayers = 16;
// Texts as wide as the widest a column usually holds.
const char *const kWidestTexts[] = {"28-Dec-2026", "2359Z", "QQ9QQQ-#", "10489540.0", "QQ9/QQ9QQQ/P", "", "99999", "",
                                   "AN", "40", "AN", "3590, 20,000 km", "3590, 40,000 km", "Unconf"};
constexpr int kIconColumnWidth = 24;
const QString kFallbackLongestCountry = QStringLiteral("Central African Republic");

const char *const kGreenIcon = ":/ico/Kelvane Green 256.png";
const char *const kRedIcon = ":/ico/Kelvane Red 256.png";
const char *const kOnlineIcon = ":/ico/Status-user-online-icon.png";
const char *const kOfflineIcon = ":/ico/Status-user-offline-icon.png";
const char *const kConnectingIcon = ":/ico/Status-user-connecting-icon.png";
const char *const kConnectIcon = ":/ico/Actions-network-connect-icon.png";
const char *const kDisconnectIcon = ":/ico/Actions-network-disconnect-icon.png";

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
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
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

    createTray();

    m_detailsAction = new QAction(QIcon(QStringLiteral(":/ico/Actions-help-about-icon.png")), tr("Details"), this);
    connect(m_detailsAction, &QAction::triggered, this, &MainWindow::onSpotDetailsTriggered);
    m_tuneRigAction = new QAction(QIcon(QStringLiteral(":/ico/radio_16.png")), tr("Tune Rig"), this);
    connect(m_tuneRigAction, &QAction::triggered, this, &MainWindow::onSpotTuneRigTriggered);
    connect(&m_rigControl, &RigControl::finished, this, &MainWindow::onHRDCommandsThreadFinished);
    connect(&m_rigControl, &RigControl::HRDError, this, &MainWindow::onHRDError);
    connect(&m_rigControl, &RigControl::tuneRefused, m_ui->statusBar, [this](const QString &qsWhy) {
        m_ui->statusBar->showMessage(qsWhy, kStatusMessageMs);
    });

    createStatusFields();
    QStringList countries;
    // Without the database the window still works: spots come without
    // countries, and the status bar says why.
    QString qsRepaired;
    if (Worked::openDatabase(qsDatabaseFile.isEmpty() ? Worked::databaseFileName() : qsDatabaseFile,
                             Worked::systemCountryFile(), &qsRepaired)) {
        m_db = QSqlDatabase::database();
        m_worked.setQueryFailureHandler([this](const QString &qsError) {
            QMetaObject::invokeMethod(this, [this, qsError] {
                m_ui->statusBar->showMessage(tr("Country look-ups fail; spots are shown without countries: %1").arg(qsError));
            }, Qt::QueuedConnection);
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

    connect(m_settings, &Settings::foundActiveNode, this, &MainWindow::onActiveClusterFound);
    connect(m_settings, &Settings::settingsSaved, this, &MainWindow::onSettingsSaved);
    connect(m_settings, &Settings::loadedDXpeditions, this, &MainWindow::onDXpeditionsLoadFinished);
    createSpotTable();
    m_spotModel->setLogStore(m_log->store());
    createBandMap();
    m_settings->loadSettings();
    onSettingsSaved();
    // Until a node and the callsign are set, a guide stands in for the table.
    (new WelcomePanel(m_settings, this))->standIn(m_ui->tableView);
    connectBandButtons();
    fitColumns(countries);
    fillToolBar();
    connectMenuActions();
    createConsoleDock();
    restoreLayout();
    updateNotice();
    m_sendSpot->setSettings(m_settings);
    connect(m_sendSpot, &SendSpot::HRDError, this, &MainWindow::onHRDError);
    const auto showStatus = [this](const QString &qsText) { m_ui->statusBar->showMessage(qsText); };
    connect(m_sendSpot->confirmation(), &SpotConfirmation::message, this, showStatus);
    connect(m_log, &OperatorLog::statusMessage, this, showStatus);

    // Country data is imported here, whether or not a node is connected.
    m_countryUpdate = new CountryUpdate(&m_worked, m_db, this);
    connect(m_countryUpdate, &CountryUpdate::statusChanged, this, &MainWindow::onCountryStatusChanged);
    m_updater = new Updater(this);
    m_updater->setCountryUpdate(m_countryUpdate);
    connect(m_updater, &Updater::NodesUpdateFinished, m_settings, &Settings::onNodesUpdateFinished);
    connect(m_updater, &Updater::checkFailed, this, showStatus);
    startUpdateChecks();

    m_trayIcon->setToolTip(tr("Disconnected."));
    setSendSpotEnabled(false);
    onConnectionStatusChanged();
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

void MainWindow::createTray()
{
    m_minimizeAction = new QAction(QIcon(QStringLiteral(":/ico/minimize.png")), tr("Minimize"), this);
    connect(m_minimizeAction, &QAction::triggered, this, &QWidget::hide);
    m_restoreAction = new QAction(QIcon(QStringLiteral(":/ico/restore.png")), tr("Restore"), this);
    connect(m_restoreAction, &QAction::triggered, this, &QWidget::showNormal);
    m_quitAction = new QAction(QIcon(QStringLiteral(":/ico/Action-exit-icon.png")), tr("Quit"), this);
    connect(m_quitAction, &QAction::triggered, this, &MainWindow::onQuit);

    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_minimizeAction);
    m_trayMenu->addAction(m_restoreAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_quitAction);

    m_trayIcon = new QSystemTrayIcon(QIcon(QString::fromLatin1(kRedIcon)), this);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::messageClicked, this, &QWidget::show);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::iconActivated);
    m_trayIcon->show();
    m_balloons = new BalloonThrottle(this);
    connect(m_balloons, &BalloonThrottle::balloonDue, m_trayIcon,
            [this](const QString &qsTitle, const QString &qsText) {
                m_trayIcon->showMessage(qsTitle, qsText, QSystemTrayIcon::Information, kBalloonMs);
            });
}

void MainWindow::createStatusFields()
{
    // The text fields grow with their text where fonts are wider than 200
    // pixels can hold.
    auto makeField = [this](const QSize &size) {
        auto *pLabel = new QLabel(this);
        // Node replies and the DXpeditions list's date end up here: never
        // rendered as markup.
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setMinimumSize(size);
        return pLabel;
    };
    m_statusDXpeditionsLabel = makeField(QSize(200, 16));
    m_statusDXpeditionsLabel->setText(tr("DXpeditions: none loaded"));
    m_statusNodeLabel = makeField(QSize(200, 16));
    m_statusNodeLabel->setObjectName(QStringLiteral("labelConnectionStatus"));
    m_statusConnectionIcon = makeField(QSize(16, 16));
    m_statusConnectionIcon->setFixedSize(16, 16);
    m_statusConnectionIcon->setPixmap(QPixmap(QString::fromLatin1(kOfflineIcon)));
    m_ui->statusBar->insertPermanentWidget(0, m_statusDXpeditionsLabel);
    m_ui->statusBar->insertPermanentWidget(1, m_statusNodeLabel);
    m_ui->statusBar->insertPermanentWidget(2, m_statusConnectionIcon);
    m_statusNoticeLabel = new QLabel(this);
    m_statusNoticeLabel->setTextFormat(Qt::PlainText);
    m_statusNoticeLabel->setObjectName(QStringLiteral("labelNotice"));
    m_ui->statusBar->addWidget(m_statusNoticeLabel, 1);
}

void MainWindow::fillToolBar()
{
    QToolBar *pToolBar = m_ui->mainToolBar;
    pToolBar->setContentsMargins(0, 0, 12, 0);
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
            m_connectButton = pButton;
        else if (pAction == m_ui->actionSend_Spot)
            m_sendSpotButton = pButton;
    }
    pToolBar->addAction(m_pauseAction);

    m_toolBarSpacer = new QWidget(pToolBar);
    m_toolBarSpacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    pToolBar->addWidget(m_toolBarSpacer);
    m_radioLabel = new QLabel(pToolBar);
    m_radioLabel->setPixmap(QPixmap(QStringLiteral(":/ico/radio_16.png")));
    m_radioLabel->setToolTip(tr("Tuning the rig"));
    m_radioLabel->hide();
    m_radioAction = pToolBar->addWidget(m_radioLabel);
    m_radioAction->setVisible(false);

    m_tuneBlinkTimer.setInterval(kTuneBlinkMs);
    connect(&m_tuneBlinkTimer, &QTimer::timeout, this, &MainWindow::onTuningRigTimerExpired);
}

void MainWindow::connectMenuActions()
{
    for (const MenuAction &entry : kMenuActions)
        connect((*m_ui).*entry.pAction, &QAction::triggered, this, entry.pSlot);
    m_ui->actionSettings->setShortcuts({QKeySequence(QKeySequence::Preferences), QKeySequence(Qt::CTRL | Qt::Key_Comma)});
    m_ui->actionExit->setShortcut(QKeySequence::Quit);
    m_ui->actionConnect->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_ui->menuFile->insertAction(m_ui->actionImport_DXpeditions_List, m_log->importAction());
    auto *pViewMenu = new QMenu(tr("&View"), this);
    pViewMenu->setObjectName(QStringLiteral("menuView"));
    pViewMenu->addAction(m_pauseAction);
    pViewMenu->addAction(m_bandMapDock->toggleViewAction());
    m_ui->menuBar->insertMenu(m_ui->menuHelp->menuAction(), pViewMenu);
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
    if (SettingsStore::seenTips() == Tips::kNoMoreTips)
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
    if (m_statusDXpeditionsLabel) {
        m_statusDXpeditionsLabel->setText(
            tr("DXpeditions database: updated %1, containing %2 callsigns").arg(qsDate).arg(count));
    }
}

void MainWindow::onHRDError(const QString &qsError)
{
    // Parentless, so that it shows while the window sits in the tray.
    QMessageBox box;
    box.setIconPixmap(QPixmap(QStringLiteral(":/ico/exclamation_red.png")));
    // The rig server's own words may be part of it: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(qsError);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    // Keeps short rig errors from squeezing the box to a sliver.
    if (auto *pGrid = qobject_cast<QGridLayout *>(box.layout())) {
        pGrid->addItem(new QSpacerItem(200, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), pGrid->rowCount(), 0,
                       1, pGrid->columnCount());
    }
    box.exec();
}

void MainWindow::onTuningRigTimerExpired()
{
    if (m_radioAction)
        m_radioAction->setVisible(!m_radioLabel->isVisible());
}

void MainWindow::onHRDCommandsThreadFinished()
{
    m_tuneBlinkTimer.stop();
    if (m_radioAction)
        m_radioAction->setVisible(false);
}

void MainWindow::onSettingsSaved()
{
    m_rigControl.loadHRDLibrary(rigControlEnabled());
    m_bandMapDock->setRig(rigControlEnabled(), m_settings->hrdAddress(), m_settings->hrdPort());
    applySpotTableSettings();
    const QString qsLogError = m_log->applySettings();
    if (!qsLogError.isEmpty())
        statusBar()->showMessage(tr("QSO reports cannot be received: %1").arg(qsLogError));
}

void MainWindow::applySpotTableSettings()
{
    const SpotTableSettings spotTable = SettingsStore::loadSpotTable();
    for (SpotModel *pModel : {m_spotModel, m_pendingSpots}) {
        if (!pModel)
            continue;
        pModel->setMergeDistance(spotTable.mergeDistanceKHz);
        pModel->setMaxAge(spotTable.maxAgeMinutes);
        pModel->setDistanceInMiles(m_settings->distanceInMiles());
    }
    if (Cluster *pCluster = activeCluster()) {
        ClusterTimings timings = pCluster->timings();
        timings.earlierSpotsFirstAnswerMs = spotTable.firstAnswerWaitSeconds * 1000;
        pCluster->setTimings(timings);
    }
}

void MainWindow::onCountryStatusChanged(const QString &qsStatus)
{
    m_ui->statusBar->showMessage(qsStatus);
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
    if (m_statusNodeLabel)
        m_statusNodeLabel->setText(pCluster->address() + QLatin1Char(':') + pCluster->portText());
    // The first node is found while the window is still being built.
    if (m_console)
        m_console->setCluster(pCluster);
    pCluster->connectToNode();
    onConnectionStatusChanged();
}

QString MainWindow::connectionToolTip() const
{
    const QString qsToolTip = QStringLiteral("Kelvane - ") + activeCluster()->status()->text();
    // A node's refusal is quoted in the status: shown as it stands, never as markup.
    return Qt::mightBeRichText(qsToolTip) ? Qt::convertFromPlainText(qsToolTip) : qsToolTip;
}

void MainWindow::setSendSpotEnabled(bool bEnabled)
{
    m_ui->actionSend_Spot->setEnabled(bEnabled);
    if (m_sendSpotButton)
        m_sendSpotButton->setEnabled(bEnabled);
}

void MainWindow::onConnectionStatusChanged()
{
    const Cluster *pCluster = activeCluster();
    if (!pCluster && m_statusNodeLabel)
        m_statusNodeLabel->setText(tr("No node chosen"));
    if (!pCluster || m_closing)
        return;
    const ConnectionStatus *pStatus = pCluster->status();
    if (m_statusNodeLabel)
        m_statusNodeLabel->setText(pStatus->text());
    m_trayIcon->setToolTip(connectionToolTip());
    // A spot can only go out on a live connection.
    setSendSpotEnabled(pStatus->state() == ConnectionStatus::State::Connected);
    if (pStatus->state() != ConnectionStatus::State::GaveUp)
        return;
    // Nothing will be tried any more: only the operator can mend this.
    m_statusConnectionIcon->setPixmap(QPixmap(QString::fromLatin1(kOfflineIcon)));
    auto *pBox = new QMessageBox(QMessageBox::Warning, tr("Login refused"),
                                 tr("%1\n\nCheck the callsign and the password in the node's settings, "
                                    "then connect again.")
                                     .arg(pStatus->text()),
                                 QMessageBox::Ok, this);
    pBox->setTextFormat(Qt::PlainText); // the node's reply is quoted
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *pSettings = pBox->addButton(tr("Settings…"), QMessageBox::ActionRole);
    connect(pSettings, &QPushButton::clicked, this, &MainWindow::onSettingsTriggered);
    pBox->open();
}

void MainWindow::onConnectTriggered()
{
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing)
        return;
    if (pCluster->isConnected()) {
        m_userDisconnect = true;
        pCluster->disconnectFromNode();
    } else {
        m_statusConnectionIcon->setPixmap(QPixmap(QString::fromLatin1(kConnectingIcon)));
        pCluster->connectToNode();
    }
}

void MainWindow::setConnectAction(const QString &qsIcon, const QString &qsText)
{
    const QIcon icon(qsIcon);
    m_ui->actionConnect->setIcon(icon);
    const QString qsToolTip = QString(qsText).remove(QLatin1Char('&'));
    m_ui->actionConnect->setText(qsText);
    m_ui->actionConnect->setToolTip(qsToolTip);
    if (m_connectButton) {
        m_connectButton->setIcon(icon);
        m_connectButton->setToolTip(qsToolTip);
    }
}

void MainWindow::showConnectionState(const char *pTrayIcon, const QString &qsToolTip, const char *pStatusIcon)
{
    m_trayIcon->setIcon(QIcon(QString::fromLatin1(pTrayIcon)));
    m_trayIcon->setToolTip(activeCluster() ? connectionToolTip() : qsToolTip);
    m_statusConnectionIcon->setPixmap(QPixmap(QString::fromLatin1(pStatusIcon)));
}

void MainWindow::onClusterConnected(const QString &qsAddress, quint16 uiPort)
{
    Q_UNUSED(qsAddress)
    Q_UNUSED(uiPort)
    showTip(Tips::FirstConnection);
    if (m_settings->dxpeditions())
        m_settings->dxpeditions()->load();
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing)
        return;
    m_userDisconnect = false;
    showConnectionState(kGreenIcon,
                        QStringLiteral("Kelvane") + tr(" - Connected to ") + pCluster->address() + QLatin1Char(':')
                            + pCluster->portText(),
                        kOnlineIcon);
    setConnectAction(QString::fromLatin1(kDisconnectIcon), tr("&Disconnect"));
}

void MainWindow::onClusterDisconnected(const QString &qsAddress, quint16 uiPort)
{
    Q_UNUSED(qsAddress)
    Q_UNUSED(uiPort)
    if (!activeCluster() || m_closing)
        return;
    // The connection recovers by itself unless the operator ended it.
    showConnectionState(kRedIcon, QStringLiteral("Kelvane") + tr(" - Disconnected."),
                        m_userDisconnect ? kOfflineIcon : kConnectingIcon);
    setConnectAction(QString::fromLatin1(kConnectIcon), tr("&Connect"));
}

void MainWindow::onClusterConnectionError(const QString &qsAddress, quint16 uiPort,
                                          QAbstractSocket::SocketError error)
{
    Q_UNUSED(qsAddress)
    Q_UNUSED(uiPort)
    Q_UNUSED(error)
    if (!activeCluster() || m_closing)
        return;
    showConnectionState(kRedIcon, tr("Disconnected."), kOfflineIcon);
}

// ---------------------------------------------------------------- spots

void MainWindow::createSpotTable()
{
    m_spotModel = new SpotModel(this);
    m_pendingSpots = new SpotModel(this);
    m_bandProxy = new SpotBandProxy(m_spotModel, this);
    QTableView *pView = m_ui->tableView;
    pView->setModel(m_bandProxy);
    // Row by row, so that keeping the view steady is moving it by rows.
    pView->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    pView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView *pHeader = pView->horizontalHeader();
    pHeader->setStretchLastSection(true);
    // The icon and count columns are narrower than the form's minimum.
    pHeader->setMinimumSectionSize(kIconColumnWidth);
    for (int iColumn = 0; iColumn < SpotModel::ColumnCount; ++iColumn)
        pHeader->setSectionHidden(iColumn, SpotModel::isLocationColumn(iColumn));
    pHeader->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pHeader, &QWidget::customContextMenuRequested, this, &MainWindow::onHeaderContextMenuRequested);
    pView->verticalHeader()->setResizeContentsPrecision(0);
    pView->viewport()->setAttribute(Qt::WA_Hover);
    pView->setItemDelegate(new Delegate(pView));
    connect(pView, &QWidget::customContextMenuRequested, this, &MainWindow::onCustomContextMenuRequested);
    pView->installEventFilter(this);
    pView->viewport()->installEventFilter(this);
    connect(m_bandProxy, &QAbstractItemModel::rowsInserted, this, &MainWindow::onViewRowsInserted);
    connect(m_bandProxy, &QAbstractItemModel::rowsRemoved, this, &MainWindow::onViewRowsRemoved);

    m_newSpotsButton = new QPushButton(pView);
    m_newSpotsButton->setObjectName(QStringLiteral("pushButtonNewSpots"));
    m_newSpotsButton->setCursor(Qt::PointingHandCursor);
    m_newSpotsButton->hide();
    connect(m_newSpotsButton, &QPushButton::clicked, this, &MainWindow::onNewSpotsClicked);
    connect(pView->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int iValue) {
        if (iValue == 0)
            onNewSpotsClicked();
    });

    m_pauseAction = new QAction(QIcon(QStringLiteral(":/ico/minimize.png")), tr("&Pause"), this);
    m_pauseAction->setObjectName(QStringLiteral("actionPause"));
    m_pauseAction->setCheckable(true);
    m_pauseAction->setShortcut(QKeySequence(Qt::Key_Space));
    m_pauseAction->setToolTip(tr("Pause the table (Space); spots are kept and shown on resume"));
    connect(m_pauseAction, &QAction::toggled, this, &MainWindow::onPauseToggled);

    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &MainWindow::showPendingSpots);

    m_ageTimer.setInterval(kAgeCheckMs);
    connect(&m_ageTimer, &QTimer::timeout, this, &MainWindow::onAgeTimerExpired);
    m_ageTimer.start();
    applySpotTableSettings();
}

void MainWindow::createBandMap()
{
    // Fed by the table's own model: a station is one label there as it is
    // one row here. Shown from the View menu.
    m_bandMapDock = new BandMapDock(m_spotModel, &m_rigControl, this);
    addDockWidget(Qt::RightDockWidgetArea, m_bandMapDock);
    m_bandMapDock->hide();
    connect(m_bandMapDock->bandMap(), &BandMapWidget::spotClicked, this, [this](const Spot &spot) {
        if (!m_closing)
            tuneSpot(spot);
    });
}

void MainWindow::fitColumns(const QStringList &qslCountries)
{
    QHeaderView *pHeader = m_ui->tableView->horizontalHeader();
    const QFontMetrics metrics(m_ui->tableView->font());
    const QFontMetrics headerMetrics(pHeader->font());
    QString qsLongestCountry = kFallbackLongestCountry;
    for (const QString &qsCountry : qslCountries) {
        if (metrics.horizontalAdvance(qsCountry) > metrics.horizontalAdvance(qsLongestCountry))
            qsLongestCountry = qsCountry;
    }
    for (int iColumn = 0; iColumn < SpotModel::Comment; ++iColumn) {
        if (iColumn == SpotModel::Icon) {
            pHeader->resizeSection(iColumn, kIconColumnWidth);
            continue;
        }
        const QString qsWidest = iColumn == SpotModel::Country ? qsLongestCountry
                                                               : QString::fromLatin1(kWidestTexts[iColumn]);
        const QString qsHeader = m_spotModel->headerData(iColumn, Qt::Horizontal).toString();
        pHeader->resizeSection(iColumn, qMax(metrics.horizontalAdvance(qsWidest),
                                             headerMetrics.horizontalAdvance(qsHeader) + kCellPadding)
                                            + kCellPadding);
    }
}

void MainWindow::widenColumns(const SpotModel &spots)
{
    QHeaderView *pHeader = m_ui->tableView->horizontalHeader();
    const QFontMetrics metrics(m_ui->tableView->font());
    // A text shorter than the column holds of the widest glyph fits without
    // being measured: most texts are never shaped here.
    const int iGlyph = qMax(1, metrics.maxWidth());
    for (int iColumn = SpotModel::Date; iColumn <= SpotModel::Country; ++iColumn) {
        if (pHeader->isSectionHidden(iColumn))
            continue;
        int iSection = pHeader->sectionSize(iColumn);
        for (int iRow = 0; iRow < spots.rowCount(); ++iRow) {
            const QString qsText = spots.text(iRow, SpotModel::Column(iColumn));
            if ((qsText.size() + 1) * iGlyph + kCellPadding <= iSection)
                continue;
            iSection = qMax(iSection, metrics.horizontalAdvance(qsText) + kCellPadding);
        }
        if (iSection > pHeader->sectionSize(iColumn))
            pHeader->resizeSection(iColumn, iSection);
    }
}

void MainWindow::createConsoleDock()
{
    m_console = new NodeConsole(this);
    m_console->setCluster(activeCluster());
    auto *pDock = new QDockWidget(tr("Node console"), this);
    // The name the window state knows the dock by.
    pDock->setObjectName(QStringLiteral("dockWidgetConsole"));
    pDock->setWidget(m_console);
    addDockWidget(Qt::BottomDockWidgetArea, pDock);
    if (QMenu *pViewMenu = findChild<QMenu *>(QStringLiteral("menuView")))
        pViewMenu->addAction(pDock->toggleViewAction());
}

void MainWindow::restoreLayout()
{
    const WindowLayout layout = SettingsStore::loadWindowLayout();
    if (!layout.geometry.isEmpty())
        restoreGeometry(layout.geometry);
    if (!layout.state.isEmpty() && !restoreState(layout.state)) {
        QLOG_WARN() << "The stored dock layout does not read; the docks keep their default places";
    }
    if (!layout.headerState.isEmpty()
        && !m_ui->tableView->horizontalHeader()->restoreState(layout.headerState)) {
        QLOG_WARN() << "The stored column layout does not read; the table keeps its default columns";
    }
}

void MainWindow::saveLayout()
{
    SettingsStore::saveWindowLayout(
        {saveGeometry(), m_ui->tableView->horizontalHeader()->saveState(), saveState()});
}

void MainWindow::onHeaderContextMenuRequested(const QPoint &point)
{
    if (m_closing)
        return;
    QHeaderView *pHeader = m_ui->tableView->horizontalHeader();
    auto *pMenu = new QMenu(this);
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    for (int iColumn = 0; iColumn < SpotModel::ColumnCount; ++iColumn) {
        QString qsTitle = m_spotModel->headerData(iColumn, Qt::Horizontal).toString();
        if (iColumn == SpotModel::Icon)
            qsTitle = tr("Icon");
        QAction *pAction = pMenu->addAction(qsTitle);
        pAction->setCheckable(true);
        pAction->setChecked(!pHeader->isSectionHidden(iColumn));
        // The last visible column stays: a table without columns has nothing to click.
        pAction->setEnabled(pHeader->isSectionHidden(iColumn) || pHeader->hiddenSectionCount() < SpotModel::ColumnCount - 1);
        connect(pAction, &QAction::toggled, pHeader, [pHeader, iColumn](bool bShown) {
            pHeader->setSectionHidden(iColumn, !bShown);
        });
    }
    pMenu->popup(pHeader->mapToGlobal(point));
}

void MainWindow::onNewSpot(Spot &spot)
{
    m_statistics->incrementDisplayedSpots();
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing || !m_spotModel)
        return;

    // A repeat of a station activity already shown or waiting updates its
    // row and alerts no more.
    bool bRepeat = m_spotModel->hasActivity(spot);
    bRepeat = m_pendingSpots->insertSpot(spot, pCluster->maxSpotCount()) || bRepeat;
    if (!m_batchTimer.isActive()) {
        const qint64 iSinceMs = m_sinceBatch.isValid() ? m_sinceBatch.elapsed() : kBatchMs;
        // At once after a quiet spell: still after the rest of this socket read.
        m_batchTimer.start(int(qMax<qint64>(0, kBatchMs - iSinceMs)));
    }
    if (bRepeat)
        return;

    if (spot.alertFlags().testFlag(AlertFlag::Sound))
        playSound(spot.soundFile());
    if (spot.alertFlags().testFlag(AlertFlag::Balloon) && m_balloons)
        m_balloons->alert(spot.dxCall(), SpotModel::balloonText(spot));
}

bool MainWindow::isPaused() const
{
    return m_pauseAction && m_pauseAction->isChecked();
}

int MainWindow::pendingSpotCount() const
{
    return m_pendingSpots ? m_pendingSpots->rowCount() : 0;
}

void MainWindow::onPauseToggled(bool bPaused)
{
    Q_UNUSED(bPaused)
    showPendingSpots();
}

void MainWindow::showPendingSpots()
{
    m_batchTimer.stop();
    m_sinceBatch.start();
    if (!isPaused() && m_spotModel && activeCluster() && m_pendingSpots->rowCount() > 0) {
        widenColumns(*m_pendingSpots);
        m_spotModel->takeRowsFrom(*m_pendingSpots, activeCluster()->maxSpotCount());
    }
    updateNotice();
}

void MainWindow::onAgeTimerExpired()
{
    if (m_closing || !m_spotModel)
        return;
    const int iAged = m_spotModel->removeAged() + m_pendingSpots->removeAged();
    if (iAged > 0) {
        QLOG_DEBUG() << iAged << "spot rows aged out";
    }
}

void MainWindow::onViewRowsInserted(const QModelIndex &parent, int iFirst, int iLast)
{
    Q_UNUSED(parent)
    QScrollBar *pScrollBar = m_ui->tableView->verticalScrollBar();
    const int iValue = pScrollBar->value();
    if (iValue == 0)
        return; // at the top the table follows new spots
    const int iCount = iLast - iFirst + 1;
    if (iFirst <= iValue) {
        // The rows the operator looks at stay where they are. The range
        // catches up with the new rows only at the next layout.
        pScrollBar->setMaximum(qMax(pScrollBar->maximum(), iValue + iCount));
        pScrollBar->setValue(iValue + iCount);
    }
    if (iFirst == 0) {
        m_unseenSpots += iCount;
        m_newSpotsButton->setText(m_unseenSpots == 1 ? tr("1 new spot") : tr("%1 new spots").arg(m_unseenSpots));
        m_newSpotsButton->adjustSize();
        placeNewSpotsButton();
        m_newSpotsButton->show();
        m_newSpotsButton->raise();
    }
}

void MainWindow::onViewRowsRemoved(const QModelIndex &parent, int iFirst, int iLast)
{
    Q_UNUSED(parent)
    QScrollBar *pScrollBar = m_ui->tableView->verticalScrollBar();
    const int iValue = pScrollBar->value();
    if (iLast < iValue)
        pScrollBar->setValue(iValue - (iLast - iFirst + 1));
}

void MainWindow::placeNewSpotsButton()
{
    const QTableView *pView = m_ui->tableView;
    const int iTop = pView->horizontalHeader()->isVisible() ? pView->horizontalHeader()->height() : 0;
    m_newSpotsButton->move((pView->width() - m_newSpotsButton->width()) / 2, iTop + 4);
}

void MainWindow::onNewSpotsClicked()
{
    m_unseenSpots = 0;
    if (m_newSpotsButton)
        m_newSpotsButton->hide();
    if (m_ui->tableView->verticalScrollBar()->value() != 0)
        m_ui->tableView->scrollToTop();
}

void MainWindow::updateNotice()
{
    if (m_statusNoticeLabel)
        m_statusNoticeLabel->setText(noticeText());
}

QString MainWindow::noticeText() const
{
    QStringList qslNotices;
    if (isPaused())
        qslNotices.append(tr("Paused: %1 spots waiting").arg(pendingSpotCount()));
    if (m_bandProxy && m_bandProxy->bands() == Filter::NoBand)
        qslNotices.append(tr("No band selected"));
    if (m_countriesMissing)
        qslNotices.append(tr("Country database not available: spots are shown without countries"));
    return qslNotices.join(QStringLiteral(" \u2014 "));
}

bool MainWindow::eventFilter(QObject *pWatched, QEvent *event)
{
    QTableView *pView = m_ui->tableView;
    if (pWatched == pView->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *pMouse = static_cast<QMouseEvent *>(event);
            // The second press of a double click keeps the first one's spot,
            // however the rows moved in between.
            if (!pMouse->flags().testFlag(Qt::MouseEventCreatedDoubleClick))
                m_pressedSpot = spotAt(pView->indexAt(pMouse->position().toPoint()));
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && m_pressedSpot) {
                if (!m_closing)
                    tuneSpot(*m_pressedSpot);
                return true;
            }
        }
    } else if (pWatched == pView) {
        if (event->type() == QEvent::KeyPress) {
            const int iKey = static_cast<QKeyEvent *>(event)->key();
            if (iKey == Qt::Key_Return || iKey == Qt::Key_Enter) {
                if (const std::optional<Spot> spot = spotAt(pView->currentIndex()); spot && !m_closing)
                    tuneSpot(*spot);
                return true;
            }
        } else if (event->type() == QEvent::Resize && m_newSpotsButton) {
            placeNewSpotsButton();
        }
    }
    return QMainWindow::eventFilter(pWatched, event);
}

std::optional<Spot> MainWindow::spotAt(const QModelIndex &index) const
{
    if (!index.isValid() || !m_spotModel)
        return std::nullopt;
    const QModelIndex source = index.model() == m_bandProxy ? m_bandProxy->mapToSource(index) : index;
    if (source.model() != m_spotModel || source.row() >= m_spotModel->rowCount())
        return std::nullopt;
    return m_spotModel->spotAt(source.row());
}

void MainWindow::playSound(const QString &qsFile)
{
    QSoundEffect *pEffect = m_sounds.value(qsFile);
    if (!pEffect) {
        if (m_sounds.size() >= kMaxSoundPlayers) {
            qDeleteAll(m_sounds);
            m_sounds.clear();
        }
        // Loading and playing happen off the GUI thread's back: play() on a
        // sound still loading starts it once it is ready. A missing file or
        // sound device leaves the effect in its error state, silently.
        pEffect = new QSoundEffect(this);
        pEffect->setSource(QUrl::fromLocalFile(qsFile));
        m_sounds.insert(qsFile, pEffect);
    }
    QLOG_DEBUG() << "Playing alert sound" << qsFile;
    pEffect->play();
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
            connect(pButton, &QPushButton::clicked, this, [this, iBand](bool bChecked) { onBandClicked(iBand, bChecked); });
    }
    connect(m_ui->pushButtonAllm, &QPushButton::clicked, this, &MainWindow::onAllmClicked);
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

void MainWindow::onAllmClicked(bool bChecked) { onBandClicked(Filter::AllBands, bChecked); }

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
    if (m_bandProxy)
        m_bandProxy->setBands(iValue);
    updateNotice();
}

// ---------------------------------------------------------------- context menu and tuning

void MainWindow::onCustomContextMenuRequested(const QPoint &point)
{
    if (m_closing)
        return;
    m_menuSpot = spotAt(m_ui->tableView->indexAt(point));
    if (!m_menuSpot)
        m_menuSpot = spotAt(m_ui->tableView->currentIndex());
    QMenu *pMenu = new QMenu(this);
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->addAction(m_detailsAction);
    pMenu->addAction(m_tuneRigAction);
    pMenu->addAction(m_ui->actionSend_Spot);
    m_tuneRigAction->setEnabled(rigControlEnabled());
    pMenu->popup(m_ui->tableView->viewport()->mapToGlobal(point));
}

void MainWindow::onSpotDetailsTriggered()
{
    if (m_closing || !m_spotModel)
        return;
    // The spot the menu was opened on; without a menu, the current row's.
    std::optional<Spot> spot = m_menuSpot ? m_menuSpot : spotAt(m_ui->tableView->currentIndex());
    m_menuSpot.reset();
    auto *pPopup = new SpotPopup(this);
    pPopup->setAttribute(Qt::WA_DeleteOnClose);
    const QString qsDxCall = spot ? spot->dxCall() : QString();
    pPopup->setDX(qsDxCall);
    if (spot) {
        Spot located;
        located.setLocation(m_worked.infoForCall(qsDxCall), m_worked.infoForCall(spot->spotter()),
                            m_settings->locator());
        pPopup->setLocation(located, m_settings->distanceInMiles());
        pPopup->setNeed(LogStore::needDescription(
            m_log->store()->needForSpot(spot->country(), spot->frequency(), spot->comment())));
    }
    DXpedition entry;
    if (m_settings->dxpeditions() && m_settings->dxpeditions()->value(qsDxCall, &entry)) {
        pPopup->setIOTA(entry.iota);
        pPopup->setQSLvia(entry.qslVia);
        pPopup->setReportedBy(entry.reportedBy);
        pPopup->setInfo(entry.info);
    } else {
        pPopup->setLookupLink(qsDxCall);
    }
    pPopup->show();
}

void MainWindow::onSpotTuneRigTriggered()
{
    if (m_closing || !m_spotModel)
        return;
    showTip(Tips::TuneByDoubleClick);
    const std::optional<Spot> spot = m_menuSpot ? m_menuSpot : spotAt(m_ui->tableView->currentIndex());
    m_menuSpot.reset();
    if (spot)
        tuneSpot(*spot);
}

void MainWindow::onSpotDoubleClicked(const QModelIndex &index)
{
    if (m_closing)
        return;
    if (const std::optional<Spot> spot = spotAt(index))
        tuneSpot(*spot);
}

void MainWindow::tuneSpot(const Spot &spot)
{
    QLOG_DEBUG() << "Tuning to the spot of" << spot.dxCall() << "on" << spot.frequency();
    if (m_rigControl.tune(rigControlEnabled(), m_settings->hrdAddress(), m_settings->hrdPort(),
                          m_settings->attemptSplitDetection(), spot.frequency(), spot.comment()))
        m_tuneBlinkTimer.start();
}
