#include "HttpTestServer.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "cluster/Cluster.h"
#include "filters/Filter.h"
#include "rig/RigControl.h"
#include "settings/AutostartEntry.h"
#include "settings/PublicNodesDialog.h"
#include "settings/Settings.h"
#include "sharing/SharingSettings.h"
#include "update/DXpeditions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using TestSupport::child;
using TestSupport::store;

namespace {

// The first line of each box OK shows: the field it wants.
QStringList titles(const QStringList &boxes)
{
    QStringList qslTitles;
    for (const QString &qsBox : boxes)
        qslTitles.append(qsBox.section(QLatin1Char('|'), 0, 0));
    return qslTitles;
}

void writeStation()
{
    GeneralSettings general;
    general.callsign = QStringLiteral("Q1ABC");
    general.name = QStringLiteral("Ann");
    general.qth = QStringLiteral("Town");
    general.locator = QStringLiteral("JO00AA");
    SettingsStore::saveGeneral(general);
}

void writeNodes(const QList<ClusterNode> &nodes)
{
    SettingsStore::saveUpdatedNodes(3, nodes);
}

void clickRow(QTableView *pView, int iRow, bool bDouble = false)
{
    const QRect rect = pView->visualRect(pView->model()->index(iRow, 1));
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
    if (bDouble)
        QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

// The settings dialog against real store files: loading with its warnings,
// the node list, accepting and cancelling.
class TestSettingsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void emptyStoreLoadsQuietlyWithoutCluster();
    void twoActiveNodesLaterWins();
    void fromEmptyStoreThroughMissingFieldsToWrittenStore();
    void nodeDialogValidatesAndEdits();
    void deletingAnyNodeLeavesNoneActiveUntilCancel();
    void callsignAndLocatorUpperCased();
    void filterChainEditsRoundTrip();
    void nodesListMergedByUpdater();
    void addFromPublicList();
    void updateSourcesOnTheGeneralTab();
    void catTabDownloadsTheLibrary();
    void dxpeditionsLoadedAndRelayed();
    void sharingKeysScriptsWrite();
};

void TestSettingsDialog::initTestCase()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
}

void TestSettingsDialog::init()
{
    TestSupport::clearStore();
    QFile::remove(AutostartEntry::filePath());
}

void TestSettingsDialog::emptyStoreLoadsQuietlyWithoutCluster()
{
    // What is missing is the main window's to show; loading says nothing.
    MessageBoxCatcher boxes;
    Settings settings;
    QSignalSpy found(&settings, &Settings::foundActiveNode);
    settings.loadSettings();
    QVERIFY(!settings.cluster());
    QCOMPARE(found.count(), 0);
    QCOMPARE(settings.setupGap(), Settings::SetupGap::Node);

    writeNodes({ClusterNode(QStringLiteral("a"), QStringLiteral("127.0.0.1"), 7300, QString(), true)});
    settings.loadSettings();
    QVERIFY(settings.cluster());
    QCOMPARE(found.count(), 1);
    QCOMPARE(settings.setupGap(), Settings::SetupGap::Callsign);
    QVERIFY(boxes.seen.isEmpty());
}

void TestSettingsDialog::twoActiveNodesLaterWins()
{
    writeStation();
    writeNodes({ClusterNode(QStringLiteral("a"), QStringLiteral("10.0.0.1"), 7300, QString(), true),
                ClusterNode(QStringLiteral("b"), QStringLiteral("10.0.0.2"), 7301, QString(), true)});
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    QVERIFY(boxes.seen.isEmpty());
    QCOMPARE(settings.activeIndex(), 1);
    QCOMPARE(settings.cluster()->port(), quint16(7301));

    // Loading again with the same address keeps the connection.
    QPointer<Cluster> pCluster = settings.cluster();
    settings.loadSettings();
    QCOMPARE(settings.cluster(), pCluster.data());
}

