// The main window as the operator meets it: a real window on a real store,
// connected to the test node on loopback.

#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "cluster/Cluster.h"
#include "cluster/Spot.h"
#include "testnode/TestNode.h"
#include "ui/MainWindow.h"
#include "ui/SpotModel.h"
#include "ui/SpotPopup.h"
#include "ui/Tips.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QtTest>

using TestSupport::store;

namespace {
constexpr int kTimeoutMs = 15000;

Spot makeSpot(int iNumber, AlertFlags flags = {})
{
    Spot spot;
    spot.setDate(QStringLiteral("6-Dec-2026"));
    spot.setTime(QStringLiteral("1200Z"));
    spot.setSpotter(QStringLiteral("Q1SPT"));
    spot.setFrequency(QStringLiteral("14025.0"));
    spot.setDxCall(QStringLiteral("Q%1X").arg(iNumber));
    spot.setCountry(QStringLiteral("Japan"));
    spot.setComment(QStringLiteral("cq"));
    spot.addAlertFlags(flags);
    return spot;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void rowLimitAndColumnFitting();
    void alertCellsAndBalloonText();
    void bandButtons();
    void storedBandsShowAtStart();
    void connectionStateAndTooltip();
    void minimiseWithoutTray();
    void tableActionsAndExit();
    void earlierSpotsThenLiveSpots();

private:
    void writeStore(int iBands);
    std::unique_ptr<MainWindow> makeWindow();
    QPushButton *button(const char *pName) const { return m_window->findChild<QPushButton *>(pName); }
    QTableView *table() const { return m_window->findChild<QTableView *>(QStringLiteral("tableView")); }

    std::unique_ptr<TestNode> m_node;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::initTestCase()
{
    // Nothing may reach for the internet during the tests.
    TestSupport::clearStore();
}

void TestMainWindow::init()
{
    m_node = std::make_unique<TestNode>();
    m_node->setBandQueryDelay(0);
    QVERIFY(m_node->listen());
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_node.reset();
    store().clear();
}

void TestMainWindow::writeStore(int iBands)
{
    // The DXpeditions list is asked for at every connect: refused at once.
    TestSupport::clearStore();
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), m_node->port(), false);
    QSettings settings = store();
    settings.setValue(QStringLiteral("General/SeenTips"), -1);
    settings.setValue(QStringLiteral("Filters/Count"), 1);
    settings.setValue(QStringLiteral("Filters/0/FilterType"), 6);
    settings.setValue(QStringLiteral("Filters/0/BandFilterValue"), iBands);
}

std::unique_ptr<MainWindow> TestMainWindow::makeWindow()
{
    auto pWindow = std::make_unique<MainWindow>();
    if (Cluster *pCluster = pWindow->activeCluster())
        pCluster->setTimings({60000, 60000, 50, 300});
    return pWindow;
}

void TestMainWindow::rowLimitAndColumnFitting()
{
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    m_window->onGetReadyForSpots();
    SpotModel *pModel = m_window->spotModel();
    QHeaderView *pHeader = table()->horizontalHeader();

    // The first spot fits the first five columns; the next nine do not, even
    // with a longer call; the eleventh does again.
    // Sound and balloon without a sound device or tray: shown all the same.
    Spot first = makeSpot(1, AlertFlag::Sound | AlertFlag::Balloon);
    first.setSoundFile(QStringLiteral("/no/such/alert.wav"));
    m_window->onNewSpot(first);
    QCOMPARE(pModel->rowCount(), 1);
    const int iFitted = pHeader->sectionSize(SpotModel::DX);
    for (int i = 2; i <= 10; ++i) {
        Spot spot = makeSpot(i);
        if (i == 2)
            spot.setDxCall(QStringLiteral("Q1VERYVERYVERYLONGCALL/MM"));
        m_window->onNewSpot(spot);
    }
    QCOMPARE(pHeader->sectionSize(SpotModel::DX), iFitted);
    Spot eleventh = makeSpot(11);
    m_window->onNewSpot(eleventh);
    QVERIFY(pHeader->sectionSize(SpotModel::DX) > iFitted);
    // Columns the fitting leaves alone keep their widths.
    QCOMPARE(pHeader->sectionSize(SpotModel::Comment), 240);

    for (int i = 12; i <= 1001; ++i) {
        Spot spot = makeSpot(i);
        m_window->onNewSpot(spot);
    }
    QCOMPARE(pModel->rowCount(), 1000);
    QCOMPARE(pModel->item(0, SpotModel::DX)->text(), QStringLiteral("Q1001X"));
    QCOMPARE(pModel->item(999, SpotModel::DX)->text(), QStringLiteral("Q1VERYVERYVERYLONGCALL/MM"));
}

