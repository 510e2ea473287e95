#include "app/InstanceMessenger.h"

#include "API/QsLog/QsLog.h"
#include "app/SingleInstance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
// A request is one short line; anything longer is not ours.
constexpr qint64 kMaxRequestBytes = 64;
constexpr unsigned long kRetryMs = 100;
} // namespace

InstanceMessenger::InstanceMessenger(QObject *parent) : QObject(parent)
{
}

InstanceMessenger::~InstanceMessenger()
{
    if (m_server)
        m_server->close();
}

QString InstanceMessenger::serverName()
{
    // Beside the lock: the instance a start finds locked is the one it asks.
    return SingleInstance::runtimeFolder() + QStringLiteral("/kelvane.socket");
}

bool InstanceMessenger::listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
    // Nobody else may tell this user's window what to do.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceMessenger::onNewConnection);
    // The lock says no instance runs, so a socket file of that name is a
    // killed instance's leftover and would make listen() fail.
    QLocalServer::removeServer(serverName());
    if (!m_server->listen(serverName())) {
        QLOG_WARN() << "A second start cannot bring this window forward:" << m_server->errorString();
        return false;
    }
    return true;
}

void InstanceMessenger::onNewConnection()
{
    while (QLocalSocket *pSocket = m_server->nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] {
            if (!pSocket->canReadLine()) {
                if (pSocket->bytesAvailable() > kMaxRequestBytes)
                    pSocket->abort();
                return;
            }
            const QByteArray baRequest = pSocket->readLine(kMaxRequestBytes);
            pSocket->disconnectFromServer();
            if (baRequest == kShowRequest) {
                QLOG_INFO() << "Another start asked for the window";
                Q_EMIT showRequested();
            }
        });
    }
}

bool InstanceMessenger::askRunningInstanceToShow(int iTimeoutMs)
{
    // The running instance may still be building its window and not listen
    // yet; the socket file of a killed one may still be there.
    QLocalSocket socket;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        socket.connectToServer(serverName());
        if (socket.waitForConnected(iTimeoutMs))
            break;
        if (timer.elapsed() >= iTimeoutMs)
            return false;
        QThread::msleep(kRetryMs);
    }
    socket.write(kShowRequest);
    const bool bWritten = socket.waitForBytesWritten(iTimeoutMs);
    // The instance hangs up once it has read the request.
    if (socket.state() == QLocalSocket::ConnectedState)
        socket.waitForDisconnected(iTimeoutMs);
    return bWritten;
}