void TestSettingsDialog::fromEmptyStoreThroughMissingFieldsToWrittenStore()
{
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    settings.show();
    QSignalSpy found(&settings, &Settings::foundActiveNode);
    QSignalSpy saved(&settings, &Settings::settingsSaved);
    auto *pTabs = child<QTabWidget>(&settings, "tabWidget");

    // OK names the missing node and turns to its page.
    pTabs->setCurrentIndex(0);
    settings.accept();
    QCOMPARE(titles(boxes.takeAll()), QStringList {QStringLiteral("Choose a node")});
    QCOMPARE(pTabs->currentWidget()->objectName(), QStringLiteral("tabClusterNode"));

    // The first node added to a list without an active one becomes active.
    QTest::mouseClick(child<QPushButton>(&settings, "pushButtonAddNode"), Qt::LeftButton);
    auto *pNodeDialog = settings.findChild<NodeProperties *>();
    QVERIFY(pNodeDialog->isVisible());
    child<QLineEdit>(pNodeDialog, "lineEditNodeName")->setText(QStringLiteral("Home/Node"));
    child<QLineEdit>(pNodeDialog, "lineEditNodeAddress")->setText(QStringLiteral("127.0.0.1"));
    child<QSpinBox>(pNodeDialog, "spinBoxEditNodePort")->setValue(7373);
    child<QLineEdit>(pNodeDialog, "lineEditNodePassword")->setText(QStringLiteral("secret"));
    pNodeDialog->accept();
    QCOMPARE(settings.nodes().size(), 1);
    QVERIFY(settings.nodes().at(0).isActive());
    QCOMPARE(settings.activeIndex(), 0);
    settings.onAddNodeClicked();
    child<QLineEdit>(pNodeDialog, "lineEditNodeName")->setText(QStringLiteral("Spare"));
    child<QLineEdit>(pNodeDialog, "lineEditNodeAddress")->setText(QStringLiteral("127.0.0.2"));
    pNodeDialog->accept();
    QCOMPARE(settings.activeIndex(), 0);
    QVERIFY(!settings.nodes().at(1).isActive());

    // Then each station field by name, the empty one focused.
    const struct
    {
        const char *pField;
        const char *pTitle;
        const char *pValue;
    } fields[] = {{"lineEditCallsign", "Enter your callsign", "Q1ABC"},
                  {"lineEditName", "Enter your name", "Ann"},
                  {"lineEditQth", "Enter your QTH", "Town"},
                  {"lineEditLocator", "Enter your locator", "JO0"}};
    for (const auto &field : fields) {
        settings.accept();
        QCOMPARE(titles(boxes.takeAll()), QStringList {QLatin1String(field.pTitle)});
        QCOMPARE(pTabs->currentWidget()->objectName(), QStringLiteral("tabGeneral"));
        QCOMPARE(settings.focusWidget()->objectName(), QLatin1String(field.pField));
        child<QLineEdit>(&settings, field.pField)->setText(QLatin1String(field.pValue));
    }
    QVERIFY(settings.isVisible());
    QCOMPARE(saved.count(), 0);
    const QString qsNode = QStringLiteral("Cluster Nodes/") + SettingsStore::escapeKey(QStringLiteral("Home/Node"));
    QVERIFY(!store().contains(qsNode + "/Name"));

    for (const char *pBad : {"JO0", "ZZ00", "<b>JO</b>"}) {
        child<QLineEdit>(&settings, "lineEditLocator")->setText(QLatin1String(pBad));
        settings.accept();
        const QStringList seen = boxes.takeAll();
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen.first().contains(
                     QStringLiteral("The locator \"%1\" is not a valid Maidenhead locator").arg(QLatin1String(pBad))),
                 qPrintable(seen.first()));
        QCOMPARE(boxes.markupBoxes, 0);
        QVERIFY(settings.isVisible());
    }
    child<QLineEdit>(&settings, "lineEditLocator")->setText(QStringLiteral("JO00AA"));
    // The spot table's settings start at their defaults; 0 minutes is "never".
    auto *pMaxAge = child<QSpinBox>(&settings, "spinBoxMaxAge");
    QCOMPARE(pMaxAge->value(), 30);
    pMaxAge->setValue(0);
    QCOMPARE(pMaxAge->text(), QStringLiteral("never"));
    child<QDoubleSpinBox>(&settings, "doubleSpinBoxMergeDistance")->setValue(2.5);
    child<QSpinBox>(&settings, "spinBoxFirstAnswerWait")->setValue(45);
    child<QCheckBox>(&settings, "checkBoxDistanceInMiles")->setChecked(true);
    settings.accept();
    QVERIFY(boxes.seen.isEmpty());
    const SpotTableSettings spotTable = SettingsStore::loadSpotTable();
    QCOMPARE(spotTable.mergeDistanceKHz, 2.5);
    QCOMPARE(spotTable.maxAgeMinutes, 0);
    QCOMPARE(spotTable.firstAnswerWaitSeconds, 45);
    QVERIFY(!settings.isVisible());
    QCOMPARE(found.count(), 1);
    QCOMPARE(saved.count(), 1);
    QCOMPARE(settings.cluster()->port(), quint16(7373));

    QSettings written = store();
    QCOMPARE(written.value("General/Locator").toString(), QStringLiteral("JO00AA"));
    QCOMPARE(written.value("General/DistanceInMiles").toInt(), 1);
    QCOMPARE(written.value(qsNode + "/Name").toString(), QStringLiteral("Home/Node"));
    QCOMPARE(written.value(qsNode + "/Password").toString(), QStringLiteral("secret"));
    QCOMPARE(written.value(qsNode + "/Active").toInt(), 1);
    // The password is in plain text, so the file is the owner's alone.
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(written.fileName()) & others, QFileDevice::Permissions());

    // Nothing changed: the connection stays as it is.
    QPointer<Cluster> pFirst = settings.cluster();
    const QPointer<NodeConnection> pConnection = pFirst->connection();
    settings.show();
    settings.accept();
    QCOMPARE(found.count(), 1);
    QCOMPARE(saved.count(), 2);
    QCOMPARE(settings.cluster(), pFirst.data());
    QCOMPARE(pFirst->connection(), pConnection.data());
}

