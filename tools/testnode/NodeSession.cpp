#include "NodeSession.h"

#include "TelnetLineReader.h"
#include "TestNode.h"

#include "radio/BandPlan.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace {

Q_LOGGING_CATEGORY(lcSession, "kelvane.testnode.session", QtInfoMsg)

constexpr int kMaxBadCalls = 5;
// A stream pauses while a client has this much unsent and resumes below the
// second figure; a client that lets answers pile up past the third is dropped.
constexpr qint64 kPauseBytes = 1024 * 1024;
constexpr qint64 kResumeBytes = 256 * 1024;
constexpr qint64 kDropBytes = 64 * 1024 * 1024;
constexpr int kDefaultFdxCount = 10; // "SHOW/FDX" without a number
constexpr int kMaxFdxCount = 500;
constexpr double kMaxFrequency = 1.0e9; // kHz
constexpr int kMaxEchoLength = 32;

bool isValidCall(const QString &qsCall)
{
    static const QRegularExpression reCall(QStringLiteral("^(?=.*[A-Z])(?=.*[0-9])[A-Z0-9/#-]{3,20}$"));
    return reCall.match(qsCall).hasMatch();
}

bool isValidDxCall(const QString &qsCall)
{
    static const QRegularExpression reCall(QStringLiteral("^(?=.*[A-Z])(?=.*[0-9])[A-Z0-9/]{2,20}$"));
    return reCall.match(qsCall).hasMatch();
}

// Splits "word rest" into the first word and the remainder without leading blanks.
QByteArray takeWord(const QByteArray &baText, QByteArray *pbaRest)
{
    const QByteArray baTrimmed = baText.trimmed();
    qsizetype iEnd = 0;
    while (iEnd < baTrimmed.size() && baTrimmed.at(iEnd) != ' ' && baTrimmed.at(iEnd) != '\t')
        ++iEnd;
    *pbaRest = baTrimmed.mid(iEnd).trimmed();
    return baTrimmed.left(iEnd);
}

} // namespace

NodeSession::NodeSession(QTcpSocket *pSocket, const TestNode *pNode, int iId, QObject *pParent)
    : QObject(pParent), m_socket(pSocket), m_node(pNode), m_id(iId)
{
    Q_ASSERT(m_socket && m_node);
    m_socket->setParent(this);
    // Without Nagle every write leaves at once, which split sends rely on.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, &NodeSession::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &NodeSession::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &NodeSession::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NodeSession::onErrorOccurred);
}

NodeSession::~NodeSession()
{
    // The socket dies with us; its last signals must not come back here.
    if (m_socket)
        disconnect(m_socket, nullptr, this, nullptr);
}

void NodeSession::start(bool bSilent)
{
    m_silent = bSilent;
    send(loginPrompt());
}

bool NodeSession::isSkimmerFeed() const
{
    return m_node->kind() == TestNode::Kind::SkimmerFeed;
}

QByteArray NodeSession::loginPrompt() const
{
    return isSkimmerFeed() ? QByteArrayLiteral("Please enter your call: ") : QByteArrayLiteral("login: ");
}

int NodeSession::id() const
{
    return m_id;
}

QString NodeSession::call() const
{
    return m_call;
}

bool NodeSession::isLoggedIn() const
{
    return m_state == State::LoggedIn;
}

TestSpot::Format NodeSession::format() const
{
    return m_format;
}

void NodeSession::setSilent(bool bSilent)
{
    m_silent = bSilent;
}

