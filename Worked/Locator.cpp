#include "Locator.h"

#include <QtMath>

#include <cmath>

namespace {

bool inRange(QChar c, char cFirst, char cLast)
{
    const char16_t u = c.unicode();
    return u >= char16_t(cFirst) && u <= char16_t(cLast);
}

// Letters may come in either case; operators write the subsquare in lower case.
int letter(QChar c, char cLast)
{
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
        return inRange(QChar(u - u'a' + u'A'), 'A', cLast) ? int(u - u'a') : -1;
    return inRange(c, 'A', cLast) ? int(u - u'A') : -1;
}

} // namespace

bool Locator::isValid(const QString &qsLocator)
{
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    return position(qsLocator, &dLatitude, &dLongitude);
}

bool Locator::position(const QString &qsLocator, double *pLatitude, double *pLongitude)
{
    if (qsLocator.size() != 4 && qsLocator.size() != 6)
        return false;
    const int iFieldLon = letter(qsLocator.at(0), 'R');
    const int iFieldLat = letter(qsLocator.at(1), 'R');
    if (iFieldLon < 0 || iFieldLat < 0 || !inRange(qsLocator.at(2), '0', '9') || !inRange(qsLocator.at(3), '0', '9'))
        return false;
    double dLongitude = -180.0 + iFieldLon * 20.0 + (qsLocator.at(2).unicode() - u'0') * 2.0;
    double dLatitude = -90.0 + iFieldLat * 10.0 + (qsLocator.at(3).unicode() - u'0') * 1.0;
    if (qsLocator.size() == 6) {
        const int iSubLon = letter(qsLocator.at(4), 'X');
        const int iSubLat = letter(qsLocator.at(5), 'X');
        if (iSubLon < 0 || iSubLat < 0)
            return false;
        // A subsquare is 5' of longitude by 2.5' of latitude.
        dLongitude += iSubLon * (2.0 / 24.0) + 1.0 / 24.0;
        dLatitude += iSubLat * (1.0 / 24.0) + 0.5 / 24.0;
    } else {
        dLongitude += 1.0;
        dLatitude += 0.5;
    }
    *pLatitude = dLatitude;
    *pLongitude = dLongitude;
    return true;
}

Locator::Path Locator::shortPath(double dLatitudeFrom, double dLongitudeFrom, double dLatitudeTo, double dLongitudeTo)
{
    const double dPhi1 = qDegreesToRadians(dLatitudeFrom);
    const double dPhi2 = qDegreesToRadians(dLatitudeTo);
    const double dDeltaPhi = dPhi2 - dPhi1;
    const double dDeltaLambda = qDegreesToRadians(dLongitudeTo - dLongitudeFrom);
    // The haversine stays exact for short distances, where the cosine rule
    // loses every digit.
    const double dA = std::sin(dDeltaPhi / 2) * std::sin(dDeltaPhi / 2)
        + std::cos(dPhi1) * std::cos(dPhi2) * std::sin(dDeltaLambda / 2) * std::sin(dDeltaLambda / 2);
    Path path;
    path.km = 2 * kEarthRadiusKm * std::atan2(std::sqrt(dA), std::sqrt(std::max(0.0, 1 - dA)));
    const double dY = std::sin(dDeltaLambda) * std::cos(dPhi2);
    const double dX = std::cos(dPhi1) * std::sin(dPhi2) - std::sin(dPhi1) * std::cos(dPhi2) * std::cos(dDeltaLambda);
    path.bearing = std::fmod(qRadiansToDegrees(std::atan2(dY, dX)) + 360.0, 360.0);
    return path;
}

Locator::Path Locator::longPath(const Path &shortPath)
{
    Path path;
    path.bearing = std::fmod(shortPath.bearing + 180.0, 360.0);
    path.km = 2 * M_PI * kEarthRadiusKm - shortPath.km;
    return path;
}
