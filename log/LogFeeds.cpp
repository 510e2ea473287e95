#include "LogFeeds.h"

#include "LogStore.h"
#include "WsjtxListener.h"

#include "API/QsLog/QsLog.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>

namespace {
constexpr qint64 kSkipLineIntervalMs = 10 * 1000;
} // namespace

LogFeeds::LogFeeds(LogStore *pStore, QObject *pParent)
    : QObject(pParent)
    , m_store(pStore)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &LogFeeds::onPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &LogFeeds::onPathChanged);
    m_storeTimer.setSingleShot(true);
    m_storeTimer.setInterval(0);
    connect(&m_storeTimer, &QTimer::timeout, this, &LogFeeds::storeReports);
    m_skipLineTimer.setSingleShot(true);
    connect(&m_skipLineTimer, &QTimer::timeout, this, &LogFeeds::logSkipped);
}

LogFeeds::~LogFeeds()
{
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
        m_offset = 0;
        m_head.clear();
        m_reader.reset();
        if (!m_fileName.isEmpty()) {
            watch();
            readWatchedFile();
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

void LogFeeds::readWatchedFile()
{
    QFile file(m_fileName);
    if (m_fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray qbaHead = file.read(kHeadBytes);
    const bool bRewritten = file.size() < m_offset || !qbaHead.startsWith(m_head.left(qbaHead.size()))
                            || (m_head.size() > qbaHead.size());
    if (bRewritten || !m_reader) {
        if (m_reader) {
            QLOG_INFO() << "The watched log" << m_fileName << "was rewritten; reading it again";
        }
        m_offset = 0;
        m_reader = std::make_unique<AdifReader>();
    }
    m_head = qbaHead;
    if (file.size() == m_offset || !file.seek(m_offset))
        return;

    // One transaction for what this change brought; while an import runs
    // the store keeps the records for after it.
    const bool bOwnTransaction = m_store->beginImport();
    LogStore::ImportResult result;
    qint64 iRead = 0;
    do {
        const QByteArray qbaChunk = file.read(AdifReader::kChunkBytes);
        iRead = qbaChunk.size();
        m_offset += iRead;
        m_reader->feed(qbaChunk);
        const QList<AdifRecord> records = m_reader->takeRecords();
        if (bOwnTransaction)
            m_store->importRecords(records, &result);
        else
            m_store->storeRecords(records);
    } while (iRead > 0);
    if (bOwnTransaction && !m_store->commitImport())
        return;
    if (result.imported > 0 || result.skipped > 0) {
        QLOG_INFO() << "Watched log" << m_fileName << ":" << result.imported << "QSOs read," << result.skipped
                    << "skipped";
    }
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
    m_reportedRecords += reader.takeRecords();
    m_storeTimer.start();
}

void LogFeeds::onQsoReported(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz,
                             const QString &qsMode)
{
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
    const LogStore::ImportResult result
        = m_store->storeBatch(std::exchange(m_reportedRecords, {}), std::exchange(m_reportedQsos, {}));
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
