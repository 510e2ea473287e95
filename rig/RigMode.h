#ifndef KELVANE_RIGMODE_H
#define KELVANE_RIGMODE_H

#include <QString>

// The operating mode the rig is set to for a frequency: CW in the CW part
// of a band, phone elsewhere (LSB below 10 MHz, USB from 10 MHz up).
class RigMode
{
public:
    // Data: the upper sideband, in the rig's data mode where it has one.
    enum Mode { CW, LSB, USB, Data };

    static Mode forFrequency(double dKHz);
    // A spot of a data mode (named in its comment, or in a data segment of
    // the band plan) is Data on every band; other spots go by their
    // frequency.
    static Mode forSpot(double dKHz, const QString &qsComment);
    // Outside every band a frequency counts as phone.
    static bool isCW(double dKHz) { return forFrequency(dKHz) == CW; }
};

#endif // KELVANE_RIGMODE_H
