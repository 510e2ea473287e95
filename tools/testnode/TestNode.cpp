#include "TestNode.h"

#include "NodeSession.h"
#include "SpotStream.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcNode, "kelvane.testnode", QtInfoMsg)

constexpr int kMaxClients = 256;
// Observation logs keep the newest data only, so a long-running demo node
// cannot grow without bound.
constexpr qsizetype kMaxReceivedBytes = 16 * 1024 * 1024;
constexpr qsizetype kMaxReceivedLines = 100000;
constexpr qsizetype kMaxSessionBytes = 1024 * 1024;
constexpr qsizetype kMaxSessionLines = 10000;
constexpr int kMaxReceivedSessions = 200;
constexpr qsizetype kLongLineBytes = 1024 * 1024;
constexpr int kMaxStoreCapacity = 1000000;
// A client that has just logged in hears from its node at once.
constexpr int kFirstAnnouncementMs = 3000;
constexpr int kFirstBulletinMs = 8000;

template <typename List> void keepNewest(List &list, qsizetype iLimit)
{
    if (list.size() > iLimit)
        list.remove(0, list.size() - iLimit / 2);
}

} // namespace

TestNode::TestNode(QObject *pParent)
    : QObject(pParent)
    , m_server(new QTcpServer(this))
    , m_stream(new SpotStream(this))
    , m_nodeCall(QStringLiteral("Q1NODE-1"))
    , m_nodeCallBytes("Q1NODE-1")
    , m_location(QStringLiteral("Testtown"))
{
    connect(m_server, &QTcpServer::newConnection, this, &TestNode::onNewConnection);
    connect(m_stream, &SpotStream::spotsReady, this, &TestNode::onSpotsReady);
    connect(m_stream, &SpotStream::finished, this, &TestNode::streamFinished);
    m_bulletinTimer = new QTimer(this);
    connect(m_bulletinTimer, &QTimer::timeout, this, &TestNode::sendNextBulletin);
}

TestNode::~TestNode()
{
    m_stream->stop();
    // Sessions go first, while everything they report to still exists.
    const QList<QPointer<NodeSession>> lSessions = m_sessions;
    m_sessions.clear();
    for (const QPointer<NodeSession> &pSession : lSessions) {
        if (pSession) {
            disconnect(pSession, nullptr, this, nullptr);
            delete pSession.data();
        }
    }
}

bool TestNode::listen(quint16 uiPort)
{
    if (m_server->isListening())
        m_server->close();
    if (!m_server->listen(QHostAddress::LocalHost, uiPort)) {
        qCWarning(lcNode).noquote() << "cannot listen on 127.0.0.1 port" << uiPort << ":" << m_server->errorString();
        return false;
    }
    m_port = m_server->serverPort();
    return true;
}

void TestNode::close()
{
    m_server->close();
    dropAllClients();
}

quint16 TestNode::port() const
{
    return m_port;
}

bool TestNode::isListening() const
{
    return m_server->isListening();
}

bool TestNode::setRefuseConnections(bool bRefuse)
{
    if (bRefuse) {
        m_server->close();
        return true;
    }
    if (m_server->isListening())
        return true;
    if (m_port == 0) {
        qCWarning(lcNode) << "cannot accept connections again: the node never listened";
        return false;
    }
    return listen(m_port);
}

void TestNode::setNodeCall(const QString &qsCall)
{
    m_nodeCall = qsCall.trimmed().toUpper();
    m_nodeCallBytes = m_nodeCall.toLatin1();
}

QString TestNode::nodeCall() const
{
    return m_nodeCall;
}

void TestNode::setLocation(const QString &qsLocation)
{
    m_location = qsLocation;
}

QString TestNode::location() const
{
    return m_location;
}

void TestNode::setKind(Kind eKind)
{
    m_kind = eKind;
}

TestNode::Kind TestNode::kind() const
{
    return m_kind;
}

void TestNode::setDialogueStyle(DialogueStyle eStyle)
{
    m_style = eStyle;
}

TestNode::DialogueStyle TestNode::dialogueStyle() const
{
    return m_style;
}

void TestNode::setPassword(const QString &qsCall, const QString &qsPassword)
{
    const QString qsKey = qsCall.trimmed().toUpper();
    if (qsPassword.isEmpty())
        m_passwords.remove(qsKey);
    else
        m_passwords.insert(qsKey, qsPassword);
}

QString TestNode::password(const QString &qsCall) const
{
    return m_passwords.value(qsCall.trimmed().toUpper());
}

