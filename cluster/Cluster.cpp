#include "Cluster.h"

#include "SpotParser.h"
#include "API/QsLog/QsLog.h"
#include "settings/Statistics.h"

#include <QDateTime>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Answered to the home-node question whatever the settings hold.
const QString kHomeNodeAnswer = QStringLiteral("Tarrow-1");
const QString kNotSet = QStringLiteral("Not Set");
const QLatin1String kDxDeTag("DX de");
const QLatin1String kCc11Tag("CC11");

} // namespace

Cluster::Cluster(const QString &qsAddress, quint16 uiPort, const QString &qsCallsign,
                 const QString &qsPassword, const QString &qsName, const QString &qsQth,
                 const QString &qsLocator, quint16 uiMaxSpotCount, QObject *parent)
    : QObject(parent)
    , m_address(qsAddress)
    , m_port(uiPort)
    , m_callsign(qsCallsign)
    , m_password(qsPassword)
    , m_name(qsName)
    , m_qth(qsQth)
    , m_locator(qsLocator)
    , m_maxSpotCount(uiMaxSpotCount)
    , m_statistics(Statistics::instance())
{
    m_monitorTimer = new QTimer(this);
    m_monitorTimer->setInterval(ClusterLimits::kMonitorIntervalMs);
    m_idleTimer = new QTimer(this);
    m_idleTimer->setInterval(ClusterLimits::kIdleIntervalMs);
    m_earlierSpotsTimer = new QTimer(this);
    m_earlierSpotsTimer->setInterval(ClusterLimits::kEarlierSpotsDelayMs);

    m_socket = new QTcpSocket(this);
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, &Cluster::readDataFromSocket);
    connect(m_socket, &QTcpSocket::connected, this, &Cluster::socketConnected);
    connect(m_socket, &QTcpSocket::disconnected, this, &Cluster::socketDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &Cluster::socketError);
    connect(m_socket, &QTcpSocket::stateChanged, this, &Cluster::socketStateChanged);
}

Cluster::~Cluster()
{
    // The socket still reports its disconnection during teardown; nobody
    // outside may hear about it from a half-destroyed object.
    blockSignals(true);
    disconnectFromNode();
    delete m_socket;
    m_socket = nullptr;
}

void Cluster::connectToNode()
{
    if (!m_socket)
        return;
    disconnectFromNode();
    QLOG_INFO() << "Connecting to" << m_address << "port" << m_port;
    m_socket->connectToHost(m_address, m_port, QIODevice::ReadWrite);
}

void Cluster::disconnectFromNode()
{
    if (!m_socket)
        return;
    QLOG_INFO() << "Disconnecting from" << m_address << "port" << m_port;
    m_socket->abort();
    m_socket->close();
}

void Cluster::sendCommand(const QString &qsCommand)
{
    if (!m_socket)
        return;
    QLOG_INFO() << QString(QStringLiteral("->") + qsCommand);
    m_socket->write(QString(qsCommand + QLatin1Char('\n')).toUtf8());
}

quint32 Cluster::filterSpot(Spot &spot)
{
    Q_UNUSED(spot)
    // Without a band filter every spot is accepted unseen.
    return ClusterLimits::kAccept;
}

void Cluster::socketConnected()
{
    QLOG_INFO() << "Connected to" << m_address << "port" << m_port;
    m_socketConnected = true;
}

void Cluster::socketDisconnected()
{
    QLOG_INFO() << "Disconnected from" << m_address << "port" << m_port;
    m_socketConnected = false;
    resetLoginState();
    Q_EMIT disconnected(m_address, m_port);
}

void Cluster::socketError(QAbstractSocket::SocketError error)
{
    QLOG_ERROR() << "Socket error:" << error << "Address:" << m_address << "Port:" << m_port;
    m_monitorTimer->start();
    // The socket may still count as connected until its disconnected() arrives.
    resetLoginState();
    Q_EMIT connectionError(m_address, m_port, error);
}

void Cluster::resetLoginState()
{
    m_loginSent = false;
    m_connectedReported = false;
    m_ve7ccSent = false;
}

void Cluster::socketStateChanged(QAbstractSocket::SocketState socketState)
{
    QLOG_TRACE() << "Socket state changed:" << socketState;
}

