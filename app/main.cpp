// Process start: the restart delay, the single-instance guard, identity and
// counters, the application object with its logger, the main window, and
// the orderly end.

#include "app/DemoMode.h"
#include "app/QMyApplication.h"
#include "app/SingleInstance.h"
#include "settings/SettingsStore.h"
#include "settings/Statistics.h"
#include "ui/MainWindow.h"

#include <QThread>
#include <QtGlobal>

#include <cstring>
#include <memory>

namespace {
// After a country-file update the old instance restarts the program with
// "/d" and needs this long to end before the guard looks for it.
constexpr unsigned long kRestartDelayMs = 5000;

bool isRestartDelay(int argc, char **argv)
{
    return argc == 2 && QByteArray(argv[1]).toLower() == "/d";
}
} // namespace

int main(int argc, char *argv[])
{
    if (isRestartDelay(argc, argv))
        QThread::msleep(kRestartDelayMs);

    auto guard = std::make_unique<SingleInstance>();
    if (guard->isAlreadyRunning()) {
        qDebug("Kelvane is already running.");
        return 2;
    }
    qDebug("Not running.");

    QCoreApplication::setApplicationName(SettingsStore::kApplication);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.3.106"));
    QCoreApplication::setOrganizationName(SettingsStore::kOrganization);
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarrow.example"));

    const bool bDemo = DemoMode::isRequested(argc, argv);
    if (bDemo)
        DemoMode::useDemoProfile();

    Statistics *pStatistics = Statistics::instance();
    pStatistics->attach(SettingsStore::kOrganization, SettingsStore::kApplication);
    pStatistics->incrementLaunchCount();

    int iResult = 0;
    {
        QMyApplication app(argc, argv);
        // Closing the window ends the run even when the tray icon stays.
        QApplication::setQuitOnLastWindowClosed(true);

        std::unique_ptr<DemoMode> demo;
        if (bDemo) {
            demo = std::make_unique<DemoMode>();
            if (!demo->start()) {
                qWarning("Cannot start the demo node.");
                return 1;
            }
        }

        auto window = std::make_unique<MainWindow>();
        if (!window->isStartMinimized())
            window->show();
        iResult = app.exec();
        window.reset();
    }
    Statistics::release();
    guard.reset();
    return iResult;
}
