#include "StartBench.h"

#include "BenchSupport.h"
#include "LogBench.h"

#include "log/LogFeeds.h"
#include "settings/SettingsStore.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace Bench {

namespace {

// Tells when the window painted for the first time.
class FirstPaint : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *pObject, QEvent *pEvent) override
    {
        if (pEvent->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(pObject, pEvent);
    }
};

// From constructing the window to its first paint, as the program's main()
// does it; the log read, when there is one, runs on afterwards.
bool startOnce(const char *pName, bool bWaitForLog)
{
    QElapsedTimer wall;
    wall.start();
    auto pWindow = std::make_unique<MainWindow>();
    FirstPaint paint;
    pWindow->installEventFilter(&paint);
    pWindow->show();
    while (!paint.painted && wall.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    if (!paint.painted) {
        QTextStream(stderr) << "start: the window never painted" << Qt::endl;
        return false;
    }
    report(pName, double(wall.nsecsElapsed()) / 1e6, "ms");

    LogFeeds *pFeeds = pWindow->findChild<LogFeeds *>();
    if (!pFeeds)
        return false;
    QElapsedTimer reading;
    reading.start();
    // A read that has not begun yet begins with the next turn of the loop.
    QCoreApplication::processEvents();
    if (pFeeds->isReadingWatchedFile()) {
        QSignalSpy read(pFeeds, &LogFeeds::watchedFileRead);
        if (!read.wait(600000))
            return false;
    }
    if (bWaitForLog)
        report("start_watched_log_read_seconds", double(reading.nsecsElapsed()) / 1e9, "s");
    pWindow.reset();
    return true;
}

} // namespace

bool benchStart(int iQsos)
{
    QTemporaryDir dir;
    const QString qsLog = dir.filePath(QStringLiteral("watched.adi"));
    if (!writeAdif(qsLog, iQsos))
        return false;
    writeWindowStore(1);
    // The first start of a profile builds the country database; the second
    // is the baseline the log is measured against.
    if (!startOnce("start_first_window_ms_new_profile", false)
        || !startOnce("start_first_window_ms_no_watched_log", false))
        return false;
    LogSettings log = SettingsStore::loadLog();
    log.watchedFile = qsLog;
    SettingsStore::saveLog(log);
    return startOnce("start_first_window_ms_new_watched_log", true)
        && startOnce("start_first_window_ms_unchanged_watched_log", false);
}

} // namespace Bench
