#ifndef SPOTNODESERVER_H
#define SPOTNODESERVER_H

#include "cluster/SpotIdentity.h"
#include "cluster/Spot.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <deque>

QT_BEGIN_NAMESPACE
class QTcpServer;
QT_END_NAMESPACE

class SpotNodeSession;
class Worked;

// Our own cluster node: loggers and panadapters on this machine (or on the
// addresses the operator allows) log in and get the merged, de-duplicated
// feed as "DX de" or CC11 lines. Nothing a client types ever goes further
// than its session; a client that stops reading is dropped before it costs
// memory, and none of them can slow the others or the window.
class SpotNodeServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 16;
    static constexpr qint64 kMaxUnsentBytes = 256 * 1024;
    static constexpr int kHistorySize = 100;

    explicit SpotNodeServer(QObject *parent = nullptr);
    ~SpotNodeServer() override;

    // Listens on address and port, closing the sessions of an earlier
    // listen; false with errorString() when the port cannot be had.
    bool start(const QHostAddress &address, quint16 uiPort);
    // Closes the port and every session.
    void stop();
    bool isListening() const;
    quint16 serverPort() const;
    QString errorString() const { return m_errorString; }

    // Addresses and subnets ("192.168.1.0/24") whose clients are let in
    // besides this machine's own 127.0.0.1 and ::1; entries that do not
    // read are ignored.
    void setAllowed(const QStringList &qslAllowed);
    bool isAllowed(const QHostAddress &address) const;
    // The country data CC11 lines carry; without it their zone fields stay empty.
    void setCountryLookup(const Worked *pWorked) { m_worked = pWorked; }
    const Worked *countryLookup() const { return m_worked; }
    // The node's own call, in the greeting, the prompt and the CC11 lines.
    void setNodeCall(const QString &qsCall);
    const QString &nodeCall() const { return m_nodeCall; }

    // Hands a spot to every logged-in client and keeps it for SH/DX. A spot
    // the skimmers call busted, or one already handed on by any path, is
    // not. True when it went out.
    bool offerSpot(const Spot &spot);
    // The newest iCount spots kept, newest first.
    QList<Spot> recentSpots(int iCount) const;

    int clientCount() const { return int(m_sessions.size()); }

Q_SIGNALS:
    void clientCountChanged(int iCount);

private:
    void onNewConnection();
    void onSessionFinished(SpotNodeSession *pSession);
    void closeSessions();

    QTcpServer *m_server = nullptr;
    QList<SpotNodeSession *> m_sessions;
    QList<QPair<QHostAddress, int>> m_allowed;
    const Worked *m_worked = nullptr;
    QString m_nodeCall;
    QString m_errorString;
    // What went out lately: a report relayed again by another node goes out once.
    SpotIdentity m_handedOn;
    std::deque<Spot> m_history;
};

#endif // SPOTNODESERVER_H
