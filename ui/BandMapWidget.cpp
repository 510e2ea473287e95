#include "ui/BandMapWidget.h"

#include "ui/SpotModel.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

namespace {
constexpr int kFadeRepaintMs = 20000;
// Rows that never age out still fade over this long.
constexpr qint64 kDefaultFadeMs = qint64(SpotModel::kDefaultMaxAgeMinutes) * 60000;
constexpr double kWheelZoom = 1.25;
constexpr double kMinTickPixels = 44.0;
constexpr double kMajorTick = 8.0;
constexpr double kMinorTick = 4.0;
constexpr double kSegmentStrip = 5.0;
constexpr double kLeaderRoom = 30.0;
constexpr double kLabelPadding = 5.0;
constexpr double kLabelGap = 4.0;
// The widest call and frequency a label must hold, and a call as wide as
// most: columns are as wide as the band's widest call needs.
const char *const kWidestCall = "QQ9/QQ9QQQ/P";
const char *const kTypicalCall = "QQ9QQQ";
const char *const kWidestFrequency = "99999.9";

// Steps of the scale's ticks: the mantissa of the major step and how many
// minor steps it is cut into.
struct TickStep
{
    double major;
    int minorCount;
};

TickStep tickStepFor(double dSpanKHz, double dHeight)
{
    static const TickStep kMantissas[] = {{1.0, 5}, {2.0, 4}, {2.5, 5}, {5.0, 5}};
    const double dWanted = dSpanKHz * kMinTickPixels / std::max(1.0, dHeight);
    for (double dDecade = 0.01; dDecade < 1e7; dDecade *= 10.0) {
        for (const TickStep &step : kMantissas) {
            if (step.major * dDecade >= dWanted)
                return {step.major * dDecade, step.minorCount};
        }
    }
    return {1e7, 5};
}

QColor segmentColor(ModeClass mode)
{
    switch (mode) {
    case ModeClass::Cw:
        return QColor(100, 149, 237);
    case ModeClass::Data:
        return QColor(186, 104, 200);
    case ModeClass::Phone:
        return QColor(102, 187, 106);
    case ModeClass::Unknown:
        break;
    }
    return QColor();
}

QBrush brushOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QColor)
        return QBrush(value.value<QColor>());
    return value.value<QBrush>();
}
} // namespace

BandMapWidget::BandMapWidget(SpotModel *pModel, QWidget *parent) : QWidget(parent), m_pModel(pModel)
{
    setObjectName(QStringLiteral("bandMap"));
    // Reached with Tab like the rest of the window: the arrows and page
    // keys scroll it, plus and minus zoom.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBand(*BandPlan::find(QStringLiteral("20m")));
    connect(m_pModel, &QAbstractItemModel::rowsInserted, this, &BandMapWidget::invalidate);
    connect(m_pModel, &QAbstractItemModel::rowsRemoved, this, &BandMapWidget::invalidate);
    connect(m_pModel, &QAbstractItemModel::dataChanged, this, &BandMapWidget::invalidate);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, &BandMapWidget::invalidate);
    m_fadeTimer.setInterval(kFadeRepaintMs);
    connect(&m_fadeTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_fadeTimer.start();
}

void BandMapWidget::setRowFilter(RowFilter filter)
{
    m_rowFilter = std::move(filter);
    invalidate();
}

void BandMapWidget::setBand(const BandPlan::Band &band)
{
    if (m_band == &band)
        return;
    m_band = &band;
    m_layout.setRange(band.low, band.high);
    invalidate();
}

void BandMapWidget::setRigFrequency(std::optional<double> dKHz)
{
    if (m_rigKHz == dKHz)
        return;
    m_rigKHz = dKHz;
    update();
}

void BandMapWidget::invalidate()
{
    m_bDirty = true;
    update();
}

double BandMapWidget::labelHeight() const
{
    return fontMetrics().height() + 4.0;
}

double BandMapWidget::columnWidth(double dCallWidth) const
{
    return dCallWidth + QFontMetricsF(frequencyFont()).horizontalAdvance(QLatin1String(kWidestFrequency))
        + 3 * kLabelPadding + kLabelGap;
}

QFont BandMapWidget::frequencyFont() const
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    return small;
}

double BandMapWidget::scaleRight() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("1296000.0")) + kMajorTick + kSegmentStrip + 6.0;
}