void TestNode::setBandQueryDelay(int iMs)
{
    m_bandQueryDelay = qMax(0, iMs);
}

int TestNode::bandQueryDelay() const
{
    return m_bandQueryDelay;
}

void TestNode::setQueryDelay(int iMs)
{
    m_queryDelay = qMax(0, iMs);
}

int TestNode::queryDelay() const
{
    return m_queryDelay;
}

void TestNode::setStoreCapacity(int iCapacity)
{
    m_storeCapacity = qBound(1, iCapacity, kMaxStoreCapacity);
    while (m_store.size() > size_t(m_storeCapacity))
        m_store.pop_front();
}

QList<TestSpot> TestNode::store(QList<TestSpot> lSpots)
{
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    for (TestSpot &spot : lSpots) {
        if (!spot.time.isValid())
            spot.time = dtNow;
        m_store.push_back(spot);
        if (m_store.size() > size_t(m_storeCapacity))
            m_store.pop_front();
    }
    return lSpots;
}

void TestNode::preloadSpots(const QList<TestSpot> &lSpots)
{
    store(lSpots);
}

void TestNode::clearStore()
{
    m_store.clear();
}

QList<TestSpot> TestNode::storedSpots() const
{
    return QList<TestSpot>(m_store.begin(), m_store.end());
}

void TestNode::broadcastSpot(const TestSpot &spot)
{
    deliver({spot});
}

void TestNode::setRespotShare(double dShare)
{
    m_stream->setRespotShare(dShare);
}

void TestNode::startGeneratorStream(double dRate, qint64 iCount, quint32 uiSeed)
{
    m_stream->startGenerator(dRate, iCount, uiSeed);
    updateStreamPause();
}

void TestNode::startScheduledStream(double dRate, quint32 uiSeed, int iDelaySecs, qint64 iCount)
{
    const SpotStream::Source eSource =
        m_kind == Kind::SkimmerFeed ? SpotStream::Source::Skimmers : SpotStream::Source::Generator;
    m_stream->startScheduled(eSource, dRate, iCount, uiSeed, iDelaySecs);
    updateStreamPause();
}

void TestNode::setBustedShare(double dShare)
{
    m_stream->setBustedShare(dShare);
}

bool TestNode::startFileStream(const QString &qsPath, double dRate, qint64 iCount)
{
    QList<TestSpot> lSpots;
    QString qsError;
    if (!SpotStream::loadFile(qsPath, &lSpots, &qsError)) {
        qCWarning(lcNode).noquote() << qsError;
        return false;
    }
    startListStream(lSpots, dRate, iCount);
    return true;
}

void TestNode::startListStream(const QList<TestSpot> &lSpots, double dRate, qint64 iCount)
{
    m_stream->startList(lSpots, dRate, iCount);
    updateStreamPause();
}

void TestNode::stopStream()
{
    m_stream->stop();
}

bool TestNode::isStreaming() const
{
    return m_stream->isRunning();
}

qint64 TestNode::streamedCount() const
{
    return m_stream->sentCount();
}

void TestNode::onSpotsReady(const QList<TestSpot> &lSpots)
{
    deliver(lSpots);
}

void TestNode::deliver(const QList<TestSpot> &lSpots)
{
    const QList<TestSpot> lStamped = store(lSpots);
    if (m_silent)
        return;

    // Each format is rendered once per batch, however many clients use it.
    QByteArray baDxDe;
    QByteArray baCc11;
    for (NodeSession *pSession : liveSessions()) {
        if (!pSession->isLoggedIn())
            continue;
        const TestSpot::Format eFormat = pSession->format();
        QByteArray &baLines = eFormat == TestSpot::Format::Cc11 ? baCc11 : baDxDe;
        if (baLines.isEmpty()) {
            baLines.reserve(lStamped.size() * (eFormat == TestSpot::Format::Cc11 ? 120 : 84));
            for (const TestSpot &spot : lStamped)
                baLines += spot.line(eFormat, true, m_nodeCallBytes);
        }
        pSession->send(baLines);
    }
    updateStreamPause();
}

void TestNode::updateStreamPause()
{
    // The stream waits for a listener (so that a count is not used up before
    // the benchmark client is in, and an idle node costs nothing) and for
    // every client that has fallen behind.
    bool bListener = false;
    bool bCongested = false;
    for (NodeSession *pSession : liveSessions()) {
        bListener = bListener || pSession->isLoggedIn();
        bCongested = bCongested || pSession->isCongested();
    }
    m_stream->setPaused(bCongested || !bListener);
}

