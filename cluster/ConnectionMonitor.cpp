#include "ConnectionMonitor.h"

#include "API/QsLog/QsLog.h"

#include <QTcpSocket>

ConnectionMonitor::ConnectionMonitor(const QString &qsAddress, quint16 uiPort, QObject *parent)
    : QObject(parent), m_address(qsAddress), m_port(uiPort)
{
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &ConnectionMonitor::onSocketConnected);
    connect(m_socket, &QTcpSocket::disconnected, this, &ConnectionMonitor::onSocketDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ConnectionMonitor::onSocketError);
}

ConnectionMonitor::~ConnectionMonitor()
{
    // Aborting reports the socket's last state changes; none may reach the
    // slots of an object being destroyed.
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
    m_socket->close();
    delete m_socket;
    m_socket = nullptr;
}

void ConnectionMonitor::probe()
{
    cancel();
    m_socket->connectToHost(m_address, m_port, QIODevice::ReadWrite);
}

void ConnectionMonitor::cancel()
{
    m_socket->abort();
    m_socket->close();
}

bool ConnectionMonitor::isProbing() const
{
    return m_socket->state() != QAbstractSocket::UnconnectedState;
}

QString ConnectionMonitor::errorString() const
{
    return m_socket->errorString();
}

void ConnectionMonitor::onSocketConnected()
{
    // Closed before anyone hears the verdict, so the reconnection that
    // follows never finds a second connection of ours on the node.
    cancel();
    QLOG_TRACE() << "ConnectionMonitor: emitting connectionOk()";
    Q_EMIT connectionOk();
}

void ConnectionMonitor::onSocketDisconnected()
{
}

void ConnectionMonitor::onSocketError(QAbstractSocket::SocketError error)
{
    Q_UNUSED(error)
    QLOG_TRACE() << "ConnectionMonitor: emitting connectionNotOk()";
    Q_EMIT connectionNotOk();
}
