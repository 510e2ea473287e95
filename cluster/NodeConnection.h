#ifndef NODECONNECTION_H
#define NODECONNECTION_H

#include "AnsiFilter.h"
#include "ClusterTimings.h"
#include "EarlierSpots.h"
#include "LoginWatch.h"
#include "Spot.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

QT_BEGIN_NAMESPACE
class QTcpSocket;
class QTimer;
QT_END_NAMESPACE

class ConnectionMonitor;
class ConnectRateLimit;
class ConnectionStatus;
class SpotPipeline;

// One connection to one DX cluster node: the socket, the answers to the
// login prompts and refusals, the watch over a silent or lost connection,
// the receive path that turns lines into Spots for the pipeline, the
// earlier spots asked for after login and the answers to typed commands.
// Several may feed one pipeline.
class NodeConnection : public QObject
{
    Q_OBJECT

public:
    NodeConnection(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign, const QString &qsPassword,
                   const QString &qsName, const QString &qsQth, SpotPipeline *pPipeline, QObject *parent = nullptr);
    ~NodeConnection() override;

    // Also ends a disconnection the operator asked for: from here on a lost
    // connection is recovered on its own again.
    void connectToNode();
    // The operator's disconnection. It stays one: no recovery, no probing and
    // no reconnection until connectToNode() is called again.
    void disconnectFromNode();
    bool isConnected() const { return m_socketConnected; }
    bool isDisconnectedByUser() const { return m_disconnectedByUser; }
    // Silence on a live connection: a line feed went out to wake the node.
    bool isRecovering() const { return m_recoveryMode; }
    // The connection was lost and the node is probed until it answers.
    bool isMonitoring() const;
    // What the connection is doing, in words; lives as long as the connection.
    ConnectionStatus *status() const { return m_status; }
    // The node refused the login too often; only the operator connects again.
    bool hasGivenUp() const;
    bool isCollectingEarlierSpots() const { return m_earlierSpots.isCollecting(); }
    // The answer to the operator's SH/DX is still coming.
    bool isReceivingAnswer() const { return m_answer.open; }
    void sendCommand(const QString &qsCommand);
    // A line the operator typed, sent as the program's own commands are.
    // False, with nothing sent, while there is no connection.
    bool sendOperatorCommand(const QString &qsCommand);
    // The receive path without the socket: does with baChunk what
    // readDataFromSocket() does with the bytes it reads. Fuzzing and replays
    // of recorded traffic come in here.
    void receiveChunk(const QByteArray &baChunk);
    // Sends the earlier-spots requests now instead of after the login delay.
    void requestEarlierSpots();

    // How spots and console lines name this connection; host:port unless
    // the owner gives it the node's name.
    const QString &sourceName() const { return m_sourceName; }
    void setSourceName(const QString &qsName) { m_sourceName = qsName; }

    // A skimmer feed gets the callsign and nothing else: no set/ve7cc, no
    // earlier-spots requests and no typed commands, which it would not answer.
    bool isSkimmerFeed() const { return m_skimmerFeed; }
    void setSkimmerFeed(bool bSkimmerFeed) { m_skimmerFeed = bSkimmerFeed; }
    // Every attempt, probes included, asks pRateLimit first; it outlives the
    // connection. Without one attempts are not limited.
    void setRateLimit(ConnectRateLimit *pRateLimit) { m_rateLimit = pRateLimit; }

    const QString &address() const { return m_address; }
    quint16 port() const { return m_port; }

