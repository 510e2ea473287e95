// The map's geometry: the sun against independently computed positions, the
// projections both ways, and day and night on the pixels.

#include "Worked/Locator.h"
#include "geo/EarthImages.h"
#include "geo/EarthShader.h"
#include "geo/MapProjection.h"
#include "geo/SolarPosition.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

constexpr QSize kMapSize(800, 800);

double sinDeg(double dDegrees)
{
    return std::sin(qDegreesToRadians(dDegrees));
}
double cosDeg(double dDegrees)
{
    return std::cos(qDegreesToRadians(dDegrees));
}

// The subsolar point by another road than the code's: the Astronomical
// Almanac's low-precision formulas for the Sun (section C, "Sun": mean
// longitude, mean anomaly, ecliptic longitude, obliquity; good to 0.01°
// between 1950 and 2050), and the sun's longitude as its right ascension
// less the Greenwich mean sidereal time (IAU 1982, linear term), where the
// code goes through the equation of time.
GeoVector almanacSubsolar(const QDateTime &utc)
{
    const double dDays = double(utc.toMSecsSinceEpoch()) / 86400000.0 + 2440587.5 - 2451545.0;
    const double dMeanLongitude = 280.460 + 0.9856474 * dDays;
    const double dAnomaly = 357.528 + 0.9856003 * dDays;
    const double dLambda = dMeanLongitude + 1.915 * sinDeg(dAnomaly) + 0.020 * sinDeg(2 * dAnomaly);
    const double dEpsilon = 23.439 - 0.0000004 * dDays;
    const double dRightAscension = qRadiansToDegrees(std::atan2(cosDeg(dEpsilon) * sinDeg(dLambda), cosDeg(dLambda)));
    const double dDeclination = qRadiansToDegrees(std::asin(sinDeg(dEpsilon) * sinDeg(dLambda)));
    const double dSidereal = 280.46061837 + 360.98564736629 * dDays;
    return GeoVector::fromDegrees(dDeclination, dRightAscension - dSidereal);
}

QDateTime utc(const char *pIso)
{
    // The trailing Z makes it UTC, whatever the machine's time zone.
    return QDateTime::fromString(QLatin1String(pIso) + QLatin1Char('Z'), Qt::ISODate);
}

double angleDegrees(const GeoVector &a, const GeoVector &b)
{
    return qRadiansToDegrees(a.angleTo(b));
}

} // namespace

class TestMapGeo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void subsolarPoint_data();
    void subsolarPoint();
    void seasons_data();
    void seasons();
    void roundTripAndBearing_data();
    void roundTripAndBearing();
    void worldMapAndPaths();
    void dayNightAndTwilight();
    void picturesLieWhereTheProjectionSays();
    void picturesFromTheDataFolders();
};

void TestMapGeo::subsolarPoint_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::newRow("March equinox 2024") << utc("2024-03-20T03:06:00");
    QTest::newRow("June solstice 2024") << utc("2024-06-20T20:51:00");
    QTest::newRow("September equinox 2024") << utc("2024-09-22T12:44:00");
    QTest::newRow("December solstice 2024") << utc("2024-12-21T09:20:00");
    QTest::newRow("winter, early morning") << utc("2026-02-11T06:30:00");
    QTest::newRow("spring, evening") << utc("2025-05-05T18:00:00");
    QTest::newRow("summer, midnight") << utc("2025-08-15T00:00:00");
    QTest::newRow("autumn, just before midnight") << utc("2025-11-02T23:59:00");
    QTest::newRow("noon of J2000") << utc("2000-01-01T12:00:00");
    QTest::newRow("near the date line at noon") << utc("2026-12-07T00:00:00");
}

void TestMapGeo::subsolarPoint()
{
    QFETCH(QDateTime, moment);
    const SolarPosition sun = SolarPosition::at(moment);
    const GeoVector reference = almanacSubsolar(moment);
    // Both methods hold 0.01°; the map needs 0.1°.
    QVERIFY2(angleDegrees(sun.subsolarPoint(), reference) < 0.03,
             qPrintable(QStringLiteral("%1, %2 against %3, %4")
                            .arg(sun.subsolarLatitude)
                            .arg(sun.subsolarLongitude)
                            .arg(reference.latitude())
                            .arg(reference.longitude())));
    QVERIFY(sun.subsolarLongitude >= -180.0 && sun.subsolarLongitude < 180.0);
    // Sunlit where the sun stands, night on the other side.
    QVERIFY(std::abs(sun.altitudeAt(reference) - 90.0) < 0.03);
    QVERIFY(std::abs(sun.altitudeAt(reference * -1.0) + 90.0) < 0.03);
}

