#include "NodeProperties.h"
#include "ui_NodeProperties.h"

#include "ui/MessageBoxes.h"

#include <QPushButton>

NodeProperties::NodeProperties(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::NodeProperties>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &NodeProperties::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &NodeProperties::reject);
}

NodeProperties::~NodeProperties() = default;

void NodeProperties::setOperation(NodePropertiesOperation operation)
{
    m_operation = operation;
    m_ui->lineEditNodeName->clear();
    m_ui->lineEditNodeAddress->clear();
    m_ui->spinBoxEditNodePort->setValue(ClusterNode::kDefaultPort);
    m_ui->lineEditNodePassword->clear();
    m_ui->lineEditNodeFallbackGroup->clear();
    m_ui->checkBoxNodeSkimmerFeed->setChecked(false);
    m_ui->lineEditNodeName->setFocus();
}

void NodeProperties::setNode(const ClusterNode &node)
{
    m_ui->lineEditNodeName->setText(node.name());
    m_ui->lineEditNodeAddress->setText(node.address());
    m_ui->spinBoxEditNodePort->setValue(node.port());
    m_ui->lineEditNodePassword->setText(node.password());
    m_ui->lineEditNodeFallbackGroup->setText(node.fallbackGroup());
    m_ui->checkBoxNodeSkimmerFeed->setChecked(node.isSkimmerFeed());
}

void NodeProperties::accept()
{
    // Surrounding blanks come from pasting; a name of blanks alone would
    // become an invisible sub-group in the store.
    const QString qsName = m_ui->lineEditNodeName->text().trimmed();
    const QString qsAddress = m_ui->lineEditNodeAddress->text().trimmed();
    if (qsName.isEmpty()) {
        showError(tr("You must enter a name."));
        return;
    }
    if (m_otherNames.contains(qsName)) {
        showError(tr("There is already a node with this name."));
        return;
    }
    if (qsAddress.isEmpty()) {
        showError(tr("You must enter an address."));
        return;
    }
    ClusterNode node(qsName, qsAddress, quint16(m_ui->spinBoxEditNodePort->value()), m_ui->lineEditNodePassword->text(),
                     false);
    node.setFallbackGroup(m_ui->lineEditNodeFallbackGroup->text());
    node.setSkimmerFeed(m_ui->checkBoxNodeSkimmerFeed->isChecked());
    Q_EMIT nodeAccepted(m_operation, node);
    QDialog::accept();
}

void NodeProperties::showError(const QString &qsInformativeText)
{
    MessageBoxes::error(this, m_operation == Add ? tr("Error adding node.") : tr("Error editing node."),
                        qsInformativeText, QString());
}
