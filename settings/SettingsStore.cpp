#include "SettingsStore.h"

#include "API/QsLog/QsLog.h"

const QString SettingsStore::kOrganization = QStringLiteral("Tarrow");
const QString SettingsStore::kApplication = QStringLiteral("Kelvane");
const QString SettingsStore::kDefaultCountryFileUrl = QStringLiteral("https://www.country-files.com/cty/cty.dat");

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kCallsign = QStringLiteral("Callsign");
const QString kName = QStringLiteral("Name");
const QString kQth = QStringLiteral("QTH");
const QString kLocator = QStringLiteral("Locator");
const QString kDistanceInMiles = QStringLiteral("DistanceInMiles");
const QString kStartMinimized = QStringLiteral("StartMinimized");
const QString kAutoUpdate = QStringLiteral("AutoUpdate");
const QString kAutoUpdateNodes = QStringLiteral("AutoUpdateNodes");
const QString kAutoUpdateCountries = QStringLiteral("AutoUpdateCountries");
const QString kSeenTips = QStringLiteral("SeenTips");
const QString kUpdateServer = QStringLiteral("UpdateServer");
const QString kCountryFileUrl = QStringLiteral("CountryFileUrl");
const QString kDXpeditionsUrl = QStringLiteral("DXpeditionsUrl");

const QString kClusterNodes = QStringLiteral("Cluster Nodes");
const QString kVersion = QStringLiteral("Version");
const QString kAddress = QStringLiteral("Address");
const QString kPort = QStringLiteral("Port");
const QString kPassword = QStringLiteral("Password");
const QString kActive = QStringLiteral("Active");
const QString kFromList = QStringLiteral("FromList");
const QString kConnect = QStringLiteral("Connect");
const QString kSkimmerFeed = QStringLiteral("SkimmerFeed");
const QString kFallbackGroup = QStringLiteral("FallbackGroup");

const QString kCat = QStringLiteral("CAT");
const QString kHrdServer = QStringLiteral("HRDServer");
const QString kAttemptSplitDetection = QStringLiteral("AttemptSplitDetection");
const QString kHrdAddress = QStringLiteral("HRDAddress");
const QString kHrdPort = QStringLiteral("HRDPort");

const QString kLog = QStringLiteral("Log");
const QString kWatchedFile = QStringLiteral("WatchedFile");
const QString kWsjtxEnabled = QStringLiteral("WsjtxEnabled");
const QString kWsjtxPort = QStringLiteral("WsjtxPort");
const QString kWsjtxAddress = QStringLiteral("WsjtxAddress");
const QString kWsjtxGroup = QStringLiteral("WsjtxGroup");
const QString kCountry = QStringLiteral("Country");
const QString kFileVersion = QStringLiteral("FileVersion");
const QString kLastCheck = QStringLiteral("LastCheck");

const QString kSpotTable = QStringLiteral("Spot Table");
const QString kMergeDistance = QStringLiteral("MergeDistanceKHz");
const QString kMaxAge = QStringLiteral("MaxAgeMinutes");
const QString kFirstAnswerWait = QStringLiteral("FirstAnswerWaitSeconds");
// Limits that keep a hand-edited store from stalling the table or the login.
constexpr double kMaxMergeDistanceKHz = 100.0;
constexpr int kMaxAgeLimitMinutes = 7 * 24 * 60;
constexpr int kMaxFirstAnswerWaitSeconds = 600;

const QString kMainWindow = QStringLiteral("MainWindow");
const QString kGeometry = QStringLiteral("Geometry");
const QString kHeaderState = QStringLiteral("HeaderState");
const QString kState = QStringLiteral("State");

const QString kConsole = QStringLiteral("Console");
const QString kBell = QStringLiteral("Bell");
const QString kShowSpots = QStringLiteral("ShowSpots");

// The escape sequences; '%' itself is escaped inside an escaped name so that
// a name holding "%2F" next to a '/' comes back unchanged.
const QLatin1String kEscapedPercent("%25");
const QLatin1String kEscapedSlash("%2F");
const QLatin1String kEscapedBackslash("%5C");

// A hand-edited or damaged port would wrap to some other number when cast.
int storedPort(const QSettings &settings, const QString &qsKey, int iDefault)
{
    bool bOk = false;
    const int iPort = settings.value(qsKey, iDefault).toInt(&bOk);
    if (bOk && iPort >= 1 && iPort <= 65535)
        return iPort;
    QLOG_WARN() << "Port" << settings.value(qsKey).toString() << "in" << settings.group() << "is not 1 to 65535; using"
                << iDefault;
    return iDefault;
}

} // namespace

GuardedSettings SettingsStore::openStore()
{
    return GuardedSettings();
}

