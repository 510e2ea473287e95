#include "TestSupport.h"

#include "cluster/NodeConnection.h"
#include "cluster/SpotParser.h"
#include "cluster/SpotPipeline.h"
#include "filters/Filter.h"
#include "settings/SkimmerSettings.h"
#include "settings/Statistics.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int kTimeoutMs = 5000;
constexpr int kNeverMs = 600000;

// Every line a connection showed in its console, spot lines or not.
QStringList linesOf(const QSignalSpy &spy)
{
    QStringList qslLines;
    for (const QList<QVariant> &arguments : spy)
        qslLines.append(arguments.at(0).toString());
    return qslLines;
}

// The clock the client dates lines by, for tests that need a fixed minute.
QDateTime g_now;
QDateTime fixedNow()
{
    return g_now;
}

// What makes a spot one report.
QString reportOf(const Spot &spot)
{
    return QStringList {spot.dxCall(), spot.spotter(), spot.date(), spot.time(), spot.frequency()}.join(
        QLatin1Char('|'));
}

} // namespace

// Several connections feeding one pipeline: what one connection does with
// its own lines (earlier spots it collects, its console) stays its own, and
// the pipeline counts every spot once, whichever way it came.
class TestSpotPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void twoConnectionsFeedOnePipeline();
    void connectionsComeAndGo();
    void twoNodesRelayingTheSameSpots();
    void reconnectAndTypedAnswersAddNothing();
    void lateLiveSpotDuringEarlierSpots();
    void liveFeedDuringTypedAnswer();
    void midnight();
    void skimmerVerdictsBeforeTheRules();

private:
    std::unique_ptr<NodeConnection> makeConnection(TestNode *pNode, const QString &qsCall,
                                                   const ClusterTimings &timings);
    void logIn(NodeConnection *pConnection);
    void addSoundAlert();
    void setClock(const QDateTime &dtNow);

    std::unique_ptr<TestNode> m_nodeA;
    std::unique_ptr<TestNode> m_nodeB;
    std::unique_ptr<SpotPipeline> m_pipeline;
    QStringList m_delivered;
    QList<Spot> m_deliveredSpots;
    QList<Spot> m_repeated;
};

void TestSpotPipeline::init()
{
    m_nodeA = std::make_unique<TestNode>();
    m_nodeB = std::make_unique<TestNode>();
    QVERIFY(m_nodeA->listen());
    QVERIFY(m_nodeB->listen());
    m_nodeA->setNodeCall(QStringLiteral("Q1NODE-1"));
    m_nodeB->setNodeCall(QStringLiteral("Q2NODE-2"));

    m_pipeline = std::make_unique<SpotPipeline>();
    m_delivered.clear();
    m_deliveredSpots.clear();
    m_repeated.clear();
    connect(m_pipeline.get(), &SpotPipeline::newSpot, this, [this](Spot &spot) {
        m_delivered.append(spot.dxCall());
        m_deliveredSpots.append(spot);
    });
    connect(m_pipeline.get(), &SpotPipeline::spotRepeated, this, [this](const Spot &spot) { m_repeated.append(spot); });
}

void TestSpotPipeline::cleanup()
{
    SpotParser::setClock(nullptr);
    m_pipeline.reset();
    m_nodeA.reset();
    m_nodeB.reset();
}

std::unique_ptr<NodeConnection> TestSpotPipeline::makeConnection(TestNode *pNode, const QString &qsCall,
                                                                 const ClusterTimings &timings)
{
    auto pConnection =
        std::make_unique<NodeConnection>(QStringLiteral("127.0.0.1"), pNode->port(), qsCall, QString(),
                                         QStringLiteral("Hans"), QStringLiteral("Bern"), m_pipeline.get());
    pConnection->setTimings(timings);
    return pConnection;
}

void TestSpotPipeline::logIn(NodeConnection *pConnection)
{
    QSignalSpy connectedSpy(pConnection, &NodeConnection::connected);
    pConnection->connectToNode();
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);
}

