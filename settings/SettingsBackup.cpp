#include "SettingsBackup.h"

#include "SettingsStore.h"

#include "API/QsLog/QsLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kBackupSuffix = QStringLiteral(".bak");
const QString kTempSuffix = QStringLiteral(".tmp");
const QString kUnreadableSuffix = QStringLiteral(".unreadable");
const QString kWorkSuffix = QStringLiteral(".work-");
const QString kCheckSuffix = QStringLiteral(".check-");
const QString kNewSuffix = QStringLiteral(".new");
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// QSettings keeps one parsed copy per path for every object open on it, so
// opening the store's own path again only shows what the writer meant, not
// what reached the disk. A second name for the same file (a hard link, no
// space needed) is parsed from the disk.
class DiskCopy
{
public:
    explicit DiskCopy(const QString &qsPath)
        : m_path(QStringLiteral("%1%2%3-%4").arg(qsPath, kCheckSuffix).arg(::getpid()).arg(++s_serial))
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

// Until the data is on the disk, a crash or power cut after the rename can
// leave an empty file under the store's name.
bool syncToDisk(const QString &qsPath)
{
    const int iFd = ::open(QFile::encodeName(qsPath).constData(), O_RDONLY | O_CLOEXEC);
    if (iFd < 0)
        return false;
    const bool bOk = ::fsync(iFd) == 0;
    ::close(iFd);
    return bOk;
}

// The rename itself is only durable once the folder is on the disk.
void syncFolder(const QString &qsPath)
{
    const int iFd =
        ::open(QFile::encodeName(QFileInfo(qsPath).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (iFd >= 0) {
        ::fsync(iFd);
        ::close(iFd);
    }
}

// Replaces qsTo by a private file holding baData, or leaves it alone.
bool writeWhole(const QByteArray &baData, const QString &qsTo)
{
    const QString qsTemp = qsTo + kTempSuffix;
    QFile file(qsTemp);
    // Private before the first byte: the store holds the node passwords.
    bool bOk = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.setPermissions(kOwnerOnly)
        && file.write(baData) == baData.size() && file.flush() && file.error() == QFileDevice::NoError
        && ::fsync(file.handle()) == 0;
    file.close();
    bool bReadOk = false;
    bOk = bOk && contents(qsTemp, &bReadOk) == baData && bReadOk && replace(qsTemp, qsTo);
    if (!bOk)
        QFile::remove(qsTemp);
    else
        syncFolder(qsTo);
    return bOk;
}

// Every QSettings on the store re-reads it only when its size or time
// changed: a save of the same size within the same millisecond would go
// unseen by them.
void keepChangeVisible(const QFileInfo &before, const QString &qsStorePath)
{
    const QFileInfo after(qsStorePath);
    if (!before.exists() || after.size() != before.size() || after.lastModified() != before.lastModified())
        return;
    QFile file(qsStorePath);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(before.lastModified().addMSecs(1), QFileDevice::FileModificationTime);
}

// What a save killed half way leaves beside the store.
void removeLeftovers(const QString &qsStorePath)
{
    const QFileInfo store(qsStorePath);
    const QString qsName = store.fileName();
    const QStringList names = store.dir().entryList({qsName + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    for (const QString &qsFile : names) {
        const QString qsSuffix = qsFile.mid(qsName.size());
        if (qsSuffix.startsWith(kWorkSuffix) || qsSuffix.startsWith(kCheckSuffix) || qsSuffix == kNewSuffix
            || qsSuffix == kTempSuffix || qsSuffix == kBackupSuffix + kTempSuffix) {
            QLOG_INFO() << "Removing what an interrupted save left:" << qsFile;
            store.dir().remove(qsFile);
        }
    }
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
    return stored.typeId() == QMetaType::QString && value.canConvert<QString>()
        && stored.toString() == value.toString();
}

SettingsBackup::StartCheck SettingsBackup::checkAtStart()
{
    const QString qsStore =
        QSettings(QSettings::UserScope, SettingsStore::kOrganization, SettingsStore::kApplication).fileName();
    // A save killed while Qt wrote its lock file leaves one without an owner,
    // and every save would wait for it to go stale. Only one Kelvane runs.
    const QString qsLock = qsStore + QStringLiteral(".lock");
    if (QFileInfo::exists(qsLock)) {
        QLOG_WARN() << "Removing the lock file a killed run left:" << qsLock;
        QFile::remove(qsLock);
    }
    removeLeftovers(qsStore);
    // A store that merely parses may still be one cut short: only a save
    // that read back whole refreshes the good copy, never the start.
    if (readable(qsStore))
        return {};
    const QString qsBackup = backupPath(qsStore);
    if (!readable(qsBackup)) {
        if (!QFileInfo::exists(qsStore))
            return {}; // the first run
        // Set aside, not left in place: saves over a file Qt cannot read keep
        // failing their read-back, and each failure would say the disk is full.
        const QString qsAside = qsStore + kUnreadableSuffix;
        QFile::remove(qsAside);
        const bool bKept = replace(qsStore, qsAside);
        if (!bKept)
            QFile::remove(qsStore);
        QLOG_ERROR() << "Settings file" << qsStore
                     << "is empty or unreadable and has no good copy; set aside:" << bKept;
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

QString SettingsBackup::makeWorkingCopy(const QString &qsStorePath)
{
    static int s_serial = 0;
    const QString qsWork = QStringLiteral("%1%2%3-%4").arg(qsStorePath, kWorkSuffix).arg(::getpid()).arg(++s_serial);
    QFile::remove(qsWork);
    if (!QFileInfo::exists(qsStorePath))
        return qsWork;
    // A second name needs no space; Qt writes a new file and renames it over
    // this name, so the store under the first name is never touched.
    if (::link(QFile::encodeName(qsStorePath).constData(), QFile::encodeName(qsWork).constData()) != 0) {
        bool bOk = false;
        const QByteArray baStore = contents(qsStorePath, &bOk);
        if (bOk)
            writeWhole(baStore, qsWork);
    }
    return qsWork;
}

bool SettingsBackup::isWorkingCopyOf(const QString &qsWorkPath, const QString &qsStorePath)
{
    if (!QFileInfo::exists(qsStorePath))
        return true;
    bool bStoreOk = false;
    bool bWorkOk = false;
    return QFileInfo::exists(qsWorkPath) && contents(qsStorePath, &bStoreOk) == contents(qsWorkPath, &bWorkOk)
        && bStoreOk && bWorkOk;
}

bool SettingsBackup::readsBackAsMeant(QSettings &settings)
{
    const DiskCopy copy(settings.fileName());
    QSettings written(copy.path(), QSettings::IniFormat);
    const QStringList meant = settings.allKeys();
    bool bOk = copy.isOk() && written.status() == QSettings::NoError && written.allKeys().size() == meant.size();
    for (qsizetype i = 0; bOk && i < meant.size(); ++i)
        bOk = written.contains(meant.at(i)) && sameValue(written.value(meant.at(i)), settings.value(meant.at(i)));
    return bOk;
}

bool SettingsBackup::saveWhole(QSettings &settings, const QString &qsStorePath, bool bWorkReady)
{
    const QString qsWork = settings.fileName();
    const QString qsGroup = settings.group();
    while (!settings.group().isEmpty())
        settings.endGroup();

    QFileInfo before;
    bool bOk = bWorkReady;
    if (bOk) {
        settings.sync();
        bOk = settings.status() == QSettings::NoError && syncToDisk(qsWork) && readsBackAsMeant(settings);
    }
    if (bOk) {
        const QString qsNew = qsStorePath + kNewSuffix;
        QFile::remove(qsNew);
        before = QFileInfo(qsStorePath);
        if (::link(QFile::encodeName(qsWork).constData(), QFile::encodeName(qsNew).constData()) == 0) {
            bOk = replace(qsNew, qsStorePath);
            if (bOk)
                syncFolder(qsStorePath);
            else
                QFile::remove(qsNew);
        } else {
            bool bReadOk = false;
            const QByteArray baWork = contents(qsWork, &bReadOk);
            bOk = bReadOk && writeWhole(baWork, qsStorePath);
        }
    }

    if (!qsGroup.isEmpty())
        settings.beginGroup(qsGroup);
    if (bOk) {
        keepChangeVisible(before, qsStorePath);
        refresh(qsStorePath);
        return true;
    }
    QLOG_ERROR() << "The settings could not be saved to" << qsStorePath
                 << (bWorkReady ? "(the write did not read back whole)" : "(no working copy of it could be made)")
                 << "; it keeps what it held";
    Q_EMIT instance()->saveFailed(
        tr("The settings could not be saved (is the disk full?). The settings saved last were kept."));
    return false;
}

bool SettingsBackup::restore(const QString &qsStorePath)
{
    const QString qsBackup = backupPath(qsStorePath);
    if (!readable(qsBackup))
        return false;
    // A copy, not a second name: the next save must not change the backup.
    bool bOk = false;
    const QByteArray baBackup = contents(qsBackup, &bOk);
    if (!bOk || !writeWhole(baBackup, qsStorePath)) {
        QLOG_ERROR() << "Cannot restore" << qsStorePath << "from" << qsBackup;
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
    // On failure the previous copy stays: still good, only older.
    if (!writeWhole(baStore, qsBackup)) {
        QLOG_WARN() << "Cannot refresh the settings backup" << qsBackup;
    }
}