void NodeSession::send(const QByteArray &baData)
{
    if (m_silent || m_state == State::Closed || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(baData);
    const qint64 iQueued = m_socket->bytesToWrite();
    if (iQueued > kPauseBytes)
        m_congested = true;
    if (iQueued > kDropBytes && !m_dropScheduled) {
        qCWarning(lcSession).noquote() << "client" << m_call << "reads nothing;" << iQueued
                                       << "bytes queued; dropping it";
        m_dropScheduled = true;
        // Not from inside the write: the caller may be walking the client list.
        QTimer::singleShot(0, this, &NodeSession::abort);
    }
}

void NodeSession::flush()
{
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->flush();
}

bool NodeSession::isCongested() const
{
    return m_congested;
}

void NodeSession::abort()
{
    m_socket->abort();
    finish();
}

void NodeSession::onBytesWritten(qint64 iBytes)
{
    Q_UNUSED(iBytes)
    if (m_congested && m_socket->bytesToWrite() <= kResumeBytes) {
        m_congested = false;
        Q_EMIT drained();
    }
}

void NodeSession::onDisconnected()
{
    finish();
}

void NodeSession::onErrorOccurred(QAbstractSocket::SocketError eError)
{
    qCDebug(lcSession) << "client" << m_call << "socket error" << eError << m_socket->errorString();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        finish();
}

void NodeSession::finish()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_congested = false;
    Q_EMIT closed();
}

void NodeSession::closeGracefully()
{
    m_state = State::Closing;
    // Let what was written go out first; disconnected() follows.
    m_socket->disconnectFromHost();
}

void NodeSession::onReadyRead()
{
    const QByteArray baData = m_socket->readAll();
    if (baData.isEmpty())
        return;
    QPointer<NodeSession> guard(this);
    Q_EMIT bytesReceived(baData);
    if (!guard)
        return;
    consume(baData);
}

void NodeSession::consume(const QByteArray &baData)
{
    bool bFlooding = false;
    const QList<TelnetLineReader::Line> lLines = m_reader.feed(baData, &bFlooding);
    QPointer<NodeSession> guard(this);
    for (const TelnetLineReader::Line &line : lLines) {
        if (!guard || m_state == State::Closing || m_state == State::Closed)
            return;
        if (line.tooLong) {
            qCWarning(lcSession).noquote() << "client" << m_call << "sent a line longer than"
                                           << TelnetLineReader::kMaxLineBytes << "bytes; discarded";
            if (m_state == State::LoggedIn) {
                sendLine(QStringLiteral("Sorry, that line is too long"));
                sendPrompt();
            }
            continue;
        }
        handleLine(line.text);
    }
    if (guard && bFlooding && m_state != State::Closed) {
        qCWarning(lcSession).noquote() << "client" << m_call << "sent" << m_reader.unterminatedBytes()
                                       << "bytes without a line feed; dropping it";
        abort();
    }
}

void NodeSession::handleLine(const QByteArray &baLine)
{
    const QString qsLine = QString::fromUtf8(baLine);

    QString qsCallForRecord = m_call;
    if (m_state == State::Call) {
        const QString qsCall = qsLine.trimmed().toUpper();
        if (isValidCall(qsCall))
            qsCallForRecord = qsCall;
    }
    QPointer<NodeSession> guard(this);
    Q_EMIT lineReceived(qsCallForRecord, qsLine);
    if (!guard || m_state == State::Closed || m_state == State::Closing)
        return;

    switch (m_state) {
    case State::Call:
        handleCall(qsLine);
        break;
    case State::Password:
        handlePassword(qsLine);
        break;
    case State::Name:
    case State::Qth:
    case State::HomeNode:
        handleAnswer(qsLine);
        break;
    case State::Confirm:
        handleConfirm(qsLine);
        break;
    case State::LoggedIn:
        handleCommand(qsLine, baLine);
        break;
    case State::Closing:
    case State::Closed:
        break;
    }
}

void NodeSession::handleCall(const QString &qsLine)
{
    const QString qsCall = qsLine.trimmed().toUpper();
    if (qsCall.isEmpty()) {
        send(loginPrompt());
        return;
    }
    if (!isValidCall(qsCall)) {
        qCInfo(lcSession) << "login with an invalid callsign refused";
        sendLine(QStringLiteral("Sorry, that is not a valid callsign"));
        if (++m_badCalls >= kMaxBadCalls) {
            closeGracefully();
            return;
        }
        send(loginPrompt());
        return;
    }
    m_call = qsCall;
    if (isSkimmerFeed()) {
        finishSkimmerLogin();
        return;
    }
    if (!m_node->password(m_call).isEmpty()) {
        m_state = State::Password;
        send("password: ");
        return;
    }
    startDialogue();
}

