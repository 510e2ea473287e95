#include "HttpTestServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

HttpTestServer::HttpTestServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &HttpTestServer::onNewConnection);
}

HttpTestServer::~HttpTestServer() = default;

bool HttpTestServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 HttpTestServer::port() const
{
    return m_server->serverPort();
}

QString HttpTestServer::url(const QString &qsPath) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(qsPath);
}

void HttpTestServer::onNewConnection()
{
    while (QTcpSocket *pSocket = m_server->nextPendingConnection()) {
        connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QTcpSocket::readyRead, this, [this, pSocket] { answer(pSocket); });
    }
}

void HttpTestServer::answer(QTcpSocket *pSocket)
{
    QByteArray baRequest = pSocket->property("request").toByteArray() + pSocket->readAll();
    pSocket->setProperty("request", baRequest);
    if (!baRequest.contains("\r\n\r\n") || pSocket->property("answered").toBool())
        return;
    pSocket->setProperty("answered", true);

    const QList<QByteArray> requestLine = baRequest.left(baRequest.indexOf("\r\n")).split(' ');
    const QString qsPath = requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_requests[qsPath] += 1;

    const auto it = m_routes.constFind(qsPath);
    const Route route = it != m_routes.constEnd() ? it.value() : Route {"not found", 404};
    QByteArray baHead = "HTTP/1.0 " + QByteArray::number(route.iStatus) + (route.iStatus == 200 ? " OK" : " Error")
        + "\r\nContent-Type: text/plain\r\n";
    if (!route.baLocation.isEmpty())
        baHead += "Location: " + route.baLocation + "\r\n";
    if (route.bContentLength)
        baHead += "Content-Length: " + QByteArray::number(route.baBody.size()) + "\r\n";
    baHead += "Connection: close\r\n\r\n";
    pSocket->write(baHead);

    QByteArray baBody = route.baBody;
    if (route.iCutAfter >= 0)
        baBody.truncate(route.iCutAfter);
    sendBody(pSocket, baBody, route.iChunkSize, route.iChunkDelayMs);
}

void HttpTestServer::sendBody(QTcpSocket *pSocket, QByteArray baRest, int iChunkSize, int iDelayMs)
{
    const int iSize = iChunkSize > 0 ? qMin<int>(iChunkSize, baRest.size()) : int(baRest.size());
    pSocket->write(baRest.left(iSize));
    baRest.remove(0, iSize);
    if (baRest.isEmpty()) {
        pSocket->disconnectFromHost();
        return;
    }
    QPointer<QTcpSocket> socket(pSocket);
    QTimer::singleShot(iDelayMs, this, [this, socket, baRest, iChunkSize, iDelayMs] {
        if (socket)
            sendBody(socket, baRest, iChunkSize, iDelayMs);
    });
}
