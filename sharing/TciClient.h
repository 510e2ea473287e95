#ifndef TCICLIENT_H
#define TCICLIENT_H

#include <QByteArray>
#include <QObject>
#include <QRgb>
#include <QTimer>
#include <QUrl>

QT_BEGIN_NAMESPACE
class QWebSocket;
QT_END_NAMESPACE

// The connection to an SDR program's TCI server, which shows our spots on
// its panadapter and tells us which one the operator clicked. It connects
// and reconnects on its own, with a growing pause; nothing it waits for
// ever holds up the caller. What the server sends is read as data only.
class TciClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kMaxRetryMs = 60000;
    // A server that takes the connection but never completes the handshake.
    static constexpr int kHandshakeTimeoutMs = 10000;
    // Output a server has not taken; past it the connection starts again.
    static constexpr qint64 kMaxUnsentBytes = 1024 * 1024;
    // No server message comes near this; a larger one is not read.
    static constexpr quint64 kMaxMessageBytes = 64 * 1024;

    explicit TciClient(QObject *parent = nullptr);
    ~TciClient() override;

    // Connects to url and keeps doing so until stop().
    void start(const QUrl &url);
    // Clears the panadapter's spots and closes the connection.
    void stop();
    bool isRunning() const { return m_running; }
    bool isConnected() const;
    const QUrl &url() const { return m_url; }
    // Tests wait less than a real server may take.
    void setHandshakeTimeoutMs(int iMs) { m_handshakeTimer.setInterval(iMs); }
    // The pause before the next attempt, for the tests and the status.
    int retryDelayMs() const { return m_retryMs; }

    // Shows or updates the spot of call; nothing while not connected.
    void sendSpot(const QString &qsCall, const QString &qsMode, qint64 iHz, QRgb argb, const QString &qsText);
    void sendSpotDelete(const QString &qsCall);
    void sendSpotClear();
    // A command built by spotCommand() or the like.
    void sendCommand(const QString &qsCommand);

    // The "SPOT:" command as it goes out; fields made safe for the protocol.
    static QString spotCommand(const QString &qsCall, const QString &qsMode, qint64 iHz, QRgb argb,
                               const QString &qsText);
    // Reads the clicks in one server message; the others are ignored.
    // Calls onClick(call, Hz) for each.
    template<typename OnClick>
    static void readClicks(const QString &qsMessage, OnClick onClick);

Q_SIGNALS:
    // The connection is up and the panadapter's spots were cleared: every
    // spot is to be sent again.
    void connected();
    void disconnected();
    // The operator clicked the spot of this call on the panadapter.
    void spotClicked(const QString &qsCall, qint64 iHz);

private:
    void open();
    void onConnected();
    void onDisconnected();
    void onTextMessage(const QString &qsMessage);
    void scheduleRetry();

    QWebSocket *m_socket = nullptr;
    QUrl m_url;
    bool m_running = false;
    int m_retryMs = kFirstRetryMs;
    QTimer m_retryTimer;
    QTimer m_handshakeTimer;
};

template<typename OnClick>
void TciClient::readClicks(const QString &qsMessage, OnClick onClick)
{
    for (const QStringView command : QStringView(qsMessage).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype iColon = command.indexOf(QLatin1Char(':'));
        if (iColon <= 0)
            continue;
        const QStringView name = command.left(iColon).trimmed();
        const QList<QStringView> args = command.mid(iColon + 1).split(QLatin1Char(','));
        // Newer servers name the receiver and channel first.
        qsizetype iCall = -1;
        if (name.compare(QLatin1String("rx_clicked_on_spot"), Qt::CaseInsensitive) == 0 && args.size() >= 4)
            iCall = 2;
        else if (name.compare(QLatin1String("clicked_on_spot"), Qt::CaseInsensitive) == 0 && args.size() >= 2)
            iCall = 0;
        if (iCall < 0)
            continue;
        const QString qsCall = args.at(iCall).trimmed().toString().toUpper();
        bool bOk = false;
        const qint64 iHz = args.at(iCall + 1).trimmed().toLongLong(&bOk);
        if (!qsCall.isEmpty() && qsCall.size() <= 20)
            onClick(qsCall, bOk ? iHz : 0);
    }
}

#endif // TCICLIENT_H
