#ifndef HTTPTESTSERVER_H
#define HTTPTESTSERVER_H

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QTcpServer;
class QTcpSocket;
QT_END_NAMESPACE

// A small HTTP/1.0 server on loopback for the download and update tests: each
// path answers with a fixed body, status and framing, one request per
// connection, like a plain static file host.
class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    struct Route
    {
        QByteArray baBody;
        int iStatus = 200;
        // Without a length the end of the body is the end of the connection.
        bool bContentLength = true;
        // Sent in pieces this large, one per event-loop turn, so the client
        // sees progress; 0 sends everything at once.
        int iChunkSize = 0;
        int iChunkDelayMs = 5;
        // Claims the full length but closes after this many body bytes.
        int iCutAfter = -1;
        // Sent as the Location header, for redirects.
        QByteArray baLocation = QByteArray();
    };

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    bool listen();
    quint16 port() const;
    QString url(const QString &qsPath) const;

    void setRoute(const QString &qsPath, const Route &route) { m_routes.insert(qsPath, route); }
    void setRoute(const QString &qsPath, const QByteArray &baBody) { m_routes.insert(qsPath, Route {baBody}); }
    int requestCount(const QString &qsPath) const { return m_requests.value(qsPath); }

private:
    void onNewConnection();
    void answer(QTcpSocket *pSocket);
    void sendBody(QTcpSocket *pSocket, QByteArray baRest, int iChunkSize, int iDelayMs);

    QTcpServer *m_server = nullptr;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_requests;
};

#endif // HTTPTESTSERVER_H
