#include "SpotGenerator.h"

#include "CountryTable.h"

#include "radio/BandPlan.h"

#include <QStringList>

#include <cmath>
#include <iterator>

namespace {

constexpr double kPortableShare = 0.08;
constexpr double kLongCallShare = 0.01;
constexpr double kSkimmerShare = 0.25;
constexpr double kLongSpotterShare = 0.005;
constexpr double kSpotterLocatorShare = 0.3;

constexpr const char *kCwComments[] = {"CW 599",         "CW 5NN", "599 TU", "TNX QSO", "UP 2",  "up 1.5",
                                       "UP 1",           "CQ CQ",  "",       "",        "QRZ?",  "loud",
                                       "TNX FER QSO 73", "CW",     "up 5",   "NA only", "EU pse"};
constexpr const char *kPhoneComments[] = {
    "SSB 59",     "up 5",         "UP 10", "TNX QSO", "CQ CQ", "",       "59 in EU",
    "big signal", "listening up", "USB",   "LSB",     "QRV",   "TNX 73", ""};

// Per band of the band plan, in its order: the share of generated spots in
// tenths of a percent, and the FT8 dial frequency (0: no digital spots).
struct BandShare
{
    int weight;
    double digital;
};

// The LF and MF bands get no spots: the generated stream stays as it was
// before they were in the plan.
constexpr BandShare kBandShares[] = {
    {0, 0.0},      {0, 0.0},       {30, 1840.0},   {60, 3573.0},   {10, 5357.0},   {130, 7074.0},
    {60, 10136.0}, {200, 14074.0}, {70, 18100.0},  {110, 21074.0}, {50, 24915.0},  {90, 28074.0},
    {60, 50313.0}, {10, 70154.0},  {40, 144174.0}, {20, 432174.0}, {8, 1296174.0},
};

// Now and then a spot on 3 cm, beyond every band the client knows, whose
// frequency is too wide for the frequency column.
constexpr int kWideShare = 2;
constexpr double kWideLow = 10368000.0;

constexpr int sumOfWeights()
{
    int iTotal = kWideShare;
    for (const BandShare &share : kBandShares)
        iTotal += share.weight;
    return iTotal;
}

} // namespace

SpotGenerator::SpotGenerator(quint32 uiSeed) : m_random(uiSeed)
{
}

void SpotGenerator::reseed(quint32 uiSeed)
{
    m_random.seed(uiSeed);
    // The stations to respot came from the old sequence; keeping them would
    // make the new one depend on what was generated before.
    m_recent.clear();
}

void SpotGenerator::setFixedTime(const QDateTime &dtTime)
{
    m_fixedTime = dtTime.isValid() ? dtTime.toUTC() : QDateTime();
}

int SpotGenerator::bounded(int iHighest)
{
    return iHighest > 0 ? int(m_random.bounded(quint32(iHighest))) : 0;
}

double SpotGenerator::chance()
{
    return m_random.generateDouble();
}

const CountryTable::Country &SpotGenerator::pickCountry()
{
    const CountryTable &table = CountryTable::instance();
    int iPick = bounded(table.totalWeight());
    for (int i = 0; i < table.count(); ++i) {
        iPick -= table.at(i).weight;
        if (iPick < 0)
            return table.at(i);
    }
    return table.at(0);
}

QString SpotGenerator::letters(int iCount)
{
    QString qsLetters;
    qsLetters.reserve(iCount);
    for (int i = 0; i < iCount; ++i)
        qsLetters += QChar(u'A' + bounded(26));
    return qsLetters;
}

QString SpotGenerator::homeCall(const CountryTable::Country &country, int iSuffixMin, int iSuffixMax)
{
    QString qsCall = country.prefixes.at(bounded(int(country.prefixes.size())));
    if (!country.digits.isEmpty())
        qsCall += country.digits.at(bounded(int(country.digits.size())));
    qsCall += letters(iSuffixMin + bounded(iSuffixMax - iSuffixMin + 1));
    return qsCall;
}

