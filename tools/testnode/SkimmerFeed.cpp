#include "SkimmerFeed.h"

#include <QSet>

#include <cmath>
#include <iterator>

namespace {

// The skimmers of the network: the same set for every seed, so that two
// feeds (or a feed and its relay) report stations by the same skimmers.
constexpr quint32 kSkimmerSeed = 0x51c3u;
constexpr int kSkimmerCount = 48;
// Longer calls would not leave room for the frequency in the spotter field.
constexpr int kMaxSkimmerCallLength = 6;

struct Range
{
    double low;
    double high;
    int weight;
};

// Where skimmers hear CW and RTTY (kHz) and how busy each band is.
constexpr Range kCwRanges[] = {
    {1820.0, 1840.0, 3},   {3510.0, 3560.0, 6},    {7005.0, 7040.0, 14},  {10105.0, 10130.0, 6}, {14005.0, 14060.0, 20},
    {18070.0, 18095.0, 6}, {21005.0, 21070.0, 12}, {24892.0, 24915.0, 4}, {28005.0, 28070.0, 9},
};
constexpr Range kRttyRanges[] = {
    {3580.0, 3600.0, 2}, {7040.0, 7050.0, 3}, {14080.0, 14099.0, 5}, {21080.0, 21100.0, 3}, {28080.0, 28100.0, 2},
};
constexpr double kFt8Dials[] = {3573.0, 7074.0, 10136.0, 14074.0, 18100.0, 21074.0, 24915.0, 28074.0};
constexpr double kFt4Dials[] = {3575.0, 7047.5, 10140.0, 14080.0, 18104.0, 21140.0, 24919.0, 28180.0};
// The frequencies of the international beacon chain, each heard widely.
constexpr double kNcdxfFrequencies[] = {14100.0, 18110.0, 21150.0, 24930.0, 28200.0};

template <size_t N> const Range &pickRange(const Range (&ranges)[N], int iPick)
{
    for (const Range &range : ranges) {
        iPick -= range.weight;
        if (iPick < 0)
            return range;
    }
    return ranges[0];
}

template <size_t N> constexpr int totalWeight(const Range (&ranges)[N])
{
    int iTotal = 0;
    for (const Range &range : ranges)
        iTotal += range.weight;
    return iTotal;
}

double tenths(double dKHz)
{
    return std::round(dKHz * 10.0) / 10.0;
}

} // namespace

SkimmerFeed::SkimmerFeed(quint32 uiSeed) : m_random(uiSeed), m_calls(uiSeed)
{
    SpotGenerator skimmerCalls(kSkimmerSeed);
    QSet<QString> seen;
    while (m_skimmers.size() < kSkimmerCount) {
        const QString qsCall = skimmerCalls.nextCall();
        if (qsCall.size() <= kMaxSkimmerCallLength && !seen.contains(qsCall)) {
            seen.insert(qsCall);
            m_skimmers.append(qsCall + QStringLiteral("-#"));
        }
    }
}

void SkimmerFeed::reseed(quint32 uiSeed)
{
    m_random.seed(uiSeed);
    m_calls.reseed(uiSeed);
}

int SkimmerFeed::bounded(int iHighest)
{
    return iHighest > 0 ? int(m_random.bounded(quint32(iHighest))) : 0;
}

double SkimmerFeed::chance()
{
    return m_random.generateDouble();
}

QString SkimmerFeed::comment(const QString &qsMode, int iSnr, int iSpeed, const QString &qsKind)
{
    QString qsComment = qsMode.leftJustified(4) + QString::number(iSnr).rightJustified(4) + QStringLiteral(" dB  ");
    if (iSpeed > 0) {
        qsComment += QString::number(iSpeed).rightJustified(2)
            + (qsMode == QLatin1String("RTTY") ? QStringLiteral(" BPS") : QStringLiteral(" WPM"));
    } else {
        // Digital modes have no speed; the kind keeps its column.
        qsComment += QString(6, QLatin1Char(' '));
    }
    return qsComment + QStringLiteral("  ") + qsKind;
}

