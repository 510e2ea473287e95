#ifndef KELVANE_RIGMODE_H
#define KELVANE_RIGMODE_H

// The operating mode the rig is set to for a frequency: CW in the CW part
// of a band, phone elsewhere (LSB below 10 MHz, USB from 10 MHz up).
class RigMode
{
public:
    enum Mode { CW, LSB, USB };

    static Mode forFrequency(double dKHz);
    // Outside every band a frequency counts as phone.
    static bool isCW(double dKHz) { return forFrequency(dKHz) == CW; }
};

#endif // KELVANE_RIGMODE_H
