#include "RuleKindWidget.h"
#include "ui_RuleKindWidget.h"

#include "Filter.h"
#include "radio/BandPlan.h"

#include <QLayout>
#include <QListWidget>

namespace {

// The modes a Mode rule offers, as the Mode column shows them; "DATA" is
// what the band plan guesses for a data segment when a spot names none.
const char *const kRuleModes[] = {"CW",  "SSB", "AM",     "FM",   "FT8", "FT4",    "RTTY", "PSK31", "PSK63", "JT65",
                                  "JT9", "Q65", "MSK144", "FST4", "JS8", "OLIVIA", "SSTV", "MFSK",  "HELL",  "DATA"};

constexpr int kValueKinds = Filter::Mode | Filter::SpottedBy | Filter::SnrAtLeast | Filter::SpeedBetween
    | Filter::Validation | Filter::SpotKind;

} // namespace

RuleKindWidget::RuleKindWidget(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::RuleKindWidget>())
{
    m_ui->setupUi(this);
    for (int i = 0; i < BandPlan::count(); ++i) {
        const BandPlan::Band &band = BandPlan::at(i);
        if (band.bit == 0)
            continue;
        m_ui->comboBoxFilterValueBand->addItem(BandPlan::labelText(band), int(band.bit));
    }
    m_ui->comboBoxFilterValueBand->addItem(tr("All"), int(Filter::AllBands));
    for (const char *pContinent : {"EU", "NA", "SA", "AF", "AS", "OC", "AN"})
        m_ui->comboBoxFilterValueContinent->addItem(QLatin1String(pContinent));

    for (const char *pMode : kRuleModes)
        addMode(QLatin1String(pMode));
    m_ui->listWidgetFilterValueModes->item(m_ui->listWidgetFilterValueModes->count() - 1)
        ->setToolTip(tr("Spots that name no mode, in a data segment of the band plan"));

    connect(m_ui->lineEditFilterValueCallsign, &QLineEdit::textEdited, this, &RuleKindWidget::lineEditToUpper);
    for (const auto &[pButton, iKind] : kindButtons())
        connect(pButton, &QRadioButton::clicked, this, [this, iKind = iKind] { showKind(iKind); });
    connect(m_ui->pushButtonManageWorkedCountries, &QPushButton::clicked, this,
            &RuleKindWidget::manageWorkedCountriesClicked);
    connect(m_ui->pushButtonFilterValueDXpeditionsIOTA_logo, &QPushButton::clicked, this,
            &RuleKindWidget::dxWorldLogoClicked);
}

RuleKindWidget::~RuleKindWidget() = default;

void RuleKindWidget::reset(bool bClearBand)
{
    m_ui->radioButtonFilterTypeBand->setChecked(true);
    if (bClearBand)
        m_ui->comboBoxFilterValueBand->setCurrentIndex(-1);
    m_ui->comboBoxFilterValueCountry->setCurrentIndex(-1);
    m_ui->comboBoxFilterValueContinent->setCurrentIndex(-1);
    m_ui->lineEditFilterValueCallsign->clear();
    setCheckedModes({});
    m_ui->comboBoxFilterValueSpottedBy->setCurrentIndex(Filter::SpottedBySkimmer);
    m_ui->comboBoxFilterValueValidation->setCurrentIndex(Filter::ValidOnly);
    m_ui->comboBoxFilterValueSpotKind->setCurrentIndex(Filter::KindCq);
    showKind(Filter::Band);
}

QListWidgetItem *RuleKindWidget::addMode(const QString &qsMode)
{
    auto *pItem = new QListWidgetItem(qsMode, m_ui->listWidgetFilterValueModes);
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    pItem->setCheckState(Qt::Unchecked);
    return pItem;
}

QStringList RuleKindWidget::checkedModes() const
{
    QStringList qslModes;
    for (int i = 0; i < m_ui->listWidgetFilterValueModes->count(); ++i) {
        const QListWidgetItem *pItem = m_ui->listWidgetFilterValueModes->item(i);
        if (pItem->checkState() == Qt::Checked)
            qslModes.append(pItem->text());
    }
    return qslModes;
}

