#include "SpotNodeServer.h"

#include "SpotLineFormat.h"
#include "SpotNodeSession.h"

#include "API/QsLog/QsLog.h"
#include "cluster/SpotParser.h"
#include "Worked/Worked.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>

namespace {
const QString kDefaultNodeCall = QStringLiteral("KELVANE");

// The IPv4 address behind an IPv4-mapped IPv6 one, as a dual-stack port
// reports its IPv4 peers.
QHostAddress plain(const QHostAddress &address)
{
    bool bIpv4 = false;
    const quint32 uiIpv4 = address.toIPv4Address(&bIpv4);
    return bIpv4 ? QHostAddress(uiIpv4) : address;
}

// Said to a client that is not let in, before its connection is closed.
void refuse(QTcpSocket *pSocket, const QByteArray &baLine)
{
    QObject::connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
    pSocket->write(baLine + "\r\n");
    pSocket->disconnectFromHost();
}
} // namespace

SpotNodeServer::SpotNodeServer(QObject *parent) : QObject(parent), m_nodeCall(kDefaultNodeCall)
{
}

SpotNodeServer::~SpotNodeServer()
{
    // The sessions' signals would reach a half-destroyed server.
    blockSignals(true);
    stop();
}

bool SpotNodeServer::start(const QHostAddress &address, quint16 uiPort)
{
    stop();
    m_server = new QTcpServer(this);
    // Room for one more than the bound, which is then told it is full.
    m_server->setMaxPendingConnections(kMaxClients + 1);
    connect(m_server, &QTcpServer::newConnection, this, &SpotNodeServer::onNewConnection);
    if (!m_server->listen(address, uiPort)) {
        m_errorString = m_server->errorString();
        QLOG_ERROR() << "The spot node cannot listen on" << address.toString() << "port" << uiPort << ":"
                     << m_errorString;
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_errorString.clear();
    QLOG_INFO() << "Spot node listening on" << address.toString() << "port" << m_server->serverPort();
    return true;
}

void SpotNodeServer::stop()
{
    const bool bWasListening = m_server != nullptr;
    closeSessions();
    delete m_server;
    m_server = nullptr;
    if (bWasListening) {
        QLOG_INFO() << "Spot node closed";
    }
}

bool SpotNodeServer::isListening() const
{
    return m_server && m_server->isListening();
}

quint16 SpotNodeServer::serverPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

void SpotNodeServer::setAllowed(const QStringList &qslAllowed)
{
    m_allowed.clear();
    for (const QString &qsEntry : qslAllowed) {
        const QString qsTrimmed = qsEntry.trimmed();
        if (qsTrimmed.contains(QLatin1Char('/'))) {
            const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(qsTrimmed);
            if (!subnet.first.isNull())
                m_allowed.append(subnet);
            continue;
        }
        const QHostAddress address(qsTrimmed);
        if (!address.isNull())
            m_allowed.append({address, address.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128});
    }
}

bool SpotNodeServer::isAllowed(const QHostAddress &address) const
{
    const QHostAddress peer = plain(address);
    if (peer == QHostAddress(QHostAddress::LocalHost) || peer == QHostAddress(QHostAddress::LocalHostIPv6))
        return true;
    for (const QPair<QHostAddress, int> &subnet : m_allowed) {
        if (peer.isInSubnet(subnet))
            return true;
    }
    return false;
}

void SpotNodeServer::setNodeCall(const QString &qsCall)
{
    const QString qsClean = QString::fromLatin1(SpotLineFormat::lineSafe(qsCall.trimmed().toUpper(), '^'))
                                .remove(QLatin1Char(' '))
                                .left(16);
    m_nodeCall = qsClean.isEmpty() ? kDefaultNodeCall : qsClean;
}

void SpotNodeServer::onNewConnection()
{
    while (QTcpSocket *pSocket = m_server ? m_server->nextPendingConnection() : nullptr) {
        const QHostAddress peer = plain(pSocket->peerAddress());
        if (!isAllowed(peer)) {
            QLOG_WARN() << "Spot node refused" << peer.toString() << ": not in the allowed addresses";
            refuse(pSocket, QByteArrayLiteral("Sorry, connections from ") + peer.toString().toLatin1()
                       + QByteArrayLiteral(" are not allowed on this node."));
            continue;
        }
        if (m_sessions.size() >= kMaxClients) {
            QLOG_WARN() << "Spot node refused" << peer.toString() << ": already" << kMaxClients << "clients";
            refuse(pSocket, QByteArrayLiteral("Sorry, this node is full. Please try again later."));
            continue;
        }
        auto *pSession = new SpotNodeSession(pSocket, this);
        connect(pSession, &SpotNodeSession::finished, this, &SpotNodeServer::onSessionFinished);
        m_sessions.append(pSession);
        QLOG_INFO() << "Spot node client connected from" << peer.toString() << "port" << pSocket->peerPort();
        Q_EMIT clientCountChanged(clientCount());
        pSession->start();
    }
}

void SpotNodeServer::onSessionFinished(SpotNodeSession *pSession)
{
    if (!m_sessions.removeOne(pSession))
        return;
    QLOG_INFO() << "Spot node client" << pSession->peerText() << "gone";
    pSession->deleteLater();
    Q_EMIT clientCountChanged(clientCount());
}

void SpotNodeServer::closeSessions()
{
    const QList<SpotNodeSession *> sessions = std::exchange(m_sessions, {});
    for (SpotNodeSession *pSession : sessions) {
        disconnect(pSession, nullptr, this, nullptr);
        pSession->close();
        pSession->deleteLater();
    }
    if (!sessions.isEmpty())
        Q_EMIT clientCountChanged(0);
}

bool SpotNodeServer::offerSpot(const Spot &spot)
{
    if (!spot.isComplete() || spot.validation() == Spot::Validation::Busted)
        return false;
    if (m_handedOn.see(spot, SpotParser::minuteOf(SpotParser::currentDateTimeUtc())) == SpotIdentity::Seen::Repeat)
        return false;
    m_history.push_back(spot);
    if (int(m_history.size()) > kHistorySize)
        m_history.pop_front();

    // Each format is written once, however many clients take it.
    QByteArray baDxDe;
    QByteArray baCc11;
    // A session that overflows finishes, and leaves the list, right here.
    const QList<SpotNodeSession *> sessions = m_sessions;
    for (SpotNodeSession *pSession : sessions) {
        if (!pSession->isLoggedIn())
            continue;
        if (pSession->wantsCc11()) {
            if (baCc11.isEmpty())
                baCc11 = pSession->cc11Line(spot);
            pSession->sendLine(baCc11);
        } else {
            if (baDxDe.isEmpty())
                baDxDe = SpotLineFormat::dxDeLine(spot);
            pSession->sendLine(baDxDe);
        }
    }
    return true;
}

QList<Spot> SpotNodeServer::recentSpots(int iCount) const
{
    QList<Spot> spots;
    for (auto it = m_history.crbegin(); it != m_history.crend() && spots.size() < iCount; ++it)
        spots.append(*it);
    return spots;
}
