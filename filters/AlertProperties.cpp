#include "AlertProperties.h"
#include "ui_AlertProperties.h"

#include "Filter.h"
#include "RuleKindWidget.h"

#include "Worked/WorkedCountries.h"
#include "ui/About.h"
#include "ui/MessageBoxes.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPixmap>
#include <QUrl>

const AlertProperties::IconRow AlertProperties::kIconRows[25] = {
    {QT_TR_NOOP("DXpedition"), ":/ico/Kelvane Green 256.png"},
    {QT_TR_NOOP("Warning 1 - Black"), ":/ico/exclamation_black.png"},
    {QT_TR_NOOP("Warning 1 - Blue"), ":/ico/exclamation_blue.png"},
    {QT_TR_NOOP("Warning 1 - Dark Blue"), ":/ico/exclamation_blue_dark.png"},
    {QT_TR_NOOP("Warning 1 - Gray"), ":/ico/exclamation_gray.png"},
    {QT_TR_NOOP("Warning 1 - Green"), ":/ico/exclamation_green.png"},
    {QT_TR_NOOP("Warning 1 - Purple"), ":/ico/exclamation_purple.png"},
    {QT_TR_NOOP("Warning 1 - Red"), ":/ico/exclamation_red.png"},
    {QT_TR_NOOP("Warning 1 - Yellow"), ":/ico/exclamation_yellow.png"},
    {QT_TR_NOOP("Warning 2 - Black"), ":/ico/warning_black.png"},
    {QT_TR_NOOP("Warning 2 - Blue"), ":/ico/warning_blue.png"},
    {QT_TR_NOOP("Warning 2 - Dark Blue"), ":/ico/warning_blue_dark.png"},
    {QT_TR_NOOP("Warning 2 - Gray"), ":/ico/warning_gray.png"},
    {QT_TR_NOOP("Warning 2 - Green"), ":/ico/warning_green.png"},
    {QT_TR_NOOP("Warning 2 - Purple"), ":/ico/warning_purple.png"},
    {QT_TR_NOOP("Warning 2 - Red"), ":/ico/warning_red.png"},
    {QT_TR_NOOP("Warning 2 - Yellow"), ":/ico/warning_yellow.png"},
    {QT_TR_NOOP("Star - Black"), ":/ico/star_black.png"},
    {QT_TR_NOOP("Star - Blue"), ":/ico/star_blue.png"},
    {QT_TR_NOOP("Star - Dark Blue"), ":/ico/star_blue_dark.png"},
    {QT_TR_NOOP("Star - Gray"), ":/ico/star_gray.png"},
    {QT_TR_NOOP("Star - Green"), ":/ico/star_green.png"},
    {QT_TR_NOOP("Star - Purple"), ":/ico/star_purple.png"},
    {QT_TR_NOOP("Star - Red"), ":/ico/star_red.png"},
    {QT_TR_NOOP("Star - Yellow"), ":/ico/star_yellow.png"},
};

AlertProperties::AlertProperties(WorkedSets *pWorkedSets, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AlertProperties>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    MessageBoxes::decorateButtonBox(m_ui->buttonBox);
    m_workedCountries = new WorkedCountries(pWorkedSets, this);
    for (const IconRow &row : kIconRows) {
        const QString qsResource = QString::fromLatin1(row.pResource);
        m_ui->comboBoxIcon->addItem(QIcon(qsResource), tr(row.pText), qsResource);
    }

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &AlertProperties::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &AlertProperties::reject);
    connect(m_ui->widgetRuleKind, &RuleKindWidget::manageWorkedCountriesClicked, this,
            &AlertProperties::onManageWorkedCountriesClicked);
    connect(m_ui->widgetRuleKind, &RuleKindWidget::dxWorldLogoClicked, this, &AlertProperties::onDXWorldLogoClicked);
    connect(m_ui->checkBoxAlertTypeChangeColor, &QCheckBox::clicked, this, &AlertProperties::onChangeColorClicked);
    connect(m_ui->checkBoxAlertTypePlaySound, &QCheckBox::clicked, this, &AlertProperties::onPlaySoundClicked);
    connect(m_ui->checkBoxAlertTypeBalloonPopup, &QCheckBox::clicked, this, &AlertProperties::onBalloonPopupClicked);
    connect(m_ui->checkBoxAlertTypeIcon, &QCheckBox::clicked, this, &AlertProperties::onIconClicked);
    connect(m_ui->pushButtonColorPicker, &QPushButton::clicked, this, &AlertProperties::onColorPickerClicked);
    connect(m_ui->pushButtonBrowse, &QPushButton::clicked, this, &AlertProperties::onBrowseClicked);
    setOperation(Add);
}