void TestSpotPipeline::twoConnectionsFeedOnePipeline()
{
    // An alert rule fires for every spot; one rule drops a call.
    auto pColour = std::make_unique<Filter>(Filter::Band | Filter::Accept, AlertFlag::Color);
    pColour->setAlertColor(Qt::red);
    m_pipeline->chains().addAlert(std::move(pColour), -1);
    auto pDrop = std::make_unique<Filter>(Filter::Call | Filter::Drop);
    pDrop->setCallFilterValue(QStringLiteral("Q2DROP"));
    m_pipeline->chains().addFilter(std::move(pDrop), -1);
    Statistics *pStatistics = Statistics::instance();
    m_pipeline->setStatistics(pStatistics);
    const quint64 uiProcessed = pStatistics->totalProcessedSpots();
    const quint64 uiColour = pStatistics->triggeredAlertsColor();
    const quint64 uiAlerts = pStatistics->triggeredAlertsTotal();

    // A asks for earlier spots that are slow to come; B never asks.
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, 50, 300, kNeverMs});
    auto pB = makeConnection(m_nodeB.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, kNeverMs, 300, kNeverMs});
    QSignalSpy linesA(pA.get(), &NodeConnection::nodeLine);
    QSignalSpy linesB(pB.get(), &NodeConnection::nodeLine);
    logIn(pA.get());
    logIn(pB.get());
    QTRY_VERIFY_WITH_TIMEOUT(pA->isCollectingEarlierSpots(), kTimeoutMs);

    // One connection collecting its answer holds back none of the other's
    // live spots.
    m_nodeB->broadcastSpot(TestSpot(14025.0, "Q2LIVE", "Q2DEF", "cq"));
    m_nodeB->broadcastSpot(TestSpot(14026.0, "Q2DROP", "Q2DEF", "cq"));
    QTRY_COMPARE_WITH_TIMEOUT(pStatistics->totalProcessedSpots() - uiProcessed, quint64(2), kTimeoutMs);
    QCOMPARE(m_delivered, QStringList {"Q2LIVE"});
    QVERIFY(pA->isCollectingEarlierSpots());
    QVERIFY(!pB->isCollectingEarlierSpots());

    // A's answer, newest first as nodes send it, comes out oldest first once
    // A's answer is over.
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    m_nodeA->sendRaw(TestSpot(7010.0, "Q1NEW", "Q1DEF", "cq", dtNow.addSecs(-600)).cc11Line("Q1NODE-1")
                     + TestSpot(7011.0, "Q1OLD", "Q1DEF", "cq", dtNow.addSecs(-1800)).cc11Line("Q1NODE-1"));
    QTRY_VERIFY_WITH_TIMEOUT(!pA->isCollectingEarlierSpots(), kTimeoutMs);
    QCOMPARE(m_delivered, (QStringList {"Q2LIVE", "Q1OLD", "Q1NEW"}));

    // Each console shows its own node's lines only.
    const QString qsLinesA = linesOf(linesA).join(QLatin1Char('\n'));
    const QString qsLinesB = linesOf(linesB).join(QLatin1Char('\n'));
    QVERIFY(qsLinesA.contains(QLatin1String("Q1OLD")) && !qsLinesA.contains(QLatin1String("Q2LIVE")));
    QVERIFY(qsLinesB.contains(QLatin1String("Q2LIVE")) && !qsLinesB.contains(QLatin1String("Q1OLD")));

    // Every spot counted once, whichever connection brought it, with the
    // alerts it fired; a dropped spot fires none.
    QCOMPARE(pStatistics->totalProcessedSpots() - uiProcessed, quint64(4));
    QCOMPARE(pStatistics->triggeredAlertsColor() - uiColour, quint64(3));
    QCOMPARE(pStatistics->triggeredAlertsTotal() - uiAlerts, quint64(3));
}

void TestSpotPipeline::connectionsComeAndGo()
{
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, kNeverMs, 300, kNeverMs});
    auto pB = makeConnection(m_nodeB.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, kNeverMs, 300, kNeverMs});
    logIn(pA.get());
    logIn(pB.get());

    // The operator stopping one connection leaves the other feeding.
    pB->disconnectFromNode();
    m_nodeB->broadcastSpot(TestSpot(14025.0, "Q2GONE", "Q2DEF", "cq"));
    m_nodeA->broadcastSpot(TestSpot(14025.0, "Q1STAY", "Q1DEF", "cq"));
    QTRY_COMPARE_WITH_TIMEOUT(m_delivered, QStringList {"Q1STAY"}, kTimeoutMs);

    // A connection removed, and the pipeline going before the last one:
    // nothing is delivered and nothing breaks.
    pB.reset();
    m_pipeline.reset();
    pA->receiveChunk(TestSpot(14027.0, "Q1LATE", "Q1DEF", "cq").dxDeLine(true));
    QCOMPARE(m_delivered, QStringList {"Q1STAY"});
    QVERIFY(pA->isConnected());
}

