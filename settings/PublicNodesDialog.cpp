#include "PublicNodesDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

PublicNodesDialog::PublicNodesDialog(QWidget *parent) : PublicNodesDialog(PublicNodes::bundled(), parent)
{
}

PublicNodesDialog::PublicNodesDialog(const QList<PublicNodes::Entry> &entries, QWidget *parent)
    : QDialog(parent), m_entries(entries)
{
    setWindowTitle(tr("Add nodes from the public list"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *pLabel = new QLabel(tr("Public DX cluster nodes from public node directories. Their availability "
                                 "changes; log in with your callsign. Choose one or more:"),
                              this);
    pLabel->setWordWrap(true);
    m_lineEditFilter = new QLineEdit(this);
    m_lineEditFilter->setObjectName(QStringLiteral("lineEditFilter"));
    m_lineEditFilter->setPlaceholderText(tr("Filter by call, host, software, place or note"));
    m_lineEditFilter->setClearButtonEnabled(true);

    fillModel();
    m_proxy.setSourceModel(&m_model);
    m_proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy.setFilterKeyColumn(-1);

    m_tableViewNodes = new QTableView(this);
    m_tableViewNodes->setObjectName(QStringLiteral("tableViewNodes"));
    m_tableViewNodes->setModel(&m_proxy);
    m_tableViewNodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableViewNodes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tableViewNodes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableViewNodes->setSortingEnabled(true);
    m_tableViewNodes->sortByColumn(0, Qt::AscendingOrder);
    m_tableViewNodes->verticalHeader()->hide();
    m_tableViewNodes->horizontalHeader()->setStretchLastSection(true);
    m_tableViewNodes->resizeColumnsToContents();

    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    m_buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Add"));
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);

    auto *pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pLabel);
    pLayout->addWidget(m_lineEditFilter);
    pLayout->addWidget(m_tableViewNodes);
    pLayout->addWidget(m_buttonBox);
    resize(820, 460);

    connect(m_lineEditFilter, &QLineEdit::textChanged, this, &PublicNodesDialog::onFilterTextChanged);
    connect(m_tableViewNodes->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PublicNodesDialog::onSelectionChanged);
    connect(m_tableViewNodes, &QAbstractItemView::doubleClicked, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PublicNodesDialog::fillModel()
{
    m_model.setHorizontalHeaderLabels({tr("Call"), tr("Host"), tr("Port"), tr("Software"), tr("Place"), tr("Note")});
    for (int i = 0; i < m_entries.size(); ++i) {
        const PublicNodes::Entry &entry = m_entries.at(i);
        auto *pCall = new QStandardItem(entry.call);
        pCall->setData(i, Qt::UserRole);
        auto *pPort = new QStandardItem;
        pPort->setData(int(entry.port), Qt::DisplayRole);
        // Notes can be long; the tooltip shows all of it.
        auto *pNote = new QStandardItem(entry.note);
        // A downloaded list's note: shown as it stands, never as markup.
        pNote->setToolTip(Qt::mightBeRichText(entry.note) ? Qt::convertFromPlainText(entry.note) : entry.note);
        m_model.appendRow({pCall, new QStandardItem(entry.host), pPort, new QStandardItem(entry.software),
                           new QStandardItem(entry.location), pNote});
    }
}

void PublicNodesDialog::onFilterTextChanged(const QString &qsText)
{
    m_proxy.setFilterFixedString(qsText.trimmed());
    onSelectionChanged();
}

void PublicNodesDialog::onSelectionChanged()
{
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!selectedNodes().isEmpty());
}

QList<ClusterNode> PublicNodesDialog::selectedNodes() const
{
    QList<ClusterNode> nodes;
    const QModelIndexList rows = m_tableViewNodes->selectionModel()->selectedRows(0);
    for (int iRow = 0; iRow < m_proxy.rowCount(); ++iRow) {
        const QModelIndex index = m_proxy.index(iRow, 0);
        if (!rows.contains(index))
            continue;
        const int iEntry = index.data(Qt::UserRole).toInt();
        if (iEntry >= 0 && iEntry < m_entries.size())
            nodes.append(PublicNodes::toNode(m_entries.at(iEntry)));
    }
    return nodes;
}
