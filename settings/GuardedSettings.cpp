#include "GuardedSettings.h"

#include "SettingsBackup.h"
#include "SettingsStore.h"

#include <QFile>

namespace {

QString userStorePath(const QString &qsOrganization, const QString &qsApplication)
{
    return QSettings(QSettings::UserScope, qsOrganization, qsApplication).fileName();
}

} // namespace

GuardedSettings::GuardedSettings() : GuardedSettings(SettingsStore::kOrganization, SettingsStore::kApplication)
{
}

GuardedSettings::GuardedSettings(const QString &qsOrganization, const QString &qsApplication)
    : GuardedSettings(userStorePath(qsOrganization, qsApplication))
{
}

GuardedSettings::GuardedSettings(const QString &qsStorePath)
    : QSettings(SettingsBackup::makeWorkingCopy(qsStorePath), QSettings::IniFormat)
    , m_storePath(qsStorePath)
    , m_workReady(SettingsBackup::isWorkingCopyOf(fileName(), qsStorePath))
{
}

GuardedSettings::~GuardedSettings()
{
    commit();
    // Nothing is pending after commit(), so the base class writes nothing
    // when it goes.
    QFile::remove(fileName());
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
    return SettingsBackup::saveWhole(*this, m_storePath, m_workReady);
}
