#include "SkimmerSettings.h"

#include "SettingsStore.h"

namespace {

const QString kSkimmers = QStringLiteral("Skimmers");
const QString kValidSkimmers = QStringLiteral("ValidSkimmers");
const QString kValidSpread = QStringLiteral("ValidSpreadKHz");
const QString kValidWindow = QStringLiteral("ValidWindowMinutes");
const QString kBustedSkimmers = QStringLiteral("BustedSkimmers");
const QString kBustedSpread = QStringLiteral("BustedSpreadKHz");
const QString kBustedWindow = QStringLiteral("BustedWindowMinutes");
const QString kBustedNeighbourSkimmers = QStringLiteral("BustedNeighbourSkimmers");
const QString kHideBusted = QStringLiteral("HideBusted");

void readInt(const QSettings &settings, const QString &qsKey, int iMin, int iMax, int *piValue)
{
    bool bOk = false;
    const int iValue = settings.value(qsKey, *piValue).toInt(&bOk);
    if (bOk && iValue >= iMin && iValue <= iMax)
        *piValue = iValue;
}

void readKHz(const QSettings &settings, const QString &qsKey, double *pdValue)
{
    bool bOk = false;
    const double dValue = settings.value(qsKey, *pdValue).toDouble(&bOk);
    // Spreads of 0 kHz would need skimmers to agree to the ten hertz.
    if (bOk && dValue > 0.0 && dValue <= SkimmerSettings::kMaxSpreadKHz)
        *pdValue = dValue;
}

} // namespace

SkimmerSettings SkimmerSettings::load()
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kSkimmers);
    SkimmerSettings skimmers;
    SkimmerValidator::Thresholds &thresholds = skimmers.thresholds;
    readInt(settings, kValidSkimmers, 1, kMaxSkimmers, &thresholds.validSkimmers);
    readKHz(settings, kValidSpread, &thresholds.validSpreadKHz);
    int iMinutes = thresholds.validWindowSecs / 60;
    readInt(settings, kValidWindow, 1, kMaxWindowMinutes, &iMinutes);
    thresholds.validWindowSecs = iMinutes * 60;
    readInt(settings, kBustedSkimmers, 1, kMaxSkimmers, &thresholds.bustedSkimmers);
    readKHz(settings, kBustedSpread, &thresholds.bustedSpreadKHz);
    iMinutes = thresholds.bustedWindowSecs / 60;
    readInt(settings, kBustedWindow, 1, kMaxWindowMinutes, &iMinutes);
    thresholds.bustedWindowSecs = iMinutes * 60;
    readInt(settings, kBustedNeighbourSkimmers, 1, kMaxSkimmers, &thresholds.bustedNeighbourSkimmers);
    const QVariant hide = settings.value(kHideBusted, skimmers.hideBusted);
    skimmers.hideBusted = hide.canConvert<bool>() ? hide.toBool() : true;
    return skimmers;
}

void SkimmerSettings::save() const
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kSkimmers);
    settings.setValue(kValidSkimmers, thresholds.validSkimmers);
    settings.setValue(kValidSpread, thresholds.validSpreadKHz);
    settings.setValue(kValidWindow, thresholds.validWindowSecs / 60);
    settings.setValue(kBustedSkimmers, thresholds.bustedSkimmers);
    settings.setValue(kBustedSpread, thresholds.bustedSpreadKHz);
    settings.setValue(kBustedWindow, thresholds.bustedWindowSecs / 60);
    settings.setValue(kBustedNeighbourSkimmers, thresholds.bustedNeighbourSkimmers);
    settings.setValue(kHideBusted, hideBusted);
}