void TestNode::startBulletins(int iIntervalMs)
{
    if (iIntervalMs <= 0) {
        m_bulletinTimer->stop();
        return;
    }
    m_bulletinTimer->start(iIntervalMs);
}

void TestNode::sendNextBulletin()
{
    // Announcements are the most frequent; the bulletins take turns between them.
    const int iTurn = m_bulletinTurn++ % 4;
    if (iTurn % 2 == 0)
        broadcastLine(m_bulletins.nextAnnouncement());
    else
        broadcastLine(iTurn == 1 ? m_bulletins.nextWwv() : m_bulletins.nextWcy());
}

void TestNode::broadcastLine(const QString &qsLine)
{
    const QByteArray baLine = qsLine.toUtf8() + "\r\n";
    for (NodeSession *pSession : liveSessions()) {
        if (pSession->isLoggedIn())
            pSession->send(baLine);
    }
}

void TestNode::setSilent(bool bSilent)
{
    m_silent = bSilent;
    for (NodeSession *pSession : liveSessions())
        pSession->setSilent(bSilent);
}

bool TestNode::isSilent() const
{
    return m_silent;
}

void TestNode::dropAllClients()
{
    for (NodeSession *pSession : liveSessions())
        pSession->abort();
}

void TestNode::sendRaw(const QByteArray &baData)
{
    for (NodeSession *pSession : liveSessions())
        pSession->send(baData);
}

void TestNode::sendSplit(const QByteArray &baData, const QList<int> &liOffsets, int iPauseMs)
{
    QList<int> liCuts;
    for (const int iOffset : liOffsets) {
        if (iOffset > 0 && iOffset < baData.size())
            liCuts.append(iOffset);
    }
    std::sort(liCuts.begin(), liCuts.end());
    liCuts.erase(std::unique(liCuts.begin(), liCuts.end()), liCuts.end());

    QList<QByteArray> lPieces;
    int iStart = 0;
    for (const int iCut : std::as_const(liCuts)) {
        lPieces.append(baData.mid(iStart, iCut - iStart));
        iStart = iCut;
    }
    lPieces.append(baData.mid(iStart));
    writeSplitPiece(lPieces, 0, qMax(0, iPauseMs));
}

void TestNode::writeSplitPiece(const QList<QByteArray> &lPieces, int iIndex, int iPauseMs)
{
    for (NodeSession *pSession : liveSessions()) {
        pSession->send(lPieces.at(iIndex));
        pSession->flush();
    }
    if (iIndex + 1 < lPieces.size()) {
        QTimer::singleShot(iPauseMs, this,
                           [this, lPieces, iIndex, iPauseMs]() { writeSplitPiece(lPieces, iIndex + 1, iPauseMs); });
    }
}

void TestNode::sendGarbage(Garbage eKind)
{
    switch (eKind) {
    case Garbage::NulBytes: {
        static constexpr char kNul[] = "DX de \0\0\0:\0 14025.0  \0Q9XYZ\0\r\n";
        sendRaw(QByteArray(kNul, sizeof(kNul) - 1));
        break;
    }
    case Garbage::LongLine: {
        QByteArray baLine;
        baLine.reserve(kLongLineBytes);
        while (baLine.size() < kLongLineBytes)
            baLine += "garbage without a line feed ";
        baLine.truncate(kLongLineBytes);
        sendRaw(baLine);
        break;
    }
    case Garbage::InvalidUtf8:
        sendRaw(QByteArray(
            "\xC3\x28 \xA0\xA1 \xE2\x28\xA1 \xF0\x28\x8C\xBC \xF8\xA1\xA1\xA1\xA1 \xC0\xAF \xED\xA0\x80\r\n"));
        break;
    }
}

QList<NodeSession *> TestNode::liveSessions() const
{
    QList<NodeSession *> lSessions;
    lSessions.reserve(m_sessions.size());
    for (const QPointer<NodeSession> &pSession : m_sessions) {
        if (pSession)
            lSessions.append(pSession.data());
    }
    return lSessions;
}

void TestNode::onNewConnection()
{
    while (QTcpSocket *pSocket = m_server->nextPendingConnection()) {
        if (m_sessions.size() >= kMaxClients) {
            qCWarning(lcNode) << "more than" << kMaxClients << "clients; refusing another one";
            connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
            pSocket->write("Sorry, this node is full\r\n");
            pSocket->disconnectFromHost();
            continue;
        }
        addSession(new NodeSession(pSocket, this, m_nextSessionId++, this));
    }
}

