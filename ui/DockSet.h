#ifndef DOCKSET_H
#define DOCKSET_H

#include <QObject>

QT_BEGIN_NAMESPACE
class QDockWidget;
class QMainWindow;
class QMenu;
class QModelIndex;
QT_END_NAMESPACE

class BandMapDock;
class MapDock;
class NodeConsole;
class RigControl;
class SpotTableView;
class Spot;

// The window's docks (band map, world map, node console) and the stored
// window state that places them: the dock layout, the window's geometry and
// the table's columns are saved and read back together.
class DockSet : public QObject
{
    Q_OBJECT

public:
    // Each dock is listed in pViewMenu, in the order it is placed.
    DockSet(QMainWindow *pWindow, QMenu *pViewMenu, SpotTableView *pTable, RigControl *pRig);

    BandMapDock *bandMapDock() const { return m_bandMapDock; }
    MapDock *mapDock() const { return m_mapDock; }
    NodeConsole *console() const { return m_console; }

    void restoreLayout();
    void saveLayout();

Q_SIGNALS:
    // A click on the band map's label of a spot.
    void tuneRequested(const Spot &spot);
    // A click on the world map; index is the table's row of the spot, if any.
    void mapSpotClicked(const QModelIndex &index, const Spot &spot);

private:
    void addDock(QDockWidget *pDock, Qt::DockWidgetArea area, const QString &qsMenuText);
    // The first start's size: room for 20 rows and every band button on a
    // 1366x768 screen, never more than the screen.
    void applyDefaultSize();

    QMainWindow *m_window;
    QMenu *m_viewMenu;
    SpotTableView *m_table;
    BandMapDock *m_bandMapDock = nullptr;
    MapDock *m_mapDock = nullptr;
    NodeConsole *m_console = nullptr;
    QDockWidget *m_consoleDock = nullptr;
};

#endif // DOCKSET_H
