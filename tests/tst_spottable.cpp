// Finding the one spot in a busy table: sorting while spots arrive, the
// search, and what the operator sees of it in the window.

#include "MessageBoxCatcher.h"
#include "TestSupport.h"
#include "WindowClicks.h"
#include "cluster/Cluster.h"
#include "cluster/SkimmerValidator.h"
#include "cluster/Spot.h"
#include "log/LogStore.h"
#include "radio/BandPlan.h"
#include "settings/Settings.h"
#include "settings/ViewOptions.h"
#include "testnode/TestNode.h"
#include "ui/BandMapDock.h"
#include "ui/BandMapWidget.h"
#include "ui/Delegate.h"
#include "ui/MainWindow.h"
#include "ui/OperatorLog.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotPopup.h"
#include "ui/SpotSortProxy.h"
#include "ui/SpotTableView.h"
#include "ui/Theme.h"

#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QtTest>

#include <functional>

namespace {
Spot makeSpot(const QString &qsCall, const QString &qsFrequency, const QString &qsComment = QStringLiteral("cq"))
{
    Spot spot;
    spot.setDate(QStringLiteral("6-Dec-2026"));
    spot.setTime(QStringLiteral("1200Z"));
    spot.setSpotter(QStringLiteral("Q1SPT"));
    spot.setFrequency(qsFrequency);
    spot.setDxCall(qsCall);
    spot.setCountry(QStringLiteral("Japan"));
    spot.setComment(qsComment);
    return spot;
}

QString callAt(const QTableView &view, int iRow)
{
    return view.model()->index(iRow, SpotModel::DX).data().toString();
}

QString topCall(const QTableView &view)
{
    return view.indexAt(QPoint(5, 5)).siblingAtColumn(SpotModel::DX).data().toString();
}

QStringList callsShown(const QTableView &view)
{
    QStringList qslCalls;
    for (int iRow = 0; iRow < view.model()->rowCount(); ++iRow)
        qslCalls.append(callAt(view, iRow));
    qslCalls.sort();
    return qslCalls;
}

// WCAG contrast ratio of two opaque colours.
double contrast(const QColor &first, const QColor &second)
{
    const auto luminance = [](const QColor &color) {
        const auto channel = [](double dValue) {
            return dValue <= 0.03928 ? dValue / 12.92 : std::pow((dValue + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
    };
    const double dFirst = luminance(first);
    const double dSecond = luminance(second);
    return (qMax(dFirst, dSecond) + 0.05) / (qMin(dFirst, dSecond) + 0.05);
}

// A window on a store with a station and a node nobody answers on.
std::unique_ptr<MainWindow> makeWindow()
{
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), TestSupport::freeLoopbackPort(), false);
    TestSupport::store().setValue(QStringLiteral("General/SeenTips"), -1);
    auto pWindow = std::make_unique<MainWindow>();
    pWindow->resize(1000, 600);
    pWindow->show();
    return pWindow;
}
} // namespace

class TestSpotTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sortedViewStaysPutAndTunesThePressedSpot();
    void headerStatesOldAndNew();
    void findAsYouTypeAndNeededOnly();
    void firstStartShowsTheGuideFirst();
    void ageFadesInReadableSteps();
    void keyboardWalk();
    void repeatsTeachTheRowItsReporters();
    void batchesGrowAtAContestRate();
    void themesKeepEveryTextReadable();
    void skimmerColumnsFromAFeed();
    void movedStationMarksItsOldRow();
};

void TestSpotTable::initTestCase()
{
    TestSupport::LogCapture::install(QsLogging::LevelDebug);
    TestSupport::clearStore();
}

void TestSpotTable::sortedViewStaysPutAndTunesThePressedSpot()
{
    SpotTableView view;
    view.resize(700, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Frequencies whose text order is not their numeric order.
    for (int i = 0; i < 60; ++i)
        view.addSpot(makeSpot(QStringLiteral("Q%1X").arg(i), QString::number(1830 + i * 500) + QStringLiteral(".0")),
                     1000);
    view.showPendingSpots();
    QCOMPARE(callAt(view, 0), QStringLiteral("Q59X"));

    // A click on the header sorts by that column, as numbers.
    QHeaderView *pHeader = view.horizontalHeader();
    const int iX = pHeader->sectionViewportPosition(SpotModel::Frequency) + 5;
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(iX, 5));
    QCOMPARE(view.sortProxy()->sortColumn(), int(SpotModel::Frequency));
    const Qt::SortOrder order = pHeader->sortIndicatorOrder();
    QCOMPARE(callAt(view, 0), order == Qt::AscendingOrder ? QStringLiteral("Q0X") : QStringLiteral("Q59X"));
    if (order != Qt::AscendingOrder)
        view.sortByColumn(SpotModel::Frequency, Qt::AscendingOrder);
    QCOMPARE(callAt(view, 1), QStringLiteral("Q1X"));
    QCOMPARE(callAt(view, 59), QStringLiteral("Q59X"));

    // At the top and scrolled down alike, spots sorted in above the first
    // row in view leave the rows in view where they are and are counted; one
    // sorted in below takes its place.
    QScrollBar *pScroll = view.verticalScrollBar();
    for (const int iScroll : {0, 10}) {
        view.onNewSpotsClicked();
        pScroll->setValue(iScroll);
        const QString qsTop = topCall(view);
        view.addSpot(makeSpot(QStringLiteral("Q%1A").arg(iScroll), QStringLiteral("1800.0")), 1000);
        view.addSpot(makeSpot(QStringLiteral("Q%1B").arg(iScroll), QStringLiteral("1801.0")), 1000);
        view.addSpot(makeSpot(QStringLiteral("Q%1C").arg(iScroll), QStringLiteral("50000.0")), 1000);
        view.showPendingSpots();
        QCOMPARE(topCall(view), qsTop);
        QVERIFY(view.newSpotsButton()->isVisible());
        QCOMPARE(view.newSpotsButton()->text(), QStringLiteral("2 new spots"));
    }
    view.newSpotsButton()->click();
    QCOMPARE(pScroll->value(), 0);
    QCOMPARE(callAt(view, 0), QStringLiteral("Q0A"));

    // A spot sorted in between the two presses of a double click moves the
    // rows under the pointer: the spot pressed first is the one tuned.
    QSignalSpy tuned(&view, &SpotTableView::tuneRequested);
    const QModelIndex pressed = view.model()->index(5, SpotModel::Frequency);
    const QString qsPressedCall = callAt(view, 5);
    const QPointF point = view.viewport()->mapTo(&view, view.visualRect(pressed).center());
    const int iTime = QTest::lastMouseTimestamp += 1000;
    TestSupport::pressAndRelease(view.windowHandle(), point, iTime);
    view.addSpot(makeSpot(QStringLiteral("Q9Z"), QStringLiteral("1831.0")), 1000);
    view.showPendingSpots();
    QVERIFY(callAt(view, 5) != qsPressedCall);
    TestSupport::pressAndRelease(view.windowHandle(), point, iTime + 200);
    QCOMPARE(tuned.count(), 1);
    QCOMPARE(tuned.first().first().value<Spot>().dxCall(), qsPressedCall);

    // A third click returns to newest first.
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(iX, 5));
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(iX, 5));
    QVERIFY(!view.sortProxy()->isSorted());
    QCOMPARE(callAt(view, 0), QStringLiteral("Q9Z"));
}

