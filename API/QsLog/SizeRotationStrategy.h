#ifndef QSLOGGING_SIZEROTATIONSTRATEGY_H
#define QSLOGGING_SIZEROTATIONSTRATEGY_H

#include "API/QsLog/RotationStrategy.h"

#include <QString>

namespace QsLogging {

// Rotation by size: once the counted size of the file exceeds the maximum,
// the file is renamed to "<file>.1" (older backups shift to .2, .3, ...,
// the oldest is overwritten) and a fresh file is started. The file is
// opened for appending, so a restart continues the existing file.
class SizeRotationStrategy : public RotationStrategy
{
public:
    static constexpr int MaxBackupCount = 10;

    void setMaximumSizeInBytes(qint64 maxSizeInBytes);
    // Stores min(iBackups, MaxBackupCount); 0 deletes the file on rotation.
    void setBackupCount(int iBackups);

    void initFromFile(const QFile &file) override;
    void countMessage(const QString &qsMessage) override;
    bool needsRotation() const override;
    void rotateFiles() override;
    QIODevice::OpenMode openModeFlags() const override;

private:
    QString backupName(int iBackup) const;

    QString m_qsFileName;
    qint64 m_currentSizeInBytes = 0;
    qint64 m_maxSizeInBytes = 0;
    int m_iBackupsCount = 0;
};

} // namespace QsLogging

#endif // QSLOGGING_SIZEROTATIONSTRATEGY_H
