#include "rig/RigMode.h"

#include "radio/BandPlan.h"
#include "radio/ModeClassifier.h"

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

RigMode::Mode RigMode::forSpot(double dKHz, const QString &qsComment)
{
    // Data programs expect USB dial frequencies below 10 MHz as well; LSB
    // there would mirror the signals out of their passband.
    if (ModeClassifier::forSpot(qsComment, dKHz) == ModeClass::Data)
        return Data;
    return forFrequency(dKHz);
}
