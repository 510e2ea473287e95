#include "Filter.h"

#include "RuleContext.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Spot.h"
#include "radio/BandPlan.h"

#include <charconv>

namespace {

const QColor kNoColor(0, 0, 0, 0);

// The band of every spot is read from its frequency text, once for the band
// filter and again for each band rule, and QString::toDouble costs some
// thousand instructions. Plain decimal text ("14025.0", the form nodes send)
// goes through std::from_chars, which rounds exactly as toDouble does;
// anything else (blanks, signs, exponents) still goes through toDouble.
double frequencyKHz(const QString &qsText, bool *pbOk)
{
    constexpr qsizetype kMaxFastLength = 32;
    const qsizetype iLength = qsText.size();
    if (iLength == 0 || iLength > kMaxFastLength)
        return qsText.toDouble(pbOk);
    char acText[kMaxFastLength];
    qsizetype iDigitsBefore = 0;
    qsizetype iDigitsAfter = 0;
    bool bPoint = false;
    for (qsizetype i = 0; i < iLength; ++i) {
        const char16_t c = qsText.at(i).unicode();
        if (c >= u'0' && c <= u'9') {
            ++(bPoint ? iDigitsAfter : iDigitsBefore);
        } else if (c == u'.' && !bPoint) {
            bPoint = true;
        } else {
            return qsText.toDouble(pbOk);
        }
        acText[i] = char(c);
    }
    if (iDigitsBefore == 0 || (bPoint && iDigitsAfter == 0))
        return qsText.toDouble(pbOk);
    double dValue = 0.0;
    const auto result = std::from_chars(acText, acText + iLength, dValue);
    if (result.ec != std::errc() || result.ptr != acText + iLength)
        return qsText.toDouble(pbOk);
    *pbOk = true;
    return dValue;
}

} // namespace

Filter::Filter(int iFilterType, QObject *parent) : Filter(iFilterType, AlertFlags(), parent)
{
}

Filter::Filter(int iFilterType, AlertFlags alertKinds, QObject *parent)
    : QObject(parent), m_filterType(iFilterType), m_alertKinds(alertKinds)
{
}

void Filter::addBand(int iBands)
{
    if (m_bandFilterValue == AllBands)
        m_bandFilterValue = NoBand;
    m_bandFilterValue |= iBands;
    Q_EMIT bandFilterValueChanged(BandFilter(m_bandFilterValue));
}

void Filter::removeBand(int iBands)
{
    m_bandFilterValue &= ~iBands;
    Q_EMIT bandFilterValueChanged(BandFilter(m_bandFilterValue));
}

bool Filter::match(Spot &spot) const
{
    switch (m_filterType) {
    case Drop:
        return false;
    case Accept:
        return true;
    case Band | Drop:
    case Band | Accept: {
        if (m_bandFilterValue == AllBands)
            return true;
        if (m_bandFilterValue == NoBand)
            return false;
        bool bOk = false;
        const double dFrequency = frequencyKHz(spot.frequency(), &bOk);
        if (!bOk) {
            QLOG_WARN() << "WARNING! Filter match invalid!";
            return false;
        }
        return bandAction(dFrequency) == ChainResult::Accept;
    }
    case Call | Drop:
    case Call | Accept:
        return spot.dxCall() == m_callFilterValue;
    case Country | Drop:
    case Country | Accept:
        return spot.country() == m_countryFilterValue;
    case WorkedCountries | Drop:
    case WorkedCountries | Accept:
        return m_context && m_context->isWorkedCountry(spot.country());
    case NewCountries | Drop:
    case NewCountries | Accept:
        return m_context && m_context->isNewCountry(spot.country());
    case DxContinent | Drop:
    case DxContinent | Accept:
        return !spot.dxContinent().isEmpty() && spot.dxContinent() == m_continentFilterValue;
    case SpotterContinent | Drop:
    case SpotterContinent | Accept:
        return !spot.spotterContinent().isEmpty() && spot.spotterContinent() == m_continentFilterValue;
    case NeededNewCountry | Drop:
    case NeededNewCountry | Accept:
        return matchesNeed(spot, Need::NewCountry);
    case NeededNewBand | Drop:
    case NeededNewBand | Accept:
        return matchesNeed(spot, Need::NewBand);
    case NeededNewMode | Drop:
    case NeededNewMode | Accept:
        return matchesNeed(spot, Need::NewMode);
    case NeededUnconfirmed | Drop:
    case NeededUnconfirmed | Accept:
        return matchesNeed(spot, Need::Unconfirmed);
    case NotWorkedOnBand | Drop:
    case NotWorkedOnBand | Accept: {
        if (!m_context)
            return false;
        const WorkedBefore worked = m_context->workedBefore(spot);
        return worked == WorkedBefore::NotWorked || worked == WorkedBefore::OtherBand;
    }
    case DXpeditionIota | Drop:
    case DXpeditionIota | Accept:
        if (!m_context || !m_context->isDXpedition(spot.dxCall()))
            return false;
        spot.setDxpedition(true);
        return true;
    case Mode | Drop:
    case Mode | Accept:
    case SpottedBy | Drop:
    case SpottedBy | Accept:
    case SnrAtLeast | Drop:
    case SnrAtLeast | Accept:
    case SpeedBetween | Drop:
    case SpeedBetween | Accept:
    case Validation | Drop:
    case Validation | Accept:
    case SpotKind | Drop:
    case SpotKind | Accept:
        return matchesSkimmerKind(spot);
    default:
        QLOG_WARN() << "Warning! Invalid filter type.";
        return true;
    }
}

