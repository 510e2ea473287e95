#ifndef PUBLICNODESDIALOG_H
#define PUBLICNODESDIALOG_H

#include "ClusterNode.h"
#include "PublicNodes.h"

#include <QDialog>
#include <QList>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

QT_BEGIN_NAMESPACE
class QDialogButtonBox;
class QLineEdit;
class QTableView;
QT_END_NAMESPACE

// "Add from list…": the public nodes in a table that a text filters; the
// chosen rows come back as nodes for the user's list. Used by the node list
// of the settings dialog and by the first start.
class PublicNodesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PublicNodesDialog(QWidget *parent = nullptr);
    // For another list than the built-in one.
    PublicNodesDialog(const QList<PublicNodes::Entry> &entries, QWidget *parent = nullptr);

    // The selected rows, in table order, as nodes marked as from the list.
    QList<ClusterNode> selectedNodes() const;

public Q_SLOTS:
    void onFilterTextChanged(const QString &qsText);
    void onSelectionChanged();

private:
    void fillModel();

    QList<PublicNodes::Entry> m_entries;
    QStandardItemModel m_model;
    QSortFilterProxyModel m_proxy;
    QLineEdit *m_lineEditFilter = nullptr;
    QTableView *m_tableViewNodes = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
};

#endif // PUBLICNODESDIALOG_H
