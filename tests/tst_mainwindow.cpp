// The main window as the operator meets it: a real window on a real store,
// connected to the test node on loopback.

#include "MessageBoxCatcher.h"
#include "TestSupport.h"
#include "WindowClicks.h"
#include "Worked/WorkedCountries.h"
#include "cluster/Cluster.h"
#include "cluster/Spot.h"
#include "log/LogStore.h"
#include "radio/BandPlan.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"
#include "ui/BalloonThrottle.h"
#include "ui/BandMapDock.h"
#include "ui/BandMapWidget.h"
#include "ui/Delegate.h"
#include "ui/MainWindow.h"
#include "ui/NodeConsole.h"
#include "ui/OperatorLog.h"
#include "ui/SpotModel.h"
#include "ui/SpotPopup.h"
#include "ui/SpotTableView.h"
#include "ui/Tips.h"
#include "ui/WelcomePanel.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolTip>
#include <QUdpSocket>
#include <QtTest>

using TestSupport::LogCapture;
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
    void oneRowPerStationAndAgeing();
    void bandViewPauseAndSteadyScrolling();
    void headerMenuKeepsOneColumnAndRepeatsDoNotAlert();
    void doubleClickTunesThePressedSpot();
    void noTrayNoDatabaseStillAWorkingWindow();
    void floodWithBalloonAlertsKeepsTheWindowAnswering();
    void firstRunGuidesToSettings();
    void nodeConsoleAndDockLayout();
    void needColumnFollowsTheLog();
    void keyboardOnlySession();
    void closingWhileAnUpdateCheckWaits();
    void nodeAndSkimmerFeedTabsAndIndicators();

