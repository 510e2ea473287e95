#ifndef RULETABLEMODEL_H
#define RULETABLEMODEL_H

#include <QAbstractTableModel>

class Filter;
class FilterChains;

// One chain of a FilterChains as a table: type and value, and for alerts
// colour, sound, icon and popup. The chain is read, never changed, here.
class RuleTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Chain { Filters, Alerts };

    explicit RuleTableModel(Chain chain, QObject *parent = nullptr);

    // The chains may be replaced (a new connection) or edited: reread them.
    void setChains(const FilterChains *pChains);
    void refresh();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int iRole = Qt::DisplayRole) const override;
    QVariant headerData(int iSection, Qt::Orientation orientation, int iRole = Qt::DisplayRole) const override;

    static QString bandText(int iBands);

private:
    enum Column { Type, Value, Color, Sound, Icon, Popup };

    const Filter *ruleAt(int iRow) const;
    QString typeText(const Filter &rule) const;
    QString valueText(const Filter &rule) const;

    Chain m_chain;
    const FilterChains *m_chains = nullptr;
};

#endif // RULETABLEMODEL_H
