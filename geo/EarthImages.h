#ifndef EARTHIMAGES_H
#define EARTHIMAGES_H

#include <QImage>
#include <QString>

// The Earth by day and by night as two pictures in latitude/longitude
// layout (left edge 180° west, top edge the north pole), as the system's
// planet imagery installs them under the data folders
// ("xplanet/images/earth.jpg" and "night.jpg"). Either both load or none is
// used: a day picture over a plain night would make the grey line a seam.
class EarthImages
{
public:
    static const char *const kDayFile;
    static const char *const kNightFile;

    // Looks both files up in the data folders (XDG_DATA_HOME, then
    // XDG_DATA_DIRS) and decodes them; on failure why() says what is
    // missing and the images are null.
    static EarthImages load();

    bool isValid() const { return !m_day.isNull() && !m_night.isNull(); }
    const QImage &day() const { return m_day; }
    const QImage &night() const { return m_night; }
    const QString &why() const { return m_why; }

private:
    QImage m_day;
    QImage m_night;
    QString m_why;
};

#endif // EARTHIMAGES_H
