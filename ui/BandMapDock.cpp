#include "ui/BandMapDock.h"

#include "radio/BandPlan.h"
#include "rig/RigControl.h"
#include "ui/BandMapWidget.h"

#include <QComboBox>
#include <QVBoxLayout>

BandMapDock::BandMapDock(SpotModel *pModel, RigControl *pRigControl, QWidget *parent)
    : QDockWidget(tr("Band map"), parent), m_pRigControl(pRigControl)
{
    // The window's saved layout finds the dock by this name.
    setObjectName(QStringLiteral("dockWidgetBandMap"));
    auto *pContents = new QWidget(this);
    auto *pLayout = new QVBoxLayout(pContents);
    pLayout->setContentsMargins(2, 2, 2, 2);
    m_bandCombo = new QComboBox(pContents);
    m_bandCombo->setObjectName(QStringLiteral("comboBoxBandMapBand"));
    // The map shows a band by its filter bit; bands without one are for the
    // log only.
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (BandPlan::at(i).bit != 0)
            m_bandCombo->addItem(BandPlan::labelText(BandPlan::at(i)), BandPlan::at(i).bit);
    }
    m_bandMap = new BandMapWidget(pModel, pContents);
    pLayout->addWidget(m_bandCombo);
    pLayout->addWidget(m_bandMap, 1);
    setWidget(pContents);
    m_bandCombo->setCurrentIndex(m_bandCombo->findData(m_bandMap->band().bit));
    connect(m_bandCombo, &QComboBox::currentIndexChanged, this, &BandMapDock::onBandChosen);

    m_pollTimer.setInterval(kPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &BandMapDock::onPollTimer);
    connect(pRigControl, &RigControl::frequencyPolled, this, &BandMapDock::onFrequencyPolled);
    connect(this, &QDockWidget::visibilityChanged, this, &BandMapDock::updatePolling);
}

void BandMapDock::setRig(bool bEnabled, const QString &qsAddress, quint16 uiPort)
{
    m_bRigEnabled = bEnabled;
    m_qsRigAddress = qsAddress;
    m_uiRigPort = uiPort;
    m_uiRigBandBit = 0;
    updatePolling();
}

void BandMapDock::showBand(quint32 uiBandBit)
{
    const int iIndex = m_bandCombo->findData(uiBandBit);
    if (iIndex >= 0)
        m_bandCombo->setCurrentIndex(iIndex);
}

void BandMapDock::onBandChosen(int iIndex)
{
    if (const BandPlan::Band *pBand = BandPlan::findBit(m_bandCombo->itemData(iIndex).toUInt()))
        m_bandMap->setBand(*pBand);
}

void BandMapDock::updatePolling()
{
    // A hidden map needs no marker: the rig is left alone.
    if (m_bRigEnabled && isVisible()) {
        if (!m_pollTimer.isActive()) {
            m_pollTimer.start();
            onPollTimer();
        }
        return;
    }
    m_pollTimer.stop();
    m_bandMap->setRigFrequency(std::nullopt);
}

void BandMapDock::onPollTimer()
{
    // Refused while the last poll or a tune is still out: a slow rig never
    // has a queue of questions waiting.
    if (m_pRigControl)
        m_pRigControl->pollFrequency(m_qsRigAddress, m_uiRigPort);
}

void BandMapDock::onFrequencyPolled(const QString &qsHertz)
{
    if (!m_pollTimer.isActive())
        return;
    bool bOk = false;
    const qint64 iHertz = qsHertz.toLongLong(&bOk);
    if (!bOk || iHertz <= 0) {
        m_bandMap->setRigFrequency(std::nullopt);
        return;
    }
    const double dKHz = double(iHertz) / 1000.0;
    m_bandMap->setRigFrequency(dKHz);
    const BandPlan::Band *pBand = BandPlan::bandFor(dKHz);
    if (pBand && pBand->bit != m_uiRigBandBit) {
        m_uiRigBandBit = pBand->bit;
        showBand(pBand->bit);
    }
}