QString SpotGenerator::nextCall()
{
    const CountryTable::Country &country = pickCountry();
    return homeCall(country, country.suffixMin, country.suffixMax);
}

QString SpotGenerator::nextDxCall()
{
    const double dRoll = chance();
    if (dRoll < kLongCallShare) {
        // Expedition-style calls longer than the call column.
        const CountryTable::Country &where = pickCountry();
        const CountryTable::Country &home = pickCountry();
        QString qsPrefix = where.prefixes.first();
        if (!where.digits.isEmpty())
            qsPrefix += where.digits.at(bounded(int(where.digits.size())));
        return qsPrefix + u'/' + homeCall(home, 5, 8) + QStringLiteral("/P");
    }
    const QString qsCall = nextCall();
    if (dRoll >= kLongCallShare + kPortableShare)
        return qsCall;
    switch (bounded(6)) {
    case 0: {
        const CountryTable::Country &where = pickCountry();
        QString qsPrefix = where.prefixes.at(bounded(int(where.prefixes.size())));
        if (!where.digits.isEmpty() && bounded(2) == 0)
            qsPrefix += where.digits.at(bounded(int(where.digits.size())));
        return qsPrefix + u'/' + qsCall;
    }
    case 1:
        return qsCall + QStringLiteral("/QRP");
    case 2:
        return qsCall + QStringLiteral("/M");
    case 3:
        return qsCall + u'/' + QChar(u'0' + bounded(10));
    default:
        return qsCall + QStringLiteral("/P");
    }
}

QString SpotGenerator::nextSpotter()
{
    m_lastSpotterSkimmer = false;
    const double dRoll = chance();
    if (dRoll < kLongSpotterShare) {
        const CountryTable::Country &country = pickCountry();
        return homeCall(country, 5, 6);
    }
    const QString qsCall = nextCall();
    if (dRoll < kLongSpotterShare + kSkimmerShare) {
        m_lastSpotterSkimmer = true;
        return qsCall + QStringLiteral("-#");
    }
    if (dRoll < kLongSpotterShare + kSkimmerShare + 0.03)
        return qsCall + u'-' + QChar(u'1' + bounded(9));
    return qsCall;
}

QString SpotGenerator::locator(const CountryTable::Country &country)
{
    if (country.grids.isEmpty())
        return QString();
    return country.grids.at(bounded(int(country.grids.size()))) + QChar(u'0' + bounded(10)) + QChar(u'0' + bounded(10));
}

double SpotGenerator::pickFrequency(Mode *peMode)
{
    Q_ASSERT(int(std::size(kBandShares)) == BandPlan::count());
    static constexpr int kTotalWeight = sumOfWeights();
    int iPick = bounded(kTotalWeight);
    int iBand = 0;
    for (; iBand < BandPlan::count(); ++iBand) {
        iPick -= kBandShares[iBand].weight;
        if (iPick < 0)
            break;
    }
    if (iBand == BandPlan::count()) {
        *peMode = Mode::Cw;
        return kWideLow + bounded(1501) / 10.0;
    }
    const BandPlan::Band &band = BandPlan::at(iBand);
    const BandShare &share = kBandShares[iBand];

    const double dRoll = chance();
    const BandPlan::Segment *pPhone = BandPlan::firstSegment(band, ModeClass::Phone);
    if (dRoll < 0.15 && share.digital > 0.0) {
        *peMode = Mode::Digital;
        // Digital spots sit on the dial frequency or a few hundred Hz to 3 kHz above it.
        return share.digital + (bounded(3) == 0 ? 0.0 : bounded(30) / 10.0);
    }
    if (dRoll < 0.45 && pPhone) {
        *peMode = Mode::Phone;
        const int iSteps = int((pPhone->high - pPhone->low) * 2.0);
        return pPhone->low + bounded(iSteps) / 2.0;
    }
    *peMode = Mode::Cw;
    const BandPlan::Segment *pCw = BandPlan::firstSegment(band, ModeClass::Cw);
    Q_ASSERT(pCw);
    const int iTenths = int(std::lround((pCw->high - pCw->low) * 10.0));
    return pCw->low + bounded(iTenths) / 10.0;
}

