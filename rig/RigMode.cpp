#include "rig/RigMode.h"

#include "radio/BandPlan.h"

namespace {

constexpr double kPhoneUsbFromKHz = 10000.0;

} // namespace

RigMode::Mode RigMode::forFrequency(double dKHz)
{
    // The band filter's ranges, so that a frequency a little outside a band
    // is tuned as the band below it.
    const BandPlan::Band *pBand = BandPlan::bandFor(dKHz);
    if (pBand && dKHz <= pBand->rigCwHigh)
        return CW;
    return dKHz < kPhoneUsbFromKHz ? LSB : USB;
}
