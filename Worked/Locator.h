#ifndef LOCATOR_H
#define LOCATOR_H

#include <QString>

// Maidenhead locators (four or six characters) and the great-circle paths
// between two points of the globe, taken as a sphere.
class Locator
{
public:
    struct Path
    {
        // Degrees clockwise from true north, 0 to below 360.
        double bearing = 0.0;
        double km = 0.0;
    };

    static constexpr double kEarthRadiusKm = 6371.0;
    static constexpr double kKmPerMile = 1.609344;

    static bool isValid(const QString &qsLocator);
    // The centre of the locator's square; false for an invalid locator.
    static bool position(const QString &qsLocator, double *pLatitude, double *pLongitude);
    // Latitudes and longitudes in degrees, longitude east positive.
    static Path shortPath(double dLatitudeFrom, double dLongitudeFrom, double dLatitudeTo, double dLongitudeTo);
    // The other way round the globe from the same start.
    static Path longPath(const Path &shortPath);
};

#endif // LOCATOR_H
