#ifndef CLUSTER_H
#define CLUSTER_H

#include "LoginWatch.h"
#include "Spot.h"

#include "filters/FilterChains.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QMultiMap>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QTcpSocket;
class QTimer;
QT_END_NAMESPACE

class ConnectionMonitor;
class ConnectionStatus;
class Worked;
class Statistics;

namespace ClusterLimits {
// A spot line is under 100 characters; a fragment far beyond that is not a
// line the network cut but a node (or an attacker) sending without line
// feeds, and keeping it would let memory grow without bound.
constexpr int kMaxBrokenLineLength = 4096;
constexpr int kMaxCollectedSpots = 20;
constexpr int kMonitorIntervalMs = 60000;
constexpr int kIdleIntervalMs = 60000;
constexpr int kEarlierSpotsDelayMs = 5000;
// A node answers the earlier-spots requests in one burst; this much silence
// after it means the burst is over, even when it held fewer than 100 lines
// (a real node with 27 stored spots answers "SHOW/FDX 100" with 27).
constexpr int kEarlierSpotsQuietMs = 2000;
// A busy node over the internet may take long to start its answer; after
// this long without one the collection ends empty.
constexpr int kEarlierSpotsFirstAnswerMs = 30000;
// The burst ends at the latest after this many complete spot lines.
constexpr int kEarlierSpotsLines = 100;
// One turn of the receive path reads at most this much (some 200 spot
// lines); the rest waits for the next turn of the event loop, so that a
// flood leaves the window repainting and signals answered.
constexpr qint64 kReadSliceBytes = 16 * 1024;
// What the socket holds unread at most; beyond it TCP makes the node wait.
constexpr qint64 kReadBufferBytes = 1024 * 1024;
} // namespace ClusterLimits

// When the connection acts on its own. The defaults are the program's;
// tests shorten them to exercise probing and recovery in milliseconds.
struct ClusterTimings
{
    int monitorMs = ClusterLimits::kMonitorIntervalMs;
    int idleMs = ClusterLimits::kIdleIntervalMs;
    int earlierSpotsDelayMs = ClusterLimits::kEarlierSpotsDelayMs;
    int earlierSpotsQuietMs = ClusterLimits::kEarlierSpotsQuietMs;
    int earlierSpotsFirstAnswerMs = ClusterLimits::kEarlierSpotsFirstAnswerMs;
};

// The connection to one DX cluster node: the socket, the answers to the
// login prompts, and the receive path that turns spot lines into Spots.
class Cluster : public QObject
{
    Q_OBJECT

public:
    Cluster(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign,
            const QString &qsPassword, const QString &qsName, const QString &qsQth,
            const QString &qsLocator, quint16 uiMaxSpotCount, QObject *parent = nullptr);
    ~Cluster() override;

    // Also ends a disconnection the operator asked for: from here on a lost
    // connection is recovered on its own again.
    void connectToNode();
    // The operator's disconnection. It stays one: no recovery, no probing and
    // no reconnection until connectToNode() is called again.
    void disconnectFromNode();
    bool isConnected() const { return m_socketConnected; }
    bool isDisconnectedByUser() const { return m_disconnectedByUser; }
    // Silence on a live connection: a line feed went out to wake the node.
    bool isRecovering() const { return m_recoveryMode; }
    // The connection was lost and the node is probed until it answers.
    bool isMonitoring() const;
    // What the connection is doing, in words; lives as long as the Cluster.
    ConnectionStatus *status() const { return m_status; }
    // The node refused the login too often; only the operator connects again.
    bool hasGivenUp() const;
    bool isCollectingEarlierSpots() const { return m_collectingEarlierSpots; }
    void sendCommand(const QString &qsCommand);
    // A line the operator typed, sent as the program's own commands are.
    // False, with nothing sent, while there is no connection.
    bool sendOperatorCommand(const QString &qsCommand);
    // The receive path without the socket: does with baChunk what
    // readDataFromSocket() does with the bytes it reads. Fuzzing and replays
    // of recorded traffic come in here.
    void receiveChunk(const QByteArray &baChunk);

    const QString &address() const { return m_address; }
    quint16 port() const { return m_port; }
    QString portText() const { return QString::number(m_port); }
    quint16 maxSpotCount() const { return m_maxSpotCount; }

    ClusterTimings timings() const { return m_timings; }
    // Takes effect at once, also on running timers.
    void setTimings(const ClusterTimings &timings);

    // The country lookup comes in two parts, the Worked object and its open
    // database; until both are there spots carry no country.
    void setCountryLookup(const Worked *pWorked) { m_worked = pWorked; }
    void setCountryDatabase(const QSqlDatabase &db) { m_countryDatabase = db; }

