#include "HttpTestServer.h"
#include "TestSupport.h"

#include "Worked/Worked.h"
#include "update/CountryUpdate.h"
#include "update/DXpeditions.h"
#include "update/Updater.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestSupport::LogCapture;
using TestSupport::store;

namespace {

QByteArray releaseManifest(int iRelease, const QString &qsVersion, const QString &qsNotes)
{
    return QStringLiteral("<?xml version=\"1.0\"?><Update><LastVersion><ReleaseNumber>%1</ReleaseNumber>"
                          "<ReleaseVersion>%2</ReleaseVersion><Url>http://example.org/get</Url>"
                          "<WhatsNew>%3</WhatsNew></LastVersion></Update>")
        .arg(iRelease)
        .arg(qsVersion.toHtmlEscaped(), qsNotes)
        .toUtf8();
}

QByteArray nodesManifest(int iVersion, const QStringList &names)
{
    QString qsNodes;
    for (const QString &qsName : names) {
        qsNodes += QStringLiteral("<Node><Name>%1</Name><Address>%1.example.org</Address><Port>7373</Port></Node>")
                       .arg(qsName);
    }
    return QStringLiteral("<Nodes><Version>%1</Version>%2</Nodes>").arg(iVersion).arg(qsNodes).toUtf8();
}

QByteArray countryManifest(int iVersion, const QString &qsUrl)
{
    return QStringLiteral("<Country><Version>%1</Version><Url>%2</Url></Country>").arg(iVersion).arg(qsUrl).toUtf8();
}

QByteArray readFile(const QString &qsFileName)
{
    QFile file(qsFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real country file with another version and one whole call more, so
// that an import shows in the row count.
QByteArray newerCountryFile(const QByteArray &baReal, const QByteArray &baVersion)
{
    QByteArray baFile = baReal;
    const qsizetype iVer = baFile.indexOf("=VER");
    baFile.replace(iVer, 12, "=VER" + baVersion);
    baFile.replace(iVer, 0, "=Q9NEW,");
    return baFile;
}

// A version days from today: a newer file that is no typo.
QByteArray versionIn(int iDays)
{
    return QDate::currentDate().addDays(iDays).toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

int prefixRows(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT COUNT(*) FROM prefixes")) && query.next() ? query.value(0).toInt() : -1;
}

} // namespace

// The three update checks against a real HTTP server on loopback.
class TestUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void releaseFromTheMenu_data();
    void releaseFromTheMenu();
    void automaticCheckShowsOnlyANewRelease();
    void nodesList();
    void brokenNodesManifestKeepsTheStore_data();
    void brokenNodesManifestKeepsTheStore();
    void countryFileFromItsAddress();
    void countryFileFromTheManifest();
    void noUpdateServerNoRequest();
    void failedChecksLoggedOnceAndShown();

private:
    QStringList storedNodeNames();
    // A country database filled from the real file, on its own connection.
    QSqlDatabase countryDatabase();
    // Runs one fetch to its end and gives the status it ended with.
    QString runCountryCheck(CountryUpdate &update, const QString &qsUrl, uint uiManifestVersion = 0);

    QTemporaryDir m_tmp;

    std::unique_ptr<HttpTestServer> m_server;
};

void TestUpdater::initTestCase()
{
    // The country file's own address is https: the TLS backend must be there.
    QVERIFY(QSslSocket::supportsSsl());
    QCoreApplication::setOrganizationName(SettingsStore::kOrganization);
    QCoreApplication::setApplicationName(SettingsStore::kApplication);
    LogCapture::install(QsLogging::LevelDebug);
}

void TestUpdater::init()
{
    LogCapture::clear();
    store().clear();
    m_server = std::make_unique<HttpTestServer>();
    QVERIFY(m_server->listen());
    store().setValue(QStringLiteral("General/UpdateServer"), m_server->url(QStringLiteral("/")));
    QFile::remove(CountryUpdate::filePath());
}

QStringList TestUpdater::storedNodeNames()
{
    QStringList names;
    for (const ClusterNode &node : SettingsStore::loadNodes().nodes)
        names.append(node.name());
    names.sort();
    return names;
}

void TestUpdater::releaseFromTheMenu_data()
{
    QTest::addColumn<int>("release");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("notes");

    QTest::newRow("same release") << 4 << QStringLiteral("This is the latest version.") << QString();
    QTest::newRow("newer release") << 5 << QStringLiteral("New version available: 1.4 &lt;b&gt;")
                                   << QStringLiteral("Faster\nSafer");
}

void TestUpdater::releaseFromTheMenu()
{
    QFETCH(int, release);
    QFETCH(QString, description);
    QFETCH(QString, notes);

    m_server->setRoute(QStringLiteral("/Kelvane/kelvane.xml"),
                       releaseManifest(release, QStringLiteral("1.4 <b>"), QStringLiteral("Faster^Safer")));
    Updater updater;
    updater.showChecking();
    auto *pDescription = updater.findChild<QLabel *>(QStringLiteral("labelDescription"));
    QCOMPARE(pDescription->text(), QStringLiteral("Checking..."));
    updater.checkApplication();

    QTRY_VERIFY(pDescription->text() != QStringLiteral("Checking..."));
    QVERIFY(updater.isVisible());
    QVERIFY(pDescription->text().startsWith(description));
    QCOMPARE(pDescription->text().contains(QStringLiteral("<a href=\"http://example.org/get\">Download</a>")),
             release > 4);
    QCOMPARE(updater.findChild<QLabel *>(QStringLiteral("label"))->text(), notes);
    QCOMPARE(updater.findChild<QPushButton *>(QStringLiteral("pushButtonCancel"))->text(),
             release > 4 ? QStringLiteral("Close") : QStringLiteral("Cancel"));
}

void TestUpdater::automaticCheckShowsOnlyANewRelease()
{
    m_server->setRoute(QStringLiteral("/Kelvane/kelvane.xml"),
                       releaseManifest(4, QStringLiteral("1.3"), QStringLiteral("Fixes")));
    Updater updater;
    updater.checkApplication();
    QTRY_COMPARE(updater.findChild<QLabel *>(QStringLiteral("labelDescription"))->text(),
                 QStringLiteral("This is the latest version."));
    QVERIFY(!updater.isVisible());

    m_server->setRoute(QStringLiteral("/Kelvane/kelvane.xml"),
                       releaseManifest(5, QStringLiteral("1.4"), QStringLiteral("Fixes")));
    updater.checkApplication();
    QTRY_VERIFY(updater.isVisible());
}

void TestUpdater::nodesList()
{
    store().setValue(QStringLiteral("Cluster Nodes/Version"), 3);
    store().setValue(QStringLiteral("Cluster Nodes/Mine/Name"), QStringLiteral("Mine"));
    store().setValue(QStringLiteral("Cluster Nodes/Mine/Address"), QStringLiteral("mine.example.org"));
    store().setValue(QStringLiteral("Cluster Nodes/Mine/Password"), QStringLiteral("s3cret"));
    store().setValue(QStringLiteral("Cluster Nodes/Mine/Active"), 1);
    Updater updater;
    QSignalSpy finished(&updater, &Updater::NodesUpdateFinished);

    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"), nodesManifest(3, {QStringLiteral("N1")}));
    updater.checkNodes();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("Nodes list already at latest version")).size(), 1);
    QCOMPARE(storedNodeNames(), QStringList {QStringLiteral("Mine")});

