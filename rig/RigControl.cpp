#include "rig/RigControl.h"

#include "API/QsLog/QsLog.h"
#include "rig/HRDConnection.h"
#include "rig/LibraryCheck.h"
#include "rig/SplitDetector.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLibrary>
#include <QStandardPaths>

RigControl::RigControl(QObject *parent) : QObject(parent), m_thread(new HRDCommandsThread)
{
    connect(m_thread, &HRDCommandsThread::HRDError, this, &RigControl::HRDError);
    connect(m_thread, &QThread::finished, this, &RigControl::onHRDCommandsThreadFinished);
}

RigControl::~RigControl()
{
    m_pendingRequest.reset();
    // Every thread stops at its next step; together they get one bounded wait.
    const QList<QThread *> readers = findChildren<QThread *>(Qt::FindDirectChildrenOnly);
    m_thread->requestInterruption();
    for (QThread *pReader : readers)
        pReader->requestInterruption();
    QDeadlineTimer deadline(kStopWaitMs);
    for (QThread *pReader : readers) {
        if (!pReader->wait(deadline)) {
            // Destroying a running thread aborts the program; this one holds
            // its own reference to the library and ends by itself.
            disconnect(pReader, nullptr, this, nullptr);
            pReader->setParent(nullptr);
        }
    }
    disconnect(m_thread, nullptr, this, nullptr);
    if (m_thread->wait(deadline)) {
        delete m_thread;
    } else {
        QLOG_WARN() << "[HRD] The rig server does not answer; not waiting for the tune to end";
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
    m_thread = nullptr;
    unloadHRDLibrary();
}

QString RigControl::libraryFileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("HRDInterface001.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libHRDInterface001.dylib");
#else
    return QStringLiteral("libHRDInterface001.so");
#endif
}

QString RigControl::libraryPath()
{
    const QString qsDownloaded =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/') + libraryFileName();
    // A damaged copy there would take precedence and crash every start.
    if (QFileInfo::exists(qsDownloaded) && LibraryCheck::checkElf(qsDownloaded).isEmpty())
        return qsDownloaded;
    const QString qsBeside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + libraryFileName();
    if (QFileInfo::exists(qsBeside))
        return qsBeside;
#ifdef KELVANE_RIG_LIBRARY_DIR
    // An installed program keeps the library in a private folder, found
    // relative to the executable so that a package installed under another
    // prefix still finds its own copy.
    const QString qsInstalled =
        QCoreApplication::applicationDirPath() + QStringLiteral("/" KELVANE_RIG_LIBRARY_DIR "/") + libraryFileName();
    if (QFileInfo::exists(qsInstalled))
        return QFileInfo(qsInstalled).canonicalFilePath();
#endif
    return qsBeside;
}

QString RigControl::checkerPath()
{
    const QString qsName = QStringLiteral("kelvane-rigcheck");
    const QString qsBeside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + qsName;
    if (QFileInfo::exists(qsBeside))
        return qsBeside;
#ifdef KELVANE_RIG_LIBRARY_DIR
    const QString qsInstalled =
        QCoreApplication::applicationDirPath() + QStringLiteral("/" KELVANE_RIG_LIBRARY_DIR "/") + qsName;
    if (QFileInfo::exists(qsInstalled))
        return QFileInfo(qsInstalled).canonicalFilePath();
#endif
#ifdef KELVANE_RIGCHECK_BUILD_FILE
    // Programs run from the build tree other than the application: the tests.
    if (QFileInfo::exists(QStringLiteral(KELVANE_RIGCHECK_BUILD_FILE)))
        return QStringLiteral(KELVANE_RIGCHECK_BUILD_FILE);
#endif
    return qsBeside;
}

QString RigControl::rejectBrokenDownload()
{
    return LibraryCheck::rejectBroken(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                          + QLatin1Char('/') + libraryFileName(),
                                      checkerPath());
}

bool RigControl::isLibraryInstalled()
{
    return QFileInfo::exists(libraryPath());
}