GeneralSettings SettingsStore::loadGeneral()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kGeneral);
    GeneralSettings general;
    general.callsign = settings.value(kCallsign).toString();
    general.name = settings.value(kName).toString();
    general.qth = settings.value(kQth).toString();
    general.locator = settings.value(kLocator).toString();
    general.distanceInMiles = settings.value(kDistanceInMiles, false).toBool();
    general.startMinimized = settings.value(kStartMinimized, false).toBool();
    general.autoUpdate = settings.value(kAutoUpdate, true).toBool();
    general.autoUpdateNodes = settings.value(kAutoUpdateNodes, true).toBool();
    general.autoUpdateCountries = settings.value(kAutoUpdateCountries, true).toBool();
    settings.endGroup();
    return general;
}

void SettingsStore::saveGeneral(const GeneralSettings &general)
{
    // Not a whole-group rewrite: the log keys and SeenTips have other writers.
    GuardedSettings settings = openStore();
    settings.beginGroup(kGeneral);
    settings.setValue(kCallsign, general.callsign);
    settings.setValue(kName, general.name);
    settings.setValue(kQth, general.qth);
    settings.setValue(kLocator, general.locator);
    settings.setValue(kDistanceInMiles, int(general.distanceInMiles));
    settings.setValue(kStartMinimized, int(general.startMinimized));
    settings.setValue(kAutoUpdate, int(general.autoUpdate));
    settings.setValue(kAutoUpdateNodes, int(general.autoUpdateNodes));
    settings.setValue(kAutoUpdateCountries, int(general.autoUpdateCountries));
    settings.endGroup();
}

int SettingsStore::seenTips()
{
    GuardedSettings settings = openStore();
    return settings.value(kGeneral + QLatin1Char('/') + kSeenTips, 0).toInt();
}

void SettingsStore::setSeenTips(int iSeenTips)
{
    GuardedSettings settings = openStore();
    settings.setValue(kGeneral + QLatin1Char('/') + kSeenTips, iSeenTips);
}

NodeList SettingsStore::loadNodes()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kClusterNodes);
    NodeList nodeList;
    nodeList.version = quint16(settings.value(kVersion, 0).toUInt());
    const QStringList groups = settings.childGroups();
    QList<qsizetype> withoutConnectKey;
    for (const QString &qsGroup : groups) {
        settings.beginGroup(qsGroup);
        ClusterNode node(settings.value(kName).toString(), settings.value(kAddress).toString(),
                         quint16(storedPort(settings, kPort, ClusterNode::kDefaultPort)),
                         settings.value(kPassword).toString(), settings.value(kActive, false).toBool());
        // Stores from before the marking hold only the user's own nodes.
        node.setFromList(settings.value(kFromList, false).toBool());
        if (settings.contains(kConnect))
            node.setConnected(settings.value(kConnect).toBool());
        else
            withoutConnectKey.append(nodeList.nodes.size());
        node.setSkimmerFeed(settings.value(kSkimmerFeed, false).toBool());
        node.setFallbackGroup(settings.value(kFallbackGroup).toString());
        settings.endGroup();
        nodeList.nodes.append(node);
        if (node.isActive())
            nodeList.activeIndex = int(nodeList.nodes.size() - 1);
    }
    settings.endGroup();
    // Without the key a node is connected as in the days of one connection:
    // when it is the active one.
    for (const qsizetype i : std::as_const(withoutConnectKey))
        nodeList.nodes[i].setConnected(i == nodeList.activeIndex);
    return nodeList;
}

void SettingsStore::saveNodes(const NodeList &nodeList)
{
    writeNodes(nodeList.version, nodeList.nodes, nodeList.activeIndex, false);
}

void SettingsStore::saveUpdatedNodes(quint16 uiVersion, const QList<ClusterNode> &nodes)
{
    writeNodes(uiVersion, nodes, -1, true);
}

quint16 SettingsStore::nodesVersion()
{
    GuardedSettings settings = openStore();
    return quint16(settings.value(kClusterNodes + QLatin1Char('/') + kVersion, 0).toUInt());
}

