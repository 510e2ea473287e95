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
    void failedDownloadReplacesTheOldFile();
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

void TestDownload::failedDownloadReplacesTheOldFile()
{
    const QString qsTarget = m_dir->filePath(QStringLiteral("cty.dat"));
    {
        QFile old(qsTarget);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents that must not survive");
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
        QVERIFY(QFileInfo(qsTarget).size() <= 1000);
    }
    QCOMPARE(finished.size(), 0);
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
