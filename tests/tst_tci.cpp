#include "TestSupport.h"

#include "filters/Filter.h"

#include "sharing/TciClient.h"
#include "ui/SharingHub.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotTableView.h"
#include "ui/TciSpotFeed.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <memory>

using TestSupport::LogCapture;

namespace {

constexpr int kTimeoutMs = 5000;

Spot spotOf(const QString &qsCall, const QString &qsFrequency, const QString &qsComment)
{
    Spot spot;
    spot.setDxCall(qsCall);
    spot.setFrequency(qsFrequency);
    spot.setSpotter(QStringLiteral("Q1DEF"));
    spot.setTime(QStringLiteral("0612Z"));
    spot.setDate(QStringLiteral("07-Dec-2026"));
    spot.setComment(qsComment);
    spot.setMode(QStringLiteral("CW"));
    return spot;
}

// A panadapter's TCI server on loopback: every message it got, per connection.
class TciServer : public QObject
{
public:
    TciServer() : m_server(QStringLiteral("test SDR"), QWebSocketServer::NonSecureMode)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QWebSocketServer::newConnection, this, [this] {
            QWebSocket *pSocket = m_server.nextPendingConnection();
            // Handed over without a parent: the server's connections end with it.
            pSocket->setParent(this);
            m_socket = pSocket;
            m_connections.append(QStringList());
            connect(pSocket, &QWebSocket::textMessageReceived, this,
                    [this](const QString &qsMessage) { m_connections.last().append(qsMessage); });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_server.serverPort())); }
    QStringList received() const { return m_connections.isEmpty() ? QStringList() : m_connections.last(); }

    QWebSocketServer m_server;
    QPointer<QWebSocket> m_socket;
    QList<QStringList> m_connections;
};

} // namespace

class TestTci : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void rowsBecomeSpots();
    void clickSelectsRow_data();
    void clickSelectsRow();
    void clickSelectsTableRow();
    void clearedAtConnectAndWhenOff();
    void silentServerBlocksNothing();
    void serverThatNeverReads();

private:
    void connectTo(const QUrl &url);

    std::unique_ptr<SpotModel> m_model;
    std::unique_ptr<SpotBandProxy> m_rows;
    std::unique_ptr<SharingHub> m_hub;
    std::unique_ptr<TciServer> m_server;
    qint64 m_nowMs = 0;
};

void TestTci::initTestCase()
{
    LogCapture::install(QsLogging::LevelWarn);
}

void TestTci::init()
{
    LogCapture::clear();
    m_nowMs = QDateTime::currentMSecsSinceEpoch();
    m_model = std::make_unique<SpotModel>();
    m_model->setClock([this] { return m_nowMs; });
    m_rows = std::make_unique<SpotBandProxy>(m_model.get());
    m_hub = std::make_unique<SharingHub>(m_rows.get(), nullptr);
    m_server = std::make_unique<TciServer>();
    QVERIFY(m_server->m_server.isListening());
}

void TestTci::cleanup()
{
    m_hub.reset();
    m_server.reset();
    m_rows.reset();
    m_model.reset();
}

void TestTci::connectTo(const QUrl &url)
{
    SharingSettings sharing;
    sharing.tci = true;
    sharing.tciUrl = url.toString();
    m_hub->apply(sharing);
}

void TestTci::rowsBecomeSpots()
{
    m_model->insertSpot(spotOf("Q9XYZ", "14025.0", "CW 599"), 1000);
    connectTo(m_server->url());
    // Cleared first, then the rows already there.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 2, kTimeoutMs);
    const QString qsNeutral = QString::number(SharingSettings().tciColor.rgba());
    QCOMPARE(m_server->received(),
             QStringList({"SPOT_CLEAR;", QStringLiteral("SPOT:Q9XYZ,cw,14025000,%1,CW 599;").arg(qsNeutral)}));

    // A new row in its alert colour; the protocol's separators never get through.
    Spot alerted = spotOf("Q7ABC", "7012.5", "up 2; SPOT_CLEAR, x");
    alerted.setAlertColor(QColor(255, 0, 0));
    alerted.addAlertFlags(AlertFlag::Color);
    m_model->insertSpot(alerted, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 3, kTimeoutMs);
    QCOMPARE(m_server->received().at(2), QStringLiteral("SPOT:Q7ABC,cw,7012500,4294901760,up 2  SPOT_CLEAR  x;"));

    // A repeat changes the row: the spot is sent again, once.
    m_nowMs += 60000;
    m_model->insertSpot(spotOf("Q9XYZ", "14025.2", "now 579"), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 4, kTimeoutMs);
    QCOMPARE(m_server->received().at(3), QStringLiteral("SPOT:Q9XYZ,cw,14025200,%1,now 579;").arg(qsNeutral));

    // Hidden by the band buttons, then aged out.
    m_rows->setBands(int(Filter::Band40m));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 5, kTimeoutMs);
    QCOMPARE(m_server->received().at(4), QStringLiteral("SPOT_DELETE:Q9XYZ;"));
    m_nowMs += qint64(SpotModel::kDefaultMaxAgeMinutes + 1) * 60000;
    QCOMPARE(m_model->removeAged(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 6, kTimeoutMs);
    QCOMPARE(m_server->received().at(5), QStringLiteral("SPOT_DELETE:Q7ABC;"));
    QTest::qWait(2 * TciSpotFeed::kSyncDelayMs);
    QCOMPARE(m_server->received().size(), 6);
}

