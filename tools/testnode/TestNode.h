#ifndef TESTNODE_H
#define TESTNODE_H

#include "Bulletins.h"
#include "TestSpot.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>

QT_BEGIN_NAMESPACE
class QTcpServer;
class QTimer;
QT_END_NAMESPACE

class NodeSession;
class SpotStream;

// A DX cluster node for tests, the benchmark and the demo: listens on
// 127.0.0.1, logs clients in with either dialogue real nodes use, answers the
// commands clients send, keeps a store of spots and streams live spots to
// every logged-in client in the format that client chose. Everything a test
// may want to provoke (silence, drops, refusal, split or broken data) and to
// observe (lines and exact bytes received) is reachable from here.
class TestNode : public QObject
{
    Q_OBJECT

public:
    enum class Kind {
        Node,       // a cluster node: commands, earlier spots, the client's choice of format
        SkimmerFeed // asks for the call only, then sends skimmer lines and answers nothing
    };
    enum class DialogueStyle {
        Reminder,   // greeting, then "Please enter your name, set/name ..." reminder lines
        Interactive // asks name, QTH and home node one by one, then "Is this correct? (Y/N)"
    };
    enum class Garbage {
        NulBytes,   // a line with NUL bytes in it
        LongLine,   // 1 MiB of text without a line feed
        InvalidUtf8 // a line of byte sequences that are not UTF-8
    };
    struct UserInfo
    {
        QString name;
        QString qth;
        QString homeNode;
    };

    explicit TestNode(QObject *pParent = nullptr);
    ~TestNode() override;

    // Listening. uiPort 0 picks a free port; port() tells which.
    bool listen(quint16 uiPort = 0);
    void close(); // stops listening and drops every client
    quint16 port() const;
    bool isListening() const;
    // Refusing really stops listening, so connects fail with "connection
    // refused"; switching back listens again on the same port.
    bool setRefuseConnections(bool bRefuse);

    // Identity and login.
    void setKind(Kind eKind); // default Node; applies to later logins
    Kind kind() const;
    void setNodeCall(const QString &qsCall); // default Q1NODE-1
    QString nodeCall() const;
    void setLocation(const QString &qsLocation); // default Testtown
    QString location() const;
    void setDialogueStyle(DialogueStyle eStyle); // default Reminder; applies to later logins
    DialogueStyle dialogueStyle() const;
    void setPassword(const QString &qsCall, const QString &qsPassword); // an empty password removes it
    QString password(const QString &qsCall) const;
    void setBandQueryDelay(int iMs); // delay of "SHOW/FDX n ON band" data, default 500
    int bandQueryDelay() const;
    void setQueryDelay(int iMs); // delay of unfiltered "SHOW/FDX n" answers, default 0
    int queryDelay() const;

    // The store of spots that SHOW/FDX answers from; a ring of the newest spots.
    void setStoreCapacity(int iCapacity);             // default 1000
    void preloadSpots(const QList<TestSpot> &lSpots); // oldest first; not sent to anyone
    void clearStore();
    QList<TestSpot> storedSpots() const; // oldest first

    // Live spots: stored, and sent to every logged-in client in its format.
    void broadcastSpot(const TestSpot &spot);
    // dRate in spots per second; 0 or less: as fast as the clients read.
    // iCount 0: endless for the generator, once through the file or list.
    // A stream runs only while some client is logged in and pauses while any
    // client has more than 1 MiB unsent.
    void startGeneratorStream(double dRate, qint64 iCount = 0, quint32 uiSeed = 1);
    // The generator's share of spots of a station it spotted shortly before.
    void setRespotShare(double dShare);
    // Spots on the wall clock (see SpotStream::startScheduled()): generated
    // ones for a node, skimmer reports for a skimmer feed. Nodes with the
    // same seed and rate send the same spots; iDelaySecs relays them late.
    void startScheduledStream(double dRate, quint32 uiSeed, int iDelaySecs, qint64 iCount = 0);
    // The skimmer feed's share of well-heard stations that one more skimmer
    // reports under a call one character off.
    void setBustedShare(double dShare);
    bool startFileStream(const QString &qsPath, double dRate, qint64 iCount = 0);
    void startListStream(const QList<TestSpot> &lSpots, double dRate, qint64 iCount = 0);
    void stopStream();
    bool isStreaming() const;
    qint64 streamedCount() const;