private:
    void writeStore(int iBands);
    std::unique_ptr<MainWindow> makeWindow();
    // Starts rigctld's dummy rig and a shown window whose rig control
    // talks to it; false when rigctld does not answer.
    bool showWindowOnRig(TestSupport::Rigctld &rigctld);
    QPushButton *button(const char *pName) const { return m_window->findChild<QPushButton *>(pName); }
    QTableView *table() const { return m_window->findChild<QTableView *>(QStringLiteral("tableView")); }

    std::unique_ptr<TestNode> m_node;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::initTestCase()
{
    LogCapture::install(QsLogging::LevelDebug);
    QVERIFY(TestSupport::installRigLibrary(QStringLiteral(KELVANE_BRIDGE_FILE)));
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
    // Wider than the test screen's default window, with room for the
    // default columns and a 25-character call.
    m_window->resize(1200, 515);
    m_window->show();
    SpotModel *pModel = m_window->spotModel();
    QHeaderView *pHeader = table()->horizontalHeader();

    // Columns only widen, at once for a longer call, and never narrow again;
    // the comment takes the rest, so nothing scrolls sideways.
    Spot first = makeSpot(1);
    m_window->onNewSpot(first);
    m_window->showPendingSpots();
    const int iFitted = pHeader->sectionSize(SpotModel::DX);
    QVERIFY(pHeader->sectionSize(SpotModel::Country)
            >= table()->fontMetrics().horizontalAdvance("Central African Republic"));
    Spot longCall = makeSpot(2);
    longCall.setDxCall(QStringLiteral("Q1VERYVERYVERYLONGCALL/MM"));
    m_window->onNewSpot(longCall);
    m_window->showPendingSpots();
    const int iWidened = pHeader->sectionSize(SpotModel::DX);
    QVERIFY(iWidened > iFitted);
    // One batch larger than the table: the newest 1000 stay.
    for (int i = 3; i <= 1001; ++i) {
        Spot spot = makeSpot(i);
        m_window->onNewSpot(spot);
    }
    QCOMPARE(pModel->rowCount(), 2);
    m_window->showPendingSpots();
    QCOMPARE(pHeader->sectionSize(SpotModel::DX), iWidened);
    QCOMPARE(pHeader->logicalIndex(pHeader->count() - 1), int(SpotModel::Comment));
    QVERIFY(pHeader->stretchLastSection());
    // The location columns wait in the header menu until the operator asks.
    for (int iColumn = SpotModel::Continent; iColumn <= SpotModel::LongPath; ++iColumn)
        QVERIFY(pHeader->isSectionHidden(iColumn));
    // Of the skimmer columns, mode, signal and verdict show before the comment.
    for (int iColumn : {SpotModel::Mode, SpotModel::Snr, SpotModel::Validation})
        QVERIFY(!pHeader->isSectionHidden(iColumn)
                && pHeader->visualIndex(iColumn) < pHeader->visualIndex(SpotModel::Comment));
    QVERIFY(pHeader->isSectionHidden(SpotModel::Speed) && pHeader->isSectionHidden(SpotModel::Skimmers));
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
            QCOMPARE(model.data(model.index(0, iColumn), Qt::BackgroundRole).value<QBrush>().color(),
                     QColor(255, 236, 179));
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

    // A comment cut for a narrow column is cut again when the column widens.
    plain.setComment(QStringLiteral("CQ contest up 2, loud on the long path this morning"));
    model.insertSpot(plain, 1000);
    Delegate delegate;
    QWidget fontSource;
    const QModelIndex comment = model.index(0, SpotModel::Comment);
    const auto draw = [&](int iWidth) {
        QImage image(400, 22, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(&fontSource);
        option.rect = QRect(0, 0, iWidth, 22);
        option.textElideMode = Qt::ElideRight;
        delegate.paint(&painter, option, comment);
        return image;
    };
    const QImage narrow = draw(80);
    const QImage wider = draw(160);
    QVERIFY(wider != narrow);
    QVERIFY(draw(400) != wider);
    QCOMPARE(draw(80), narrow);
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
    const QString qsNode = QStringLiteral("127.0.0.1:%1").arg(m_node->port());
    auto *pStatusLabel = m_window->findChild<QLabel *>(QStringLiteral("labelConnectionStatus"));
    auto *pSendSpot = m_window->findChild<QAction *>(QStringLiteral("actionSend_Spot"));
    QCOMPARE(pStatusLabel->text(), QStringLiteral("Connecting to %1\u2026").arg(qsNode));
    QCOMPARE(m_window->trayIcon()->toolTip(), QStringLiteral("Kelvane - Connecting to %1\u2026").arg(qsNode));
    QVERIFY(!pSendSpot->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->trayIcon()->toolTip(), QStringLiteral("Kelvane - Connected to ") + qsNode,
                              kTimeoutMs);
    QCOMPARE(pStatusLabel->text(), QStringLiteral("Connected to ") + qsNode);
    QVERIFY(pSendSpot->isEnabled());
    // The source's own indicator says the same in a few words.
    const QList<QLabel *> indicators = m_window->findChildren<QLabel *>(QStringLiteral("labelSource"));
    QCOMPARE(indicators.size(), 1);
    QCOMPARE(indicators.first()->accessibleName(), QStringLiteral("a: connected"));

    // The first connection brings the hint about the context menu.
    const QList<Tips *> tips = m_window->findChildren<Tips *>();
    QCOMPARE(tips.size(), 1);
    QCOMPARE(tips.first()->tip(), int(Tips::FirstConnection));
    auto *pConnect = m_window->findChild<QAction *>(QStringLiteral("actionConnect"));
    QCOMPARE(pConnect->iconText(), QStringLiteral("Disconnect"));

    // A lost connection says so and when it tries again; Send Spot waits.
    m_node->dropAllClients();
    QTRY_VERIFY_WITH_TIMEOUT(pStatusLabel->text().startsWith(QStringLiteral("Connection to %1 lost (").arg(qsNode)),
                             kTimeoutMs);
    QVERIFY(pStatusLabel->text().endsWith(QStringLiteral("; trying again in 60 s")));
    QVERIFY2(indicators.first()->accessibleName().startsWith(QLatin1String("a: lost: ")),
             qPrintable(indicators.first()->accessibleName()));
    QVERIFY(indicators.first()->toolTip().contains(QLatin1String("lost:")));
    QCOMPARE(m_window->trayIcon()->toolTip(), QStringLiteral("Kelvane - ") + pStatusLabel->text());
    QVERIFY(!pSendSpot->isEnabled());
    m_window->activeCluster()->connectToNode();
    QTRY_VERIFY_WITH_TIMEOUT(pSendSpot->isEnabled(), kTimeoutMs);

    // The operator's disconnect: nothing reconnects, the action offers Connect.
    pConnect->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(pConnect->iconText(), QStringLiteral("Connect"), kTimeoutMs);
    QCOMPARE(m_window->trayIcon()->toolTip(), QStringLiteral("Kelvane - Disconnected"));
    QCOMPARE(pStatusLabel->text(), QStringLiteral("Disconnected"));
    QVERIFY(!pSendSpot->isEnabled());
    QVERIFY(!m_window->activeCluster()->isConnected());

    // A remote DXpeditions list put images and links into the status bar.
    m_window->onDXpeditionsLoadFinished(QStringLiteral("<img src=\"x.png\">"), 3);
    for (const QLabel *pLabel : m_window->statusBar()->findChildren<QLabel *>()) {
        if (!pLabel->text().isEmpty())
            QCOMPARE(pLabel->textFormat(), Qt::PlainText);
    }
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
    QCOMPARE(popup.infoText(),
             QStringLiteral("<a href=\"%1/db/Q1X%22%3E%3Cb%3E%3Fx%3D1%23\">"
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
    auto labelText = [&popup](const char *pName) {
        return popup.findChild<QLabel *>(QLatin1String(pName))->text();
    };
    QCOMPARE(labelText("labelContinent_value"), QStringLiteral("AF, CQ zone 33"));
    QCOMPARE(labelText("labelSpotterContinent_value"), QStringLiteral("N/A"));
    QCOMPARE(labelText("labelShortPath_value"), QStringLiteral("233\u00b0, %1 mi").arg(QLocale().toString(2242)));
    QCOMPARE(labelText("labelLongPath_value"), QStringLiteral("53\u00b0, %1 mi").arg(QLocale().toString(22632)));
    popup.setLocation(located, false);
    QCOMPARE(labelText("labelShortPath_value"), QStringLiteral("233\u00b0, %1 km").arg(QLocale().toString(3607)));

    // One walk over the table: a spot shows at once, the details and the
    // tune act on the current row, and after Exit nothing acts any more.
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    Spot spot = makeSpot(7);
    spot.setDxCall(QStringLiteral("EA8/Q1<i>"));
    m_window->onNewSpot(spot);
    m_window->showPendingSpots();
    QCOMPARE(m_window->spotModel()->rowCount(), 1);
    table()->setCurrentIndex(table()->model()->index(0, 0));
    m_window->onSpotDetailsTriggered();
    const QList<SpotPopup *> popups = m_window->findChildren<SpotPopup *>();
    QCOMPARE(popups.size(), 1);
    QCOMPARE(popups.first()->dxText(), QStringLiteral("EA8/Q1&lt;i&gt;"));
    QVERIFY(popups.first()->infoText().contains(QStringLiteral("/db/Q1%3Ci%3E\"")));

    MessageBoxCatcher boxes;
    m_window->onSpotDoubleClicked(m_window->spotModel()->index(0, SpotModel::Comment));
    QCOMPARE(boxes.takeAll(), QStringList {QStringLiteral("Error! CAT is disabled in Settings.|")});

    m_window->hide();
    m_window->onQuit();
    QVERIFY(m_window->isClosing());
    Spot other = makeSpot(8);
    m_window->onNewSpot(other);
    m_window->showPendingSpots();
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
    QCOMPARE(pModel->text(0, SpotModel::DX), QStringLiteral("Q2OLD"));
    QCOMPARE(pModel->text(2, SpotModel::DX), QStringLiteral("Q0OLD"));

    m_node->broadcastSpot(TestSpot(7025.0, QStringLiteral("JA1LIVE"), QStringLiteral("Q9SPT"), QStringLiteral("up 2")));
    QTRY_COMPARE_WITH_TIMEOUT(pModel->rowCount(), 4, kTimeoutMs);
    QCOMPARE(pModel->text(0, SpotModel::DX), QStringLiteral("JA1LIVE"));
    QCOMPARE(pModel->text(0, SpotModel::Country), QStringLiteral("Japan"));
    QCOMPARE(pModel->text(0, SpotModel::Comment).trimmed(), QStringLiteral("up 2"));
}

void TestMainWindow::oneRowPerStationAndAgeing()
{
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    SpotModel *pModel = m_window->spotModel();
    qint64 iNowMs = 1'000'000'000;
    pModel->setClock([&iNowMs] { return iNowMs; });
    LogCapture::clear();

    // Ten spots of one station within 1 kHz: one row, count 10, one sound;
    // the row carries the newest spotter and frequency.
    for (int i = 0; i < 10; ++i) {
        Spot spot = makeSpot(1, AlertFlag::Sound);
        spot.setSoundFile(QStringLiteral("/no/such/alert.wav"));
        spot.setSpotter(QStringLiteral("Q%1SPT").arg(i));
        spot.setFrequency(QString::number(14025.0 + i * 0.1, 'f', 1));
        iNowMs += 1000;
        m_window->onNewSpot(spot);
        if (i == 4)
            m_window->showPendingSpots();
    }
    m_window->showPendingSpots();
    QCOMPARE(pModel->rowCount(), 1);
    QCOMPARE(pModel->countAt(0), 10);
    QCOMPARE(pModel->text(0, SpotModel::Spotter), QStringLiteral("Q9SPT"));
    QCOMPARE(pModel->text(0, SpotModel::Frequency), QStringLiteral("14025.9"));
    QCOMPARE(LogCapture::with(QStringLiteral("Playing alert sound")).size(), 1);

    // Another band, 2 kHz away, or another station: rows of their own; a
    // repeat of an older row moves it to the top.
    Spot other = makeSpot(1);
    other.setFrequency(QStringLiteral("7025.0"));
    m_window->onNewSpot(other);
    Spot away = makeSpot(1);
    away.setFrequency(QStringLiteral("14028.0"));
    m_window->onNewSpot(away);
    Spot second = makeSpot(2);
    m_window->onNewSpot(second);
    m_window->showPendingSpots();
    QCOMPARE(pModel->rowCount(), 4);
    Spot repeat = makeSpot(1);
    repeat.setFrequency(QStringLiteral("7025.5"));
    m_window->onNewSpot(repeat);
    m_window->showPendingSpots();
    QCOMPARE(pModel->rowCount(), 4);
    QCOMPARE(pModel->text(0, SpotModel::Frequency), QStringLiteral("7025.5"));
    QCOMPARE(pModel->countAt(0), 2);

    // Rows untouched for longer than 30 minutes leave at the next check;
    // a station spotted again after that gets a new row.
    iNowMs += 20 * 60000;
    m_window->onNewSpot(second);
    m_window->showPendingSpots();
    iNowMs += 11 * 60000;
    m_window->onAgeTimerExpired();
    QCOMPARE(pModel->rowCount(), 1);
    QCOMPARE(pModel->text(0, SpotModel::DX), QStringLiteral("Q2X"));
    QCOMPARE(pModel->countAt(0), 2);
}

void TestMainWindow::bandViewPauseAndSteadyScrolling()
{
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    m_window->resize(920, 515);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    for (int i = 0; i < 60; ++i) {
        Spot spot = makeSpot(i);
        spot.setFrequency(i % 3 == 0 ? QStringLiteral("7025.0") : QStringLiteral("14025.0"));
        m_window->onNewSpot(spot);
    }
    m_window->showPendingSpots();
    QAbstractItemModel *pView = table()->model();
    QCOMPARE(pView->rowCount(), 60);

    // The band buttons choose the rows shown, those already there included.
    button("pushButton40m")->click();
    QCOMPARE(pView->rowCount(), 20);
    button("pushButtonAllm")->click();
    QCOMPARE(pView->rowCount(), 60);
    button("pushButtonAllm")->click();
    QCOMPARE(pView->rowCount(), 0);
    QVERIFY(m_window->noticeText().contains(QStringLiteral("No band selected")));
    button("pushButtonAllm")->click();
    QVERIFY(!m_window->noticeText().contains(QStringLiteral("No band selected")));

    // Scrolled down, new rows leave the view where it is and are counted.
    QScrollBar *pScroll = table()->verticalScrollBar();
    QTRY_VERIFY(pScroll->maximum() > 10);
    pScroll->setValue(10);
    const QString qsTopCall = table()->indexAt(QPoint(5, 5)).siblingAtColumn(SpotModel::DX).data().toString();
    table()->setCurrentIndex(pView->index(12, SpotModel::DX));
    const QString qsSelectedCall = table()->currentIndex().data().toString();
    // The three arrive in one batch, as the view takes them.
    for (int i = 100; i < 103; ++i) {
        Spot spot = makeSpot(i);
        m_window->onNewSpot(spot);
    }
    QTRY_COMPARE(pView->rowCount(), 63);
    QCOMPARE(pScroll->value(), 13);
    QCOMPARE(table()->currentIndex().data().toString(), qsSelectedCall);
    QCOMPARE(table()->currentIndex().row(), 15);
    QCOMPARE(table()->indexAt(QPoint(5, 5)).siblingAtColumn(SpotModel::DX).data().toString(), qsTopCall);
    QVERIFY(m_window->newSpotsButton()->isVisible());
    QCOMPARE(m_window->newSpotsButton()->text(), QStringLiteral("3 new spots"));
    m_window->newSpotsButton()->click();
    QCOMPARE(pScroll->value(), 0);
    QVERIFY(!m_window->newSpotsButton()->isVisible());

    // Paused, spots are held and merged; on resume they all appear.
    QTest::keyClick(table(), Qt::Key_Space);
    QVERIFY(m_window->isPaused());
    for (int i = 0; i < 5; ++i) {
        Spot spot = makeSpot(200 + i % 2);
        m_window->onNewSpot(spot);
    }
    m_window->showPendingSpots();
    QCOMPARE(pView->rowCount(), 63);
    QCOMPARE(m_window->pendingSpotCount(), 2);
    QTest::keyClick(table(), Qt::Key_Space);
    QVERIFY(!m_window->isPaused());
    QCOMPARE(pView->rowCount(), 65);
    QCOMPARE(m_window->spotModel()->countAt(0) + m_window->spotModel()->countAt(1), 5);
}

void TestMainWindow::headerMenuKeepsOneColumnAndRepeatsDoNotAlert()
{
    // The table on its own, outside any window.
    SpotTableView view;
    view.show();
    QHeaderView *pHeader = view.horizontalHeader();
    auto openMenu = [&view]() {
        view.onHeaderContextMenuRequested(QPoint(5, 5));
        QMenu *pMenu = view.findChild<QMenu *>();
        Q_ASSERT(pMenu);
        pMenu->setAttribute(Qt::WA_DeleteOnClose, false);
        pMenu->setParent(nullptr);
        return std::unique_ptr<QMenu>(pMenu);
    };
    std::unique_ptr<QMenu> pMenu = openMenu();
    QList<QAction *> actions = pMenu->actions();
    QCOMPARE(actions.size(), int(SpotModel::ColumnCount));
    // Listed in the order the columns stand.
    QCOMPARE(actions.at(pHeader->visualIndex(SpotModel::Icon))->text(), QStringLiteral("Icon"));
    QCOMPARE(actions.at(pHeader->visualIndex(SpotModel::Frequency) + 1)->text(), QStringLiteral("Band"));
    QVERIFY(!actions.at(pHeader->visualIndex(SpotModel::Continent))->isChecked());
    actions.at(pHeader->visualIndex(SpotModel::Continent))->setChecked(true);
    QVERIFY(!pHeader->isSectionHidden(SpotModel::Continent));
    // Every column but one switched off: the last one cannot go.
    for (int iColumn = 1; iColumn < SpotModel::ColumnCount; ++iColumn)
        actions.at(iColumn)->setChecked(false);
    QCOMPARE(pHeader->hiddenSectionCount(), SpotModel::ColumnCount - 1);
    pMenu = openMenu();
    actions = pMenu->actions();
    QVERIFY(actions.at(0)->isChecked() && !actions.at(0)->isEnabled());
    QVERIFY(actions.at(1)->isEnabled());

    // A repeat of a station activity, waiting or shown, updates its row and
    // is not new: it raises no second alert.
    QVERIFY(view.addSpot(makeSpot(1), 1000));
    QVERIFY(!view.addSpot(makeSpot(1), 1000));
    QCOMPARE(view.pendingSpotCount(), 1);
    view.showPendingSpots();
    QCOMPARE(view.spotModel()->rowCount(), 1);
    QVERIFY(!view.addSpot(makeSpot(1), 1000));
    QVERIFY(view.addSpot(makeSpot(2), 1000));
}

bool TestMainWindow::showWindowOnRig(TestSupport::Rigctld &rigctld)
{
    if (!rigctld.start()
        || !QTest::qWaitFor([&rigctld] { return !TestSupport::rigFrequency(rigctld.port()).isEmpty(); }, 10000))
        return false;
    writeStore(Filter::AllBands);
    QSettings settings = store();
    settings.setValue(QStringLiteral("CAT/HRDServer"), 1);
    settings.setValue(QStringLiteral("CAT/HRDAddress"), QStringLiteral("127.0.0.1"));
    settings.setValue(QStringLiteral("CAT/HRDPort"), rigctld.port());
    settings.sync();
    m_window = makeWindow();
    m_window->show();
    return true;
}

void TestMainWindow::doubleClickTunesThePressedSpot()
{
    TestSupport::Rigctld rigctld;
    QVERIFY2(showWindowOnRig(rigctld), qPrintable(rigctld.errorString()));
    const quint16 uiRigPort = rigctld.port();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QWindow *pWindow = m_window->windowHandle();
    QTRY_COMPARE_WITH_TIMEOUT(m_node->loggedInCount(), 1, kTimeoutMs);
    // A live feed at 3 spots/s, as on a busy evening.
    m_node->startGeneratorStream(3.0);
    QTRY_VERIFY_WITH_TIMEOUT(table()->model()->rowCount() >= 4, kTimeoutMs);

    // Ten double clicks on row 2 as the window system delivers them (the
    // second press marked as the one that made the double click), 330 ms
    // apart, with a spot arriving between the two clicks: every one tunes
    // the rig to the spot that was under the pointer.
    QSignalSpy inserted(table()->model(), &QAbstractItemModel::rowsInserted);
    MessageBoxCatcher boxes;
    for (int iTry = 0; iTry < 10; ++iTry) {
        const QModelIndex clicked = table()->model()->index(2, SpotModel::Frequency);
        const QString qsClickedCall = clicked.siblingAtColumn(SpotModel::DX).data().toString();
        const qint64 iExpectedHz = qRound64(clicked.data().toString().toDouble() * 1000);
        const QPointF point = table()->viewport()->mapTo(m_window.get(), table()->visualRect(clicked).center());
        const int iTime = QTest::lastMouseTimestamp += 1000;
        TestSupport::pressAndRelease(pWindow, point, iTime);
        inserted.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!inserted.isEmpty(), 2000);
        QVERIFY(table()->model()->index(2, SpotModel::DX).data().toString() != qsClickedCall);
        TestSupport::pressAndRelease(pWindow, point, iTime + 330);
        QTRY_COMPARE_WITH_TIMEOUT(TestSupport::rigFrequency(uiRigPort).toLongLong(), iExpectedHz, 5000);
    }
    m_node->stopStream();
    QVERIFY(boxes.takeAll().isEmpty());

    // The band map follows the rig: its marker shows where the rig is. A
    // click on a label tunes the rig as a double click does, and the label's
    // tooltip shows the network's text as text.
    auto *pDock = m_window->findChild<BandMapDock *>(QStringLiteral("dockWidgetBandMap"));
    QVERIFY(pDock && !pDock->isVisible());
    pDock->show();
    BandMapWidget *pMap = pDock->bandMap();
    QTRY_VERIFY_WITH_TIMEOUT(pMap->rigFrequency().has_value(), 5000);
    QCOMPARE(qRound64(*pMap->rigFrequency() * 1000), TestSupport::rigFrequency(uiRigPort).toLongLong());
    QCOMPARE(pMap->band().bit, BandPlan::bandFor(*pMap->rigFrequency())->bit);
    Spot clickMe = makeSpot(900);
    clickMe.setFrequency(QStringLiteral("14033.3"));
    clickMe.setComment(QStringLiteral("<b>loud</b>"));
    m_window->onNewSpot(clickMe);
    m_window->showPendingSpots();
    pDock->showBand(BandPlan::find(QStringLiteral("20m"))->bit);
    const QRectF label = pMap->labelRect(m_window->spotModel()->idAt(0));
    QVERIFY(!label.isEmpty());
    QHelpEvent help(QEvent::ToolTip, label.center().toPoint(), pMap->mapToGlobal(label.center().toPoint()));
    QApplication::sendEvent(pMap, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY2(QToolTip::text().contains(QStringLiteral("&lt;b&gt;loud&lt;/b&gt;")), qPrintable(QToolTip::text()));
    QTest::mouseClick(pMap, Qt::LeftButton, {}, label.center().toPoint());
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::rigFrequency(uiRigPort), QStringLiteral("14033300"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(qRound64(pMap->rigFrequency().value_or(0) * 1000), 14033300, 5000);
    QVERIFY(boxes.takeAll().isEmpty());

    // Enter tunes the current row.
    table()->setFocus();
    table()->setCurrentIndex(table()->model()->index(1, 0));
    const QString qsCurrent = table()->model()->index(1, SpotModel::DX).data().toString();
    LogCapture::clear();
    QTest::keyClick(table(), Qt::Key_Return);
    QVERIFY(LogCapture::with(QStringLiteral("Tuning to the spot of")).value(0).contains(qsCurrent));
    m_window.reset();
    rigctld.stop();
}

void TestMainWindow::noTrayNoDatabaseStillAWorkingWindow()
{
    // Start minimized without a tray would leave no window at all.
    writeStore(Filter::AllBands);
    store().setValue(QStringLiteral("General/StartMinimized"), true);
    m_window = makeWindow();
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    QVERIFY(!m_window->isStartMinimized());

    // A box closing while the window is hidden does not end the program.
    QVERIFY(!QApplication::quitOnLastWindowClosed());
    m_window->hide();
    MessageBoxCatcher boxes;
    m_window->onHRDError(QStringLiteral("rig gone"));
    QCOMPARE(boxes.takeAll(), QStringList {QStringLiteral("rig gone|")});
    m_window.reset();

    // No database: a working window that shows spots without countries.
    writeStore(Filter::AllBands);
    m_window = std::make_unique<MainWindow>(nullptr, QStringLiteral("/nonexistent/dir/dx.sqlite"));
    QVERIFY(m_window->noticeText().contains(QStringLiteral("Country database not available")));
    QVERIFY(m_window->activeCluster());
    m_node->broadcastSpot(TestSpot(7025.0, QStringLiteral("JA1LIVE"), QStringLiteral("Q9SPT"), QStringLiteral("up")));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->spotModel()->rowCount(), 1, kTimeoutMs);
    QCOMPARE(m_window->spotModel()->text(0, SpotModel::Country), QString());
}

void TestMainWindow::floodWithBalloonAlertsKeepsTheWindowAnswering()
{
    // A flood with a balloon alert froze the program for minutes: the whole
    // backlog read at once, a balloon per spot.
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    m_window->show();
    Cluster *pCluster = m_window->activeCluster();
    pCluster->addAlert(std::make_unique<Filter>(Filter::Band | Filter::Accept, AlertFlag::Balloon), -1);
    auto *pBalloons = m_window->findChild<BalloonThrottle *>();
    QVERIFY(pBalloons);
    constexpr int kPauseMs = 300;
    pBalloons->setIntervalMs(kPauseMs);
    QSignalSpy balloons(pBalloons, &BalloonThrottle::balloonDue);
    QTRY_COMPARE_WITH_TIMEOUT(m_node->loggedInCount(), 1, kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->isCollectingEarlierSpots(), kTimeoutMs);

    constexpr int kSpots = 20000;
    QByteArray baFlood;
    for (int i = 0; i < kSpots; ++i)
        baFlood += TestSpot(14000.0 + i % 350, QStringLiteral("Q%1F").arg(i), QStringLiteral("Q9SPT")).dxDeLine(true);
    // The window thread's pulse: how late a 10 ms timer comes at worst.
    QElapsedTimer sinceTick;
    qint64 iLatestMs = 0;
    QTimer pulse;
    connect(&pulse, &QTimer::timeout, this, [&] { iLatestMs = qMax(iLatestMs, sinceTick.restart()); });
    QElapsedTimer flood;
    flood.start();
    sinceTick.start();
    pulse.start(10);
    m_node->sendRaw(baFlood);

    // Each alert is shown or counted in the summary of a later balloon.
    auto accounted = [&balloons] {
        static const QRegularExpression more(QStringLiteral("\\.\\.\\. and (\\d+) more$"));
        int iCount = 0;
        for (const QList<QVariant> &balloon : std::as_const(balloons))
            iCount += 1 + more.match(balloon.at(1).toString()).captured(1).toInt();
        return iCount;
    };
    QTRY_COMPARE_WITH_TIMEOUT(accounted(), kSpots, 60000);
    pulse.stop();
    const qint64 iFloodMs = flood.elapsed();
    qInfo("%d spots in %lld ms, %lld balloons, the window's timer at worst %lld ms late", kSpots, iFloodMs,
          qint64(balloons.size()), iLatestMs - 10);
    // Some 20 ms a turn here; the bound leaves room for a loaded machine.
    QVERIFY2(iLatestMs < 1000, qPrintable(QString::number(iLatestMs)));
    QVERIFY(balloons.size() <= iFloodMs / kPauseMs + 2);
}

void TestMainWindow::firstRunGuidesToSettings()
{
    // An empty profile: no box, a window with the guide in the table's place.
    TestSupport::clearStore();
    LogCapture::clear();
    MessageBoxCatcher boxes;
    m_window = makeWindow();
    m_window->show();
    auto *pPanel = m_window->findChild<WelcomePanel *>();
    QVERIFY(pPanel && pPanel->isGuiding() && pPanel->isVisible());
    QVERIFY(!table()->isVisible());
    QVERIFY(boxes.seen.isEmpty());

    // The update server refuses: that is said once the guide is done; the
    // guide's hint is what a new operator reads first.
    const QRegularExpression updateFailed(QStringLiteral("^(Could not check for updates|Nodes list not "
                                                         "updated|Country data not checked): "));
    QTRY_VERIFY_WITH_TIMEOUT(!LogCapture::with(QStringLiteral("Status during the first-run guide")).isEmpty(),
                             kTimeoutMs);
    QVERIFY(m_window->statusBar()->currentMessage().startsWith(QStringLiteral("Welcome!")));

    // The button opens the page that lacks something: first the node...
    Settings *pSettings = m_window->settings();
    auto *pTabs = pSettings->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QTest::mouseClick(pPanel->findChild<QPushButton *>(QStringLiteral("pushButtonWelcomeSettings")), Qt::LeftButton);
    QVERIFY(pSettings->isVisible());
    QCOMPARE(pTabs->currentWidget()->objectName(), QStringLiteral("tabClusterNode"));
    pSettings->reject();

    // ...then, with a node, the callsign.
    SettingsStore::saveUpdatedNodes(
        1, {ClusterNode(QStringLiteral("a"), QStringLiteral("127.0.0.1"), m_node->port(), QString(), true)});
    pSettings->loadSettings();
    QVERIFY(pPanel->isGuiding());
    QTest::mouseClick(pPanel->findChild<QPushButton *>(QStringLiteral("pushButtonWelcomeSettings")), Qt::LeftButton);
    QCOMPARE(pTabs->currentWidget()->objectName(), QStringLiteral("tabGeneral"));
    QCOMPARE(pSettings->focusWidget()->objectName(), QStringLiteral("lineEditCallsign"));

    // Once the station is complete the table takes the panel's place.
    for (const auto &[pField, pValue] : {std::pair {"lineEditCallsign", "Q1ABC"}, std::pair {"lineEditName", "Ann"},
                                         std::pair {"lineEditQth", "Town"}, std::pair {"lineEditLocator", "JO00AA"}})
        pSettings->findChild<QLineEdit *>(QLatin1String(pField))->setText(QLatin1String(pValue));
    pSettings->accept();
    QVERIFY(!pSettings->isVisible());
    QVERIFY(!pPanel->isGuiding());
    QVERIFY(table()->isVisible());
    QVERIFY(m_window->statusBar()->currentMessage().contains(updateFailed));
    QVERIFY(boxes.seen.isEmpty());
}

void TestMainWindow::nodeConsoleAndDockLayout()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    m_node->preloadSpots(
        {TestSpot(14010.0, QStringLiteral("Q1OLD"), QStringLiteral("Q9SPT"), QString(), now.addSecs(-600)),
         TestSpot(7010.0, QStringLiteral("Q2OLD"), QStringLiteral("Q9SPT"), QString(), now.addSecs(-300))});
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    m_window->show();
    auto *pDock = m_window->findChild<QDockWidget *>(QStringLiteral("dockWidgetConsole"));
    QVERIFY(pDock && pDock->isVisible());
    // The View menu reads as the window does: the table's options, the docks
    // in the order they were placed, then the bands and the theme.
    QStringList qslEntries;
    for (const QAction *pAction : m_window->findChild<QMenu *>(QStringLiteral("menuView"))->actions())
        qslEntries.append(pAction->text().remove(QLatin1Char('&')));
    QCOMPARE(qslEntries.mid(1),
             QStringList({QStringLiteral("Find..."), QStringLiteral("Needed only"), QStringLiteral("Band map"),
                          QStringLiteral("Map"), QStringLiteral("Node console"), QStringLiteral("Bands"),
                          QStringLiteral("Theme")}));
    QVERIFY(m_window->findChild<QMenu *>(QStringLiteral("menuView"))->actions().contains(pDock->toggleViewAction()));
    auto *pConsole = pDock->findChild<NodeConsole *>();
    auto *pOutput = pConsole->findChild<QPlainTextEdit *>(QStringLiteral("plainTextEditOutput"));
    auto *pCommand = pConsole->findChild<QLineEdit *>(QStringLiteral("lineEditCommand"));
    static const QRegularExpression rePrompt(
        QStringLiteral("^Q1ABC de Q1NODE-1 [ \\d]\\d-\\w{3}-\\d{4} \\d{4}Z testnode >$"));
    auto lines = [pOutput]() {
        QStringList qslLines = pOutput->toPlainText().split(QLatin1Char('\n'));
        for (QString &qsLine : qslLines) {
            if (rePrompt.match(qsLine).hasMatch())
                qsLine = QStringLiteral("PROMPT");
        }
        return qslLines;
    };

    // The greeting, the answer to "set/ve7cc" and the earlier spots' answer
    // (spot lines only) each end in a prompt; then the operator asks for WWV.
    QTRY_COMPARE_WITH_TIMEOUT(lines().count(QStringLiteral("PROMPT")), 3, kTimeoutMs);
    QTest::keyClicks(pCommand, QStringLiteral("SH/WWV"));
    QTest::keyClick(pCommand, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(lines().count(QStringLiteral("PROMPT")), 4, kTimeoutMs);
    QCOMPARE(m_node->receivedBytes().right(8), QByteArray("\nSH/WWV\n"));
    QVERIFY(pCommand->text().isEmpty());
    const QStringList qslExpected =
        QStringList {QStringLiteral("login: "),
                     QStringLiteral("Hello Q1ABC, this is Q1NODE-1 in Testtown"),
                     QStringLiteral("running testnode, a cluster node for testing"),
                     QStringLiteral("Cluster: 1 node, 1 users connected"),
                     QStringLiteral("Please enter your name, set/name <your name>"),
                     QStringLiteral("Please enter your QTH, set/qth <your qth>"),
                     QStringLiteral("Please enter your Home Node, set/homenode <your home DX Cluster>"),
                     QStringLiteral("PROMPT"),
                     QStringLiteral("Operation successful"),
                     QStringLiteral("PROMPT"),
                     QStringLiteral("PROMPT"),
                     QStringLiteral("> SH/WWV")}
        + m_node->bulletins().wwvAnswer() + QStringList {QStringLiteral("PROMPT")};
    QCOMPARE(lines(), qslExpected);

    // Control characters and escape sequences go, a tab is a space, markup
    // shows as written; the bell rings once however many lines ring it
    // within a second.
    QSignalSpy bellSpy(pConsole, &NodeConsole::bellRung);
    m_node->sendRaw("To ALL de Q2XYZ: <b>x</b>\a\x1b[0m\tok\r\n\a\aTo ALL de Q3XYZ: \x7f\x85"
                    "again\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(lines().constLast(), QStringLiteral("To ALL de Q3XYZ: again"), kTimeoutMs);
    QCOMPARE(lines().at(lines().size() - 2), QStringLiteral("To ALL de Q2XYZ: <b>x</b> ok"));
    QCOMPARE(bellSpy.count(), 1);

    // Spot lines only when asked for.
    pConsole->findChild<QCheckBox *>(QStringLiteral("checkBoxShowSpots"))->setChecked(true);
    m_node->broadcastSpot(TestSpot(14025.0, QStringLiteral("Q9NEW"), QStringLiteral("Q1DEF"), QStringLiteral("cq")));
    QTRY_VERIFY_WITH_TIMEOUT(lines().constLast().startsWith(QLatin1String("CC11^14025.0^Q9NEW^")), kTimeoutMs);

    // Up brings the last command back; without a connection it stays there,
    // unsent, and the console says why.
    QTest::keyClick(pCommand, Qt::Key_Up);
    QCOMPARE(pCommand->text(), QStringLiteral("SH/WWV"));
    m_window->activeCluster()->disconnectFromNode();
    m_node->clearReceived();
    QTest::keyClick(pCommand, Qt::Key_Return);
    QCOMPARE(lines().constLast(), QStringLiteral("*** Not connected: command not sent"));
    QCOMPARE(pCommand->text(), QStringLiteral("SH/WWV"));
    QTest::qWait(100);
    QCOMPARE(m_node->receivedBytes(), QByteArray());

    // A dock the operator closed stays closed in the next session.
    pDock->toggleViewAction()->trigger();
    QVERIFY(!pDock->isVisible());
    m_window->onQuit();
    m_window = makeWindow();
    m_window->show();
    pDock = m_window->findChild<QDockWidget *>(QStringLiteral("dockWidgetConsole"));
    QVERIFY(!pDock->isVisible());
    QVERIFY(!pDock->toggleViewAction()->isChecked());
}

void TestMainWindow::needColumnFollowsTheLog()
{
    QFile::remove(LogStore::defaultFileName());
    writeStore(Filter::AllBands);
    m_window = makeWindow();
    OperatorLog *pLog = m_window->operatorLog();
    SpotModel *pModel = m_window->spotModel();
    QVERIFY(!table()->horizontalHeader()->isSectionHidden(SpotModel::Need));

    // Japan worked on 20m CW, from a file imported as the menu does it.
    const QString qsFile = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).filePath("log.adi");
    {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<CALL:6>JA1ABC<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1200<EOR>\n<CALL:3>Q1X<EOR>");
    }
    QSignalSpy finished(pLog, &OperatorLog::importFinished);
    pLog->importFile(qsFile);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toString(),
             QStringLiteral("1 imported, 0 already in the log (merged), 1 skipped:\n\u2022 record 2: no band"));
    QMessageBox *pBox = m_window->findChild<QMessageBox *>(QStringLiteral("messageBoxLogImport"));
    QVERIFY(pBox);
    pBox->close();

    Spot japanCw = makeSpot(1);
    Spot japanFt8 = makeSpot(2);
    japanFt8.setFrequency(QStringLiteral("14074.0"));
    japanFt8.setComment(QStringLiteral("FT8"));
    Spot usa = makeSpot(3);
    usa.setCountry(QStringLiteral("United States of America"));
    // The calls themselves: one in the log on this band and mode, one that
    // a QSO reported below puts there.
    Spot dupe = makeSpot(4);
    dupe.setDxCall(QStringLiteral("JA1ABC"));
    Spot k1abc = makeSpot(5);
    k1abc.setDxCall(QStringLiteral("K1ABC"));
    k1abc.setCountry(QStringLiteral("United States of America"));
    k1abc.setFrequency(QStringLiteral("14074.0"));
    k1abc.setComment(QStringLiteral("FT8"));
    for (Spot *pSpot : {&dupe, &k1abc, &japanCw, &japanFt8, &usa})
        m_window->onNewSpot(*pSpot);
    m_window->showPendingSpots();
    QVERIFY(!table()->horizontalHeader()->isSectionHidden(SpotModel::Worked));
    QCOMPARE(pModel->text(4, SpotModel::Worked), QStringLiteral("Dupe"));
    QCOMPARE(pModel->text(3, SpotModel::Worked), QString());
    QCOMPARE(pModel->text(2, SpotModel::Worked), QString());
    QCOMPARE(
        pModel->data(pModel->index(4, SpotModel::Need), Qt::ToolTipRole).toString(),
        QStringLiteral("Worked, not confirmed\nDupe: this call is in your log on this band and mode (worked on 20m)"));
    QCOMPARE(pModel->text(2, SpotModel::Need), QStringLiteral("Unconf"));
    QCOMPARE(pModel->text(1, SpotModel::Need), QStringLiteral("Mode"));
    QCOMPARE(pModel->text(0, SpotModel::Need), QStringLiteral("New"));
    QCOMPARE(pModel->data(pModel->index(0, SpotModel::Need), Qt::BackgroundRole).value<QBrush>().color(),
             SpotModel::needColor(Need::NewCountry));

    // A QSO logged in a digital-mode program, reported over UDP as it does,
    // changes the marks on screen within a second.
    quint16 uiPort = 0;
    {
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
        uiPort = probe.localPort();
    }
    LogSettings logSettings;
    logSettings.wsjtxEnabled = true;
    logSettings.wsjtxPort = uiPort;
    logSettings.wsjtxAddress = QStringLiteral("192.0.2.1"); // not ours: the reason is told
    SettingsStore::saveLog(logSettings);
    QVERIFY(!pLog->applySettings().isEmpty());
    logSettings.wsjtxAddress = QStringLiteral("127.0.0.1");
    SettingsStore::saveLog(logSettings);
    QCOMPARE(pLog->applySettings(), QString());
    QSignalSpy repaint(pModel, &QAbstractItemModel::dataChanged);
    QByteArray baFrame;
    QDataStream frame(&baFrame, QIODevice::WriteOnly);
    frame.setVersion(QDataStream::Qt_5_4);
    frame << quint32(0xadbccbda) << quint32(3) << quint32(12) << QByteArray("WSJT-X")
          << QByteArray("<CALL:5>K1ABC<BAND:3>20m<MODE:3>FT8<QSO_DATE:8>20240106<TIME_ON:4>1200"
                        "<LOTW_QSL_RCVD:1>Y<EOR>");
    QUdpSocket sender;
    QCOMPARE(sender.writeDatagram(baFrame, QHostAddress::LocalHost, uiPort), qint64(baFrame.size()));
    QTRY_COMPARE_WITH_TIMEOUT(pModel->text(0, SpotModel::Need), QStringLiteral("Mode"), 1000);
    QCOMPARE(repaint.count(), 1);
    QCOMPARE(pModel->text(3, SpotModel::Worked), QStringLiteral("Dupe"));
    QCOMPARE(pModel->data(pModel->index(0, SpotModel::Need), Qt::BackgroundRole).value<QBrush>().color(),
             SpotModel::needColor(Need::NewMode));

    // "Take from log" marks both countries worked.
    m_window->onManageWorkedCountriesTriggered();
    WorkedCountries *pDialog = m_window->findChild<WorkedCountries *>();
    QVERIFY(pDialog);
    TestSupport::child<QPushButton>(pDialog, "pushButtonTakeFromLog")->click();
    QVERIFY(m_window->settings()->workedCountries().contains(QStringLiteral("Japan")));
    QVERIFY(m_window->settings()->workedCountries().contains(QStringLiteral("United States of America")));
    QVERIFY(!m_window->settings()->notWorkedCountries().contains(QStringLiteral("Japan")));
    pDialog->reject();
    m_window.reset();
    QFile::remove(LogStore::defaultFileName());
}

namespace {
// Opens a menu of the bar by its Alt key and picks an entry by its
// mnemonic, as an operator does it.
bool pickFromMenu(QWidget *pWindow, Qt::Key menuKey, Qt::Key entryKey, QWidget *pOpened = nullptr)
{
    QTest::keyClick(pWindow, menuKey, Qt::AltModifier);
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000))
        return false;
    QTest::keyClick(QApplication::activePopupWidget(), entryKey);
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 2000))
        return false;
    // The offscreen platform leaves the closed menu the active window (and
    // says so late), where a window manager activates the window again, or
    // the one the entry opened.
    QCoreApplication::processEvents();
    QWidget *pActive = pOpened ? pOpened : pWindow;
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(pActive);
    QT_WARNING_POP
    return QApplication::activeWindow() == pActive;
}
} // namespace