void TestMapGeo::seasons_data()
{
    // The instants of the equinoxes and solstices of 2024 as the almanac
    // tables them (UTC, to the minute), and the declination they mean: zero,
    // or the obliquity of the ecliptic (23.436° in 2024).
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<double>("declination");
    QTest::newRow("March equinox") << utc("2024-03-20T03:06:00") << 0.0;
    QTest::newRow("June solstice") << utc("2024-06-20T20:51:00") << 23.436;
    QTest::newRow("September equinox") << utc("2024-09-22T12:44:00") << 0.0;
    QTest::newRow("December solstice") << utc("2024-12-21T09:20:00") << -23.436;
}

void TestMapGeo::seasons()
{
    QFETCH(QDateTime, moment);
    QFETCH(double, declination);
    // A minute of the sun's motion near an equinox is 0.0066°.
    QVERIFY2(std::abs(SolarPosition::at(moment).declination - declination) < 0.01,
             qPrintable(QString::number(SolarPosition::at(moment).declination)));
}

void TestMapGeo::roundTripAndBearing_data()
{
    QTest::addColumn<QString>("locator");
    QTest::newRow("JO62") << QStringLiteral("JO62");
    QTest::newRow("FN31pr") << QStringLiteral("FN31pr");
    QTest::newRow("near the north pole") << QStringLiteral("JR09");
    QTest::newRow("south of the equator on the date line") << QStringLiteral("AH29");
    QTest::newRow("QF56") << QStringLiteral("QF56");
}

void TestMapGeo::roundTripAndBearing()
{
    QFETCH(QString, locator);
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    QVERIFY(Locator::position(locator, &dLatitude, &dLongitude));
    const MapProjection map = MapProjection::centred(dLatitude, dLongitude, kMapSize);
    const GeoVector centre = GeoVector::fromDegrees(dLatitude, dLongitude);
    QCOMPARE(map.toPixel(centre), map.centrePixel());
    QVERIFY(map.radius() > 390.0);

    for (double dLat = -87.5; dLat < 90.0; dLat += 7.5) {
        for (double dLon = -177.0; dLon < 180.0; dLon += 9.0) {
            const GeoVector point = GeoVector::fromDegrees(dLat, dLon);
            if (angleDegrees(point, centre * -1.0) < 0.5)
                continue;
            const QPointF pixel = map.toPixel(point);
            GeoVector back;
            QVERIFY(map.toPoint(pixel, &back));
            QVERIFY2(angleDegrees(point, back) < 0.05, qPrintable(QStringLiteral("%1, %2").arg(dLat).arg(dLon)));
            // The direction on the map is the beam heading, the distance
            // from the centre the distance on the Earth.
            const Locator::Path path = Locator::shortPath(dLatitude, dLongitude, dLat, dLon);
            const QPointF offset = pixel - map.centrePixel();
            const double dBearing = std::fmod(qRadiansToDegrees(std::atan2(offset.x(), -offset.y())) + 360.0, 360.0);
            double dDifference = std::abs(dBearing - path.bearing);
            dDifference = std::min(dDifference, 360.0 - dDifference);
            if (path.km > 1.0)
                QVERIFY2(dDifference < 1e-6,
                         qPrintable(QStringLiteral("%1 against %2").arg(dBearing).arg(path.bearing)));
            const double dKm = std::hypot(offset.x(), offset.y()) / map.radius() * M_PI * Locator::kEarthRadiusKm;
            QVERIFY(std::abs(dKm - path.km) < 0.01);
        }
    }

    // The antipode is the rim, and the rim is the antipode.
    const GeoVector antipode = centre * -1.0;
    const QPointF rim = map.toPixel(antipode);
    QCOMPARE(std::hypot(rim.x() - map.centrePixel().x(), rim.y() - map.centrePixel().y()), map.radius());
    GeoVector fromRim;
    QVERIFY(map.toPoint(map.centrePixel() + QPointF(map.radius(), 0.0), &fromRim));
    QVERIFY(angleDegrees(fromRim, antipode) < 1e-6);
    QVERIFY(!map.toPoint(map.centrePixel() + QPointF(map.radius() + 1.0, 0.0), &fromRim));
    QVERIFY(!map.contains(QPointF(0.5, 0.5)));
}

