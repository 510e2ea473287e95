#include "SendSpot.h"
#include "ui_SendSpot.h"

#include "Cluster.h"

#include "API/QsLog/QsLog.h"
#include "rig/RigControl.h"
#include "settings/Settings.h"
#include "ui/MessageBoxes.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

// The form shows tenths of a kHz: at least the tenths digit and one more
// must remain once the tens and units of Hz are cut off.
constexpr int kMinReplyDigits = 3;
// Twenty digits before the point is all the frequency field accepts.
constexpr int kMaxReplyDigits = 23;

} // namespace

SendSpot::SendSpot(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::SendSpot>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    m_ui->lineEditSendSpotFrequency->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{1,20}\\.\\d{0,1}")), m_ui->lineEditSendSpotFrequency));
    m_ui->lineEditSendSpotCall->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Za-z/]*")), m_ui->lineEditSendSpotCall));
    connect(m_ui->lineEditSendSpotCall, &QLineEdit::textChanged, this, &SendSpot::lineEditToUpper);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &SendSpot::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &SendSpot::reject);
    connect(m_ui->pushButtonLastQso, &QPushButton::clicked, this, &SendSpot::useLastQso);
}

void SendSpot::setLastQso(const LastQso &qso)
{
    m_lastQso = qso;
    m_ui->pushButtonLastQso->setVisible(qso.isValid());
    if (!qso.isValid())
        return;
    QString qsText = tr("Spot the last QSO: %1").arg(qso.call);
    if (!qso.frequencyKHz.isEmpty())
        qsText += tr(" on %1 kHz").arg(qso.frequencyKHz);
    if (!qso.mode.isEmpty())
        qsText += tr(" (%1)").arg(qso.mode);
    m_ui->pushButtonLastQso->setText(qsText);
}

void SendSpot::useLastQso()
{
    if (!m_lastQso.isValid())
        return;
    // The form's own rules hold: a call with characters it refuses is cut
    // to what it takes.
    static const QRegularExpression notCall(QStringLiteral("[^0-9A-Za-z/]"));
    m_ui->lineEditSendSpotCall->setText(QString(m_lastQso.call).remove(notCall));
    if (!m_lastQso.frequencyKHz.isEmpty()) {
        // A frequency typed meanwhile is the operator's; the rig's answer
        // must not overwrite the one filled in here.
        m_bAwaitingFrequency = false;
        m_ui->lineEditSendSpotFrequency->setText(m_lastQso.frequencyKHz);
    }
    m_ui->lineEditSendSpotRemarks->setText(m_lastQso.mode);
    m_ui->lineEditSendSpotCall->setFocus();
}

SendSpot::~SendSpot() = default;

QString SendSpot::frequencyFromHz(const QString &qsReply)
{
    const QString qsDigits = qsReply.trimmed();
    static const QRegularExpression digitsOnly(QStringLiteral("^\\d+$"));
    if (qsDigits.size() < kMinReplyDigits || qsDigits.size() > kMaxReplyDigits
        || !digitsOnly.match(qsDigits).hasMatch())
        return QString();
    QString qsKhz = qsDigits.chopped(2);
    qsKhz.insert(qsKhz.size() - 1, QLatin1Char('.'));
    // Below 1 kHz the integer part would be empty, which the field refuses.
    if (qsKhz.startsWith(QLatin1Char('.')))
        qsKhz.prepend(QLatin1Char('0'));
    return qsKhz;
}

void SendSpot::openWithFrequency(RigControl *pRigControl, const QString &qsAddress, quint16 uiPort)
{
    if (pRigControl != m_rigControl) {
        if (m_rigControl)
            disconnect(m_rigControl, nullptr, this, nullptr);
        m_rigControl = pRigControl;
        if (pRigControl) {
            connect(pRigControl, &RigControl::frequencyRead, this, &SendSpot::onFrequencyRead);
            connect(pRigControl, &RigControl::frequencyReadFailed, this, &SendSpot::onFrequencyReadFailed);
        }
    }
    m_bAwaitingFrequency = pRigControl && pRigControl->readFrequency(qsAddress, uiPort);
    fillNodes();
    show();
}

