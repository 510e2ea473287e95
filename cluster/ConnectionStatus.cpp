#include "ConnectionStatus.h"

ConnectionStatus::ConnectionStatus(const QString &qsNode, QObject *parent)
    : QObject(parent), m_node(qsNode), m_text(tr("Disconnected"))
{
}

void ConnectionStatus::setConnecting()
{
    set(State::Connecting, tr("Connecting to %1…").arg(m_node));
}

void ConnectionStatus::setConnected()
{
    set(State::Connected, tr("Connected to %1").arg(m_node));
}

void ConnectionStatus::setDisconnected()
{
    set(State::Disconnected, tr("Disconnected"));
}

void ConnectionStatus::setLost(const QString &qsReason, int iRetryMs)
{
    set(State::Lost, tr("Connection to %1 lost (%2); %3").arg(m_node, qsReason, retryText(iRetryMs)));
}

void ConnectionStatus::setRefused(const QString &qsReply, int iRetryMs)
{
    const QString qsWhy = qsReply.isEmpty() ? tr("it closed the connection right after the login") : qsReply.trimmed();
    if (iRetryMs < 0) {
        set(State::GaveUp, tr("%1 refused the login: %2; check the node's settings").arg(m_node, qsWhy));
        return;
    }
    set(State::Refused, tr("%1 refused the login: %2; %3").arg(m_node, qsWhy, retryText(iRetryMs)));
}

QString ConnectionStatus::retryText(int iRetryMs)
{
    if (iRetryMs <= 0)
        return tr("trying again now");
    // Rounded up: "in 0 s" would read as if nothing were planned.
    return tr("trying again in %1 s").arg((iRetryMs + 999) / 1000);
}

void ConnectionStatus::set(State state, const QString &qsText)
{
    if (state == m_state && qsText == m_text)
        return;
    m_state = state;
    m_text = qsText;
    Q_EMIT changed();
}
