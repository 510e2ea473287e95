#ifndef WINDOWCOMMANDS_H
#define WINDOWCOMMANDS_H

#include <QList>

QT_BEGIN_NAMESPACE
class QAction;
class QMenu;
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class MainWindow;
class SpotActions;
class StatusFields;

// The window's commands: its menu entries with their shortcuts, and the
// toolbar, whose first buttons mirror the first four entries. Each entry
// calls the window's slot of the same name.
class WindowCommands
{
public:
    WindowCommands(MainWindow *pWindow, Ui::MainWindow &ui);

    // The command buttons, then toolActions, and the radio's indicator at
    // the far end.
    void fillToolBar(StatusFields *pStatus, const QList<QAction *> &toolActions, SpotActions *pSpotActions) const;
    // pImport goes into the File menu; pViewMenu before Help.
    void connectMenus(QAction *pImport, QMenu *pViewMenu) const;

private:
    MainWindow *m_window;
    Ui::MainWindow &m_ui;
};

#endif // WINDOWCOMMANDS_H
