#include "Worked.h"

#include "CallRules.h"
#include "CountryFile.h"

#include "API/QsLog/QsLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#ifndef KELVANE_CTY_DAT
#define KELVANE_CTY_DAT "/usr/share/hamradio-files/cty.dat"
#endif

namespace {

// Every value reaches SQLite as a bound parameter: callsigns come from the
// network and country names may hold apostrophes.
const QString kSelectCountry = QStringLiteral(R"(SELECT "COUNTRY" FROM "main"."prefixes" WHERE "PREFIX"=?)");
// Row order is what makes the first row of a duplicated prefix win, in the
// index just as in the query above.
const QString kSelectPrefixes = QStringLiteral(R"(SELECT "PREFIX","COUNTRY" FROM "main"."prefixes" ORDER BY rowid)");
const QString kInsertPrefix = QStringLiteral(R"(INSERT INTO "main"."prefixes" ("PREFIX","COUNTRY") VALUES(?,?))");
const QString kSelectCountries = QStringLiteral(R"(SELECT "COUNTRY" FROM "main"."countries")");
const QString kInsertCountry = QStringLiteral(R"(INSERT INTO "main"."countries" ("COUNTRY") VALUES(?))");
const QString kCreatePrefixes =
    QStringLiteral(R"(CREATE TABLE IF NOT EXISTS "main"."prefixes" ("PREFIX" TEXT, "COUNTRY" TEXT))");
// Not unique: the file lists some entries twice and the first one must win.
const QString kCreatePrefixIndex =
    QStringLiteral(R"(CREATE INDEX IF NOT EXISTS "main"."prefixes_prefix" ON "prefixes" ("PREFIX"))");
const QString kCreateCountries = QStringLiteral(R"(CREATE TABLE IF NOT EXISTS "main"."countries" ("COUNTRY" TEXT))");

const QString kWholeCalls = QStringLiteral("whole_calls");
const QString kPrefixEntries = QStringLiteral("prefix_entries");
const QString kCountryDetails = QStringLiteral("country_details");
// The entry tables name their entry "ENTRY"; what it is follows from the table.
const QString kEntryColumns =
    QStringLiteral(R"("ENTRY" TEXT, "COUNTRY" TEXT, "CQ_ZONE" INTEGER, "ITU_ZONE" INTEGER, "CONTINENT" TEXT,)"
                   R"( "LATITUDE" REAL, "LONGITUDE" REAL, "UTC_OFFSET" REAL)");
const QString kDetailColumns =
    QStringLiteral(R"("COUNTRY" TEXT, "PRIMARY_PREFIX" TEXT, "CQ_ZONE" INTEGER, "ITU_ZONE" INTEGER, "CONTINENT" TEXT,)"
                   R"( "LATITUDE" REAL, "LONGITUDE" REAL, "UTC_OFFSET" REAL)");
const QString kSelectEntry =
    QStringLiteral(R"(SELECT "COUNTRY","CQ_ZONE","ITU_ZONE","CONTINENT","LATITUDE","LONGITUDE","UTC_OFFSET")"
                   R"( FROM "main"."%1" WHERE "ENTRY"=? ORDER BY rowid LIMIT 1)");
const QString kSelectEntries =
    QStringLiteral(R"(SELECT "COUNTRY","CQ_ZONE","ITU_ZONE","CONTINENT","LATITUDE","LONGITUDE","UTC_OFFSET","ENTRY")"
                   R"( FROM "main"."%1" ORDER BY rowid)");
const QString kSelectDetail = QStringLiteral(
    R"(SELECT "COUNTRY","PRIMARY_PREFIX","CQ_ZONE","ITU_ZONE","CONTINENT","LATITUDE","LONGITUDE","UTC_OFFSET")"
    R"( FROM "main"."country_details" WHERE "COUNTRY"=? ORDER BY rowid LIMIT 1)");
const QString kSelectDetails = QStringLiteral(
    R"(SELECT "COUNTRY","PRIMARY_PREFIX","CQ_ZONE","ITU_ZONE","CONTINENT","LATITUDE","LONGITUDE","UTC_OFFSET")"
    R"( FROM "main"."country_details" ORDER BY rowid)");

QString createTable(const QString &qsTable, const QString &qsColumns)
{
    return QStringLiteral(R"(CREATE TABLE IF NOT EXISTS "main"."%1" (%2))").arg(qsTable, qsColumns);
}

QString createIndex(const QString &qsTable, const QString &qsColumn)
{
    return QStringLiteral(R"(CREATE INDEX IF NOT EXISTS "main"."%1_key" ON "%1" ("%2"))").arg(qsTable, qsColumn);
}

QVariant zoneOrNull(int iZone)
{
    return iZone > 0 ? QVariant(iZone) : QVariant();
}

// A row of kSelectDetail(s).
CountryInfo detailsFromRow(const QSqlQuery &query)
{
    CountryInfo info;
    info.country = query.value(0).toString();
    info.primaryPrefix = query.value(1).toString();
    info.cqZone = query.value(2).toInt();
    info.ituZone = query.value(3).toInt();
    info.continent = query.value(4).toString();
    info.hasPosition = !query.isNull(5) && !query.isNull(6);
    info.latitude = query.value(5).toDouble();
    info.longitude = query.value(6).toDouble();
    info.utcOffset = query.value(7).toDouble();
    return info;
}

// The overrides of a row of kSelectEntry/kSelectEntries put over the
// country's details; false when the row changes nothing.
bool applyOverrides(CountryInfo &info, const QSqlQuery &query)
{
    bool bChanged = false;
    if (!query.isNull(1)) {
        info.cqZone = query.value(1).toInt();
        bChanged = true;
    }
    if (!query.isNull(2)) {
        info.ituZone = query.value(2).toInt();
        bChanged = true;
    }
    if (!query.isNull(3)) {
        info.continent = query.value(3).toString();
        bChanged = true;
    }
    if (!query.isNull(4) && !query.isNull(5)) {
        info.latitude = query.value(4).toDouble();
        info.longitude = query.value(5).toDouble();
        info.hasPosition = true;
        bChanged = true;
    }
    if (!query.isNull(6)) {
        info.utcOffset = query.value(6).toDouble();
        bChanged = true;
    }
    return bChanged;
}

bool execute(QSqlDatabase &db, const QString &qsStatement)
{
    QSqlQuery query(db);
    if (query.exec(qsStatement))
        return true;
    QLOG_ERROR() << query.lastError().text();
    QLOG_DEBUG() << "SQL query:" << qsStatement;
    return false;
}

bool tableIsEmpty(const QSqlDatabase &db, const QString &qsTable)
{
    QSqlQuery query(db);
    return !query.exec(QStringLiteral(R"(SELECT 1 FROM "main"."%1" LIMIT 1)").arg(qsTable)) || !query.next();
}

bool createAllTables(QSqlDatabase &db)
{
    return execute(db, kCreatePrefixes) && execute(db, kCreatePrefixIndex) && execute(db, kCreateCountries)
        && execute(db, createTable(kWholeCalls, kEntryColumns))
        && execute(db, createIndex(kWholeCalls, QStringLiteral("ENTRY")))
        && execute(db, createTable(kPrefixEntries, kEntryColumns))
        && execute(db, createIndex(kPrefixEntries, QStringLiteral("ENTRY")))
        && execute(db, createTable(kCountryDetails, kDetailColumns))
        && execute(db, createIndex(kCountryDetails, QStringLiteral("COUNTRY")));
}

// Why the file cannot serve as the country database; empty when it can, or
// when what it lacks is only filled in (a new file, an older version's).
// Every query the look-up runs is tried once on it: a file cut short or with
// tables of the right names and the wrong shape passes an open, and then
// every spot goes without a country.
QString damage(const QString &qsFileName)
{
    if (QFileInfo(qsFileName).size() == 0)
        return QString();
    const QString qsConnection = QStringLiteral("kelvane-country-check");
    QString qsWhy;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), qsConnection);
        db.setDatabaseName(qsFileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (!db.open()) {
            qsWhy = db.lastError().text();
        } else if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next()) {
            qsWhy = query.lastError().text();
        } else if (query.value(0).toString() != QLatin1String("ok")) {
            qsWhy = query.value(0).toString().left(200);
        } else {
            QStringList tables;
            if (query.exec(QStringLiteral(R"(SELECT "name" FROM "main"."sqlite_master" WHERE "type"='table')"))) {
                while (query.next())
                    tables.append(query.value(0).toString());
            }
            const QList<std::pair<QString, QString>> checks = {{QStringLiteral("prefixes"), kSelectPrefixes},
                                                               {QStringLiteral("countries"), kSelectCountries},
                                                               {kWholeCalls, kSelectEntries.arg(kWholeCalls)},
                                                               {kPrefixEntries, kSelectEntries.arg(kPrefixEntries)},
                                                               {kCountryDetails, kSelectDetails}};
            for (const auto &[qsTable, qsStatement] : checks) {
                if (!tables.contains(qsTable))
                    continue;
                if (!query.exec(qsStatement + QStringLiteral(" LIMIT 1"))) {
                    qsWhy = query.lastError().text();
                    break;
                }
                // SQLite reads a quoted name that is no column as a text, so
                // a table of the wrong shape still answers: its columns tell.
                const QString qsSelected = qsStatement.section(QStringLiteral(" FROM "), 0, 0);
                QStringList columns;
                if (query.exec(QStringLiteral(R"(PRAGMA table_info("%1"))").arg(qsTable))) {
                    while (query.next())
                        columns.append(query.value(1).toString());
                }
                static const QRegularExpression kQuoted(QStringLiteral(R"re("([A-Z_]+)")re"));
                for (auto it = kQuoted.globalMatch(qsSelected); it.hasNext() && qsWhy.isEmpty();) {
                    const QString qsColumn = it.next().captured(1);
                    if (!columns.contains(qsColumn))
                        qsWhy = QStringLiteral("table %1 has no column %2").arg(qsTable, qsColumn);
                }
                if (!qsWhy.isEmpty())
                    break;
            }
        }
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(qsConnection);
    return qsWhy;
}

} // namespace

