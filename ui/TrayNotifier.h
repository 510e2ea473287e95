#ifndef TRAYNOTIFIER_H
#define TRAYNOTIFIER_H

#include <QHash>
#include <QObject>

QT_BEGIN_NAMESPACE
class QAction;
class QMenu;
class QSoundEffect;
class QSystemTrayIcon;
class QWidget;
QT_END_NAMESPACE

class BalloonThrottle;
class Spot;

// What reaches the operator outside the window: the tray icon with its
// menu, the balloons of alerted spots (throttled, so that a flood is one
// balloon per pause) and the alert sounds.
class TrayNotifier : public QObject
{
    Q_OBJECT

public:
    // pWindow: the window the tray menu shows, hides and quits.
    explicit TrayNotifier(QWidget *pWindow);
    ~TrayNotifier() override;

    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    // The tray icon of a connection state, by resource name.
    void setState(const char *pIcon, const QString &qsToolTip);
    void setToolTip(const QString &qsToolTip);
    // The sound and the balloon the spot's alert flags ask for.
    void alert(const Spot &spot);

Q_SIGNALS:
    void quitRequested();

private:
    void playSound(const QString &qsFile);

    QSystemTrayIcon *m_trayIcon = nullptr;
    BalloonThrottle *m_balloons = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_minimizeAction = nullptr;
    QAction *m_restoreAction = nullptr;
    QAction *m_quitAction = nullptr;
    QHash<QString, QSoundEffect *> m_sounds;
};

#endif // TRAYNOTIFIER_H
