#ifndef KELVANE_HRDCOMMANDSTHREAD_H
#define KELVANE_HRDCOMMANDSTHREAD_H

#include <QStringList>
#include <QThread>

#include <memory>

QT_BEGIN_NAMESPACE
class QLibrary;
QT_END_NAMESPACE

class HRDConnection;

// Tunes the rig for one spot: VFO A to the spot's frequency and mode and,
// for a split, VFO B to the transmit frequency with split switched on. One
// long-lived object, started once per request; the buttons and the mode
// list it discovers are kept for the next request.
class HRDCommandsThread : public QThread
{
    Q_OBJECT

public:
    // Polls for a button or frequency to read back: at most this many
    // attempts, this far apart.
    static constexpr int kMaxWaitAttempts = 8;
    static constexpr int kWaitMs = 100;

    explicit HRDCommandsThread(QObject *parent = nullptr);
    ~HRDCommandsThread() override;

    // Refused (false, logged) while the thread runs: the running sequence
    // reads these members.
    // The run holds the library until it ends, whatever the caller does
    // with it meanwhile.
    bool setParameters(const QString &qsAddress, quint16 uiPort, std::shared_ptr<QLibrary> pLibrary,
                       const QString &qsFrequency, const QString &qsTxFrequency, const QString &qsComment = QString());

    // Forgets the discovered buttons and mode list (another rig may answer
    // next time). Only while the thread is not running.
    void clearCaches();

    // "14025.0" (kHz) gives "14025000"; empty for a text that is no frequency
    // or one outside 100 kHz - 250 GHz.
    static QString hertzText(const QString &qsKHz);
    // The transmit text counts tenths of a kHz without its point: "140270"
    // and "14027.0" both give "14027000".
    static QString transmitHertzText(const QString &qsTxFrequency);

Q_SIGNALS:
    void HRDError(QString qsError);

protected:
    void run() override;

private:
    bool runSequence(HRDConnection &connection, const QString &qsHertz, const QString &qsTxHertz);
    bool discoverButtons(HRDConnection &connection);
    bool discoverModes(HRDConnection &connection);
    bool setButton(HRDConnection &connection, const QString &qsButton);
    bool waitForButton(HRDConnection &connection, const QString &qsButton);
    bool setFrequency(HRDConnection &connection, const QString &qsHertz);
    bool waitForFrequency(HRDConnection &connection, const QString &qsHertz);
    // Asks until the rig answers qsExpected, for at most kMaxWaitAttempts;
    // false only when the connection fails or the thread is to stop.
    bool waitForReply(HRDConnection &connection, const QString &qsQuery, const QString &qsExpected);
    bool setMode(HRDConnection &connection);
    bool applyButtons(HRDConnection &connection, const QStringList &qslButtons);
    bool pause();

    QString m_qsAddress;
    quint16 m_uiPort = 0;
    std::shared_ptr<QLibrary> m_pLibrary;
    QString m_qsFrequency;
    QString m_qsTxFrequency;
    // What the mode is chosen by, besides the frequency.
    QString m_qsComment;

    QString m_qsVfoAButton;
    QString m_qsVfoBButton;
    QStringList m_qslSplitOnButtons;
    QStringList m_qslSplitOffButtons;
    QString m_qsModeDropdown;
    int m_iLsbIndex = 0;
    int m_iUsbIndex = 0;
    int m_iCwIndex = 0;
    // -1 for a rig without a data mode on the upper sideband.
    int m_iPktUsbIndex = -1;
};

#endif // KELVANE_HRDCOMMANDSTHREAD_H