QSize BandMapWidget::sizeHint() const
{
    // Room for two columns of the widest calls: a crowd can spread out.
    const double dColumn = columnWidth(fontMetrics().horizontalAdvance(QLatin1String(kWidestCall)));
    return QSize(int(scaleRight() + kLeaderRoom + 2 * dColumn), 480);
}

QSize BandMapWidget::minimumSizeHint() const
{
    const double dColumn = columnWidth(fontMetrics().horizontalAdvance(QLatin1String(kWidestCall)));
    return QSize(int(scaleRight() + kLeaderRoom + dColumn), int(6 * labelHeight()));
}

void BandMapWidget::ensurePlaced()
{
    if (!m_bDirty)
        return;
    m_bDirty = false;
    const double dMargin = labelHeight() / 2.0 + 2.0;
    m_layout.setViewport(dMargin, height() - 2 * dMargin);

    QList<BandMapLayout::Label> labels;
    QHash<quint64, int> rows;
    const QFontMetricsF metrics(font());
    double dCallWidth = metrics.horizontalAdvance(QLatin1String(kTypicalCall));
    for (int iRow = 0; iRow < m_pModel->rowCount(); ++iRow) {
        if (m_pModel->bandBitAt(iRow) != m_band->bit || (m_rowFilter && !m_rowFilter(iRow)))
            continue;
        bool bOk = false;
        const double dKHz = m_pModel->spotAt(iRow).frequency().toDouble(&bOk);
        if (!bOk)
            continue;
        const quint64 uiId = m_pModel->idAt(iRow);
        labels.append({dKHz, uiId});
        rows.insert(uiId, iRow);
        dCallWidth = std::max(dCallWidth, metrics.horizontalAdvance(m_pModel->spotAt(iRow).dxCall()));
    }
    const double dColumnWidth =
        columnWidth(std::min(dCallWidth, metrics.horizontalAdvance(QLatin1String(kWidestCall))));
    const double dLeft = scaleRight() + kLeaderRoom;
    const int iMaxColumns = std::max(1, int((width() - dLeft) / dColumnWidth));
    const double dHeight = labelHeight();
    m_shown.clear();
    for (const BandMapLayout::Placement &placement : m_layout.place(labels, dHeight, iMaxColumns, &m_iHidden)) {
        const QRectF rect(dLeft + placement.column * dColumnWidth, placement.top, dColumnWidth - kLabelGap,
                          dHeight - 1.0);
        m_shown.append({placement, placement.key, rows.value(placement.key), rect});
    }
}

QRectF BandMapWidget::labelRect(quint64 uiId)
{
    ensurePlaced();
    for (const Shown &shown : std::as_const(m_shown)) {
        if (shown.id == uiId)
            return shown.rect;
    }
    return QRectF();
}

int BandMapWidget::hiddenCount()
{
    ensurePlaced();
    return m_iHidden;
}

const BandMapWidget::Shown *BandMapWidget::labelAt(const QPointF &point)
{
    ensurePlaced();
    for (const Shown &shown : std::as_const(m_shown)) {
        if (shown.rect.contains(point))
            return &shown;
    }
    return nullptr;
}

QString BandMapWidget::toolTipFor(const Shown &shown) const
{
    // Everything here came from the network: escaped, never taken as markup.
    const Spot &spot = m_pModel->spotAt(shown.row);
    const QStringList qslLines = {
        QStringLiteral("<b>%1</b> %2").arg(spot.dxCall().toHtmlEscaped(), spot.frequency().toHtmlEscaped()),
        tr("Spotter: %1").arg(spot.spotter()).toHtmlEscaped(),
        tr("Time: %1").arg(spot.time()).toHtmlEscaped(),
        tr("Comment: %1").arg(spot.comment()).toHtmlEscaped(),
    };
    return QStringLiteral("<p style='white-space:pre'>") + qslLines.join(QStringLiteral("<br>"))
        + QStringLiteral("</p>");
}

bool BandMapWidget::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *pHelp = static_cast<QHelpEvent *>(event);
        if (const Shown *pShown = labelAt(pHelp->pos()))
            QToolTip::showText(pHelp->globalPos(), toolTipFor(*pShown), this, pShown->rect.toRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void BandMapWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_bDirty = true;
}