void RigControl::loadHRDLibrary(bool bEnabled)
{
    // A saved setting may point at another server and rig.
    m_bCachesStale = true;
    m_bReloadPending = true;
    m_bEnabled = bEnabled;
    reloadWhenFree();
}

void RigControl::reloadWhenFree()
{
    // A tune or read still running keeps calling into the library: the
    // reload waits for it to end rather than the caller waiting for it.
    // Loading a second instance meanwhile would not help: the first one's
    // unload would take the file away from under both.
    if (!m_bReloadPending || (m_pLibrary && m_pLibrary.use_count() > 1))
        return;
    m_bReloadPending = false;
    unloadHRDLibrary();
    if (!m_bEnabled)
        return;
    // A download may have been damaged or replaced since the start.
    if (const QString qsRejected = rejectBrokenDownload(); !qsRejected.isEmpty())
        Q_EMIT HRDError(qsRejected);
    const QString qsPath = libraryPath();
    // Whoever lets go of the library last unloads it, on whatever thread.
    m_pLibrary = std::shared_ptr<QLibrary>(new QLibrary(qsPath), [](QLibrary *pLibrary) {
        if (pLibrary->isLoaded())
            pLibrary->unload();
        delete pLibrary;
    });
    // Only a library that loaded in a process of its own comes into ours.
    const QString qsWhy = QFileInfo::exists(qsPath) ? LibraryCheck::checkInChild(qsPath, checkerPath()) : QString();
    if (!qsWhy.isEmpty()) {
        QLOG_WARN() << "[HRD] Not loading the rig-control library" << qsPath << ":" << qsWhy;
        Q_EMIT HRDError(tr("The rig-control library %1 was not loaded: %2").arg(qsPath, qsWhy));
    } else if (!m_pLibrary->load()) {
        QLOG_WARN() << "[HRD] Could not load the rig-control library:" << m_pLibrary->errorString();
    }
}

void RigControl::unloadHRDLibrary()
{
    m_pLibrary.reset();
}

bool RigControl::tune(bool bEnabled, const QString &qsAddress, quint16 uiPort, bool bAttemptSplit,
                      const QString &qsFrequency, const QString &qsComment)
{
    if (!bEnabled) {
        Q_EMIT HRDError(tr("Error! CAT is disabled in Settings."));
        return false;
    }
    QLOG_DEBUG() << "Double clicked on spot: frequency" << qsFrequency << ", comment" << qsComment;
    if (HRDCommandsThread::hertzText(qsFrequency).isEmpty()) {
        const QString qsWhy = tr("Not tuning to %1 kHz: rigs are tuned from 100 kHz to 250 GHz.").arg(qsFrequency);
        QLOG_WARN() << "[HRD]" << qsWhy;
        Q_EMIT tuneRefused(qsWhy);
        return false;
    }

    TuneRequest request {qsAddress, uiPort, qsFrequency,
                         bAttemptSplit ? SplitDetector::transmitFrequency(qsComment, qsFrequency) : QString(),
                         qsComment};
    // A request that waits goes after the one behind it, even when the
    // thread has just ended and its finished() is still on its way.
    if (m_thread->isRunning() || m_pendingRequest || m_bPolling) {
        if (m_pendingRequest) {
            QLOG_DEBUG() << "[HRD] Tune request for" << m_pendingRequest->qsFrequency << "replaced by a newer one";
        }
        QLOG_DEBUG() << "[HRD] Tune request for" << qsFrequency << "waits for the rig to be free";
        m_pendingRequest = request;
        return true;
    }
    start(request);
    return true;
}

bool RigControl::isTuning() const
{
    return m_thread->isRunning() || m_pendingRequest.has_value();
}

bool RigControl::readFrequency(const QString &qsAddress, quint16 uiPort)
{
    return startReader(qsAddress, uiPort, false) != nullptr;
}

