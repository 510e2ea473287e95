#include "app/SingleInstance.h"

#include "API/QsLog/QsLog.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstring>

#include <unistd.h>

const QString SingleInstance::kSegmentKey = QStringLiteral("_KELVANE_SINGLE_INSTANCE");
const QString SingleInstance::kMarker = QStringLiteral("_KELVANE_RUNNING");

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent), m_sharedMemory(kSegmentKey), m_lockFile(lockFilePath())
{
    // Never wait and never break a lock by age: a live holder keeps it for
    // as long as it runs, and a dead holder's lock is released by the system.
    m_lockFile.setStaleLockTime(0);
    m_ownsLock = m_lockFile.tryLock(0);
    if (!isAlreadyRunning())
        createSegment();
}

SingleInstance::~SingleInstance()
{
    if (m_sharedMemory.isAttached() && !m_sharedMemory.detach()) {
        QLOG_DEBUG() << "Unable to detach from shared memory";
    }
    if (m_ownsLock)
        m_lockFile.unlock();
}

QString SingleInstance::runtimeFolder()
{
    // Without XDG_RUNTIME_DIR Qt already falls back to a private per-user
    // folder. When even that is refused (a folder of that name owned by
    // someone else), a folder of this user's own in the temporary folder
    // keeps two users from locking each other out.
    QString qsFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (qsFolder.isEmpty()) {
        qsFolder = QDir::tempPath() + QStringLiteral("/kelvane-%1").arg(::getuid());
        if (QDir().mkpath(qsFolder))
            QFile::setPermissions(qsFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return qsFolder;
    }
    QDir().mkpath(qsFolder);
    return qsFolder;
}

QString SingleInstance::lockFilePath()
{
    return runtimeFolder() + QStringLiteral("/kelvane.lock");
}

QByteArray SingleInstance::serializedMarker()
{
    QByteArray baMarker;
    QDataStream out(&baMarker, QIODevice::WriteOnly);
    out << kMarker.toLatin1().constData();
    return baMarker;
}

bool SingleInstance::isAlreadyRunning()
{
    if (m_ownsLock) {
        // Whatever segment exists belongs to an instance that has died.
        return false;
    }
    if (m_lockFile.error() != QLockFile::LockFailedError) {
        // The lock file cannot be made at all (a read-only runtime folder):
        // starting is better than refusing forever.
        QLOG_DEBUG() << "Unable to use the instance lock" << lockFilePath();
        return false;
    }
    if (!segmentHoldsMarker()) {
        // The holder is alive but has not published its marker yet (both
        // started at the same moment); it is running all the same.
        QLOG_DEBUG() << "Instance lock held, marker not yet published";
    }
    return true;
}

bool SingleInstance::segmentHoldsMarker()
{
    QLOG_TRACE() << "Attaching to shared memory segment";
    if (!m_sharedMemory.attach(QSharedMemory::ReadWrite)) {
        QLOG_DEBUG() << "Unable to attach to shared memory segment";
        return false;
    }
    QLOG_TRACE() << "Attached to shared memory segment";
    QByteArray baContent;
    m_sharedMemory.lock();
    baContent = QByteArray(static_cast<const char *>(m_sharedMemory.constData()), m_sharedMemory.size());
    m_sharedMemory.unlock();
    m_sharedMemory.detach();

    QDataStream in(baContent);
    char *pText = nullptr;
    in >> pText;
    const bool bMarker = pText && in.status() == QDataStream::Ok && kMarker == QLatin1String(pText);
    delete[] pText;
    return bMarker;
}

bool SingleInstance::createSegment()
{
    const QByteArray baMarker = serializedMarker();
    QLOG_TRACE() << "Creating shared memory segment";
    if (!m_sharedMemory.create(int(baMarker.size()), QSharedMemory::ReadWrite)) {
        // A segment left by a killed instance: take it over, so the marker is
        // ours and the segment goes away when we detach.
        if (m_sharedMemory.error() != QSharedMemory::AlreadyExists || !m_sharedMemory.attach(QSharedMemory::ReadWrite)
            || m_sharedMemory.size() < baMarker.size()) {
            QLOG_DEBUG() << "Unable to create shared memory segment";
            if (m_sharedMemory.isAttached())
                m_sharedMemory.detach();
            return false;
        }
    }
    QLOG_TRACE() << "Shared memory segment created";
    m_sharedMemory.lock();
    std::memcpy(m_sharedMemory.data(), baMarker.constData(),
                size_t(qMin(qsizetype(m_sharedMemory.size()), baMarker.size())));
    m_sharedMemory.unlock();
    return true;
}
