#include "Settings.h"
#include "ui_Settings.h"

#include "AutostartEntry.h"
#include "FilterStore.h"
#include "NodeListPage.h"
#include "RigControlPage.h"
#include "SharingPage.h"
#include "RuleChainsPage.h"
#include "SettingsStore.h"
#include "Statistics.h"
#include "UpdateSourcesBox.h"

#include "API/QsLog/QsLog.h"
#include "Worked/Locator.h"
#include "cluster/Cluster.h"
#include "filters/Filter.h"
#include "filters/FilterChains.h"
#include "ui/MessageBoxes.h"
#include "update/DXpeditions.h"
#include "update/Updater.h"

#include <QFile>
#include <QSettings>
#include <QTextDocument>

namespace {

const QString kWarningIcon = QStringLiteral(":/ico/warning_yellow.png");

// The store holds the node passwords in plain text; other users of the
// machine have no business reading it.
void restrictStoreToOwner()
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.sync();
    if (!QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        QLOG_WARN() << "Could not make" << settings.fileName() << "private";
    }
}

} // namespace

// The station fields in the order OK asks for them.
const Settings::StationField Settings::kStationFields[] = {
    {SetupGap::Callsign, &Ui::Settings::lineEditCallsign, QT_TR_NOOP("Enter your callsign"),
     QT_TR_NOOP("The node logs you in with it.")},
    {SetupGap::Name, &Ui::Settings::lineEditName, QT_TR_NOOP("Enter your name"),
     QT_TR_NOOP("The node asks for it at the first login.")},
    {SetupGap::Qth, &Ui::Settings::lineEditQth, QT_TR_NOOP("Enter your QTH"),
     QT_TR_NOOP("The node asks for it at the first login.")},
    {SetupGap::Locator, &Ui::Settings::lineEditLocator, QT_TR_NOOP("Enter your locator"),
     QT_TR_NOOP("Bearings and distances to DX stations are worked out from it.")},
};

Settings::Settings(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::Settings>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    m_nodePage = m_ui->tabClusterNode;
    m_rulesPage = m_ui->tabFiltersAlerts;
    m_rigPage = m_ui->tabCAT;
    m_sharingPage = new SharingPage(this);
    m_sharingPage->setObjectName(QStringLiteral("tabSharing"));
    m_ui->tabWidget->addTab(m_sharingPage, tr("Sharing"));

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &Settings::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &Settings::reject);
    connect(m_ui->lineEditCallsign, &QLineEdit::textEdited, this, &Settings::lineEditToUpper);
    connect(m_ui->lineEditLocator, &QLineEdit::textEdited, this, &Settings::lineEditToUpper);

    m_updateSources = new UpdateSourcesBox({m_ui->checkBoxAutoUpdate, m_ui->checkBoxAutoUpdateNodesList}, this);
    m_ui->verticalLayoutGeneral->insertWidget(2, m_updateSources);

    m_dxpeditions = new DXpeditions(SettingsStore::dxpeditionsUrl(), this);
    connect(m_dxpeditions, &DXpeditions::LoadFinished, this, &Settings::onDXpeditionsLoadFinished);
    m_ruleContext.setCountrySets(&m_workedSets.notWorkedCountries(), &m_workedSets.workedCountries());
    m_ruleContext.setDXpeditions(m_dxpeditions);
    m_rulesPage->setSources(&m_workedSets, &m_ruleContext);
    m_rulesPage->setChains(chains());
    m_dxpeditions->load();
    m_dxpeditionsTimer.setInterval(kDXpeditionsIntervalMs);
    connect(&m_dxpeditionsTimer, &QTimer::timeout, this, &Settings::onDXpeditionsUpdateTimerExpired);
    m_dxpeditionsTimer.start();
}

Settings::~Settings()
{
    // Rules of the chains point into the worked sets and the DXpeditions
    // list; the chains go first.
    m_rulesPage->setChains(nullptr);
    delete m_cluster;
    m_cluster = nullptr;
    m_draftChains.reset();
}

void Settings::setCountryLookup(const Worked *pWorked, const QSqlDatabase &db)
{
    m_worked = pWorked;
    m_countryDatabase = db;
    if (m_cluster) {
        m_cluster->setCountryLookup(pWorked);
        m_cluster->setCountryDatabase(db);
    }
}

void Settings::setLogStore(const LogStore *pLogStore)
{
    // The rules hold the context, so those already loaded ask this log too.
    m_ruleContext.setLogStore(pLogStore);
}

void Settings::setCountryNames(const QStringList &countries)
{
    for (const QString &qsCountry : countries)
        m_rulesPage->addCountry(qsCountry);
}

