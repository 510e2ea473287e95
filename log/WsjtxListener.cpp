#include "WsjtxListener.h"

#include "API/QsLog/QsLog.h"

#include <QDataStream>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTimeZone>

namespace {

// A flood of datagrams must not starve the event loop: the rest waits for
// the next turn.
constexpr int kMaxDatagramsPerTurn = 64;
constexpr qint64 kDropLineIntervalMs = 10 * 1000;
// Schema 1 wrote dates in an older stream format; 2 and 3 share one, and a
// newer schema only appends fields, so it is read as 3.
constexpr quint32 kOldestSchema = 2;
constexpr quint32 kNullLength = 0xffffffff;
// A time zone name longer than this is not one; no look-up for it.
constexpr qsizetype kMaxZoneIdLength = 64;
constexpr char kUtcOffsetZone[] = "OffsetFromUtc";

// Reads the protocol's fields from one datagram. No length from the datagram
// is trusted beyond the bytes that are really there, so a forged length costs
// nothing; the first fault ends the reading and names itself in why().
class FrameReader
{
public:
    explicit FrameReader(const QByteArray &qbaFrame) : m_stream(qbaFrame)
    {
        // What the protocol's schemas 2 and 3 use; for the fields read here
        // both give the same bytes.
        m_stream.setVersion(QDataStream::Qt_5_4);
        m_stream.setByteOrder(QDataStream::BigEndian);
    }

    QString why() const { return m_why; }
    bool atEnd() const { return m_stream.atEnd(); }

    template <typename T> bool read(T *pValue)
    {
        m_stream >> *pValue;
        return m_stream.status() == QDataStream::Ok || fail("truncated");
    }

    // A byte array: quint32 length (all ones for a null array), then bytes.
    bool readBytes(QByteArray *pBytes)
    {
        quint32 uiLength = 0;
        if (!read(&uiLength))
            return false;
        if (uiLength == kNullLength) {
            *pBytes = QByteArray();
            return true;
        }
        if (uiLength > quint64(m_stream.device()->bytesAvailable()))
            return fail("a length past the end");
        pBytes->resize(qsizetype(uiLength));
        return m_stream.readRawData(pBytes->data(), int(uiLength)) == int(uiLength) || fail("truncated");
    }

    // A string: like a byte array, its bytes UTF-16.
    bool readString(QString *pString)
    {
        QByteArray qbaUtf16;
        if (!readBytes(&qbaUtf16))
            return false;
        if (qbaUtf16.size() % 2)
            return fail("a string of an odd length");
        pString->resize(qbaUtf16.size() / 2);
        for (qsizetype i = 0; i < pString->size(); ++i)
            (*pString)[i] = QChar(ushort((uchar(qbaUtf16[2 * i]) << 8) | uchar(qbaUtf16[2 * i + 1])));
        return true;
    }

    // Date (julian day), time (ms since midnight), its Qt::TimeSpec and what
    // that kind needs. Values out of range give an invalid QDateTime, not a fault:
    // the frame goes on regardless.
    bool readDateTime(QDateTime *pDateTime)
    {
        qint64 iJulianDay = 0;
        quint32 uiMsecs = 0;
        qint8 iSpec = 0;
        if (!read(&iJulianDay) || !read(&uiMsecs) || !read(&iSpec))
            return false;
        const QDate date = QDate::fromJulianDay(iJulianDay);
        const QTime time = uiMsecs < 24u * 3600 * 1000 ? QTime::fromMSecsSinceStartOfDay(int(uiMsecs)) : QTime();
        const bool bValid = date.isValid() && time.isValid();
        switch (iSpec) {
        case Qt::LocalTime:
        case Qt::UTC:
            *pDateTime = bValid ? QDateTime(date, time, Qt::TimeSpec(iSpec)) : QDateTime();
            return true;
        case Qt::OffsetFromUTC: {
            qint32 iOffsetSeconds = 0;
            if (!read(&iOffsetSeconds))
                return false;
            *pDateTime = bValid ? QDateTime(date, time, Qt::OffsetFromUTC, iOffsetSeconds) : QDateTime();
            return true;
        }
        case Qt::TimeZone: {
            QTimeZone zone;
            if (!readTimeZone(&zone))
                return false;
            *pDateTime = bValid && zone.isValid() ? QDateTime(date, time, zone) : QDateTime();
            return true;
        }
        default:
            return fail("an unknown kind of time");
        }
    }

private:
    // A zone name, or for a fixed offset the name "OffsetFromUtc" followed by
    // id, offset, name, abbreviation, territory and comment.
    bool readTimeZone(QTimeZone *pZone)
    {
        QString qsId;
        if (!readString(&qsId))
            return false;
        if (qsId != QLatin1String(kUtcOffsetZone)) {
            if (qsId.size() <= kMaxZoneIdLength)
                *pZone = QTimeZone(qsId.toUtf8());
            return true;
        }
        QString qsIgnored;
        qint32 iOffsetSeconds = 0;
        qint32 iTerritory = 0;
        if (!readString(&qsIgnored) || !read(&iOffsetSeconds) || !readString(&qsIgnored) || !readString(&qsIgnored)
            || !read(&iTerritory) || !readString(&qsIgnored))
            return false;
        *pZone = QTimeZone(iOffsetSeconds);
        return true;
    }

