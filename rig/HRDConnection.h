#ifndef KELVANE_HRDCONNECTION_H
#define KELVANE_HRDCONNECTION_H

#include <QString>

QT_BEGIN_NAMESPACE
class QLibrary;
QT_END_NAMESPACE

// One connection to the rig-control server through the interface library:
// open (find the exports, connect, fetch the context), send commands, close.
// The exports are looked up at each use, so a library without one of them is
// noticed where it matters and never called through a stale pointer.
class HRDConnection
{
public:
    // The library copies a command into a buffer of this many wide
    // characters, NUL included.
    static constexpr int kCommandBufferSize = 100;

    explicit HRDConnection(QLibrary *pLibrary) : m_pLibrary(pLibrary) { }
    ~HRDConnection();
    Q_DISABLE_COPY_MOVE(HRDConnection)

    // False when there is nothing to do (no library, not loaded), an export
    // is missing (logged) or the server cannot be reached; in the last case
    // qsError holds the library's text for the user.
    bool open(const QString &qsAddress, quint16 uiPort, QString &qsError);

    // Sends one command; false when it could not be sent at all (export
    // missing, command too long), which ends the operation.
    bool sendMessage(const QString &qsCommand, QString &qsReply);
    // Sends "[context] " + qsVerb.
    bool send(const QString &qsVerb, QString &qsReply);

    void close();
    // A poll every second: an unreachable server is the caller's to report
    // once, not a line a second.
    void setQuiet(bool bQuiet) { m_bQuiet = bQuiet; }

private:
    QLibrary *m_pLibrary = nullptr;
    QString m_qsContext;
    bool m_bConnected = false;
    bool m_bQuiet = false;
};

#endif // KELVANE_HRDCONNECTION_H
