#ifndef DELEGATE_H
#define DELEGATE_H

#include <QItemDelegate>

// Shades the spot-table cell under the mouse. A cell with an alert colour
// paints its colour over the shade, so alerts stay readable.
class Delegate : public QItemDelegate
{
    Q_OBJECT

public:
    static const QColor kHoverColor;

    explicit Delegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif // DELEGATE_H
