#ifndef SPOTBANDPROXY_H
#define SPOTBANDPROXY_H

#include <QSortFilterProxyModel>

class SpotModel;

// What the spot table shows of the spot model: the rows on the selected
// bands. Changing the bands hides and shows rows already there.
class SpotBandProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit SpotBandProxy(SpotModel *pModel, QObject *parent = nullptr);

    // A band filter value: every band, none, or the bits of some bands.
    void setBands(int iBands);
    int bands() const { return m_bands; }

protected:
    bool filterAcceptsRow(int iSourceRow, const QModelIndex &sourceParent) const override;

private:
    SpotModel *m_model = nullptr;
    int m_bands;
};

#endif // SPOTBANDPROXY_H
