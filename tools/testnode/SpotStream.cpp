#include "SpotStream.h"

#include <QFile>
#include <QLoggingCategory>

#include <cmath>

namespace {

Q_LOGGING_CATEGORY(lcStream, "kelvane.testnode.stream", QtInfoMsg)

// Fast mode hands out this many spots per event loop turn; big enough that
// the per-batch overhead vanishes, small enough that sockets get serviced.
constexpr qint64 kFastBatch = 1000;
// A paced stream never bursts more than this in one tick, whatever it owes.
constexpr qint64 kMaxBatch = 20000;
constexpr int kMinIntervalMs = 10;
constexpr int kMaxIntervalMs = 1000;
constexpr int kMaxFileLineLength = 4096;
constexpr qsizetype kMaxFileSpots = 1000000;
// A scheduled stream looks at the clock this often; its spots leave within
// this time after their second.
constexpr int kScheduleIntervalMs = 100;
// A scheduled stream that fell further behind (a stalled event loop) skips
// ahead rather than sending a minute of spots at once.
constexpr qint64 kMaxScheduledBacklogSecs = 10;

// The seed of one second of a scheduled stream: well mixed, so that
// neighbouring seconds and seeds do not give related sequences.
quint32 secondSeed(quint32 uiSeed, qint64 iSecond)
{
    quint64 x = (quint64(uiSeed) << 32) ^ quint64(iSecond);
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    x ^= x >> 31;
    return quint32(x >> 32);
}

// How many spots second iSecond holds at dRate, so that any run of seconds
// averages dRate and every stream counts the same for the same second.
int spotsInSecond(double dRate, qint64 iSecond)
{
    const double dWhole = std::floor(dRate);
    const double dFraction = dRate - dWhole;
    const double dExtra = std::floor(double(iSecond + 1) * dFraction) - std::floor(double(iSecond) * dFraction);
    return int(dWhole + dExtra);
}

} // namespace

SpotStream::SpotStream(QObject *pParent) : QObject(pParent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SpotStream::onTick);
}

void SpotStream::startGenerator(double dRate, qint64 iCount, quint32 uiSeed)
{
    m_generator.reseed(uiSeed);
    m_fromList = false;
    m_scheduled = false;
    m_list.clear();
    start(dRate, qMax<qint64>(0, iCount));
}

void SpotStream::startList(const QList<TestSpot> &lSpots, double dRate, qint64 iCount)
{
    m_fromList = true;
    m_scheduled = false;
    m_list = lSpots;
    m_listIndex = 0;
    if (m_list.isEmpty()) {
        stop();
        Q_EMIT finished();
        return;
    }
    start(dRate, iCount > 0 ? iCount : m_list.size());
}

void SpotStream::startScheduled(Source eSource, double dRate, qint64 iCount, quint32 uiSeed, int iDelaySecs)
{
    m_fromList = false;
    m_list.clear();
    m_scheduled = true;
    m_source = eSource;
    m_seed = uiSeed;
    m_delaySecs = qMax(0, iDelaySecs);
    start(dRate, qMax<qint64>(0, iCount));
}

void SpotStream::start(double dRate, qint64 iCount)
{
    m_rate = std::isfinite(dRate) ? qMax(0.0, dRate) : 0.0;
    m_limit = iCount;
    m_sent = 0;
    m_running = true;
    m_paused = false;
    if (m_scheduled)
        m_timer.setInterval(kScheduleIntervalMs);
    else if (m_rate <= 0.0)
        m_timer.setInterval(0);
    else
        m_timer.setInterval(qBound(kMinIntervalMs, int(1000.0 / m_rate), kMaxIntervalMs));
    restartClock();
    m_timer.start();
}

void SpotStream::restartClock()
{
    m_clock.start();
    m_sentSinceClock = 0;
    m_nextSecond = QDateTime::currentSecsSinceEpoch() - m_delaySecs;
}

void SpotStream::stop()
{
    m_running = false;
    m_timer.stop();
}

void SpotStream::setPaused(bool bPaused)
{
    if (bPaused == m_paused)
        return;
    m_paused = bPaused;
    if (!m_running)
        return;
    if (m_paused) {
        m_timer.stop();
    } else {
        // Spots owed for the time spent paused are not made up in a burst.
        restartClock();
        m_timer.start();
    }
}

bool SpotStream::isRunning() const
{
    return m_running;
}

bool SpotStream::isPaused() const
{
    return m_paused;
}

qint64 SpotStream::sentCount() const
{
    return m_sent;
}

