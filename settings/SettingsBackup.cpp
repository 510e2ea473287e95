#include "SettingsBackup.h"

#include "SettingsStore.h"

#include "API/QsLog/QsLog.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kBackupSuffix = QStringLiteral(".bak");
const QString kTempSuffix = QStringLiteral(".tmp");
const QString kUnreadableSuffix = QStringLiteral(".unreadable");
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// QSettings keeps one parsed copy per path for every object open on it, so
// opening the store's own path again only shows what the writer meant, not
// what reached the disk. A second name for the same file (a hard link, no
// space needed) is parsed from the disk.
class DiskCopy
{
public:
    explicit DiskCopy(const QString &qsPath)
        : m_path(QStringLiteral("%1.check-%2-%3").arg(qsPath).arg(::getpid()).arg(++s_serial))
    {
        QFile::remove(m_path);
        m_ok = ::link(QFile::encodeName(qsPath).constData(), QFile::encodeName(m_path).constData()) == 0
               || QFile::copy(qsPath, m_path);
    }
    ~DiskCopy() { QFile::remove(m_path); }
    Q_DISABLE_COPY_MOVE(DiskCopy)

    bool isOk() const { return m_ok; }
    const QString &path() const { return m_path; }

private:
    static inline int s_serial = 0;
    QString m_path;
    bool m_ok = false;
};

bool readable(const QString &qsPath)
{
    if (QFileInfo(qsPath).size() <= 0)
        return false;
    const DiskCopy copy(qsPath);
    if (!copy.isOk())
        return false;
    QSettings settings(copy.path(), QSettings::IniFormat);
    return !settings.allKeys().isEmpty() && settings.status() == QSettings::NoError;
}

QByteArray contents(const QString &qsPath, bool *pbOk)
{
    QFile file(qsPath);
    *pbOk = file.open(QIODevice::ReadOnly);
    const QByteArray baData = *pbOk ? file.readAll() : QByteArray();
    *pbOk = *pbOk && file.error() == QFileDevice::NoError;
    return baData;
}

bool replace(const QString &qsFrom, const QString &qsTo)
{
    return std::rename(QFile::encodeName(qsFrom).constData(), QFile::encodeName(qsTo).constData()) == 0;
}

} // namespace

SettingsBackup *SettingsBackup::instance()
{
    static SettingsBackup backup;
    return &backup;
}

QString SettingsBackup::backupPath(const QString &qsStorePath)
{
    return qsStorePath + kBackupSuffix;
}

bool SettingsBackup::sameValue(const QVariant &stored, const QVariant &value)
{
    if (stored == value)
        return true;
    if (stored.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QStringList)
        return stored.toStringList() == value.toStringList();
    return stored.typeId() == QMetaType::QString && value.canConvert<QString>() && stored.toString() == value.toString();
}

SettingsBackup::StartCheck SettingsBackup::checkAtStart()
{
    const QString qsStore = QSettings(QSettings::UserScope, SettingsStore::kOrganization, SettingsStore::kApplication)
                                .fileName();
    // A save killed while Qt wrote its lock file leaves one without an owner,
    // and every save would wait for it to go stale. Only one Kelvane runs.
    const QString qsLock = qsStore + QStringLiteral(".lock");
    if (QFileInfo::exists(qsLock)) {
        QLOG_WARN() << "Removing the lock file a killed run left:" << qsLock;
        QFile::remove(qsLock);
    }
    if (readable(qsStore)) {
        refresh(qsStore);
        return {};
    }
    const QString qsBackup = backupPath(qsStore);
    if (!readable(qsBackup)) {
        if (!QFileInfo::exists(qsStore))
            return {}; // the first run
        const QString qsAside = qsStore + kUnreadableSuffix;
        QFile::remove(qsAside);
        const bool bKept = QFile::copy(qsStore, qsAside);
        QLOG_ERROR() << "Settings file" << qsStore << "is empty or unreadable and has no good copy; kept aside:"
                     << bKept;
        return {bKept ? tr("The settings file %1 is empty or cannot be read, and there is no good copy of it. "
                           "Kelvane starts with default settings; the file was kept as %2.")
                            .arg(qsStore, qsAside)
                      : tr("The settings file %1 is empty or cannot be read, and there is no good copy of it. "
                           "Kelvane starts with default settings.")
                            .arg(qsStore),
                true};
    }
    QLOG_WARN() << "Settings file" << qsStore << "missing or damaged, restoring" << qsBackup;
    if (!restore(qsStore)) {
        return {tr("The settings file %1 is missing or damaged and the last good copy %2 could not be put back.")
                    .arg(qsStore, qsBackup),
                true};
    }
    return {tr("The settings file %1 was missing or damaged. The last good copy was restored.").arg(qsStore), false};
}

