#ifndef GEOVECTOR_H
#define GEOVECTOR_H

#include <QtMath>

#include <algorithm>
#include <cmath>

// A point of the globe as a unit vector from the Earth's centre: x towards
// latitude 0 / longitude 0, y towards longitude 90° east, z towards the
// north pole. Angles between points are then dot products, which is what
// makes shading a whole map once a minute cheap.
struct GeoVector
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    static GeoVector fromDegrees(double dLatitude, double dLongitude)
    {
        const double dPhi = qDegreesToRadians(dLatitude);
        const double dLambda = qDegreesToRadians(dLongitude);
        return {std::cos(dPhi) * std::cos(dLambda), std::cos(dPhi) * std::sin(dLambda), std::sin(dPhi)};
    }
    double latitude() const { return qRadiansToDegrees(std::asin(std::clamp(z, -1.0, 1.0))); }
    double longitude() const { return qRadiansToDegrees(std::atan2(y, x)); }

    double dot(const GeoVector &other) const { return x * other.x + y * other.y + z * other.z; }
    GeoVector operator*(double dFactor) const { return {x * dFactor, y * dFactor, z * dFactor}; }
    GeoVector operator+(const GeoVector &other) const { return {x + other.x, y + other.y, z + other.z}; }
    GeoVector operator-(const GeoVector &other) const { return {x - other.x, y - other.y, z - other.z}; }
    double length() const { return std::sqrt(dot(*this)); }

    // The angle between two points seen from the Earth's centre, in
    // radians; atan2 keeps it exact for near and for antipodal points,
    // where acos of the dot product loses every digit.
    double angleTo(const GeoVector &other) const
    {
        const GeoVector cross {y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x};
        return std::atan2(cross.length(), dot(other));
    }
};

#endif // GEOVECTOR_H
