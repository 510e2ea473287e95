#ifndef GUARDEDSETTINGS_H
#define GUARDEDSETTINGS_H

#include <QSet>
#include <QSettings>
#include <QString>

// The per-user store for one operation. Values equal to the stored ones are
// not written, so a save that changes nothing leaves the file untouched.
// Changes go to a private working file first; the store is replaced by it
// only once it is on the disk and reads back whole (SettingsBackup), so a
// full disk never cuts the store itself.
// Hides QSettings::setValue on purpose: writers hold this type.
class GuardedSettings : public QSettings
{
public:
    GuardedSettings();
    // The store of another program name (the tests use their own).
    GuardedSettings(const QString &qsOrganization, const QString &qsApplication);
    ~GuardedSettings() override;

    void setValue(const QString &qsKey, const QVariant &value);
    // Removes every key of the current group not set since the group was
    // entered: a whole-group rewrite without rewriting what stayed the same.
    void removeUnset();
    void remove(const QString &qsKey);

    // Writes now; false when the store could not be replaced by what was
    // meant (it then holds what it held before).
    bool commit();

    // The store this object saves to; fileName() is the working file.
    QString storePath() const { return m_storePath; }

private:
    explicit GuardedSettings(const QString &qsStorePath);

    QString m_storePath;
    QSet<QString> m_set;
    bool m_changed = false;
    // False when the working file could not be made from the store: a save
    // from it would lose what it lacks.
    bool m_workReady = false;
};

#endif // GUARDEDSETTINGS_H