AlertProperties::~AlertProperties() = default;

void AlertProperties::setOperation(AlertPropertiesOperation operation)
{
    m_operation = operation;
    m_ui->pushButtonColorPicker->setEnabled(false);
    m_ui->pushButtonBrowse->setEnabled(false);
    m_ui->comboBoxIcon->setEnabled(false);
    paintSwatch(Qt::white);
    m_ui->checkBoxAlertTypeChangeColor->setChecked(false);
    m_ui->checkBoxAlertTypePlaySound->setChecked(false);
    m_ui->checkBoxAlertTypeBalloonPopup->setChecked(false);
    m_ui->checkBoxAlertTypeIcon->setChecked(false);
    m_ui->lineEditSoundFilePath->clear();
    m_ui->lineEditSoundFilePath->setEnabled(false);
    m_ui->widgetRuleKind->reset(true);
}

void AlertProperties::loadAlert(const Filter &alert)
{
    m_ui->widgetRuleKind->loadRule(alert);
    const AlertFlags kinds = alert.alertKinds();
    if (kinds.testFlag(AlertFlag::Color)) {
        m_color = alert.alertColor();
        paintSwatch(m_color);
        m_ui->checkBoxAlertTypeChangeColor->setChecked(true);
        m_ui->pushButtonColorPicker->setEnabled(true);
    }
    if (kinds.testFlag(AlertFlag::Sound)) {
        m_ui->checkBoxAlertTypePlaySound->setChecked(true);
        m_ui->lineEditSoundFilePath->setText(alert.soundFile());
        m_ui->lineEditSoundFilePath->setEnabled(true);
        m_ui->pushButtonBrowse->setEnabled(true);
    }
    if (kinds.testFlag(AlertFlag::Balloon))
        m_ui->checkBoxAlertTypeBalloonPopup->setChecked(true);
    if (kinds.testFlag(AlertFlag::Icon)) {
        m_ui->checkBoxAlertTypeIcon->setChecked(true);
        // A stored row outside the chooser (a damaged store) selects nothing.
        m_ui->comboBoxIcon->setCurrentIndex(alert.iconIndex() < m_ui->comboBoxIcon->count() ? alert.iconIndex() : -1);
        m_ui->comboBoxIcon->setEnabled(true);
    }
}

void AlertProperties::addCountry(const QString &qsCountry)
{
    m_ui->widgetRuleKind->addCountry(qsCountry);
}

void AlertProperties::showKind(int iKind)
{
    m_ui->widgetRuleKind->showKind(iKind);
}

void AlertProperties::paintSwatch(const QColor &color)
{
    QPixmap swatch(m_ui->labelColor->size());
    swatch.fill(color);
    m_ui->labelColor->setPixmap(swatch);
}

void AlertProperties::lineEditToUpper(const QString &qsText)
{
    m_ui->widgetRuleKind->lineEditToUpper(qsText);
}

void AlertProperties::onBandClicked()
{
    showKind(Filter::Band);
}
void AlertProperties::onCallsignClicked()
{
    showKind(Filter::Call);
}
void AlertProperties::onCountryClicked()
{
    showKind(Filter::Country);
}
void AlertProperties::onDXpeditionIOTAClicked()
{
    showKind(Filter::DXpeditionIota);
}
void AlertProperties::onWorkedCountriesClicked()
{
    showKind(Filter::WorkedCountries);
}
void AlertProperties::onNewCountriesClicked()
{
    showKind(Filter::NewCountries);
}