void TestSettingsDialog::nodeDialogValidatesAndEdits()
{
    writeStation();
    writeNodes({ClusterNode(QStringLiteral("a"), QStringLiteral("10.0.0.1"), 7300, QStringLiteral("pw"), true),
                ClusterNode(QStringLiteral("b"), QStringLiteral("10.0.0.2"), 7300, QString(), false)});
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    settings.show();
    auto *pNodeDialog = settings.findChild<NodeProperties *>();
    auto *pName = child<QLineEdit>(pNodeDialog, "lineEditNodeName");
    auto *pAddress = child<QLineEdit>(pNodeDialog, "lineEditNodeAddress");

    settings.onAddNodeClicked();
    QCOMPARE(child<QSpinBox>(pNodeDialog, "spinBoxEditNodePort")->value(), 7300);
    pNodeDialog->accept();
    pName->setText(QStringLiteral("   "));
    pNodeDialog->accept();
    pName->setText(QStringLiteral("c"));
    pNodeDialog->accept();
    pName->setText(QStringLiteral("b"));
    pAddress->setText(QStringLiteral("10.0.0.3"));
    pNodeDialog->accept();
    QCOMPARE(boxes.takeAll(),
             QStringList({QStringLiteral("Error adding node.|You must enter a name."),
                          QStringLiteral("Error adding node.|You must enter a name."),
                          QStringLiteral("Error adding node.|You must enter an address."),
                          QStringLiteral("Error adding node.|There is already a node with this name.")}));
    QVERIFY(pNodeDialog->isVisible());
    pNodeDialog->reject();
    QCOMPARE(settings.nodes().size(), 2);

    // A double click on the second row makes it active and opens it for editing.
    clickRow(child<QTableView>(&settings, "tableViewNodesList"), 1, true);
    QVERIFY(pNodeDialog->isVisible());
    QCOMPARE(pName->text(), QStringLiteral("b"));
    pAddress->clear();
    pNodeDialog->accept();
    QCOMPARE(boxes.takeAll(), QStringList {QStringLiteral("Error editing node.|You must enter an address.")});
    pAddress->setText(QStringLiteral("10.0.0.9"));
    pNodeDialog->accept();
    QCOMPARE(settings.activeIndex(), 1);
    QCOMPARE(settings.nodes().at(1).address(), QStringLiteral("10.0.0.9"));
    QVERIFY(settings.nodes().at(1).isActive());
    QVERIFY(!settings.nodes().at(0).isActive());
    QCOMPARE(settings.nodes().at(0).password(), QStringLiteral("pw"));

    // "a" ticked to stay connected beside the active "b" (whose own tick is
    // not the operator's to take away): OK makes both sources and stores the
    // tick; the active node needs no key of its own.
    QAbstractItemModel *pModel = child<QTableView>(&settings, "tableViewNodesList")->model();
    QVERIFY(!(pModel->flags(pModel->index(1, 4)) & Qt::ItemIsEnabled));
    QVERIFY(pModel->setData(pModel->index(0, 4), Qt::Checked, Qt::CheckStateRole));
    settings.accept();
    QCOMPARE(settings.cluster()->sourceCount(), 2);
    const QSettings written = store();
    QCOMPARE(written.value(QStringLiteral("Cluster Nodes/a/Connect")).toInt(), 1);
    QVERIFY(!written.contains(QStringLiteral("Cluster Nodes/b/Connect")));
    QCOMPARE(written.value(QStringLiteral("Cluster Nodes/b/Active")).toInt(), 1);
}

