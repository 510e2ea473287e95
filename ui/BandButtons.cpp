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
    // Bands past the ten digits are picked in the open menu by a character
    // of their own.
    QString qsMnemonics;
    const auto menuText = [&qsMnemonics](const QString &qsLabel) {
        for (int i = 0; i < qsLabel.size(); ++i) {
            const QChar letter = qsLabel.at(i).toLower();
            if (!letter.isLetterOrNumber() || qsMnemonics.contains(letter))
                continue;
            qsMnemonics.append(letter);
            return QString(qsLabel).insert(i, QLatin1Char('&'));
        }
        return qsLabel;
    };
    const auto addBand = [this, pBands, &menuText](QPushButton *pButton, const QString &qsLabel,
                                                   const QKeySequence &keys) {
        QAction *pAction = pBands->addAction(keys.isEmpty() ? menuText(qsLabel) : qsLabel);
        pAction->setShortcut(keys);
        setLegend(pButton, pButton == m_allButton ? QString() : qsLabel, keys);
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

QList<QPushButton *> BandButtons::buttons() const
{
    QList<QPushButton *> all;
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (QPushButton *pButton = button(i))
            all.append(pButton);
    }
    all.append(m_allButton);
    return all;
}

void BandButtons::setLegend(QPushButton *pButton, const QString &qsBand, const QKeySequence &keys)
{
    const QString qsKeys = keys.toString(QKeySequence::NativeText);
    QString qsTip = qsBand.isEmpty() ? tr("All bands") : qsBand;
    if (!qsKeys.isEmpty())
        qsTip += QStringLiteral(" (%1)").arg(qsKeys);
    qsTip += QLatin1Char('\n');
    qsTip += qsBand.isEmpty() ? tr("Green, pressed: spots of every band are shown.\n"
                                   "Red: only the bands pressed are shown.")
                              : tr("Green, pressed: spots of this band are shown and asked for.\n"
                                   "Red: this band's spots are not shown.\n"
                                   "While All is pressed, a click shows this band alone.");
    pButton->setToolTip(qsTip);
}

QString BandButtons::styleSheet(bool bDark)
{
    // Text colours are set here, not taken from the palette: the buttons
    // keep their own backgrounds on any theme. Every pair reads at 4.5:1
    // or more; the focus frame shows where Tab is.
    if (bDark) {
        return QStringLiteral(
            "QPushButton { color: #ffffff; border: 2px solid #5a5a60; border-radius: 6px;"
            " background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0 #7f1d1d, stop:1 #b71c1c); }"
            "QPushButton:hover { background-color: #c62828; }"
            "QPushButton:checked { background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0,"
            " stop:0 #1b5e20, stop:1 #2e7d32); }"
            "QPushButton:checked:hover { background-color: #2e7d32; }"
            "QPushButton:focus { border-color: #6cb4ff; }");
    }
    return QStringLiteral(
        "QPushButton { color: #000000; border: 2px solid #8f8f91; border-radius: 6px;"
        " background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0 #ff5040, stop:0.9 #ffc493,"
        " stop:1 #ffffff); }"
        "QPushButton:hover { background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0.37 #ffc493,"
        " stop:1 #ff5040); }"
        "QPushButton:checked { background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0 #66cd52,"
        " stop:1 #daf3d5); }"
        "QPushButton:checked:hover { background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0 #daf3d5,"
        " stop:1 #66cd52); }"
        "QPushButton:focus { border-color: #1565c0; }");
}

void BandButtons::applyStyle(bool bDark)
{
    const QString qsStyle = styleSheet(bDark);
    for (QPushButton *pButton : buttons())
        pButton->setStyleSheet(qsStyle);
}
