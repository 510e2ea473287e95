#ifndef RULECONTEXT_H
#define RULECONTEXT_H

#include "radio/Need.h"
#include "radio/WorkedBefore.h"

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QString;
QT_END_NAMESPACE

class Spot;

// What the rules ask the rest of the program: the operator's two country
// lists, the DXpedition list and his log. The program fills one for all the
// rules of a connection; a rule without one matches no spot on these.
class RuleContext
{
public:
    virtual ~RuleContext() = default;

    // On the operator's list of worked countries.
    virtual bool isWorkedCountry(const QString &qsCountry) const = 0;
    // On his list of countries he still needs.
    virtual bool isNewCountry(const QString &qsCountry) const = 0;
    virtual bool isDXpedition(const QString &qsCall) const = 0;
    // What the spot's station still is to him by his log; Need::None
    // without a log.
    virtual Need needFor(const Spot &spot) const = 0;
    // Whether the spotted call itself is in his log, and where.
    virtual WorkedBefore workedBefore(const Spot &spot) const = 0;
};

#endif // RULECONTEXT_H