void TestMainWindow::alertCellsAndBalloonText()
{
    SpotModel model;
    Spot plain = makeSpot(1);
    model.insertSpot(plain, 1000);
    QCOMPARE(model.item(0, SpotModel::DX)->background().style(), Qt::NoBrush);
    QVERIFY(!model.item(0, SpotModel::Icon));

    Spot alerted = makeSpot(2, AlertFlag::Color | AlertFlag::Icon);
    alerted.setAlertColor(QColor(255, 236, 179));
    alerted.setIconFile(QStringLiteral(":/ico/star_blue.png"));
    model.insertSpot(alerted, 1000);
    for (int iColumn = 0; iColumn < SpotModel::Icon; ++iColumn)
        QCOMPARE(model.item(0, iColumn)->background().color(), QColor(255, 236, 179));
    QStandardItem *pIcon = model.item(0, SpotModel::Icon);
    QVERIFY(pIcon && !pIcon->icon().isNull());
    QCOMPARE(pIcon->background().style(), Qt::NoBrush);
    QCOMPARE(model.item(1, SpotModel::DX)->text(), QStringLiteral("Q1X"));

    // The balloon leaves out a blank comment but keeps the blanks of others.
    const QString qsHead = QStringLiteral("Spotter: Q1SPT\nFrequency: 14025.0\nCountry: Japan");
    plain.setComment(QStringLiteral("   "));
    QCOMPARE(SpotModel::balloonText(plain), qsHead);
    plain.setComment(QStringLiteral(" up 2 "));
    QCOMPARE(SpotModel::balloonText(plain), qsHead + QStringLiteral("\nComment:  up 2 "));
}

void TestMainWindow::bandButtons()
{
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    QVERIFY(button("pushButtonAllm")->isChecked());

    button("pushButton40m")->click();
    QVERIFY(!button("pushButtonAllm")->isChecked());
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), 8);

    button("pushButton20m")->click();
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), 40);
    button("pushButton40m")->click();
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), 32);

    button("pushButtonAllm")->click();
    QVERIFY(!button("pushButton20m")->isChecked());
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), int(Filter::AllBands));

    button("pushButtonAllm")->click();
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), 0);
    for (QPushButton *pButton : m_window->findChildren<QPushButton *>(QRegularExpression("^pushButton\\d")))
        QVERIFY2(!pButton->isChecked(), qPrintable(pButton->objectName()));
}

void TestMainWindow::storedBandsShowAtStart()
{
    // The connection is wired before the stored selection reaches it, so the
    // buttons show that selection as soon as the window is there.
    writeStore(Filter::Band40m | Filter::Band20m);
    m_window = makeWindow();
    QVERIFY(button("pushButton40m")->isChecked() && button("pushButton20m")->isChecked());
    QVERIFY(!button("pushButton80m")->isChecked() && !button("pushButtonAllm")->isChecked());
    // The country list reached the first-run "Not Worked" group.
    QVERIFY(store().childGroups().contains(QStringLiteral("Not Worked")));
}

void TestMainWindow::connectionStateAndTooltip()
{
    writeStore(Filter::AllBands);
    store().setValue(QStringLiteral("General/SeenTips"), 0);
    m_window = makeWindow();
    QCOMPARE(m_window->trayIcon()->toolTip(), QStringLiteral("Disconnected."));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->trayIcon()->toolTip(),
                              QStringLiteral("Kelvane - Connected to 127.0.0.1:%1").arg(m_node->port()),
                              kTimeoutMs);
    // The first connection brings the hint about the context menu.
    const QList<Tips *> tips = m_window->findChildren<Tips *>();
    QCOMPARE(tips.size(), 1);
    QCOMPARE(tips.first()->tip(), int(Tips::FirstConnection));
    auto *pConnect = m_window->findChild<QAction *>(QStringLiteral("actionConnect"));
    QCOMPARE(pConnect->text(), QStringLiteral("Disconnect"));

    // The operator's disconnect: nothing reconnects, the action offers Connect.
    pConnect->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(pConnect->text(), QStringLiteral("Connect"), kTimeoutMs);
    QCOMPARE(m_window->trayIcon()->toolTip(), QStringLiteral("Kelvane - Disconnected."));
    QVERIFY(!m_window->activeCluster()->isConnected());
}

void TestMainWindow::minimiseWithoutTray()
{
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // Without a tray nothing could bring a hidden window back.
    m_window->showMinimized();
    QTest::qWait(50);
    QVERIFY(m_window->isVisible());
    m_window->iconActivated(QSystemTrayIcon::DoubleClick);
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
}

