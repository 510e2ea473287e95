#include "ui/SpotBandProxy.h"

#include "filters/Filter.h"
#include "ui/SpotModel.h"

SpotBandProxy::SpotBandProxy(SpotModel *pModel, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_model(pModel)
    , m_bands(Filter::AllBands)
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

bool SpotBandProxy::filterAcceptsRow(int iSourceRow, const QModelIndex &sourceParent) const
{
    Q_UNUSED(sourceParent)
    if (m_bands == Filter::AllBands)
        return true;
    return (m_model->bandBitAt(iSourceRow) & quint32(m_bands)) != 0;
}
