#include "Settings.h"
#include "ui_Settings.h"

#include "AutostartEntry.h"
#include "FilterStore.h"
#include "NodeListMerge.h"
#include "PublicNodesDialog.h"
#include "SettingsStore.h"
#include "UpdateSourcesBox.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "filters/Filter.h"
#include "rig/RigControl.h"
#include "ui/MessageBoxes.h"
#include "ui/Tips.h"
#include "update/DXpeditions.h"
#include "update/Download.h"
#include "update/Updater.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPropertyAnimation>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>

namespace {

constexpr int kAnimationMs = 500;
constexpr int kAnimationDelayMs = 500;
constexpr int kDownloadPanelHeight = 48;
constexpr int kModuleControlsY = 63;
constexpr int kCatOptionsY = 149;
constexpr int kCatSpacing = 6;

const QString kAcceptIcon = QStringLiteral(":/ico/Actions-dialog-ok-apply-icon.png");
const QString kStopIcon = QStringLiteral(":/ico/Actions-dialog-cancel-icon.png");

// The store holds the node passwords in plain text; other users of the
// machine have no business reading it.
void restrictStoreToOwner()
{
    QSettings settings = SettingsStore::openStore();
    settings.sync();
    if (!QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        QLOG_WARN() << "Could not make" << settings.fileName() << "private";
    }
}

QString hrdModulePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/')
           + RigControl::libraryFileName();
}

} // namespace

