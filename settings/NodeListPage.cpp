#include "NodeListPage.h"
#include "ui_NodeListPage.h"

#include "NodeListMerge.h"
#include "PublicNodesDialog.h"

#include "API/QsLog/QsLog.h"

#include <QSignalBlocker>

NodeListPage::NodeListPage(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::NodeListPage>())
{
    m_ui->setupUi(this);
    m_nodeProperties = new NodeProperties(this);
    m_ui->tableViewNodesList->setModel(&m_nodeModel);
    m_nodeModel.setHorizontalHeaderLabels(
        {tr("Active"), tr("Name"), tr("Address"), tr("Port"), tr("Connect"), tr("Kind")});
    m_nodeModel.horizontalHeaderItem(kConnectColumn)
        ->setToolTip(tr("Also connect to this node, beside the active one; spots of all connected nodes are "
                        "merged in one table"));
    const int nodeWidths[] = {50, 100, 200, 50, 60, 120};
    for (int i = 0; i < kColumns; ++i)
        m_ui->tableViewNodesList->setColumnWidth(i, nodeWidths[i]);
    connect(&m_nodeModel, &QStandardItemModel::itemChanged, this, &NodeListPage::onItemChanged);

    connect(m_ui->tableViewNodesList, &QTableView::clicked, this, &NodeListPage::onActiveNodeChanged);
    connect(m_ui->tableViewNodesList, &QTableView::doubleClicked, this, &NodeListPage::onActiveNodeEdit);
    connect(m_ui->pushButtonAddNode, &QPushButton::clicked, this, &NodeListPage::onAddNodeClicked);
    connect(m_ui->pushButtonAddFromList, &QPushButton::clicked, this, &NodeListPage::onAddFromListClicked);
    connect(m_ui->pushButtonEditNode, &QPushButton::clicked, this, &NodeListPage::onEditNodeClicked);
    connect(m_ui->pushButtonDeleteNode, &QPushButton::clicked, this, &NodeListPage::onDeleteNodeClicked);
    connect(m_nodeProperties, &NodeProperties::nodeAccepted, this, &NodeListPage::onNodePropertiesAccepted);
}

NodeListPage::~NodeListPage() = default;

void NodeListPage::setNodes(const QList<ClusterNode> &nodes, int iActiveIndex)
{
    m_nodes = nodes;
    m_activeIndex = iActiveIndex;
    for (int i = 0; i < m_nodes.size(); ++i) {
        m_nodes[i].setActive(i == m_activeIndex);
        // The active node is always connected.
        if (i == m_activeIndex)
            m_nodes[i].setConnected(true);
    }
    refreshNodeTable();
}

const ClusterNode *NodeListPage::activeNode() const
{
    return m_activeIndex >= 0 && m_activeIndex < m_nodes.size() ? &m_nodes.at(m_activeIndex) : nullptr;
}

void NodeListPage::disableNodeButtons()
{
    m_ui->pushButtonEditNode->setEnabled(false);
    m_ui->pushButtonDeleteNode->setEnabled(false);
}

QList<ClusterNode> NodeListPage::connectedNodes() const
{
    QList<ClusterNode> connected;
    for (const ClusterNode &node : m_nodes) {
        if (node.isConnected())
            connected.append(node);
    }
    return connected;
}

QString NodeListPage::kindText(const ClusterNode &node)
{
    QStringList kinds;
    if (node.isSkimmerFeed())
        kinds.append(tr("skimmer feed"));
    if (!node.fallbackGroup().isEmpty())
        kinds.append(tr("group %1").arg(node.fallbackGroup()));
    return kinds.join(QStringLiteral(", "));
}

void NodeListPage::showConnectChecks()
{
    // Filled in by us, not clicked: no echo into the nodes.
    const QSignalBlocker blocker(&m_nodeModel);
    for (int i = 0; i < m_nodeModel.rowCount() && i < m_nodes.size(); ++i) {
        QStandardItem *pConnect = m_nodeModel.item(i, kConnectColumn);
        pConnect->setCheckState(m_nodes.at(i).isConnected() ? Qt::Checked : Qt::Unchecked);
        // The active node's connection is what the Active column says.
        pConnect->setEnabled(i != m_activeIndex);
    }
}

void NodeListPage::onItemChanged(QStandardItem *pItem)
{
    const int iRow = pItem->row();
    if (pItem->column() != kConnectColumn || iRow < 0 || iRow >= m_nodes.size() || iRow == m_activeIndex)
        return;
    m_nodes[iRow].setConnected(pItem->checkState() == Qt::Checked);
}

