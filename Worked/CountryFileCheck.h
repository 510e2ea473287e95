#ifndef COUNTRYFILECHECK_H
#define COUNTRYFILECHECK_H

#include <QString>

class CountryFile;

// Whether a parsed file is a whole country file, judged on what the parser
// found rather than on how it parsed it. A download that fails this check
// (an error text sent with status 200, an error page, a cut transfer) must
// never replace the prefix table: a handful of junk rows would leave every
// spot without a country.
class CountryFileCheck
{
public:
    // The published file has about 340 records and 27,000 entries; the
    // bounds leave room for entities that come and go.
    static constexpr int kMinRecords = 300;
    static constexpr int kMinEntries = 10000;

    // True when the file may replace the table; otherwise *pWhy says why,
    // in words fit for the log and the status bar.
    static bool isComplete(const CountryFile &file, QString *pWhy);
};

#endif // COUNTRYFILECHECK_H
