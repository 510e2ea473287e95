#ifndef EARTHSHADER_H
#define EARTHSHADER_H

#include "geo/GeoVector.h"
#include "geo/MapProjection.h"

#include <QImage>

#include <vector>

// Day and night on a map. For one projection it keeps, per pixel, the
// point of the Earth there as a unit vector and the colours of that point
// by day and by night; shading for a sun is then one dot product per pixel,
// which is what a minute's refresh costs. Without pictures the day is a
// plain sea with a graticule and the night a darker one.
class EarthShader
{
public:
    // The sun is up once its upper rim clears the horizon (refraction
    // included); below 6° under it, civil twilight is over and it is night.
    static constexpr double kDayAltitude = -0.833;
    static constexpr double kNightAltitude = -6.0;
    static const QRgb kPlainDay;
    static const QRgb kPlainNight;

    // Null pictures: the plain colours.
    void setPictures(const QImage &day, const QImage &night);
    bool hasPictures() const { return !m_dayPicture.isNull(); }
    // Off the map.
    void setBackground(QRgb background);
    // Builds the tables when the projection or the pictures changed.
    void setProjection(const MapProjection &projection);
    const MapProjection &projection() const { return m_projection; }

    // The map as lit by a sun in the zenith of subsolar, RGB32.
    QImage shade(const GeoVector &subsolar);
    // How much of the day picture a point gets: 1 by day, 0 by night,
    // in between linear in the sine of the altitude as the shading has it.
    static double dayWeight(double dSunAltitude);

private:
    void build();
    void paintGraticule();
    // The pictures, halved while still finer than the map needs; kept for
    // the next size, which is most often about the same.
    void pictureFor(double dPixelsPerRadian, QImage *pDay, QImage *pNight);

    MapProjection m_projection;
    QImage m_dayPicture;
    QImage m_nightPicture;
    QImage m_scaledDay;
    QImage m_scaledNight;
    QRgb m_background = 0xff000000;
    bool m_bDirty = true;
    // Three components per pixel in units of 1/32767, zero off the map:
    // half the memory of floats, and far finer than the shading needs.
    std::vector<qint16> m_units;
    QImage m_day;
    QImage m_night;
};

#endif // EARTHSHADER_H
