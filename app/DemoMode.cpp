#include "DemoMode.h"

#include "filters/Filter.h"
#include "filters/FilterChains.h"
#include "log/LogStore.h"
#include "settings/FilterStore.h"
#include "settings/SettingsStore.h"
#include "testnode/SpotGenerator.h"
#include "testnode/TestNode.h"

#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QSettings>
#include <QStandardPaths>

#include <cstring>

namespace {
constexpr double kSpotsPerSecond = 1.5;
// KELVANE_DEMO_RATE may raise the rate to look at a busy feed.
constexpr double kMaxSpotsPerSecond = 1000.0;
constexpr int kHistorySpots = 120;
constexpr double kRespotShare = 0.4;
constexpr int kHistorySpacingSecs = 30;
// Now and then a line for the node console besides the spots.
constexpr int kBulletinIntervalMs = 40000;
const QString kDemoCall = QStringLiteral("Q1DEMO");
// The feed reports fewer stations than the node carries spots.
constexpr double kSkimmerShare = 0.5;
// Skimmers mis-read a call now and then, as real ones do; the table hides
// those by default, and the Skimmers settings page shows them.
constexpr double kSkimmerBustedShare = 0.1;

struct DemoAlert
{
    const char *country;
    QColor color;
    AlertFlags kinds;
    const char *icon;
};

// Alerts on countries the generator spots often enough to show each kind
// within the first minute.
const DemoAlert kDemoAlerts[] = {
    {"Japan", QColor(255, 236, 179), AlertFlag::Color, nullptr},
    {"Canada", QColor(200, 230, 201), AlertFlag::Color, nullptr},
    {"Italy", QColor(187, 222, 251), AlertFlag::Color | AlertFlag::Icon, ":/ico/star_blue.png"},
    {"Brazil", QColor(), AlertFlag::Icon | AlertFlag::Balloon, ":/ico/exclamation_red.png"},
};
} // namespace

bool DemoMode::isRequested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0)
            return true;
    }
    return false;
}

QString DemoMode::profileFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/demo-profile");
}

void DemoMode::useDemoProfile()
{
    QDir().mkpath(profileFolder());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profileFolder());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profileFolder());
    LogStore::setProfileFolder(profileFolder());
}

DemoMode::DemoMode(QObject *parent) : QObject(parent)
{
}

DemoMode::~DemoMode() = default;

bool DemoMode::start()
{
    // The node's own chatter would drown the program's log; warnings stay.
    QLoggingCategory::setFilterRules(QStringLiteral("kelvane.testnode*.info=false"));
    m_node = new TestNode(this);
    if (!m_node->listen())
        return false;
    SpotGenerator generator {quint32(QDateTime::currentSecsSinceEpoch())};
    m_node->preloadSpots(generator.generateHistory(kHistorySpots, kHistorySpacingSecs));
    // A busy node spots the same stations again and again.
    m_node->setRespotShare(kRespotShare);
    m_node->startGeneratorStream(spotsPerSecond(), 0, quint32(QDateTime::currentMSecsSinceEpoch()));
    m_node->startBulletins(kBulletinIntervalMs);

    // Beside the node a skimmer feed, as operators keep one open: its
    // spots merge into the same table, with dB and WPM.
    m_skimmer = new TestNode(this);
    m_skimmer->setKind(TestNode::Kind::SkimmerFeed);
    m_skimmer->setNodeCall(QStringLiteral("Q1SKIM"));
    if (!m_skimmer->listen())
        return false;
    m_skimmer->setBustedShare(kSkimmerBustedShare);
    m_skimmer->startScheduledStream(spotsPerSecond() * kSkimmerShare, quint32(QDateTime::currentSecsSinceEpoch()), 0);
    writeProfile();
    return true;
}

double DemoMode::spotsPerSecond()
{
    const QByteArray baRate = qgetenv("KELVANE_DEMO_RATE");
    if (baRate.isEmpty())
        return kSpotsPerSecond;
    bool bOk = false;
    const double dRate = baRate.toDouble(&bOk);
    if (!bOk || dRate <= 0.0 || dRate > kMaxSpotsPerSecond) {
        qWarning("KELVANE_DEMO_RATE must be a number of spots per second above 0 and up to %g; using %g.",
                 kMaxSpotsPerSecond, kSpotsPerSecond);
        return kSpotsPerSecond;
    }
    return dRate;
}

void DemoMode::showDocks(QMainWindow &window)
{
    for (QDockWidget *pDock : window.findChildren<QDockWidget *>())
        pDock->show();
}

quint16 DemoMode::port() const
{
    return m_node ? m_node->port() : 0;
}

quint16 DemoMode::skimmerPort() const
{
    return m_skimmer ? m_skimmer->port() : 0;
}

void DemoMode::writeProfile()
{
    GeneralSettings general = SettingsStore::loadGeneral();
    general.callsign = kDemoCall;
    general.name = QStringLiteral("Demo");
    general.qth = QStringLiteral("Testtown");
    general.locator = QStringLiteral("JO62QM");
    // The demo runs offline: nothing to fetch, and it never starts hidden.
    general.startMinimized = false;
    general.autoUpdate = false;
    general.autoUpdateNodes = false;
    general.autoUpdateCountries = false;
    SettingsStore::saveGeneral(general);

    // The node and the feed listen on new ports every run.
    NodeList nodes;
    ClusterNode node(tr("Demo node"), QStringLiteral("127.0.0.1"), port(), QString(), true);
    node.setConnected(true);
    nodes.nodes.append(node);
    ClusterNode skimmer(tr("Demo skimmers"), QStringLiteral("127.0.0.1"), skimmerPort(), QString(), false);
    skimmer.setConnected(true);
    skimmer.setSkimmerFeed(true);
    nodes.nodes.append(skimmer);
    nodes.activeIndex = 0;
    SettingsStore::saveNodes(nodes);

    QSettings settings(QSettings::UserScope, SettingsStore::kOrganization, SettingsStore::kApplication);
    if (settings.childGroups().contains(QStringLiteral("Alerts")))
        return;
    FilterChains rules;
    int iIndex = 0;
    for (const DemoAlert &alert : kDemoAlerts) {
        auto pAlert = std::make_unique<Filter>(Filter::Country | Filter::Accept, alert.kinds);
        pAlert->setCountryFilterValue(QString::fromLatin1(alert.country));
        if (alert.color.isValid())
            pAlert->setAlertColor(alert.color);
        if (alert.icon)
            pAlert->setIconFile(QString::fromLatin1(alert.icon));
        rules.addAlert(std::move(pAlert), iIndex++);
    }
    FilterStore::saveChains(rules);
}
