#include "rig/RigControl.h"

#include "API/QsLog/QsLog.h"
#include "rig/SplitDetector.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QStandardPaths>

RigControl::RigControl(QObject *parent) : QObject(parent)
{
    connect(&m_thread, &HRDCommandsThread::HRDError, this, &RigControl::HRDError);
    connect(&m_thread, &QThread::finished, this, &RigControl::onHRDCommandsThreadFinished);
}

RigControl::~RigControl()
{
    m_pendingRequest.reset();
    m_thread.requestInterruption();
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
    const QString qsDownloaded = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                 + QLatin1Char('/') + libraryFileName();
    if (QFileInfo::exists(qsDownloaded))
        return qsDownloaded;
    const QString qsBeside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + libraryFileName();
    if (QFileInfo::exists(qsBeside))
        return qsBeside;
#ifdef KELVANE_RIG_LIBRARY_DIR
    // An installed program keeps the library in a private folder, found
    // relative to the executable so that a package installed under another
    // prefix still finds its own copy.
    const QString qsInstalled = QCoreApplication::applicationDirPath() + QStringLiteral("/" KELVANE_RIG_LIBRARY_DIR "/")
                                + libraryFileName();
    if (QFileInfo::exists(qsInstalled))
        return QFileInfo(qsInstalled).canonicalFilePath();
#endif
    return qsBeside;
}

bool RigControl::isLibraryInstalled()
{
    return QFileInfo::exists(libraryPath());
}

void RigControl::loadHRDLibrary(bool bEnabled)
{
    unloadHRDLibrary();
    // A saved setting may point at another server and rig.
    m_thread.clearCaches();
    if (!bEnabled)
        return;
    m_pLibrary = std::make_unique<QLibrary>(libraryPath());
    if (!m_pLibrary->load()) {
        QLOG_WARN() << "[HRD] Could not load the rig-control library:" << m_pLibrary->errorString();
    }
}

void RigControl::unloadHRDLibrary()
{
    if (m_thread.isRunning()) {
        QLOG_DEBUG() << "[HRD] Waiting for the tune to end before unloading the library";
        m_thread.wait();
    }
    if (m_pLibrary && m_pLibrary->isLoaded())
        m_pLibrary->unload();
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

    TuneRequest request{qsAddress, uiPort, qsFrequency,
                        bAttemptSplit ? SplitDetector::transmitFrequency(qsComment, qsFrequency) : QString()};
    // A request that waits goes after the one behind it, even when the
    // thread has just ended and its finished() is still on its way.
    if (m_thread.isRunning() || m_pendingRequest) {
        if (m_pendingRequest) {
            QLOG_DEBUG() << "[HRD] Tune request for" << m_pendingRequest->qsFrequency
                         << "replaced by a newer one";
        }
        QLOG_DEBUG() << "[HRD] Tune request for" << qsFrequency << "waits for the current tune to end";
        m_pendingRequest = request;
        return true;
    }
    start(request);
    return true;
}

bool RigControl::isTuning() const
{
    return m_thread.isRunning() || m_pendingRequest.has_value();
}

void RigControl::start(const TuneRequest &request)
{
    // The library of the moment: a settings save may have replaced it while
    // the request waited.
    if (m_thread.setParameters(request.qsAddress, request.uiPort, m_pLibrary.get(), request.qsFrequency,
                               request.qsTxFrequency))
        m_thread.start(QThread::InheritPriority);
}

void RigControl::onHRDCommandsThreadFinished()
{
    // A finished() that arrives after a new run started belongs to the
    // previous run.
    if (m_thread.isRunning())
        return;
    if (m_pendingRequest) {
        const TuneRequest request = *m_pendingRequest;
        m_pendingRequest.reset();
        start(request);
        return;
    }
    Q_EMIT finished();
}
