#include "ui/MapWidget.h"

#include "Worked/Locator.h"
#include "cluster/Spot.h"
#include "geo/EarthImages.h"
#include "geo/SolarPosition.h"
#include "ui/SpotModel.h"
#include "ui/SpotPopup.h"

#include <QAbstractProxyModel>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>

namespace {

// A press that moves less than this is a click.
constexpr double kClickSlop = 4.0;
// How near the pointer must come to a dot to pick it, in widget pixels.
constexpr double kPickRadius = 7.0;
constexpr double kDotRadius = 3.5;
constexpr int kPathAlpha = 150;
constexpr int kMenuRows = 20;
constexpr int kToolTipRows = 8;
constexpr int kReadoutMargin = 6;

const QColor kPlainDot(0xf4, 0xf1, 0xde);
const QColor kDotOutline(0x20, 0x20, 0x20);
const QColor kStationColour(0xd3, 0x2f, 0x2f);
const QColor kSunColour(0xff, 0xd5, 0x4f);

// Rows of one place share a dot; places are told apart at a thousandth of a
// degree, far below a pixel.
quint64 placeKey(double dLatitude, double dLongitude)
{
    const auto iLatitude = quint64(qint64(std::llround((dLatitude + 90.0) * 1000.0)));
    const auto iLongitude = quint64(qint64(std::llround((dLongitude + 180.0) * 1000.0)));
    return (iLatitude << 32) | iLongitude;
}

// Red and blue in one multiplication, green in another.
void blendPixel(QRgb *pPixel, QRgb colour, uint uiAlpha)
{
    const QRgb old = *pPixel;
    const uint uiKeep = 256 - uiAlpha;
    const uint uiRedBlue = (((colour & 0xff00ff) * uiAlpha + (old & 0xff00ff) * uiKeep) >> 8) & 0xff00ff;
    const uint uiGreen = (((colour & 0x00ff00) * uiAlpha + (old & 0x00ff00) * uiKeep) >> 8) & 0x00ff00;
    *pPixel = 0xff000000u | uiRedBlue | uiGreen;
}

// An antialiased line one pixel wide, blended straight into the picture
// (iAlpha of 256). QPainter hands every long line's spans to a thread pool,
// which at a few hundred lines a batch cost the window more than the rest
// of the map together.
void blendLine(QImage &image, const QPointF &from, const QPointF &to, QRgb colour, int iAlpha)
{
    // Coordinates of pixel centres.
    double dX0 = from.x() - 0.5, dY0 = from.y() - 0.5, dX1 = to.x() - 0.5, dY1 = to.y() - 0.5;
    const bool bSteep = std::abs(dY1 - dY0) > std::abs(dX1 - dX0);
    if (bSteep) {
        std::swap(dX0, dY0);
        std::swap(dX1, dY1);
    }
    if (dX0 > dX1) {
        std::swap(dX0, dX1);
        std::swap(dY0, dY1);
    }
    const double dGradient = dX1 - dX0 > 1e-9 ? (dY1 - dY0) / (dX1 - dX0) : 0.0;
    const int iWidth = image.width();
    const int iHeight = image.height();
    uchar *pBits = image.bits();
    const qsizetype iBytesPerLine = image.bytesPerLine();
    const auto plot = [&](int iMajor, int iMinor, double dCoverage) {
        const int iX = bSteep ? iMinor : iMajor;
        const int iY = bSteep ? iMajor : iMinor;
        if (iX < 0 || iY < 0 || iX >= iWidth || iY >= iHeight)
            return;
        blendPixel(reinterpret_cast<QRgb *>(pBits + iY * iBytesPerLine) + iX, colour, uint(dCoverage * iAlpha));
    };
    const int iFirst = std::max(0, int(std::ceil(dX0)));
    const int iLast = std::min((bSteep ? iHeight : iWidth) - 1, int(std::floor(dX1)));
    for (int iMajor = iFirst; iMajor <= iLast; ++iMajor) {
        const double dMinor = dY0 + dGradient * (iMajor - dX0);
        const int iMinor = int(std::floor(dMinor));
        const double dFraction = dMinor - iMinor;
        plot(iMajor, iMinor, 1.0 - dFraction);
        plot(iMajor, iMinor + 1, dFraction);
    }
}

QString latitudeText(double dDegrees)
{
    return dDegrees >= 0 ? MapWidget::tr("%1\u00b0 N").arg(dDegrees, 0, 'f', 1)
                         : MapWidget::tr("%1\u00b0 S").arg(-dDegrees, 0, 'f', 1);
}

QString longitudeText(double dDegrees)
{
    return dDegrees >= 0 ? MapWidget::tr("%1\u00b0 E").arg(dDegrees, 0, 'f', 1)
                         : MapWidget::tr("%1\u00b0 W").arg(-dDegrees, 0, 'f', 1);
}

} // namespace

