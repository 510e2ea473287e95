#ifndef SPOTCONFIRMATION_H
#define SPOTCONFIRMATION_H

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class NodeConnection;

// Follows one spot the operator posted until the node shows what became of
// it. A spot written to the socket may still be refused by the node, so it
// counts as sent only when the node echoes it back as a spot line with our
// call as spotter and the same DX call. Anything else the node answers first
// (an error line, as a rule) is passed on for the operator to read. Every
// outcome comes out as one status text through message().
class SpotConfirmation : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 20000;
    // A node's reply is shown in a status bar, not read in full.
    static constexpr int kMaxReplyLength = 160;

    explicit SpotConfirmation(QObject *parent = nullptr);

    // Starts following the spot just sent through pConnection; a spot still
    // followed is given up for it.
    void watch(NodeConnection *pConnection, const QString &qsSpotter, const QString &qsDxCall,
               const QString &qsFrequency);
    bool isWatching() const;
    void setTimeoutMs(int iTimeoutMs) { m_timer.setInterval(iTimeoutMs); }

    // True for a spot line of this spotter about this DX station.
    static bool isEcho(const QString &qsLine, const QString &qsSpotter, const QString &qsDxCall);

Q_SIGNALS:
    void message(const QString &qsText);

private:
    void onLine(const QString &qsLine, bool bSpot);
    void onDisconnected();
    void onTimeout();
    void stop();

    QPointer<NodeConnection> m_connection;
    QMetaObject::Connection m_lineConnection;
    QMetaObject::Connection m_dropConnection;
    QTimer m_timer;
    QString m_spotter;
    QString m_dxCall;
    QString m_frequency;
    bool m_answered = false;
};

#endif // SPOTCONFIRMATION_H