void TestSpotPipeline::addSoundAlert()
{
    auto pSound = std::make_unique<Filter>(Filter::Accept, AlertFlags(AlertFlag::Sound));
    pSound->setSoundFile(QStringLiteral("alert.wav"));
    m_pipeline->chains().addAlert(std::move(pSound), -1);
    m_pipeline->setStatistics(Statistics::instance());
}

void TestSpotPipeline::setClock(const QDateTime &dtNow)
{
    g_now = dtNow;
    SpotParser::setClock(&fixedNow);
}

void TestSpotPipeline::twoNodesRelayingTheSameSpots()
{
    addSoundAlert();
    const Statistics *pStatistics = Statistics::instance();
    const quint64 uiProcessed = pStatistics->totalProcessedSpots();
    const quint64 uiSounds = pStatistics->triggeredAlertsSound();

    const ClusterTimings noEarlierSpots {kNeverMs, kNeverMs, kNeverMs, 300, kNeverMs};
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), noEarlierSpots);
    auto pB = makeConnection(m_nodeB.get(), QStringLiteral("Q1ABC"), noEarlierSpots);
    logIn(pA.get());
    logIn(pB.get());
    // The same spots from both, B two seconds late; the generator respots
    // stations too, which are new reports of a known station.
    m_nodeA->setRespotShare(0.3);
    m_nodeB->setRespotShare(0.3);
    m_nodeA->startScheduledStream(20.0, 7, 0);
    m_nodeB->startScheduledStream(20.0, 7, 2);
    QTest::qWait(3000);
    m_nodeA->stopStream();
    QTest::qWait(3000);
    m_nodeB->stopStream();
    QTest::qWait(300);

    // Each report came out once, whoever brought it first; B relayed what A
    // had sent and that only taught the pipeline B's name.
    QSet<QString> reports;
    for (const Spot &spot : std::as_const(m_deliveredSpots)) {
        QVERIFY2(!reports.contains(reportOf(spot)), qPrintable(reportOf(spot)));
        reports.insert(reportOf(spot));
    }
    QVERIFY2(m_repeated.size() >= 40, qPrintable(QString::number(m_repeated.size())));
    for (const Spot &spot : std::as_const(m_repeated)) {
        QVERIFY(reports.contains(reportOf(spot)));
        QCOMPARE(spot.source(), pB->sourceName());
    }
    // Counted, and sounded, once per report.
    QCOMPARE(pStatistics->totalProcessedSpots() - uiProcessed, quint64(m_deliveredSpots.size()));
    QCOMPARE(pStatistics->triggeredAlertsSound() - uiSounds, quint64(m_deliveredSpots.size()));
}

