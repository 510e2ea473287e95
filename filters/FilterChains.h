#ifndef FILTERCHAINS_H
#define FILTERCHAINS_H

#include "ChainResult.h"
#include "Filter.h"

#include <memory>
#include <vector>

class Spot;

// The three stages every complete spot passes: the band filter, the filter
// chain (the first rule against the default action decides) and, for an
// accepted spot, the alert chain. The chains own their rules. A connection
// holds one; the settings dialog, the rule store, the tests and the
// benchmark edit one without any connection.
class FilterChains
{
public:
    FilterChains();
    ~FilterChains();
    FilterChains(const FilterChains &) = delete;
    FilterChains &operator=(const FilterChains &) = delete;

    ChainResult evaluate(Spot &spot) const;

    // A negative index appends; a null rule is ignored.
    void addFilter(std::unique_ptr<Filter> pFilter, int iIndex);
    void addAlert(std::unique_ptr<Filter> pAlert, int iIndex);
    void removeFilterAt(int iIndex);
    void removeAlertAt(int iIndex);
    void moveFilterUp(int iIndex);
    void moveFilterDown(int iIndex);
    void moveAlertUp(int iIndex);
    void moveAlertDown(int iIndex);
    void clearFilters();
    void clearAlerts();

    // Filter::Drop or Filter::Accept.
    void setDefaultFilter(int iDefaultFilter) { m_defaultFilter = iDefaultFilter; }
    int defaultFilter() const { return m_defaultFilter; }
    int filterCount() const { return int(m_filters.size()); }
    int alertCount() const { return int(m_alerts.size()); }
    Filter *filterAt(int iIndex) const;
    Filter *alertAt(int iIndex) const;

    // The band filter lives as long as the chains; the main window follows
    // its bandFilterValueChanged signal.
    Filter *bandFilter() const { return m_bandFilter.get(); }
    void addBand(int iBands) { m_bandFilter->addBand(iBands); }
    void removeBand(int iBands) { m_bandFilter->removeBand(iBands); }

private:
    using Rules = std::vector<std::unique_ptr<Filter>>;

    static void insertRule(Rules &rules, std::unique_ptr<Filter> pRule, int iIndex);
    static void removeRuleAt(Rules &rules, int iIndex);
    static void swapRules(Rules &rules, int iFirst, int iSecond);
    static Filter *ruleAt(const Rules &rules, int iIndex);

    std::unique_ptr<Filter> m_bandFilter;
    Rules m_filters;
    Rules m_alerts;
    int m_defaultFilter = Filter::Accept;
};

#endif // FILTERCHAINS_H
