#ifndef RULECHAINSPAGE_H
#define RULECHAINSPAGE_H

#include "RuleTableModel.h"

#include "filters/AlertProperties.h"
#include "filters/FilterProperties.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class RuleChainsPage;
}
QT_END_NAMESPACE

class Filter;
class FilterChains;
class RuleContext;
class Tips;
class WorkedSets;

// The settings page of the filter and alert chains: the default action, the
// two rule tables and their buttons, and the rule dialogs. It edits the
// chains it is given in place, so a rule works from the moment it is
// accepted.
class RuleChainsPage : public QWidget
{
    Q_OBJECT

public:
    explicit RuleChainsPage(QWidget *parent = nullptr);
    ~RuleChainsPage() override;

    // Once, before use: the country lists the rule dialogs offer and the
    // context the rules placed here get.
    void setSources(WorkedSets *pWorkedSets, const RuleContext *pContext);
    // The chains to edit; again whenever they are replaced.
    void setChains(FilterChains *pChains);
    // Shows the default action as stored: odd values as Drop, even as Accept.
    void showDefaultAction(int iStoredDefault);
    void addCountry(const QString &qsCountry);
    // Rereads the chains and disables the buttons that need a selection.
    void refreshRuleTables();

public Q_SLOTS:
    void onDefaultActionChanged(int iIndex);
    void onFilterClicked(const QModelIndex &index);
    void onFilterDoubleClicked(const QModelIndex &index);
    void onAddFilterClicked();
    void onEditFilterClicked();
    void onRemoveFilterClicked();
    void onMoveUpFilterClicked();
    void onMoveDownFilterClicked();
    void onAlertClicked(const QModelIndex &index);
    void onAlertDoubleClicked(const QModelIndex &index);
    void onAddAlertClicked();
    void onEditAlertClicked();
    void onRemoveAlertClicked();
    void onMoveUpAlertClicked();
    void onMoveDownAlertClicked();
    void onFilterPropertiesAccepted(FilterProperties::FilterPropertiesOperation operation, Filter *pFilter);
    void onAlertPropertiesAccepted(AlertProperties::AlertPropertiesOperation operation, Filter *pAlert);

private:
    void updateRuleButtons(const QModelIndex &index, bool bAlert);
    const RuleTableModel &ruleModel(bool bAlert) const { return bAlert ? m_alertModel : m_filterModel; }
    // The selected row of the filter or alert table, -1 when none.
    int currentRuleRow(bool bAlert) const;
    void removeRule(bool bAlert);
    // iStep: -1 moves the selected rule up, 1 down.
    void moveRule(bool bAlert, int iStep);
    void placeRule(Filter *pRule, bool bAlert, bool bEdit);
    void disableRuleButtons();
    void showTip(int iTip);

    std::unique_ptr<Ui::RuleChainsPage> m_ui;
    RuleTableModel m_filterModel {RuleTableModel::Filters};
    RuleTableModel m_alertModel {RuleTableModel::Alerts};
    FilterChains *m_chains = nullptr;
    const RuleContext *m_ruleContext = nullptr;
    FilterProperties *m_filterProperties = nullptr;
    AlertProperties *m_alertProperties = nullptr;
    Tips *m_tips = nullptr;
};

#endif // RULECHAINSPAGE_H