SharingSettings Settings::sharing() const
{
    return m_sharingPage->sharing();
}

QString Settings::callsign() const
{
    return m_ui->lineEditCallsign->text();
}
QString Settings::name() const
{
    return m_ui->lineEditName->text();
}
QString Settings::qth() const
{
    return m_ui->lineEditQth->text();
}
QString Settings::locator() const
{
    return m_ui->lineEditLocator->text();
}
bool Settings::isHRDEnabled() const
{
    return m_rigPage->isHRDEnabled();
}
QString Settings::hrdAddress() const
{
    return m_rigPage->hrdAddress();
}
quint16 Settings::hrdPort() const
{
    return m_rigPage->hrdPort();
}
bool Settings::attemptSplitDetection() const
{
    return m_rigPage->attemptSplitDetection();
}
const QList<ClusterNode> &Settings::nodes() const
{
    return m_nodePage->nodes();
}
int Settings::activeIndex() const
{
    return m_nodePage->activeIndex();
}
bool Settings::distanceInMiles() const
{
    return m_ui->checkBoxDistanceInMiles->isChecked();
}
bool Settings::startMinimized() const
{
    return m_ui->checkBoxStartMinimized->isChecked();
}
bool Settings::autoUpdate() const
{
    return m_ui->checkBoxAutoUpdate->isChecked();
}
bool Settings::autoUpdateNodes() const
{
    return m_ui->checkBoxAutoUpdateNodesList->isChecked();
}
bool Settings::autoUpdateCountries() const
{
    return m_ui->checkBoxAutoUpdateCountriesDb->isChecked();
}

void Settings::loadSettings()
{
    const GeneralSettings general = SettingsStore::loadGeneral();
    m_ui->lineEditCallsign->setText(general.callsign);
    m_ui->lineEditName->setText(general.name);
    m_ui->lineEditQth->setText(general.qth);
    m_ui->lineEditLocator->setText(general.locator);
    m_ui->checkBoxRunAtStartup->setChecked(AutostartEntry::isEnabled());
    m_ui->checkBoxStartMinimized->setChecked(general.startMinimized);
    m_ui->checkBoxDistanceInMiles->setChecked(general.distanceInMiles);
    m_ui->checkBoxAutoUpdate->setChecked(general.autoUpdate);
    m_ui->checkBoxAutoUpdateNodesList->setChecked(general.autoUpdateNodes);
    m_ui->checkBoxAutoUpdateCountriesDb->setChecked(general.autoUpdateCountries);
    m_updateSources->load();
    const SpotTableSettings spotTable = SettingsStore::loadSpotTable();
    m_ui->doubleSpinBoxMergeDistance->setValue(spotTable.mergeDistanceKHz);
    m_ui->spinBoxMaxAge->setValue(spotTable.maxAgeMinutes);
    m_ui->spinBoxFirstAnswerWait->setValue(spotTable.firstAnswerWaitSeconds);

    m_workedSets.load();

    const NodeList nodeList = SettingsStore::loadNodes();
    m_nodesListVersion = nodeList.version;
    m_nodePage->setNodes(nodeList.nodes, nodeList.activeIndex);
    applyNodes();

    m_rigPage->setCat(SettingsStore::loadCat());
    m_ui->tabLog->setLog(SettingsStore::loadLog());
    m_sharingPage->setSharing(SharingSettings::load());
    m_ui->tabSkimmers->setSkimmers(SkimmerSettings::load());

    loadChains();
}

void Settings::saveSettings()
{
    QLOG_DEBUG() << "Saving settings to registry";
    GeneralSettings general;
    general.callsign = callsign();
    general.name = name();
    general.qth = qth();
    general.locator = locator();
    general.distanceInMiles = distanceInMiles();
    general.startMinimized = startMinimized();
    general.autoUpdate = autoUpdate();
    general.autoUpdateNodes = autoUpdateNodes();
    general.autoUpdateCountries = autoUpdateCountries();
    SettingsStore::saveGeneral(general);
    m_updateSources->save();
    SettingsStore::saveSpotTable({m_ui->doubleSpinBoxMergeDistance->value(), m_ui->spinBoxMaxAge->value(),
                                  m_ui->spinBoxFirstAnswerWait->value()});
    m_dxpeditions->setUrl(SettingsStore::dxpeditionsUrl());
    if (!AutostartEntry::setEnabled(m_ui->checkBoxRunAtStartup->isChecked())) {
        QLOG_ERROR() << "Could not change the autostart entry" << AutostartEntry::filePath();
    }

    NodeList nodeList;
    nodeList.version = m_nodesListVersion;
    nodeList.nodes = nodes();
    nodeList.activeIndex = activeIndex();
    SettingsStore::saveNodes(nodeList);
    restrictStoreToOwner();

    SettingsStore::saveCat(m_rigPage->cat());
    SettingsStore::saveLog(m_ui->tabLog->log());
    SharingSettings::save(m_sharingPage->sharing());
    m_ui->tabSkimmers->skimmers().save();

    FilterStore::saveChains(*chains());
}

