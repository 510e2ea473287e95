#include "SharingPage.h"

#include "ui_SharingPage.h"

#include <QColorDialog>
#include <QHostAddress>
#include <QPixmap>
#include <QRegularExpression>
#include <QUrl>

namespace {
QStringList allowedEntries(const QString &qsText)
{
    QStringList qslEntries;
    for (const QString &qsEntry : qsText.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts))
        qslEntries.append(qsEntry.trimmed());
    return qslEntries;
}
} // namespace

SharingPage::SharingPage(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::SharingPage>())
{
    m_ui->setupUi(this);
    connect(m_ui->pushButtonTciColor, &QPushButton::clicked, this, &SharingPage::onColorClicked);
    setSharing(SharingSettings());
}

SharingPage::~SharingPage() = default;

void SharingPage::setSharing(const SharingSettings &sharing)
{
    m_ui->groupBoxNodeServer->setChecked(sharing.nodeServer);
    m_ui->lineEditNodeServerAddress->setText(sharing.nodeServerAddress);
    m_ui->spinBoxNodeServerPort->setValue(sharing.nodeServerPort);
    m_ui->lineEditNodeServerAllowed->setText(sharing.nodeServerAllowed.join(QStringLiteral(", ")));
    m_ui->radioButtonNodeServerFiltered->setChecked(sharing.nodeServerFiltered);
    m_ui->radioButtonNodeServerAll->setChecked(!sharing.nodeServerFiltered);
    m_ui->groupBoxTci->setChecked(sharing.tci);
    m_tciUrl = QUrl(sharing.tciUrl);
    m_ui->lineEditTciAddress->setText(m_tciUrl.host());
    m_ui->spinBoxTciPort->setValue(m_tciUrl.port(40001));
    m_ui->checkBoxTciRowColors->setChecked(sharing.tciRowColors);
    m_tciColor = sharing.tciColor;
    showColor();
}

SharingSettings SharingPage::sharing() const
{
    SharingSettings sharing;
    sharing.nodeServer = m_ui->groupBoxNodeServer->isChecked();
    const QString qsAddress = m_ui->lineEditNodeServerAddress->text().trimmed();
    sharing.nodeServerAddress = qsAddress.isEmpty() ? sharing.nodeServerAddress : qsAddress;
    sharing.nodeServerPort = m_ui->spinBoxNodeServerPort->value();
    sharing.nodeServerAllowed = allowedEntries(m_ui->lineEditNodeServerAllowed->text());
    sharing.nodeServerFiltered = m_ui->radioButtonNodeServerFiltered->isChecked();
    sharing.tci = m_ui->groupBoxTci->isChecked();
    QUrl url = m_tciUrl.isValid() && !m_tciUrl.scheme().isEmpty() ? m_tciUrl : QUrl(sharing.tciUrl);
    const QString qsHost = m_ui->lineEditTciAddress->text().trimmed();
    url.setHost(qsHost.isEmpty() ? QStringLiteral("127.0.0.1") : qsHost);
    url.setPort(m_ui->spinBoxTciPort->value());
    sharing.tciUrl = url.toString();
    sharing.tciRowColors = m_ui->checkBoxTciRowColors->isChecked();
    sharing.tciColor = m_tciColor;
    return sharing;
}

QString SharingPage::problem()
{
    const QString qsAddress = m_ui->lineEditNodeServerAddress->text().trimmed();
    if (!qsAddress.isEmpty() && !SharingSettings::isAddress(qsAddress)) {
        m_ui->lineEditNodeServerAddress->setFocus();
        return tr("The spot node cannot listen on \"%1\": enter an IP address of this computer, such as 127.0.0.1.")
            .arg(qsAddress);
    }
    for (const QString &qsEntry : allowedEntries(m_ui->lineEditNodeServerAllowed->text())) {
        const QString qsProblem = SharingSettings::allowedEntryProblem(qsEntry);
        if (!qsProblem.isEmpty()) {
            m_ui->lineEditNodeServerAllowed->setFocus();
            return tr("Allowed clients: %1").arg(qsProblem);
        }
    }
    const QString qsTciProblem = SharingSettings::tciUrlProblem(sharing().tciUrl);
    if (!qsTciProblem.isEmpty()) {
        m_ui->lineEditTciAddress->setFocus();
        return qsTciProblem;
    }
    return QString();
}

void SharingPage::onColorClicked()
{
    const QColor color = QColorDialog::getColor(m_tciColor, this, tr("Colour of other spots"));
    if (!color.isValid())
        return;
    m_tciColor = color;
    showColor();
}

void SharingPage::showColor()
{
    QPixmap swatch(24, 14);
    swatch.fill(m_tciColor);
    m_ui->pushButtonTciColor->setIcon(QIcon(swatch));
    m_ui->pushButtonTciColor->setText(m_tciColor.name());
}
