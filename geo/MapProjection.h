#ifndef MAPPROJECTION_H
#define MAPPROJECTION_H

#include "geo/GeoVector.h"

#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSize>

// How the globe lies on a map of a given size, both ways. Centred is the
// azimuthal equidistant projection around a point: every straight line
// from the centre is a great circle, so the direction on the map is the
// beam heading and the distance from the centre is the distance on the
// Earth; the antipode is the rim. World is the plain latitude/longitude
// grid, twice as wide as high. Pixel coordinates are floating: pixel (i, j)
// covers i..i+1, j..j+1.
class MapProjection
{
public:
    enum class Kind { Centred, World };

    MapProjection() = default;
    static MapProjection centred(double dLatitude, double dLongitude, const QSize &size);
    static MapProjection world(const QSize &size);

    Kind kind() const { return m_kind; }
    QSize size() const { return m_size; }
    bool isEmpty() const { return m_dRadius <= 0.0; }
    // The centre's point (centred), and the disc or rectangle of the map.
    const GeoVector &centrePoint() const { return m_centre; }
    const GeoVector &northAtCentre() const { return m_north; }
    const GeoVector &eastAtCentre() const { return m_east; }
    QPointF centrePixel() const { return m_centrePixel; }
    double radius() const { return m_dRadius; }
    QRectF mapRect() const { return m_mapRect; }

    QPointF toPixel(const GeoVector &point) const;
    QPointF toPixel(double dLatitude, double dLongitude) const
    {
        return toPixel(GeoVector::fromDegrees(dLatitude, dLongitude));
    }
    // False for a pixel off the map.
    bool toPoint(const QPointF &pixel, GeoVector *pPoint) const;
    bool contains(const QPointF &pixel) const;

    // The great circle from one point to another as lines on the map, cut
    // where the world map wraps round; about one vertex per 2°.
    QList<QPolygonF> greatCircle(const GeoVector &from, const GeoVector &to) const;
    // Meridians and parallels every iStepDegrees.
    QList<QPolygonF> graticule(int iStepDegrees) const;

private:
    QList<QPolygonF> cutAtWrap(const QList<GeoVector> &points) const;

    Kind m_kind = Kind::World;
    QSize m_size;
    QRectF m_mapRect;
    QPointF m_centrePixel;
    double m_dRadius = 0.0;
    // The centre and the directions north and east there.
    GeoVector m_centre;
    GeoVector m_north;
    GeoVector m_east;
};

#endif // MAPPROJECTION_H
