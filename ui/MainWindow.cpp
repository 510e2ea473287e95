#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "cluster/SendSpot.h"
#include "filters/BandPlan.h"
#include "settings/FilterStore.h"
#include "settings/Settings.h"
#include "settings/WorkedSets.h"
#include "settings/SettingsStore.h"
#include "settings/Stats.h"
#include "settings/Statistics.h"
#include "Worked/WorkedCountries.h"
#include "ui/About.h"
#include "ui/Delegate.h"
#include "ui/SpotModel.h"
#include "ui/SpotPopup.h"
#include "ui/MessageBoxes.h"
#include "ui/Tips.h"
#include "update/CountryUpdate.h"
#include "update/DXpeditions.h"
#include "update/Updater.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSoundEffect>
#include <QSpacerItem>
#include <QUrl>

namespace {
constexpr quint8 kResizeEvery = 10;
constexpr int kBalloonMs = 5000;
constexpr int kTuneBlinkMs = 250;
// A handful of alert sounds is all a chain holds; the bound only keeps a
// store edited by hand from piling up players.
constexpr int kMaxSoundPlayers = 16;
const int kColumnWidths[] = {80, 50, 100, 100, 100, 150, 240, 24};

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

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), m_ui(std::make_unique<Ui::MainWindow>())
{
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

    connect(m_ui->tableView, &QAbstractItemView::doubleClicked, this, &MainWindow::onSpotDoubleClicked);
    m_detailsAction = new QAction(QIcon(QStringLiteral(":/ico/Actions-help-about-icon.png")), tr("Details"), this);
    connect(m_detailsAction, &QAction::triggered, this, &MainWindow::onSpotDetailsTriggered);
    m_tuneRigAction = new QAction(QIcon(QStringLiteral(":/ico/radio_16.png")), tr("Tune Rig"), this);
    connect(m_tuneRigAction, &QAction::triggered, this, &MainWindow::onSpotTuneRigTriggered);
    connect(&m_rigControl, &RigControl::finished, this, &MainWindow::onHRDCommandsThreadFinished);
    connect(&m_rigControl, &RigControl::HRDError, this, &MainWindow::onHRDError);

    if (!Worked::openDatabase(Worked::databaseFileName(), Worked::systemCountryFile()))
        return;
    m_db = QSqlDatabase::database();
    m_worked.attachDatabase(m_db);
    m_settings->setCountryLookup(&m_worked, m_db);
    const QStringList countries = Worked::countryNames(m_db);
    m_settings->setCountryNames(countries);
    WorkedSets::fillNotWorkedOnFirstRun(countries);

    createStatusFields();
    connect(m_settings, &Settings::foundActiveNode, this, &MainWindow::onActiveClusterFound);
    connect(m_settings, &Settings::settingsSaved, this, &MainWindow::onSettingsSaved);
    connect(m_settings, &Settings::loadedDXpeditions, this, &MainWindow::onDXpeditionsLoadFinished);
    m_settings->loadSettings();
    onSettingsSaved();
    connectBandButtons();
    createSpotTable();
    fillToolBar();
    connectMenuActions();
    m_sendSpot->setSettings(m_settings);
    connect(m_sendSpot, &SendSpot::HRDError, this, &MainWindow::onHRDError);

    // Country data is imported here, whether or not a node is connected.
    m_countryUpdate = new CountryUpdate(&m_worked, m_db, this);
    connect(m_countryUpdate, &CountryUpdate::statusChanged, this, &MainWindow::onCountryStatusChanged);
    m_updater = new Updater(this);
    m_updater->setCountryUpdate(m_countryUpdate);
    connect(m_updater, &Updater::NodesUpdateFinished, m_settings, &Settings::onNodesUpdateFinished);
    startUpdateChecks();

    m_trayIcon->setToolTip(tr("Disconnected."));
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
    // Without the database the settings were never loaded.
    return m_db.isOpen() && m_settings->startMinimized();
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
}

void MainWindow::createStatusFields()
{
    // The text fields grow with their text where fonts are wider than 200
    // pixels can hold.
    auto makeField = [this](const QSize &size) {
        auto *pLabel = new QLabel(this);
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setMinimumSize(size);
        return pLabel;
    };
    m_statusDXpeditionsLabel = makeField(QSize(200, 16));
    m_statusDXpeditionsLabel->setText(tr("DXpeditions: none loaded"));
    m_statusNodeLabel = makeField(QSize(200, 16));
    m_statusConnectionIcon = makeField(QSize(16, 16));
    m_statusConnectionIcon->setFixedSize(16, 16);
    m_statusConnectionIcon->setPixmap(QPixmap(QString::fromLatin1(kOfflineIcon)));
    m_ui->statusBar->insertPermanentWidget(0, m_statusDXpeditionsLabel);
    m_ui->statusBar->insertPermanentWidget(1, m_statusNodeLabel);
    m_ui->statusBar->insertPermanentWidget(2, m_statusConnectionIcon);
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
    }

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
}

void MainWindow::onQuit()
{
    m_closing = true;
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    event->accept();
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
        showNormal();
        raise();
        activateWindow();
    }
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
    QMessageBox box;
    box.setIconPixmap(QPixmap(QStringLiteral(":/ico/exclamation_red.png")));
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
    connect(pCluster, &Cluster::getReadyForSpots, this, &MainWindow::onGetReadyForSpots);
    connect(pCluster->bandFilter(), &Filter::bandFilterValueChanged, this, &MainWindow::onBandFilterValueChanged);
    pCluster->setCountryLookup(&m_worked);
    pCluster->setCountryDatabase(m_db);
    if (m_statusNodeLabel)
        m_statusNodeLabel->setText(pCluster->address() + QLatin1Char(':') + pCluster->portText());
    pCluster->connectToNode();
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
    m_ui->actionConnect->setText(qsText);
    m_ui->actionConnect->setToolTip(qsText);
    if (m_connectButton) {
        m_connectButton->setIcon(icon);
        m_connectButton->setToolTip(qsText);
    }
}

