#include "LogFeeds.h"

#include "LogStore.h"
#include "WatchedLogReader.h"
#include "WsjtxListener.h"

#include "API/QsLog/QsLog.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>

namespace {
constexpr qint64 kSkipLineIntervalMs = 10 * 1000;
// A turn without records stores where the file stands only this often: a
// large file of no records is not a transaction per turn.
constexpr qint64 kStoreEveryBytes = 16 * 1024 * 1024;
} // namespace

LogFeeds::LogFeeds(LogStore *pStore, QObject *pParent) : QObject(pParent), m_store(pStore)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &LogFeeds::onPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &LogFeeds::onPathChanged);
    m_storeTimer.setSingleShot(true);
    m_storeTimer.setInterval(0);
    connect(&m_storeTimer, &QTimer::timeout, this, &LogFeeds::storeReports);
    m_skipLineTimer.setSingleShot(true);
    connect(&m_skipLineTimer, &QTimer::timeout, this, &LogFeeds::logSkipped);

    m_reader = new WatchedLogReader;
    m_reader->moveToThread(&m_readerThread);
    connect(&m_readerThread, &QThread::finished, m_reader, &QObject::deleteLater);
    connect(this, &LogFeeds::readerStartRequested, m_reader, &WatchedLogReader::start);
    connect(this, &LogFeeds::readerTurnRequested, m_reader, &WatchedLogReader::readTurn);
    connect(m_reader, &WatchedLogReader::turnRead, this, &LogFeeds::onTurnRead);
    connect(m_reader, &WatchedLogReader::idle, this, &LogFeeds::onReaderIdle);
    m_readerThread.setObjectName(QStringLiteral("watched log"));
    m_readerThread.start();
}

LogFeeds::~LogFeeds()
{
    // A turn is one bounded read: the thread ends within it, also in the
    // middle of a huge file.
    m_readerThread.quit();
    m_readerThread.wait();
    // What came in during the last turn is not lost with the window.
    storeReports();
    logSkipped();
}

quint16 LogFeeds::wsjtxPort() const
{
    return m_wsjtx ? m_wsjtx->localPort() : 0;
}

void LogFeeds::apply(const LogSettings &settings)
{
    const QString qsFile = settings.watchedFile.trimmed();
    if (qsFile != m_fileName) {
        if (!m_watcher.files().isEmpty())
            m_watcher.removePaths(m_watcher.files());
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        m_fileName = qsFile;
        ++m_generation;
        m_started = false;
        m_reading = false;
        m_changedMeanwhile = false;
        m_refusedWhy.clear();
        if (!m_fileName.isEmpty()) {
            watch();
            // After the window is up: the start never waits for the file.
            QTimer::singleShot(0, this, [this, iGeneration = m_generation] {
                if (iGeneration == m_generation)
                    startReading();
            });
        }
    }
    applyWsjtx(settings);
}

void LogFeeds::watch()
{
    // The folder too: a program that saves by writing a new file and
    // renaming it over the old one ends the watch on the old file.
    const QString qsFolder = QFileInfo(m_fileName).absolutePath();
    if (!m_watcher.directories().contains(qsFolder))
        m_watcher.addPath(qsFolder);
    if (QFileInfo::exists(m_fileName) && !m_watcher.files().contains(m_fileName))
        m_watcher.addPath(m_fileName);
}

void LogFeeds::onPathChanged()
{
    if (m_fileName.isEmpty())
        return;
    watch();
    readWatchedFile();
}

void LogFeeds::startReading()
{
    const LogStore::WatchState state = m_store->watchState(m_fileName);
    m_started = true;
    m_reading = true;
    m_storedOffset = state.offset;
    m_readResult = LogStore::ImportResult();
    Q_EMIT readerStartRequested(m_fileName, state, m_generation);
}

void LogFeeds::readWatchedFile()
{
    if (m_fileName.isEmpty() || !m_started)
        return;
    if (m_reading) {
        m_changedMeanwhile = true;
        return;
    }
    m_reading = true;
    m_readResult = LogStore::ImportResult();
    Q_EMIT readerTurnRequested(m_generation);
}

void LogFeeds::onTurnRead(int iGeneration, const QList<AdifRecord> &records, const LogStore::WatchState &state,
                          bool bMore)
{
    if (iGeneration != m_generation)
        return;
    noteLastRecord(records);
    if (!records.isEmpty() || !bMore || state.offset < m_storedOffset
        || state.offset - m_storedOffset >= kStoreEveryBytes) {
        const LogStore::ImportResult result = m_store->storeWatched(records, m_fileName, state);
        m_readResult.imported += result.imported;
        m_readResult.merged += result.merged;
        m_readResult.skipped += result.skipped;
        m_storedOffset = state.offset;
    }
    if (bMore) {
        Q_EMIT readerTurnRequested(m_generation);
        return;
    }
    endRead();
}

void LogFeeds::onReaderIdle(int iGeneration, const QString &qsWhy)
{
    if (iGeneration != m_generation)
        return;
    if (!qsWhy.isEmpty() && qsWhy != m_refusedWhy) {
        m_refusedWhy = qsWhy;
        QLOG_WARN() << qsWhy;
        Q_EMIT watchedFileRefused(qsWhy);
    }
    endRead();
}

