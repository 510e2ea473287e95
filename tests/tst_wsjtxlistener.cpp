#include "TestSupport.h"

#include "log/WsjtxListener.h"

#include <QDataStream>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QUdpSocket>

#include <functional>
#include <memory>

using TestSupport::LogCapture;

namespace {

// How far a sender writes a "QSO Logged" message.
enum Length { Full, NoExchange, NoTimeOn };

QByteArray frame(quint32 uiType, const std::function<void(QDataStream &)> &body, quint32 uiSchema = 3,
                 const QByteArray &qbaId = QByteArrayLiteral("WSJT-X"))
{
    QByteArray qbaFrame;
    QDataStream stream(&qbaFrame, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_4);
    stream << quint32(WsjtxListener::kMagic) << uiSchema << uiType << qbaId;
    body(stream);
    return qbaFrame;
}

QByteArray loggedAdif(const QByteArray &qbaAdif, quint32 uiSchema = 3, const QByteArray &qbaId = "WSJT-X")
{
    return frame(
        WsjtxListener::kTypeLoggedAdif, [&](QDataStream &stream) { stream << qbaAdif; }, uiSchema, qbaId);
}

QByteArray qsoLogged(const QDateTime &qdtOff, const QDateTime &qdtOn, Length length = Full)
{
    return frame(WsjtxListener::kTypeQsoLogged, [&](QDataStream &stream) {
        stream << qdtOff << QByteArray("K1ABC") << QByteArray("FN42") << quint64(14074000) << QByteArray("FT8")
               << QByteArray("-10") << QByteArray("-12") << QByteArray("5") << QByteArray() << QByteArray("Ann");
        if (length == NoTimeOn)
            return;
        stream << qdtOn << QByteArray("Q1OP") << QByteArray("Q1ABC") << QByteArray("JO00");
        if (length == Full)
            stream << QByteArray("599") << QByteArray("599 001") << QByteArray();
    });
}

const QDateTime kOn(QDate(2026, 12, 6), QTime(21, 58, 30), Qt::UTC);
const QDateTime kOff = kOn.addSecs(60);
const QByteArray kSentinel = "<call:5>Z9END<eor>";

} // namespace

// The listener against datagrams as senders write them, over loopback UDP.
// Every datagram is followed by a good one: once that one is through, the
// first has been dealt with.
class TestWsjtxListener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void received_data();
    void received();
    void dropped_data();
    void dropped();
    void dropLinesAreRateLimited();
    void burstIsReadInTurns();
    void listenFailsWithAReason();

private:
    void deliver(const QList<QByteArray> &datagrams);

    std::unique_ptr<WsjtxListener> m_listener;
    std::unique_ptr<QSignalSpy> m_adifSpy;
    std::unique_ptr<QSignalSpy> m_qsoSpy;
};

void TestWsjtxListener::initTestCase()
{
    LogCapture::install(QsLogging::LevelWarn);
}

void TestWsjtxListener::init()
{
    LogCapture::clear();
    m_qsoSpy.reset();
    m_adifSpy.reset();
    m_listener = std::make_unique<WsjtxListener>();
    QVERIFY(m_listener->listen(QHostAddress::LocalHost, 0));
    m_adifSpy = std::make_unique<QSignalSpy>(m_listener.get(), &WsjtxListener::adifLogged);
    m_qsoSpy = std::make_unique<QSignalSpy>(m_listener.get(), &WsjtxListener::qsoLogged);
}

void TestWsjtxListener::deliver(const QList<QByteArray> &datagrams)
{
    QUdpSocket sender;
    const quint16 uiPort = m_listener->localPort();
    for (const QByteArray &qbaDatagram : datagrams)
        QCOMPARE(sender.writeDatagram(qbaDatagram, QHostAddress::LocalHost, uiPort), qbaDatagram.size());
    QVERIFY(sender.writeDatagram(loggedAdif(kSentinel), QHostAddress::LocalHost, uiPort) > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_adifSpy->isEmpty() && m_adifSpy->last().at(0).toByteArray() == kSentinel, 5000);
    m_adifSpy->removeLast();
}

void TestWsjtxListener::received_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QByteArray>("adif");
    QTest::addColumn<QDateTime>("on");

    const QByteArray qbaLatin1 = "<call:6>DL1\xc4"
                                 "BC <name:4>J\xfcrg<eor>";
    QTest::newRow("type 12, Latin-1 bytes kept") << loggedAdif(qbaLatin1) << qbaLatin1 << QDateTime();
    QTest::newRow("type 12, schema 2, null id")
        << loggedAdif("<eor>", 2, QByteArray()) << QByteArray("<eor>") << QDateTime();
    QTest::newRow("type 12, schema 4 read as 3") << loggedAdif("<eor>", 4) << QByteArray("<eor>") << QDateTime();
    QTest::newRow("type 12, empty") << loggedAdif(QByteArray()) << QByteArray() << QDateTime();
    QTest::newRow("heartbeat") << frame(0, [](QDataStream &stream) { stream << quint32(3); }) << QByteArray()
                               << QDateTime();

    QTest::newRow("type 5, every field") << qsoLogged(kOff, kOn) << QByteArray() << kOn;
    QTest::newRow("type 5, short form") << qsoLogged(kOff, kOn, NoExchange) << QByteArray() << kOn;
    QTest::newRow("type 5, no time on") << qsoLogged(kOff, kOn, NoTimeOn) << QByteArray() << kOff;
    QTest::newRow("type 5, null time on") << qsoLogged(kOff, QDateTime()) << QByteArray() << kOff;
    QTest::newRow("type 5, on at an offset")
        << qsoLogged(kOff, QDateTime(QDate(2026, 12, 7), QTime(0, 28, 30), Qt::OffsetFromUTC, 9000)) << QByteArray()
        << kOn;
    QTest::newRow("type 5, on in a zone")
        << qsoLogged(kOff, QDateTime(QDate(2026, 12, 6), QTime(22, 58, 30), QTimeZone("Europe/Berlin"))) << QByteArray()
        << kOn;
    QTest::newRow("type 5, on in a fixed zone")
        << qsoLogged(kOff, QDateTime(QDate(2026, 12, 6), QTime(20, 58, 30), QTimeZone(-3600))) << QByteArray() << kOn;
    QTest::newRow("type 5, local time") << qsoLogged(kOff, kOn.toLocalTime()) << QByteArray() << kOn;
}