    bool fail(const char *pWhy)
    {
        if (m_why.isEmpty())
            m_why = QString::fromLatin1(pWhy);
        return false;
    }

    QDataStream m_stream;
    QString m_why;
};

WsjtxListener::Message malformed(const QString &qsWhy)
{
    WsjtxListener::Message message;
    message.qsWhy = qsWhy;
    return message;
}

// Report sent, report received, TX power, comments, name.
constexpr int kFieldsBetweenModeAndTimeOn = 5;

// The interface that has the address; an invalid one when none has it.
QNetworkInterface interfaceWithAddress(const QHostAddress &qhaAddress)
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &networkInterface : interfaces) {
        const QList<QNetworkAddressEntry> entries = networkInterface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().isEqual(qhaAddress))
                return networkInterface;
        }
    }
    return QNetworkInterface();
}

} // namespace

WsjtxListener::Message WsjtxListener::parseDatagram(const QByteArray &qbaDatagram)
{
    FrameReader reader(qbaDatagram);
    quint32 uiMagic = 0;
    quint32 uiSchema = 0;
    quint32 uiType = 0;
    if (!reader.read(&uiMagic))
        return malformed(reader.why());
    if (uiMagic != kMagic)
        return malformed(QStringLiteral("not the magic number"));
    if (!reader.read(&uiSchema) || !reader.read(&uiType))
        return malformed(reader.why());
    if (uiSchema < kOldestSchema)
        return malformed(QStringLiteral("schema %1, older than any read here").arg(uiSchema));

    Message message;
    message.uiSchema = uiSchema;
    if (uiType != kTypeLoggedAdif && uiType != kTypeQsoLogged) {
        message.kind = Message::Ignored;
        return message;
    }
    QByteArray qbaId;
    if (!reader.readBytes(&qbaId))
        return malformed(reader.why());

    // Fields after the ones read here are what newer senders append; they
    // are left unread.
    if (uiType == kTypeLoggedAdif) {
        if (!reader.readBytes(&message.qbaAdif))
            return malformed(reader.why());
        message.kind = message.qbaAdif.isEmpty() ? Message::Ignored : Message::LoggedAdif;
        return message;
    }

    QDateTime qdtOff;
    QByteArray qbaCall;
    QByteArray qbaGrid;
    QByteArray qbaMode;
    QByteArray qbaSkipped;
    if (!reader.readDateTime(&qdtOff) || !reader.readBytes(&qbaCall) || !reader.readBytes(&qbaGrid)
        || !reader.read(&message.uiFrequencyHz) || !reader.readBytes(&qbaMode))
        return malformed(reader.why());
    for (int i = 0; i < kFieldsBetweenModeAndTimeOn; ++i) {
        if (!reader.readBytes(&qbaSkipped))
            return malformed(reader.why());
    }
    // Senders of the shortest form end here, without a time on: the time off
    // is the best time left.
    QDateTime qdtOn;
    if (!reader.atEnd() && !reader.readDateTime(&qdtOn))
        return malformed(reader.why());
    if (!qdtOn.isValid())
        qdtOn = qdtOff;
    if (!qdtOn.isValid())
        return malformed(QStringLiteral("no valid QSO time"));

    message.kind = Message::QsoLogged;
    message.qsCall = QString::fromUtf8(qbaCall);
    message.qdtOn = qdtOn.toUTC();
    message.qsMode = QString::fromUtf8(qbaMode);
    return message;
}

WsjtxListener::WsjtxListener(QObject *pParent) : QObject(pParent)
{
    m_dropLineTimer.setSingleShot(true);
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setInterval(0);
    connect(&m_drainTimer, &QTimer::timeout, this, &WsjtxListener::onReadyRead);
    connect(&m_socket, &QUdpSocket::readyRead, this, &WsjtxListener::onReadyRead);
    connect(&m_dropLineTimer, &QTimer::timeout, this, &WsjtxListener::logDropped);
}

