#ifndef PROGRAMRULECONTEXT_H
#define PROGRAMRULECONTEXT_H

#include "filters/RuleContext.h"

#include <QMap>
#include <QString>

class DXpeditions;
class LogStore;

// The answers the program gives its rules: the two country lists of the
// settings, the DXpedition list and the operator's log. Each source may be
// missing (not yet built, or switched off); the rules then match nothing on
// it. The sources are not owned, and may be swapped while rules hold the
// context: they see the new one from the next spot on.
class ProgramRuleContext : public RuleContext
{
public:
    // Country name → always false, as the settings keep the two lists.
    using CountrySet = QMap<QString, bool>;

    void setCountrySets(const CountrySet *pNotWorked, const CountrySet *pWorked);
    void setDXpeditions(const DXpeditions *pDXpeditions) { m_dxpeditions = pDXpeditions; }
    void setLogStore(const LogStore *pLogStore) { m_logStore = pLogStore; }

    bool isWorkedCountry(const QString &qsCountry) const override;
    bool isNewCountry(const QString &qsCountry) const override;
    bool isDXpedition(const QString &qsCall) const override;
    Need needFor(const Spot &spot) const override;
    WorkedBefore workedBefore(const Spot &spot) const override;

private:
    const CountrySet *m_notWorked = nullptr;
    const CountrySet *m_worked = nullptr;
    const DXpeditions *m_dxpeditions = nullptr;
    const LogStore *m_logStore = nullptr;
};

#endif // PROGRAMRULECONTEXT_H
