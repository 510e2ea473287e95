#ifndef BANDPLAN_H
#define BANDPLAN_H

#include "radio/ModeClass.h"

#include <QtGlobal>

#include <array>

QT_BEGIN_NAMESPACE
class QString;
QT_END_NAMESPACE

// The amateur bands the program knows, in one table: the band filter bit,
// the label the buttons, rule dialogs and rule tables show (also the band
// word nodes take in "SHOW/FDX n ON <label>"), the range the band filter
// counts to the band, the band edges and the CW, digital and phone segments
// of the IARU band plans. Adding a band is adding a row.
//
// Bands the band filter has no bit for (bit 0) have band edges only: the
// stored band selections and the band buttons stay as they are, and the
// band filter lets their spots through like any outside the bands. The
// log still keeps QSOs on them.
class BandPlan
{
public:
    struct Segment
    {
        ModeClass mode;
        double low; // kHz, low edge included, high edge not
        double high;
    };

    static constexpr int kMaxSegments = 4;

    struct Band
    {
        quint32 bit;       // the Filter::BandFilter bit
        const char *label; // untranslated; see labelText()
        bool requested;    // asked for with "SHOW/FDX n ON <label>" after login
        double filterLow;  // kHz: the band filter counts [filterLow, filterHigh) to this band
        double filterHigh;
        double low; // kHz: the band edges, both included
        double high;
        std::array<Segment, kMaxSegments> segments; // ModeClass::Unknown ends the list
        double rigCwHigh;                           // kHz, included: the rig is tuned to CW from filterLow up to here
        const char *adifLabel = nullptr;            // the name ADIF files use, where it differs
    };

    static int count();
    static const Band &at(int iIndex);
    // Every band bit ORed together.
    static quint32 allBits();

    // The band the band filter counts the frequency to, nullptr outside all
    // of them. Lower bounds belong to their band.
    static const Band *bandFor(double dKHz);
    // The band of a logged QSO or a spot for the log: the band filter's
    // band, else a band without a filter bit whose edges hold the frequency.
    static const Band *logBandFor(double dKHz);
    // The band with this label or ADIF name, letter case ignored; nullptr
    // when none.
    static const Band *find(const QString &qsLabel);
    static const Band *findBit(quint32 uiBit);
    static bool contains(const Band &band, double dKHz);

    // The band-plan segment holding the frequency, nullptr between segments
    // and outside the bands.
    static const Segment *segmentFor(double dKHz);
    // The mode a spot on this frequency most likely uses, by its segment.
    static ModeClass modeFor(double dKHz);
    // The first segment of a band used by the mode, nullptr when none.
    static const Segment *firstSegment(const Band &band, ModeClass mode);

    // The label in the user's language.
    static QString labelText(const Band &band);
    // " ON <label>": what a band's earlier-spots request ends with.
    static QString requestSuffix(const Band &band);
};

#endif // BANDPLAN_H
