#ifndef RULEKINDWIDGET_H
#define RULEKINDWIDGET_H

#include <QWidget>

#include <QList>

#include <memory>
#include <utility>

QT_BEGIN_NAMESPACE
class QListWidgetItem;
class QRadioButton;
namespace Ui {
class RuleKindWidget;
}
QT_END_NAMESPACE

class Filter;

// The part the filter and the alert dialog share: the kind of a rule (band,
// callsign, country, DXpeditions, worked or new countries, what skimmers
// tell of a spot) and its value.
// Only the value widgets of the chosen kind show, and the dialog around
// them shrinks to fit.
class RuleKindWidget : public QWidget
{
    Q_OBJECT

public:
    explicit RuleKindWidget(QWidget *parent = nullptr);
    ~RuleKindWidget() override;

    // Band kind, no callsign, no country; the band stays unless bClearBand.
    void reset(bool bClearBand);
    void addCountry(const QString &qsCountry);
    // Selects and shows the kind of a rule with its value.
    void loadRule(const Filter &rule);
    // The kind bit of the checked radio button, 0 when none is checked.
    int selectedKind() const;
    // The complaint about a kind whose value was left unchosen; empty when
    // the rule is complete.
    QString missingValue() const;
    // Sets the kind's value into a new rule and returns the kind bit.
    int applyTo(Filter *pRule) const;

public Q_SLOTS:
    void showKind(int iKind);
    void lineEditToUpper(const QString &qsText);

Q_SIGNALS:
    void manageWorkedCountriesClicked();
    void dxWorldLogoClicked();

private:
    // Every kind's radio button with its kind bit.
    QList<std::pair<QRadioButton *, int>> kindButtons() const;
    QListWidgetItem *addMode(const QString &qsMode);
    QStringList checkedModes() const;
    void setCheckedModes(const QStringList &qslModes);

    std::unique_ptr<Ui::RuleKindWidget> m_ui;
};

#endif // RULEKINDWIDGET_H
