#include "ui/FirstRunGuide.h"

#include "API/QsLog/QsLog.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "ui/Tips.h"
#include "ui/WelcomePanel.h"

#include <QStatusBar>

#include <utility>

FirstRunGuide::FirstRunGuide(Settings *pSettings, QStatusBar *pStatusBar, QWidget *pContent, QWidget *pWindow)
    : QObject(pWindow), m_window(pWindow), m_panel(new WelcomePanel(pSettings, pWindow)), m_statusBar(pStatusBar)
{
    m_panel->standIn(pContent);
    // After the panel's own refresh, which these signals also run.
    connect(pSettings, &Settings::settingsSaved, this, &FirstRunGuide::updateHint);
    connect(pSettings, &Settings::foundActiveNode, this, &FirstRunGuide::updateHint);
}

bool FirstRunGuide::isGuiding() const
{
    return m_panel->isGuiding();
}

void FirstRunGuide::updateHint()
{
    const QString qsHint = tr("Welcome! Choose a node and enter your callsign in Settings to see spots.");
    if (m_panel->isGuiding()) {
        m_statusBar->showMessage(qsHint);
    } else if (!m_heldStatus.isEmpty()) {
        m_statusBar->showMessage(std::exchange(m_heldStatus, QString()));
    } else if (m_statusBar->currentMessage() == qsHint) {
        m_statusBar->clearMessage();
    }
}

void FirstRunGuide::showMessage(const QString &qsText)
{
    // A failed update check before anything is set up would be the first
    // thing a new operator reads: it waits until the guide is done.
    if (m_panel->isGuiding()) {
        QLOG_INFO() << "Status during the first-run guide:" << qsText;
        m_heldStatus = qsText;
        return;
    }
    m_statusBar->showMessage(qsText);
}

void FirstRunGuide::showTip(int iTip)
{
    // The guide is enough to read at a time.
    if (SettingsStore::seenTips() == Tips::kNoMoreTips || m_panel->isGuiding())
        return;
    if (m_tips && m_tips->isVisible())
        return;
    auto *pTips = new Tips(m_window);
    m_tips = pTips;
    pTips->setAttribute(Qt::WA_DeleteOnClose);
    pTips->showTip(iTip);
    // A hint already seen stays hidden; its window would only pile up.
    if (!pTips->isVisible())
        pTips->deleteLater();
}
