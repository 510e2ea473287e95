#ifndef SETTINGSBACKUP_H
#define SETTINGSBACKUP_H

#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

// Saves the settings store whole or not at all, keeps the last good copy of
// it beside it and puts that back when the store is found damaged. A full
// disk can leave a file cut short while Qt reports success, so a save is
// written to a file of its own, flushed to the disk and read back before it
// replaces the store, and only a store read back whole refreshes the copy.
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
    // good copy. Without one, an unreadable store is set aside, and the
    // program starts from defaults. Files a killed save left are removed.
    static StartCheck checkAtStart();

    // A private second name of the store for a GuardedSettings to work on;
    // Qt replaces it when it writes, so the store is never written through it.
    static QString makeWorkingCopy(const QString &qsStorePath);
    static bool isWorkingCopyOf(const QString &qsWorkPath, const QString &qsStorePath);
    // Writes settings (on its working file) to the disk and, when the file
    // reads back as meant, puts it in place of the store. Otherwise the store
    // stays as it was, and the failure is logged and emitted as saveFailed.
    static bool saveWhole(QSettings &settings, const QString &qsStorePath, bool bWorkReady);

    // Values as read back from the file are text; values just set are not.
    static bool sameValue(const QVariant &stored, const QVariant &value);

Q_SIGNALS:
    void saveFailed(const QString &qsMessage);

private:
    using QObject::QObject;

    static bool restore(const QString &qsStorePath);
    static void refresh(const QString &qsStorePath);
    static bool readsBackAsMeant(QSettings &settings);
};

#endif // SETTINGSBACKUP_H
