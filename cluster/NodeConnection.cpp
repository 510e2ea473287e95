#include "NodeConnection.h"

#include "API/QsLog/QsLog.h"
#include "ConnectRateLimit.h"
#include "ConnectionMonitor.h"
#include "ConnectionStatus.h"
#include "SpotParser.h"
#include "SpotPipeline.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Answered to the home-node question whatever the settings hold.
const QString kHomeNodeAnswer = QStringLiteral("Tarrow-1");
const QString kNotSet = QStringLiteral("Not Set");
// Far more than any login dialogue sends; only a node that never reads gets there.
constexpr qint64 kMaxQueuedOutput = 64 * 1024;
constexpr quint8 kPromptCall = 0x01;
constexpr quint8 kPromptPassword = 0x02;
constexpr quint8 kPromptName = 0x04;
constexpr quint8 kPromptQth = 0x08;
constexpr quint8 kPromptHomeNode = 0x10;
constexpr quint8 kPromptConfirm = 0x20;
const QLatin1String kDxDeTag("DX de");
const QLatin1String kCc11Tag("CC11");
// Far longer than any line a node writes for people to read; a longer one
// is noise that would only fill the console.
constexpr qsizetype kMaxNodeLineLength = 1024;
const QString kCutMark = QStringLiteral("\u2026");
// The answer to the operator's SH/DX: it ends at the latest this long after
// the command, and once it has begun, after this much silence in it.
constexpr int kOperatorAnswerMs = 5000;
constexpr int kOperatorAnswerQuietMs = 1500;
// What SH/DX lists without a number, and the most a node lists.
constexpr int kDefaultAnswerLines = 10;
constexpr int kMaxAnswerLines = 500;
// A live spot relayed a little late carries the minute before; one that
// is new to us is news, not part of an answer.
constexpr qint64 kLateRelayMinutes = 1;

qint64 currentMinute()
{
    return SpotParser::minuteOf(SpotParser::currentDateTimeUtc());
}

// "SH/DX 20 ON 20m" asks for 20 lines, "SH/DX Q1ABC" for the default.
int answerLinesAsked(const QString &qsCommand)
{
    const QStringList qslWords = qsCommand.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < qslWords.size(); ++i) {
        bool bOk = false;
        const int iLines = qslWords.at(i).toInt(&bOk);
        if (bOk && iLines > 0)
            return qMin(iLines, kMaxAnswerLines);
    }
    return kDefaultAnswerLines;
}

// A spot as a node lists it for people: frequency, call, date and time,
// comment, spotter.
QString readableSpot(const Spot &spot)
{
    const QString qsTime = spot.time().left(4) + QLatin1Char('Z');
    return QStringLiteral("%1  %2 %3 %4 %5 <%6>")
        .arg(spot.frequency(), 10)
        .arg(spot.dxCall(), -12)
        .arg(spot.date(), 11)
        .arg(qsTime)
        .arg(spot.comment().trimmed(), -30)
        .arg(spot.spotter());
}

} // namespace