void TestNode::addSession(NodeSession *pSession)
{
    const int iId = pSession->id();
    m_received.insert(iId, Received());
    while (m_received.size() > kMaxReceivedSessions)
        m_received.erase(m_received.begin());

    connect(pSession, &NodeSession::bytesReceived, this,
            [this, iId](const QByteArray &baData) { recordBytes(iId, baData); });
    connect(pSession, &NodeSession::lineReceived, this, [this, iId](const QString &qsCall, const QString &qsLine) {
        recordLine(iId, qsCall, qsLine);
        Q_EMIT commandReceived(qsCall, qsLine);
    });
    connect(pSession, &NodeSession::loggedIn, this, [this](const QString &qsCall) {
        updateStreamPause();
        if (m_bulletinTimer->isActive()) {
            QTimer::singleShot(kFirstAnnouncementMs, this, [this]() { broadcastLine(m_bulletins.nextAnnouncement()); });
            QTimer::singleShot(kFirstBulletinMs, this, [this]() { broadcastLine(m_bulletins.nextWwv()); });
        }
        Q_EMIT clientLoggedIn(qsCall);
    });
    connect(pSession, &NodeSession::spotPosted, this, &TestNode::broadcastSpot);
    connect(pSession, &NodeSession::userInfoChanged, this,
            [this](const QString &qsCall, const QString &qsName, const QString &qsQth, const QString &qsHomeNode) {
                m_users.insert(qsCall, UserInfo {qsName, qsQth, qsHomeNode});
            });
    connect(pSession, &NodeSession::drained, this, &TestNode::updateStreamPause);
    connect(pSession, &NodeSession::closed, this, [this, pSession]() { onSessionClosed(pSession); });

    m_sessions.append(pSession);
    pSession->start(m_silent);
    Q_EMIT clientConnected();
}

void TestNode::onSessionClosed(NodeSession *pSession)
{
    m_sessions.removeAll(pSession);
    disconnect(pSession, nullptr, this, nullptr);
    pSession->deleteLater();
    updateStreamPause();
    Q_EMIT clientDisconnected();
}

void TestNode::recordBytes(int iSession, const QByteArray &baData)
{
    m_receivedBytes += baData;
    keepNewest(m_receivedBytes, kMaxReceivedBytes);
    const auto it = m_received.find(iSession);
    if (it != m_received.end()) {
        it->bytes += baData;
        keepNewest(it->bytes, kMaxSessionBytes);
    }
}

void TestNode::recordLine(int iSession, const QString &qsCall, const QString &qsLine)
{
    m_receivedLines.append(qsLine);
    keepNewest(m_receivedLines, kMaxReceivedLines);
    const auto it = m_received.find(iSession);
    if (it != m_received.end()) {
        if (!qsCall.isEmpty())
            it->call = qsCall;
        it->lines.append(qsLine);
        keepNewest(it->lines, kMaxSessionLines);
    }
}

int TestNode::clientCount() const
{
    return int(liveSessions().size());
}

int TestNode::loggedInCount() const
{
    return int(loggedInCalls().size());
}

QStringList TestNode::loggedInCalls() const
{
    QStringList lCalls;
    for (NodeSession *pSession : liveSessions()) {
        if (pSession->isLoggedIn())
            lCalls.append(pSession->call());
    }
    return lCalls;
}

QStringList TestNode::receivedLines() const
{
    return m_receivedLines;
}

template <typename T> T TestNode::receivedFrom(const QString &qsCall, T Received::*pField) const
{
    // A call may have had several sessions: theirs follow one another.
    const QString qsKey = qsCall.trimmed().toUpper();
    T all;
    for (const Received &received : m_received) {
        if (received.call == qsKey)
            all += received.*pField;
    }
    return all;
}

QStringList TestNode::receivedLines(const QString &qsCall) const
{
    return receivedFrom(qsCall, &Received::lines);
}

QByteArray TestNode::receivedBytes() const
{
    return m_receivedBytes;
}

QByteArray TestNode::receivedBytes(const QString &qsCall) const
{
    return receivedFrom(qsCall, &Received::bytes);
}

void TestNode::clearReceived()
{
    m_receivedBytes.clear();
    m_receivedLines.clear();
    for (Received &received : m_received) {
        received.bytes.clear();
        received.lines.clear();
    }
}

TestNode::UserInfo TestNode::userInfo(const QString &qsCall) const
{
    return m_users.value(qsCall.trimmed().toUpper());
}
