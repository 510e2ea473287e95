#include "Stats.h"
#include "ui_Stats.h"

#include "Statistics.h"

Stats::Stats(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::Stats>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    connect(m_ui->pushButtonClose, &QPushButton::clicked, this, &Stats::accept);
}

Stats::~Stats() = default;

void Stats::setStatistics(const Statistics &statistics)
{
    setProgramStartupCount(statistics.launchCount());
    setTotalProcessedSpots(statistics.totalProcessedSpots());
    setDisplayedSpots(statistics.displayedSpots());
    setTotalTriggeredAlerts(statistics.triggeredAlertsTotal());
    setTriggeredColorAlerts(statistics.triggeredAlertsColor());
    setTriggeredSoundAlerts(statistics.triggeredAlertsSound());
    setTriggeredIconAlerts(statistics.triggeredAlertsIcon());
    setTriggeredPopupAlerts(statistics.triggeredAlertsBalloon());
}

void Stats::setProgramStartupCount(quint64 uiCount)
{
    m_ui->labelProgramStartupCountValue->setText(QString::number(uiCount));
}

void Stats::setTotalProcessedSpots(quint64 uiCount)
{
    m_ui->labelTotalProcessedSpotsValue->setText(QString::number(uiCount));
}

void Stats::setDisplayedSpots(quint64 uiCount)
{
    m_ui->labelDisplayedSpotsValue->setText(QString::number(uiCount));
}

void Stats::setTotalTriggeredAlerts(quint64 uiCount)
{
    m_ui->labelTotalTriggeredAlertsValue->setText(QString::number(uiCount));
}

void Stats::setTriggeredColorAlerts(quint64 uiCount)
{
    m_ui->labelTriggeredColorAlertsValue->setText(QString::number(uiCount));
}

void Stats::setTriggeredSoundAlerts(quint64 uiCount)
{
    m_ui->labelTriggeredSoundAlertsValue->setText(QString::number(uiCount));
}

void Stats::setTriggeredIconAlerts(quint64 uiCount)
{
    m_ui->labelTriggeredIconAlertsValue->setText(QString::number(uiCount));
}

void Stats::setTriggeredPopupAlerts(quint64 uiCount)
{
    m_ui->labelTriggeredPopupAlertsValue->setText(QString::number(uiCount));
}