Settings::Settings(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Settings>())
    , m_hrdModuleDownload(new Download(this))
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    m_nodeProperties = new NodeProperties(this);
    m_filterProperties = new FilterProperties(&m_workedSets, this);
    m_alertProperties = new AlertProperties(&m_workedSets, this);

    m_typeNames = {{Filter::None, tr("None")},
                   {Filter::Drop, tr("Drop")},
                   {Filter::Accept, tr("Accept")},
                   {Filter::Band, tr("Band")},
                   {Filter::Call, tr("Call")},
                   {Filter::Country, tr("Country")},
                   {Filter::DXpeditionIota, tr("DXpedition/IOTA")},
                   {Filter::WorkedCountries, tr("Worked Countries")},
                   {Filter::NewCountries, tr("New Countries")}};
    m_bandNames = {{Filter::NoBand, tr("None")},    {Filter::Band160m, tr("160m")}, {Filter::Band80m, tr("80m")},
                   {Filter::Band60m, tr("60m")},    {Filter::Band40m, tr("40m")},   {Filter::Band30m, tr("30m")},
                   {Filter::Band20m, tr("20m")},    {Filter::Band17m, tr("17m")},   {Filter::Band15m, tr("15m")},
                   {Filter::Band12m, tr("12m")},    {Filter::Band10m, tr("10m")},   {Filter::Band6m, tr("6m")},
                   {Filter::Band4m, tr("4m")},      {Filter::Band2m, tr("2m")},     {Filter::Band70cm, tr("70cm")},
                   {Filter::Band23cm, tr("23cm")}};

    m_ui->tableViewNodesList->setModel(&m_nodeModel);
    m_ui->tableViewFilters->setModel(&m_filterModel);
    m_ui->tableViewAlerts->setModel(&m_alertModel);
    m_nodeModel.setHorizontalHeaderLabels({tr("Active"), tr("Name"), tr("Address"), tr("Port")});
    m_filterModel.setHorizontalHeaderLabels({tr("Type"), tr("Value")});
    m_alertModel.setHorizontalHeaderLabels(
        {tr("Type"), tr("Value"), tr("Color"), tr("Sound"), tr("Icon"), tr("Popup")});
    const int nodeWidths[] = {50, 100, 200, 50};
    for (int i = 0; i < 4; ++i)
        m_ui->tableViewNodesList->setColumnWidth(i, nodeWidths[i]);
    m_ui->tableViewFilters->setColumnWidth(0, 125);
    m_ui->tableViewFilters->setColumnWidth(1, 200);
    const int alertWidths[] = {125, 150, 49, 150, 49, 49};
    for (int i = 0; i < 6; ++i)
        m_ui->tableViewAlerts->setColumnWidth(i, alertWidths[i]);

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &Settings::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &Settings::reject);
    connect(m_ui->lineEditCallsign, &QLineEdit::textEdited, this, &Settings::lineEditToUpper);
    connect(m_ui->lineEditLocator, &QLineEdit::textEdited, this, &Settings::lineEditToUpper);

    connect(m_ui->tableViewNodesList, &QTableView::clicked, this, &Settings::onActiveNodeChanged);
    connect(m_ui->tableViewNodesList, &QTableView::doubleClicked, this, &Settings::onActiveNodeEdit);
    connect(m_ui->pushButtonAddNode, &QPushButton::clicked, this, &Settings::onAddNodeClicked);
    connect(m_ui->pushButtonAddFromList, &QPushButton::clicked, this, &Settings::onAddFromListClicked);
    connect(m_ui->pushButtonEditNode, &QPushButton::clicked, this, &Settings::onEditNodeClicked);
    connect(m_ui->pushButtonDeleteNode, &QPushButton::clicked, this, &Settings::onDeleteNodeClicked);
    connect(m_nodeProperties, &NodeProperties::nodeAccepted, this, &Settings::onNodePropertiesAccepted);

    connect(m_ui->comboBoxDefaultAction, &QComboBox::currentIndexChanged, this, &Settings::onDefaultActionChanged);
    connect(m_ui->tableViewFilters, &QTableView::clicked, this, &Settings::onFilterClicked);
    connect(m_ui->tableViewFilters, &QTableView::doubleClicked, this, &Settings::onFilterDoubleClicked);
    connect(m_ui->pushButtonAddFilter, &QPushButton::clicked, this, &Settings::onAddFilterClicked);
    connect(m_ui->pushButtonEditFilter, &QPushButton::clicked, this, &Settings::onEditFilterClicked);
    connect(m_ui->pushButtonRemoveFilter, &QPushButton::clicked, this, &Settings::onRemoveFilterClicked);
    connect(m_ui->pushButtonMoveUpFilter, &QPushButton::clicked, this, &Settings::onMoveUpFilterClicked);
    connect(m_ui->pushButtonMoveDownFilter, &QPushButton::clicked, this, &Settings::onMoveDownFilterClicked);
    connect(m_ui->tableViewAlerts, &QTableView::clicked, this, &Settings::onAlertClicked);
    connect(m_ui->tableViewAlerts, &QTableView::doubleClicked, this, &Settings::onAlertDoubleClicked);
    connect(m_ui->pushButtonAddAlert, &QPushButton::clicked, this, &Settings::onAddAlertClicked);
    connect(m_ui->pushButtonEditAlert, &QPushButton::clicked, this, &Settings::onEditAlertClicked);
    connect(m_filterProperties, &FilterProperties::filterAccepted, this, &Settings::onFilterPropertiesAccepted);
    connect(m_alertProperties, &AlertProperties::alertAccepted, this, &Settings::onAlertPropertiesAccepted);
    connect(m_ui->pushButtonRemoveAlert, &QPushButton::clicked, this, &Settings::onRemoveAlertClicked);
    connect(m_ui->pushButtonMoveUpAlert, &QPushButton::clicked, this, &Settings::onMoveUpAlertClicked);
    connect(m_ui->pushButtonMoveDownAlert, &QPushButton::clicked, this, &Settings::onMoveDownAlertClicked);

    connect(m_ui->groupBoxHRD, &QGroupBox::toggled, this, &Settings::onHRDEnabled);
    connect(m_ui->pushButtonDownloadHRDModule, &QPushButton::clicked, this, &Settings::onDownloadHRDmoduleClicked);
    connect(m_hrdModuleDownload, &Download::started, this, &Settings::onDownloadHRDModuleStarted);
    connect(m_hrdModuleDownload, &Download::finished, this, &Settings::onDownloadHRDModuleFinished);
    connect(m_hrdModuleDownload, &Download::error, this, &Settings::onDownloadHRDModuleError);
    connect(m_hrdModuleDownload, &Download::progress, this, &Settings::onDownloadHRDModuleProgress);
    m_downloadPanelAnimation = new QPropertyAnimation(m_ui->widgetHRDModuleDownloadControls, "geometry", this);
    m_moduleControlsAnimation = new QPropertyAnimation(m_ui->widgetCATModuleControls, "geometry", this);
    m_catOptionsAnimation = new QPropertyAnimation(m_ui->widgetCATOptions, "geometry", this);
    for (QPropertyAnimation *pAnimation : {m_downloadPanelAnimation, m_moduleControlsAnimation, m_catOptionsAnimation})
        pAnimation->setDuration(kAnimationMs);
    connect(m_downloadPanelAnimation, &QPropertyAnimation::finished, this, &Settings::layOutCatTab);
    // The CAT tab places its panels by hand (they slide after a download),
    // so their width follows the tab's.
    m_ui->tabCAT->installEventFilter(this);

    m_updateSources = new UpdateSourcesBox({m_ui->checkBoxAutoUpdate, m_ui->checkBoxAutoUpdateNodesList}, this);
    m_ui->verticalLayoutGeneral->insertWidget(2, m_updateSources);

    m_dxpeditions = new DXpeditions(SettingsStore::dxpeditionsUrl(), this);
    connect(m_dxpeditions, &DXpeditions::LoadFinished, this, &Settings::onDXpeditionsLoadFinished);
    m_dxpeditions->load();
    m_dxpeditionsTimer.setInterval(kDXpeditionsIntervalMs);
    connect(&m_dxpeditionsTimer, &QTimer::timeout, this, &Settings::onDXpeditionsUpdateTimerExpired);
    m_dxpeditionsTimer.start();
}

