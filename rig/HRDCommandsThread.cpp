#include "rig/HRDCommandsThread.h"

#include "API/QsLog/QsLog.h"
#include "rig/HRDConnection.h"
#include "rig/RigMode.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace {

// What a rig can be asked to tune to. A spot outside (a node's typo, or
// "1e-300") would otherwise set the rig to 0 Hz or to a nonsense frequency.
constexpr double kMinKHz = 100.0;
constexpr double kMaxKHz = 250'000'000.0; // 250 GHz

bool isTunableKHz(double dKHz)
{
    return std::isfinite(dKHz) && dKHz >= kMinKHz && dKHz <= kMaxKHz;
}

struct ButtonEffect
{
    const char *pVfoA;
    const char *pVfoB;
    const char *pSplitOn;
    const char *pSplitOff;
};

// How the server's button names map onto VFO selection and split; rigs
// name these buttons in many ways.
const QHash<QString, ButtonEffect> &buttonEffects()
{
    static const QHash<QString, ButtonEffect> effects = {
        {QStringLiteral("VFO A"), {"VFO~A 1", nullptr, nullptr, nullptr}},
        {QStringLiteral("VFO-A"), {"VFO-A 1", nullptr, nullptr, nullptr}},
        {QStringLiteral("VFO_A"), {"VFO_A 1", nullptr, nullptr, nullptr}},
        {QStringLiteral("Main"), {"Main 1", nullptr, nullptr, nullptr}},
        {QStringLiteral("VFO B"), {nullptr, "VFO~B 1", nullptr, nullptr}},
        {QStringLiteral("VFO-B"), {nullptr, "VFO-B 1", nullptr, nullptr}},
        {QStringLiteral("VFO_B"), {nullptr, "VFO_B 1", nullptr, nullptr}},
        {QStringLiteral("Sub"), {nullptr, "Sub 1", nullptr, nullptr}},
        {QStringLiteral("Split"), {nullptr, nullptr, "Split 1", "Split 0"}},
        {QStringLiteral("Spl On"), {nullptr, nullptr, "Spl~On 1", nullptr}},
        {QStringLiteral("Spl Off"), {nullptr, nullptr, nullptr, "Spl~Off 1"}},
        {QStringLiteral("Split on"), {nullptr, nullptr, "Split~on 1", nullptr}},
        {QStringLiteral("Split off"), {nullptr, nullptr, nullptr, "Split~off 1"}},
        {QStringLiteral("RX A"), {nullptr, nullptr, "RX~A 1", "RX~A 1"}},
        {QStringLiteral("RX B"), {nullptr, nullptr, "RX~B 0", "RX~B 0"}},
        {QStringLiteral("TX A"), {nullptr, nullptr, "TX~A 0", "TX~A 1"}},
        {QStringLiteral("TX B"), {nullptr, nullptr, "TX~B 1", "TX~B 0"}},
        {QStringLiteral("TX main"), {nullptr, nullptr, "TX~main 0", "TX~main 1"}},
        {QStringLiteral("TX sub"), {nullptr, nullptr, "TX~sub 1", "TX~sub 0"}},
    };
    return effects;
}

} // namespace

HRDCommandsThread::HRDCommandsThread(QObject *parent) : QThread(parent)
{
}

HRDCommandsThread::~HRDCommandsThread()
{
    requestInterruption();
    wait();
}

bool HRDCommandsThread::setParameters(const QString &qsAddress, quint16 uiPort, std::shared_ptr<QLibrary> pLibrary,
                                      const QString &qsFrequency, const QString &qsTxFrequency,
                                      const QString &qsComment)
{
    if (isRunning()) {
        QLOG_ERROR() << "[HRD] Tune request refused while the rig is being tuned";
        return false;
    }
    m_qsAddress = qsAddress;
    m_uiPort = uiPort;
    m_pLibrary = std::move(pLibrary);
    m_qsFrequency = qsFrequency;
    m_qsTxFrequency = qsTxFrequency;
    m_qsComment = qsComment;
    return true;
}

void HRDCommandsThread::clearCaches()
{
    Q_ASSERT(!isRunning());
    m_qsVfoAButton.clear();
    m_qsVfoBButton.clear();
    m_qslSplitOnButtons.clear();
    m_qslSplitOffButtons.clear();
    m_qsModeDropdown.clear();
    m_iLsbIndex = m_iUsbIndex = m_iCwIndex = 0;
    m_iPktUsbIndex = -1;
}

