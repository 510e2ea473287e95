#include "Statistics.h"

#include "GuardedSettings.h"

#include "filters/ChainResult.h"

#include <QSettings>

#include <utility>

namespace {

Statistics *g_instance = nullptr;

const QString kGroup = QStringLiteral("Statistics");
const QString kLaunchCount = QStringLiteral("LaunchCount");
const QString kTotalProcessedSpots = QStringLiteral("TotalProcessedSpots");
const QString kDisplayedSpots = QStringLiteral("DisplayedSpots");
const QString kTriggeredAlertsTotal = QStringLiteral("TriggeredAlertsTotal");
const QString kTriggeredAlertsColor = QStringLiteral("TriggeredAlertsColor");
const QString kTriggeredAlertsSound = QStringLiteral("TriggeredAlertsSound");
const QString kTriggeredAlertsIcon = QStringLiteral("TriggeredAlertsIcon");
const QString kTriggeredAlertsBalloon = QStringLiteral("TriggeredAlertsBalloon");

} // namespace

Statistics *Statistics::instance()
{
    if (!g_instance)
        g_instance = new Statistics;
    return g_instance;
}

void Statistics::release()
{
    delete g_instance;
    g_instance = nullptr;
}

Statistics::~Statistics()
{
    save();
}

void Statistics::attach(const QString &qsOrganization, const QString &qsApplication)
{
    QSettings settings(QSettings::UserScope, qsOrganization, qsApplication);
    settings.beginGroup(kGroup);
    m_organization = qsOrganization;
    m_application = qsApplication;

    auto read = [&settings](const QString &qsKey) {
        return settings.value(qsKey, 0).toULongLong();
    };
    m_launchCount = read(kLaunchCount);
    m_totalProcessedSpots = read(kTotalProcessedSpots);
    m_displayedSpots = read(kDisplayedSpots);
    m_triggeredAlertsTotal = read(kTriggeredAlertsTotal);
    m_triggeredAlertsColor = read(kTriggeredAlertsColor);
    m_triggeredAlertsSound = read(kTriggeredAlertsSound);
    m_triggeredAlertsIcon = read(kTriggeredAlertsIcon);
    m_triggeredAlertsBalloon = read(kTriggeredAlertsBalloon);
}

void Statistics::save()
{
    if (m_application.isEmpty())
        return;
    // Saved whole or not at all: the counters must not take the rest of the
    // store with them when the disk is full.
    GuardedSettings settings(m_organization, std::exchange(m_application, {}));
    settings.beginGroup(kGroup);
    settings.setValue(kLaunchCount, m_launchCount);
    settings.setValue(kTotalProcessedSpots, m_totalProcessedSpots);
    settings.setValue(kDisplayedSpots, m_displayedSpots);
    settings.setValue(kTriggeredAlertsTotal, m_triggeredAlertsTotal);
    settings.setValue(kTriggeredAlertsColor, m_triggeredAlertsColor);
    settings.setValue(kTriggeredAlertsSound, m_triggeredAlertsSound);
    settings.setValue(kTriggeredAlertsIcon, m_triggeredAlertsIcon);
    settings.setValue(kTriggeredAlertsBalloon, m_triggeredAlertsBalloon);
    settings.endGroup();
    settings.commit();
}

void Statistics::countAlerts(const ChainResult &result)
{
    const quint64 uiColor = quint64(result.firings(AlertFlag::Color));
    const quint64 uiSound = quint64(result.firings(AlertFlag::Sound));
    const quint64 uiBalloon = quint64(result.firings(AlertFlag::Balloon));
    const quint64 uiIcon = quint64(result.firings(AlertFlag::Icon));
    m_triggeredAlertsColor += uiColor;
    m_triggeredAlertsSound += uiSound;
    m_triggeredAlertsBalloon += uiBalloon;
    m_triggeredAlertsIcon += uiIcon;
    m_triggeredAlertsTotal += uiColor + uiSound + uiBalloon + uiIcon;
}
