#include "TestSupport.h"

#include "Worked/Worked.h"
#include "cluster/Spot.h"
#include "filters/FilterChains.h"
#include "log/AdifReader.h"
#include "log/LogFeeds.h"
#include "log/LogImport.h"
#include "log/LogStore.h"
#include "radio/ModeClassifier.h"
#include "settings/ProgramRuleContext.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::LogCapture;

namespace {

const QString kUsa = QStringLiteral("United States of America");
const QString kJapan = QStringLiteral("Japan");

// One line per record: call|band|mode|submode, or "!" for an unusable one.
QString summary(const QList<AdifRecord> &records)
{
    QStringList lines;
    for (const AdifRecord &record : records) {
        if (!record.problem.isEmpty()) {
            lines.append(QStringLiteral("!"));
            continue;
        }
        lines.append(QStringList {record.value(AdifRecord::Call), record.value(AdifRecord::Band),
                                  record.value(AdifRecord::Mode), record.value(AdifRecord::Submode)}
                         .join(QLatin1Char('|')));
    }
    return lines.join(QLatin1Char(';'));
}

QList<AdifRecord> readInPieces(const QByteArray &qbaInput, qsizetype iPiece)
{
    AdifReader reader;
    QList<AdifRecord> records;
    for (qsizetype i = 0; i < qbaInput.size(); i += iPiece) {
        reader.feed(qbaInput.mid(i, iPiece));
        records += reader.takeRecords();
    }
    reader.finish();
    return records + reader.takeRecords();
}

QByteArray record(const char *pCall, const char *pBand, const char *pMode, const char *pDate, const char *pTime,
                  const char *pExtra = "")
{
    auto field = [](const char *pName, const char *pValue) {
        return QByteArray("<") + pName + ':' + QByteArray::number(qsizetype(qstrlen(pValue))) + '>' + pValue + ' ';
    };
    return field("CALL", pCall) + field("BAND", pBand) + field("MODE", pMode) + field("QSO_DATE", pDate)
        + field("TIME_ON", pTime) + pExtra + "<EOR>\n";
}

} // namespace

// The operator's log: the ADIF reader on what real writers produce, the
// mode classes, the store's merge and needed marks on a real SQLite file,
// and the needed rule kinds in the chains.
class TestLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void adifRecords_data();
    void adifRecords();
    void modeClasses_data();
    void modeClasses();
    void neededMarksAndMerge();
    void bandsWithoutAFilterBitAreLogged();
    void confirmations_data();
    void confirmations();
    void badRecordsAreSkippedWithReasons();
    void cancelledImportLeavesTheLog();
    void largeFileStreamsInBoundedMemory();
    void watchedFileReadsAppendedRecords();
    void neededRuleKindsInTheChain();
    void workedBeforePerCall();

private:
    QString writeFile(const QString &qsName, const QByteArray &qbaContent);

    QTemporaryDir m_dir;
    QSqlDatabase m_db;
    Worked m_worked;
    int m_logs = 0;
    std::unique_ptr<LogStore> openLog();
};

void TestLog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    LogCapture::install(QsLogging::LevelWarn);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("countries"));
    m_db.setDatabaseName(m_dir.filePath(QStringLiteral("dx.sqlite")));
    QVERIFY(m_db.open());
    QVERIFY(Worked::ensureTables(m_db, Worked::systemCountryFile()));
    QVERIFY(m_worked.attachDatabase(m_db));
    QCOMPARE(m_worked.countryForCall(QStringLiteral("K1ABC")), kUsa);
}

void TestLog::init()
{
    LogCapture::clear();
}

QString TestLog::writeFile(const QString &qsName, const QByteArray &qbaContent)
{
    const QString qsFile = m_dir.filePath(qsName);
    QFile file(qsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(qbaContent) != qbaContent.size())
        return QString();
    return qsFile;
}

std::unique_ptr<LogStore> TestLog::openLog()
{
    auto pStore = std::make_unique<LogStore>();
    pStore->setCountryLookup(&m_worked);
    if (!pStore->open(m_dir.filePath(QStringLiteral("log%1.sqlite").arg(++m_logs))))
        return nullptr;
    return pStore;
}