void BandMapWidget::paintEvent(QPaintEvent *)
{
    ensurePlaced();
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setRenderHint(QPainter::Antialiasing);
    paintScale(painter);
    paintLabels(painter);
    paintRigMarker(painter);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (m_iHidden > 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(0, 0, -4, -2), Qt::AlignRight | Qt::AlignBottom,
                         tr("%n more: zoom in", nullptr, m_iHidden));
    }
}

void BandMapWidget::paintScale(QPainter &painter) const
{
    const double dRight = scaleRight();
    const double dTickRight = dRight - kSegmentStrip - 2.0;
    const double dTop = m_layout.yFor(m_layout.viewLowKHz());
    const double dBottom = m_layout.yFor(m_layout.viewHighKHz());

    // The band plan's segments as a strip beside the ticks.
    for (const BandPlan::Segment &segment : m_band->segments) {
        if (segment.mode == ModeClass::Unknown)
            break;
        const double dY1 = std::max(dTop, m_layout.yFor(segment.low));
        const double dY2 = std::min(dBottom, m_layout.yFor(segment.high));
        if (dY2 > dY1)
            painter.fillRect(QRectF(dRight - kSegmentStrip, dY1, kSegmentStrip, dY2 - dY1), segmentColor(segment.mode));
    }

    const QColor text = palette().color(QPalette::Text);
    painter.setPen(text);
    painter.drawLine(QPointF(dTickRight, dTop), QPointF(dTickRight, dBottom));
    const TickStep step = tickStepFor(m_layout.viewSpanKHz(), dBottom - dTop);
    const double dMinor = step.major / step.minorCount;
    const int iDecimals = step.major < 1.0 ? 1 : 0;
    const double dTextHeight = fontMetrics().height();
    for (double dKHz = std::ceil(m_layout.viewLowKHz() / dMinor) * dMinor; dKHz <= m_layout.viewHighKHz() + 1e-9;
         dKHz += dMinor) {
        const double dY = m_layout.yFor(dKHz);
        const bool bMajor = std::abs(std::remainder(dKHz, step.major)) < dMinor / 2.0;
        painter.drawLine(QPointF(dTickRight - (bMajor ? kMajorTick : kMinorTick), dY), QPointF(dTickRight, dY));
        if (bMajor) {
            painter.drawText(QRectF(0, dY - dTextHeight / 2.0, dTickRight - kMajorTick - 3.0, dTextHeight),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(dKHz, 'f', iDecimals));
        }
    }
}

void BandMapWidget::paintLabels(QPainter &painter) const
{
    const qint64 iFadeMs = m_pModel->maxAgeMs() > 0 ? m_pModel->maxAgeMs() : kDefaultFadeMs;
    const QColor text = palette().color(QPalette::Text);
    const QColor frame = palette().color(QPalette::Mid);
    const QBrush plain = palette().alternateBase();
    const double dAnchorX = scaleRight();
    const QFont frequencyText = frequencyFont();
    // Leaders first, from each label's frequency on the scale; straight, so
    // that a crowd's fan out, and under every label, so that none crosses one.
    for (const Shown &shown : m_shown) {
        if (shown.row >= m_pModel->rowCount())
            continue;
        painter.setOpacity(BandMapLayout::alphaForAge(m_pModel->ageMsAt(shown.row), iFadeMs));
        painter.setPen(QPen(frame, 1.0));
        painter.drawLine(QPointF(dAnchorX, shown.placement.anchorY),
                         QPointF(shown.rect.left(), shown.rect.center().y()));
    }
    for (const Shown &shown : m_shown) {
        if (shown.row >= m_pModel->rowCount())
            continue;
        painter.setOpacity(BandMapLayout::alphaForAge(m_pModel->ageMsAt(shown.row), iFadeMs));
        const QModelIndex index = m_pModel->index(shown.row, SpotModel::DX);
        const QBrush background = brushOf(index.data(Qt::BackgroundRole));
        const QBrush foreground = brushOf(index.data(Qt::ForegroundRole));
        painter.setPen(QPen(frame, 1.0));
        painter.setBrush(background.style() != Qt::NoBrush ? background : plain);
        painter.drawRoundedRect(shown.rect, 3.0, 3.0);
        // An alert's colour is the operator's choice, light or dark: the
        // call is drawn in whichever of black and white reads on it.
        const QColor pen = foreground.style() != Qt::NoBrush ? foreground.color()
            : background.style() != Qt::NoBrush              ? Theme::textOn(background.color())
                                                             : text;
        const Spot &spot = m_pModel->spotAt(shown.row);
        const QRectF inner = shown.rect.adjusted(kLabelPadding, 0, -kLabelPadding, 0);
        painter.setPen(pen);
        painter.setFont(font());
        // A call longer than any real one is cut rather than run over the
        // frequency.
        const double dFrequencyWidth = QFontMetricsF(frequencyText).horizontalAdvance(spot.frequency());
        const QString qsCall = QFontMetricsF(font()).elidedText(spot.dxCall(), Qt::ElideRight,
                                                                inner.width() - dFrequencyWidth - kLabelPadding);
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, qsCall);
        // The frequency, quieter, for reading the label without the scale.
        QColor quiet = pen;
        quiet.setAlphaF(0.6f);
        painter.setPen(quiet);
        painter.setFont(frequencyText);
        painter.drawText(inner, Qt::AlignRight | Qt::AlignVCenter, spot.frequency());
    }
    painter.setOpacity(1.0);
    painter.setBrush(Qt::NoBrush);
    painter.setFont(font());
}

