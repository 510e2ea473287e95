#ifndef STATS_H
#define STATS_H

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class Stats;
}
QT_END_NAMESPACE

class Statistics;

// Shows the usage counters as they were when it was filled; it does not
// follow them while open.
class Stats : public QDialog
{
    Q_OBJECT

public:
    explicit Stats(QWidget *parent = nullptr);
    ~Stats() override;

    // Fills all eight values from the counters.
    void setStatistics(const Statistics &statistics);

    void setProgramStartupCount(quint64 uiCount);
    void setTotalProcessedSpots(quint64 uiCount);
    void setDisplayedSpots(quint64 uiCount);
    void setTotalTriggeredAlerts(quint64 uiCount);
    void setTriggeredColorAlerts(quint64 uiCount);
    void setTriggeredSoundAlerts(quint64 uiCount);
    void setTriggeredIconAlerts(quint64 uiCount);
    void setTriggeredPopupAlerts(quint64 uiCount);

private:
    std::unique_ptr<Ui::Stats> m_ui;
};

#endif // STATS_H
