// Finding the one spot in a busy table: sorting while spots arrive, the
// search, and what the operator sees of it in the window.

#include "TestSupport.h"
#include "cluster/Spot.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotSortProxy.h"
#include "ui/SpotTableView.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

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

// A click through the window system, which makes a double click of two
// presses close enough in time and place.
void pressAndRelease(QWindow *pWindow, const QPointF &point, int iTimestamp)
{
    const QPointF global = pWindow->mapToGlobal(point);
    qt_handleMouseEvent(pWindow, point, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, {},
                        iTimestamp);
    qt_handleMouseEvent(pWindow, point, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease, {},
                        iTimestamp);
    QCoreApplication::processEvents();
}

QString callAt(const QTableView &view, int iRow)
{
    return view.model()->index(iRow, SpotModel::DX).data().toString();
}

QString topCall(const QTableView &view)
{
    return view.indexAt(QPoint(5, 5)).siblingAtColumn(SpotModel::DX).data().toString();
}
} // namespace

class TestSpotTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sortedViewStaysPutAndTunesThePressedSpot();
    void headerStatesOldAndNew();
};

void TestSpotTable::initTestCase()
{
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
    pressAndRelease(view.windowHandle(), point, iTime);
    view.addSpot(makeSpot(QStringLiteral("Q9Z"), QStringLiteral("1831.0")), 1000);
    view.showPendingSpots();
    QVERIFY(callAt(view, 5) != qsPressedCall);
    pressAndRelease(view.windowHandle(), point, iTime + 200);
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
}

QTEST_MAIN(TestSpotTable)
#include "tst_spottable.moc"