void BandMapWidget::paintRigMarker(QPainter &painter) const
{
    if (!m_rigKHz || !m_layout.isVisible(*m_rigKHz))
        return;
    const double dY = m_layout.yFor(*m_rigKHz);
    const double dTickRight = scaleRight() - kSegmentStrip - 2.0;
    const QColor red(211, 47, 47);
    painter.setPen(QPen(red, 1.5));
    painter.drawLine(QPointF(0, dY), QPointF(width(), dY));
    QPainterPath triangle(QPointF(dTickRight, dY));
    triangle.lineTo(dTickRight - 9.0, dY - 5.0);
    triangle.lineTo(dTickRight - 9.0, dY + 5.0);
    triangle.closeSubpath();
    painter.fillPath(triangle, red);
}

void BandMapWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressPoint = event->position();
    m_lastDragPoint = event->position();
    m_bDragging = false;
}

void BandMapWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressPoint || !(event->buttons() & Qt::LeftButton)) {
        setCursor(labelAt(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
        return;
    }
    if (!m_bDragging && (event->position() - *m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_bDragging = true;
    setCursor(Qt::ClosedHandCursor);
    m_layout.scrollBy(m_lastDragPoint.y() - event->position().y());
    m_lastDragPoint = event->position();
    invalidate();
}

void BandMapWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressPoint)
        return QWidget::mouseReleaseEvent(event);
    const QPointF press = *m_pressPoint;
    m_pressPoint.reset();
    if (m_bDragging) {
        m_bDragging = false;
        setCursor(Qt::ArrowCursor);
        return;
    }
    const Shown *pShown = labelAt(press);
    if (!pShown || pShown != labelAt(event->position()))
        return;
    const int iRow = m_pModel->rowOfId(pShown->id);
    if (iRow >= 0)
        Q_EMIT spotClicked(Spot(m_pModel->spotAt(iRow)));
}

void BandMapWidget::wheelEvent(QWheelEvent *event)
{
    const double dSteps = event->angleDelta().y() / 120.0;
    if (dSteps == 0.0)
        return;
    m_layout.zoomAt(std::pow(kWheelZoom, dSteps), event->position().y());
    invalidate();
    event->accept();
}

void BandMapWidget::keyPressEvent(QKeyEvent *event)
{
    // A key may come before the first paint has told the layout its height.
    ensurePlaced();
    const double dLine = fontMetrics().height() * 2.0;
    const double dPage = height() * 0.8;
    switch (event->key()) {
    case Qt::Key_Up:
        m_layout.scrollBy(-dLine);
        break;
    case Qt::Key_Down:
        m_layout.scrollBy(dLine);
        break;
    case Qt::Key_PageUp:
        m_layout.scrollBy(-dPage);
        break;
    case Qt::Key_PageDown:
        m_layout.scrollBy(dPage);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_layout.zoomAt(kWheelZoom, height() / 2.0);
        break;
    case Qt::Key_Minus:
        m_layout.zoomAt(1.0 / kWheelZoom, height() / 2.0);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    invalidate();
    event->accept();
}
