#include "HttpTestServer.h"
#include "TestSupport.h"

#include "update/DXpeditions.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::LogCapture;

namespace {

QString day(int iOffset)
{
    return QDateTime::currentDateTimeUtc().date().addDays(iOffset).toString(QStringLiteral("yyyyMMdd"));
}

QString entry(const QString &qsCall, int iStart, int iEnd, const QString &qsInfo = QStringLiteral("Island"))
{
    return QStringLiteral("<DXpedition><StartDate>%1</StartDate><EndDate>%2</EndDate><Call>%3</Call>"
                          "<IOTA></IOTA><QSLvia>Q1QSL</QSLvia><ReportedBy>Q1AA</ReportedBy>"
                          "<Info>%4</Info></DXpedition>")
        .arg(day(iStart), day(iEnd), qsCall, qsInfo);
}

QByteArray list(int iVersion, const QString &qsEntries)
{
    return QStringLiteral("<?xml version=\"1.0\"?><DXpeditions><Version>%1</Version><Date>6 Dec</Date>%2"
                          "</DXpeditions>")
        .arg(iVersion)
        .arg(qsEntries)
        .toUtf8();
}

} // namespace

// How a DXpeditions list is taken in: versions, the date window, and lists
// that are broken or not newer.
class TestDXpeditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { LogCapture::install(QsLogging::LevelInfo); }
    void init() { LogCapture::clear(); }
    void dateWindowAndDuplicates();
    void onlyNewerVersionsAreTakenIn();
    void brokenListsChangeNothing_data();
    void brokenListsChangeNothing();
    void loadOverHttp();
};

void TestDXpeditions::dateWindowAndDuplicates()
{
    DXpeditions dxpeditions(QStringLiteral("http://127.0.0.1:1/dxpeditions.xml"));
    QSignalSpy spy(&dxpeditions, &DXpeditions::LoadFinished);
    dxpeditions.parseList(list(3,
                               entry(QStringLiteral("Q9ENDS"), -10, 0) + entry(QStringLiteral("Q9SOON"), 1, 9)
                                   + entry(QStringLiteral("Q9TWICE"), -1, 1, QStringLiteral("first"))
                                   + entry(QStringLiteral("Q9TWICE"), -1, 1, QStringLiteral("second"))));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("6 Dec"));
    QCOMPARE(spy.at(0).at(1).toInt(), 2);
    QVERIFY(dxpeditions.contains(QStringLiteral("Q9ENDS")));
    QVERIFY(!dxpeditions.contains(QStringLiteral("Q9SOON")));
    QVERIFY(!dxpeditions.contains(QStringLiteral("q9ends")));

    DXpedition twice;
    QVERIFY(dxpeditions.value(QStringLiteral("Q9TWICE"), &twice));
    QCOMPARE(twice.info, QStringLiteral("second"));
    QCOMPARE(twice.iota, QString());
    QCOMPARE(twice.qslVia, QStringLiteral("Q1QSL"));
    QCOMPARE(dxpeditions.version(), quint16(3));
}

