// Builds the country database "dx.sqlite" from a country file. The build runs
// it so that the program finds a filled database beside its executable.
//     kelvane-ctydb CTY_DAT OUTPUT
// Looks calls up in such a database, one per line of standard input, and
// prints "call<TAB>country" per line; --details adds continent, CQ zone, ITU
// zone, latitude and longitude (east positive).
//     kelvane-ctydb --lookup [--details] DB

#include "Worked/Worked.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTextStream>

#include <cstdio>

namespace {

const QString kConnection = QStringLiteral("ctydb");

int build(const QString &qsCountryFile, const QString &qsOutput, QTextStream &err)
{
    // Built aside and renamed, so that a failed run never leaves a half-filled
    // database where the program would take it for a good one.
    const QString qsPartial = qsOutput + QStringLiteral(".part");
    QFile::remove(qsPartial);

    bool bOk = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(qsPartial);
        if (db.open()) {
            bOk = Worked::ensureTables(db, qsCountryFile) && Worked::countryNames(db).size() > 0;
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kConnection);

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

int lookup(const QString &qsDatabase, bool bDetails, QTextStream &err)
{
    // SQLite would create a missing file, and a lookup must not change the
    // database it reads.
    if (!QFileInfo(qsDatabase).isFile()) {
        err << "kelvane-ctydb: no database " << qsDatabase << Qt::endl;
        return 1;
    }
    int iResult = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(qsDatabase);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        Worked worked;
        if (!db.open() || !worked.attachDatabase(db)) {
            err << "kelvane-ctydb: cannot read " << qsDatabase << Qt::endl;
            iResult = 1;
        } else {
            QFile in;
            QFile out;
            if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly)) {
                err << "kelvane-ctydb: cannot use standard input and output" << Qt::endl;
                return 1;
            }
            // atEnd() cannot be trusted on a pipe; a line read empty, without
            // even its line break, is the end of the input.
            for (QByteArray baLine = in.readLine(); !baLine.isEmpty(); baLine = in.readLine()) {
                // Only the line break goes: the rest is the call as given.
                if (baLine.endsWith('\n'))
                    baLine.chop(1);
                if (baLine.endsWith('\r'))
                    baLine.chop(1);
                const QString qsCall = QString::fromUtf8(baLine);
                const CountryInfo info = worked.infoForCall(qsCall);
                QString qsOut = qsCall + QLatin1Char('\t') + info.country;
                if (bDetails && info.isValid()) {
                    qsOut += QStringLiteral("\t%1\t%2\t%3\t%4\t%5")
                                 .arg(info.continent)
                                 .arg(info.cqZone)
                                 .arg(info.ituZone)
                                 .arg(info.latitude, 0, 'f', 2)
                                 .arg(info.longitude, 0, 'f', 2);
                }
                out.write(qsOut.toUtf8() + '\n');
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return iResult;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() >= 3 && args.at(1) == QLatin1String("--lookup")) {
        const bool bDetails = args.removeAll(QStringLiteral("--details")) > 0;
        if (args.size() == 3)
            return lookup(args.at(2), bDetails, err);
    } else if (args.size() == 3 && !args.at(1).startsWith(QLatin1String("--"))) {
        return build(args.at(1), args.at(2), err);
    }
    err << "usage: kelvane-ctydb CTY_DAT OUTPUT\n"
           "       kelvane-ctydb --lookup [--details] DB < CALLS"
        << Qt::endl;
    return 2;
}