void TestMapGeo::worldMapAndPaths()
{
    const MapProjection world = MapProjection::world(kMapSize);
    QCOMPARE(world.mapRect().width(), 2 * world.mapRect().height());
    QVERIFY(world.mapRect().width() > 790.0);
    for (double dLat = -89.0; dLat <= 89.0; dLat += 11.0) {
        for (double dLon = -179.0; dLon < 180.0; dLon += 13.0) {
            GeoVector back;
            QVERIFY(world.toPoint(world.toPixel(dLat, dLon), &back));
            QVERIFY(angleDegrees(GeoVector::fromDegrees(dLat, dLon), back) < 0.05);
        }
    }
    // Above and below the map is off it.
    GeoVector off;
    QVERIFY(!world.toPoint(QPointF(400.0, world.mapRect().top() - 1.0), &off));

    // JO62 to Japan: one curve, from the station to the DX, every vertex on
    // the one great circle through both.
    const GeoVector berlin = GeoVector::fromDegrees(52.5, 13.0);
    const GeoVector tokyo = GeoVector::fromDegrees(35.7, 139.7);
    const GeoVector normal {berlin.y * tokyo.z - berlin.z * tokyo.y, berlin.z * tokyo.x - berlin.x * tokyo.z,
                            berlin.x * tokyo.y - berlin.y * tokyo.x};
    QList<QPolygonF> lines = world.greatCircle(berlin, tokyo);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().first(), world.toPixel(berlin));
    QVERIFY(QLineF(lines.first().last(), world.toPixel(tokyo)).length() < 1e-6);
    for (const QPointF &vertex : lines.first()) {
        GeoVector point;
        QVERIFY(world.toPoint(vertex, &point));
        QVERIFY(std::abs(point.dot(normal) / normal.length()) < 1e-9);
    }
    // It heads north-east first, over Russia: the map's curve, not the
    // straight line through India.
    QVERIFY(lines.first().at(5).y() < world.toPixel(berlin).y());

    // Across the date line the path leaves one edge and comes back at the
    // other, never as a line over the whole map.
    lines = world.greatCircle(GeoVector::fromDegrees(35.7, 139.7), GeoVector::fromDegrees(21.3, -157.9));
    QCOMPARE(lines.size(), 2);
    for (const QPolygonF &line : std::as_const(lines))
        QVERIFY(line.boundingRect().width() < world.mapRect().width() / 2);

    // From the centre of the centred map a path is the straight line.
    const MapProjection centred = MapProjection::centred(52.5, 13.0, kMapSize);
    lines = centred.greatCircle(berlin, tokyo);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().size(), 2);
}

void TestMapGeo::dayNightAndTwilight()
{
    // The plain sea, on the world map, with the sun over 0°N 15°E: each
    // pixel is day, night, or between them by the sun's altitude there.
    const QRgb kBackground = qRgb(1, 2, 3);
    EarthShader shader;
    shader.setBackground(kBackground);
    shader.setProjection(MapProjection::world(QSize(724, 362)));
    const MapProjection &world = shader.projection();
    const GeoVector sun = GeoVector::fromDegrees(0.0, 15.0);
    const QImage image = shader.shade(sun);
    QCOMPARE(image.size(), QSize(724, 362));
    const auto pixelAt = [&](double dLat, double dLon) {
        const QPointF pixel = world.toPixel(dLat, dLon);
        return image.pixel(int(pixel.x()), int(pixel.y()));
    };
    // Away from the graticule's lines, every 30°.
    QCOMPARE(pixelAt(5.0, 10.0), EarthShader::kPlainDay);
    QCOMPARE(pixelAt(5.0, -170.0), EarthShader::kPlainNight);
    QCOMPARE(pixelAt(10.0, -100.0), EarthShader::kPlainNight);
    // Off the map, above and below the world's rectangle.
    QCOMPARE(image.pixel(362, 0), kBackground);

    // Along the equator east of the evening terminator (105°E, between two
    // graticule lines) the sun sinks one degree per degree of longitude:
    // each pixel's colour follows it.
    int iTwilight = 0;
    for (int iX = 0; iX < image.width(); ++iX) {
        GeoVector point;
        if (!world.toPoint(QPointF(iX + 0.5, 171.5), &point))
            continue;
        const double dAltitude = qRadiansToDegrees(std::asin(point.dot(sun)));
        if (dAltitude > 0.0 || dAltitude < -7.0)
            continue;
        const double dWeight = EarthShader::dayWeight(dAltitude);
        const QRgb pixel = image.pixel(iX, 171);
        const double dExpected = qBlue(EarthShader::kPlainNight)
            + dWeight * (qBlue(EarthShader::kPlainDay) - qBlue(EarthShader::kPlainNight));
        QVERIFY2(std::abs(qBlue(pixel) - dExpected) <= 2.0, qPrintable(QString::number(dAltitude)));
        ++iTwilight;
    }
    // Both terminators, 7° each at two pixels a degree.
    QVERIFY(iTwilight >= 20);
    QCOMPARE(EarthShader::dayWeight(-0.5), 1.0);
    QCOMPARE(EarthShader::dayWeight(-6.5), 0.0);
    QVERIFY(EarthShader::dayWeight(-3.0) > 0.4 && EarthShader::dayWeight(-3.0) < 0.6);

    // Pictures: the day one where the sun is up, the night one where not
    // with a faint day under its lights, on the centred map too; outside
    // its disc the background.
    QImage day(64, 32, QImage::Format_RGB32);
    day.fill(qRgb(200, 150, 100));
    QImage night(64, 32, QImage::Format_RGB32);
    night.fill(qRgb(10, 20, 30));
    shader.setPictures(day, night);
    shader.setProjection(MapProjection::centred(0.0, 15.0, QSize(200, 200)));
    const QImage centred = shader.shade(sun);
    QCOMPARE(centred.pixel(100, 100), qRgb(200, 150, 100));
    const QRgb dark = centred.pixel(100, 190);
    QVERIFY(qRed(dark) > 10 && qRed(dark) < 100 && qBlue(dark) > 30 && qBlue(dark) < 100);
    QCOMPARE(centred.pixel(1, 1), kBackground);
}