void TestDXpeditions::onlyNewerVersionsAreTakenIn()
{
    DXpeditions dxpeditions(QStringLiteral("http://127.0.0.1:1/dxpeditions.xml"));
    QSignalSpy spy(&dxpeditions, &DXpeditions::LoadFinished);
    dxpeditions.parseList(list(5, entry(QStringLiteral("Q9OLD"), 0, 0)));
    dxpeditions.parseList(list(5, entry(QStringLiteral("Q9SAME"), 0, 0)));
    dxpeditions.parseList(list(4, entry(QStringLiteral("Q9OLDER"), 0, 0)));
    QCOMPARE(spy.size(), 1);
    QVERIFY(dxpeditions.contains(QStringLiteral("Q9OLD")));
    QCOMPARE(dxpeditions.count(), 1);

    // A version after the entries comes too late for them.
    dxpeditions.parseList(QStringLiteral("<DXpeditions>%1<Version>9</Version><Date>x</Date></DXpeditions>")
                              .arg(entry(QStringLiteral("Q9LATE"), 0, 0))
                              .toUtf8());
    QCOMPARE(spy.size(), 2);
    QCOMPARE(dxpeditions.count(), 0);
    QCOMPARE(dxpeditions.version(), quint16(9));

    // A file the user imports is taken whatever its version; one that holds
    // no list (or nothing readable) is refused with a reason.
    QTemporaryDir dir;
    const auto writeFile = [&dir](const char *pName, const QByteArray &baContent) {
        QFile file(dir.filePath(QLatin1String(pName)));
        file.open(QIODevice::WriteOnly);
        file.write(baContent);
        return file.fileName();
    };
    QString qsError;
    QVERIFY(dxpeditions.loadFile(writeFile("old.xml", list(2, entry(QStringLiteral("Q9FILE"), 0, 0))), &qsError));
    QVERIFY(dxpeditions.contains(QStringLiteral("Q9FILE")));
    QVERIFY(!dxpeditions.loadFile(writeFile("page.xml", "<html><body>Not found</body></html>"), &qsError));
    QCOMPARE(qsError, QStringLiteral("The file holds no DXpeditions list."));
    QVERIFY(!dxpeditions.loadFile(dir.filePath(QStringLiteral("missing.xml")), &qsError));
    QVERIFY(dxpeditions.contains(QStringLiteral("Q9FILE")));
    QCOMPARE(spy.size(), 3);
}

void TestDXpeditions::brokenListsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("log");

    const QByteArray baGood = list(7, entry(QStringLiteral("Q9NEW"), 0, 0));
    QTest::newRow("truncated") << baGood.left(baGood.size() - 30) << QStringLiteral("Error parsing XML response:");
    QTest::newRow("not xml") << QByteArray("<html><body>503</body>") << QStringLiteral("Error parsing XML response:");
    QTest::newRow("missing call") << list(7, entry(QString(), 0, 0)) << QStringLiteral("<Call> tag invalid");
    QTest::newRow("empty version") << QByteArray("<DXpeditions><Version></Version></DXpeditions>") << QString();
}

void TestDXpeditions::brokenListsChangeNothing()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, log);

    DXpeditions dxpeditions(QStringLiteral("http://127.0.0.1:1/dxpeditions.xml"));
    dxpeditions.parseList(list(2, entry(QStringLiteral("Q9HELD"), 0, 0)));
    QSignalSpy spy(&dxpeditions, &DXpeditions::LoadFinished);
    LogCapture::clear();
    dxpeditions.parseList(body);
    QCOMPARE(spy.size(), 0);
    QVERIFY(dxpeditions.contains(QStringLiteral("Q9HELD")));
    QCOMPARE(dxpeditions.count(), 1);
    QCOMPARE(dxpeditions.version(), quint16(2));
    if (!log.isEmpty())
        QCOMPARE(LogCapture::with(log).size(), 1);
}

void TestDXpeditions::loadOverHttp()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    // A NUL ends the list, as a C string would.
    server.setRoute(QStringLiteral("/Kelvane/dxpeditions.xml"),
                    list(1, entry(QStringLiteral("Q9NET"), -1, 1)) + QByteArray("\0<garbage", 10));
    DXpeditions dxpeditions(server.url(QStringLiteral("/Kelvane/dxpeditions.xml")));
    QSignalSpy spy(&dxpeditions, &DXpeditions::LoadFinished);
    dxpeditions.load();
    QVERIFY(spy.wait(5000));
    QVERIFY(dxpeditions.contains(QStringLiteral("Q9NET")));

    DXpeditions unreachable(server.url(QStringLiteral("/missing.xml")));
    LogCapture::clear();
    unreachable.load();
    QTRY_COMPARE(LogCapture::with(QStringLiteral("DXpeditions update network error:")).size(), 1);
    QTest::qWait(50);
    QVERIFY(LogCapture::with(QStringLiteral("Error parsing")).isEmpty());
}

QTEST_GUILESS_MAIN(TestDXpeditions)
#include "tst_dxpeditions.moc"
