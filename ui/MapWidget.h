#ifndef MAPWIDGET_H
#define MAPWIDGET_H

#include "geo/EarthShader.h"
#include "geo/MapProjection.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
QT_END_NAMESPACE

class Spot;
class SpotModel;

// The world with day, night and the grey line, and each row of the spot
// table as a dot where its DX station is, joined to the operator's station
// by the short path. Centred on the station (a straight line from the
// centre is the beam heading) or the whole world. It reads the rows of the
// model the table shows, so the band view and any filter in front of the
// table apply, and draws them again when the table takes a batch. The
// pointer's heading and distance from the station stay in a corner.
class MapWidget : public QWidget
{
    Q_OBJECT

public:
    enum class Projection { Centred, World };
    // The moment the sun is drawn for.
    using Clock = std::function<QDateTime()>;

    explicit MapWidget(QAbstractItemModel *pModel, QWidget *parent = nullptr);
    ~MapWidget() override;

    // The operator's locator; without a valid one the map has no centre and
    // shows the world.
    void setStation(const QString &qsLocator);
    bool hasStation() const { return m_station.has_value(); }
    void setProjection(Projection projection);
    Projection projection() const { return m_projection; }
    Projection shownProjection() const { return m_station ? m_projection : Projection::World; }
    void setDistanceInMiles(bool bMiles);
    // Tests and screenshots fix the moment; by default it is now.
    void setClock(Clock clock);
    // The day and night pictures; without them the plain sea. Loaded from
    // the data folders when first shown unless set before.
    void setEarthPictures(const QImage &day, const QImage &night, const QString &qsWhyMissing = QString());
    bool hasEarthPictures() const { return m_shader.hasPictures(); }

    // The projection of the map as last drawn, in device pixels.
    const MapProjection &mapProjection();
    // The centre of a row's dot in widget coordinates; none for a row whose
    // station has no position.
    std::optional<QPointF> dotCentre(int iRow);
    // What the corner says for the pointer at a point.
    QString readoutAt(const QPointF &point) const;
    // The minute the shading was made for, in ms since the epoch.
    qint64 shadedMinuteMs() const { return m_shadedMinuteMs; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A row clicked: its index in the model (invalid if the row went while
    // a choice was open) and a copy of its spot as it was then.
    void spotClicked(const QModelIndex &index, const Spot &spot);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Dot
    {
        GeoVector point;
        // Device pixels.
        QPointF pixel;
        QColor colour;
        int rank = 0;
        // Rows of the model at this position, newest first.
        QList<int> rows;
    };
    struct RowInfo
    {
        bool hasPosition = false;
        double latitude = 0.0;
        double longitude = 0.0;
        QColor colour;
        int rank = 0;
    };

    void onRowsChanged();
    void onRowsInserted(const QModelIndex &parent, int iFirst, int iLast);
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void onShadeTimer();
    void armShadeTimer();

    // Each brings its part up to date, cheapest first to check.
    void ensureGeometry();
    void ensureShading();
    void ensureDots();
    void ensureComposite();
    void paintPaths(QImage &image);
    void paintDots(QPainter &painter);
    const QImage &dotSprite(const QColor &colour, int iSize);
    void paintMarkers(QPainter &painter);

    const Spot *spotOfRow(int iRow, quint64 *puiId = nullptr) const;
    RowInfo rowInfo(int iRow, const Spot &spot) const;
    const Dot *dotAt(const QPointF &point);
    QString toolTipFor(const Dot &dot) const;
    void activate(const Dot &dot, const QPoint &globalPos);
    QRect readoutRect(const QString &qsText) const;
    void setReadout(const QString &qsText);
    qint64 nowMs() const;

    QPointer<QAbstractItemModel> m_pModel;
    std::optional<GeoVector> m_station;
    Projection m_projection = Projection::Centred;
    bool m_bMiles = false;
    Clock m_clock;

    bool m_bPicturesLoaded = false;
    QString m_qsPicturesMissing;
    EarthShader m_shader;
    MapProjection m_mapProjection;
    qreal m_dDpr = 1.0;
    bool m_bGeometryDirty = true;
    QImage m_shaded;
    qint64 m_shadedMinuteMs = -1;
    GeoVector m_subsolar;
    QTimer m_shadeTimer;

    bool m_bDotsDirty = true;
    QList<Dot> m_dots;
    QHash<quint64, RowInfo> m_rowInfo;
    // Great-circle paths of the world map, by position.
    QHash<quint64, QList<QPolygonF>> m_paths;
    // Dots drawn once, by colour and size.
    QHash<quint64, QImage> m_dotSprites;
    bool m_bCompositeDirty = true;
    QImage m_composite;

    QString m_qsReadout;
    std::optional<QPointF> m_pressPoint;
};

#endif // MAPWIDGET_H
