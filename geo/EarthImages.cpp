#include "geo/EarthImages.h"

#include "API/QsLog/QsLog.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QStandardPaths>

namespace {

// Larger pictures are refused rather than decoded: the maps never need more
// than the packaged 2048 × 1024, and a huge file must not take the memory.
constexpr int kMaxWidth = 8192;

QImage loadImage(const QString &qsName, QString *pWhy)
{
    const QString qsFile = QStandardPaths::locate(QStandardPaths::GenericDataLocation, qsName);
    if (qsFile.isEmpty()) {
        *pWhy = QCoreApplication::translate("EarthImages", "%1 was not found in the data folders").arg(qsName);
        return QImage();
    }
    QImageReader reader(qsFile);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxWidth || size.height() > kMaxWidth / 2)) {
        *pWhy =
            QCoreApplication::translate("EarthImages", "%1 is larger than %2 pixels wide").arg(qsFile).arg(kMaxWidth);
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull()) {
        // Most often the image format plug-in is missing.
        *pWhy = QCoreApplication::translate("EarthImages", "%1 cannot be read: %2").arg(qsFile, reader.errorString());
        return QImage();
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

const char *const EarthImages::kDayFile = "xplanet/images/earth.jpg";
const char *const EarthImages::kNightFile = "xplanet/images/night.jpg";

EarthImages EarthImages::load()
{
    EarthImages images;
    images.m_day = loadImage(QLatin1String(kDayFile), &images.m_why);
    if (!images.m_day.isNull())
        images.m_night = loadImage(QLatin1String(kNightFile), &images.m_why);
    if (images.m_night.isNull()) {
        images.m_day = QImage();
        QLOG_WARN() << "The map draws no Earth pictures:" << images.m_why;
    }
    return images;
}
