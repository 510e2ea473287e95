#include "ui/ViewMenu.h"

#include "settings/ViewOptions.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotTableView.h"
#include "ui/Theme.h"

#include <QAction>
#include <QActionGroup>
#include <QLineEdit>

ViewMenu::ViewMenu(SpotTableView *pTable, QLineEdit *pFind, QWidget *parent) : QMenu(tr("&View"), parent)
{
    setObjectName(QStringLiteral("menuView"));
    addAction(pTable->pauseAction());
    connectFindField(pTable, pFind);

    auto *pFindAction = new QAction(tr("&Find..."), parent);
    pFindAction->setObjectName(QStringLiteral("actionFind"));
    pFindAction->setShortcut(QKeySequence::Find);
    connect(pFindAction, &QAction::triggered, pFind, [pFind] {
        pFind->setFocus(Qt::ShortcutFocusReason);
        pFind->selectAll();
    });
    addAction(pFindAction);

    SpotBandProxy *pProxy = pTable->bandProxy();
    m_neededOnlyAction = new QAction(QIcon(QStringLiteral(":/ico/star_red.png")), tr("&Needed only"), parent);
    m_neededOnlyAction->setObjectName(QStringLiteral("actionNeededOnly"));
    m_neededOnlyAction->setCheckable(true);
    m_neededOnlyAction->setToolTip(tr("Show only spots of what your log still lacks"));
    m_neededOnlyAction->setChecked(ViewOptions::neededOnly());
    pProxy->setNeededOnly(m_neededOnlyAction->isChecked());
    connect(m_neededOnlyAction, &QAction::toggled, this, [pProxy](bool bChecked) {
        pProxy->setNeededOnly(bChecked);
        ViewOptions::setNeededOnly(bChecked);
    });
    addAction(m_neededOnlyAction);
}

void ViewMenu::connectFindField(SpotTableView *pTable, QLineEdit *pFind)
{
    connect(pFind, &QLineEdit::textChanged, pTable->bandProxy(), &SpotBandProxy::setFindText);
    // Enter in the field goes on to the rows it found.
    connect(pFind, &QLineEdit::returnPressed, pTable, [pTable] {
        pTable->setFocus(Qt::ShortcutFocusReason);
        if (!pTable->currentIndex().isValid() && pTable->model()->rowCount() > 0)
            pTable->setCurrentIndex(pTable->model()->index(0, SpotModel::DX));
    });
    auto *pClearFind = new QAction(pFind);
    pClearFind->setShortcut(QKeySequence(Qt::Key_Escape));
    pClearFind->setShortcutContext(Qt::WidgetShortcut);
    pFind->addAction(pClearFind);
    connect(pClearFind, &QAction::triggered, pFind, &QLineEdit::clear);
}

void ViewMenu::addThemeMenu(Theme *pTheme)
{
    QMenu *pMenu = addMenu(tr("&Theme"));
    pMenu->setObjectName(QStringLiteral("menuTheme"));
    auto *pGroup = new QActionGroup(pMenu);
    const struct
    {
        ViewOptions::Theme choice;
        const char *pText;
        const char *pName;
    } kChoices[] = {
        {ViewOptions::Theme::System, QT_TR_NOOP("&System"), "actionThemeSystem"},
        {ViewOptions::Theme::Light, QT_TR_NOOP("&Light"), "actionThemeLight"},
        {ViewOptions::Theme::Dark, QT_TR_NOOP("&Dark"), "actionThemeDark"},
    };
    for (const auto &entry : kChoices) {
        QAction *pAction = pMenu->addAction(tr(entry.pText));
        pAction->setObjectName(QLatin1String(entry.pName));
        pAction->setCheckable(true);
        pAction->setChecked(pTheme->choice() == entry.choice);
        pGroup->addAction(pAction);
        connect(pAction, &QAction::triggered, pTheme, [pTheme, choice = entry.choice] {
            pTheme->apply(choice);
            ViewOptions::setTheme(choice);
        });
    }
    pMenu->actions().first()->setToolTip(tr("The colours of your desktop"));
}
