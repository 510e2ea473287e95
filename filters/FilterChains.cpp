#include "FilterChains.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Spot.h"

FilterChains::FilterChains() : m_bandFilter(std::make_unique<Filter>(Filter::Band | Filter::Accept))
{
}

FilterChains::~FilterChains() = default;

ChainResult FilterChains::evaluate(Spot &spot) const
{
    QLOG_DEBUG() << "===================================== Filtering DX" << spot.dxCall();
    ChainResult result(m_bandFilter->match(spot) ? ChainResult::Accept : ChainResult::Drop);
    QLOG_DEBUG() << "Band Filter action:" << result.actionNames();

    if (result.isAccepted()) {
        // Rules holding the default action could only confirm it, so they are
        // not even tested; the first rule that matches overrides the default.
        const ChainResult::Verdict override =
            m_defaultFilter == Filter::Accept ? ChainResult::Drop : ChainResult::Accept;
        result = m_defaultFilter == Filter::Drop ? ChainResult::Drop : ChainResult::Accept;
        for (const std::unique_ptr<Filter> &pFilter : m_filters) {
            if (pFilter->filterType() & m_defaultFilter)
                continue;
            const bool bMatch = pFilter->match(spot);
            QLOG_TRACE() << "== Filter result:" << (bMatch ? "match" : "mismatch");
            if (bMatch) {
                result = override;
                break;
            }
        }
    }
    QLOG_DEBUG() << "Filters chain action:" << result.actionNames();

    if (result.isAccepted()) {
        for (const std::unique_ptr<Filter> &pAlert : m_alerts) {
            const AlertFlags fired = pAlert->applyAlert(spot);
            QLOG_TRACE() << "== Alert filter result:" << ChainResult::actionNames(ChainResult::alertBits(fired));
            result.addAlerts(fired);
        }
    }
    QLOG_DEBUG() << "Alerts chain action:" << result.actionNames();
    return result;
}

void FilterChains::insertRule(Rules &rules, std::unique_ptr<Filter> pRule, int iIndex)
{
    if (iIndex < 0 || iIndex > int(rules.size()))
        rules.push_back(std::move(pRule));
    else
        rules.insert(rules.begin() + iIndex, std::move(pRule));
}

void FilterChains::removeRuleAt(Rules &rules, int iIndex)
{
    if (iIndex >= 0 && iIndex < int(rules.size()))
        rules.erase(rules.begin() + iIndex);
}

void FilterChains::swapRules(Rules &rules, int iFirst, int iSecond)
{
    if (iFirst >= 0 && iSecond < int(rules.size()))
        std::swap(rules[size_t(iFirst)], rules[size_t(iSecond)]);
}

Filter *FilterChains::ruleAt(const Rules &rules, int iIndex)
{
    return iIndex >= 0 && iIndex < int(rules.size()) ? rules[size_t(iIndex)].get() : nullptr;
}

void FilterChains::addFilter(std::unique_ptr<Filter> pFilter, int iIndex)
{
    if (!pFilter)
        return;
    QLOG_DEBUG() << "Adding filter of type" << pFilter->filterType();
    insertRule(m_filters, std::move(pFilter), iIndex);
}

void FilterChains::addAlert(std::unique_ptr<Filter> pAlert, int iIndex)
{
    if (!pAlert)
        return;
    QLOG_DEBUG() << "Adding alert of type" << pAlert->filterType();
    insertRule(m_alerts, std::move(pAlert), iIndex);
}

void FilterChains::removeFilterAt(int iIndex)
{
    QLOG_DEBUG() << "Removing filter at index" << iIndex;
    removeRuleAt(m_filters, iIndex);
}

void FilterChains::removeAlertAt(int iIndex)
{
    QLOG_DEBUG() << "Removing alert at index" << iIndex;
    removeRuleAt(m_alerts, iIndex);
}

void FilterChains::moveFilterUp(int iIndex)
{
    QLOG_DEBUG() << "Moving filter" << iIndex << "up";
    swapRules(m_filters, iIndex - 1, iIndex);
}

void FilterChains::moveFilterDown(int iIndex)
{
    QLOG_DEBUG() << "Moving filter" << iIndex << "down";
    swapRules(m_filters, iIndex, iIndex + 1);
}

void FilterChains::moveAlertUp(int iIndex)
{
    QLOG_DEBUG() << "Moving alert" << iIndex << "up";
    swapRules(m_alerts, iIndex - 1, iIndex);
}

void FilterChains::moveAlertDown(int iIndex)
{
    QLOG_DEBUG() << "Moving alert" << iIndex << "down";
    swapRules(m_alerts, iIndex, iIndex + 1);
}

void FilterChains::clearFilters()
{
    QLOG_DEBUG() << "Clearing filters list";
    m_filters.clear();
}

void FilterChains::clearAlerts()
{
    QLOG_DEBUG() << "Clearing alerts list";
    m_alerts.clear();
}

Filter *FilterChains::filterAt(int iIndex) const
{
    return ruleAt(m_filters, iIndex);
}

Filter *FilterChains::alertAt(int iIndex) const
{
    return ruleAt(m_alerts, iIndex);
}
