// The receive path of a node connection fed arbitrary bytes in arbitrary
// chunks, with the country lookup and a chain of filters and alerts.
//
// Input: one flag byte, one byte giving the number of cuts, two bytes per
// cut, then the stream itself.
//
// Beyond "no crash, no leak, no undefined behaviour" it checks that
// every spot that comes out is complete, that no more spots come out than
// lines went in, and that cutting the stream where a network could cut it
// (anywhere, except inside a prompt, which nodes send whole) changes nothing.

#include "FuzzSupport.h"

#include "API/QsLog/QsLog.h"
#include "Worked/Worked.h"
#include "cluster/Cluster.h"
#include "filters/Filter.h"
#include "settings/ProgramRuleContext.h"

#include <QCoreApplication>
#include <QSqlDatabase>

#include <memory>

namespace {

enum Flags : uint8_t {
    CollectEarlierSpots = 1,
    TraceLogging = 2,
    DefaultDrop = 4,
    NarrowBands = 8,
};

Worked *g_worked = nullptr;
QSqlDatabase *g_db = nullptr;
ProgramRuleContext::CountrySet g_worked_set;
ProgramRuleContext::CountrySet g_new_set;
ProgramRuleContext g_context;

void openCountryDatabase()
{
    g_db = new QSqlDatabase(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz")));
    g_db->setDatabaseName(QStringLiteral(":memory:"));
    if (!g_db->open() || !Worked::ensureTables(*g_db, Worked::systemCountryFile()))
        FuzzSupport::fail("the country database cannot be built from the system country file");
    g_worked = new Worked;
    g_worked->attachDatabase(*g_db);
    const QStringList countries = Worked::countryNames(*g_db);
    for (qsizetype i = 0; i < countries.size(); ++i)
        (i % 3 ? g_new_set : g_worked_set).insert(countries.at(i), false);
    g_context.setCountrySets(&g_new_set, &g_worked_set);
}

std::unique_ptr<Cluster> makeCluster(uint8_t uiFlags)
{
    auto pCluster = std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), 9, QStringLiteral("Q1FUZ"),
                                              QStringLiteral("secret"), QString(), QString(), QString(), 1000);
    ClusterTimings timings;
    timings.earlierSpotsQuietMs = 0;
    pCluster->setTimings(timings);
    pCluster->setCountryLookup(g_worked);
    pCluster->setCountryDatabase(*g_db);
    if (uiFlags & NarrowBands)
        pCluster->addBand(Filter::Band20m | Filter::Band40m | Filter::Band6m);
    pCluster->setDefaultFilter(uiFlags & DefaultDrop ? Filter::Drop : Filter::Accept);
    const int iAction = uiFlags & DefaultDrop ? Filter::Accept : Filter::Drop;

    auto pCall = std::make_unique<Filter>(Filter::Call | iAction);
    pCall->setCallFilterValue(QStringLiteral("Q9XYZ"));
    pCluster->addFilter(std::move(pCall), -1);
    auto pCountry = std::make_unique<Filter>(Filter::Country | iAction);
    pCountry->setCountryFilterValue(QStringLiteral("Germany"));
    pCluster->addFilter(std::move(pCountry), -1);
    auto pWorked = std::make_unique<Filter>(Filter::WorkedCountries | iAction);
    pWorked->setContext(&g_context);
    pCluster->addFilter(std::move(pWorked), -1);
    pCluster->addFilter(std::make_unique<Filter>(0x7f), -1); // no valid kind: a catch-all

    auto pColour = std::make_unique<Filter>(Filter::NewCountries | Filter::Accept, AlertFlag::Color | AlertFlag::Icon);
    pColour->setContext(&g_context);
    pColour->setAlertColor(QColor(255, 0, 0));
    pColour->setIconFile(QStringLiteral("star.png"));
    pCluster->addAlert(std::move(pColour), -1);
    auto pSound = std::make_unique<Filter>(Filter::Band | Filter::Accept, AlertFlag::Sound | AlertFlag::Balloon);
    pSound->addBand(Filter::Band20m);
    pSound->setSoundFile(QStringLiteral("ding.wav"));
    pCluster->addAlert(std::move(pSound), -1);
    return pCluster;
}

struct Feed
{
    QStringList spots;
    int iCount = 0;
};

