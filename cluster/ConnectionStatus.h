#ifndef CONNECTIONSTATUS_H
#define CONNECTIONSTATUS_H

#include <QObject>
#include <QString>

// What the connection to the node is doing and why, in words the operator
// reads in the status bar and the tray tooltip.
class ConnectionStatus : public QObject
{
    Q_OBJECT

public:
    enum class State { Disconnected, Connecting, Connected, Lost, Refused, GaveUp };

    explicit ConnectionStatus(const QString &qsNode, QObject *parent = nullptr);

    State state() const { return m_state; }
    QString text() const { return m_text; }

    void setConnecting();
    void setConnected();
    void setDisconnected();
    void setLost(const QString &qsReason, int iRetryMs);
    // qsReply is what the node said, empty when it only hung up. A negative
    // iRetryMs means no further attempt will be made.
    void setRefused(const QString &qsReply, int iRetryMs);

Q_SIGNALS:
    void changed();

private:
    void set(State state, const QString &qsText);
    static QString retryText(int iRetryMs);

    QString m_node;
    State m_state = State::Disconnected;
    QString m_text;
};

#endif // CONNECTIONSTATUS_H