void NodeSession::handlePassword(const QString &qsLine)
{
    if (qsLine != m_node->password(m_call)) {
        qCInfo(lcSession).noquote() << "wrong password for" << m_call;
        sendLine(QStringLiteral("Sorry, wrong password"));
        closeGracefully();
        return;
    }
    startDialogue();
}

void NodeSession::startDialogue()
{
    if (m_node->dialogueStyle() == TestNode::DialogueStyle::Interactive) {
        m_state = State::Name;
        askQuestion();
        return;
    }
    finishLogin();
}

void NodeSession::askQuestion()
{
    switch (m_state) {
    case State::Name:
        sendLine(QStringLiteral("Please enter your name:"));
        break;
    case State::Qth:
        sendLine(QStringLiteral("Please enter your QTH:"));
        break;
    case State::HomeNode:
        sendLine(QStringLiteral("Please enter your home node:"));
        break;
    default:
        break;
    }
}

void NodeSession::handleAnswer(const QString &qsLine)
{
    const QString qsValue = qsLine.trimmed();
    // An empty answer is no answer: the same question again.
    if (qsValue.isEmpty()) {
        askQuestion();
        return;
    }
    if (m_state == State::Name) {
        m_name = qsValue;
        m_state = State::Qth;
    } else if (m_state == State::Qth) {
        m_qth = qsValue;
        m_state = State::HomeNode;
    } else {
        m_homeNode = qsValue;
        m_state = State::Confirm;
    }
    reportUserInfo();
    if (m_state != State::Confirm) {
        askQuestion();
        return;
    }
    sendLine(QStringLiteral("Name: %1").arg(m_name));
    sendLine(QStringLiteral("QTH: %1").arg(m_qth));
    sendLine(QStringLiteral("Home node: %1").arg(m_homeNode));
    sendLine(QStringLiteral("Is this correct? (Y/N)"));
}

void NodeSession::handleConfirm(const QString &qsLine)
{
    const QString qsAnswer = qsLine.trimmed();
    if (qsAnswer.compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0
        || qsAnswer.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0) {
        finishLogin();
        return;
    }
    m_state = State::Name;
    askQuestion();
}

void NodeSession::finishLogin()
{
    m_state = State::LoggedIn;
    // None of these lines may contain a word a client takes for a login prompt.
    sendLine(QStringLiteral("Hello %1, this is %2 in %3").arg(m_call, m_node->nodeCall(), m_node->location()));
    sendLine(QStringLiteral("running testnode, a cluster node for testing"));
    sendLine(QStringLiteral("Cluster: 1 node, %1 users connected").arg(m_node->clientCount()));
    if (m_name.isEmpty())
        sendLine(QStringLiteral("Please enter your name, set/name <your name>"));
    if (m_qth.isEmpty())
        sendLine(QStringLiteral("Please enter your QTH, set/qth <your qth>"));
    if (m_homeNode.isEmpty())
        sendLine(QStringLiteral("Please enter your Home Node, set/homenode <your home DX Cluster>"));
    sendPrompt();
    qCDebug(lcSession).noquote() << m_call << "logged in";
    Q_EMIT loggedIn(m_call);
}

void NodeSession::finishSkimmerLogin()
{
    m_state = State::LoggedIn;
    sendLine(QStringLiteral("Hello %1, this is %2, a skimmer feed for testing").arg(m_call, m_node->nodeCall()));
    sendPrompt();
    qCDebug(lcSession).noquote() << m_call << "logged in to the skimmer feed";
    Q_EMIT loggedIn(m_call);
}

