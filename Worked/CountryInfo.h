#ifndef COUNTRYINFO_H
#define COUNTRYINFO_H

#include <QString>

// What a lookup knows about the station behind a call: its country and where
// that country (or the entry that moved the station) lies. Longitude counts
// east positive and the UTC offset is what is added to UTC to get local time,
// the usual signs, not the country file's.
struct CountryInfo
{
    QString country;
    QString primaryPrefix;
    QString continent;
    int cqZone = 0;
    int ituZone = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double utcOffset = 0.0;
    // False for a table without coordinates (a database of an older version).
    bool hasPosition = false;

    bool isValid() const { return !country.isEmpty(); }
    bool operator==(const CountryInfo &other) const
    {
        return country == other.country && primaryPrefix == other.primaryPrefix && continent == other.continent
            && cqZone == other.cqZone && ituZone == other.ituZone && latitude == other.latitude
            && longitude == other.longitude && utcOffset == other.utcOffset && hasPosition == other.hasPosition;
    }
    bool operator!=(const CountryInfo &other) const { return !(*this == other); }
};

#endif // COUNTRYINFO_H
