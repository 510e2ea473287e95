#include "WatchedLogReader.h"

#include "API/QsLog/QsLog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// How much of the file's start is kept to see whether it was replaced.
constexpr qint64 kHeadBytes = 512;
} // namespace

void WatchedLogReader::start(const QString &qsFile, const LogStore::WatchState &state, int iGeneration)
{
    m_file = qsFile;
    m_generation = iGeneration;
    m_state = state;
    m_readTo = state.offset;
    m_readerBase = state.offset;
    m_reader.reset();
    readTurn(iGeneration);
}

void WatchedLogReader::readTurn(int iGeneration)
{
    if (iGeneration != m_generation || m_file.isEmpty())
        return;
    const QByteArray baPath = QFile::encodeName(m_file);
    struct stat info = {};
    if (::stat(baPath.constData(), &info) != 0) {
        Q_EMIT idle(m_generation, QString());
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        Q_EMIT idle(m_generation,
                    tr("The watched log %1 is not a regular file (a pipe or a device?); it is not read.").arg(m_file));
        return;
    }
    const qint64 iSize = info.st_size;
    const qint64 iModifiedMs = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    // Unchanged since the last turn or the last run: not a byte to read.
    if (m_reader && iSize == m_readTo && iModifiedMs == m_state.modifiedMs) {
        Q_EMIT idle(m_generation, QString());
        return;
    }
    if (!m_reader && iSize == m_state.size && iModifiedMs == m_state.modifiedMs) {
        Q_EMIT idle(m_generation, QString());
        return;
    }

    // Not blocking: the file may have become a FIFO since the check.
    const int iFd = ::open(baPath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QFile file;
    if (iFd < 0 || !file.open(iFd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (iFd >= 0)
            ::close(iFd);
        QLOG_WARN() << "Cannot read the watched log" << m_file << ":" << std::strerror(errno);
        Q_EMIT idle(m_generation, QString());
        return;
    }
    struct stat opened = {};
    if (::fstat(iFd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        Q_EMIT idle(m_generation,
                    tr("The watched log %1 is not a regular file (a pipe or a device?); it is not read.").arg(m_file));
        return;
    }
    const QByteArray baHead = file.read(kHeadBytes);
    const bool bRewritten = iSize < m_state.offset || iSize < m_readTo
        || !baHead.startsWith(m_state.head.left(baHead.size())) || m_state.head.size() > baHead.size();
    if (bRewritten) {
        if (m_state.offset > 0) {
            QLOG_INFO() << "The watched log" << m_file << "was rewritten; reading it again";
        }
        m_state.offset = 0;
        m_readTo = 0;
        m_readerBase = 0;
        m_reader.reset();
    }
    if (!m_reader) {
        // A fresh reader starts at a record's end: the one a turn stopped in
        // is read again whole.
        m_reader = std::make_unique<AdifReader>();
        m_readerBase = m_state.offset;
        m_readTo = m_state.offset;
    }
    m_state.head = baHead;
    m_state.modifiedMs = iModifiedMs;

    QList<AdifRecord> records;
    if (file.seek(m_readTo)) {
        const QByteArray baTurn = file.read(kTurnBytes);
        m_readTo += baTurn.size();
        m_reader->feed(baTurn);
        records = m_reader->takeRecords();
    }
    m_state.offset = m_readerBase + m_reader->completedBytes();
    // Read to here: a file still this size and time at the next start has
    // nothing new, even with a record not finished at its end.
    m_state.size = m_readTo;
    Q_EMIT turnRead(m_generation, records, m_state, m_readTo < iSize);
}
