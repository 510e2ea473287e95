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

quint16 toVersion(const QString &qsText)
{
    return quint16(qsText.trimmed().toULongLong() & 0xFFFF);
}

UpdateManifests::Result finish(const QXmlStreamReader &reader)
{
    if (!reader.hasError())
        return UpdateManifests::Ok;
    QLOG_ERROR() << "Error parsing XML response:" << reader.errorString();
    return UpdateManifests::ReaderError;
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
    QXmlStreamReader reader(bodyText(baBody));
    Release release;
    QString qsValue;
    bool bInLastVersion = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("LastVersion"))
            bInLastVersion = false;
        if (!reader.isStartElement())
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("LastVersion")) {
            bInLastVersion = true;
        } else if (!bInLastVersion) {
            continue;
        } else if (name == QLatin1String("ReleaseNumber")) {
            if (!readValue(reader, "<ReleaseNumber>", &qsValue))
                return TagInvalid;
            release.iReleaseNumber = qsValue.trimmed().toInt();
        } else if (name == QLatin1String("ReleaseVersion")) {
            if (!readValue(reader, "<ReleaseVersion>", &release.qsReleaseVersion))
                return TagInvalid;
        } else if (name == QLatin1String("Url")) {
            if (!readValue(reader, "<Url>", &release.qsUrl))
                return TagInvalid;
        } else if (name == QLatin1String("WhatsNew")) {
            if (!readValue(reader, "<WhatsNew>", &release.qsWhatsNew))
                return TagInvalid;
        }
    }
    const Result result = finish(reader);
    if (result == Ok)
        *pRelease = release;
    return result;
}

UpdateManifests::Result UpdateManifests::parseNodes(const QByteArray &baBody, NodesList *pNodes)
{
    QXmlStreamReader reader(bodyText(baBody));
    NodesList list;
    Node node;
    QString qsValue;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("Node")) {
            // Nodes ahead of the version belong to no known list.
            if (list.bHasVersion)
                list.nodes.append(node);
            continue;
        }
        if (!reader.isStartElement())
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("Version")) {
            if (!readValue(reader, "<Version>", &qsValue))
                return TagInvalid;
            list.uiVersion = toVersion(qsValue);
            list.bHasVersion = true;
        } else if (name == QLatin1String("Node")) {
            node = Node();
        } else if (name == QLatin1String("Name")) {
            if (!readValue(reader, "<Name>", &node.qsName))
                return TagInvalid;
        } else if (name == QLatin1String("Address")) {
            if (!readValue(reader, "<Address>", &node.qsAddress))
                return TagInvalid;
        } else if (name == QLatin1String("Port")) {
            if (!readValue(reader, "<Port>", &qsValue))
                return TagInvalid;
            node.uiPort = quint16(qsValue.trimmed().toULongLong() & 0xFFFF);
        }
    }
    const Result result = finish(reader);
    if (result == Ok)
        *pNodes = list;
    return result;
}

UpdateManifests::Result UpdateManifests::parseCountry(const QByteArray &baBody, CountryFile *pCountry)
{
    QXmlStreamReader reader(bodyText(baBody));
    CountryFile country;
    QString qsValue;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("Version")) {
            if (!readValue(reader, "<Version>", &qsValue))
                return TagInvalid;
            country.uiVersion = toVersion(qsValue);
            country.bHasVersion = true;
        } else if (name == QLatin1String("Url") && country.bHasVersion) {
            if (!readValue(reader, "<Url>", &country.qsUrl))
                return TagInvalid;
        }
    }
    const Result result = finish(reader);
    if (result == Ok)
        *pCountry = country;
    return result;
}