QString HRDCommandsThread::hertzText(const QString &qsKHz)
{
    // Nodes send one decimal; read as a number, texts with none or several
    // decimals give the right frequency too.
    bool bOk = false;
    const double dKHz = qsKHz.trimmed().toDouble(&bOk);
    if (!bOk || !isTunableKHz(dKHz))
        return QString();
    return QString::number(qRound64(dKHz * 1000.0));
}

QString HRDCommandsThread::transmitHertzText(const QString &qsTxFrequency)
{
    static const QRegularExpression tenths(QStringLiteral("^\\d{1,10}(\\.\\d)?$"));
    if (!tenths.match(qsTxFrequency).hasMatch() || !isTunableKHz(qsTxFrequency.toDouble()))
        return QString();
    return QString(qsTxFrequency).remove(QLatin1Char('.')) + QLatin1String("00");
}

void HRDCommandsThread::run()
{
    // Let go of the library when the run ends, so that a reload meanwhile
    // unloads the old one then.
    const std::shared_ptr<QLibrary> pLibrary = std::move(m_pLibrary);
    const QString qsHertz = hertzText(m_qsFrequency);
    if (qsHertz.isEmpty()) {
        QLOG_ERROR() << "[HRD] Not a frequency:" << m_qsFrequency;
        return;
    }
    QString qsTxHertz;
    if (!m_qsTxFrequency.isEmpty()) {
        qsTxHertz = transmitHertzText(m_qsTxFrequency);
        if (qsTxHertz.isEmpty()) {
            QLOG_WARN() << "[HRD] Not a transmit frequency, tuning without split:" << m_qsTxFrequency;
        }
    }

    HRDConnection connection(pLibrary.get());
    QString qsError;
    if (!connection.open(m_qsAddress, m_uiPort, qsError)) {
        if (!qsError.isEmpty())
            Q_EMIT HRDError(qsError);
        return;
    }
    if (runSequence(connection, qsHertz, qsTxHertz)) {
        QLOG_DEBUG() << "[HRD] Done.";
    }
    connection.close();
}

bool HRDCommandsThread::runSequence(HRDConnection &connection, const QString &qsHertz, const QString &qsTxHertz)
{
    if ((m_qsVfoAButton.isEmpty() || m_qsVfoBButton.isEmpty() || m_qslSplitOnButtons.isEmpty()
         || m_qslSplitOffButtons.isEmpty())
        && !discoverButtons(connection))
        return false;
    if (m_iLsbIndex == 0 && m_iUsbIndex == 0 && m_iCwIndex == 0 && !discoverModes(connection))
        return false;

    if (!setButton(connection, m_qsVfoAButton) || !waitForButton(connection, m_qsVfoAButton)
        || !setFrequency(connection, qsHertz) || !waitForFrequency(connection, qsHertz) || !setMode(connection))
        return false;

    if (qsTxHertz.isEmpty())
        return applyButtons(connection, m_qslSplitOffButtons);

    // The transmit VFO gets the receive frequency's mode: a split stays
    // within one mode.
    return setButton(connection, m_qsVfoBButton) && waitForButton(connection, m_qsVfoBButton)
        && setFrequency(connection, qsTxHertz) && waitForFrequency(connection, qsTxHertz) && setMode(connection)
        && setButton(connection, m_qsVfoAButton) && waitForButton(connection, m_qsVfoAButton)
        && applyButtons(connection, m_qslSplitOnButtons);
}

bool HRDCommandsThread::discoverButtons(HRDConnection &connection)
{
    QLOG_DEBUG() << "[HRD] Retrieving available buttons...";
    if (!pause())
        return false;
    QString qsReply;
    if (!connection.send(QStringLiteral("get buttons"), qsReply))
        return false;

    // Rebuilt rather than appended to: a rig that lacks a VFO button runs
    // discovery on every request and would otherwise repeat each split
    // button once more each time.
    m_qslSplitOnButtons.clear();
    m_qslSplitOffButtons.clear();
    const QHash<QString, ButtonEffect> &effects = buttonEffects();
    for (const QString &qsPiece : qsReply.split(QLatin1Char(','))) {
        const auto it = effects.constFind(qsPiece);
        if (it == effects.constEnd())
            continue;
        if (it->pVfoA)
            m_qsVfoAButton = QLatin1String(it->pVfoA);
        if (it->pVfoB)
            m_qsVfoBButton = QLatin1String(it->pVfoB);
        if (it->pSplitOn)
            m_qslSplitOnButtons.append(QLatin1String(it->pSplitOn));
        if (it->pSplitOff)
            m_qslSplitOffButtons.append(QLatin1String(it->pSplitOff));
    }
    return true;
}

