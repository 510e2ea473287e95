#include "TestSupport.h"

#include "Worked/CountryFile.h"
#include "Worked/Locator.h"
#include "Worked/Worked.h"
#include "cluster/Spot.h"
#include "testnode/SpotGenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using TestSupport::LogCapture;

namespace {

int rowCount(const QSqlDatabase &db, const QString &qsTable)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral(R"(SELECT COUNT(*) FROM "main"."%1")").arg(qsTable)) || !query.next())
        return -1;
    return query.value(0).toInt();
}

} // namespace

// The country database built from the real country file, the lookup rules,
// and the import and update of country files.
class TestWorked : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void lookup_data();
    void lookup();
    void indexAnswersAsTheQueryDoes();
    void greatCircle_data();
    void greatCircle();
    void locatorsAndSpotLocation();
    void cleanEntry_data();
    void cleanEntry();
    void importReadsRecordsAsWritten();
    void failedUpdateKeepsTheOldRows_data();
    void failedUpdateKeepsTheOldRows();
    void updateReplacesRowsAndIndex();
    void emptyPrefixTableIsRefilled();
    void unopenableDatabaseIsFatal();
    void failingLookupIsToldOnce();
    void damagedDatabaseIsRebuilt_data();
    void damagedDatabaseIsRebuilt();
    void databaseBesideTheProgramOrInTheDataFolder();

private:
    QString writeFile(const QString &qsName, const QByteArray &baContent);
    QSqlDatabase openFresh(const QString &qsConnection);

    QTemporaryDir m_dir;
    QSqlDatabase m_db;
    Worked m_worked;
};

void TestWorked::initTestCase()
{
    QVERIFY(m_dir.isValid());
    LogCapture::install(QsLogging::LevelError);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("real"));
    m_db.setDatabaseName(m_dir.filePath(QStringLiteral("dx.sqlite")));
    QVERIFY(m_db.open());
    QVERIFY(Worked::ensureTables(m_db, Worked::systemCountryFile()));
    QVERIFY(m_worked.attachDatabase(m_db));
    QVERIFY(rowCount(m_db, QStringLiteral("prefixes")) > 20000);
    const QStringList countries = Worked::countryNames(m_db);
    QVERIFY(countries.size() > 300);
    QVERIFY(countries.contains(QStringLiteral("Cote d'Ivoire")));
}

void TestWorked::cleanupTestCase()
{
    m_db.close();
}

void TestWorked::init()
{
    LogCapture::clear();
}

