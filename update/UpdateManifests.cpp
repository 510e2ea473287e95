#include "UpdateManifests.h"

#include "API/QsLog/QsLog.h"

#include <QNetworkReply>
#include <QXmlStreamReader>

namespace {

// The value of a manifest element: its text, which must be there.
bool readValue(QXmlStreamReader &reader, const char *pTag, QString *pValue)
{
    if (reader.readNext() != QXmlStreamReader::Characters || reader.isWhitespace()) {
        QLOG_ERROR() << pTag << "tag invalid";
        return false;
    }
    *pValue = reader.text().toString();
    return true;
}

// Versions and ports are 16 bits wide; a larger number keeps its low bits.
bool readUInt16(QXmlStreamReader &reader, const char *pTag, quint16 *pValue)
{
    QString qsValue;
    if (!readValue(reader, pTag, &qsValue))
        return false;
    *pValue = quint16(qsValue.trimmed().toULongLong() & 0xFFFF);
    return true;
}

} // namespace

void UpdateManifests::limitReplySize(QNetworkReply *pReply, qint64 iMaxBytes)
{
    // The announced length stops an honest oversized answer at once; the
    // bytes waiting to be read catch one that announces nothing.
    const auto check = [pReply, iMaxBytes] {
        const qint64 iAnnounced = pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if ((iAnnounced <= iMaxBytes && pReply->bytesAvailable() <= iMaxBytes) || !pReply->isRunning())
            return;
        QLOG_ERROR() << "Answer from" << pReply->url().toString() << "larger than" << iMaxBytes
                     << "bytes, download aborted";
        pReply->abort();
    };
    QObject::connect(pReply, &QNetworkReply::metaDataChanged, pReply, check);
    QObject::connect(pReply, &QNetworkReply::readyRead, pReply, check);
}

QString UpdateManifests::bodyText(const QByteArray &baBody)
{
    const int iNul = baBody.indexOf('\0');
    const QString qsText = QString::fromUtf8(iNul >= 0 ? baBody.left(iNul) : baBody);
    QLOG_TRACE() << qsText;
    return qsText;
}

UpdateManifests::Result UpdateManifests::parseRelease(const QByteArray &baBody, Release *pRelease)
{
    Release release;
    QString qsValue;
    bool bInLastVersion = false;
    const Result result = readManifest(baBody, [&](QXmlStreamReader &reader) {
        if (reader.isEndElement() && reader.name() == QLatin1String("LastVersion"))
            bInLastVersion = false;
        if (!reader.isStartElement())
            return true;
        const auto name = reader.name();
        if (name == QLatin1String("LastVersion")) {
            bInLastVersion = true;
            return true;
        }
        if (!bInLastVersion)
            return true;
        if (name == QLatin1String("ReleaseNumber")) {
            if (!readValue(reader, "<ReleaseNumber>", &qsValue))
                return false;
            release.iReleaseNumber = qsValue.trimmed().toInt();
            return true;
        }
        if (name == QLatin1String("ReleaseVersion"))
            return readValue(reader, "<ReleaseVersion>", &release.qsReleaseVersion);
        if (name == QLatin1String("Url"))
            return readValue(reader, "<Url>", &release.qsUrl);
        if (name == QLatin1String("WhatsNew"))
            return readValue(reader, "<WhatsNew>", &release.qsWhatsNew);
        return true;
    });
    if (result == Ok)
        *pRelease = release;
    return result;
}

UpdateManifests::Result UpdateManifests::parseNodes(const QByteArray &baBody, NodesList *pNodes)
{
    NodesList list;
    Node node;
    const Result result = readManifest(baBody, [&](QXmlStreamReader &reader) {
        if (reader.isEndElement() && reader.name() == QLatin1String("Node")) {
            // Nodes ahead of the version belong to no known list.
            if (list.bHasVersion)
                list.nodes.append(node);
            return true;
        }
        if (!reader.isStartElement())
            return true;
        const auto name = reader.name();
        if (name == QLatin1String("Version")) {
            if (!readUInt16(reader, "<Version>", &list.uiVersion))
                return false;
            list.bHasVersion = true;
        } else if (name == QLatin1String("Node")) {
            node = Node();
        } else if (name == QLatin1String("Name")) {
            return readValue(reader, "<Name>", &node.qsName);
        } else if (name == QLatin1String("Address")) {
            return readValue(reader, "<Address>", &node.qsAddress);
        } else if (name == QLatin1String("Port")) {
            return readUInt16(reader, "<Port>", &node.uiPort);
        }
        return true;
    });
    if (result == Ok)
        *pNodes = list;
    return result;
}

UpdateManifests::Result UpdateManifests::parseCountry(const QByteArray &baBody, CountryFile *pCountry)
{
    CountryFile country;
    const Result result = readManifest(baBody, [&](QXmlStreamReader &reader) {
        if (!reader.isStartElement())
            return true;
        const auto name = reader.name();
        if (name == QLatin1String("Version")) {
            if (!readUInt16(reader, "<Version>", &country.uiVersion))
                return false;
            country.bHasVersion = true;
        } else if (name == QLatin1String("Url") && country.bHasVersion) {
            return readValue(reader, "<Url>", &country.qsUrl);
        }
        return true;
    });
    if (result == Ok)
        *pCountry = country;
    return result;
}

UpdateManifests::Result UpdateManifests::readManifest(const QByteArray &baBody,
                                                      const std::function<bool(QXmlStreamReader &)> &onToken)
{
    QXmlStreamReader reader(bodyText(baBody));
    while (!reader.atEnd()) {
        reader.readNext();
        if (!onToken(reader))
            return TagInvalid;
    }
    if (!reader.hasError())
        return Ok;
    QLOG_ERROR() << "Error parsing XML response:" << reader.errorString();
    return ReaderError;
}
