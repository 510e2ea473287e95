#include "TestSupport.h"

#include "rig/HRDCommandsThread.h"
#include "rig/HRDConnection.h"
#include "rig/LibraryCheck.h"
#include "rig/RigControl.h"
#include "rig/bridge/RigctldClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using TestSupport::LogCapture;

namespace {
constexpr int kTuneTimeoutMs = 20000;
const QString kLoopback = QStringLiteral("127.0.0.1");
} // namespace

class TestRigControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void libraryLocation();
    void tuneWithSplit();
    void modeForSpot_data();
    void modeForSpot();
    void queuedRequestsRunInOrder();
    void settingsSaveKeepsTheTunesLibrary();
    void failuresAreReported();
    void silentServerNeitherBlocksNorHoldsTheExit();
    void bridgeRefusesBadCommands();
    void missingExportEndsTheOperation();

private:
    // Asks rigctld directly; the answer's "Key: value" lines as a map.
    QMap<QString, QString> rigctld(const QString &qsCommand);
    bool tuneAndWait(RigControl &rigControl, const QString &qsFrequency, const QString &qsComment);

    TestSupport::Rigctld m_rigctld;
    quint16 m_uiPort = 0;
    QString m_qsDataCopy;
};

void TestRigControl::initTestCase()
{
    QCoreApplication::setOrganizationName(SettingsStore::kOrganization);
    QCoreApplication::setApplicationName(SettingsStore::kApplication);
    LogCapture::install(QsLogging::LevelTrace);

    QVERIFY2(m_rigctld.start(), qPrintable(m_rigctld.errorString()));
    m_uiPort = m_rigctld.port();
    QTRY_VERIFY_WITH_TIMEOUT(!rigctld(QStringLiteral("f")).isEmpty(), 10000);

    // The program looks in the per-user data folder first.
    const QString qsDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir().mkpath(qsDataDir));
    m_qsDataCopy = qsDataDir + QLatin1Char('/') + RigControl::libraryFileName();
    QFile::remove(m_qsDataCopy);
    QVERIFY(QFile::copy(QStringLiteral(KELVANE_BRIDGE_FILE), m_qsDataCopy));

    // A download's checksum is remembered: the same file changed later is
    // refused, the file as downloaded is not.
    QVERIFY(LibraryCheck::recordSha256(m_qsDataCopy));
    QVERIFY(RigControl::rejectBrokenDownload().isEmpty());
    {
        QFile changed(m_qsDataCopy);
        QVERIFY(changed.open(QIODevice::Append));
        changed.write("x");
    }
    const QString qsChanged = RigControl::rejectBrokenDownload();
    QVERIFY2(qsChanged.contains(QStringLiteral("changed since it was downloaded")), qPrintable(qsChanged));
    QVERIFY(!QFile::exists(LibraryCheck::recordedHashPath(m_qsDataCopy)));
    QVERIFY(QFile::copy(QStringLiteral(KELVANE_BRIDGE_FILE), m_qsDataCopy));
}

void TestRigControl::init()
{
    LogCapture::clear();
}

void TestRigControl::cleanupTestCase()
{
    m_rigctld.stop();
}

QMap<QString, QString> TestRigControl::rigctld(const QString &qsCommand)
{
    // rigctld now and then closes a fresh connection without answering
    // while it is still tearing down the bridge's last one; ask again.
    QByteArray answer;
    for (int iAttempt = 0; iAttempt < 5 && !answer.contains("RPRT "); ++iAttempt) {
        QTcpSocket socket;
        socket.connectToHost(kLoopback, m_uiPort);
        if (!socket.waitForConnected(5000))
            continue;
        socket.write("+" + qsCommand.toLatin1() + "\n");
        answer.clear();
        while (!answer.contains("RPRT ") && socket.waitForReadyRead(5000))
            answer += socket.readAll();
    }
    QMap<QString, QString> values;
    for (const QByteArray &line : answer.split('\n')) {
        const int iColon = line.indexOf(':');
        if (iColon > 0)
            values.insert(QString::fromLatin1(line.left(iColon)), QString::fromLatin1(line.mid(iColon + 1).trimmed()));
    }
    return values;
}

