#include "WorkedCountries.h"
#include "ui_WorkedCountries.h"

#include "API/QsLog/QsLog.h"
#include "settings/WorkedSets.h"
#include "ui/MessageBoxes.h"

namespace {

QStringList selectedNames(const QListWidget *pList)
{
    QStringList names;
    for (const QListWidgetItem *pItem : pList->selectedItems())
        names.append(pItem->text());
    return names;
}

} // namespace

WorkedCountries::WorkedCountries(WorkedSets *pWorkedSets, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::WorkedCountries>()), m_workedSets(pWorkedSets)
{
    Q_ASSERT(pWorkedSets);
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &WorkedCountries::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &WorkedCountries::reject);
    connect(m_ui->pushButtonMoveToWorked, &QPushButton::clicked, this, &WorkedCountries::onMoveToWorkedClicked);
    connect(m_ui->pushButtonMoveToNotWorked, &QPushButton::clicked, this, &WorkedCountries::onMoveToNotWorkedClicked);
    connect(m_ui->pushButtonTakeFromLog, &QPushButton::clicked, this, &WorkedCountries::onTakeFromLogClicked);
    connect(m_ui->listWidgetNotWorked, &QListWidget::doubleClicked, this, &WorkedCountries::onNewCountryClicked);
    connect(m_ui->listWidgetWorked, &QListWidget::doubleClicked, this, &WorkedCountries::onWorkedCountryClicked);
}

WorkedCountries::~WorkedCountries() = default;

void WorkedCountries::showEvent(QShowEvent *pEvent)
{
    refresh();
    QDialog::showEvent(pEvent);
}

void WorkedCountries::refresh()
{
    m_ui->listWidgetNotWorked->clear();
    m_ui->listWidgetWorked->clear();
    m_ui->listWidgetNotWorked->addItems(m_workedSets->notWorkedCountries().keys());
    m_ui->listWidgetWorked->addItems(m_workedSets->workedCountries().keys());
}

void WorkedCountries::onMoveToWorkedClicked()
{
    for (const QString &qsName : selectedNames(m_ui->listWidgetNotWorked))
        m_workedSets->setWorked(qsName);
    refresh();
}

void WorkedCountries::onMoveToNotWorkedClicked()
{
    for (const QString &qsName : selectedNames(m_ui->listWidgetWorked))
        m_workedSets->setNotWorked(qsName);
    refresh();
}

void WorkedCountries::setLogCountries(const QStringList &qslCountries)
{
    m_logCountries = qslCountries;
    m_ui->pushButtonTakeFromLog->setEnabled(!qslCountries.isEmpty());
}

void WorkedCountries::onTakeFromLogClicked()
{
    for (const QString &qsName : std::as_const(m_logCountries))
        m_workedSets->setWorked(qsName);
    refresh();
}

void WorkedCountries::onNewCountryClicked(const QModelIndex &index)
{
    if (const QListWidgetItem *pItem = m_ui->listWidgetNotWorked->item(index.row()))
        m_workedSets->setWorked(pItem->text());
    refresh();
}

void WorkedCountries::onWorkedCountryClicked(const QModelIndex &index)
{
    if (const QListWidgetItem *pItem = m_ui->listWidgetWorked->item(index.row()))
        m_workedSets->setNotWorked(pItem->text());
    refresh();
}

void WorkedCountries::accept()
{
    QLOG_DEBUG() << "Saving worked countries:" << m_workedSets->workedCount() << "worked,"
                 << m_workedSets->notWorkedCount() << "not worked";
    m_workedSets->save();
    QDialog::accept();
}

void WorkedCountries::reject()
{
    m_workedSets->load();
    QDialog::reject();
}