void TestSpotPipeline::reconnectAndTypedAnswersAddNothing()
{
    setClock(QDateTime(QDate(2026, 12, 7), QTime(12, 30, 30), Qt::UTC));
    addSoundAlert();
    const Statistics *pStatistics = Statistics::instance();
    // The first answer may be slow on a busy machine; a collection given up
    // too early would take that answer for repeats of live spots.
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, 50, 300, 5000});
    QSignalSpy lines(pA.get(), &NodeConnection::nodeLine);
    logIn(pA.get());
    QTRY_VERIFY_WITH_TIMEOUT(!pA->isCollectingEarlierSpots(), kTimeoutMs);

    // Two older spots that came live, then ten of the current minute.
    m_nodeA->broadcastSpot(TestSpot(7011.0, "Q7OLD", "Q1DEF", "cq", g_now.addSecs(-1200)));
    m_nodeA->broadcastSpot(TestSpot(7010.0, "Q8OLD", "Q1DEF", "cq", g_now.addSecs(-600)));
    QStringList qslCalls;
    for (int i = 0; i < 10; ++i) {
        qslCalls.append(QStringLiteral("Q9AA%1").arg(QChar(u'A' + i)));
        m_nodeA->broadcastSpot(TestSpot(14000.0 + 2 * i, qslCalls.constLast(), "Q1DEF", "cq", g_now.addSecs(-10)));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_delivered.size(), 12, kTimeoutMs);
    const quint64 uiProcessed = pStatistics->totalProcessedSpots();
    const quint64 uiSounds = pStatistics->triggeredAlertsSound();

    // The operator's SH/DX lists the ten: readable in the console, and no
    // new spot, count or sound.
    lines.clear();
    QVERIFY(pA->sendOperatorCommand(QStringLiteral("SH/DX")));
    QTRY_COMPARE_WITH_TIMEOUT(m_repeated.size(), 10, kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!pA->isReceivingAnswer(), kTimeoutMs);
    for (const QString &qsCall : std::as_const(qslCalls)) {
        const QStringList qslLines = linesOf(lines).filter(qsCall);
        QCOMPARE(qslLines.size(), 1);
        QVERIFY2(qslLines.constFirst().contains(QLatin1String("7-Dec-2026 1230Z cq")),
                 qPrintable(qslLines.constFirst()));
        QVERIFY2(qslLines.constFirst().contains(QLatin1String("<Q1DEF>")), qPrintable(qslLines.constFirst()));
        QVERIFY(!qslLines.constFirst().contains(QLatin1Char('^')));
    }
    for (const QList<QVariant> &arguments : std::as_const(lines))
        QVERIFY(!arguments.at(1).toBool());

    // A reconnection's earlier spots list all twelve again.
    pA->disconnectFromNode();
    logIn(pA.get());
    QTRY_VERIFY_WITH_TIMEOUT(pA->isCollectingEarlierSpots(), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!pA->isCollectingEarlierSpots(), kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_repeated.size(), 22, kTimeoutMs);
    QCOMPARE(m_delivered.size(), 12);
    QCOMPARE(pStatistics->totalProcessedSpots(), uiProcessed);
    QCOMPARE(pStatistics->triggeredAlertsSound(), uiSounds);
}

void TestSpotPipeline::lateLiveSpotDuringEarlierSpots()
{
    setClock(QDateTime(QDate(2026, 12, 7), QTime(12, 30, 5), Qt::UTC));
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, 50, 300, kNeverMs});
    // The node is slow to answer; its answer here comes by hand.
    m_nodeA->setQueryDelay(kNeverMs);
    logIn(pA.get());
    QTRY_VERIFY_WITH_TIMEOUT(pA->isCollectingEarlierSpots(), kTimeoutMs);

    // A busy node's last minute fills the 20 places; a live spot relayed a
    // few seconds late carries that minute too and comes last.
    QByteArray baAnswer;
    for (int i = 0; i < 20; ++i)
        baAnswer +=
            TestSpot(14000.0 + i, QStringLiteral("Q9AB%1").arg(QChar(u'A' + i)), "Q1DEF", "cq", g_now.addSecs(-40 - i))
                .cc11Line("Q1NODE-1");
    baAnswer += TestSpot(21025.0, "Q3LIVE", "Q2DEF", "cq", g_now.addSecs(-8)).cc11Line("Q1NODE-1");
    m_nodeA->sendRaw(baAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(!pA->isCollectingEarlierSpots(), kTimeoutMs);
    QCOMPARE(m_delivered.size(), 21);
    QVERIFY(m_delivered.contains(QStringLiteral("Q3LIVE")));
}

