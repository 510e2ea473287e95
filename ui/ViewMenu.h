#ifndef VIEWMENU_H
#define VIEWMENU_H

#include <QMenu>

QT_BEGIN_NAMESPACE
class QAction;
class QLineEdit;
QT_END_NAMESPACE

class SpotTableView;
class Theme;

// The View menu and the options it starts with: pause, the find field above
// the table and "Needed only". The docks and the bands add their entries
// after these.
class ViewMenu : public QMenu
{
    Q_OBJECT

public:
    ViewMenu(SpotTableView *pTable, QLineEdit *pFind, QWidget *parent);

    QAction *neededOnlyAction() const { return m_neededOnlyAction; }
    // System, Light and Dark; the choice is kept for the next start.
    void addThemeMenu(Theme *pTheme);

private:
    void connectFindField(SpotTableView *pTable, QLineEdit *pFind);

    QAction *m_neededOnlyAction = nullptr;
};

#endif // VIEWMENU_H