void TestSpotTable::headerStatesOldAndNew()
{
    // The header of the table before it could be sorted: its state knows
    // nothing of a sort order.
    SpotModel model;
    QTableView oldTable;
    oldTable.setModel(&model);
    oldTable.horizontalHeader()->resizeSection(SpotModel::Country, 321);
    const QByteArray oldState = oldTable.horizontalHeader()->saveState();

    SpotTableView view;
    view.addSpot(makeSpot(QStringLiteral("Q1A"), QStringLiteral("14025.0")), 1000);
    view.addSpot(makeSpot(QStringLiteral("Q2A"), QStringLiteral("7025.0")), 1000);
    view.showPendingSpots();
    QVERIFY(view.restoreHeaderState(oldState));
    QCOMPARE(view.horizontalHeader()->sectionSize(SpotModel::Country), 321);
    QVERIFY(!view.sortProxy()->isSorted());
    QCOMPARE(callAt(view, 0), QStringLiteral("Q2A"));

    view.sortByColumn(SpotModel::Frequency, Qt::AscendingOrder);
    const QByteArray sortedState = view.horizontalHeader()->saveState();
    SpotTableView restored;
    restored.addSpot(makeSpot(QStringLiteral("Q1A"), QStringLiteral("14025.0")), 1000);
    restored.addSpot(makeSpot(QStringLiteral("Q2A"), QStringLiteral("7025.0")), 1000);
    restored.addSpot(makeSpot(QStringLiteral("Q3A"), QStringLiteral("10125.0")), 1000);
    restored.showPendingSpots();
    QVERIFY(restored.restoreHeaderState(sortedState));
    QCOMPARE(restored.sortProxy()->sortColumn(), int(SpotModel::Frequency));
    QCOMPARE(callAt(restored, 0), QStringLiteral("Q2A"));
    QCOMPARE(callAt(restored, 1), QStringLiteral("Q3A"));
    // Unreadable bytes leave the table as it was.
    QVERIFY(!restored.restoreHeaderState(QByteArray("junk")));
    QCOMPARE(restored.sortProxy()->sortColumn(), int(SpotModel::Frequency));

    // A layout saved before Band and Worked existed, with a location column
    // shown and Need hidden: all of that stays, Band comes hidden and
    // Worked shown, each beside what it belongs with, not after Comment.
    constexpr int kColumnsBefore = SpotModel::Band;
    QStandardItemModel before(0, kColumnsBefore);
    QTableView beforeTable;
    beforeTable.setModel(&before);
    beforeTable.setSortingEnabled(true);
    QHeaderView *pBefore = beforeTable.horizontalHeader();
    pBefore->setStretchLastSection(true);
    for (int iColumn = 0; iColumn < kColumnsBefore; ++iColumn)
        pBefore->setSectionHidden(iColumn, SpotModel::isLocationColumn(iColumn) && iColumn != SpotModel::CqZone);
    pBefore->setSectionHidden(SpotModel::Need, true);
    pBefore->resizeSection(SpotModel::Country, 222);
    pBefore->setSortIndicator(SpotModel::DX, Qt::AscendingOrder);
    SpotTableView upgraded;
    QVERIFY(upgraded.restoreHeaderState(pBefore->saveState()));
    QHeaderView *pHeader = upgraded.horizontalHeader();
    QCOMPARE(pHeader->count(), int(SpotModel::ColumnCount));
    QCOMPARE(pHeader->sectionSize(SpotModel::Country), 222);
    QVERIFY(!pHeader->isSectionHidden(SpotModel::CqZone));
    QVERIFY(pHeader->isSectionHidden(SpotModel::Continent));
    QVERIFY(pHeader->isSectionHidden(SpotModel::Need));
    QVERIFY(pHeader->isSectionHidden(SpotModel::Band));
    QVERIFY(!pHeader->isSectionHidden(SpotModel::Worked));
    QCOMPARE(upgraded.sortProxy()->sortColumn(), int(SpotModel::DX));
    QCOMPARE(pHeader->visualIndex(SpotModel::Band), pHeader->visualIndex(SpotModel::Frequency) + 1);
    QCOMPARE(pHeader->visualIndex(SpotModel::Worked), pHeader->visualIndex(SpotModel::Need) + 1);
    QCOMPARE(pHeader->logicalIndex(pHeader->count() - 1), int(SpotModel::Comment));

    // Band shown from the header menu is kept with the layout.
    upgraded.onHeaderContextMenuRequested(QPoint(5, 5));
    auto *pMenu = upgraded.findChild<QMenu *>();
    QVERIFY(pMenu);
    QAction *pBand = pMenu->actions().at(pHeader->visualIndex(SpotModel::Band));
    QCOMPARE(pBand->text(), QStringLiteral("Band"));
    QVERIFY(!pBand->isChecked());
    pBand->setChecked(true);
    delete pMenu;
    upgraded.addSpot(makeSpot(QStringLiteral("Q1A"), QStringLiteral("7025.0")), 1000);
    upgraded.showPendingSpots();
    QCOMPARE(upgraded.model()->index(0, SpotModel::Band).data().toString(), QStringLiteral("40m"));
    SpotTableView again;
    QVERIFY(again.restoreHeaderState(pHeader->saveState()));
    QVERIFY(!again.horizontalHeader()->isSectionHidden(SpotModel::Band));
    QCOMPARE(again.horizontalHeader()->visualIndex(SpotModel::Band), pHeader->visualIndex(SpotModel::Band));
    QVERIFY(again.horizontalHeader()->isSectionHidden(SpotModel::Need));

    {
        // A header saved before the skimmer columns existed: its own choices
        // stay, the new columns get their defaults before the comment, and the
        // choices made since are kept on the next start.
        QStandardItemModel beforeSkimmers(0, SpotModel::Band);
        QTableView beforeTable;
        beforeTable.setModel(&beforeSkimmers);
        beforeTable.horizontalHeader()->resizeSection(SpotModel::Country, 300);
        beforeTable.horizontalHeader()->hideSection(SpotModel::Spotter);
        SpotTableView upgraded;
        QVERIFY(upgraded.restoreHeaderState(beforeTable.horizontalHeader()->saveState()));
        QHeaderView *pHeader = upgraded.horizontalHeader();
        QCOMPARE(pHeader->sectionSize(SpotModel::Country), 300);
        QVERIFY(pHeader->isSectionHidden(SpotModel::Spotter));
        QCOMPARE(pHeader->logicalIndex(pHeader->count() - 1), int(SpotModel::Comment));
        for (int iColumn : {SpotModel::Mode, SpotModel::Snr, SpotModel::Validation})
            QVERIFY(!pHeader->isSectionHidden(iColumn));
        QVERIFY(pHeader->isSectionHidden(SpotModel::Speed));
        pHeader->hideSection(SpotModel::Snr);
        pHeader->showSection(SpotModel::Skimmers);
        // Comment dragged before the skimmer columns stays there.
        pHeader->moveSection(pHeader->visualIndex(SpotModel::Comment), pHeader->visualIndex(SpotModel::Mode));
        SpotTableView later;
        QVERIFY(later.restoreHeaderState(pHeader->saveState()));
        QVERIFY(later.horizontalHeader()->visualIndex(SpotModel::Comment)
                < later.horizontalHeader()->visualIndex(SpotModel::Mode));
        QVERIFY(later.horizontalHeader()->isSectionHidden(SpotModel::Snr));
        QVERIFY(!later.horizontalHeader()->isSectionHidden(SpotModel::Skimmers));
        QVERIFY(later.horizontalHeader()->isSectionHidden(SpotModel::Spotter));
    }
}

