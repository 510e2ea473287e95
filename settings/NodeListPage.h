#ifndef NODELISTPAGE_H
#define NODELISTPAGE_H

#include "ClusterNode.h"
#include "NodeProperties.h"

#include <QList>
#include <QStandardItemModel>
#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class NodeListPage;
}
QT_END_NAMESPACE

// The settings page of the cluster nodes: the list, which one is active,
// and adding, editing and deleting nodes.
class NodeListPage : public QWidget
{
    Q_OBJECT

public:
    explicit NodeListPage(QWidget *parent = nullptr);
    ~NodeListPage() override;

    // Of several nodes marked active the last one wins; only it keeps the
    // flag, so that a later click never leaves two nodes marked.
    void setNodes(const QList<ClusterNode> &nodes, int iActiveIndex);
    const QList<ClusterNode> &nodes() const { return m_nodes; }
    int activeIndex() const { return m_activeIndex; }
    const ClusterNode *activeNode() const;
    // The nodes to connect, in list order: the active one and those ticked
    // in the Connect column.
    QList<ClusterNode> connectedNodes() const;
    // Nothing is selected when the dialog opens.
    void disableNodeButtons();

public Q_SLOTS:
    void onActiveNodeChanged(const QModelIndex &index);
    void onActiveNodeEdit(const QModelIndex &index);
    void onAddNodeClicked();
    void onAddFromListClicked();
    void onEditNodeClicked();
    void onDeleteNodeClicked();
    void onNodePropertiesAccepted(NodeProperties::NodePropertiesOperation operation, const ClusterNode &node);

private:
    static constexpr int kConnectColumn = 4;
    static constexpr int kColumns = 6;

    void refreshNodeTable();
    void showConnectChecks();
    void onItemChanged(QStandardItem *pItem);
    static QString kindText(const ClusterNode &node);
    QStringList nodeNamesExcept(int iIndex) const;

    std::unique_ptr<Ui::NodeListPage> m_ui;
    QStandardItemModel m_nodeModel;
    QList<ClusterNode> m_nodes;
    int m_activeIndex = -1;
    NodeProperties *m_nodeProperties = nullptr;
};

#endif // NODELISTPAGE_H
