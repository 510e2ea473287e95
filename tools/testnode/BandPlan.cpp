#include "BandPlan.h"

#include <QString>

#include <iterator>

namespace {

// Ordinary band edges in kHz. The 3 cm entry is not one of the band words
// clients ask for; it is there so that generated spots now and then carry a
// frequency too wide for the frequency column.
constexpr BandPlan::Band kBands[] = {
    {"160m", 1800.0, 2000.0, 1810.0, 1838.0, 1843.0, 1999.0, 1840.0, 30},
    {"80m", 3500.0, 4000.0, 3500.0, 3570.0, 3600.0, 3800.0, 3573.0, 60},
    {"60m", 5250.0, 5450.0, 5351.5, 5354.0, 5354.0, 5366.0, 5357.0, 10},
    {"40m", 7000.0, 7300.0, 7000.0, 7040.0, 7060.0, 7200.0, 7074.0, 130},
    {"30m", 10100.0, 10150.0, 10100.0, 10130.0, 10130.0, 10130.0, 10136.0, 60},
    {"20m", 14000.0, 14350.0, 14000.0, 14070.0, 14150.0, 14350.0, 14074.0, 200},
    {"17m", 18068.0, 18168.0, 18068.0, 18095.0, 18110.0, 18168.0, 18100.0, 70},
    {"15m", 21000.0, 21450.0, 21000.0, 21070.0, 21150.0, 21450.0, 21074.0, 110},
    {"12m", 24890.0, 24990.0, 24890.0, 24915.0, 24930.0, 24990.0, 24915.0, 50},
    {"10m", 28000.0, 29700.0, 28000.0, 28070.0, 28300.0, 29000.0, 28074.0, 90},
    {"6m", 50000.0, 54000.0, 50000.0, 50100.0, 50100.0, 50500.0, 50313.0, 60},
    {"4m", 70000.0, 70500.0, 70000.0, 70100.0, 70150.0, 70250.0, 70154.0, 10},
    {"2m", 144000.0, 148000.0, 144000.0, 144150.0, 144150.0, 144400.0, 144174.0, 40},
    {"70cm", 430000.0, 440000.0, 432000.0, 432100.0, 432100.0, 432400.0, 432174.0, 20},
    {"23cm", 1240000.0, 1300000.0, 1296000.0, 1296150.0, 1296150.0, 1296400.0, 1296174.0, 8},
    {"3cm", 10000000.0, 10500000.0, 10368000.0, 10368150.0, 10368150.0, 10368300.0, 0.0, 2},
};

constexpr int sumOfWeights()
{
    int iTotal = 0;
    for (const BandPlan::Band &band : kBands)
        iTotal += band.weight;
    return iTotal;
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

int BandPlan::totalWeight()
{
    static constexpr int kTotalWeight = sumOfWeights();
    return kTotalWeight;
}

const BandPlan::Band *BandPlan::find(const QString &qsName)
{
    for (const Band &band : kBands) {
        if (qsName.compare(QLatin1String(band.name), Qt::CaseInsensitive) == 0)
            return &band;
    }
    return nullptr;
}

bool BandPlan::contains(const Band &band, double dFrequency)
{
    return dFrequency >= band.low && dFrequency <= band.high;
}
