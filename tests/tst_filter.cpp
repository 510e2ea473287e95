#include "TestSupport.h"

#include "cluster/Spot.h"
#include "filters/Filter.h"
#include "filters/FilterChains.h"
#include "radio/BandPlan.h"
#include "settings/FilterStore.h"
#include "settings/ProgramRuleContext.h"
#include "update/DXpeditions.h"

#include <QSignalSpy>
#include <QTest>

using TestSupport::LogCapture;

namespace {

Spot makeSpot(const QString &qsCall, const QString &qsFrequency, const QString &qsCountry = QString())
{
    Spot spot;
    spot.setDxCall(qsCall);
    spot.setFrequency(qsFrequency);
    spot.setCountry(qsCountry);
    spot.setSpotter(QStringLiteral("Q1AA"));
    spot.setTime(QStringLiteral("1200Z"));
    return spot;
}

std::unique_ptr<Filter> makeBandRule(int iBands)
{
    auto pRule = std::make_unique<Filter>(Filter::Band | Filter::Accept);
    pRule->addBand(iBands);
    return pRule;
}

} // namespace

// The rule record on its own, then the three stages of the chains as the
// receive path runs them.
class TestFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void bandBoundaries_data();
    void bandBoundaries();
    void bandPlan_data();
    void bandPlan();
    void storedBandBitsStay();
    void bandRuleAllAndNone();
    void ruleKinds();
    void skimmerRuleKinds();
    void skimmerRulesInTheStore();
    void alertOutputs();
    void chainDefaultAccept();
    void chainDefaultDrop();
    void bandStageDropsBeforeTheChain();
    void laterAlertsOverwriteEarlierOnes();
    void listOperations();
};

void TestFilter::initTestCase()
{
    LogCapture::install(QsLogging::LevelTrace);
}

void TestFilter::init()
{
    LogCapture::clear();
}

void TestFilter::bandBoundaries_data()
{
    QTest::addColumn<int>("bands");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("action");

    QTest::newRow("20m lower bound") << int(Filter::Band20m) << 14000.0 << int(ChainResult::Accept);
    QTest::newRow("just below 20m") << int(Filter::Band20m) << 13999.9 << int(ChainResult::Drop);
    QTest::newRow("20m upper bound excluded") << int(Filter::Band20m) << 18000.0 << int(ChainResult::Drop);
    QTest::newRow("1800 is 160m") << int(Filter::Band160m) << 1800.0 << int(ChainResult::Accept);
    QTest::newRow("3500 is 80m, not 160m") << int(Filter::Band160m) << 3500.0 << int(ChainResult::Drop);
    QTest::newRow("3500 is 80m") << int(Filter::Band80m) << 3500.0 << int(ChainResult::Accept);
    QTest::newRow("23cm lower bound") << int(Filter::Band23cm) << 1240000.0 << int(ChainResult::Accept);
    QTest::newRow("23cm far above") << int(Filter::Band23cm) << 10368000.0 << int(ChainResult::Accept);
    QTest::newRow("just below 23cm") << int(Filter::Band23cm) << 1239999.0 << int(ChainResult::Accept);
    QTest::newRow("70cm only, 1296 MHz") << int(Filter::Band70cm) << 1296000.0 << int(ChainResult::Drop);
    QTest::newRow("between 2m and 70cm") << int(Filter::Band20m) << 300000.0 << int(ChainResult::Accept);
    QTest::newRow("below 160m") << int(Filter::Band20m) << 1000.0 << int(ChainResult::Accept);
    QTest::newRow("no band selected") << int(Filter::NoBand) << 14000.0 << int(ChainResult::Drop);
}

void TestFilter::bandBoundaries()
{
    QFETCH(int, bands);
    QFETCH(double, frequency);
    QFETCH(int, action);

    std::unique_ptr<Filter> pRule(makeBandRule(bands));
    if (bands == Filter::NoBand)
        pRule->removeBand(Filter::AllBands);
    QCOMPARE(int(pRule->bandAction(frequency)), action);
}

