#ifndef SPOTSORTPROXY_H
#define SPOTSORTPROXY_H

#include <QSortFilterProxyModel>

class SpotBandProxy;
class SpotModel;

// The order the table shows the band view's rows in: the model's own,
// newest first, until the operator sorts by a column. Columns holding
// numbers sort as numbers, the time columns by how recently the station was
// spotted, and the Need column from the most wanted down.
class SpotSortProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    SpotSortProxy(SpotModel *pModel, SpotBandProxy *pBandProxy, QObject *parent = nullptr);

    bool isSorted() const { return sortColumn() >= 0; }
    // The spot model's row behind a row of this proxy; -1 for none.
    int modelRow(const QModelIndex &index) const;

protected:
    bool lessThan(const QModelIndex &sourceLeft, const QModelIndex &sourceRight) const override;

private:
    SpotModel *m_model = nullptr;
    SpotBandProxy *m_bandProxy = nullptr;
};

#endif // SPOTSORTPROXY_H