QString Worked::databaseFileName()
{
    // The build tree keeps its database beside the program; an installed
    // program's folder is read-only, so each user gets one of his own, which
    // openDatabase() fills from the country file on the first start.
    const QString qsBeside = QCoreApplication::applicationDirPath() + QStringLiteral("/dx.sqlite");
    if (QFileInfo::exists(qsBeside))
        return qsBeside;
    const QString qsDataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!QDir().mkpath(qsDataFolder)) {
        QLOG_ERROR() << "Cannot create the data folder" << qsDataFolder;
    }
    return qsDataFolder + QStringLiteral("/dx.sqlite");
}

QString Worked::systemCountryFile()
{
    return QStringLiteral(KELVANE_CTY_DAT);
}

bool Worked::openDatabase(const QString &qsFileName, const QString &qsCountryFile, QString *pqsRepaired)
{
    if (const QString qsWhy = QFileInfo::exists(qsFileName) ? damage(qsFileName) : QString(); !qsWhy.isEmpty()) {
        const QString qsAside = qsFileName + QStringLiteral(".damaged");
        QFile::remove(qsAside);
        const bool bAside = QFile::rename(qsFileName, qsAside) || QFile::remove(qsFileName);
        QLOG_ERROR() << "The country database" << qsFileName << "is damaged (" << qsWhy << "); set aside:" << bAside
                     << "- rebuilding it from" << qsCountryFile;
        if (pqsRepaired) {
            *pqsRepaired = QCoreApplication::translate("Worked",
                                                       "The country database was damaged; it was rebuilt "
                                                       "from %1 (the damaged file is kept as %2).")
                               .arg(qsCountryFile, qsAside);
        }
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(qsFileName);
    if (!db.open()) {
        QLOG_FATAL() << "Fatal error:" << db.lastError().text();
        return false;
    }
    ensureTables(db, qsCountryFile);
    return true;
}

bool Worked::ensureTables(QSqlDatabase &db, const QString &qsCountryFile)
{
    // An empty table is as useless as a missing one: every spot would go
    // without a country. A database of an older version lacks the entry and
    // detail tables; they are filled beside its own rows, which stay.
    const bool bFillPrefixes = tableIsEmpty(db, QStringLiteral("prefixes"));
    const bool bFillCountries = tableIsEmpty(db, QStringLiteral("countries"));
    const bool bFillDetails = !hasDetailTables(db);
    if (!bFillPrefixes && !bFillCountries && !bFillDetails)
        return true;

    CountryFile file;
    if (!readCountryFile(file, qsCountryFile))
        return false;
    QLOG_INFO() << "Filling the country database from" << qsCountryFile;
    if (!db.transaction()) {
        QLOG_ERROR() << db.lastError().text();
        return false;
    }
    bool bOk = createAllTables(db);
    if (bOk && bFillPrefixes)
        bOk = insertEntries(file, db) > 0;
    if (bOk && bFillDetails) {
        // Half-filled detail tables (an interrupted older run) start over.
        bOk = execute(db, QStringLiteral(R"(DELETE FROM "main"."%1")").arg(kWholeCalls))
            && execute(db, QStringLiteral(R"(DELETE FROM "main"."%1")").arg(kPrefixEntries))
            && execute(db, QStringLiteral(R"(DELETE FROM "main"."%1")").arg(kCountryDetails))
            && insertDetails(file, db);
    }
    if (bOk && bFillCountries) {
        QSqlQuery insert(db);
        bOk = insert.prepare(kInsertCountry);
        for (const QString &qsCountry : file.countries()) {
            insert.addBindValue(qsCountry);
            if (!bOk || !insert.exec()) {
                bOk = false;
                break;
            }
        }
        if (!bOk) {
            QLOG_ERROR() << insert.lastError().text();
        }
    }
    if (bOk && db.commit())
        return true;
    QLOG_ERROR() << "Cannot create the country tables:" << db.lastError().text();
    db.rollback();
    return false;
}

bool Worked::hasDetailTables(const QSqlDatabase &db)
{
    return !tableIsEmpty(db, kPrefixEntries) && !tableIsEmpty(db, kCountryDetails);
}

QStringList Worked::countryNames(const QSqlDatabase &db)
{
    QStringList names;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(kSelectCountries)) {
        QLOG_ERROR() << query.lastError().text();
        return names;
    }
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

bool Worked::attachDatabase(const QSqlDatabase &db)
{
    m_db = db;
    return loadPrefixIndex();
}

bool Worked::loadPrefixIndex()
{
    m_indexLoaded = false;
    m_wholeCallIndex.clear();
    m_prefixIndex.clear();
    m_infos.clear();
    m_recentCalls.clear();
    m_maxPrefixLength = 0;

    QHash<QString, int> wholeCalls;
    QHash<QString, int> prefixes;
    QList<CountryInfo> infos;
    // Country → its details in infos, for the entries that override nothing.
    QHash<QString, int> countryInfos;
    qsizetype iMaxLength = 0;

    auto loadEntries = [&](const QString &qsStatement, int iEntryColumn, QHash<QString, int> &index,
                           const QHash<QString, CountryInfo> &details) {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(qsStatement)) {
            QLOG_ERROR() << query.lastError().text();
            return false;
        }
        while (query.next()) {
            // '=' never matches NULL, so neither may the index.
            if (query.isNull(iEntryColumn))
                continue;
            const QString qsEntry = query.value(iEntryColumn).toString();
            if (index.contains(qsEntry))
                continue;
            const QString qsCountry = query.value(0).toString();
            CountryInfo info = details.value(qsCountry);
            info.country = qsCountry;
            if (iEntryColumn > 1 && applyOverrides(info, query)) {
                infos.append(info);
                index.insert(qsEntry, int(infos.size() - 1));
            } else {
                auto it = countryInfos.constFind(qsCountry);
                if (it == countryInfos.constEnd()) {
                    infos.append(info);
                    it = countryInfos.insert(qsCountry, int(infos.size() - 1));
                }
                index.insert(qsEntry, *it);
            }
            if (&index == &prefixes)
                iMaxLength = qMax(iMaxLength, qsEntry.size());
        }
        return true;
    };

    bool bOk = true;
    if (hasDetailTables(m_db)) {
        QHash<QString, CountryInfo> details;
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        bOk = query.exec(kSelectDetails);
        while (bOk && query.next()) {
            const QString qsCountry = query.value(0).toString();
            if (!details.contains(qsCountry))
                details.insert(qsCountry, detailsFromRow(query));
        }
        if (!bOk) {
            QLOG_ERROR() << query.lastError().text();
        }
        bOk = bOk && loadEntries(kSelectEntries.arg(kWholeCalls), 7, wholeCalls, details)
            && loadEntries(kSelectEntries.arg(kPrefixEntries), 7, prefixes, details);
    } else {
        // Reorders the columns of the older table to what loadEntries reads.
        bOk = loadEntries(QStringLiteral(R"(SELECT "COUNTRY","PREFIX" FROM "main"."prefixes" ORDER BY rowid)"), 1,
                          prefixes, {});
    }
    if (!bOk)
        return false;
    m_wholeCallIndex.swap(wholeCalls);
    m_prefixIndex.swap(prefixes);
    m_infos.swap(infos);
    m_maxPrefixLength = iMaxLength;
    m_indexLoaded = true;
    return true;
}

