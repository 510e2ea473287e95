#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "Worked/WorkedCountries.h"
#include "cluster/Cluster.h"
#include "cluster/Spot.h"
#include "filters/AlertProperties.h"
#include "filters/Filter.h"
#include "filters/FilterProperties.h"
#include "settings/Settings.h"
#include "ui/Tips.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

#include <memory>

using TestSupport::child;
using TestSupport::store;

namespace {

// Programmatic clicks: QTest's synthetic mouse clicks on two buttons in
// quick succession arrive as a double click on the second.
void click(QAbstractButton *pButton)
{
    pButton->click();
}

// Takes the rule a dialog hands over on OK.
template <typename Dialog, typename Signal> std::unique_ptr<Filter> takeRule(Dialog *pDialog, Signal signal)
{
    std::unique_ptr<Filter> rule;
    QObject context;
    QObject::connect(pDialog, signal, &context, [&rule](auto, Filter *pRule) { rule.reset(pRule); });
    pDialog->accept();
    return rule;
}

Spot spotFrom(const QString &qsCountry)
{
    Spot spot;
    spot.setDxCall(QStringLiteral("Q9XX"));
    spot.setFrequency(QStringLiteral("14025.0"));
    spot.setCountry(qsCountry);
    return spot;
}

} // namespace

// The filter, alert and worked-countries dialogs, alone and behind the
// settings dialog.
class TestRuleDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void filterValidationAndConstruction();
    void alertValidationAndConstruction();
    void cancelledColourKeepsTheChosenOne();
    void skimmerKindsInTheDialogs();
    void rulesThroughSettingsRoundTrip();
    void workedCountriesMovesOkAndCancel();
    void seenTipsBits();

private:
    WorkedSets m_workedSets;
};

void TestRuleDialogs::initTestCase()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
}

void TestRuleDialogs::init()
{
    TestSupport::clearStore();
}