void SettingsStore::writeNodes(quint16 uiVersion, const QList<ClusterNode> &nodes, int iActiveIndex, bool bActiveForAll)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kClusterNodes);
    settings.setValue(kVersion, uint(uiVersion));
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        const ClusterNode &node = nodes.at(i);
        // An unnamed node would write its keys into the group itself.
        if (node.name().isEmpty()) {
            QLOG_WARN() << "Node without a name not saved:" << node.address();
            continue;
        }
        settings.beginGroup(escapeKey(node.name()));
        settings.setValue(kName, node.name());
        settings.setValue(kAddress, node.address());
        settings.setValue(kPort, uint(node.port()));
        settings.setValue(kPassword, node.password());
        if (node.isFromList())
            settings.setValue(kFromList, 1);
        if (bActiveForAll)
            settings.setValue(kActive, int(node.isActive()));
        else if (i == iActiveIndex)
            settings.setValue(kActive, 1);
        // Written only where it says more than Active does, so a list of
        // one connected node reads the same in a version without the key.
        const bool bActive = bActiveForAll ? node.isActive() : i == iActiveIndex;
        if (node.isConnected() != bActive)
            settings.setValue(kConnect, int(node.isConnected()));
        if (node.isSkimmerFeed())
            settings.setValue(kSkimmerFeed, 1);
        if (!node.fallbackGroup().isEmpty())
            settings.setValue(kFallbackGroup, node.fallbackGroup());
        settings.endGroup();
    }
    settings.removeUnset();
    settings.endGroup();
}

CatSettings SettingsStore::loadCat()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kCat);
    CatSettings cat;
    cat.hrdServer = settings.value(kHrdServer, false).toBool();
    cat.attemptSplitDetection = settings.value(kAttemptSplitDetection, false).toBool();
    cat.hrdAddress = settings.value(kHrdAddress, QStringLiteral("localhost")).toString();
    cat.hrdPort = storedPort(settings, kHrdPort, 7809);
    settings.endGroup();
    return cat;
}

void SettingsStore::saveCat(const CatSettings &cat)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kCat);
    settings.setValue(kHrdServer, int(cat.hrdServer));
    settings.setValue(kAttemptSplitDetection, int(cat.attemptSplitDetection));
    settings.setValue(kHrdAddress, cat.hrdAddress);
    settings.setValue(kHrdPort, cat.hrdPort);
    settings.endGroup();
}

LogSettings SettingsStore::loadLog()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kLog);
    LogSettings log;
    log.watchedFile = settings.value(kWatchedFile).toString();
    log.wsjtxEnabled = settings.value(kWsjtxEnabled, false).toBool();
    log.wsjtxPort = quint16(storedPort(settings, kWsjtxPort, LogSettings::kDefaultWsjtxPort));
    log.wsjtxAddress = settings.value(kWsjtxAddress, log.wsjtxAddress).toString();
    log.wsjtxGroup = settings.value(kWsjtxGroup).toString();
    settings.endGroup();
    return log;
}

void SettingsStore::saveLog(const LogSettings &log)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kLog);
    settings.setValue(kWatchedFile, log.watchedFile);
    settings.setValue(kWsjtxEnabled, int(log.wsjtxEnabled));
    settings.setValue(kWsjtxPort, log.wsjtxPort);
    settings.setValue(kWsjtxAddress, log.wsjtxAddress);
    settings.setValue(kWsjtxGroup, log.wsjtxGroup);
    settings.endGroup();
}

uint SettingsStore::countryVersion()
{
    GuardedSettings settings = openStore();
    return settings.value(kCountry + QLatin1Char('/') + kVersion, 0).toUInt();
}

void SettingsStore::setCountryVersion(uint uiVersion)
{
    GuardedSettings settings = openStore();
    settings.setValue(kCountry + QLatin1Char('/') + kVersion, uiVersion);
}

uint SettingsStore::countryFileVersion()
{
    GuardedSettings settings = openStore();
    return settings.value(kCountry + QLatin1Char('/') + kFileVersion, 0).toUInt();
}

void SettingsStore::setCountryFileVersion(uint uiVersion)
{
    GuardedSettings settings = openStore();
    settings.setValue(kCountry + QLatin1Char('/') + kFileVersion, uiVersion);
}

QDate SettingsStore::countryCheckDate()
{
    GuardedSettings settings = openStore();
    return QDate::fromString(settings.value(kCountry + QLatin1Char('/') + kLastCheck).toString(), Qt::ISODate);
}

void SettingsStore::setCountryCheckDate(const QDate &date)
{
    GuardedSettings settings = openStore();
    settings.setValue(kCountry + QLatin1Char('/') + kLastCheck, date.toString(Qt::ISODate));
}

UpdateSources SettingsStore::loadUpdateSources()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kGeneral);
    UpdateSources sources;
    sources.updateServer = settings.value(kUpdateServer).toString().trimmed();
    sources.countryFileUrl = settings.value(kCountryFileUrl, kDefaultCountryFileUrl).toString().trimmed();
    sources.dxpeditionsUrl = settings.value(kDXpeditionsUrl).toString().trimmed();
    settings.endGroup();
    return sources;
}

void SettingsStore::saveUpdateSources(const UpdateSources &sources)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kGeneral);
    settings.setValue(kUpdateServer, sources.updateServer.trimmed());
    settings.setValue(kCountryFileUrl, sources.countryFileUrl.trimmed());
    settings.setValue(kDXpeditionsUrl, sources.dxpeditionsUrl.trimmed());
    settings.endGroup();
}