void Worked::queryFailed(const QString &qsError) const
{
    // Every spot would fail the same way: once is news, the rest is noise.
    if (m_queryFailureTold)
        return;
    m_queryFailureTold = true;
    QLOG_ERROR() << "Country look-ups fail; spots go without a country:" << qsError;
    if (m_onQueryFailure)
        m_onQueryFailure(qsError);
}

int Worked::findEntry(const QHash<QString, int> &index, const QString &qsText) const
{
    const auto it = index.constFind(qsText);
    // A first row with an empty country reads as "not found" to the query as
    // well, which then goes on with the next candidate.
    if (it == index.constEnd() || m_infos.at(*it).country.isEmpty())
        return -1;
    return *it;
}

CountryInfo Worked::infoForCall(const QString &qsCall) const
{
    if (!m_indexLoaded)
        return m_db.isOpen() ? infoForCall(qsCall, m_db) : CountryInfo();

    // A skimmer feed brings each call a score of times and the same few
    // hundred spotters all day: one hash look-up answers most calls.
    const auto recent = m_recentCalls.constFind(qsCall);
    if (recent != m_recentCalls.constEnd())
        return *recent < 0 ? CountryInfo() : m_infos.at(*recent);

    const CallRules::Search search = CallRules::search(qsCall);
    int iFound = search.call.isEmpty() ? -1 : findEntry(m_wholeCallIndex, search.call);
    if (iFound < 0 && !search.reduced.isEmpty())
        iFound = findEntry(m_wholeCallIndex, search.reduced);
    // Candidates longer than every stored prefix cannot match; skipping them
    // changes no answer. Each candidate is a view of the text, so a lookup
    // allocates nothing more.
    const QString &qsText = search.prefixText;
    for (qsizetype iLength = qMin(qsText.size(), m_maxPrefixLength); iFound < 0 && iLength > 0; --iLength)
        iFound = findEntry(m_prefixIndex, QString::fromRawData(qsText.constData(), iLength));
    // Emptied when full rather than aged: refilling costs what it saves.
    if (m_recentCalls.size() >= kRecentCallsHeld)
        m_recentCalls.clear();
    m_recentCalls.insert(qsCall, iFound);
    return iFound < 0 ? CountryInfo() : m_infos.at(iFound);
}