MapWidget::MapWidget(QAbstractItemModel *pModel, QWidget *parent) : QWidget(parent), m_pModel(pModel)
{
    setObjectName(QStringLiteral("worldMap"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_shadeTimer.setSingleShot(true);
    connect(&m_shadeTimer, &QTimer::timeout, this, &MapWidget::onShadeTimer);
    if (pModel) {
        connect(pModel, &QAbstractItemModel::rowsInserted, this, &MapWidget::onRowsInserted);
        connect(pModel, &QAbstractItemModel::rowsRemoved, this, &MapWidget::onRowsChanged);
        connect(pModel, &QAbstractItemModel::rowsMoved, this, &MapWidget::onRowsChanged);
        connect(pModel, &QAbstractItemModel::layoutChanged, this, &MapWidget::onRowsChanged);
        connect(pModel, &QAbstractItemModel::modelReset, this, [this] {
            m_rowInfo.clear();
            onRowsChanged();
        });
        connect(pModel, &QAbstractItemModel::dataChanged, this, &MapWidget::onDataChanged);
    }
}

MapWidget::~MapWidget() = default;

QSize MapWidget::sizeHint() const
{
    return QSize(400, 400);
}

QSize MapWidget::minimumSizeHint() const
{
    return QSize(160, 120);
}

void MapWidget::setStation(const QString &qsLocator)
{
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    std::optional<GeoVector> station;
    if (Locator::position(qsLocator.trimmed(), &dLatitude, &dLongitude))
        station = GeoVector::fromDegrees(dLatitude, dLongitude);
    const bool bSame = station.has_value() == m_station.has_value()
        && (!station || (station->x == m_station->x && station->y == m_station->y && station->z == m_station->z));
    if (bSame)
        return;
    m_station = station;
    m_bGeometryDirty = true;
    update();
}

void MapWidget::setProjection(Projection projection)
{
    if (projection == m_projection)
        return;
    m_projection = projection;
    m_bGeometryDirty = true;
    update();
}

void MapWidget::setDistanceInMiles(bool bMiles)
{
    m_bMiles = bMiles;
}

void MapWidget::setClock(Clock clock)
{
    m_clock = std::move(clock);
    update();
}

void MapWidget::setEarthPictures(const QImage &day, const QImage &night, const QString &qsWhyMissing)
{
    m_bPicturesLoaded = true;
    m_shader.setPictures(day, night);
    m_qsPicturesMissing = m_shader.hasPictures() ? QString() : qsWhyMissing;
    m_bGeometryDirty = true;
    update();
}

qint64 MapWidget::nowMs() const
{
    return m_clock ? m_clock().toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

const MapProjection &MapWidget::mapProjection()
{
    ensureGeometry();
    return m_mapProjection;
}

std::optional<QPointF> MapWidget::dotCentre(int iRow)
{
    ensureGeometry();
    ensureDots();
    for (const Dot &dot : std::as_const(m_dots)) {
        if (dot.rows.contains(iRow))
            return dot.pixel / m_dDpr;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- the rows

void MapWidget::onRowsChanged()
{
    m_bDotsDirty = true;
    update();
}

void MapWidget::onRowsInserted(const QModelIndex &parent, int iFirst, int iLast)
{
    // A row put on top may be a station spotted again, with a new spot
    // behind the same identity.
    if (!parent.isValid()) {
        for (int iRow = iFirst; iRow <= iLast; ++iRow) {
            quint64 uiId = 0;
            if (spotOfRow(iRow, &uiId))
                m_rowInfo.remove(uiId);
        }
    }
    onRowsChanged();
}

void MapWidget::onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    for (int iRow = topLeft.row(); iRow <= bottomRight.row(); ++iRow) {
        quint64 uiId = 0;
        if (spotOfRow(iRow, &uiId))
            m_rowInfo.remove(uiId);
    }
    onRowsChanged();
}

const Spot *MapWidget::spotOfRow(int iRow, quint64 *puiId) const
{
    if (!m_pModel)
        return nullptr;
    QModelIndex index = m_pModel->index(iRow, 0);
    while (const auto *pProxy = qobject_cast<const QAbstractProxyModel *>(index.model()))
        index = pProxy->mapToSource(index);
    const auto *pSpots = qobject_cast<const SpotModel *>(index.model());
    if (!pSpots || !index.isValid() || index.row() >= pSpots->rowCount())
        return nullptr;
    if (puiId)
        *puiId = pSpots->idAt(index.row());
    return &pSpots->spotAt(index.row());
}

MapWidget::RowInfo MapWidget::rowInfo(int iRow, const Spot &spot) const
{
    RowInfo info;
    info.hasPosition = spot.hasDxPosition();
    info.latitude = spot.dxLatitude();
    info.longitude = spot.dxLongitude();
    // As the table colours the row: the alert's colour first, else how much
    // the log needs the station.
    if (spot.alertFlags().testFlag(AlertFlag::Color) && spot.alertColor().alpha() > 0) {
        info.colour = spot.alertColor();
        info.colour.setAlpha(255);
        info.rank = 2;
        return info;
    }
    const QVariant need = m_pModel->index(iRow, SpotModel::Need).data(Qt::BackgroundRole);
    const QColor needColour = need.typeId() == QMetaType::QColor ? need.value<QColor>() : need.value<QBrush>().color();
    if (need.isValid() && needColour.isValid()) {
        info.colour = needColour;
        info.rank = 1;
        return info;
    }
    info.colour = kPlainDot;
    return info;
}

void MapWidget::ensureDots()
{
    if (!m_bDotsDirty)
        return;
    m_bDotsDirty = false;
    m_bCompositeDirty = true;
    m_dots.clear();
    QHash<quint64, RowInfo> infos;
    QHash<quint64, int> dotOfPlace;
    const int iRows = m_pModel ? m_pModel->rowCount() : 0;
    infos.reserve(iRows);
    for (int iRow = 0; iRow < iRows; ++iRow) {
        quint64 uiId = 0;
        const Spot *pSpot = spotOfRow(iRow, &uiId);
        if (!pSpot)
            continue;
        // Most rows were here for the last batch: only new ones ask the log.
        auto cached = m_rowInfo.constFind(uiId);
        const RowInfo info = cached != m_rowInfo.cend() ? *cached : rowInfo(iRow, *pSpot);
        infos.insert(uiId, info);
        if (!info.hasPosition)
            continue;
        const quint64 uiPlace = placeKey(info.latitude, info.longitude);
        auto found = dotOfPlace.constFind(uiPlace);
        if (found == dotOfPlace.cend()) {
            Dot dot;
            dot.point = GeoVector::fromDegrees(info.latitude, info.longitude);
            dot.pixel = m_mapProjection.toPixel(dot.point);
            dot.colour = info.colour;
            dot.rank = info.rank;
            dot.rows.append(iRow);
            dotOfPlace.insert(uiPlace, int(m_dots.size()));
            m_dots.append(dot);
            continue;
        }
        Dot &dot = m_dots[*found];
        dot.rows.append(iRow);
        // The most pressing row of the place colours it; rows come newest
        // first, so among equals the newest.
        if (info.rank > dot.rank) {
            dot.rank = info.rank;
            dot.colour = info.colour;
        }
    }
    m_rowInfo.swap(infos);
}

// ---------------------------------------------------------------- drawing

void MapWidget::ensureGeometry()
{
    const qreal dDpr = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * dDpr).toSize();
    if (!m_bGeometryDirty && device == m_mapProjection.size() && dDpr == m_dDpr)
        return;
    m_bGeometryDirty = false;
    m_dDpr = dDpr;
    if (!m_bPicturesLoaded) {
        m_bPicturesLoaded = true;
        const EarthImages pictures = EarthImages::load();
        m_shader.setPictures(pictures.day(), pictures.night());
        m_qsPicturesMissing = pictures.why();
    }
    if (shownProjection() == Projection::Centred)
        m_mapProjection = MapProjection::centred(m_station->latitude(), m_station->longitude(), device);
    else
        m_mapProjection = MapProjection::world(device);
    m_shader.setBackground(palette().color(QPalette::Window).rgb());
    m_shader.setProjection(m_mapProjection);
    m_shadedMinuteMs = -1;
    m_paths.clear();
    m_dotSprites.clear();
    m_bDotsDirty = true;
}

void MapWidget::ensureShading()
{
    const qint64 iMinuteMs = nowMs() / 60000 * 60000;
    if (iMinuteMs == m_shadedMinuteMs)
        return;
    m_shadedMinuteMs = iMinuteMs;
    m_subsolar = SolarPosition::atMsSinceEpoch(iMinuteMs).subsolarPoint();
    m_shaded = m_shader.shade(m_subsolar);
    m_bCompositeDirty = true;
    if (m_shaded.isNull())
        return;
    // The rim with the shading, once a minute, not with every batch.
    QPainter painter(&m_shaded);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1.0 * m_dDpr));
    if (m_mapProjection.kind() == MapProjection::Kind::Centred)
        painter.drawEllipse(m_mapProjection.centrePixel(), m_mapProjection.radius(), m_mapProjection.radius());
    else
        painter.drawRect(m_mapProjection.mapRect());
}

void MapWidget::ensureComposite()
{
    if (!m_bCompositeDirty)
        return;
    m_bCompositeDirty = false;
    m_composite = m_shaded;
    if (m_composite.isNull())
        return;
    // Paths first, so that no line crosses a dot.
    paintPaths(m_composite);
    QPainter painter(&m_composite);
    painter.setRenderHint(QPainter::Antialiasing);
    paintDots(painter);
    paintMarkers(painter);
}

void MapWidget::paintPaths(QImage &image)
{
    if (!m_station)
        return;
    const bool bCentred = m_mapProjection.kind() == MapProjection::Kind::Centred;
    const QPointF stationPixel = m_mapProjection.toPixel(*m_station);
    for (const Dot &dot : std::as_const(m_dots)) {
        const QRgb colour = dot.colour.rgb();
        if (bCentred) {
            blendLine(image, stationPixel, dot.pixel, colour, kPathAlpha);
            continue;
        }
        const quint64 uiPlace = placeKey(dot.point.latitude(), dot.point.longitude());
        auto path = m_paths.find(uiPlace);
        if (path == m_paths.end())
            path = m_paths.insert(uiPlace, m_mapProjection.greatCircle(*m_station, dot.point));
        for (const QPolygonF &polyline : std::as_const(*path)) {
            for (qsizetype i = 1; i < polyline.size(); ++i)
                blendLine(image, polyline.at(i - 1), polyline.at(i), colour, kPathAlpha);
        }
    }
}

void MapWidget::paintDots(QPainter &painter)
{
    // The oldest places first: the newest lie on top.
    for (auto dot = m_dots.crbegin(); dot != m_dots.crend(); ++dot) {
        // A place with many stations is a little larger.
        const int iSize = std::min(3, int(std::log2(double(dot->rows.size()))));
        const QImage &sprite = dotSprite(dot->colour, iSize);
        // On whole pixels: a blit, not a resampling.
        painter.drawImage((dot->pixel - QPointF(sprite.width(), sprite.height()) / 2.0).toPoint(), sprite);
    }
}

const QImage &MapWidget::dotSprite(const QColor &colour, int iSize)
{
    // Drawn once per colour and size: a few hundred antialiased ellipses a
    // batch cost more than the copies of them.
    const quint64 uiKey = (quint64(colour.rgba()) << 8) | quint64(iSize);
    auto found = m_dotSprites.constFind(uiKey);
    if (found != m_dotSprites.cend())
        return *found;
    const double dRadius = (kDotRadius + iSize) * m_dDpr;
    const int iSide = int(std::ceil(2 * dRadius + 2 * m_dDpr));
    QImage sprite(iSide, iSide, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    QPainter painter(&sprite);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kDotOutline, 1.0 * m_dDpr));
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(iSide / 2.0, iSide / 2.0), dRadius, dRadius);
    painter.end();
    // The table's colours are few; a store that somehow sees many more
    // starts again rather than grow.
    if (m_dotSprites.size() > 256)
        m_dotSprites.clear();
    return *m_dotSprites.insert(uiKey, sprite);
}

