#ifndef SETTINGSBACKUP_H
#define SETTINGSBACKUP_H

#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

// Keeps the last good copy of the settings store beside it and puts it back
// when the store is found damaged. A full disk can leave the store cut short
// while the save reports success, so every save is read back before the copy
// is refreshed from it.
class SettingsBackup : public QObject
{
    Q_OBJECT

public:
    static SettingsBackup *instance();

    static QString backupPath(const QString &qsStorePath);

    // What the check at start found, for the operator: nothing (all well,
    // or a first run), a restored copy to mention, or a store that is lost
    // unless the operator sees to it.
    struct StartCheck
    {
        QString message;
        bool mustAct = false;
    };

    // At start: a missing, empty or unreadable store is replaced by the last
    // good copy. Without one, an unreadable store is kept aside beside it
    // before the program starts from defaults and saves over it.
    static StartCheck checkAtStart();

    // After a save: true when the file holds what pSettings meant to write.
    // Otherwise the last good copy is put back and saveFailed is emitted.
    static bool verifySaved(QSettings &settings);

    // Values as read back from the file are text; values just set are not.
    static bool sameValue(const QVariant &stored, const QVariant &value);

Q_SIGNALS:
    void saveFailed(const QString &qsMessage);

private:
    using QObject::QObject;

    static bool restore(const QString &qsStorePath);
    static void refresh(const QString &qsStorePath);
};

#endif // SETTINGSBACKUP_H