Feed feed(uint8_t uiFlags, const QList<QByteArray> &pieces)
{
    Feed result;
    auto pCluster = makeCluster(uiFlags);
    QObject::connect(pCluster.get(), &Cluster::newSpot, pCluster.get(), [&result](Spot &spot) {
        if (!spot.isComplete())
            FuzzSupport::fail("an incomplete spot was delivered", spot.dxCall().toLatin1());
        ++result.iCount;
        result.spots.append(spot.spotter() + QLatin1Char('|') + spot.frequency() + QLatin1Char('|') + spot.dxCall()
                            + QLatin1Char('|') + spot.time() + QLatin1Char('|') + spot.comment() + QLatin1Char('|')
                            + spot.country() + QLatin1Char('|') + QString::number(spot.alertFlags().toInt()));
    });
    if (uiFlags & CollectEarlierSpots)
        pCluster->onGetPreviousSpotsTimerExpired();
    for (const QByteArray &baPiece : pieces)
        pCluster->receiveChunk(baPiece);
    // The quiet time that ends a collection short of its hundred lines.
    if (uiFlags & CollectEarlierSpots)
        QCoreApplication::processEvents();
    return result;
}

bool startsLikeSpotLine(const QByteArray &baFragment)
{
    const QByteArray baLower = baFragment.toLower();
    for (const QByteArray &baTag : {QByteArray("dx de"), QByteArray("cc11")}) {
        if (baLower.startsWith(baTag) || baTag.startsWith(baLower))
            return true;
    }
    return false;
}

// A network cut: at a line end, or inside a spot line; a prompt line that
// is cut is answered piece by piece, which nodes never make us do.
bool isNetworkCut(const QByteArray &baStream, int iOffset)
{
    const int iLineStart = int(baStream.lastIndexOf('\n', iOffset - 1)) + 1;
    return iLineStart == iOffset || startsLikeSpotLine(baStream.mid(iLineStart, iOffset - iLineStart));
}

int longestLine(const QByteArray &baStream)
{
    int iLongest = 0;
    int iStart = 0;
    while (iStart <= baStream.size()) {
        int iEnd = int(baStream.indexOf('\n', iStart));
        if (iEnd < 0)
            iEnd = int(baStream.size());
        iLongest = qMax(iLongest, iEnd - iStart);
        iStart = iEnd + 1;
    }
    return iLongest;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    openCountryDatabase();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    FuzzSupport::Reader reader(pData, uiSize);
    const uint8_t uiFlags = reader.byte();
    const int iCuts = reader.byte() % 32;
    QList<int> liCuts;
    for (int i = 0; i < iCuts; ++i)
        liCuts.append(reader.word());
    const QByteArray baStream = reader.rest();

    QsLogging::Logger::get().setThreshold(uiFlags & TraceLogging ? QsLogging::LevelTrace : QsLogging::LevelOff);
    const QList<QByteArray> pieces = FuzzSupport::cut(baStream, liCuts);
    const Feed split = feed(uiFlags, pieces);
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);

    if (split.iCount > baStream.count('\n'))
        FuzzSupport::fail("more spots than lines", baStream);

    // Chunk ends decide when a collection of earlier spots is over, and a
    // line too long to be a spot is dropped only when it is cut; otherwise
    // the spots must not depend on where the stream was cut.
    if ((uiFlags & CollectEarlierSpots) || longestLine(baStream) > ClusterLimits::kMaxBrokenLineLength)
        return 0;
    QList<int> liNetworkCuts;
    qsizetype iOffset = 0;
    for (const QByteArray &baPiece : pieces) {
        iOffset += baPiece.size();
        if (iOffset < baStream.size() && isNetworkCut(baStream, int(iOffset)))
            liNetworkCuts.append(int(iOffset));
    }
    const Feed whole = feed(uiFlags, {baStream});
    const Feed networkSplit = feed(uiFlags, FuzzSupport::cut(baStream, liNetworkCuts));
    if (whole.spots != networkSplit.spots)
        FuzzSupport::fail("cutting the stream changed the spots",
                          whole.spots.join(QLatin1Char('\n')).toLatin1() + "\n--- cut:\n"
                              + networkSplit.spots.join(QLatin1Char('\n')).toLatin1());
    return 0;
}
