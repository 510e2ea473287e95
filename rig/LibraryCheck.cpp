#include "rig/LibraryCheck.h"

#include "API/QsLog/QsLog.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>

#include <cstring>
#include <elf.h>

namespace {

#if UINTPTR_MAX == 0xffffffffffffffffULL
using ElfHeader = Elf64_Ehdr;
using ElfProgramHeader = Elf64_Phdr;
constexpr unsigned char kElfClass = ELFCLASS64;
#else
using ElfHeader = Elf32_Ehdr;
using ElfProgramHeader = Elf32_Phdr;
constexpr unsigned char kElfClass = ELFCLASS32;
#endif

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr unsigned char kElfData = ELFDATA2LSB;
#else
constexpr unsigned char kElfData = ELFDATA2MSB;
#endif

// The machine of the running program, read from its own file: no table of
// architectures to keep up to date.
quint16 ownMachine()
{
    static const quint16 uiMachine = [] {
        QFile self(QStringLiteral("/proc/self/exe"));
        ElfHeader header = {};
        if (!self.open(QIODevice::ReadOnly)
            || self.read(reinterpret_cast<char *>(&header), sizeof header) != sizeof header)
            return quint16(0);
        return quint16(header.e_machine);
    }();
    return uiMachine;
}

QByteArray sha256Of(const QString &qsPath)
{
    QFile file(qsPath);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

// What a file is now: a download renamed into place, or a file rewritten,
// is another file.
QString identity(const QString &qsPath)
{
    const QFileInfo info(qsPath);
    return QStringLiteral("%1|%2|%3|%4")
        .arg(info.canonicalFilePath())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(info.metadataChangeTime().toMSecsSinceEpoch());
}

bool inside(quint64 uiOffset, quint64 uiCount, quint64 uiEntrySize, quint64 uiFileSize)
{
    if (uiEntrySize != 0 && uiCount > uiFileSize / uiEntrySize)
        return false;
    return uiOffset <= uiFileSize && uiCount * uiEntrySize <= uiFileSize - uiOffset;
}

} // namespace

QString LibraryCheck::checkElf(const QString &qsPath)
{
    QFile file(qsPath);
    if (!file.open(QIODevice::ReadOnly))
        return tr("Cannot read %1: %2").arg(qsPath, file.errorString());
    const quint64 uiSize = quint64(file.size());
    ElfHeader header = {};
    if (file.read(reinterpret_cast<char *>(&header), sizeof header) != sizeof header
        || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return tr("%1 is not a shared library.").arg(qsPath);
    if (header.e_ident[EI_CLASS] != kElfClass || header.e_ident[EI_DATA] != kElfData || header.e_type != ET_DYN
        || (ownMachine() != 0 && header.e_machine != ownMachine()))
        return tr("%1 is not a shared library for this computer.").arg(qsPath);
    if (header.e_shentsize != 0
        && header.e_shentsize < sizeof(std::conditional_t<sizeof(void *) == 8, Elf64_Shdr, Elf32_Shdr>))
        return tr("%1 is damaged.").arg(qsPath);
    if (!inside(header.e_shoff, header.e_shnum, header.e_shentsize, uiSize)
        || header.e_phentsize != sizeof(ElfProgramHeader)
        || !inside(header.e_phoff, header.e_phnum, header.e_phentsize, uiSize))
        return tr("%1 is incomplete.").arg(qsPath);
    // The loader maps every loadable segment; one reaching past the end of
    // the file is what turns into SIGBUS.
    for (quint16 i = 0; i < header.e_phnum; ++i) {
        ElfProgramHeader segment = {};
        if (!file.seek(qint64(header.e_phoff + quint64(i) * header.e_phentsize))
            || file.read(reinterpret_cast<char *>(&segment), sizeof segment) != sizeof segment)
            return tr("%1 is incomplete.").arg(qsPath);
        if (segment.p_type == PT_LOAD && !inside(segment.p_offset, 1, segment.p_filesz, uiSize))
            return tr("%1 is incomplete.").arg(qsPath);
    }
    return QString();
}

QString LibraryCheck::checkSha256(const QString &qsPath, const QByteArray &baPublished)
{
    const QByteArray baExpected = baPublished.trimmed().split(' ').value(0).trimmed().toLower();
    if (baExpected.size() != 64)
        return tr("The server published no valid SHA-256 checksum for the library.");
    const QByteArray baActual = sha256Of(qsPath);
    if (baActual.isEmpty())
        return tr("Cannot read %1.").arg(qsPath);
    if (baActual != baExpected)
        return tr("The downloaded library does not match its published checksum.");
    return QString();
}

QString LibraryCheck::checkInChild(const QString &qsPath, const QString &qsChecker)
{
    static QHash<QString, QString> s_verdicts;
    const QString qsIdentity = identity(qsPath);
    if (const auto it = s_verdicts.constFind(qsIdentity); it != s_verdicts.constEnd())
        return *it;

    QString qsWhy;
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(qsChecker, {qsPath});
    if (!child.waitForStarted(kCheckTimeoutMs)) {
        qsWhy = tr("it cannot be checked: %1 does not start (%2)").arg(qsChecker, child.errorString());
    } else if (!child.waitForFinished(kCheckTimeoutMs)) {
        child.kill();
        child.waitForFinished(kCheckTimeoutMs);
        qsWhy = tr("it does not finish loading within %1 seconds").arg(kCheckTimeoutMs / 1000);
    } else if (child.exitStatus() == QProcess::CrashExit) {
        qsWhy = tr("it crashes when it is loaded");
    } else if (child.exitCode() != 0) {
        // The loader's own words, bounded: the file name may be long.
        qsWhy = QString::fromLocal8Bit(child.readAllStandardError().left(512)).trimmed();
        if (qsWhy.isEmpty())
            qsWhy = tr("it does not load");
    }
    // A checker that could not run says nothing about the file: ask again.
    if (child.error() != QProcess::FailedToStart)
        s_verdicts.insert(qsIdentity, qsWhy);
    return qsWhy;
}

QString LibraryCheck::recordedHashPath(const QString &qsPath)
{
    return qsPath + QStringLiteral(".sha256-at-download");
}

bool LibraryCheck::recordSha256(const QString &qsPath)
{
    const QByteArray baHash = sha256Of(qsPath);
    QFile file(recordedHashPath(qsPath));
    return !baHash.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(baHash + '\n') == baHash.size() + 1 && file.flush();
}

QString LibraryCheck::checkRecordedSha256(const QString &qsPath)
{
    QFile file(recordedHashPath(qsPath));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray baRecorded = file.read(128).trimmed();
    if (sha256Of(qsPath) != baRecorded)
        return tr("it has changed since it was downloaded");
    return QString();
}

QString LibraryCheck::rejectBroken(const QString &qsPath, const QString &qsChecker)
{
    if (!QFileInfo::exists(qsPath))
        return QString();
    QString qsWhy = checkElf(qsPath);
    if (qsWhy.isEmpty())
        qsWhy = checkRecordedSha256(qsPath);
    if (qsWhy.isEmpty())
        qsWhy = checkInChild(qsPath, qsChecker);
    if (qsWhy.isEmpty())
        return QString();
    const QString qsRejected = qsPath + QStringLiteral(".rejected");
    QFile::remove(qsRejected);
    if (!QFile::rename(qsPath, qsRejected) && !QFile::remove(qsPath)) {
        QLOG_ERROR() << "[HRD] Cannot move the broken library" << qsPath << "aside";
    }
    QFile::remove(recordedHashPath(qsPath));
    QLOG_WARN() << "[HRD] Rejected the library" << qsPath << "-" << qsWhy;
    return tr("The downloaded rig-control library %1 was not used and has been renamed to %2: %3")
        .arg(qsPath, qsRejected, qsWhy);
}
