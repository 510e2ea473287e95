#ifndef NODEPROPERTIES_H
#define NODEPROPERTIES_H

#include "ClusterNode.h"

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class NodeProperties;
}
QT_END_NAMESPACE

// Adds a node to the settings dialog's list or edits one. Nothing reaches
// the store from here: the settings dialog writes the list when accepted.
class NodeProperties : public QDialog
{
    Q_OBJECT

public:
    enum NodePropertiesOperation { Add = 0, Edit = 1 };
    Q_ENUM(NodePropertiesOperation)

    explicit NodeProperties(QWidget *parent = nullptr);
    ~NodeProperties() override;

    // Empties the form (port 7300) and remembers what OK will do.
    void setOperation(NodePropertiesOperation operation);
    NodePropertiesOperation operation() const { return m_operation; }
    void setNode(const ClusterNode &node);

public Q_SLOTS:
    void accept() override;

Q_SIGNALS:
    void nodeAccepted(NodeProperties::NodePropertiesOperation operation, const ClusterNode &node);

private:
    void showError(const QString &qsInformativeText);

    std::unique_ptr<Ui::NodeProperties> m_ui;
    NodePropertiesOperation m_operation = Add;
};

#endif // NODEPROPERTIES_H
