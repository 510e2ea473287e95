#include "HttpTestServer.h"
#include "TestSupport.h"

#include "update/Updater.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using TestSupport::LogCapture;
using TestSupport::store;

namespace {

QByteArray releaseManifest(int iRelease, const QString &qsVersion, const QString &qsNotes)
{
    return QStringLiteral("<?xml version=\"1.0\"?><Update><LastVersion><ReleaseNumber>%1</ReleaseNumber>"
                          "<ReleaseVersion>%2</ReleaseVersion><Url>http://example.org/get</Url>"
                          "<WhatsNew>%3</WhatsNew></LastVersion></Update>")
        .arg(iRelease).arg(qsVersion.toHtmlEscaped(), qsNotes).toUtf8();
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
    void countryFile();
    void unreachableServerLogsOncePerCheck();

private:
    QStringList storedNodeNames();

    std::unique_ptr<HttpTestServer> m_server;
};

void TestUpdater::initTestCase()
{
    QCoreApplication::setOrganizationName(SettingsStore::kOrganization);
    QCoreApplication::setApplicationName(SettingsStore::kApplication);
    LogCapture::install(QsLogging::LevelDebug);
}

void TestUpdater::init()
{
    LogCapture::clear();
    store().clear();
    QFile::remove(Updater::countryFilePath());
    m_server = std::make_unique<HttpTestServer>();
    QVERIFY(m_server->listen());
    store().setValue(QStringLiteral("General/UpdateServer"), m_server->url(QStringLiteral("/")));
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
    m_server->setRoute(QStringLiteral("/Kelvane/kelvane.xml"), releaseManifest(4, QStringLiteral("1.3"), QStringLiteral("Fixes")));
    Updater updater;
    updater.checkApplication();
    QTRY_COMPARE(updater.findChild<QLabel *>(QStringLiteral("labelDescription"))->text(),
                 QStringLiteral("This is the latest version."));
    QVERIFY(!updater.isVisible());

    m_server->setRoute(QStringLiteral("/Kelvane/kelvane.xml"), releaseManifest(5, QStringLiteral("1.4"), QStringLiteral("Fixes")));
    updater.checkApplication();
    QTRY_VERIFY(updater.isVisible());
}

void TestUpdater::nodesList()
{
    store().setValue(QStringLiteral("Cluster Nodes/Version"), 3);
    store().setValue(QStringLiteral("Cluster Nodes/Mine/Name"), QStringLiteral("Mine"));
    Updater updater;
    QSignalSpy finished(&updater, &Updater::NodesUpdateFinished);

    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"), nodesManifest(3, {QStringLiteral("N1")}));
    updater.checkNodes();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("Nodes list already at latest version")).size(), 1);
    QCOMPARE(storedNodeNames(), QStringList{QStringLiteral("Mine")});

    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"), nodesManifest(4, {QStringLiteral("N1"), QStringLiteral("N2/EU")}));
    updater.checkNodes();
    QVERIFY(finished.wait(5000));
    QCOMPARE(storedNodeNames(), (QStringList{QStringLiteral("N1"), QStringLiteral("N2/EU")}));
    QCOMPARE(SettingsStore::loadNodes().nodes.at(1).port(), quint16(7373));
    QCOMPARE(SettingsStore::loadNodes().activeIndex, -1);

    m_server->setRoute(QStringLiteral("/Kelvane/nodes.xml"), nodesManifest(5, {}));
    updater.checkNodes();
    QVERIFY(finished.wait(5000));
    QVERIFY(storedNodeNames().isEmpty());
    QCOMPARE(store().value(QStringLiteral("Cluster Nodes/Version")).toInt(), 5);
}

void TestUpdater::brokenNodesManifestKeepsTheStore_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("log");
    QTest::addColumn<bool>("withLength");
    const QByteArray baGood = nodesManifest(9, {QStringLiteral("N1"), QStringLiteral("N2")});
    QTest::newRow("truncated after a node") << baGood.left(baGood.indexOf("<Node>", 20))
                                            << QStringLiteral("Error parsing XML response:") << true;
    QTest::newRow("empty port") << QByteArray("<Nodes><Version>9</Version><Node><Name>N1</Name><Port></Port></Node></Nodes>")
                                << QStringLiteral("<Port> tag invalid") << true;
    QTest::newRow("oversized") << QByteArray("<Nodes><Version>9</Version>") + QByteArray(2 * 1024 * 1024, ' ')
                               << QStringLiteral("download aborted") << true;
    QTest::newRow("oversized, no length") << QByteArray("<Nodes><Version>9</Version>") + QByteArray(2 * 1024 * 1024, ' ')
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
    QCOMPARE(storedNodeNames(), QStringList{QStringLiteral("Mine")});
    QCOMPARE(store().value(QStringLiteral("Cluster Nodes/Version")).toInt(), 3);
}

void TestUpdater::countryFile()
{
    Updater updater;
    QSignalSpy finished(&updater, &Updater::CountryUpdateFinished);

    // A download that fails leaves the version alone, so the next check
    // tries again.
    m_server->setRoute(QStringLiteral("/Kelvane/country.xml"), countryManifest(2, m_server->url(QStringLiteral("/missing.dat"))));
    updater.checkCountry();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("Error downloading country file:")).size(), 1);
    QCOMPARE(store().value(QStringLiteral("Country/Version"), 0).toInt(), 0);
    QVERIFY(!QFile::exists(Updater::countryFilePath()));

    m_server->setRoute(QStringLiteral("/Kelvane/country.xml"), countryManifest(2, m_server->url(QStringLiteral("/cty.dat"))));
    m_server->setRoute(QStringLiteral("/cty.dat"), QByteArray("Germany: 14: 28: EU: 51.00: -10.00: -1.0: DL:\n    DL;\n"));
    updater.checkCountry();
    QVERIFY(finished.wait(5000));
    QCOMPARE(store().value(QStringLiteral("Country/Version")).toInt(), 2);
    QFile file(Updater::countryFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("Germany:"));

    updater.checkCountry();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("Country database already at latest version")).size(), 1);
    QCOMPARE(m_server->requestCount(QStringLiteral("/cty.dat")), 1);
}

void TestUpdater::unreachableServerLogsOncePerCheck()
{
    m_server.reset();
    store().setValue(QStringLiteral("General/UpdateServer"), QStringLiteral("http://127.0.0.1:1"));
    Updater updater;
    updater.checkApplication();
    updater.checkNodes();
    updater.checkCountry();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("Network error:")).size(), 3);
    QTest::qWait(100);
    QCOMPARE(LogCapture::with(QStringLiteral("ERROR")).size(), 3);
    QVERIFY(!updater.isVisible());
}

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"
