#ifndef FILTERPROPERTIES_H
#define FILTERPROPERTIES_H

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class FilterProperties;
}
QT_END_NAMESPACE

class Filter;
class WorkedCountries;
class WorkedSets;

// Creates or edits one rule of the filter chain. The settings dialog keeps
// one and calls setOperation() before every opening.
class FilterProperties : public QDialog
{
    Q_OBJECT

public:
    enum FilterPropertiesOperation { Add = 0, Edit = 1 };
    Q_ENUM(FilterPropertiesOperation)

    explicit FilterProperties(WorkedSets *pWorkedSets, QWidget *parent = nullptr);
    ~FilterProperties() override;

    void setOperation(FilterPropertiesOperation operation);
    FilterPropertiesOperation operation() const { return m_operation; }
    void loadFilter(const Filter &filter);
    void addCountry(const QString &qsCountry);

Q_SIGNALS:
    // The receiver owns the new rule.
    void filterAccepted(FilterProperties::FilterPropertiesOperation operation, Filter *pFilter);

public Q_SLOTS:
    void lineEditToUpper(const QString &qsText);
    void onBandClicked();
    void onCallsignClicked();
    void onCountryClicked();
    void onDXpeditionIOTAClicked();
    void onWorkedCountriesClicked();
    void onNewCountriesClicked();
    void onManageWorkedCountriesClicked();
    void onDXWorldLogoClicked();
    void accept() override;
    void reject() override;

private:
    void showKind(int iKind);
    void showError(const QString &qsInformativeText);

    std::unique_ptr<Ui::FilterProperties> m_ui;
    FilterPropertiesOperation m_operation = Add;
    WorkedCountries *m_workedCountries = nullptr;
};

#endif // FILTERPROPERTIES_H
