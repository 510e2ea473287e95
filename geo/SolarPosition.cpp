#include "geo/SolarPosition.h"

#include <QDateTime>

#include <cmath>

namespace {

constexpr double kJulianDayOfUnixEpoch = 2440587.5;
constexpr double kJ2000 = 2451545.0;
constexpr double kMsPerDay = 86400000.0;

double sinDeg(double dDegrees)
{
    return std::sin(qDegreesToRadians(dDegrees));
}
double cosDeg(double dDegrees)
{
    return std::cos(qDegreesToRadians(dDegrees));
}

double normalizedLongitude(double dDegrees)
{
    double dLongitude = std::fmod(dDegrees + 180.0, 360.0);
    if (dLongitude < 0)
        dLongitude += 360.0;
    return dLongitude - 180.0;
}

} // namespace

SolarPosition SolarPosition::at(const QDateTime &utc)
{
    return atMsSinceEpoch(utc.toMSecsSinceEpoch());
}

SolarPosition SolarPosition::atMsSinceEpoch(qint64 iMs)
{
    const double dJulianDay = double(iMs) / kMsPerDay + kJulianDayOfUnixEpoch;
    const double dT = (dJulianDay - kJ2000) / 36525.0;

    const double dMeanLongitude = std::fmod(280.46646 + dT * (36000.76983 + dT * 0.0003032), 360.0);
    const double dMeanAnomaly = 357.52911 + dT * (35999.05029 - 0.0001537 * dT);
    const double dEccentricity = 0.016708634 - dT * (0.000042037 + 0.0000001267 * dT);
    const double dCentre = sinDeg(dMeanAnomaly) * (1.914602 - dT * (0.004817 + 0.000014 * dT))
        + sinDeg(2 * dMeanAnomaly) * (0.019993 - 0.000101 * dT) + sinDeg(3 * dMeanAnomaly) * 0.000289;
    const double dTrueLongitude = dMeanLongitude + dCentre;
    const double dOmega = 125.04 - 1934.136 * dT;
    const double dApparentLongitude = dTrueLongitude - 0.00569 - 0.00478 * sinDeg(dOmega);
    const double dMeanObliquity =
        23.0 + (26.0 + (21.448 - dT * (46.815 + dT * (0.00059 - dT * 0.001813))) / 60.0) / 60.0;
    const double dObliquity = dMeanObliquity + 0.00256 * cosDeg(dOmega);

    SolarPosition sun;
    sun.declination = qRadiansToDegrees(std::asin(sinDeg(dObliquity) * sinDeg(dApparentLongitude)));
    const double dY = std::pow(std::tan(qDegreesToRadians(dObliquity / 2)), 2);
    const double dEquation = dY * sinDeg(2 * dMeanLongitude) - 2 * dEccentricity * sinDeg(dMeanAnomaly)
        + 4 * dEccentricity * dY * sinDeg(dMeanAnomaly) * cosDeg(2 * dMeanLongitude)
        - 0.5 * dY * dY * sinDeg(4 * dMeanLongitude) - 1.25 * dEccentricity * dEccentricity * sinDeg(2 * dMeanAnomaly);
    sun.equationOfTimeMinutes = 4.0 * qRadiansToDegrees(dEquation);

    // The sun is in the zenith where the true solar time is noon.
    const double dDayFraction = dJulianDay + 0.5 - std::floor(dJulianDay + 0.5);
    const double dUtcMinutes = dDayFraction * 1440.0;
    sun.subsolarLatitude = sun.declination;
    sun.subsolarLongitude = normalizedLongitude(-(dUtcMinutes - 720.0 + sun.equationOfTimeMinutes) / 4.0);
    return sun;
}

double SolarPosition::altitudeAt(const GeoVector &point) const
{
    return qRadiansToDegrees(std::asin(std::clamp(point.dot(subsolarPoint()), -1.0, 1.0)));
}
