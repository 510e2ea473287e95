#ifndef STATISTICS_H
#define STATISTICS_H

#include <QObject>
#include <QString>

class ChainResult;

// Usage counters kept across runs. One instance serves the whole process;
// the counting parts hold a pointer to it. Counters are plain fields because
// every increment happens on the GUI thread.
class Statistics : public QObject
{
    Q_OBJECT

public:
    // Created on first use. release() writes the counters (when attached)
    // and destroys it; the application calls it once at exit.
    static Statistics *instance();
    static void release();

    ~Statistics() override;

    // Reads the counters from the user's store; destruction, or release(),
    // writes them back.
    void attach(const QString &qsOrganization, const QString &qsApplication);

    quint64 launchCount() const { return m_launchCount; }
    quint64 totalProcessedSpots() const { return m_totalProcessedSpots; }
    quint64 displayedSpots() const { return m_displayedSpots; }
    quint64 triggeredAlertsTotal() const { return m_triggeredAlertsTotal; }
    quint64 triggeredAlertsColor() const { return m_triggeredAlertsColor; }
    quint64 triggeredAlertsSound() const { return m_triggeredAlertsSound; }
    quint64 triggeredAlertsIcon() const { return m_triggeredAlertsIcon; }
    quint64 triggeredAlertsBalloon() const { return m_triggeredAlertsBalloon; }

    void incrementLaunchCount() { ++m_launchCount; }
    void incrementProcessedSpots() { ++m_totalProcessedSpots; }
    void incrementDisplayedSpots() { ++m_displayedSpots; }
    void incrementColorAlerts()
    {
        ++m_triggeredAlertsColor;
        ++m_triggeredAlertsTotal;
    }
    void incrementSoundAlerts()
    {
        ++m_triggeredAlertsSound;
        ++m_triggeredAlertsTotal;
    }
    void incrementIconAlerts()
    {
        ++m_triggeredAlertsIcon;
        ++m_triggeredAlertsTotal;
    }
    void incrementBalloonAlerts()
    {
        ++m_triggeredAlertsBalloon;
        ++m_triggeredAlertsTotal;
    }
    // The alerts of one spot's chain result, one for each rule that fired
    // each kind.
    void countAlerts(const ChainResult &result);

private:
    Statistics() = default;
    void save();

    quint64 m_launchCount = 0;
    quint64 m_totalProcessedSpots = 0;
    quint64 m_displayedSpots = 0;
    quint64 m_triggeredAlertsTotal = 0;
    quint64 m_triggeredAlertsColor = 0;
    quint64 m_triggeredAlertsSound = 0;
    quint64 m_triggeredAlertsIcon = 0;
    quint64 m_triggeredAlertsBalloon = 0;
    // Where the counters were read from; empty until attach().
    QString m_organization;
    QString m_application;
};

#endif // STATISTICS_H
