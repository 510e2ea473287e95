#include "FilterStore.h"

#include "SettingsStore.h"

#include "API/QsLog/QsLog.h"
#include "filters/FilterChains.h"

#include <QSettings>

#include <algorithm>

namespace {

const QString kFilters = QStringLiteral("Filters");
const QString kAlerts = QStringLiteral("Alerts");
const QString kCount = QStringLiteral("Count");
const QString kDefaultFilter = QStringLiteral("DefaultFilter");
const QString kBandSelection = QStringLiteral("0");
const QString kFilterType = QStringLiteral("FilterType");
const QString kBandFilterValue = QStringLiteral("BandFilterValue");
const QString kCallFilterValue = QStringLiteral("CallFilterValue");
const QString kCountryFilterValue = QStringLiteral("CountryFilterValue");
const QString kContinentFilterValue = QStringLiteral("ContinentFilterValue");
const QString kModeFilterValue = QStringLiteral("ModeFilterValue");
const QString kChoiceFilterValue = QStringLiteral("ChoiceFilterValue");
const QString kMinFilterValue = QStringLiteral("MinFilterValue");
const QString kMaxFilterValue = QStringLiteral("MaxFilterValue");
const QString kFilterAction = QStringLiteral("FilterAction");
const QString kColorRed = QStringLiteral("ColorRed");
const QString kColorGreen = QStringLiteral("ColorGreen");
const QString kColorBlue = QStringLiteral("ColorBlue");
const QString kSoundFile = QStringLiteral("SoundFile");
const QString kIconIndex = QStringLiteral("IconIndex");
const QString kIconFile = QStringLiteral("IconFile");

constexpr int kBandSelectionType = Filter::Accept | Filter::Band;
constexpr AlertFlags kAllAlertKinds = AlertFlag::Color | AlertFlag::Sound | AlertFlag::Balloon | AlertFlag::Icon;
const QColor kNoColor(0, 0, 0, 0);

int colorComponent(const QSettings &settings, const QString &qsKey)
{
    return qBound(0, settings.value(qsKey, 255).toInt(), 255);
}

constexpr int kChoiceKinds = Filter::SpottedBy | Filter::Validation | Filter::SpotKind;
constexpr int kRangeKinds = Filter::SnrAtLeast | Filter::SpeedBetween;

// A choice out of its range (a store edited by hand, or one from a later
// version) reads as the first, which keeps the rule doing something sane.
int readChoice(const QSettings &settings, int iType)
{
    const int iChoice = settings.value(kChoiceFilterValue, 0).toInt();
    const int iLast = (iType & Filter::SpottedBy) ? int(Filter::SpottedByHuman)
        : (iType & Filter::Validation)            ? int(Filter::HideBusted)
                                                  : int(Filter::KindBeacon);
    return iChoice >= 0 && iChoice <= iLast ? iChoice : 0;
}

} // namespace

void FilterStore::saveChains(const FilterChains &chains)
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kFilters);
    settings.setValue(kCount, chains.filterCount() + 1);
    settings.setValue(kDefaultFilter, chains.defaultFilter());
    settings.beginGroup(kBandSelection);
    settings.setValue(kFilterType, kBandSelectionType);
    settings.setValue(kBandFilterValue, chains.bandFilter()->bandFilterValue());
    settings.endGroup();
    for (int i = 0; i < chains.filterCount(); ++i) {
        settings.beginGroup(QString::number(i + 1));
        writeRule(settings, *chains.filterAt(i), false);
        settings.endGroup();
    }
    settings.removeUnset();
    settings.endGroup();

    settings.beginGroup(kAlerts);
    settings.setValue(kCount, chains.alertCount());
    for (int i = 0; i < chains.alertCount(); ++i) {
        settings.beginGroup(QString::number(i));
        writeRule(settings, *chains.alertAt(i), true);
        settings.endGroup();
    }
    settings.removeUnset();
    settings.endGroup();
}

