#include "FilterBench.h"

#include "BenchSupport.h"

#include "Worked/Worked.h"
#include "cluster/SpotParser.h"
#include "filters/FilterChains.h"
#include "testnode/SpotGenerator.h"

#include <QDate>

namespace Bench {

namespace {

QList<QString> spotLines(int iCount)
{
    SpotGenerator generator(3);
    QList<QString> lines;
    for (const TestSpot &spot : generator.generate(iCount / 2)) {
        lines.append(QString::fromLatin1(spot.dxDeLine(true)));
        lines.append(QString::fromLatin1(spot.cc11Line("Q1NODE-1")));
    }
    return lines;
}

Spot parse(const QString &qsLine, const QString &qsDate)
{
    return qsLine.startsWith(QLatin1String("CC11")) ? SpotParser::parseCc11Line(qsLine)
                                                    : SpotParser::parseDxDeLine(qsLine, qsDate);
}

} // namespace

void benchFilterSpot(CountryDatabase &countries, int iCount)
{
    const QString qsDate = SpotParser::dxDeDate(QDate::currentDate());
    QList<Spot> spots;
    for (const QString &qsLine : spotLines(10000)) {
        Spot spot = parse(qsLine, qsDate);
        spot.setCountry(countries.worked()->countryForCall(spot.dxCall()));
        spots.append(spot);
    }

    FilterChains chains;
    Chain chain(countries);
    chain.applyTo(chains);

    quint32 uiChecksum = 0;
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < iCount; ++i) {
        // A fresh copy each time, as the receive path has: alerts write into it.
        Spot spot = spots.at(i % spots.size());
        uiChecksum += chains.evaluate(spot).actionBits();
    }
    report("filter_spot_ns_per_spot", timer.seconds() * 1e9 / iCount, "ns");
    if (uiChecksum == 0)
        report("checksum", 0, "");
}

void benchParser(int iCount)
{
    const QList<QString> lines = spotLines(20000);
    const QString qsDate = SpotParser::dxDeDate(QDate::currentDate());
    qsizetype iChecksum = 0;
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < iCount; ++i)
        iChecksum += parse(lines.at(i % lines.size()), qsDate).dxCall().size();
    report("parse_spots_per_second", iCount / (timer.seconds()), "spots/s");
    if (iChecksum == 0)
        report("checksum", 0, "");
}

} // namespace Bench