void TestWorked::lookup_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("country");

    const QString qsUsa = QStringLiteral("United States of America");
    QTest::newRow("K1ABC/QRP keeps its home country") << "K1ABC/QRP" << qsUsa;
    QTest::newRow("lower case and spaces around") << "  k1abc/qrp " << qsUsa;
    QTest::newRow("other white space is part of the call") << "\tVE3ABC" << QString();
    QTest::newRow("non-ASCII letter is junk") << QStringLiteral("DL1\u00c4BC") << QString();
    QTest::newRow("very long junk") << QString(5000, QLatin1Char('/')) + QStringLiteral("DL1")
                                    << "Fed. Rep. of Germany";
    QTest::newRow("empty") << "" << QString();
    // Whole-call entries name one call and nothing longer.
    QTest::newRow("YL3IZ/MM whole call, not Latvia") << "YL3IZ/MM" << qsUsa;
    QTest::newRow("=K4W does not take K4WAK") << "K4WAK" << qsUsa;
    QTest::newRow("=N0J does not take N0JDK") << "N0JDK" << qsUsa;
    QTest::newRow("=KH6AB does not take KH6ABC") << "KH6ABC"
                                                 << "Hawaii";
    QTest::newRow("=K4W itself") << "K4W"
                                 << "Puerto Rico";
    QTest::newRow("whole call before its prefix") << "AA0NN"
                                                  << "Alaska";
    QTest::newRow("neighbour of a whole call") << "AA0NM" << qsUsa;
    // Listed calls with '/' are found before any rewriting.
    QTest::newRow("KH6ND/7 listed under USA") << "KH6ND/7" << qsUsa;
    QTest::newRow("9M2/PG5M listed under Spratly") << "9M2/PG5M"
                                                   << "Spratly Islands";
    QTest::newRow("3D2HY/R listed under Rotuma") << "3D2HY/R"
                                                 << "Rotuma Island";
    QTest::newRow("listed call after /P is removed") << "3D2HY/R/P"
                                                     << "Rotuma Island";
    QTest::newRow("K2UA/ empty part") << "K2UA/" << qsUsa;
    QTest::newRow("slash and digit") << "/4" << QString();
    // Call areas.
    QTest::newRow("W1ABC/4") << "W1ABC/4" << qsUsa;
    QTest::newRow("KH0XYZ/6 moves to area 6") << "KH0XYZ/6"
                                              << "Hawaii";
    QTest::newRow("4X5KE/3 last digit") << "4X5KE/3"
                                        << "Israel";
    QTest::newRow("7J1ADJ/6") << "7J1ADJ/6"
                              << "Japan";
    // Prefixes before and after the call, and suffixes that keep it home.
    QTest::newRow("DL/K1ABC") << "DL/K1ABC"
                              << "Fed. Rep. of Germany";
    QTest::newRow("VP2E/K1ABC") << "VP2E/K1ABC"
                                << "Anguilla";
    QTest::newRow("MM/K1ABC") << "MM/K1ABC"
                              << "Scotland";
    QTest::newRow("VE3/W1ABC/4") << "VE3/W1ABC/4"
                                 << "Canada";
    QTest::newRow("K1ABC/VE3") << "K1ABC/VE3"
                               << "Canada";
    QTest::newRow("DK1RI/EA8") << "DK1RI/EA8"
                               << "Canary Islands";
    QTest::newRow("IK2GAU/IS0") << "IK2GAU/IS0"
                                << "Sardinia";
    QTest::newRow("AE4X/KP4") << "AE4X/KP4"
                              << "Puerto Rico";
    QTest::newRow("AA7V/VP2V") << "AA7V/VP2V"
                               << "British Virgin Islands";
    QTest::newRow("/LH keeps home") << "K1ABC/LH" << qsUsa;
    QTest::newRow("/YOTA keeps home") << "OH2ABC/YOTA"
                                      << "Finland";
    QTest::newRow("/70 keeps home") << "DL1ABC/70"
                                    << "Fed. Rep. of Germany";
    QTest::newRow("first row of a duplicate wins") << "4U1A"
                                                   << "Vienna Intl Ctr";
    QTest::newRow("country with apostrophe") << "TU2XZ"
                                             << "Cote d'Ivoire";
    QTest::newRow("apostrophe in the call") << "DL'1ABC"
                                            << "Fed. Rep. of Germany";
    QTest::newRow("quote injection") << "X' OR '1'='1" << QString();
    QTest::newRow("unknown") << "Q1XYZ" << QString();
}

void TestWorked::lookup()
{
    QFETCH(QString, call);
    QFETCH(QString, country);
    QCOMPARE(m_worked.countryForCall(call), country);
    QCOMPARE(m_worked.countryForCall(call, m_db), country);
    // Text from the network never breaks the statement.
    QVERIFY2(LogCapture::all().isEmpty(), qPrintable(LogCapture::all().join(QLatin1Char('\n'))));
}