void TestFilter::bandPlan_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("mode");

    QTest::newRow("20m CW") << 14025.0 << int(ModeClass::Cw);
    QTest::newRow("20m FT8") << 14074.0 << int(ModeClass::Data);
    QTest::newRow("20m beacons") << 14100.0 << int(ModeClass::Unknown);
    QTest::newRow("20m phone") << 14195.0 << int(ModeClass::Phone);
    QTest::newRow("30m top edge") << 10150.0 << int(ModeClass::Unknown);
    QTest::newRow("6m FT8") << 50313.0 << int(ModeClass::Data);
    QTest::newRow("2m FM") << 145500.0 << int(ModeClass::Phone);
    QTest::newRow("between bands") << 12000.0 << int(ModeClass::Unknown);
    QTest::newRow("3 cm") << 10368100.0 << int(ModeClass::Unknown);
}

void TestFilter::bandPlan()
{
    QFETCH(double, frequency);
    QFETCH(int, mode);
    QCOMPARE(int(BandPlan::modeFor(frequency)), mode);

    // A new row must fit the rest: its own bit, a label of its own, and
    // segments inside its edges, which lie inside what the filter counts to
    // it. A row without a bit has no filter range at all.
    quint32 uiBits = 0;
    QStringList labels;
    for (int i = 0; i < BandPlan::count(); ++i) {
        const BandPlan::Band &band = BandPlan::at(i);
        QVERIFY(!(uiBits & band.bit));
        uiBits |= band.bit;
        QVERIFY(!labels.contains(QLatin1String(band.label)));
        labels.append(QLatin1String(band.label));
        if (band.bit != 0)
            QVERIFY(band.filterLow <= band.low && band.high <= band.filterHigh);
        else
            QVERIFY(band.filterLow == band.filterHigh && !band.requested);
        for (const BandPlan::Segment &segment : band.segments) {
            if (segment.mode != ModeClass::Unknown)
                QVERIFY(band.low <= segment.low && segment.low < segment.high && segment.high <= band.high);
        }
        QCOMPARE(BandPlan::find(labels.last().toUpper()), &band);
    }
    QCOMPARE(uiBits, quint32(Filter::AllBands));
}

void TestFilter::storedBandBitsStay()
{
    // Stored band selections, rules and earlier-spot requests hold these
    // bits; a row added or moved must not renumber them.
    const QList<std::pair<const char *, quint32>> bits = {
        {"2200m", 0}, {"630m", 0},  {"160m", 1},  {"80m", 2},     {"60m", 4},      {"40m", 8},
        {"30m", 16},  {"20m", 32},  {"17m", 64},  {"15m", 128},   {"12m", 256},    {"10m", 512},
        {"6m", 1024}, {"4m", 2048}, {"2m", 4096}, {"70cm", 8192}, {"23cm", 16384},
    };
    QCOMPARE(BandPlan::count(), int(bits.size()));
    for (const auto &[pLabel, uiBit] : bits) {
        const BandPlan::Band *pBand = BandPlan::find(QLatin1String(pLabel));
        QVERIFY2(pBand, pLabel);
        QCOMPARE(pBand->bit, uiBit);
    }
    QCOMPARE(BandPlan::find(QStringLiteral("2190m")), BandPlan::find(QStringLiteral("2200m")));

    // The bands without a bit are no band filter's business: their spots
    // pass a narrowed filter, as they did before the rows existed.
    std::unique_ptr<Filter> p20m(makeBandRule(Filter::Band20m));
    for (const char *pFrequency : {"136.0", "474.2"}) {
        Spot spot = makeSpot(QStringLiteral("DL1ABC"), QLatin1String(pFrequency));
        QVERIFY2(p20m->match(spot), pFrequency);
        QCOMPARE(BandPlan::bandFor(spot.frequency().toDouble()), nullptr);
    }
    QCOMPARE(QLatin1String(BandPlan::logBandFor(474.2)->label), QLatin1String("630m"));
    QCOMPARE(QLatin1String(BandPlan::logBandFor(5100.0)->label), QLatin1String("60m"));
    QCOMPARE(BandPlan::logBandFor(480.0), nullptr);
}

void TestFilter::bandRuleAllAndNone()
{
    Filter all(Filter::Band | Filter::Drop);
    Spot garbage = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("fourteen"));
    QVERIFY(all.match(garbage));
    QVERIFY(LogCapture::with(QStringLiteral("Filter match invalid")).isEmpty());

    std::unique_ptr<Filter> p20m(makeBandRule(Filter::Band20m));
    QVERIFY(!p20m->match(garbage));
    QCOMPARE(LogCapture::with(QStringLiteral("WARNING! Filter match invalid!")).size(), 1);

    Spot onTwenty = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"));
    QVERIFY(p20m->match(onTwenty));
    p20m->removeBand(Filter::Band20m);
    QCOMPARE(p20m->bandFilterValue(), 0);
    QVERIFY(!p20m->match(onTwenty));
}