void MapWidget::paintMarkers(QPainter &painter)
{
    const QPointF sun = m_mapProjection.toPixel(m_subsolar);
    painter.setPen(QPen(QColor(0xe6, 0x8a, 0x00), 1.5 * m_dDpr));
    painter.setBrush(kSunColour);
    painter.drawEllipse(sun, 6.0 * m_dDpr, 6.0 * m_dDpr);

    if (m_station) {
        const QPointF station = m_mapProjection.toPixel(*m_station);
        painter.setPen(QPen(Qt::white, 2.0 * m_dDpr));
        painter.setBrush(kStationColour);
        painter.drawEllipse(station, 5.0 * m_dDpr, 5.0 * m_dDpr);
    }
}

void MapWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    ensureGeometry();
    ensureShading();
    ensureDots();
    ensureComposite();
    QPainter painter(this);
    if (m_composite.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    m_composite.setDevicePixelRatio(m_dDpr);
    painter.drawImage(QPointF(0, 0), m_composite);
    if (!m_station) {
        const QString qsNotice = tr("Set your locator in Settings to centre the map on your station");
        const QRect box = painter.fontMetrics().boundingRect(
            rect().adjusted(8, 8, -8, -8), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, qsNotice);
        painter.fillRect(box.adjusted(-6, -3, 6, 3), QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, qsNotice);
    }
    if (!m_qsReadout.isEmpty()) {
        const QRect box = readoutRect(m_qsReadout);
        painter.fillRect(box, QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, m_qsReadout);
    }
}

