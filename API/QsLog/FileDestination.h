#ifndef QSLOGGING_FILEDESTINATION_H
#define QSLOGGING_FILEDESTINATION_H

#include "API/QsLog/Destination.h"
#include "API/QsLog/RotationStrategy.h"

#include <QFile>
#include <QTextStream>

namespace QsLogging {

// A log file in UTF-8, every line flushed at once so that a crash loses no
// written line. A file that cannot be opened is reported on standard error
// and the destination stays in place, writing nothing (isUsable() false).
class FileDestination : public Destination
{
public:
    FileDestination(const QString &qsFilePath, const RotationStrategyPtr &pRotationStrategy);

    void write(const QString &qsMessage, Level level) override;
    bool isUsable() const override;

private:
    QIODevice::OpenMode openMode() const;
    void restrictToOwner();
    void attachStream();

    QFile m_file; // Declared before the stream, which flushes into it when destroyed.
    QTextStream m_outputStream;
    RotationStrategyPtr m_pRotationStrategy;
};

} // namespace QsLogging

#endif // QSLOGGING_FILEDESTINATION_H
