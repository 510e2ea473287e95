#ifndef KELVANE_RIGCONTROL_H
#define KELVANE_RIGCONTROL_H

#include "rig/HRDCommandsThread.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

QT_BEGIN_NAMESPACE
class QLibrary;
QT_END_NAMESPACE

// Rig control as the main window uses it: the interface library (loaded
// again on every settings save), the thread that tunes the rig and the
// frequency reads for the send-spot dialog. Nothing here ever waits for the
// rig on the caller's thread: a rig server that accepts and never answers
// must not freeze the window. Each run holds its own reference to the
// library, which is unloaded when the last user lets go of it.
class RigControl : public QObject
{
    Q_OBJECT

public:
    // How long the end of the program waits for a tune or read to stop. A
    // call into the library can wait seconds for a server that does not
    // answer; a thread still inside one after this is left to end on its
    // own (it touches nothing of ours any more).
    static constexpr int kStopWaitMs = 300;

    explicit RigControl(QObject *parent = nullptr);
    ~RigControl() override;

    // The platform's file name of the interface library.
    static QString libraryFileName();
    // The copy in the per-user data folder (where a downloaded library goes)
    // when there is one, else the one beside the executable (the build tree),
    // else the one in the installed program's private library folder.
    static QString libraryPath();
    static bool isLibraryInstalled();
    // At start: a downloaded library that is damaged or does not load is
    // moved aside. The text for the operator, empty when nothing was moved.
    static QString rejectBrokenDownload();
    // The helper that tries a library in a process of its own.
    static QString checkerPath();

    // Unloads the library and, when rig control is enabled, loads it again;
    // never waits: while a tune or read runs, that happens when it ends. A
    // library that fails to load is kept, unloaded: rig control then does
    // nothing.
    void loadHRDLibrary(bool bEnabled);
    void unloadHRDLibrary();
    QLibrary *library() const { return m_pLibrary.get(); }

    // Tunes the rig to a spot (frequency text in kHz, comment); false when
    // rig control is disabled, which is reported through HRDError. A request
    // made while the rig is being tuned waits for that tune to end; a newer
    // waiting request replaces an older one, since only the last spot the
    // operator picked matters.
    bool tune(bool bEnabled, const QString &qsAddress, quint16 uiPort, bool bAttemptSplit, const QString &qsFrequency,
              const QString &qsComment);
    bool isTuning() const;

    // Asks the rig for its frequency on a thread of its own; the answer
    // comes as frequencyRead (the raw reply) or frequencyReadFailed. False
    // when no answer will come (no library).
    bool readFrequency(const QString &qsAddress, quint16 uiPort);
    // The same read for a display that follows the rig; the answer comes as
    // frequencyPolled, empty when the rig did not answer. A slow rig gets
    // one question at a time: refused (false) while a poll is still out,
    // and while a tune runs or waits, which then goes after the poll.
    bool pollFrequency(const QString &qsAddress, quint16 uiPort);

Q_SIGNALS:
    void HRDError(QString qsError);
    // A tune was refused before it reached the rig (a frequency no rig
    // tunes to); the text says why.
    void tuneRefused(QString qsWhy);
    // The last waiting request has been carried out.
    void finished();
    void frequencyRead(QString qsReply);
    void frequencyReadFailed(QString qsError);
    void frequencyPolled(QString qsHertz);

private:
    struct TuneRequest
    {
        QString qsAddress;
        quint16 uiPort = 0;
        QString qsFrequency;
        QString qsTxFrequency;
        QString qsComment;
    };

    void start(const TuneRequest &request);
    void reloadWhenFree();
    // A thread of its own that reads the frequency once.
    QThread *startReader(const QString &qsAddress, quint16 uiPort, bool bPoll);
    // Runs on a reader thread.
    void readFrequencyNow(QLibrary *pLibrary, const QString &qsAddress, quint16 uiPort, bool bPoll);
    void onHRDCommandsThreadFinished();
    void onPollFinished();
    void notePollResult(const QString &qsReply, const QString &qsError);
    void startPendingTune();

    std::shared_ptr<QLibrary> m_pLibrary;
    // Not a member object: one stuck in the library at the end is let go.
    HRDCommandsThread *m_thread = nullptr;
    std::optional<TuneRequest> m_pendingRequest;
    // Another server or rig may answer after a reload: the next tune
    // discovers buttons and modes anew.
    bool m_bCachesStale = false;
    bool m_bReloadPending = false;
    bool m_bEnabled = false;
    bool m_bPolling = false;
    bool m_bPollFailing = false;
};

#endif // KELVANE_RIGCONTROL_H
