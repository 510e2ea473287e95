#include "API/QsLog/QsLog.h"
#include "Worked/Worked.h"
#include "cluster/Cluster.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>
#include <unistd.h>

#include <vector>

namespace {

// Whole rounds of misbehaviour until this has passed: ten seconds by
// default, as long as KELVANE_SOAK_SECONDS says for a long run.
constexpr int kDefaultSoakSeconds = 10;
// Two rounds at least: memory is compared between the first and the end.
constexpr int kMinRounds = 2;
constexpr int kWaitMs = 15000;
// Growth of resident memory allowed between the end of the first round
// (every buffer has seen its largest input by then) and the end.
constexpr double kMaxGrowthMiB = 4.0;
constexpr int kMaxSpots = 200000;
// Longer than any spot line this test sends.
constexpr int kLongestLine = 130;

qint64 soakMs()
{
    bool bOk = false;
    const int iSeconds = qEnvironmentVariableIntValue("KELVANE_SOAK_SECONDS", &bOk);
    return qint64(bOk && iSeconds > 0 ? iSeconds : kDefaultSoakSeconds) * 1000;
}

double residentMiB()
{
    // Freed memory the allocator still holds is no growth; hand it back
    // first, so that what remains is what is in use.
    malloc_trim(0);
    QFile file(QStringLiteral("/proc/self/statm"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace

// A node that misbehaves in every way we know of, in turns, while one
// Cluster keeps running with the country lookup: it must not crash, must keep
// its memory, must deliver every well-formed spot exactly once and must be
// connected again at the end.
class TestSoak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void misbehavingNode();

private:
    void waitForLogin(int iConnectsBefore);
    // Sends iCount new spots, alternately as "DX de" and "CC11" lines, and
    // waits until all of them have come out of the Cluster.
    void sendSpots(int iCount);
    QByteArray nextSpotLine();
    void waitForDelivery();

    void normalTurn() { sendSpots(50); }
    void garbageTurn();
    void longLineTurn();
    void cutEverywhereTurn();
    void silenceTurn();
    void droppedTurn();
    void refusedTurn();

    QTemporaryDir m_dir;
    QSqlDatabase m_db;
    Worked m_worked;
    std::unique_ptr<TestNode> m_node;
    std::unique_ptr<Cluster> m_cluster;
    std::vector<quint8> m_delivered;
    int m_sent = 0;
    int m_unexpected = 0;
    int m_connects = 0;
};

void TestSoak::initTestCase()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("soak"));
    m_db.setDatabaseName(m_dir.filePath(QStringLiteral("dx.sqlite")));
    QVERIFY(m_db.open());
    QVERIFY(Worked::ensureTables(m_db, Worked::systemCountryFile()));
    QVERIFY(m_worked.attachDatabase(m_db));
    m_delivered.assign(kMaxSpots, 0);
}

void TestSoak::misbehavingNode()
{
    m_node = std::make_unique<TestNode>();
    QVERIFY(m_node->listen());
    m_cluster =
        std::make_unique<Cluster>(QStringLiteral("127.0.0.1"), m_node->port(), QStringLiteral("Q1SOAK"), QString(),
                                  QStringLiteral("Soak"), QStringLiteral("Testtown"), QStringLiteral("JN36"), 1000);
    ClusterTimings timings;
    timings.monitorMs = 150;
    timings.idleMs = 700;
    // The earlier-spots burst collects at most 20 spots and drops the rest
    // by design; the live path is what is soaked here.
    timings.earlierSpotsDelayMs = 600000;
    // The soak drops and refuses the connection many times a minute; the
    // limit on attempts per host would hold them back for a minute each.
    timings.connectWindowMs = 10;
    m_cluster->setTimings(timings);
    m_cluster->setCountryLookup(&m_worked);
    m_cluster->setCountryDatabase(m_db);
    connect(m_cluster.get(), &Cluster::connected, this, [this] { ++m_connects; });
    connect(m_cluster.get(), &Cluster::newSpot, this, [this](Spot &spot) {
        bool bOk = false;
        const int iNumber = spot.dxCall().mid(5).toInt(&bOk);
        if (!spot.dxCall().startsWith(QLatin1String("DL9SK")) || !bOk || iNumber < 0 || iNumber >= m_sent
            || spot.country().isEmpty()) {
            ++m_unexpected;
            qWarning() << "unexpected spot" << spot.dxCall() << spot.frequency() << spot.country();
            return;
        }
        ++m_delivered[size_t(iNumber)];
    });
    m_cluster->connectToNode();
    waitForLogin(0);

    QElapsedTimer clock;
    clock.start();
    double dWarmMiB = 0;
    int iRounds = 0;
    const qint64 llSoakMs = soakMs();
    while (iRounds < kMinRounds || clock.elapsed() < llSoakMs) {
        for (void (TestSoak::*pTurn)() :
             {&TestSoak::normalTurn, &TestSoak::garbageTurn, &TestSoak::longLineTurn, &TestSoak::cutEverywhereTurn,
              &TestSoak::silenceTurn, &TestSoak::droppedTurn, &TestSoak::refusedTurn}) {
            (this->*pTurn)();
            if (QTest::currentTestFailed())
                return;
        }
        if (++iRounds == 1)
            dWarmMiB = residentMiB();
    }
    normalTurn();

    qInfo() << iRounds << "rounds," << m_sent << "spots," << m_connects << "logins, resident" << dWarmMiB
            << "MiB after the first round," << residentMiB() << "MiB at the end";
    QCOMPARE(m_unexpected, 0);
    QVERIFY(m_connects > 3 * iRounds);
    for (int i = 0; i < m_sent; ++i) {
        if (m_delivered[size_t(i)] != 1)
            QFAIL(qPrintable(QStringLiteral("spot %1 delivered %2 times").arg(i).arg(m_delivered[size_t(i)])));
    }
    QVERIFY(m_cluster->isConnected());
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer holds freed memory back in quarantine: resident size
    // says nothing there, and its leak check does the job instead.
    QVERIFY2(residentMiB() - dWarmMiB < kMaxGrowthMiB,
             qPrintable(QStringLiteral("resident memory grew from %1 to %2 MiB").arg(dWarmMiB).arg(residentMiB())));
#endif
    m_cluster.reset();
    m_node.reset();
}

void TestSoak::waitForLogin(int iConnectsBefore)
{
    // Logged in on one live session, which the Cluster has heard from since.
    QTRY_VERIFY_WITH_TIMEOUT(m_connects > iConnectsBefore && m_cluster->isConnected() && !m_cluster->isRecovering()
                                 && m_node->clientCount() == 1 && m_node->loggedInCount() == 1,
                             kWaitMs);
}

QByteArray TestSoak::nextSpotLine()
{
    const int iNumber = m_sent++;
    if (iNumber >= kMaxSpots)
        qFatal("the soak test sends more spots than it can count");
    const TestSpot spot(3500.0 + (iNumber % 250) * 100.0, QStringLiteral("DL9SK%1").arg(iNumber),
                        QStringLiteral("DL1SOAK"), QStringLiteral("soak %1").arg(iNumber),
                        QDateTime::currentDateTimeUtc());
    return iNumber % 2 ? spot.cc11Line("Q1NODE-1") : spot.dxDeLine(true);
}

void TestSoak::sendSpots(int iCount)
{
    QByteArray baLines;
    for (int i = 0; i < iCount; ++i)
        baLines += nextSpotLine();
    m_node->sendRaw(baLines);
    waitForDelivery();
}

void TestSoak::waitForDelivery()
{
    const auto delivered = [this] {
        return std::all_of(m_delivered.begin(), m_delivered.begin() + m_sent,
                           [](quint8 uiCount) { return uiCount > 0; });
    };
    QVERIFY2(QTest::qWaitFor(delivered, kWaitMs),
             qPrintable(QStringLiteral("spots missing after %1 sent").arg(m_sent)));
}

void TestSoak::garbageTurn()
{
    m_node->sendGarbage(TestNode::Garbage::NulBytes);
    sendSpots(5);
    m_node->sendGarbage(TestNode::Garbage::InvalidUtf8);
    sendSpots(5);
    // Spot-like lines that can never be completed, and a caret storm.
    m_node->sendRaw(QByteArray("CC11^^^^^\r\nDX de\r\ndx de Q1:\0\r\n", 30) + QByteArray(3000, '^') + "\r\n");
    sendSpots(5);
}

void TestSoak::longLineTurn()
{
    // Text without a line feed glues to whatever comes next; a node has to
    // end it before the next spot can stand on its own.
    m_node->sendGarbage(TestNode::Garbage::LongLine);
    m_node->sendRaw("\r\n");
    sendSpots(5);
    m_node->sendRaw("DX de Q1LONG:  14025.0  " + QByteArray(1 << 20, 'x'));
    m_node->sendRaw("\r\n");
    sendSpots(5);
}

void TestSoak::cutEverywhereTurn()
{
    // One stream, each line cut at a different byte, the next line in the
    // other format: the pieces go out one by one, so each cut is a read.
    QByteArray baStream;
    QList<int> liCuts;
    for (int iCut = 1; iCut < kLongestLine; ++iCut) {
        for (int iFormat = 0; iFormat < 2; ++iFormat) {
            const QByteArray baLine = nextSpotLine();
            if (iCut < baLine.size())
                liCuts.append(int(baStream.size()) + iCut);
            baStream += baLine;
        }
    }
    m_node->sendSplit(baStream, liCuts, 1);
    waitForDelivery();
}

void TestSoak::silenceTurn()
{
    // Two idle periods without a word: recovery gives up, the node is probed
    // and connected to again.
    const int iConnects = m_connects;
    m_node->setSilent(true);
    QTest::qWait(m_cluster->timings().idleMs * 2 + 400);
    m_node->setSilent(false);
    waitForLogin(iConnects);
    sendSpots(10);
}

void TestSoak::droppedTurn()
{
    // Dropped in the middle of a line: the rest never comes, and must not
    // spoil the first line of the new connection.
    const int iConnects = m_connects;
    m_node->sendRaw(nextSpotLine().left(40));
    --m_sent;
    QTest::qWait(50);
    m_node->dropAllClients();
    waitForLogin(iConnects);
    sendSpots(10);
}

void TestSoak::refusedTurn()
{
    // Gone, refusing connections for a while, then back.
    const int iConnects = m_connects;
    QVERIFY(m_node->setRefuseConnections(true));
    m_node->dropAllClients();
    QTest::qWait(800);
    QVERIFY(!m_cluster->isConnected());
    QVERIFY(m_node->setRefuseConnections(false));
    waitForLogin(iConnects);
    sendSpots(10);
}

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
