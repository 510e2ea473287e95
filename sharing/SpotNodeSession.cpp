#include "SpotNodeSession.h"

#include "SpotLineFormat.h"
#include "SpotNodeServer.h"

#include "API/QsLog/QsLog.h"
#include "Worked/Worked.h"
#include "cluster/Spot.h"
#include "cluster/SpotParser.h"
#include "radio/BandPlan.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

namespace {
constexpr uchar kIac = 255;
constexpr uchar kSb = 250;
constexpr uchar kSe = 240;
constexpr uchar kWill = 251;
constexpr uchar kDont = 254;
constexpr int kMaxCallLength = 20;
constexpr int kByeFlushMs = 10000;

// Some logging programs report long sessions; the kernel's own buffer for
// this client is kept small so that the unsent-output bound is what counts.
constexpr int kSocketSendBuffer = 64 * 1024;
} // namespace

SpotNodeSession::SpotNodeSession(QTcpSocket *pSocket, SpotNodeServer *pServer)
    : QObject(pServer), m_socket(pSocket), m_server(pServer)
{
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSocketSendBuffer);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, &SpotNodeSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &SpotNodeSession::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &SpotNodeSession::onDisconnected);
}

SpotNodeSession::~SpotNodeSession() = default;

QString SpotNodeSession::peerText() const
{
    const QString qsPeer = m_socket->peerAddress().toString() + QLatin1Char(':') + QString::number(m_socket->peerPort());
    return m_call.isEmpty() ? qsPeer : m_call + QLatin1Char('@') + qsPeer;
}

void SpotNodeSession::start()
{
    m_socket->write("login: ");
}

void SpotNodeSession::close()
{
    m_finished = true;
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
}

void SpotNodeSession::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished(this);
}

void SpotNodeSession::onDisconnected()
{
    finish();
}

void SpotNodeSession::sendLine(const QByteArray &baLine)
{
    if (m_finished)
        return;
    if (m_socket->bytesToWrite() + baLine.size() + 2 > SpotNodeServer::kMaxUnsentBytes) {
        QLOG_WARN() << "Spot node dropped" << peerText() << ": it did not read"
                    << m_socket->bytesToWrite() << "bytes of spots";
        m_socket->abort();
        finish();
        return;
    }
    m_socket->write(baLine + "\r\n");
}

QByteArray SpotNodeSession::cc11Line(const Spot &spot) const
{
    CountryInfo dx;
    CountryInfo spotter;
    if (const Worked *pWorked = m_server->countryLookup()) {
        dx = pWorked->infoForCall(spot.dxCall());
        spotter = pWorked->infoForCall(spot.spotter());
    }
    return SpotLineFormat::cc11Line(spot, dx, spotter, m_server->nodeCall());
}

void SpotNodeSession::onReadyRead()
{
    const QByteArray baChunk = m_socket->readAll();
    for (const char c : baChunk) {
        const uchar uc = uchar(c);
        // Telnet commands: IAC x, IAC WILL/WONT/DO/DONT x, IAC SB ... IAC SE.
        if (m_telnetSkip > 0) {
            if (m_telnetSkip == 2 && uc >= kWill && uc <= kDont) {
                m_telnetSkip = 1;
            } else if (m_telnetSkip == 2 && uc == kSb) {
                m_telnetSkip = -1;
            } else {
                m_telnetSkip = 0;
            }
            continue;
        }
        if (m_telnetSkip < 0) {
            if (uc == kSe)
                m_telnetSkip = 0;
            continue;
        }
        if (uc == kIac) {
            m_telnetSkip = 2;
            continue;
        }
        // CR LF, CR NUL, a bare CR and a bare LF each end one line.
        const bool bAfterCr = std::exchange(m_afterCr, c == '\r');
        if (c == '\0' || (c == '\n' && bAfterCr))
            continue;
        if (c == '\n' || c == '\r') {
            if (!m_discardingLine)
                handleLine(m_input);
            m_input.clear();
            m_discardingLine = false;
            if (m_finished)
                return;
            continue;
        }
        if (m_discardingLine)
            continue;
        if (m_input.size() >= kMaxLineLength) {
            QLOG_WARN() << "Spot node: a line of more than" << kMaxLineLength << "bytes from" << peerText()
                        << "thrown away";
            m_input.clear();
            m_discardingLine = true;
            continue;
        }
        m_input += c;
    }
}