void TestWsjtxListener::received()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QByteArray, adif);
    QFETCH(QDateTime, on);
    deliver({datagram});

    QCOMPARE(m_adifSpy->size(), adif.isEmpty() ? 0 : 1);
    if (!adif.isEmpty())
        QCOMPARE(m_adifSpy->at(0).at(0).toByteArray(), adif);
    QCOMPARE(m_qsoSpy->size(), on.isValid() ? 1 : 0);
    if (on.isValid()) {
        QCOMPARE(m_qsoSpy->at(0).at(0).toString(), QStringLiteral("K1ABC"));
        QCOMPARE(m_qsoSpy->at(0).at(1).toDateTime(), on);
        QCOMPARE(m_qsoSpy->at(0).at(1).toDateTime().timeSpec(), Qt::UTC);
        QCOMPARE(m_qsoSpy->at(0).at(2).toULongLong(), quint64(14074000));
        QCOMPARE(m_qsoSpy->at(0).at(3).toString(), QStringLiteral("FT8"));
    }
    QCOMPARE(m_listener->droppedDatagrams(), quint64(0));
}

void TestWsjtxListener::dropped_data()
{
    QTest::addColumn<QByteArray>("datagram");

    const QByteArray qbaAdif = loggedAdif("<call:5>K1ABC<eor>");
    const QByteArray qbaQso = qsoLogged(kOff, kOn);
    QByteArray qbaWrongMagic = qbaAdif;
    qbaWrongMagic[0] = 0;
    QByteArray qbaHugeLength = qbaAdif;
    // The ADIF's length, after the header and the 6-byte id.
    qbaHugeLength.replace(22, 4, QByteArray("\xff\xff\xff\xfe", 4));
    QByteArray qbaBadSpec = qbaQso;
    // The Qt::TimeSpec of the time off, after the id, the julian day and the msecs.
    qbaBadSpec[34] = 7;

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("wrong magic") << qbaWrongMagic;
    QTest::newRow("header cut") << qbaAdif.left(10);
    QTest::newRow("ADIF cut") << qbaAdif.chopped(3);
    QTest::newRow("type 5 cut after the call") << qbaQso.left(44);
    QTest::newRow("type 5 cut in the time on") << qsoLogged(kOff, kOn, NoExchange).chopped(8 + 9 + 8 + 5);
    QTest::newRow("huge length") << qbaHugeLength;
    QTest::newRow("huge id length") << frame(
                                           WsjtxListener::kTypeLoggedAdif, [](QDataStream &) {}, 3, QByteArray())
                                           .replace(12, 4, QByteArray("\x7f\0\0\0", 4));
    QTest::newRow("schema 1") << loggedAdif("<eor>", 1);
    QTest::newRow("unknown kind of time") << qbaBadSpec;
    QTest::newRow("type 5 without any valid time") << qsoLogged(QDateTime(), QDateTime());
}

void TestWsjtxListener::dropped()
{
    QFETCH(QByteArray, datagram);
    deliver({datagram});

    QCOMPARE(m_adifSpy->size(), 0);
    QCOMPARE(m_qsoSpy->size(), 0);
    QCOMPARE(m_listener->droppedDatagrams(), quint64(1));
}

void TestWsjtxListener::dropLinesAreRateLimited()
{
    deliver({"junk", "more junk", loggedAdif("<eor>").left(9)});

    QCOMPARE(m_listener->droppedDatagrams(), quint64(3));
    const QStringList lines = LogCapture::with(QStringLiteral("Dropped"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.at(0).contains(QStringLiteral("Dropped malformed UDP datagrams: 1 ")), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(0).contains(QStringLiteral("127.0.0.1")), qPrintable(lines.at(0)));
}

// More datagrams than one turn of the event loop reads: the rest must follow.
void TestWsjtxListener::burstIsReadInTurns()
{
    QList<QByteArray> datagrams;
    for (int i = 0; i < 100; ++i)
        datagrams.append(loggedAdif(QByteArray::number(i)));
    deliver(datagrams);
    QCOMPARE(m_adifSpy->size(), 100);
    QCOMPARE(m_adifSpy->at(99).at(0).toByteArray(), QByteArray("99"));
}

void TestWsjtxListener::listenFailsWithAReason()
{
    // A test address (192.0.2.0/24) that no interface of this machine has.
    const QHostAddress qhaForeign(QStringLiteral("192.0.2.1"));
    WsjtxListener listener;
    QVERIFY(!listener.listen(qhaForeign, 0));
    QVERIFY(listener.errorString().contains(QStringLiteral("192.0.2.1")));
    QVERIFY(!listener.listen(qhaForeign, 0, QHostAddress(QStringLiteral("239.255.0.1"))));
    QVERIFY(listener.errorString().contains(QStringLiteral("239.255.0.1")));

    // Programs that share a port with others do not keep each other out.
    QVERIFY2(listener.listen(QHostAddress::LocalHost, m_listener->localPort()), qPrintable(listener.errorString()));
}

QTEST_GUILESS_MAIN(TestWsjtxListener)
#include "tst_wsjtxlistener.moc"
