#include "API/QsLog/SizeRotationStrategy.h"

#include "API/QsLog/StandardError.h"

#include <QFile>

namespace QsLogging {

void SizeRotationStrategy::setMaximumSizeInBytes(qint64 maxSizeInBytes)
{
    Q_ASSERT(maxSizeInBytes >= 0);
    m_maxSizeInBytes = maxSizeInBytes;
}

void SizeRotationStrategy::setBackupCount(int iBackups)
{
    // A negative count is kept as given; rotateFiles() then keeps
    // a single backup, as with a count of 1.
    m_iBackupsCount = qMin(iBackups, MaxBackupCount);
}

void SizeRotationStrategy::initFromFile(const QFile &file)
{
    m_qsFileName = file.fileName();
    m_currentSizeInBytes = file.size();
}

void SizeRotationStrategy::countMessage(const QString &qsMessage)
{
    // The line end is not counted.
    m_currentSizeInBytes += qsMessage.toUtf8().size();
}

bool SizeRotationStrategy::needsRotation() const
{
    return m_currentSizeInBytes > m_maxSizeInBytes;
}

QString SizeRotationStrategy::backupName(int iBackup) const
{
    // Concatenated, not QString(".%1").arg(): arg() would also replace a "%1"
    // (or a lower marker) in the directory or file name itself.
    return m_qsFileName + QLatin1Char('.') + QString::number(iBackup);
}

void SizeRotationStrategy::rotateFiles()
{
    if (m_iBackupsCount == 0) {
        if (!QFile::remove(m_qsFileName))
            writeToStandardError(QStringLiteral("QsLog: backup delete failed ") + m_qsFileName);
        return;
    }

    // Backups form an unbroken run .1, .2, ...; shift the run up by one,
    // letting the last one that may exist (count - 1) overwrite the oldest.
    int iLastToShift = 0;
    for (int i = 1; i <= m_iBackupsCount; ++i) {
        if (!QFile::exists(backupName(i)))
            break;
        iLastToShift = qMin(i, m_iBackupsCount - 1);
    }
    for (int i = iLastToShift; i >= 1; --i) {
        const QString qsOldName = backupName(i);
        const QString qsNewName = backupName(i + 1);
        if (QFile::exists(qsNewName))
            QFile::remove(qsNewName);
        if (!QFile::rename(qsOldName, qsNewName)) {
            writeToStandardError(QStringLiteral("QsLog: could not rename backup ") + qsOldName
                                 + QStringLiteral(" to ") + qsNewName);
        }
    }

    const QString qsFirstBackup = backupName(1);
    if (QFile::exists(qsFirstBackup))
        QFile::remove(qsFirstBackup);
    if (!QFile::rename(m_qsFileName, qsFirstBackup)) {
        writeToStandardError(QStringLiteral("QsLog: could not rename log ") + m_qsFileName
                             + QStringLiteral(" to ") + qsFirstBackup);
    }
}

QIODevice::OpenMode SizeRotationStrategy::openModeFlags() const
{
    return QIODevice::Append;
}

} // namespace QsLogging