void Settings::accept()
{
    if (refuseGap())
        return;
    if (!Locator::isValid(locator())) {
        // Bearings and distances are worked out from it; a wrong one would
        // point the antenna the wrong way without a word.
        const QString qsMessage = tr("The locator \"%1\" is not a valid Maidenhead locator. Enter four or six "
                                     "characters, such as JO62 or JO62QM.");
        MessageBoxes::warning(this, qsMessage.arg(locator()));
        m_ui->lineEditLocator->setFocus();
        return;
    }
    const QString qsSharingProblem = m_sharingPage->problem();
    if (!qsSharingProblem.isEmpty()) {
        m_ui->tabWidget->setCurrentWidget(m_sharingPage);
        MessageBoxes::warning(this, qsSharingProblem);
        return;
    }
    saveSettings();
    applyNodes();
    loadChains();
    Q_EMIT settingsSaved();
    QDialog::accept();
}

void Settings::reject()
{
    loadSettings();
    QDialog::reject();
}

void Settings::showEvent(QShowEvent *pEvent)
{
    m_rulesPage->refreshRuleTables();
    m_nodePage->disableNodeButtons();
    m_rigPage->layOutPanels();
    QDialog::showEvent(pEvent);
}

FilterChains *Settings::chains()
{
    if (m_cluster)
        return &m_cluster->chains();
    if (!m_draftChains)
        m_draftChains = std::make_unique<FilterChains>();
    return m_draftChains.get();
}

void Settings::applyNodes()
{
    const QList<ClusterNode> nodes = m_nodePage->connectedNodes();
    const ClusterStation station {callsign(), name(), qth(), locator()};
    if (nodes.isEmpty())
        return; // the connections stay until the operator chooses a node again
    if (m_cluster) {
        // Only sources whose own settings changed are dropped and logged in
        // anew; a change of rig or log options leaves every connection be.
        m_cluster->setStation(station);
        m_cluster->setNodes(nodes);
        return;
    }
    m_cluster = new Cluster(station, kMaxSpotCount, this);
    m_cluster->setCountryLookup(m_worked);
    m_cluster->setCountryDatabase(m_countryDatabase);
    m_cluster->setStatistics(Statistics::instance());
    m_cluster->setNodes(nodes);
    m_draftChains.reset();
    m_rulesPage->setChains(chains());
    Q_EMIT foundActiveNode();
}

void Settings::loadChains()
{
    FilterChains *pChains = chains();
    FilterStore::loadChains(*pChains, &m_ruleContext);
    m_rulesPage->setChains(pChains);
    m_rulesPage->showDefaultAction(FilterStore::storedDefaultFilter());
    m_rulesPage->refreshRuleTables();
}

Settings::SetupGap Settings::setupGap() const
{
    if (!m_nodePage->activeNode())
        return SetupGap::Node;
    for (const StationField &field : kStationFields) {
        if (((*m_ui).*field.pLineEdit)->text().trimmed().isEmpty())
            return field.gap;
    }
    return SetupGap::None;
}

const Settings::StationField *Settings::stationField(SetupGap gap)
{
    for (const StationField &field : kStationFields) {
        if (field.gap == gap)
            return &field;
    }
    return nullptr;
}

void Settings::showPage(SetupGap gap)
{
    const StationField *pField = stationField(gap);
    if (gap == SetupGap::Node)
        m_ui->tabWidget->setCurrentWidget(m_nodePage);
    else if (pField)
        m_ui->tabWidget->setCurrentWidget(m_ui->tabGeneral);
    show();
    raise();
    activateWindow();
    if (pField)
        ((*m_ui).*pField->pLineEdit)->setFocus();
}

bool Settings::refuseGap()
{
    const SetupGap gap = setupGap();
    if (gap == SetupGap::None)
        return false;
    if (const StationField *pField = stationField(gap)) {
        MessageBoxes::error(this, tr(pField->pText), tr(pField->pHint), kWarningIcon);
    } else {
        MessageBoxes::error(this, tr("Choose a node"),
                            tr("Kelvane connects to the node ticked in the list. Add one, or pick one from the "
                               "public node list, and tick it."),
                            kWarningIcon);
    }
    showPage(gap);
    return true;
}

