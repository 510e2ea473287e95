#ifndef BANDMAPLAYOUT_H
#define BANDMAPLAYOUT_H

#include <QList>
#include <QtGlobal>

#include <vector>

// Where the band map puts things, without drawing them: the visible
// frequency window of one band (zoom and scroll), frequency to pixel and
// back, labels stacked so that none overlaps another, and how much a label
// has faded with age. Frequencies grow downwards, as a list reads.
class BandMapLayout
{
public:
    struct Label
    {
        double kHz = 0.0;
        // The caller's key for the label, which comes back with its place.
        quint64 key = 0;
    };

    struct Placement
    {
        quint64 key = 0;
        int column = 0;
        double anchorY = 0.0; // the label's frequency on the scale
        double top = 0.0;     // the label's upper edge
        // Moved off its frequency to make room: drawn with a leader line.
        bool displaced = false;
    };

    // Never closer than this many kHz across the whole height: a few Hz
    // apart two spots would still be the same signal.
    static constexpr double kMinSpanKHz = 2.0;
    // A crowd that pushes labels further than this many label heights off
    // their frequencies is spread over one more column, while there is room.
    static constexpr double kMaxShiftLabels = 3.0;
    // Labels fade down to this opacity over the fade window.
    static constexpr double kMinAlpha = 0.3;

    // The band's edges; shows all of it.
    void setRange(double dLowKHz, double dHighKHz);
    // The pixels of the scale: from dTop, dHeight high.
    void setViewport(double dTop, double dHeight);

    double lowKHz() const { return m_lowKHz; }
    double highKHz() const { return m_highKHz; }
    double viewLowKHz() const { return m_viewLowKHz; }
    double viewHighKHz() const { return m_viewLowKHz + m_viewSpanKHz; }
    double viewSpanKHz() const { return m_viewSpanKHz; }

    double yFor(double dKHz) const;
    double kHzAt(double dY) const;
    bool isVisible(double dKHz) const { return dKHz >= viewLowKHz() && dKHz <= viewHighKHz(); }

    // Zooms by dFactor (above 1 zooms in) and keeps the frequency at dY
    // where it is; never further out than the whole band nor further in
    // than kMinSpanKHz.
    void zoomAt(double dFactor, double dY);
    // Moves the view by dPixels (positive: towards higher frequencies),
    // within the band.
    void scrollBy(double dPixels);
    // Moves the view so that the frequency shows, centred when it had to move.
    void ensureVisible(double dKHz);

    // Places one label of dLabelHeight pixels for each visible entry:
    // each as near its frequency as the others allow (the least squared
    // shift), in frequency order, within the viewport, in as many columns
    // (at most iMaxColumns) as the labels need to fit and to stay near
    // their frequencies, dealt out in turn in frequency order. The result is in frequency order, ties by key, so
    // the same input always gives the same picture. Labels that do not fit
    // even so are left out; *piHidden counts them.
    QList<Placement> place(QList<Label> labels, double dLabelHeight, int iMaxColumns, int *piHidden = nullptr) const;

    // The opacity of a label last spotted iAgeMs ago: full when fresh, down
    // to kMinAlpha at the end of the fade window.
    static double alphaForAge(qint64 iAgeMs, qint64 iFadeMs);

private:
    struct Columns
    {
        QList<Placement> placed; // by frequency rank
        std::vector<bool> fits;
        double largestShift = 0.0;
    };

    void clampView();
    // Places labels sorted by frequency in iColumns columns.
    Columns placeInColumns(const QList<Label> &labels, double dLabelHeight, int iColumns) const;

    double m_lowKHz = 0.0;
    double m_highKHz = 1.0;
    double m_viewLowKHz = 0.0;
    double m_viewSpanKHz = 1.0;
    double m_top = 0.0;
    double m_height = 1.0;
};

#endif // BANDMAPLAYOUT_H