// ---------------------------------------------------------------- time

void MapWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    armShadeTimer();
}

void MapWidget::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A hidden map costs nothing: no shading until it shows again.
    m_shadeTimer.stop();
}

void MapWidget::armShadeTimer()
{
    // At the turn of each minute; a little after it, so that the clock has
    // surely turned.
    const qint64 iToNextMinute = 60000 - nowMs() % 60000;
    m_shadeTimer.start(int(iToNextMinute) + 50);
}

void MapWidget::onShadeTimer()
{
    update();
    armShadeTimer();
}

// ---------------------------------------------------------------- the pointer

const MapWidget::Dot *MapWidget::dotAt(const QPointF &point)
{
    ensureGeometry();
    ensureDots();
    const QPointF device = point * m_dDpr;
    const Dot *pNearest = nullptr;
    double dNearest = kPickRadius * m_dDpr;
    // The newest places lie on top and win a tie.
    for (const Dot &dot : std::as_const(m_dots)) {
        const QPointF offset = dot.pixel - device;
        const double dDistance = std::hypot(offset.x(), offset.y());
        if (dDistance < dNearest) {
            dNearest = dDistance;
            pNearest = &dot;
        }
    }
    return pNearest;
}

QString MapWidget::readoutAt(const QPointF &point) const
{
    GeoVector where;
    if (!m_mapProjection.toPoint(point * m_dDpr, &where))
        return QString();
    const QString qsPlace = latitudeText(where.latitude()) + QStringLiteral(", ") + longitudeText(where.longitude());
    if (!m_station)
        return qsPlace;
    const Locator::Path path =
        Locator::shortPath(m_station->latitude(), m_station->longitude(), where.latitude(), where.longitude());
    return SpotPopup::pathText(path, m_bMiles) + QStringLiteral("  \u00b7  ") + qsPlace;
}

