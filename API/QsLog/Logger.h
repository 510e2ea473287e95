#ifndef QSLOGGING_LOGGER_H
#define QSLOGGING_LOGGER_H

#include "API/QsLog/Destination.h"
#include "API/QsLog/LoggerLevel.h"

#include <QDebug>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>

namespace QsLogging {

// The process-wide logger: a threshold and an ordered list of
// destinations. Log through the QLOG_* statements of QsLog.h.
//
// The logger object, once created, lives until the process ends; shutdown()
// puts it back to its defaults (threshold LevelInfo, no destinations) and
// releases the destinations, which closes a log file. Deleting the object
// instead would leave a thread that logs during or after shutdown (the rig
// thread is stopped only after the logger is shut down) with a dangling
// reference; this way such a statement simply finds no destinations.
class Logger
{
public:
    // Hot path of every statement: one atomic load (a plain load on x86).
    static Logger &get()
    {
        Logger *pLogger = s_pInstance.load(std::memory_order_acquire);
        return pLogger ? *pLogger : createInstance();
    }
    static void shutdown();

    // The level whose text the line starts with ("TRACE", "DEBUG", "INFO ",
    // "WARN ", "ERROR", "FATAL", case-sensitive); LevelOff and
    // *pbConversionOk = false when none does.
    static Level levelOfLine(const QString &qsLine, bool *pbConversionOk = nullptr);

    void setThreshold(Level level);
    Level threshold() const { return static_cast<Level>(m_threshold.load(std::memory_order_relaxed)); }

    void appendDestination(const DestinationPtr &destination);

    // One log statement: collects the streamed items with Qt's QDebug rules
    // (each item followed by one space, strings quoted with control
    // characters escaped) and writes the finished line when destroyed.
    class Helper
    {
    public:
        explicit Helper(Level level);
        ~Helper();

        QDebug &stream() { return m_qtDebug; }

    private:
        Q_DISABLE_COPY_MOVE(Helper)

        Level m_level;
        QString m_qsBuffer; // Declared before m_qtDebug, which writes into it.
        QDebug m_qtDebug;
    };

private:
    Logger();
    ~Logger() = default;
    Q_DISABLE_COPY_MOVE(Logger)

    static Logger &createInstance();
    void write(const QString &qsLine, Level level);

    static inline std::atomic<Logger *> s_pInstance{nullptr};

    QMutex m_mutex; // Serialises the destination writes of each line.
    std::atomic<int> m_threshold{LevelInfo}; // Read unlocked by every statement.
    QList<DestinationPtr> m_destinations;
};

} // namespace QsLogging

#endif // QSLOGGING_LOGGER_H
