// The single-instance rule with real processes of the program: a second
// start ends with code 2 only while a first one runs, also after the first
// was killed without a chance to clean up.

#include "TestSupport.h"

#include "app/InstanceMessenger.h"
#include "app/SingleInstance.h"
#include "app/Version.h"
#include "rig/RigControl.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"
#include "ui/MainWindow.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QSharedMemory>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void secondStartEndsWithCodeTwo();
    void startAfterKillOfFirst();
    void secondStartBringsWindowForward();
    void sessionsWithTheirOwnRuntimeFolderDoNotMeet();
    void foreignSegmentIsNoInstance();
    void restartDelay();
    void startUpLogAndCounters();
    void terminateDuringAFlood();
    void damagedRigLibraryIsSetAside();
    void terminateWhileTheWatchedLogIsRead_data();
    void terminateWhileTheWatchedLogIsRead();

private:
    QProcess *startProgram(const QStringList &arguments = {}, const QString &qsRuntimeFolder = QString());
    static bool waitForStarted(QProcess *pProcess);
    QList<QProcess *> m_processes;
    QTemporaryDir m_tmp;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    // The segment's key is made from a file in the temporary folder: a folder
    // of our own keeps the test apart from a program the user runs.
    qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    // The instances run on this test's store: offline, with no node.
    QSettings settings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"));
    settings.setValue(QStringLiteral("General/AutoUpdate"), false);
    settings.setValue(QStringLiteral("General/AutoUpdateNodes"), false);
    settings.setValue(QStringLiteral("General/AutoUpdateCountries"), false);
    settings.setValue(QStringLiteral("General/UpdateServer"), QStringLiteral("http://127.0.0.1:9"));
}

void TestSingleInstance::cleanup()
{
    for (QProcess *pProcess : std::as_const(m_processes)) {
        if (pProcess->state() != QProcess::NotRunning) {
            pProcess->kill();
            pProcess->waitForFinished(5000);
        }
        delete pProcess;
    }
    m_processes.clear();
    // A segment left by a killed run would otherwise be seen by the next test.
    QSharedMemory leftover(SingleInstance::kSegmentKey);
    if (leftover.attach())
        leftover.detach();
}

QProcess *TestSingleInstance::startProgram(const QStringList &arguments, const QString &qsRuntimeFolder)
{
    auto *pProcess = new QProcess;
    if (!qsRuntimeFolder.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), qsRuntimeFolder);
        pProcess->setProcessEnvironment(environment);
    }
    pProcess->setProcessChannelMode(QProcess::SeparateChannels);
    pProcess->start(QStringLiteral(KELVANE_APP_FILE), arguments);
    m_processes.append(pProcess);
    return pProcess;
}

