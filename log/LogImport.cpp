#include "LogImport.h"

#include "API/QsLog/QsLog.h"

#include <QCoreApplication>

LogImport::LogImport(LogStore &store) : m_store(store)
{
}

LogImport::~LogImport()
{
    cancel();
}

bool LogImport::start(const QString &qsFileName)
{
    m_file.setFileName(qsFileName);
    // Binary: a value's length counts its line ends as they are in the file.
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = QCoreApplication::translate("LogImport", "Cannot read %1: %2").arg(qsFileName, m_file.errorString());
        return false;
    }
    if (!m_store.beginImport()) {
        m_error = QCoreApplication::translate("LogImport", "The log cannot take an import now.");
        m_file.close();
        return false;
    }
    m_fileSize = m_file.size();
    m_started = true;
    QLOG_INFO() << "Importing the log file" << qsFileName << m_fileSize << "bytes";
    return true;
}

bool LogImport::step()
{
    if (!m_started || m_failed || m_reader.isFinished())
        return false;
    const qint64 iRead = m_reader.readChunk(m_file);
    if (iRead == 0 && !m_file.atEnd()) {
        m_failed = true;
        m_error =
            QCoreApplication::translate("LogImport", "Cannot read %1: %2").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    m_bytesRead += iRead;
    m_store.importRecords(m_reader.takeRecords(), &m_result);
    return !m_reader.isFinished();
}

bool LogImport::finish()
{
    if (!m_started)
        return false;
    while (step()) { }
    m_started = false;
    m_file.close();
    if (m_failed) {
        m_store.rollbackImport();
        QLOG_WARN() << "Log import failed, nothing stored:" << m_error;
        return false;
    }
    if (!m_store.commitImport()) {
        m_error = QCoreApplication::translate("LogImport", "The log could not be written.");
        return false;
    }
    QLOG_INFO() << "Log import:" << m_result.imported << "QSOs imported," << m_result.merged
                << "already in the log (merged)," << m_result.skipped << "skipped";
    return true;
}

void LogImport::cancel()
{
    if (!m_started)
        return;
    m_started = false;
    m_file.close();
    m_store.rollbackImport();
}

bool LogImport::run(const QString &qsFileName)
{
    return start(qsFileName) && finish();
}
