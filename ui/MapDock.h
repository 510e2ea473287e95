#ifndef MAPDOCK_H
#define MAPDOCK_H

#include <QDockWidget>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
class QComboBox;
QT_END_NAMESPACE

class MapWidget;

// The world map as a dock of the main window, with the choice of
// projection above it; the choice is kept in the store ("Map/Projection").
class MapDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit MapDock(QAbstractItemModel *pModel, QWidget *parent = nullptr);

    MapWidget *map() const { return m_map; }
    // The operator's locator and distance unit of the moment.
    void setStation(const QString &qsLocator, bool bMiles);

private:
    void onProjectionChosen(int iIndex);
    void updateChoices();

    QComboBox *m_projectionCombo = nullptr;
    MapWidget *m_map = nullptr;
};

#endif // MAPDOCK_H