void TestTci::clickSelectsRow_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("row");

    QTest::newRow("receiver and channel") << "rx_clicked_on_spot:0,1,Q9XYZ,14025000;" << 1;
    QTest::newRow("older servers") << "clicked_on_spot:q7abc,7012500;" << 0;
    QTest::newRow("among other state") << "vfo:0,0,14025000;rx_clicked_on_spot:0,0,Q9XYZ,14025000;ready;" << 1;
    QTest::newRow("nearest of the call's rows") << "rx_clicked_on_spot:0,0,Q9XYZ,21074000;" << 2;
    QTest::newRow("too few fields") << "rx_clicked_on_spot:0,Q9XYZ;" << -1;
    QTest::newRow("no such call") << "clicked_on_spot:Q0NONE,7000000;" << -1;
    QTest::newRow("no command") << QString(4096, QLatin1Char(',')) << -1;
}

void TestTci::clickSelectsRow()
{
    QFETCH(QString, message);
    QFETCH(int, row);

    m_model->insertSpot(spotOf("Q9XYZ", "21074.0", "FT8"), 1000);
    m_model->insertSpot(spotOf("Q9XYZ", "14025.0", "CW"), 1000);
    m_model->insertSpot(spotOf("Q7ABC", "7012.5", "CW"), 1000);
    connectTo(m_server->url());
    QTRY_VERIFY_WITH_TIMEOUT(m_server->m_socket && m_server->received().size() >= 3, kTimeoutMs);
    QSignalSpy clickSpy(m_hub.get(), &SharingHub::spotClicked);
    m_server->m_socket->sendTextMessage(message);
    if (row < 0) {
        QTest::qWait(200);
        QCOMPARE(clickSpy.count(), 0);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(clickSpy.count(), 1, kTimeoutMs);
    QCOMPARE(clickSpy.at(0).at(0).toInt(), row);
}

void TestTci::clickSelectsTableRow()
{
    // The window's own table, sorted by frequency: the row on screen is
    // not the model's row.
    SpotTableView view;
    view.resize(700, 300);
    view.show();
    view.addSpot(spotOf("Q9XYZ", "21074.0", "FT8"), 1000);
    view.addSpot(spotOf("Q7ABC", "7012.5", "CW"), 1000);
    view.addSpot(spotOf("Q5DEF", "14025.0", "CW"), 1000);
    view.showPendingSpots();
    view.sortByColumn(SpotModel::Frequency, Qt::AscendingOrder);
    SharingHub hub(view.bandProxy(), nullptr);
    connect(&hub, &SharingHub::spotClicked, &view, &SpotTableView::selectModelRow);
    SharingSettings sharing;
    sharing.tci = true;
    sharing.tciUrl = m_server->url().toString();
    hub.apply(sharing);
    QTRY_VERIFY_WITH_TIMEOUT(m_server->m_socket && m_server->received().size() >= 4, kTimeoutMs);

    const auto selectedCall = [&view] {
        const QModelIndexList rows = view.selectionModel()->selectedRows();
        return rows.size() == 1 ? view.spotAt(rows.first())->dxCall() : QString();
    };
    m_server->m_socket->sendTextMessage(QStringLiteral("rx_clicked_on_spot:0,0,Q5DEF,14025000;"));
    QTRY_COMPARE_WITH_TIMEOUT(selectedCall(), QStringLiteral("Q5DEF"), kTimeoutMs);
    QCOMPARE(view.currentIndex().row(), 1);

    // A row the band buttons hide is not selected behind the operator's back.
    view.setBands(int(Filter::Band20m));
    m_server->m_socket->sendTextMessage(QStringLiteral("clicked_on_spot:Q7ABC,7012500;"));
    QTest::qWait(200);
    QCOMPARE(selectedCall(), QStringLiteral("Q5DEF"));
}

void TestTci::clearedAtConnectAndWhenOff()
{
    m_model->insertSpot(spotOf("Q9XYZ", "14025.0", "CW"), 1000);
    connectTo(m_server->url());
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 2, kTimeoutMs);

    // The SDR program restarts: the new connection starts from a cleared
    // panadapter and gets every row again.
    m_server->m_socket->close();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->m_connections.size(), 2, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 2, kTimeoutMs);
    QCOMPARE(m_server->received().at(0), QStringLiteral("SPOT_CLEAR;"));
    QVERIFY(m_server->received().at(1).startsWith(QLatin1String("SPOT:Q9XYZ,")));

    SharingSettings sharing = m_hub->settings();
    sharing.tci = false;
    m_hub->apply(sharing);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 3, kTimeoutMs);
    QCOMPARE(m_server->received().at(2), QStringLiteral("SPOT_CLEAR;"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_server->m_socket || m_server->m_socket->state() == QAbstractSocket::UnconnectedState,
                             kTimeoutMs);
    QVERIFY(!m_hub->tciClient()->isRunning());
}

