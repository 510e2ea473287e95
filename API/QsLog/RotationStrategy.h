#ifndef QSLOGGING_ROTATIONSTRATEGY_H
#define QSLOGGING_ROTATIONSTRATEGY_H

#include <QIODevice>
#include <QSharedPointer>

QT_BEGIN_NAMESPACE
class QFile;
class QString;
QT_END_NAMESPACE

namespace QsLogging {

// Decides when a FileDestination's file is rotated and how it is opened.
class RotationStrategy
{
public:
    virtual ~RotationStrategy() = default;

    // Called with the (re)opened log file.
    virtual void initFromFile(const QFile &file) = 0;
    // Called with every message before it is written.
    virtual void countMessage(const QString &qsMessage) = 0;
    virtual bool needsRotation() const = 0;
    // Called with the log file closed.
    virtual void rotateFiles() = 0;
    // Added to QIODevice::WriteOnly | QIODevice::Text when the file is opened.
    virtual QIODevice::OpenMode openModeFlags() const = 0;
};

using RotationStrategyPtr = QSharedPointer<RotationStrategy>;

} // namespace QsLogging

#endif // QSLOGGING_ROTATIONSTRATEGY_H