void TestSpotTable::findAsYouTypeAndNeededOnly()
{
    TestSupport::clearStore();
    QFile::remove(LogStore::defaultFileName());
    std::unique_ptr<MainWindow> pWindow = makeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow.get()));
    SpotTableView *pTable = pWindow->spotTable();
    LogStore *pLog = pWindow->operatorLog()->store();
    // Japan worked on 20m CW, another country worked and confirmed there.
    QCOMPARE(pLog->storeAdif("<CALL:6>JA1ABC<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1200<EOR>").imported,
             1);
    QCOMPARE(pLog->storeAdif("<CALL:6>DL1ABC<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1300"
                             "<QSL_RCVD:1>Y<EOR>")
                 .imported,
             1);
    const QStringList qslWorked = pLog->countries();
    QCOMPARE(qslWorked.size(), 2);
    const QString qsConfirmed = qslWorked.at(qslWorked.at(0) == QStringLiteral("Japan") ? 1 : 0);

    const auto add = [pTable](const QString &qsCall, const QString &qsCountry, const QString &qsSpotter,
                              const QString &qsComment) {
        Spot spot = makeSpot(qsCall, QStringLiteral("14025.0"), qsComment);
        spot.setCountry(qsCountry);
        spot.setSpotter(qsSpotter);
        pTable->addSpot(spot, 1000);
        pTable->showPendingSpots();
    };
    add(QStringLiteral("JA1AA"), QStringLiteral("Japan"), QStringLiteral("W1SPT"), QStringLiteral("cq"));
    add(QStringLiteral("K1AB"), QStringLiteral("United States of America"), QStringLiteral("W1SPT"),
        QStringLiteral("up 2"));
    add(QStringLiteral("DL1XY"), qsConfirmed, QStringLiteral("VE3SPT"), QStringLiteral("cq"));
    add(QStringLiteral("F5ZZ"), QString(), QStringLiteral("W1SPT"), QStringLiteral("loud in JA"));
    QCOMPARE(pTable->model()->rowCount(), 4);

    // Ctrl+F reaches the field from anywhere in the window; what is typed
    // narrows the rows there and those still to come, on the band map too.
    auto *pDock = pWindow->findChild<BandMapDock *>(QStringLiteral("dockWidgetBandMap"));
    pDock->show();
    pDock->showBand(BandPlan::find(QStringLiteral("20m"))->bit);
    BandMapWidget *pMap = pDock->bandMap();
    SpotModel *pModel = pWindow->spotModel();
    const auto onMap = [pMap, pModel](const QString &qsCall) {
        for (int iRow = 0; iRow < pModel->rowCount(); ++iRow) {
            if (pModel->spotAt(iRow).dxCall() == qsCall)
                return !pMap->labelRect(pModel->idAt(iRow)).isEmpty();
        }
        return false;
    };
    QVERIFY(onMap(QStringLiteral("K1AB")));
    auto *pFind = pWindow->findChild<QLineEdit *>(QStringLiteral("lineEditFind"));
    pTable->setFocus();
    QTest::keyClick(pWindow.get(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(pFind->hasFocus());
    QTest::keyClicks(pFind, QStringLiteral("ja"));
    QCOMPARE(callsShown(*pTable), QStringList({"F5ZZ", "JA1AA"}));
    QVERIFY(onMap(QStringLiteral("JA1AA")));
    QVERIFY(!onMap(QStringLiteral("K1AB")));
    add(QStringLiteral("JA9NEW"), QStringLiteral("Japan"), QStringLiteral("W1SPT"), QStringLiteral("cq"));
    add(QStringLiteral("W6NO"), QStringLiteral("United States of America"), QStringLiteral("W1SPT"),
        QStringLiteral("cq"));
    QCOMPARE(callsShown(*pTable), QStringList({"F5ZZ", "JA1AA", "JA9NEW"}));
    // Spotter and country match as well as the call, in any case.
    pFind->setText(QStringLiteral("ve3"));
    QCOMPARE(callsShown(*pTable), QStringList({"DL1XY"}));
    pFind->setText(QStringLiteral("UNITED STATES"));
    QCOMPARE(callsShown(*pTable), QStringList({"K1AB", "W6NO"}));
    QTest::keyClick(pFind, Qt::Key_Escape);
    QVERIFY(pFind->text().isEmpty());
    QCOMPARE(pTable->model()->rowCount(), 6);

    // Needed only: no mark and "Conf" go; the choice outlives the window.
    auto *pNeeded = pWindow->findChild<QAction *>(QStringLiteral("actionNeededOnly"));
    QVERIFY(pNeeded && !pNeeded->isChecked());
    pNeeded->trigger();
    QCOMPARE(callsShown(*pTable), QStringList({"JA1AA", "JA9NEW", "K1AB", "W6NO"}));
    QVERIFY(!onMap(QStringLiteral("DL1XY")));
    // A QSO logged now takes its country out at once.
    QCOMPARE(pLog->storeAdif("<CALL:4>K1AA<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1400"
                             "<QSL_RCVD:1>Y<EOR>")
                 .imported,
             1);
    QVERIFY(pLog->countries().contains(QStringLiteral("United States of America")));
    QCOMPARE(callsShown(*pTable), QStringList({"JA1AA", "JA9NEW"}));
    pWindow.reset();
    QVERIFY(ViewOptions::neededOnly());
    pWindow = makeWindow();
    QVERIFY(pWindow->findChild<QAction *>(QStringLiteral("actionNeededOnly"))->isChecked());
    pWindow.reset();
    QFile::remove(LogStore::defaultFileName());
}

void TestSpotTable::firstStartShowsTheGuideFirst()
{
    // Nothing set up; the update server refuses at once.
    TestSupport::clearStore();
    TestSupport::LogCapture::clear();
    auto pWindow = std::make_unique<MainWindow>();
    pWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow.get()));
    const QString qsHint = pWindow->statusBar()->currentMessage();
    QVERIFY2(qsHint.startsWith(QStringLiteral("Welcome!")), qPrintable(qsHint));
    // The failed check goes to the log, not over the hint.
    QTRY_VERIFY(!TestSupport::LogCapture::with(QStringLiteral("Status during the first-run guide")).isEmpty());
    QCOMPARE(pWindow->statusBar()->currentMessage(), qsHint);
    // Not taller than the screen, with room for 20 rows.
    const QRect available = pWindow->screen()->availableGeometry();
    QVERIFY(pWindow->frameGeometry().height() <= available.height());
    pWindow.reset();
}