void TestTci::silentServerBlocksNothing()
{
    // Takes connections and never says a word.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> accepted;
    connect(&silent, &QTcpServer::newConnection, this, [&] { accepted.append(silent.nextPendingConnection()); });

    m_hub->tciClient()->setHandshakeTimeoutMs(200);
    QElapsedTimer elapsed;
    elapsed.start();
    connectTo(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(silent.serverPort())));
    m_model->insertSpot(spotOf("Q9XYZ", "14025.0", "CW"), 1000);
    QVERIFY(elapsed.elapsed() < 100);
    // It gives up on the handshake and tries again later, meanwhile the
    // event loop runs.
    QTRY_VERIFY_WITH_TIMEOUT(accepted.size() >= 2, kTimeoutMs);
    QVERIFY(!LogCapture::with(QStringLiteral("did not answer within 200 ms")).isEmpty());
    QVERIFY(!m_hub->tciClient()->isConnected());
    QVERIFY(m_hub->tciClient()->retryDelayMs() > TciClient::kFirstRetryMs);
    elapsed.restart();
    SharingSettings sharing = m_hub->settings();
    sharing.tci = false;
    m_hub->apply(sharing);
    QVERIFY(elapsed.elapsed() < 100);
}

void TestTci::serverThatNeverReads()
{
    // Completes the handshake, then reads nothing more.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket *pPeer = nullptr;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        pPeer = server.nextPendingConnection();
        pPeer->setReadBufferSize(64 * 1024);
        connect(pPeer, &QTcpSocket::readyRead, pPeer, [pPeer] {
            const QByteArray baRequest = pPeer->peek(pPeer->bytesAvailable());
            if (!baRequest.contains("\r\n\r\n"))
                return;
            disconnect(pPeer, &QTcpSocket::readyRead, nullptr, nullptr);
            QByteArray baKey;
            for (const QByteArray &baLine : baRequest.split('\n')) {
                if (baLine.toLower().startsWith("sec-websocket-key:"))
                    baKey = baLine.mid(18).trimmed();
            }
            const QByteArray baAccept =
                QCryptographicHash::hash(baKey + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11", QCryptographicHash::Sha1)
                    .toBase64();
            pPeer->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                         "Sec-WebSocket-Accept: "
                         + baAccept + "\r\n\r\n");
        });
    });

    TciClient client;
    QSignalSpy connectedSpy(&client, &TciClient::connected);
    QSignalSpy disconnectedSpy(&client, &TciClient::disconnected);
    client.start(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server.serverPort())));
    QTRY_COMPARE_WITH_TIMEOUT(connectedSpy.count(), 1, kTimeoutMs);

    const QString qsText(900, QLatin1Char('x'));
    int iSent = 0;
    while (disconnectedSpy.isEmpty() && iSent < 100000) {
        for (int i = 0; i < 200; ++i, ++iSent)
            client.sendSpot(QStringLiteral("Q%1").arg(iSent), QStringLiteral("cw"), 14025000, 0xff000000, qsText);
        QTest::qWait(1);
    }
    QCOMPARE(disconnectedSpy.count(), 1);
    QVERIFY(iSent < 100000);
    QCOMPARE(LogCapture::with(QStringLiteral("does not read")).size(), 1);
    client.stop();
}

QTEST_MAIN(TestTci)
#include "tst_tci.moc"