void TestFilter::ruleKinds()
{
    Spot spot = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"), QStringLiteral("Germany"));

    Filter call(Filter::Call | Filter::Drop);
    call.setCallFilterValue(QStringLiteral("DL1ABC"));
    QVERIFY(call.match(spot));
    Spot lower = makeSpot(QStringLiteral("dl1abc"), QStringLiteral("14025.0"));
    Spot portable = makeSpot(QStringLiteral("DL1ABC/P"), QStringLiteral("14025.0"));
    QVERIFY(!call.match(lower));
    QVERIFY(!call.match(portable));

    Filter country(Filter::Country | Filter::Accept);
    country.setCountryFilterValue(QStringLiteral("Germany"));
    QVERIFY(country.match(spot));
    country.setCountryFilterValue(QStringLiteral("germany"));
    QVERIFY(!country.match(spot));

    // The sets belong to the settings side; a move shows at the next spot.
    ProgramRuleContext::CountrySet notWorked {{QStringLiteral("Germany"), false}};
    ProgramRuleContext::CountrySet worked;
    ProgramRuleContext context;
    Filter newOnes(Filter::NewCountries | Filter::Accept);
    Filter workedOnes(Filter::WorkedCountries | Filter::Accept);
    QVERIFY(!newOnes.match(spot));
    newOnes.setContext(&context);
    workedOnes.setContext(&context);
    // A context without the sets, as before the settings are read.
    QVERIFY(!newOnes.match(spot));
    QVERIFY(!workedOnes.match(spot));
    context.setCountrySets(&notWorked, &worked);
    QVERIFY(newOnes.match(spot));
    QVERIFY(!workedOnes.match(spot));
    notWorked.remove(QStringLiteral("Germany"));
    worked.insert(QStringLiteral("Germany"), false);
    QVERIFY(!newOnes.match(spot));
    QVERIFY(workedOnes.match(spot));

    DXpeditions dxpeditions(QStringLiteral("http://127.0.0.1:1/none.xml"));
    const QString qsToday = QDateTime::currentDateTimeUtc().date().toString(QStringLiteral("yyyyMMdd"));
    dxpeditions.parseList(
        QStringLiteral("<DXpeditions><Version>1</Version><Date>today</Date><DXpedition><StartDate>%1</StartDate>"
                       "<EndDate>%1</EndDate><Call>DL1ABC</Call><IOTA>EU-042</IOTA><QSLvia>LoTW</QSLvia>"
                       "<ReportedBy>Q1AA</ReportedBy><Info>Island</Info></DXpedition></DXpeditions>")
            .arg(qsToday)
            .toUtf8());
    Filter expedition(Filter::DXpeditionIota | Filter::Accept);
    QVERIFY(!expedition.match(spot));
    QVERIFY(!spot.dxpedition());
    expedition.setContext(&context);
    QVERIFY(!expedition.match(spot));
    context.setDXpeditions(&dxpeditions);
    QVERIFY(!expedition.match(lower));
    QVERIFY(expedition.match(spot));
    QVERIFY(spot.dxpedition());

    // An invalid stored type catches everything, loudly.
    Filter invalid(Filter::Call | Filter::Country | Filter::Accept);
    QVERIFY(invalid.match(spot));
    QCOMPARE(LogCapture::with(QStringLiteral("Warning! Invalid filter type.")).size(), 1);
    QVERIFY(!Filter(Filter::Drop).match(spot));
    QVERIFY(Filter(Filter::Accept).match(spot));
}

