#include "GuardedSettings.h"

#include "SettingsBackup.h"
#include "SettingsStore.h"

GuardedSettings::GuardedSettings()
    : QSettings(QSettings::UserScope, SettingsStore::kOrganization, SettingsStore::kApplication)
{
}

GuardedSettings::~GuardedSettings()
{
    commit();
}

void GuardedSettings::setValue(const QString &qsKey, const QVariant &value)
{
    const QString qsGroup = group();
    m_set.insert(qsGroup.isEmpty() ? qsKey : qsGroup + QLatin1Char('/') + qsKey);
    if (contains(qsKey) && SettingsBackup::sameValue(QSettings::value(qsKey), value))
        return;
    QSettings::setValue(qsKey, value);
    m_changed = true;
}

void GuardedSettings::removeUnset()
{
    const QString qsGroup = group();
    const QStringList keys = allKeys();
    for (const QString &qsKey : keys) {
        if (!m_set.contains(qsGroup.isEmpty() ? qsKey : qsGroup + QLatin1Char('/') + qsKey)) {
            QSettings::remove(qsKey);
            m_changed = true;
        }
    }
}

void GuardedSettings::remove(const QString &qsKey)
{
    beginGroup(qsKey);
    const bool bAny = !allKeys().isEmpty();
    endGroup();
    if (!bAny && !contains(qsKey))
        return;
    QSettings::remove(qsKey);
    m_changed = true;
}

bool GuardedSettings::commit()
{
    if (!m_changed)
        return true;
    m_changed = false;
    sync();
    return SettingsBackup::verifySaved(*this);
}
