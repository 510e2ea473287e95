// The country file import: reading, cleaning and storing an arbitrary file
// through Worked::updateCountryFile() into a real SQLite database.
//
// Checks that an import that fails leaves the table as it was, and that the
// in-memory prefix index answers every stored entry (and a few calls made
// from them) exactly as one query per candidate does.

#include "FuzzSupport.h"

#include "Worked/Worked.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QSqlDatabase *g_db = nullptr;
QString g_fileName;

const QByteArray kSeedFile = "Testland:  14:  28:  EU:   50.00:   -8.00:  -1.0:  Q1:\n"
                             "    Q1,Q2,=Q1XYZ/P;\n";

QStringList storedPrefixes()
{
    QStringList prefixes;
    QSqlQuery query(*g_db);
    if (!query.exec(QStringLiteral(R"(SELECT "PREFIX","COUNTRY" FROM "main"."prefixes" ORDER BY rowid)")))
        FuzzSupport::fail("the prefix table cannot be read");
    while (query.next())
        prefixes.append(query.value(0).toString() + QLatin1Char('\t') + query.value(1).toString());
    return prefixes;
}

void writeFile(const QByteArray &baData)
{
    QFile file(g_fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(baData) != baData.size())
        FuzzSupport::fail("the scratch file cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    g_fileName = FuzzSupport::scratchFolder() + QStringLiteral("/cty.dat");
    g_db = new QSqlDatabase(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz")));
    g_db->setDatabaseName(QStringLiteral(":memory:"));
    writeFile(kSeedFile);
    if (!g_db->open() || !Worked::ensureTables(*g_db, g_fileName))
        FuzzSupport::fail("the country tables cannot be made");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    const QByteArray baFile(reinterpret_cast<const char *>(pData), qsizetype(uiSize));
    Worked worked;
    worked.attachDatabase(*g_db);

    // Every run starts from the same small table, so a crash replays alone.
    writeFile(kSeedFile);
    if (!worked.updateCountryFile(g_fileName, *g_db))
        FuzzSupport::fail("the seed file was refused");
    const QStringList before = storedPrefixes();

    writeFile(baFile);
    const bool bImported = worked.updateCountryFile(g_fileName, *g_db);
    const QStringList after = storedPrefixes();
    if (!bImported && after != before)
        FuzzSupport::fail("a refused file changed the table", baFile);
    if (bImported && after.isEmpty())
        FuzzSupport::fail("an accepted file left the table empty", baFile);

    QStringList calls;
    // The query side costs one statement per candidate: a few rows suffice.
    for (const QString &qsRow : after.mid(0, 12)) {
        const QString qsPrefix = qsRow.section(QLatin1Char('\t'), 0, 0);
        calls << qsPrefix + QStringLiteral("1AB") << qsPrefix + QStringLiteral("/4")
              << QStringLiteral("Q1/") + qsPrefix;
    }
    for (const QString &qsCall : std::as_const(calls)) {
        if (worked.countryForCall(qsCall) != worked.countryForCall(qsCall, *g_db))
            FuzzSupport::fail("the prefix index and the query disagree", qsCall.toUtf8() + "\n" + baFile);
    }
    return 0;
}
