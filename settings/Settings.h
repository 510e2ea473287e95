#ifndef SETTINGS_H
#define SETTINGS_H

// The settings dialog, which is also the in-memory owner of the loaded
// configuration for the whole run. What the main window uses:
//
//   Settings *m_settings = new Settings(this);      // starts the DXpeditions loads
//   connect(m_settings, &Settings::foundActiveNode, ...);   // a new Cluster exists
//   connect(m_settings, &Settings::settingsSaved, ...);     // after every accepted dialog
//   connect(m_settings, &Settings::loadedDXpeditions, ...); // (QString date, int count)
//   m_settings->setCountryLookup(&m_worked, db);   // given to every Cluster created
//   m_settings->setCountryNames(Worked::countryNames(db)); // the rules' country chooser
//   m_settings->loadSettings();                      // may emit foundActiveNode
//   m_settings->show();                              // the settings action (modal)
//   m_settings->onNodesUpdateFinished();             // after Updater::NodesUpdateFinished
//
// Accessors: cluster() (null until a node is chosen; created once, then
// given the changed nodes on every accept, so hold it in a QPointer and
// re-read it after foundActiveNode()), callsign(), name(), qth(),
// locator(), isHRDEnabled(), hrdAddress(), hrdPort(), attemptSplitDetection(),
// startMinimized(), autoUpdate(), autoUpdateNodes(), autoUpdateCountries(),
// workedCountries(), notWorkedCountries(), workedSets() (for the
// WorkedCountries dialog), dxpeditions().
//
// The other dialogs: (new WorkedCountries(&m_settings->workedSets(), this))->open();
// Stats::setStatistics(*Statistics::instance()); About; Tips (see ui/Tips.h);
// SendSpot::setSettings(m_settings) then openWithFrequency(&rigControl, address, port).

#include "ClusterNode.h"
#include "NodeProperties.h"
#include "ProgramRuleContext.h"
#include "WorkedSets.h"

#include "filters/AlertProperties.h"
#include "filters/FilterProperties.h"
#include "sharing/SharingSettings.h"

#include <QDialog>
#include <QModelIndex>
#include <QSqlDatabase>
#include <QTimer>

#include <memory>

QT_BEGIN_NAMESPACE
class QLineEdit;
namespace Ui {
class Settings;
}
QT_END_NAMESPACE

class Cluster;
class DXpeditions;
class Filter;
class FilterChains;
class LogStore;
class NodeListPage;
class RigControlPage;
class RuleChainsPage;
class SharingPage;
class UpdateSourcesBox;
class Worked;

// The pages of the Cluster Node, Filters & Alerts and CAT tabs do their own
// work; the slots of the same names here forward to them.
class Settings : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDXpeditionsIntervalMs = 3600000;
    static constexpr quint16 kMaxSpotCount = 1000;

    // What the program still needs before it can connect, in the order OK
    // asks for it.
    enum class SetupGap { None, Node, Callsign, Name, Qth, Locator };

    explicit Settings(QWidget *parent = nullptr);
    ~Settings() override;

    // Reads everything from the store into the widgets, the node list and
    // the Cluster (created or replaced for the active node). What is missing
    // is left to setupGap(): the main window guides the operator to it.
    void loadSettings();
    // Writes the widgets, the node list and the chains to the store.
    void saveSettings();

    // Every Cluster created from now on looks up countries here.
    void setCountryLookup(const Worked *pWorked, const QSqlDatabase &db);
    // Rules on needed spots ask this log; set before loadSettings().
    void setLogStore(const LogStore *pLogStore);
    // The country names the rule dialogs offer, in database order.
    void setCountryNames(const QStringList &countries);

    Cluster *cluster() const { return m_cluster; }
    QString callsign() const;
    QString name() const;
    QString qth() const;
    QString locator() const;
    bool isHRDEnabled() const;
    QString hrdAddress() const;
    quint16 hrdPort() const;
    bool attemptSplitDetection() const;
    // Distances to DX stations in miles instead of kilometres.
    bool distanceInMiles() const;
    bool startMinimized() const;
    bool autoUpdate() const;
    bool autoUpdateNodes() const;
    bool autoUpdateCountries() const;

    const WorkedSets::CountrySet &workedCountries() const { return m_workedSets.workedCountries(); }
    const WorkedSets::CountrySet &notWorkedCountries() const { return m_workedSets.notWorkedCountries(); }
    WorkedSets &workedSets() { return m_workedSets; }
    DXpeditions *dxpeditions() const { return m_dxpeditions; }
    // What every rule of the connection and of the dialog asks.
    const RuleContext *ruleContext() const { return &m_ruleContext; }

    // The local spot node and the TCI radio, as the page stands.
    SharingSettings sharing() const;

    const QList<ClusterNode> &nodes() const;
    int activeIndex() const;

    // The first thing missing, as the widgets stand.
    SetupGap setupGap() const;
    // Opens the dialog on the page where gap is filled in, with its field
    // focused; SetupGap::None opens it as it is.
    void showPage(SetupGap gap);