void SpotStream::onTick()
{
    if (!m_running || m_paused)
        return;
    if (m_scheduled) {
        tickScheduled();
        return;
    }
    qint64 iDue = kFastBatch;
    if (m_rate > 0.0) {
        // Round to the nearest spot so that a tick arriving a little early
        // still sends the spot it was scheduled for.
        const double dSeconds = double(m_clock.nsecsElapsed()) / 1.0e9;
        const qint64 iOwed = qint64(std::floor(dSeconds * m_rate + 0.5)) - m_sentSinceClock;
        if (iOwed > kMaxBatch) {
            // Far behind (the receiver cannot keep up): start counting afresh.
            qCDebug(lcStream) << "stream behind by" << iOwed << "spots; resetting its clock";
            restartClock();
        }
        iDue = qMin(iOwed, kMaxBatch);
    }
    if (m_limit > 0)
        iDue = qMin(iDue, m_limit - m_sent);
    if (iDue <= 0)
        return;

    QList<TestSpot> lBatch;
    lBatch.reserve(iDue);
    if (m_fromList) {
        for (qint64 i = 0; i < iDue; ++i) {
            lBatch.append(m_list.at(m_listIndex));
            m_listIndex = (m_listIndex + 1) % m_list.size();
        }
    } else {
        // One clock reading per batch: the minute is all a spot line shows.
        m_generator.setFixedTime(QDateTime::currentDateTimeUtc());
        for (qint64 i = 0; i < iDue; ++i)
            lBatch.append(m_generator.next());
    }
    m_sentSinceClock += iDue;
    emitBatch(lBatch);
}

void SpotStream::emitBatch(QList<TestSpot> lBatch)
{
    if (m_limit > 0 && lBatch.size() > m_limit - m_sent)
        lBatch.resize(m_limit - m_sent);
    if (lBatch.isEmpty())
        return;
    m_sent += lBatch.size();
    Q_EMIT spotsReady(lBatch);
    if (m_running && m_limit > 0 && m_sent >= m_limit) {
        stop();
        Q_EMIT finished();
    }
}

void SpotStream::tickScheduled()
{
    const qint64 iDue = QDateTime::currentSecsSinceEpoch() - m_delaySecs;
    if (iDue - m_nextSecond > kMaxScheduledBacklogSecs) {
        qCDebug(lcStream) << "scheduled stream behind by" << iDue - m_nextSecond << "seconds; skipping ahead";
        m_nextSecond = iDue - kMaxScheduledBacklogSecs;
    }
    QList<TestSpot> lBatch;
    for (; m_nextSecond <= iDue; ++m_nextSecond)
        lBatch += scheduledBatch(m_nextSecond);
    emitBatch(lBatch);
}

QList<TestSpot> SpotStream::scheduledBatch(qint64 iSecond)
{
    const int iCount = spotsInSecond(m_rate, iSecond);
    if (iCount <= 0)
        return {};
    const QDateTime dtSecond = QDateTime::fromSecsSinceEpoch(iSecond, Qt::UTC);
    const quint32 uiSeed = secondSeed(m_seed, iSecond);
    if (m_source == Source::Skimmers) {
        m_skimmers.reseed(uiSeed);
        return m_skimmers.generate(iCount, dtSecond);
    }
    m_generator.reseed(uiSeed);
    m_generator.setFixedTime(dtSecond);
    return m_generator.generate(iCount);
}

bool SpotStream::loadFile(const QString &qsPath, QList<TestSpot> *plSpots, QString *pqsError)
{
    QFile file(qsPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *pqsError = QStringLiteral("cannot open spot file %1: %2").arg(qsPath, file.errorString());
        return false;
    }
    plSpots->clear();
    int iLineNumber = 0;
    int iSkipped = 0;
    while (!file.atEnd()) {
        // readLine with a limit: a file without line feeds cannot make us hold it whole.
        QByteArray baLine = file.readLine(kMaxFileLineLength);
        ++iLineNumber;
        if (!baLine.endsWith('\n') && !file.atEnd()) {
            qCWarning(lcStream).noquote()
                << qsPath << "line" << iLineNumber << "longer than" << kMaxFileLineLength << "bytes; skipped";
            ++iSkipped;
            while (!file.atEnd() && !file.readLine(kMaxFileLineLength).endsWith('\n')) { }
            continue;
        }
        while (baLine.endsWith('\n') || baLine.endsWith('\r'))
            baLine.chop(1);
        if (baLine.trimmed().isEmpty() || baLine.trimmed().startsWith('#'))
            continue;
        TestSpot spot;
        QString qsError;
        if (!TestSpot::fromText(baLine, &spot, &qsError)) {
            qCWarning(lcStream).noquote() << qsPath << "line" << iLineNumber << "skipped:" << qsError;
            ++iSkipped;
            continue;
        }
        plSpots->append(spot);
        if (plSpots->size() >= kMaxFileSpots) {
            qCWarning(lcStream) << qsPath << "has more than" << kMaxFileSpots << "spots; the rest is ignored";
            break;
        }
    }
    if (plSpots->isEmpty()) {
        *pqsError = QStringLiteral("spot file %1 holds no usable spot (%2 lines skipped)").arg(qsPath).arg(iSkipped);
        return false;
    }
    return true;
}
