#ifndef QSLOGGING_QSLOG_H
#define QSLOGGING_QSLOG_H

// The logger. Log with the statements below:
//     QLOG_INFO() << "Connecting to" << qsAddress << "port" << uiPort;
// gives the message: Connecting to "host" port 7300 (each item followed by one
// space, QString items quoted with control characters escaped, so that text
// from a node can never forge a line break in the log).

#include "API/QsLog/DestinationFactory.h"
#include "API/QsLog/Logger.h"
#include "API/QsLog/LoggerLevel.h"

// Below the threshold a statement costs one comparison: the else branch, and
// with it every streamed operand, is never evaluated. The empty if-branch
// keeps a following "else" of the caller bound to the caller's own "if".
#define QLOG_TRACE() \
    if (QsLogging::Logger::get().threshold() > QsLogging::LevelTrace) {} \
    else QsLogging::Logger::Helper(QsLogging::LevelTrace).stream()
#define QLOG_DEBUG() \
    if (QsLogging::Logger::get().threshold() > QsLogging::LevelDebug) {} \
    else QsLogging::Logger::Helper(QsLogging::LevelDebug).stream()
#define QLOG_INFO() \
    if (QsLogging::Logger::get().threshold() > QsLogging::LevelInfo) {} \
    else QsLogging::Logger::Helper(QsLogging::LevelInfo).stream()
#define QLOG_WARN() \
    if (QsLogging::Logger::get().threshold() > QsLogging::LevelWarn) {} \
    else QsLogging::Logger::Helper(QsLogging::LevelWarn).stream()
#define QLOG_ERROR() \
    if (QsLogging::Logger::get().threshold() > QsLogging::LevelError) {} \
    else QsLogging::Logger::Helper(QsLogging::LevelError).stream()
// Logs at LevelFatal only; it does not abort the process.
#define QLOG_FATAL() \
    if (QsLogging::Logger::get().threshold() > QsLogging::LevelFatal) {} \
    else QsLogging::Logger::Helper(QsLogging::LevelFatal).stream()

#endif // QSLOGGING_QSLOG_H
