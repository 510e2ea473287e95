#include "CountryLookupBench.h"

#include "Worked/Worked.h"
#include "testnode/SpotGenerator.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

void report(const char *pName, double dValue, const char *pUnit)
{
    QTextStream(stdout) << pName << ' ' << QString::number(dValue, 'f', 1) << ' ' << pUnit << Qt::endl;
}

} // namespace

void benchCountryLookup(int iCount)
{
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(dir.filePath(QStringLiteral("dx.sqlite")));
        if (!db.open() || !Worked::ensureTables(db, Worked::systemCountryFile())) {
            QTextStream(stderr) << "country database cannot be built" << Qt::endl;
            return;
        }

        // Calls as spots carry them: home calls, portables, prefixed and
        // area-moved calls of many countries.
        SpotGenerator generator(5);
        QStringList calls;
        for (int i = 0; i < 20000; ++i)
            calls.append(generator.nextDxCall());

        Worked worked;
        worked.attachDatabase(db);
        qsizetype iChecksum = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < iCount; ++i)
            iChecksum += worked.countryForCall(calls.at(i % calls.size())).size();
        report("country_lookups_per_second_index", iCount / (timer.nsecsElapsed() / 1e9), "lookups/s");

        // The query per candidate is far slower; a tenth of the calls is plenty.
        const int iQueryCount = qMax(1, iCount / 10);
        timer.restart();
        for (int i = 0; i < iQueryCount; ++i)
            iChecksum -= worked.countryForCall(calls.at(i % calls.size()), db).size();
        report("country_lookups_per_second_query", iQueryCount / (timer.nsecsElapsed() / 1e9), "lookups/s");
        if (iChecksum == 0)
            report("checksum", 0, "");
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}
