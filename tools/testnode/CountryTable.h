#ifndef COUNTRYTABLE_H
#define COUNTRYTABLE_H

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A small, made-up but plausible prefix table: enough to build callsigns of
// many countries and to fill the country fields of CC11 lines. It is not a
// country database and makes no claim to completeness.
class CountryTable
{
public:
    struct Country
    {
        QString code; // short country code sent in CC11 lines
        int dxcc = 0;
        int itu = 0;
        int cq = 0;
        QStringList prefixes;
        QString digits; // call area digits after the prefix; empty when the prefix has one
        int suffixMin = 1;
        int suffixMax = 3;
        QStringList grids; // two-letter locator fields
        QStringList states;
        int weight = 1;
    };

    static const CountryTable &instance();

    int count() const;
    const Country &at(int iIndex) const;
    int totalWeight() const;
    // Longest prefix match on the part of the call that tells the country
    // (EA8/DL1ABC is EA8, DL1ABC/P is DL, skimmer and SSID suffixes dropped).
    const Country *lookup(const QString &qsCall) const;
    // A state for calls of countries that have them, the same for the same call.
    QString stateFor(const Country &country, const QString &qsCall) const;

private:
    CountryTable();

    QList<Country> m_countries;
    QHash<QString, int> m_prefixIndex;
    int m_totalWeight = 0;
};

#endif // COUNTRYTABLE_H