bool HRDCommandsThread::discoverModes(HRDConnection &connection)
{
    QLOG_DEBUG() << "[HRD] Retrieving dropdowns...";
    if (!pause())
        return false;
    QString qsReply;
    if (!connection.send(QStringLiteral("get dropdowns"), qsReply))
        return false;
    m_qsModeDropdown.clear();
    for (const QString &qsPiece : qsReply.split(QLatin1Char(','))) {
        if (qsPiece.contains(QLatin1String("Mode"), Qt::CaseInsensitive)) {
            m_qsModeDropdown = qsPiece;
            break;
        }
    }

    if (!pause())
        return false;
    if (!connection.send(QLatin1String("get dropdown-list {") + m_qsModeDropdown + QLatin1Char('}'), qsReply))
        return false;
    const QStringList qslModes = qsReply.split(QLatin1Char(','));
    m_iPktUsbIndex = -1;
    for (int i = 0; i < qslModes.size(); ++i) {
        if (qslModes.at(i) == QLatin1String("LSB"))
            m_iLsbIndex = i;
        else if (qslModes.at(i) == QLatin1String("USB"))
            m_iUsbIndex = i;
        else if (qslModes.at(i) == QLatin1String("CW"))
            m_iCwIndex = i;
        else if (qslModes.at(i) == QLatin1String("PKTUSB"))
            m_iPktUsbIndex = i;
    }
    m_qsModeDropdown.replace(QLatin1Char(' '), QLatin1Char('~'));
    return true;
}

bool HRDCommandsThread::setButton(HRDConnection &connection, const QString &qsButton)
{
    QString qsReply;
    return connection.send(QLatin1String("set button-select ") + qsButton, qsReply);
}

bool HRDCommandsThread::waitForButton(HRDConnection &connection, const QString &qsButton)
{
    const QString qsName = qsButton.chopped(qMin<qsizetype>(2, qsButton.size()));
    return waitForReply(connection, QLatin1String("get button-select ") + qsName, QStringLiteral("1"));
}

bool HRDCommandsThread::setFrequency(HRDConnection &connection, const QString &qsHertz)
{
    QString qsReply;
    return connection.send(QLatin1String("set frequency-hz ") + qsHertz, qsReply);
}

bool HRDCommandsThread::waitForFrequency(HRDConnection &connection, const QString &qsHertz)
{
    return waitForReply(connection, QStringLiteral("get frequency"), qsHertz);
}

bool HRDCommandsThread::waitForReply(HRDConnection &connection, const QString &qsQuery, const QString &qsExpected)
{
    for (int iAttempt = 0; iAttempt < kMaxWaitAttempts; ++iAttempt) {
        QString qsReply;
        if (!connection.send(qsQuery, qsReply))
            return false;
        if (qsReply == qsExpected)
            return true;
        QLOG_TRACE() << "[HRD] Waiting 100 ms...";
        if (!pause())
            return false;
    }
    return true; // a rig that never confirms is tuned all the same
}

bool HRDCommandsThread::setMode(HRDConnection &connection)
{
    QString qsModePart;
    switch (RigMode::forSpot(m_qsFrequency.trimmed().toDouble(), m_qsComment)) {
    case RigMode::CW:
        qsModePart = QStringLiteral(" CW %1").arg(m_iCwIndex);
        break;
    case RigMode::LSB:
        qsModePart = QStringLiteral(" LSB %1").arg(m_iLsbIndex);
        break;
    case RigMode::USB:
        qsModePart = QStringLiteral(" USB %1").arg(m_iUsbIndex);
        break;
    case RigMode::Data:
        // The data mode routes the rig's audio to and from the computer on
        // most rigs; a rig without one takes plain USB.
        qsModePart = m_iPktUsbIndex >= 0 ? QStringLiteral(" PKTUSB %1").arg(m_iPktUsbIndex)
                                         : QStringLiteral(" USB %1").arg(m_iUsbIndex);
        break;
    }
    QString qsReply;
    return connection.send(QLatin1String("set dropdown ") + m_qsModeDropdown + qsModePart, qsReply);
}

bool HRDCommandsThread::applyButtons(HRDConnection &connection, const QStringList &qslButtons)
{
    for (const QString &qsButton : qslButtons) {
        QString qsReply;
        if (!connection.send(QLatin1String("set button-select ") + qsButton, qsReply))
            return false;
        if (qsReply != QLatin1String("OK"))
            break;
    }
    return true;
}

// The sleeps between polls; an owner that must stop the thread (the program
// ends) cuts the sequence short here.
bool HRDCommandsThread::pause()
{
    if (isInterruptionRequested())
        return false;
    msleep(kWaitMs);
    return !isInterruptionRequested();
}