void TestFilter::skimmerRuleKinds()
{
    // A CQ in CW heard by skimmers, the strongest at 25 dB; a human's SSB
    // spot; a beacon; a busted copy.
    Spot cw = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("7022.0"));
    cw.setSkimmer(true);
    cw.setMode(QStringLiteral("CW"));
    cw.setSnr(12);
    cw.setBestSnr(25);
    cw.setSpeed(22, Spot::SpeedUnit::Wpm);
    cw.setKind(Spot::Kind::Cq);
    cw.setValidation(Spot::Validation::Valid);
    Spot ssb = makeSpot(QStringLiteral("EA5XX"), QStringLiteral("14205.0"));
    ssb.setMode(QStringLiteral("SSB"));
    ssb.setValidation(Spot::Validation::Valid);
    Spot beacon = makeSpot(QStringLiteral("4U1UN"), QStringLiteral("14100.0"));
    beacon.setSkimmer(true);
    beacon.setMode(QStringLiteral("CW"));
    beacon.setSnr(8);
    beacon.setKind(Spot::Kind::NcdxfBeacon);
    Spot busted = cw;
    busted.setDxCall(QStringLiteral("DL1ABD"));
    busted.setValidation(Spot::Validation::Busted);
    busted.setKind(Spot::Kind::Dx);
    QList<Spot *> spots {&cw, &ssb, &beacon, &busted};
    const auto matching = [&spots](const Filter &rule) {
        QStringList qslCalls;
        for (Spot *pSpot : spots) {
            if (rule.match(*pSpot))
                qslCalls.append(pSpot->dxCall());
        }
        return qslCalls.join(QLatin1Char(' '));
    };

    Filter mode(Filter::Mode | Filter::Accept);
    QCOMPARE(matching(mode), QString());
    mode.setModeFilterValue({QStringLiteral("ssb"), QStringLiteral(" FT8"), QStringLiteral("SSB")});
    QCOMPARE(mode.modeFilterValue(), (QStringList {"SSB", "FT8"}));
    QCOMPARE(matching(mode), QStringLiteral("EA5XX"));

    Filter spottedBy(Filter::SpottedBy | Filter::Drop);
    QCOMPARE(matching(spottedBy), QStringLiteral("DL1ABC EA5XX 4U1UN DL1ABD"));
    spottedBy.setChoiceFilterValue(Filter::SpottedBySkimmer);
    QCOMPARE(matching(spottedBy), QStringLiteral("DL1ABC 4U1UN DL1ABD"));
    spottedBy.setChoiceFilterValue(Filter::SpottedByHuman);
    QCOMPARE(matching(spottedBy), QStringLiteral("EA5XX"));

    // The station's best report counts; no report, no match.
    Filter snr(Filter::SnrAtLeast | Filter::Accept);
    snr.setMinFilterValue(20);
    QCOMPARE(matching(snr), QStringLiteral("DL1ABC DL1ABD"));
    snr.setMinFilterValue(8);
    QCOMPARE(matching(snr), QStringLiteral("DL1ABC 4U1UN DL1ABD"));
    snr.setMinFilterValue(-30);
    QCOMPARE(matching(snr), QStringLiteral("DL1ABC 4U1UN DL1ABD"));

    // Both ends included; a spot without a speed is in no range.
    Filter speed(Filter::SpeedBetween | Filter::Accept);
    speed.setMinFilterValue(22);
    speed.setMaxFilterValue(22);
    QCOMPARE(matching(speed), QStringLiteral("DL1ABC DL1ABD"));
    speed.setMinFilterValue(0);
    speed.setMaxFilterValue(21);
    QCOMPARE(matching(speed), QString());

    Filter validation(Filter::Validation | Filter::Accept);
    QCOMPARE(matching(validation), QStringLiteral("DL1ABC EA5XX"));
    validation.setChoiceFilterValue(Filter::HideBusted);
    QCOMPARE(matching(validation), QStringLiteral("DL1ABC EA5XX 4U1UN"));

    Filter kind(Filter::SpotKind | Filter::Accept);
    QCOMPARE(matching(kind), QStringLiteral("DL1ABC"));
    kind.setChoiceFilterValue(Filter::KindBeacon);
    QCOMPARE(matching(kind), QStringLiteral("4U1UN"));

    // Through the chain: no humans, no beacons, nothing at 30 WPM or more;
    // a sound for valid spots, a balloon for strong ones.
    FilterChains chains;
    auto pHuman = std::make_unique<Filter>(Filter::SpottedBy | Filter::Drop);
    pHuman->setChoiceFilterValue(Filter::SpottedByHuman);
    chains.addFilter(std::move(pHuman), -1);
    auto pBeacon = std::make_unique<Filter>(Filter::SpotKind | Filter::Drop);
    pBeacon->setChoiceFilterValue(Filter::KindBeacon);
    chains.addFilter(std::move(pBeacon), -1);
    auto pFast = std::make_unique<Filter>(Filter::SpeedBetween | Filter::Drop);
    pFast->setMinFilterValue(30);
    pFast->setMaxFilterValue(Filter::kMaxSpeed);
    chains.addFilter(std::move(pFast), -1);
    chains.addAlert(std::make_unique<Filter>(Filter::Validation | Filter::Accept, AlertFlag::Sound), -1);
    auto pStrong = std::make_unique<Filter>(Filter::SnrAtLeast | Filter::Accept, AlertFlag::Balloon);
    pStrong->setMinFilterValue(20);
    chains.addAlert(std::move(pStrong), -1);
    QCOMPARE(chains.evaluate(cw), ChainResult(ChainResult::Accept, AlertFlag::Sound | AlertFlag::Balloon));
    QCOMPARE(chains.evaluate(busted), ChainResult(ChainResult::Accept, AlertFlag::Balloon));
    QCOMPARE(chains.evaluate(ssb), ChainResult(ChainResult::Drop));
    QCOMPARE(chains.evaluate(beacon), ChainResult(ChainResult::Drop));
    Spot fast = cw;
    fast.setSpeed(35, Spot::SpeedUnit::Wpm);
    QCOMPARE(chains.evaluate(fast), ChainResult(ChainResult::Drop));
}

