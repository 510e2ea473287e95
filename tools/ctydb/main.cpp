// Builds the country database "dx.sqlite" from a country file. The build runs
// it so that the program finds a filled database beside its executable.
//     kelvane-ctydb CTY_DAT OUTPUT

#include "Worked/Worked.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: kelvane-ctydb CTY_DAT OUTPUT" << Qt::endl;
        return 2;
    }
    const QString qsCountryFile = args.at(1);
    const QString qsOutput = args.at(2);
    // Built aside and renamed, so that a failed run never leaves a half-filled
    // database where the program would take it for a good one.
    const QString qsPartial = qsOutput + QStringLiteral(".part");
    QFile::remove(qsPartial);

    bool bOk = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ctydb"));
        db.setDatabaseName(qsPartial);
        if (db.open()) {
            bOk = Worked::ensureTables(db, qsCountryFile) && Worked::countryNames(db).size() > 0;
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("ctydb"));

    if (bOk) {
        QFile::remove(qsOutput);
        bOk = QFile::rename(qsPartial, qsOutput);
    }
    if (!bOk) {
        QFile::remove(qsPartial);
        err << "kelvane-ctydb: cannot build " << qsOutput << " from " << qsCountryFile << Qt::endl;
        return 1;
    }
    return 0;
}