void AlertProperties::onChangeColorClicked(bool bChecked)
{
    m_ui->pushButtonColorPicker->setEnabled(bChecked);
}

void AlertProperties::onPlaySoundClicked(bool bChecked)
{
    m_ui->lineEditSoundFilePath->setEnabled(bChecked);
    m_ui->pushButtonBrowse->setEnabled(bChecked);
}

void AlertProperties::onBalloonPopupClicked(bool)
{
}

void AlertProperties::onIconClicked(bool bChecked)
{
    m_ui->comboBoxIcon->setEnabled(bChecked);
}

void AlertProperties::onManageWorkedCountriesClicked()
{
    m_workedCountries->refresh();
    m_workedCountries->open();
}

void AlertProperties::onDXWorldLogoClicked()
{
    QDesktopServices::openUrl(QUrl(About::homePage()));
}

void AlertProperties::onColorPickerClicked()
{
    const QColor color = QColorDialog::getColor(Qt::white, this);
    // A cancelled choice comes back invalid; the colour chosen before stays.
    if (!color.isValid())
        return;
    m_color = color;
    paintSwatch(m_color);
}

void AlertProperties::onBrowseClicked()
{
    const QString qsFile =
        QFileDialog::getOpenFileName(this, tr("Select Sound File"), QString(), tr("Sound files (*.wav)"));
    if (!qsFile.isEmpty())
        m_ui->lineEditSoundFilePath->setText(qsFile);
}

void AlertProperties::accept()
{
    const int iKind = m_ui->widgetRuleKind->selectedKind();
    const bool bColor = m_ui->checkBoxAlertTypeChangeColor->isChecked();
    const bool bSound = m_ui->checkBoxAlertTypePlaySound->isChecked();
    const bool bBalloon = m_ui->checkBoxAlertTypeBalloonPopup->isChecked();
    const bool bIcon = m_ui->checkBoxAlertTypeIcon->isChecked();
    if (!bColor && !bSound && !bBalloon && !bIcon) {
        showError(tr("You must select an alert type."));
        return;
    }
    const QString qsMissing = m_ui->widgetRuleKind->missingValue();
    if (!qsMissing.isEmpty()) {
        showError(qsMissing);
        return;
    }
    // An icon alert without a row would put no icon in the row.
    if (bIcon && m_ui->comboBoxIcon->currentIndex() < 0) {
        showError(tr("You must select an icon."));
        return;
    }

    auto *pAlert = new Filter(Filter::Accept);
    m_ui->widgetRuleKind->applyTo(pAlert);
    pAlert->setFilterType(iKind | Filter::Accept);
    AlertFlags kinds;
    if (bColor) {
        kinds |= AlertFlag::Color;
        pAlert->setAlertColor(m_color);
    }
    if (bSound) {
        kinds |= AlertFlag::Sound;
        pAlert->setSoundFile(m_ui->lineEditSoundFilePath->text());
    }
    if (bBalloon)
        kinds |= AlertFlag::Balloon;
    if (bIcon) {
        kinds |= AlertFlag::Icon;
        pAlert->setIconFile(m_ui->comboBoxIcon->currentData().toString());
        pAlert->setIconIndex(m_ui->comboBoxIcon->currentIndex());
    }
    pAlert->addAlertKinds(kinds);
    Q_EMIT alertAccepted(m_operation, pAlert);
    m_color = Qt::white;
    paintSwatch(m_color);
    QDialog::accept();
}

void AlertProperties::reject()
{
    m_color = Qt::white;
    paintSwatch(m_color);
    QDialog::reject();
}

void AlertProperties::showError(const QString &qsInformativeText)
{
    MessageBoxes::error(this, m_operation == Add ? tr("Error adding alert.") : tr("Error editing alert."),
                        qsInformativeText);
}