void TestFilter::skimmerRulesInTheStore()
{
    // A store written before these kinds existed reads as before and is
    // written back key for key.
    TestSupport::clearStore();
    {
        QSettings old = TestSupport::store();
        old.setValue("Filters/Count", 3);
        old.setValue("Filters/DefaultFilter", 1);
        old.setValue("Filters/0/FilterType", 6);
        old.setValue("Filters/0/BandFilterValue", 40);
        old.setValue("Filters/1/FilterType", 9);
        old.setValue("Filters/1/CallFilterValue", "DL1ABC");
        old.setValue("Filters/2/FilterType", 2050);
        old.setValue("Alerts/Count", 1);
        old.setValue("Alerts/0/FilterType", 258);
        old.setValue("Alerts/0/ContinentFilterValue", "OC");
        old.setValue("Alerts/0/FilterAction", 16);
    }
    const auto allValues = [] {
        QSettings settings = TestSupport::store();
        QStringList qslValues;
        for (const QString &qsKey : settings.allKeys()) {
            if (qsKey.startsWith(QLatin1String("Filters/")) || qsKey.startsWith(QLatin1String("Alerts/")))
                qslValues.append(qsKey + QLatin1Char('=') + settings.value(qsKey).toString());
        }
        qslValues.sort();
        return qslValues;
    };
    const QStringList qslOld = allValues();
    FilterChains chains;
    FilterStore::loadChains(chains, nullptr);
    QCOMPARE(chains.filterCount(), 2);
    QCOMPARE(chains.filterAt(1)->filterType(), Filter::NeededNewBand | Filter::Accept);
    QCOMPARE(chains.alertAt(0)->continentFilterValue(), QStringLiteral("OC"));
    FilterStore::saveChains(chains);
    QCOMPARE(allValues(), qslOld);

    // Each new kind keeps its value; values out of range read bounded.
    auto pMode = std::make_unique<Filter>(Filter::Mode | Filter::Accept);
    pMode->setModeFilterValue({QStringLiteral("CW"), QStringLiteral("RTTY")});
    chains.addFilter(std::move(pMode), -1);
    auto pSpeed = std::make_unique<Filter>(Filter::SpeedBetween | Filter::Drop);
    pSpeed->setMinFilterValue(18);
    pSpeed->setMaxFilterValue(32);
    chains.addFilter(std::move(pSpeed), -1);
    auto pKind = std::make_unique<Filter>(Filter::SpotKind | Filter::Accept, AlertFlag::Balloon);
    pKind->setChoiceFilterValue(Filter::KindBeacon);
    chains.addAlert(std::move(pKind), -1);
    auto pSnr = std::make_unique<Filter>(Filter::SnrAtLeast | Filter::Accept, AlertFlag::Balloon);
    pSnr->setMinFilterValue(-5);
    chains.addAlert(std::move(pSnr), -1);
    FilterStore::saveChains(chains);
    FilterChains reread;
    FilterStore::loadChains(reread, nullptr);
    QCOMPARE(reread.filterAt(2)->modeFilterValue(), (QStringList {"CW", "RTTY"}));
    QCOMPARE(reread.filterAt(3)->filterType(), Filter::SpeedBetween | Filter::Drop);
    QCOMPARE(reread.filterAt(3)->minFilterValue(), 18);
    QCOMPARE(reread.filterAt(3)->maxFilterValue(), 32);
    QCOMPARE(reread.alertAt(1)->choiceFilterValue(), int(Filter::KindBeacon));
    QCOMPARE(reread.alertAt(2)->minFilterValue(), -5);
    {
        QSettings damaged = TestSupport::store();
        damaged.setValue("Filters/4/MinFilterValue", 50);
        damaged.setValue("Filters/4/MaxFilterValue", 20000);
        damaged.setValue("Alerts/1/ChoiceFilterValue", 7);
        damaged.setValue("Alerts/2/MinFilterValue", -400);
    }
    FilterStore::loadChains(reread, nullptr);
    QCOMPARE(reread.filterAt(3)->minFilterValue(), 50);
    QCOMPARE(reread.filterAt(3)->maxFilterValue(), Filter::kMaxSpeed);
    QCOMPARE(reread.alertAt(1)->choiceFilterValue(), int(Filter::KindCq));
    QCOMPARE(reread.alertAt(2)->minFilterValue(), Filter::kMinSnr);
}