bool TestRigControl::tuneAndWait(RigControl &rigControl, const QString &qsFrequency, const QString &qsComment)
{
    QSignalSpy finished(&rigControl, &RigControl::finished);
    if (!rigControl.tune(true, kLoopback, m_uiPort, true, qsFrequency, qsComment))
        return false;
    return finished.wait(kTuneTimeoutMs);
}

void TestRigControl::libraryLocation()
{
    QCOMPARE(RigControl::libraryPath(), m_qsDataCopy);

    RigControl rigControl;
    rigControl.loadHRDLibrary(true);
    QVERIFY(rigControl.library() && rigControl.library()->isLoaded());
    rigControl.loadHRDLibrary(false);
    QVERIFY(!rigControl.library());

    // Without a downloaded copy, the one installed beside the executable.
    QVERIFY(QFile::rename(m_qsDataCopy, m_qsDataCopy + QLatin1String(".away")));
    const QString qsFallback = RigControl::libraryPath();
    QVERIFY(QFile::rename(m_qsDataCopy + QLatin1String(".away"), m_qsDataCopy));
    QCOMPARE(qsFallback, QCoreApplication::applicationDirPath() + QLatin1Char('/') + RigControl::libraryFileName());

    // A copy cut short (what a killed download left) crashed every start
    // with SIGBUS; it is moved aside once, with a word to the operator.
    QVERIFY(RigControl::rejectBrokenDownload().isEmpty());
    QFile complete(m_qsDataCopy);
    QVERIFY(complete.open(QIODevice::ReadOnly));
    const QByteArray baLibrary = complete.readAll();
    complete.close();
    // An intact head over a damaged body passes the ELF check and once
    // crashed the loader in the program's own process at every start.
    QByteArray baDamagedBody = baLibrary;
    QRandomGenerator random(7);
    for (qsizetype i = 4096; i < baDamagedBody.size(); ++i)
        baDamagedBody[i] = char(random.bounded(256));
    // A sound library, but not a rig-control one.
    QFile foreign(QStringLiteral("/usr/lib/x86_64-linux-gnu/libz.so.1"));
    const QByteArray baForeign = foreign.open(QIODevice::ReadOnly) ? foreign.readAll() : QByteArray();
    QList<QByteArray> broken = {baLibrary.left(baLibrary.size() / 2), QByteArray("#!/bin/sh\n"), baDamagedBody};
    if (!baForeign.isEmpty())
        broken.append(baForeign);
    for (const QByteArray &baBroken : std::as_const(broken)) {
        // A new file: the loaded library keeps its pages, as a download's rename leaves them.
        QFile::remove(m_qsDataCopy);
        QFile broken(m_qsDataCopy);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(baBroken);
        broken.close();
        QVERIFY(!RigControl::rejectBrokenDownload().isEmpty());
        QCOMPARE(RigControl::libraryPath(), qsFallback);
        QVERIFY(!QFile::exists(m_qsDataCopy));
        QVERIFY(QFile::exists(m_qsDataCopy + QStringLiteral(".rejected")));
        QVERIFY(RigControl::rejectBrokenDownload().isEmpty());
    }
    QVERIFY(QFile::copy(QStringLiteral(KELVANE_BRIDGE_FILE), m_qsDataCopy));
}

void TestRigControl::tuneWithSplit()
{
    RigControl rigControl;
    QSignalSpy errors(&rigControl, &RigControl::HRDError);
    rigControl.loadHRDLibrary(true);

    QVERIFY(tuneAndWait(rigControl, QStringLiteral("14025.0"), QStringLiteral("up 2")));
    QCOMPARE(errors.count(), 0);
    QCOMPARE(rigctld(QStringLiteral("f")).value(QStringLiteral("Frequency")), QStringLiteral("14025000"));
    QCOMPARE(rigctld(QStringLiteral("m")).value(QStringLiteral("Mode")), QStringLiteral("CW"));
    const QMap<QString, QString> split = rigctld(QStringLiteral("s"));
    QCOMPARE(split.value(QStringLiteral("Split")), QStringLiteral("1"));
    QCOMPARE(split.value(QStringLiteral("TX VFO")), QStringLiteral("VFOB"));
    const QMap<QString, QString> vfoB = rigctld(QStringLiteral("\\get_vfo_info VFOB"));
    QCOMPARE(vfoB.value(QStringLiteral("Freq")), QStringLiteral("14027000"));
    QCOMPARE(vfoB.value(QStringLiteral("Mode")), QStringLiteral("CW"));
    // The operator listens on VFO A afterwards.
    QCOMPARE(rigctld(QStringLiteral("v")).value(QStringLiteral("VFO")), QStringLiteral("Main"));
}