// Stored prefixes in the shapes they take in spots, plus generated spot
// calls: the index must give what one query per candidate gives.
void TestWorked::indexAnswersAsTheQueryDoes()
{
    QSqlQuery query(m_db);
    QVERIFY(query.exec(QStringLiteral(R"(SELECT DISTINCT "PREFIX" FROM "main"."prefixes")")));
    QStringList prefixes;
    while (query.next())
        prefixes.append(query.value(0).toString());

    // Every fifth prefix is enough to meet every shape of every kind of
    // prefix, at a fifth of the queries; five and six share no divisor, so
    // each shape still meets prefixes from all over the table.
    QStringList calls;
    for (qsizetype i = 0; i < prefixes.size(); i += 5) {
        const QString &qsPrefix = prefixes.at(i);
        calls << qsPrefix;
        switch (i % 6) {
        case 0:
            calls << qsPrefix + QStringLiteral("1XY");
            break;
        case 1:
            calls << qsPrefix + QStringLiteral("/P") << qsPrefix.toLower();
            break;
        case 2:
            calls << QStringLiteral("DL/") + qsPrefix;
            break;
        case 3:
            calls << qsPrefix + QStringLiteral("/7");
            break;
        case 4:
            calls << qsPrefix.chopped(1) + QStringLiteral("Z9Z/KH6");
            break;
        default:
            calls << QStringLiteral("/") + qsPrefix;
            break;
        }
    }
    SpotGenerator generator(7);
    for (int i = 0; i < 2000; ++i)
        calls << generator.nextDxCall();
    // Real calls of the system's call list, when it is installed: every
    // eighth keeps the SQL side of the comparison to a few seconds and still
    // meets each kind of call thousands of times.
    QFile master(QFileInfo(Worked::systemCountryFile()).dir().filePath(QStringLiteral("MASTER.SCP")));
    if (master.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (int iLine = 0; !master.atEnd(); ++iLine) {
            const QString qsLine = QString::fromLatin1(master.readLine()).trimmed();
            if (iLine % 8 == 0 && !qsLine.isEmpty() && !qsLine.startsWith(QLatin1Char('#')))
                calls << qsLine;
        }
    }

    int iFound = 0;
    for (const QString &qsCall : std::as_const(calls)) {
        const CountryInfo info = m_worked.infoForCall(qsCall, m_db);
        if (m_worked.infoForCall(qsCall) != info)
            QFAIL(qPrintable(qsCall));
        iFound += info.isValid() ? 1 : 0;
    }
    QVERIFY(iFound > calls.size() / 2);
}

// Expected values worked out apart from this code: locator centres by hand,
// paths as angles between unit vectors (atan2 of cross and dot product).
void TestWorked::greatCircle_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<double>("bearing");
    QTest::addColumn<double>("km");

    QTest::newRow("Berlin to Connecticut") << "JO62qm"
                                           << "FN31pr" << 296.087 << 6226.64;
    QTest::newRow("four characters, far east") << "JO62"
                                               << "PM95" << 41.935 << 8923.10;
    QTest::newRow("London to Sydney, nearly antipodes") << "IO91wm"
                                                        << "QF56od" << 60.675 << 16991.74;
    QTest::newRow("lower and upper case") << "fn20"
                                          << "JN58" << 50.780 << 6511.95;
}

void TestWorked::greatCircle()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(double, bearing);
    QFETCH(double, km);
    double dLat1 = 0, dLon1 = 0, dLat2 = 0, dLon2 = 0;
    QVERIFY(Locator::position(from, &dLat1, &dLon1));
    QVERIFY(Locator::position(to, &dLat2, &dLon2));
    const Locator::Path path = Locator::shortPath(dLat1, dLon1, dLat2, dLon2);
    QVERIFY2(qAbs(path.bearing - bearing) < 0.01, qPrintable(QString::number(path.bearing)));
    QVERIFY2(qAbs(path.km - km) < 0.1, qPrintable(QString::number(path.km)));
    const Locator::Path longPath = Locator::longPath(path);
    QVERIFY(qAbs(longPath.bearing - std::fmod(bearing + 180, 360)) < 0.01);
    QVERIFY(qAbs(longPath.km - (40030.17 - km)) < 0.1);
}

