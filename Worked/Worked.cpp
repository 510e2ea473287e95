#include "Worked.h"

#include "CountryFile.h"

#include "API/QsLog/QsLog.h"
#include "app/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
const QString kDeletePrefixes = QStringLiteral(R"(DELETE FROM "main"."prefixes")");
const QString kSelectCountries = QStringLiteral(R"(SELECT "COUNTRY" FROM "main"."countries")");
const QString kInsertCountry = QStringLiteral(R"(INSERT INTO "main"."countries" ("COUNTRY") VALUES(?))");
const QString kCreatePrefixes = QStringLiteral(R"(CREATE TABLE IF NOT EXISTS "main"."prefixes" ("PREFIX" TEXT, "COUNTRY" TEXT))");
// Not unique: the file lists some entries twice and the first one must win.
const QString kCreatePrefixIndex = QStringLiteral(R"(CREATE INDEX IF NOT EXISTS "main"."prefixes_prefix" ON "prefixes" ("PREFIX"))");
const QString kCreateCountries = QStringLiteral(R"(CREATE TABLE IF NOT EXISTS "main"."countries" ("COUNTRY" TEXT))");

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
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

bool Worked::openDatabase(const QString &qsFileName, const QString &qsCountryFile)
{
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
    const QStringList tables = db.tables();
    const bool bHasPrefixes = tables.contains(QStringLiteral("prefixes"));
    const bool bHasCountries = tables.contains(QStringLiteral("countries"));
    // An empty prefix table is as useless as a missing one: every spot would
    // go without a country.
    const bool bFillPrefixes = !bHasPrefixes || tableIsEmpty(db, QStringLiteral("prefixes"));
    const bool bFillCountries = !bHasCountries || tableIsEmpty(db, QStringLiteral("countries"));
    if (!bFillPrefixes && !bFillCountries)
        return true;

    CountryFile file;
    if (!readCountryFile(file, qsCountryFile))
        return false;
    QLOG_INFO() << "Filling the country database from" << qsCountryFile;
    if (!db.transaction()) {
        QLOG_ERROR() << db.lastError().text();
        return false;
    }
    bool bOk = execute(db, kCreatePrefixes) && execute(db, kCreatePrefixIndex) && execute(db, kCreateCountries);
    if (bOk && bFillPrefixes)
        bOk = insertEntries(file, db) > 0;
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
    m_prefixIndex.clear();
    m_maxPrefixLength = 0;

    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(kSelectPrefixes)) {
        QLOG_ERROR() << query.lastError().text();
        return false;
    }
    QHash<QString, QString> index;
    qsizetype iMaxLength = 0;
    while (query.next()) {
        // '=' never matches NULL, so neither may the index.
        if (query.isNull(0))
            continue;
        const QString qsPrefix = query.value(0).toString();
        if (index.contains(qsPrefix))
            continue;
        index.insert(qsPrefix, query.value(1).toString());
        iMaxLength = qMax(iMaxLength, qsPrefix.size());
    }
    m_prefixIndex.swap(index);
    m_maxPrefixLength = iMaxLength;
    m_indexLoaded = true;
    return true;
}

QString Worked::countryForCall(const QString &qsCall) const
{
    if (!m_indexLoaded)
        return m_db.isOpen() ? countryForCall(qsCall, m_db) : m_unknown;

    const QString qsCopy = workingCopy(qsCall);
    // Candidates longer than every stored prefix cannot match; skipping them
    // changes no answer. Each candidate is a view of the working copy, so a
    // lookup allocates nothing.
    for (qsizetype iLength = qMin(qsCopy.size(), m_maxPrefixLength); iLength > 0; --iLength) {
        const auto it = m_prefixIndex.constFind(QString::fromRawData(qsCopy.constData(), iLength));
        // A first row with an empty country reads as "not found" to the query
        // as well, which then goes on with the next shorter candidate.
        if (it != m_prefixIndex.constEnd() && !it->isEmpty())
            return *it;
    }
    return m_unknown;
}

QString Worked::countryForPrefix(const QString &qsPrefix, const QSqlDatabase &db) const
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(kSelectCountry)) {
        QLOG_ERROR() << query.lastError().text();
        return m_unknown;
    }
    query.addBindValue(qsPrefix);
    if (!query.exec()) {
        QLOG_ERROR() << query.lastError().text();
        return m_unknown;
    }
    if (query.next())
        return query.value(0).toString();
    return m_unknown;
}

QString Worked::countryForCall(const QString &qsCall, const QSqlDatabase &db) const
{
    QString qsCandidate = workingCopy(qsCall);
    while (!qsCandidate.isEmpty()) {
        const QString qsCountry = countryForPrefix(qsCandidate, db);
        if (!qsCountry.isEmpty())
            return qsCountry;
        qsCandidate.chop(1);
    }
    return m_unknown;
}

QString Worked::workingCopy(const QString &qsCall)
{
    const qsizetype iFirstSlash = qsCall.indexOf(QLatin1Char('/'));
    if (iFirstSlash < 0)
        return qsCall;

    // Portable and maritime stations stay in their home country.
    static const QLatin1String kPortableSuffixes[] = {
        QLatin1String("/QRP"), QLatin1String("/P"), QLatin1String("/M"),
        QLatin1String("/AM"), QLatin1String("/MM"),
    };
    for (const QLatin1String &suffix : kPortableSuffixes) {
        if (qsCall.endsWith(suffix, Qt::CaseInsensitive))
            return qsCall;
    }

    const QString qsBase = qsCall.left(iFirstSlash);
    bool bArea = false;
    const int iArea = QStringView(qsCall).mid(qsCall.lastIndexOf(QLatin1Char('/')) + 1).toInt(&bArea);
    if (!bArea || qsBase.isEmpty())
        return qsBase;

    // A call area suffix (W1ABC/4) moves the station to that area: every
    // digit run after the first character becomes the area number.
    const QString qsArea = QString::number(iArea);
    QString qsCopy;
    qsCopy.reserve(qsBase.size() + qsArea.size());
    qsCopy.append(qsBase.at(0));
    for (qsizetype i = 1; i < qsBase.size();) {
        if (isAsciiDigit(qsBase.at(i))) {
            qsCopy.append(qsArea);
            while (i < qsBase.size() && isAsciiDigit(qsBase.at(i)))
                ++i;
        } else {
            qsCopy.append(qsBase.at(i++));
        }
    }
    return qsCopy;
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
    if ((bReplace && !execute(db, kDeletePrefixes)) || insertEntries(file, db) == 0 || !db.commit()) {
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
    try {
        throw Exception(QStringLiteral(__FILE__), __LINE__, Exception::Critical, file.errorString());
    } catch (const Exception &) {
        // Reported on construction; the caller keeps the database as it is.
    }
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