void Filter::setModeFilterValue(const QStringList &qslModes)
{
    m_modeFilterValue.clear();
    for (const QString &qsMode : qslModes) {
        const QString qsUpper = qsMode.trimmed().toUpper();
        if (!qsUpper.isEmpty() && !m_modeFilterValue.contains(qsUpper))
            m_modeFilterValue.append(qsUpper);
    }
}

bool Filter::matchesSkimmerKind(const Spot &spot) const
{
    switch (m_filterType & ~(Drop | Accept)) {
    case Mode:
        // Modes are few and upper case on both sides; a spot that names none
        // matches no set.
        return !spot.mode().isEmpty() && m_modeFilterValue.contains(spot.mode());
    case SpottedBy:
        return m_choiceFilterValue == SpottedByEither || (m_choiceFilterValue == SpottedBySkimmer) == spot.isSkimmer();
    case SnrAtLeast:
        // The station's strongest report counts: one weak skimmer far away
        // does not make a loud station weak. A spot without one matches not.
        if (spot.hasBestSnr())
            return spot.bestSnr() >= m_minFilterValue;
        return spot.hasSnr() && spot.snr() >= m_minFilterValue;
    case SpeedBetween:
        return spot.speed() > 0 && spot.speed() >= m_minFilterValue && spot.speed() <= m_maxFilterValue;
    case Validation:
        return m_choiceFilterValue == HideBusted ? spot.validation() != Spot::Validation::Busted
                                                 : spot.validation() == Spot::Validation::Valid;
    case SpotKind:
        if (m_choiceFilterValue == KindBeacon)
            return spot.kind() == Spot::Kind::Beacon || spot.kind() == Spot::Kind::NcdxfBeacon;
        return spot.kind() == Spot::Kind::Cq;
    default:
        return false;
    }
}

bool Filter::matchesNeed(const Spot &spot, Need least) const
{
    if (!m_context)
        return false;
    const Need need = m_context->needFor(spot);
    return need != Need::None && need <= least;
}

ChainResult::Verdict Filter::bandAction(double dFrequency) const
{
    // Frequencies outside every band are not the band filter's business.
    const BandPlan::Band *pBand = BandPlan::bandFor(dFrequency);
    if (!pBand)
        return ChainResult::Accept;
    return (quint32(m_bandFilterValue) & pBand->bit) ? ChainResult::Accept : ChainResult::Drop;
}

AlertFlags Filter::applyAlert(Spot &spot) const
{
    if (!m_alertKinds || !match(spot))
        return {};

    AlertFlags fired;
    // A colour alert whose colour was never chosen would paint rows black.
    if (m_alertKinds.testFlag(AlertFlag::Color) && m_alertColor != kNoColor) {
        spot.setAlertColor(m_alertColor);
        fired |= AlertFlag::Color;
    }
    if (m_alertKinds.testFlag(AlertFlag::Sound)) {
        spot.setSoundFile(m_soundFile);
        fired |= AlertFlag::Sound;
    }
    if (m_alertKinds.testFlag(AlertFlag::Balloon)) {
        fired |= AlertFlag::Balloon;
    }
    if (m_alertKinds.testFlag(AlertFlag::Icon)) {
        spot.setIconFile(m_iconFile);
        fired |= AlertFlag::Icon;
    }
    spot.addAlertFlags(fired);
    return fired;
}
