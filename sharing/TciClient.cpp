#include "TciClient.h"

#include "API/QsLog/QsLog.h"

#include <QWebSocket>

namespace {
// Separators of the protocol and control characters would split or end a
// command; they become blanks (or go, in a call).
QString fieldSafe(const QString &qsText, bool bRemove)
{
    QString qsSafe;
    qsSafe.reserve(qsText.size());
    for (const QChar c : qsText) {
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char(':') || c.category() == QChar::Other_Control) {
            if (!bRemove)
                qsSafe += QLatin1Char(' ');
            continue;
        }
        qsSafe += c;
    }
    return bRemove ? qsSafe.remove(QLatin1Char(' ')) : qsSafe.trimmed();
}
} // namespace

TciClient::TciClient(QObject *parent) : QObject(parent)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &TciClient::open);
    m_handshakeTimer.setSingleShot(true);
    m_handshakeTimer.setInterval(kHandshakeTimeoutMs);
    connect(&m_handshakeTimer, &QTimer::timeout, this, [this] {
        QLOG_WARN() << "TCI server" << m_url.toString() << "did not answer within" << m_handshakeTimer.interval()
                    << "ms";
        if (m_socket)
            m_socket->abort();
    });
}

TciClient::~TciClient()
{
    blockSignals(true);
    stop();
}

bool TciClient::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void TciClient::start(const QUrl &url)
{
    stop();
    m_url = url;
    m_running = true;
    m_retryMs = kFirstRetryMs;
    open();
}

void TciClient::stop()
{
    const bool bWasRunning = m_running;
    m_running = false;
    m_retryTimer.stop();
    m_handshakeTimer.stop();
    if (!m_socket)
        return;
    QWebSocket *pSocket = std::exchange(m_socket, nullptr);
    disconnect(pSocket, nullptr, this, nullptr);
    if (pSocket->state() == QAbstractSocket::ConnectedState) {
        pSocket->sendTextMessage(QStringLiteral("SPOT_CLEAR;"));
        // The clear still goes out; the socket goes when it is closed, or
        // soon anyway when the server does not take it.
        connect(pSocket, &QWebSocket::disconnected, pSocket, &QObject::deleteLater);
        QTimer::singleShot(kHandshakeTimeoutMs, pSocket, &QObject::deleteLater);
        pSocket->close();
    } else {
        pSocket->abort();
        pSocket->deleteLater();
    }
    if (bWasRunning) {
        QLOG_INFO() << "TCI connection to" << m_url.toString() << "closed";
        Q_EMIT disconnected();
    }
}

void TciClient::open()
{
    if (!m_running)
        return;
    if (m_socket) {
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
        m_socket->deleteLater();
    }
    m_socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    m_socket->setMaxAllowedIncomingMessageSize(kMaxMessageBytes);
    m_socket->setMaxAllowedIncomingFrameSize(kMaxMessageBytes);
    connect(m_socket, &QWebSocket::connected, this, &TciClient::onConnected);
    connect(m_socket, &QWebSocket::disconnected, this, &TciClient::onDisconnected);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &TciClient::onTextMessage);
    // A refused or unreachable server ends in an error without a disconnection.
    connect(m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, [this] {
        if (m_socket && m_socket->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });
    QLOG_DEBUG() << "Connecting to the TCI server" << m_url.toString();
    m_handshakeTimer.start();
    m_socket->open(m_url);
}

void TciClient::onConnected()
{
    m_handshakeTimer.stop();
    m_retryMs = kFirstRetryMs;
    QLOG_INFO() << "Connected to the TCI server" << m_url.toString();
    // Spots of an earlier run, or of another program, are not ours to keep.
    sendSpotClear();
    Q_EMIT connected();
}

void TciClient::onDisconnected()
{
    m_handshakeTimer.stop();
    // Errors and the disconnection may both report one end.
    if (!m_running || m_retryTimer.isActive())
        return;
    const QString qsError = m_socket ? m_socket->errorString() : QString();
    QLOG_INFO() << "TCI server" << m_url.toString() << "not connected:" << qsError << "; next try in" << m_retryMs
                << "ms";
    Q_EMIT disconnected();
    scheduleRetry();
}

void TciClient::scheduleRetry()
{
    m_retryTimer.start(m_retryMs);
    m_retryMs = qMin(m_retryMs * 2, kMaxRetryMs);
}

void TciClient::onTextMessage(const QString &qsMessage)
{
    readClicks(qsMessage, [this](const QString &qsCall, qint64 iHz) { Q_EMIT spotClicked(qsCall, iHz); });
}

void TciClient::sendCommand(const QString &qsCommand)
{
    if (!isConnected())
        return;
    if (m_socket->bytesToWrite() > kMaxUnsentBytes) {
        // A server that stopped reading gets a fresh start later, when it
        // may read again, instead of our memory.
        QLOG_WARN() << "TCI server" << m_url.toString() << "does not read; connecting again";
        m_socket->abort();
        return;
    }
    m_socket->sendTextMessage(qsCommand);
}

QString TciClient::spotCommand(const QString &qsCall, const QString &qsMode, qint64 iHz, QRgb argb,
                               const QString &qsText)
{
    return QStringLiteral("SPOT:%1,%2,%3,%4,%5;")
        .arg(fieldSafe(qsCall, true), fieldSafe(qsMode, true), QString::number(iHz), QString::number(quint32(argb)),
             fieldSafe(qsText, false));
}

void TciClient::sendSpot(const QString &qsCall, const QString &qsMode, qint64 iHz, QRgb argb, const QString &qsText)
{
    sendCommand(spotCommand(qsCall, qsMode, iHz, argb, qsText));
}

void TciClient::sendSpotDelete(const QString &qsCall)
{
    sendCommand(QStringLiteral("SPOT_DELETE:%1;").arg(fieldSafe(qsCall, true)));
}

void TciClient::sendSpotClear()
{
    sendCommand(QStringLiteral("SPOT_CLEAR;"));
}
