#include "TestSupport.h"

#include "filters/FilterChains.h"
#include "settings/AutostartEntry.h"
#include "settings/FilterStore.h"
#include "settings/NodeListMerge.h"
#include "settings/ProgramRuleContext.h"
#include "settings/PublicNodes.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsStore.h"
#include "settings/Statistics.h"
#include "settings/WorkedSets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

using TestSupport::store;

// Round trips of every settings group and the store's edge cases.
class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void emptyStoreGivesDefaults();
    void generalAndCatRoundTrip();
    void nodeListRoundTrip();
    void nodeListEdgeCases();
    void publicNodesAndAddingThem();
    void keyEscaping_data();
    void keyEscaping();
    void workedSets();
    void autostartEntry();
    void chainsRoundTrip();
    void chainsFromDamagedOrPartialStores();
    void unchangedSaveLeavesTheFile();
    void fullDiskKeepsTheStore();
    void fullDiskAtExitCutsNothing();
    void damagedStoreRestoredAtStart();
    void killDuringSaveLosesNothing();

private:
    QTemporaryDir m_configHome;
};

void TestSettingsStore::initTestCase()
{
    // Run by hand, outside CTest, the test must not clear the operator's store.
    if (!qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        QVERIFY(m_configHome.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    }
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
}

void TestSettingsStore::init()
{
    store().clear();
    QFile::remove(AutostartEntry::filePath());
}

void TestSettingsStore::emptyStoreGivesDefaults()
{
    const GeneralSettings general = SettingsStore::loadGeneral();
    QVERIFY(general.autoUpdate && general.autoUpdateNodes && general.autoUpdateCountries);
    // No placeholder server; the country file comes from its publisher.
    QVERIFY(SettingsStore::updateServer().isEmpty());
    QVERIFY(SettingsStore::dxpeditionsUrl().isEmpty());
    QCOMPARE(SettingsStore::loadUpdateSources().countryFileUrl, SettingsStore::kDefaultCountryFileUrl);
    QCOMPARE(SettingsStore::loadNodes().activeIndex, -1);
    const CatSettings cat = SettingsStore::loadCat();
    QCOMPARE(cat.hrdAddress, QStringLiteral("localhost"));
    QCOMPARE(cat.hrdPort, 7809);

    FilterChains cluster;
    cluster.addFilter(std::make_unique<Filter>(Filter::Call | Filter::Drop), -1);
    FilterStore::loadChains(cluster, nullptr);
    QCOMPARE(cluster.filterCount(), 0);
    QCOMPARE(cluster.bandFilter()->bandFilterValue(), int(Filter::AllBands));
    // No stored action: the chain acts as the dialog shows it, Accept.
    QCOMPARE(cluster.defaultFilter(), int(Filter::Accept));
}

void TestSettingsStore::generalAndCatRoundTrip()
{
    store().setValue("General/LogLevel", 2);
    const GeneralSettings general {"DL1ABC", "Anna", "Bonn", "JO30", true, false, true, false};
    SettingsStore::saveGeneral(general);
    SettingsStore::setSeenTips(-1);
    const CatSettings cat {true, true, "rig.local", 7810};
    SettingsStore::saveCat(cat);
    SettingsStore::setCountryVersion(42);

    const GeneralSettings loaded = SettingsStore::loadGeneral();
    QCOMPARE(loaded.callsign, general.callsign);
    QVERIFY(loaded.startMinimized && !loaded.autoUpdate && loaded.autoUpdateNodes && !loaded.autoUpdateCountries);
    QCOMPARE(SettingsStore::seenTips(), -1);
    const CatSettings loadedCat = SettingsStore::loadCat();
    QVERIFY(loadedCat.hrdServer && loadedCat.attemptSplitDetection);
    QCOMPARE(loadedCat.hrdPort, cat.hrdPort);
    QCOMPARE(SettingsStore::countryVersion(), 42u);
    // The log group: UDP reports off, on the usual port of loopback, until set.
    QCOMPARE(SettingsStore::loadLog().wsjtxPort, LogSettings::kDefaultWsjtxPort);
    QCOMPARE(SettingsStore::loadLog().wsjtxAddress, QStringLiteral("127.0.0.1"));
    SettingsStore::saveLog(
        {QStringLiteral("/logs/my.adi"), true, 2238, QStringLiteral("0.0.0.0"), QStringLiteral("224.0.0.1")});
    const LogSettings loadedLog = SettingsStore::loadLog();
    QVERIFY(loadedLog.wsjtxEnabled);
    QCOMPARE(loadedLog.watchedFile, QStringLiteral("/logs/my.adi"));
    QCOMPARE(loadedLog.wsjtxGroup, QStringLiteral("224.0.0.1"));
    QCOMPARE(store().value("Log/WsjtxPort").toInt(), 2238);
    // Booleans are the integers 0 and 1; keys of other writers stay.
    QCOMPARE(store().value("General/StartMinimized").toString(), QStringLiteral("1"));
    QCOMPARE(store().value("CAT/HRDServer").toString(), QStringLiteral("1"));
    QCOMPARE(store().value("General/LogLevel").toInt(), 2);
}

void TestSettingsStore::nodeListRoundTrip()
{
    NodeList nodeList;
    nodeList.version = 7;
    nodeList.nodes = {ClusterNode("Alpha", "alpha.example", 7300, "", false),
                      ClusterNode("Beta/Gamma\\Delta", "beta.example", 8000, "s3cret", true),
                      ClusterNode("Zulu", "zulu.example", 23, "", false)};
    nodeList.activeIndex = 1;

    SettingsStore::saveNodes(nodeList);
    NodeList loaded = SettingsStore::loadNodes();
    QCOMPARE(loaded.version, quint16(7));
    QCOMPARE(loaded.nodes, nodeList.nodes);
    QCOMPARE(loaded.activeIndex, 1);
    QVERIFY(!store().contains("Cluster Nodes/Alpha/Active"));

    // The updater writes Active for every node; both forms read back the same.
    SettingsStore::saveUpdatedNodes(7, nodeList.nodes);
    QCOMPARE(store().value("Cluster Nodes/Alpha/Active").toString(), QStringLiteral("0"));
    loaded = SettingsStore::loadNodes();
    QCOMPARE(loaded.nodes, nodeList.nodes);
    QCOMPARE(loaded.activeIndex, 1);
    QCOMPARE(SettingsStore::nodesVersion(), quint16(7));
}

void TestSettingsStore::publicNodesAndAddingThem()
{
    // The built-in list: every node line of the shipped file, both beacon
    // network feeds among them.
    const QList<PublicNodes::Entry> entries = PublicNodes::bundled();
    QVERIFY(entries.size() >= 20);
    const auto rbn = std::find_if(entries.begin(), entries.end(), [](const PublicNodes::Entry &entry) {
        return entry.call == QLatin1String("RBN-DIGI");
    });
    QVERIFY(rbn != entries.end());
    QCOMPARE(rbn->port, quint16(7001));
    QVERIFY(rbn->note.contains(QLatin1String("FT8")));
    // Lines without a host or a usable port are skipped.
    QCOMPARE(PublicNodes::parse("# c\nA1\ta.example\t23\nB1\t\t23\nC1\tc.example\t70000\nD1\td.example\tx\n").size(),
             1);

    // Picked nodes join a list without an active node: the first becomes
    // active, a name already there is skipped, all are marked as from a list.
    NodeList nodeList;
    nodeList.nodes = {ClusterNode("Mine", "mine.example", 7300, "pw", false)};
    const QList<ClusterNode> picked = {PublicNodes::toNode(entries.at(0)), PublicNodes::toNode(*rbn),
                                       ClusterNode("Mine", "other.example", 23, "", false)};
    QCOMPARE(NodeListMerge::add(&nodeList, picked), 2);
    QCOMPARE(nodeList.activeIndex, 1);
    QCOMPARE(nodeList.nodes.at(1).name(), entries.at(0).call);
    QCOMPARE(nodeList.nodes.at(0).address(), QStringLiteral("mine.example"));
    SettingsStore::saveNodes(nodeList);
    // The store sorts by name.
    const NodeList loaded = SettingsStore::loadNodes();
    QCOMPARE(loaded.nodes.at(loaded.activeIndex).name(), entries.at(0).call);
    QVERIFY(loaded.nodes.at(loaded.activeIndex).isFromList() && !loaded.nodes.at(0).isFromList());
    // With an active node, new ones only join.
    nodeList = loaded;
    QCOMPARE(NodeListMerge::add(&nodeList, {PublicNodes::toNode(entries.at(2))}), 1);
    QCOMPARE(nodeList.activeIndex, loaded.activeIndex);
}

void TestSettingsStore::nodeListEdgeCases()
{
    NodeList nodeList;
    nodeList.nodes = {ClusterNode("Same", "first.example", 7300, "", false),
                      ClusterNode("Same", "second.example", 7301, "", false),
                      ClusterNode("", "unnamed.example", 7300, "", false)};
    SettingsStore::saveNodes(nodeList);
    NodeList loaded = SettingsStore::loadNodes();
    QCOMPARE(loaded.nodes.size(), 1);
    QCOMPARE(loaded.nodes.first().address(), QStringLiteral("second.example"));

    {
        QSettings settings = store();
        settings.remove("Cluster Nodes/Same/Port");
        settings.setValue("Cluster Nodes/Wide/Port", 70000);
        settings.setValue("CAT/HRDPort", 0);
        settings.setValue("Cluster Nodes/Wide/Active", 1);
        settings.setValue("Cluster Nodes/Xray/Active", "true");
    }
    loaded = SettingsStore::loadNodes();
    QCOMPARE(loaded.nodes.size(), 3);
    QCOMPARE(loaded.nodes.at(0).port(), quint16(7300));
    QCOMPARE(loaded.nodes.at(1).port(), ClusterNode::kDefaultPort); // not wrapped
    QCOMPARE(SettingsStore::loadCat().hrdPort, 7809);
    // With two nodes marked active, the later one is.
    QCOMPARE(loaded.activeIndex, 2);
}

void TestSettingsStore::keyEscaping_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "St. Kitts & Nevis";
    QTest::newRow("apostrophe") << "Cote d'Ivoire";
    QTest::newRow("slash") << "Heard/McDonald";
    QTest::newRow("backslash") << "A\\B";
    QTest::newRow("slashes at the ends") << "/Both/";
    QTest::newRow("percent beside slash") << "50%/%2F%25";
    QTest::newRow("percent alone") << "100%";
}