void MainWindow::showConnectionState(const char *pTrayIcon, const QString &qsToolTip, const char *pStatusIcon)
{
    m_trayIcon->setIcon(QIcon(QString::fromLatin1(pTrayIcon)));
    m_trayIcon->setToolTip(qsToolTip);
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
    setConnectAction(QString::fromLatin1(kDisconnectIcon), tr("Disconnect"));
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
    setConnectAction(QString::fromLatin1(kConnectIcon), tr("Connect"));
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

void MainWindow::onGetReadyForSpots()
{
    m_readyForSpots = true;
}

// ---------------------------------------------------------------- spots

void MainWindow::createSpotTable()
{
    m_spotModel = new SpotModel(this);
    QTableView *pView = m_ui->tableView;
    pView->setModel(m_spotModel);
    for (int iColumn = 0; iColumn < SpotModel::ColumnCount; ++iColumn)
        pView->horizontalHeader()->resizeSection(iColumn, kColumnWidths[iColumn]);
    // Column fitting looks at the rows on screen only: measuring all 1000
    // rows on every tenth spot cost more than everything else per spot.
    pView->horizontalHeader()->setResizeContentsPrecision(0);
    pView->verticalHeader()->setResizeContentsPrecision(0);
    pView->viewport()->setAttribute(Qt::WA_Hover);
    pView->setItemDelegate(new Delegate(pView));
    connect(pView, &QWidget::customContextMenuRequested, this, &MainWindow::onCustomContextMenuRequested);
}

void MainWindow::onNewSpot(Spot &spot)
{
    m_statistics->incrementDisplayedSpots();
    Cluster *pCluster = activeCluster();
    if (!pCluster || m_closing || !m_readyForSpots || !m_spotModel)
        return;

    m_spotModel->insertSpot(spot, pCluster->maxSpotCount());
    if (m_resizeCounter == 0) {
        for (int iColumn = SpotModel::Date; iColumn <= SpotModel::DX; ++iColumn)
            m_ui->tableView->resizeColumnToContents(iColumn);
    }
    m_resizeCounter = quint8((m_resizeCounter + 1) % kResizeEvery);

    if (spot.alertFlags().testFlag(AlertFlag::Sound))
        playSound(spot.soundFile());
    if (spot.alertFlags().testFlag(AlertFlag::Balloon) && m_trayIcon) {
        m_trayIcon->showMessage(spot.dxCall(), SpotModel::balloonText(spot), QSystemTrayIcon::Information,
                                kBalloonMs);
    }
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
    if (bChecked)
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
    // "All" stands alone: with every band selected the single bands show
    // unchecked, so that clicking one of them narrows the selection to that
    // band (the band filter drops "all" before it adds a band) instead of
    // removing it from fifteen.
    const bool bAll = iValue == Filter::AllBands;
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (QPushButton *pButton = bandButton(i))
            pButton->setChecked(!bAll && (quint32(iValue) & BandPlan::at(i).bit));
    }
    m_ui->pushButtonAllm->setChecked(bAll);
    FilterStore::saveBandSelection(iValue);
}

// ---------------------------------------------------------------- context menu and tuning

void MainWindow::onCustomContextMenuRequested(const QPoint &point)
{
    if (m_closing)
        return;
    QMenu *pMenu = new QMenu(this);
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->addAction(m_detailsAction);
    pMenu->addAction(m_tuneRigAction);
    m_tuneRigAction->setEnabled(rigControlEnabled());
    pMenu->popup(m_ui->tableView->viewport()->mapToGlobal(point));
}

void MainWindow::onSpotDetailsTriggered()
{
    if (m_closing || !m_spotModel)
        return;
    auto *pPopup = new SpotPopup(this);
    pPopup->setAttribute(Qt::WA_DeleteOnClose);
    const int iRow = m_ui->tableView->currentIndex().row();
    const QString qsDxCall = iRow < 0 ? QString() : m_spotModel->item(iRow, SpotModel::DX)->text();
    pPopup->setDX(qsDxCall);
    if (iRow >= 0) {
        Spot located;
        located.setLocation(m_worked.infoForCall(qsDxCall),
                            m_worked.infoForCall(m_spotModel->item(iRow, SpotModel::Spotter)->text()),
                            m_settings->locator());
        pPopup->setLocation(located, m_settings->distanceInMiles());
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
    const QModelIndex current = m_ui->tableView->currentIndex();
    onSpotDoubleClicked(current.sibling(current.row(), SpotModel::Date));
}

void MainWindow::onSpotDoubleClicked(const QModelIndex &index)
{
    if (m_closing || !m_spotModel || !index.isValid())
        return;
    const QString qsFrequency = m_spotModel->item(index.row(), SpotModel::Frequency)->text();
    const QString qsComment = m_spotModel->item(index.row(), SpotModel::Comment)->text();
    if (m_rigControl.tune(rigControlEnabled(), m_settings->hrdAddress(), m_settings->hrdPort(),
                          m_settings->attemptSplitDetection(), qsFrequency, qsComment))
        m_tuneBlinkTimer.start();
}
