#ifndef KELVANE_SPLITDETECTOR_H
#define KELVANE_SPLITDETECTOR_H

#include <QString>

// Reads from a spot's comment whether the DX station listens on another
// frequency ("up 2", "dn 3", "qsx 14030", a bare "up") and where.
class SplitDetector
{
public:
    // The transmit frequency text for a spot (frequency in kHz as the node
    // sends it, e.g. "14025.0"), or an empty text when there is no split.
    static QString transmitFrequency(const QString &qsComment, const QString &qsFrequency);

    // The transmit frequency text for TX in kHz: tenths of a kHz once its
    // point is removed, like the spot's frequency text ("14027.5"; 14027
    // gives "140270").
    static QString transmitText(double dKHz);
};

#endif // KELVANE_SPLITDETECTOR_H
