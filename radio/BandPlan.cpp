#include "BandPlan.h"

#include <QCoreApplication>
#include <QString>

#include <iterator>
#include <limits>

namespace {

using Mode = ModeClass;

constexpr double kOpenEnd = std::numeric_limits<double>::infinity();
constexpr double kAlwaysCw = std::numeric_limits<double>::infinity();
constexpr double kNeverCw = -std::numeric_limits<double>::infinity();

// The filter ranges run from a band's lower edge up to the next band's, so
// that a spot a little outside the edges still counts to the nearest band
// below; 2m and 70cm end at their edges, and 23cm takes everything above.
// Segments follow the IARU region 1 plans, with the wider region 2 phone
// edges where they differ; beacon slots belong to no segment.
//
// The rig's CW range follows where CW is worked rather than the segments: it
// reaches into the digital segment on 160m and 80m and up to the FM part on
// 2m, stops short of the segment's top on 4m, covers all of 30m and none of
// 60m, 70cm and 23cm, which are tuned to phone.
// One band a row reads best as a table.
// clang-format off
constexpr BandPlan::Band kBands[] = {
    // The LF and MF bands have no band filter bit (see the header); their
    // filter range is empty.
    {0, QT_TRANSLATE_NOOP("BandPlan", "2200m"), false, 0.0, 0.0, 135.7, 137.8,
     {{{Mode::Cw, 135.7, 137.6}, {Mode::Data, 137.6, 137.8}}}, kNeverCw, "2190m"},
    {0, QT_TRANSLATE_NOOP("BandPlan", "630m"), false, 0.0, 0.0, 472.0, 479.0,
     {{{Mode::Cw, 472.0, 475.0}, {Mode::Data, 475.0, 479.0}}}, kNeverCw},
    {1, QT_TRANSLATE_NOOP("BandPlan", "160m"), true, 1800.0, 3500.0, 1800.0, 2000.0,
     {{{Mode::Cw, 1810.0, 1838.0}, {Mode::Data, 1838.0, 1843.0}, {Mode::Phone, 1843.0, 2000.0}}}, 1840.0},
    {2, QT_TRANSLATE_NOOP("BandPlan", "80m"), true, 3500.0, 5000.0, 3500.0, 4000.0,
     {{{Mode::Cw, 3500.0, 3570.0}, {Mode::Data, 3570.0, 3600.0}, {Mode::Phone, 3600.0, 4000.0}}}, 3580.0},
    // Nodes are not asked for 60m, though it counts when the quantity per
    // band is shared out.
    {4, QT_TRANSLATE_NOOP("BandPlan", "60m"), false, 5000.0, 7000.0, 5250.0, 5450.0,
     {{{Mode::Cw, 5351.5, 5354.0}, {Mode::Phone, 5354.0, 5366.0}, {Mode::Data, 5366.0, 5366.5}}}, kNeverCw},
    {8, QT_TRANSLATE_NOOP("BandPlan", "40m"), true, 7000.0, 10000.0, 7000.0, 7300.0,
     {{{Mode::Cw, 7000.0, 7040.0}, {Mode::Data, 7040.0, 7060.0}, {Mode::Phone, 7060.0, 7300.0}}}, 7040.0},
    {16, QT_TRANSLATE_NOOP("BandPlan", "30m"), true, 10000.0, 14000.0, 10100.0, 10150.0,
     {{{Mode::Cw, 10100.0, 10130.0}, {Mode::Data, 10130.0, 10150.0}}}, kAlwaysCw},
    {32, QT_TRANSLATE_NOOP("BandPlan", "20m"), true, 14000.0, 18000.0, 14000.0, 14350.0,
     {{{Mode::Cw, 14000.0, 14070.0}, {Mode::Data, 14070.0, 14099.0}, {Mode::Phone, 14101.0, 14350.0}}}, 14070.0},
    {64, QT_TRANSLATE_NOOP("BandPlan", "17m"), true, 18000.0, 21000.0, 18068.0, 18168.0,
     {{{Mode::Cw, 18068.0, 18095.0}, {Mode::Data, 18095.0, 18109.0}, {Mode::Phone, 18111.0, 18168.0}}}, 18095.0},
    {128, QT_TRANSLATE_NOOP("BandPlan", "15m"), true, 21000.0, 24000.0, 21000.0, 21450.0,
     {{{Mode::Cw, 21000.0, 21070.0}, {Mode::Data, 21070.0, 21149.0}, {Mode::Phone, 21151.0, 21450.0}}}, 21070.0},
    {256, QT_TRANSLATE_NOOP("BandPlan", "12m"), true, 24000.0, 28000.0, 24890.0, 24990.0,
     {{{Mode::Cw, 24890.0, 24915.0}, {Mode::Data, 24915.0, 24929.0}, {Mode::Phone, 24931.0, 24990.0}}}, 24915.0},
    {512, QT_TRANSLATE_NOOP("BandPlan", "10m"), true, 28000.0, 50000.0, 28000.0, 29700.0,
     {{{Mode::Cw, 28000.0, 28070.0}, {Mode::Data, 28070.0, 28190.0}, {Mode::Phone, 28225.0, 29700.0}}}, 28070.0},
    {1024, QT_TRANSLATE_NOOP("BandPlan", "6m"), true, 50000.0, 70000.0, 50000.0, 54000.0,
     {{{Mode::Cw, 50000.0, 50100.0}, {Mode::Phone, 50100.0, 50300.0}, {Mode::Data, 50300.0, 50400.0},
       {Mode::Phone, 50500.0, 54000.0}}}, 50100.0},
    {2048, QT_TRANSLATE_NOOP("BandPlan", "4m"), true, 70000.0, 144000.0, 70000.0, 70500.0,
     {{{Mode::Cw, 70000.0, 70150.0}, {Mode::Phone, 70150.0, 70500.0}}}, 70100.0},
    {4096, QT_TRANSLATE_NOOP("BandPlan", "2m"), true, 144000.0, 150000.0, 144000.0, 148000.0,
     {{{Mode::Cw, 144000.0, 144110.0}, {Mode::Data, 144110.0, 144150.0}, {Mode::Phone, 144150.0, 144400.0},
       {Mode::Phone, 144500.0, 148000.0}}}, 144500.0},
    {8192, QT_TRANSLATE_NOOP("BandPlan", "70cm"), true, 430000.0, 440000.0, 430000.0, 440000.0,
     {{{Mode::Cw, 432000.0, 432100.0}, {Mode::Phone, 432100.0, 432400.0}, {Mode::Phone, 432500.0, 440000.0}}},
     kNeverCw},
    {16384, QT_TRANSLATE_NOOP("BandPlan", "23cm"), true, 1240000.0, kOpenEnd, 1240000.0, 1300000.0,
     {{{Mode::Cw, 1296000.0, 1296150.0}, {Mode::Phone, 1296150.0, 1296400.0}}}, kNeverCw},
};
// clang-format on

constexpr quint32 orOfBits()
{
    quint32 uiBits = 0;
    for (const BandPlan::Band &band : kBands)
        uiBits |= band.bit;
    return uiBits;
}

} // namespace