CountryInfo Worked::infoForCall(const QString &qsCall, const QSqlDatabase &db) const
{
    const bool bDetails = hasDetailTables(db);
    auto find = [&](const QString &qsStatement, const QString &qsEntry, CountryInfo &info) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(qsStatement)) {
            queryFailed(query.lastError().text());
            return false;
        }
        query.addBindValue(qsEntry);
        if (!query.exec()) {
            queryFailed(query.lastError().text());
            return false;
        }
        if (!query.next() || query.value(0).toString().isEmpty())
            return false;
        if (!bDetails) {
            info.country = query.value(0).toString();
            return true;
        }
        QSqlQuery details(db);
        details.setForwardOnly(true);
        details.prepare(kSelectDetail);
        details.addBindValue(query.value(0));
        if (details.exec() && details.next())
            info = detailsFromRow(details);
        info.country = query.value(0).toString();
        applyOverrides(info, query);
        return true;
    };

    CountryInfo info;
    const CallRules::Search search = CallRules::search(qsCall);
    if (bDetails) {
        const QString qsWholeCall = kSelectEntry.arg(kWholeCalls);
        if (!search.call.isEmpty() && find(qsWholeCall, search.call, info))
            return info;
        if (!search.reduced.isEmpty() && find(qsWholeCall, search.reduced, info))
            return info;
    }
    const QString qsPrefix = bDetails ? kSelectEntry.arg(kPrefixEntries) : kSelectCountry;
    for (qsizetype iLength = search.prefixText.size(); iLength > 0; --iLength) {
        if (find(qsPrefix, search.prefixText.left(iLength), info))
            return info;
    }
    return CountryInfo();
}