void TestLog::adifRecords_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("upper and lower case tags")
        << QByteArray("<call:5>K1ABC<Band:3>20m<MODE:2>CW<eor>\n<CALL:6>DL1ABC<BAND:3>40M<mode:3>SSB<EOR>")
        << "K1ABC|20m|CW|;DL1ABC|40M|SSB|";
    QTest::newRow("typed fields") << QByteArray("<CALL:5:S>K1ABC<BAND:3:E>20m<QSO_DATE:8:D>20240101<EOR>")
                                  << "K1ABC|20m||";
    QTest::newRow("header up to EOH") << QByteArray(
        "Exported log\n<ADIF_VER:5>3.1.4 <CALL:4>HEAD\n<EOH>\n<CALL:5>K1ABC<EOR>")
                                      << "K1ABC|||";
    // A header field the first record lacks must not turn up in it.
    QTest::newRow("header fields stay out of the first record")
        << QByteArray("Export\n<PROGRAMID:4>Test <BAND:3>80m <MODE:3>SSB <SUBMODE:3>USB\n<EOH>\n"
                      "<CALL:5>K1ABC<EOR><CALL:5>K2ABC<MODE:2>CW<EOR>")
        << "K1ABC|||;K2ABC||CW|";
    QTest::newRow("byte order mark, no header")
        << QByteArray("\xef\xbb\xbf<CALL:5>K1ABC<EOR><CALL:5>K2ABC<EOR>") << "K1ABC|||;K2ABC|||";
    QTest::newRow("starts with a space") << QByteArray(" <CALL:5>K1ABC<EOR>") << "K1ABC|||";
    QTest::newRow("UTF-8 length in bytes")
        << QByteArray("<SUBMODE:5>J\xc3\xbcrg<CALL:5>K1ABC<EOR>") << QStringLiteral("K1ABC|||J\u00fcrg");
    QTest::newRow("UTF-8 length in characters")
        << QByteArray("<SUBMODE:4>J\xc3\xbcrg<CALL:5>K1ABC<EOR>") << QStringLiteral("K1ABC|||J\u00fcrg");
    QTest::newRow("bytes would split a character")
        << QByteArray("<CALL:5>K1ABC<SUBMODE:2>J\xc3\xbc <EOR>") << QStringLiteral("K1ABC|||J\u00fc");
    QTest::newRow("Latin-1 bytes") << QByteArray("<CALL:5>K1ABC<SUBMODE:4>J\xfcrg<EOR>")
                                   << QStringLiteral("K1ABC|||J\u00fcrg");
    QTest::newRow("value with line ends") << QByteArray("<CALL:5>K1ABC<SUBMODE:4>a\r\nb<EOR>") << "K1ABC|||a\r\nb";
    QTest::newRow("empty and one-space values")
        << QByteArray("<CALL:5>K1ABC<GRIDSQUARE:0><MODE:1> <EOR>") << "K1ABC|| |";
    QTest::newRow("no EOR at the end") << QByteArray("<CALL:5>K1ABC<EOR>\n<CALL:6>DL1ABC") << "K1ABC|||;DL1ABC|||";
    QTest::newRow("length past the end") << QByteArray("<CALL:5>K1ABC<EOR><CALL:40>DL1ABC") << "K1ABC|||;!";
    QTest::newRow("huge length") << QByteArray("<CALL:999999999>K1ABC<EOR><CALL:5>K2ABC<EOR>") << "!;K2ABC|||";
    QTest::newRow("text that is no tag") << QByteArray("see <b>this</b> <CALL:x>Y <CALL:5>K1ABC<EOR> <EOR>")
                                         << "K1ABC|||";
    QTest::newRow("download with comments and its end tag")
        << QByteArray("Logbook status report\nfor Q1ABC\n\n<PROGRAMID:4>LoTW\n<APP_LoTW_NUMREC:1>2   \n\n<eoh>\n\n"
                      "<CALL:5>K1ABC\n<BAND:3>20M\n<FREQ:8>14.07400\n<MODE:3>FT4\n<QSO_DATE:8>20231201\n"
                      "<TIME_ON:6>120000\n<QSL_RCVD:1>Y\n<DXCC:3>291 // UNITED STATES OF AMERICA\n<eor>\n\n"
                      "<CALL:6>DL1ABC\n<BAND:3>40M\n<MODE:3>SSB\n<eor>\n\n<APP_LoTW_EOF>\n<CALL:5>JUNK1<EOR>\n")
        << "K1ABC|20M|FT4|;DL1ABC|40M|SSB|";
}

