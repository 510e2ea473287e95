#include "RuleChainsPage.h"
#include "ui_RuleChainsPage.h"

#include "FilterStore.h"
#include "SettingsStore.h"
#include "WorkedSets.h"

#include "filters/Filter.h"
#include "filters/FilterChains.h"
#include "ui/Tips.h"

#include <QSignalBlocker>

RuleChainsPage::RuleChainsPage(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::RuleChainsPage>())
{
    m_ui->setupUi(this);
    m_ui->tableViewFilters->setModel(&m_filterModel);
    m_ui->tableViewAlerts->setModel(&m_alertModel);
    m_ui->tableViewFilters->setColumnWidth(0, 125);
    m_ui->tableViewFilters->setColumnWidth(1, 200);
    const int alertWidths[] = {125, 150, 49, 150, 49, 49};
    for (int i = 0; i < 6; ++i)
        m_ui->tableViewAlerts->setColumnWidth(i, alertWidths[i]);

    connect(m_ui->comboBoxDefaultAction, &QComboBox::currentIndexChanged, this,
            &RuleChainsPage::onDefaultActionChanged);
    connect(m_ui->tableViewFilters, &QTableView::clicked, this, &RuleChainsPage::onFilterClicked);
    connect(m_ui->tableViewFilters, &QTableView::doubleClicked, this, &RuleChainsPage::onFilterDoubleClicked);
    connect(m_ui->pushButtonAddFilter, &QPushButton::clicked, this, &RuleChainsPage::onAddFilterClicked);
    connect(m_ui->pushButtonEditFilter, &QPushButton::clicked, this, &RuleChainsPage::onEditFilterClicked);
    connect(m_ui->pushButtonRemoveFilter, &QPushButton::clicked, this, &RuleChainsPage::onRemoveFilterClicked);
    connect(m_ui->pushButtonMoveUpFilter, &QPushButton::clicked, this, &RuleChainsPage::onMoveUpFilterClicked);
    connect(m_ui->pushButtonMoveDownFilter, &QPushButton::clicked, this, &RuleChainsPage::onMoveDownFilterClicked);
    connect(m_ui->tableViewAlerts, &QTableView::clicked, this, &RuleChainsPage::onAlertClicked);
    connect(m_ui->tableViewAlerts, &QTableView::doubleClicked, this, &RuleChainsPage::onAlertDoubleClicked);
    connect(m_ui->pushButtonAddAlert, &QPushButton::clicked, this, &RuleChainsPage::onAddAlertClicked);
    connect(m_ui->pushButtonEditAlert, &QPushButton::clicked, this, &RuleChainsPage::onEditAlertClicked);
    connect(m_ui->pushButtonRemoveAlert, &QPushButton::clicked, this, &RuleChainsPage::onRemoveAlertClicked);
    connect(m_ui->pushButtonMoveUpAlert, &QPushButton::clicked, this, &RuleChainsPage::onMoveUpAlertClicked);
    connect(m_ui->pushButtonMoveDownAlert, &QPushButton::clicked, this, &RuleChainsPage::onMoveDownAlertClicked);
}

RuleChainsPage::~RuleChainsPage() = default;

void RuleChainsPage::setSources(WorkedSets *pWorkedSets, const RuleContext *pContext)
{
    Q_ASSERT(!m_filterProperties);
    m_ruleContext = pContext;
    m_filterProperties = new FilterProperties(pWorkedSets, this);
    m_alertProperties = new AlertProperties(pWorkedSets, this);
    connect(m_filterProperties, &FilterProperties::filterAccepted, this, &RuleChainsPage::onFilterPropertiesAccepted);
    connect(m_alertProperties, &AlertProperties::alertAccepted, this, &RuleChainsPage::onAlertPropertiesAccepted);
}

void RuleChainsPage::setChains(FilterChains *pChains)
{
    m_chains = pChains;
    m_filterModel.setChains(pChains);
    m_alertModel.setChains(pChains);
    disableRuleButtons();
}

void RuleChainsPage::showDefaultAction(int iStoredDefault)
{
    const QSignalBlocker blocker(m_ui->comboBoxDefaultAction);
    m_ui->comboBoxDefaultAction->setCurrentIndex((iStoredDefault & Filter::Drop) ? 1 : 0);
}

void RuleChainsPage::addCountry(const QString &qsCountry)
{
    m_filterProperties->addCountry(qsCountry);
    m_alertProperties->addCountry(qsCountry);
}

void RuleChainsPage::onDefaultActionChanged(int iIndex)
{
    if (m_chains)
        m_chains->setDefaultFilter(iIndex == 1 ? Filter::Drop : Filter::Accept);
}

void RuleChainsPage::refreshRuleTables()
{
    m_filterModel.refresh();
    m_alertModel.refresh();
    disableRuleButtons();
}

void RuleChainsPage::disableRuleButtons()
{
    for (QPushButton *pButton : {m_ui->pushButtonEditFilter, m_ui->pushButtonRemoveFilter, m_ui->pushButtonMoveUpFilter,
                                 m_ui->pushButtonMoveDownFilter, m_ui->pushButtonEditAlert, m_ui->pushButtonRemoveAlert,
                                 m_ui->pushButtonMoveUpAlert, m_ui->pushButtonMoveDownAlert})
        pButton->setEnabled(false);
}

