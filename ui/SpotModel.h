#ifndef SPOTMODEL_H
#define SPOTMODEL_H

#include <QStandardItemModel>

class Spot;

// The rows of the spot table, newest first. A spot becomes one row of seven
// text cells and, for an icon alert, an icon cell; a colour alert paints the
// text cells.
class SpotModel : public QStandardItemModel
{
    Q_OBJECT

public:
    enum Column { Date, Utc, Spotter, Frequency, DX, Country, Comment, Icon, ColumnCount };

    explicit SpotModel(QObject *parent = nullptr);

    // Puts the spot on top and drops the oldest row beyond uiMaxRows.
    void insertSpot(const Spot &spot, quint16 uiMaxRows);

    // The tray balloon's text for an alerted spot; a comment of blanks only
    // adds nothing.
    static QString balloonText(const Spot &spot);
};

#endif // SPOTMODEL_H
