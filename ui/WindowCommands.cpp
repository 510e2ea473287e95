#include "ui/WindowCommands.h"

#include "ui_MainWindow.h"

#include "ui/MainWindow.h"
#include "ui/SpotActions.h"
#include "ui/StatusFields.h"

#include <QPushButton>

namespace {
struct MenuAction
{
    QAction *Ui::MainWindow::*pAction;
    void (MainWindow::*pSlot)();
    bool bToolButton;
};

// The menu entries in menu order; the first four also have a toolbar
// button, in the same order.
const MenuAction kMenuActions[] = {
    {&Ui::MainWindow::actionConnect, &MainWindow::onConnectTriggered, true},
    {&Ui::MainWindow::actionSend_Spot, &MainWindow::onSendSpotTriggered, true},
    {&Ui::MainWindow::actionSettings, &MainWindow::onSettingsTriggered, true},
    {&Ui::MainWindow::actionManage_Worked_Countries, &MainWindow::onManageWorkedCountriesTriggered, true},
    {&Ui::MainWindow::actionExit, &MainWindow::onQuit, false},
    {&Ui::MainWindow::actionUpdate_Application, &MainWindow::onUpdateApplicationTriggered, false},
    {&Ui::MainWindow::actionStatistics, &MainWindow::onStatisticsTriggered, false},
    {&Ui::MainWindow::actionDocumentation, &MainWindow::onDocumentationTriggered, false},
    {&Ui::MainWindow::actionAbout, &MainWindow::onAboutTriggered, false},
    {&Ui::MainWindow::actionUpdate_Country_Data, &MainWindow::onUpdateCountryDataTriggered, false},
    {&Ui::MainWindow::actionImport_DXpeditions_List, &MainWindow::onImportDXpeditionsListTriggered, false},
};
} // namespace

WindowCommands::WindowCommands(MainWindow *pWindow, Ui::MainWindow &ui) : m_window(pWindow), m_ui(ui)
{
}

void WindowCommands::fillToolBar(StatusFields *pStatus, const QList<QAction *> &toolActions,
                                 SpotActions *pSpotActions) const
{
    QToolBar *pToolBar = m_ui.mainToolBar;
    pToolBar->setContentsMargins(0, 0, 12, 0);
    QPushButton *pConnectButton = nullptr;
    QPushButton *pSendSpotButton = nullptr;
    for (const MenuAction &entry : kMenuActions) {
        if (!entry.bToolButton)
            continue;
        const QAction *pAction = m_ui.*entry.pAction;
        auto *pButton = new QPushButton(pAction->icon(), QString(), pToolBar);
        pButton->setToolTip(pAction->toolTip());
        pButton->setFlat(true);
        pButton->setIconSize(QSize(22, 22));
        QObject::connect(pButton, &QPushButton::clicked, m_window, entry.pSlot);
        pToolBar->addWidget(pButton);
        // The connect button follows the connection, as the action does.
        if (pAction == m_ui.actionConnect)
            pConnectButton = pButton;
        else if (pAction == m_ui.actionSend_Spot)
            pSendSpotButton = pButton;
    }
    pStatus->setToolBarButtons(pConnectButton, pSendSpotButton);
    pToolBar->addActions(toolActions);

    auto *pSpacer = new QWidget(pToolBar);
    pSpacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    pToolBar->addWidget(pSpacer);
    pSpotActions->addRadioIndicator(pToolBar);
}

void WindowCommands::connectMenus(QAction *pImport, QMenu *pViewMenu) const
{
    for (const MenuAction &entry : kMenuActions)
        QObject::connect(m_ui.*entry.pAction, &QAction::triggered, m_window, entry.pSlot);
    m_ui.actionSettings->setShortcuts(
        {QKeySequence(QKeySequence::Preferences), QKeySequence(Qt::CTRL | Qt::Key_Comma)});
    m_ui.actionExit->setShortcut(QKeySequence::Quit);
    m_ui.actionConnect->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_ui.menuFile->insertAction(m_ui.actionImport_DXpeditions_List, pImport);
    m_ui.menuBar->insertMenu(m_ui.menuHelp->menuAction(), pViewMenu);
}
