#ifndef NODESESSION_H
#define NODESESSION_H

#include "TelnetLineReader.h"
#include "TestSpot.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QTcpSocket;
QT_END_NAMESPACE

class TestNode;

// The node side of one client connection: cleans up telnet-style input,
// runs the login dialogue, answers commands and sends whatever the node
// broadcasts. It reads the node's settings but reports everything it does
// through signals, so that the node alone decides about its clients.
class NodeSession : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of pSocket.
    NodeSession(QTcpSocket *pSocket, const TestNode *pNode, int iId, QObject *pParent = nullptr);
    ~NodeSession() override;

    void start(bool bSilent); // sends the login prompt
    int id() const;
    QString call() const;
    bool isLoggedIn() const;
    TestSpot::Format format() const;

    void setSilent(bool bSilent);
    void send(const QByteArray &baData);
    void flush();
    // More unsent data queued than a stream should add to; cleared with drained().
    bool isCongested() const;
    void abort();

Q_SIGNALS:
    void loggedIn(const QString &qsCall);
    void lineReceived(const QString &qsCall, const QString &qsLine);
    void bytesReceived(const QByteArray &baData);
    void spotPosted(const TestSpot &spot);
    void userInfoChanged(const QString &qsCall, const QString &qsName, const QString &qsQth, const QString &qsHomeNode);
    void drained();
    void closed();

private Q_SLOTS:
    void onReadyRead();
    void onBytesWritten(qint64 iBytes);
    void onDisconnected();
    void onErrorOccurred(QAbstractSocket::SocketError eError);

private:
    enum class State { Call, Password, Name, Qth, HomeNode, Confirm, LoggedIn, Closing, Closed };

    void consume(const QByteArray &baData);
    void handleLine(const QByteArray &baLine);
    void handleCall(const QString &qsLine);
    void handlePassword(const QString &qsLine);
    void handleAnswer(const QString &qsLine);
    void handleConfirm(const QString &qsLine);
    void handleCommand(const QString &qsLine, const QByteArray &baLine);
    void commandShowFdx(const QStringList &lArgs);
    void commandDx(const QByteArray &baArgs);
    void commandSet(const QString &qsCommand, const QString &qsValue);
    void startDialogue();
    void askQuestion();
    void finishLogin();
    void finishSkimmerLogin();
    bool isSkimmerFeed() const;
    QByteArray loginPrompt() const;
    void reportUserInfo();
    void sendLine(const QString &qsLine);
    void sendLines(const QStringList &lLines);
    static int answerRows(const QStringList &lWords);
    void sendPrompt();
    QByteArray promptLine() const;
    void closeGracefully();
    void finish();
    QByteArray spotLines(const QList<TestSpot> &lSpots) const;

    QTcpSocket *m_socket = nullptr;
    const TestNode *m_node = nullptr;
    int m_id = 0;
    State m_state = State::Call;
    TelnetLineReader m_reader;
    TestSpot::Format m_format = TestSpot::Format::DxDe;
    bool m_silent = false;
    bool m_congested = false;
    bool m_dropScheduled = false;
    int m_badCalls = 0;
    QString m_call;
    QString m_name;
    QString m_qth;
    QString m_homeNode;
};

#endif // NODESESSION_H
