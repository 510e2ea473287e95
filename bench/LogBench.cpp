#include "LogBench.h"

#include "BenchSupport.h"

#include "Worked/Worked.h"
#include "log/LogImport.h"
#include "log/LogStore.h"
#include "radio/BandPlan.h"
#include "testnode/SpotGenerator.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace Bench {

// A log as a logging program exports it: a header, then every field of a
// QSO on its own line with a few fields the import does not use.
bool writeAdif(const QString &qsFile, int iQsos)
{
    QFile file(qsFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    SpotGenerator generator(11);
    const char *const apModes[][2] = {{"CW", ""}, {"SSB", "USB"}, {"FT8", ""}, {"MFSK", "FT4"}, {"RTTY", ""}};
    const QDateTime start(QDate(2015, 1, 1), QTime(0, 0), Qt::UTC);
    QByteArray qbaOut = "Exported log\n<ADIF_VER:5>3.1.4\n<PROGRAMID:5>Bench\n<EOH>\n";
    auto field = [&qbaOut](const char *pName, const QByteArray &qbaValue) {
        qbaOut += '<' + QByteArray(pName) + ':' + QByteArray::number(qbaValue.size()) + '>' + qbaValue + '\n';
    };
    // The eleven bands from 160m up, as in the logs the figures were first
    // measured with.
    const int iFirstBand = int(BandPlan::find(QStringLiteral("160m")) - &BandPlan::at(0));
    for (int i = 0; i < iQsos; ++i) {
        const QDateTime on = start.addSecs(qint64(i) * 97);
        const BandPlan::Band &band = BandPlan::at(iFirstBand + i % 11);
        const auto &mode = apModes[i % 5];
        field("CALL", generator.nextCall().toLatin1());
        field("QSO_DATE", on.toString(QStringLiteral("yyyyMMdd")).toLatin1());
        field("TIME_ON", on.toString(QStringLiteral("HHmmss")).toLatin1());
        field("BAND", QByteArray(band.label));
        field("FREQ", QByteArray::number(band.low / 1000.0 + 0.01, 'f', 5));
        field("MODE", QByteArray(mode[0]));
        if (mode[1][0] != '\0')
            field("SUBMODE", QByteArray(mode[1]));
        field("RST_SENT", "599");
        field("RST_RCVD", "579");
        field("NAME", "Hans J\xc3\xbcrgen");
        if (i % 3 == 0)
            field("LOTW_QSL_RCVD", "Y");
        qbaOut += "<EOR>\n\n";
        if (qbaOut.size() > 1 << 20) {
            file.write(qbaOut);
            qbaOut.clear();
        }
    }
    return file.write(qbaOut) == qbaOut.size();
}

bool benchLog(CountryDatabase &countries, int iQsos, int iSpots)
{
    QTemporaryDir dir;
    const QString qsAdif = dir.filePath(QStringLiteral("log.adi"));
    if (!writeAdif(qsAdif, iQsos))
        return false;
    LogStore store;
    store.setCountryLookup(countries.worked());
    if (!store.open(dir.filePath(QStringLiteral("log.sqlite"))))
        return false;

    LogImport import(store);
    QElapsedTimer wall;
    CpuTimer cpu;
    wall.start();
    cpu.start();
    if (!import.run(qsAdif))
        return false;
    const double dSeconds = double(wall.nsecsElapsed()) / 1e9;
    report("log_import_seconds", dSeconds, "s");
    // The import runs on one thread, SQLite included; its CPU time is what
    // a loaded machine leaves undisturbed.
    report("log_import_cpu_seconds", cpu.seconds(), "s");
    report("log_import_qsos_per_second", import.result().imported / dSeconds, "QSOs/s");
    report("log_import_file_mib", double(QFile(qsAdif).size()) / (1024.0 * 1024.0), "MiB");

    // The spots a busy node brings, their countries looked up beforehand
    // as the receive path does.
    SpotGenerator generator(5);
    struct Sample
    {
        QString call;
        QString country;
        QString frequency;
        QString comment;
    };
    QList<Sample> samples;
    for (const TestSpot &spot : generator.generate(20000)) {
        samples.append({spot.dxCall, countries.worked()->countryForCall(spot.dxCall),
                        QString::number(spot.frequency, 'f', 1), spot.comment});
    }
    int iNeeded = 0;
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < iSpots; ++i) {
        const Sample &sample = samples.at(i % samples.size());
        iNeeded += store.needForSpot(sample.country, sample.frequency, sample.comment) != Need::Confirmed;
    }
    report("log_need_ns_per_spot", timer.seconds() * 1e9 / iSpots, "ns");
    report("log_need_share_needed_percent", 100.0 * iNeeded / iSpots, "%");

    // The Worked column and the "not worked on this band" rule ask the
    // per-call index once per spot shown or evaluated.
    int iWorked = 0;
    timer.start();
    for (int i = 0; i < iSpots; ++i) {
        const Sample &sample = samples.at(i % samples.size());
        iWorked += store.workedBeforeSpot(sample.call, sample.frequency, sample.comment) != WorkedBefore::NotWorked;
    }
    report("log_worked_ns_per_spot", timer.seconds() * 1e9 / iSpots, "ns");
    report("log_worked_share_in_log_percent", 100.0 * iWorked / iSpots, "%");
    return true;
}

} // namespace Bench