    // A newer list adds its nodes; the user's own node of the same name
    // keeps its address, its password and stays active.
    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"),
                       nodesManifest(4, {QStringLiteral("N1"), QStringLiteral("N2/EU"), QStringLiteral("Mine")}));
    updater.checkNodes();
    QVERIFY(finished.wait(5000));
    QCOMPARE(storedNodeNames(), (QStringList {QStringLiteral("Mine"), QStringLiteral("N1"), QStringLiteral("N2/EU")}));
    NodeList nodes = SettingsStore::loadNodes();
    const ClusterNode &mine = nodes.nodes.at(nodes.activeIndex);
    QCOMPARE(mine.name(), QStringLiteral("Mine"));
    QCOMPARE(mine.address(), QStringLiteral("mine.example.org"));
    QCOMPARE(mine.password(), QStringLiteral("s3cret"));
    QVERIFY(!mine.isFromList());
    QCOMPARE(store().value(QStringLiteral("Cluster Nodes/N1/FromList")).toInt(), 1);

    // A later list that drops nodes removes none; one it names again moves.
    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"),
                       QByteArray("<Nodes><Version>5</Version><Node><Name>N1</Name><Address>moved.example.org</Address>"
                                  "<Port>23</Port></Node></Nodes>"));
    updater.checkNodes();
    QVERIFY(finished.wait(5000));
    QCOMPARE(storedNodeNames(), (QStringList {QStringLiteral("Mine"), QStringLiteral("N1"), QStringLiteral("N2/EU")}));
    nodes = SettingsStore::loadNodes();
    QCOMPARE(nodes.nodes.at(nodes.activeIndex).password(), QStringLiteral("s3cret"));
    QCOMPARE(store().value(QStringLiteral("Cluster Nodes/N1/Address")).toString(), QStringLiteral("moved.example.org"));
    QCOMPARE(store().value(QStringLiteral("Cluster Nodes/Version")).toInt(), 5);
}

