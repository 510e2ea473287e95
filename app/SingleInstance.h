#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QLockFile>
#include <QObject>
#include <QSharedMemory>

// Keeps a second copy of the program from starting while one runs.
//
// The shared-memory segment with its marker announces a running instance to
// anyone who looks. It cannot decide alone: on Linux a segment outlives an
// owner that was killed, and a marker left behind would keep every later
// start away for good. Liveness therefore comes from a lock file that the
// system releases when its holder dies, however it dies; a segment found
// while nobody holds the lock is a leftover and is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static const QString kSegmentKey;
    static const QString kMarker;

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    bool isAlreadyRunning();
    bool createSegment();

    // The marker as the segment holds it: a data-stream C string.
    static QByteArray serializedMarker();
    // Where the lock lives: the per-user runtime folder.
    // The user's runtime folder, where the lock and the bring-forward socket
    // live side by side: one session's instance never meets another's.
    static QString runtimeFolder();
    static QString lockFilePath();

private:
    bool segmentHoldsMarker();

    QSharedMemory m_sharedMemory;
    QLockFile m_lockFile;
    bool m_ownsLock = false;
};

#endif // SINGLEINSTANCE_H
