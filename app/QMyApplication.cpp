#include "app/QMyApplication.h"

#include "API/QsLog/QsLog.h"
#include "app/Version.h"
#include "settings/SettingsStore.h"

#include <QSettings>

#include <exception>
#include <typeinfo>

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
    const QString qsLogFile =
        settings.value(QStringLiteral("LogFile"), applicationDirPath() + QStringLiteral("/kelvane.log")).toString();
    const bool bLogToFile = settings.value(QStringLiteral("LogToFile"), false).toBool();
    settings.endGroup();

    // A hand-edited level outside the scale would index past the level texts.
    if (iLevel < QsLogging::LevelTrace || iLevel > QsLogging::LevelOff)
        iLevel = QsLogging::LevelError;

    QsLogging::Logger &logger = QsLogging::Logger::get();
    logger.setThreshold(QsLogging::Level(iLevel));
    logger.appendDestination(QsLogging::newDebugOutputDestination());
    if (bLogToFile)
        logger.appendDestination(QsLogging::newFileDestination(qsLogFile, QsLogging::DisableLogRotation, 0, 0));
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
    QsLogging::Logger::shutdown();
}
