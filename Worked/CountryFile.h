#ifndef COUNTRYFILE_H
#define COUNTRYFILE_H

#include <QList>
#include <QString>
#include <QStringList>

// One country file in the CTY format, read whole: the country names of the
// header lines and every cleaned prefix or whole-call entry with its country.
// Reading never touches the database, so a file that turns out to be bad
// cannot leave a half-written table behind.
class CountryFile
{
public:
    struct Entry
    {
        QString prefix;
        QString country;
    };

    // The real file is a few hundred kilobytes; anything far larger is not a
    // country file (an error page, a wrong download) and would only fill memory.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // False when the file cannot be opened or read, is too large or holds no
    // entry at all; errorString() then says why.
    bool read(const QString &qsFileName);

    const QList<Entry> &entries() const { return m_entries; }
    const QStringList &countries() const { return m_countries; }
    const QString &errorString() const { return m_errorString; }

    // How the records of the file were laid out, for the check that a
    // downloaded file really is a country file before it replaces anything.
    struct Shape
    {
        int iRecords = 0;
        // Record lines without their eight ':'-terminated fields.
        int iMalformedRecords = 0;
        // Prefix lists that the file ends before their ';'.
        int iOpenRecords = 0;
        QString qsFirstMalformed;
    };

    // The entry of a prefix line with its marks and override groups removed.
    static QString cleanEntry(const QString &qsPart);

    const Shape &shape() const { return m_shape; }
    // The yyyymmdd of the file's "=VERyyyymmdd" entry, 0 when it has none.
    uint version() const;

private:
    void parse(const QString &qsText);

    QList<Entry> m_entries;
    QStringList m_countries;
    Shape m_shape;
    QString m_errorString;
};

#endif // COUNTRYFILE_H
