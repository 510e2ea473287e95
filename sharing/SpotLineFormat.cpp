#include "SpotLineFormat.h"

#include "Worked/CountryInfo.h"
#include "cluster/Spot.h"

namespace {

// Columns of a "DX de" line, counted from 0, as every client reads them.
constexpr int kFrequencyEnd = 24; // the frequency ends in column 23
constexpr int kDxCallWidth = 12;
constexpr int kCommentWidth = 30;
constexpr int kTimeWidth = 5;
// A call this long would push the time past the last column; no station has one.
constexpr int kMaxDxCallLength = kDxCallWidth + (SpotLineFormat::kMaxDxDeLength - 75);

void appendPadded(QByteArray &baLine, const QByteArray &baField, int iWidth)
{
    baLine += baField.left(iWidth);
    if (baField.size() < iWidth)
        baLine.append(iWidth - baField.size(), ' ');
}

QByteArray frequencyText(const Spot &spot, bool bOneDecimal)
{
    bool bOk = false;
    const double dKHz = spot.frequency().toDouble(&bOk);
    if (!bOk || dKHz <= 0.0 || dKHz > 1.0e9)
        return SpotLineFormat::lineSafe(spot.frequency(), '^');
    if (!bOneDecimal)
        return SpotLineFormat::lineSafe(spot.frequency(), '^');
    return QByteArray::number(dKHz, 'f', 1);
}

QByteArray spotterText(const Spot &spot)
{
    QByteArray baSpotter = SpotLineFormat::lineSafe(spot.spotter(), '^');
    baSpotter.replace(' ', QByteArray());
    // Skimmer spots keep their mark, so that the clients downstream can
    // tell them from spots of operators as we do.
    if (spot.isSkimmer())
        baSpotter += "-#";
    return baSpotter;
}

} // namespace

QByteArray SpotLineFormat::lineSafe(const QString &qsText, char cSeparator)
{
    QByteArray baText = qsText.toLatin1();
    for (char &c : baText) {
        const uchar uc = uchar(c);
        if (uc < 0x20 || uc == 0x7f || uc == 0xff || (cSeparator != 0 && c == cSeparator))
            c = ' ';
    }
    return baText;
}

QByteArray SpotLineFormat::dxDeLine(const Spot &spot)
{
    QByteArray baLine;
    baLine.reserve(kMaxDxDeLength);
    baLine += "DX de ";
    const QByteArray baFrequency = frequencyText(spot, true);
    // A spotter too long for its field is cut, as fixed-width nodes cut it,
    // so that the frequency still ends in its column.
    QByteArray baSpotter = spotterText(spot);
    const int iRoom = kFrequencyEnd - int(baLine.size()) - 1 - int(baFrequency.size());
    if (baSpotter.size() > iRoom)
        baSpotter.truncate(qMax(1, iRoom));
    baLine += baSpotter;
    baLine += ':';
    const int iPad = kFrequencyEnd - int(baLine.size()) - int(baFrequency.size());
    if (iPad > 0)
        baLine.append(iPad, ' ');
    baLine += baFrequency;
    baLine += "  ";
    QByteArray baCall = lineSafe(spot.dxCall());
    baCall.replace(' ', QByteArray());
    baCall.truncate(kMaxDxCallLength);
    // A longer call overflows its field and pushes the rest to the right,
    // which readers undo; the line then has no room for the locator.
    appendPadded(baLine, baCall, qMax(int(baCall.size()), kDxCallWidth));
    baLine += ' ';
    appendPadded(baLine, lineSafe(spot.comment()), kCommentWidth);
    baLine += ' ';
    appendPadded(baLine, lineSafe(spot.time()), kTimeWidth);
    const QByteArray baTrailer = lineSafe(spot.trailer()).trimmed();
    if (!baTrailer.isEmpty() && baLine.size() + 1 + baTrailer.size() <= kMaxDxDeLength) {
        baLine += ' ';
        baLine += baTrailer;
    }
    return baLine;
}

QByteArray SpotLineFormat::cc11Line(const Spot &spot, const CountryInfo &dx, const CountryInfo &spotter,
                                    const QString &qsNode)
{
    const auto zone = [](int iZone) { return iZone > 0 ? QByteArray::number(iZone) : QByteArray(); };
    QByteArray baLine;
    baLine.reserve(160);
    baLine += "CC11^";
    baLine += frequencyText(spot, false) + '^';
    baLine += lineSafe(spot.dxCall(), '^') + '^';
    baLine += lineSafe(spot.date(), '^') + '^';
    baLine += lineSafe(spot.time(), '^') + '^';
    // A caret in the comment is kept, as nodes keep it; readers fold the
    // surplus field back into the comment.
    baLine += lineSafe(spot.comment()) + '^';
    baLine += spotterText(spot) + '^';
    // We number no entities; the zones and prefixes are our lookup's.
    baLine += "^^";
    baLine += lineSafe(qsNode, '^') + '^';
    baLine += zone(dx.ituZone) + '^';
    baLine += zone(dx.cqZone) + '^';
    baLine += zone(spotter.ituZone) + '^';
    baLine += zone(spotter.cqZone) + '^';
    baLine += "^^";
    baLine += lineSafe(dx.primaryPrefix, '^') + '^';
    baLine += lineSafe(spotter.primaryPrefix, '^') + '^';
    baLine += '^';
    // The CR of a node's line end stays on its last field; it is no part of the locator.
    baLine += lineSafe(spot.trailer(), '^').trimmed();
    return baLine;
}