void TestMainWindow::keyboardOnlySession()
{
    // Connect, find a call, tune it and post a spot, with the keyboard
    // alone, against the test node and rigctld's dummy rig.
    TestSupport::Rigctld rigctld;
    QVERIFY2(showWindowOnRig(rigctld), qPrintable(rigctld.errorString()));
    const quint16 uiRigPort = rigctld.port();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_COMPARE_WITH_TIMEOUT(m_node->loggedInCount(), 1, kTimeoutMs);
    Cluster *pCluster = m_window->activeCluster();

    // File → Disconnect and File → Connect by their keys; the entry's
    // text, and so its key, follows the connection.
    auto *pConnect = m_window->findChild<QAction *>(QStringLiteral("actionConnect"));
    QTRY_COMPARE_WITH_TIMEOUT(pConnect->text(), QStringLiteral("&Disconnect"), kTimeoutMs);
    QVERIFY(pickFromMenu(m_window.get(), Qt::Key_F, Qt::Key_D));
    QTRY_VERIFY_WITH_TIMEOUT(!pCluster->isConnected(), kTimeoutMs);
    QCOMPARE(pConnect->text(), QStringLiteral("&Connect"));
    QVERIFY(pickFromMenu(m_window.get(), Qt::Key_F, Qt::Key_C));
    QTRY_VERIFY_WITH_TIMEOUT(pCluster->isConnected() && m_node->loggedInCount() == 1, kTimeoutMs);
    for (const auto &[dKHz, pCall] : {std::pair(7025.0, "DL1ABC"), std::pair(14025.0, "JA1KEY"),
                                      std::pair(21030.0, "K1XYZ"), std::pair(14030.0, "JA1OTHER")})
        m_node->broadcastSpot(TestSpot(dKHz, QLatin1String(pCall), QStringLiteral("Q9SPT"), QStringLiteral("cq")));
    QTRY_COMPARE_WITH_TIMEOUT(table()->model()->rowCount(), 4, kTimeoutMs);

    // Ctrl+F, the call, Enter: the rows it found, the first one current.
    QTest::keyClick(m_window.get(), Qt::Key_F, Qt::ControlModifier);
    auto *pFind = m_window->findChild<QLineEdit *>(QStringLiteral("lineEditFind"));
    QCOMPARE(QApplication::focusWidget(), pFind);
    QTest::keyClicks(pFind, QStringLiteral("ja1key"));
    QTRY_COMPARE(table()->model()->rowCount(), 1);
    QTest::keyClick(pFind, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), table());
    QCOMPARE(table()->currentIndex().siblingAtColumn(SpotModel::DX).data().toString(), QStringLiteral("JA1KEY"));

    // Enter tunes the rig there.
    MessageBoxCatcher boxes;
    QTest::keyClick(table(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::rigFrequency(uiRigPort), QStringLiteral("14025000"), 5000);

    // File → Send spot: the rig's frequency comes in, the call and a remark
    // are typed, Enter sends it to the node.
    auto *pDialog = m_window->findChild<QDialog *>(QStringLiteral("SendSpot"));
    QVERIFY(pDialog);
    QVERIFY(pickFromMenu(m_window.get(), Qt::Key_F, Qt::Key_P, pDialog));
    QVERIFY(pDialog->isVisible());
    auto *pFrequency = pDialog->findChild<QLineEdit *>(QStringLiteral("lineEditSendSpotFrequency"));
    QVERIFY(pFrequency);
    QTRY_COMPARE_WITH_TIMEOUT(pFrequency->text(), QStringLiteral("14025.0"), 5000);
    QCOMPARE(QApplication::focusWidget(), pFrequency);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ja1key"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("tnx"));
    m_node->clearReceived();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(m_node->receivedLines().contains(QStringLiteral("DX 14025.0 JA1KEY tnx")), kTimeoutMs);
    QVERIFY(!pDialog->isVisible());
    QCOMPARE(boxes.takeAll(), QStringList());
    m_window.reset();
    rigctld.stop();
}

