#ifndef SOLARPOSITION_H
#define SOLARPOSITION_H

#include "geo/GeoVector.h"

#include <QtGlobal>

class QDateTime;

// Where the sun stands at a moment: its declination, the equation of time
// and the point of the Earth where it is in the zenith. The series are
// NOAA's (after Meeus), good to about 0.01° between 1800 and 2100, which is
// far below a pixel of any map.
class SolarPosition
{
public:
    // Degrees and minutes; longitude east positive, -180 to below 180.
    double declination = 0.0;
    double equationOfTimeMinutes = 0.0;
    double subsolarLatitude = 0.0;
    double subsolarLongitude = 0.0;

    static SolarPosition at(const QDateTime &utc);
    static SolarPosition atMsSinceEpoch(qint64 iMs);

    GeoVector subsolarPoint() const { return GeoVector::fromDegrees(subsolarLatitude, subsolarLongitude); }
    // The sun's altitude above the horizon of a point, in degrees, without
    // refraction.
    double altitudeAt(const GeoVector &point) const;
};

#endif // SOLARPOSITION_H