void TestFilter::alertOutputs()
{
    Filter alert(Filter::Call | Filter::Accept,
                 AlertFlag::Color | AlertFlag::Sound | AlertFlag::Balloon | AlertFlag::Icon);
    alert.setCallFilterValue(QStringLiteral("DL1ABC"));
    alert.setSoundFile(QStringLiteral("/tmp/ding.wav"));
    alert.setIconFile(QStringLiteral(":/ico/star.png"));

    // The colour was never chosen: that kind does nothing, the others apply.
    Spot spot = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"));
    const AlertFlags allButColour = AlertFlag::Sound | AlertFlag::Balloon | AlertFlag::Icon;
    QCOMPARE(alert.applyAlert(spot), allButColour);
    QCOMPARE(spot.alertFlags(), allButColour);
    QCOMPARE(spot.alertColor(), QColor(0, 0, 0, 0));
    QCOMPARE(spot.soundFile(), QStringLiteral("/tmp/ding.wav"));

    alert.setAlertColor(Qt::red);
    Spot second = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"));
    QCOMPARE(alert.applyAlert(second), allButColour | AlertFlag::Color);
    QCOMPARE(second.alertColor(), QColor(Qt::red));

    Spot other = makeSpot(QStringLiteral("DL2XYZ"), QStringLiteral("14025.0"));
    QCOMPARE(alert.applyAlert(other), AlertFlags());
    alert.removeAlertKinds(allButColour | AlertFlag::Color);
    QCOMPARE(alert.applyAlert(second), AlertFlags());
    // The icon kind has no name of its own.
    QCOMPARE(ChainResult(ChainResult::Drop, AlertFlag::Color | AlertFlag::Balloon | AlertFlag::Icon).actionNames(),
             QStringLiteral("<Drop> <Change color> <Balloon popup>"));
}

