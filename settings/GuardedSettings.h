#ifndef GUARDEDSETTINGS_H
#define GUARDEDSETTINGS_H

#include <QSet>
#include <QSettings>
#include <QString>

// The per-user store for one operation. Values equal to the stored ones are
// not written, so a save that changes nothing leaves the file untouched; a
// save that does change it is read back before it counts (SettingsBackup).
// Hides QSettings::setValue on purpose: writers hold this type.
class GuardedSettings : public QSettings
{
public:
    GuardedSettings();
    ~GuardedSettings() override;

    void setValue(const QString &qsKey, const QVariant &value);
    // Removes every key of the current group not set since the group was
    // entered: a whole-group rewrite without rewriting what stayed the same.
    void removeUnset();
    void remove(const QString &qsKey);

    // Writes now; false when the file does not hold what was meant.
    bool commit();

private:
    QSet<QString> m_set;
    bool m_changed = false;
};

#endif // GUARDEDSETTINGS_H
