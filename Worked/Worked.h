#ifndef WORKED_H
#define WORKED_H

#include "CountryInfo.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class CountryFile;

// The country component: which country a callsign belongs to, with the
// continent, zones and position the country file gives for it, answered from
// "dx.sqlite", and the import of a country file into it.
//
// "prefixes" and "countries" hold what they always held, whole-call entries
// included, for readers of older versions. The lookup reads the tables beside
// them: "whole_calls" (entries that name one complete call), "prefix_entries"
// (the others) and "country_details" (each country's header line); both entry
// tables carry the entry's own zones, continent, position and offset, NULL
// where the entry has none. A database without them (the country file was
// not at hand when it was upgraded) is searched through "prefixes" alone.
//
// The receive path calls infoForCall(call) for every spot. It answers from
// an in-memory copy of the tables, loaded once by attachDatabase() and again
// after every update, and gives exactly what the queries per candidate
// (infoForCall(call, db)) give: the first row of an entry wins in both.
class Worked
{
public:
    Worked() = default;

    // The main window's database: "dx.sqlite" beside the program when there
    // is one, otherwise in the user's data folder (created when missing).
    static QString databaseFileName();
    // The country file installed with the system's ham radio data.
    static QString systemCountryFile();
    // Opens qsFileName as the default connection and makes sure it holds both
    // tables, creating and filling missing or empty ones from qsCountryFile.
    // False (with a FATAL log line) only when the file cannot be opened.
    // A damaged file (it fails SQLite's quick check, or the look-up's queries
    // fail on it) is renamed ".damaged" first and a new one built;
    // pqsRepaired then gets the words for the operator.
    static bool openDatabase(const QString &qsFileName, const QString &qsCountryFile, QString *pqsRepaired = nullptr);
    // Creates missing tables and fills empty ones from the country file, all
    // in one transaction; false when something was missing and could not be
    // made, in which case nothing was changed.
    static bool ensureTables(QSqlDatabase &db, const QString &qsCountryFile);
    // The names of the "countries" table in the order the database returns them.
    static QStringList countryNames(const QSqlDatabase &db);

    // Keeps the database for lookups and loads the prefix index from it.
    bool attachDatabase(const QSqlDatabase &db);
    bool hasPrefixIndex() const { return m_indexLoaded; }
    // Told once, with the database's words, when a look-up's query fails:
    // from then on spots go without a country, which the operator must hear
    // of, not only the log.
    void setQueryFailureHandler(std::function<void(const QString &)> handler) { m_onQueryFailure = std::move(handler); }

    CountryInfo infoForCall(const QString &qsCall) const;
    CountryInfo infoForCall(const QString &qsCall, const QSqlDatabase &db) const;
    QString countryForCall(const QString &qsCall) const { return infoForCall(qsCall).country; }
    QString countryForCall(const QString &qsCall, const QSqlDatabase &db) const
    {
        return infoForCall(qsCall, db).country;
    }

    // Adds the entries of a country file to "prefixes" in one transaction.
    bool importCountryFile(const QString &qsFileName, QSqlDatabase &db);
    // Replaces the content of "prefixes" by a country file. Emptying and
    // refilling are one transaction: a file that cannot be read leaves the old
    // rows in place, so spots keep their countries.
    bool updateCountryFile(const QString &qsFileName, QSqlDatabase &db);
    // The same for a file already read (and checked by the caller).
    bool updateCountryFile(const CountryFile &file, QSqlDatabase &db);

private:
    static bool readCountryFile(CountryFile &file, const QString &qsFileName);
    static int insertEntries(const CountryFile &file, QSqlDatabase &db);
    static bool insertDetails(const CountryFile &file, QSqlDatabase &db);
    static bool hasDetailTables(const QSqlDatabase &db);
    int findEntry(const QHash<QString, int> &index, const QString &qsText) const;
    // Adds the entries, after emptying the table when bReplace is set, in one
    // transaction, and reloads the index when db is the attached database.
    // logFailure reports a failed write, which is then rolled back.
    bool storeEntries(const CountryFile &file, QSqlDatabase &db, bool bReplace,
                      const std::function<void()> &logFailure);
    bool loadPrefixIndex();

    QSqlDatabase m_db;
    // Entry → position in m_infos, whose entries are shared by every entry
    // of a country that overrides nothing.
    QHash<QString, int> m_wholeCallIndex;
    QHash<QString, int> m_prefixIndex;
    QList<CountryInfo> m_infos;
    qsizetype m_maxPrefixLength = 0;
    // Calls looked up lately → position in m_infos, -1 for no country.
    static constexpr qsizetype kRecentCallsHeld = 8192;
    mutable QHash<QString, int> m_recentCalls;
    bool m_indexLoaded = false;
    std::function<void(const QString &)> m_onQueryFailure;
    mutable bool m_queryFailureTold = false;

    void queryFailed(const QString &qsError) const;
};

#endif // WORKED_H
