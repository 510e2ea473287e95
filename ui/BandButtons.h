#ifndef BANDBUTTONS_H
#define BANDBUTTONS_H

#include <QList>
#include <QObject>

QT_BEGIN_NAMESPACE
class QKeySequence;
class QMenu;
class QPushButton;
class QWidget;
QT_END_NAMESPACE

// The band buttons above the table, one for each band of the band plan the
// window has a button for, and "All". They show the band filter's
// selection and answer the keyboard through the View menu's Bands entries.
class BandButtons : public QObject
{
    Q_OBJECT

public:
    // pWindow holds the buttons and carries their shortcuts; the Bands menu
    // goes into pViewMenu.
    BandButtons(QWidget *pWindow, QPushButton *pAllButton, QMenu *pViewMenu);

    // The button of a band of the band plan, named "pushButton" and its label.
    QPushButton *button(int iIndex) const;
    // Checks the buttons of the bands in iBands, a band filter value.
    void showSelection(int iBands);
    // Red for a band not shown, green for one shown, in shades that carry
    // text on a light or a dark window.
    void applyStyle(bool bDark);
    static QString styleSheet(bool bDark);

Q_SIGNALS:
    // iBand: a band's bit, or the value of all bands for "All".
    void bandClicked(int iBand, bool bChecked);

private:
    void addShortcuts(QMenu *pViewMenu);
    // Each button says what its colours mean and which keys press it.
    static void setLegend(QPushButton *pButton, const QString &qsBand, const QKeySequence &keys);
    QList<QPushButton *> buttons() const;

    QWidget *m_window;
    QPushButton *m_allButton;
};

#endif // BANDBUTTONS_H