void TestSpotPipeline::liveFeedDuringTypedAnswer()
{
    setClock(QDateTime(QDate(2026, 12, 7), QTime(12, 30, 30), Qt::UTC));
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, kNeverMs, 300, kNeverMs});
    m_nodeA->preloadSpots({TestSpot(7010.0, "Q7OLDA", "Q1DEF", "cq", g_now.addSecs(-1500)),
                           TestSpot(7011.0, "Q7OLDB", "Q1DEF", "cq", g_now.addSecs(-1400)),
                           TestSpot(7012.0, "Q7OLDC", "Q1DEF", "cq", g_now.addSecs(-1300))});
    m_nodeA->setQueryDelay(1500);
    logIn(pA.get());

    // The live feed, stamped with the minute before as a relaying node's
    // is, stays live while the answer is awaited: at once, and as news.
    QVERIFY(pA->sendOperatorCommand(QStringLiteral("sh/dx 3")));
    QTRY_VERIFY_WITH_TIMEOUT(m_nodeA->receivedBytes().contains("sh/dx 3"), kTimeoutMs);
    for (int i = 0; i < 3; ++i) {
        const QString qsCall = QStringLiteral("Q5LIV%1").arg(QChar(u'A' + i));
        m_nodeA->broadcastSpot(TestSpot(14010.0 + i, qsCall, "Q2DEF", "cq", g_now.addSecs(-45)));
        QTRY_COMPARE_WITH_TIMEOUT(m_delivered.value(m_delivered.size() - 1), qsCall, 1000);
        QVERIFY(!m_deliveredSpots.constLast().isEarlier());
        QTest::qWait(200);
    }
    QVERIFY(pA->isReceivingAnswer());

    // The three listed join quietly, oldest first, and end the answer.
    QTRY_COMPARE_WITH_TIMEOUT(m_delivered.mid(3), (QStringList {"Q7OLDA", "Q7OLDB", "Q7OLDC"}), kTimeoutMs);
    QVERIFY(m_deliveredSpots.constLast().isEarlier());
    QVERIFY(!pA->isReceivingAnswer());
    m_nodeA->broadcastSpot(TestSpot(14020.0, "Q5LIVD", "Q2DEF", "cq", g_now.addSecs(-1200)));
    QTRY_COMPARE_WITH_TIMEOUT(m_delivered.value(m_delivered.size() - 1), QStringLiteral("Q5LIVD"), kTimeoutMs);
    QVERIFY(!m_deliveredSpots.constLast().isEarlier());
}