void TestLog::adifRecords()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    // However the bytes arrive, the records are the same.
    for (const qsizetype iPiece : {input.size(), qsizetype(7), qsizetype(1)})
        QCOMPARE(summary(readInPieces(input, iPiece)), expected);
}

void TestLog::modeClasses_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("submode");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<double>("kHz");
    QTest::addColumn<int>("modeClass");

    const int iCw = int(ModeClass::Cw);
    const int iPhone = int(ModeClass::Phone);
    const int iData = int(ModeClass::Data);
    QTest::newRow("ADIF FT4 as MFSK submode") << "MFSK"
                                              << "FT4"
                                              << "" << 0.0 << iData;
    QTest::newRow("ADIF SSB USB") << "SSB"
                                  << "USB"
                                  << "" << 0.0 << iPhone;
    QTest::newRow("ADIF digital voice") << "DIGITALVOICE"
                                        << ""
                                        << "" << 0.0 << iPhone;
    QTest::newRow("ADIF cw lower case") << "cw"
                                        << ""
                                        << "" << 0.0 << iCw;
    QTest::newRow("ADIF none") << ""
                               << ""
                               << "" << 0.0 << int(ModeClass::Unknown);
    QTest::newRow("spot FT8 in comment") << ""
                                         << ""
                                         << "FT8 -12 dB from JO30" << 14025.0 << iData;
    QTest::newRow("spot skimmer WPM") << ""
                                      << ""
                                      << "24 dB 25 WPM CQ" << 14074.0 << iCw;
    QTest::newRow("spot skimmer glued WPM") << ""
                                            << ""
                                            << "18dB 22WPM" << 14074.0 << iCw;
    QTest::newRow("spot lower-case ft4") << ""
                                         << ""
                                         << "ft4 tnx" << 14200.0 << iData;
    QTest::newRow("spot USB") << ""
                              << ""
                              << "USB up 5" << 7025.0 << iPhone;
    QTest::newRow("spot RTTY BPS") << ""
                                   << ""
                                   << "45 BPS" << 14200.0 << iData;
    QTest::newRow("locator is no mode") << ""
                                        << ""
                                        << "loc FM18" << 14025.0 << iCw;
    QTest::newRow("band plan phone") << ""
                                     << ""
                                     << "tnx qso" << 14200.0 << iPhone;
    QTest::newRow("band plan data") << ""
                                    << ""
                                    << "" << 14074.0 << iData;
    QTest::newRow("beacon gap") << ""
                                << ""
                                << "" << 14100.0 << int(ModeClass::Unknown);
}

void TestLog::modeClasses()
{
    QFETCH(QString, mode);
    QFETCH(QString, submode);
    QFETCH(QString, comment);
    QFETCH(double, kHz);
    QFETCH(int, modeClass);
    if (kHz == 0.0)
        QCOMPARE(int(ModeClassifier::fromAdif(mode, submode)), modeClass);
    else
        QCOMPARE(int(ModeClassifier::forSpot(comment, kHz)), modeClass);
}