void SpotNodeSession::handleLine(const QByteArray &baLine)
{
    const QString qsLine = QString::fromLatin1(SpotLineFormat::lineSafe(QString::fromLatin1(baLine))).trimmed();
    if (!isLoggedIn()) {
        // Any call will do, as on public nodes; only what a call may hold is kept.
        static const QRegularExpression notCall(QStringLiteral("[^A-Z0-9/\\-]"));
        const QString qsCall = qsLine.section(QLatin1Char(' '), 0, 0).toUpper().remove(notCall).left(kMaxCallLength);
        if (qsCall.isEmpty()) {
            m_socket->write("login: ");
            return;
        }
        m_call = qsCall;
        QLOG_INFO() << "Spot node client" << peerText() << "logged in";
        sendLine(QStringLiteral("Hello %1, this is %2, the spot node of Kelvane.").arg(m_call, m_server->nodeCall()).toLatin1());
        sendLine("Live spots follow. Commands: SH/DX [n], SET/VE7CC, BYE.");
        sendPrompt();
        return;
    }
    handleCommand(qsLine);
}

void SpotNodeSession::handleCommand(const QString &qsCommand)
{
    const QStringList qslWords = qsCommand.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString qsVerb = qslWords.value(0);
    if (qsVerb.isEmpty()) {
        // Clients wake a quiet node with an empty line; the prompt answers it.
    } else if (qsVerb == QLatin1String("bye") || qsVerb == QLatin1String("quit")) {
        sendLine(QStringLiteral("73 de %1").arg(m_server->nodeCall()).toLatin1());
        m_finished = true;
        // What is queued still goes out; the server learns of the end now.
        disconnect(m_socket, nullptr, this, nullptr);
        connect(m_socket, &QTcpSocket::disconnected, m_socket, &QObject::deleteLater);
        m_socket->setParent(nullptr);
        // A client that reads nothing more would hold the socket for ever.
        QTimer::singleShot(kByeFlushMs, m_socket, &QObject::deleteLater);
        m_socket->disconnectFromHost();
        Q_EMIT finished(this);
        return;
    } else if (qsVerb == QLatin1String("set/ve7cc")) {
        m_cc11 = true;
        sendLine("Spots now in CC11 format.");
    } else if (qsVerb == QLatin1String("unset/ve7cc")) {
        m_cc11 = false;
        sendLine("Spots now in DX de format.");
    } else if (qsVerb == QLatin1String("sh/dx") || qsVerb == QLatin1String("show/dx") || qsVerb == QLatin1String("sh/fdx")
               || qsVerb == QLatin1String("show/fdx")) {
        listSpots(qslWords);
    } else {
        sendLine("Unknown command");
    }
    sendPrompt();
}

void SpotNodeSession::listSpots(const QStringList &qslWords)
{
    int iCount = kDefaultListed;
    const BandPlan::Band *pBand = nullptr;
    for (int i = 1; i < qslWords.size(); ++i) {
        bool bNumber = false;
        const int iNumber = qslWords.at(i).toInt(&bNumber);
        if (bNumber) {
            iCount = qBound(1, iNumber, SpotNodeServer::kHistorySize);
        } else if (qslWords.at(i) == QLatin1String("on") && i + 1 < qslWords.size()) {
            pBand = BandPlan::find(qslWords.at(++i));
        }
    }
    int iListed = 0;
    for (const Spot &spot : m_server->recentSpots(SpotNodeServer::kHistorySize)) {
        if (iListed >= iCount || m_finished)
            break;
        if (pBand && !BandPlan::contains(*pBand, spot.frequency().toDouble()))
            continue;
        sendLine(m_cc11 ? cc11Line(spot) : SpotLineFormat::dxDeLine(spot));
        ++iListed;
    }
}

void SpotNodeSession::sendPrompt()
{
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    sendLine(QStringLiteral("%1 de %2 %3 %4Z >")
                 .arg(m_call, m_server->nodeCall(), SpotParser::dxDeDate(dtNow.date()),
                      dtNow.toString(QStringLiteral("HHmm")))
                 .toLatin1());
}
