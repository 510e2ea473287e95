#ifndef LOGINWATCH_H
#define LOGINWATCH_H

#include <QElapsedTimer>
#include <QString>

// Tells a refused login from a lost connection. A node refuses by saying
// so ("Sorry", "invalid", the password asked for again) or by hanging up
// moments after the callsign or password went out, before it showed any
// sign of accepting them. Refusals are counted across connections, so the
// program backs off and finally stops instead of trying the same password
// for ever.
class LoginWatch
{
public:
    static constexpr int kMaxRefusals = 3;
    // A hang-up later than this after the credentials is a lost connection.
    static constexpr int kRefusalWindowMs = 5000;

    // A new connection: nothing sent, nothing accepted yet.
    void begin();
    void credentialSent(bool bPassword);
    // Looks at a line the node sent during the login; true when it refuses.
    bool isRefusal(const QString &qsLine);
    bool closedDuringLogin() const;

    // The node took the login (spots came, the session went on): earlier
    // refusals are forgotten.
    void loginSucceeded()
    {
        m_loggedIn = true;
        m_refusals = 0;
    }
    // Counts one more refusal and gives their number.
    int countRefusal() { return ++m_refusals; }
    int refusals() const { return m_refusals; }
    void clearRefusals() { m_refusals = 0; }
    // Each refusal doubles the wait before the next attempt.
    int backOffMs(int iBaseMs) const;

private:
    static bool isLoginPrompt(const QString &qsLine);

    QElapsedTimer m_sentAt;
    bool m_passwordSent = false;
    bool m_accepted = false;
    bool m_loggedIn = false;
    int m_refusals = 0;
};

#endif // LOGINWATCH_H