void TestRuleDialogs::filterValidationAndConstruction()
{
    MessageBoxCatcher boxes;
    FilterProperties dialog(&m_workedSets);
    for (const char *pCountry : {"Italy", "Japan"})
        dialog.addCountry(QLatin1String(pCountry));
    dialog.setOperation(FilterProperties::Add);
    dialog.show();
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    click(child<QRadioButton>(&dialog, "radioButtonFilterActionDrop"));
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeCallsign"));
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeCountry"));
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    QCOMPARE(boxes.takeAll(),
             QStringList({QStringLiteral("Error adding filter.|You must select an action."),
                          QStringLiteral("Error adding filter.|The Callsign field cannot be empty."),
                          QStringLiteral("Error adding filter.|You must select a country.")}));

    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeCallsign"));
    QVERIFY(!child<QComboBox>(&dialog, "comboBoxFilterValueCountry")->isVisible());
    QTest::keyClicks(child<QLineEdit>(&dialog, "lineEditFilterValueCallsign"), QStringLiteral("dl1abc"));
    std::unique_ptr<Filter> rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QVERIFY(rule);
    QCOMPARE(rule->filterType(), Filter::Call | Filter::Drop);
    QCOMPARE(rule->callFilterValue(), QStringLiteral("DL1ABC"));

    // Editing a band rule; the next add keeps the band chooser's row.
    Filter band(Filter::Accept | Filter::Band);
    band.addBand(Filter::Band20m);
    dialog.setOperation(FilterProperties::Edit);
    dialog.loadFilter(band);
    QVERIFY(child<QRadioButton>(&dialog, "radioButtonFilterActionAccept")->isChecked());
    dialog.setOperation(FilterProperties::Add);
    click(child<QRadioButton>(&dialog, "radioButtonFilterActionAccept"));
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QCOMPARE(rule->filterType(), Filter::Band | Filter::Accept);
    QCOMPARE(rule->bandFilterValue(), int(Filter::Band20m));

    // A country that has left the chooser is not silently replaced.
    Filter country(Filter::Drop | Filter::Country);
    country.setCountryFilterValue(QStringLiteral("italy"));
    dialog.setOperation(FilterProperties::Edit);
    dialog.loadFilter(country);
    QCOMPARE(child<QComboBox>(&dialog, "comboBoxFilterValueCountry")->currentIndex(), -1);
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    QCOMPARE(boxes.takeAll(), QStringList {QStringLiteral("Error editing filter.|You must select a country.")});

    // Continent kinds: the value is required, and an edited rule shows its own.
    dialog.setOperation(FilterProperties::Add);
    dialog.show();
    click(child<QRadioButton>(&dialog, "radioButtonFilterActionDrop"));
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeSpotterContinent"));
    auto *pContinent = child<QComboBox>(&dialog, "comboBoxFilterValueContinent");
    QVERIFY(pContinent->isVisible());
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    QCOMPARE(boxes.takeAll(), QStringList {QStringLiteral("Error adding filter.|You must select a continent.")});
    pContinent->setCurrentIndex(pContinent->findText(QStringLiteral("OC")));
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QVERIFY(rule);
    QCOMPARE(rule->filterType(), Filter::SpotterContinent | Filter::Drop);
    QCOMPARE(rule->continentFilterValue(), QStringLiteral("OC"));
    Filter dxContinent(Filter::Accept | Filter::DxContinent);
    dxContinent.setContinentFilterValue(QStringLiteral("AN"));
    dialog.setOperation(FilterProperties::Edit);
    dialog.loadFilter(dxContinent);
    QVERIFY(child<QRadioButton>(&dialog, "radioButtonFilterTypeDxContinent")->isChecked());
    QCOMPARE(pContinent->currentText(), QStringLiteral("AN"));

    // A needed kind needs no value and comes back as it was stored.
    dialog.loadFilter(Filter(Filter::Drop | Filter::NeededNewMode));
    QVERIFY(child<QRadioButton>(&dialog, "radioButtonFilterTypeNeededNewMode")->isChecked());
    dialog.setOperation(FilterProperties::Add);
    click(child<QRadioButton>(&dialog, "radioButtonFilterActionAccept"));
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeNeededUnconfirmed"));
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QVERIFY(rule);
    QCOMPARE(rule->filterType(), Filter::NeededUnconfirmed | Filter::Accept);
    // So does a call not worked on the spot's band.
    dialog.setOperation(FilterProperties::Edit);
    dialog.loadFilter(Filter(Filter::Drop | Filter::NotWorkedOnBand));
    QVERIFY(child<QRadioButton>(&dialog, "radioButtonFilterTypeNotWorkedOnBand")->isChecked());
    dialog.setOperation(FilterProperties::Add);
    click(child<QRadioButton>(&dialog, "radioButtonFilterActionAccept"));
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeNotWorkedOnBand"));
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QVERIFY(rule);
    QCOMPARE(rule->filterType(), Filter::NotWorkedOnBand | Filter::Accept);
}

void TestRuleDialogs::alertValidationAndConstruction()
{
    MessageBoxCatcher boxes;
    AlertProperties dialog(&m_workedSets);
    dialog.addCountry(QStringLiteral("Japan"));
    dialog.setOperation(AlertProperties::Add);
    dialog.show();
    QVERIFY(!takeRule(&dialog, &AlertProperties::alertAccepted));
    click(child<QCheckBox>(&dialog, "checkBoxAlertTypePlaySound"));
    QVERIFY(child<QPushButton>(&dialog, "pushButtonBrowse")->isEnabled());
    QVERIFY(!takeRule(&dialog, &AlertProperties::alertAccepted));
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeCallsign"));
    QVERIFY(!takeRule(&dialog, &AlertProperties::alertAccepted));
    QCOMPARE(boxes.takeAll(),
             QStringList({QStringLiteral("Error adding alert.|You must select an alert type."),
                          QStringLiteral("Error adding alert.|You must select a band."),
                          QStringLiteral("Error adding alert.|The Callsign field cannot be empty.")}));

    // Colour without the picker is white; kinds and type bits as stored.
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeNewCountries"));
    click(child<QCheckBox>(&dialog, "checkBoxAlertTypeChangeColor"));
    click(child<QCheckBox>(&dialog, "checkBoxAlertTypeBalloonPopup"));
    child<QLineEdit>(&dialog, "lineEditSoundFilePath")->setText(QStringLiteral("/tmp/a.wav"));
    std::unique_ptr<Filter> rule = takeRule(&dialog, &AlertProperties::alertAccepted);
    QCOMPARE(rule->filterType(), 66);
    QCOMPARE(rule->alertKinds(), AlertFlag::Color | AlertFlag::Sound | AlertFlag::Balloon);
    QCOMPARE(rule->alertColor(), QColor(Qt::white));

    Filter alert(Filter::Accept | Filter::Country, AlertFlag::Icon);
    alert.setCountryFilterValue(QStringLiteral("Japan"));
    alert.setIconIndex(7);
    alert.setIconFile(QStringLiteral(":/ico/exclamation_red.png"));
    dialog.setOperation(AlertProperties::Edit);
    dialog.loadAlert(alert);
    QCOMPARE(child<QComboBox>(&dialog, "comboBoxIcon")->currentText(), QStringLiteral("Warning 1 - Red"));
    rule = takeRule(&dialog, &AlertProperties::alertAccepted);
    QCOMPARE(rule->filterType(), 18);
    QCOMPARE(rule->countryFilterValue(), QStringLiteral("Japan"));
    QCOMPARE(rule->iconFile(), QStringLiteral(":/ico/exclamation_red.png"));
    QCOMPARE(rule->alertKinds(), AlertFlags(AlertFlag::Icon));
}

