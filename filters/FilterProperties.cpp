#include "FilterProperties.h"
#include "ui_FilterProperties.h"

#include "Filter.h"
#include "RuleKindWidget.h"

#include "Worked/WorkedCountries.h"
#include "ui/About.h"
#include "ui/MessageBoxes.h"

#include <QDesktopServices>
#include <QUrl>

FilterProperties::FilterProperties(WorkedSets *pWorkedSets, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FilterProperties>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    m_workedCountries = new WorkedCountries(pWorkedSets, this);

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &FilterProperties::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &FilterProperties::reject);
    connect(m_ui->widgetRuleKind, &RuleKindWidget::manageWorkedCountriesClicked, this,
            &FilterProperties::onManageWorkedCountriesClicked);
    connect(m_ui->widgetRuleKind, &RuleKindWidget::dxWorldLogoClicked, this, &FilterProperties::onDXWorldLogoClicked);
    setOperation(Add);
}

FilterProperties::~FilterProperties() = default;

void FilterProperties::setOperation(FilterPropertiesOperation operation)
{
    m_operation = operation;
    // Exclusive radio buttons cannot all be cleared while the group is
    // exclusive; neither action is preselected, so the user has to choose.
    m_ui->radioButtonFilterActionAccept->setAutoExclusive(false);
    m_ui->radioButtonFilterActionDrop->setAutoExclusive(false);
    m_ui->radioButtonFilterActionAccept->setChecked(false);
    m_ui->radioButtonFilterActionDrop->setChecked(false);
    m_ui->radioButtonFilterActionAccept->setAutoExclusive(true);
    m_ui->radioButtonFilterActionDrop->setAutoExclusive(true);
    m_ui->radioButtonFilterActionAccept->setEnabled(true);
    m_ui->radioButtonFilterActionDrop->setEnabled(true);
    m_ui->widgetRuleKind->reset(false);
}

void FilterProperties::loadFilter(const Filter &filter)
{
    m_ui->widgetRuleKind->loadRule(filter);
    if (filter.filterType() & Filter::Accept)
        m_ui->radioButtonFilterActionAccept->setChecked(true);
    else if (filter.filterType() & Filter::Drop)
        m_ui->radioButtonFilterActionDrop->setChecked(true);
}

void FilterProperties::addCountry(const QString &qsCountry)
{
    m_ui->widgetRuleKind->addCountry(qsCountry);
}

void FilterProperties::showKind(int iKind)
{
    m_ui->widgetRuleKind->showKind(iKind);
}

void FilterProperties::lineEditToUpper(const QString &qsText)
{
    m_ui->widgetRuleKind->lineEditToUpper(qsText);
}

void FilterProperties::onBandClicked()
{
    showKind(Filter::Band);
}
void FilterProperties::onCallsignClicked()
{
    showKind(Filter::Call);
}
void FilterProperties::onCountryClicked()
{
    showKind(Filter::Country);
}
void FilterProperties::onDXpeditionIOTAClicked()
{
    showKind(Filter::DXpeditionIota);
}
void FilterProperties::onWorkedCountriesClicked()
{
    showKind(Filter::WorkedCountries);
}
void FilterProperties::onNewCountriesClicked()
{
    showKind(Filter::NewCountries);
}

void FilterProperties::onManageWorkedCountriesClicked()
{
    m_workedCountries->refresh();
    m_workedCountries->open();
}

void FilterProperties::onDXWorldLogoClicked()
{
    QDesktopServices::openUrl(QUrl(About::homePage()));
}

void FilterProperties::accept()
{
    const int iKind = m_ui->widgetRuleKind->selectedKind();
    if (!m_ui->radioButtonFilterActionAccept->isChecked() && !m_ui->radioButtonFilterActionDrop->isChecked()) {
        showError(tr("You must select an action."));
        return;
    }
    const QString qsMissing = m_ui->widgetRuleKind->missingValue();
    if (!qsMissing.isEmpty()) {
        showError(qsMissing);
        return;
    }

    auto *pFilter = new Filter(Filter::Accept);
    m_ui->widgetRuleKind->applyTo(pFilter);
    pFilter->setFilterType(iKind | (m_ui->radioButtonFilterActionAccept->isChecked() ? Filter::Accept : Filter::Drop));
    Q_EMIT filterAccepted(m_operation, pFilter);
    QDialog::accept();
}

void FilterProperties::reject()
{
    QDialog::reject();
}

void FilterProperties::showError(const QString &qsInformativeText)
{
    MessageBoxes::error(this, m_operation == Add ? tr("Error adding filter.") : tr("Error editing filter."),
                        qsInformativeText);
}
