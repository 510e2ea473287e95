#include "SpotPipeline.h"

#include "API/QsLog/QsLog.h"
#include "Spot.h"
#include "SpotParser.h"
#include "Worked/Worked.h"
#include "filters/ChainResult.h"
#include "settings/Statistics.h"

#include <QDateTime>
#include <QMetaMethod>

SpotPipeline::SpotPipeline(QObject *parent)
    : QObject(parent), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

SpotPipeline::~SpotPipeline() = default;

bool SpotPipeline::admit(Spot &spot)
{
    if (!spot.isComplete()) {
        countSpot(ChainResult(ChainResult::Drop));
        // The line ended in a line feed (a cut last line of a chunk is kept
        // before it gets here), so nothing will ever complete it. Gluing the
        // next chunk to it would lose or garble the spot that chunk starts with.
        QLOG_DEBUG() << "Dropping an incomplete spot line";
        return false;
    }

    // Before anything is counted or looked up: a report that several nodes
    // relay, or that an answer lists again, is one spot.
    if (m_identity.see(spot, SpotParser::minuteOf(SpotParser::currentDateTimeUtc())) == SpotIdentity::Seen::Repeat) {
        Q_EMIT spotRepeated(spot);
        return false;
    }

    if (!validate(spot)) {
        countSpot(ChainResult(ChainResult::Drop));
        return false;
    }

    // Only a spot that goes on needs its country; a dropped one would cost a
    // lookup (queries, without the prefix index) for nothing.
    if (m_worked && m_countryDatabase.isOpen()) {
        const CountryInfo dx = m_worked->infoForCall(spot.dxCall());
        spot.setCountry(dx.country);
        spot.setLocation(dx, m_worked->infoForCall(spot.spotter()), m_locator);
    }

    ChainResult result = m_chains.evaluate(spot);
    if (spot.validation() == Spot::Validation::Busted && result.alerts()) {
        // Chasing a mis-decoded call wastes the opening; whatever the rules
        // say, it does not call the operator.
        spot.clearAlertFlags(result.alerts());
        result = ChainResult(result.verdict());
    }
    countSpot(result);
    if (isSignalConnected(QMetaMethod::fromSignal(&SpotPipeline::passedBandFilter))
        && (result.isAccepted() || m_chains.bandFilter()->match(spot)))
        Q_EMIT passedBandFilter(spot);
    return result.isAccepted();
}

void SpotPipeline::countSpot(const ChainResult &result)
{
    if (!m_statistics)
        return;
    m_statistics->incrementProcessedSpots();
    // Every rule that fired counts, as the counters always have.
    m_statistics->countAlerts(result);
}

bool SpotPipeline::validate(Spot &spot)
{
    QStringList qslChanged;
    const SkimmerValidator::Assessment assessment = m_skimmers.add(spot, m_clock(), &qslChanged);
    // An operator who spots a station has heard it; the validator still
    // learns of it, since skimmer reports of the call then count as valid.
    spot.setValidation(spot.isSkimmer() ? assessment.verdict : Spot::Validation::Valid);
    spot.setValidationReason(assessment.reason);
    const SkimmerValidator::Facts facts = m_skimmers.facts(spot.dxCall());
    spot.setSkimmerCount(facts.skimmers);
    if (facts.hasSnr)
        spot.setBestSnr(facts.bestSnr);
    // Rows of this call elsewhere may now show a QSY or a confirmation.
    qslChanged.append(spot.dxCall());
    Q_EMIT skimmerVerdictsChanged(qslChanged);
    return !(m_hideBusted && spot.validation() == Spot::Validation::Busted);
}
