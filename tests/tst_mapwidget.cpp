// The map dock as the operator meets it: dots for the table's rows, day and
// night for the clock, the plain sea without the pictures, and a click on a
// dot tuning a real rig daemon.

#include "MessageBoxCatcher.h"
#include "TestSupport.h"
#include "Worked/Locator.h"
#include "cluster/Spot.h"
#include "filters/Filter.h"
#include "geo/EarthShader.h"
#include "geo/SolarPosition.h"
#include "radio/BandPlan.h"
#include "testnode/TestNode.h"
#include "ui/MainWindow.h"
#include "ui/MapDock.h"
#include "ui/MapWidget.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotPopup.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QMenu>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpSocket>
#include <QToolTip>
#include <QtTest>

using TestSupport::store;

namespace {

constexpr double kJo62Latitude = 52.5;
constexpr double kJo62Longitude = 13.0;

CountryInfo country(const char *pName, double dLatitude, double dLongitude)
{
    CountryInfo info;
    info.country = QLatin1String(pName);
    info.latitude = dLatitude;
    info.longitude = dLongitude;
    info.hasPosition = true;
    return info;
}

Spot located(const QString &qsCall, const char *pFrequency, const CountryInfo &dx)
{
    Spot spot;
    spot.setDate(QStringLiteral("7-Dec-2026"));
    spot.setTime(QStringLiteral("1200Z"));
    spot.setSpotter(QStringLiteral("Q1SPT"));
    spot.setFrequency(QLatin1String(pFrequency));
    spot.setDxCall(qsCall);
    spot.setCountry(dx.country);
    spot.setComment(QStringLiteral("cq"));
    spot.setLocation(dx, CountryInfo(), QStringLiteral("JO62"));
    return spot;
}

QDateTime utc(const char *pIso)
{
    // The trailing Z makes it UTC, whatever the machine's time zone.
    return QDateTime::fromString(QLatin1String(pIso) + QLatin1Char('Z'), Qt::ISODate);
}

// Day or night on the plain sea, wherever a graticule line runs.
bool isDay(QRgb pixel)
{
    const auto distance = [pixel](QRgb colour) {
        return std::abs(qRed(pixel) - qRed(colour)) + std::abs(qGreen(pixel) - qGreen(colour))
            + std::abs(qBlue(pixel) - qBlue(colour));
    };
    return distance(EarthShader::kPlainDay) < distance(EarthShader::kPlainNight);
}

} // namespace

class TestMapWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dotsForTheRowsShown();
    void dayAndNightFollowTheClock();
    void withoutLocatorOrPictures();
    void clickOnADotTunes();

private:
    QImage grab(MapWidget &map) const { return map.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

void TestMapWidget::initTestCase()
{
    QVERIFY(TestSupport::installRigLibrary(QStringLiteral(KELVANE_BRIDGE_FILE)));
    TestSupport::clearStore();
}

void TestMapWidget::dotsForTheRowsShown()
{
    SpotModel model;
    SpotBandProxy view(&model);
    MapWidget map(&view);
    map.setEarthPictures(QImage(), QImage());
    map.setStation(QStringLiteral("JO62"));
    map.resize(500, 500);
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));

    const CountryInfo japan = country("Japan", 36.0, 138.0);
    const CountryInfo usa = country("United States", 37.5, -91.0);
    Spot alerted = located(QStringLiteral("JA1<b>X"), "14025.0", japan);
    alerted.addAlertFlags(AlertFlag::Color);
    alerted.setAlertColor(QColor(255, 0, 255));
    model.insertSpot(alerted, 1000);
    model.insertSpot(located(QStringLiteral("K1ABC"), "7010.0", usa), 1000);
    model.insertSpot(located(QStringLiteral("W2XYZ"), "14030.0", usa), 1000);
    Spot nowhere = located(QStringLiteral("Q9ZZ"), "14040.0", CountryInfo());
    model.insertSpot(nowhere, 1000);
    // Rows, newest first: Q9ZZ, W2XYZ, K1ABC, JA1<b>X.
    QCOMPARE(view.rowCount(), 4);

    QVERIFY(!map.dotCentre(0));
    const std::optional<QPointF> w2 = map.dotCentre(1);
    const std::optional<QPointF> k1 = map.dotCentre(2);
    const std::optional<QPointF> ja = map.dotCentre(3);
    QVERIFY(w2 && k1 && ja);
    // One place, one dot; the dot lies where the short path says.
    QCOMPARE(*w2, *k1);
    const Locator::Path path = Locator::shortPath(kJo62Latitude, kJo62Longitude, 36.0, 138.0);
    const QPointF offset = *ja - map.mapProjection().centrePixel();
    QVERIFY(std::abs(std::fmod(qRadiansToDegrees(std::atan2(offset.x(), -offset.y())) + 360.0, 360.0) - path.bearing)
            < 0.01);
    // The alerted row's dot has the alert colour.
    QCOMPARE(grab(map).pixelColor(ja->toPoint()), QColor(255, 0, 255));

    // The hovered dot names the stations, the country, heading and
    // distance; the network's text stays text.
    QHelpEvent help(QEvent::ToolTip, ja->toPoint(), map.mapToGlobal(ja->toPoint()));
    QApplication::sendEvent(&map, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    const QString qsTip = QToolTip::text();
    QVERIFY2(qsTip.contains(QStringLiteral("JA1&lt;b&gt;X")), qPrintable(qsTip));
    QVERIFY(qsTip.contains(QStringLiteral("Japan")));
    QVERIFY2(qsTip.contains(SpotPopup::pathText(path, false)), qPrintable(qsTip));
    QToolTip::hideText();
    // The corner tells heading and distance for any point.
    QCOMPARE(map.readoutAt(*ja).left(SpotPopup::pathText(path, false).size()), SpotPopup::pathText(path, false));

    // The band view applies: 40m off, the K1ABC dot goes, the place stays
    // for W2XYZ; then every band off, no dot at all.
    view.setBands(Filter::AllBands & ~int(BandPlan::find(QStringLiteral("40m"))->bit));
    QCOMPARE(view.rowCount(), 3);
    QVERIFY(map.dotCentre(1) && map.dotCentre(2));
    QCOMPARE(*map.dotCentre(1), *w2);
    view.setBands(Filter::NoBand);
    for (int iRow = 0; iRow < 4; ++iRow)
        QVERIFY(!map.dotCentre(iRow));
    QVERIFY(grab(map).pixelColor(ja->toPoint()) != QColor(255, 0, 255));
}