void TestLog::neededMarksAndMerge()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    QCOMPARE(pLog->needForSpot(kJapan, "14025.0", "CW"), Need::None); // no log, no marks

    // A country worked only on 20m CW.
    QSignalSpy changed(pLog.get(), &LogStore::changed);
    LogStore::ImportResult result = pLog->storeAdif(record("K1ABC", "20m", "CW", "20240105", "1200"));
    QCOMPARE(result.imported, 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(pLog->needForSpot(kUsa, "7025.0", "CW"), Need::NewBand);
    QCOMPARE(pLog->needForSpot(kUsa, "14074.0", "FT8 -10 dB"), Need::NewMode);
    QCOMPARE(pLog->needForSpot(kUsa, "14030.0", ""), Need::Unconfirmed);
    QCOMPARE(pLog->needForSpot(kJapan, "14030.0", ""), Need::NewCountry);
    QCOMPARE(pLog->needForSpot(QString(), "14030.0", ""), Need::None);

    // The confirmation of the same QSO (seconds given) merges into it.
    pLog->storeAdif(record("k1abc", "20M", "CW", "20240105", "120059", "<LOTW_QSL_RCVD:1>Y"));
    QCOMPARE(pLog->qsoCount(), 1);
    QCOMPARE(pLog->needForSpot(kUsa, "14030.0", ""), Need::Confirmed);
    // An unconfirmed copy never takes the confirmation back.
    pLog->storeAdif(record("K1ABC", "20m", "CW", "20240105", "1200", "<QSL_RCVD:1>N"));
    QCOMPARE(pLog->needForSpot(kUsa, "14030.0", ""), Need::Confirmed);

    // A QSO reported twice, field by field and then as ADIF, is one QSO;
    // "FT4" and MFSK/FT4 are the same mode.
    const QDateTime on(QDate(2024, 1, 6), QTime(8, 30, 15), Qt::UTC);
    QVERIFY(pLog->storeQso(QStringLiteral("JA1ABC"), on, 14080000, QStringLiteral("FT4")));
    pLog->storeAdif(record("JA1ABC", "20m", "MFSK", "20240106", "083015", "<SUBMODE:3>FT4"));
    QCOMPARE(pLog->qsoCount(), 2);
    QCOMPARE(pLog->needForSpot(kJapan, "14080.0", "FT4"), Need::Unconfirmed);
    QCOMPARE(pLog->needForSpot(kJapan, "14025.0", "CW"), Need::NewMode);
    QCOMPARE(pLog->countries(), QStringList({kJapan, kUsa}));

    // The file keeps it all.
    const QString qsFile = pLog->fileName();
    pLog.reset();
    LogStore reopened;
    QVERIFY(reopened.open(qsFile));
    QCOMPARE(reopened.qsoCount(), 2);
    QCOMPARE(reopened.needForSpot(kUsa, "7025.0", "CW"), Need::NewBand);
    QCOMPARE(reopened.needForSpot(kUsa, "14030.0", ""), Need::Confirmed);
}

void TestLog::bandsWithoutAFilterBitAreLogged()
{
    // A QSO turned away as "unknown band" leaves its country needed.
    const QString qsGermany = QStringLiteral("Fed. Rep. of Germany");
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    const LogStore::ImportResult result = pLog->storeAdif(
        record("K1ABC", "630m", "CW", "20240105", "1200") + record("JA1ABC", "2190m", "CW", "20240105", "1300")
        + record("DL1ABC", "", "FT8", "20240105", "1400", "<FREQ:8>0.475700")
        + record("K2ABC", "60m", "USB", "20240105", "1500"));
    QCOMPARE(result.reasons, QStringList());
    QCOMPARE(result.imported, 4);
    QCOMPARE(pLog->countries(), QStringList({qsGermany, kJapan, kUsa}));
    QCOMPARE(pLog->needForSpot(kUsa, "474.2", "CW"), Need::Unconfirmed);
    QCOMPARE(pLog->needForSpot(kUsa, "136.0", "CW"), Need::NewBand);
    QCOMPARE(pLog->needForSpot(kUsa, "5357.0", "USB"), Need::Unconfirmed);
    QCOMPARE(pLog->needForSpot(qsGermany, "475.7", ""), Need::Unconfirmed);
    QCOMPARE(pLog->needForSpot(qsGermany, "14074.0", "FT8"), Need::NewBand);

    // A logging program reports by frequency; between bands it is no QSO.
    const QDateTime on(QDate(2024, 1, 6), QTime(8, 30), Qt::UTC);
    QCOMPARE(pLog->needForSpot(kJapan, "475.7", "FT8"), Need::NewBand);
    QVERIFY(pLog->storeQso(QStringLiteral("JA1ABC"), on, 475700, QStringLiteral("FT8")));
    QCOMPARE(pLog->needForSpot(kJapan, "475.7", "FT8"), Need::Unconfirmed);
    QVERIFY(!pLog->storeQso(QStringLiteral("JA1ABC"), on, 480000, QStringLiteral("FT8")));

    const QString qsFile = pLog->fileName();
    pLog.reset();
    LogStore reopened;
    QVERIFY(reopened.open(qsFile));
    QCOMPARE(reopened.qsoCount(), 5);
    QCOMPARE(reopened.needForSpot(kJapan, "136.0", "CW"), Need::Unconfirmed);
    QCOMPARE(reopened.needForSpot(kJapan, "7025.0", "CW"), Need::NewBand);
}

