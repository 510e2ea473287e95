#include "ui/BandMapLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// Less than this off its frequency a label still reads as on it.
constexpr double kDisplacedPixels = 1.0;

// The label tops for one column of labels, given in frequency order: the
// least squared shift from each label's wish that keeps them dHeight apart,
// within [dLow, dHigh - count * dHeight]. Shifting each wish by its rank
// times dHeight turns "apart" into "not decreasing", which pooling adjacent
// violators solves exactly; clamping that solution keeps it the best one
// within the bounds.
std::vector<double> stack(const std::vector<double> &wishes, double dHeight, double dLow, double dHigh)
{
    struct Block
    {
        double sum;
        int count;
        double mean() const { return sum / count; }
    };
    std::vector<Block> blocks;
    for (size_t i = 0; i < wishes.size(); ++i) {
        blocks.push_back({wishes[i] - double(i) * dHeight, 1});
        while (blocks.size() > 1 && blocks[blocks.size() - 2].mean() > blocks.back().mean()) {
            const Block last = blocks.back();
            blocks.pop_back();
            blocks.back().sum += last.sum;
            blocks.back().count += last.count;
        }
    }
    const double dUpper = std::max(dLow, dHigh - double(wishes.size()) * dHeight);
    std::vector<double> tops;
    tops.reserve(wishes.size());
    for (const Block &block : blocks) {
        const double dTop = std::clamp(block.mean(), dLow, dUpper);
        for (int i = 0; i < block.count; ++i)
            tops.push_back(dTop + double(tops.size()) * dHeight);
    }
    return tops;
}
} // namespace

void BandMapLayout::setRange(double dLowKHz, double dHighKHz)
{
    m_lowKHz = dLowKHz;
    m_highKHz = std::max(dHighKHz, dLowKHz + kMinSpanKHz);
    m_viewLowKHz = m_lowKHz;
    m_viewSpanKHz = m_highKHz - m_lowKHz;
}

void BandMapLayout::setViewport(double dTop, double dHeight)
{
    m_top = dTop;
    m_height = std::max(1.0, dHeight);
}

double BandMapLayout::yFor(double dKHz) const
{
    return m_top + (dKHz - m_viewLowKHz) * m_height / m_viewSpanKHz;
}

double BandMapLayout::kHzAt(double dY) const
{
    return m_viewLowKHz + (dY - m_top) * m_viewSpanKHz / m_height;
}

void BandMapLayout::zoomAt(double dFactor, double dY)
{
    if (!(dFactor > 0.0) || !std::isfinite(dFactor))
        return;
    const double dKHz = kHzAt(dY);
    m_viewSpanKHz =
        std::clamp(m_viewSpanKHz / dFactor, std::min(kMinSpanKHz, m_highKHz - m_lowKHz), m_highKHz - m_lowKHz);
    m_viewLowKHz = dKHz - (dY - m_top) * m_viewSpanKHz / m_height;
    clampView();
}

void BandMapLayout::scrollBy(double dPixels)
{
    m_viewLowKHz += dPixels * m_viewSpanKHz / m_height;
    clampView();
}

void BandMapLayout::ensureVisible(double dKHz)
{
    if (isVisible(dKHz))
        return;
    m_viewLowKHz = dKHz - m_viewSpanKHz / 2.0;
    clampView();
}

void BandMapLayout::clampView()
{
    m_viewLowKHz = std::clamp(m_viewLowKHz, m_lowKHz, m_highKHz - m_viewSpanKHz);
}

QList<BandMapLayout::Placement> BandMapLayout::place(QList<Label> labels, double dLabelHeight, int iMaxColumns,
                                                     int *piHidden) const
{
    labels.removeIf([this](const Label &label) { return !isVisible(label.kHz); });
    std::sort(labels.begin(), labels.end(),
              [](const Label &a, const Label &b) { return a.kHz != b.kHz ? a.kHz < b.kHz : a.key < b.key; });
    // The fewest columns that hold every label, and more while a crowd
    // still pushes labels far from their frequencies.
    const qsizetype iPerColumn = std::max<qsizetype>(1, qsizetype(m_height / dLabelHeight));
    const int iMostColumns = std::max(1, iMaxColumns);
    int iColumns = int(std::clamp<qsizetype>((labels.size() + iPerColumn - 1) / iPerColumn, 1, iMostColumns));
    Columns columns = placeInColumns(labels, dLabelHeight, iColumns);
    while (iColumns < iMostColumns && columns.largestShift > kMaxShiftLabels * dLabelHeight)
        columns = placeInColumns(labels, dLabelHeight, ++iColumns);

    QList<Placement> shown;
    shown.reserve(labels.size());
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (columns.fits[size_t(i)])
            shown.append(columns.placed.at(i));
    }
    if (piHidden)
        *piHidden = int(labels.size() - shown.size());
    return shown;
}

BandMapLayout::Columns BandMapLayout::placeInColumns(const QList<Label> &labels, double dLabelHeight,
                                                     int iColumns) const
{
    // Filled by frequency rank, so that the result keeps the sorted order.
    Columns columns;
    columns.placed.resize(labels.size());
    columns.fits.assign(size_t(labels.size()), false);
    const double dBottom = m_top + m_height + 0.5;
    for (int iColumn = 0; iColumn < iColumns; ++iColumn) {
        std::vector<double> wishes;
        for (qsizetype i = iColumn; i < labels.size(); i += iColumns)
            wishes.push_back(yFor(labels.at(i).kHz) - dLabelHeight / 2.0);
        const std::vector<double> tops = stack(wishes, dLabelHeight, m_top, m_top + m_height);
        qsizetype iRank = iColumn;
        for (const double dTop : tops) {
            const Label &label = labels.at(iRank);
            const double dAnchor = yFor(label.kHz);
            const double dShift = std::abs(dTop + dLabelHeight / 2.0 - dAnchor);
            columns.placed[iRank] = {label.key, iColumn, dAnchor, dTop, dShift > kDisplacedPixels};
            columns.fits[size_t(iRank)] = dTop + dLabelHeight <= dBottom;
            columns.largestShift = std::max(columns.largestShift, dShift);
            iRank += iColumns;
        }
    }
    return columns;
}

double BandMapLayout::alphaForAge(qint64 iAgeMs, qint64 iFadeMs)
{
    if (iFadeMs <= 0)
        return 1.0;
    const double dShare = std::clamp(double(iAgeMs) / double(iFadeMs), 0.0, 1.0);
    return 1.0 - (1.0 - kMinAlpha) * dShare;
}
