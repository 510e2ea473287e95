#ifndef QSLOGGING_DESTINATION_H
#define QSLOGGING_DESTINATION_H

#include "API/QsLog/LoggerLevel.h"

#include <QSharedPointer>

QT_BEGIN_NAMESPACE
class QString;
QT_END_NAMESPACE

namespace QsLogging {

// Where finished log lines go. The logger calls write() for one line at a
// time under its mutex, so an implementation needs no locking of its own; it
// must not log from inside write() (such a nested line is dropped).
class Destination
{
public:
    virtual ~Destination() = default;
    virtual void write(const QString &qsMessage, Level level) = 0;
    virtual bool isUsable() const = 0;
};

using DestinationPtr = QSharedPointer<Destination>;

} // namespace QsLogging

#endif // QSLOGGING_DESTINATION_H
