#ifndef COUNTRYFILE_H
#define COUNTRYFILE_H

#include "CountryInfo.h"

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
    // The groups an entry may carry to differ from its country's record;
    // zero, empty or false where the entry has none.
    struct Overrides
    {
        int cqZone = 0;
        int ituZone = 0;
        QString continent;
        bool hasPosition = false;
        double latitude = 0.0;
        double longitude = 0.0;
        bool hasUtcOffset = false;
        double utcOffset = 0.0;

        bool isEmpty() const
        {
            return cqZone == 0 && ituZone == 0 && continent.isEmpty() && !hasPosition && !hasUtcOffset;
        }
        // The record's values with these put over them.
        CountryInfo applyTo(const CountryInfo &record) const;
    };

    struct Entry
    {
        QString prefix;
        QString country;
        // "=CALL": the entry names one complete call, never a prefix.
        bool wholeCall = false;
        Overrides overrides;
    };

    // The real file is a few hundred kilobytes; anything far larger is not a
    // country file (an error page, a wrong download) and would only fill memory.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // False when the file cannot be opened or read, is too large or holds no
    // entry at all; errorString() then says why.
    bool read(const QString &qsFileName);

    const QList<Entry> &entries() const { return m_entries; }
    const QStringList &countries() const { return m_countries; }
    // The header line of each country, first record of a name only, in the
    // order of countries().
    const QList<CountryInfo> &records() const { return m_records; }
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
    // The override groups of a prefix line's entry.
    static Overrides entryOverrides(const QString &qsPart);

    const Shape &shape() const { return m_shape; }
    // The yyyymmdd of the file's "=VERyyyymmdd" entry, 0 when it has none.
    uint version() const;

private:
    void parse(const QString &qsText);

    QList<Entry> m_entries;
    QStringList m_countries;
    QList<CountryInfo> m_records;
    Shape m_shape;
    QString m_errorString;
};

#endif // COUNTRYFILE_H