bool RigControl::pollFrequency(const QString &qsAddress, quint16 uiPort)
{
    if (m_bPolling || isTuning())
        return false;
    QThread *pPoll = startReader(qsAddress, uiPort, true);
    if (!pPoll)
        return false;
    m_bPolling = true;
    connect(pPoll, &QThread::finished, this, &RigControl::onPollFinished);
    return true;
}

QThread *RigControl::startReader(const QString &qsAddress, quint16 uiPort, bool bPoll)
{
    if ((m_bReloadPending && !m_bEnabled) || !m_pLibrary || !m_pLibrary->isLoaded())
        return nullptr;
    QThread *pReader = QThread::create([this, pLibrary = m_pLibrary, qsAddress, uiPort, bPoll]() mutable {
        readFrequencyNow(pLibrary.get(), qsAddress, uiPort, bPoll);
        // Let go before finished(), which may reload the library.
        pLibrary.reset();
    });
    pReader->setParent(this);
    connect(pReader, &QThread::finished, pReader, &QObject::deleteLater);
    connect(pReader, &QThread::finished, this, &RigControl::reloadWhenFree);
    pReader->start();
    return pReader;
}

void RigControl::readFrequencyNow(QLibrary *pLibrary, const QString &qsAddress, quint16 uiPort, bool bPoll)
{
    HRDConnection connection(pLibrary);
    connection.setQuiet(bPoll);
    QString qsError;
    QString qsReply;
    const bool bRead =
        connection.open(qsAddress, uiPort, qsError) && connection.send(QStringLiteral("get frequency"), qsReply);
    connection.close();
    // Once stopped, this thread may outlive us: it touches us no more.
    if (QThread::currentThread()->isInterruptionRequested())
        return;
    // A poll that fails only takes the marker away: a message box a second
    // would bury the window.
    if (bPoll) {
        QMetaObject::invokeMethod(
            this,
            [this, qsReply, qsError] {
                notePollResult(qsReply, qsError);
                Q_EMIT frequencyPolled(qsReply);
            },
            Qt::QueuedConnection);
    } else if (bRead) {
        QMetaObject::invokeMethod(
            this, [this, qsReply] { Q_EMIT frequencyRead(qsReply); }, Qt::QueuedConnection);
    } else if (!qsError.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, qsError] { Q_EMIT frequencyReadFailed(qsError); }, Qt::QueuedConnection);
    }
}

void RigControl::start(const TuneRequest &request)
{
    if (m_bCachesStale) {
        m_thread->clearCaches();
        m_bCachesStale = false;
    }
    // The library of the moment: a settings save may have replaced it while
    // the request waited.
    if (m_thread->setParameters(request.qsAddress, request.uiPort, m_pLibrary, request.qsFrequency,
                                request.qsTxFrequency, request.qsComment))
        m_thread->start(QThread::InheritPriority);
}

void RigControl::onHRDCommandsThreadFinished()
{
    // A finished() that arrives after a new run started belongs to the
    // previous run.
    if (m_thread->isRunning())
        return;
    reloadWhenFree();
    if (m_pendingRequest && !m_bPolling) {
        startPendingTune();
        return;
    }
    Q_EMIT finished();
}

void RigControl::notePollResult(const QString &qsReply, const QString &qsError)
{
    // One line when the rig stops answering the polls and one when it is
    // back, however long it stays away.
    if (qsReply.isEmpty() && !m_bPollFailing) {
        QLOG_WARN() << "[HRD] The rig does not answer the frequency poll:"
                    << (qsError.isEmpty() ? QStringLiteral("no reply") : qsError);
        m_bPollFailing = true;
    } else if (!qsReply.isEmpty() && m_bPollFailing) {
        QLOG_INFO() << "[HRD] The rig answers the frequency poll again";
        m_bPollFailing = false;
    }
}

void RigControl::onPollFinished()
{
    m_bPolling = false;
    if (m_pendingRequest && !m_thread->isRunning())
        startPendingTune();
}

void RigControl::startPendingTune()
{
    const TuneRequest request = *m_pendingRequest;
    m_pendingRequest.reset();
    start(request);
}
