#ifndef QSLOGGING_DESTINATIONFACTORY_H
#define QSLOGGING_DESTINATIONFACTORY_H

#include "API/QsLog/Destination.h"
#include "API/QsLog/FunctorDestination.h"

#include <QObject>

#include <type_traits>

namespace QsLogging {

// Values of newFileDestination()'s rotation option.
constexpr int DisableLogRotation = 0;
constexpr int EnableLogRotation = 1;

// A log file on qsFilePath. With iRotation == EnableLogRotation the file is
// appended to and rotated by size (maxSizeInBytes, iOldLogsToKeep backups, at
// most 10); any other value truncates the file when opened and never rotates.
DestinationPtr newFileDestination(const QString &qsFilePath, int iRotation, qint64 maxSizeInBytes,
                                  int iOldLogsToKeep);

DestinationPtr newDebugOutputDestination();

// pFunction(message, level) is called for every line, in the logging thread.
DestinationPtr newFunctorDestination(LogFunction pFunction);

// Every line above LevelTrace reaches the receiver's slot through a queued
// connection, so the slot runs in the receiver's thread, after the statement.
// The slot is a member function or functor callable with (QString, int) or a
// prefix of it; the connection is checked at compile time.
template <typename Receiver, typename Slot>
DestinationPtr newFunctorDestination(Receiver *pReceiver, Slot slot)
{
    static_assert(std::is_base_of_v<QObject, Receiver>, "the receiver must be a QObject");
    auto *pDestination = new FunctorDestination;
    DestinationPtr destination(pDestination);
    // A null receiver is a programming error; release builds get a
    // destination that delivers nowhere.
    Q_ASSERT_X(pReceiver, "QsLogging::newFunctorDestination", "null receiver");
    if (pReceiver) {
        QObject::connect(pDestination, &FunctorDestination::logMessageReady, pReceiver, slot,
                         Qt::QueuedConnection);
    }
    return destination;
}

} // namespace QsLogging

#endif // QSLOGGING_DESTINATIONFACTORY_H
