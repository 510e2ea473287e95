#ifndef BANDMAPWIDGET_H
#define BANDMAPWIDGET_H

#include "radio/BandPlan.h"
#include "ui/BandMapLayout.h"

#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class Spot;
class SpotModel;

// One band drawn as a frequency scale with each station of the spot table
// at its frequency: the table's rows are the stations, so a station is one
// label however often it was spotted. Labels take the colours the table
// gives the row and fade as the station goes unspotted. A click on a label
// asks for the rig to be tuned to it, the wheel zooms around the pointer
// and dragging scrolls.
class BandMapWidget : public QWidget
{
    Q_OBJECT

public:
    // Whether a row of the model is drawn, whatever its band.
    using RowFilter = std::function<bool(int iRow)>;

    explicit BandMapWidget(SpotModel *pModel, QWidget *parent = nullptr);

    // The rows the table's search leaves; none draws every row.
    void setRowFilter(RowFilter filter);

    void setBand(const BandPlan::Band &band);
    const BandPlan::Band &band() const { return *m_band; }
    // The rig's frequency for the marker; none hides it.
    void setRigFrequency(std::optional<double> dKHz);
    std::optional<double> rigFrequency() const { return m_rigKHz; }

    const BandMapLayout &layout() const { return m_layout; }
    // The label of the model row with this id, in widget coordinates; an
    // empty rectangle when it is not shown.
    QRectF labelRect(quint64 uiId);
    // Labels that did not fit at this zoom.
    int hiddenCount();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A copy, taken when clicked: the row may change or go right after.
    void spotClicked(const Spot &spot);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Shown
    {
        BandMapLayout::Placement placement;
        quint64 id = 0;
        int row = 0;
        QRectF rect;
    };

    void invalidate();
    // Lays the labels out anew from the model when anything changed since.
    void ensurePlaced();
    const Shown *labelAt(const QPointF &point);
    QString toolTipFor(const Shown &shown) const;
    void paintScale(QPainter &painter) const;
    void paintLabels(QPainter &painter) const;
    void paintRigMarker(QPainter &painter) const;
    double labelHeight() const;
    // A label column's width for calls up to dCallWidth pixels wide.
    double columnWidth(double dCallWidth) const;
    QFont frequencyFont() const;
    double scaleRight() const;

    SpotModel *m_pModel = nullptr;
    RowFilter m_rowFilter;
    const BandPlan::Band *m_band = nullptr;
    BandMapLayout m_layout;
    std::optional<double> m_rigKHz;
    QList<Shown> m_shown;
    int m_iHidden = 0;
    bool m_bDirty = true;
    // Repaints now and then so that labels fade while no spot comes.
    QTimer m_fadeTimer;
    std::optional<QPointF> m_pressPoint;
    QPointF m_lastDragPoint;
    bool m_bDragging = false;
};

#endif // BANDMAPWIDGET_H