bool SettingsBackup::verifySaved(QSettings &settings)
{
    const QString qsStore = settings.fileName();
    const QString qsGroup = settings.group();
    while (!settings.group().isEmpty())
        settings.endGroup();

    bool bOk = settings.status() == QSettings::NoError;
    {
        const DiskCopy copy(qsStore);
        QSettings written(copy.path(), QSettings::IniFormat);
        const QStringList meant = settings.allKeys();
        bOk = bOk && copy.isOk() && written.status() == QSettings::NoError && written.allKeys().size() == meant.size();
        for (qsizetype i = 0; bOk && i < meant.size(); ++i)
            bOk = written.contains(meant.at(i)) && sameValue(written.value(meant.at(i)), settings.value(meant.at(i)));
    }

    if (!qsGroup.isEmpty())
        settings.beginGroup(qsGroup);
    if (bOk) {
        refresh(qsStore);
        return true;
    }
    QLOG_ERROR() << "Settings file" << qsStore << "does not hold what was saved; restoring the last good copy";
    const bool bRestored = restore(qsStore);
    // The object re-reads the file at its next access, so no later save of
    // it writes the damaged state back.
    settings.sync();
    Q_EMIT instance()->saveFailed(
        bRestored ? tr("The settings could not be saved (is the disk full?). The settings saved last were kept.")
                  : tr("The settings could not be saved to %1 (is the disk full?).").arg(qsStore));
    return false;
}

bool SettingsBackup::restore(const QString &qsStorePath)
{
    const QString qsBackup = backupPath(qsStorePath);
    if (!readable(qsBackup))
        return false;
    // A hard link needs no free space, which is what a full disk lacks.
    const QString qsTemp = qsStorePath + kTempSuffix;
    QFile::remove(qsTemp);
    if (::link(QFile::encodeName(qsBackup).constData(), QFile::encodeName(qsTemp).constData()) != 0
        && !QFile::copy(qsBackup, qsTemp)) {
        QLOG_ERROR() << "Cannot restore" << qsStorePath << "from" << qsBackup;
        QFile::remove(qsTemp);
        return false;
    }
    if (!replace(qsTemp, qsStorePath)) {
        QFile::remove(qsTemp);
        return false;
    }
    return true;
}

void SettingsBackup::refresh(const QString &qsStorePath)
{
    const QString qsBackup = backupPath(qsStorePath);
    bool bOk = false;
    const QByteArray baStore = contents(qsStorePath, &bOk);
    if (!bOk || baStore.isEmpty())
        return;
    bool bBackupOk = false;
    if (contents(qsBackup, &bBackupOk) == baStore && bBackupOk) {
        QFile::setPermissions(qsBackup, kOwnerOnly);
        return;
    }
    const QString qsTemp = qsBackup + kTempSuffix;
    QFile file(qsTemp);
    // Private before the first byte: the copy holds the node passwords.
    bOk = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.setPermissions(kOwnerOnly)
          && file.write(baStore) == baStore.size() && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    bOk = bOk && contents(qsTemp, &bBackupOk) == baStore && bBackupOk && replace(qsTemp, qsBackup);
    if (!bOk) {
        // The previous copy stays: still good, only older.
        QLOG_WARN() << "Cannot refresh the settings backup" << qsBackup;
        QFile::remove(qsTemp);
    }
}