void LogFeeds::endRead()
{
    m_reading = false;
    if (m_readResult.imported > 0 || m_readResult.merged > 0 || m_readResult.skipped > 0) {
        QLOG_INFO() << "Watched log" << m_fileName << ":" << m_readResult.imported << "QSOs read,"
                    << m_readResult.merged << "already in the log," << m_readResult.skipped << "skipped";
    }
    m_readResult = LogStore::ImportResult();
    Q_EMIT watchedFileRead();
    if (std::exchange(m_changedMeanwhile, false))
        readWatchedFile();
}

void LogFeeds::applyWsjtx(const LogSettings &settings)
{
    // Every accepted settings dialog applies; the socket stays bound unless
    // its own settings changed.
    const QStringList wsjtxSettings = {QString::number(settings.wsjtxEnabled), QString::number(settings.wsjtxPort),
                                       settings.wsjtxAddress.trimmed(), settings.wsjtxGroup.trimmed()};
    if (wsjtxSettings == m_wsjtxSettings)
        return;
    m_wsjtxSettings = wsjtxSettings;
    m_wsjtx.reset();
    m_wsjtxError.clear();
    if (!settings.wsjtxEnabled)
        return;
    auto pListener = std::make_unique<WsjtxListener>();
    const QHostAddress address(settings.wsjtxAddress.trimmed());
    const QString qsGroup = settings.wsjtxGroup.trimmed();
    if (!pListener->listen(address, settings.wsjtxPort, qsGroup.isEmpty() ? QHostAddress() : QHostAddress(qsGroup))) {
        m_wsjtxError = pListener->errorString();
        QLOG_WARN() << "QSO reports cannot be received on" << settings.wsjtxAddress << settings.wsjtxPort << ":"
                    << m_wsjtxError;
        return;
    }
    connect(pListener.get(), &WsjtxListener::adifLogged, this, &LogFeeds::onAdifReported);
    connect(pListener.get(), &WsjtxListener::qsoLogged, this, &LogFeeds::onQsoReported);
    m_wsjtx = std::move(pListener);
}

void LogFeeds::onAdifReported(const QByteArray &qbaAdif)
{
    AdifReader reader;
    reader.feed(qbaAdif);
    reader.finish();
    const QList<AdifRecord> records = reader.takeRecords();
    noteLastRecord(records);
    m_reportedRecords += records;
    m_storeTimer.start();
}

void LogFeeds::onQsoReported(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz,
                             const QString &qsMode)
{
    const QString qsSafeCall = qsCall.trimmed().left(20).toUpper();
    if (!qsSafeCall.isEmpty()) {
        m_lastQso = {qsSafeCall, LastQso::kHzFromHz(uiFrequencyHz), qsMode.trimmed().left(16)};
        Q_EMIT lastQsoChanged(m_lastQso);
    }
    LogQso qso;
    QString qsWhy;
    if (!LogStore::qsoFromReport(qsCall, qdtOn, uiFrequencyHz, qsMode, &qso, &qsWhy)) {
        noteSkipped(1, tr("%1: %2").arg(qsCall.left(20), qsWhy));
        return;
    }
    m_reportedQsos.append(qso);
    m_storeTimer.start();
}

void LogFeeds::storeReports()
{
    m_storeTimer.stop();
    if (m_reportedRecords.isEmpty() && m_reportedQsos.isEmpty())
        return;
    const LogStore::ImportResult result =
        m_store->storeBatch(std::exchange(m_reportedRecords, {}), std::exchange(m_reportedQsos, {}));
    if (result.skipped > 0)
        noteSkipped(result.skipped, result.reasons.value(result.reasons.size() - 1));
}

void LogFeeds::noteSkipped(int iCount, const QString &qsWhy)
{
    m_skippedUnlogged += iCount;
    m_lastSkipWhy = qsWhy;
    Q_EMIT reportsSkipped(iCount, qsWhy);
    if (!m_sinceSkipLine.isValid() || m_sinceSkipLine.hasExpired(kSkipLineIntervalMs))
        logSkipped();
    else if (!m_skipLineTimer.isActive())
        m_skipLineTimer.start(int(kSkipLineIntervalMs - m_sinceSkipLine.elapsed()));
}

void LogFeeds::logSkipped()
{
    if (m_skippedUnlogged == 0)
        return;
    QLOG_WARN() << "Reported QSOs not logged:" << m_skippedUnlogged << "the last:" << m_lastSkipWhy;
    m_skippedUnlogged = 0;
    m_sinceSkipLine.start();
    m_skipLineTimer.stop();
}

void LogFeeds::noteLastRecord(const QList<AdifRecord> &records)
{
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        const QString qsCall = it->value(AdifRecord::Call).trimmed().left(20).toUpper();
        if (qsCall.isEmpty())
            continue;
        // The submode says more ("FT4" beside "MFSK") when there is one.
        const QString qsSubmode = it->value(AdifRecord::Submode).trimmed();
        m_lastQso = {qsCall, LastQso::kHzFromMHz(it->value(AdifRecord::Freq)),
                     (qsSubmode.isEmpty() ? it->value(AdifRecord::Mode).trimmed() : qsSubmode).left(16)};
        Q_EMIT lastQsoChanged(m_lastQso);
        return;
    }
}
