#ifndef DELEGATE_H
#define DELEGATE_H

#include <QFont>
#include <QHash>
#include <QItemDelegate>
#include <QPalette>
#include <QStaticText>

// Draws the spot-table cells and shades the one under the mouse. A cell with
// an alert colour paints its colour over the shade, with black or white text
// whichever reads better on it, so alerts stay readable on any palette.
class Delegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit Delegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The text colour of a row at an age step: the palette's text moved
    // towards its base, never so far that it reads below 4.5:1.
    static QColor fadedText(const QPalette &palette, QPalette::ColorGroup group, int iAgeStep);
    // The shade of the cell under the mouse: the base moved a little
    // towards the text, light on a light palette and dark on a dark one.
    static QColor hoverColor(const QPalette &palette, QPalette::ColorGroup group);

private:
    const QStaticText &staticText(const QString &qsText, const QFont &font) const;
    const QStaticText &elidedText(const QString &qsText, const QStyleOptionViewItem &option, int iWidth) const;
    void useFont(const QFont &font) const;

    mutable QHash<QString, QStaticText> m_texts;
    // Keyed by text and width: a comment wider than its column is cut and
    // laid out once per column width, not at every repaint.
    mutable QHash<QPair<QString, int>, QStaticText> m_elidedTexts;
    mutable QFont m_font;
};

#endif // DELEGATE_H
