#include "ui/Delegate.h"

#include "ui/SpotModel.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>

#include <iterator>

namespace {
// A screenful of cells many times over; the bound only keeps a long run of
// new calls and comments from growing the cache without end.
constexpr int kMaxCachedTexts = 8192;
} // namespace

Delegate::Delegate(QObject *parent) : QItemDelegate(parent)
{
}

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

namespace {
QColor mixed(const QColor &from, const QColor &towards, double dShare)
{
    const auto mix = [dShare](int iFrom, int iTowards) {
        return qRound(iFrom * (1.0 - dShare) + iTowards * dShare);
    };
    return QColor(mix(from.red(), towards.red()), mix(from.green(), towards.green()), mix(from.blue(), towards.blue()));
}
} // namespace

QColor Delegate::fadedText(const QPalette &palette, QPalette::ColorGroup group, int iAgeStep)
{
    // Shares of the base colour mixed into the text, one per age step.
    constexpr double kMix[] = {0.0, 0.2, 0.32, 0.42};
    constexpr double kMinContrast = 4.5;
    double dMix = kMix[qBound(0, iAgeStep, int(std::size(kMix)) - 1)];
    const QColor text = palette.color(group, QPalette::Text);
    const QColor base = palette.color(group, QPalette::Base);
    // A desktop palette of little contrast fades less rather than below
    // what reads.
    QColor faded = mixed(text, base, dMix);
    while (dMix > 0.0 && Theme::contrast(faded, base) < kMinContrast) {
        dMix = qMax(0.0, dMix - 0.02);
        faded = mixed(text, base, dMix);
    }
    return faded;
}

QColor Delegate::hoverColor(const QPalette &palette, QPalette::ColorGroup group)
{
    return mixed(palette.color(group, QPalette::Base), palette.color(group, QPalette::Text), 0.1);
}

void Delegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Cells are drawn from text laid out once and kept: a repaint of rows
    // that did not change shapes no text again.
    const QRect rect = option.rect;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (option.state & QStyle::State_Active)                                ? QPalette::Normal
                                                                               : QPalette::Inactive;
    const bool bSelected = option.state & QStyle::State_Selected;
    bool bColoured = false;
    QColor colouredText;
    if (bSelected) {
        painter->fillRect(rect, option.palette.brush(group, QPalette::Highlight));
    } else {
        if (option.state & QStyle::State_MouseOver)
            painter->fillRect(rect, hoverColor(option.palette, group));
        const QVariant background = index.data(Qt::BackgroundRole);
        bColoured = background.canConvert<QBrush>();
        if (bColoured) {
            const QBrush brush = background.value<QBrush>();
            painter->fillRect(rect, brush);
            colouredText = Theme::textOn(brush.color());
        }
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
        const Qt::Alignment align =
            alignment.isValid() ? Qt::Alignment(alignment.toInt()) : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
        // Age fades only text on the palette's own base: a coloured cell
        // keeps its full contrast.
        if (bSelected)
            painter->setPen(option.palette.color(group, QPalette::HighlightedText));
        else if (bColoured)
            painter->setPen(colouredText);
        else
            painter->setPen(fadedText(option.palette, group, index.data(SpotModel::AgeStepRole).toInt()));
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
