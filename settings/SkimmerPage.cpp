#include "SkimmerPage.h"
#include "ui_SkimmerPage.h"

SkimmerPage::SkimmerPage(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::SkimmerPage>())
{
    m_ui->setupUi(this);
    // "1 skimmer", "2 skimmers": the unit follows the number.
    const auto counted = [](QSpinBox *pSpinBox, int iMaximum, const QString &qsOne, const QString &qsMany) {
        pSpinBox->setMaximum(iMaximum);
        const auto unit = [pSpinBox, qsOne, qsMany](int iValue) {
            pSpinBox->setSuffix(iValue == 1 ? qsOne : qsMany);
        };
        connect(pSpinBox, &QSpinBox::valueChanged, pSpinBox, unit);
        unit(pSpinBox->value());
    };
    for (QSpinBox *pSpinBox :
         {m_ui->spinBoxValidSkimmers, m_ui->spinBoxBustedSkimmers, m_ui->spinBoxBustedNeighbourSkimmers})
        counted(pSpinBox, SkimmerSettings::kMaxSkimmers, tr(" skimmer"), tr(" skimmers"));
    for (QSpinBox *pSpinBox : {m_ui->spinBoxValidWindow, m_ui->spinBoxBustedWindow})
        counted(pSpinBox, SkimmerSettings::kMaxWindowMinutes, tr(" minute"), tr(" minutes"));
    for (QDoubleSpinBox *pSpinBox : {m_ui->doubleSpinBoxValidSpread, m_ui->doubleSpinBoxBustedSpread})
        pSpinBox->setMaximum(SkimmerSettings::kMaxSpreadKHz);
    connect(m_ui->pushButtonSkimmerDefaults, &QPushButton::clicked, this, [this] { setSkimmers(SkimmerSettings()); });
}

SkimmerPage::~SkimmerPage() = default;

void SkimmerPage::setSkimmers(const SkimmerSettings &skimmers)
{
    const SkimmerValidator::Thresholds &thresholds = skimmers.thresholds;
    m_ui->checkBoxHideBusted->setChecked(skimmers.hideBusted);
    m_ui->spinBoxValidSkimmers->setValue(thresholds.validSkimmers);
    m_ui->doubleSpinBoxValidSpread->setValue(thresholds.validSpreadKHz);
    m_ui->spinBoxValidWindow->setValue(thresholds.validWindowSecs / 60);
    m_ui->spinBoxBustedSkimmers->setValue(thresholds.bustedSkimmers);
    m_ui->spinBoxBustedNeighbourSkimmers->setValue(thresholds.bustedNeighbourSkimmers);
    m_ui->doubleSpinBoxBustedSpread->setValue(thresholds.bustedSpreadKHz);
    m_ui->spinBoxBustedWindow->setValue(thresholds.bustedWindowSecs / 60);
}

SkimmerSettings SkimmerPage::skimmers() const
{
    SkimmerSettings skimmers;
    SkimmerValidator::Thresholds &thresholds = skimmers.thresholds;
    skimmers.hideBusted = m_ui->checkBoxHideBusted->isChecked();
    thresholds.validSkimmers = m_ui->spinBoxValidSkimmers->value();
    thresholds.validSpreadKHz = m_ui->doubleSpinBoxValidSpread->value();
    thresholds.validWindowSecs = m_ui->spinBoxValidWindow->value() * 60;
    thresholds.bustedSkimmers = m_ui->spinBoxBustedSkimmers->value();
    thresholds.bustedNeighbourSkimmers = m_ui->spinBoxBustedNeighbourSkimmers->value();
    thresholds.bustedSpreadKHz = m_ui->doubleSpinBoxBustedSpread->value();
    thresholds.bustedWindowSecs = m_ui->spinBoxBustedWindow->value() * 60;
    return skimmers;
}
