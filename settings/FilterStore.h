#ifndef FILTERSTORE_H
#define FILTERSTORE_H

#include "filters/Filter.h"

#include <memory>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

class FilterChains;
class GuardedSettings;
class RuleContext;

// The filter and alert chains in the settings store. "Filters"/"0" holds the
// band selection, "1" upwards the filter chain; "Alerts" holds the alert
// chain from "0". An alert's outputs are stored as chain-action bits, that is
// its alert kinds shifted left by two.
class FilterStore
{
public:
    // Rewrites both groups from the band filter and the chains.
    static void saveChains(const FilterChains &chains);
    // Sets the default action, narrows the band filter to the stored bands and
    // replaces both chains. Every rule read gets the context (see
    // Filter::setContext).
    static void loadChains(FilterChains &chains, const RuleContext *pContext);
    // The stored default action as it stands (0 when none was saved).
    static int storedDefaultFilter();
    // What the band buttons write: the band selection alone.
    static void saveBandSelection(int iBands);

private:
    static void writeRule(GuardedSettings &settings, const Filter &rule, bool bAlert);
    static std::unique_ptr<Filter> readRule(const QSettings &settings, bool bAlert);
    static QList<int> storedIndices(const QSettings &settings, int iCount);
};

#endif // FILTERSTORE_H
