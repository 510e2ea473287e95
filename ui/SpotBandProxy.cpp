#include "ui/SpotBandProxy.h"

#include "filters/Filter.h"
#include "log/LogStore.h"
#include "ui/SpotModel.h"

SpotBandProxy::SpotBandProxy(SpotModel *pModel, QObject *parent)
    : QSortFilterProxyModel(parent), m_model(pModel), m_bands(Filter::AllBands)
{
    setSourceModel(pModel);
}

void SpotBandProxy::setBands(int iBands)
{
    if (iBands == m_bands)
        return;
    m_bands = iBands;
    invalidateRowsFilter();
}

void SpotBandProxy::setFindText(const QString &qsText)
{
    const QString qsFind = qsText.trimmed();
    if (qsFind == m_findText)
        return;
    m_findText = qsFind;
    invalidateRowsFilter();
    Q_EMIT searchChanged();
}

void SpotBandProxy::setNeededOnly(bool bNeededOnly)
{
    if (bNeededOnly == m_neededOnly)
        return;
    m_neededOnly = bNeededOnly;
    invalidateRowsFilter();
    Q_EMIT searchChanged();
}

bool SpotBandProxy::matchesSearch(int iModelRow) const
{
    if (m_neededOnly) {
        const Need need = m_model->needAt(iModelRow);
        if (need == Need::None || need == Need::Confirmed)
            return false;
    }
    if (m_findText.isEmpty())
        return true;
    const Spot &spot = m_model->spotAt(iModelRow);
    for (const QString *pText : {&spot.dxCall(), &spot.country(), &spot.spotter(), &spot.comment()}) {
        if (pText->contains(m_findText, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void SpotBandProxy::setHideBusted(bool bHide)
{
    if (bHide == m_hideBusted)
        return;
    m_hideBusted = bHide;
    invalidateRowsFilter();
}

bool SpotBandProxy::filterAcceptsRow(int iSourceRow, const QModelIndex &sourceParent) const
{
    Q_UNUSED(sourceParent)
    if (m_bands != Filter::AllBands && (m_model->bandBitAt(iSourceRow) & quint32(m_bands)) == 0)
        return false;
    if (m_hideBusted && m_model->spotAt(iSourceRow).validation() == Spot::Validation::Busted)
        return false;
    return matchesSearch(iSourceRow);
}
