#ifndef WSJTXLISTENER_H
#define WSJTXLISTENER_H

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUdpSocket>

// Receives the QSOs that WSJT-X and compatible programs log, from the UDP
// messages they send to every listener: "Logged ADIF" (type 12) and "QSO
// Logged" (type 5). Every other message type is ignored. A datagram that is
// not a well-formed message is dropped and counted; the count reaches the log
// at most once every ten seconds, so a flood cannot flood the log too.
class WsjtxListener : public QObject
{
    Q_OBJECT

public:
    // The protocol's frames start with this number.
    static constexpr quint32 kMagic = 0xadbccbda;
    static constexpr quint32 kTypeQsoLogged = 5;
    static constexpr quint32 kTypeLoggedAdif = 12;

    // One datagram taken apart; parsing needs no socket, so tests and the
    // fuzzer reach it directly.
    struct Message
    {
        enum Kind {
            // Not a well-formed message; qsWhy says what was wrong.
            Malformed,
            // A well-formed message of a type that carries no QSO.
            Ignored,
            LoggedAdif,
            QsoLogged
        };
        Kind kind = Malformed;
        QString qsWhy;
        quint32 uiSchema = 0;
        // Type 12: the ADIF text as sent, undecoded.
        QByteArray qbaAdif;
        // Type 5; the time on in UTC.
        QString qsCall;
        QDateTime qdtOn;
        quint64 uiFrequencyHz = 0;
        QString qsMode;
    };

    static Message parseDatagram(const QByteArray &qbaDatagram);

    explicit WsjtxListener(QObject *pParent = nullptr);

    // Binds the UDP port; joins qhaGroup when it is a multicast address.
    // false + errorString() on failure.
    bool listen(const QHostAddress &qhaAddress, quint16 uiPort, const QHostAddress &qhaGroup = QHostAddress());
    void close();
    QString errorString() const;
    // The bound port; the one the system chose when listen() was given 0.
    quint16 localPort() const { return m_socket.localPort(); }

    // Datagrams dropped as malformed since construction.
    quint64 droppedDatagrams() const { return m_uiDropped; }

Q_SIGNALS:
    // Type 12: the ADIF text of one record, raw bytes (may be Latin-1).
    void adifLogged(const QByteArray &qbaAdif);
    // Type 5; qdtOn in UTC.
    void qsoLogged(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz, const QString &qsMode);

private:
    void onReadyRead();
    void handleDatagram(const QByteArray &qbaDatagram, const QHostAddress &qhaSender);
    void noteDropped(const QString &qsWhy, const QHostAddress &qhaSender);
    void logDropped();

    QUdpSocket m_socket;
    QString m_errorString;
    quint64 m_uiDropped = 0;
    // The rate limit of the drop lines: the drops not yet logged, the last
    // one's reason and sender, the time of the last line, and a timer that
    // logs the drops of a quiet period's end.
    quint64 m_uiDroppedUnlogged = 0;
    QString m_lastDropWhy;
    QHostAddress m_lastDropSender;
    QElapsedTimer m_sinceDropLine;
    QTimer m_dropLineTimer;
    // Reads the rest of a burst in the next turn of the event loop; one
    // timer, so overlapping bursts do not start chains of their own.
    QTimer m_drainTimer;
};

#endif // WSJTXLISTENER_H