void SendSpot::fillNodes()
{
    // Skimmer feeds take no spots; the first connected node is the default.
    const QString qsChosen = m_ui->comboBoxSendSpotNode->currentText();
    m_ui->comboBoxSendSpotNode->clear();
    Cluster *pCluster = m_settings ? m_settings->cluster() : nullptr;
    if (!pCluster)
        return;
    for (const NodeConnection *pConnection : pCluster->connections()) {
        if (Cluster::takesSpots(pConnection))
            m_ui->comboBoxSendSpotNode->addItem(pConnection->sourceName());
    }
    const int iChosen = m_ui->comboBoxSendSpotNode->findText(qsChosen);
    if (iChosen >= 0)
        m_ui->comboBoxSendSpotNode->setCurrentIndex(iChosen);
    // With one node there is nothing to choose.
    m_ui->comboBoxSendSpotNode->setEnabled(m_ui->comboBoxSendSpotNode->count() > 1);
}

NodeConnection *SendSpot::chosenConnection() const
{
    Cluster *pCluster = m_settings ? m_settings->cluster() : nullptr;
    if (!pCluster)
        return nullptr;
    const QString qsChosen = m_ui->comboBoxSendSpotNode->currentText();
    for (NodeConnection *pConnection : pCluster->connections()) {
        if (Cluster::takesSpots(pConnection) && (qsChosen.isEmpty() || pConnection->sourceName() == qsChosen))
            return pConnection;
    }
    return nullptr;
}

void SendSpot::onFrequencyRead(const QString &qsReply)
{
    if (!m_bAwaitingFrequency)
        return;
    m_bAwaitingFrequency = false;
    const QString qsFrequency = frequencyFromHz(qsReply);
    if (qsFrequency.isEmpty()) {
        QLOG_WARN() << "[HRD] Not a frequency:" << qsReply;
        return;
    }
    if (isVisible() && m_ui->lineEditSendSpotFrequency->text().isEmpty())
        m_ui->lineEditSendSpotFrequency->setText(qsFrequency);
}

void SendSpot::onFrequencyReadFailed(const QString &qsError)
{
    if (!m_bAwaitingFrequency)
        return;
    m_bAwaitingFrequency = false;
    Q_EMIT HRDError(qsError);
}

void SendSpot::lineEditToUpper(const QString &qsText)
{
    const QString qsUpper = qsText.toUpper();
    if (qsUpper == qsText)
        return;
    const int iCursor = m_ui->lineEditSendSpotCall->cursorPosition();
    m_ui->lineEditSendSpotCall->setText(qsUpper);
    m_ui->lineEditSendSpotCall->setCursorPosition(iCursor);
}

void SendSpot::accept()
{
    if (!m_settings) {
        showError(tr("There was an error while attempting to send the spot."));
        return;
    }
    if (m_ui->lineEditSendSpotFrequency->text().isEmpty()) {
        showError(tr("You must enter the DX station's frequency, in KHz."));
        return;
    }
    if (m_ui->lineEditSendSpotCall->text().isEmpty()) {
        showError(tr("You must enter the DX station's callsign."));
        return;
    }
    // A line feed would end the command early and send the rest to the node
    // as a command of its own.
    QString qsRemarks = m_ui->lineEditSendSpotRemarks->text();
    qsRemarks.replace(QRegularExpression(QStringLiteral("[\\r\\n]")), QStringLiteral(" "));
    const QString qsCommand = QStringLiteral("DX ") + m_ui->lineEditSendSpotFrequency->text() + QLatin1Char(' ')
        + m_ui->lineEditSendSpotCall->text() + QLatin1Char(' ') + qsRemarks;
    NodeConnection *pConnection = chosenConnection();
    if (!pConnection) {
        // The connection went while the form was open: the operator's text
        // stays for a second try once the node is back.
        QLOG_INFO() << "Not connected, spot of" << m_ui->lineEditSendSpotCall->text() << "kept";
        showError(tr("The connection to the node is down; the spot was not sent. "
                     "Your entries are kept: send again once connected."));
        return;
    }
    QLOG_INFO() << "Sending spot" << m_ui->lineEditSendSpotCall->text();
    pConnection->sendCommand(qsCommand);
    m_confirmation.watch(pConnection, m_settings->callsign(), m_ui->lineEditSendSpotCall->text(),
                         m_ui->lineEditSendSpotFrequency->text());
    clearFields();
    QDialog::accept();
}

void SendSpot::reject()
{
    QLOG_INFO() << "Cancelled sending spot";
    clearFields();
    QDialog::reject();
}

void SendSpot::clearFields()
{
    // A frequency that arrives after the dialog closed belongs to no spot.
    m_bAwaitingFrequency = false;
    m_ui->lineEditSendSpotFrequency->clear();
    m_ui->lineEditSendSpotCall->clear();
    m_ui->lineEditSendSpotRemarks->clear();
}

void SendSpot::showError(const QString &qsInformativeText)
{
    MessageBoxes::error(this, tr("Error sending spot."), qsInformativeText);
}