void Cluster::readDataFromSocket()
{
    if (!m_socket)
        return;

    if (m_recoveryMode) {
        QLOG_DEBUG() << "Exiting recovery mode.";
        m_recoveryMode = false;
    }

    if (m_loginSent && !m_connectedReported) {
        Q_EMIT connected(m_address, m_port);
        m_connectedReported = true;
        m_earlierSpotsTimer->start();
    }

    m_idleTimer->start();

    QString qsText = QString::fromLatin1(m_socket->readAll());
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
    if (!qsText.endsWith(QLatin1Char('\n')) && !qslLines.isEmpty()
        && mayStartSpotLine(qslLines.constLast())) {
        keepBrokenLine(qslLines.takeLast());
    }

    for (const QString &qsLine : std::as_const(qslLines))
        processLine(qsLine);
}

bool Cluster::isSpotLine(const QString &qsLine)
{
    return qsLine.startsWith(kDxDeTag, Qt::CaseInsensitive)
           || qsLine.startsWith(kCc11Tag, Qt::CaseInsensitive);
}

// Also true for a bare "DX d" or "CC1": a cut that early would otherwise lose
// the whole spot, since its rest no longer starts like a spot line.
bool Cluster::mayStartSpotLine(const QString &qsFragment)
{
    return isSpotLine(qsFragment)
           || kDxDeTag.startsWith(qsFragment, Qt::CaseInsensitive)
           || kCc11Tag.startsWith(qsFragment, Qt::CaseInsensitive);
}

void Cluster::keepBrokenLine(const QString &qsLine)
{
    if (qsLine.size() > ClusterLimits::kMaxBrokenLineLength) {
        QLOG_WARN() << "Dropping an incomplete spot line of" << qsLine.size()
                    << "characters; no spot line is that long";
        m_brokenLine.clear();
        return;
    }
    m_brokenLine = qsLine;
}

void Cluster::processLine(const QString &qsLine)
{
    if (qsLine.startsWith(kDxDeTag, Qt::CaseInsensitive)) {
        Spot spot = SpotParser::parseDxDeLine(qsLine, todaysDate());
        processSpot(spot, qsLine);
    } else if (qsLine.startsWith(kCc11Tag, Qt::CaseInsensitive)) {
        Spot spot = SpotParser::parseCc11Line(qsLine);
        processSpot(spot, qsLine);
    } else {
        answerPrompt(qsLine);
    }
}

void Cluster::processSpot(Spot &spot, const QString &qsLine)
{
    m_statistics->incrementProcessedSpots();

    if (!spot.isComplete()) {
        // Assume the network cut the line; the next chunk completes it.
        keepBrokenLine(qsLine);
        return;
    }

    ++m_validSpotCount;

    if (!(filterSpot(spot) & ClusterLimits::kAccept))
        return;

    if (!m_collectingEarlierSpots)
        Q_EMIT newSpot(spot);
    else if (m_spotsMap.size() < ClusterLimits::kMaxCollectedSpots)
        m_spotsMap.insert(spot.time(), spot); // before the spots of equal time
}

void Cluster::answerPrompt(const QString &qsLine)
{
    if (qsLine.contains(QLatin1String("login:")) || qsLine.contains(QLatin1String("call:"))
        || qsLine.contains(QLatin1String("callsign:"))) {
        if (!m_callsign.isEmpty()) {
            sendCommand(m_callsign);
            m_loginSent = true;
        }
    } else if (qsLine.contains(QLatin1String("password:"))) {
        if (!m_password.isEmpty())
            sendCommand(m_password);
    } else if (qsLine.contains(QLatin1String("Please enter your name"))
               && !qsLine.contains(QLatin1String("set/name"))) {
        sendCommand(m_name.isEmpty() ? kNotSet : m_name);
    } else if (qsLine.contains(QLatin1String("Please enter your QTH"))
               && !qsLine.contains(QLatin1String("set/qth"))) {
        sendCommand(m_qth.isEmpty() ? kNotSet : m_qth);
    } else if (qsLine.contains(QLatin1String("Please enter your home node"))
               && !qsLine.contains(QLatin1String("set/homenode"))) {
        sendCommand(kHomeNodeAnswer);
    } else if (qsLine.contains(QLatin1String("Is this correct?"))) {
        sendCommand(QStringLiteral("Y"));
    }
}

const QString &Cluster::todaysDate()
{
    const QDate qdToday = QDateTime::currentDateTimeUtc().date();
    if (qdToday.toJulianDay() != m_dateDay) {
        m_dateDay = qdToday.toJulianDay();
        m_dateText = SpotParser::dxDeDate(qdToday);
    }
    return m_dateText;
}
