#include "rig/RigMode.h"

#include "radio/ModeClassifier.h"

#include <limits>

namespace {

constexpr double kAlwaysCW = std::numeric_limits<double>::infinity();
constexpr double kAlwaysPhone = -std::numeric_limits<double>::infinity();
constexpr double kPhoneUsbFromKHz = 10000.0;

struct BandRange
{
    double dFromKHz; // included
    double dToKHz;   // excluded
    double dCWUpToKHz;
};

// The same ranges as the band filter's bands.
constexpr BandRange kBands[] = {
    {1800, 3500, 1840},       {3500, 5000, 3580},       {5000, 7000, kAlwaysPhone},
    {7000, 10000, 7040},      {10000, 14000, kAlwaysCW}, {14000, 18000, 14070},
    {18000, 21000, 18095},    {21000, 24000, 21070},    {24000, 28000, 24915},
    {28000, 50000, 28070},    {50000, 70000, 50100},    {70000, 144000, 70100},
    {144000, 150000, 144500}, {430000, 440000, kAlwaysPhone},
    {1240000, std::numeric_limits<double>::infinity(), kAlwaysPhone},
};

} // namespace

RigMode::Mode RigMode::forFrequency(double dKHz)
{
    for (const BandRange &band : kBands) {
        if (dKHz >= band.dFromKHz && dKHz < band.dToKHz && dKHz <= band.dCWUpToKHz)
            return CW;
    }
    return dKHz < kPhoneUsbFromKHz ? LSB : USB;
}

RigMode::Mode RigMode::forSpot(double dKHz, const QString &qsComment)
{
    // Data programs expect USB dial frequencies below 10 MHz as well; LSB
    // there would mirror the signals out of their passband.
    if (ModeClassifier::forSpot(qsComment, dKHz) == ModeClass::Data)
        return Data;
    return forFrequency(dKHz);
}
