#ifndef KELVANE_BALLOONTHROTTLE_H
#define KELVANE_BALLOONTHROTTLE_H

#include <QObject>
#include <QString>
#include <QTimer>

// Keeps alert balloons to one every few seconds. An alert that comes while
// the last balloon is still fresh waits; when the pause ends the newest
// waiting one is shown, saying how many more came meanwhile. A flood of
// alerted spots thus gives one balloon per pause instead of one per spot.
class BalloonThrottle : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 5000;

    explicit BalloonThrottle(QObject *parent = nullptr);

    void alert(const QString &qsTitle, const QString &qsText);
    void setIntervalMs(int iIntervalMs) { m_timer.setInterval(iIntervalMs); }

Q_SIGNALS:
    // A balloon to show now.
    void balloonDue(const QString &qsTitle, const QString &qsText);

private:
    void onPauseOver();

    QTimer m_timer;
    int m_iWaiting = 0;
    QString m_qsTitle;
    QString m_qsText;
};

#endif // KELVANE_BALLOONTHROTTLE_H