void TestSpotTable::ageFadesInReadableSteps()
{
    qint64 iNowMs = 1'000'000'000;
    SpotModel model;
    model.setMaxAge(0);
    model.setClock([&iNowMs] { return iNowMs; });
    model.insertSpot(makeSpot(QStringLiteral("Q1X"), QStringLiteral("14025.0")), 10);
    const QModelIndex cell = model.index(0, SpotModel::DX);
    const auto stepAfter = [&](int iSeconds) {
        iNowMs = 1'000'000'000 + qint64(iSeconds) * 1000;
        return cell.data(SpotModel::AgeStepRole).toInt();
    };
    QCOMPARE(stepAfter(0), 0);
    QCOMPARE(stepAfter(5 * 60 - 1), 0);
    QCOMPARE(stepAfter(5 * 60), 1);
    QCOMPARE(stepAfter(15 * 60 - 1), 1);
    QCOMPARE(stepAfter(15 * 60), 2);
    QCOMPARE(stepAfter(30 * 60), 3);
    QCOMPARE(stepAfter(24 * 3600), 3);

    // Each step is visibly fainter and still readable, on light and dark.
    QPalette light;
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::Base, Qt::white);
    QPalette dark;
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    for (const QPalette &palette : {light, dark, Theme::lightPalette(), Theme::darkPalette()}) {
        const QColor base = palette.color(QPalette::Base);
        double dPrevious = 100.0;
        for (int iStep = 0; iStep < SpotModel::kAgeSteps; ++iStep) {
            const double dContrast = contrast(Delegate::fadedText(palette, QPalette::Active, iStep), base);
            QVERIFY2(dContrast >= 4.5, qPrintable(QString::number(dContrast)));
            QVERIFY(dContrast < dPrevious - 0.5);
            dPrevious = dContrast;
        }
    }
    // A desktop palette of little contrast fades less, never below 4.5:1.
    QPalette grey;
    grey.setColor(QPalette::Text, QColor(0x5a, 0x5a, 0x5a));
    grey.setColor(QPalette::Base, QColor(0xf0, 0xf0, 0xf0));
    for (int iStep = 0; iStep < SpotModel::kAgeSteps; ++iStep)
        QVERIFY(contrast(Delegate::fadedText(grey, QPalette::Active, iStep), grey.color(QPalette::Base)) >= 4.5);
}

namespace {
// The best contrast any pixel of the picture has against the background
// colour of its own pixel row, sampled at iBackgroundX: how well the text
// drawn there reads, also on a vertical gradient.
double textContrast(const QImage &image, int iBackgroundX)
{
    double dBest = 1.0;
    for (int iY = 0; iY < image.height(); ++iY) {
        const QColor background = image.pixelColor(iBackgroundX, iY);
        for (int iX = 0; iX < image.width(); ++iX)
            dBest = qMax(dBest, contrast(image.pixelColor(iX, iY), background));
    }
    return dBest;
}
} // namespace

