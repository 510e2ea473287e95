#include "ui/BalloonThrottle.h"

BalloonThrottle::BalloonThrottle(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(kIntervalMs);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BalloonThrottle::onPauseOver);
}

void BalloonThrottle::alert(const QString &qsTitle, const QString &qsText)
{
    if (m_timer.isActive()) {
        ++m_iWaiting;
        m_qsTitle = qsTitle;
        m_qsText = qsText;
        return;
    }
    m_timer.start();
    Q_EMIT balloonDue(qsTitle, qsText);
}

void BalloonThrottle::onPauseOver()
{
    if (m_iWaiting == 0)
        return;
    const int iOthers = m_iWaiting - 1;
    m_iWaiting = 0;
    QString qsText = m_qsText;
    if (iOthers > 0)
        qsText += QLatin1Char('\n') + tr("... and %n more", nullptr, iOthers);
    // The pause starts again with this balloon.
    m_timer.start();
    Q_EMIT balloonDue(m_qsTitle, qsText);
}