void TestSettingsDialog::deletingAnyNodeLeavesNoneActiveUntilCancel()
{
    writeStation();
    writeNodes({ClusterNode(QStringLiteral("a"), QStringLiteral("10.0.0.1"), 7300, QString(), true),
                ClusterNode(QStringLiteral("b"), QStringLiteral("10.0.0.2"), 7300, QString(), false)});
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    settings.show();
    auto *pView = child<QTableView>(&settings, "tableViewNodesList");
    // Selecting without clicking: the current row is "b", the active one "a".
    pView->setCurrentIndex(pView->model()->index(1, 0));
    settings.onDeleteNodeClicked();
    QCOMPARE(settings.nodes().size(), 1);
    QCOMPARE(settings.activeIndex(), -1);
    settings.accept();
    QCOMPARE(titles(boxes.takeAll()), QStringList {QStringLiteral("Choose a node")});
    QVERIFY(settings.isVisible());

    settings.reject();
    QCOMPARE(settings.nodes().size(), 2);
    QCOMPARE(settings.activeIndex(), 0);
    QVERIFY(boxes.seen.isEmpty());
}

void TestSettingsDialog::callsignAndLocatorUpperCased()
{
    MessageBoxCatcher boxes;
    Settings settings;
    settings.show();
    auto *pCallsign = child<QLineEdit>(&settings, "lineEditCallsign");
    QTest::keyClicks(pCallsign, QStringLiteral("dl1abc"));
    pCallsign->setCursorPosition(2);
    QTest::keyClicks(pCallsign, QStringLiteral("x"));
    QCOMPARE(pCallsign->text(), QStringLiteral("DLX1ABC"));
    QCOMPARE(pCallsign->cursorPosition(), 3);
    QTest::keyClicks(child<QLineEdit>(&settings, "lineEditLocator"), QStringLiteral("jo62qm"));
    QCOMPARE(settings.locator(), QStringLiteral("JO62QM"));
    QTest::keyClicks(child<QLineEdit>(&settings, "lineEditName"), QStringLiteral("ann"));
    QCOMPARE(settings.name(), QStringLiteral("ann"));
}