void TestWorked::locatorsAndSpotLocation()
{
    for (const char *pBad : {"", "JO6", "JO62q", "JO62qmx", "SO62", "JS62", "JOA2", "JO62yz", "JO62q!", "J\u00d662"})
        QVERIFY2(!Locator::isValid(QString::fromUtf8(pBad)), pBad);
    QVERIFY(Locator::isValid(QStringLiteral("RR99xx")));
    QVERIFY(Locator::isValid(QStringLiteral("AA00aa")));

    // From Berlin to the centre the country file gives the USA (37.60 N,
    // 91.87 W): worked out apart as above.
    Spot spot;
    spot.setLocation(m_worked.infoForCall(QStringLiteral("K1ABC")), m_worked.infoForCall(QStringLiteral("DL1ABC-#")),
                     QStringLiteral("JO62qm"));
    QCOMPARE(spot.dxContinent(), QStringLiteral("NA"));
    QCOMPARE(spot.dxCqZone(), 5);
    QCOMPARE(spot.spotterContinent(), QStringLiteral("EU"));
    QVERIFY(spot.hasPath());
    QVERIFY(qAbs(spot.shortPath().bearing - 305.067) < 0.01);
    QVERIFY(qAbs(spot.shortPath().km - 7678.83) < 0.1);
    // The entry's own zone wins over the country's.
    spot.setLocation(m_worked.infoForCall(QStringLiteral("KH6ND")), CountryInfo(), QStringLiteral("JO6"));
    QCOMPARE(spot.dxCqZone(), 3);
    QCOMPARE(spot.spotterContinent(), QString());
    QVERIFY(!spot.hasPath());
}

void TestWorked::cleanEntry_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("entry");

    QTest::newRow("spaces around") << "    3B6 "
                                   << "3B6";
    QTest::newRow("whole call") << "=K1ABC"
                                << "K1ABC";
    QTest::newRow("zones") << "VP2E(8)[11]"
                           << "VP2E";
    QTest::newRow("all groups") << "=W1AW/KH6(31)[61]<21.3/157.9>{OC}~-10~"
                                << "W1AW/KH6";
    QTest::newRow("greedy groups") << "AB(1)CD(2)"
                                   << "AB";
}

void TestWorked::cleanEntry()
{
    QFETCH(QString, part);
    QFETCH(QString, entry);
    QCOMPARE(CountryFile::cleanEntry(part), entry);
}

void TestWorked::importReadsRecordsAsWritten()
{
    const QString qsFile = writeFile(QStringLiteral("small.dat"),
                                     "Cote d'Ivoire:  35:  46:  AF:    7.58:     5.80:     0.0:  TU:\n"
                                     "    TU0,TU1,=TU5AB(35)[46],\n"
                                     "    TU7;\r\n"
                                     "\n"
                                     "stray text between records\n"
                                     "Q Land:  1:  1:  EU:    0.00:     0.00:     0.0:  Q9:\n"
                                     "    Q9, =Q9ABC<1/2>,   \n"
                                     "    =Q8Z{EU}~1~;  \n"
                                     "Open End:  1:  1:  EU:    0.00:     0.00:     0.0:  QX:\n"
                                     "    QX1,\n");
    QSqlDatabase db = openFresh(QStringLiteral("small"));
    QVERIFY(Worked::ensureTables(db, qsFile));
    QCOMPARE(Worked::countryNames(db),
             QStringList({QStringLiteral("Cote d'Ivoire"), QStringLiteral("Q Land"), QStringLiteral("Open End")}));

    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral(R"(SELECT "PREFIX","COUNTRY" FROM "main"."prefixes" ORDER BY rowid)")));
    QStringList rows;
    while (query.next())
        rows << query.value(0).toString() + QLatin1Char('|') + query.value(1).toString();
    QCOMPARE(rows,
             QStringList({"TU0|Cote d'Ivoire", "TU1|Cote d'Ivoire", "TU5AB|Cote d'Ivoire", "TU7|Cote d'Ivoire",
                          "Q9|Q Land", "Q9ABC|Q Land", "Q8Z|Q Land", "QX1|Open End"}));

    // The header's values, and each entry's overrides over them; the file
    // counts longitude west positive and the offset the other way round.
    Worked worked;
    QVERIFY(worked.attachDatabase(db));
    for (const QSqlDatabase &source : {QSqlDatabase(), db}) {
        auto info = [&](const char *pCall) {
            return source.isValid() ? worked.infoForCall(QLatin1String(pCall), source)
                                    : worked.infoForCall(QLatin1String(pCall));
        };
        const CountryInfo tu = info("TU1A");
        QCOMPARE(tu.primaryPrefix, QStringLiteral("TU"));
        QCOMPARE(tu.continent, QStringLiteral("AF"));
        QCOMPARE(tu.longitude, -5.80);
        QCOMPARE(info("TU5AB").cqZone, 35);
        QCOMPARE(info("TU5AB").ituZone, 46);
        QCOMPARE(info("TU5ABC").country, QString());
        const CountryInfo q9 = info("Q9ABC");
        QVERIFY(q9.hasPosition);
        QCOMPARE(q9.latitude, 1.0);
        QCOMPARE(q9.longitude, -2.0);
        QCOMPARE(q9.continent, QStringLiteral("EU"));
        const CountryInfo q8 = info("Q8Z");
        QCOMPARE(q8.utcOffset, -1.0);
        QCOMPARE(q8.latitude, 0.0);
        // A whole call is no prefix.
        QCOMPARE(info("Q8ZA").country, QString());
    }

    // A further import appends; the first row of a prefix keeps winning.
    const QString qsOther = writeFile(QStringLiteral("other.dat"), "Other:  1:  1:  EU:  0: 0: 0: TU:\n  TU0,TU3;\n");
    QVERIFY(worked.importCountryFile(qsOther, db));
    QCOMPARE(rowCount(db, QStringLiteral("prefixes")), 10);
    QCOMPARE(worked.countryForCall(QStringLiteral("TU0A")), QStringLiteral("Cote d'Ivoire"));
    QCOMPARE(worked.countryForCall(QStringLiteral("TU3A")), QStringLiteral("Other"));
    db.close();
}

