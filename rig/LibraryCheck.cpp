#include "rig/LibraryCheck.h"

#include "API/QsLog/QsLog.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

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
        if (!self.open(QIODevice::ReadOnly) || self.read(reinterpret_cast<char *>(&header), sizeof header) != sizeof header)
            return quint16(0);
        return quint16(header.e_machine);
    }();
    return uiMachine;
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
    if (header.e_ident[EI_CLASS] != kElfClass || header.e_ident[EI_DATA] != kElfData
        || header.e_type != ET_DYN || (ownMachine() != 0 && header.e_machine != ownMachine()))
        return tr("%1 is not a shared library for this computer.").arg(qsPath);
    if (header.e_shentsize != 0 && header.e_shentsize < sizeof(std::conditional_t<sizeof(void *) == 8, Elf64_Shdr, Elf32_Shdr>))
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
    QFile file(qsPath);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return tr("Cannot read %1: %2").arg(qsPath, file.errorString());
    if (hash.result().toHex() != baExpected)
        return tr("The downloaded library does not match its published checksum.");
    return QString();
}

QString LibraryCheck::rejectBroken(const QString &qsPath)
{
    if (!QFileInfo::exists(qsPath))
        return QString();
    QString qsWhy = checkElf(qsPath);
    if (qsWhy.isEmpty()) {
        QLibrary library(qsPath);
        if (library.load())
            library.unload();
        else
            qsWhy = library.errorString();
    }
    if (qsWhy.isEmpty())
        return QString();
    const QString qsRejected = qsPath + QStringLiteral(".rejected");
    QFile::remove(qsRejected);
    if (!QFile::rename(qsPath, qsRejected) && !QFile::remove(qsPath)) {
        QLOG_ERROR() << "[HRD] Cannot move the broken library" << qsPath << "aside";
    }
    QLOG_WARN() << "[HRD] Rejected the library" << qsPath << "-" << qsWhy;
    return tr("The downloaded rig-control library %1 was not used and has been renamed to %2: %3")
        .arg(qsPath, qsRejected, qsWhy);
}