void TestSettingsDialog::filterChainEditsRoundTrip()
{
    TestSupport::writeStationAndNode(QStringLiteral("10.0.0.1"), 7300);
    QSettings settingsStore = store();
    settingsStore.setValue("Filters/Count", 4);
    settingsStore.setValue("Filters/DefaultFilter", 1);
    settingsStore.setValue("Filters/1/FilterType", Filter::Accept | Filter::Call);
    settingsStore.setValue("Filters/1/CallFilterValue", "Q1AAA");
    settingsStore.setValue("Filters/2/FilterType", Filter::Drop | Filter::Band);
    settingsStore.setValue("Filters/2/BandFilterValue", Filter::Band20m);
    settingsStore.setValue("Filters/3/FilterType", Filter::Accept | Filter::NewCountries);
    settingsStore.sync();

    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    settings.show();
    auto *pView = child<QTableView>(&settings, "tableViewFilters");
    QCOMPARE(pView->model()->index(0, 0).data().toString(), QStringLiteral("Accept Call "));
    QCOMPARE(pView->model()->index(1, 1).data().toString(), QStringLiteral("20m "));
    QCOMPARE(settings.findChild<QComboBox *>("comboBoxDefaultAction")->currentIndex(), 1);
    // The rule on new countries reads the dialog's sets.
    QCOMPARE(settings.cluster()->filterAt(2)->context(), settings.ruleContext());

    auto *pUp = child<QPushButton>(&settings, "pushButtonMoveUpFilter");
    auto *pDown = child<QPushButton>(&settings, "pushButtonMoveDownFilter");
    clickRow(pView, 0);
    QVERIFY(!pUp->isEnabled() && pDown->isEnabled());
    clickRow(pView, 2);
    QVERIFY(pUp->isEnabled() && !pDown->isEnabled());
    QTest::mouseClick(pUp, Qt::LeftButton);
    QVERIFY(!pUp->isEnabled());
    clickRow(pView, 0);
    QTest::mouseClick(child<QPushButton>(&settings, "pushButtonRemoveFilter"), Qt::LeftButton);
    settings.findChild<QComboBox *>("comboBoxDefaultAction")->setCurrentIndex(0);
    settings.accept();

    QSettings written = store();
    QCOMPARE(written.value("Filters/Count").toInt(), 3);
    QCOMPARE(written.value("Filters/DefaultFilter").toInt(), int(Filter::Accept));
    QCOMPARE(written.value("Filters/1/FilterType").toInt(), Filter::Accept | Filter::NewCountries);
    QCOMPARE(written.value("Filters/2/BandFilterValue").toInt(), int(Filter::Band20m));

    // Cancel throws away chain edits along with the rest.
    settings.show();
    clickRow(pView, 0);
    QTest::mouseClick(child<QPushButton>(&settings, "pushButtonRemoveFilter"), Qt::LeftButton);
    QCOMPARE(settings.cluster()->filterCount(), 1);
    settings.reject();
    QCOMPARE(settings.cluster()->filterCount(), 2);
    QVERIFY(boxes.seen.isEmpty());
}

void TestSettingsDialog::nodesListMergedByUpdater()
{
    TestSupport::writeStationAndNode(QStringLiteral("10.0.0.1"), 7300);
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    QPointer<Cluster> pOld = settings.cluster();
    QVERIFY(pOld);

    // The merged list keeps the active node: its connection goes on.
    NodeList merged = SettingsStore::loadNodes();
    merged.nodes.append(ClusterNode(QStringLiteral("n1"), QStringLiteral("10.0.0.5"), 7300, QString(), false));
    SettingsStore::saveNodes(merged);
    settings.onNodesUpdateFinished();
    QVERIFY(pOld);
    QCOMPARE(settings.cluster(), pOld.data());
    QCOMPARE(settings.nodes().size(), 2);
    QVERIFY(boxes.takeAll().isEmpty());

    // Without an active node the new list is there to pick from; the main
    // window's guide, not a box, says so.
    writeNodes({ClusterNode(QStringLiteral("n1"), QStringLiteral("10.0.0.5"), 7300, QString(), false)});
    settings.onNodesUpdateFinished();
    QVERIFY(boxes.takeAll().isEmpty());
    QCOMPARE(settings.setupGap(), Settings::SetupGap::Node);
}

