#include "TestSupport.h"

#include "Worked/Worked.h"
#include "log/LogFeeds.h"
#include "log/LogStore.h"
#include "log/WsjtxListener.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

using TestSupport::LogCapture;

namespace {

const QString kUsa = QStringLiteral("United States of America");
const QString kJapan = QStringLiteral("Japan");

QByteArray loggedAdif(const QByteArray &qbaAdif)
{
    QByteArray qbaFrame;
    QDataStream stream(&qbaFrame, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_4);
    stream << quint32(WsjtxListener::kMagic) << quint32(3) << quint32(WsjtxListener::kTypeLoggedAdif)
           << QByteArray("WSJT-X") << qbaAdif;
    return qbaFrame;
}

QByteArray adifQso(const QByteArray &qbaCall, int iMinute, const QByteArray &qbaBand = "20m")
{
    const QByteArray qbaTime = QByteArray::number(iMinute / 60 % 24).rightJustified(2, '0')
        + QByteArray::number(iMinute % 60).rightJustified(2, '0');
    const QByteArray qbaDate = "202401" + QByteArray::number(1 + iMinute / 1440 % 28).rightJustified(2, '0');
    return "<CALL:" + QByteArray::number(qbaCall.size()) + '>' + qbaCall + "<BAND:" + QByteArray::number(qbaBand.size())
        + '>' + qbaBand + "<MODE:3>FT8<QSO_DATE:8>" + qbaDate + "<TIME_ON:4>" + qbaTime + "<EOR>";
}

// Sends from a thread of its own, as another program would, so that the
// listener reads while the datagrams arrive. iPerSecond 0: unthrottled.
class Sender
{
public:
    Sender(quint16 uiPort, int iCount, int iPerSecond) : m_thread([=] { run(uiPort, iCount, iPerSecond); }) { }
    ~Sender() { wait(); }
    void wait()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    bool done() const { return m_done; }

private:
    void run(quint16 uiPort, int iCount, int iPerSecond)
    {
        QUdpSocket socket;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < iCount; ++i) {
            // Valid QSOs, one in ten damaged, all of one country.
            QByteArray qbaDatagram =
                loggedAdif(adifQso("K" + QByteArray::number(i % 9 + 1) + "X" + QByteArray::number(i % 500), i));
            if (i % 10 == 9)
                qbaDatagram.chop(5);
            socket.writeDatagram(qbaDatagram, QHostAddress::LocalHost, uiPort);
            if (iPerSecond > 0 && i % 20 == 19)
                std::this_thread::sleep_until(start + std::chrono::microseconds(qint64(i + 1) * 1000000 / iPerSecond));
        }
        m_done = true;
    }

    std::atomic<bool> m_done {false};
    std::thread m_thread;
};

} // namespace

// The feeds under load: the UDP listener flooded by a logging program and
// the window's event loop while QSOs pour in, on a real SQLite log.
class TestLogFeeds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listenerHearsAfterAFlood();
    void windowKeepsItsPaceUnderAStream();
    void skippedReportsAreSaid();
    void watchedLogGoesOnWhereItStopped();
    void watchedLogThatIsNoFileOrHuge();

private:
    QString writeFile(const QString &qsName, const QByteArray &qbaContent);
    std::unique_ptr<LogStore> openLog();
    void send(const QByteArray &qbaDatagram, quint16 uiPort);

    QTemporaryDir m_dir;
    QSqlDatabase m_db;
    Worked m_worked;
    int m_logs = 0;
};

void TestLogFeeds::initTestCase()
{
    QVERIFY(m_dir.isValid());
    LogCapture::install(QsLogging::LevelWarn);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("countries"));
    m_db.setDatabaseName(m_dir.filePath(QStringLiteral("dx.sqlite")));
    QVERIFY(m_db.open());
    QVERIFY(Worked::ensureTables(m_db, Worked::systemCountryFile()));
    QVERIFY(m_worked.attachDatabase(m_db));
}

std::unique_ptr<LogStore> TestLogFeeds::openLog()
{
    auto pStore = std::make_unique<LogStore>();
    pStore->setCountryLookup(&m_worked);
    if (!pStore->open(m_dir.filePath(QStringLiteral("log%1.sqlite").arg(++m_logs))))
        return nullptr;
    return pStore;
}