void NodeSession::handleCommand(const QString &qsLine, const QByteArray &baLine)
{
    const QString qsTrimmed = qsLine.trimmed();
    if (isSkimmerFeed()) {
        // A skimmer feed only sends. Anything typed (a format switch, an
        // earlier-spots request) goes unanswered, not even with a prompt,
        // so a client must not wait for an answer; only "bye" is heard.
        const QString qsCommand = qsTrimmed.section(QLatin1Char(' '), 0, 0).toLower();
        if (qsCommand == QLatin1String("bye") || qsCommand == QLatin1String("quit"))
            closeGracefully();
        return;
    }
    if (qsTrimmed.isEmpty()) {
        sendPrompt();
        return;
    }
    const QStringList lWords = qsTrimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString qsCommand = lWords.first().toLower();
    const QString qsRest = qsTrimmed.mid(lWords.first().size()).trimmed();

    if (qsCommand == QLatin1String("bye") || qsCommand == QLatin1String("quit")) {
        sendLine(QStringLiteral("73 de %1").arg(m_node->nodeCall()));
        closeGracefully();
        return;
    }
    if (qsCommand == QLatin1String("set/ve7cc")) {
        m_format = TestSpot::Format::Cc11;
        sendLine(QStringLiteral("Operation successful"));
    } else if (qsCommand == QLatin1String("set/name") || qsCommand == QLatin1String("set/qth")
               || qsCommand == QLatin1String("set/homenode")) {
        commandSet(qsCommand, qsRest);
    } else if (qsCommand == QLatin1String("sh/fdx") || qsCommand == QLatin1String("show/fdx")
               || qsCommand == QLatin1String("sh/dx") || qsCommand == QLatin1String("show/dx")
               || qsCommand == QLatin1String("sh/mydx") || qsCommand == QLatin1String("show/mydx")) {
        commandShowFdx(lWords.mid(1));
        return; // sends its own prompt
    } else if (qsCommand == QLatin1String("sh/wwv") || qsCommand == QLatin1String("show/wwv")) {
        sendLines(m_node->bulletins().wwvAnswer(answerRows(lWords)));
    } else if (qsCommand == QLatin1String("sh/wcy") || qsCommand == QLatin1String("show/wcy")) {
        sendLines(m_node->bulletins().wcyAnswer(answerRows(lWords)));
    } else if (qsCommand == QLatin1String("dx")) {
        QByteArray baArgs;
        takeWord(baLine, &baArgs);
        commandDx(baArgs);
    } else {
        sendLine(QStringLiteral("Sorry, unknown command \"%1\"").arg(lWords.first().left(kMaxEchoLength)));
    }
    sendPrompt();
}

void NodeSession::commandSet(const QString &qsCommand, const QString &qsValue)
{
    if (qsValue.isEmpty()) {
        sendLine(QStringLiteral("Sorry, %1 needs a value").arg(qsCommand));
        return;
    }
    if (qsCommand == QLatin1String("set/name")) {
        m_name = qsValue;
        sendLine(QStringLiteral("Your name is now \"%1\"").arg(qsValue));
    } else if (qsCommand == QLatin1String("set/qth")) {
        m_qth = qsValue;
        sendLine(QStringLiteral("Your QTH is now \"%1\"").arg(qsValue));
    } else {
        m_homeNode = qsValue;
        sendLine(QStringLiteral("Your home node is now \"%1\"").arg(qsValue));
    }
    reportUserInfo();
}

