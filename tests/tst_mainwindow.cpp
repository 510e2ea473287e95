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
#include <QPushButton>
#include <QScrollBar>
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
    void slotsInertAfterExit();
    void lookupAndDetailsEscapeNetworkText();
    void tuneWithRigControlDisabled();
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
    m_window->show();
    SpotModel *pModel = m_window->spotModel();
    QHeaderView *pHeader = table()->horizontalHeader();

    // Columns only widen, at once for a longer call, and never narrow again;
    // the comment takes the rest, so nothing scrolls sideways.
    Spot first = makeSpot(1);
    m_window->onNewSpot(first);
    const int iFitted = pHeader->sectionSize(SpotModel::DX);
    QVERIFY(pHeader->sectionSize(SpotModel::Country) >= table()->fontMetrics().horizontalAdvance("Central African Republic"));
    Spot longCall = makeSpot(2);
    longCall.setDxCall(QStringLiteral("Q1VERYVERYVERYLONGCALL/MM"));
    m_window->onNewSpot(longCall);
    const int iWidened = pHeader->sectionSize(SpotModel::DX);
    QVERIFY(iWidened > iFitted);
    for (int i = 3; i <= 1001; ++i) {
        Spot spot = makeSpot(i);
        m_window->onNewSpot(spot);
    }
    QCOMPARE(pHeader->sectionSize(SpotModel::DX), iWidened);
    QCOMPARE(pHeader->logicalIndex(pHeader->count() - 1), int(SpotModel::Comment));
    QVERIFY(pHeader->stretchLastSection());
    QVERIFY(!table()->horizontalScrollBar()->isVisible());
    QCOMPARE(pModel->data(pModel->index(0, SpotModel::Frequency), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignRight | Qt::AlignVCenter);

    QCOMPARE(pModel->rowCount(), 1000);
    QCOMPARE(pModel->text(0, SpotModel::DX), QStringLiteral("Q1001X"));
    QCOMPARE(pModel->text(999, SpotModel::DX), QStringLiteral("Q1VERYVERYVERYLONGCALL/MM"));
}

void TestMainWindow::alertCellsAndBalloonText()
{
    SpotModel model;
    Spot plain = makeSpot(1);
    model.insertSpot(plain, 1000);
    QVERIFY(!model.data(model.index(0, SpotModel::DX), Qt::BackgroundRole).isValid());
    QVERIFY(!model.data(model.index(0, SpotModel::Icon), Qt::DecorationRole).isValid());

    Spot alerted = makeSpot(2, AlertFlag::Color | AlertFlag::Icon);
    alerted.setAlertColor(QColor(255, 236, 179));
    alerted.setIconFile(QStringLiteral(":/ico/star_blue.png"));
    model.insertSpot(alerted, 1000);
    for (int iColumn = 0; iColumn < SpotModel::ColumnCount; ++iColumn) {
        if (iColumn != SpotModel::Icon)
            QCOMPARE(model.data(model.index(0, iColumn), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 236, 179));
    }
    QVERIFY(!model.data(model.index(0, SpotModel::Icon), Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!model.data(model.index(0, SpotModel::Icon), Qt::BackgroundRole).isValid());
    QCOMPARE(model.text(1, SpotModel::DX), QStringLiteral("Q1X"));

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

    // With "All" every band shows on; with none every band shows off.
    button("pushButtonAllm")->click();
    QVERIFY(button("pushButton20m")->isChecked());
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
    QCOMPARE(pConnect->iconText(), QStringLiteral("Disconnect"));

    // The operator's disconnect: nothing reconnects, the action offers Connect.
    pConnect->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(pConnect->iconText(), QStringLiteral("Connect"), kTimeoutMs);
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

void TestMainWindow::slotsInertAfterExit()
{
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    m_window->hide();
    m_window->onQuit();
    QVERIFY(m_window->isClosing());

    Spot spot = makeSpot(1);
    m_window->onNewSpot(spot);
    QCOMPARE(m_window->spotModel()->rowCount(), 0);
    m_window->iconActivated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!m_window->isVisible());
    button("pushButton40m")->click();
    QCOMPARE(store().value("Filters/0/BandFilterValue").toInt(), int(Filter::AllBands));
}

void TestMainWindow::lookupAndDetailsEscapeNetworkText()
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

    // From the table: the current row's call, or nothing.
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    Spot spot = makeSpot(7);
    spot.setDxCall(QStringLiteral("EA8/Q1<i>"));
    m_window->onNewSpot(spot);
    table()->setCurrentIndex(table()->model()->index(0, 0));
    m_window->onSpotDetailsTriggered();
    const QList<SpotPopup *> popups = m_window->findChildren<SpotPopup *>();
    QCOMPARE(popups.size(), 1);
    QCOMPARE(popups.first()->dxText(), QStringLiteral("EA8/Q1&lt;i&gt;"));
    QVERIFY(popups.first()->infoText().contains(QStringLiteral("/db/Q1%3Ci%3E\"")));
}

void TestMainWindow::tuneWithRigControlDisabled()
{
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    Spot spot = makeSpot(1);
    m_window->onNewSpot(spot);

    MessageBoxCatcher boxes;
    m_window->onSpotDoubleClicked(m_window->spotModel()->index(0, SpotModel::Comment));
    QCOMPARE(boxes.takeAll(), QStringList{QStringLiteral("Error! CAT is disabled in Settings.|")});
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
    QCOMPARE(pModel->text(0, SpotModel::DX), QStringLiteral("Q2OLD"));
    QCOMPARE(pModel->text(2, SpotModel::DX), QStringLiteral("Q0OLD"));

    m_node->broadcastSpot(TestSpot(7025.0, QStringLiteral("JA1LIVE"), QStringLiteral("Q9SPT"), QStringLiteral("up 2")));
    QTRY_COMPARE_WITH_TIMEOUT(pModel->rowCount(), 4, kTimeoutMs);
    QCOMPARE(pModel->text(0, SpotModel::DX), QStringLiteral("JA1LIVE"));
    QCOMPARE(pModel->text(0, SpotModel::Country), QStringLiteral("Japan"));
    QCOMPARE(pModel->text(0, SpotModel::Comment).trimmed(), QStringLiteral("up 2"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