void TestMapWidget::dayAndNightFollowTheClock()
{
    SpotModel model;
    MapWidget map(&model);
    map.setEarthPictures(QImage(), QImage());
    map.setStation(QStringLiteral("JO62"));
    QDateTime now = utc("2026-12-07T12:00:00");
    map.setClock([&now] { return now; });
    map.resize(400, 400);
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));

    // Berlin in December: day at noon, night at midnight; the pixel beside
    // the station marker tells.
    const QPoint beside = map.mapProjection().centrePixel().toPoint() + QPoint(12, 0);
    QVERIFY(isDay(grab(map).pixel(beside)));
    QCOMPARE(map.shadedMinuteMs(), now.toMSecsSinceEpoch());
    now = utc("2026-12-07T00:00:00");
    map.update();
    QVERIFY(!isDay(grab(map).pixel(beside)));
    // The sun is drawn at its subsolar point; there it is day.
    const QPointF sun = map.mapProjection().toPixel(SolarPosition::at(now).subsolarPoint());
    QCOMPARE(grab(map).pixelColor(sun.toPoint()), QColor(0xff, 0xd5, 0x4f));

    // The world view with the same clock: the grey line lies between the
    // sunlit and the dark half.
    map.setProjection(MapWidget::Projection::World);
    const QImage world = grab(map);
    const MapProjection &projection = map.mapProjection();
    QCOMPARE(projection.kind(), MapProjection::Kind::World);
    QVERIFY(isDay(world.pixel(projection.toPixel(-10.0, 178.0).toPoint())));
    QVERIFY(!isDay(world.pixel(projection.toPixel(10.0, 0.0).toPoint())));
}

void TestMapWidget::withoutLocatorOrPictures()
{
    // No pictures in the data folders: the plain sea, and the tooltip says
    // why and what to install.
    const QByteArray baSaved = qgetenv("XDG_DATA_DIRS");
    QTemporaryDir empty;
    qputenv("XDG_DATA_DIRS", QFile::encodeName(empty.path()));
    SpotModel model;
    MapDock dock(&model);
    MapWidget *pMap = dock.map();
    pMap->setClock([] { return utc("2026-06-21T12:00:00"); });
    dock.resize(420, 460);
    dock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dock));
    QTRY_VERIFY(pMap->mapProjection().size().width() > 0);
    if (baSaved.isEmpty())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", baSaved);
    QVERIFY(!pMap->hasEarthPictures());
    const QPoint middle(pMap->width() / 2, pMap->height() / 2);
    QHelpEvent help(QEvent::ToolTip, middle, pMap->mapToGlobal(middle));
    QApplication::sendEvent(pMap, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY2(QToolTip::text().contains(QStringLiteral("xplanet-images")), qPrintable(QToolTip::text()));
    QVERIFY(QToolTip::text().contains(QStringLiteral("earth.jpg")));
    QToolTip::hideText();

    // No locator: the world, said so, and the centred choice waits for one.
    auto *pCombo = dock.findChild<QComboBox *>(QStringLiteral("comboBoxMapProjection"));
    QVERIFY(pCombo);
    dock.setStation(QString(), false);
    QCOMPARE(pMap->shownProjection(), MapWidget::Projection::World);
    QCOMPARE(pMap->mapProjection().kind(), MapProjection::Kind::World);
    QVERIFY(!qobject_cast<QStandardItemModel *>(pCombo->model())->item(0)->isEnabled());
    QCOMPARE(pCombo->currentIndex(), 1);
    QVERIFY(!pCombo->toolTip().isEmpty());
    // A locator brings the operator's own choice back; the world chosen by
    // hand is kept for the next start.
    dock.setStation(QStringLiteral("FN31pr"), true);
    QCOMPARE(pMap->shownProjection(), MapWidget::Projection::Centred);
    QCOMPARE(pCombo->currentIndex(), 0);
    QVERIFY(pMap->readoutAt(QPointF(middle) + QPointF(50, 0)).contains(QStringLiteral("mi")));
    pCombo->setCurrentIndex(1);
    Q_EMIT pCombo->activated(1);
    QCOMPARE(pMap->shownProjection(), MapWidget::Projection::World);
    MapDock again(&model);
    QCOMPARE(again.map()->projection(), MapWidget::Projection::World);
    store().remove(QStringLiteral("Map"));
}