void TestLog::confirmations_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<int>("need");

    const int iConfirmed = int(Need::Confirmed);
    const int iUnconfirmed = int(Need::Unconfirmed);
    QTest::newRow("card received") << record("K1ABC", "20m", "CW", "20240105", "1200", "<QSL_RCVD:1>Y") << iConfirmed;
    // Older files write "V" for a card checked for an award.
    QTest::newRow("card verified") << record("K1ABC", "20m", "CW", "20240105", "1200", "<QSL_RCVD:1>V") << iConfirmed;
    QTest::newRow("verified, lower case")
        << record("K1ABC", "20m", "CW", "20240105", "1200", "<QSL_RCVD:2>v ") << iConfirmed;
    QTest::newRow("eQSL") << record("K1ABC", "20m", "CW", "20240105", "1200", "<EQSL_QSL_RCVD:1>Y") << iConfirmed;
    QTest::newRow("card requested only") << record("K1ABC", "20m", "CW", "20240105", "1200", "<QSL_RCVD:1>R")
                                         << iUnconfirmed;
    QTest::newRow("no card") << record("K1ABC", "20m", "CW", "20240105", "1200", "<QSL_RCVD:1>N") << iUnconfirmed;
    // The country's other bands and modes, read before and after the
    // confirmed one, take nothing away from it: a country with a card
    // showed "Unconf".
    QTest::newRow("one confirmed band among unconfirmed ones") << record("K1ABC", "10m", "CW", "20240105", "1200")
            + record("K2ABC", "20m", "CW", "20240105", "1300", "<QSL_RCVD:1>Y")
            + record("K3ABC", "40m", "CW", "20240105", "1400") + record("K4ABC", "40m", "SSB", "20240105", "1500")
            + record("K5ABC", "80m", "FT8", "20240105", "1600") << iConfirmed;
}

void TestLog::confirmations()
{
    QFETCH(QByteArray, log);
    QFETCH(int, need);
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    QVERIFY(pLog->storeAdif(log).imported > 0);
    QCOMPARE(int(pLog->needForSpot(kUsa, "14030.0", "")), need);
    // The marks are made again from the file when it is opened.
    const QString qsFile = pLog->fileName();
    pLog.reset();
    LogStore reopened;
    QVERIFY(reopened.open(qsFile));
    QCOMPARE(int(reopened.needForSpot(kUsa, "14030.0", "")), need);
}

void TestLog::badRecordsAreSkippedWithReasons()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    const QByteArray qbaFile = record("K1ABC", "20m", "CW", "20240105", "1200") + "<BAND:3>20m<MODE:2>CW<EOR>\n"
        + record("K2ABC", "11m", "CW", "20240105", "1200")
        + "<CALL:5>K3ABC<FREQ:6>7.0251<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1300<EOR>\n"
        + "<CALL:5>K4ABC<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1300<EOR>\n"
        + record("K5ABC", "20m", "CW", "2024-01-05", "1200") + "<CALL:5>K6ABC<BAND:30>20m";
    LogImport import(*pLog);
    QVERIFY(import.run(writeFile(QStringLiteral("bad.adi"), qbaFile)));
    QCOMPARE(import.result().imported, 2);
    QCOMPARE(import.result().skipped, 5);
    QCOMPARE(import.result().reasons.size(), LogStore::kMaxReasons);
    QCOMPARE(import.result().reasons.at(0), QStringLiteral("record 2: no call"));
    QCOMPARE(import.result().reasons.at(1), QStringLiteral("record 3: unknown band \"11m\""));
    QCOMPARE(import.result().reasons.at(2), QStringLiteral("record 5: no band"));
    QCOMPARE(pLog->needForSpot(kUsa, "7025.0", "CW"), Need::Unconfirmed); // from the FREQ of K3ABC

    LogImport missing(*pLog);
    QVERIFY(!missing.run(m_dir.filePath(QStringLiteral("missing.adi"))));
    QVERIFY(!missing.errorString().isEmpty());
    QVERIFY(!pLog->isImporting());
}