void TestSettingsStore::keyEscaping()
{
    QFETCH(QString, name);
    const QString qsKey = SettingsStore::escapeKey(name);
    QVERIFY(!qsKey.contains(QLatin1Char('/')) && !qsKey.contains(QLatin1Char('\\')));
    QCOMPARE(SettingsStore::unescapeKey(qsKey), name);
    if (!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')))
        QCOMPARE(qsKey, name);

    WorkedSets sets;
    sets.setWorked(name);
    sets.save();
    sets.load();
    QCOMPARE(sets.workedCount(), 1);
    QCOMPARE(sets.workedNameAt(0), name);
}

void TestSettingsStore::workedSets()
{
    const QStringList countries = {"Fed. Rep. of Germany", "Cote d'Ivoire", "Alaska", "alpha", "Zanzibar"};
    QVERIFY(WorkedSets::fillNotWorkedOnFirstRun(countries));
    QVERIFY(!WorkedSets::fillNotWorkedOnFirstRun({"Elsewhere"}));

    WorkedSets sets;
    sets.load();
    QCOMPARE(sets.notWorkedCount(), 5);
    // Code-unit order: upper case before lower case.
    QCOMPARE(sets.notWorkedNameAt(0), QStringLiteral("Alaska"));
    QCOMPARE(sets.notWorkedNameAt(4), QStringLiteral("alpha"));
    QCOMPARE(sets.notWorkedNameAt(-1), QString());

    const WorkedSets::CountrySet *pWorked = &sets.workedCountries();
    for (const char *pName : {"Alaska", "Cote d'Ivoire", "Zanzibar"})
        sets.setWorked(QString::fromLatin1(pName));
    sets.setNotWorked(QStringLiteral("Zanzibar"));
    QCOMPARE(sets.workedCount(), 2);
    sets.save();
    QVERIFY(store().contains("Worked/Cote d'Ivoire"));
    QVERIFY(!store().contains("Not Worked/Alaska"));

    // Cancel: the stored state replaces moves made since, in the same maps.
    sets.setWorked(QStringLiteral("alpha"));
    sets.load();
    QCOMPARE(&sets.workedCountries(), pWorked);
    QCOMPARE(sets.workedCount(), 2);
    QCOMPARE(sets.notWorkedCount(), 3);

    // All worked: the next start must not put every name in both sets.
    for (const QString &qsName : countries)
        sets.setWorked(qsName);
    sets.save();
    QVERIFY(!WorkedSets::fillNotWorkedOnFirstRun(countries));
    sets.load();
    QCOMPARE(sets.notWorkedCount(), 0);
}

void TestSettingsStore::autostartEntry()
{
    QVERIFY(AutostartEntry::setEnabled(true));
    QVERIFY(AutostartEntry::isEnabled());
    QVERIFY(QFile::exists(AutostartEntry::filePath()));

    // A moved executable reads as off.
    QVERIFY(AutostartEntry::writeFor(QStringLiteral("/opt/old place/kelvane")));
    QVERIFY(!AutostartEntry::isEnabled());
    for (const QString &qsPath :
         {QStringLiteral("/opt/old place/kelvane"), QStringLiteral("/x/50% \"q\" $HOME\\a/k")}) {
        QVERIFY(AutostartEntry::writeFor(qsPath));
        QVERIFY2(AutostartEntry::isEnabledFor(qsPath), qPrintable(qsPath));
    }

    QVERIFY(AutostartEntry::setEnabled(false));
    QVERIFY(!QFile::exists(AutostartEntry::filePath()));
    QVERIFY(!AutostartEntry::isEnabled());
}

void TestSettingsStore::chainsRoundTrip()
{
    FilterChains cluster;
    cluster.setDefaultFilter(Filter::Drop);
    cluster.addBand(Filter::Band20m | Filter::Band40m);
    auto pCall = std::make_unique<Filter>(Filter::Call | Filter::Accept);
    pCall->setCallFilterValue(QStringLiteral("DL1ABC"));
    cluster.addFilter(std::move(pCall), -1);
    auto pBand = std::make_unique<Filter>(Filter::Band | Filter::Accept);
    pBand->addBand(Filter::Band6m);
    cluster.addFilter(std::move(pBand), -1);
    cluster.addFilter(std::make_unique<Filter>(Filter::NewCountries | Filter::Accept), -1);
    cluster.addFilter(std::make_unique<Filter>(Filter::DXpeditionIota | Filter::Accept), -1);
    cluster.addFilter(std::make_unique<Filter>(Filter::NeededNewMode | Filter::Drop), -1);

    auto pColour = std::make_unique<Filter>(Filter::Country | Filter::Accept, AlertFlag::Color | AlertFlag::Sound);
    pColour->setCountryFilterValue(QStringLiteral("Cote d'Ivoire"));
    pColour->setAlertColor(QColor(10, 20, 30));
    pColour->setSoundFile(QStringLiteral("/sounds/ding.wav"));
    cluster.addAlert(std::move(pColour), -1);
    auto pIcon =
        std::make_unique<Filter>(Filter::WorkedCountries | Filter::Accept, AlertFlag::Icon | AlertFlag::Balloon);
    pIcon->setIconIndex(3);
    pIcon->setIconFile(QStringLiteral(":/ico/star.png"));
    cluster.addAlert(std::move(pIcon), -1);
    cluster.addAlert(std::make_unique<Filter>(Filter::Accept, AlertFlag::Color | AlertFlag::Sound), -1);

    FilterStore::saveChains(cluster);
    QCOMPARE(store().value("Filters/Count").toInt(), 6);
    // A new type value in the same group; older versions skip what they do not know.
    QCOMPARE(store().value("Filters/5/FilterType").toInt(), 4096 | 1);
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), 40);
    QCOMPARE(store().value("Alerts/1/FilterAction").toInt(), 16 | 32);
    // A colour never chosen is not stored as black.
    QCOMPARE(store().value("Alerts/2/FilterAction").toInt(), 8);

    FilterChains loaded;
    ProgramRuleContext context;
    FilterStore::loadChains(loaded, &context);
    QCOMPARE(loaded.defaultFilter(), int(Filter::Drop));
    QCOMPARE(loaded.bandFilter()->bandFilterValue(), 40);
    QCOMPARE(loaded.filterCount(), 5);
    QCOMPARE(loaded.filterAt(4)->filterType(), Filter::NeededNewMode | Filter::Drop);
    for (int i = 0; i < loaded.filterCount(); ++i)
        QCOMPARE(loaded.filterAt(i)->context(), &context);
    for (int i = 0; i < loaded.alertCount(); ++i)
        QCOMPARE(loaded.alertAt(i)->context(), &context);
    QCOMPARE(loaded.filterAt(0)->callFilterValue(), QStringLiteral("DL1ABC"));
    QCOMPARE(loaded.filterAt(1)->bandFilterValue(), int(Filter::Band6m));
    const Filter *pAlert = loaded.alertAt(0);
    QCOMPARE(pAlert->alertKinds(), AlertFlag::Color | AlertFlag::Sound);
    QCOMPARE(pAlert->countryFilterValue(), QStringLiteral("Cote d'Ivoire"));
    QCOMPARE(pAlert->alertColor(), QColor(10, 20, 30));
    QCOMPARE(loaded.alertAt(1)->iconFile(), QStringLiteral(":/ico/star.png"));
    QCOMPARE(loaded.alertAt(2)->alertKinds(), AlertFlags(AlertFlag::Sound));
}

