#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "cluster/Cluster.h"
#include "cluster/SendSpot.h"
#include "cluster/SpotConfirmation.h"
#include "log/LogFeeds.h"
#include "log/LogStore.h"
#include "log/WsjtxListener.h"
#include "rig/RigControl.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "testnode/TestNode.h"
#include "testnode/TestSpot.h"
#include "ui/BandMapDock.h"
#include "ui/SpotModel.h"

#include <QDataStream>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <functional>

#include <utility>

using TestSupport::child;

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");
const QString kCall = QStringLiteral("Q1ABC");
const QString kError = QStringLiteral("Error sending spot.|");

// A datagram as a digital-mode program sends it when a QSO is logged.
QByteArray wsjtxDatagram(quint32 uiType, const std::function<void(QDataStream &)> &body)
{
    QByteArray qbaFrame;
    QDataStream stream(&qbaFrame, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_4);
    stream << quint32(WsjtxListener::kMagic) << quint32(3) << uiType << QByteArray("WSJT-X");
    body(stream);
    return qbaFrame;
}

} // namespace

// Posting a spot: the form's rules, the command on the wire at the real test
// node, and the frequency read from rigctld through our rig library.
class TestSendSpot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void frequencyFromHz_data();
    void frequencyFromHz();
    void fieldRules();
    void commandReachesTheNode();
    void frequencyReadFromRig();
    void windowRunsOnWhileTheRigIsSilent();
    void lastQsoFromReports();
    void postsToTheChosenNode();

private:
    TestNode m_node;
    std::unique_ptr<Settings> m_settings;
};

void TestSendSpot::initTestCase()
{
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
    QVERIFY(TestSupport::installRigLibrary(QStringLiteral(KELVANE_BRIDGE_FILE)));
    QVERIFY(m_node.listen());
    TestSupport::clearStore();
    TestSupport::writeStationAndNode(kLoopback, m_node.port());
    m_settings = std::make_unique<Settings>();
    m_settings->loadSettings();
    QVERIFY(m_settings->cluster());
}

void TestSendSpot::cleanupTestCase()
{
    m_settings.reset();
}

void TestSendSpot::frequencyFromHz_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("field");
    QTest::newRow("14025000") << "14025000"
                              << "14025.0";
    QTest::newRow("1802560") << "1802560"
                             << "1802.5";
    QTest::newRow("10489550000") << "10489550000"
                                 << "10489550.0";
    QTest::newRow("123") << "123"
                         << "0.1";
    QTest::newRow("12") << "12"
                        << "";
    QTest::newRow("error text") << "RPRT -11"
                                << "";
    QTest::newRow("too long") << QString(30, QLatin1Char('9')) << "";
}

void TestSendSpot::frequencyFromHz()
{
    QFETCH(QString, reply);
    QFETCH(QString, field);
    QCOMPARE(SendSpot::frequencyFromHz(reply), field);
}

void TestSendSpot::fieldRules()
{
    SendSpot dialog;
    dialog.show();
    auto *pFrequency = child<QLineEdit>(&dialog, "lineEditSendSpotFrequency");
    auto *pCall = child<QLineEdit>(&dialog, "lineEditSendSpotCall");
    QTest::keyClicks(pFrequency, QStringLiteral("14025.05"));
    QCOMPARE(pFrequency->text(), QStringLiteral("14025.0"));
    pFrequency->clear();
    QTest::keyClicks(pFrequency, QStringLiteral("7012"));
    QCOMPARE(pFrequency->text(), QStringLiteral("7012"));
    QTest::keyClicks(pCall, QStringLiteral("dl1abc-# /p"));
    QCOMPARE(pCall->text(), QStringLiteral("DL1ABC/P"));
}