void RuleChainsPage::updateRuleButtons(const QModelIndex &index, bool bAlert)
{
    const int iRow = index.row();
    const int iCount = ruleModel(bAlert).rowCount();
    const bool bValid = iRow >= 0 && iRow < iCount;
    (bAlert ? m_ui->pushButtonEditAlert : m_ui->pushButtonEditFilter)->setEnabled(bValid);
    (bAlert ? m_ui->pushButtonRemoveAlert : m_ui->pushButtonRemoveFilter)->setEnabled(bValid);
    (bAlert ? m_ui->pushButtonMoveUpAlert : m_ui->pushButtonMoveUpFilter)->setEnabled(bValid && iRow > 0);
    (bAlert ? m_ui->pushButtonMoveDownAlert : m_ui->pushButtonMoveDownFilter)->setEnabled(bValid && iRow < iCount - 1);
}

void RuleChainsPage::onFilterClicked(const QModelIndex &index)
{
    updateRuleButtons(index, false);
}

void RuleChainsPage::onAlertClicked(const QModelIndex &index)
{
    updateRuleButtons(index, true);
}

int RuleChainsPage::currentRuleRow(bool bAlert) const
{
    const QTableView *pView = bAlert ? m_ui->tableViewAlerts : m_ui->tableViewFilters;
    const int iRow = pView->currentIndex().row();
    return iRow < ruleModel(bAlert).rowCount() ? iRow : -1;
}

void RuleChainsPage::removeRule(bool bAlert)
{
    const int iRow = currentRuleRow(bAlert);
    if (iRow >= 0)
        (m_chains->*(bAlert ? &FilterChains::removeAlertAt : &FilterChains::removeFilterAt))(iRow);
    refreshRuleTables();
}

void RuleChainsPage::moveRule(bool bAlert, int iStep)
{
    const int iRow = currentRuleRow(bAlert);
    const int iTarget = iRow + iStep;
    if (iRow >= 0 && iTarget >= 0 && iTarget < ruleModel(bAlert).rowCount()) {
        using Move = void (FilterChains::*)(int);
        const Move move = bAlert ? (iStep < 0 ? &FilterChains::moveAlertUp : &FilterChains::moveAlertDown)
                                 : (iStep < 0 ? &FilterChains::moveFilterUp : &FilterChains::moveFilterDown);
        (m_chains->*move)(iRow);
    }
    refreshRuleTables();
}

void RuleChainsPage::onRemoveFilterClicked()
{
    removeRule(false);
}

void RuleChainsPage::onMoveUpFilterClicked()
{
    moveRule(false, -1);
}

void RuleChainsPage::onMoveDownFilterClicked()
{
    moveRule(false, 1);
}

void RuleChainsPage::onRemoveAlertClicked()
{
    removeRule(true);
}

void RuleChainsPage::onMoveUpAlertClicked()
{
    moveRule(true, -1);
}

void RuleChainsPage::onMoveDownAlertClicked()
{
    moveRule(true, 1);
}

void RuleChainsPage::onFilterDoubleClicked(const QModelIndex &index)
{
    onFilterClicked(index);
    onEditFilterClicked();
}

void RuleChainsPage::onAddFilterClicked()
{
    m_filterProperties->setOperation(FilterProperties::Add);
    m_filterProperties->show();
}

void RuleChainsPage::onEditFilterClicked()
{
    const int iRow = currentRuleRow(false);
    if (iRow < 0)
        return;
    m_filterProperties->setOperation(FilterProperties::Edit);
    m_filterProperties->loadFilter(*m_chains->filterAt(iRow));
    m_filterProperties->show();
}

void RuleChainsPage::onAlertDoubleClicked(const QModelIndex &index)
{
    onAlertClicked(index);
    onEditAlertClicked();
}

void RuleChainsPage::onAddAlertClicked()
{
    m_alertProperties->setOperation(AlertProperties::Add);
    m_alertProperties->show();
}

void RuleChainsPage::onEditAlertClicked()
{
    const int iRow = currentRuleRow(true);
    if (iRow < 0)
        return;
    m_alertProperties->setOperation(AlertProperties::Edit);
    m_alertProperties->loadAlert(*m_chains->alertAt(iRow));
    m_alertProperties->show();
}

void RuleChainsPage::placeRule(Filter *pRule, bool bAlert, bool bEdit)
{
    std::unique_ptr<Filter> pOwned(pRule);
    if (!m_chains)
        return;
    // Linked now, not at the next read from the store, so that a new rule
    // matches from the moment it is accepted.
    pRule->setContext(m_ruleContext);
    // An edited rule takes the place of the one it was loaded from; a new one
    // goes to the end of its chain.
    const int iRow = bEdit ? currentRuleRow(bAlert) : -1;
    FilterChains *pChains = m_chains;
    if (iRow >= 0)
        (pChains->*(bAlert ? &FilterChains::removeAlertAt : &FilterChains::removeFilterAt))(iRow);
    (pChains->*(bAlert ? &FilterChains::addAlert : &FilterChains::addFilter))(std::move(pOwned), iRow);
    refreshRuleTables();
    showTip(bAlert ? Tips::AlertOrder : Tips::FilterOrder);
}

void RuleChainsPage::onFilterPropertiesAccepted(FilterProperties::FilterPropertiesOperation operation, Filter *pFilter)
{
    placeRule(pFilter, false, operation == FilterProperties::Edit);
}

void RuleChainsPage::onAlertPropertiesAccepted(AlertProperties::AlertPropertiesOperation operation, Filter *pAlert)
{
    placeRule(pAlert, true, operation == AlertProperties::Edit);
}

void RuleChainsPage::showTip(int iTip)
{
    if (SettingsStore::seenTips() == Tips::kNoMoreTips)
        return;
    // One hint window, reused, rather than a new hidden one per rule.
    if (!m_tips)
        m_tips = new Tips(this);
    m_tips->showTip(iTip);
}