bool TestSingleInstance::waitForStarted(QProcess *pProcess)
{
    QElapsedTimer timer;
    timer.start();
    QByteArray baErr;
    while (timer.elapsed() < 20000) {
        pProcess->waitForReadyRead(200);
        baErr += pProcess->readAllStandardError();
        if (baErr.contains("Not running."))
            return true;
        if (pProcess->state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

void TestSingleInstance::secondStartEndsWithCodeTwo()
{
    QProcess *pFirst = startProgram();
    QVERIFY(waitForStarted(pFirst));

    // The running instance publishes its marker: 21 bytes, a big-endian 17,
    // the sixteen characters and a NUL.
    QSharedMemory segment(SingleInstance::kSegmentKey);
    QVERIFY(segment.attach(QSharedMemory::ReadOnly));
    const QByteArray baContent(static_cast<const char *>(segment.constData()), segment.size());
    segment.detach();
    QCOMPARE(baContent.size(), 21);
    QCOMPARE(baContent, QByteArray("\0\0\0\x11_KELVANE_RUNNING\0", 21));

    QProcess *pSecond = startProgram();
    QVERIFY(pSecond->waitForFinished(20000));
    QCOMPARE(pSecond->exitStatus(), QProcess::NormalExit);
    QCOMPARE(pSecond->exitCode(), 2);
    QVERIFY(pSecond->readAllStandardError().contains("Kelvane is already running."));
    QCOMPARE(pFirst->state(), QProcess::Running);
}

void TestSingleInstance::startAfterKillOfFirst()
{
    QProcess *pFirst = startProgram();
    QVERIFY(waitForStarted(pFirst));
    pFirst->kill();
    QVERIFY(pFirst->waitForFinished(5000));

    // The killed instance's segment is still there with its marker. Held
    // here, it outlives the next start's look at it, as segments do where
    // the system does not count their users...
    QSharedMemory segment(SingleInstance::kSegmentKey);
    QVERIFY(segment.attach(QSharedMemory::ReadOnly));

    // ...and must not keep the next start away.
    QProcess *pNext = startProgram();
    QVERIFY(waitForStarted(pNext));
    QTest::qWait(500);
    QCOMPARE(pNext->state(), QProcess::Running);
    segment.detach();

    // The killed instance's socket file did not keep the next one from
    // listening: the third start reaches it.
    QProcess *pThird = startProgram();
    QVERIFY(pThird->waitForFinished(20000));
    QCOMPARE(pThird->exitCode(), 2);
    QVERIFY(!pThird->readAllStandardError().contains("did not answer"));
}

void TestSingleInstance::secondStartBringsWindowForward()
{
    // This process is the running instance, with its window in the tray,
    // on a node that refuses at once.
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), 9, false);
    SingleInstance guard;
    QVERIFY(!guard.isAlreadyRunning());
    MainWindow window;
    InstanceMessenger messenger;
    connect(&messenger, &InstanceMessenger::showRequested, &window, &MainWindow::bringToFront);
    QVERIFY(messenger.listen());
    QVERIFY(!window.isVisible());

    QProcess *pSecond = startProgram();
    QTRY_VERIFY_WITH_TIMEOUT(pSecond->state() == QProcess::NotRunning, 20000);
    QCOMPARE(pSecond->exitCode(), 2);
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    TestSupport::store().remove(QStringLiteral("Cluster Nodes"));
}

void TestSingleInstance::sessionsWithTheirOwnRuntimeFolderDoNotMeet()
{
    // Two sessions of one user, each with a runtime folder of its own: each
    // runs its own instance, and a second start in a session brings forward
    // that session's window, not the other's. With the socket outside the
    // runtime folder the other session's instance took it over.
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), 9, false);
    SingleInstance guard;
    QVERIFY(!guard.isAlreadyRunning());
    MainWindow window;
    InstanceMessenger messenger;
    connect(&messenger, &InstanceMessenger::showRequested, &window, &MainWindow::bringToFront);
    QVERIFY(messenger.listen());

    const QString qsOtherSession = m_tmp.path() + QStringLiteral("/other-session");
    QVERIFY(QDir().mkpath(qsOtherSession));
    QVERIFY(QFile::setPermissions(qsOtherSession, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcess *pOther = startProgram({}, qsOtherSession);
    QVERIFY(waitForStarted(pOther));
    QVERIFY(QFileInfo::exists(qsOtherSession + QStringLiteral("/kelvane.socket")));

    // A second start in the other session ends and leaves this window alone.
    QProcess *pSecondOther = startProgram({}, qsOtherSession);
    QVERIFY(pSecondOther->waitForFinished(20000));
    QCOMPARE(pSecondOther->exitCode(), 2);
    QVERIFY(!pSecondOther->readAllStandardError().contains("did not answer"));
    QCoreApplication::processEvents();
    QVERIFY(!window.isVisible());

    // One in this session still reaches this window.
    QProcess *pSecondHere = startProgram();
    QTRY_VERIFY_WITH_TIMEOUT(pSecondHere->state() == QProcess::NotRunning, 20000);
    QCOMPARE(pSecondHere->exitCode(), 2);
    QVERIFY(window.isVisible());
    QCOMPARE(pOther->state(), QProcess::Running);
    TestSupport::store().remove(QStringLiteral("Cluster Nodes"));
}

void TestSingleInstance::foreignSegmentIsNoInstance()
{
    QSharedMemory segment(SingleInstance::kSegmentKey);
    QByteArray baForeign;
    QDataStream(&baForeign, QIODevice::WriteOnly) << "_SOMETHING_ELSE!";
    QVERIFY(segment.create(int(baForeign.size())));
    std::memcpy(segment.data(), baForeign.constData(), size_t(baForeign.size()));

    QProcess *pFirst = startProgram();
    QVERIFY(waitForStarted(pFirst));
    segment.detach();
}

void TestSingleInstance::restartDelay()
{
    QProcess *pFirst = startProgram();
    QVERIFY(waitForStarted(pFirst));

    // "/d" in any case delays the guard by five seconds; with a second
    // argument it is not the restart switch.
    QElapsedTimer timer;
    timer.start();
    QProcess *pDelayed = startProgram({QStringLiteral("/D")});
    QVERIFY(pDelayed->waitForFinished(20000));
    QCOMPARE(pDelayed->exitCode(), 2);
    QVERIFY(timer.elapsed() >= 4900);

    timer.restart();
    QProcess *pNotDelayed = startProgram({QStringLiteral("/d"), QStringLiteral("x")});
    QVERIFY(pNotDelayed->waitForFinished(20000));
    QCOMPARE(pNotDelayed->exitCode(), 2);
    QVERIFY(timer.elapsed() < 4900);
}

void TestSingleInstance::startUpLogAndCounters()
{
    // The log lay beside the program, readable by all, and a start
    // truncated the log of the run before (a crashed one too).
    const QString qsLog = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Tarrow/Kelvane/kelvane.log");
    QFile::remove(qsLog);
    {
        QSettings settings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"));
        settings.setValue(QStringLiteral("General/LogLevel"), 2);
        settings.setValue(QStringLiteral("General/LogToFile"), true);
        settings.remove(QStringLiteral("General/LogFile"));
        settings.remove(QStringLiteral("Statistics"));
    }
    for (int iRun = 0; iRun < 2; ++iRun) {
        QProcess *pProgram = startProgram();
        QVERIFY(waitForStarted(pProgram));
        pProgram->terminate();
        QVERIFY(pProgram->waitForFinished(10000));
        QCOMPARE(pProgram->exitStatus(), QProcess::NormalExit);
        QCOMPARE(pProgram->exitCode(), 0);
    }

    QCOMPARE(QFileInfo(qsLog).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    QFile log(qsLog);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString qsFirstLine = QString::fromUtf8(log.readLine()).chopped(1);
    QVERIFY2(QRegularExpression(QStringLiteral("^INFO  \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                               "Kelvane %1 started $")
                                    .arg(QRegularExpression::escape(QStringLiteral(KELVANE_VERSION))))
                 .match(qsFirstLine)
                 .hasMatch(),
             qPrintable(qsFirstLine));

    QSettings settings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"));
    QCOMPARE(QString::fromUtf8(log.readAll()).count(QStringLiteral("Kelvane " KELVANE_VERSION " started")), 1);
    QCOMPARE(settings.value(QStringLiteral("Statistics/LaunchCount")).toULongLong(), 2ULL);
    settings.remove(QStringLiteral("General/LogLevel"));
    settings.remove(QStringLiteral("General/LogToFile"));
}

void TestSingleInstance::terminateDuringAFlood()
{
    // SIGTERM during a flood of spots went unheard for minutes.
    TestNode node;
    node.setBandQueryDelay(0);
    QVERIFY(node.listen());
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), node.port(), false);
    QProcess *pProgram = startProgram();
    QVERIFY(waitForStarted(pProgram));
    QTRY_COMPARE_WITH_TIMEOUT(node.loggedInCount(), 1, 20000);

    QByteArray baFlood;
    for (int i = 0; i < 40000; ++i)
        baFlood += TestSpot(7000.0 + i % 200, QStringLiteral("Q%1F").arg(i), QStringLiteral("Q9SPT")).dxDeLine(true);
    node.sendRaw(baFlood);
    QTest::qWait(500);
    QElapsedTimer timer;
    timer.start();
    pProgram->terminate();
    // Waiting with the event loop running, so the node keeps sending.
    QTRY_VERIFY_WITH_TIMEOUT(pProgram->state() == QProcess::NotRunning, 10000);
    const qint64 iExitMs = timer.elapsed();
    qInfo("The program ended %lld ms after SIGTERM during a flood", iExitMs);
    QCOMPARE(pProgram->exitStatus(), QProcess::NormalExit);
    QVERIFY(iExitMs < 3000);
    QSettings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"))
        .remove(QStringLiteral("Cluster Nodes"));
}

// A downloaded library with an intact head and a damaged body faulted in the
// loader inside the program: it died at every start, before any window.
void TestSingleInstance::damagedRigLibraryIsSetAside()
{
    QFile bridge(QFileInfo(RigControl::checkerPath()).absolutePath() + QLatin1Char('/')
                 + RigControl::libraryFileName());
    QVERIFY(bridge.open(QIODevice::ReadOnly));
    QByteArray baLibrary = bridge.readAll();
    QRandomGenerator random(3);
    for (qsizetype i = 4096; i < baLibrary.size(); ++i)
        baLibrary[i] = char(random.bounded(256));
    const QString qsDataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tarrow/Kelvane");
    QVERIFY(QDir().mkpath(qsDataFolder));
    const QString qsLibrary = qsDataFolder + QLatin1Char('/') + RigControl::libraryFileName();
    {
        QFile file(qsLibrary);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(baLibrary) == baLibrary.size());
    }
    QSettings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"))
        .setValue(QStringLiteral("CAT/HRDServer"), 1);

    QProcess *pProgram = startProgram();
    QVERIFY(waitForStarted(pProgram));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(qsLibrary + QStringLiteral(".rejected")), 20000);
    QVERIFY(!QFile::exists(qsLibrary));
    QTest::qWait(500);
    QCOMPARE(pProgram->state(), QProcess::Running);
    pProgram->terminate();
    QTRY_VERIFY_WITH_TIMEOUT(pProgram->state() == QProcess::NotRunning, 10000);
    QCOMPARE(pProgram->exitStatus(), QProcess::NormalExit);
    QSettings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane")).remove(QStringLiteral("CAT"));
    QFile::remove(qsLibrary + QStringLiteral(".rejected"));
}

