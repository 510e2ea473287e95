// The band map's geometry without a window: mapping between kHz and pixels,
// zoom and drag, how crowded labels are shared out, and their ageing.

#include "ui/BandMapLayout.h"

#include <QTest>

#include <algorithm>

class TestBandMapLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void zoomAndDragStayInsideTheBand();
    void closeLabelsShareTheRoom();
    void crowdsAreDealtOutOverColumns();
    void ageing();

private:
    static constexpr double kLabelHeight = 16.0;
    BandMapLayout m_layout;
};

void TestBandMapLayout::init()
{
    m_layout = BandMapLayout();
    m_layout.setRange(14000.0, 14350.0);
    m_layout.setViewport(10.0, 350.0);
}

void TestBandMapLayout::zoomAndDragStayInsideTheBand()
{
    QCOMPARE(m_layout.yFor(14000.0), 10.0);
    QCOMPARE(m_layout.yFor(14350.0), 360.0);
    QCOMPARE(m_layout.kHzAt(110.0), 14100.0);

    // The wheel zooms around the pointer; neither zoom nor drag leaves the band.
    m_layout.zoomAt(2.0, 110.0);
    QCOMPARE(m_layout.viewSpanKHz(), 175.0);
    QCOMPARE(m_layout.yFor(14100.0), 110.0);
    m_layout.scrollBy(-1000.0);
    QCOMPARE(m_layout.viewLowKHz(), 14000.0);
    m_layout.scrollBy(1e6);
    QCOMPARE(m_layout.viewHighKHz(), 14350.0);
    m_layout.zoomAt(1e6, 200.0);
    QCOMPARE(m_layout.viewSpanKHz(), BandMapLayout::kMinSpanKHz);
    m_layout.zoomAt(1e-6, 200.0);
    QCOMPARE(m_layout.viewLowKHz(), 14000.0);
    QCOMPARE(m_layout.viewSpanKHz(), 350.0);
}

void TestBandMapLayout::closeLabelsShareTheRoom()
{
    // Three close labels share out the room around their frequencies; a lone
    // one stays on its own; equal frequencies go by key; the edge holds them.
    const QList<BandMapLayout::Label> labels = {{14300.0, 1}, {14100.2, 7}, {14100.0, 5},
                                                {14100.0, 3}, {14000.0, 9}, {14000.1, 8}};
    int iHidden = -1;
    const QList<BandMapLayout::Placement> placed = m_layout.place(labels, kLabelHeight, 1, &iHidden);
    QCOMPARE(iHidden, 0);
    QList<quint64> keys;
    for (const BandMapLayout::Placement &p : placed)
        keys.append(p.key);
    QCOMPARE(keys, (QList<quint64> {9, 8, 3, 5, 7, 1}));
    for (qsizetype i = 1; i < placed.size(); ++i)
        QVERIFY(placed.at(i).top >= placed.at(i - 1).top + kLabelHeight - 1e-9);
    QCOMPARE(placed.at(0).top, 10.0);
    QVERIFY(!placed.at(5).displaced);
    QCOMPARE(placed.at(5).top + kLabelHeight / 2, placed.at(5).anchorY);
    QVERIFY(placed.at(2).displaced && placed.at(4).displaced);
    QVERIFY(qAbs(placed.at(3).top + kLabelHeight / 2 - placed.at(3).anchorY) < 0.1);

    // The same picture whatever order the model gives the rows in.
    const QList<BandMapLayout::Label> reversed(labels.crbegin(), labels.crend());
    const QList<BandMapLayout::Placement> again = m_layout.place(reversed, kLabelHeight, 1);
    QCOMPARE(again.size(), placed.size());
    for (qsizetype i = 0; i < placed.size(); ++i)
        QVERIFY(again.at(i).key == placed.at(i).key && again.at(i).top == placed.at(i).top);
}

void TestBandMapLayout::crowdsAreDealtOutOverColumns()
{
    // More than fit: dealt out over the columns allowed, the rest counted.
    QList<BandMapLayout::Label> crowd;
    for (int i = 0; i < 60; ++i)
        crowd.append({14200.0 + i * 0.1, quint64(i + 1)});
    int iHidden = -1;
    const QList<BandMapLayout::Placement> crowded = m_layout.place(crowd, kLabelHeight, 2, &iHidden);
    QCOMPARE(crowded.size() + iHidden, 60);
    QCOMPARE(crowded.size(), 2 * int(350.0 / kLabelHeight));
    for (qsizetype i = 2; i < crowded.size(); ++i) {
        QCOMPARE(crowded.at(i).column, crowded.at(i - 2).column);
        QVERIFY(crowded.at(i).top >= crowded.at(i - 2).top + kLabelHeight - 1e-9);
        QVERIFY(crowded.at(i).top + kLabelHeight <= 360.0 + 1e-9);
    }

    // A crowd that fits one column but stands far off its frequency there
    // takes a second one.
    const QList<BandMapLayout::Label> pileUp(8, {14200.0, 1});
    const QList<BandMapLayout::Placement> spread = m_layout.place(pileUp, kLabelHeight, 3);
    QCOMPARE(spread.size(), 8);
    QCOMPARE(std::max_element(spread.cbegin(), spread.cend(),
                              [](const auto &a, const auto &b) { return a.column < b.column; })
                 ->column,
             1);
}

void TestBandMapLayout::ageing()
{
    // Full when fresh, the floor at the end of the window and after; a clock
    // that went back does not make a label brighter than new.
    QCOMPARE(BandMapLayout::alphaForAge(0, 60000), 1.0);
    QCOMPARE(BandMapLayout::alphaForAge(30000, 60000), 1.0 - (1.0 - BandMapLayout::kMinAlpha) / 2);
    QCOMPARE(BandMapLayout::alphaForAge(600000, 60000), BandMapLayout::kMinAlpha);
    QCOMPARE(BandMapLayout::alphaForAge(-5, 60000), 1.0);
}

QTEST_GUILESS_MAIN(TestBandMapLayout)
#include "tst_bandmaplayout.moc"