void TestSpotTable::themesKeepEveryTextReadable()
{
    TestSupport::clearStore();
    QFile::remove(LogStore::defaultFileName());
    std::unique_ptr<MainWindow> pWindow = makeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow.get()));
    SpotTableView *pTable = pWindow->spotTable();
    SpotModel *pModel = pWindow->spotModel();
    QCOMPARE(pWindow->operatorLog()
                 ->store()
                 ->storeAdif("<CALL:6>JA1ABC<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20240105<TIME_ON:4>1200<EOR>")
                 .imported,
             1);
    // A row in each colour an alert or a need mark gives, and one too old to
    // be drawn at full strength.
    const QList<QColor> alertColours = {QColor(255, 236, 179),   QColor(200, 230, 201), QColor(187, 222, 251),
                                        QColor(Qt::red),         QColor(Qt::darkBlue),  QColor(Qt::yellow),
                                        QColor(0x80, 0x80, 0x80)};
    qint64 iNowMs = QDateTime::currentMSecsSinceEpoch();
    pModel->setClock([&iNowMs] { return iNowMs; });
    Spot old = makeSpot(QStringLiteral("Q0OLD"), QStringLiteral("14025.0"));
    old.setCountry(QString());
    pTable->addSpot(old, 1000);
    pTable->showPendingSpots();
    iNowMs += 40 * 60000;
    const QStringList qslNeedCountries = {QStringLiteral("United States of America"), QStringLiteral("Japan")};
    for (const QString &qsCountry : qslNeedCountries) {
        Spot needed = makeSpot(QStringLiteral("Q%1N").arg(qsCountry.size()), QStringLiteral("7025.0"));
        needed.setCountry(qsCountry);
        pTable->addSpot(needed, 1000);
    }
    for (int i = 0; i < alertColours.size(); ++i) {
        Spot alert = makeSpot(QStringLiteral("Q%1ALERT").arg(i), QStringLiteral("14025.0"));
        alert.setCountry(QString());
        alert.setAlertColor(alertColours.at(i));
        alert.addAlertFlags(AlertFlag::Color);
        pTable->addSpot(alert, 1000);
    }
    pTable->showPendingSpots();
    QCOMPARE(pModel->rowCount(), 3 + alertColours.size());
    QVERIFY(pModel->ageStep(pModel->ageMsAt(pModel->rowCount() - 1)) == SpotModel::kAgeSteps - 1);

    auto *pBands = pWindow->findChild<QPushButton *>(QStringLiteral("pushButton40m"));
    const auto checkReadable = [&](const QString &qsTheme) {
        QStringList qslUnreadable;
        const auto check = [&qslUnreadable](const QImage &image, int iBackgroundX, const QString &qsWhat) {
            const double dContrast = textContrast(image, iBackgroundX);
            if (dContrast < 4.5)
                qslUnreadable.append(QStringLiteral("%1: %2").arg(qsWhat).arg(dContrast, 0, 'f', 2));
        };
        pTable->viewport()->update();
        const QImage table = pTable->viewport()->grab().toImage();
        for (int iRow = 0; iRow < pTable->model()->rowCount(); ++iRow) {
            const QModelIndex dx = pTable->model()->index(iRow, SpotModel::DX);
            const QRect cell = pTable->visualRect(dx);
            check(table.copy(cell.adjusted(0, 1, -1, -1)), cell.width() - 4,
                  qsTheme + QLatin1Char(' ') + dx.data().toString());
            const QModelIndex need = dx.siblingAtColumn(SpotModel::Need);
            if (!need.data().toString().isEmpty()) {
                const QRect needCell = pTable->visualRect(need);
                check(table.copy(needCell.adjusted(0, 1, -1, -1)), 2,
                      qsTheme + QStringLiteral(" need ") + need.data().toString());
            }
        }
        // The band buttons, pressed and not, with their own backgrounds.
        for (const bool bChecked : {false, true}) {
            pBands->setChecked(bChecked);
            const QImage button = pBands->grab().toImage();
            check(button.copy(button.rect().adjusted(3, 3, -3, -3)), 2,
                  qsTheme + (bChecked ? QStringLiteral(" 40m pressed") : QStringLiteral(" 40m")));
        }
        return qslUnreadable;
    };

    // Light, then dark: Fusion with a dark palette, kept for the next start.
    pWindow->findChild<QAction *>(QStringLiteral("actionThemeLight"))->trigger();
    QVERIFY(!Theme::isDark());
    QCOMPARE(checkReadable(QStringLiteral("light")), QStringList());
    pWindow->findChild<QAction *>(QStringLiteral("actionThemeDark"))->trigger();
    QVERIFY(Theme::isDark());
    QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    QCOMPARE(checkReadable(QStringLiteral("dark")), QStringList());
    QCOMPARE(TestSupport::store().value(QStringLiteral("MainWindow/Theme")).toString(), QStringLiteral("Dark"));
    pWindow.reset();
    pWindow = makeWindow();
    QVERIFY(Theme::isDark());
    QVERIFY(pWindow->findChild<QAction *>(QStringLiteral("actionThemeDark"))->isChecked());

    // System goes back to the desktop's colours.
    pWindow->findChild<QAction *>(QStringLiteral("actionThemeSystem"))->trigger();
    QVERIFY(!Theme::isDark());
    QCOMPARE(TestSupport::store().value(QStringLiteral("MainWindow/Theme")).toString(), QStringLiteral("System"));
    pWindow.reset();
    QFile::remove(LogStore::defaultFileName());
}