void TestSingleInstance::terminateWhileTheWatchedLogIsRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("1 GB sparse file") << QStringLiteral("huge");
}

// A FIFO as the watched log blocked the start in open() for ever; a huge
// file kept the window from showing and SIGTERM unheard.
void TestSingleInstance::terminateWhileTheWatchedLogIsRead()
{
    QFETCH(QString, kind);
    const QString qsFile = m_tmp.filePath(QStringLiteral("watched-%1.adi").arg(kind));
    if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(qsFile).constData(), 0600) == 0);
    } else {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(1) << 30));
    }
    LogSettings log = SettingsStore::loadLog();
    log.watchedFile = qsFile;
    SettingsStore::saveLog(log);

    QProcess *pProgram = startProgram();
    QVERIFY(waitForStarted(pProgram));
    // The window is up and the read under way.
    QTest::qWait(1500);
    QCOMPARE(pProgram->state(), QProcess::Running);
    QElapsedTimer timer;
    timer.start();
    pProgram->terminate();
    QTRY_VERIFY_WITH_TIMEOUT(pProgram->state() == QProcess::NotRunning, 10000);
    const qint64 iExitMs = timer.elapsed();
    qInfo("The program ended %lld ms after SIGTERM with a %s as the watched log", iExitMs, qPrintable(kind));
    QCOMPARE(pProgram->exitStatus(), QProcess::NormalExit);
    QVERIFY(iExitMs < 1000);
    log.watchedFile.clear();
    SettingsStore::saveLog(log);
    QFile::remove(qsFile);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
