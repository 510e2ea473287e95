#ifndef LOGIMPORT_H
#define LOGIMPORT_H

#include "AdifReader.h"
#include "LogStore.h"

#include <QFile>

// The import of one ADIF file into the log, a chunk at a time so that a
// window can paint and show progress between the steps. The whole import is
// one transaction of the store: a file that fails to read, or an import
// cancelled, leaves the log as it was.
class LogImport
{
public:
    explicit LogImport(LogStore &store);
    ~LogImport();
    LogImport(const LogImport &) = delete;
    LogImport &operator=(const LogImport &) = delete;

    // Opens the file and starts the transaction; false with errorString().
    bool start(const QString &qsFileName);
    // Reads and stores one chunk; false once the file is read (or failed).
    bool step();
    // Commits what was read; false (rolled back) on a read or write error.
    bool finish();
    // Rolls back: the log stays as it was.
    void cancel();
    // start(), every step() and finish() at once.
    bool run(const QString &qsFileName);

    qint64 fileSize() const { return m_fileSize; }
    qint64 bytesRead() const { return m_bytesRead; }
    const LogStore::ImportResult &result() const { return m_result; }
    QString errorString() const { return m_error; }
    const AdifReader &reader() const { return m_reader; }

private:
    LogStore &m_store;
    QFile m_file;
    AdifReader m_reader;
    LogStore::ImportResult m_result;
    qint64 m_fileSize = 0;
    qint64 m_bytesRead = 0;
    bool m_started = false;
    bool m_failed = false;
    QString m_error;
};

#endif // LOGIMPORT_H
