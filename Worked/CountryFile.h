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

    // The entry of a prefix line with its marks and override groups removed.
    static QString cleanEntry(const QString &qsPart);

private:
    void parse(const QString &qsText);

    QList<Entry> m_entries;
    QStringList m_countries;
    QString m_errorString;
};

#endif // COUNTRYFILE_H