void NodeSession::commandShowFdx(const QStringList &lArgs)
{
    int iCount = kDefaultFdxCount;
    const BandPlan::Band *pBand = nullptr;
    static const QRegularExpression reNumber(QStringLiteral("^\\d+$"));
    for (qsizetype i = 0; i < lArgs.size(); ++i) {
        const QString &qsArg = lArgs.at(i);
        if (qsArg.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 && i + 1 < lArgs.size()) {
            pBand = BandPlan::find(lArgs.at(++i));
            if (!pBand) {
                sendLine(QStringLiteral("Sorry, unknown band \"%1\"").arg(lArgs.at(i).left(kMaxEchoLength)));
                sendPrompt();
                return;
            }
        } else if (reNumber.match(qsArg).hasMatch()) {
            // A number too long for an int is simply "as many as allowed".
            iCount = qsArg.size() > 6 ? kMaxFdxCount : qMin(qsArg.toInt(), kMaxFdxCount);
        } else {
            sendLine(QStringLiteral("Sorry, usage is sh/fdx [count] [on <band>]"));
            sendPrompt();
            return;
        }
    }

    const QList<TestSpot> lStored = m_node->storedSpots();
    QList<TestSpot> lFound;
    for (qsizetype i = lStored.size() - 1; i >= 0 && lFound.size() < iCount; --i) {
        if (!pBand || BandPlan::contains(*pBand, lStored.at(i).frequency))
            lFound.append(lStored.at(i));
    }
    const QByteArray baData = spotLines(lFound);
    if (!pBand) {
        // A busy node takes a while for its answer and then sends it whole.
        if (m_node->queryDelay() == 0) {
            send(baData);
            sendPrompt();
        } else {
            QTimer::singleShot(m_node->queryDelay(), this, [this, baData]() {
                send(baData);
                sendPrompt();
            });
        }
        return;
    }
    // Real nodes answer a band query with the prompt first and the data a
    // moment later, once their search has run.
    sendPrompt();
    QTimer::singleShot(m_node->bandQueryDelay(), this, [this, baData]() { send(baData); });
}

void NodeSession::commandDx(const QByteArray &baArgs)
{
    QByteArray baRest;
    const QByteArray baFirst = takeWord(baArgs, &baRest);
    QByteArray baRemarks;
    const QByteArray baSecond = takeWord(baRest, &baRemarks);

    bool bOk = false;
    double dFrequency = baFirst.toDouble(&bOk);
    QString qsDxCall = QString::fromLatin1(baSecond).toUpper();
    if (!bOk) {
        // Nodes also take the call first: "DX K1ABC 14025".
        dFrequency = baSecond.toDouble(&bOk);
        qsDxCall = QString::fromLatin1(baFirst).toUpper();
    }
    if (!bOk || !std::isfinite(dFrequency) || dFrequency <= 0.0 || dFrequency >= kMaxFrequency
        || !isValidDxCall(qsDxCall)) {
        sendLine(QStringLiteral("Sorry, DX needs a frequency in kHz and a callsign"));
        return;
    }
    // Remarks are kept byte for byte (as Latin-1), like a node that never
    // looks at the encoding; they are sent back exactly as they came.
    TestSpot spot(std::round(dFrequency * 10.0) / 10.0, qsDxCall, m_call, QString::fromLatin1(baRemarks),
                  QDateTime::currentDateTimeUtc());
    Q_EMIT spotPosted(spot);
}

void NodeSession::reportUserInfo()
{
    Q_EMIT userInfoChanged(m_call, m_name, m_qth, m_homeNode);
}

QByteArray NodeSession::spotLines(const QList<TestSpot> &lSpots) const
{
    const QByteArray baNode = m_node->nodeCall().toLatin1();
    QByteArray baData;
    for (const TestSpot &spot : lSpots)
        baData += spot.line(m_format, false, baNode);
    return baData;
}

void NodeSession::sendLine(const QString &qsLine)
{
    send(qsLine.toUtf8() + "\r\n");
}

void NodeSession::sendLines(const QStringList &lLines)
{
    for (const QString &qsLine : lLines)
        sendLine(qsLine);
}

int NodeSession::answerRows(const QStringList &lWords)
{
    // "SH/WWV 10"; anything else is the default.
    bool bOk = false;
    const int iRows = lWords.value(1).toInt(&bOk);
    return bOk ? iRows : Bulletins::kDefaultAnswerRows;
}

QByteArray NodeSession::promptLine() const
{
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    return m_call.toLatin1() + " de " + m_node->nodeCall().toLatin1() + ' ' + TestSpot::dateText(dtNow.date()) + ' '
        + TestSpot::timeText(dtNow.time()) + " testnode >\r\n";
}

void NodeSession::sendPrompt()
{
    send(promptLine());
}