void TestRuleDialogs::skimmerKindsInTheDialogs()
{
    MessageBoxCatcher boxes;
    FilterProperties dialog(&m_workedSets);
    dialog.setOperation(FilterProperties::Add);
    dialog.show();
    click(child<QRadioButton>(&dialog, "radioButtonFilterActionAccept"));

    // A mode set needs a mode; only the chosen kind's value shows.
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeMode"));
    auto *pModes = child<QListWidget>(&dialog, "listWidgetFilterValueModes");
    QVERIFY(pModes->isVisible());
    QVERIFY(!child<QSpinBox>(&dialog, "spinBoxFilterValueSnr")->isVisible());
    const int iWithModes = dialog.height();
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    for (const char *pMode : {"FT8", "CW"})
        pModes->findItems(QLatin1String(pMode), Qt::MatchExactly).first()->setCheckState(Qt::Checked);
    std::unique_ptr<Filter> rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QVERIFY(rule);
    QCOMPARE(rule->filterType(), Filter::Mode | Filter::Accept);
    QCOMPARE(rule->modeFilterValue(), (QStringList {"CW", "FT8"}));

    // A range upside down is refused, not swapped behind the operator's back.
    click(child<QRadioButton>(&dialog, "radioButtonFilterTypeSpeedBetween"));
    // The dialog gives back the room the mode list took.
    QVERIFY(dialog.height() < iWithModes);
    child<QSpinBox>(&dialog, "spinBoxFilterValueSpeedMin")->setValue(35);
    child<QSpinBox>(&dialog, "spinBoxFilterValueSpeedMax")->setValue(25);
    QVERIFY(!takeRule(&dialog, &FilterProperties::filterAccepted));
    child<QSpinBox>(&dialog, "spinBoxFilterValueSpeedMin")->setValue(18);
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QCOMPARE(rule->filterType(), Filter::SpeedBetween | Filter::Accept);
    QCOMPARE(rule->minFilterValue(), 18);
    QCOMPARE(rule->maxFilterValue(), 25);
    QCOMPARE(boxes.takeAll(),
             QStringList({QStringLiteral("Error adding filter.|You must select at least one mode."),
                          QStringLiteral("Error adding filter.|The lower speed cannot be above the upper speed.")}));

    // Editing shows each rule's own value; a mode the list lacks is kept.
    Filter spottedBy(Filter::Drop | Filter::SpottedBy);
    spottedBy.setChoiceFilterValue(Filter::SpottedByHuman);
    dialog.setOperation(FilterProperties::Edit);
    dialog.loadFilter(spottedBy);
    QVERIFY(child<QRadioButton>(&dialog, "radioButtonFilterTypeSpottedBy")->isChecked());
    QCOMPARE(child<QComboBox>(&dialog, "comboBoxFilterValueSpottedBy")->currentIndex(), int(Filter::SpottedByHuman));
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QCOMPARE(rule->filterType(), Filter::SpottedBy | Filter::Drop);
    QCOMPARE(rule->choiceFilterValue(), int(Filter::SpottedByHuman));
    Filter oddMode(Filter::Accept | Filter::Mode);
    oddMode.setModeFilterValue({QStringLiteral("ROS"), QStringLiteral("RTTY")});
    dialog.loadFilter(oddMode);
    rule = takeRule(&dialog, &FilterProperties::filterAccepted);
    QCOMPARE(rule->modeFilterValue(), (QStringList {"RTTY", "ROS"}));

    // The alert dialog shares the kinds: a sound for strong valid-only
    // spots is two rules, each with its value.
    AlertProperties alerts(&m_workedSets);
    alerts.setOperation(AlertProperties::Add);
    alerts.show();
    click(child<QCheckBox>(&alerts, "checkBoxAlertTypeBalloonPopup"));
    click(child<QRadioButton>(&alerts, "radioButtonFilterTypeSnrAtLeast"));
    child<QSpinBox>(&alerts, "spinBoxFilterValueSnr")->setValue(-7);
    rule = takeRule(&alerts, &AlertProperties::alertAccepted);
    QCOMPARE(rule->filterType(), Filter::SnrAtLeast | Filter::Accept);
    QCOMPARE(rule->minFilterValue(), -7);
    click(child<QRadioButton>(&alerts, "radioButtonFilterTypeValidation"));
    child<QComboBox>(&alerts, "comboBoxFilterValueValidation")->setCurrentIndex(Filter::HideBusted);
    rule = takeRule(&alerts, &AlertProperties::alertAccepted);
    QCOMPARE(rule->filterType(), Filter::Validation | Filter::Accept);
    QCOMPARE(rule->choiceFilterValue(), int(Filter::HideBusted));
    click(child<QRadioButton>(&alerts, "radioButtonFilterTypeSpotKind"));
    child<QComboBox>(&alerts, "comboBoxFilterValueSpotKind")->setCurrentIndex(Filter::KindBeacon);
    rule = takeRule(&alerts, &AlertProperties::alertAccepted);
    QCOMPARE(rule->filterType(), Filter::SpotKind | Filter::Accept);
    QCOMPARE(rule->choiceFilterValue(), int(Filter::KindBeacon));
    QVERIFY(boxes.seen.isEmpty());
}