void TestLog::cancelledImportLeavesTheLog()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    pLog->storeAdif(record("K1ABC", "20m", "CW", "20240105", "1200"));
    QByteArray qbaFile;
    for (int i = 0; qbaFile.size() < 3 * AdifReader::kChunkBytes; ++i)
        qbaFile += record(QByteArray("JA1A" + QByteArray::number(i)).constData(), "40m", "SSB", "20240107", "1200");
    LogImport import(*pLog);
    QVERIFY(import.start(writeFile(QStringLiteral("many.adi"), qbaFile)));
    QVERIFY(import.step());
    QVERIFY(import.result().imported > 0);
    // A QSO reported meanwhile waits for the import and is not lost with it.
    QVERIFY(pLog->storeQso(QStringLiteral("DL1ABC"), QDateTime(QDate(2024, 1, 8), QTime(9, 0), Qt::UTC), 7025000,
                           QStringLiteral("CW")));
    import.cancel();
    QCOMPARE(pLog->qsoCount(), 2);
    QCOMPARE(pLog->needForSpot(kJapan, "7150.0", "SSB"), Need::NewCountry);
}

void TestLog::largeFileStreamsInBoundedMemory()
{
    // 20 MB of records, each with a long note as real logs carry them.
    const QByteArray qbaNote = "<NOTES:400>" + QByteArray(400, 'n') + ' ';
    QString qsFile = m_dir.filePath(QStringLiteral("large.adi"));
    int iRecords = 0;
    {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Large export\n<EOH>\n");
        const QDateTime start(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
        while (file.size() < 20 * 1024 * 1024) {
            const QDateTime on = start.addSecs(qint64(iRecords) * 60);
            file.write(record("K1ABC", "20m", "CW", on.toString(QStringLiteral("yyyyMMdd")).toLatin1().constData(),
                              on.toString(QStringLiteral("HHmm")).toLatin1().constData(), qbaNote.constData()));
            ++iRecords;
        }
    }
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    LogImport import(*pLog);
    QVERIFY(import.run(qsFile));
    QCOMPARE(import.result().imported, iRecords);
    QCOMPARE(pLog->qsoCount(), iRecords);
    QVERIFY2(import.reader().peakBufferedBytes() <= 2 * AdifReader::kChunkBytes,
             QByteArray::number(import.reader().peakBufferedBytes()));
}

void TestLog::watchedFileReadsAppendedRecords()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    const QString qsFile = writeFile(QStringLiteral("watched.adi"),
                                     "<EOH>\n" + record("K1ABC", "20m", "CW", "20240105", "1200") + "<CALL:6>JA1ABC");
    LogFeeds feeds(pLog.get());
    LogSettings settings;
    settings.watchedFile = qsFile;
    feeds.apply(settings);
    QTRY_COMPARE(pLog->qsoCount(), 1);

    // The record being written completes; the watcher picks it up.
    {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::Append));
        file.write("<BAND:3>40m<MODE:3>SSB<QSO_DATE:8>20240106<TIME_ON:4>0900<EOR>\n");
    }
    QTRY_COMPARE(pLog->qsoCount(), 2);
    QCOMPARE(pLog->needForSpot(kJapan, "7150.0", "SSB"), Need::Unconfirmed);

    // Rewritten shorter, with other content: read again from the start.
    writeFile(QStringLiteral("watched.adi"), record("DL1ABC", "20m", "CW", "20240107", "1200"));
    feeds.readWatchedFile();
    QTRY_COMPARE(pLog->qsoCount(), 3);
}

