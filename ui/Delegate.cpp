#include "ui/Delegate.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>

const QColor Delegate::kHoverColor = QColor(233, 233, 233, 255);

namespace {
// A screenful of cells many times over; the bound only keeps a long run of
// new calls and comments from growing the cache without end.
constexpr int kMaxCachedTexts = 8192;
} // namespace

Delegate::Delegate(QObject *parent) : QItemDelegate(parent) {}

namespace {

QStaticText preparedText(const QString &qsText, const QFont &font)
{
    QStaticText text(qsText);
    text.setTextFormat(Qt::PlainText);
    text.prepare(QTransform(), font);
    return text;
}

} // namespace

void Delegate::useFont(const QFont &font) const
{
    if (font != m_font) {
        m_texts.clear();
        m_elidedTexts.clear();
        m_font = font;
    }
}

const QStaticText &Delegate::staticText(const QString &qsText, const QFont &font) const
{
    useFont(font);
    auto it = m_texts.find(qsText);
    if (it == m_texts.end()) {
        if (m_texts.size() >= kMaxCachedTexts)
            m_texts.clear();
        it = m_texts.insert(qsText, preparedText(qsText, font));
    }
    return *it;
}

const QStaticText &Delegate::elidedText(const QString &qsText, const QStyleOptionViewItem &option, int iWidth) const
{
    useFont(option.font);
    const QPair<QString, int> key(qsText, iWidth);
    auto it = m_elidedTexts.find(key);
    if (it == m_elidedTexts.end()) {
        if (m_elidedTexts.size() >= kMaxCachedTexts)
            m_elidedTexts.clear();
        const QString qsElided = option.fontMetrics.elidedText(qsText, option.textElideMode, iWidth);
        it = m_elidedTexts.insert(key, preparedText(qsElided, option.font));
    }
    return *it;
}

void Delegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Cells are drawn from text laid out once and kept: a repaint of rows
    // that did not change shapes no text again.
    const QRect rect = option.rect;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                               : QPalette::Inactive;
    const bool bSelected = option.state & QStyle::State_Selected;
    if (bSelected) {
        painter->fillRect(rect, option.palette.brush(group, QPalette::Highlight));
    } else {
        if (option.state & QStyle::State_MouseOver)
            painter->fillRect(rect, kHoverColor);
        const QVariant background = index.data(Qt::BackgroundRole);
        if (background.canConvert<QBrush>())
            painter->fillRect(rect, background.value<QBrush>());
    }

    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.canConvert<QIcon>())
        decoration.value<QIcon>().paint(painter, rect, Qt::AlignCenter);

    const QVariant display = index.data(Qt::DisplayRole);
    if (display.isValid()) {
        const QString qsText = display.toString();
        const QWidget *pWidget = option.widget;
        const QStyle *pStyle = pWidget ? pWidget->style() : QApplication::style();
        const int iMargin = pStyle->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, pWidget) + 1;
        const QRect textRect = rect.adjusted(iMargin, 0, -iMargin, 0);
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        const Qt::Alignment align = alignment.isValid() ? Qt::Alignment(alignment.toInt())
                                                        : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
        painter->setPen(option.palette.color(group, bSelected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        const QStaticText *pText = &staticText(qsText, option.font);
        if (pText->size().width() > textRect.width())
            pText = &elidedText(qsText, option, textRect.width());
        const QSizeF size = pText->size();
        const qreal dX = (align & Qt::AlignRight) ? textRect.right() + 1 - size.width() : textRect.left();
        const qreal dY = textRect.top() + (textRect.height() - size.height()) / 2;
        painter->drawStaticText(QPointF(dX, dY), *pText);
    }
    drawFocus(painter, option, rect);
}
