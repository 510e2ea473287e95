#include "ProgramRuleContext.h"

#include "cluster/Spot.h"
#include "log/LogStore.h"
#include "update/DXpeditions.h"

void ProgramRuleContext::setCountrySets(const CountrySet *pNotWorked, const CountrySet *pWorked)
{
    m_notWorked = pNotWorked;
    m_worked = pWorked;
}

bool ProgramRuleContext::isWorkedCountry(const QString &qsCountry) const
{
    return m_worked && m_worked->contains(qsCountry);
}

bool ProgramRuleContext::isNewCountry(const QString &qsCountry) const
{
    return m_notWorked && m_notWorked->contains(qsCountry);
}

bool ProgramRuleContext::isDXpedition(const QString &qsCall) const
{
    return m_dxpeditions && m_dxpeditions->contains(qsCall);
}

Need ProgramRuleContext::needFor(const Spot &spot) const
{
    if (!m_logStore)
        return Need::None;
    return m_logStore->needForSpot(spot.country(), spot.frequency(), spot.comment());
}

WorkedBefore ProgramRuleContext::workedBefore(const Spot &spot) const
{
    if (!m_logStore)
        return WorkedBefore::None;
    return m_logStore->workedBeforeSpot(spot.dxCall(), spot.frequency(), spot.comment());
}