Settings::~Settings()
{
    // Rules of the chains point into the worked sets and the DXpeditions
    // list; the chains go first.
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

void Settings::setCountryNames(const QStringList &countries)
{
    for (const QString &qsCountry : countries) {
        m_filterProperties->addCountry(qsCountry);
        m_alertProperties->addCountry(qsCountry);
    }
}

QString Settings::callsign() const { return m_ui->lineEditCallsign->text(); }
QString Settings::name() const { return m_ui->lineEditName->text(); }
QString Settings::qth() const { return m_ui->lineEditQth->text(); }
QString Settings::locator() const { return m_ui->lineEditLocator->text(); }
bool Settings::isHRDEnabled() const { return m_ui->groupBoxHRD->isChecked(); }
QString Settings::hrdAddress() const { return m_ui->lineEditHRDAddress->text(); }
quint16 Settings::hrdPort() const { return quint16(m_ui->spinBoxHRDPort->value()); }
bool Settings::attemptSplitDetection() const { return m_ui->checkBoxAttemptSplitModeDetection->isChecked(); }
bool Settings::startMinimized() const { return m_ui->checkBoxStartMinimized->isChecked(); }
bool Settings::autoUpdate() const { return m_ui->checkBoxAutoUpdate->isChecked(); }
bool Settings::autoUpdateNodes() const { return m_ui->checkBoxAutoUpdateNodesList->isChecked(); }
bool Settings::autoUpdateCountries() const { return m_ui->checkBoxAutoUpdateCountriesDb->isChecked(); }

void Settings::loadSettings()
{
    const GeneralSettings general = SettingsStore::loadGeneral();
    m_ui->lineEditCallsign->setText(general.callsign);
    m_ui->lineEditName->setText(general.name);
    m_ui->lineEditQth->setText(general.qth);
    m_ui->lineEditLocator->setText(general.locator);
    m_ui->checkBoxRunAtStartup->setChecked(AutostartEntry::isEnabled());
    m_ui->checkBoxStartMinimized->setChecked(general.startMinimized);
    m_ui->checkBoxAutoUpdate->setChecked(general.autoUpdate);
    m_ui->checkBoxAutoUpdateNodesList->setChecked(general.autoUpdateNodes);
    m_ui->checkBoxAutoUpdateCountriesDb->setChecked(general.autoUpdateCountries);
    m_updateSources->load();

    m_workedSets.load();

    const NodeList nodeList = SettingsStore::loadNodes();
    m_nodesListVersion = nodeList.version;
    m_nodes = nodeList.nodes;
    m_activeIndex = nodeList.activeIndex;
    // Of several nodes stored as active the last one wins; only it keeps
    // the flag, so that a later click never leaves two nodes marked.
    for (int i = 0; i < m_nodes.size(); ++i)
        m_nodes[i].setActive(i == m_activeIndex);
    if (m_activeIndex >= 0) {
        const ClusterNode &node = m_nodes.at(m_activeIndex);
        if (!m_cluster || m_cluster->address() != node.address())
            replaceCluster(node);
    }
    refreshNodeTable();

    const CatSettings cat = SettingsStore::loadCat();
    m_ui->groupBoxHRD->setChecked(cat.hrdServer);
    m_ui->groupBoxCATOptions->setEnabled(cat.hrdServer);
    m_ui->checkBoxAttemptSplitModeDetection->setChecked(cat.attemptSplitDetection);
    m_ui->lineEditHRDAddress->setText(cat.hrdAddress);
    m_ui->spinBoxHRDPort->setValue(cat.hrdPort);

    // The chains are in place before a warning box runs the event loop, so a
    // node that answers meanwhile meets the stored rules.
    loadChains();

    if (m_nodesListUpdated) {
        m_nodesListUpdated = false;
        MessageBoxes::warning(
            this, tr("The nodes list has been updated. Go to Settings and select a node to connect to."));
    } else if (m_activeIndex < 0) {
        MessageBoxes::warning(this,
                              tr("There is no node selected. Go to Settings and select a node to connect to."));
    } else if (!isStationInfoComplete()) {
        MessageBoxes::warning(this, tr("The Station information is missing or is incomplete. Go to Settings "
                                       "and set your callsign, name, QTH and locator."));
    }
}

void Settings::saveSettings()
{
    QLOG_DEBUG() << "Saving settings to registry";
    GeneralSettings general;
    general.callsign = callsign();
    general.name = name();
    general.qth = qth();
    general.locator = locator();
    general.startMinimized = startMinimized();
    general.autoUpdate = autoUpdate();
    general.autoUpdateNodes = autoUpdateNodes();
    general.autoUpdateCountries = autoUpdateCountries();
    SettingsStore::saveGeneral(general);
    m_updateSources->save();
    m_dxpeditions->setUrl(SettingsStore::dxpeditionsUrl());
    if (!AutostartEntry::setEnabled(m_ui->checkBoxRunAtStartup->isChecked())) {
        QLOG_ERROR() << "Could not change the autostart entry" << AutostartEntry::filePath();
    }

    NodeList nodeList;
    nodeList.version = m_nodesListVersion;
    nodeList.nodes = m_nodes;
    nodeList.activeIndex = m_activeIndex;
    SettingsStore::saveNodes(nodeList);
    restrictStoreToOwner();

    CatSettings cat;
    cat.hrdServer = isHRDEnabled();
    cat.attemptSplitDetection = attemptSplitDetection();
    cat.hrdAddress = hrdAddress();
    cat.hrdPort = hrdPort();
    SettingsStore::saveCat(cat);

    FilterStore::saveChains(*chains());
}

void Settings::accept()
{
    if (m_activeIndex < 0 || m_activeIndex >= m_nodes.size()) {
        MessageBoxes::warning(this, tr("There is no node selected. You have to select a node to connect to."));
        return;
    }
    if (!isStationInfoComplete()) {
        MessageBoxes::warning(this, tr("The Station information is missing or is incomplete. Go to Settings "
                                       "and set your callsign, name, QTH and locator."));
        return;
    }
    saveSettings();
    replaceCluster(m_nodes.at(m_activeIndex));
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
    refreshRuleTables();
    m_ui->pushButtonEditNode->setEnabled(false);
    m_ui->pushButtonDeleteNode->setEnabled(false);
    layOutCatTab();
    QDialog::showEvent(pEvent);
}

bool Settings::eventFilter(QObject *pWatched, QEvent *pEvent)
{
    if (pWatched == m_ui->tabCAT && pEvent->type() == QEvent::Resize) {
        const int iWidth = m_ui->tabCAT->width();
        for (QWidget *pWidget : {m_ui->widgetHRDModuleDownloadControls, m_ui->widgetCATModuleControls,
                                 m_ui->widgetCATOptions})
            pWidget->resize(iWidth, pWidget->height());
        m_ui->labelInstructions->resize(iWidth - 2 * m_ui->labelInstructions->x(),
                                        m_ui->labelInstructions->height());
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

Cluster *Settings::chains()
{
    if (m_cluster)
        return m_cluster;
    if (!m_draftChains) {
        m_draftChains = std::make_unique<Cluster>(QString(), ClusterNode::kDefaultPort, QString(), QString(),
                                                  QString(), QString(), QString(), kMaxSpotCount);
    }
    return m_draftChains.get();
}

Cluster *Settings::createCluster(const ClusterNode &node)
{
    auto *pCluster = new Cluster(node.address(), node.port(), callsign(), node.password(), name(), qth(),
                                 locator(), kMaxSpotCount, this);
    pCluster->setCountryLookup(m_worked);
    pCluster->setCountryDatabase(m_countryDatabase);
    return pCluster;
}

void Settings::replaceCluster(const ClusterNode &node)
{
    delete m_cluster;
    m_cluster = createCluster(node);
    m_draftChains.reset();
    Q_EMIT foundActiveNode();
}

void Settings::loadChains()
{
    Cluster *pChains = chains();
    FilterStore::loadChains(*pChains, &m_workedSets.notWorkedCountries(), &m_workedSets.workedCountries(),
                            m_dxpeditions);
    {
        const QSignalBlocker blocker(m_ui->comboBoxDefaultAction);
        m_ui->comboBoxDefaultAction->setCurrentIndex((FilterStore::storedDefaultFilter() & Filter::Drop) ? 1 : 0);
    }
    refreshRuleTables();
}

bool Settings::isStationInfoComplete() const
{
    return !callsign().isEmpty() && !name().isEmpty() && !qth().isEmpty() && !locator().isEmpty();
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

// --- Node list ---

void Settings::refreshNodeTable()
{
    m_nodeModel.removeRows(0, m_nodeModel.rowCount());
    for (int i = 0; i < m_nodes.size(); ++i) {
        const ClusterNode &node = m_nodes.at(i);
        auto *pActive = new QStandardItem;
        pActive->setCheckable(true);
        pActive->setCheckState(i == m_activeIndex ? Qt::Checked : Qt::Unchecked);
        m_nodeModel.appendRow({pActive, new QStandardItem(node.name()), new QStandardItem(node.address()),
                               new QStandardItem(QString::number(node.port()))});
    }
    m_ui->tableViewNodesList->resizeColumnsToContents();
    if (m_activeIndex >= 0)
        m_ui->tableViewNodesList->selectRow(m_activeIndex);
}

void Settings::onActiveNodeChanged(const QModelIndex &index)
{
    const int iRow = index.row();
    if (iRow < 0 || iRow >= m_nodes.size())
        return;
    m_ui->pushButtonEditNode->setEnabled(true);
    m_ui->pushButtonDeleteNode->setEnabled(true);
    if (iRow != m_activeIndex) {
        if (m_activeIndex >= 0 && m_activeIndex < m_nodes.size())
            m_nodes[m_activeIndex].setActive(false);
        m_activeIndex = iRow;
        m_nodes[iRow].setActive(true);
    }
    for (int i = 0; i < m_nodeModel.rowCount(); ++i)
        m_nodeModel.item(i, 0)->setCheckState(i == m_activeIndex ? Qt::Checked : Qt::Unchecked);
}

void Settings::onActiveNodeEdit(const QModelIndex &index)
{
    onActiveNodeChanged(index);
    onEditNodeClicked();
}

QStringList Settings::nodeNamesExcept(int iIndex) const
{
    QStringList names;
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (i != iIndex)
            names.append(m_nodes.at(i).name());
    }
    return names;
}

void Settings::onAddNodeClicked()
{
    m_nodeProperties->setOperation(NodeProperties::Add);
    m_nodeProperties->setOtherNames(nodeNamesExcept(-1));
    m_nodeProperties->show();
}

void Settings::onAddFromListClicked()
{
    PublicNodesDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    NodeList nodeList;
    nodeList.nodes = m_nodes;
    nodeList.activeIndex = m_activeIndex;
    NodeListMerge::add(&nodeList, dialog.selectedNodes());
    m_nodes = nodeList.nodes;
    m_activeIndex = nodeList.activeIndex;
    refreshNodeTable();
}

void Settings::onEditNodeClicked()
{
    if (m_activeIndex < 0 || m_activeIndex >= m_nodes.size())
        return;
    m_nodeProperties->setOperation(NodeProperties::Edit);
    m_nodeProperties->setOtherNames(nodeNamesExcept(m_activeIndex));
    m_nodeProperties->setNode(m_nodes.at(m_activeIndex));
    m_nodeProperties->show();
}

void Settings::onDeleteNodeClicked()
{
    const int iRow = m_ui->tableViewNodesList->currentIndex().row();
    if (iRow >= 0 && iRow < m_nodes.size()) {
        QLOG_DEBUG() << "Deleting node" << m_nodes.at(iRow).name();
        m_nodes.removeAt(iRow);
    }
    m_activeIndex = -1;
    for (ClusterNode &node : m_nodes)
        node.setActive(false);
    refreshNodeTable();
    m_ui->pushButtonEditNode->setEnabled(false);
    m_ui->pushButtonDeleteNode->setEnabled(false);
}

void Settings::onNodePropertiesAccepted(NodeProperties::NodePropertiesOperation operation, const ClusterNode &node)
{
    if (operation == NodeProperties::Edit) {
        int iRow = m_ui->tableViewNodesList->currentIndex().row();
        if (iRow < 0 || iRow >= m_nodes.size())
            iRow = m_activeIndex;
        if (iRow < 0 || iRow >= m_nodes.size())
            return;
        ClusterNode &edited = m_nodes[iRow];
        edited.setName(node.name());
        edited.setAddress(node.address());
        edited.setPort(node.port());
        edited.setPassword(node.password());
    } else {
        ClusterNode added = node;
        added.setActive(false);
        m_nodes.append(added);
    }
    refreshNodeTable();
}

// --- Filters and alerts ---

void Settings::onDefaultActionChanged(int iIndex)
{
    chains()->setDefaultFilter(iIndex == 1 ? Filter::Drop : Filter::Accept);
}

QString Settings::bandText(int iBands) const
{
    if (iBands == Filter::AllBands)
        return tr("All");
    if (m_bandNames.contains(iBands))
        return m_bandNames.value(iBands);
    QStringList names;
    for (auto it = m_bandNames.cbegin(); it != m_bandNames.cend(); ++it) {
        if (it.key() != 0 && (iBands & it.key()))
            names.append(it.value());
    }
    return names.join(QLatin1Char(','));
}

QList<QStandardItem *> Settings::ruleRow(const Filter &rule, bool bAlert) const
{
    const int iType = rule.filterType();
    QString qsType;
    for (auto it = m_typeNames.cbegin(); it != m_typeNames.cend(); ++it) {
        if (it.key() != 0 && (iType & it.key()))
            qsType += it.value() + QLatin1Char(' ');
    }
    QString qsValue;
    if (iType & Filter::Band)
        qsValue += bandText(rule.bandFilterValue()) + QLatin1Char(' ');
    if (iType & Filter::Call)
        qsValue += rule.callFilterValue() + QLatin1Char(' ');
    if (iType & Filter::Country)
        qsValue += rule.countryFilterValue() + QLatin1Char(' ');
    if (iType & Filter::DXpeditionIota)
        qsValue = tr("DXpeditions list from the Kelvane update server");
    else if (iType & (Filter::WorkedCountries | Filter::NewCountries))
        qsValue = tr("N/A");

    auto *pType = new QStandardItem(qsType);
    auto *pValue = new QStandardItem(qsValue);
    pValue->setToolTip(qsValue);
    if (!bAlert) {
        if (iType & Filter::Accept)
            pType->setIcon(QIcon(kAcceptIcon));
        else if (iType & Filter::Drop)
            pType->setIcon(QIcon(kStopIcon));
        return {pType, pValue};
    }

    const QString qsOn = tr("On");
    const QString qsOff = tr("Off");
    const int iKinds = rule.alertKinds();
    auto *pColor = new QStandardItem((iKinds & Filter::AlertColor) ? qsOn : qsOff);
    if (iKinds & Filter::AlertColor)
        pColor->setBackground(rule.alertColor());
    auto *pSound = new QStandardItem((iKinds & Filter::AlertSound) ? rule.soundFile() : qsOff);
    if (iKinds & Filter::AlertSound)
        pSound->setToolTip(rule.soundFile());
    auto *pIcon = new QStandardItem((iKinds & Filter::AlertIcon) ? qsOn : qsOff);
    if (iKinds & Filter::AlertIcon)
        pIcon->setIcon(QIcon(rule.iconFile()));
    auto *pPopup = new QStandardItem((iKinds & Filter::AlertBalloon) ? qsOn : qsOff);
    return {pType, pValue, pColor, pSound, pIcon, pPopup};
}

void Settings::refreshRuleTables()
{
    Cluster *pChains = chains();
    m_filterModel.removeRows(0, m_filterModel.rowCount());
    for (int i = 0; i < pChains->filterCount(); ++i)
        m_filterModel.appendRow(ruleRow(*pChains->filterAt(i), false));
    m_alertModel.removeRows(0, m_alertModel.rowCount());
    for (int i = 0; i < pChains->alertCount(); ++i)
        m_alertModel.appendRow(ruleRow(*pChains->alertAt(i), true));
    disableRuleButtons();
}

void Settings::disableRuleButtons()
{
    for (QPushButton *pButton : {m_ui->pushButtonEditFilter, m_ui->pushButtonRemoveFilter,
                                 m_ui->pushButtonMoveUpFilter, m_ui->pushButtonMoveDownFilter,
                                 m_ui->pushButtonEditAlert, m_ui->pushButtonRemoveAlert,
                                 m_ui->pushButtonMoveUpAlert, m_ui->pushButtonMoveDownAlert})
        pButton->setEnabled(false);
}

void Settings::updateRuleButtons(const QModelIndex &index, bool bAlert)
{
    const int iRow = index.row();
    const int iCount = ruleModel(bAlert).rowCount();
    const bool bValid = iRow >= 0 && iRow < iCount;
    (bAlert ? m_ui->pushButtonEditAlert : m_ui->pushButtonEditFilter)->setEnabled(bValid);
    (bAlert ? m_ui->pushButtonRemoveAlert : m_ui->pushButtonRemoveFilter)->setEnabled(bValid);
    (bAlert ? m_ui->pushButtonMoveUpAlert : m_ui->pushButtonMoveUpFilter)->setEnabled(bValid && iRow > 0);
    (bAlert ? m_ui->pushButtonMoveDownAlert : m_ui->pushButtonMoveDownFilter)
        ->setEnabled(bValid && iRow < iCount - 1);
}

void Settings::onFilterClicked(const QModelIndex &index)
{
    updateRuleButtons(index, false);
}

void Settings::onAlertClicked(const QModelIndex &index)
{
    updateRuleButtons(index, true);
}

int Settings::currentRuleRow(bool bAlert) const
{
    const QTableView *pView = bAlert ? m_ui->tableViewAlerts : m_ui->tableViewFilters;
    const int iRow = pView->currentIndex().row();
    return iRow < ruleModel(bAlert).rowCount() ? iRow : -1;
}

void Settings::removeRule(bool bAlert)
{
    const int iRow = currentRuleRow(bAlert);
    if (iRow >= 0)
        (chains()->*(bAlert ? &Cluster::removeAlertAt : &Cluster::removeFilterAt))(iRow);
    refreshRuleTables();
}

void Settings::moveRule(bool bAlert, int iStep)
{
    const int iRow = currentRuleRow(bAlert);
    const int iTarget = iRow + iStep;
    if (iRow >= 0 && iTarget >= 0 && iTarget < ruleModel(bAlert).rowCount()) {
        using Move = void (Cluster::*)(int);
        const Move move = bAlert ? (iStep < 0 ? &Cluster::moveAlertUp : &Cluster::moveAlertDown)
                                 : (iStep < 0 ? &Cluster::moveFilterUp : &Cluster::moveFilterDown);
        (chains()->*move)(iRow);
    }
    refreshRuleTables();
}

void Settings::onRemoveFilterClicked()
{
    removeRule(false);
}

void Settings::onMoveUpFilterClicked()
{
    moveRule(false, -1);
}

void Settings::onMoveDownFilterClicked()
{
    moveRule(false, 1);
}

void Settings::onRemoveAlertClicked()
{
    removeRule(true);
}

void Settings::onMoveUpAlertClicked()
{
    moveRule(true, -1);
}

void Settings::onMoveDownAlertClicked()
{
    moveRule(true, 1);
}

void Settings::onFilterDoubleClicked(const QModelIndex &index)
{
    onFilterClicked(index);
    onEditFilterClicked();
}

void Settings::onAddFilterClicked()
{
    m_filterProperties->setOperation(FilterProperties::Add);
    m_filterProperties->show();
}

void Settings::onEditFilterClicked()
{
    const int iRow = currentRuleRow(false);
    if (iRow < 0)
        return;
    m_filterProperties->setOperation(FilterProperties::Edit);
    m_filterProperties->loadFilter(*chains()->filterAt(iRow));
    m_filterProperties->show();
}

void Settings::onAlertDoubleClicked(const QModelIndex &index)
{
    onAlertClicked(index);
    onEditAlertClicked();
}

void Settings::onAddAlertClicked()
{
    m_alertProperties->setOperation(AlertProperties::Add);
    m_alertProperties->show();
}

void Settings::onEditAlertClicked()
{
    const int iRow = currentRuleRow(true);
    if (iRow < 0)
        return;
    m_alertProperties->setOperation(AlertProperties::Edit);
    m_alertProperties->loadAlert(*chains()->alertAt(iRow));
    m_alertProperties->show();
}

void Settings::linkRule(Filter *pRule)
{
    // Linked now, not at the next read from the store, so that a new rule
    // matches from the moment it is accepted.
    FilterStore::linkRule(pRule, &m_workedSets.notWorkedCountries(), &m_workedSets.workedCountries(),
                          m_dxpeditions);
}

void Settings::placeRule(Filter *pRule, bool bAlert, bool bEdit)
{
    linkRule(pRule);
    // An edited rule takes the place of the one it was loaded from; a new one
    // goes to the end of its chain.
    const int iRow = bEdit ? currentRuleRow(bAlert) : -1;
    Cluster *pChains = chains();
    if (iRow >= 0)
        (pChains->*(bAlert ? &Cluster::removeAlertAt : &Cluster::removeFilterAt))(iRow);
    (pChains->*(bAlert ? &Cluster::addAlert : &Cluster::addFilter))(pRule, iRow);
    refreshRuleTables();
    showTip(bAlert ? Tips::AlertOrder : Tips::FilterOrder);
}

void Settings::onFilterPropertiesAccepted(FilterProperties::FilterPropertiesOperation operation, Filter *pFilter)
{
    placeRule(pFilter, false, operation == FilterProperties::Edit);
}

void Settings::onAlertPropertiesAccepted(AlertProperties::AlertPropertiesOperation operation, Filter *pAlert)
{
    placeRule(pAlert, true, operation == AlertProperties::Edit);
}

void Settings::showTip(int iTip)
{
    if (SettingsStore::seenTips() == Tips::kNoMoreTips)
        return;
    // One hint window, reused, rather than a new hidden one per rule.
    if (!m_tips)
        m_tips = new Tips(this);
    m_tips->showTip(iTip);
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
    // The merge keeps the active node, and with it the connection; only a
    // user without one is asked to pick a node.
    m_nodesListUpdated = SettingsStore::loadNodes().activeIndex < 0;
    loadSettings();
}

// --- CAT tab and the rig-control library ---

void Settings::layOutCatTab()
{
    QWidget *pPanel = m_ui->widgetHRDModuleDownloadControls;
    QWidget *pModuleControls = m_ui->widgetCATModuleControls;
    QWidget *pOptions = m_ui->widgetCATOptions;
    m_downloadPanelAnimation->stop();
    m_moduleControlsAnimation->stop();
    m_catOptionsAnimation->stop();
    if (!RigControl::isLibraryInstalled()) {
        m_ui->groupBoxHRD->setChecked(false);
        m_ui->groupBoxHRD->setEnabled(false);
        m_ui->groupBoxCATOptions->setEnabled(false);
        m_ui->checkBoxAttemptSplitModeDetection->setChecked(false);
        pPanel->setGeometry(0, 0, pPanel->width(), kDownloadPanelHeight);
        pPanel->show();
        if (!m_hrdModuleDownload->isRunning()) {
            m_ui->labelHRDModuleInfo->setText(
                tr("The HRD module is not installed. Click Download to install it now."));
            m_ui->labelHRDModuleInfo->show();
            m_ui->progressBarHRDModuleDownload->hide();
        }
        pModuleControls->move(0, kModuleControlsY);
        pOptions->move(0, kCatOptionsY);
    } else {
        pPanel->hide();
        m_ui->groupBoxHRD->setEnabled(true);
        pModuleControls->move(0, 0);
        pOptions->move(0, pModuleControls->height() + kCatSpacing);
    }
    m_ui->labelInstructions->move(m_ui->labelInstructions->x(), pOptions->y() + pOptions->height() + kCatSpacing);
}

void Settings::onHRDEnabled(bool bChecked)
{
    m_ui->groupBoxCATOptions->setEnabled(bChecked);
}

void Settings::onDownloadHRDmoduleClicked()
{
    if (m_hrdModuleDownload->isRunning())
        return;
    const QString qsFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!QDir().mkpath(qsFolder)) {
        QLOG_ERROR() << "Cannot create the folder" << qsFolder;
    }
    const QString qsUrl = Updater::serverUrl(QStringLiteral("/Kelvane/HRD/") + RigControl::libraryFileName());
    if (qsUrl.isEmpty()) {
        onDownloadHRDModuleError(tr("No update server is set (General tab)."));
        return;
    }
    m_hrdModuleDownload->setUrl(qsUrl);
    m_hrdModuleDownload->setFileName(hrdModulePath());
    m_ui->pushButtonDownloadHRDModule->setEnabled(false);
    m_hrdModuleDownload->start();
}

void Settings::onDownloadHRDModuleStarted()
{
    m_ui->labelHRDModuleInfo->hide();
    m_ui->progressBarHRDModuleDownload->setValue(0);
    m_ui->progressBarHRDModuleDownload->show();
}

void Settings::onDownloadHRDModuleProgress(quint8 quiPercent)
{
    m_ui->progressBarHRDModuleDownload->setValue(quiPercent);
}

void Settings::onDownloadHRDModuleError(const QString &qsError)
{
    // A partial library left behind would count as installed and be loaded.
    QFile::remove(hrdModulePath());
    m_ui->labelHRDModuleInfo->setText(qsError);
    m_ui->labelHRDModuleInfo->show();
    m_ui->progressBarHRDModuleDownload->hide();
    m_ui->pushButtonDownloadHRDModule->setEnabled(true);
}

void Settings::onDownloadHRDModuleFinished()
{
    m_ui->progressBarHRDModuleDownload->hide();
    m_ui->pushButtonDownloadHRDModule->setEnabled(true);
    if (!QFileInfo::exists(hrdModulePath())) {
        m_ui->labelHRDModuleInfo->setText(tr("An unknown error has occured."));
        m_ui->labelHRDModuleInfo->show();
        return;
    }
    m_ui->labelHRDModuleInfo->setText(tr("HRD module downloaded successfully."));
    m_ui->labelHRDModuleInfo->show();
    m_ui->groupBoxHRD->setEnabled(true);
    QTimer::singleShot(kAnimationDelayMs, this, &Settings::animateCatPanels);
}

void Settings::animateCatPanels()
{
    QWidget *pPanel = m_ui->widgetHRDModuleDownloadControls;
    QWidget *pModuleControls = m_ui->widgetCATModuleControls;
    QWidget *pOptions = m_ui->widgetCATOptions;
    const QRect panel = pPanel->geometry();
    m_downloadPanelAnimation->setStartValue(panel);
    m_downloadPanelAnimation->setEndValue(QRect(panel.topLeft(), QSize(panel.width(), 0)));
    m_moduleControlsAnimation->setStartValue(pModuleControls->geometry());
    m_moduleControlsAnimation->setEndValue(QRect(panel.topLeft(), pModuleControls->size()));
    m_catOptionsAnimation->setStartValue(pOptions->geometry());
    m_catOptionsAnimation->setEndValue(
        QRect(QPoint(pOptions->x(), pModuleControls->height() + kCatSpacing), pOptions->size()));
    m_downloadPanelAnimation->start();
    m_moduleControlsAnimation->start();
    m_catOptionsAnimation->start();
}
