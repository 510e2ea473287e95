#include "ui/DockSet.h"

#include "API/QsLog/QsLog.h"
#include "settings/SettingsStore.h"
#include "ui/BandMapDock.h"
#include "ui/BandMapWidget.h"
#include "ui/MapDock.h"
#include "ui/MapWidget.h"
#include "ui/NodeConsole.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotSortProxy.h"
#include "ui/SpotTableView.h"

#include <QAction>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>

DockSet::DockSet(QMainWindow *pWindow, QMenu *pViewMenu, SpotTableView *pTable, RigControl *pRig)
    : QObject(pWindow), m_window(pWindow), m_viewMenu(pViewMenu), m_table(pTable)
{
    // Fed by the table's own model: a station is one label there as it is
    // one row here.
    m_bandMapDock = new BandMapDock(pTable->spotModel(), pRig, pWindow);
    addDock(m_bandMapDock, Qt::RightDockWidgetArea, tr("Band &map"));
    m_bandMapDock->hide();
    connect(m_bandMapDock->bandMap(), &BandMapWidget::spotClicked, this, &DockSet::tuneRequested);
    // The map draws what the search leaves in the table, on its own band.
    BandMapWidget *pMap = m_bandMapDock->bandMap();
    SpotBandProxy *pProxy = pTable->bandProxy();
    const auto searched = [pProxy](int iRow) {
        return pProxy->matchesSearch(iRow);
    };
    pMap->setRowFilter(searched);
    connect(pProxy, &SpotBandProxy::searchChanged, pMap, [pMap, searched] { pMap->setRowFilter(searched); });

    // The map reads the table's own rows: the band view, the find field and
    // "Needed only" apply to it as they do to the table.
    m_mapDock = new MapDock(pTable->sortProxy(), pWindow);
    addDock(m_mapDock, Qt::RightDockWidgetArea, tr("M&ap"));
    m_mapDock->hide();
    connect(m_mapDock->map(), &MapWidget::spotClicked, this, &DockSet::mapSpotClicked);

    m_console = new NodeConsole(pWindow);
    m_consoleDock = new QDockWidget(tr("Node console"), pWindow);
    // The name the window state knows the dock by.
    m_consoleDock->setObjectName(QStringLiteral("dockWidgetConsole"));
    m_consoleDock->setWidget(m_console);
    addDock(m_consoleDock, Qt::BottomDockWidgetArea, tr("Node &console"));
}

void DockSet::addDock(QDockWidget *pDock, Qt::DockWidgetArea area, const QString &qsMenuText)
{
    m_window->addDockWidget(area, pDock);
    // The menu entry has its own text: a mnemonic in the dock's title would
    // show in its title bar.
    pDock->toggleViewAction()->setText(qsMenuText);
    m_viewMenu->addAction(pDock->toggleViewAction());
}

void DockSet::restoreLayout()
{
    const WindowLayout layout = SettingsStore::loadWindowLayout();
    if (layout.geometry.isEmpty())
        applyDefaultSize();
    else
        m_window->restoreGeometry(layout.geometry);
    if (!layout.state.isEmpty() && !m_window->restoreState(layout.state)) {
        QLOG_WARN() << "The stored dock layout does not read; the docks keep their default places";
    }
    if (!layout.headerState.isEmpty() && !m_table->restoreHeaderState(layout.headerState)) {
        QLOG_WARN() << "The stored column layout does not read; the table keeps its default columns";
    }
}

void DockSet::applyDefaultSize()
{
    constexpr int kDefaultWidth = 1280;
    // A title bar the window manager adds above the client area.
    constexpr int kFrameAllowance = 40;
    // The console's input line and a few lines of the node's words; the
    // spots matter more at first.
    constexpr int kConsoleHeight = 80;
    const QScreen *pScreen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    const QRect available = pScreen ? pScreen->availableGeometry() : QRect(0, 0, 1366, 768);
    const QSize size(qMin(kDefaultWidth, available.width()), available.height() - kFrameAllowance);
    m_window->resize(size);
    m_window->move(available.x() + (available.width() - size.width()) / 2, available.y());
    m_window->resizeDocks({m_consoleDock}, {kConsoleHeight}, Qt::Vertical);
}

void DockSet::saveLayout()
{
    SettingsStore::saveWindowLayout(
        {m_window->saveGeometry(), m_table->horizontalHeader()->saveState(), m_window->saveState()});
}
