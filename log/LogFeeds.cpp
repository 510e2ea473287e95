#include "LogFeeds.h"

#include "LogStore.h"

#include "API/QsLog/QsLog.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>

#include "log/WsjtxListener.h"

LogFeeds::LogFeeds(LogStore *pStore, QObject *pParent)
    : QObject(pParent)
    , m_store(pStore)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &LogFeeds::onPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &LogFeeds::onPathChanged);
}

LogFeeds::~LogFeeds() = default;

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
    delete m_wsjtx;
    m_wsjtx = nullptr;
    m_wsjtxError.clear();
    if (!settings.wsjtxEnabled)
        return;
    auto *pListener = new WsjtxListener(this);
    const QHostAddress address(settings.wsjtxAddress.trimmed());
    const QString qsGroup = settings.wsjtxGroup.trimmed();
    if (!pListener->listen(address, settings.wsjtxPort, qsGroup.isEmpty() ? QHostAddress() : QHostAddress(qsGroup))) {
        m_wsjtxError = pListener->errorString();
        QLOG_WARN() << "QSO reports cannot be received on" << settings.wsjtxAddress << settings.wsjtxPort << ":"
                    << m_wsjtxError;
        delete pListener;
        return;
    }
    connect(pListener, &WsjtxListener::adifLogged, m_store,
            [this](const QByteArray &qbaAdif) { m_store->storeAdif(qbaAdif); });
    connect(pListener, &WsjtxListener::qsoLogged, m_store,
            [this](const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz, const QString &qsMode) {
                m_store->storeQso(qsCall, qdtOn, uiFrequencyHz, qsMode);
            });
    m_wsjtx = pListener;
}
