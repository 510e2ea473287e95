#include "geo/EarthShader.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

namespace {

const float kSinDay = float(std::sin(qDegreesToRadians(EarthShader::kDayAltitude)));
const float kSinNight = float(std::sin(qDegreesToRadians(EarthShader::kNightAltitude)));
constexpr int kGraticuleDegrees = 30;
constexpr int kMinPictureWidth = 256;
constexpr double kUnitScale = 32767.0;
// The night picture is the lights of cities on black: a little of the day
// picture under it keeps coasts and land readable where it is night.
constexpr int kDayUnderNight = 72;

QRgb nightOver(QRgb night, QRgb day)
{
    const auto channel = [&](int iShift) {
        return uint(
            std::min(255, int((night >> iShift) & 0xff) + ((int((day >> iShift) & 0xff) * kDayUnderNight) >> 8)));
    };
    return 0xff000000u | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

// atan2 within 1e-5 rad (a hundredth of a pixel of the largest picture)
// at a fraction of the library's cost: building a map's table calls it
// twice per pixel.
float fastAtan2(float fY, float fX)
{
    const float fAbsX = std::abs(fX);
    const float fAbsY = std::abs(fY);
    const float fMax = std::max(fAbsX, fAbsY);
    if (fMax <= 0.0f)
        return 0.0f;
    const float fA = std::min(fAbsX, fAbsY) / fMax;
    const float fS = fA * fA;
    float fAngle = ((-0.0464964749f * fS + 0.15931422f) * fS - 0.327622764f) * fS * fA + fA;
    if (fAbsY > fAbsX)
        fAngle = float(M_PI_2) - fAngle;
    if (fX < 0.0f)
        fAngle = float(M_PI) - fAngle;
    return fY < 0.0f ? -fAngle : fAngle;
}

qint16 toUnit(float fComponent)
{
    return qint16(fComponent * float(kUnitScale) + (fComponent >= 0.0f ? 0.5f : -0.5f));
}

// Runs rowFunction for each row on a few threads: a new size's table is
// what a resize waits for. Each row writes only its own pixels.
template <class RowFunction> void forEachRow(int iFirst, int iEnd, const RowFunction &rowFunction)
{
    const int iThreads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    const int iRows = iEnd - iFirst;
    if (iThreads == 1 || iRows < 64) {
        for (int iY = iFirst; iY < iEnd; ++iY)
            rowFunction(iY);
        return;
    }
    // Interleaved rows: the disc's wide middle is shared fairly.
    std::vector<std::thread> threads;
    for (int iThread = 1; iThread < iThreads; ++iThread) {
        threads.emplace_back([&, iThread] {
            for (int iY = iFirst + iThread; iY < iEnd; iY += iThreads)
                rowFunction(iY);
        });
    }
    for (int iY = iFirst; iY < iEnd; iY += iThreads)
        rowFunction(iY);
    for (std::thread &thread : threads)
        thread.join();
}

QRgb bilinear(const QRgb *pRow0, const QRgb *pRow1, int iX0, int iX1, int iFu, int iFv)
{
    const QRgb a = pRow0[iX0], b = pRow0[iX1], c = pRow1[iX0], d = pRow1[iX1];
    const auto mix = [&](int iShift) {
        const int iTop = int((a >> iShift) & 0xff) * (256 - iFu) + int((b >> iShift) & 0xff) * iFu;
        const int iBottom = int((c >> iShift) & 0xff) * (256 - iFu) + int((d >> iShift) & 0xff) * iFu;
        return uint((iTop * (256 - iFv) + iBottom * iFv + 32768) >> 16) & 0xff;
    };
    return 0xff000000u | (mix(16) << 16) | (mix(8) << 8) | mix(0);
}

// The two pictures' colours at a latitude and longitude (radians), between
// their pixels; longitudes wrap round, latitudes stop at the poles.
class Pictures
{
public:
    Pictures(const QImage &day, const QImage &night)
        : m_pDay(day.constBits())
        , m_pNight(night.constBits())
        , m_iBytesPerLine(day.bytesPerLine())
        , m_iWidth(day.width())
        , m_iHeight(day.height())
    {
    }

    void at(float fLatitude, float fLongitude, QRgb *pDay, QRgb *pNight) const
    {
        // Shifted by a whole turn so that the truncation below floors.
        const float fU = (fLongitude + float(3 * M_PI)) * (float(m_iWidth) / float(2 * M_PI)) - 0.5f;
        const float fV = std::clamp((float(M_PI_2) - fLatitude) * (float(m_iHeight) / float(M_PI)) - 0.5f, 0.0f,
                                    float(m_iHeight - 1));
        const int iU = int(fU);
        const int iV = int(fV);
        const int iFu = int((fU - float(iU)) * 256.0f);
        const int iFv = int((fV - float(iV)) * 256.0f);
        const int iX0 = iU % m_iWidth;
        const int iX1 = iX0 + 1 == m_iWidth ? 0 : iX0 + 1;
        const int iY1 = std::min(iV + 1, m_iHeight - 1);
        const auto row = [this](const uchar *pBits, int iY) {
            return reinterpret_cast<const QRgb *>(pBits + qsizetype(iY) * m_iBytesPerLine);
        };
        const QRgb day = bilinear(row(m_pDay, iV), row(m_pDay, iY1), iX0, iX1, iFu, iFv);
        *pDay = day;
        *pNight = nightOver(bilinear(row(m_pNight, iV), row(m_pNight, iY1), iX0, iX1, iFu, iFv), day);
    }

private:
    const uchar *m_pDay;
    const uchar *m_pNight;
    qsizetype m_iBytesPerLine;
    int m_iWidth;
    int m_iHeight;
};

} // namespace

const QRgb EarthShader::kPlainDay = qRgb(0x3b, 0x78, 0xb0);
const QRgb EarthShader::kPlainNight = qRgb(0x10, 0x22, 0x3d);

void EarthShader::setPictures(const QImage &day, const QImage &night)
{
    const bool bBoth = !day.isNull() && !night.isNull();
    m_dayPicture = bBoth ? day.convertToFormat(QImage::Format_RGB32) : QImage();
    m_nightPicture = bBoth ? night.convertToFormat(QImage::Format_RGB32) : QImage();
    m_scaledDay = QImage();
    m_scaledNight = QImage();
    m_bDirty = true;
}

void EarthShader::setBackground(QRgb background)
{
    if (background == m_background)
        return;
    m_background = background;
    m_bDirty = true;
}

void EarthShader::setProjection(const MapProjection &projection)
{
    m_projection = projection;
    m_bDirty = true;
}

double EarthShader::dayWeight(double dSunAltitude)
{
    const double dSin = std::sin(qDegreesToRadians(dSunAltitude));
    return std::clamp((dSin - double(kSinNight)) / double(kSinDay - kSinNight), 0.0, 1.0);
}

void EarthShader::pictureFor(double dPixelsPerRadian, QImage *pDay, QImage *pNight)
{
    // About one picture pixel to a map pixel: finer pictures only cost
    // cache misses, and the bilinear sampling smooths the rest.
    const double dWanted = dPixelsPerRadian * 2.0 * M_PI;
    int iWidth = m_dayPicture.width();
    while (iWidth / 2 >= dWanted && iWidth / 2 >= kMinPictureWidth)
        iWidth /= 2;
    if (iWidth == m_dayPicture.width()) {
        *pDay = m_dayPicture;
        *pNight = m_nightPicture;
        return;
    }
    if (m_scaledDay.width() != iWidth) {
        const QSize size(iWidth, iWidth * m_dayPicture.height() / m_dayPicture.width());
        m_scaledDay = m_dayPicture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaledNight = m_nightPicture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    *pDay = m_scaledDay;
    *pNight = m_scaledNight;
}

void EarthShader::build()
{
    m_bDirty = false;
    const QSize size = m_projection.size();
    m_day = QImage(size, QImage::Format_RGB32);
    m_night = QImage(size, QImage::Format_RGB32);
    m_units.assign(size_t(std::max(0, size.width() * size.height())) * 3, 0);
    if (size.isEmpty())
        return;
    m_day.fill(m_background);
    m_night.fill(m_background);
    QImage day;
    QImage night;
    if (hasPictures()) {
        const double dPixelsPerRadian = m_projection.kind() == MapProjection::Kind::Centred
            ? m_projection.radius() / M_PI
            : m_projection.mapRect().width() / (2 * M_PI);
        pictureFor(dPixelsPerRadian, &day, &night);
    }
    const std::optional<Pictures> pictures =
        day.isNull() ? std::nullopt : std::optional<Pictures>(Pictures(day, night));
    uchar *pDayBits = m_day.bits();
    uchar *pNightBits = m_night.bits();
    const qsizetype iBytesPerLine = m_day.bytesPerLine();
    // One pixel of the table: where it is, and its colours by day and night.
    const auto store = [&](int iX, int iY, float fX, float fY, float fZ, float fLatitude, float fLongitude) {
        qint16 *pUnit = m_units.data() + (size_t(iY) * size_t(size.width()) + size_t(iX)) * 3;
        pUnit[0] = toUnit(fX);
        pUnit[1] = toUnit(fY);
        pUnit[2] = toUnit(fZ);
        auto *pDay = reinterpret_cast<QRgb *>(pDayBits + qsizetype(iY) * iBytesPerLine) + iX;
        auto *pNight = reinterpret_cast<QRgb *>(pNightBits + qsizetype(iY) * iBytesPerLine) + iX;
        if (pictures) {
            pictures->at(fLatitude, fLongitude, pDay, pNight);
        } else {
            *pDay = kPlainDay;
            *pNight = kPlainNight;
        }
    };
    const QRectF bounds = m_projection.mapRect();
    const int iTop = std::max(0, int(std::floor(bounds.top())));
    const int iBottom = std::min(size.height(), int(std::ceil(bounds.bottom())));
    const int iLeft = std::max(0, int(std::floor(bounds.left())));
    const int iRight = std::min(size.width(), int(std::ceil(bounds.right())));

    if (m_projection.kind() == MapProjection::Kind::World) {
        // Latitude by row and longitude by column: the trigonometry once per
        // row and column, not per pixel.
        QList<float> cosLongitude;
        QList<float> sinLongitude;
        QList<float> longitudes;
        for (int iX = iLeft; iX < iRight; ++iX) {
            const float fLongitude = float((iX + 0.5 - bounds.left()) / bounds.width() * 2 * M_PI - M_PI);
            longitudes.append(fLongitude);
            cosLongitude.append(std::cos(fLongitude));
            sinLongitude.append(std::sin(fLongitude));
        }
        forEachRow(iTop, iBottom, [&](int iY) {
            const float fLatitude = float(M_PI_2 - (iY + 0.5 - bounds.top()) / bounds.height() * M_PI);
            if (std::abs(fLatitude) > float(M_PI_2))
                return;
            const float fCos = std::cos(fLatitude);
            const float fSin = std::sin(fLatitude);
            for (int iX = iLeft; iX < iRight; ++iX) {
                const int i = iX - iLeft;
                if (std::abs(longitudes.at(i)) <= float(M_PI))
                    store(iX, iY, fCos * cosLongitude.at(i), fCos * sinLongitude.at(i), fSin, fLatitude,
                          longitudes.at(i));
            }
        });
    } else {
        const GeoVector &centre = m_projection.centrePoint();
        const GeoVector &north = m_projection.northAtCentre();
        const GeoVector &east = m_projection.eastAtCentre();
        const float fCentreX = float(m_projection.centrePixel().x());
        const float fCentreY = float(m_projection.centrePixel().y());
        const float fRadius = float(m_projection.radius());
        // The angle round the globe depends on the distance from the centre
        // alone: its cosine and sine (over the distance) by the eighth of a
        // pixel, between which the error is below 1e-6.
        constexpr int kStepsPerPixel = 8;
        const int iSteps = int(std::ceil(fRadius)) * kStepsPerPixel + 2;
        std::vector<float> cosines(size_t(iSteps) + 1);
        std::vector<float> sinesOverR(size_t(iSteps) + 1);
        for (int i = 0; i <= iSteps; ++i) {
            const double dR = double(i) / kStepsPerPixel;
            const double dAngle = dR * M_PI / m_projection.radius();
            cosines[size_t(i)] = float(std::cos(dAngle));
            sinesOverR[size_t(i)] = i == 0 ? float(M_PI / m_projection.radius()) : float(std::sin(dAngle) / dR);
        }
        forEachRow(iTop, iBottom, [&](int iY) {
            const float fDy = float(iY) + 0.5f - fCentreY;
            for (int iX = iLeft; iX < iRight; ++iX) {
                const float fDx = float(iX) + 0.5f - fCentreX;
                const float fR = std::sqrt(fDx * fDx + fDy * fDy);
                if (fR > fRadius)
                    continue;
                // From the centre along the pixel's heading, as far round
                // the globe as the pixel is from the centre.
                const float fStep = fR * float(kStepsPerPixel);
                const int iStep = int(fStep);
                const float fT = fStep - float(iStep);
                const float fCosAngle =
                    cosines[size_t(iStep)] + fT * (cosines[size_t(iStep) + 1] - cosines[size_t(iStep)]);
                const float fSinAngle =
                    sinesOverR[size_t(iStep)] + fT * (sinesOverR[size_t(iStep) + 1] - sinesOverR[size_t(iStep)]);
                const float fNorth = -fDy * fSinAngle;
                const float fEast = fDx * fSinAngle;
                const float fX = fCosAngle * float(centre.x) + fNorth * float(north.x) + fEast * float(east.x);
                const float fY = fCosAngle * float(centre.y) + fNorth * float(north.y) + fEast * float(east.y);
                const float fZ = fCosAngle * float(centre.z) + fNorth * float(north.z) + fEast * float(east.z);
                const float fLatitude = fastAtan2(fZ, std::sqrt(std::max(0.0f, fX * fX + fY * fY)));
                store(iX, iY, fX, fY, fZ, fLatitude, pictures ? fastAtan2(fY, fX) : 0.0f);
            }
        });
    }
    if (!hasPictures())
        paintGraticule();
}

void EarthShader::paintGraticule()
{
    const QList<QPolygonF> lines = m_projection.graticule(kGraticuleDegrees);
    for (auto [pImage, colour] :
         {std::pair {&m_day, QColor(0x6f, 0xa3, 0xd3)}, std::pair {&m_night, QColor(0x2c, 0x45, 0x6b)}}) {
        QPainter painter(pImage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour, 1.0));
        // Lines only where the map is: the world map's edge clips itself.
        if (m_projection.kind() == MapProjection::Kind::Centred) {
            QPainterPath disc;
            disc.addEllipse(m_projection.centrePixel(), m_projection.radius(), m_projection.radius());
            painter.setClipPath(disc);
        }
        for (const QPolygonF &line : lines)
            painter.drawPolyline(line);
    }
}

QImage EarthShader::shade(const GeoVector &subsolar)
{
    if (m_bDirty)
        build();
    const QSize size = m_projection.size();
    QImage image(size, QImage::Format_RGB32);
    if (size.isEmpty())
        return image;
    // Both vectors are of unit length, so the sum stays within 32767².
    const int iSunX = int(std::lround(subsolar.x * kUnitScale));
    const int iSunY = int(std::lround(subsolar.y * kUnitScale));
    const int iSunZ = int(std::lround(subsolar.z * kUnitScale));
    const float fToSine = float(1.0 / (kUnitScale * kUnitScale));
    const float fScale = 256.0f / (kSinDay - kSinNight);
    const int iWidth = size.width();
    for (int iRow = 0; iRow < size.height(); ++iRow) {
        const auto *pDay = reinterpret_cast<const QRgb *>(m_day.constScanLine(iRow));
        const auto *pNight = reinterpret_cast<const QRgb *>(m_night.constScanLine(iRow));
        auto *pOut = reinterpret_cast<QRgb *>(image.scanLine(iRow));
        const qint16 *pUnit = m_units.data() + size_t(iRow) * size_t(iWidth) * 3;
        for (int iColumn = 0; iColumn < iWidth; ++iColumn) {
            // The sine of the sun's altitude; off the map the unit is zero
            // and the pixel takes the day colour, which is the background.
            const float fSin = float(pUnit[0] * iSunX + pUnit[1] * iSunY + pUnit[2] * iSunZ) * fToSine;
            pUnit += 3;
            const int iWeight = int(std::clamp((fSin - kSinNight) * fScale, 0.0f, 256.0f));
            const QRgb day = pDay[iColumn];
            const QRgb night = pNight[iColumn];
            if (iWeight >= 256) {
                pOut[iColumn] = day;
            } else if (iWeight <= 0) {
                pOut[iColumn] = night;
            } else {
                const auto mix = [&](int iShift) {
                    const int iNight = int((night >> iShift) & 0xff);
                    const int iDay = int((day >> iShift) & 0xff);
                    return uint(iNight + (((iDay - iNight) * iWeight) >> 8)) & 0xff;
                };
                pOut[iColumn] = 0xff000000u | (mix(16) << 16) | (mix(8) << 8) | mix(0);
            }
        }
    }
    return image;
}