QString SpotGenerator::pickComment(Mode eMode, double dFrequency, bool bSkimmer)
{
    if (eMode == Mode::Digital) {
        const int iSnr = bounded(35) - 24;
        const QString qsMode = bounded(4) == 0 ? QStringLiteral("FT4") : QStringLiteral("FT8");
        return QStringLiteral("%1 %2%3dB").arg(qsMode, iSnr > 0 ? QStringLiteral("+") : QString()).arg(iSnr);
    }
    if (eMode == Mode::Cw && bSkimmer) {
        return QStringLiteral("CW %1 dB %2 WPM %3")
            .arg(3 + bounded(35))
            .arg(16 + bounded(25))
            .arg(bounded(3) == 0 ? QStringLiteral("DX") : QStringLiteral("CQ"));
    }
    // A listening frequency a few kHz up is one of the commonest comments.
    if (bounded(10) == 0)
        return QStringLiteral("QSX %1").arg(qint64(std::floor(dFrequency)) + 1 + bounded(10));
    if (eMode == Mode::Cw)
        return QString::fromLatin1(kCwComments[bounded(int(std::size(kCwComments)))]);
    return QString::fromLatin1(kPhoneComments[bounded(int(std::size(kPhoneComments)))]);
}

TestSpot SpotGenerator::next()
{
    constexpr int kRecentStations = 40;
    if (m_respotShare > 0.0 && !m_recent.isEmpty() && chance() < m_respotShare) {
        TestSpot spot = m_recent.at(bounded(int(m_recent.size())));
        spot.frequency += (bounded(5) - 2) * 0.1;
        spot.spotter = nextSpotter();
        spot.spotterLocator.clear();
        spot.time = m_fixedTime.isValid() ? m_fixedTime : QDateTime::currentDateTimeUtc();
        return spot;
    }
    TestSpot spot;
    Mode eMode = Mode::Cw;
    spot.frequency = pickFrequency(&eMode);
    spot.dxCall = nextDxCall();
    spot.spotter = nextSpotter();
    spot.comment = pickComment(eMode, spot.frequency, m_lastSpotterSkimmer);
    const CountryTable &table = CountryTable::instance();
    if (const CountryTable::Country *pCountry = table.lookup(spot.dxCall))
        spot.dxLocator = locator(*pCountry);
    if (chance() < kSpotterLocatorShare) {
        if (const CountryTable::Country *pCountry = table.lookup(spot.spotter))
            spot.spotterLocator = locator(*pCountry);
    }
    spot.time = m_fixedTime.isValid() ? m_fixedTime : QDateTime::currentDateTimeUtc();
    if (m_respotShare > 0.0) {
        if (m_recent.size() >= kRecentStations)
            m_recent.removeFirst();
        m_recent.append(spot);
    }
    return spot;
}

QList<TestSpot> SpotGenerator::generate(int iCount)
{
    QList<TestSpot> lSpots;
    lSpots.reserve(qMax(0, iCount));
    for (int i = 0; i < iCount; ++i)
        lSpots.append(next());
    return lSpots;
}

QList<TestSpot> SpotGenerator::generateHistory(int iCount, int iSpacingSecs)
{
    const QDateTime dtEnd = m_fixedTime.isValid() ? m_fixedTime : QDateTime::currentDateTimeUtc();
    QList<TestSpot> lSpots = generate(iCount);
    for (int i = 0; i < lSpots.size(); ++i)
        lSpots[i].time = dtEnd.addSecs(-qint64(iSpacingSecs) * (lSpots.size() - 1 - i));
    return lSpots;
}