void TestSettingsDialog::addFromPublicList()
{
    // The dialog on its own: the text filters every column, rows come back
    // as nodes marked as from the list.
    {
        PublicNodesDialog dialog;
        auto *pView = child<QTableView>(&dialog, "tableViewNodes");
        QVERIFY(pView->model()->rowCount() >= 20);
        child<QLineEdit>(&dialog, "lineEditFilter")->setText(QStringLiteral("reverse beacon"));
        QCOMPARE(pView->model()->rowCount(), 2);
        pView->selectAll();
        const QList<ClusterNode> nodes = dialog.selectedNodes();
        QCOMPARE(nodes.size(), 2);
        QVERIFY(nodes.at(0).isFromList() && nodes.at(0).name().startsWith(QLatin1String("RBN-")));
    }

    // From the node tab of a fresh profile: the chosen node becomes active.
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    boxes.takeAll();
    QTimer::singleShot(0, &settings, [] {
        auto *pDialog = qobject_cast<PublicNodesDialog *>(QApplication::activeModalWidget());
        QVERIFY(pDialog);
        child<QLineEdit>(pDialog, "lineEditFilter")->setText(QStringLiteral("RBN-CW"));
        child<QTableView>(pDialog, "tableViewNodes")->selectRow(0);
        pDialog->accept();
    });
    QTest::mouseClick(child<QPushButton>(&settings, "pushButtonAddFromList"), Qt::LeftButton);
    QCOMPARE(settings.nodes().size(), 1);
    QCOMPARE(settings.nodes().at(0).address(), QStringLiteral("telnet.reversebeacon.net"));
    QCOMPARE(settings.activeIndex(), 0);
}

void TestSettingsDialog::updateSourcesOnTheGeneralTab()
{
    store().remove(QStringLiteral("General/UpdateServer"));
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    auto *pNodesList = child<QCheckBox>(&settings, "checkBoxAutoUpdateNodesList");
    QVERIFY(!pNodesList->isEnabled());
    QVERIFY(pNodesList->text().endsWith(QStringLiteral("(no update server set)")));
    QVERIFY(child<QCheckBox>(&settings, "checkBoxAutoUpdateCountriesDb")->isEnabled());

    child<QLineEdit>(&settings, "lineEditUpdateServer")->setText(QStringLiteral("http://127.0.0.1:1/"));
    QVERIFY(pNodesList->isEnabled());
    QCOMPARE(pNodesList->text(), QStringLiteral("Automatically update nodes list"));
    writeStation();
    writeNodes({ClusterNode(QStringLiteral("a"), QStringLiteral("127.0.0.1"), 7300, QString(), true)});
    settings.loadSettings();
    child<QLineEdit>(&settings, "lineEditUpdateServer")->setText(QStringLiteral("http://127.0.0.1:1/"));
    settings.accept();
    QCOMPARE(SettingsStore::updateServer(), QStringLiteral("http://127.0.0.1:1"));
    QCOMPARE(SettingsStore::dxpeditionsUrl(), QStringLiteral("http://127.0.0.1:1/Kelvane/dxpeditions.xml"));
    QCOMPARE(settings.dxpeditions()->url(), SettingsStore::dxpeditionsUrl());
}