SkimmerFeed::Station SkimmerFeed::pickStation()
{
    Station station;
    station.call = m_calls.nextCall();
    station.kind = bounded(7) == 0 ? QStringLiteral("DX") : QStringLiteral("CQ");
    const double dRoll = chance();
    if (dRoll < 0.04) {
        station.mode = QStringLiteral("CW");
        station.kind = QStringLiteral("NCDXF B");
        station.frequency = kNcdxfFrequencies[bounded(int(std::size(kNcdxfFrequencies)))];
        station.speed = 22;
        station.snr = 10 + bounded(25);
    } else if (dRoll < 0.08) {
        station.mode = QStringLiteral("CW");
        station.kind = QStringLiteral("BEACON");
        station.frequency = 28201.0 + bounded(980) / 10.0;
        station.speed = 10 + bounded(9);
        station.snr = 3 + bounded(20);
    } else if (dRoll < 0.70) {
        static constexpr int kCwWeight = totalWeight(kCwRanges);
        const Range &range = pickRange(kCwRanges, bounded(kCwWeight));
        station.mode = QStringLiteral("CW");
        station.frequency = range.low + bounded(int((range.high - range.low) * 10.0)) / 10.0;
        station.speed = 14 + bounded(25);
        station.snr = 3 + bounded(38);
    } else if (dRoll < 0.78) {
        static constexpr int kRttyWeight = totalWeight(kRttyRanges);
        const Range &range = pickRange(kRttyRanges, bounded(kRttyWeight));
        station.mode = QStringLiteral("RTTY");
        station.frequency = range.low + bounded(int((range.high - range.low) * 10.0)) / 10.0;
        station.speed = bounded(5) == 0 ? 75 : 45;
        station.snr = 5 + bounded(26);
    } else {
        const bool bFt4 = dRoll >= 0.93;
        station.mode = bFt4 ? QStringLiteral("FT4") : QStringLiteral("FT8");
        // Reported at the dial frequency plus the audio offset of the signal.
        station.frequency =
            (bFt4 ? kFt4Dials[bounded(int(std::size(kFt4Dials)))] : kFt8Dials[bounded(int(std::size(kFt8Dials)))])
            + (2 + bounded(27)) / 10.0;
        station.snr = bounded(40) - 24;
    }
    station.frequency = tenths(station.frequency);
    return station;
}

QString SkimmerFeed::bust(const QString &qsCall)
{
    // One character of the suffix (the letters after the digit) wrong,
    // missing or extra: the mis-decodes skimmers make most.
    qsizetype iDigit = -1;
    for (qsizetype i = qsCall.size() - 1; i >= 0; --i) {
        if (qsCall.at(i).isDigit()) {
            iDigit = i;
            break;
        }
    }
    const qsizetype iFirst = iDigit + 1;
    const qsizetype iLetters = qsCall.size() - iFirst;
    QString qsBusted = qsCall;
    const int iKind = iLetters >= 2 ? bounded(3) : bounded(2);
    const qsizetype iAt = iFirst + (iLetters > 0 ? bounded(int(iLetters)) : 0);
    const QChar chLetter(u'A' + bounded(26));
    if (iKind == 0 && iLetters > 0) {
        // Another letter than the one there.
        const QChar chOld = qsCall.at(iAt);
        qsBusted[iAt] = chLetter == chOld ? QChar(u'A' + (chOld.unicode() - u'A' + 1) % 26) : chLetter;
    } else if (iKind == 2) {
        qsBusted.remove(iAt, 1);
    } else {
        qsBusted.insert(iFirst + bounded(int(iLetters) + 1), chLetter);
    }
    return qsBusted;
}

TestSpot SkimmerFeed::report(const Station &station, const QString &qsSkimmer, double dFrequency, int iSnr, int iSpeed,
                             const QDateTime &dtTime) const
{
    TestSpot spot(tenths(dFrequency), station.call, qsSkimmer, comment(station.mode, iSnr, iSpeed, station.kind),
                  dtTime);
    spot.skimmerLayout = true;
    return spot;
}

QList<TestSpot> SkimmerFeed::nextStation(const QDateTime &dtTime)
{
    const Station station = pickStation();
    int iReports = 0;
    const double dRoll = chance();
    if (station.kind == QLatin1String("NCDXF B"))
        iReports = 4 + bounded(5);
    else if (dRoll < 0.2)
        iReports = 1;
    else if (dRoll < 0.4)
        iReports = 2;
    else
        iReports = 3 + bounded(6);

    // Each skimmer at most once per station: pick from a shuffled list.
    QStringList lSkimmers = m_skimmers;
    for (qsizetype i = lSkimmers.size() - 1; i > 0; --i)
        lSkimmers.swapItemsAt(i, bounded(int(i) + 1));

    const bool bDigital = station.speed == 0;
    const auto snrNear = [this, bDigital](int iSnr) {
        return qMax(bDigital ? -26 : 1, iSnr + bounded(13) - 6);
    };
    QList<TestSpot> lReports;
    lReports.reserve(iReports + 1);
    for (int i = 0; i < iReports; ++i) {
        // Skimmers read the same signal up to 0.1 kHz either side, and a
        // CW speed a word or so apart.
        const double dFrequency = station.frequency + (bounded(3) - 1) * 0.1;
        const int iSpeed = station.mode == QLatin1String("CW") && station.kind != QLatin1String("NCDXF B")
            ? qMax(5, station.speed + bounded(3) - 1)
            : station.speed;
        lReports.append(report(station, lSkimmers.at(i), dFrequency, snrNear(station.snr), iSpeed, dtTime));
    }
    if (iReports >= 3 && m_bustedShare > 0.0 && chance() < m_bustedShare) {
        Station busted = station;
        busted.call = bust(station.call);
        // A weak copy by one skimmer that did not hear the station right.
        lReports.append(report(busted, lSkimmers.at(iReports), station.frequency + (bounded(3) - 1) * 0.1,
                               snrNear(station.snr - 10), station.speed, dtTime));
    }
    return lReports;
}

QList<TestSpot> SkimmerFeed::generate(int iCount, const QDateTime &dtTime)
{
    QList<TestSpot> lSpots;
    lSpots.reserve(qMax(0, iCount) + 16);
    while (lSpots.size() < iCount)
        lSpots += nextStation(dtTime);
    return lSpots;
}