void FilterStore::writeRule(GuardedSettings &settings, const Filter &rule, bool bAlert)
{
    const int iType = rule.filterType();
    settings.setValue(kFilterType, iType);
    if (iType & Filter::Band)
        settings.setValue(kBandFilterValue, rule.bandFilterValue());
    if (iType & Filter::Call)
        settings.setValue(kCallFilterValue, rule.callFilterValue());
    if (iType & Filter::Country)
        settings.setValue(kCountryFilterValue, rule.countryFilterValue());
    if (iType & (Filter::DxContinent | Filter::SpotterContinent))
        settings.setValue(kContinentFilterValue, rule.continentFilterValue());
    if (iType & Filter::Mode)
        settings.setValue(kModeFilterValue, rule.modeFilterValue().join(QLatin1Char(',')));
    if (iType & kChoiceKinds)
        settings.setValue(kChoiceFilterValue, rule.choiceFilterValue());
    if (iType & kRangeKinds)
        settings.setValue(kMinFilterValue, rule.minFilterValue());
    if (iType & Filter::SpeedBetween)
        settings.setValue(kMaxFilterValue, rule.maxFilterValue());
    if (!bAlert)
        return;

    AlertFlags kinds = rule.alertKinds();
    // Only red, green and blue are stored, so a colour never chosen would come
    // back as opaque black and colour every matching row. Unchosen, the kind
    // does nothing; leaving it out keeps it doing nothing.
    if (kinds.testFlag(AlertFlag::Color) && rule.alertColor() == kNoColor)
        kinds &= ~AlertFlags(AlertFlag::Color);
    if (kinds.testFlag(AlertFlag::Color)) {
        settings.setValue(kColorRed, rule.alertColor().red());
        settings.setValue(kColorGreen, rule.alertColor().green());
        settings.setValue(kColorBlue, rule.alertColor().blue());
    }
    if (kinds.testFlag(AlertFlag::Sound))
        settings.setValue(kSoundFile, rule.soundFile());
    if (kinds.testFlag(AlertFlag::Icon)) {
        settings.setValue(kIconIndex, rule.iconIndex());
        settings.setValue(kIconFile, rule.iconFile());
    }
    settings.setValue(kFilterAction, int(ChainResult::alertBits(kinds)));
}

void FilterStore::loadChains(FilterChains &chains, const RuleContext *pContext)
{
    auto link = [pContext](std::unique_ptr<Filter> pRule) {
        pRule->setContext(pContext);
        return pRule;
    };

    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kFilters);
    const int iFilterCount = settings.value(kCount, 0).toInt();
    // Without a stored action every outcome would be Accept whatever the
    // rules say; the settings dialog shows even values as Accept and odd ones
    // as Drop, and the chain now acts as shown.
    const int iDefault = settings.value(kDefaultFilter, 0).toInt();
    chains.setDefaultFilter((iDefault & Filter::Drop) ? Filter::Drop : Filter::Accept);
    chains.clearFilters();
    for (const int iIndex : storedIndices(settings, iFilterCount)) {
        settings.beginGroup(QString::number(iIndex));
        if (iIndex == 0)
            chains.addBand(settings.value(kBandFilterValue, 0).toInt());
        else
            chains.addFilter(link(readRule(settings, false)), -1);
        settings.endGroup();
    }
    settings.endGroup();

    settings.beginGroup(kAlerts);
    const int iAlertCount = settings.value(kCount, 0).toInt();
    chains.clearAlerts();
    for (const int iIndex : storedIndices(settings, iAlertCount)) {
        settings.beginGroup(QString::number(iIndex));
        chains.addAlert(link(readRule(settings, true)), -1);
        settings.endGroup();
    }
    settings.endGroup();
}