void TestSendSpot::commandReachesTheNode()
{
    QSignalSpy loggedIn(&m_node, &TestNode::clientLoggedIn);
    m_settings->cluster()->connectToNode();
    QVERIFY(loggedIn.wait(5000));

    MessageBoxCatcher boxes;
    SendSpot dialog;
    QSignalSpy status(dialog.confirmation(), &SpotConfirmation::message);
    auto lastStatus = [&status] {
        return status.isEmpty() ? QString() : status.last().at(0).toString();
    };
    dialog.show();
    auto *pFrequency = child<QLineEdit>(&dialog, "lineEditSendSpotFrequency");
    auto *pCall = child<QLineEdit>(&dialog, "lineEditSendSpotCall");
    auto *pRemarks = child<QLineEdit>(&dialog, "lineEditSendSpotRemarks");
    dialog.accept();
    dialog.setSettings(m_settings.get());
    dialog.accept();
    pFrequency->setText(QStringLiteral("14025.0"));
    dialog.accept();
    QCOMPARE(boxes.takeAll(),
             QStringList({kError + QStringLiteral("There was an error while attempting to send the spot."),
                          kError + QStringLiteral("You must enter the DX station's frequency, in KHz."),
                          kError + QStringLiteral("You must enter the DX station's callsign.")}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(pFrequency->text(), QStringLiteral("14025.0"));

    m_node.clearReceived();
    QTest::keyClicks(pCall, QStringLiteral("dl1abc"));
    dialog.accept();
    QVERIFY(!dialog.isVisible());
    QVERIFY(pFrequency->text().isEmpty() && pCall->text().isEmpty());
    QTRY_VERIFY(m_node.receivedBytes(kCall).contains("DX 14025.0 DL1ABC \n"));
    // Written is not sent: only the node's echo of the spot confirms it.
    QCOMPARE(status.first().at(0).toString(), QStringLiteral("Sending the spot of DL1ABC…"));
    QTRY_COMPARE(lastStatus(), QStringLiteral("Spot sent: DL1ABC on 14025.0 kHz"));

    // A spot the node refuses: its reply is what the operator reads.
    dialog.show();
    pFrequency->setText(QStringLiteral("14025.0"));
    pCall->setText(QStringLiteral("ABC"));
    dialog.accept();
    QTRY_COMPARE(lastStatus(),
                 QStringLiteral("The node answered the spot of ABC: Sorry, DX needs a frequency in kHz "
                                "and a callsign"));
    // The echo in the other format; another spotter's spot of the same call is none.
    const TestSpot echo(14025.0, QStringLiteral("DL1ABC"), QStringLiteral("Q1ABC-2"), QStringLiteral("cq"));
    QVERIFY(SpotConfirmation::isEcho(QString::fromLatin1(echo.dxDeLine(true)), kCall, QStringLiteral("DL1ABC")));
    QVERIFY(!SpotConfirmation::isEcho(QString::fromLatin1(echo.dxDeLine(true)), QStringLiteral("Q1AB"),
                                      QStringLiteral("DL1ABC")));

    // Remarks go out in UTF-8 as one line, whatever was pasted into them.
    m_node.clearReceived();
    dialog.show();
    pFrequency->setText(QStringLiteral("7012.5"));
    pCall->setText(QStringLiteral("Q2XY"));
    pRemarks->setText(QStringLiteral("Grüße\nbye"));
    dialog.accept();
    QTRY_COMPARE(m_node.receivedBytes(kCall), QStringLiteral("DX 7012.5 Q2XY Grüße bye\n").toUtf8());

    // The node drops while the form is open: Send says so, nothing is lost.
    dialog.show();
    pFrequency->setText(QStringLiteral("7012.5"));
    pCall->setText(QStringLiteral("Q3Z"));
    QSignalSpy lost(m_settings->cluster(), &Cluster::disconnected);
    m_node.dropAllClients();
    QVERIFY(lost.wait(5000));
    dialog.accept();
    QCOMPARE(boxes.takeAll(),
             QStringList({kError
                          + QStringLiteral("The connection to the node is down; the spot was "
                                           "not sent. Your entries are kept: send again once "
                                           "connected.")}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(pCall->text(), QStringLiteral("Q3Z"));
    dialog.reject();
    QVERIFY(pCall->text().isEmpty());
    QVERIFY(boxes.seen.isEmpty());
}

void TestSendSpot::frequencyReadFromRig()
{
    TestSupport::Rigctld rigctld;
    QVERIFY2(rigctld.start(), qPrintable(rigctld.errorString()));
    const quint16 uiPort = rigctld.port();
    QTcpSocket socket;
    QTRY_VERIFY_WITH_TIMEOUT((socket.connectToHost(kLoopback, uiPort), socket.waitForConnected(200)), 10000);
    socket.write("F 14025000\n");
    QVERIFY(socket.waitForReadyRead(2000));
    socket.disconnectFromHost();

    RigControl rigControl;
    rigControl.loadHRDLibrary(true);
    QVERIFY(rigControl.library() && rigControl.library()->isLoaded());
    SendSpot dialog;
    QSignalSpy errors(&dialog, &SendSpot::HRDError);
    auto *pFrequency = child<QLineEdit>(&dialog, "lineEditSendSpotFrequency");
    dialog.openWithFrequency(&rigControl, kLoopback, uiPort);
    QVERIFY(dialog.isVisible());
    QTRY_COMPARE(pFrequency->text(), QStringLiteral("14025.0"));
    QCOMPARE(errors.count(), 0);

    // A frequency the operator typed before the rig answered stays.
    dialog.reject();
    dialog.openWithFrequency(&rigControl, kLoopback, uiPort);
    pFrequency->setText(QStringLiteral("7012.0"));
    QSignalSpy read(&rigControl, &RigControl::frequencyRead);
    QVERIFY(read.wait(5000));
    QCOMPARE(pFrequency->text(), QStringLiteral("7012.0"));

    // No server: the error goes out, the dialog opens all the same.
    dialog.reject();
    rigctld.stop();
    dialog.openWithFrequency(&rigControl, kLoopback, uiPort);
    QVERIFY(dialog.isVisible());
    QTRY_COMPARE(errors.count(), 1);
    QVERIFY(pFrequency->text().isEmpty());
}

void TestSendSpot::windowRunsOnWhileTheRigIsSilent()
{
    // Accepts connections and never answers: every rig call waits for the
    // bridge's time-outs.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    RigControl rigControl;
    rigControl.loadHRDLibrary(true);
    QSignalSpy finished(&rigControl, &RigControl::finished);

    QElapsedTimer clock;
    qint64 llLast = 0;
    qint64 llLongestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    connect(&ticker, &QTimer::timeout, this, [&] {
        llLongestGap = qMax(llLongestGap, clock.elapsed() - llLast);
        llLast = clock.elapsed();
    });
    clock.start();
    ticker.start();

    // The band map asks the same silent rig for its frequency every second;
    // the questions never pile up behind the one that hangs.
    SpotModel spots;
    BandMapDock bandMap(&spots, &rigControl);
    bandMap.setRig(true, kLoopback, silent.serverPort());
    bandMap.show();
    QVERIFY(!rigControl.pollFrequency(kLoopback, silent.serverPort()));

    SendSpot dialog;
    auto *pCall = child<QLineEdit>(&dialog, "lineEditSendSpotCall");
    dialog.openWithFrequency(&rigControl, kLoopback, silent.serverPort());
    QVERIFY(dialog.isVisible());
    QTest::keyClicks(pCall, QStringLiteral("dl1abc"));
    QCOMPARE(pCall->text(), QStringLiteral("DL1ABC"));

    // A settings save reloads the library under a tune stuck on the same
    // silent server.
    QVERIFY(rigControl.tune(true, kLoopback, silent.serverPort(), false, QStringLiteral("14025.0"), QString()));
    QTest::qWait(100);
    rigControl.loadHRDLibrary(true);
    QVERIFY(rigControl.isTuning());
    QTest::qWait(1300);
    QVERIFY(!rigControl.pollFrequency(kLoopback, silent.serverPort()));
    QVERIFY2(llLongestGap <= 100, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(llLongestGap)));
    QVERIFY(finished.wait(20000));
    dialog.reject();
}

void TestSendSpot::lastQsoFromReports()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LogStore store;
    QVERIFY(store.open(dir.filePath(QStringLiteral("log.sqlite"))));
    LogFeeds feeds(&store);
    LogSettings settings;
    settings.wsjtxEnabled = true;
    settings.wsjtxPort = 0;
    feeds.apply(settings);
    QVERIFY2(feeds.wsjtxPort() != 0, qPrintable(feeds.wsjtxError()));

    SendSpot dialog;
    connect(&feeds, &LogFeeds::lastQsoChanged, &dialog, &SendSpot::setLastQso);
    dialog.show();
    auto *pLastQso = child<QPushButton>(&dialog, "pushButtonLastQso");
    auto *pFrequency = child<QLineEdit>(&dialog, "lineEditSendSpotFrequency");
    auto *pCall = child<QLineEdit>(&dialog, "lineEditSendSpotCall");
    auto *pRemarks = child<QLineEdit>(&dialog, "lineEditSendSpotRemarks");
    QVERIFY(!pLastQso->isVisible());

    QUdpSocket sender;
    const auto send = [&](const QByteArray &qbaDatagram) {
        return sender.writeDatagram(qbaDatagram, QHostAddress::LocalHost, feeds.wsjtxPort()) == qbaDatagram.size();
    };
    const QDateTime qdtOn(QDate(2026, 12, 7), QTime(11, 58), Qt::UTC);
    QVERIFY(send(wsjtxDatagram(WsjtxListener::kTypeQsoLogged, [&](QDataStream &stream) {
        stream << qdtOn.addSecs(60) << QByteArray("q1abc") << QByteArray("FN42") << quint64(14074000)
               << QByteArray("FT8") << QByteArray("-10") << QByteArray("-12") << QByteArray("5") << QByteArray()
               << QByteArray("Ann") << qdtOn;
    })));
    QTRY_VERIFY_WITH_TIMEOUT(pLastQso->isVisible(), 5000);
    QCOMPARE(pLastQso->text(), QStringLiteral("Spot the last QSO: Q1ABC on 14074.0 kHz (FT8)"));

    // Whatever was typed gives way to the QSO; what it fills stays editable.
    pRemarks->setText(QStringLiteral("old"));
    QTest::mouseClick(pLastQso, Qt::LeftButton);
    QCOMPARE(pCall->text(), QStringLiteral("Q1ABC"));
    QCOMPARE(pFrequency->text(), QStringLiteral("14074.0"));
    QCOMPARE(pRemarks->text(), QStringLiteral("FT8"));
    QTest::keyClicks(pRemarks, QStringLiteral(" tnx"));
    QCOMPARE(pRemarks->text(), QStringLiteral("FT8 tnx"));

    // The ADIF form: its frequency in MHz, the submode before the mode; a
    // call the form would refuse keeps only what the form takes.
    QVERIFY(send(wsjtxDatagram(WsjtxListener::kTypeLoggedAdif, [](QDataStream &stream) {
        stream << QByteArray("<call:9>q2x;y/p z<freq:8>7.074512<mode:4>MFSK<submode:3>FT4"
                             "<qso_date:8>20261207<time_on:4>1200<eor>");
    })));
    QTRY_COMPARE_WITH_TIMEOUT(pLastQso->text(), QStringLiteral("Spot the last QSO: Q2X;Y/P Z on 7074.5 kHz (FT4)"),
                              5000);
    QTest::mouseClick(pLastQso, Qt::LeftButton);
    QCOMPARE(pCall->text(), QStringLiteral("Q2XY/PZ"));
    QCOMPARE(pFrequency->text(), QStringLiteral("7074.5"));
    QCOMPARE(pRemarks->text(), QStringLiteral("FT4"));

    // A frequency that does not read leaves the operator's own.
    QVERIFY(send(wsjtxDatagram(WsjtxListener::kTypeLoggedAdif, [](QDataStream &stream) {
        stream << QByteArray("<call:5>Q3ABC<freq:3>abc<mode:2>CW<qso_date:8>20261207<time_on:4>1201<eor>");
    })));
    QTRY_COMPARE_WITH_TIMEOUT(pLastQso->text(), QStringLiteral("Spot the last QSO: Q3ABC (CW)"), 5000);
    pFrequency->setText(QStringLiteral("7012.0"));
    QTest::mouseClick(pLastQso, Qt::LeftButton);
    QCOMPARE(pCall->text(), QStringLiteral("Q3ABC"));
    QCOMPARE(pFrequency->text(), QStringLiteral("7012.0"));
    dialog.reject();
}

void TestSendSpot::postsToTheChosenNode()
{
    // Two nodes and a skimmer feed connected; only the nodes take spots.
    TestNode second;
    TestNode feed;
    feed.setKind(TestNode::Kind::SkimmerFeed);
    QVERIFY(second.listen() && feed.listen());
    NodeList nodes = SettingsStore::loadNodes();
    for (const auto &[qsName, pNode] : {std::pair {QStringLiteral("b"), &second}, {QStringLiteral("c"), &feed}}) {
        ClusterNode node(qsName, kLoopback, pNode->port(), QString(), false);
        node.setConnected(true);
        node.setSkimmerFeed(pNode == &feed);
        nodes.nodes.append(node);
    }
    SettingsStore::saveNodes(nodes);
    Settings settings;
    settings.loadSettings();
    QCOMPARE(settings.cluster()->sourceCount(), 3);
    settings.cluster()->connectToNode();
    QTRY_VERIFY_WITH_TIMEOUT(m_node.loggedInCount() > 0 && second.loggedInCount() == 1 && feed.loggedInCount() == 1,
                             5000);
    QTRY_VERIFY_WITH_TIMEOUT(settings.cluster()->postingConnection(), 5000);
    QTest::qWait(200); // every source's login answered

    SendSpot dialog;
    dialog.setSettings(&settings);
    dialog.openWithFrequency(nullptr, QString(), 0);
    auto *pNodes = child<QComboBox>(&dialog, "comboBoxSendSpotNode");
    QStringList offered;
    for (int i = 0; i < pNodes->count(); ++i)
        offered.append(pNodes->itemText(i));
    QCOMPARE(offered, (QStringList {QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(pNodes->currentText(), QStringLiteral("a"));

    m_node.clearReceived();
    pNodes->setCurrentIndex(1);
    child<QLineEdit>(&dialog, "lineEditSendSpotFrequency")->setText(QStringLiteral("14025.0"));
    child<QLineEdit>(&dialog, "lineEditSendSpotCall")->setText(QStringLiteral("Q4POST"));
    dialog.accept();
    QTRY_VERIFY(second.receivedBytes(kCall).contains("DX 14025.0 Q4POST \n"));
    QTest::qWait(100);
    QVERIFY(!m_node.receivedBytes(kCall).contains("Q4POST"));
    QCOMPARE(feed.receivedLines(), QStringList {kCall});
}

QTEST_MAIN(TestSendSpot)
#include "tst_sendspot.moc"
