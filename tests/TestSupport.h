#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include "API/QsLog/QsLog.h"
#include "rig/RigControl.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>


// Set-up shared by the tests: the store, form children, log capture and
// a port nobody listens on.
namespace TestSupport {

inline QSettings store()
{
    return QSettings(QSettings::UserScope, SettingsStore::kOrganization, SettingsStore::kApplication);
}

// The program looks for the rig-control library in the per-user data folder
// first: the freshly built bridge goes there.
inline bool installRigLibrary(const QString &qsBridgeFile)
{
    QCoreApplication::setOrganizationName(SettingsStore::kOrganization);
    QCoreApplication::setApplicationName(SettingsStore::kApplication);
    const QString qsDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString qsLibrary = qsDataDir + QLatin1Char('/') + RigControl::libraryFileName();
    QFile::remove(qsLibrary);
    return QDir().mkpath(qsDataDir) && QFile::copy(qsBridgeFile, qsLibrary);
}

template <typename T>
T *child(QObject *pParent, const char *pName)
{
    T *pChild = pParent->findChild<T *>(QLatin1String(pName));
    Q_ASSERT(pChild);
    return pChild;
}

inline quint16 freeLoopbackPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// An empty store whose update server refuses at once and without a country
// file address, so that nothing the program fetches at start waits for a
// name look-up or leaves the machine.
inline void clearStore()
{
    QSettings settings = store();
    settings.clear();
    settings.setValue(QStringLiteral("General/UpdateServer"), QStringLiteral("http://127.0.0.1:1"));
    settings.setValue(QStringLiteral("General/CountryFileUrl"), QString());
}

// A complete station and one active node "a": what a program needs to connect.
inline void writeStationAndNode(const QString &qsAddress, quint16 uiPort, bool bAutoUpdate = true)
{
    SettingsStore::saveGeneral({QStringLiteral("Q1ABC"), QStringLiteral("Ann"), QStringLiteral("Town"),
                                QStringLiteral("JO00AA"), false, bAutoUpdate, bAutoUpdate, bAutoUpdate});
    SettingsStore::saveUpdatedNodes(1, {ClusterNode(QStringLiteral("a"), qsAddress, uiPort, QString(), true)});
}

// Every log line from the given level up, from any thread.
class LogCapture
{
public:
    static void install(QsLogging::Level level)
    {
        QsLogging::Logger::get().setThreshold(level);
        QsLogging::Logger::get().appendDestination(QsLogging::newFunctorDestination(&LogCapture::collect));
    }
    static void clear()
    {
        QMutexLocker locker(&mutex());
        lines().clear();
    }
    static QStringList all()
    {
        QMutexLocker locker(&mutex());
        return lines();
    }
    static QStringList with(const QString &qsText) { return all().filter(qsText); }

private:
    static void collect(const QString &qsMessage, int)
    {
        QMutexLocker locker(&mutex());
        lines().append(qsMessage);
    }
    static QMutex &mutex()
    {
        static QMutex instance;
        return instance;
    }
    static QStringList &lines()
    {
        static QStringList instance;
        return instance;
    }
};

} // namespace TestSupport

#endif // TESTSUPPORT_H