void TestMapGeo::picturesLieWhereTheProjectionSays()
{
    // A day picture whose red is its column and green twice its row: the
    // colour a map pixel takes says which point of the picture it shows,
    // which must be the point the projection puts there.
    QImage ramp(256, 128, QImage::Format_RGB32);
    for (int iY = 0; iY < ramp.height(); ++iY) {
        for (int iX = 0; iX < ramp.width(); ++iX)
            ramp.setPixel(iX, iY, qRgb(iX, 2 * iY, 0));
    }
    EarthShader shader;
    shader.setPictures(ramp, ramp);
    for (const MapProjection &projection :
         {MapProjection::centred(41.6, -72.7, QSize(200, 200)), MapProjection::centred(-33.9, 151.2, QSize(200, 200)),
          MapProjection::world(QSize(200, 100))}) {
        shader.setProjection(projection);
        int iChecked = 0;
        for (int iY = 3; iY < projection.size().height(); iY += 9) {
            for (int iX = 3; iX < projection.size().width(); iX += 9) {
                const QPointF pixel(iX + 0.5, iY + 0.5);
                GeoVector point;
                if (!projection.toPoint(pixel, &point))
                    continue;
                const double dU = (point.longitude() + 180.0) / 360.0 * 256.0 - 0.5;
                const double dV = (90.0 - point.latitude()) / 180.0 * 128.0 - 0.5;
                // Where the picture wraps round or ends, the ramp jumps.
                if (dU < 1.0 || dU > 254.0 || dV < 1.0 || dV > 126.0)
                    continue;
                // Lit from straight above, the pixel shows the day picture.
                const QRgb shown = shader.shade(point).pixel(iX, iY);
                QVERIFY2(std::abs(qRed(shown) - dU) < 0.6 && std::abs(qGreen(shown) - 2 * dV) < 1.2,
                         qPrintable(QStringLiteral("pixel %1, %2: %3, %4 against %5, %6")
                                        .arg(iX)
                                        .arg(iY)
                                        .arg(qRed(shown))
                                        .arg(qGreen(shown))
                                        .arg(dU)
                                        .arg(2 * dV)));
                ++iChecked;
            }
        }
        QVERIFY(iChecked > 200);
    }
}

void TestMapGeo::picturesFromTheDataFolders()
{
    // The pictures are found wherever the data folders are, not at one
    // path; both or none are used.
    const QByteArray baSaved = qgetenv("XDG_DATA_DIRS");
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    qputenv("XDG_DATA_DIRS", QFile::encodeName(folder.path()));
    EarthImages images = EarthImages::load();
    QVERIFY(!images.isValid());
    QVERIFY2(images.why().contains(QStringLiteral("xplanet/images/earth.jpg")), qPrintable(images.why()));

    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("xplanet/images")));
    QImage picture(128, 64, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY2(picture.save(folder.filePath(QStringLiteral("xplanet/images/earth.jpg")), "JPEG"),
             "JPEG pictures cannot be written: Qt's image format plug-in for JPEG is missing");
    images = EarthImages::load();
    QVERIFY(!images.isValid());
    QVERIFY(images.day().isNull());

    // A night picture that is no picture at all.
    QFile broken(folder.filePath(QStringLiteral("xplanet/images/night.jpg")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("<html>not found</html>");
    broken.close();
    images = EarthImages::load();
    QVERIFY(!images.isValid());
    QVERIFY2(images.why().contains(QStringLiteral("night.jpg")), qPrintable(images.why()));

    QVERIFY(picture.save(folder.filePath(QStringLiteral("xplanet/images/night.jpg")), "JPEG"));
    images = EarthImages::load();
    QVERIFY(images.isValid());
    QCOMPARE(images.day().size(), QSize(128, 64));
    if (baSaved.isEmpty())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", baSaved);
}

QTEST_GUILESS_MAIN(TestMapGeo)
#include "tst_mapgeo.moc"