QRect MapWidget::readoutRect(const QString &qsText) const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, qsText);
    const QSize box = text + QSize(2 * kReadoutMargin, kReadoutMargin);
    return QRect(QPoint(kReadoutMargin, height() - box.height() - kReadoutMargin), box);
}

void MapWidget::setReadout(const QString &qsText)
{
    if (qsText == m_qsReadout)
        return;
    // Only the corner is drawn again, not the map.
    if (!m_qsReadout.isEmpty())
        update(readoutRect(m_qsReadout));
    m_qsReadout = qsText;
    if (!m_qsReadout.isEmpty())
        update(readoutRect(m_qsReadout));
}

void MapWidget::mouseMoveEvent(QMouseEvent *event)
{
    ensureGeometry();
    setReadout(readoutAt(event->position()));
    setCursor(dotAt(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void MapWidget::leaveEvent(QEvent *event)
{
    setReadout(QString());
    QWidget::leaveEvent(event);
}

void MapWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressPoint = event->position();
    QWidget::mousePressEvent(event);
}

void MapWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const std::optional<QPointF> press = std::exchange(m_pressPoint, std::nullopt);
    if (event->button() != Qt::LeftButton || !press)
        return QWidget::mouseReleaseEvent(event);
    const QPointF moved = event->position() - *press;
    if (std::hypot(moved.x(), moved.y()) > kClickSlop)
        return;
    if (const Dot *pDot = dotAt(event->position()))
        activate(*pDot, event->globalPosition().toPoint());
}

void MapWidget::activate(const Dot &dot, const QPoint &globalPos)
{
    if (dot.rows.size() == 1) {
        if (const Spot *pSpot = spotOfRow(dot.rows.first()))
            Q_EMIT spotClicked(m_pModel->index(dot.rows.first(), 0), *pSpot);
        return;
    }
    // Several stations at one place: the operator picks one.
    auto *pMenu = new QMenu(this);
    pMenu->setObjectName(QStringLiteral("menuMapStations"));
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    for (int iRow : dot.rows.mid(0, kMenuRows)) {
        const Spot *pSpot = spotOfRow(iRow);
        if (!pSpot)
            continue;
        // The row may move or go while the menu is open; the spot is the
        // one that was offered.
        const QPersistentModelIndex index(m_pModel->index(iRow, 0));
        const Spot spot = *pSpot;
        QAction *pAction = pMenu->addAction(QStringLiteral("%1  %2").arg(spot.dxCall(), spot.frequency()));
        connect(pAction, &QAction::triggered, this, [this, index, spot] { Q_EMIT spotClicked(index, spot); });
    }
    pMenu->popup(globalPos);
}

QString MapWidget::toolTipFor(const Dot &dot) const
{
    // Everything here came from the network: escaped, never taken as markup.
    QStringList qslLines;
    const Spot *pNewest = spotOfRow(dot.rows.first());
    if (pNewest && !pNewest->country().isEmpty())
        qslLines.append(QStringLiteral("<b>%1</b>").arg(pNewest->country().toHtmlEscaped()));
    for (int iRow : dot.rows.mid(0, kToolTipRows)) {
        if (const Spot *pSpot = spotOfRow(iRow))
            qslLines.append(
                QStringLiteral("%1  %2").arg(pSpot->dxCall().toHtmlEscaped(), pSpot->frequency().toHtmlEscaped()));
    }
    if (dot.rows.size() > kToolTipRows)
        qslLines.append(tr("and %n more", nullptr, int(dot.rows.size()) - kToolTipRows));
    if (m_station) {
        const Locator::Path path = Locator::shortPath(m_station->latitude(), m_station->longitude(),
                                                      dot.point.latitude(), dot.point.longitude());
        qslLines.append(tr("Short path: %1").arg(SpotPopup::pathText(path, m_bMiles)).toHtmlEscaped());
    }
    return QStringLiteral("<p style='white-space:pre'>") + qslLines.join(QStringLiteral("<br>"))
        + QStringLiteral("</p>");
}

bool MapWidget::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *pHelp = static_cast<QHelpEvent *>(event);
        if (const Dot *pDot = dotAt(pHelp->pos())) {
            const QPointF centre = pDot->pixel / m_dDpr;
            const QRect area(centre.toPoint() - QPoint(int(kPickRadius), int(kPickRadius)),
                             QSize(2 * int(kPickRadius), 2 * int(kPickRadius)));
            QToolTip::showText(pHelp->globalPos(), toolTipFor(*pDot), this, area);
        } else if (!hasEarthPictures()) {
            QToolTip::showText(pHelp->globalPos(),
                               tr("The Earth pictures were not found (%1): the map shows the sea, a graticule, "
                                  "day and night. Install the package xplanet-images for land and city lights.")
                                   .arg(m_qsPicturesMissing),
                               this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ScreenChangeInternal)
        m_bGeometryDirty = true;
    return QWidget::event(event);
}
