// Process start: the restart delay, the single-instance guard, identity and
// counters, the application object with its logger, the main window, and
// the orderly end.

#include "app/DemoMode.h"
#include "app/InstanceMessenger.h"
#include "app/QMyApplication.h"
#include "app/SingleInstance.h"
#include "app/Version.h"
#include "rig/RigControl.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsStore.h"
#include "settings/Statistics.h"
#include "ui/MainWindow.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QtGlobal>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// After a country-file update the old instance restarts the program with
// "/d" and needs this long to end before the guard looks for it.
constexpr unsigned long kRestartDelayMs = 5000;

int g_signalPipe[2] = {-1, -1};
bool g_quitRequested = false;

void onUnixSignal(int)
{
    const char cByte = 1;
    [[maybe_unused]] const ssize_t iWritten = ::write(g_signalPipe[1], &cByte, 1);
}

// Ctrl+C and a session's SIGTERM end the event loop like Quit does, so the
// counters are written and the log closed. The handlers go in as soon as this
// process is the instance: a signal that comes while the application object
// or the window is still being built waits in the pipe instead of killing
// the process half-way.
void catchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    std::signal(SIGINT, onUnixSignal);
    std::signal(SIGTERM, onUnixSignal);
}

void quitOnSignals(QCoreApplication *pApp)
{
    if (g_signalPipe[0] < 0)
        return;
    auto *pNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, pApp);
    QObject::connect(pNotifier, &QSocketNotifier::activated, pApp, [] {
        g_quitRequested = true;
        // exit() rather than quit(), which is ignored before exec() runs.
        QCoreApplication::exit(0);
    });
}

bool isRestartDelay(int argc, char **argv)
{
    return argc == 2 && QByteArray(argv[1]).toLower() == "/d";
}

// --version and --help are answered before the guard and the application
// object, so they work without a display and while another instance runs.
// Any other argument is left to Qt and the demo as before.
int answerInformationOption(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray baArgument(argv[i]);
        QString qsAnswer;
        if (baArgument == "--version") {
            qsAnswer = QStringLiteral("Kelvane " KELVANE_VERSION "\n");
        } else if (baArgument == "--help" || baArgument == "-h") {
            qsAnswer = QCoreApplication::translate(
                "main",
                "Usage: kelvane [--demo] [/d]\n"
                "A desktop client for amateur-radio DX clusters.\n\n"
                "  --demo     run against a built-in node on loopback that streams\n"
                "             made-up spots, with a settings profile of its own\n"
                "  /d         wait five seconds before starting (used by the restart\n"
                "             after a country-file update)\n"
                "  --version  print the version and end\n"
                "  --help     print this help and end\n\n"
                "KELVANE_LOG_STDERR=1 in the environment copies the log to standard error.\n");
        } else {
            continue;
        }
        QTextStream(stdout) << qsAnswer;
        return 0;
    }
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    if (const int iExitCode = answerInformationOption(argc, argv); iExitCode >= 0)
        return iExitCode;
    if (isRestartDelay(argc, argv))
        QThread::msleep(kRestartDelayMs);

    auto guard = std::make_unique<SingleInstance>();
    if (guard->isAlreadyRunning()) {
        qDebug("Kelvane is already running.");
        // The operator started the program to see it: the running one comes
        // forward instead, also out of the tray.
        QCoreApplication messengerApp(argc, argv);
        if (!InstanceMessenger::askRunningInstanceToShow())
            qDebug("The running instance did not answer.");
        return 2;
    }
    catchSignals();
    qDebug("Not running.");

    QCoreApplication::setApplicationName(SettingsStore::kApplication);
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVANE_VERSION));
    QCoreApplication::setOrganizationName(SettingsStore::kOrganization);
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarrow.example"));
    // Lets a desktop (Wayland above all) match the window to the menu entry
    // and show that entry's icon in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tarrow.Kelvane"));

    const bool bDemo = DemoMode::isRequested(argc, argv);
    if (bDemo)
        DemoMode::useDemoProfile();
    // Before anything reads the store: a damaged one would be read as empty
    // and the next save would make that permanent.
    const SettingsBackup::StartCheck storeCheck = SettingsBackup::checkAtStart();

    Statistics *pStatistics = Statistics::instance();
    pStatistics->attach(SettingsStore::kOrganization, SettingsStore::kApplication);
    pStatistics->incrementLaunchCount();

    int iResult = 0;
    {
        QMyApplication app(argc, argv);
        // Closing the window ends the run even when the tray icon stays.
        QApplication::setQuitOnLastWindowClosed(true);
        quitOnSignals(&app);
        const QString qsRejected = RigControl::rejectBrokenDownload();
        // Queued: a save can fail deep inside a dialog's own handling.
        QObject::connect(
            SettingsBackup::instance(), &SettingsBackup::saveFailed, &app,
            [](const QString &qsMessage) {
                QMessageBox::warning(nullptr, QCoreApplication::translate("main", "Kelvane settings"), qsMessage);
            },
            Qt::QueuedConnection);

        std::unique_ptr<DemoMode> demo;
        if (bDemo) {
            demo = std::make_unique<DemoMode>();
            if (!demo->start()) {
                qWarning("Cannot start the demo node.");
                return 1;
            }
        }

        // Listening before the window exists answers a second start at once,
        // even while the window is still being built.
        InstanceMessenger messenger;
        messenger.listen();
        auto window = std::make_unique<MainWindow>();
        QObject::connect(&messenger, &InstanceMessenger::showRequested, window.get(), &MainWindow::bringToFront);
        // What the start found goes to the window once it is up: a box only
        // where the operator has something to do, the status bar otherwise.
        MainWindow *pWindow = window.get();
        auto warnLater = [pWindow](const char *pTitle, const QString &qsText) {
            QTimer::singleShot(0, pWindow, [pWindow, pTitle, qsText] {
                QMessageBox::warning(pWindow, QCoreApplication::translate("main", pTitle), qsText);
            });
        };
        if (storeCheck.mustAct)
            warnLater(QT_TRANSLATE_NOOP("main", "Kelvane settings"), storeCheck.message);
        else if (!storeCheck.message.isEmpty())
            pWindow->statusBar()->showMessage(storeCheck.message);
        if (!qsRejected.isEmpty())
            warnLater(QT_TRANSLATE_NOOP("main", "Kelvane rig control"), qsRejected);
        if (demo)
            DemoMode::showDocks(*window);
        // A signal that came while a start-up warning was open has ended
        // that box's loop only; the run ends here instead of starting.
        if (!g_quitRequested) {
            if (!window->isStartMinimized())
                window->show();
            iResult = app.exec();
        }
        window.reset();
    }
    // Saved already when the event loop ended, unless it never ran.
    Statistics::release();
    guard.reset();
    return iResult;
}
