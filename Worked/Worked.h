#ifndef WORKED_H
#define WORKED_H

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class CountryFile;

// The country component: which country a callsign belongs to, answered from
// the "prefixes" table of "dx.sqlite", and the import of a country file into
// that table.
//
// The receive path calls countryForCall(call) for every spot. It answers from
// an in-memory copy of the prefix table, loaded once by attachDatabase() and
// again after every update, and gives exactly what the query per candidate
// (countryForCall(call, db)) gives: the first row of a prefix wins in both.
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
    static bool openDatabase(const QString &qsFileName, const QString &qsCountryFile);
    // Creates missing tables and fills empty ones from the country file, all
    // in one transaction; false when something was missing and could not be
    // made, in which case nothing was changed.
    static bool ensureTables(QSqlDatabase &db, const QString &qsCountryFile);
    // The names of the "countries" table in the order the database returns them.
    static QStringList countryNames(const QSqlDatabase &db);

    // Keeps the database for lookups and loads the prefix index from it.
    bool attachDatabase(const QSqlDatabase &db);
    bool hasPrefixIndex() const { return m_indexLoaded; }

    QString countryForCall(const QString &qsCall) const;
    QString countryForPrefix(const QString &qsPrefix, const QSqlDatabase &db) const;
    QString countryForCall(const QString &qsCall, const QSqlDatabase &db) const;

    // Adds the entries of a country file to "prefixes" in one transaction.
    bool importCountryFile(const QString &qsFileName, QSqlDatabase &db);
    // Replaces the content of "prefixes" by a country file. Emptying and
    // refilling are one transaction: a file that cannot be read leaves the old
    // rows in place, so spots keep their countries.
    bool updateCountryFile(const QString &qsFileName, QSqlDatabase &db);
    // The same for a file already read (and checked by the caller).
    bool updateCountryFile(const CountryFile &file, QSqlDatabase &db);

    // The part of a callsign that is searched, after the portable and area
    // suffixes have been applied; empty when nothing can be searched.
    static QString workingCopy(const QString &qsCall);

private:
    static bool readCountryFile(CountryFile &file, const QString &qsFileName);
    static int insertEntries(const CountryFile &file, QSqlDatabase &db);
    // Adds the entries, after emptying the table when bReplace is set, in one
    // transaction, and reloads the index when db is the attached database.
    // logFailure reports a failed write, which is then rolled back.
    bool storeEntries(const CountryFile &file, QSqlDatabase &db, bool bReplace,
                      const std::function<void()> &logFailure);
    bool loadPrefixIndex();

    QSqlDatabase m_db;
    QHash<QString, QString> m_prefixIndex;
    qsizetype m_maxPrefixLength = 0;
    bool m_indexLoaded = false;
    // The answer for an unknown call.
    const QString m_unknown;
};

#endif // WORKED_H