void TestSettingsStore::chainsFromDamagedOrPartialStores()
{
    // The band buttons write before any settings save; the band must survive.
    FilterStore::saveBandSelection(Filter::Band20m);
    FilterChains cluster;
    FilterStore::loadChains(cluster, nullptr);
    QCOMPARE(cluster.bandFilter()->bandFilterValue(), int(Filter::Band20m));

    {
        QSettings settings = store();
        settings.setValue("Filters/Count", 0);
        settings.setValue("Filters/0/BandFilterValue", int(Filter::Band6m));
        settings.setValue("Alerts/Count", 1000000000);
        settings.setValue("Alerts/0/FilterType", Filter::Call | Filter::Accept);
        settings.setValue("Alerts/7/FilterType", Filter::Country | Filter::Accept);
    }
    FilterChains partial;
    partial.addBand(Filter::Band80m);
    FilterStore::loadChains(partial, nullptr);
    QCOMPARE(partial.bandFilter()->bandFilterValue(), int(Filter::Band80m));
    QCOMPARE(partial.filterCount(), 0);
    QCOMPARE(partial.alertCount(), 2);
    QCOMPARE(partial.alertAt(0)->callFilterValue(), QString());
    QCOMPARE(partial.alertAt(1)->filterType(), Filter::Country | Filter::Accept);
}