void TestWorked::failedUpdateKeepsTheOldRows_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("missing/cty.dat"));
    QTest::newRow("error page") << writeFile(QStringLiteral("page.dat"), "<html><body>Not found</body></html>\n");
    QTest::newRow("empty file") << writeFile(QStringLiteral("empty.dat"), "");
}

void TestWorked::failedUpdateKeepsTheOldRows()
{
    QFETCH(QString, file);
    const int iRows = rowCount(m_db, QStringLiteral("prefixes"));
    QVERIFY(!m_worked.updateCountryFile(file, m_db));
    QCOMPARE(rowCount(m_db, QStringLiteral("prefixes")), iRows);
    QCOMPARE(m_worked.countryForCall(QStringLiteral("DL1ABC"), m_db), QStringLiteral("Fed. Rep. of Germany"));
    QCOMPARE(m_worked.countryForCall(QStringLiteral("DL1ABC")), QStringLiteral("Fed. Rep. of Germany"));
    QVERIFY(!LogCapture::with(QStringLiteral("ERROR")).isEmpty());
    QVERIFY(!m_worked.importCountryFile(file, m_db));
    QCOMPARE(rowCount(m_db, QStringLiteral("prefixes")), iRows);
}

void TestWorked::updateReplacesRowsAndIndex()
{
    const QString qsFile = writeFile(QStringLiteral("update.dat"), "Q Land:  1:  1:  EU:  0: 0: 0: Q9:\n  Q9,DL1;\n");
    QSqlDatabase db = openFresh(QStringLiteral("update"));
    QVERIFY(Worked::ensureTables(db, Worked::systemCountryFile()));
    const int iCountries = rowCount(db, QStringLiteral("countries"));
    Worked worked;
    QVERIFY(worked.attachDatabase(db));
    QCOMPARE(worked.countryForCall(QStringLiteral("DL1ABC")), QStringLiteral("Fed. Rep. of Germany"));
    // Answers remembered before the update, found and not found, are not kept.
    QCOMPARE(worked.countryForCall(QStringLiteral("Q9ABC")), QString());

    QVERIFY(worked.updateCountryFile(qsFile, db));
    QCOMPARE(worked.countryForCall(QStringLiteral("Q9ABC")), QStringLiteral("Q Land"));
    QCOMPARE(rowCount(db, QStringLiteral("prefixes")), 2);
    QCOMPARE(rowCount(db, QStringLiteral("countries")), iCountries);
    QCOMPARE(worked.countryForCall(QStringLiteral("DL1ABC")), QStringLiteral("Q Land"));
    QCOMPARE(worked.countryForCall(QStringLiteral("DL2ABC")), QString());
    db.close();
}