NodeConnection::NodeConnection(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign,
                               const QString &qsPassword, const QString &qsName, const QString &qsQth,
                               SpotPipeline *pPipeline, QObject *parent)
    : QObject(parent)
    , m_address(qsAddress)
    , m_port(uiPort)
    , m_callsign(qsCallsign)
    , m_password(qsPassword)
    , m_name(qsName)
    , m_qth(qsQth)
    , m_pipeline(pPipeline)
{
    m_monitorTimer = new QTimer(this);
    connect(m_monitorTimer, &QTimer::timeout, this, &NodeConnection::onMonitorTimerExpired);
    m_idleTimer = new QTimer(this);
    connect(m_idleTimer, &QTimer::timeout, this, &NodeConnection::onIdleTimerExpired);
    m_earlierSpotsTimer = new QTimer(this);
    connect(m_earlierSpotsTimer, &QTimer::timeout, this, &NodeConnection::requestEarlierSpots);
    m_attemptTimer = new QTimer(this);
    m_attemptTimer->setSingleShot(true);
    connect(m_attemptTimer, &QTimer::timeout, this, &NodeConnection::onAttemptTimerExpired);
    connect(&m_earlierSpots, &EarlierSpots::quiet, this, &NodeConnection::onEarlierSpotsQuiet);
    m_answerTimer = new QTimer(this);
    m_answerTimer->setSingleShot(true);
    connect(m_answerTimer, &QTimer::timeout, this, &NodeConnection::onAnswerTimeout);
    setTimings(m_timings);

    m_sourceName = m_address + QLatin1Char(':') + QString::number(m_port);
    m_status = new ConnectionStatus(m_sourceName, this);
    m_connectionMonitor = new ConnectionMonitor(m_address, m_port, this);
    connect(m_connectionMonitor, &ConnectionMonitor::connectionOk, this, &NodeConnection::onConnectionOk);
    connect(m_connectionMonitor, &ConnectionMonitor::connectionNotOk, this, &NodeConnection::onConnectionNotOk);

    m_socket = new QTcpSocket(this);
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket->setReadBufferSize(ClusterLimits::kReadBufferBytes);
    connect(m_socket, &QTcpSocket::readyRead, this, &NodeConnection::readDataFromSocket);
    connect(m_socket, &QTcpSocket::connected, this, &NodeConnection::onSocketConnected);
    connect(m_socket, &QTcpSocket::disconnected, this, &NodeConnection::onSocketDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NodeConnection::onSocketError);
    connect(m_socket, &QTcpSocket::stateChanged, this, &NodeConnection::onSocketStateChanged);
}

NodeConnection::~NodeConnection()
{
    // The socket still reports its disconnection during teardown; nobody
    // outside may hear about it from a half-destroyed object.
    blockSignals(true);
    disconnectFromNode();
    delete m_socket;
    m_socket = nullptr;
    delete m_connectionMonitor;
    m_connectionMonitor = nullptr;
}

void NodeConnection::setTimings(const ClusterTimings &timings)
{
    m_timings = timings;
    m_monitorTimer->setInterval(timings.monitorMs);
    m_earlierSpotsTimer->setInterval(timings.earlierSpotsDelayMs);
    m_earlierSpots.setTimings(timings.earlierSpotsQuietMs, timings.earlierSpotsFirstAnswerMs);
}

bool NodeConnection::isMonitoring() const
{
    return m_monitorTimer->isActive() || m_connectionMonitor->isProbing()
        || (m_attemptTimer->isActive() && m_attemptIsProbe);
}

void NodeConnection::connectToNode()
{
    if (!m_socket)
        return;
    abortConnection();
    // The operator connecting again after a stop gets fresh attempts.
    if (m_disconnectedByUser)
        m_loginWatch.clearRefusals();
    m_disconnectedByUser = false;
    m_monitorTimer->stop();
    m_connectionMonitor->cancel();
    startAttempt();
}

bool NodeConnection::mayAttempt(bool bProbe)
{
    if (!m_rateLimit)
        return true;
    const qint64 iWaitMs = m_rateLimit->waitMs(m_address);
    if (iWaitMs <= 0) {
        m_rateLimit->record(m_address);
        return true;
    }
    QLOG_INFO() << "Three connection attempts to" << m_address << "this minute; the next in" << iWaitMs << "ms";
    m_attemptIsProbe = bProbe;
    m_attemptTimer->start(int(iWaitMs));
    return false;
}

void NodeConnection::onAttemptTimerExpired()
{
    if (m_attemptIsProbe)
        onMonitorTimerExpired();
    else
        startAttempt();
}

void NodeConnection::startAttempt()
{
    if (!m_socket || m_disconnectedByUser)
        return;
    if (!mayAttempt(false)) {
        m_status->setWaiting(m_attemptTimer->remainingTime());
        return;
    }
    m_loginWatch.begin();
    m_connectionMade = false;
    m_status->setConnecting();
    QLOG_INFO() << "Connecting to" << m_address << "port" << m_port;
    m_socket->connectToHost(m_address, m_port, QIODevice::ReadWrite);
}

void NodeConnection::disconnectFromNode()
{
    // Everything that could bring the connection back on its own stops here;
    // a probe already under way is cancelled so that its answer never comes.
    m_disconnectedByUser = true;
    m_monitorTimer->stop();
    m_idleTimer->stop();
    m_attemptTimer->stop();
    m_connectionMonitor->cancel();
    if (m_recoveryMode) {
        QLOG_DEBUG() << "Exiting recovery mode.";
        m_recoveryMode = false;
    }
    abortConnection();
    m_status->setDisconnected();
}