bool Worked::importCountryFile(const QString &qsFileName, QSqlDatabase &db)
{
    CountryFile file;
    if (!readCountryFile(file, qsFileName))
        return false;
    return storeEntries(file, db, false,
                        [&] { QLOG_ERROR() << "Country file import failed:" << qsFileName << db.lastError().text(); });
}

bool Worked::updateCountryFile(const QString &qsFileName, QSqlDatabase &db)
{
    CountryFile file;
    if (!readCountryFile(file, qsFileName)) {
        QLOG_ERROR() << "Country file update failed; the current prefixes are kept";
        return false;
    }
    return updateCountryFile(file, db);
}

bool Worked::updateCountryFile(const CountryFile &file, QSqlDatabase &db)
{
    return storeEntries(file, db, true, [&] {
        QLOG_ERROR() << "Country file update failed; the current prefixes are kept:" << db.lastError().text();
    });
}

bool Worked::storeEntries(const CountryFile &file, QSqlDatabase &db, bool bReplace,
                          const std::function<void()> &logFailure)
{
    if (!db.transaction()) {
        QLOG_ERROR() << db.lastError().text();
        return false;
    }
    bool bOk = createAllTables(db);
    if (bOk && bReplace) {
        for (const QString &qsTable : {QStringLiteral("prefixes"), kWholeCalls, kPrefixEntries, kCountryDetails})
            bOk = bOk && execute(db, QStringLiteral(R"(DELETE FROM "main"."%1")").arg(qsTable));
    }
    if (!bOk || insertEntries(file, db) == 0 || !insertDetails(file, db) || !db.commit()) {
        // Logged first, while lastError() still names the failed step.
        logFailure();
        db.rollback();
        return false;
    }
    if (m_db.isOpen() && m_db.connectionName() == db.connectionName())
        loadPrefixIndex();
    return true;
}

