#ifndef SPOTLINEFORMAT_H
#define SPOTLINEFORMAT_H

#include <QByteArray>
#include <QString>

class Spot;
struct CountryInfo;

// Spots written as nodes write them, for the clients of our own node. Both
// lines come back without their CR LF, as Latin-1 bytes a telnet client can
// take: control characters and the telnet escape byte never pass through.
class SpotLineFormat
{
public:
    static constexpr int kMaxDxDeLength = 80;

    // The classic fixed-column line: the spotter's colon, the frequency in
    // kHz with one decimal ending in column 23, the call from column 26, the
    // comment from column 39 (30 wide), the time in column 70 and the
    // spotter's locator after it when the spot has one. Never longer than
    // kMaxDxDeLength.
    static QByteArray dxDeLine(const Spot &spot);
    // The caret-separated CC11 line with the zones and prefixes of our own
    // country lookup; qsNode names the node the spot went out from.
    static QByteArray cc11Line(const Spot &spot, const CountryInfo &dx, const CountryInfo &spotter,
                               const QString &qsNode);

    // Text as it may go into a line: Latin-1, control characters, the
    // telnet escape byte and, with cSeparator, that separator made blanks.
    static QByteArray lineSafe(const QString &qsText, char cSeparator = 0);
};

#endif // SPOTLINEFORMAT_H