bool NodeConnection::hasGivenUp() const
{
    return m_status->state() == ConnectionStatus::State::GaveUp;
}

void NodeConnection::onLoginRefused(const QString &qsReply)
{
    const int iRefusals = m_loginWatch.countRefusal();
    QLOG_WARN() << m_address << "refused the login (" << iRefusals << "of" << LoginWatch::kMaxRefusals
                << "):" << qsReply;
    if (iRefusals >= LoginWatch::kMaxRefusals) {
        disconnectFromNode();
        m_status->setRefused(qsReply, -1);
        Q_EMIT attemptFailed();
        return;
    }
    // Some nodes keep asking instead of hanging up; the same password
    // would only be refused again.
    abortConnection();
    resetLoginState();
    const int iRetryMs = m_loginWatch.backOffMs(m_timings.monitorMs);
    m_monitorTimer->start(iRetryMs);
    m_status->setRefused(qsReply, iRetryMs);
    Q_EMIT attemptFailed();
}

// Drops the connection without the operator's say, so a lost connection
// still gets recovered.
void NodeConnection::abortConnection()
{
    if (!m_socket)
        return;
    QLOG_INFO() << "Disconnecting from" << m_address << "port" << m_port;
    m_socket->abort();
    m_socket->close();
}

void NodeConnection::sendCommand(const QString &qsCommand)
{
    if (!m_socket)
        return;
    const bool bPassword = !m_password.isEmpty() && qsCommand == m_password;
    QLOG_INFO() << QString(QStringLiteral("->") + (bPassword ? QStringLiteral("********") : qsCommand));
    // The idle timer keeps probing while a lost connection is down; writing
    // into the closed socket would only make Qt complain on stderr.
    if (!m_socket->isOpen()) {
        QLOG_DEBUG() << "Not connected, command not sent";
        return;
    }
    m_socket->write(QString(qsCommand + QLatin1Char('\n')).toUtf8());
    // A node that never reads would have us hold everything we send.
    if (m_socket->bytesToWrite() > kMaxQueuedOutput) {
        QLOG_ERROR() << "The node at" << m_address << "does not read what is sent to it; dropping the connection";
        m_socket->abort();
    }
}