void TestFilter::chainDefaultAccept()
{
    FilterChains chains;
    QCOMPARE(chains.defaultFilter(), 2);
    Spot plain = makeSpot(QStringLiteral("DL2XYZ"), QStringLiteral("14025.0"), QStringLiteral("Germany"));
    QCOMPARE(chains.evaluate(plain), ChainResult(ChainResult::Accept));

    auto pDrop = std::make_unique<Filter>(Filter::Call | Filter::Drop);
    pDrop->setCallFilterValue(QStringLiteral("DL1ABC"));
    chains.addFilter(std::move(pDrop), -1);
    // An Accept rule under default Accept can only confirm it: never tested.
    auto pAccept = std::make_unique<Filter>(Filter::Country | Filter::Accept);
    pAccept->setCountryFilterValue(QStringLiteral("Nowhere"));
    chains.addFilter(std::move(pAccept), -1);
    auto pAlert = std::make_unique<Filter>(Filter::Accept, AlertFlag::Balloon);
    chains.addAlert(std::move(pAlert), -1);

    LogCapture::clear();
    Spot dropped = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"));
    QCOMPARE(chains.evaluate(dropped), ChainResult(ChainResult::Drop));
    QCOMPARE(dropped.alertFlags(), AlertFlags());
    QCOMPARE(LogCapture::with(QStringLiteral("== Filter result: match")).size(), 1);
    QVERIFY(LogCapture::with(QStringLiteral("== Alert filter result:")).isEmpty());

    LogCapture::clear();
    QCOMPARE(chains.evaluate(plain), ChainResult(ChainResult::Accept, AlertFlag::Balloon));
    QCOMPARE(LogCapture::with(QStringLiteral("== Filter result:")).size(), 1);
    QCOMPARE(LogCapture::with(QStringLiteral("Filtering DX \"DL2XYZ\"")).size(), 1);
    QCOMPARE(LogCapture::with(QStringLiteral("Alerts chain action: \"<Accept> <Balloon popup>\"")).size(), 1);
}

void TestFilter::chainDefaultDrop()
{
    FilterChains chains;
    chains.setDefaultFilter(Filter::Drop);
    Spot german = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"), QStringLiteral("Germany"));
    Spot french = makeSpot(QStringLiteral("F5ABC"), QStringLiteral("14025.0"), QStringLiteral("France"));
    QCOMPARE(chains.evaluate(german), ChainResult(ChainResult::Drop));

    auto pAccept = std::make_unique<Filter>(Filter::Country | Filter::Accept);
    pAccept->setCountryFilterValue(QStringLiteral("Germany"));
    chains.addFilter(std::move(pAccept), -1);
    QCOMPARE(chains.evaluate(german), ChainResult(ChainResult::Accept));
    QCOMPARE(chains.evaluate(french), ChainResult(ChainResult::Drop));

    // Only spots heard near me: a spot without a spotter continent (an
    // unknown spotter) is not near.
    CountryInfo europe;
    europe.continent = QStringLiteral("EU");
    CountryInfo america;
    america.continent = QStringLiteral("NA");
    Spot heardInEurope = makeSpot(QStringLiteral("K1ABC"), QStringLiteral("14025.0"), QStringLiteral("USA"));
    heardInEurope.setLocation(america, europe, QString());
    Spot heardInAmerica = heardInEurope;
    heardInAmerica.setLocation(europe, america, QString());
    Spot heardNowhere = heardInEurope;
    heardNowhere.setLocation(america, CountryInfo(), QString());
    auto pNear = std::make_unique<Filter>(Filter::SpotterContinent | Filter::Accept);
    pNear->setContinentFilterValue(QStringLiteral("EU"));
    chains.addFilter(std::move(pNear), -1);
    auto pNoEurope = std::make_unique<Filter>(Filter::DxContinent | Filter::Drop);
    pNoEurope->setContinentFilterValue(QStringLiteral("EU"));
    chains.addFilter(std::move(pNoEurope), 0);
    QCOMPARE(chains.evaluate(heardInEurope), ChainResult(ChainResult::Accept));
    QCOMPARE(chains.evaluate(heardInAmerica), ChainResult(ChainResult::Drop));
    QCOMPARE(chains.evaluate(heardNowhere), ChainResult(ChainResult::Drop));
    QCOMPARE(chains.evaluate(german), ChainResult(ChainResult::Accept));

    // Without a stored default every rule takes part and every outcome accepts.
    chains.setDefaultFilter(0);
    QCOMPARE(chains.evaluate(french), ChainResult(ChainResult::Accept));
}

void TestFilter::bandStageDropsBeforeTheChain()
{
    FilterChains chains;
    QSignalSpy spy(chains.bandFilter(), &Filter::bandFilterValueChanged);
    chains.addBand(Filter::Band20m);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(chains.bandFilter()->bandFilterValue(), int(Filter::Band20m));

    chains.addFilter(std::make_unique<Filter>(Filter::Accept | Filter::Call), -1);
    auto pAlert = std::make_unique<Filter>(Filter::Accept, AlertFlag::Sound);
    chains.addAlert(std::move(pAlert), -1);

    LogCapture::clear();
    Spot forty = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("7020.0"));
    QCOMPARE(chains.evaluate(forty), ChainResult(ChainResult::Drop));
    QVERIFY(LogCapture::with(QStringLiteral("== Filter result:")).isEmpty());
    QCOMPARE(LogCapture::with(QStringLiteral("action: \"<Drop>\"")).size(), 3);

    Spot twenty = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14020.0"));
    QCOMPARE(chains.evaluate(twenty), ChainResult(ChainResult::Accept, AlertFlag::Sound));
}

