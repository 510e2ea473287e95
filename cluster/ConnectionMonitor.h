#ifndef CONNECTIONMONITOR_H
#define CONNECTIONMONITOR_H

#include <QAbstractSocket>
#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QTcpSocket;
QT_END_NAMESPACE

// Tells whether a node accepts TCP connections again after the cluster
// connection was lost. A probe only opens a connection and closes it at once;
// it never logs in, so the node sees nothing but a short visit.
class ConnectionMonitor : public QObject
{
    Q_OBJECT

public:
    ConnectionMonitor(const QString &qsAddress, quint16 uiPort, QObject *parent = nullptr);
    ~ConnectionMonitor() override;

    // Ends any earlier attempt first, so at most one probe connection exists.
    void probe();
    // Ends a running probe without a verdict: once the operator has closed the
    // connection, a late answer must not reconnect behind his back.
    void cancel();
    bool isProbing() const;
    // Why the last probe failed, in the socket's words.
    QString errorString() const;

Q_SIGNALS:
    void connectionOk();
    void connectionNotOk();

public Q_SLOTS:
    void onSocketConnected();
    void onSocketDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);

private:
    QString m_address;
    quint16 m_port = 0;
    QTcpSocket *m_socket = nullptr;
};

#endif // CONNECTIONMONITOR_H