void TestSpotPipeline::midnight()
{
    const QDate qdToday(2026, 12, 7);
    setClock(QDateTime(qdToday, QTime(0, 1, 30), Qt::UTC));
    auto pA = makeConnection(m_nodeA.get(), QStringLiteral("Q1ABC"), {kNeverMs, kNeverMs, 50, 300, kNeverMs});
    m_nodeA->setQueryDelay(kNeverMs);
    logIn(pA.get());
    QTRY_VERIFY_WITH_TIMEOUT(pA->isCollectingEarlierSpots(), kTimeoutMs);

    // An earlier-spots answer in "DX de" lines across midnight, newest
    // first: the newest 20 are kept and come out oldest first.
    QByteArray baAnswer;
    QStringList qslExpected;
    for (int i = 0; i < 25; ++i) {
        const QString qsCall = QStringLiteral("Q9AB%1").arg(QChar(u'A' + i));
        baAnswer += TestSpot(14000.0 + i, qsCall, "Q1DEF", "cq", g_now.addSecs(-60 * (i + 1))).dxDeLine(false);
        if (i < 20)
            qslExpected.prepend(qsCall);
    }
    m_nodeA->sendRaw(baAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(!pA->isCollectingEarlierSpots(), kTimeoutMs);
    QCOMPARE(m_delivered, qslExpected);
    QCOMPARE(m_deliveredSpots.constFirst().date(), SpotParser::dxDeDate(qdToday.addDays(-1)));
    QCOMPARE(m_deliveredSpots.constLast().time(), QStringLiteral("0000Z"));
    QCOMPARE(m_deliveredSpots.constLast().date(), SpotParser::dxDeDate(qdToday));

    // A live 2359Z spot received at 0001Z is yesterday's.
    m_nodeA->sendRaw(TestSpot(7025.0, "Q3LATE", "Q2DEF", "cq", g_now.addSecs(-150)).dxDeLine(true));
    QTRY_COMPARE_WITH_TIMEOUT(m_delivered.value(m_delivered.size() - 1), QStringLiteral("Q3LATE"), kTimeoutMs);
    QCOMPARE(m_deliveredSpots.constLast().time(), QStringLiteral("2359Z"));
    QCOMPARE(m_deliveredSpots.constLast().date(), SpotParser::dxDeDate(qdToday.addDays(-1)));
}

void TestSpotPipeline::skimmerVerdictsBeforeTheRules()
{
    // Thresholds from the store: three skimmers for a valid call; a value
    // out of range keeps its default.
    TestSupport::clearStore();
    TestSupport::store().setValue(QStringLiteral("Skimmers/ValidSkimmers"), 3);
    TestSupport::store().setValue(QStringLiteral("Skimmers/BustedWindowMinutes"), QStringLiteral("soon"));
    TestSupport::store().setValue(QStringLiteral("Skimmers/ValidSpreadKHz"), -1.0);
    const SkimmerSettings skimmers = SkimmerSettings::load();
    QCOMPARE(skimmers.thresholds.validSkimmers, 3);
    QCOMPARE(skimmers.thresholds.bustedWindowSecs, 120);
    QCOMPARE(skimmers.thresholds.validSpreadKHz, 0.3);
    QVERIFY(skimmers.hideBusted);
    m_pipeline->setSkimmerThresholds(skimmers.thresholds);
    m_pipeline->setHideBusted(skimmers.hideBusted);
    qint64 iNowMs = 1800000000000;
    m_pipeline->setClock([&iNowMs] { return iNowMs; });
    // Every spot sounds, whatever it is.
    m_pipeline->chains().addAlert(std::make_unique<Filter>(Filter::Accept, AlertFlag::Sound), -1);
    QSignalSpy changedSpy(m_pipeline.get(), &SpotPipeline::skimmerVerdictsChanged);

    const auto heard = [&iNowMs](const char *pSkimmer, const char *pCall, const char *pKHz, bool bSkimmer = true) {
        iNowMs += 5000;
        Spot spot;
        spot.setSpotter(QLatin1String(pSkimmer));
        spot.setDxCall(QLatin1String(pCall));
        spot.setFrequency(QLatin1String(pKHz));
        spot.setTime(QStringLiteral("1200Z"));
        spot.setSkimmer(bSkimmer);
        spot.setSnr(int(qstrlen(pSkimmer)) * 10);
        return spot;
    };
    Spot first = heard("A", "DL1ABC", "7022.0");
    Spot second = heard("BB", "DL1ABC", "7022.1");
    QVERIFY(m_pipeline->admit(first));
    QVERIFY(m_pipeline->admit(second));
    QCOMPARE(second.validation(), Spot::Validation::Unverified);
    QCOMPARE(second.skimmerCount(), 2);
    QCOMPARE(second.bestSnr(), 20);
    Spot third = heard("CCC", "DL1ABC", "7022.0");
    QVERIFY(m_pipeline->admit(third));
    QCOMPARE(third.validation(), Spot::Validation::Valid);
    QVERIFY(third.alertFlags().testFlag(AlertFlag::Sound));

    // A lone copy beside it is busted: hidden, it is dropped and counted so;
    // shown, it is accepted and still never sounds.
    Spot copy = heard("D", "DL1ABD", "7022.1");
    QVERIFY(!m_pipeline->admit(copy));
    QCOMPARE(copy.validation(), Spot::Validation::Busted);
    QVERIFY2(copy.validationReason().contains(QLatin1String("DL1ABC")), qPrintable(copy.validationReason()));
    m_pipeline->setHideBusted(false);
    Spot otherCopy = heard("E", "DL1ABO", "7022.0");
    QVERIFY(m_pipeline->admit(otherCopy));
    QCOMPARE(otherCopy.validation(), Spot::Validation::Busted);
    QCOMPARE(otherCopy.alertFlags(), AlertFlags());

    // An operator's spot is valid on its own word.
    Spot human = heard("q1xyz", "EA5XX", "14205.0", false);
    QVERIFY(m_pipeline->admit(human));
    QCOMPARE(human.validation(), Spot::Validation::Valid);
    QVERIFY(human.alertFlags().testFlag(AlertFlag::Sound));

    // A move: the rows of the call are told, so the old one can say QSY.
    changedSpy.clear();
    Spot moved = heard("A", "DL1ABC", "7031.0");
    QVERIFY(m_pipeline->admit(moved));
    QVERIFY(!changedSpy.isEmpty());
    QVERIFY(changedSpy.last().at(0).toStringList().contains(QStringLiteral("DL1ABC")));
    QCOMPARE(m_pipeline->skimmerValidator().assess(QStringLiteral("DL1ABC"), 7022.0).verdict, Spot::Validation::Qsy);
}

QTEST_GUILESS_MAIN(TestSpotPipeline)
#include "tst_spotpipeline.moc"
