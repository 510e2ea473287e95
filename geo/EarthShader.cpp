#include "geo/EarthShader.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

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
        return uint(std::min(255, int((night >> iShift) & 0xff) + ((int((day >> iShift) & 0xff) * kDayUnderNight) >> 8)));
    };
    return 0xff000000u | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

// The picture's colour at a latitude and longitude, between its pixels;
// longitudes wrap round, latitudes stop at the poles.
QRgb sample(const QImage &picture, double dLatitude, double dLongitude)
{
    const int iWidth = picture.width();
    const int iHeight = picture.height();
    const double dU = (dLongitude + 180.0) / 360.0 * iWidth - 0.5;
    const double dV = std::clamp((90.0 - dLatitude) / 180.0 * iHeight - 0.5, 0.0, double(iHeight - 1));
    const double dU0 = std::floor(dU);
    const double dV0 = std::floor(dV);
    const int iFu = int((dU - dU0) * 256.0);
    const int iFv = int((dV - dV0) * 256.0);
    int iX0 = int(dU0) % iWidth;
    if (iX0 < 0)
        iX0 += iWidth;
    const int iX1 = (iX0 + 1) % iWidth;
    const int iY0 = int(dV0);
    const int iY1 = std::min(iY0 + 1, iHeight - 1);
    const auto *pRow0 = reinterpret_cast<const QRgb *>(picture.constScanLine(iY0));
    const auto *pRow1 = reinterpret_cast<const QRgb *>(picture.constScanLine(iY1));
    const QRgb a = pRow0[iX0], b = pRow0[iX1], c = pRow1[iX0], d = pRow1[iX1];
    const auto mix = [&](int iShift) {
        const int iTop = ((a >> iShift) & 0xff) * (256 - iFu) + ((b >> iShift) & 0xff) * iFu;
        const int iBottom = ((c >> iShift) & 0xff) * (256 - iFu) + ((d >> iShift) & 0xff) * iFu;
        return uint((iTop * (256 - iFv) + iBottom * iFv) >> 16) & 0xff;
    };
    return 0xff000000u | (mix(16) << 16) | (mix(8) << 8) | mix(0);
}

} // namespace

const QRgb EarthShader::kPlainDay = qRgb(0x3b, 0x78, 0xb0);
const QRgb EarthShader::kPlainNight = qRgb(0x10, 0x22, 0x3d);

void EarthShader::setPictures(const QImage &day, const QImage &night)
{
    const bool bBoth = !day.isNull() && !night.isNull();
    m_dayPicture = bBoth ? day.convertToFormat(QImage::Format_RGB32) : QImage();
    m_nightPicture = bBoth ? night.convertToFormat(QImage::Format_RGB32) : QImage();
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

void EarthShader::pictureFor(double dPixelsPerRadian, QImage *pDay, QImage *pNight) const
{
    // Two picture pixels to one map pixel keeps the coast sharp without the
    // shimmer of skipping most of the picture.
    const double dWanted = 2.0 * dPixelsPerRadian * 2.0 * M_PI;
    int iWidth = m_dayPicture.width();
    while (iWidth / 2 >= dWanted && iWidth / 2 >= kMinPictureWidth)
        iWidth /= 2;
    if (iWidth == m_dayPicture.width()) {
        *pDay = m_dayPicture;
        *pNight = m_nightPicture;
        return;
    }
    const QSize size(iWidth, iWidth * m_dayPicture.height() / m_dayPicture.width());
    *pDay = m_dayPicture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    *pNight = m_nightPicture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    const QRectF bounds = m_projection.mapRect();
    const int iTop = std::max(0, int(std::floor(bounds.top())));
    const int iBottom = std::min(size.height(), int(std::ceil(bounds.bottom())));
    const int iLeft = std::max(0, int(std::floor(bounds.left())));
    const int iRight = std::min(size.width(), int(std::ceil(bounds.right())));
    for (int iY = iTop; iY < iBottom; ++iY) {
        auto *pDay = reinterpret_cast<QRgb *>(m_day.scanLine(iY));
        auto *pNight = reinterpret_cast<QRgb *>(m_night.scanLine(iY));
        qint16 *pUnit = m_units.data() + size_t(iY) * size_t(size.width()) * 3;
        for (int iX = iLeft; iX < iRight; ++iX) {
            GeoVector point;
            if (!m_projection.toPoint(QPointF(iX + 0.5, iY + 0.5), &point))
                continue;
            pUnit[iX * 3] = qint16(std::lround(point.x * kUnitScale));
            pUnit[iX * 3 + 1] = qint16(std::lround(point.y * kUnitScale));
            pUnit[iX * 3 + 2] = qint16(std::lround(point.z * kUnitScale));
            if (day.isNull()) {
                pDay[iX] = kPlainDay;
                pNight[iX] = kPlainNight;
                continue;
            }
            const double dLatitude = point.latitude();
            const double dLongitude = point.longitude();
            pDay[iX] = sample(day, dLatitude, dLongitude);
            pNight[iX] = nightOver(sample(night, dLatitude, dLongitude), pDay[iX]);
        }
    }
    if (!hasPictures())
        paintGraticule();
}

void EarthShader::paintGraticule()
{
    const QList<QPolygonF> lines = m_projection.graticule(kGraticuleDegrees);
    for (auto [pImage, colour] : {std::pair{&m_day, QColor(0x6f, 0xa3, 0xd3)}, std::pair{&m_night, QColor(0x2c, 0x45, 0x6b)}}) {
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
