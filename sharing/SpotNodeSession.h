#ifndef SPOTNODESESSION_H
#define SPOTNODESESSION_H

#include <QByteArray>
#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QTcpSocket;
QT_END_NAMESPACE

class Spot;
class SpotNodeServer;

// One client of our spot node, from the "login: " prompt to BYE: the few
// commands loggers send to a node, answered here and never passed on.
class SpotNodeSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultListed = 10;
    // A line longer than this is no command; it is thrown away.
    static constexpr int kMaxLineLength = 256;

    // Takes the socket over.
    SpotNodeSession(QTcpSocket *pSocket, SpotNodeServer *pServer);
    ~SpotNodeSession() override;

    // Sends the login prompt.
    void start();
    // Ends the session at once, without a word and without finished().
    void close();

    bool isLoggedIn() const { return !m_call.isEmpty(); }
    const QString &call() const { return m_call; }
    bool wantsCc11() const { return m_cc11; }
    QString peerText() const;

    // One line, CR LF added; a client that has not read enough to take it
    // is dropped.
    void sendLine(const QByteArray &baLine);
    QByteArray cc11Line(const Spot &spot) const;

Q_SIGNALS:
    // The client left or was dropped; the server lets the session go.
    void finished(SpotNodeSession *pSession);

private:
    void onReadyRead();
    void onDisconnected();
    void handleLine(const QByteArray &baLine);
    void handleCommand(const QString &qsCommand);
    void listSpots(const QStringList &qslWords);
    void sendPrompt();
    void finish();

    QTcpSocket *m_socket = nullptr;
    SpotNodeServer *m_server = nullptr;
    QByteArray m_input;
    // Telnet negotiation the client sends is skipped: how many bytes of a
    // command are still to come, or -1 inside a subnegotiation.
    int m_telnetSkip = 0;
    bool m_discardingLine = false;
    bool m_afterCr = false;
    QString m_call;
    bool m_cc11 = false;
    bool m_finished = false;
};

#endif // SPOTNODESESSION_H