void NodeListPage::refreshNodeTable()
{
    m_nodeModel.removeRows(0, m_nodeModel.rowCount());
    for (int i = 0; i < m_nodes.size(); ++i) {
        const ClusterNode &node = m_nodes.at(i);
        auto *pActive = new QStandardItem;
        pActive->setCheckable(true);
        pActive->setCheckState(i == m_activeIndex ? Qt::Checked : Qt::Unchecked);
        auto *pConnect = new QStandardItem;
        pConnect->setCheckable(true);
        const QSignalBlocker blocker(&m_nodeModel);
        m_nodeModel.appendRow({pActive, new QStandardItem(node.name()), new QStandardItem(node.address()),
                               new QStandardItem(QString::number(node.port())), pConnect,
                               new QStandardItem(kindText(node))});
    }
    showConnectChecks();
    m_ui->tableViewNodesList->resizeColumnsToContents();
    if (m_activeIndex >= 0)
        m_ui->tableViewNodesList->selectRow(m_activeIndex);
}

void NodeListPage::onActiveNodeChanged(const QModelIndex &index)
{
    const int iRow = index.row();
    if (iRow < 0 || iRow >= m_nodes.size())
        return;
    m_ui->pushButtonEditNode->setEnabled(true);
    m_ui->pushButtonDeleteNode->setEnabled(true);
    // The Connect column has a check of its own; a click there picks no
    // new active node.
    if (index.column() == kConnectColumn)
        return;
    if (iRow != m_activeIndex) {
        // The connection moves with the active node, as it always did.
        if (m_activeIndex >= 0 && m_activeIndex < m_nodes.size()) {
            m_nodes[m_activeIndex].setActive(false);
            m_nodes[m_activeIndex].setConnected(false);
        }
        m_activeIndex = iRow;
        m_nodes[iRow].setActive(true);
        m_nodes[iRow].setConnected(true);
    }
    const QSignalBlocker blocker(&m_nodeModel);
    for (int i = 0; i < m_nodeModel.rowCount(); ++i)
        m_nodeModel.item(i, 0)->setCheckState(i == m_activeIndex ? Qt::Checked : Qt::Unchecked);
    showConnectChecks();
}

void NodeListPage::onActiveNodeEdit(const QModelIndex &index)
{
    onActiveNodeChanged(index);
    onEditNodeClicked();
}

QStringList NodeListPage::nodeNamesExcept(int iIndex) const
{
    QStringList names;
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (i != iIndex)
            names.append(m_nodes.at(i).name());
    }
    return names;
}

void NodeListPage::onAddNodeClicked()
{
    m_nodeProperties->setOperation(NodeProperties::Add);
    m_nodeProperties->setOtherNames(nodeNamesExcept(-1));
    m_nodeProperties->show();
}

void NodeListPage::onAddFromListClicked()
{
    PublicNodesDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    NodeList nodeList;
    nodeList.nodes = m_nodes;
    nodeList.activeIndex = m_activeIndex;
    NodeListMerge::add(&nodeList, dialog.selectedNodes());
    m_nodes = nodeList.nodes;
    m_activeIndex = nodeList.activeIndex;
    refreshNodeTable();
}

void NodeListPage::onEditNodeClicked()
{
    if (m_activeIndex < 0 || m_activeIndex >= m_nodes.size())
        return;
    m_nodeProperties->setOperation(NodeProperties::Edit);
    m_nodeProperties->setOtherNames(nodeNamesExcept(m_activeIndex));
    m_nodeProperties->setNode(m_nodes.at(m_activeIndex));
    m_nodeProperties->show();
}

void NodeListPage::onDeleteNodeClicked()
{
    const int iRow = m_ui->tableViewNodesList->currentIndex().row();
    if (iRow >= 0 && iRow < m_nodes.size()) {
        QLOG_DEBUG() << "Deleting node" << m_nodes.at(iRow).name();
        m_nodes.removeAt(iRow);
    }
    m_activeIndex = -1;
    for (ClusterNode &node : m_nodes) {
        if (node.isActive())
            node.setConnected(false);
        node.setActive(false);
    }
    refreshNodeTable();
    m_ui->pushButtonEditNode->setEnabled(false);
    m_ui->pushButtonDeleteNode->setEnabled(false);
}

void NodeListPage::onNodePropertiesAccepted(NodeProperties::NodePropertiesOperation operation, const ClusterNode &node)
{
    if (operation == NodeProperties::Edit) {
        int iRow = m_ui->tableViewNodesList->currentIndex().row();
        if (iRow < 0 || iRow >= m_nodes.size())
            iRow = m_activeIndex;
        if (iRow < 0 || iRow >= m_nodes.size())
            return;
        ClusterNode &edited = m_nodes[iRow];
        edited.setName(node.name());
        edited.setAddress(node.address());
        edited.setPort(node.port());
        edited.setPassword(node.password());
        edited.setSkimmerFeed(node.isSkimmerFeed());
        edited.setFallbackGroup(node.fallbackGroup());
    } else {
        // With no node ticked yet the new one is the obvious choice; OK
        // would otherwise refuse a list that looks complete.
        ClusterNode added = node;
        added.setActive(m_activeIndex < 0);
        added.setConnected(added.isActive());
        if (added.isActive())
            m_activeIndex = int(m_nodes.size());
        m_nodes.append(added);
    }
    refreshNodeTable();
}