void TestRuleDialogs::cancelledColourKeepsTheChosenOne()
{
    AlertProperties dialog(&m_workedSets);
    dialog.setOperation(AlertProperties::Edit);
    Filter alert(Filter::Accept | Filter::DXpeditionIota, AlertFlag::Color);
    alert.setAlertColor(QColor(10, 20, 30));
    dialog.loadAlert(alert);
    dialog.show();
    QTimer::singleShot(50, &dialog, [] {
        if (auto *pPicker = qobject_cast<QColorDialog *>(QApplication::activeModalWidget()))
            pPicker->reject();
    });
    click(child<QPushButton>(&dialog, "pushButtonColorPicker"));
    QCOMPARE(dialog.color(), QColor(10, 20, 30));
    std::unique_ptr<Filter> rule = takeRule(&dialog, &AlertProperties::alertAccepted);
    QCOMPARE(rule->alertColor(), QColor(10, 20, 30));
    // OK hands the colour over and starts the next opening from white.
    QCOMPARE(dialog.color(), QColor(Qt::white));
}

void TestRuleDialogs::rulesThroughSettingsRoundTrip()
{
    TestSupport::writeStationAndNode(QStringLiteral("10.0.0.1"), 7300);
    store().setValue(QStringLiteral("General/SeenTips"), 8);
    MessageBoxCatcher boxes;
    Settings settings;
    settings.setCountryNames({QStringLiteral("Italy"), QStringLiteral("Japan")});
    settings.loadSettings();
    settings.show();
    auto *pFilterDialog = settings.findChild<FilterProperties *>();
    auto *pAlertDialog = settings.findChild<AlertProperties *>();

    click(child<QPushButton>(&settings, "pushButtonAddFilter"));
    click(child<QRadioButton>(pFilterDialog, "radioButtonFilterTypeDXpeditionIOTA"));
    click(child<QRadioButton>(pFilterDialog, "radioButtonFilterActionAccept"));
    pFilterDialog->accept();
    // A new DXpedition rule works at once.
    QCOMPARE(settings.cluster()->filterAt(0)->context(), settings.ruleContext());
    // Tip 4 comes with the first filter; tip 8 was seen before.
    auto *pTips = settings.findChild<Tips *>();
    QVERIFY(pTips && pTips->isVisible());
    QCOMPARE(pTips->tip(), int(Tips::FilterOrder));
    click(child<QPushButton>(pTips, "pushButtonOk"));
    QCOMPARE(SettingsStore::seenTips(), 12);

    click(child<QPushButton>(&settings, "pushButtonAddAlert"));
    click(child<QRadioButton>(pAlertDialog, "radioButtonFilterTypeWorkedCountries"));
    click(child<QCheckBox>(pAlertDialog, "checkBoxAlertTypeBalloonPopup"));
    pAlertDialog->accept();
    QCOMPARE(settings.cluster()->alertAt(0)->context(), settings.ruleContext());
    QVERIFY(!pTips->isVisible());
    click(child<QPushButton>(&settings, "pushButtonAddAlert"));
    click(child<QRadioButton>(pAlertDialog, "radioButtonFilterTypeDxContinent"));
    child<QComboBox>(pAlertDialog, "comboBoxFilterValueContinent")->setCurrentIndex(1);
    click(child<QCheckBox>(pAlertDialog, "checkBoxAlertTypeBalloonPopup"));
    pAlertDialog->accept();
    QCOMPARE(child<QTableView>(&settings, "tableViewAlerts")->model()->index(1, 1).data().toString(),
             QStringLiteral("NA "));

    // Edit by double click: the rule is replaced in place.
    click(child<QPushButton>(&settings, "pushButtonAddFilter"));
    click(child<QRadioButton>(pFilterDialog, "radioButtonFilterActionDrop"));
    pFilterDialog->accept();
    auto *pView = child<QTableView>(&settings, "tableViewFilters");
    const QRect rect = pView->visualRect(pView->model()->index(0, 1));
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(pFilterDialog->operation(), FilterProperties::Edit);
    QVERIFY(child<QRadioButton>(pFilterDialog, "radioButtonFilterTypeDXpeditionIOTA")->isChecked());
    click(child<QRadioButton>(pFilterDialog, "radioButtonFilterTypeCountry"));
    child<QComboBox>(pFilterDialog, "comboBoxFilterValueCountry")->setCurrentIndex(1);
    pFilterDialog->accept();
    QCOMPARE(settings.cluster()->filterCount(), 2);
    QCOMPARE(pView->model()->index(0, 1).data().toString(), QStringLiteral("Japan "));

    // A skimmer kind with its value, in the alerts' table and the store.
    click(child<QPushButton>(&settings, "pushButtonAddAlert"));
    click(child<QRadioButton>(pAlertDialog, "radioButtonFilterTypeSpeedBetween"));
    child<QSpinBox>(pAlertDialog, "spinBoxFilterValueSpeedMin")->setValue(20);
    child<QSpinBox>(pAlertDialog, "spinBoxFilterValueSpeedMax")->setValue(28);
    click(child<QCheckBox>(pAlertDialog, "checkBoxAlertTypeBalloonPopup"));
    pAlertDialog->accept();
    QCOMPARE(child<QTableView>(&settings, "tableViewAlerts")->model()->index(2, 1).data().toString(),
             QStringLiteral("20 to 28 WPM (BPS) "));

    settings.accept();
    QVERIFY(boxes.seen.isEmpty());
    QSettings written = store();
    QCOMPARE(written.value("Alerts/2/FilterType").toInt(), Filter::SpeedBetween | Filter::Accept);
    QCOMPARE(written.value("Alerts/2/MinFilterValue").toInt(), 20);
    QCOMPARE(written.value("Alerts/2/MaxFilterValue").toInt(), 28);
    QCOMPARE(written.value("Filters/1/CountryFilterValue").toString(), QStringLiteral("Japan"));
    QCOMPARE(written.value("Alerts/0/FilterType").toInt(), 34);
    QCOMPARE(written.value("Alerts/1/FilterType").toInt(), 258);
    QCOMPARE(written.value("Alerts/1/ContinentFilterValue").toString(), QStringLiteral("NA"));
    // Read back as stored.
    Settings reread;
    reread.loadSettings();
    QCOMPARE(reread.cluster()->alertAt(1)->filterType(), Filter::DxContinent | Filter::Accept);
    QCOMPARE(reread.cluster()->alertAt(1)->continentFilterValue(), QStringLiteral("NA"));
    QCOMPARE(reread.cluster()->alertAt(2)->maxFilterValue(), 28);
}

