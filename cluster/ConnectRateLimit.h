#ifndef CONNECTRATELIMIT_H
#define CONNECTRATELIMIT_H

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

// How often the program may open a connection to one host, whatever the
// settings and however many nodes, fallbacks and probes point at it: node
// operators ban clients that hammer them, and one ban would cost every
// source on that host. Shared by all connections of a cluster.
class ConnectRateLimit
{
public:
    static constexpr int kMaxAttempts = 3;
    static constexpr int kWindowMs = 60000;

    explicit ConnectRateLimit(int iWindowMs = kWindowMs);

    // Milliseconds until the next attempt on qsHost is allowed; 0 for now.
    qint64 waitMs(const QString &qsHost) const { return waitMs(qsHost, m_clock.elapsed()); }
    // Counts an attempt on qsHost made now.
    void record(const QString &qsHost) { record(qsHost, m_clock.elapsed()); }

    // The same on a clock of the caller's, in milliseconds that never go back.
    qint64 waitMs(const QString &qsHost, qint64 iNowMs) const;
    void record(const QString &qsHost, qint64 iNowMs);

    int windowMs() const { return m_windowMs; }
    // Tests shorten it; the program keeps the default.
    void setWindowMs(int iWindowMs) { m_windowMs = iWindowMs; }

private:
    static QString key(const QString &qsHost) { return qsHost.trimmed().toLower(); }

    int m_windowMs = kWindowMs;
    QElapsedTimer m_clock;
    // The last kMaxAttempts attempts per host, oldest first; older ones no
    // longer matter, so the memory stays one short list per host.
    QHash<QString, QList<qint64>> m_attempts;
};

#endif // CONNECTRATELIMIT_H
