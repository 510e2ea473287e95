#ifndef RULEKINDFORM_H
#define RULEKINDFORM_H

#include "BandPlan.h"
#include "Filter.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QGridLayout>
#include <QList>
#include <QWidget>

// The rule part shared by the filter and the alert dialog: the kind radio
// buttons and the value widgets. Both forms name these widgets alike, so one
// template serves both generated form classes.
namespace RuleKindForm {

template <class Form>
void fillBands(Form &ui)
{
    for (int i = 0; i < BandPlan::count(); ++i) {
        const BandPlan::Band &band = BandPlan::at(i);
        ui.comboBoxFilterValueBand->addItem(BandPlan::labelText(band), int(band.bit));
    }
    ui.comboBoxFilterValueBand->addItem(QCoreApplication::translate("RuleKindForm", "All"), int(Filter::AllBands));
}

// Wires the widgets both dialogs share to the dialog's slots of the same names.
template <class Form, class Dialog>
void connectKindWidgets(Form &ui, Dialog *pDialog)
{
    QObject::connect(ui.buttonBox, &QDialogButtonBox::accepted, pDialog, &Dialog::accept);
    QObject::connect(ui.buttonBox, &QDialogButtonBox::rejected, pDialog, &Dialog::reject);
    QObject::connect(ui.lineEditFilterValueCallsign, &QLineEdit::textEdited, pDialog, &Dialog::lineEditToUpper);
    QObject::connect(ui.radioButtonFilterTypeBand, &QRadioButton::clicked, pDialog, &Dialog::onBandClicked);
    QObject::connect(ui.radioButtonFilterTypeCallsign, &QRadioButton::clicked, pDialog, &Dialog::onCallsignClicked);
    QObject::connect(ui.radioButtonFilterTypeCountry, &QRadioButton::clicked, pDialog, &Dialog::onCountryClicked);
    QObject::connect(ui.radioButtonFilterTypeDXpeditionIOTA, &QRadioButton::clicked, pDialog,
                     &Dialog::onDXpeditionIOTAClicked);
    QObject::connect(ui.radioButtonFilterTypeWorkedCountries, &QRadioButton::clicked, pDialog,
                     &Dialog::onWorkedCountriesClicked);
    QObject::connect(ui.radioButtonFilterTypeNewCountries, &QRadioButton::clicked, pDialog,
                     &Dialog::onNewCountriesClicked);
    QObject::connect(ui.pushButtonManageWorkedCountries, &QPushButton::clicked, pDialog,
                     &Dialog::onManageWorkedCountriesClicked);
    QObject::connect(ui.pushButtonFilterValueDXpeditionsIOTA_logo, &QPushButton::clicked, pDialog,
                     &Dialog::onDXWorldLogoClicked);
}

template <class Form>
void addCountry(Form &ui, const QString &qsCountry)
{
    ui.comboBoxFilterValueCountry->addItem(qsCountry);
    ui.comboBoxFilterValueCountry->setCurrentIndex(-1);
}

// Upper-cases the callsign as it is typed without moving the cursor.
template <class Form>
void callsignToUpper(Form &ui, const QString &qsText)
{
    const int iCursor = ui.lineEditFilterValueCallsign->cursorPosition();
    ui.lineEditFilterValueCallsign->setText(qsText.toUpper());
    ui.lineEditFilterValueCallsign->setCursorPosition(iCursor);
}

// The kind bit of the checked radio button, 0 when none is checked.
template <class Form>
int selectedKind(const Form &ui)
{
    if (ui.radioButtonFilterTypeBand->isChecked())
        return Filter::Band;
    if (ui.radioButtonFilterTypeCallsign->isChecked())
        return Filter::Call;
    if (ui.radioButtonFilterTypeCountry->isChecked())
        return Filter::Country;
    if (ui.radioButtonFilterTypeDXpeditionIOTA->isChecked())
        return Filter::DXpeditionIota;
    if (ui.radioButtonFilterTypeWorkedCountries->isChecked())
        return Filter::WorkedCountries;
    if (ui.radioButtonFilterTypeNewCountries->isChecked())
        return Filter::NewCountries;
    return 0;
}

// Shows exactly the value widgets of one kind and fits the dialog to them.
template <class Form>
void showKind(QDialog *pDialog, Form &ui, int iKind)
{
    QGridLayout *pGrid = ui.gridLayoutFilterValue;
    const QList<QWidget *> all = {ui.labelFilterValueBand,         ui.comboBoxFilterValueBand,
                                  ui.labelFilterValueCallsign,     ui.lineEditFilterValueCallsign,
                                  ui.labelFilterValueCountry,      ui.comboBoxFilterValueCountry,
                                  ui.labelFilterValueDXpeditionsIOTA, ui.pushButtonFilterValueDXpeditionsIOTA_logo,
                                  ui.pushButtonManageWorkedCountries};
    for (QWidget *pWidget : all) {
        pGrid->removeWidget(pWidget);
        pWidget->hide();
    }
    QWidget *pLabel = nullptr;
    QWidget *pControl = nullptr;
    switch (iKind) {
    case Filter::Band:
        pLabel = ui.labelFilterValueBand;
        pControl = ui.comboBoxFilterValueBand;
        break;
    case Filter::Call:
        pLabel = ui.labelFilterValueCallsign;
        pControl = ui.lineEditFilterValueCallsign;
        break;
    case Filter::Country:
        pLabel = ui.labelFilterValueCountry;
        pControl = ui.comboBoxFilterValueCountry;
        break;
    case Filter::DXpeditionIota:
        pLabel = ui.labelFilterValueDXpeditionsIOTA;
        pControl = ui.pushButtonFilterValueDXpeditionsIOTA_logo;
        break;
    case Filter::WorkedCountries:
    case Filter::NewCountries:
        pControl = ui.pushButtonManageWorkedCountries;
        break;
    default:
        break;
    }
    if (pLabel) {
        pGrid->addWidget(pLabel, 0, 0);
        pLabel->show();
    }
    if (pControl) {
        pGrid->addWidget(pControl, 0, 1);
        pControl->show();
    }
    pGrid->setColumnStretch(1, 1);
    pGrid->invalidate();
    pDialog->layout()->activate();
    pDialog->resize(pDialog->sizeHint());
}

// Selects the kind of a rule and fills its value; returns the kind shown.
template <class Form>
int loadKind(Form &ui, const Filter &rule)
{
    const int iType = rule.filterType();
    if (iType & Filter::Band) {
        ui.radioButtonFilterTypeBand->setChecked(true);
        ui.comboBoxFilterValueBand->setCurrentIndex(ui.comboBoxFilterValueBand->findData(rule.bandFilterValue()));
        return Filter::Band;
    }
    if (iType & Filter::Call) {
        ui.radioButtonFilterTypeCallsign->setChecked(true);
        ui.lineEditFilterValueCallsign->setText(rule.callFilterValue());
        return Filter::Call;
    }
    if (iType & Filter::Country) {
        ui.radioButtonFilterTypeCountry->setChecked(true);
        ui.comboBoxFilterValueCountry->setCurrentIndex(
            ui.comboBoxFilterValueCountry->findText(rule.countryFilterValue(), Qt::MatchExactly | Qt::MatchCaseSensitive));
        return Filter::Country;
    }
    if (iType & Filter::DXpeditionIota) {
        ui.radioButtonFilterTypeDXpeditionIOTA->setChecked(true);
        return Filter::DXpeditionIota;
    }
    if (iType & Filter::WorkedCountries) {
        ui.radioButtonFilterTypeWorkedCountries->setChecked(true);
        return Filter::WorkedCountries;
    }
    if (iType & Filter::NewCountries) {
        ui.radioButtonFilterTypeNewCountries->setChecked(true);
        return Filter::NewCountries;
    }
    return 0;
}

// The complaint about a kind whose value was left unchosen; empty when the
// rule is complete.
template <class Form>
QString missingValue(const Form &ui, int iKind)
{
    // A band rule without a band would narrow the rule to no band at all
    // and never match.
    if (iKind == Filter::Band && ui.comboBoxFilterValueBand->currentIndex() < 0)
        return QCoreApplication::translate("RuleKindForm", "You must select a band.");
    if (iKind == Filter::Call && ui.lineEditFilterValueCallsign->text().isEmpty())
        return QCoreApplication::translate("RuleKindForm", "The Callsign field cannot be empty.");
    if (iKind == Filter::Country && ui.comboBoxFilterValueCountry->currentIndex() < 0)
        return QCoreApplication::translate("RuleKindForm", "You must select a country.");
    return QString();
}

// Sets the kind's value into a new rule and returns the kind bit.
template <class Form>
int applyKind(const Form &ui, Filter *pRule)
{
    const int iKind = selectedKind(ui);
    switch (iKind) {
    case Filter::Band:
        pRule->addBand(ui.comboBoxFilterValueBand->currentData().toInt());
        break;
    case Filter::Call:
        pRule->setCallFilterValue(ui.lineEditFilterValueCallsign->text());
        break;
    case Filter::Country:
        pRule->setCountryFilterValue(ui.comboBoxFilterValueCountry->currentText());
        break;
    default:
        break;
    }
    return iKind;
}

} // namespace RuleKindForm

#endif // RULEKINDFORM_H