namespace {

QList<ClusterNode> manyNodes(int iCount)
{
    QList<ClusterNode> nodes;
    for (int i = 0; i < iCount; ++i) {
        nodes.append(ClusterNode(QStringLiteral("Node number %1 with a long name").arg(i),
                                 QStringLiteral("node%1.cluster.example.org").arg(i), 7300,
                                 QStringLiteral("pw%1").arg(i), i == 0));
    }
    return nodes;
}

QByteArray fileBytes(const QString &qsPath)
{
    QFile file(qsPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inode(const QString &qsPath)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(qsPath).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

void TestSettingsStore::unchangedSaveLeavesTheFile()
{
    // The store was rewritten at every start and band click, so any full disk met it.
    SettingsStore::saveUpdatedNodes(3, manyNodes(5));
    FilterStore::saveBandSelection(Filter::Band20m);
    FilterChains chains;
    chains.addBand(Filter::Band20m);
    chains.addAlert(std::make_unique<Filter>(Filter::Call | Filter::Accept), -1);
    FilterStore::saveChains(chains);
    const QString qsPath = store().fileName();
    const ino_t before = inode(qsPath);
    SettingsStore::saveUpdatedNodes(3, manyNodes(5));
    FilterStore::saveBandSelection(Filter::Band20m);
    FilterStore::saveChains(chains);
    QCOMPARE(inode(qsPath), before);

    // A node dropped from the list still goes.
    SettingsStore::saveUpdatedNodes(3, manyNodes(4));
    QCOMPARE(SettingsStore::loadNodes().nodes.size(), 4);
    QVERIFY(inode(qsPath) != before);
}

void TestSettingsStore::fullDiskKeepsTheStore()
{
    const QString qsPath = store().fileName();
    QFile::remove(SettingsBackup::backupPath(qsPath));
    SettingsStore::saveUpdatedNodes(1, manyNodes(40));
    const QByteArray baGood = fileBytes(qsPath);
    QVERIFY(baGood.size() > 4096);
    const QFileInfo backup(SettingsBackup::backupPath(qsPath));
    QCOMPARE(fileBytes(backup.filePath()), baGood);
    QCOMPARE(backup.permissions()
                 & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::Permissions());

    // A file size limit fails the writes as a full disk does, as root too.
    QSignalSpy failed(SettingsBackup::instance(), &SettingsBackup::saveFailed);
    rlimit old = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    SettingsStore::saveUpdatedNodes(2, manyNodes(41));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(failed.size(), 1);
    QCOMPARE(fileBytes(qsPath), baGood);
    QCOMPARE(SettingsStore::loadNodes().nodes.size(), 40);
    QCOMPARE(SettingsStore::nodesVersion(), quint16(1));
}

// The counters saved at exit on a full disk once cut the store, put the copy
// back and cut it again; the next start then made the cut store the copy.
void TestSettingsStore::fullDiskAtExitCutsNothing()
{
    const QString qsPath = store().fileName();
    SettingsStore::saveUpdatedNodes(1, manyNodes(40));
    const QByteArray baGood = fileBytes(qsPath);
    QVERIFY(baGood.size() > 4096);
    QCOMPARE(fileBytes(SettingsBackup::backupPath(qsPath)), baGood);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--exit-on-a-full-disk")});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    SettingsBackup::checkAtStart();
    QCOMPARE(fileBytes(qsPath), baGood);
    QCOMPARE(fileBytes(SettingsBackup::backupPath(qsPath)), baGood);
    const QFileInfo store(qsPath);
    QCOMPARE(store.dir().entryList({store.fileName() + QStringLiteral("*")}, QDir::Files | QDir::Hidden),
             QStringList({store.fileName(), store.fileName() + QStringLiteral(".bak")}));
    for (const QString &qsFile : {qsPath, SettingsBackup::backupPath(qsPath)}) {
        struct stat info = {};
        QVERIFY(::stat(QFile::encodeName(qsFile).constData(), &info) == 0);
        QCOMPARE(int(info.st_nlink), 1);
    }
}

void TestSettingsStore::damagedStoreRestoredAtStart()
{
    const QString qsPath = store().fileName();
    SettingsStore::saveUpdatedNodes(1, manyNodes(3));
    const QByteArray baGood = fileBytes(qsPath);
    QVERIFY(SettingsBackup::checkAtStart().message.isEmpty());

    // What a writer killed mid-save or a full disk leaves: nothing, or a
    // file that is gone.
    for (const bool bRemove : {false, true}) {
        if (bRemove) {
            QVERIFY(QFile::remove(qsPath));
        } else {
            QFile file(qsPath);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        }
        const SettingsBackup::StartCheck check = SettingsBackup::checkAtStart();
        QVERIFY(!check.message.isEmpty() && !check.mustAct);
        QCOMPARE(fileBytes(qsPath), baGood);
        QCOMPARE(SettingsStore::loadNodes().nodes.size(), 3);
    }

    // A store cut short that still parses passes the check, but it must not
    // become the good copy.
    QFile::resize(qsPath, baGood.indexOf("\n", baGood.size() / 2) + 1);
    QVERIFY(SettingsBackup::checkAtStart().message.isEmpty());
    QCOMPARE(fileBytes(SettingsBackup::backupPath(qsPath)), baGood);

    // No good copy: the operator is told once, the unreadable file is set
    // aside, and saves then work on a fresh store instead of failing.
    QVERIFY(QFile::remove(SettingsBackup::backupPath(qsPath)));
    {
        QFile file(qsPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write("\x01\x02garbage") > 0);
    }
    const SettingsBackup::StartCheck check = SettingsBackup::checkAtStart();
    QVERIFY2(check.mustAct && check.message.contains(QStringLiteral("no good copy")), qPrintable(check.message));
    QCOMPARE(fileBytes(qsPath + QStringLiteral(".unreadable")), QByteArray("\x01\x02garbage"));
    QVERIFY(!QFileInfo::exists(qsPath));
    QSignalSpy failed(SettingsBackup::instance(), &SettingsBackup::saveFailed);
    SettingsStore::saveUpdatedNodes(1, manyNodes(2));
    QCOMPARE(failed.size(), 0);
    QCOMPARE(SettingsStore::loadNodes().nodes.size(), 2);
    QVERIFY(QFile::remove(qsPath + QStringLiteral(".unreadable")));
    QVERIFY(SettingsBackup::checkAtStart().message.isEmpty());
}

void TestSettingsStore::killDuringSaveLosesNothing()
{
    // A program killed with -9 in the middle of a save: at the next start
    // the store, or its copy put back, holds one of the saves whole.
    const QString qsPath = store().fileName();
    for (int iRound = 0; iRound < 5; ++iRound) {
        QProcess saver;
        saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        saver.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-until-killed")});
        QVERIFY(saver.waitForReadyRead(10000));
        // A different moment of the save each round.
        QTest::qWait(20 + 37 * iRound);
        saver.kill();
        QVERIFY(saver.waitForFinished(5000));
        if (iRound == 3) {
            // Killed while Qt created its lock file: nothing in it names the
            // owner, and the next round's saves would wait for it to go stale.
            QFile lock(qsPath + QStringLiteral(".lock"));
            QVERIFY(lock.open(QIODevice::WriteOnly));
        }

        SettingsBackup::checkAtStart();
        QVERIFY(!QFileInfo::exists(qsPath + QStringLiteral(".lock")));
        QSettings settings(qsPath, QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        const int iNodes = SettingsStore::loadNodes().nodes.size();
        QVERIFY2(iNodes == 30 || iNodes == 31, qPrintable(QString::number(iNodes)));
        QCOMPARE(int(SettingsStore::nodesVersion()), iNodes - 29);
    }
}

namespace {
// The child of killDuringSaveLosesNothing: saves two node lists by turns
// until it is killed, after telling the parent the first is in place.
int saveUntilKilled()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
    for (qint64 i = 0;; ++i) {
        const int iVersion = int(i % 2) + 1;
        SettingsStore::saveUpdatedNodes(quint16(iVersion), manyNodes(29 + iVersion));
        if (i == 0) {
            std::fputs("saved\n", stdout);
            std::fflush(stdout);
        }
    }
}
// The child of fullDiskAtExitCutsNothing: a run that counted something and
// ends when a file size limit fails every write, as a full disk does.
int exitOnAFullDisk()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
    Statistics *pStatistics = Statistics::instance();
    pStatistics->attach(SettingsStore::kOrganization, SettingsStore::kApplication);
    pStatistics->incrementLaunchCount();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1024;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 1;
    Statistics::release();
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--save-until-killed") == 0)
        return saveUntilKilled();
    if (argc == 2 && qstrcmp(argv[1], "--exit-on-a-full-disk") == 0)
        return exitOnAFullDisk();
    TestSettingsStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_settingsstore.moc"