void TestUpdater::brokenNodesManifestKeepsTheStore_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("log");
    QTest::addColumn<bool>("withLength");
    const QByteArray baGood = nodesManifest(9, {QStringLiteral("N1"), QStringLiteral("N2")});
    QTest::newRow("truncated after a node")
        << baGood.left(baGood.indexOf("<Node>", 20)) << QStringLiteral("Error parsing XML response:") << true;
    QTest::newRow("empty port") << QByteArray(
        "<Nodes><Version>9</Version><Node><Name>N1</Name><Port></Port></Node></Nodes>")
                                << QStringLiteral("<Port> tag invalid") << true;
    QTest::newRow("oversized") << QByteArray("<Nodes><Version>9</Version>") + QByteArray(2 * 1024 * 1024, ' ')
                               << QStringLiteral("download aborted") << true;
    QTest::newRow("oversized, no length")
        << QByteArray("<Nodes><Version>9</Version>") + QByteArray(2 * 1024 * 1024, ' ')
        << QStringLiteral("download aborted") << false;
}

void TestUpdater::brokenNodesManifestKeepsTheStore()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QString, log);
    QFETCH(bool, withLength);
    store().setValue(QStringLiteral("Cluster Nodes/Version"), 3);
    store().setValue(QStringLiteral("Cluster Nodes/Mine/Name"), QStringLiteral("Mine"));
    HttpTestServer::Route route;
    route.baBody = manifest;
    route.bContentLength = withLength;
    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"), route);

    Updater updater;
    QSignalSpy finished(&updater, &Updater::NodesUpdateFinished);
    updater.checkNodes();
    QTRY_COMPARE(LogCapture::with(log).size(), 1);
    QTest::qWait(50);
    QCOMPARE(finished.size(), 0);
    QCOMPARE(storedNodeNames(), QStringList {QStringLiteral("Mine")});
    QCOMPARE(store().value(QStringLiteral("Cluster Nodes/Version")).toInt(), 3);
}

QSqlDatabase TestUpdater::countryDatabase()
{
    QSqlDatabase db = QSqlDatabase::contains(QStringLiteral("country"))
        ? QSqlDatabase::database(QStringLiteral("country"))
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("country"));
    db.close();
    const QString qsFile = m_tmp.filePath(QStringLiteral("dx.sqlite"));
    QFile::remove(qsFile);
    db.setDatabaseName(qsFile);
    if (!db.open() || !Worked::ensureTables(db, Worked::systemCountryFile()))
        qFatal("no country database");
    return db;
}

QString TestUpdater::runCountryCheck(CountryUpdate &update, const QString &qsUrl, uint uiManifestVersion)
{
    QSignalSpy status(&update, &CountryUpdate::statusChanged);
    update.fetch(qsUrl, uiManifestVersion);
    if (!QTest::qWaitFor(
            [&] {
                return !status.isEmpty() && !update.isRunning()
                    && !update.status().startsWith(QStringLiteral("Country data: checking"));
            },
            10000))
        return QStringLiteral("timed out");
    return update.status();
}