    // The band filter and the two chains every complete spot passes.
    FilterChains &chains() { return m_chains; }
    const FilterChains &chains() const { return m_chains; }
    ChainResult filterSpot(Spot &spot) { return m_chains.evaluate(spot); }
    void addFilter(std::unique_ptr<Filter> pFilter, int iIndex) { m_chains.addFilter(std::move(pFilter), iIndex); }
    void addAlert(std::unique_ptr<Filter> pAlert, int iIndex) { m_chains.addAlert(std::move(pAlert), iIndex); }
    void removeFilterAt(int iIndex) { m_chains.removeFilterAt(iIndex); }
    void removeAlertAt(int iIndex) { m_chains.removeAlertAt(iIndex); }
    void moveFilterUp(int iIndex) { m_chains.moveFilterUp(iIndex); }
    void moveFilterDown(int iIndex) { m_chains.moveFilterDown(iIndex); }
    void moveAlertUp(int iIndex) { m_chains.moveAlertUp(iIndex); }
    void moveAlertDown(int iIndex) { m_chains.moveAlertDown(iIndex); }
    void clearFilters() { m_chains.clearFilters(); }
    void clearAlerts() { m_chains.clearAlerts(); }
    void setDefaultFilter(int iDefaultFilter) { m_chains.setDefaultFilter(iDefaultFilter); }
    int defaultFilter() const { return m_chains.defaultFilter(); }
    int filterCount() const { return m_chains.filterCount(); }
    int alertCount() const { return m_chains.alertCount(); }
    Filter *filterAt(int iIndex) const { return m_chains.filterAt(iIndex); }
    Filter *alertAt(int iIndex) const { return m_chains.alertAt(iIndex); }
    Filter *bandFilter() const { return m_chains.bandFilter(); }
    void addBand(int iBands) { m_chains.addBand(iBands); }
    void removeBand(int iBands) { m_chains.removeBand(iBands); }

Q_SIGNALS:
    void connected(const QString &qsAddress, quint16 uiPort);
    void disconnected(const QString &qsAddress, quint16 uiPort);
    void newSpot(Spot &spot);
    void connectionError(const QString &qsAddress, quint16 uiPort,
                         QAbstractSocket::SocketError error);
    void getReadyForSpots();
    // Every line the node sends, cut to a bounded length and otherwise as it
    // came (control characters included); bSpot for "DX de" and CC11 lines.
    void nodeLine(const QString &qsLine, bool bSpot);

public Q_SLOTS:
    void socketConnected();
    void socketDisconnected();
    void readDataFromSocket();
    void socketError(QAbstractSocket::SocketError error);
    void socketStateChanged(QAbstractSocket::SocketState socketState);
    void onTimerExpired();
    void onIdleTimerExpired();
    void onGetPreviousSpotsTimerExpired();
    void onConnectionOk();
    void onConnectionNotOk();

private:
    void abortConnection();
    void onReadSliceDue();
    void onLoginRefused(const QString &qsReply);
    // The "SHOW/FDX" commands that ask for the earlier spots on the bands of
    // a band filter value.
    static QStringList earlierSpotsRequests(quint32 uiBands);
    void onEarlierSpotsQuiet();
    void endEarlierSpots();
    void deliverEarlierSpots();
    void beginChunk();
    void processChunk(const QByteArray &baChunk);
    void processLine(const QString &qsLine);
    void processSpot(Spot &spot);
    void answerPrompt(const QString &qsLine);
    void keepBrokenLine(const QString &qsLine);
    void resetLoginState();
    static bool isSpotLine(const QString &qsLine);
    bool isOperatorAnswer(const Spot &spot);
    static bool mayStartSpotLine(const QString &qsFragment);
    const QString &todaysDate();

    QString m_address;
    quint16 m_port = 0;
    QString m_callsign;
    QString m_password;
    QString m_name;
    QString m_qth;
    QString m_locator;
    quint16 m_maxSpotCount = 0;

    QTcpSocket *m_socket = nullptr;
    QTimer *m_monitorTimer = nullptr;
    QTimer *m_idleTimer = nullptr;
    QTimer *m_earlierSpotsTimer = nullptr;
    QTimer *m_earlierSpotsQuietTimer = nullptr;
    ConnectionMonitor *m_connectionMonitor = nullptr;
    ConnectionStatus *m_status = nullptr;
    LoginWatch m_loginWatch;
    ClusterTimings m_timings;
    Statistics *m_statistics = nullptr;

    const Worked *m_worked = nullptr;
    QSqlDatabase m_countryDatabase;
    FilterChains m_chains;

    QString m_brokenLine;
    quint16 m_validSpotCount = 0;
    bool m_collectingEarlierSpots = false;
    // The minute the requests went out: spots of it and later are live.
    qint64 m_requestMinute = 0;
    // After the operator's own SH/DX: spots older than it are its answer,
    // for the console to show, not new activity for the table and alerts.
    QDeadlineTimer m_operatorAnswer;
    qint64 m_operatorRequestMinute = 0;
    // Collected earlier spots by their minute (SpotParser::minuteOf).
    QMultiMap<qint64, Spot> m_spotsMap;
    bool m_ve7ccSent = false;

    bool m_socketConnected = false;
    // A call to read the next slice is on its way through the event loop.
    bool m_readSliceDue = false;
    bool m_recoveryMode = false;
    bool m_loginSent = false;
    // The login prompts answered on this connection: each once, so a node
    // repeating them cannot make us queue answers without end.
    quint8 m_answeredPrompts = 0;
    bool m_connectedReported = false;
    bool m_disconnectedByUser = false;

    // "DX de" lines carry no date; formatting today's once per day keeps it
    // off the per-spot path.
    qint64 m_dateDay = -1;
    QString m_dateText;
};

#endif // CLUSTER_H
