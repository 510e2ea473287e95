#include "ui/TrayNotifier.h"

#include "API/QsLog/QsLog.h"
#include "cluster/Spot.h"
#include "ui/BalloonThrottle.h"
#include "ui/SpotModel.h"

#include <QAction>
#include <QMenu>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QUrl>

namespace {
constexpr int kBalloonMs = 5000;
// A handful of alert sounds is all a chain holds; the bound only keeps a
// store edited by hand from piling up players.
constexpr int kMaxSoundPlayers = 16;
const char *const kRedIcon = ":/ico/Kelvane Red 256.png";
} // namespace

TrayNotifier::TrayNotifier(QWidget *pWindow) : QObject(pWindow)
{
    m_minimizeAction = new QAction(QIcon(QStringLiteral(":/ico/minimize.png")), tr("Mi&nimize"), this);
    connect(m_minimizeAction, &QAction::triggered, pWindow, &QWidget::hide);
    m_restoreAction = new QAction(QIcon(QStringLiteral(":/ico/restore.png")), tr("&Restore"), this);
    connect(m_restoreAction, &QAction::triggered, pWindow, &QWidget::showNormal);
    m_quitAction = new QAction(QIcon(QStringLiteral(":/ico/Action-exit-icon.png")), tr("&Quit"), this);
    connect(m_quitAction, &QAction::triggered, this, &TrayNotifier::quitRequested);

    m_trayMenu = new QMenu(pWindow);
    m_trayMenu->addAction(m_minimizeAction);
    m_trayMenu->addAction(m_restoreAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_quitAction);

    m_trayIcon = new QSystemTrayIcon(QIcon(QString::fromLatin1(kRedIcon)), this);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::messageClicked, pWindow, &QWidget::show);
    m_trayIcon->show();
    m_balloons = new BalloonThrottle(this);
    connect(m_balloons, &BalloonThrottle::balloonDue, m_trayIcon,
            [this](const QString &qsTitle, const QString &qsText) {
                m_trayIcon->showMessage(qsTitle, qsText, QSystemTrayIcon::Information, kBalloonMs);
            });
}

TrayNotifier::~TrayNotifier() = default;

void TrayNotifier::setState(const char *pIcon, const QString &qsToolTip)
{
    m_trayIcon->setIcon(QIcon(QString::fromLatin1(pIcon)));
    m_trayIcon->setToolTip(qsToolTip);
}

void TrayNotifier::setToolTip(const QString &qsToolTip)
{
    m_trayIcon->setToolTip(qsToolTip);
}

void TrayNotifier::alert(const Spot &spot)
{
    if (spot.alertFlags().testFlag(AlertFlag::Sound))
        playSound(spot.soundFile());
    if (spot.alertFlags().testFlag(AlertFlag::Balloon))
        m_balloons->alert(spot.dxCall(), SpotModel::balloonText(spot));
}

void TrayNotifier::playSound(const QString &qsFile)
{
    QSoundEffect *pEffect = m_sounds.value(qsFile);
    if (!pEffect) {
        if (m_sounds.size() >= kMaxSoundPlayers) {
            qDeleteAll(m_sounds);
            m_sounds.clear();
        }
        // Loading and playing happen off the GUI thread's back: play() on a
        // sound still loading starts it once it is ready. A missing file or
        // sound device leaves the effect in its error state, silently.
        pEffect = new QSoundEffect(this);
        pEffect->setSource(QUrl::fromLocalFile(qsFile));
        m_sounds.insert(qsFile, pEffect);
    }
    QLOG_DEBUG() << "Playing alert sound" << qsFile;
    pEffect->play();
}