void TestRigControl::modeForSpot_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("mode");
    // Data runs on the upper sideband on every band; the dummy rig has no
    // PKTUSB, so plain USB it is.
    QTest::newRow("FT8 on 40m") << "7074.0"
                                << "FT8 -12 dB"
                                << "USB";
    QTest::newRow("FT8 off the usual frequency") << "7075.5"
                                                 << "ft8"
                                                 << "USB";
    QTest::newRow("FT8 on 20m") << "14074.0"
                                << "FT8"
                                << "USB";
    QTest::newRow("FT8 on 30m, a CW band otherwise") << "10136.0"
                                                     << "FT8"
                                                     << "USB";
    QTest::newRow("40m data segment, no mode word") << "7045.0"
                                                    << ""
                                                    << "USB";
    QTest::newRow("RTTY on 80m") << "3580.0"
                                 << "RTTY contest"
                                 << "USB";
    QTest::newRow("SSB on 40m") << "7150.0"
                                << ""
                                << "LSB";
    QTest::newRow("SSB on 20m") << "14200.0"
                                << "5/9"
                                << "USB";
    QTest::newRow("CW on 40m") << "7020.0"
                               << ""
                               << "CW";
    QTest::newRow("CW on 40m, speed in comment") << "7020.0"
                                                 << "22 WPM CQ"
                                                 << "CW";
}

void TestRigControl::modeForSpot()
{
    QFETCH(QString, frequency);
    QFETCH(QString, comment);
    QFETCH(QString, mode);
    RigControl rigControl;
    rigControl.loadHRDLibrary(true);
    QSignalSpy finished(&rigControl, &RigControl::finished);
    QVERIFY(rigControl.tune(true, kLoopback, m_uiPort, false, frequency, comment));
    QVERIFY(finished.wait(kTuneTimeoutMs));
    QCOMPARE(rigctld(QStringLiteral("m")).value(QStringLiteral("Mode")), mode);
}

void TestRigControl::queuedRequestsRunInOrder()
{
    RigControl rigControl;
    QSignalSpy finished(&rigControl, &RigControl::finished);
    rigControl.loadHRDLibrary(true);

    // Three picks in quick succession: the first runs, the second is
    // superseded by the third, which runs last.
    QVERIFY(rigControl.tune(true, kLoopback, m_uiPort, true, QStringLiteral("14025.0"), QStringLiteral("up 2")));
    QVERIFY(rigControl.tune(true, kLoopback, m_uiPort, true, QStringLiteral("3525.0"), QStringLiteral("dn 1")));
    QVERIFY(rigControl.tune(true, kLoopback, m_uiPort, true, QStringLiteral("7150.0"), QString()));
    QVERIFY(rigControl.isTuning());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTuneTimeoutMs);
    QTest::qWait(200);
    QCOMPARE(finished.count(), 1);

    static const QRegularExpression setFrequency(QStringLiteral("Sending command: .*set frequency-hz (\\d+)"));
    QStringList qslFrequencies;
    for (const QString &qsLine : LogCapture::with(QStringLiteral("set frequency-hz")))
        if (const QRegularExpressionMatch match = setFrequency.match(qsLine); match.hasMatch())
            qslFrequencies.append(match.captured(1));
    QCOMPARE(qslFrequencies, QStringList({"14025000", "14027000", "7150000"}));

    QCOMPARE(rigctld(QStringLiteral("f")).value(QStringLiteral("Frequency")), QStringLiteral("7150000"));
    QCOMPARE(rigctld(QStringLiteral("m")).value(QStringLiteral("Mode")), QStringLiteral("LSB"));
    QCOMPARE(rigctld(QStringLiteral("s")).value(QStringLiteral("Split")), QStringLiteral("0"));
}