void TestWorked::emptyPrefixTableIsRefilled()
{
    QSqlDatabase db = openFresh(QStringLiteral("refill"));
    QVERIFY(Worked::ensureTables(db, Worked::systemCountryFile()));
    const int iRows = rowCount(db, QStringLiteral("prefixes"));
    const int iCountries = rowCount(db, QStringLiteral("countries"));
    const int iWholeCalls = rowCount(db, QStringLiteral("whole_calls"));
    QVERIFY(iWholeCalls > 10000);

    // A database of an older version: its two tables only, with a row of its
    // own that must survive the upgrade. Until then whole calls act as prefixes.
    QSqlQuery query(db);
    for (const char *pTable : {"whole_calls", "prefix_entries", "country_details"})
        QVERIFY(query.exec(QStringLiteral(R"(DROP TABLE "main"."%1")").arg(QLatin1String(pTable))));
    QVERIFY(query.exec(QStringLiteral(R"(INSERT INTO "main"."prefixes" VALUES('Q0Q','Q Land'))")));
    Worked older;
    QVERIFY(older.attachDatabase(db));
    QCOMPARE(older.countryForCall(QStringLiteral("K4WAK")), QStringLiteral("Puerto Rico"));
    QCOMPARE(older.countryForCall(QStringLiteral("K4WAK"), db), QStringLiteral("Puerto Rico"));
    QCOMPARE(older.countryForCall(QStringLiteral("Q0QA")), QStringLiteral("Q Land"));
    QVERIFY(Worked::ensureTables(db, Worked::systemCountryFile()));
    QCOMPARE(rowCount(db, QStringLiteral("prefixes")), iRows + 1);
    QCOMPARE(rowCount(db, QStringLiteral("countries")), iCountries);
    QCOMPARE(rowCount(db, QStringLiteral("whole_calls")), iWholeCalls);
    QVERIFY(older.attachDatabase(db));
    QCOMPARE(older.countryForCall(QStringLiteral("K4WAK")), QStringLiteral("United States of America"));

    QVERIFY(query.exec(QStringLiteral(R"(DELETE FROM "main"."prefixes")")));

    QVERIFY(Worked::ensureTables(db, Worked::systemCountryFile()));
    QCOMPARE(rowCount(db, QStringLiteral("prefixes")), iRows);
    QCOMPARE(rowCount(db, QStringLiteral("countries")), iCountries);
    QCOMPARE(rowCount(db, QStringLiteral("whole_calls")), iWholeCalls);
    // Filled tables are left alone.
    QVERIFY(Worked::ensureTables(db, m_dir.filePath(QStringLiteral("missing.dat"))));
    QCOMPARE(rowCount(db, QStringLiteral("prefixes")), iRows);
    db.close();
}

void TestWorked::unopenableDatabaseIsFatal()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelFatal);
    const bool bOpened =
        Worked::openDatabase(m_dir.filePath(QStringLiteral("no/such/folder/dx.sqlite")), Worked::systemCountryFile());
    QsLogging::Logger::get().setThreshold(QsLogging::LevelError);
    QVERIFY(!bOpened);
    const QStringList lines = LogCapture::all();
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().startsWith(QLatin1String("FATAL")));
    QVERIFY(lines.first().contains(QLatin1String("Fatal error: \"")));
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

// A database that fails at run time: the operator hears of it once, not the
// log once a spot.
void TestWorked::failingLookupIsToldOnce()
{
    QSqlDatabase db = openFresh(QStringLiteral("failing"));
    QVERIFY(Worked::ensureTables(db, Worked::systemCountryFile()));
    QSqlQuery query(db);
    for (const char *pTable : {"prefixes", "whole_calls", "prefix_entries", "country_details"})
        QVERIFY(query.exec(QStringLiteral(R"(DROP TABLE "main"."%1")").arg(QLatin1String(pTable))));
    Worked worked;
    QStringList told;
    worked.setQueryFailureHandler([&told](const QString &qsError) { told.append(qsError); });
    QVERIFY(!worked.attachDatabase(db));
    QVERIFY(worked.countryForCall(QStringLiteral("K1ABC")).isEmpty());
    QVERIFY(worked.countryForCall(QStringLiteral("JA1ABC")).isEmpty());
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.at(0).contains(QStringLiteral("prefixes")), qPrintable(told.at(0)));
    QCOMPARE(LogCapture::with(QStringLiteral("look-ups fail")).size(), 1);
    db.close();
}