void TestMainWindow::tableActionsAndExit()
{
    // Only a prefix in front is cut off for the look-up.
    QCOMPARE(SpotPopup::lookupCall(QStringLiteral("EA8/Q1ZZZ")), QStringLiteral("Q1ZZZ"));
    QCOMPARE(SpotPopup::lookupCall(QStringLiteral("Q1ZZZ/EA8")), QStringLiteral("Q1ZZZ/EA8"));
    QCOMPARE(SpotPopup::lookupCall(QStringLiteral("3D2/Q1ZZZ/P")), QStringLiteral("3D2/Q1ZZZ/P"));

    SpotPopup popup;
    const QString qsHostile = QStringLiteral("<a href=\"http://evil\">Q1X</a>");
    popup.setDX(qsHostile);
    QCOMPARE(popup.dxText(), qsHostile.toHtmlEscaped());
    popup.setLookupLink(QStringLiteral("Q1X\"><b>?x=1#"));
    QCOMPARE(popup.infoText(), QStringLiteral("<a href=\"%1/db/Q1X%22%3E%3Cb%3E%3Fx%3D1%23\">"
                                              "%1/db/Q1X%22%3E%3Cb%3E%3Fx%3D1%23</a>")
                                   .arg(SpotPopup::kLookupSite));
    popup.setInfo(QString());
    QCOMPARE(popup.infoText(), QStringLiteral("N/A"));

    // Berlin to the Canary Islands, worked out apart: 233.2°, 2,241.6 mi;
    // the long path 53.2°, 22,632.0 mi.
    CountryInfo canaries;
    canaries.continent = QStringLiteral("AF");
    canaries.cqZone = 33;
    canaries.hasPosition = true;
    canaries.latitude = 28.32;
    canaries.longitude = -15.85;
    Spot located;
    located.setLocation(canaries, CountryInfo(), QStringLiteral("JO62QM"));
    popup.setLocation(located, true);
    auto labelText = [&popup](const char *pName) { return popup.findChild<QLabel *>(QLatin1String(pName))->text(); };
    QCOMPARE(labelText("labelContinent_value"), QStringLiteral("AF, CQ zone 33"));
    QCOMPARE(labelText("labelSpotterContinent_value"), QStringLiteral("N/A"));
    QCOMPARE(labelText("labelShortPath_value"), QStringLiteral("233\u00b0, %1 mi").arg(QLocale().toString(2242)));
    QCOMPARE(labelText("labelLongPath_value"), QStringLiteral("53\u00b0, %1 mi").arg(QLocale().toString(22632)));
    popup.setLocation(located, false);
    QCOMPARE(labelText("labelShortPath_value"), QStringLiteral("233\u00b0, %1 km").arg(QLocale().toString(3607)));

    // One walk over the table: spots wait for the window to be ready, then
    // the details and the tune act on the current row, and after Exit
    // nothing acts any more.
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    Spot spot = makeSpot(7);
    spot.setDxCall(QStringLiteral("EA8/Q1<i>"));
    m_window->onNewSpot(spot);
    QCOMPARE(m_window->spotModel()->rowCount(), 0);
    m_window->onGetReadyForSpots();
    m_window->onNewSpot(spot);
    QCOMPARE(m_window->spotModel()->rowCount(), 1);
    table()->setCurrentIndex(m_window->spotModel()->index(0, 0));
    m_window->onSpotDetailsTriggered();
    const QList<SpotPopup *> popups = m_window->findChildren<SpotPopup *>();
    QCOMPARE(popups.size(), 1);
    QCOMPARE(popups.first()->dxText(), QStringLiteral("EA8/Q1&lt;i&gt;"));
    QVERIFY(popups.first()->infoText().contains(QStringLiteral("/db/Q1%3Ci%3E\"")));

    MessageBoxCatcher boxes;
    m_window->onSpotDoubleClicked(m_window->spotModel()->index(0, SpotModel::Comment));
    QCOMPARE(boxes.takeAll(), QStringList{QStringLiteral("Error! CAT is disabled in Settings.|")});

    m_window->hide();
    m_window->onQuit();
    QVERIFY(m_window->isClosing());
    m_window->onNewSpot(spot);
    QCOMPARE(m_window->spotModel()->rowCount(), 1);
    m_window->iconActivated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!m_window->isVisible());
    button("pushButton40m")->click();
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), int(Filter::AllBands));
}

void TestMainWindow::earlierSpotsThenLiveSpots()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<TestSpot> earlier;
    for (int i = 0; i < 3; ++i) {
        earlier.append(TestSpot(14010.0 + i, QStringLiteral("Q%1OLD").arg(i), QStringLiteral("Q9SPT"),
                                QStringLiteral("earlier"), now.addSecs(-600 + 60 * i)));
    }
    m_node->preloadSpots(earlier);
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    SpotModel *pModel = m_window->spotModel();

    // Delivered oldest first, so the newest earlier spot ends on top.
    QTRY_COMPARE_WITH_TIMEOUT(pModel->rowCount(), 3, kTimeoutMs);
    QCOMPARE(pModel->item(0, SpotModel::DX)->text(), QStringLiteral("Q2OLD"));
    QCOMPARE(pModel->item(2, SpotModel::DX)->text(), QStringLiteral("Q0OLD"));

    m_node->broadcastSpot(TestSpot(7025.0, QStringLiteral("JA1LIVE"), QStringLiteral("Q9SPT"), QStringLiteral("up 2")));
    QTRY_COMPARE_WITH_TIMEOUT(pModel->rowCount(), 4, kTimeoutMs);
    QCOMPARE(pModel->item(0, SpotModel::DX)->text(), QStringLiteral("JA1LIVE"));
    QCOMPARE(pModel->item(0, SpotModel::Country)->text(), QStringLiteral("Japan"));
    QCOMPARE(pModel->item(0, SpotModel::Comment)->text().trimmed(), QStringLiteral("up 2"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
