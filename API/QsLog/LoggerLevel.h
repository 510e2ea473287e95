#ifndef QSLOGGING_LOGGERLEVEL_H
#define QSLOGGING_LOGGERLEVEL_H

namespace QsLogging {

// Severity of a log statement and the logger's threshold. The values are
// fixed: the threshold is stored as the integer "LogLevel".
// The underlying type is fixed so that any int cast to Level (a stray
// "LogLevel" setting, say) is a defined value that setThreshold() can clamp;
// without it a value outside 0..7 would be undefined behaviour.
enum Level : int {
    LevelTrace = 0,
    LevelDebug,
    LevelInfo,
    LevelWarn,
    LevelError,
    LevelFatal,
    LevelOff
};

} // namespace QsLogging

#endif // QSLOGGING_LOGGERLEVEL_H
