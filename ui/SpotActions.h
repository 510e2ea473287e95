#ifndef SPOTACTIONS_H
#define SPOTACTIONS_H

#include "cluster/Spot.h"
#include "ui/SpotModel.h"

#include <QObject>
#include <QTimer>

#include <optional>

QT_BEGIN_NAMESPACE
class QAction;
class QLabel;
class QPoint;
class QToolBar;
class QWidget;
QT_END_NAMESPACE

class LogStore;
class RigControl;
class Settings;
class SpotTableView;
class Worked;

// What the operator does with one spot: the table's context menu, the
// spot's details, and tuning the rig to it, with the radio icon of the
// toolbar blinking while the rig is being tuned.
class SpotActions : public QObject
{
    Q_OBJECT

public:
    // pWindow parents the menu, the popups and the hints.
    SpotActions(SpotTableView *pTable, Settings *pSettings, const Worked *pWorked, const LogStore *pLogStore,
                RigControl *pRigControl, QWidget *pWindow);
    ~SpotActions() override;

    QAction *detailsAction() const { return m_detailsAction; }
    QAction *tuneRigAction() const { return m_tuneRigAction; }
    // The blinking radio icon at the toolbar's end.
    void addRadioIndicator(QToolBar *pToolBar);

    // The menu on the spot at point, in the table's viewport; pSendSpot
    // completes it.
    void openMenu(const QPoint &point, QAction *pSendSpot);
    // The spot the menu was opened on; without a menu, the current row's.
    void showDetails();
    void tuneMenuSpot();
    void tune(const Spot &spot);
    void blink();
    void stopBlinking();

private:
    // pReports, when given, gets who reported the spot's station.
    std::optional<Spot> takeMenuSpot(SpotModel::Reports *pReports = nullptr);

    SpotTableView *m_table = nullptr;
    Settings *m_settings = nullptr;
    const Worked *m_worked = nullptr;
    const LogStore *m_logStore = nullptr;
    RigControl *m_rigControl = nullptr;
    QWidget *m_window = nullptr;
    QAction *m_detailsAction = nullptr;
    QAction *m_tuneRigAction = nullptr;
    QLabel *m_radioLabel = nullptr;
    QAction *m_radioAction = nullptr;
    QTimer m_blinkTimer;
    // What the context menu acts on: the spot under the pointer when it
    // opened, whatever moved since.
    std::optional<Spot> m_menuSpot;
    SpotModel::Reports m_menuReports;
};

#endif // SPOTACTIONS_H
