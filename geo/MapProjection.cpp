#include "geo/MapProjection.h"

#include <cmath>

namespace {

// Room between the map and the widget's edge, for the rim's line.
constexpr double kMargin = 2.0;
constexpr double kVertexStepRadians = M_PI / 90.0;

} // namespace

MapProjection MapProjection::centred(double dLatitude, double dLongitude, const QSize &size)
{
    MapProjection projection;
    projection.m_kind = Kind::Centred;
    projection.m_size = size;
    projection.m_dRadius = std::max(0.0, std::min(size.width(), size.height()) / 2.0 - kMargin);
    projection.m_centrePixel = QPointF(size.width() / 2.0, size.height() / 2.0);
    projection.m_mapRect = QRectF(projection.m_centrePixel - QPointF(projection.m_dRadius, projection.m_dRadius),
                                  QSizeF(2 * projection.m_dRadius, 2 * projection.m_dRadius));
    const double dPhi = qDegreesToRadians(dLatitude);
    const double dLambda = qDegreesToRadians(dLongitude);
    projection.m_centre = GeoVector::fromDegrees(dLatitude, dLongitude);
    projection.m_east = {-std::sin(dLambda), std::cos(dLambda), 0.0};
    projection.m_north = {-std::sin(dPhi) * std::cos(dLambda), -std::sin(dPhi) * std::sin(dLambda), std::cos(dPhi)};
    return projection;
}

MapProjection MapProjection::world(const QSize &size)
{
    MapProjection projection;
    projection.m_kind = Kind::World;
    projection.m_size = size;
    const double dWidth = std::max(0.0, std::min(size.width() - 2 * kMargin, 2 * (size.height() - 2 * kMargin)));
    projection.m_mapRect =
        QRectF((size.width() - dWidth) / 2.0, (size.height() - dWidth / 2.0) / 2.0, dWidth, dWidth / 2.0);
    projection.m_centrePixel = projection.m_mapRect.center();
    projection.m_dRadius = dWidth / 2.0;
    return projection;
}

QPointF MapProjection::toPixel(const GeoVector &point) const
{
    if (m_kind == Kind::World) {
        const double dX = m_mapRect.left() + (point.longitude() + 180.0) / 360.0 * m_mapRect.width();
        const double dY = m_mapRect.top() + (90.0 - point.latitude()) / 180.0 * m_mapRect.height();
        return QPointF(dX, dY);
    }
    const double dNorth = point.dot(m_north);
    const double dEast = point.dot(m_east);
    const double dSide = std::hypot(dNorth, dEast);
    const double dAngle = std::atan2(dSide, point.dot(m_centre));
    const double dRadius = m_dRadius * dAngle / M_PI;
    // The antipode has no direction: any point of the rim is it.
    if (dSide <= 0.0)
        return m_centrePixel - QPointF(0.0, dRadius);
    return m_centrePixel + QPointF(dRadius * dEast / dSide, -dRadius * dNorth / dSide);
}

bool MapProjection::contains(const QPointF &pixel) const
{
    if (isEmpty())
        return false;
    if (m_kind == Kind::World)
        return m_mapRect.contains(pixel);
    const QPointF offset = pixel - m_centrePixel;
    return std::hypot(offset.x(), offset.y()) <= m_dRadius;
}

bool MapProjection::toPoint(const QPointF &pixel, GeoVector *pPoint) const
{
    if (!contains(pixel))
        return false;
    if (m_kind == Kind::World) {
        const double dLongitude = (pixel.x() - m_mapRect.left()) / m_mapRect.width() * 360.0 - 180.0;
        const double dLatitude = 90.0 - (pixel.y() - m_mapRect.top()) / m_mapRect.height() * 180.0;
        *pPoint = GeoVector::fromDegrees(dLatitude, dLongitude);
        return true;
    }
    const double dX = pixel.x() - m_centrePixel.x();
    const double dY = pixel.y() - m_centrePixel.y();
    const double dRadius = std::hypot(dX, dY);
    if (dRadius <= 0.0) {
        *pPoint = m_centre;
        return true;
    }
    const double dAngle = M_PI * dRadius / m_dRadius;
    const GeoVector direction = m_north * (-dY / dRadius) + m_east * (dX / dRadius);
    *pPoint = m_centre * std::cos(dAngle) + direction * std::sin(dAngle);
    return true;
}

QList<QPolygonF> MapProjection::greatCircle(const GeoVector &from, const GeoVector &to) const
{
    if (isEmpty())
        return {};
    // From the centre the great circle is the straight line.
    if (m_kind == Kind::Centred && from.angleTo(m_centre) < 1e-9)
        return {QPolygonF({toPixel(from), toPixel(to)})};
    const double dAngle = from.angleTo(to);
    const double dSin = std::sin(dAngle);
    // Antipodes have no one short path: none is drawn.
    if (dSin < 1e-9)
        return dAngle < 1.0 ? QList<QPolygonF> {QPolygonF({toPixel(from), toPixel(to)})} : QList<QPolygonF> {};
    const int iSteps = std::max(1, int(std::ceil(dAngle / kVertexStepRadians)));
    QList<GeoVector> points;
    points.reserve(iSteps + 1);
    for (int i = 0; i <= iSteps; ++i) {
        const double dT = double(i) / iSteps;
        points.append(from * (std::sin((1 - dT) * dAngle) / dSin) + to * (std::sin(dT * dAngle) / dSin));
    }
    return cutAtWrap(points);
}

QList<QPolygonF> MapProjection::graticule(int iStepDegrees) const
{
    QList<QPolygonF> lines;
    if (isEmpty() || iStepDegrees <= 0)
        return lines;
    constexpr int kVertexDegrees = 2;
    for (int iLongitude = -180; iLongitude < 180; iLongitude += iStepDegrees) {
        QList<GeoVector> points;
        for (int iLatitude = -90; iLatitude <= 90; iLatitude += kVertexDegrees)
            points.append(GeoVector::fromDegrees(iLatitude, iLongitude));
        lines += cutAtWrap(points);
    }
    for (int iLatitude = -90 + iStepDegrees; iLatitude < 90; iLatitude += iStepDegrees) {
        QList<GeoVector> points;
        for (int iLongitude = -180; iLongitude <= 180; iLongitude += kVertexDegrees)
            points.append(GeoVector::fromDegrees(iLatitude, iLongitude));
        lines += cutAtWrap(points);
    }
    return lines;
}

QList<QPolygonF> MapProjection::cutAtWrap(const QList<GeoVector> &points) const
{
    QList<QPolygonF> lines;
    QPolygonF line;
    // A jump across half the map is the line leaving one edge and coming
    // back at the other: in the world map at ±180°, in the centred one
    // through the antipode on the rim.
    const double dJump = m_kind == Kind::World ? m_mapRect.width() / 2.0 : m_dRadius;
    for (const GeoVector &point : points) {
        const QPointF pixel = toPixel(point);
        if (!line.isEmpty()) {
            const QPointF step = pixel - line.last();
            if (std::abs(step.x()) > dJump || std::abs(step.y()) > dJump) {
                if (line.size() > 1)
                    lines.append(line);
                line.clear();
            }
        }
        line.append(pixel);
    }
    if (line.size() > 1)
        lines.append(line);
    return lines;
}
