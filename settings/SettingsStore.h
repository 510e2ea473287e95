#ifndef SETTINGSSTORE_H
#define SETTINGSSTORE_H

#include "ClusterNode.h"

#include "log/LogSettings.h"

#include "GuardedSettings.h"
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// Station data and the start-up and update flags of the General group.
struct GeneralSettings
{
    QString callsign;
    QString name;
    QString qth;
    QString locator;
    bool startMinimized = false;
    bool autoUpdate = true;
    bool autoUpdateNodes = true;
    bool autoUpdateCountries = true;
    bool distanceInMiles = false;
};

// Where the update checks fetch from. An empty update server turns off the
// checks that need it; an empty country file address turns off that check.
struct UpdateSources
{
    QString updateServer;
    QString countryFileUrl;
    // Empty: the list on the update server, if one is set.
    QString dxpeditionsUrl;
};

// Rig control through the Ham Radio Deluxe server.
struct CatSettings
{
    bool hrdServer = false;
    bool attemptSplitDetection = false;
    QString hrdAddress = QStringLiteral("localhost");
    int hrdPort = 7809;
};

// How the spot table merges and ages rows and how long the first answer to
// the earlier-spots requests may take.
struct SpotTableSettings
{
    double mergeDistanceKHz = 1.0;
    int maxAgeMinutes = 30; // 0: rows never age out
    int firstAnswerWaitSeconds = 30;
};

// The main window's frame and table header, as Qt saves them, and its
// docks and toolbars (empty in stores written before the docks).
struct WindowLayout
{
    QByteArray geometry;
    QByteArray headerState;
    QByteArray state;
};

// The node console's switches.
struct ConsoleSettings
{
    bool bell = true;
    bool showSpots = false;
};

// The configured nodes in store order; activeIndex is -1 when no node is active.
struct NodeList
{
    quint16 version = 0;
    QList<ClusterNode> nodes;
    int activeIndex = -1;
};

// The layout of the per-user settings store: which group holds which key,
// with what type and default. Every call opens the store for that one
// operation, so nothing here caches a value another writer may change.
class SettingsStore
{
public:
    static const QString kOrganization;
    static const QString kApplication;

    // The per-user store, opened for one operation.
    static GuardedSettings openStore();

    static GeneralSettings loadGeneral();
    static void saveGeneral(const GeneralSettings &general);
    static int seenTips();
    static void setSeenTips(int iSeenTips);

    static NodeList loadNodes();
    // The settings dialog's form: Active is written for the active node only.
    static void saveNodes(const NodeList &nodeList);
    // The updater's form: Active is written for every node, 0 or 1.
    static void saveUpdatedNodes(quint16 uiVersion, const QList<ClusterNode> &nodes);
    static quint16 nodesVersion();

    static CatSettings loadCat();
    static void saveCat(const CatSettings &cat);

    static LogSettings loadLog();
    static void saveLog(const LogSettings &log);

    // Out-of-range values read as their defaults.
    static SpotTableSettings loadSpotTable();
    static void saveSpotTable(const SpotTableSettings &spotTable);
    static WindowLayout loadWindowLayout();
    static void saveWindowLayout(const WindowLayout &layout);
    static ConsoleSettings loadConsole();
    static void saveConsole(const ConsoleSettings &console);

    static uint countryVersion();
    static void setCountryVersion(uint uiVersion);
    // The yyyymmdd version of the imported country file, 0 when unknown.
    static uint countryFileVersion();
    static void setCountryFileVersion(uint uiVersion);
    // The day the country file address was last checked.
    static QDate countryCheckDate();
    static void setCountryCheckDate(const QDate &date);

    static const QString kDefaultCountryFileUrl;
    static UpdateSources loadUpdateSources();
    static void saveUpdateSources(const UpdateSources &sources);
    // The update server without trailing '/', empty when none is set.
    static QString updateServer();
    // Where the DXpeditions list comes from, empty when from nowhere.
    static QString dxpeditionsUrl();

    // A name used as a key or group name in the store: '/' and '\' would
    // split it into nested groups, so names holding them are escaped
    // reversibly; every other name is stored as it stands, so stores written
    // before the escaping still read.
    static QString escapeKey(const QString &qsName);
    static QString unescapeKey(const QString &qsKey);

private:
    static void writeNodes(quint16 uiVersion, const QList<ClusterNode> &nodes, int iActiveIndex, bool bActiveForAll);
};

#endif // SETTINGSSTORE_H