bool Worked::readCountryFile(CountryFile &file, const QString &qsFileName)
{
    if (file.read(qsFileName))
        return true;
    // The caller keeps the database as it is.
    QLOG_ERROR() << "Cannot read the country file" << qsFileName << file.errorString();
    return false;
}

int Worked::insertEntries(const CountryFile &file, QSqlDatabase &db)
{
    QSqlQuery insert(db);
    if (!insert.prepare(kInsertPrefix)) {
        QLOG_ERROR() << insert.lastError().text();
        QLOG_DEBUG() << "SQL query:" << kInsertPrefix;
        return 0;
    }
    int iInserted = 0;
    for (const CountryFile::Entry &entry : file.entries()) {
        insert.bindValue(0, entry.prefix);
        insert.bindValue(1, entry.country);
        if (insert.exec()) {
            ++iInserted;
            continue;
        }
        QLOG_ERROR() << insert.lastError().text();
        QLOG_DEBUG() << "SQL query:" << kInsertPrefix << entry.prefix << entry.country;
    }
    return iInserted;
}

bool Worked::insertDetails(const CountryFile &file, QSqlDatabase &db)
{
    const QString qsInsertEntry = QStringLiteral(
        R"(INSERT INTO "main"."%1" ("ENTRY","COUNTRY","CQ_ZONE","ITU_ZONE","CONTINENT","LATITUDE","LONGITUDE","UTC_OFFSET"))"
        R"( VALUES(?,?,?,?,?,?,?,?))");
    QSqlQuery insertWhole(db);
    QSqlQuery insertPrefix(db);
    QSqlQuery insertDetail(db);
    if (!insertWhole.prepare(qsInsertEntry.arg(kWholeCalls)) || !insertPrefix.prepare(qsInsertEntry.arg(kPrefixEntries))
        || !insertDetail.prepare(QStringLiteral(
            R"(INSERT INTO "main"."country_details" ("COUNTRY","PRIMARY_PREFIX","CQ_ZONE","ITU_ZONE","CONTINENT",)"
            R"("LATITUDE","LONGITUDE","UTC_OFFSET") VALUES(?,?,?,?,?,?,?,?))"))) {
        QLOG_ERROR() << "Cannot prepare the country detail tables";
        return false;
    }
    for (const CountryFile::Entry &entry : file.entries()) {
        QSqlQuery &insert = entry.wholeCall ? insertWhole : insertPrefix;
        const CountryFile::Overrides &overrides = entry.overrides;
        insert.bindValue(0, entry.prefix);
        insert.bindValue(1, entry.country);
        insert.bindValue(2, zoneOrNull(overrides.cqZone));
        insert.bindValue(3, zoneOrNull(overrides.ituZone));
        insert.bindValue(4, overrides.continent.isEmpty() ? QVariant() : QVariant(overrides.continent));
        insert.bindValue(5, overrides.hasPosition ? QVariant(overrides.latitude) : QVariant());
        insert.bindValue(6, overrides.hasPosition ? QVariant(overrides.longitude) : QVariant());
        insert.bindValue(7, overrides.hasUtcOffset ? QVariant(overrides.utcOffset) : QVariant());
        if (!insert.exec()) {
            QLOG_ERROR() << insert.lastError().text();
            return false;
        }
    }
    for (const CountryInfo &record : file.records()) {
        insertDetail.bindValue(0, record.country);
        insertDetail.bindValue(1, record.primaryPrefix);
        insertDetail.bindValue(2, record.cqZone);
        insertDetail.bindValue(3, record.ituZone);
        insertDetail.bindValue(4, record.continent);
        insertDetail.bindValue(5, record.hasPosition ? QVariant(record.latitude) : QVariant());
        insertDetail.bindValue(6, record.hasPosition ? QVariant(record.longitude) : QVariant());
        insertDetail.bindValue(7, record.utcOffset);
        if (!insertDetail.exec()) {
            QLOG_ERROR() << insertDetail.lastError().text();
            return false;
        }
    }
    return true;
}
