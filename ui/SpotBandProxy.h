#ifndef SPOTBANDPROXY_H
#define SPOTBANDPROXY_H

#include <QSortFilterProxyModel>

class SpotModel;

// What the spot table shows of the spot model: the rows on the selected
// bands that match the operator's search (a text to find, needed rows
// only). Changing either hides and shows rows already there.
class SpotBandProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit SpotBandProxy(SpotModel *pModel, QObject *parent = nullptr);

    // A band filter value: every band, none, or the bits of some bands.
    void setBands(int iBands);
    int bands() const { return m_bands; }
    // Rows whose call, country, spotter or comment holds the text, in any
    // case; an empty text finds every row.
    void setFindText(const QString &qsText);
    QString findText() const { return m_findText; }
    // Only rows whose Need marks something the log lacks.
    void setNeededOnly(bool bNeededOnly);
    bool neededOnly() const { return m_neededOnly; }
    // Rows the skimmers show to be mis-decodes, also those found so after
    // they were shown.
    void setHideBusted(bool bHide);
    bool hidesBusted() const { return m_hideBusted; }
    // Whether a row of the spot model passes the search, on any band.
    bool matchesSearch(int iModelRow) const;

Q_SIGNALS:
    void searchChanged();

protected:
    bool filterAcceptsRow(int iSourceRow, const QModelIndex &sourceParent) const override;

private:
    SpotModel *m_model = nullptr;
    int m_bands;
    QString m_findText;
    bool m_neededOnly = false;
    bool m_hideBusted = true;
};

#endif // SPOTBANDPROXY_H
