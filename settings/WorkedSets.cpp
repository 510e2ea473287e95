#include "WorkedSets.h"

#include "SettingsStore.h"

#include <QSettings>

const QString WorkedSets::kNotWorkedGroup = QStringLiteral("Not Worked");
const QString WorkedSets::kWorkedGroup = QStringLiteral("Worked");

namespace {

void readGroup(QSettings &settings, const QString &qsGroup, WorkedSets::CountrySet *pSet)
{
    pSet->clear();
    settings.beginGroup(qsGroup);
    for (const QString &qsKey : settings.childKeys())
        pSet->insert(SettingsStore::unescapeKey(qsKey), false);
    settings.endGroup();
}

void writeGroup(GuardedSettings &settings, const QString &qsGroup, const WorkedSets::CountrySet &set)
{
    settings.beginGroup(qsGroup);
    for (auto it = set.cbegin(); it != set.cend(); ++it) {
        // An empty key would address the group itself.
        if (!it.key().isEmpty())
            settings.setValue(SettingsStore::escapeKey(it.key()), QString());
    }
    settings.removeUnset();
    settings.endGroup();
}

} // namespace

void WorkedSets::load()
{
    GuardedSettings settings = SettingsStore::openStore();
    readGroup(settings, kNotWorkedGroup, &m_notWorkedCountries);
    readGroup(settings, kWorkedGroup, &m_workedCountries);
}

void WorkedSets::save() const
{
    GuardedSettings settings = SettingsStore::openStore();
    writeGroup(settings, kNotWorkedGroup, m_notWorkedCountries);
    writeGroup(settings, kWorkedGroup, m_workedCountries);
}

void WorkedSets::setWorked(const QString &qsCountry)
{
    m_notWorkedCountries.remove(qsCountry);
    m_workedCountries.insert(qsCountry, false);
}

void WorkedSets::setNotWorked(const QString &qsCountry)
{
    m_workedCountries.remove(qsCountry);
    m_notWorkedCountries.insert(qsCountry, false);
}

QString WorkedSets::notWorkedNameAt(int iIndex) const
{
    return nameAt(m_notWorkedCountries, iIndex);
}

QString WorkedSets::workedNameAt(int iIndex) const
{
    return nameAt(m_workedCountries, iIndex);
}

QString WorkedSets::nameAt(const CountrySet &set, int iIndex)
{
    if (iIndex < 0 || iIndex >= set.size())
        return QString();
    return std::next(set.cbegin(), iIndex).key();
}

bool WorkedSets::fillNotWorkedOnFirstRun(const QStringList &countries)
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kNotWorkedGroup);
    const bool bEmpty = settings.childKeys().isEmpty();
    settings.endGroup();
    if (!bEmpty)
        return false;

    // Once every country has been moved to worked, "Not Worked" is empty
    // again; filling it with every name would put each one in both sets.
    CountrySet worked;
    readGroup(settings, kWorkedGroup, &worked);
    settings.beginGroup(kNotWorkedGroup);
    bool bWritten = false;
    for (const QString &qsCountry : countries) {
        if (qsCountry.isEmpty() || worked.contains(qsCountry))
            continue;
        settings.setValue(SettingsStore::escapeKey(qsCountry), QString());
        bWritten = true;
    }
    settings.endGroup();
    return bWritten;
}