void TestUpdater::countryFileFromItsAddress()
{
    const QByteArray baReal = readFile(Worked::systemCountryFile());
    QVERIFY(baReal.contains("=VER20"));
    QSqlDatabase db = countryDatabase();
    Worked worked;
    worked.attachDatabase(db);
    const int iRows = prefixRows(db);
    QVERIFY(iRows > 20000);
    CountryUpdate update(&worked, db);

    // A newer file replaces the table, its version is stored, the lookup
    // knows the new call at once, and the file is kept.
    const QByteArray baNewer = versionIn(30);
    m_server->setRoute(QStringLiteral("/new.dat"), newerCountryFile(baReal, baNewer));
    QCOMPARE(runCountryCheck(update, m_server->url(QStringLiteral("/new.dat"))),
             QStringLiteral("Country data updated to version %1 (%2 prefixes)").arg(baNewer).arg(iRows + 1));
    QCOMPARE(prefixRows(db), iRows + 1);
    QCOMPARE(SettingsStore::countryFileVersion(), baNewer.toUInt());
    QVERIFY(!worked.countryForCall(QStringLiteral("Q9NEW")).isEmpty());
    QVERIFY(QFile::exists(CountryUpdate::filePath()));

    // Not newer: nothing happens.
    m_server->setRoute(QStringLiteral("/cty.dat"), baReal);
    QCOMPARE(runCountryCheck(update, m_server->url(QStringLiteral("/cty.dat"))),
             QStringLiteral("Country data is up to date (version %1)").arg(baNewer));

    // Anything that is not a whole country file keeps the rows and the
    // version, and says why.
    HttpTestServer::Route quota;
    quota.baBody = "Error: bandwidth quota exceeded for this file.\nPlease contact the site owner.\n";
    m_server->setRoute(QStringLiteral("/quota.dat"), quota);
    HttpTestServer::Route html;
    html.baBody = "<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\">"
                  "<title>503: Service Unavailable</title></head>\n<body>Try again later.</body></html>\n";
    m_server->setRoute(QStringLiteral("/page.dat"), html);
    HttpTestServer::Route cut;
    cut.baBody = newerCountryFile(baReal, versionIn(60));
    cut.iCutAfter = int(cut.baBody.size() / 2);
    m_server->setRoute(QStringLiteral("/cut.dat"), cut);
    HttpTestServer::Route open;
    open.baBody = cut.baBody.left(cut.baBody.lastIndexOf(','));
    open.bContentLength = false;
    m_server->setRoute(QStringLiteral("/open.dat"), open);
    // Cut between two records, without a length: it parses as a whole file
    // with fewer countries.
    HttpTestServer::Route between;
    // Ten records short: more than the share of countries a file may drop.
    qsizetype iEnd = cut.baBody.size();
    for (int i = 0; i < 11; ++i)
        iEnd = cut.baBody.lastIndexOf(";\n", iEnd - 1);
    between.baBody = cut.baBody.left(iEnd + 2);
    between.bContentLength = false;
    m_server->setRoute(QStringLiteral("/between.dat"), between);
    HttpTestServer::Route futureVersion;
    futureVersion.baBody = newerCountryFile(baReal, versionIn(400));
    m_server->setRoute(QStringLiteral("/future.dat"), futureVersion);
    HttpTestServer::Route loop;
    loop.iStatus = 302;
    loop.baLocation = m_server->url(QStringLiteral("/loop.dat")).toUtf8();
    m_server->setRoute(QStringLiteral("/loop.dat"), loop);

    const struct
    {
        const char *pPath;
        const char *pWhy;
    } junk[] = {
        {"/quota.dat", "not a country file (1 country records, at least 300 expected)"},
        {"/page.dat", "no country record found"},
        {"/cut.dat", ""},
        {"/open.dat", "the transfer was cut short"},
        {"/between.dat", "it drops "},
        {"/future.dat", "more than a year ahead"},
        {"/missing.dat", "Country data not updated: "},
        {"/loop.dat", "Country data not updated: "},
    };
    for (const auto &entry : junk) {
        const QString qsStatus = runCountryCheck(update, m_server->url(QLatin1String(entry.pPath)));
        QVERIFY2(qsStatus.startsWith(QStringLiteral("Country data not updated: "))
                     && qsStatus.contains(QLatin1String(entry.pWhy)),
                 qPrintable(QLatin1String(entry.pPath) + QLatin1Char(' ') + qsStatus));
        QCOMPARE(prefixRows(db), iRows + 1);
        QCOMPARE(SettingsStore::countryFileVersion(), baNewer.toUInt());
    }
    QVERIFY(m_server->requestCount(QStringLiteral("/loop.dat")) > 1);

    // The check at start runs once a day, from the stored address.
    store().setValue(QStringLiteral("General/CountryFileUrl"), m_server->url(QStringLiteral("/cty.dat")));
    const int iRequests = m_server->requestCount(QStringLiteral("/cty.dat"));
    update.checkDaily();
    QTRY_COMPARE(m_server->requestCount(QStringLiteral("/cty.dat")), iRequests + 1);
    QTRY_VERIFY(!update.isRunning());
    update.checkDaily();
    QTest::qWait(50);
    QCOMPARE(m_server->requestCount(QStringLiteral("/cty.dat")), iRequests + 1);
}

