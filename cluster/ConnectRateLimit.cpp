#include "ConnectRateLimit.h"

ConnectRateLimit::ConnectRateLimit(int iWindowMs) : m_windowMs(iWindowMs)
{
    m_clock.start();
}

qint64 ConnectRateLimit::waitMs(const QString &qsHost, qint64 iNowMs) const
{
    const auto it = m_attempts.constFind(key(qsHost));
    if (it == m_attempts.constEnd() || it->size() < kMaxAttempts)
        return 0;
    // The oldest of the last attempts must have left the window.
    return qMax<qint64>(0, it->constFirst() + m_windowMs - iNowMs);
}

void ConnectRateLimit::record(const QString &qsHost, qint64 iNowMs)
{
    QList<qint64> &attempts = m_attempts[key(qsHost)];
    attempts.append(iNowMs);
    while (attempts.size() > kMaxAttempts)
        attempts.removeFirst();
}
