#ifndef WORKEDSETS_H
#define WORKEDSETS_H

#include <QMap>
#include <QString>
#include <QStringList>

// The countries the user has worked and those not yet worked, ordered by name
// (code-unit order). Rules of the Worked Countries and New Countries kinds
// hold pointers to the two maps, so a move is seen by the next spot; the
// maps therefore live as long as this object and are never replaced.
class WorkedSets
{
public:
    // Country name → always false.
    using CountrySet = QMap<QString, bool>;

    static const QString kNotWorkedGroup;
    static const QString kWorkedGroup;

    const CountrySet &notWorkedCountries() const { return m_notWorkedCountries; }
    const CountrySet &workedCountries() const { return m_workedCountries; }

    // Replaces both sets by the stored ones.
    void load();
    // Rewrites both groups with the current sets.
    void save() const;

    void setWorked(const QString &qsCountry);
    void setNotWorked(const QString &qsCountry);

    int notWorkedCount() const { return int(m_notWorkedCountries.size()); }
    int workedCount() const { return int(m_workedCountries.size()); }
    // The name at that position in name order, or "" outside the set.
    QString notWorkedNameAt(int iIndex) const;
    QString workedNameAt(int iIndex) const;

    // First start: when "Not Worked" has no keys, it receives every country
    // of the database that is not stored as worked. Returns whether it wrote.
    static bool fillNotWorkedOnFirstRun(const QStringList &countries);

private:
    static QString nameAt(const CountrySet &set, int iIndex);

    CountrySet m_notWorkedCountries;
    CountrySet m_workedCountries;
};

#endif // WORKEDSETS_H
