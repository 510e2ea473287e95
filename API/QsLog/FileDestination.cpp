#include "API/QsLog/FileDestination.h"

#include "API/QsLog/NullRotationStrategy.h"
#include "API/QsLog/StandardError.h"

namespace QsLogging {

FileDestination::FileDestination(const QString &qsFilePath, const RotationStrategyPtr &pRotationStrategy)
    : m_pRotationStrategy(pRotationStrategy)
{
    // A null strategy is a programming error; release builds do not rotate.
    Q_ASSERT_X(m_pRotationStrategy, "QsLogging::FileDestination", "null rotation strategy");
    if (!m_pRotationStrategy)
        m_pRotationStrategy = RotationStrategyPtr(new NullRotationStrategy);

    m_file.setFileName(qsFilePath);
    if (!m_file.open(openMode()))
        writeToStandardError(QStringLiteral("QsLog: could not open log file ") + qsFilePath);
    restrictToOwner();
    attachStream();
    m_pRotationStrategy->initFromFile(m_file);
}

void FileDestination::write(const QString &qsMessage, Level level)
{
    Q_UNUSED(level)
    // Writing to a closed file would make QIODevice warn on every line.
    if (!m_file.isOpen())
        return;

    m_pRotationStrategy->countMessage(qsMessage);
    if (m_pRotationStrategy->needsRotation()) {
        m_outputStream.setDevice(nullptr);
        m_file.close();
        m_pRotationStrategy->rotateFiles();
        if (!m_file.open(openMode()))
            writeToStandardError(QStringLiteral("QsLog: could not reopen log file ") + m_file.fileName());
        restrictToOwner();
        m_pRotationStrategy->initFromFile(m_file);
        // This message goes into the fresh file, so it counts there; otherwise
        // the count would trail the file by one message after every rotation.
        m_pRotationStrategy->countMessage(qsMessage);
        attachStream();
        if (!m_file.isOpen())
            return;
    }

    // Qt::endl flushes the stream and the file.
    m_outputStream << qsMessage << Qt::endl;
}

bool FileDestination::isUsable() const
{
    return m_file.isOpen();
}

void FileDestination::restrictToOwner()
{
    // The log holds what nodes and the operator typed; nobody else reads it.
    if (m_file.isOpen())
        m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QIODevice::OpenMode FileDestination::openMode() const
{
    // Text mode: line ends become the platform's.
    return QIODevice::WriteOnly | QIODevice::Text | m_pRotationStrategy->openModeFlags();
}

void FileDestination::attachStream()
{
    m_outputStream.setDevice(&m_file);
    // setDevice() resets the encoding, so set it every time.
    m_outputStream.setEncoding(QStringConverter::Utf8);
}

} // namespace QsLogging