void TestMapWidget::clickOnADotTunes()
{
    TestSupport::Rigctld rigctld;
    QVERIFY2(rigctld.start(), qPrintable(rigctld.errorString()));
    const quint16 uiRigPort = rigctld.port();
    QTRY_VERIFY_WITH_TIMEOUT(!TestSupport::rigFrequency(uiRigPort).isEmpty(), 10000);

    TestNode node;
    QVERIFY(node.listen());
    TestSupport::clearStore();
    TestSupport::writeStationAndNode(QStringLiteral("127.0.0.1"), node.port(), false);
    {
        QSettings settings = store();
        settings.setValue(QStringLiteral("General/SeenTips"), -1);
        settings.setValue(QStringLiteral("General/Locator"), QStringLiteral("JO62"));
        settings.setValue(QStringLiteral("CAT/HRDServer"), 1);
        settings.setValue(QStringLiteral("CAT/HRDAddress"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("CAT/HRDPort"), uiRigPort);
    }
    auto pWindow = std::make_unique<MainWindow>();
    pWindow->resize(1200, 800);
    pWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow.get()));
    auto *pDock = pWindow->findChild<MapDock *>(QStringLiteral("dockWidgetMap"));
    QVERIFY(pDock && !pDock->isVisible());
    pDock->show();
    MapWidget *pMap = pDock->map();
    QVERIFY(pMap->hasStation());

    const CountryInfo japan = country("Japan", 36.0, 138.0);
    const CountryInfo brazil = country("Brazil", -10.0, -53.0);
    for (const Spot &spot :
         {located(QStringLiteral("JA1AA"), "14012.3", japan), located(QStringLiteral("PY2AA"), "21020.5", brazil),
          located(QStringLiteral("PY3BB"), "28030.5", brazil)}) {
        Spot copy = spot;
        pWindow->onNewSpot(copy);
    }
    pWindow->showPendingSpots();
    auto *pTable = pWindow->findChild<QTableView *>(QStringLiteral("tableView"));
    QCOMPARE(pTable->model()->rowCount(), 3);

    // One station at the place: a click tunes it and makes its row current.
    MessageBoxCatcher boxes;
    const std::optional<QPointF> japanDot = pMap->dotCentre(2);
    QVERIFY(japanDot);
    QTest::mouseClick(pMap, Qt::LeftButton, {}, japanDot->toPoint());
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::rigFrequency(uiRigPort), QStringLiteral("14012300"), 5000);
    QCOMPARE(pTable->currentIndex().row(), 2);
    QCOMPARE(pTable->currentIndex().siblingAtColumn(SpotModel::DX).data().toString(), QStringLiteral("JA1AA"));

    // Two at one place: the operator picks one from a menu, newest first.
    const std::optional<QPointF> brazilDot = pMap->dotCentre(0);
    QVERIFY(brazilDot && pMap->dotCentre(1) == brazilDot);
    QTest::mouseClick(pMap, Qt::LeftButton, {}, brazilDot->toPoint());
    QMenu *pMenu = nullptr;
    QTRY_VERIFY((pMenu = pMap->findChild<QMenu *>(QStringLiteral("menuMapStations"))) && pMenu->isVisible());
    QCOMPARE(pMenu->actions().size(), 2);
    QVERIFY(pMenu->actions().at(0)->text().startsWith(QStringLiteral("PY3BB")));
    pMenu->actions().at(1)->trigger();
    pMenu->close();
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::rigFrequency(uiRigPort), QStringLiteral("21020500"), 5000);
    QCOMPARE(pTable->currentIndex().siblingAtColumn(SpotModel::DX).data().toString(), QStringLiteral("PY2AA"));
    QVERIFY(boxes.takeAll().isEmpty());

    // The dock's place and visibility are kept with the window's layout.
    pWindow->close();
    pWindow.reset();
    pWindow = std::make_unique<MainWindow>();
    QVERIFY(pWindow->findChild<MapDock *>(QStringLiteral("dockWidgetMap"))->isVisibleTo(pWindow.get()));
    pWindow.reset();
    rigctld.stop();
    store().clear();
}

QTEST_MAIN(TestMapWidget)
#include "tst_mapwidget.moc"