void TestMainWindow::closingWhileAnUpdateCheckWaits()
{
    // An update server that takes the connection and never answers: the
    // window closes with its checks still open, and the aborted checks
    // report nothing to what is already gone.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    TestSupport::clearStore();
    store().setValue(QStringLiteral("General/UpdateServer"),
                     QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()));
    store().sync();
    m_window = makeWindow();
    m_window->show();
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), kTimeoutMs);
    m_window.reset();
}

void TestMainWindow::nodeAndSkimmerFeedTabsAndIndicators()
{
    // The stored node and a skimmer feed ticked beside it.
    TestNode skimmer;
    skimmer.setKind(TestNode::Kind::SkimmerFeed);
    skimmer.setNodeCall(QStringLiteral("Q1SKIM"));
    QVERIFY(skimmer.listen());
    writeStore(Filter::AllBands);
    NodeList nodes = SettingsStore::loadNodes();
    ClusterNode feed(QStringLiteral("Skimmers"), QStringLiteral("127.0.0.1"), skimmer.port(), QString(), false);
    feed.setConnected(true);
    feed.setSkimmerFeed(true);
    nodes.nodes.append(feed);
    SettingsStore::saveNodes(nodes);
    store().setValue(QStringLiteral("General/SeenTips"), 0);
    // Our own spot node on: every source's tooltip tells its clients.
    quint16 uiNodePort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        uiNodePort = probe.serverPort();
    }
    store().setValue(QStringLiteral("Sharing/NodeServer"), true);
    store().setValue(QStringLiteral("Sharing/NodeServerPort"), uiNodePort);
    m_window = makeWindow();
    m_window->show();
    auto *pConsole = m_window->findChild<NodeConsole *>();
    auto *pOutput = pConsole->findChild<QPlainTextEdit *>(QStringLiteral("plainTextEditOutput"));
    auto *pCommand = pConsole->findChild<QLineEdit *>(QStringLiteral("lineEditCommand"));
    QStringList names = pConsole->sourceNames();
    names.sort();
    QCOMPARE(names, (QStringList {QStringLiteral("Skimmers"), QStringLiteral("a")}));
    QTRY_VERIFY_WITH_TIMEOUT(m_node->loggedInCount() == 1 && skimmer.loggedInCount() == 1, kTimeoutMs);

    // Each tab shows what its own source said.
    const QString qsNodeHello = QStringLiteral("Hello Q1ABC, this is Q1NODE-1");
    const QString qsFeedHello = QStringLiteral("Hello Q1ABC, this is Q1SKIM");
    QVERIFY(pConsole->showSource(QStringLiteral("a")));
    QTRY_VERIFY_WITH_TIMEOUT(pOutput->toPlainText().contains(qsNodeHello), kTimeoutMs);
    QVERIFY(!pOutput->toPlainText().contains(qsFeedHello));
    QVERIFY(pConsole->showSource(QStringLiteral("Skimmers")));
    QTRY_VERIFY_WITH_TIMEOUT(pOutput->toPlainText().contains(qsFeedHello), kTimeoutMs);
    QVERIFY(!pOutput->toPlainText().contains(qsNodeHello));

    // The feed's tab offers no command; should one come from elsewhere it
    // is not sent. On the node's tab a command goes to the node alone.
    QVERIFY(!pCommand->isEnabled());
    QVERIFY(!pConsole->findChild<QPushButton *>(QStringLiteral("pushButtonShowDx"))->isEnabled());
    QVERIFY(!pConsole->sendCommand(QStringLiteral("SH/DX")));
    QVERIFY(pOutput->toPlainText().endsWith(QStringLiteral("*** Skimmers is a skimmer feed and takes no commands")));
    QVERIFY(pConsole->showSource(QStringLiteral("a")));
    QVERIFY(pCommand->isEnabled());
    pCommand->setText(QStringLiteral("SH/WWV"));
    QTest::keyClick(pCommand, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(m_node->receivedLines().contains(QStringLiteral("SH/WWV")), kTimeoutMs);
    QTest::qWait(100);
    QCOMPARE(skimmer.receivedLines(), QStringList {QStringLiteral("Q1ABC")});

    // An indicator per source, its state in words as the tooltip.
    const QList<QLabel *> indicators = m_window->findChildren<QLabel *>(QStringLiteral("labelSource"));
    QCOMPARE(indicators.size(), 2);
    auto words = [&indicators]() {
        QStringList qslWords;
        for (const QLabel *pIndicator : indicators)
            qslWords.append(pIndicator->accessibleName());
        qslWords.sort();
        return qslWords;
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        words(), (QStringList {QStringLiteral("Skimmers: connected"), QStringLiteral("a: connected")}), kTimeoutMs);
    QVERIFY(indicators.at(0)->toolTip().contains(QLatin1String("connected")));
    QTcpSocket logger;
    logger.connectToHost(QHostAddress::LocalHost, uiNodePort);
    for (const QLabel *pIndicator : indicators) {
        // The tooltip keeps its words together with non-breaking spaces.
        QTRY_VERIFY_WITH_TIMEOUT(pIndicator->toolTip().replace(QChar::Nbsp, QLatin1Char(' ')).contains(
                                     QStringLiteral("spot node on 127.0.0.1 port %1 serves 1 client").arg(uiNodePort)),
                                 kTimeoutMs);
    }
    // Both connecting bring the first connection's hint once.
    QCOMPARE(m_window->findChildren<Tips *>().size(), 1);

    // Spots of both end up in the one table.
    m_node->broadcastSpot(TestSpot(14025.0, QStringLiteral("Q9NODE"), QStringLiteral("Q1DEF"), QStringLiteral("cq")));
    skimmer.broadcastSpot(
        TestSpot(7022.0, QStringLiteral("Q9SKIM"), QStringLiteral("EA5WU-#"), QStringLiteral("CW 12 dB 22 WPM CQ")));
    const SpotModel *pModel = m_window->spotModel();
    auto calls = [pModel]() {
        QStringList qslCalls;
        for (int iRow = 0; iRow < pModel->rowCount(); ++iRow)
            qslCalls.append(pModel->index(iRow, SpotModel::DX).data().toString());
        return qslCalls;
    };
    QTRY_VERIFY_WITH_TIMEOUT(calls().contains(QStringLiteral("Q9NODE")) && calls().contains(QStringLiteral("Q9SKIM")),
                             kTimeoutMs);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