void TestLogFeeds::send(const QByteArray &qbaDatagram, quint16 uiPort)
{
    QUdpSocket socket;
    QCOMPARE(socket.writeDatagram(qbaDatagram, QHostAddress::LocalHost, uiPort), qbaDatagram.size());
}

// A burst once left the socket unread for good: every later QSO was lost.
void TestLogFeeds::listenerHearsAfterAFlood()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    LogFeeds feeds(pLog.get());
    LogSettings settings;
    settings.wsjtxEnabled = true;
    settings.wsjtxPort = 0;
    feeds.apply(settings);
    QVERIFY2(feeds.wsjtxPort() != 0, qPrintable(feeds.wsjtxError()));

    Sender sender(feeds.wsjtxPort(), 100000, 0);
    QTRY_VERIFY_WITH_TIMEOUT(sender.done(), 60000);
    sender.wait();
    QVERIFY(pLog->qsoCount() > 0);

    QElapsedTimer sinceSent;
    sinceSent.start();
    send(loggedAdif(adifQso("JA1ABC", 5)), feeds.wsjtxPort());
    QTRY_VERIFY_WITH_TIMEOUT(pLog->needForSpot(kJapan, "14074.0", "FT8") == Need::Unconfirmed, 1000);
    QVERIFY(sinceSent.elapsed() < 1000);
}

// Each QSO was its own transaction and a full re-read of the log: a valid
// stream stalled the window for seconds.
void TestLogFeeds::windowKeepsItsPaceUnderAStream()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    {
        QByteArray qbaLog;
        for (int i = 0; i < 4000; ++i)
            qbaLog += adifQso("DL" + QByteArray::number(i), i, "40m");
        QCOMPARE(pLog->storeAdif(qbaLog).imported, 4000);
    }
    LogFeeds feeds(pLog.get());
    LogSettings settings;
    settings.wsjtxEnabled = true;
    settings.wsjtxPort = 0;
    feeds.apply(settings);
    QVERIFY(feeds.wsjtxPort() != 0);

    QElapsedTimer sinceTick;
    qint64 iWorstMs = 0;
    QTimer tick;
    tick.setInterval(10);
    connect(&tick, &QTimer::timeout, this, [&] { iWorstMs = qMax(iWorstMs, sinceTick.restart()); });
    sinceTick.start();
    tick.start();
    {
        Sender sender(feeds.wsjtxPort(), 6000, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(sender.done(), 30000);
    }
    QTest::qWait(200);
    tick.stop();
    QVERIFY2(iWorstMs < 10 + 100, QByteArray::number(iWorstMs));
    QVERIFY(pLog->qsoCount() > 4000);
}

void TestLogFeeds::skippedReportsAreSaid()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    LogFeeds feeds(pLog.get());
    LogSettings settings;
    settings.wsjtxEnabled = true;
    settings.wsjtxPort = 0;
    feeds.apply(settings);
    QSignalSpy skipped(&feeds, &LogFeeds::reportsSkipped);
    const auto skippedCount = [&] {
        int iCount = 0;
        for (const QList<QVariant> &arguments : std::as_const(skipped))
            iCount += arguments.at(0).toInt();
        return iCount;
    };
    LogCapture::clear();

    // No date, then no call: neither is stored, the status bar hears of
    // each, the log once for the run.
    send(loggedAdif("<CALL:5>K1ABC<BAND:3>20m<MODE:3>FT8<TIME_ON:4>1200<EOR>"), feeds.wsjtxPort());
    QTRY_COMPARE(skippedCount(), 1);
    QVERIFY2(skipped.last().at(1).toString().contains(QStringLiteral("QSO_DATE")),
             qPrintable(skipped.last().at(1).toString()));
    send(loggedAdif("<BAND:3>20m<MODE:3>FT8<QSO_DATE:8>20240101<TIME_ON:4>1200<EOR>"), feeds.wsjtxPort());
    QTRY_COMPARE(skippedCount(), 2);
    QVERIFY(skipped.last().at(1).toString().contains(QStringLiteral("no call")));
    QCOMPARE(pLog->qsoCount(), 0);
    QCOMPARE(LogCapture::with(QStringLiteral("not logged")).size(), 1);

    for (int i = 0; i < 50; ++i)
        send(loggedAdif("<CALL:5>K1ABC<EOR>"), feeds.wsjtxPort());
    QTRY_COMPARE(skippedCount(), 52);
    QCOMPARE(LogCapture::with(QStringLiteral("not logged")).size(), 1);
}

