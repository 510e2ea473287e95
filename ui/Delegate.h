#ifndef DELEGATE_H
#define DELEGATE_H

#include <QFont>
#include <QHash>
#include <QItemDelegate>
#include <QStaticText>

// Draws the spot-table cells and shades the one under the mouse. A cell with
// an alert colour paints its colour over the shade, so alerts stay readable.
class Delegate : public QItemDelegate
{
    Q_OBJECT

public:
    static const QColor kHoverColor;

    explicit Delegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const QStaticText &staticText(const QString &qsText, const QFont &font) const;

    mutable QHash<QString, QStaticText> m_texts;
    mutable QFont m_font;
};

#endif // DELEGATE_H