QString SettingsStore::updateServer()
{
    QString qsServer = loadUpdateSources().updateServer;
    while (qsServer.endsWith(QLatin1Char('/')))
        qsServer.chop(1);
    return qsServer;
}

QString SettingsStore::dxpeditionsUrl()
{
    const UpdateSources sources = loadUpdateSources();
    if (!sources.dxpeditionsUrl.isEmpty())
        return sources.dxpeditionsUrl;
    const QString qsServer = updateServer();
    return qsServer.isEmpty() ? QString() : qsServer + QStringLiteral("/Kelvane/dxpeditions.xml");
}

QString SettingsStore::escapeKey(const QString &qsName)
{
    if (!qsName.contains(QLatin1Char('/')) && !qsName.contains(QLatin1Char('\\')))
        return qsName;
    QString qsKey;
    qsKey.reserve(qsName.size() + 8);
    for (const QChar c : qsName) {
        if (c == QLatin1Char('%'))
            qsKey.append(kEscapedPercent);
        else if (c == QLatin1Char('/'))
            qsKey.append(kEscapedSlash);
        else if (c == QLatin1Char('\\'))
            qsKey.append(kEscapedBackslash);
        else
            qsKey.append(c);
    }
    return qsKey;
}

QString SettingsStore::unescapeKey(const QString &qsKey)
{
    // Only an escaped name holds an escaped separator; any other key was
    // stored as it stands, '%' and all.
    if (!qsKey.contains(kEscapedSlash) && !qsKey.contains(kEscapedBackslash))
        return qsKey;
    QString qsName;
    qsName.reserve(qsKey.size());
    for (qsizetype i = 0; i < qsKey.size(); ++i) {
        const QStringView rest = QStringView(qsKey).mid(i);
        if (rest.startsWith(kEscapedPercent)) {
            qsName.append(QLatin1Char('%'));
            i += 2;
        } else if (rest.startsWith(kEscapedSlash)) {
            qsName.append(QLatin1Char('/'));
            i += 2;
        } else if (rest.startsWith(kEscapedBackslash)) {
            qsName.append(QLatin1Char('\\'));
            i += 2;
        } else {
            qsName.append(qsKey.at(i));
        }
    }
    return qsName;
}

SpotTableSettings SettingsStore::loadSpotTable()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kSpotTable);
    SpotTableSettings spotTable;
    bool bOk = false;
    const double dDistance = settings.value(kMergeDistance, spotTable.mergeDistanceKHz).toDouble(&bOk);
    if (bOk && dDistance >= 0.0 && dDistance <= kMaxMergeDistanceKHz)
        spotTable.mergeDistanceKHz = dDistance;
    const int iAge = settings.value(kMaxAge, spotTable.maxAgeMinutes).toInt(&bOk);
    if (bOk && iAge >= 0 && iAge <= kMaxAgeLimitMinutes)
        spotTable.maxAgeMinutes = iAge;
    const int iWait = settings.value(kFirstAnswerWait, spotTable.firstAnswerWaitSeconds).toInt(&bOk);
    if (bOk && iWait > 0 && iWait <= kMaxFirstAnswerWaitSeconds)
        spotTable.firstAnswerWaitSeconds = iWait;
    return spotTable;
}

void SettingsStore::saveSpotTable(const SpotTableSettings &spotTable)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kSpotTable);
    settings.setValue(kMergeDistance, spotTable.mergeDistanceKHz);
    settings.setValue(kMaxAge, spotTable.maxAgeMinutes);
    settings.setValue(kFirstAnswerWait, spotTable.firstAnswerWaitSeconds);
}

WindowLayout SettingsStore::loadWindowLayout()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kMainWindow);
    return {settings.value(kGeometry).toByteArray(), settings.value(kHeaderState).toByteArray(),
            settings.value(kState).toByteArray()};
}

void SettingsStore::saveWindowLayout(const WindowLayout &layout)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kMainWindow);
    settings.setValue(kGeometry, layout.geometry);
    settings.setValue(kHeaderState, layout.headerState);
    settings.setValue(kState, layout.state);
}

ConsoleSettings SettingsStore::loadConsole()
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kConsole);
    const ConsoleSettings defaults;
    return {settings.value(kBell, int(defaults.bell)).toInt() != 0,
            settings.value(kShowSpots, int(defaults.showSpots)).toInt() != 0};
}

void SettingsStore::saveConsole(const ConsoleSettings &console)
{
    GuardedSettings settings = openStore();
    settings.beginGroup(kConsole);
    settings.setValue(kBell, int(console.bell));
    settings.setValue(kShowSpots, int(console.showSpots));
}