void TestSpotTable::repeatsTeachTheRowItsReporters()
{
    auto from = [](Spot spot, const char *pSpotter, const char *pSource) {
        spot.setSpotter(QLatin1String(pSpotter));
        spot.setSource(QLatin1String(pSource));
        return spot;
    };
    const Spot spot = makeSpot(QStringLiteral("Q9X"), QStringLiteral("14025.0"));

    // A report brought again by another node: the row, shown or still
    // waiting, learns the source, but keeps its count and its place.
    SpotTableView view;
    view.addSpot(from(spot, "Q1SPT", "node-a"), 1000);
    view.addRepeat(from(spot, "Q1SPT", "node-b"));
    view.showPendingSpots();
    view.addSpot(makeSpot(QStringLiteral("Q8Y"), QStringLiteral("7025.0")), 1000);
    view.showPendingSpots();
    view.addRepeat(from(spot, "Q1SPT", "node-c"));
    QCOMPARE(callAt(view, 1), QStringLiteral("Q9X"));
    QCOMPARE(view.spotModel()->countAt(1), 1);
    SpotModel::Reports reports = view.reportsAt(view.model()->index(1, 0));
    QCOMPARE(reports.sources, (QStringList {"node-a", "node-b", "node-c"}));
    QCOMPARE(reports.spotters.size(), 1);

    // Another spotter is another spot: counted, and listed once.
    view.addSpot(from(spot, "Q2SPT", "node-b"), 1000);
    view.addSpot(from(spot, "Q2SPT", "node-a"), 1000);
    view.showPendingSpots();
    QCOMPARE(callAt(view, 0), QStringLiteral("Q9X"));
    QCOMPARE(view.spotModel()->countAt(0), 3);
    reports = view.reportsAt(view.model()->index(0, 0));
    QCOMPARE(reports.spotters.size(), 2);
    QCOMPARE(reports.spotters.at(1).call, QStringLiteral("Q2SPT"));
    QCOMPARE(reports.sources.size(), 3);

    // An older spot a node listed on request counts, but the row keeps its
    // newer time and comment and its place, shown or waiting alike.
    Spot older = from(spot, "Q3SPT", "node-a");
    older.setTime(QStringLiteral("1150Z"));
    older.setComment(QStringLiteral("old"));
    older.setEarlier(true);
    view.addSpot(older, 1000);
    view.showPendingSpots();
    older.setSpotter(QStringLiteral("Q4SPT"));
    view.spotModel()->insertSpot(older, 1000);
    QCOMPARE(callAt(view, 0), QStringLiteral("Q9X"));
    view.addSpot(makeSpot(QStringLiteral("Q7Z"), QStringLiteral("10125.0")), 1000);
    view.showPendingSpots();
    older.setSpotter(QStringLiteral("Q5SPT"));
    view.addSpot(older, 1000);
    view.showPendingSpots();
    QCOMPARE(callAt(view, 1), QStringLiteral("Q9X"));
    QCOMPARE(view.spotModel()->countAt(1), 6);
    QCOMPARE(view.spotModel()->spotAt(1).time(), QStringLiteral("1200Z"));
    QCOMPARE(view.spotModel()->spotAt(1).comment(), QStringLiteral("cq"));
    QCOMPARE(view.reportsAt(view.model()->index(1, 0)).spotters.size(), 5);

    // A station no row has teaches nothing; a skimmer crowd is capped.
    SpotModel model;
    QVERIFY(!model.addReport(spot));
    model.insertSpot(spot, 10);
    for (int i = 0; i < 100; ++i)
        model.insertSpot(from(spot, qPrintable(QStringLiteral("Q%1SK").arg(i)), "skimmers"), 10);
    QCOMPARE(model.countAt(0), 101);
    QCOMPARE(model.reportsAt(0).spotters.size(), SpotModel::kMaxReports);
}

void TestSpotTable::batchesGrowAtAContestRate()
{
    SpotTableView view;
    QSignalSpy batches(&view, &SpotTableView::noticeChanged);
    // 300 spots a second for two seconds, caught up whenever the event loop
    // was late, so that a slow machine still brings the rate.
    constexpr int kSpotsPerSecond = 300;
    QElapsedTimer clock;
    clock.start();
    int iSent = 0;
    while (clock.elapsed() < 2000) {
        for (const qint64 iDue = clock.elapsed() * kSpotsPerSecond / 1000; iSent < iDue; ++iSent)
            view.addSpot(makeSpot(QStringLiteral("Q%1X").arg(iSent), QStringLiteral("14025.0")), 1000);
        QTest::qWait(5);
    }
    // A batch every 200 ms would be ten; at this rate they come at half the
    // pace, after the first.
    const double dAverageMs = double(clock.elapsed()) / qMax<qsizetype>(1, batches.size());
    QVERIFY2(dAverageMs >= 350, qPrintable(QStringLiteral("%1 batches").arg(batches.size())));

    // Once the feed calms down, a spot goes in at the normal pace again.
    QTRY_COMPARE(view.pendingSpotCount(), 0);
    QTest::qWait(600);
    view.addSpot(makeSpot(QStringLiteral("Q1Y"), QStringLiteral("7025.0")), 1000);
    view.showPendingSpots();
    view.addSpot(makeSpot(QStringLiteral("Q2Y"), QStringLiteral("7026.0")), 1000);
    QVERIFY(QTest::qWaitFor([&] { return view.pendingSpotCount() == 0; }, 450));
}

