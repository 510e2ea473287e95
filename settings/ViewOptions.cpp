#include "settings/ViewOptions.h"

#include "settings/GuardedSettings.h"
#include "settings/SettingsStore.h"

namespace {
// The group of the window's geometry and column layout.
const QString kMainWindow = QStringLiteral("MainWindow");
const QString kNeededOnly = QStringLiteral("NeededOnly");
} // namespace

bool ViewOptions::neededOnly()
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kMainWindow);
    return settings.value(kNeededOnly, false).toBool();
}

void ViewOptions::setNeededOnly(bool bNeededOnly)
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kMainWindow);
    settings.setValue(kNeededOnly, bNeededOnly);
}
