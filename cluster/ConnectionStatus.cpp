#include "ConnectionStatus.h"

namespace {
constexpr int kTickMs = 1000;
}

ConnectionStatus::ConnectionStatus(const QString &qsNode, QObject *parent) : QObject(parent), m_node(qsNode)
{
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &ConnectionStatus::onTick);
}

void ConnectionStatus::setConnecting()
{
    set(State::Connecting, QString(), -1);
}

void ConnectionStatus::setConnected()
{
    set(State::Connected, QString(), -1);
}

void ConnectionStatus::setDisconnected()
{
    set(State::Disconnected, QString(), -1);
}

void ConnectionStatus::setLost(const QString &qsReason, int iRetryMs)
{
    set(State::Lost, qsReason, qMax(0, iRetryMs));
}

void ConnectionStatus::setUnreachable(const QString &qsReason, int iRetryMs)
{
    set(State::Unreachable, qsReason, qMax(0, iRetryMs));
}

void ConnectionStatus::setRefused(const QString &qsReply, int iRetryMs)
{
    set(iRetryMs < 0 ? State::GaveUp : State::Refused, qsReply.trimmed(), iRetryMs);
}

void ConnectionStatus::setWaiting(int iRetryMs)
{
    set(State::Waiting, QString(), qMax(0, iRetryMs));
}

void ConnectionStatus::setRetryIn(int iRetryMs)
{
    set(m_state, m_reason, qMax(0, iRetryMs));
}

int ConnectionStatus::retrySeconds() const
{
    if (m_retry.isForever())
        return -1;
    // Rounded up: "in 0 s" would read as if nothing were planned.
    return int((m_retry.remainingTime() + 999) / 1000);
}

QString ConnectionStatus::retryText() const
{
    const int iSeconds = retrySeconds();
    if (iSeconds <= 0)
        return tr("trying again now");
    return tr("trying again in %1 s").arg(iSeconds);
}

QString ConnectionStatus::nextTryText() const
{
    const int iSeconds = retrySeconds();
    if (iSeconds <= 0)
        return tr("trying again now");
    return tr("next try in %1 s").arg(iSeconds);
}

QString ConnectionStatus::refusalText() const
{
    return m_reason.isEmpty() ? tr("it closed the connection right after the login") : m_reason;
}

QString ConnectionStatus::text() const
{
    switch (m_state) {
    case State::Disconnected:
        return tr("Disconnected");
    case State::Connecting:
        return tr("Connecting to %1…").arg(m_node);
    case State::Connected:
        return tr("Connected to %1").arg(m_node);
    case State::Lost:
        return tr("Connection to %1 lost (%2); %3").arg(m_node, m_reason, retryText());
    case State::Unreachable:
        return tr("Cannot reach %1 (%2); %3").arg(m_node, m_reason, retryText());
    case State::Refused:
        return tr("%1 refused the login: %2; %3").arg(m_node, refusalText(), retryText());
    case State::GaveUp:
        return tr("%1 refused the login: %2; check the node's settings").arg(m_node, refusalText());
    case State::Waiting:
        return tr("Connecting to %1 soon (at most three attempts a minute); %2").arg(m_node, retryText());
    }
    return QString();
}

QString ConnectionStatus::words() const
{
    switch (m_state) {
    case State::Disconnected:
        return tr("disconnected");
    case State::Connecting:
        return tr("connecting…");
    case State::Connected:
        return tr("connected");
    case State::Lost:
        return tr("lost: %1 (%2)").arg(m_reason, nextTryText());
    case State::Unreachable:
        return tr("cannot reach: %1 (%2)").arg(m_reason, nextTryText());
    case State::Refused:
        return tr("refused: %1 (%2)").arg(refusalText(), nextTryText());
    case State::GaveUp:
        return tr("refused: %1").arg(refusalText());
    case State::Waiting:
        return tr("waiting (%1)").arg(nextTryText());
    }
    return QString();
}

void ConnectionStatus::set(State state, const QString &qsReason, int iRetryMs)
{
    const bool bSame = state == m_state && qsReason == m_reason && iRetryMs < 0 && m_retry.isForever();
    m_state = state;
    m_reason = qsReason;
    if (iRetryMs < 0) {
        m_retry = QDeadlineTimer(QDeadlineTimer::Forever);
        m_tick.stop();
    } else {
        m_retry.setRemainingTime(iRetryMs);
        m_tick.start();
    }
    if (!bSame)
        Q_EMIT changed();
}

void ConnectionStatus::onTick()
{
    // The last tick says "trying again now"; the attempt itself says the rest.
    if (m_retry.hasExpired())
        m_tick.stop();
    Q_EMIT changed();
}
