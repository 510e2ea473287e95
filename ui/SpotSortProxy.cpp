#include "ui/SpotSortProxy.h"

#include "log/LogStore.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"

namespace {
// Higher is more wanted; a confirmed country wants nothing, as no mark does.
int needRank(Need need)
{
    switch (need) {
    case Need::NewCountry:
        return 4;
    case Need::NewBand:
        return 3;
    case Need::NewMode:
        return 2;
    case Need::Unconfirmed:
        return 1;
    case Need::Confirmed:
    case Need::None:
        break;
    }
    return 0;
}

double numberOf(const QString &qsText)
{
    bool bOk = false;
    const double dValue = qsText.toDouble(&bOk);
    return bOk ? dValue : -1.0;
}
} // namespace

SpotSortProxy::SpotSortProxy(SpotModel *pModel, SpotBandProxy *pBandProxy, QObject *parent)
    : QSortFilterProxyModel(parent), m_model(pModel), m_bandProxy(pBandProxy)
{
    setSourceModel(pBandProxy);
    // Unsorted is the model's order: newest first.
    sort(-1);
}

int SpotSortProxy::modelRow(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    const QModelIndex bandIndex = index.model() == this ? mapToSource(index) : index;
    const QModelIndex source = m_bandProxy->mapToSource(bandIndex);
    return source.isValid() ? source.row() : -1;
}

bool SpotSortProxy::lessThan(const QModelIndex &sourceLeft, const QModelIndex &sourceRight) const
{
    const int iLeft = modelRow(sourceLeft);
    const int iRight = modelRow(sourceRight);
    if (iLeft < 0 || iRight < 0)
        return iLeft < iRight;
    // Row 0 of the model is its newest: a larger row is older, hence less.
    const bool bOlder = iLeft > iRight;
    const auto column = SpotModel::Column(sourceLeft.column());
    switch (column) {
    case SpotModel::Date:
    case SpotModel::Utc:
        return bOlder;
    case SpotModel::Frequency:
    case SpotModel::CqZone: {
        const double dLeft = numberOf(m_model->text(iLeft, column));
        const double dRight = numberOf(m_model->text(iRight, column));
        return dLeft != dRight ? dLeft < dRight : bOlder;
    }
    case SpotModel::Count: {
        const int iLeftCount = m_model->countAt(iLeft);
        const int iRightCount = m_model->countAt(iRight);
        return iLeftCount != iRightCount ? iLeftCount < iRightCount : bOlder;
    }
    case SpotModel::Need: {
        const int iLeftRank = needRank(m_model->needAt(iLeft));
        const int iRightRank = needRank(m_model->needAt(iRight));
        return iLeftRank != iRightRank ? iLeftRank < iRightRank : bOlder;
    }
    case SpotModel::Snr:
    case SpotModel::Speed:
    case SpotModel::Skimmers:
    case SpotModel::Validation: {
        const int iLeftNumber = m_model->sortNumberAt(iLeft, column);
        const int iRightNumber = m_model->sortNumberAt(iRight, column);
        return iLeftNumber != iRightNumber ? iLeftNumber < iRightNumber : bOlder;
    }
    case SpotModel::Icon: {
        const int iOrder = QString::compare(m_model->spotAt(iLeft).iconFile(), m_model->spotAt(iRight).iconFile());
        return iOrder != 0 ? iOrder < 0 : bOlder;
    }
    default: {
        const int iOrder =
            QString::compare(m_model->text(iLeft, column), m_model->text(iRight, column), Qt::CaseInsensitive);
        return iOrder != 0 ? iOrder < 0 : bOlder;
    }
    }
}
