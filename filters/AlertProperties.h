#ifndef ALERTPROPERTIES_H
#define ALERTPROPERTIES_H

#include <QColor>
#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class AlertProperties;
}
QT_END_NAMESPACE

class Filter;
class WorkedCountries;
class WorkedSets;

// Creates or edits one rule of the alert chain: what it matches and what it
// does (colour, sound, balloon, icon). Alerts always accept.
class AlertProperties : public QDialog
{
    Q_OBJECT

public:
    enum AlertPropertiesOperation { Add = 0, Edit = 1 };
    Q_ENUM(AlertPropertiesOperation)

    struct IconRow
    {
        const char *pText;
        const char *pResource;
    };
    static const IconRow kIconRows[25];

    explicit AlertProperties(WorkedSets *pWorkedSets, QWidget *parent = nullptr);
    ~AlertProperties() override;

    void setOperation(AlertPropertiesOperation operation);
    AlertPropertiesOperation operation() const { return m_operation; }
    void loadAlert(const Filter &alert);
    void addCountry(const QString &qsCountry);
    const QColor &color() const { return m_color; }

Q_SIGNALS:
    // The receiver owns the new rule.
    void alertAccepted(AlertProperties::AlertPropertiesOperation operation, Filter *pAlert);

public Q_SLOTS:
    void lineEditToUpper(const QString &qsText);
    void onBandClicked();
    void onCallsignClicked();
    void onCountryClicked();
    void onDXpeditionIOTAClicked();
    void onWorkedCountriesClicked();
    void onNewCountriesClicked();
    void onChangeColorClicked(bool bChecked);
    void onPlaySoundClicked(bool bChecked);
    void onBalloonPopupClicked(bool bChecked);
    void onIconClicked(bool bChecked);
    void onManageWorkedCountriesClicked();
    void onDXWorldLogoClicked();
    void onColorPickerClicked();
    void onBrowseClicked();
    void accept() override;
    void reject() override;

private:
    void showKind(int iKind);
    void showError(const QString &qsInformativeText);
    void paintSwatch(const QColor &color);

    std::unique_ptr<Ui::AlertProperties> m_ui;
    AlertPropertiesOperation m_operation = Add;
    WorkedCountries *m_workedCountries = nullptr;
    QColor m_color = Qt::white;
};

#endif // ALERTPROPERTIES_H
