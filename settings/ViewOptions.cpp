#include "settings/ViewOptions.h"

#include "settings/GuardedSettings.h"
#include "settings/SettingsStore.h"

namespace {
// The group of the window's geometry and column layout.
const QString kMainWindow = QStringLiteral("MainWindow");
const QString kNeededOnly = QStringLiteral("NeededOnly");
const QString kTheme = QStringLiteral("Theme");
const QString kLight = QStringLiteral("Light");
const QString kDark = QStringLiteral("Dark");
const QString kSystem = QStringLiteral("System");
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

ViewOptions::Theme ViewOptions::theme()
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kMainWindow);
    const QString qsTheme = settings.value(kTheme).toString();
    if (qsTheme == kLight)
        return Theme::Light;
    if (qsTheme == kDark)
        return Theme::Dark;
    return Theme::System;
}

void ViewOptions::setTheme(Theme theme)
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kMainWindow);
    settings.setValue(kTheme, theme == Theme::Light ? kLight : theme == Theme::Dark ? kDark : kSystem);
}