std::unique_ptr<Filter> FilterStore::readRule(const QSettings &settings, bool bAlert)
{
    const int iType = settings.value(kFilterType, 0).toInt();
    const AlertFlags kinds = bAlert
        ? AlertFlags::fromInt(quint32(settings.value(kFilterAction, 0).toInt()) >> ChainResult::kAlertShift)
            & kAllAlertKinds
        : AlertFlags();
    auto pRule = std::make_unique<Filter>(iType, kinds);
    // A new rule holds all bands; adding the stored set narrows it to exactly that.
    if (iType & Filter::Band)
        pRule->addBand(settings.value(kBandFilterValue, 0).toInt());
    if (iType & Filter::Call)
        pRule->setCallFilterValue(settings.value(kCallFilterValue).toString());
    if (iType & Filter::Country)
        pRule->setCountryFilterValue(settings.value(kCountryFilterValue).toString());
    if (iType & (Filter::DxContinent | Filter::SpotterContinent))
        pRule->setContinentFilterValue(settings.value(kContinentFilterValue).toString());
    if (iType & Filter::Mode)
        pRule->setModeFilterValue(settings.value(kModeFilterValue).toString().split(QLatin1Char(',')));
    if (iType & kChoiceKinds)
        pRule->setChoiceFilterValue(readChoice(settings, iType));
    if (iType & Filter::SnrAtLeast)
        pRule->setMinFilterValue(qBound(Filter::kMinSnr, settings.value(kMinFilterValue, 0).toInt(), Filter::kMaxSnr));
    if (iType & Filter::SpeedBetween) {
        const int iMin = qBound(0, settings.value(kMinFilterValue, 0).toInt(), Filter::kMaxSpeed);
        const int iMax = qBound(0, settings.value(kMaxFilterValue, Filter::kMaxSpeed).toInt(), Filter::kMaxSpeed);
        pRule->setMinFilterValue(qMin(iMin, iMax));
        pRule->setMaxFilterValue(qMax(iMin, iMax));
    }
    if (kinds.testFlag(AlertFlag::Color)) {
        pRule->setAlertColor(QColor(colorComponent(settings, kColorRed), colorComponent(settings, kColorGreen),
                                    colorComponent(settings, kColorBlue)));
    }
    if (kinds.testFlag(AlertFlag::Sound))
        pRule->setSoundFile(settings.value(kSoundFile).toString());
    if (kinds.testFlag(AlertFlag::Icon)) {
        pRule->setIconIndex(settings.value(kIconIndex, 0).toInt());
        pRule->setIconFile(settings.value(kIconFile).toString());
    }
    return pRule;
}

QList<int> FilterStore::storedIndices(const QSettings &settings, int iCount)
{
    // Only the sub-groups that exist: a Count larger than what is stored (a
    // damaged store) would otherwise add rules of type 0, which match every
    // spot, and a huge Count would loop for minutes.
    QList<int> indices;
    for (const QString &qsGroup : settings.childGroups()) {
        bool bOk = false;
        const int iIndex = qsGroup.toInt(&bOk);
        if (bOk && iIndex >= 0 && iIndex < iCount && qsGroup == QString::number(iIndex))
            indices.append(iIndex);
    }
    std::sort(indices.begin(), indices.end());
    if (indices.size() != iCount && iCount > 0) {
        QLOG_WARN() << "Settings group" << settings.group() << "counts" << iCount << "entries, found" << indices.size();
    }
    return indices;
}

int FilterStore::storedDefaultFilter()
{
    GuardedSettings settings = SettingsStore::openStore();
    return settings.value(kFilters + QLatin1Char('/') + kDefaultFilter, 0).toInt();
}

void FilterStore::saveBandSelection(int iBands)
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kFilters);
    // With no Count the load never reads sub-group "0", and the band chosen
    // before the first settings save would be lost at the next start.
    if (settings.value(kCount, 0).toInt() < 1)
        settings.setValue(kCount, 1);
    settings.beginGroup(kBandSelection);
    settings.setValue(kFilterType, kBandSelectionType);
    settings.setValue(kBandFilterValue, iBands);
    settings.endGroup();
    settings.endGroup();
}