void TestSpotTable::keyboardWalk()
{
    TestSupport::clearStore();
    std::unique_ptr<MainWindow> pWindow = makeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow.get()));
    QApplication::setActiveWindow(pWindow.get());
    SpotTableView *pTable = pWindow->spotTable();
    for (int i = 0; i < 80; ++i)
        pTable->addSpot(
            makeSpot(QStringLiteral("Q%1X").arg(i), i % 2 ? QStringLiteral("7025.0") : QStringLiteral("14025.0")),
            1000);
    pTable->showPendingSpots();

    // Tab walks the window in reading order: the band buttons, the find
    // field, the table (leaving it instead of stepping through its cells),
    // the band map's band and the map itself, the console; Shift+Tab walks
    // back the same way.
    pWindow->findChild<QDockWidget *>(QStringLiteral("dockWidgetBandMap"))->show();
    QStringList qslExpected;
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (pWindow->findChild<QPushButton *>(QStringLiteral("pushButton") + QLatin1String(BandPlan::at(i).label)))
            qslExpected.append(QStringLiteral("pushButton") + QLatin1String(BandPlan::at(i).label));
    }
    qslExpected << "pushButtonAllm"
                << "lineEditFind"
                << "tableView"
                << "comboBoxBandMapBand"
                << "bandMap"
                << "lineEditCommand";
    QCOMPARE(qslExpected.size(), 21);
    pWindow->findChild<QPushButton *>(qslExpected.first())->setFocus();
    QStringList qslWalked {QApplication::focusWidget()->objectName()};
    for (int i = 1; i < qslExpected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        qslWalked.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(qslWalked, qslExpected);
    QStringList qslBack {QApplication::focusWidget()->objectName()};
    for (int i = 1; i < qslExpected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        qslBack.prepend(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(qslBack, qslExpected);

    // The band map, reached so, answers the keys: plus zooms in, the
    // arrows scroll.
    auto *pMap = pWindow->findChild<BandMapWidget *>(QStringLiteral("bandMap"));
    const double dSpan = pMap->layout().viewSpanKHz();
    QTest::keyClick(pMap, Qt::Key_Plus);
    QVERIFY(pMap->layout().viewSpanKHz() < dSpan);
    const double dLow = pMap->layout().viewLowKHz();
    QTest::keyClick(pMap, Qt::Key_Down);
    QVERIFY(pMap->layout().viewLowKHz() != dLow);

    // Every menu and every entry has its mnemonic, none used twice in one
    // menu (a second press would only move between them); the bands that
    // have their Alt and digit keys instead are listed with those.
    QStringList qslWithout;
    std::function<void(const QMenu *)> checkMenu = [&](const QMenu *pMenu) {
        QString qsMnemonics;
        for (const QAction *pAction : pMenu->actions()) {
            if (pAction->isSeparator())
                continue;
            if (pAction->menu())
                checkMenu(pAction->menu());
            const bool bBand = pMenu->objectName() == QStringLiteral("menuBands");
            const qsizetype iAmpersand = pAction->text().indexOf(QLatin1Char('&'));
            const QChar mnemonic = iAmpersand >= 0 ? pAction->text().at(iAmpersand + 1).toLower() : QChar();
            if ((mnemonic.isNull() && (!bBand || pAction->shortcut().isEmpty())) || qsMnemonics.contains(mnemonic))
                qslWithout.append(pMenu->title() + QLatin1Char('/') + pAction->text());
            if (!mnemonic.isNull())
                qsMnemonics.append(mnemonic);
        }
    };
    for (const QAction *pAction : pWindow->menuBar()->actions()) {
        if (!pAction->text().contains(QLatin1Char('&')))
            qslWithout.append(pAction->text());
        checkMenu(pAction->menu());
    }
    QCOMPARE(qslWithout.join(QLatin1Char(';')), QString());
    pTable->setFocus();

    // Alt and a digit picks a band, Alt+A all of them again.
    QTest::keyClick(pTable, Qt::Key_4, Qt::AltModifier);
    QTRY_COMPARE(pTable->model()->rowCount(), 40);
    QVERIFY(pWindow->findChild<QPushButton *>(QStringLiteral("pushButton40m"))->isChecked());
    QTest::keyClick(pTable, Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(pTable->model()->rowCount(), 80);

    // Enter on a row scrolled out of view brings it back, then tunes it;
    // the row is selected whole.
    const QModelIndex farRow = pTable->model()->index(70, SpotModel::Frequency);
    pTable->setCurrentIndex(farRow);
    QVERIFY(!pTable->viewport()->rect().contains(pTable->visualRect(farRow)));
    QVERIFY(pTable->selectionModel()->isRowSelected(70, QModelIndex()));
    QSignalSpy tuned(pTable, &SpotTableView::tuneRequested);
    // Rig control is off here: the window says so in a box.
    MessageBoxCatcher boxes;
    QTest::keyClick(pTable, Qt::Key_Return);
    QVERIFY(pTable->viewport()->rect().contains(pTable->visualRect(farRow)));
    QCOMPARE(tuned.count(), 1);
    QCOMPARE(tuned.first().first().value<Spot>().dxCall(), callAt(*pTable, 70));
    QCOMPARE(boxes.seen.size(), 1);
}

void TestSpotTable::skimmerColumnsFromAFeed()
{
    // A skimmer feed that sends a mis-decoded copy of every well-heard call.
    TestNode node;
    node.setKind(TestNode::Kind::SkimmerFeed);
    node.setBustedShare(1.0);
    node.startScheduledStream(50.0, 7, 0);
    QVERIFY(node.listen());
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), node.port(), false);
    TestSupport::store().setValue(QStringLiteral("General/SeenTips"), -1);
    TestSupport::store().setValue(QStringLiteral("Skimmers/HideBusted"), false);
    MainWindow window;
    window.resize(1200, 600);
    window.show();
    QVERIFY(window.activeCluster());
    window.activeCluster()->setTimings({60000, 60000, 50, 300});
    SpotModel *pModel = window.spotModel();
    const QString qsBusted = SkimmerValidator::verdictText(Spot::Validation::Busted);
    const auto bustedRow = [&] {
        window.showPendingSpots();
        for (int iRow = 0; iRow < pModel->rowCount(); ++iRow) {
            if (pModel->text(iRow, SpotModel::Validation) == qsBusted)
                return iRow;
        }
        return -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(bustedRow() >= 0, 15000);

    // The busted row names its original, which is a row heard by more
    // skimmers; the facts of both come from the feed's own lines.
    const int iBusted = bustedRow();
    const QString qsTip = pModel->data(pModel->index(iBusted, SpotModel::Validation), Qt::ToolTipRole).toString();
    QCOMPARE(pModel->text(iBusted, SpotModel::Skimmers), QStringLiteral("1"));
    QStringList qslOriginals;
    for (int iRow = 0; iRow < pModel->rowCount(); ++iRow) {
        const QString qsCall = pModel->text(iRow, SpotModel::DX);
        if (iRow != iBusted && qsTip.contains(qsCall))
            qslOriginals.append(qsCall);
        QVERIFY2(!pModel->text(iRow, SpotModel::Mode).isEmpty(), qPrintable(qsCall));
        QVERIFY2(!pModel->text(iRow, SpotModel::Snr).isEmpty(), qPrintable(qsCall));
        QVERIFY2(pModel->text(iRow, SpotModel::Skimmers).toInt() >= 1, qPrintable(qsCall));
    }
    QVERIFY2(!qslOriginals.isEmpty(), qPrintable(qsTip));
    for (int iRow = 0; iRow < pModel->rowCount(); ++iRow) {
        if (pModel->text(iRow, SpotModel::DX) != qslOriginals.first())
            continue;
        QVERIFY(pModel->text(iRow, SpotModel::Skimmers).toInt() >= 3);
        QCOMPARE(pModel->text(iRow, SpotModel::Validation), SkimmerValidator::verdictText(Spot::Validation::Valid));
    }

    // The details of the original name its skimmers with their signals.
    QTableView *pView = window.spotTable();
    for (int iRow = 0; iRow < pView->model()->rowCount(); ++iRow) {
        if (callAt(*pView, iRow) == qslOriginals.first())
            pView->setCurrentIndex(pView->model()->index(iRow, SpotModel::DX));
    }
    window.onSpotDetailsTriggered();
    const QList<SpotPopup *> popups = window.findChildren<SpotPopup *>();
    QCOMPARE(popups.size(), 1);
    const QString qsSkimmers = popups.first()->skimmersText();
    QVERIFY2(qsSkimmers.count(QStringLiteral("\u00a0dB")) >= 3, qPrintable(qsSkimmers));
    QVERIFY2(!qsSkimmers.contains(QLatin1String("-#")), qPrintable(qsSkimmers));
    popups.first()->close();
    // Names from the network are escaped; a long list names the strongest.
    QList<SkimmerValidator::Report> reports;
    for (int i = 0; i < 14; ++i)
        reports.append(
            {i == 0 ? QStringLiteral("<b>Q1X") : QStringLiteral("Q%1S").arg(i), true, 7022.0, 0, true, 0, 30 - i});
    reports.append({QStringLiteral("Q9HUMAN"), false, 7022.0, 0, false, 0, 0});
    SpotPopup popup;
    popup.setSkimmers(reports);
    QVERIFY2(popup.skimmersText().startsWith(QStringLiteral("&lt;b&gt;Q1X 30\u00a0dB, Q1S 29\u00a0dB")),
             qPrintable(popup.skimmersText()));
    QVERIFY2(popup.skimmersText().endsWith(QStringLiteral("Q11S 19\u00a0dB and 2 more")),
             qPrintable(popup.skimmersText()));

    // Hidden from the settings page, busted rows leave the view, those
    // already shown included, and stay in the model for when the operator
    // wants them back; the page's thresholds reach the validator on OK.
    Settings *pSettings = window.settings();
    pSettings->loadSettings();
    auto *pHide = TestSupport::child<QCheckBox>(pSettings, "checkBoxHideBusted");
    QVERIFY(!pHide->isChecked());
    QCOMPARE(TestSupport::child<QSpinBox>(pSettings, "spinBoxValidSkimmers")->value(), 2);
    pHide->setChecked(true);
    TestSupport::child<QSpinBox>(pSettings, "spinBoxValidSkimmers")->setValue(4);
    pSettings->accept();
    QCOMPARE(TestSupport::store().value(QStringLiteral("Skimmers/ValidSkimmers")).toInt(), 4);
    QCOMPARE(window.activeCluster()->pipeline()->skimmerValidator().thresholds().validSkimmers, 4);
    QVERIFY(window.activeCluster()->pipeline()->hidesBusted());
    for (int iRow = 0; iRow < window.spotTable()->model()->rowCount(); ++iRow) {
        const QModelIndex index = window.spotTable()->model()->index(iRow, SpotModel::Validation);
        QVERIFY(index.data().toString() != qsBusted);
    }
    QVERIFY(bustedRow() >= 0);
}

void TestSpotTable::movedStationMarksItsOldRow()
{
    // Two skimmers hear DL1ABC on 7022.0; a third hears it 3 kHz up. The
    // old row says QSY and where the station went; the new row is its own.
    SkimmerValidator validator;
    SpotModel model;
    qint64 iAtMs = QDateTime::currentMSecsSinceEpoch();
    const auto heard = [&](const char *pSkimmer, const char *pKHz) {
        Spot spot = makeSpot(QStringLiteral("DL1ABC"), QLatin1String(pKHz), QStringLiteral("CW 20 dB 22 WPM CQ"));
        spot.setSpotter(QLatin1String(pSkimmer));
        spot.setSkimmer(true);
        const SkimmerValidator::Assessment assessment = validator.add(spot, iAtMs += 10000);
        spot.setValidation(assessment.verdict);
        spot.setValidationReason(assessment.reason);
        model.insertSpot(spot, 1000);
    };
    heard("A", "7022.0");
    heard("B", "7022.1");
    QCOMPARE(model.rowCount(), 1);
    heard("C", "7025.0");
    QCOMPARE(model.rowCount(), 2);
    model.updateVerdicts(validator, {QStringLiteral("DL1ABC"), QStringLiteral("Q9NONE")});
    QStringList qslVerdicts;
    for (int iRow = 0; iRow < model.rowCount(); ++iRow) {
        qslVerdicts.append(model.text(iRow, SpotModel::Frequency) + QLatin1Char(' ')
                           + model.text(iRow, SpotModel::Validation));
        if (model.text(iRow, SpotModel::Validation) == QLatin1String("QSY")) {
            const QString qsTip = model.data(model.index(iRow, SpotModel::Validation), Qt::ToolTipRole).toString();
            QVERIFY2(qsTip.contains(QLatin1String("7025.0")), qPrintable(qsTip));
        }
    }
    qslVerdicts.sort();
    QCOMPARE(qslVerdicts, (QStringList {"7022.1 QSY", "7025.0 unverified"}));
}

QTEST_MAIN(TestSpotTable)
#include "tst_spottable.moc"