void RuleKindWidget::setCheckedModes(const QStringList &qslModes)
{
    QListWidget *pList = m_ui->listWidgetFilterValueModes;
    for (int i = 0; i < pList->count(); ++i)
        pList->item(i)->setCheckState(qslModes.contains(pList->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
    // A mode this list does not offer (typed into the store, or from a later
    // version) is shown rather than silently lost on OK.
    for (const QString &qsMode : qslModes) {
        if (pList->findItems(qsMode, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
            addMode(qsMode)->setCheckState(Qt::Checked);
    }
}

void RuleKindWidget::addCountry(const QString &qsCountry)
{
    m_ui->comboBoxFilterValueCountry->addItem(qsCountry);
    m_ui->comboBoxFilterValueCountry->setCurrentIndex(-1);
}

void RuleKindWidget::lineEditToUpper(const QString &qsText)
{
    // Upper-cased as it is typed, without moving the cursor.
    const int iCursor = m_ui->lineEditFilterValueCallsign->cursorPosition();
    m_ui->lineEditFilterValueCallsign->setText(qsText.toUpper());
    m_ui->lineEditFilterValueCallsign->setCursorPosition(iCursor);
}

QList<std::pair<QRadioButton *, int>> RuleKindWidget::kindButtons() const
{
    return {
        {m_ui->radioButtonFilterTypeBand, Filter::Band},
        {m_ui->radioButtonFilterTypeCallsign, Filter::Call},
        {m_ui->radioButtonFilterTypeCountry, Filter::Country},
        {m_ui->radioButtonFilterTypeDXpeditionIOTA, Filter::DXpeditionIota},
        {m_ui->radioButtonFilterTypeWorkedCountries, Filter::WorkedCountries},
        {m_ui->radioButtonFilterTypeNewCountries, Filter::NewCountries},
        {m_ui->radioButtonFilterTypeDxContinent, Filter::DxContinent},
        {m_ui->radioButtonFilterTypeSpotterContinent, Filter::SpotterContinent},
        {m_ui->radioButtonFilterTypeNeededNewCountry, Filter::NeededNewCountry},
        {m_ui->radioButtonFilterTypeNeededNewBand, Filter::NeededNewBand},
        {m_ui->radioButtonFilterTypeNeededNewMode, Filter::NeededNewMode},
        {m_ui->radioButtonFilterTypeNeededUnconfirmed, Filter::NeededUnconfirmed},
        {m_ui->radioButtonFilterTypeMode, Filter::Mode},
        {m_ui->radioButtonFilterTypeSpottedBy, Filter::SpottedBy},
        {m_ui->radioButtonFilterTypeSnrAtLeast, Filter::SnrAtLeast},
        {m_ui->radioButtonFilterTypeSpeedBetween, Filter::SpeedBetween},
        {m_ui->radioButtonFilterTypeValidation, Filter::Validation},
        {m_ui->radioButtonFilterTypeSpotKind, Filter::SpotKind},
        {m_ui->radioButtonFilterTypeNotWorkedOnBand, Filter::NotWorkedOnBand},
    };
}

int RuleKindWidget::selectedKind() const
{
    for (const auto &[pButton, iKind] : kindButtons()) {
        if (pButton->isChecked())
            return iKind;
    }
    return 0;
}

void RuleKindWidget::showKind(int iKind)
{
    QGridLayout *pGrid = m_ui->gridLayoutFilterValue;
    const QList<QWidget *> all = {m_ui->labelFilterValueBand,
                                  m_ui->comboBoxFilterValueBand,
                                  m_ui->labelFilterValueCallsign,
                                  m_ui->lineEditFilterValueCallsign,
                                  m_ui->labelFilterValueCountry,
                                  m_ui->comboBoxFilterValueCountry,
                                  m_ui->labelFilterValueContinent,
                                  m_ui->comboBoxFilterValueContinent,
                                  m_ui->labelFilterValueDXpeditionsIOTA,
                                  m_ui->pushButtonFilterValueDXpeditionsIOTA_logo,
                                  m_ui->pushButtonManageWorkedCountries,
                                  m_ui->labelFilterValueModes,
                                  m_ui->listWidgetFilterValueModes,
                                  m_ui->labelFilterValueSpottedBy,
                                  m_ui->comboBoxFilterValueSpottedBy,
                                  m_ui->labelFilterValueSnr,
                                  m_ui->spinBoxFilterValueSnr,
                                  m_ui->labelFilterValueSpeed,
                                  m_ui->widgetFilterValueSpeed,
                                  m_ui->labelFilterValueValidation,
                                  m_ui->comboBoxFilterValueValidation,
                                  m_ui->labelFilterValueSpotKind,
                                  m_ui->comboBoxFilterValueSpotKind};
    for (QWidget *pWidget : all) {
        pGrid->removeWidget(pWidget);
        pWidget->hide();
    }
    QWidget *pLabel = nullptr;
    QWidget *pControl = nullptr;
    switch (iKind) {
    case Filter::Band:
        pLabel = m_ui->labelFilterValueBand;
        pControl = m_ui->comboBoxFilterValueBand;
        break;
    case Filter::Call:
        pLabel = m_ui->labelFilterValueCallsign;
        pControl = m_ui->lineEditFilterValueCallsign;
        break;
    case Filter::Country:
        pLabel = m_ui->labelFilterValueCountry;
        pControl = m_ui->comboBoxFilterValueCountry;
        break;
    case Filter::DxContinent:
    case Filter::SpotterContinent:
        pLabel = m_ui->labelFilterValueContinent;
        pControl = m_ui->comboBoxFilterValueContinent;
        break;
    case Filter::DXpeditionIota:
        pLabel = m_ui->labelFilterValueDXpeditionsIOTA;
        pControl = m_ui->pushButtonFilterValueDXpeditionsIOTA_logo;
        break;
    case Filter::WorkedCountries:
    case Filter::NewCountries:
        pControl = m_ui->pushButtonManageWorkedCountries;
        break;
    case Filter::Mode:
        pLabel = m_ui->labelFilterValueModes;
        pControl = m_ui->listWidgetFilterValueModes;
        break;
    case Filter::SpottedBy:
        pLabel = m_ui->labelFilterValueSpottedBy;
        pControl = m_ui->comboBoxFilterValueSpottedBy;
        break;
    case Filter::SnrAtLeast:
        pLabel = m_ui->labelFilterValueSnr;
        pControl = m_ui->spinBoxFilterValueSnr;
        break;
    case Filter::SpeedBetween:
        pLabel = m_ui->labelFilterValueSpeed;
        pControl = m_ui->widgetFilterValueSpeed;
        break;
    case Filter::Validation:
        pLabel = m_ui->labelFilterValueValidation;
        pControl = m_ui->comboBoxFilterValueValidation;
        break;
    case Filter::SpotKind:
        pLabel = m_ui->labelFilterValueSpotKind;
        pControl = m_ui->comboBoxFilterValueSpotKind;
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
    m_ui->groupBoxFilterValue->updateGeometry();
    layout()->invalidate();
    layout()->activate();
    QWidget *pWindow = window();
    if (pWindow != this && pWindow->layout()) {
        // The window's layout still holds this widget's size from before,
        // which after a tall value (the mode list) would keep it tall.
        pWindow->layout()->invalidate();
        pWindow->layout()->activate();
        pWindow->resize(pWindow->sizeHint());
    }
}

void RuleKindWidget::loadRule(const Filter &rule)
{
    const int iType = rule.filterType();
    int iKind = 0;
    if (iType & Filter::Band) {
        m_ui->radioButtonFilterTypeBand->setChecked(true);
        m_ui->comboBoxFilterValueBand->setCurrentIndex(m_ui->comboBoxFilterValueBand->findData(rule.bandFilterValue()));
        iKind = Filter::Band;
    } else if (iType & Filter::Call) {
        m_ui->radioButtonFilterTypeCallsign->setChecked(true);
        m_ui->lineEditFilterValueCallsign->setText(rule.callFilterValue());
        iKind = Filter::Call;
    } else if (iType & Filter::Country) {
        m_ui->radioButtonFilterTypeCountry->setChecked(true);
        m_ui->comboBoxFilterValueCountry->setCurrentIndex(m_ui->comboBoxFilterValueCountry->findText(
            rule.countryFilterValue(), Qt::MatchExactly | Qt::MatchCaseSensitive));
        iKind = Filter::Country;
    } else if (iType & Filter::DXpeditionIota) {
        m_ui->radioButtonFilterTypeDXpeditionIOTA->setChecked(true);
        iKind = Filter::DXpeditionIota;
    } else if (iType & Filter::WorkedCountries) {
        m_ui->radioButtonFilterTypeWorkedCountries->setChecked(true);
        iKind = Filter::WorkedCountries;
    } else if (iType & Filter::NewCountries) {
        m_ui->radioButtonFilterTypeNewCountries->setChecked(true);
        iKind = Filter::NewCountries;
    } else if (iType & (Filter::DxContinent | Filter::SpotterContinent)) {
        iKind = iType & (Filter::DxContinent | Filter::SpotterContinent);
        (iKind == Filter::DxContinent ? m_ui->radioButtonFilterTypeDxContinent
                                      : m_ui->radioButtonFilterTypeSpotterContinent)
            ->setChecked(true);
        m_ui->comboBoxFilterValueContinent->setCurrentIndex(m_ui->comboBoxFilterValueContinent->findText(
            rule.continentFilterValue(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    } else if (iType & kValueKinds) {
        iKind = iType & kValueKinds;
        for (const auto &[pButton, iButtonKind] : kindButtons()) {
            if (iButtonKind == iKind)
                pButton->setChecked(true);
        }
        switch (iKind) {
        case Filter::Mode:
            setCheckedModes(rule.modeFilterValue());
            break;
        case Filter::SpottedBy:
            m_ui->comboBoxFilterValueSpottedBy->setCurrentIndex(rule.choiceFilterValue());
            break;
        case Filter::SnrAtLeast:
            m_ui->spinBoxFilterValueSnr->setValue(rule.minFilterValue());
            break;
        case Filter::SpeedBetween:
            m_ui->spinBoxFilterValueSpeedMin->setValue(rule.minFilterValue());
            m_ui->spinBoxFilterValueSpeedMax->setValue(rule.maxFilterValue());
            break;
        case Filter::Validation:
            m_ui->comboBoxFilterValueValidation->setCurrentIndex(rule.choiceFilterValue());
            break;
        case Filter::SpotKind:
            m_ui->comboBoxFilterValueSpotKind->setCurrentIndex(rule.choiceFilterValue());
            break;
        default:
            break;
        }
    } else if (Filter::isNeededKind(iType) || (iType & Filter::NotWorkedOnBand)) {
        for (const auto &[pButton, iButtonKind] : kindButtons()) {
            if (iType & iButtonKind) {
                pButton->setChecked(true);
                iKind = iButtonKind;
            }
        }
    }
    showKind(iKind);
}

QString RuleKindWidget::missingValue() const
{
    const int iKind = selectedKind();
    // A band rule without a band would narrow the rule to no band at all
    // and never match.
    if (iKind == Filter::Band && m_ui->comboBoxFilterValueBand->currentIndex() < 0)
        return tr("You must select a band.");
    if (iKind == Filter::Call && m_ui->lineEditFilterValueCallsign->text().isEmpty())
        return tr("The Callsign field cannot be empty.");
    if (iKind == Filter::Country && m_ui->comboBoxFilterValueCountry->currentIndex() < 0)
        return tr("You must select a country.");
    if ((iKind == Filter::DxContinent || iKind == Filter::SpotterContinent)
        && m_ui->comboBoxFilterValueContinent->currentIndex() < 0)
        return tr("You must select a continent.");
    if (iKind == Filter::Mode && checkedModes().isEmpty())
        return tr("You must select at least one mode.");
    if (iKind == Filter::SpeedBetween
        && m_ui->spinBoxFilterValueSpeedMin->value() > m_ui->spinBoxFilterValueSpeedMax->value())
        return tr("The lower speed cannot be above the upper speed.");
    return QString();
}

int RuleKindWidget::applyTo(Filter *pRule) const
{
    const int iKind = selectedKind();
    switch (iKind) {
    case Filter::Band:
        pRule->addBand(m_ui->comboBoxFilterValueBand->currentData().toInt());
        break;
    case Filter::Call:
        pRule->setCallFilterValue(m_ui->lineEditFilterValueCallsign->text());
        break;
    case Filter::Country:
        pRule->setCountryFilterValue(m_ui->comboBoxFilterValueCountry->currentText());
        break;
    case Filter::DxContinent:
    case Filter::SpotterContinent:
        pRule->setContinentFilterValue(m_ui->comboBoxFilterValueContinent->currentText());
        break;
    case Filter::Mode:
        pRule->setModeFilterValue(checkedModes());
        break;
    case Filter::SpottedBy:
        pRule->setChoiceFilterValue(m_ui->comboBoxFilterValueSpottedBy->currentIndex());
        break;
    case Filter::SnrAtLeast:
        pRule->setMinFilterValue(m_ui->spinBoxFilterValueSnr->value());
        break;
    case Filter::SpeedBetween:
        pRule->setMinFilterValue(m_ui->spinBoxFilterValueSpeedMin->value());
        pRule->setMaxFilterValue(m_ui->spinBoxFilterValueSpeedMax->value());
        break;
    case Filter::Validation:
        pRule->setChoiceFilterValue(m_ui->comboBoxFilterValueValidation->currentIndex());
        break;
    case Filter::SpotKind:
        pRule->setChoiceFilterValue(m_ui->comboBoxFilterValueSpotKind->currentIndex());
        break;
    default:
        break;
    }
    return iKind;
}
