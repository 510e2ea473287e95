#include "LoginWatch.h"

#include <QtGlobal>

void LoginWatch::begin()
{
    m_sentAt.invalidate();
    m_passwordSent = false;
    m_accepted = false;
    m_loggedIn = false;
}

void LoginWatch::credentialSent(bool bPassword)
{
    // A callsign asked for again in a running session (an announcement
    // that mentions "call:") opens no new login.
    if (m_loggedIn || (m_accepted && !bPassword))
        return;
    m_sentAt.start();
    m_passwordSent = m_passwordSent || bPassword;
    // The verdict on this credential is still to come.
    m_accepted = false;
}

bool LoginWatch::isLoginPrompt(const QString &qsLine)
{
    return qsLine.contains(QLatin1String("login:")) || qsLine.contains(QLatin1String("call:"))
        || qsLine.contains(QLatin1String("callsign:")) || qsLine.contains(QLatin1String("password:"));
}

bool LoginWatch::isRefusal(const QString &qsLine)
{
    if (!m_sentAt.isValid() || m_accepted || m_loggedIn || qsLine.trimmed().isEmpty())
        return false;
    if (qsLine.contains(QLatin1String("sorry"), Qt::CaseInsensitive)
        || qsLine.contains(QLatin1String("invalid"), Qt::CaseInsensitive)
        || (m_passwordSent && qsLine.contains(QLatin1String("password"), Qt::CaseInsensitive))) {
        return true;
    }
    // The password prompt after the callsign is part of the login; any
    // other line (a greeting, the name question) means it went through.
    if (!isLoginPrompt(qsLine))
        m_accepted = true;
    return false;
}

bool LoginWatch::closedDuringLogin() const
{
    return m_sentAt.isValid() && !m_accepted && !m_loggedIn && m_sentAt.elapsed() < kRefusalWindowMs;
}

int LoginWatch::backOffMs(int iBaseMs) const
{
    // Bounded so that a long base interval cannot overflow.
    return int(qMin<qint64>(qint64(iBaseMs) << qBound(0, m_refusals, kMaxRefusals), 24 * 3600 * 1000));
}