void TestWorked::damagedDatabaseIsRebuilt_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("cut") << QStringLiteral("cut");
    QTest::newRow("garbage") << QStringLiteral("garbage");
    QTest::newRow("tables of the wrong shape") << QStringLiteral("junk tables");
}

// A damaged file opened, every query failed with a log line only, and every
// spot went without a country for good.
void TestWorked::damagedDatabaseIsRebuilt()
{
    QFETCH(QString, damage);
    const QString qsFile = m_dir.filePath(QStringLiteral("damaged-%1.sqlite").arg(damage));
    QVERIFY(QFile::copy(m_db.databaseName(), qsFile));
    if (damage == QLatin1String("cut")) {
        QVERIFY(QFile::resize(qsFile, QFileInfo(qsFile).size() / 3));
    } else if (damage == QLatin1String("garbage")) {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(100000, '\x5a'));
    } else {
        QFile::remove(qsFile);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("junk"));
        db.setDatabaseName(qsFile);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral(R"(CREATE TABLE "prefixes" ("JUNK" TEXT))")));
        QVERIFY(query.exec(QStringLiteral(R"(INSERT INTO "prefixes" VALUES ('x'))")));
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("junk"));
    }

    QString qsRepaired;
    QVERIFY(Worked::openDatabase(qsFile, Worked::systemCountryFile(), &qsRepaired));
    QVERIFY2(qsRepaired.contains(QStringLiteral("rebuilt")), qPrintable(qsRepaired));
    QVERIFY(QFile::exists(qsFile + QStringLiteral(".damaged")));
    {
        QSqlDatabase db = QSqlDatabase::database();
        QVERIFY(rowCount(db, QStringLiteral("prefixes")) > 20000);
        Worked worked;
        QVERIFY(worked.attachDatabase(db));
        QCOMPARE(worked.countryForCall(QStringLiteral("K1ABC")), QStringLiteral("United States of America"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));

    // The rebuilt file is sound: the next start leaves it alone.
    qsRepaired.clear();
    QVERIFY(Worked::openDatabase(qsFile, Worked::systemCountryFile(), &qsRepaired));
    QVERIFY(qsRepaired.isEmpty());
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

// An installed program cannot write beside itself: its first start must make
// the data folder and fill a database there; a build tree keeps using its own.
void TestWorked::databaseBesideTheProgramOrInTheDataFolder()
{
    const QString qsBeside = QCoreApplication::applicationDirPath() + QStringLiteral("/dx.sqlite");
    // Test programs of earlier builds left their database there.
    QFile::remove(qsBeside);
    const QString qsDataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir(qsDataFolder).removeRecursively());

    const QString qsFileName = Worked::databaseFileName();
    QCOMPARE(qsFileName, qsDataFolder + QStringLiteral("/dx.sqlite"));
    QVERIFY(Worked::openDatabase(qsFileName, Worked::systemCountryFile()));
    {
        QSqlDatabase db = QSqlDatabase::database();
        QVERIFY(rowCount(db, QStringLiteral("prefixes")) > 20000);
        QVERIFY(rowCount(db, QStringLiteral("countries")) > 300);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));

    QFile beside(qsBeside);
    QVERIFY(beside.open(QIODevice::WriteOnly));
    const QString qsFound = Worked::databaseFileName();
    beside.remove();
    QCOMPARE(qsFound, qsBeside);
}

QString TestWorked::writeFile(const QString &qsName, const QByteArray &baContent)
{
    const QString qsPath = m_dir.filePath(qsName);
    QFile file(qsPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(baContent);
    return qsPath;
}

QSqlDatabase TestWorked::openFresh(const QString &qsConnection)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), qsConnection);
    db.setDatabaseName(m_dir.filePath(qsConnection + QStringLiteral(".sqlite")));
    db.open();
    return db;
}

QTEST_GUILESS_MAIN(TestWorked)
#include "tst_worked.moc"