void TestFilter::laterAlertsOverwriteEarlierOnes()
{
    FilterChains chains;
    auto pColour = std::make_unique<Filter>(Filter::Accept, AlertFlag::Color | AlertFlag::Sound);
    pColour->setAlertColor(Qt::yellow);
    pColour->setSoundFile(QStringLiteral("first.wav"));
    auto pSoundAndIcon = std::make_unique<Filter>(Filter::Accept, AlertFlag::Sound | AlertFlag::Icon);
    pSoundAndIcon->setSoundFile(QStringLiteral("second.wav"));
    pSoundAndIcon->setIconFile(QStringLiteral(":/ico/dx.png"));
    chains.addAlert(std::move(pColour), -1);
    chains.addAlert(std::move(pSoundAndIcon), -1);
    chains.addAlert(std::make_unique<Filter>(Filter::Accept, AlertFlag::Color), -1);

    Spot spot = makeSpot(QStringLiteral("DL1ABC"), QStringLiteral("14025.0"));
    QCOMPARE(chains.evaluate(spot),
             ChainResult(ChainResult::Accept, AlertFlag::Color | AlertFlag::Sound | AlertFlag::Icon));
    QCOMPARE(spot.alertColor(), QColor(Qt::yellow));
    QCOMPARE(spot.soundFile(), QStringLiteral("second.wav"));
    QCOMPARE(spot.iconFile(), QStringLiteral(":/ico/dx.png"));
}

void TestFilter::listOperations()
{
    FilterChains chains;
    QPointer<Filter> rules[4];
    for (int i = 0; i < 3; ++i) {
        rules[i] = new Filter(Filter::Call | Filter::Drop);
        chains.addFilter(std::unique_ptr<Filter>(rules[i].data()), -1);
    }
    rules[3] = new Filter(Filter::Country | Filter::Drop);
    chains.addFilter(std::unique_ptr<Filter>(rules[3].data()), 0);
    QCOMPARE(chains.filterAt(0), rules[3].data());
    QCOMPARE(chains.filterAt(4), nullptr);
    QCOMPARE(chains.filterAt(-1), nullptr);
    chains.addFilter(nullptr, -1);
    QCOMPARE(chains.filterCount(), 4);

    LogCapture::clear();
    chains.moveFilterUp(0);
    chains.moveFilterDown(3);
    chains.removeFilterAt(4);
    QCOMPARE(chains.filterAt(0), rules[3].data());
    QCOMPARE(chains.filterAt(3), rules[2].data());
    QCOMPARE(LogCapture::with(QStringLiteral("Moving filter 0 up")).size(), 1);
    QCOMPARE(LogCapture::with(QStringLiteral("Moving filter 3 down")).size(), 1);
    QCOMPARE(LogCapture::with(QStringLiteral("Removing filter at index 4")).size(), 1);

    chains.moveFilterDown(0);
    QCOMPARE(chains.filterAt(1), rules[3].data());

    // The chain owns its rules: removal frees them.
    chains.removeFilterAt(1);
    QVERIFY(rules[3].isNull());
    chains.clearFilters();
    QCOMPARE(chains.filterCount(), 0);
    QVERIFY(rules[0].isNull() && rules[1].isNull() && rules[2].isNull());

    QPointer<Filter> alert = new Filter(Filter::Accept, AlertFlag::Icon);
    chains.addAlert(std::unique_ptr<Filter>(alert.data()), 5);
    chains.addAlert(std::make_unique<Filter>(Filter::Accept, AlertFlag::Icon), 0);
    chains.moveAlertUp(1);
    QCOMPARE(chains.alertAt(0), alert.data());
    chains.removeAlertAt(0);
    QVERIFY(alert.isNull());
    chains.clearAlerts();
    QCOMPARE(chains.alertCount(), 0);
}

QTEST_GUILESS_MAIN(TestFilter)
#include "tst_filter.moc"