bool WsjtxListener::listen(const QHostAddress &qhaAddress, quint16 uiPort, const QHostAddress &qhaGroup)
{
    close();
    m_errorString.clear();
    const bool bMulticast = qhaGroup.isMulticast();
    // A multicast datagram is addressed to the group, which a socket bound to
    // an interface's own address never receives.
    const QHostAddress qhaBind = !bMulticast                   ? qhaAddress
        : qhaGroup.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress(QHostAddress::AnyIPv6)
                                                               : QHostAddress(QHostAddress::AnyIPv4);
    // Several programs often listen on the same port.
    if (!m_socket.bind(qhaBind, uiPort, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        m_errorString =
            tr("Cannot listen on %1 port %2: %3").arg(qhaBind.toString()).arg(uiPort).arg(m_socket.errorString());
        QLOG_ERROR() << m_errorString;
        return false;
    }
    if (bMulticast) {
        const bool bAnyInterface = qhaAddress.isNull() || qhaAddress == QHostAddress(QHostAddress::Any)
            || qhaAddress == QHostAddress(QHostAddress::AnyIPv4) || qhaAddress == QHostAddress(QHostAddress::AnyIPv6);
        const QNetworkInterface networkInterface = interfaceWithAddress(qhaAddress);
        bool bJoined = false;
        if (bAnyInterface)
            bJoined = m_socket.joinMulticastGroup(qhaGroup);
        else if (networkInterface.isValid())
            bJoined = m_socket.joinMulticastGroup(qhaGroup, networkInterface);
        if (!bJoined) {
            m_errorString =
                tr("Cannot join the multicast group %1 on %2: %3")
                    .arg(qhaGroup.toString(), qhaAddress.toString(),
                         bAnyInterface || networkInterface.isValid() ? m_socket.errorString()
                                                                     : tr("no network interface has this address"));
            QLOG_ERROR() << m_errorString;
            m_socket.close();
            return false;
        }
        QLOG_INFO() << "Joined the multicast group" << qhaGroup.toString() << "on" << qhaAddress.toString();
    }
    QLOG_INFO() << "Listening for logged QSOs on" << qhaBind.toString() << "port" << m_socket.localPort();
    return true;
}

void WsjtxListener::close()
{
    m_drainTimer.stop();
    m_socket.close();
}

QString WsjtxListener::errorString() const
{
    return m_errorString;
}

void WsjtxListener::onReadyRead()
{
    for (int i = 0; i < kMaxDatagramsPerTurn && m_socket.hasPendingDatagrams(); ++i) {
        // The socket hands out one datagram at a time, at most 64 KiB. A
        // failed read still takes the datagram away; returning here would
        // leave the rest of the burst, and with it the socket, unread.
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (datagram.isValid())
            handleDatagram(datagram.data(), datagram.senderAddress());
    }
    if (m_socket.hasPendingDatagrams())
        m_drainTimer.start();
}

void WsjtxListener::handleDatagram(const QByteArray &qbaDatagram, const QHostAddress &qhaSender)
{
    const Message message = parseDatagram(qbaDatagram);
    switch (message.kind) {
    case Message::Malformed:
        noteDropped(message.qsWhy, qhaSender);
        break;
    case Message::Ignored:
        break;
    case Message::LoggedAdif:
        Q_EMIT adifLogged(message.qbaAdif);
        break;
    case Message::QsoLogged:
        Q_EMIT qsoLogged(message.qsCall, message.qdtOn, message.uiFrequencyHz, message.qsMode);
        break;
    }
}

void WsjtxListener::noteDropped(const QString &qsWhy, const QHostAddress &qhaSender)
{
    ++m_uiDropped;
    ++m_uiDroppedUnlogged;
    m_lastDropWhy = qsWhy;
    m_lastDropSender = qhaSender;
    if (!m_sinceDropLine.isValid() || m_sinceDropLine.hasExpired(kDropLineIntervalMs))
        logDropped();
    else if (!m_dropLineTimer.isActive())
        m_dropLineTimer.start(int(kDropLineIntervalMs - m_sinceDropLine.elapsed()));
}

void WsjtxListener::logDropped()
{
    if (m_uiDroppedUnlogged == 0)
        return;
    QLOG_WARN() << "Dropped malformed UDP datagrams:" << m_uiDroppedUnlogged << "the last from"
                << m_lastDropSender.toString() << ":" << m_lastDropWhy;
    m_uiDroppedUnlogged = 0;
    m_sinceDropLine.start();
    m_dropLineTimer.stop();
}
