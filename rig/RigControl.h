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
// again on every settings save) and the thread that tunes the rig. Keeping
// both here lets the library never go away under a running tune.
class RigControl : public QObject
{
    Q_OBJECT

public:
    explicit RigControl(QObject *parent = nullptr);
    ~RigControl() override;

    // The platform's file name of the interface library.
    static QString libraryFileName();
    // The copy in the per-user data folder (where a downloaded library goes)
    // when there is one, else the one beside the executable (the build tree),
    // else the one in the installed program's private library folder.
    static QString libraryPath();
    static bool isLibraryInstalled();

    // Unloads the library (after a running tune has ended) and, when rig
    // control is enabled, loads it again. A library that fails to load is
    // kept, unloaded: rig control then does nothing.
    void loadHRDLibrary(bool bEnabled);
    void unloadHRDLibrary();
    QLibrary *library() const { return m_pLibrary.get(); }

    // Tunes the rig to a spot (frequency text in kHz, comment); false when
    // rig control is disabled, which is reported through HRDError. A request
    // made while the rig is being tuned waits for that tune to end; a newer
    // waiting request replaces an older one, since only the last spot the
    // operator picked matters.
    bool tune(bool bEnabled, const QString &qsAddress, quint16 uiPort, bool bAttemptSplit,
              const QString &qsFrequency, const QString &qsComment);
    bool isTuning() const;

Q_SIGNALS:
    void HRDError(QString qsError);
    // The last waiting request has been carried out.
    void finished();

private:
    struct TuneRequest
    {
        QString qsAddress;
        quint16 uiPort = 0;
        QString qsFrequency;
        QString qsTxFrequency;
    };

    void start(const TuneRequest &request);
    void onHRDCommandsThreadFinished();

    std::unique_ptr<QLibrary> m_pLibrary;
    HRDCommandsThread m_thread;
    std::optional<TuneRequest> m_pendingRequest;
};

#endif // KELVANE_RIGCONTROL_H
