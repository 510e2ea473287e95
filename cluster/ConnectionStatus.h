#ifndef CONNECTIONSTATUS_H
#define CONNECTIONSTATUS_H

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>

// What the connection to the node is doing and why, in words the operator
// reads in the status bar and the tray tooltip. While a next attempt is
// planned the words count down to it, once a second.
class ConnectionStatus : public QObject
{
    Q_OBJECT

public:
    // Unreachable: no connection was ever made this time; Lost is kept for
    // one that existed. Waiting: held back by the limit on attempts per host.
    enum class State { Disconnected, Connecting, Connected, Lost, Refused, GaveUp, Unreachable, Waiting };

    explicit ConnectionStatus(const QString &qsNode, QObject *parent = nullptr);

    State state() const { return m_state; }
    // The sentence for the status bar and the tray.
    QString text() const;
    // The same in a few words, for a source's indicator: "connecting…",
    // "connected", "refused: …", "cannot reach: … (next try in N s)".
    QString words() const;
    // Whole seconds until the next attempt, rounded up; -1 when none is planned.
    int retrySeconds() const;

    void setConnecting();
    void setConnected();
    void setDisconnected();
    void setLost(const QString &qsReason, int iRetryMs);
    void setUnreachable(const QString &qsReason, int iRetryMs);
    // qsReply is what the node said, empty when it only hung up. A negative
    // iRetryMs means no further attempt will be made.
    void setRefused(const QString &qsReply, int iRetryMs);
    void setWaiting(int iRetryMs);
    // The next attempt moved (held back by the limit on attempts); the state
    // and its reason stay.
    void setRetryIn(int iRetryMs);
    // What the node said, or why the connection failed or ended.
    const QString &reason() const { return m_reason; }

Q_SIGNALS:
    void changed();

private:
    void set(State state, const QString &qsReason, int iRetryMs);
    void onTick();
    QString retryText() const;
    QString nextTryText() const;
    QString refusalText() const;

    QString m_node;
    State m_state = State::Disconnected;
    QString m_reason;
    QDeadlineTimer m_retry {QDeadlineTimer::Forever};
    QTimer m_tick;
};

#endif // CONNECTIONSTATUS_H