    // Propagation bulletins ("SH/WWV", "SH/WCY") and announcements.
    const Bulletins &bulletins() const { return m_bulletins; }
    // Every iIntervalMs an announcement, a WWV or a WCY bulletin to every
    // logged-in client, and the first two a few seconds after each login,
    // as a lively node sends them; 0 stops them.
    void startBulletins(int iIntervalMs);
    // One line (CR LF added) to every logged-in client.
    void broadcastLine(const QString &qsLine);

    // Faults. Raw data goes to every connected client, logged in or not.
    void setSilent(bool bSilent); // send nothing at all, keep the connections
    bool isSilent() const;
    void dropAllClients();
    void sendRaw(const QByteArray &baData);
    // Cuts baData at the given byte offsets and writes the pieces iPauseMs
    // apart, each flushed on its own, so that they arrive as separate reads.
    void sendSplit(const QByteArray &baData, const QList<int> &liOffsets, int iPauseMs = 15);
    void sendGarbage(Garbage eKind);

    // Observation. Lines are as the client sent them (UTF-8, line end
    // removed); bytes are exactly what arrived on the wire.
    int clientCount() const;
    int loggedInCount() const;
    QStringList loggedInCalls() const;
    QStringList receivedLines() const;
    QStringList receivedLines(const QString &qsCall) const;
    QByteArray receivedBytes() const;
    QByteArray receivedBytes(const QString &qsCall) const;
    void clearReceived();
    UserInfo userInfo(const QString &qsCall) const; // latest answers of any session of that call

Q_SIGNALS:
    void clientConnected();
    void clientLoggedIn(const QString &qsCall);
    void commandReceived(const QString &qsCall, const QString &qsLine);
    void clientDisconnected();
    void streamFinished();

private Q_SLOTS:
    void onNewConnection();
    void onSpotsReady(const QList<TestSpot> &lSpots);

private:
    struct Received
    {
        QString call;
        QByteArray bytes;
        QStringList lines;
    };

    void addSession(NodeSession *pSession);
    void onSessionClosed(NodeSession *pSession);
    void recordBytes(int iSession, const QByteArray &baData);
    void recordLine(int iSession, const QString &qsCall, const QString &qsLine);
    template <typename T> T receivedFrom(const QString &qsCall, T Received::*pField) const;
    void deliver(const QList<TestSpot> &lSpots);
    // Stamps spots without a time "now", keeps them and returns them stamped.
    QList<TestSpot> store(QList<TestSpot> lSpots);
    void updateStreamPause();
    void writeSplitPiece(const QList<QByteArray> &lPieces, int iIndex, int iPauseMs);
    QList<NodeSession *> liveSessions() const;
    void sendNextBulletin();

    QTcpServer *m_server = nullptr;
    SpotStream *m_stream = nullptr;
    quint16 m_port = 0;
    QString m_nodeCall;
    QByteArray m_nodeCallBytes;
    QString m_location;
    Kind m_kind = Kind::Node;
    DialogueStyle m_style = DialogueStyle::Reminder;
    QHash<QString, QString> m_passwords;
    int m_bandQueryDelay = 500;
    int m_queryDelay = 0;
    bool m_silent = false;
    Bulletins m_bulletins;
    QTimer *m_bulletinTimer = nullptr;
    int m_bulletinTurn = 0;

    std::deque<TestSpot> m_store;
    int m_storeCapacity = 1000;

    QList<QPointer<NodeSession>> m_sessions;
    int m_nextSessionId = 0;
    QMap<int, Received> m_received;
    QByteArray m_receivedBytes;
    QStringList m_receivedLines;
    QHash<QString, UserInfo> m_users;
};

#endif // TESTNODE_H