void TestLog::neededRuleKindsInTheChain()
{
    std::unique_ptr<LogStore> pLog = openLog();
    QVERIFY(pLog);
    pLog->storeAdif(record("K1ABC", "20m", "CW", "20240105", "1200") + record("DL1ABC", "20m", "CW", "20240105", "1300")
                    + record("DL1ABC", "40m", "CW", "20240105", "1400", "<QSL_RCVD:1>Y"));
    ProgramRuleContext context;
    context.setLogStore(pLog.get());
    FilterChains chains;
    chains.setDefaultFilter(Filter::Drop);
    auto pNeeded = std::make_unique<Filter>(Filter::NeededUnconfirmed | Filter::Accept);
    pNeeded->setContext(&context);
    chains.addFilter(std::move(pNeeded), -1);
    auto pAlert = std::make_unique<Filter>(Filter::NeededNewBand | Filter::Accept, AlertFlag::Color);
    pAlert->setAlertColor(Qt::red);
    pAlert->setContext(&context);
    chains.addAlert(std::move(pAlert), -1);

    auto spot = [](const QString &qsCountry, const char *pFrequency) {
        Spot result;
        result.setCountry(qsCountry);
        result.setFrequency(QString::fromLatin1(pFrequency));
        result.setComment(QStringLiteral("CW"));
        return result;
    };
    const struct
    {
        Spot spot;
        bool bAccepted;
        bool bAlerted;
    } cases[] = {
        {spot(kJapan, "14025.0"), true, true},                                   // new country
        {spot(kUsa, "7025.0"), true, true},                                      // new band
        {spot(kUsa, "14025.0"), true, false},                                    // unconfirmed
        {spot(QStringLiteral("Fed. Rep. of Germany"), "14025.0"), false, false}, // confirmed
        {spot(QString(), "14025.0"), false, false},                              // no country
    };
    for (auto entry : cases) {
        const ChainResult result = chains.evaluate(entry.spot);
        QCOMPARE(result.isAccepted(), entry.bAccepted);
        QCOMPARE(result.alerts().testFlag(AlertFlag::Color), entry.bAlerted);
    }
    // Unlinked, a needed rule matches nothing.
    Spot japan = spot(kJapan, "14025.0");
    QVERIFY(!Filter(Filter::NeededNewCountry | Filter::Accept).match(japan));
}

