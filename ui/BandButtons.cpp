#include "ui/BandButtons.h"

#include "filters/Filter.h"
#include "radio/BandPlan.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include <iterator>

BandButtons::BandButtons(QWidget *pWindow, QPushButton *pAllButton, QMenu *pViewMenu)
    : QObject(pWindow), m_window(pWindow), m_allButton(pAllButton)
{
    for (int i = 0; i < BandPlan::count(); ++i) {
        const int iBand = int(BandPlan::at(i).bit);
        // A band the window has no button for is still filtered and asked for.
        if (QPushButton *pButton = button(i))
            connect(pButton, &QPushButton::clicked, this,
                    [this, iBand](bool bChecked) { Q_EMIT bandClicked(iBand, bChecked); });
    }
    connect(m_allButton, &QPushButton::clicked, this,
            [this](bool bChecked) { Q_EMIT bandClicked(Filter::AllBands, bChecked); });
    addShortcuts(pViewMenu);
}

QPushButton *BandButtons::button(int iIndex) const
{
    return m_window->findChild<QPushButton *>(QStringLiteral("pushButton") + QLatin1String(BandPlan::at(iIndex).label));
}

void BandButtons::addShortcuts(QMenu *pViewMenu)
{
    // The bands from the keyboard: Alt and the digits for the HF bands, in
    // button order, Alt+A for all.
    QMenu *pBands = pViewMenu->addMenu(tr("&Bands"));
    pBands->setObjectName(QStringLiteral("menuBands"));
    const auto addBand = [this, pBands](QPushButton *pButton, const QString &qsLabel, const QKeySequence &keys) {
        QAction *pAction = pBands->addAction(qsLabel);
        pAction->setShortcut(keys);
        connect(pAction, &QAction::triggered, pButton, &QPushButton::click);
        // Also while the menu bar is hidden or another window part has focus.
        m_window->addAction(pAction);
    };
    constexpr Qt::Key kDigits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
                                   Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_0};
    int iDigit = 0;
    for (int i = 0; i < BandPlan::count(); ++i) {
        QPushButton *pButton = button(i);
        if (!pButton)
            continue;
        const QKeySequence keys =
            iDigit < int(std::size(kDigits)) ? QKeySequence(Qt::ALT | kDigits[iDigit++]) : QKeySequence();
        addBand(pButton, QString::fromLatin1(BandPlan::at(i).label), keys);
    }
    addBand(m_allButton, tr("All bands"), QKeySequence(Qt::ALT | Qt::Key_A));
}

void BandButtons::showSelection(int iBands)
{
    const bool bAll = iBands == Filter::AllBands;
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (QPushButton *pButton = button(i))
            pButton->setChecked(bAll || (quint32(iBands) & BandPlan::at(i).bit));
    }
    m_allButton->setChecked(bAll);
}