bool NodeConnection::sendOperatorCommand(const QString &qsCommand)
{
    if (!m_socket || m_skimmerFeed || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    static const QRegularExpression showSpots(QStringLiteral("^\\s*SH(OW)?/(MY)?DX\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (showSpots.match(qsCommand).hasMatch()) {
        // A new question ends the old answer: what is still held goes now.
        endAnswer();
        m_answer.open = true;
        m_answer.linesAsked = answerLinesAsked(qsCommand);
        m_answer.linesSeen = 0;
        m_answer.requestMinute = currentMinute();
        m_answer.hardEnd.setRemainingTime(kOperatorAnswerMs);
        m_answerTimer->start(kOperatorAnswerMs);
    }
    sendCommand(qsCommand);
    return true;
}

void NodeConnection::onSocketConnected()
{
    QLOG_INFO() << "Connected to" << m_address << "port" << m_port;
    m_socketConnected = true;
    m_connectionMade = true;
    // The rest of a line cut when the old connection died will never come;
    // glued to the new connection's first line it would hide its prompt.
    m_brokenLine.clear();
    m_ansiFilter.reset();
    m_lineCutLogged = false;
    // The node is back, whoever connected: a probe succeeding later would
    // only drop this connection to make a new one.
    m_monitorTimer->stop();
    m_monitorTimer->setInterval(m_timings.monitorMs); // after a back-off
    m_connectionMonitor->cancel();
}

void NodeConnection::onSocketDisconnected()
{
    QLOG_INFO() << "Disconnected from" << m_address << "port" << m_port;
    m_socketConnected = false;
    resetLoginState();
    Q_EMIT disconnected(m_address, m_port);
}

void NodeConnection::onSocketError(QAbstractSocket::SocketError error)
{
    QLOG_ERROR() << "Socket error:" << error << "Address:" << m_address << "Port:" << m_port;
    if (!m_disconnectedByUser && m_loginWatch.closedDuringLogin()) {
        onLoginRefused(QString());
    } else if (!m_disconnectedByUser) {
        m_monitorTimer->start();
        if (m_connectionMade) {
            m_status->setLost(m_socket->errorString(), m_monitorTimer->interval());
        } else {
            m_status->setUnreachable(m_socket->errorString(), m_monitorTimer->interval());
        }
    }
    const bool bFailedAttempt = !m_disconnectedByUser && !m_connectionMade;
    // The socket may still count as connected until its disconnected() arrives.
    resetLoginState();
    Q_EMIT connectionError(m_address, m_port, error);
    if (bFailedAttempt)
        Q_EMIT attemptFailed();
}

void NodeConnection::resetLoginState()
{
    m_loginSent = false;
    m_answeredPrompts = 0;
    m_connectedReported = false;
    m_ve7ccSent = false;
    // The requests belong to the login that started the timer; on a dead
    // connection they would go nowhere. The next login starts it again.
    m_earlierSpotsTimer->stop();
}

void NodeConnection::onSocketStateChanged(QAbstractSocket::SocketState socketState)
{
    QLOG_TRACE() << "Socket state changed:" << socketState;
}

void NodeConnection::readDataFromSocket()
{
    if (!m_socket)
        return;
    const qint64 iAvailable = m_socket->bytesAvailable();
    if (iAvailable <= 0)
        return;
    qint64 iSlice = qMin(iAvailable, ClusterLimits::kReadSliceBytes);
    if (iSlice < iAvailable) {
        // The slice ends after a line feed where there is one: a prompt cut
        // in two would go unrecognised, since only spot lines are glued.
        const qsizetype iLastFeed = m_socket->peek(iSlice).lastIndexOf('\n');
        if (iLastFeed >= 0)
            iSlice = iLastFeed + 1;
    }
    beginChunk();
    processChunk(m_socket->read(iSlice));
    // The line just handled may have closed the socket, which empties it.
    if (m_socket->bytesAvailable() > 0 && !m_readSliceDue) {
        m_readSliceDue = true;
        QMetaObject::invokeMethod(this, &NodeConnection::onReadSliceDue, Qt::QueuedConnection);
    }
}

void NodeConnection::onReadSliceDue()
{
    m_readSliceDue = false;
    readDataFromSocket();
}

void NodeConnection::receiveChunk(const QByteArray &baChunk)
{
    beginChunk();
    processChunk(baChunk);
}

void NodeConnection::beginChunk()
{
    if (m_recoveryMode) {
        QLOG_DEBUG() << "Exiting recovery mode.";
        m_recoveryMode = false;
    }

    if (m_loginSent && !m_connectedReported) {
        Q_EMIT connected(m_address, m_port);
        m_connectedReported = true;
        m_status->setConnected();
        m_earlierSpotsTimer->start();
    }

    // Restarting a timer on every read costs a busy feed more than its
    // parsing; the timer looks at the last read when it fires instead.
    m_lastRead.start();
    if (!m_idleTimer->isActive())
        m_idleTimer->start(m_timings.idleMs);
}

void NodeConnection::processChunk(const QByteArray &baChunk)
{
    QString qsText = m_ansiFilter.filter(QString::fromLatin1(baChunk));
    if (!m_brokenLine.isEmpty()) {
        QLOG_DEBUG() << "Merging broken spot data with new data";
        qsText.prepend(m_brokenLine);
        m_brokenLine.clear();
    }

    QLOG_INFO() << QString(QStringLiteral("<-") + qsText);

    QStringList qslLines = qsText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    // A spot line that the chunk ends in without its line feed may be cut
    // anywhere, also inside the time or the CC11 spotter, where it would
    // still look complete with a wrong value. Keep it for the next chunk.
    // Prompts arrive without a line feed and are answered at once.
    if (!qsText.endsWith(QLatin1Char('\n')) && !qslLines.isEmpty() && mayStartSpotLine(qslLines.constLast())) {
        keepBrokenLine(qslLines.takeLast());
    }

    for (const QString &qsLine : std::as_const(qslLines))
        processLine(qsLine);

    QLOG_DEBUG() << "Earlier spots kept:" << m_earlierSpots.keptCount();
    if (m_earlierSpots.isFull())
        m_earlierSpots.end();
    deliverEarlierSpots();
}

bool NodeConnection::isSpotLine(const QString &qsLine)
{
    return qsLine.startsWith(kDxDeTag, Qt::CaseInsensitive) || qsLine.startsWith(kCc11Tag, Qt::CaseInsensitive);
}

// Also true for a bare "DX d" or "CC1": a cut that early would otherwise lose
// the whole spot, since its rest no longer starts like a spot line.
bool NodeConnection::mayStartSpotLine(const QString &qsFragment)
{
    return isSpotLine(qsFragment) || kDxDeTag.startsWith(qsFragment, Qt::CaseInsensitive)
        || kCc11Tag.startsWith(qsFragment, Qt::CaseInsensitive);
}

void NodeConnection::keepBrokenLine(const QString &qsLine)
{
    if (qsLine.size() > ClusterLimits::kMaxBrokenLineLength) {
        QLOG_WARN() << "Dropping an incomplete spot line of" << qsLine.size()
                    << "characters; no spot line is that long";
        m_brokenLine.clear();
        return;
    }
    m_brokenLine = qsLine;
}

bool NodeConnection::isPrompt(const QString &qsLine) const
{
    // "Q1ABC de Q9NODE  7-Dec-2026 0702Z dxspider >"; an announcement such
    // as "To ALL de Q2XYZ: <b>qrv</b>" must not end an answer.
    const QString qsTrimmed = qsLine.trimmed();
    return !m_callsign.isEmpty() && qsTrimmed.endsWith(QLatin1Char('>'))
        && qsTrimmed.startsWith(m_callsign + QLatin1String(" de "), Qt::CaseInsensitive);
}

bool NodeConnection::isAnswerSpot(const Spot &spot)
{
    if (!m_answer.open)
        return false;
    if (m_answer.hardEnd.hasExpired()) {
        endAnswer();
        return false;
    }
    // A recent spot nobody brought yet is live, even inside the answer's
    // frame: its alerts must not wait for the answer to end, and it neither
    // counts as a line of the answer nor keeps the answer open.
    const qint64 iMinute = SpotParser::minuteOf(spot.date(), spot.time());
    const bool bKnown = m_pipeline && m_pipeline->identity().contains(spot, currentMinute());
    if (!bKnown && iMinute >= m_answer.requestMinute - kLateRelayMinutes)
        return false;

    ++m_answer.linesSeen;
    if (m_answer.linesSeen >= m_answer.linesAsked) {
        // The last line asked for: what follows, in this read too, is live.
        // The held spots go out once this one has joined them.
        m_answer.open = false;
        m_answerTimer->start(0);
    } else {
        m_answerTimer->start(int(qMin<qint64>(kOperatorAnswerQuietMs, m_answer.hardEnd.remainingTime())));
    }
    return true;
}

void NodeConnection::onAnswerTimeout()
{
    endAnswer();
}

void NodeConnection::endAnswer()
{
    m_answer.open = false;
    m_answerTimer->stop();
    // The node listed them newest first; the table takes them oldest first.
    QList<Spot> spots;
    spots.swap(m_answerSpots);
    for (auto it = spots.crbegin(); it != spots.crend(); ++it) {
        if (!m_pipeline)
            return;
        Spot spot = *it;
        m_pipeline->deliver(spot);
    }
}

void NodeConnection::emitNodeLine(const QString &qsLine, bool bSpot)
{
    if (qsLine.size() <= kMaxNodeLineLength) {
        Q_EMIT nodeLine(qsLine, bSpot);
        return;
    }
    if (!m_lineCutLogged) {
        m_lineCutLogged = true;
        QLOG_WARN() << "Lines from" << m_sourceName << "longer than" << kMaxNodeLineLength
                    << "characters are cut in the console";
    }
    Q_EMIT nodeLine(qsLine.left(kMaxNodeLineLength - kCutMark.size()) + kCutMark, bSpot);
}

void NodeConnection::processLine(const QString &qsLine)
{
    if (isSpotLine(qsLine)) {
        Spot spot = qsLine.startsWith(kDxDeTag, Qt::CaseInsensitive) ? SpotParser::parseDxDeLine(qsLine, todaysDate())
                                                                     : SpotParser::parseCc11Line(qsLine);
        // A spot listed for the operator is shown in the console as the
        // node lists it for people, and joins the table quietly.
        if (spot.isComplete() && isAnswerSpot(spot)) {
            emitNodeLine(readableSpot(spot), false);
            spot.setEarlier(true);
            spot.setSource(m_sourceName);
            if (m_pipeline && m_pipeline->admit(spot))
                m_answerSpots.append(spot);
            return;
        }
        emitNodeLine(qsLine, true);
        processSpot(spot);
        return;
    }
    emitNodeLine(qsLine, false);
    // A band query is answered with the prompt first and its lines later;
    // only a prompt after the lines ends the answer.
    if (m_answer.open && m_answer.linesSeen > 0 && isPrompt(qsLine))
        endAnswer();
    if (m_loginWatch.isRefusal(qsLine)) {
        onLoginRefused(qsLine);
    } else {
        answerPrompt(qsLine);
    }
}

void NodeConnection::processSpot(Spot &spot)
{
    if (!m_pipeline)
        return;
    spot.setSource(m_sourceName);

    // While the earlier spots are collected, only spots older than the
    // requests are part of the answer; a spot no line will ever complete is
    // neither.
    const qint64 iMinute = spot.isComplete() ? m_earlierSpots.answerMinute(spot) : -1;

    if (!m_pipeline->admit(spot))
        return;

    if (iMinute < 0) {
        m_pipeline->deliver(spot);
        return;
    }
    spot.setEarlier(true);
    m_earlierSpots.keep(iMinute, spot);
}

void NodeConnection::answerPrompt(const QString &qsLine)
{
    // Each prompt once per connection; false when it was answered already.
    auto firstTime = [this](quint8 uiPrompt) {
        const bool bFirst = !(m_answeredPrompts & uiPrompt);
        m_answeredPrompts |= uiPrompt;
        return bFirst;
    };
    if (qsLine.contains(QLatin1String("login:")) || qsLine.contains(QLatin1String("call:"))
        || qsLine.contains(QLatin1String("callsign:"))) {
        if (!m_callsign.isEmpty() && firstTime(kPromptCall)) {
            sendCommand(m_callsign);
            m_loginSent = true;
            m_loginWatch.credentialSent(false);
        }
    } else if (m_skimmerFeed) {
        // Whatever else a feed prints is not a question for us.
        return;
    } else if (qsLine.trimmed().endsWith(QLatin1String("password:"), Qt::CaseInsensitive)) {
        // Only the prompt itself, after our callsign: any other line holding
        // the word (a talk, an announcement) would get the password.
        if (!m_password.isEmpty() && m_loginSent && firstTime(kPromptPassword)) {
            sendCommand(m_password);
            m_loginWatch.credentialSent(true);
        }
    } else if (qsLine.contains(QLatin1String("Please enter your name"))
               && !qsLine.contains(QLatin1String("set/name"))) {
        if (firstTime(kPromptName))
            sendCommand(m_name.isEmpty() ? kNotSet : m_name);
    } else if (qsLine.contains(QLatin1String("Please enter your QTH")) && !qsLine.contains(QLatin1String("set/qth"))) {
        if (firstTime(kPromptQth))
            sendCommand(m_qth.isEmpty() ? kNotSet : m_qth);
    } else if (qsLine.contains(QLatin1String("Please enter your home node"))
               && !qsLine.contains(QLatin1String("set/homenode"))) {
        if (firstTime(kPromptHomeNode))
            sendCommand(kHomeNodeAnswer);
    } else if (qsLine.contains(QLatin1String("Is this correct?"))) {
        if (firstTime(kPromptConfirm))
            sendCommand(QStringLiteral("Y"));
    }
}

const QString &NodeConnection::todaysDate()
{
    // The parser's clock, so that the day a line is dated by and the day
    // the parser checks it against are one, also in tests at midnight.
    const QDate qdToday = SpotParser::currentDateTimeUtc().date();
    if (qdToday.toJulianDay() != m_dateDay) {
        m_dateDay = qdToday.toJulianDay();
        m_dateText = SpotParser::dxDeDate(qdToday);
    }
    return m_dateText;
}

void NodeConnection::onMonitorTimerExpired()
{
    QLOG_TRACE() << "Connection monitor timer expired";
    // A probe is a connection too, as the node's operator counts them.
    if (m_attemptTimer->isActive())
        return;
    if (!mayAttempt(true)) {
        // The words count down to the probe that will be made.
        if (m_status->state() != ConnectionStatus::State::Connected)
            m_status->setRetryIn(m_attemptTimer->remainingTime());
        return;
    }
    m_connectionMonitor->probe();
}

void NodeConnection::onConnectionOk()
{
    m_monitorTimer->stop();
    QLOG_TRACE() << "Connection monitor reports connection OK";
    if (m_disconnectedByUser)
        return;
    connectToNode();
}

void NodeConnection::onConnectionNotOk()
{
    if (m_disconnectedByUser)
        return;
    m_monitorTimer->start();
    QLOG_TRACE() << "Connection monitor reports connection not OK";
    // A connection that existed stays "lost", with the reason it went.
    if (m_status->state() == ConnectionStatus::State::Lost)
        m_status->setLost(m_status->reason(), m_monitorTimer->interval());
    else
        m_status->setUnreachable(m_connectionMonitor->errorString(), m_monitorTimer->interval());
    Q_EMIT attemptFailed();
}

void NodeConnection::onIdleTimerExpired()
{
    if (m_disconnectedByUser)
        return;
    const qint64 iQuietMs = m_lastRead.isValid() ? m_lastRead.elapsed() : qint64(m_timings.idleMs);
    if (iQuietMs < m_timings.idleMs) {
        m_idleTimer->start(int(m_timings.idleMs - iQuietMs));
        return;
    }
    m_idleTimer->start(m_timings.idleMs);
    if (!m_recoveryMode) {
        QLOG_DEBUG() << "Entering recovery mode";
        m_recoveryMode = true;
        // Any node answers an empty line with its prompt.
        sendCommand(QString());
        return;
    }
    QLOG_DEBUG() << "Recovery mode failed. Starting connection monitor.";
    abortConnection();
    m_status->setLost(tr("no answer"), 0);
    m_monitorTimer->start();
    onMonitorTimerExpired();
    m_recoveryMode = false;
}

void NodeConnection::requestEarlierSpots()
{
    m_loginWatch.loginSucceeded();
    if (m_skimmerFeed) {
        m_earlierSpotsTimer->stop();
        Q_EMIT getReadyForSpots();
        return;
    }
    if (!m_ve7ccSent && m_loginSent) {
        sendCommand(QStringLiteral("set/ve7cc"));
        m_ve7ccSent = true;
    }
    QLOG_DEBUG() << "Requesting offline spots";
    m_earlierSpots.begin();
    const quint32 uiBands = m_pipeline ? quint32(m_pipeline->chains().bandFilter()->bandFilterValue()) : 0;
    for (const QString &qsRequest : EarlierSpots::requests(uiBands))
        sendCommand(qsRequest);
    m_earlierSpotsTimer->stop();
    Q_EMIT getReadyForSpots();
}

void NodeConnection::onEarlierSpotsQuiet()
{
    if (m_earlierSpots.answerLines() == 0) {
        QLOG_INFO() << "No answer to the earlier-spots requests within" << m_timings.earlierSpotsFirstAnswerMs << "ms";
    } else {
        QLOG_DEBUG() << "No earlier spots for" << m_timings.earlierSpotsQuietMs << "ms; delivering"
                     << m_earlierSpots.keptCount() << "collected spots";
    }
    m_earlierSpots.end();
    deliverEarlierSpots();
}

void NodeConnection::deliverEarlierSpots()
{
    // A receiver may call back into us (disconnect, reconnect); what it
    // would see is already empty.
    QList<Spot> spots = m_earlierSpots.take();
    for (Spot &spot : spots) {
        if (!m_pipeline)
            return;
        m_pipeline->deliver(spot);
    }
}