void TestRigControl::settingsSaveKeepsTheTunesLibrary()
{
    RigControl rigControl;
    QSignalSpy finished(&rigControl, &RigControl::finished);
    rigControl.loadHRDLibrary(true);

    QVERIFY(rigControl.tune(true, kLoopback, m_uiPort, true, QStringLiteral("28025.0"), QStringLiteral("up 5")));
    // A reload does not wait for the running tune: that keeps the library
    // it calls into until it ends, and the reload happens then.
    rigControl.loadHRDLibrary(true);
    QVERIFY(rigControl.isTuning());
    QVERIFY(finished.wait(kTuneTimeoutMs));
    QCOMPARE(rigctld(QStringLiteral("\\get_vfo_info VFOB")).value(QStringLiteral("Freq")), QStringLiteral("28030000"));

    // The reloaded library tunes the next request.
    QVERIFY(tuneAndWait(rigControl, QStringLiteral("21200.0"), QString()));
    QCOMPARE(rigctld(QStringLiteral("f")).value(QStringLiteral("Frequency")), QStringLiteral("21200000"));
    QCOMPARE(rigctld(QStringLiteral("m")).value(QStringLiteral("Mode")), QStringLiteral("USB"));
}

void TestRigControl::failuresAreReported()
{
    RigControl rigControl;
    QSignalSpy errors(&rigControl, &RigControl::HRDError);
    QSignalSpy finished(&rigControl, &RigControl::finished);
    rigControl.loadHRDLibrary(true);

    QVERIFY(!rigControl.tune(false, kLoopback, m_uiPort, true, QStringLiteral("14025.0"), QString()));
    QCOMPARE(errors.takeFirst().at(0).toString(), QStringLiteral("Error! CAT is disabled in Settings."));
    QVERIFY(!rigControl.isTuning());

    // A spot at 1e-300 kHz tuned the rig to 0 Hz.
    QSignalSpy refused(&rigControl, &RigControl::tuneRefused);
    for (const char *pKHz : {"1e-300", "99.9", "250000000.1"})
        QVERIFY(!rigControl.tune(true, kLoopback, m_uiPort, false, QLatin1String(pKHz), QString()));
    QCOMPARE(refused.size(), 3);
    QCOMPARE(refused.at(0).at(0).toString(),
             QStringLiteral("Not tuning to 1e-300 kHz: rigs are tuned from 100 kHz to 250 GHz."));
    QVERIFY(!rigControl.isTuning());

    // Nobody listens.
    const TestSupport::ClosedPort closedPort;
    const quint16 uiClosedPort = closedPort.port();
    QVERIFY(rigControl.tune(true, kLoopback, uiClosedPort, false, QStringLiteral("14025.0"), QString()));
    QVERIFY(finished.wait(kTuneTimeoutMs));
    QCOMPARE(errors.count(), 1);
    const QString qsRefused = errors.takeFirst().at(0).toString();
    QVERIFY2(qsRefused.startsWith(QStringLiteral("Could not connect to rigctld at 127.0.0.1:%1").arg(uiClosedPort)),
             qPrintable(qsRefused));

    // The band map polls every second: a rig away for long is one log line.
    LogCapture::clear();
    QSignalSpy polled(&rigControl, &RigControl::frequencyPolled);
    QVERIFY(rigControl.pollFrequency(kLoopback, uiClosedPort));
    for (int i = 1; i < 3; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(polled.count(), i, kTuneTimeoutMs);
        // The next poll goes once the last one has ended.
        QVERIFY(QTest::qWaitFor([&] { return rigControl.pollFrequency(kLoopback, uiClosedPort); }, kTuneTimeoutMs));
    }
    QTRY_COMPARE_WITH_TIMEOUT(polled.count(), 3, kTuneTimeoutMs);
    QCOMPARE(LogCapture::with(QStringLiteral("does not answer the frequency poll")).size(), 1);
    QCOMPARE(LogCapture::with(QStringLiteral("Could not connect")).filter(QStringLiteral("ERROR")), QStringList());

    // Something listens but never answers: the bridge's time-outs end it.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QVERIFY(rigControl.tune(true, kLoopback, silent.serverPort(), false, QStringLiteral("14025.0"), QString()));
    QVERIFY(finished.wait(kTuneTimeoutMs));
    QCOMPARE(errors.count(), 1);
    QVERIFY(errors.at(0).at(0).toString().startsWith(QStringLiteral("No answer from rigctld")));
}

