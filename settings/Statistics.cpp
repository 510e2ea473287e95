#include "Statistics.h"

#include "SettingsBackup.h"

#include "filters/ChainResult.h"

#include <QSettings>

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
    m_settings = std::make_unique<QSettings>(QSettings::UserScope, qsOrganization, qsApplication);
    m_settings->beginGroup(kGroup);

    auto read = [this](const QString &qsKey) {
        return m_settings->value(qsKey, 0).toULongLong();
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
    if (!m_settings)
        return;
    m_settings->setValue(kLaunchCount, m_launchCount);
    m_settings->setValue(kTotalProcessedSpots, m_totalProcessedSpots);
    m_settings->setValue(kDisplayedSpots, m_displayedSpots);
    m_settings->setValue(kTriggeredAlertsTotal, m_triggeredAlertsTotal);
    m_settings->setValue(kTriggeredAlertsColor, m_triggeredAlertsColor);
    m_settings->setValue(kTriggeredAlertsSound, m_triggeredAlertsSound);
    m_settings->setValue(kTriggeredAlertsIcon, m_triggeredAlertsIcon);
    m_settings->setValue(kTriggeredAlertsBalloon, m_triggeredAlertsBalloon);
    m_settings->endGroup();
    m_settings->sync();
    SettingsBackup::verifySaved(*m_settings);
    m_settings.reset();
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