void Settings::lineEditToUpper(const QString &qsText)
{
    auto *pLineEdit = qobject_cast<QLineEdit *>(sender());
    if (!pLineEdit)
        return;
    const int iCursor = pLineEdit->cursorPosition();
    pLineEdit->setText(qsText.toUpper());
    pLineEdit->setCursorPosition(iCursor);
}

// --- DXpeditions and the node list from the updater ---

void Settings::onDXpeditionsUpdateTimerExpired()
{
    if (m_dxpeditions)
        m_dxpeditions->load();
}

void Settings::onDXpeditionsLoadFinished(const QString &qsDate, int iCount)
{
    Q_EMIT loadedDXpeditions(qsDate, iCount);
}

void Settings::onNodesUpdateFinished()
{
    // The merge keeps the active node, and with it the connection; a user
    // without one has the main window's guide to pick one.
    loadSettings();
}

// --- The pages' slots ---

void Settings::onActiveNodeChanged(const QModelIndex &index)
{
    m_nodePage->onActiveNodeChanged(index);
}
void Settings::onActiveNodeEdit(const QModelIndex &index)
{
    m_nodePage->onActiveNodeEdit(index);
}
void Settings::onAddNodeClicked()
{
    m_nodePage->onAddNodeClicked();
}
void Settings::onAddFromListClicked()
{
    m_nodePage->onAddFromListClicked();
}
void Settings::onEditNodeClicked()
{
    m_nodePage->onEditNodeClicked();
}
void Settings::onDeleteNodeClicked()
{
    m_nodePage->onDeleteNodeClicked();
}
void Settings::onNodePropertiesAccepted(NodeProperties::NodePropertiesOperation operation, const ClusterNode &node)
{
    m_nodePage->onNodePropertiesAccepted(operation, node);
}
void Settings::onDefaultActionChanged(int iIndex)
{
    m_rulesPage->onDefaultActionChanged(iIndex);
}
void Settings::onFilterClicked(const QModelIndex &index)
{
    m_rulesPage->onFilterClicked(index);
}
void Settings::onFilterDoubleClicked(const QModelIndex &index)
{
    m_rulesPage->onFilterDoubleClicked(index);
}
void Settings::onAddFilterClicked()
{
    m_rulesPage->onAddFilterClicked();
}
void Settings::onEditFilterClicked()
{
    m_rulesPage->onEditFilterClicked();
}
void Settings::onRemoveFilterClicked()
{
    m_rulesPage->onRemoveFilterClicked();
}
void Settings::onMoveUpFilterClicked()
{
    m_rulesPage->onMoveUpFilterClicked();
}
void Settings::onMoveDownFilterClicked()
{
    m_rulesPage->onMoveDownFilterClicked();
}
void Settings::onAlertClicked(const QModelIndex &index)
{
    m_rulesPage->onAlertClicked(index);
}
void Settings::onAlertDoubleClicked(const QModelIndex &index)
{
    m_rulesPage->onAlertDoubleClicked(index);
}
void Settings::onAddAlertClicked()
{
    m_rulesPage->onAddAlertClicked();
}
void Settings::onEditAlertClicked()
{
    m_rulesPage->onEditAlertClicked();
}
void Settings::onRemoveAlertClicked()
{
    m_rulesPage->onRemoveAlertClicked();
}
void Settings::onMoveUpAlertClicked()
{
    m_rulesPage->onMoveUpAlertClicked();
}
void Settings::onMoveDownAlertClicked()
{
    m_rulesPage->onMoveDownAlertClicked();
}
void Settings::onFilterPropertiesAccepted(FilterProperties::FilterPropertiesOperation operation, Filter *pFilter)
{
    m_rulesPage->onFilterPropertiesAccepted(operation, pFilter);
}
void Settings::onAlertPropertiesAccepted(AlertProperties::AlertPropertiesOperation operation, Filter *pAlert)
{
    m_rulesPage->onAlertPropertiesAccepted(operation, pAlert);
}
void Settings::onDownloadHRDmoduleClicked()
{
    m_rigPage->onDownloadHRDmoduleClicked();
}
void Settings::onHRDEnabled(bool bChecked)
{
    m_rigPage->onHRDEnabled(bChecked);
}
void Settings::onDownloadHRDModuleStarted()
{
    m_rigPage->onDownloadHRDModuleStarted();
}
void Settings::onDownloadHRDModuleFinished()
{
    m_rigPage->onDownloadHRDModuleFinished();
}
void Settings::onDownloadHRDModuleError(const QString &qsError)
{
    m_rigPage->onDownloadHRDModuleError(qsError);
}
void Settings::onDownloadHRDModuleProgress(quint8 quiPercent)
{
    m_rigPage->onDownloadHRDModuleProgress(quiPercent);
}
