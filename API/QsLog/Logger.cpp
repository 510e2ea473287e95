#include "API/QsLog/Logger.h"

#include <QDateTime>
#include <QMutexLocker>

#include <utility>

namespace QsLogging {

namespace {

constexpr int kReservedDestinations = 2;

// Indexed by Level; every text but LevelOff's is five characters wide, so
// the timestamp always starts in column 7.
constexpr const char *kLevelTexts[] = {"TRACE", "DEBUG", "INFO ", "WARN ", "ERROR", "FATAL", ""};
static_assert(sizeof(kLevelTexts) / sizeof(kLevelTexts[0]) == LevelOff + 1);

constexpr bool isValidLevel(int level)
{
    return level >= LevelTrace && level <= LevelOff;
}

// Set while this thread writes a line to the destinations. A destination
// that logs (directly, or through a Qt message handler that forwards
// qWarning() to the logger) would otherwise deadlock on the non-recursive
// mutex; its nested line is dropped instead.
thread_local bool t_bWritingLine = false;

} // namespace

Logger::Logger()
{
    m_destinations.reserve(kReservedDestinations);
}

Logger &Logger::createInstance()
{
    // The first statement normally runs on the GUI thread during start-up,
    // but nothing enforces that; if two threads race here one instance wins
    // and the other is discarded.
    auto *pCreated = new Logger;
    Logger *pExisting = nullptr;
    if (s_pInstance.compare_exchange_strong(pExisting, pCreated, std::memory_order_acq_rel,
                                            std::memory_order_acquire)) {
        return *pCreated;
    }
    delete pCreated;
    return *pExisting;
}

void Logger::shutdown()
{
    Logger *pLogger = s_pInstance.load(std::memory_order_acquire);
    if (!pLogger)
        return;

    QList<DestinationPtr> released;
    released.reserve(kReservedDestinations);
    {
        QMutexLocker locker(&pLogger->m_mutex);
        released.swap(pLogger->m_destinations);
    }
    pLogger->m_threshold.store(LevelInfo, std::memory_order_relaxed);
    // The destinations (and with them a log file) go here, outside the lock.
}

Level Logger::levelOfLine(const QString &qsLine, bool *pbConversionOk)
{
    if (pbConversionOk)
        *pbConversionOk = true;
    for (int level = LevelTrace; level < LevelOff; ++level) {
        if (qsLine.startsWith(QLatin1String(kLevelTexts[level])))
            return static_cast<Level>(level);
    }
    if (pbConversionOk)
        *pbConversionOk = false;
    return LevelOff;
}

void Logger::setThreshold(Level level)
{
    // The value comes from the user-editable "LogLevel" setting, so a value
    // out of range is data rather than a programming error: clamp it (above
    // LevelOff logs nothing, below LevelTrace logs everything).
    m_threshold.store(qBound(int(LevelTrace), int(level), int(LevelOff)), std::memory_order_relaxed);
}

void Logger::appendDestination(const DestinationPtr &destination)
{
    // A null destination is a programming error; release builds ignore it.
    Q_ASSERT_X(destination, "QsLogging::Logger::appendDestination", "null destination");
    if (!destination)
        return;
    QMutexLocker locker(&m_mutex);
    m_destinations.append(destination);
}

void Logger::write(const QString &qsLine, Level level)
{
    if (t_bWritingLine)
        return;
    QMutexLocker locker(&m_mutex);
    t_bWritingLine = true;
    for (const DestinationPtr &pDestination : std::as_const(m_destinations)) {
        try {
            pDestination->write(qsLine, level);
        } catch (...) {
            // A throwing destination is a programming error. Release builds
            // lose the line for that destination but keep the others and,
            // above all, never let the exception out of Helper's destructor.
            Q_ASSERT_X(false, "QsLogging::Logger::write", "a destination threw");
        }
    }
    t_bWritingLine = false;
}

Logger::Helper::Helper(Level level)
    : m_level(level)
    , m_qtDebug(&m_qsBuffer)
{
}

Logger::Helper::~Helper()
{
    // A level outside 0..6 is a programming error; release builds drop the line.
    Q_ASSERT_X(isValidLevel(m_level), "QsLogging::Logger::Helper", "level out of range");
    if (!isValidLevel(m_level))
        return;

    // Formatting happens here, in the logging thread and outside the lock.
    // Plain concatenation, not QString::arg(): the message may contain "%1".
    const QString qsTimestamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss.zzz"));
    QString qsLine;
    qsLine.reserve(6 + qsTimestamp.size() + 1 + m_qsBuffer.size());
    qsLine += QLatin1String(kLevelTexts[m_level]);
    qsLine += QLatin1Char(' ');
    qsLine += qsTimestamp;
    qsLine += QLatin1Char(' ');
    qsLine += m_qsBuffer;
    Logger::get().write(qsLine, m_level);
}

} // namespace QsLogging