void TestSettingsDialog::catTabDownloadsTheLibrary()
{
    const QString qsPath = QStringLiteral("/Kelvane/HRD/") + RigControl::libraryFileName();
    const QString qsTarget = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/')
        + RigControl::libraryFileName();
    QFile::remove(qsTarget);
    QVERIFY(!RigControl::isLibraryInstalled());
    HttpTestServer server;
    QVERIFY(server.listen());
    // The program's own bridge is built beside the library checker.
    QFile libraryFile(QFileInfo(RigControl::checkerPath()).absolutePath() + QLatin1Char('/')
                      + RigControl::libraryFileName());
    QVERIFY(libraryFile.open(QIODevice::ReadOnly));
    const QByteArray baLibrary = libraryFile.readAll();
    QFile partialFile(QCoreApplication::applicationDirPath() + QStringLiteral("/libtst_rigpartiallib.so"));
    QVERIFY(partialFile.open(QIODevice::ReadOnly));
    const QByteArray baPartial = partialFile.readAll();
    auto sha256 = [](const QByteArray &baData) {
        return QCryptographicHash::hash(baData, QCryptographicHash::Sha256).toHex() + "  lib.so\n";
    };
    HttpTestServer::Route cut {baLibrary};
    cut.iCutAfter = 100;
    server.setRoute(qsPath, cut);
    server.setRoute(qsPath + QStringLiteral(".sha256"), sha256(baLibrary));
    store().setValue(QStringLiteral("General/UpdateServer"), server.url(QString()));
    store().setValue(QStringLiteral("CAT/HRDServer"), 1);

    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    QVERIFY(settings.isHRDEnabled());
    settings.show();
    auto *pPanel = child<QWidget>(&settings, "widgetHRDModuleDownloadControls");
    auto *pInfo = child<QLabel>(&settings, "labelHRDModuleInfo");
    auto *pHRD = child<QGroupBox>(&settings, "groupBoxHRD");
    QVERIFY(!pPanel->isHidden());
    QVERIFY(!pHRD->isEnabled() && !settings.isHRDEnabled());

    // A broken transfer, a library that is not the published one, a file
    // that is no library and a library without the entry points leave
    // nothing behind that would count as installed.
    const QList<QPair<QByteArray, QByteArray>> refused = {{QByteArray(), QByteArray()},
                                                          {baLibrary, sha256("other")},
                                                          {"library", sha256("library")},
                                                          {baPartial, sha256(baPartial)}};
    for (const auto &[baBody, baChecksum] : refused) {
        if (!baBody.isEmpty()) {
            server.setRoute(qsPath, baBody);
            server.setRoute(qsPath + QStringLiteral(".sha256"), baChecksum);
        }
        pInfo->hide();
        QTest::mouseClick(child<QPushButton>(&settings, "pushButtonDownloadHRDModule"), Qt::LeftButton);
        QTRY_VERIFY(!pInfo->isHidden());
        QVERIFY(pInfo->text() != QStringLiteral("HRD module downloaded successfully."));
        QVERIFY(!QFile::exists(qsTarget));
        QVERIFY(!pHRD->isEnabled());
    }

    server.setRoute(qsPath, baLibrary);
    server.setRoute(qsPath + QStringLiteral(".sha256"), sha256(baLibrary));
    QTest::mouseClick(child<QPushButton>(&settings, "pushButtonDownloadHRDModule"), Qt::LeftButton);
    QTRY_COMPARE(pInfo->text(), QStringLiteral("HRD module downloaded successfully."));
    QVERIFY(QFile::exists(qsTarget));
    QVERIFY(pHRD->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(pPanel->isHidden(), 3000);
    QFile::remove(qsTarget);
}

void TestSettingsDialog::dxpeditionsLoadedAndRelayed()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    const QDate today = QDateTime::currentDateTimeUtc().date();
    const QString qsFormat = QStringLiteral("yyyyMMdd");
    server.setRoute(QStringLiteral("/Kelvane/dxpeditions.xml"),
                    QStringLiteral("<?xml version=\"1.0\"?><DXpeditions><Version>3</Version><Date>6 Dec</Date>"
                                   "<DXpedition><StartDate>%1</StartDate><EndDate>%2</EndDate><Call>Q0DX</Call>"
                                   "<IOTA>OC-001</IOTA><QSLvia>Q1ABC</QSLvia><ReportedBy>x</ReportedBy><Info>y</Info>"
                                   "</DXpedition></DXpeditions>")
                        .arg(today.addDays(-1).toString(qsFormat), today.addDays(1).toString(qsFormat))
                        .toUtf8());
    store().setValue(QStringLiteral("General/UpdateServer"), server.url(QString()));
    Settings settings;
    QSignalSpy loaded(&settings, &Settings::loadedDXpeditions);
    QVERIFY(loaded.wait(5000));
    QCOMPARE(loaded.at(0).at(0).toString(), QStringLiteral("6 Dec"));
    QCOMPARE(loaded.at(0).at(1).toInt(), 1);
    QVERIFY(settings.dxpeditions()->contains(QStringLiteral("Q0DX")));
    // The hourly refresh asks again.
    settings.onDXpeditionsUpdateTimerExpired();
    QTRY_COMPARE(server.requestCount(QStringLiteral("/Kelvane/dxpeditions.xml")), 2);
}

