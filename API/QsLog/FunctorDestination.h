#ifndef QSLOGGING_FUNCTORDESTINATION_H
#define QSLOGGING_FUNCTORDESTINATION_H

#include "API/QsLog/Destination.h"

#include <QObject>
#include <QString>

namespace QsLogging {

using LogFunction = void (*)(const QString &qsMessage, int iLevel);

// Hands each line to a function (called directly, under the logger's mutex,
// in the logging thread: it must be quick and must not log) and emits
// logMessageReady() for levels above LevelTrace, so that trace chatter never
// floods a receiver such as a log window.
class FunctorDestination : public QObject, public Destination
{
    Q_OBJECT

public:
    explicit FunctorDestination(LogFunction pFunction = nullptr, QObject *pParent = nullptr);

    void write(const QString &qsMessage, Level level) override;
    bool isUsable() const override;

Q_SIGNALS:
    void logMessageReady(const QString &qsMessage, int iLevel);

private:
    LogFunction m_pFunction = nullptr;
};

} // namespace QsLogging

#endif // QSLOGGING_FUNCTORDESTINATION_H
