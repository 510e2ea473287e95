#include "SpotConfirmation.h"

#include "NodeConnection.h"
#include "SpotParser.h"

#include "API/QsLog/QsLog.h"

#include <QRegularExpression>

namespace {

// "Q1ABC-2" and "Q1ABC" are the same station on another connection.
QString withoutSsid(const QString &qsCall)
{
    const qsizetype iDash = qsCall.indexOf(QLatin1Char('-'));
    return (iDash > 0 ? qsCall.left(iDash) : qsCall).trimmed();
}

// The node's prompt ("Q1ABC de Q1NODE-1 6-Dec-2026 2218Z dxspider >") says
// nothing about the spot.
bool isPrompt(const QString &qsLine)
{
    return qsLine.trimmed().endsWith(QLatin1Char('>'));
}

} // namespace

SpotConfirmation::SpotConfirmation(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDefaultTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &SpotConfirmation::onTimeout);
}

bool SpotConfirmation::isEcho(const QString &qsLine, const QString &qsSpotter, const QString &qsDxCall)
{
    Spot spot;
    if (qsLine.startsWith(QLatin1String("DX de"), Qt::CaseInsensitive))
        spot = SpotParser::parseDxDeLine(qsLine, QString());
    else if (qsLine.startsWith(QLatin1String("CC11"), Qt::CaseInsensitive))
        spot = SpotParser::parseCc11Line(qsLine);
    else
        return false;
    return spot.dxCall().compare(qsDxCall, Qt::CaseInsensitive) == 0
        && withoutSsid(spot.spotter()).compare(withoutSsid(qsSpotter), Qt::CaseInsensitive) == 0;
}

bool SpotConfirmation::isWatching() const
{
    return !m_connection.isNull();
}

void SpotConfirmation::watch(NodeConnection *pConnection, const QString &qsSpotter, const QString &qsDxCall,
                             const QString &qsFrequency)
{
    stop();
    if (!pConnection)
        return;
    m_connection = pConnection;
    m_spotter = qsSpotter;
    m_dxCall = qsDxCall;
    m_frequency = qsFrequency;
    m_answered = false;
    m_lineConnection = connect(pConnection, &NodeConnection::nodeLine, this, &SpotConfirmation::onLine);
    m_dropConnection = connect(pConnection, &NodeConnection::disconnected, this, &SpotConfirmation::onDisconnected);
    m_timer.start();
    Q_EMIT message(tr("Sending the spot of %1…").arg(m_dxCall));
}

void SpotConfirmation::onLine(const QString &qsLine, bool bSpot)
{
    if (isEcho(qsLine, m_spotter, m_dxCall)) {
        QLOG_INFO() << "The node confirmed the spot of" << m_dxCall;
        Q_EMIT message(tr("Spot sent: %1 on %2 kHz").arg(m_dxCall, m_frequency));
        stop();
        return;
    }
    // Other stations' spots, the prompt and blank lines are no answer; the
    // first line of anything else is, and it is shown as the node wrote it.
    // The echo may still follow it, so the watch goes on.
    if (m_answered || bSpot || isPrompt(qsLine))
        return;
    static const QRegularExpression controls(QStringLiteral("[\\x00-\\x1f\\x7f]"));
    const QString qsReply = QString(qsLine).replace(controls, QStringLiteral(" ")).simplified().left(kMaxReplyLength);
    if (qsReply.isEmpty())
        return;
    m_answered = true;
    QLOG_INFO() << "The node answered the spot of" << m_dxCall << "with" << qsReply;
    Q_EMIT message(tr("The node answered the spot of %1: %2").arg(m_dxCall, qsReply));
}

void SpotConfirmation::onDisconnected()
{
    Q_EMIT message(tr("The connection dropped before the node confirmed the spot of %1").arg(m_dxCall));
    stop();
}

void SpotConfirmation::onTimeout()
{
    // A reply already shown says more than a general word would.
    if (!m_answered) {
        QLOG_WARN() << "No answer from the node to the spot of" << m_dxCall;
        Q_EMIT message(tr("The node has not confirmed the spot of %1").arg(m_dxCall));
    }
    stop();
}

void SpotConfirmation::stop()
{
    m_timer.stop();
    disconnect(m_lineConnection);
    disconnect(m_dropConnection);
    m_connection = nullptr;
}