    ClusterTimings timings() const { return m_timings; }
    // Takes effect at once, also on running timers.
    void setTimings(const ClusterTimings &timings);

Q_SIGNALS:
    void connected(const QString &qsAddress, quint16 uiPort);
    void disconnected(const QString &qsAddress, quint16 uiPort);
    void connectionError(const QString &qsAddress, quint16 uiPort, QAbstractSocket::SocketError error);
    void getReadyForSpots();
    // An attempt ended without a session: the node could not be reached or
    // refused the login. A session that is lost later is no failed attempt.
    void attemptFailed();
    // Every line the node sends, without terminal escapes and cut to a
    // bounded length ("…" marks the cut), otherwise as it came (control
    // characters included); bSpot for live "DX de" and CC11 lines. The spots
    // of an answer to the operator's SH/DX come as readable lines instead.
    void nodeLine(const QString &qsLine, bool bSpot);

private:
    void startAttempt();
    // False, with the attempt (a probe or a connection) put off until the
    // limit allows it, when the host had its share of attempts this minute.
    bool mayAttempt(bool bProbe);
    void onAttemptTimerExpired();
    void onSocketConnected();
    void onSocketDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onSocketStateChanged(QAbstractSocket::SocketState socketState);
    void onMonitorTimerExpired();
    void onIdleTimerExpired();
    void onConnectionOk();
    void onConnectionNotOk();
    void onReadSliceDue();
    void onLoginRefused(const QString &qsReply);
    void onEarlierSpotsQuiet();
    void onAnswerTimeout();

    void readDataFromSocket();
    void abortConnection();
    void deliverEarlierSpots();
    void beginChunk();
    void processChunk(const QByteArray &baChunk);
    void processLine(const QString &qsLine);
    void processSpot(Spot &spot);
    void answerPrompt(const QString &qsLine);
    void keepBrokenLine(const QString &qsLine);
    void resetLoginState();
    static bool isSpotLine(const QString &qsLine);
    bool isAnswerSpot(const Spot &spot);
    void endAnswer();
    void emitNodeLine(const QString &qsLine, bool bSpot);
    bool isPrompt(const QString &qsLine) const;
    static bool mayStartSpotLine(const QString &qsFragment);
    const QString &todaysDate();

    QString m_address;
    quint16 m_port = 0;
    QString m_sourceName;
    QString m_callsign;
    QString m_password;
    QString m_name;
    QString m_qth;

    // Owned by whoever feeds several connections into it; it may go first
    // during teardown.
    QPointer<SpotPipeline> m_pipeline;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_monitorTimer = nullptr;
    QTimer *m_idleTimer = nullptr;
    // Since the last data from the node: what the idle timer judges by.
    QElapsedTimer m_lastRead;
    QTimer *m_earlierSpotsTimer = nullptr;
    // An attempt put off by the rate limit.
    QTimer *m_attemptTimer = nullptr;
    bool m_attemptIsProbe = false;
    ConnectRateLimit *m_rateLimit = nullptr;
    bool m_skimmerFeed = false;
    // The current attempt got as far as a TCP connection: losing it is
    // "lost", failing before is "cannot reach".
    bool m_connectionMade = false;
    ConnectionMonitor *m_connectionMonitor = nullptr;
    ConnectionStatus *m_status = nullptr;
    LoginWatch m_loginWatch;
    ClusterTimings m_timings;

    QString m_brokenLine;
    AnsiFilter m_ansiFilter;
    // Said once per connection: a flood of long lines would fill the log.
    bool m_lineCutLogged = false;
    EarlierSpots m_earlierSpots;

    // The answer to the operator's own SH/DX. It ends at the node's prompt
    // after its lines, after the number of lines asked for, after a short
    // silence, or at the latest a few seconds after the command: a live
    // feed never keeps it open.
    struct OperatorAnswer
    {
        bool open = false;
        int linesAsked = 0;
        int linesSeen = 0;
        qint64 requestMinute = 0;
        QDeadlineTimer hardEnd;
    };
    OperatorAnswer m_answer;
    QTimer *m_answerTimer = nullptr;
    // Its spots, newest first as nodes list them; handed on oldest first.
    QList<Spot> m_answerSpots;
    bool m_ve7ccSent = false;

    bool m_socketConnected = false;
    // A call to read the next slice is on its way through the event loop.
    bool m_readSliceDue = false;
    bool m_recoveryMode = false;
    bool m_loginSent = false;
    // The login prompts answered on this connection: each once, so a node
    // repeating them cannot make us queue answers without end.
    quint8 m_answeredPrompts = 0;
    bool m_connectedReported = false;
    bool m_disconnectedByUser = false;

    // "DX de" lines carry no date; formatting today's once per day keeps it
    // off the per-spot path.
    qint64 m_dateDay = -1;
    QString m_dateText;
};

#endif // NODECONNECTION_H