Q_SIGNALS:
    void settingsSaved();
    void foundActiveNode();
    void loadedDXpeditions(const QString &qsDate, int iCount);

public Q_SLOTS:
    void lineEditToUpper(const QString &qsText);
    void onActiveNodeChanged(const QModelIndex &index);
    void onActiveNodeEdit(const QModelIndex &index);
    void onAddNodeClicked();
    void onAddFromListClicked();
    void onEditNodeClicked();
    void onDeleteNodeClicked();
    void onNodePropertiesAccepted(NodeProperties::NodePropertiesOperation operation, const ClusterNode &node);
    void onDefaultActionChanged(int iIndex);
    void onFilterClicked(const QModelIndex &index);
    void onFilterDoubleClicked(const QModelIndex &index);
    void onAddFilterClicked();
    void onEditFilterClicked();
    void onRemoveFilterClicked();
    void onMoveUpFilterClicked();
    void onMoveDownFilterClicked();
    void onAlertClicked(const QModelIndex &index);
    void onAlertDoubleClicked(const QModelIndex &index);
    void onAddAlertClicked();
    void onEditAlertClicked();
    void onRemoveAlertClicked();
    void onMoveUpAlertClicked();
    void onMoveDownAlertClicked();
    void onFilterPropertiesAccepted(FilterProperties::FilterPropertiesOperation operation, Filter *pFilter);
    void onAlertPropertiesAccepted(AlertProperties::AlertPropertiesOperation operation, Filter *pAlert);
    void onDXpeditionsUpdateTimerExpired();
    void onDXpeditionsLoadFinished(const QString &qsDate, int iCount);
    void onNodesUpdateFinished();
    void onDownloadHRDmoduleClicked();
    void onHRDEnabled(bool bChecked);
    void onDownloadHRDModuleStarted();
    void onDownloadHRDModuleFinished();
    void onDownloadHRDModuleError(const QString &qsError);
    void onDownloadHRDModuleProgress(quint8 quiPercent);

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent *pEvent) override;

private:
    // The chains being edited: the Cluster's, or while no node is active
    // chains of their own, so that rules can be set up before the first node
    // is chosen and are saved with it.
    FilterChains *chains();
    // Creates the Cluster for the nodes to connect, or hands them to the
    // one there is.
    void applyNodes();
    void loadChains();
    // Names the missing field in a box and turns to it; false when nothing is missing.
    bool refuseGap();

    struct StationField
    {
        SetupGap gap;
        QLineEdit *Ui::Settings::*pLineEdit;
        const char *pText;
        const char *pHint;
    };
    static const StationField kStationFields[4];
    static const StationField *stationField(SetupGap gap);

    std::unique_ptr<Ui::Settings> m_ui;
    NodeListPage *m_nodePage = nullptr;
    RuleChainsPage *m_rulesPage = nullptr;
    RigControlPage *m_rigPage = nullptr;
    SharingPage *m_sharingPage = nullptr;
    UpdateSourcesBox *m_updateSources = nullptr;
    Cluster *m_cluster = nullptr;
    std::unique_ptr<FilterChains> m_draftChains;
    const Worked *m_worked = nullptr;
    QSqlDatabase m_countryDatabase;
    DXpeditions *m_dxpeditions = nullptr;
    QTimer m_dxpeditionsTimer;
    WorkedSets m_workedSets;
    ProgramRuleContext m_ruleContext;
    quint16 m_nodesListVersion = 0;
};

#endif // SETTINGS_H
