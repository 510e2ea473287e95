#include "Filter.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Spot.h"
#include "settings/Statistics.h"
#include "update/DXpeditions.h"

#include <charconv>

namespace {

struct BandRange
{
    double dFrom;
    double dTo;
    int iBand;
};

// Lower bounds belong to their band; the ranges are tried from 160m up and
// the first one holding the frequency decides.
constexpr BandRange kBandRanges[] = {
    {1800.0, 3500.0, Filter::Band160m},
    {3500.0, 5000.0, Filter::Band80m},
    {5000.0, 7000.0, Filter::Band60m},
    {7000.0, 10000.0, Filter::Band40m},
    {10000.0, 14000.0, Filter::Band30m},
    {14000.0, 18000.0, Filter::Band20m},
    {18000.0, 21000.0, Filter::Band17m},
    {21000.0, 24000.0, Filter::Band15m},
    {24000.0, 28000.0, Filter::Band12m},
    {28000.0, 50000.0, Filter::Band10m},
    {50000.0, 70000.0, Filter::Band6m},
    {70000.0, 144000.0, Filter::Band4m},
    {144000.0, 150000.0, Filter::Band2m},
    {430000.0, 440000.0, Filter::Band70cm},
};

constexpr double kBand23cmFrom = 1240000.0;

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

Filter::Filter(int iFilterType, QObject *parent)
    : Filter(iFilterType, 0, parent)
{
}

Filter::Filter(int iFilterType, int iAlertKinds, QObject *parent)
    : QObject(parent)
    , m_filterType(iFilterType)
    , m_statistics(Statistics::instance())
    , m_alertKinds(iAlertKinds)
{
}

void Filter::setCountrySets(const CountrySet *pNotWorked, const CountrySet *pWorked)
{
    m_notWorkedCountries = pNotWorked;
    m_workedCountries = pWorked;
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
        return bandAction(dFrequency) == ActionAccept;
    }
    case Call | Drop:
    case Call | Accept:
        return spot.dxCall() == m_callFilterValue;
    case Country | Drop:
    case Country | Accept:
        return spot.country() == m_countryFilterValue;
    case WorkedCountries | Drop:
    case WorkedCountries | Accept:
        return m_workedCountries && m_workedCountries->contains(spot.country());
    case NewCountries | Drop:
    case NewCountries | Accept:
        return m_notWorkedCountries && m_notWorkedCountries->contains(spot.country());
    case DXpeditionIota | Drop:
    case DXpeditionIota | Accept:
        if (!m_dxpeditions || !m_dxpeditions->contains(spot.dxCall()))
            return false;
        spot.setDxpedition(true);
        return true;
    default:
        QLOG_WARN() << "Warning! Invalid filter type.";
        return true;
    }
}

int Filter::bandAction(double dFrequency) const
{
    for (const BandRange &range : kBandRanges) {
        if (dFrequency >= range.dFrom && dFrequency < range.dTo)
            return (m_bandFilterValue & range.iBand) ? ActionAccept : ActionDrop;
    }
    if (dFrequency >= kBand23cmFrom)
        return (m_bandFilterValue & Band23cm) ? ActionAccept : ActionDrop;
    return ActionAccept;
}

int Filter::applyAlert(Spot &spot) const
{
    if (m_alertKinds == 0 || !match(spot))
        return 0;

    int iResult = 0;
    // A colour alert whose colour was never chosen would paint rows black.
    if ((m_alertKinds & AlertColor) && m_alertColor != kNoColor) {
        spot.addAlertFlags(Spot::AlertColor);
        spot.setAlertColor(m_alertColor);
        m_statistics->incrementColorAlerts();
        iResult = ActionChangeColor;
    }
    if (m_alertKinds & AlertSound) {
        spot.addAlertFlags(Spot::AlertSound);
        spot.setSoundFile(m_soundFile);
        iResult |= ActionSoundAlert;
        m_statistics->incrementSoundAlerts();
    }
    if (m_alertKinds & AlertBalloon) {
        spot.addAlertFlags(Spot::AlertPopup);
        iResult |= ActionBalloonPopup;
        m_statistics->incrementBalloonAlerts();
    }
    if (m_alertKinds & AlertIcon) {
        spot.addAlertFlags(Spot::AlertIcon);
        spot.setIconFile(m_iconFile);
        m_statistics->incrementIconAlerts();
        iResult |= ActionIcon;
    }
    return iResult;
}

QString Filter::actionNames(int iBits)
{
    static const char *const kNames[] = {
        "<Drop> ", "<Accept> ", "<Change color> ", "<Sound alert> ", "<Balloon popup> "
    };
    QString qsNames;
    for (int i = 0; i < 5; ++i) {
        if (iBits & (1 << i))
            qsNames += QLatin1String(kNames[i]);
    }
    qsNames.chop(1);
    return qsNames;
}