// A 100,000-QSO log delayed every start by seconds: it was read whole, on
// the window's thread, from the top at every start.
void TestLogFeeds::watchedLogGoesOnWhereItStopped()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    const int iQsos = 100000;
    QByteArray qbaFile = "Exported log <ADIF_VER:5>3.1.4 <EOH>\n";
    qbaFile.reserve(iQsos * 100);
    for (int i = 0; i < iQsos; ++i)
        qbaFile += adifQso("W" + QByteArray::number(i % 10) + "X" + QByteArray::number(i / 10), i) + '\n';
    // The last record is still being written.
    qbaFile += "<CALL:6>JA1ABC<BAND:3>20m";
    const QString qsFile = writeFile(QStringLiteral("watched.adi"), qbaFile);
    LogSettings settings;
    settings.watchedFile = qsFile;
    {
        LogFeeds feeds(pLog.get());
        QSignalSpy read(&feeds, &LogFeeds::watchedFileRead);
        feeds.apply(settings);
        // Nothing read before the event loop runs: the window comes first.
        QCOMPARE(pLog->qsoCount(), 0);
        QVERIFY(read.wait(60000));
        QCOMPARE(pLog->qsoCount(), iQsos);
    }

    // The next start: the unchanged file is not read again.
    QSignalSpy changed(pLog.get(), &LogStore::changed);
    LogFeeds feeds(pLog.get());
    QSignalSpy read(&feeds, &LogFeeds::watchedFileRead);
    feeds.apply(settings);
    QVERIFY(read.wait(10000));
    QCOMPARE(changed.size(), 0);

    // The record is finished and another appended: only they are read.
    {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::Append));
        file.write("<MODE:3>FT8<QSO_DATE:8>20240301<TIME_ON:4>1200<EOR>\n" + adifQso("K1NEW", 7) + '\n');
    }
    QTRY_COMPARE_WITH_TIMEOUT(pLog->qsoCount(), iQsos + 2, 10000);
    QCOMPARE(pLog->needForSpot(kJapan, "14074.0", "FT8"), Need::Unconfirmed);
}

// A FIFO blocked the start for ever in open(); a huge file kept the window
// and SIGTERM waiting for minutes.
void TestLogFeeds::watchedLogThatIsNoFileOrHuge()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    const QString qsFifo = m_dir.filePath(QStringLiteral("fifo.adi"));
    QVERIFY(::mkfifo(QFile::encodeName(qsFifo).constData(), 0600) == 0);
    LogSettings settings;
    settings.watchedFile = qsFifo;
    {
        LogFeeds feeds(pLog.get());
        QSignalSpy refused(&feeds, &LogFeeds::watchedFileRefused);
        feeds.apply(settings);
        QVERIFY(refused.wait(5000));
        QVERIFY(refused.at(0).at(0).toString().contains(QStringLiteral("not a regular file")));
    }

    // A gigabyte of nothing, sparse: the end comes in the middle of it.
    const QString qsHuge = m_dir.filePath(QStringLiteral("huge.adi"));
    {
        QFile file(qsHuge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(1) << 30));
    }
    settings.watchedFile = qsHuge;
    auto pFeeds = std::make_unique<LogFeeds>(pLog.get());
    pFeeds->apply(settings);
    QTRY_VERIFY(pFeeds->isReadingWatchedFile());
    QElapsedTimer sinceTick;
    qint64 iWorstMs = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] { iWorstMs = qMax(iWorstMs, sinceTick.restart()); });
    sinceTick.start();
    tick.start(10);
    QTest::qWait(500);
    tick.stop();
    QVERIFY(pFeeds->isReadingWatchedFile());
    QVERIFY2(iWorstMs < 10 + 100, QByteArray::number(iWorstMs));
    QElapsedTimer ending;
    ending.start();
    pFeeds.reset();
    QVERIFY2(ending.elapsed() < 1000, QByteArray::number(ending.elapsed()));
}

QString TestLogFeeds::writeFile(const QString &qsName, const QByteArray &qbaContent)
{
    const QString qsFile = m_dir.filePath(qsName);
    QFile file(qsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(qbaContent) != qbaContent.size())
        return QString();
    return qsFile;
}

QTEST_GUILESS_MAIN(TestLogFeeds)
#include "tst_logfeeds.moc"
