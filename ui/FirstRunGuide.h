#ifndef FIRSTRUNGUIDE_H
#define FIRSTRUNGUIDE_H

#include <QObject>
#include <QPointer>
#include <QString>

QT_BEGIN_NAMESPACE
class QStatusBar;
class QWidget;
QT_END_NAMESPACE

class Settings;
class Tips;
class WelcomePanel;

// The first start's guide in the table's place and the status text that
// goes with it: while the guide shows, the status bar tells what to do
// first, and what the network or the updater says meanwhile waits until
// the guide is done.
class FirstRunGuide : public QObject
{
    Q_OBJECT

public:
    // The guide stands in for pContent until a node and the callsign are set.
    FirstRunGuide(Settings *pSettings, QStatusBar *pStatusBar, QWidget *pContent, QWidget *pWindow);

    bool isGuiding() const;
    // Shows qsText now, or holds the last one back while the guide shows.
    void showMessage(const QString &qsText);
    // The hint while the guide shows; once it is done, the text it held.
    void updateHint();
    // A hint of the first use of something, none while the guide shows;
    // once the operator has turned hints off no window is even created.
    void showTip(int iTip);

private:
    QWidget *m_window;
    WelcomePanel *m_panel;
    QStatusBar *m_statusBar;
    QString m_heldStatus;
    // The hint on screen: several sources connecting at once ask for the
    // same one.
    QPointer<Tips> m_tips;
};

#endif // FIRSTRUNGUIDE_H
