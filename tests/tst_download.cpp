#include "HttpTestServer.h"
#include "update/Download.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Downloads against a real HTTP server on loopback.
class TestDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void progressWithAndWithoutLength_data();
    void progressWithAndWithoutLength();
    void failedDownloadKeepsTheOldFile();
    void programCodeRules_data();
    void programCodeRules();
    void unwritableTargetIsAnError();

private:
    QByteArray m_payload;
    std::unique_ptr<HttpTestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDownload::init()
{
    m_payload.clear();
    for (int i = 0; i < 5000; ++i)
        m_payload += "Line " + QByteArray::number(i) + " of the country file\n";
    m_server = std::make_unique<HttpTestServer>();
    QVERIFY(m_server->listen());
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestDownload::progressWithAndWithoutLength_data()
{
    QTest::addColumn<bool>("withLength");
    QTest::newRow("length") << true;
    QTest::newRow("no length") << false;
}

void TestDownload::progressWithAndWithoutLength()
{
    QFETCH(bool, withLength);
    HttpTestServer::Route route;
    route.baBody = m_payload;
    route.bContentLength = withLength;
    // The network library reports progress at most every 150 ms or so.
    route.iChunkSize = 16384;
    route.iChunkDelayMs = 80;
    m_server->setRoute(QStringLiteral("/cty.dat"), route);

    Download download;
    QSignalSpy started(&download, &Download::started);
    QSignalSpy finished(&download, &Download::finished);
    QSignalSpy errors(&download, &Download::error);
    QSignalSpy progress(&download, &Download::progress);
    download.setUrl(m_server->url(QStringLiteral("/cty.dat")));
    download.setFileName(m_dir->filePath(QStringLiteral("cty.dat")));
    download.start();
    QCOMPARE(started.size(), 1);
    QVERIFY(finished.wait(5000));
    QCOMPARE(errors.size(), 0);

    QFile file(m_dir->filePath(QStringLiteral("cty.dat")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), m_payload);

    QVERIFY(progress.size() > 2);
    QList<int> percents;
    for (const QList<QVariant> &args : std::as_const(progress))
        percents.append(args.at(0).toInt());
    if (withLength) {
        QVERIFY(std::is_sorted(percents.cbegin(), percents.cend()));
        QVERIFY(percents.first() < 100);
        QCOMPARE(percents.last(), 100);
    } else {
        // Only when the connection ends is the size known.
        const int iLast = percents.takeLast();
        QVERIFY(iLast == 0 || iLast == 100);
        QCOMPARE(percents, QList<int>(percents.size(), 0));
    }
}

void TestDownload::failedDownloadKeepsTheOldFile()
{
    const QString qsTarget = m_dir->filePath(QStringLiteral("cty.dat"));
    {
        QFile old(qsTarget);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    HttpTestServer::Route cut;
    cut.baBody = m_payload;
    cut.iCutAfter = 1000;
    m_server->setRoute(QStringLiteral("/cut"), cut);

    Download download;
    QSignalSpy finished(&download, &Download::finished);
    QSignalSpy errors(&download, &Download::error);
    download.setFileName(qsTarget);
    for (const QString &qsPath : {QStringLiteral("/missing"), QStringLiteral("/cut")}) {
        errors.clear();
        download.setUrl(m_server->url(qsPath));
        download.start();
        QTRY_VERIFY_WITH_TIMEOUT(!download.isRunning(), 10000);
        QCOMPARE(errors.size(), 1);
        QVERIFY(!errors.first().at(0).toString().isEmpty());
        QFile file(qsTarget);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old contents"));
        QVERIFY(!QFile::exists(qsTarget + QStringLiteral(".part")));
    }
    QCOMPARE(finished.size(), 0);
}

void TestDownload::programCodeRules_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("complete with length") << QStringLiteral("/lib") << true;
    // Closed early without a length looks exactly like a complete body.
    QTest::newRow("cut without length") << QStringLiteral("/nolength") << false;
    QTest::newRow("cross-host redirect") << QStringLiteral("/elsewhere") << false;
    QTest::newRow("plain http to another host") << QStringLiteral("http://192.0.2.1/lib") << false;
}

void TestDownload::programCodeRules()
{
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    m_server->setRoute(QStringLiteral("/lib"), m_payload);
    HttpTestServer::Route noLength {m_payload.left(1000)};
    noLength.bContentLength = false;
    m_server->setRoute(QStringLiteral("/nolength"), noLength);
    HttpTestServer::Route redirect {QByteArray()};
    redirect.iStatus = 302;
    // The same machine under another name is another host to the client.
    redirect.baLocation = QStringLiteral("http://localhost:%1/lib").arg(m_server->port()).toLatin1();
    m_server->setRoute(QStringLiteral("/elsewhere"), redirect);

    // What a killed earlier run left behind is neither used nor kept.
    const QString qsTarget = m_dir->filePath(QStringLiteral("lib.so"));
    {
        QFile part(qsTarget + QStringLiteral(".part"));
        QVERIFY(part.open(QIODevice::WriteOnly));
        part.write(m_payload.left(500));
    }
    Download download;
    download.setProgramCode(true);
    QSignalSpy finished(&download, &Download::finished);
    QSignalSpy errors(&download, &Download::error);
    download.setUrl(path.startsWith(QLatin1Char('/')) ? m_server->url(path) : path);
    download.setFileName(qsTarget);
    download.start();
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() + errors.size() > 0, 10000);
    QTest::qWait(50);
    QCOMPARE(finished.size(), accepted ? 1 : 0);
    QCOMPARE(errors.size(), accepted ? 0 : 1);
    QCOMPARE(QFile::exists(qsTarget), accepted);
    QVERIFY(!QFile::exists(qsTarget + QStringLiteral(".part")));
    if (accepted) {
        QFile file(qsTarget);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), m_payload);
    }
}

void TestDownload::unwritableTargetIsAnError()
{
    m_server->setRoute(QStringLiteral("/a"), QByteArray("data"));
    Download download;
    QSignalSpy finished(&download, &Download::finished);
    QSignalSpy errors(&download, &Download::error);
    download.setUrl(m_server->url(QStringLiteral("/a")));
    download.setFileName(m_dir->filePath(QStringLiteral("no/such/folder/a")));
    download.start();
    QCOMPARE(errors.size(), 1);
    QTest::qWait(100);
    QCOMPARE(finished.size(), 0);
    QCOMPARE(m_server->requestCount(QStringLiteral("/a")), 0);
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
