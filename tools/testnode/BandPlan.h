#pragma once

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QString;
QT_END_NAMESPACE

// The amateur bands as the test node knows them: edges for band-filtered
// queries, and the CW, phone and digital segments the generator draws from.
class BandPlan
{
public:
    struct Band
    {
        const char *name;      // band word as used in "SHOW/FDX n ON 40m"
        double low;            // kHz, both edges inclusive
        double high;
        double cwLow;
        double cwHigh;
        double phoneLow;       // phoneLow == phoneHigh: no phone segment
        double phoneHigh;
        double digital;        // FT8 dial frequency, 0 when none
        int weight;            // share of generated spots, in tenths of a percent
    };

    static int count();
    static const Band &at(int iIndex);
    static int totalWeight();   // of all bands
    // Band word lookup, letter case ignored; nullptr for an unknown word.
    static const Band *find(const QString &qsName);
    static bool contains(const Band &band, double dFrequency);
};