void TestUpdater::countryFileFromTheManifest()
{
    const QByteArray baReal = readFile(Worked::systemCountryFile());
    QSqlDatabase db = countryDatabase();
    Worked worked;
    worked.attachDatabase(db);
    const int iRows = prefixRows(db);
    CountryUpdate update(&worked, db);
    Updater updater;
    updater.setCountryUpdate(&update);

    // Junk named by the manifest changes nothing, and the manifest version
    // is not stored, so the next check tries again.
    m_server->setRoute(QStringLiteral("/Kelvane/country.xml"),
                       countryManifest(2, m_server->url(QStringLiteral("/junk.dat"))));
    m_server->setRoute(QStringLiteral("/junk.dat"),
                       QByteArray("Germany: 14: 28: EU: 51.00: -10.00: -1.0: DL:\n    DL;\n"));
    updater.checkCountry();
    QTRY_VERIFY(update.status().startsWith(QStringLiteral("Country data not updated: not a country file")));
    QCOMPARE(prefixRows(db), iRows);
    QCOMPARE(store().value(QStringLiteral("Country/Version"), 0).toInt(), 0);

    m_server->setRoute(QStringLiteral("/Kelvane/country.xml"),
                       countryManifest(2, m_server->url(QStringLiteral("/cty.dat"))));
    m_server->setRoute(QStringLiteral("/cty.dat"), newerCountryFile(baReal, versionIn(30)));
    updater.checkCountry();
    QTRY_VERIFY(update.status().startsWith(QStringLiteral("Country data updated to version ") + versionIn(30)));
    QCOMPARE(prefixRows(db), iRows + 1);
    QCOMPARE(store().value(QStringLiteral("Country/Version")).toInt(), 2);

    updater.checkCountry();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("Country database already at latest version")).size(), 1);
    QCOMPARE(m_server->requestCount(QStringLiteral("/cty.dat")), 1);
}

void TestUpdater::noUpdateServerNoRequest()
{
    store().remove(QStringLiteral("General/UpdateServer"));
    Updater updater;
    updater.checkApplication();
    updater.checkNodes();
    updater.checkCountry();
    DXpeditions dxpeditions(SettingsStore::dxpeditionsUrl());
    dxpeditions.load();
    // Every check stops before a request exists, so nothing is looked up.
    QCOMPARE(LogCapture::with(QStringLiteral("No update server set; no request for")).size(), 3);
    QCOMPARE(LogCapture::with(QStringLiteral("No DXpeditions list address set")).size(), 1);
    QVERIFY(!updater.isVisible());

    // From the menu, the window says why instead of checking forever.
    updater.showChecking();
    updater.checkApplication();
    auto *pDescription = updater.findChild<QLabel *>(QStringLiteral("labelDescription"));
    QVERIFY(pDescription->text().startsWith(QStringLiteral("Could not check for updates: no update server is set")));

    // So does a request that fails.
    store().setValue(QStringLiteral("General/UpdateServer"), QStringLiteral("http://127.0.0.1:1"));
    updater.showChecking();
    updater.checkApplication();
    QTRY_VERIFY(pDescription->text().startsWith(QStringLiteral("Could not check for updates: ")));
    QVERIFY(updater.isVisible());
}

void TestUpdater::failedChecksLoggedOnceAndShown()
{
    m_server.reset();
    store().setValue(QStringLiteral("General/UpdateServer"), QStringLiteral("http://127.0.0.1:1"));
    Updater updater;
    QSignalSpy failed(&updater, &Updater::checkFailed);
    updater.checkApplication();
    updater.checkNodes();
    updater.checkCountry();
    QTRY_COMPARE(failed.count(), 3);
    QTest::qWait(100);
    // One log line per failure, not one per retry or per signal.
    QCOMPARE(LogCapture::with(QStringLiteral("ERROR")).size(), 3);
    QCOMPARE(LogCapture::with(QStringLiteral("Network error:")).size(), 3);
    QVERIFY(!updater.isVisible());
    // Each failure also comes out for the status bar.
    QStringList qslShown;
    for (const QList<QVariant> &arguments : std::as_const(failed))
        qslShown.append(arguments.at(0).toString().section(QLatin1Char(':'), 0, 0));
    qslShown.sort();
    QCOMPARE(qslShown,
             QStringList({QStringLiteral("Could not check for updates"), QStringLiteral("Country data not checked"),
                          QStringLiteral("Nodes list not updated")}));

    // A server that takes the request and never answers ends the check too.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    store().setValue(QStringLiteral("General/UpdateServer"),
                     QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()));
    updater.setTransferTimeoutMs(300);
    updater.showChecking();
    updater.checkApplication();
    QTRY_COMPARE(updater.findChild<QLabel *>(QStringLiteral("labelDescription"))->text(),
                 QStringLiteral("Could not check for updates: the update server did not answer in time."));

    // Taken down while its requests wait, it reports no failure: the window
    // that would show it is going too.
    auto pLeaving = std::make_unique<Updater>();
    pLeaving->setTransferTimeoutMs(60000);
    pLeaving->checkApplication();
    pLeaving->checkNodes();
    pLeaving->checkCountry();
    QTRY_VERIFY(silent.hasPendingConnections());
    QSignalSpy leavingFailed(pLeaving.get(), &Updater::checkFailed);
    pLeaving.reset();
    QCOMPARE(leavingFailed.count(), 0);
}

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"