void TestRuleDialogs::workedCountriesMovesOkAndCancel()
{
    QSettings settings = store();
    for (const char *pName : {"Brazil", "Germany", "Italy", "Japan", "Spain"})
        settings.setValue(QStringLiteral("Not Worked/") + QLatin1String(pName), QString());
    settings.sync();
    WorkedSets sets;
    sets.load();
    ProgramRuleContext context;
    context.setCountrySets(&sets.notWorkedCountries(), &sets.workedCountries());
    Filter newCountries(Filter::Accept | Filter::NewCountries);
    newCountries.setContext(&context);
    Spot japan = spotFrom(QStringLiteral("Japan"));
    QVERIFY(newCountries.match(japan));

    WorkedCountries dialog(&sets);
    dialog.show();
    auto *pNotWorked = child<QListWidget>(&dialog, "listWidgetNotWorked");
    auto *pWorked = child<QListWidget>(&dialog, "listWidgetWorked");
    QCOMPARE(pNotWorked->count(), 5);
    for (int iRow : {1, 3, 4})
        pNotWorked->item(iRow)->setSelected(true);
    click(child<QPushButton>(&dialog, "pushButtonMoveToWorked"));
    QCOMPARE(pWorked->count(), 3);
    QCOMPARE(pWorked->item(1)->text(), QStringLiteral("Japan"));
    // Rules see a move before OK.
    QVERIFY(!newCountries.match(japan));

    // A double click moves one name back.
    const QRect rect = pWorked->visualItemRect(pWorked->item(0));
    QTest::mouseClick(pWorked->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(pWorked->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(pWorked->count(), 2);
    QCOMPARE(pNotWorked->count(), 3);
    dialog.accept();
    QSettings written = store();
    written.beginGroup(QStringLiteral("Worked"));
    QCOMPARE(written.childKeys(), QStringList({QStringLiteral("Japan"), QStringLiteral("Spain")}));
    written.endGroup();
    QVERIFY(!written.contains(QStringLiteral("Not Worked/Japan")));

    // Cancel undoes moves in memory too, so the rule matches again.
    dialog.show();
    for (int iRow = 0; iRow < pWorked->count(); ++iRow)
        pWorked->item(iRow)->setSelected(true);
    click(child<QPushButton>(&dialog, "pushButtonMoveToNotWorked"));
    QVERIFY(newCountries.match(japan));
    dialog.reject();
    QVERIFY(!newCountries.match(japan));
    QCOMPARE(sets.workedCount(), 2);
}

void TestRuleDialogs::seenTipsBits()
{
    Tips tips;
    tips.showTip(Tips::FirstConnection);
    click(child<QPushButton>(&tips, "pushButtonOk"));
    QCOMPARE(SettingsStore::seenTips(), 1);

    // A seen hint fills the text but stays hidden.
    tips.showTip(Tips::FirstConnection);
    QVERIFY(!tips.isVisible());
    QVERIFY(!child<QTextEdit>(&tips, "textEditTips")->toPlainText().isEmpty());

    tips.showTip(Tips::AlertOrder);
    child<QCheckBox>(&tips, "checkBoxDontShowMoreTips")->setChecked(true);
    click(child<QPushButton>(&tips, "pushButtonOk"));
    QCOMPARE(SettingsStore::seenTips(), int(Tips::kNoMoreTips));
    tips.showTip(Tips::FilterOrder);
    QVERIFY(!tips.isVisible());
}

QTEST_MAIN(TestRuleDialogs)
#include "tst_ruledialogs.moc"
