#include "app/QMyApplication.h"

#include "API/QsLog/QsLog.h"
#include "app/Version.h"
#include "settings/SettingsStore.h"
#include "settings/Statistics.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <exception>
#include <typeinfo>

namespace {
constexpr qint64 kMaxLogBytes = 5 * 1024 * 1024;
constexpr int kOldLogsKept = 3;
} // namespace

QMyApplication::QMyApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    connect(this, &QCoreApplication::aboutToQuit, this, &QMyApplication::onAboutToQuit);
    configureLogger();
    QLOG_INFO() << "Kelvane" << KELVANE_VERSION << "started";
}

void QMyApplication::configureLogger()
{
    QSettings settings(QSettings::UserScope, SettingsStore::kOrganization, SettingsStore::kApplication);
    settings.beginGroup(QStringLiteral("General"));
    int iLevel = settings.value(QStringLiteral("LogLevel"), int(QsLogging::LevelError)).toInt();
    // The program's own folder is not the user's to write, and a log there
    // was readable by everyone.
    const QString qsDataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QString qsLogFile = settings.value(QStringLiteral("LogFile")).toString();
    if (qsLogFile.isEmpty() || QFileInfo(qsLogFile).absolutePath() == applicationDirPath()) {
        QDir().mkpath(qsDataFolder);
        qsLogFile = qsDataFolder + QStringLiteral("/kelvane.log");
    }
    const bool bLogToFile = settings.value(QStringLiteral("LogToFile"), false).toBool();
    settings.endGroup();

    // A hand-edited level outside the scale would index past the level texts.
    if (iLevel < QsLogging::LevelTrace || iLevel > QsLogging::LevelOff)
        iLevel = QsLogging::LevelError;

    QsLogging::Logger &logger = QsLogging::Logger::get();
    logger.setThreshold(QsLogging::Level(iLevel));
    // Only when asked for: standard error of a program started from the
    // desktop ends in a journal or a session file that nothing rotates, and
    // a node flooding us would fill it.
    if (qEnvironmentVariableIntValue("KELVANE_LOG_STDERR") != 0)
        logger.appendDestination(QsLogging::newDebugOutputDestination());
    if (bLogToFile)
        // Appended to, so the log of a run that crashed is still there at the
        // next start; rotated, so a node flooding us cannot fill the disk.
        logger.appendDestination(
            QsLogging::newFileDestination(qsLogFile, QsLogging::EnableLogRotation, kMaxLogBytes, kOldLogsKept));
}

bool QMyApplication::notify(QObject *receiver, QEvent *event)
{
    const char *pLine = "====================================================";
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        qFatal("%s Error %s sending event %s to object %s (%s)", pLine, e.what(), typeid(*event).name(),
               qPrintable(receiver->objectName()), typeid(*receiver).name());
    } catch (...) {
        qFatal("%s Error <unknown> sending event %s to object %s (%s)", pLine, typeid(*event).name(),
               qPrintable(receiver->objectName()), typeid(*receiver).name());
    }
    return false;
}

void QMyApplication::onAboutToQuit()
{
    // The counters are the last save of a run; one that fails must still
    // reach the log.
    Statistics::release();
    QsLogging::Logger::shutdown();
}