int BandPlan::count()
{
    return int(std::size(kBands));
}

const BandPlan::Band &BandPlan::at(int iIndex)
{
    return kBands[iIndex];
}

quint32 BandPlan::allBits()
{
    static constexpr quint32 kAllBits = orOfBits();
    return kAllBits;
}

const BandPlan::Band *BandPlan::bandFor(double dKHz)
{
    for (const Band &band : kBands) {
        if (dKHz >= band.filterLow && dKHz < band.filterHigh)
            return &band;
    }
    return nullptr;
}

const BandPlan::Band *BandPlan::logBandFor(double dKHz)
{
    if (const Band *pBand = bandFor(dKHz))
        return pBand;
    for (const Band &band : kBands) {
        if (band.bit == 0 && contains(band, dKHz))
            return &band;
    }
    return nullptr;
}

const BandPlan::Band *BandPlan::find(const QString &qsLabel)
{
    for (const Band &band : kBands) {
        if (qsLabel.compare(QLatin1String(band.label), Qt::CaseInsensitive) == 0
            || (band.adifLabel && qsLabel.compare(QLatin1String(band.adifLabel), Qt::CaseInsensitive) == 0))
            return &band;
    }
    return nullptr;
}

const BandPlan::Band *BandPlan::findBit(quint32 uiBit)
{
    for (const Band &band : kBands) {
        if (band.bit == uiBit)
            return &band;
    }
    return nullptr;
}

bool BandPlan::contains(const Band &band, double dKHz)
{
    return dKHz >= band.low && dKHz <= band.high;
}

const BandPlan::Segment *BandPlan::segmentFor(double dKHz)
{
    for (const Band &band : kBands) {
        if (!contains(band, dKHz))
            continue;
        for (const Segment &segment : band.segments) {
            if (segment.mode == Mode::Unknown)
                break;
            if (dKHz >= segment.low && dKHz < segment.high)
                return &segment;
        }
        return nullptr;
    }
    return nullptr;
}

ModeClass BandPlan::modeFor(double dKHz)
{
    const Segment *pSegment = segmentFor(dKHz);
    return pSegment ? pSegment->mode : Mode::Unknown;
}

const BandPlan::Segment *BandPlan::firstSegment(const Band &band, ModeClass mode)
{
    for (const Segment &segment : band.segments) {
        if (segment.mode == mode && mode != Mode::Unknown)
            return &segment;
    }
    return nullptr;
}

QString BandPlan::labelText(const Band &band)
{
    return QCoreApplication::translate("BandPlan", band.label);
}

QString BandPlan::requestSuffix(const Band &band)
{
    return QStringLiteral(" ON ") + QLatin1String(band.label);
}
