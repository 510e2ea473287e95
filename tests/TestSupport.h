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
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

// Set-up shared by the tests: the store, form children, log capture,
// ports nobody listens on and a rigctld of the test's own.
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

template <typename T> T *child(QObject *pParent, const char *pName)
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

// A loopback port on which nobody listens for as long as this object lives:
// bound but not listening, so a connection is refused at once and no other
// test can start a server on it in the meantime.
class ClosedPort
{
public:
    ClosedPort() { m_socket.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_socket.localPort(); }

private:
    QTcpSocket m_socket;
};

// The socket inodes listening on a loopback TCP port, from the kernel's table.
inline QSet<QByteArray> listeningInodes(quint16 uiPort)
{
    QSet<QByteArray> inodes;
    const QByteArray baPort = QByteArray::number(uiPort, 16).toUpper().rightJustified(4, '0');
    for (const char *pTable : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile table(QString::fromLatin1(pTable));
        if (!table.open(QIODevice::ReadOnly))
            continue;
        // sl local_address rem_address st ... inode; 0A is LISTEN.
        for (const QByteArray &baLine : table.readAll().split('\n')) {
            const QList<QByteArray> fields = baLine.simplified().split(' ');
            if (fields.size() > 9 && fields.at(3) == "0A" && fields.at(1).endsWith(':' + baPort))
                inodes.insert(fields.at(9));
        }
    }
    return inodes;
}

// Whether process iPid holds a socket listening on uiPort.
inline bool listensOn(qint64 iPid, quint16 uiPort)
{
    const QSet<QByteArray> inodes = listeningInodes(uiPort);
    if (inodes.isEmpty())
        return false;
    const QString qsFds = QStringLiteral("/proc/%1/fd").arg(iPid);
    for (const QString &qsFd : QDir(qsFds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char acTarget[64];
        const ssize_t iLength =
            ::readlink(QFile::encodeName(qsFds + QLatin1Char('/') + qsFd).constData(), acTarget, sizeof acTarget);
        const QByteArray baTarget(acTarget, iLength > 0 ? qsizetype(iLength) : 0);
        for (const QByteArray &baInode : inodes)
            if (baTarget == "socket:[" + baInode + ']')
                return true;
    }
    return false;
}

// Hamlib's rigctld with its dummy rig on a loopback port of its own. A port
// picked free may be taken by another test's rigctld before ours binds it;
// ours then ends, and the other answers in its place until its test stops
// it. So the port counts only once this very process listens on it.
// The rig's frequency in Hz as rigctld tells it; empty while it does not
// answer. rigctld now and then closes a fresh connection without answering
// while it tears down the rig library's last one: ask again.
inline QString rigFrequency(quint16 uiPort)
{
    for (int iAttempt = 0; iAttempt < 3; ++iAttempt) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), uiPort);
        if (!socket.waitForConnected(1000))
            continue;
        socket.write("f\n");
        QByteArray answer;
        while (!answer.contains('\n') && socket.waitForReadyRead(1000))
            answer += socket.readAll();
        if (answer.contains('\n'))
            return QString::fromLatin1(answer.left(answer.indexOf('\n')).trimmed());
    }
    return QString();
}

class Rigctld
{
public:
    ~Rigctld() { stop(); }

    bool start()
    {
        const QString qsProgram = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
        if (qsProgram.isEmpty()) {
            m_errorString = QStringLiteral("rigctld not found: install the Debian package libhamlib-utils");
            return false;
        }
        for (int iAttempt = 0; iAttempt < 5; ++iAttempt) {
            stop();
            m_uiPort = freeLoopbackPort();
            m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_process.start(qsProgram,
                            {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                             QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_uiPort)});
            if (!m_process.waitForStarted()) {
                m_errorString = m_process.errorString();
                return false;
            }
            const bool bOurs = QTest::qWaitFor(
                [this] { return m_process.state() != QProcess::Running || listensOn(m_process.processId(), m_uiPort); },
                10000);
            if (bOurs && m_process.state() == QProcess::Running)
                return true;
        }
        m_errorString = QStringLiteral("rigctld found no port of its own");
        return false;
    }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    quint16 port() const { return m_uiPort; }
    QString errorString() const { return m_errorString; }

private:
    QProcess m_process;
    quint16 m_uiPort = 0;
    QString m_errorString;
};

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