// Scripts turn the node on by writing the Sharing keys; the page shows them
// and writes them back with the same names and types.
void TestSettingsDialog::sharingKeysScriptsWrite()
{
    writeStation();
    writeNodes({ClusterNode(QStringLiteral("a"), QStringLiteral("127.0.0.1"), 7300, QString(), true)});
    {
        QSettings settings = store();
        settings.setValue("Sharing/NodeServer", "true");
        settings.setValue("Sharing/NodeServerPort", "7400");
        settings.setValue("Sharing/NodeServerAddress", "not an address");
        settings.setValue("Sharing/NodeServerAllowed", "192.168.1.5");
        settings.setValue("Sharing/TciUrl", "ws://127.0.0.1:50001/tci");
    }
    MessageBoxCatcher boxes;
    Settings settings;
    settings.loadSettings();
    settings.show();
    QVERIFY(child<QGroupBox>(&settings, "groupBoxNodeServer")->isChecked());
    QCOMPARE(child<QSpinBox>(&settings, "spinBoxNodeServerPort")->value(), 7400);
    QCOMPARE(child<QLineEdit>(&settings, "lineEditNodeServerAddress")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(child<QLineEdit>(&settings, "lineEditNodeServerAllowed")->text(), QStringLiteral("192.168.1.5"));
    QCOMPARE(child<QSpinBox>(&settings, "spinBoxTciPort")->value(), 50001);
    QVERIFY(!child<QGroupBox>(&settings, "groupBoxTci")->isChecked());

    // A list entry that reads as no address keeps the dialog open on the page.
    auto *pAllowed = child<QLineEdit>(&settings, "lineEditNodeServerAllowed");
    pAllowed->setText(QStringLiteral("192.168.1.5, 192.168.1"));
    auto *pTabs = child<QTabWidget>(&settings, "tabWidget");
    pTabs->setCurrentIndex(0);
    settings.accept();
    QCOMPARE(boxes.takeAll().size(), 1);
    QCOMPARE(pTabs->currentWidget()->objectName(), QStringLiteral("tabSharing"));
    QVERIFY(settings.isVisible());

    pAllowed->setText(QStringLiteral("192.168.1.5; 10.0.0.0/8"));
    child<QLineEdit>(&settings, "lineEditNodeServerAddress")->setText(QStringLiteral("0.0.0.0"));
    child<QGroupBox>(&settings, "groupBoxTci")->setChecked(true);
    child<QSpinBox>(&settings, "spinBoxTciPort")->setValue(40001);
    settings.accept();
    QVERIFY(boxes.seen.isEmpty());
    QVERIFY(!settings.isVisible());
    QSettings written = store();
    QCOMPARE(written.value("Sharing/NodeServer").toBool(), true);
    QCOMPARE(written.value("Sharing/NodeServerPort").toInt(), 7400);
    QCOMPARE(written.value("Sharing/NodeServerAddress").toString(), QStringLiteral("0.0.0.0"));
    QCOMPARE(written.value("Sharing/NodeServerAllowed").toStringList(),
             QStringList({QStringLiteral("192.168.1.5"), QStringLiteral("10.0.0.0/8")}));
    QCOMPARE(written.value("Sharing/NodeServerFiltered").toBool(), false);
    QCOMPARE(written.value("Sharing/Tci").toBool(), true);
    // The path some programs serve on is kept.
    QCOMPARE(written.value("Sharing/TciUrl").toString(), QStringLiteral("ws://127.0.0.1:40001/tci"));
    QCOMPARE(SharingSettings::load(), settings.sharing());
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