void TestRigControl::silentServerNeitherBlocksNorHoldsTheExit()
{
    // With a slow server, OK in Settings during a tune blocked the window
    // for 19 s and the end of the program waited half a minute.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    auto pRigControl = std::make_unique<RigControl>();
    pRigControl->loadHRDLibrary(true);
    QVERIFY(pRigControl->tune(true, kLoopback, silent.serverPort(), false, QStringLiteral("14025.0"), QString()));
    QVERIFY(silent.waitForNewConnection(kTuneTimeoutMs));

    QElapsedTimer timer;
    timer.start();
    pRigControl->loadHRDLibrary(true);
    QVERIFY(pRigControl->readFrequency(kLoopback, silent.serverPort()));
    QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(pRigControl->isTuning());
    QVERIFY(silent.waitForNewConnection(kTuneTimeoutMs));

    timer.restart();
    pRigControl.reset();
    const qint64 iExitMs = timer.elapsed();
    qInfo("Rig control ended %lld ms into a tune against a silent server", iExitMs);
    QVERIFY(iExitMs < 1000);
    // The threads let go end on their own within the bridge's time-outs.
    QTest::qWait(RigctldClient::kReplyTimeoutMs + 500);
}

void TestRigControl::bridgeRefusesBadCommands()
{
    QLibrary library(QStringLiteral(KELVANE_BRIDGE_FILE));
    QVERIFY(library.load());
    HRDConnection connection(&library);
    QString qsError;
    QVERIFY(connection.open(kLoopback, m_uiPort, qsError));

    QString qsReply;
    // 99 characters fit the buffer; 100 are refused, not cut.
    const QString qs99 = QStringLiteral("[1] get frequency ").leftJustified(99, QLatin1Char('x'));
    QVERIFY(connection.sendMessage(qs99, qsReply));
    QVERIFY(qsReply.startsWith(QStringLiteral("ERROR: Unsupported command")));
    QVERIFY(!connection.sendMessage(qs99 + QLatin1Char('x'), qsReply));
    QVERIFY(qsReply.isEmpty());

    // Text that rigctld would take as commands of its own ("q" quits, a line
    // feed starts a new command) never reaches it.
    const QStringList qslBad = {
        QStringLiteral("[1] set frequency-hz 7000000\nq"), QStringLiteral("[1] set frequency-hz 7000000;q"),
        QStringLiteral("[1] set frequency-hz 7e6"),        QStringLiteral("[1] set dropdown Mode CW\\q 1"),
        QStringLiteral("[1] set button-select VFO~C 1"),   QStringLiteral("[1] set button-select Split 2")};
    for (const QString &qsBad : qslBad) {
        QVERIFY(connection.sendMessage(qsBad, qsReply));
        QVERIFY2(qsReply.startsWith(QStringLiteral("ERROR: ")), qPrintable(qsBad + " -> " + qsReply));
    }
    QVERIFY(connection.send(QStringLiteral("set frequency-hz 14074000"), qsReply));
    QCOMPARE(qsReply, QStringLiteral("OK"));
    QVERIFY(connection.send(QStringLiteral("get frequency"), qsReply));
    QCOMPARE(qsReply, QStringLiteral("14074000"));
    connection.close();
}

void TestRigControl::missingExportEndsTheOperation()
{
    const auto library = std::make_shared<QLibrary>(QStringLiteral(KELVANE_PARTIAL_LIBRARY_FILE));
    QVERIFY(library->load());
    const auto callCount = reinterpret_cast<int (*)(int)>(library->resolve("partialCallCount"));
    QVERIFY(callCount);

    HRDCommandsThread thread;
    QSignalSpy errors(&thread, &HRDCommandsThread::HRDError);
    QVERIFY(thread.setParameters(kLoopback, m_uiPort, library, QStringLiteral("14025.0"), QString()));
    thread.start();
    QVERIFY(thread.wait(kTuneTimeoutMs));

    QCOMPARE(callCount(0), 1); // connected,
    QCOMPARE(callCount(1), 1); // disconnected again,
    QCOMPARE(callCount(2), 0); // and no command sent
    QCOMPARE(errors.count(), 0);
}

QTEST_MAIN(TestRigControl)
#include "tst_rigcontrol.moc"