void TestLog::workedBeforePerCall()
{
    // From a file imported as the menu does it: the marks come from the
    // store's per-call index, also after a restart.
    const QString qsFile =
        writeFile(QStringLiteral("calls.adi"),
                  record("DL1ABC", "20m", "CW", "20240105", "1200") + record("DL1ABC", "40m", "SSB", "20240105", "1300")
                      + record("K1ABC", "20m", "FT8", "20240105", "1400")
                      + "<CALL:6>JA1XYZ<BAND:3>15m<QSO_DATE:8>20240105<TIME_ON:4>1500<EOR>\n");
    const QString qsLogFile = m_dir.filePath(QStringLiteral("calls.sqlite"));
    auto pLog = std::make_unique<LogStore>();
    pLog->setCountryLookup(&m_worked);
    QVERIFY(pLog->open(qsLogFile));
    QCOMPARE(pLog->workedBeforeSpot(QStringLiteral("DL1ABC"), "14025.0", "CW"), WorkedBefore::None);
    LogImport import(*pLog);
    QVERIFY(import.run(qsFile));
    QCOMPARE(import.result().imported, 4);

    const struct
    {
        const char *pCall;
        const char *pFrequency;
        const char *pComment;
        WorkedBefore expected;
    } cases[] = {
        {"DL1ABC", "14025.0", "CW", WorkedBefore::Dupe},
        {"DL1ABC", "14200.0", "SSB", WorkedBefore::OtherMode},
        {"DL1ABC", "7150.0", "", WorkedBefore::Dupe}, // phone by the band plan
        {"DL1ABC", "7025.0", "CW", WorkedBefore::OtherMode},
        {"DL1ABC", "21025.0", "CW", WorkedBefore::OtherBand},
        {"DL1ABC", "junk", "CW", WorkedBefore::OtherBand},
        {"K1ABC", "14074.0", "FT8", WorkedBefore::Dupe},
        {"K1ABC", "14074.0", "RTTY", WorkedBefore::Dupe}, // data either way
        {"K1ABC", "14250.0", "SSB", WorkedBefore::OtherMode},
        // A QSO without a mode is no dupe of a known one, but of a spot
        // whose mode nothing tells.
        {"JA1XYZ", "21025.0", "CW", WorkedBefore::OtherMode},
        {"JA1XYZ", "junk", "", WorkedBefore::OtherBand},
        {"DL1ABC/P", "14025.0", "CW", WorkedBefore::NotWorked},
        {"", "14025.0", "CW", WorkedBefore::None},
    };
    const auto check = [&cases](const LogStore &log) {
        for (const auto &entry : cases) {
            const WorkedBefore worked = log.workedBeforeSpot(
                QLatin1String(entry.pCall), QLatin1String(entry.pFrequency), QLatin1String(entry.pComment));
            if (worked != entry.expected)
                return QStringLiteral("%1 on %2 %3: %4")
                    .arg(QLatin1String(entry.pCall), QLatin1String(entry.pFrequency), QLatin1String(entry.pComment),
                         QString::number(int(worked)));
        }
        return QString();
    };
    QCOMPARE(check(*pLog), QString());
    QCOMPARE(pLog->workedBands(QStringLiteral("DL1ABC")), QStringList({"40m", "20m"}));

    // A QSO reported while the program runs counts at once.
    QVERIFY(pLog->storeQso(QStringLiteral("n0new"), QDateTime::currentDateTimeUtc(), 14025000, QStringLiteral("CW")));
    QCOMPARE(pLog->workedBeforeSpot(QStringLiteral("N0NEW"), "14030.0", "CW"), WorkedBefore::Dupe);
    QCOMPARE(pLog->workedBeforeSpot(QStringLiteral("N0NEW"), "7030.0", "CW"), WorkedBefore::OtherBand);

    // The rule kind: alerts on a call new to the band, whatever its mode.
    ProgramRuleContext context;
    context.setLogStore(pLog.get());
    FilterChains chains;
    chains.setDefaultFilter(Filter::Accept);
    auto pAlert = std::make_unique<Filter>(Filter::NotWorkedOnBand | Filter::Accept, AlertFlag::Color);
    pAlert->setAlertColor(Qt::yellow);
    pAlert->setContext(&context);
    chains.addAlert(std::move(pAlert), -1);
    const auto alerted = [&chains](const char *pCall, const char *pFrequency, const char *pComment) {
        Spot spot;
        spot.setDxCall(QLatin1String(pCall));
        spot.setFrequency(QLatin1String(pFrequency));
        spot.setComment(QLatin1String(pComment));
        return chains.evaluate(spot).alerts().testFlag(AlertFlag::Color);
    };
    QVERIFY(alerted("DL1ABC", "21025.0", "CW"));
    QVERIFY(alerted("Q9NEW", "14025.0", "CW"));
    QVERIFY(!alerted("DL1ABC", "14025.0", "CW"));
    QVERIFY(!alerted("DL1ABC", "14200.0", "SSB"));
    QVERIFY(!alerted("", "14025.0", "CW"));
    Spot spot;
    spot.setDxCall(QStringLiteral("Q9NEW"));
    spot.setFrequency(QStringLiteral("14025.0"));
    QVERIFY(!Filter(Filter::NotWorkedOnBand | Filter::Accept).match(spot));
    // Without a log, no call is "not worked": the rule stays quiet.
    std::unique_ptr<LogStore> pEmpty = openLog();
    context.setLogStore(pEmpty.get());
    QVERIFY(!alerted("Q9NEW", "14025.0", "CW"));

    // Read back from the file after a restart.
    pLog.reset();
    pLog = std::make_unique<LogStore>();
    QVERIFY(pLog->open(qsLogFile));
    QCOMPARE(check(*pLog), QString());
    QCOMPARE(pLog->workedBeforeSpot(QStringLiteral("N0NEW"), "14030.0", "CW"), WorkedBefore::Dupe);
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
