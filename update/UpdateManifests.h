#ifndef UPDATEMANIFESTS_H
#define UPDATEMANIFESTS_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

QT_BEGIN_NAMESPACE
class QNetworkReply;
class QXmlStreamReader;
QT_END_NAMESPACE

// Readers of the three small XML manifests on the update server. Each reads a
// whole document before anything is acted on, so a manifest that breaks off
// half way changes nothing on this side.
class UpdateManifests
{
public:
    enum Result {
        Ok,
        // A value element had no text; logged as "<Tag> tag invalid".
        TagInvalid,
        // The document is not well-formed XML; logged with the reader's text.
        ReaderError
    };

    struct Release
    {
        int iReleaseNumber = 0;
        QString qsReleaseVersion;
        QString qsUrl;
        QString qsWhatsNew;
    };

    struct Node
    {
        QString qsName;
        QString qsAddress;
        quint16 uiPort = 0;
    };

    struct NodesList
    {
        quint16 uiVersion = 0;
        bool bHasVersion = false;
        QList<Node> nodes;
    };

    struct CountryFile
    {
        quint16 uiVersion = 0;
        bool bHasVersion = false;
        QString qsUrl;
    };

    // A manifest is a few kilobytes; anything far beyond is not one.
    static constexpr qint64 kMaxManifestBytes = 1024 * 1024;

    // Aborts the reply, with an error line, once it has brought more than
    // iMaxBytes: small documents must not be able to eat memory.
    static void limitReplySize(QNetworkReply *pReply, qint64 iMaxBytes);

    // The body as text up to its first NUL, logged at trace level.
    static QString bodyText(const QByteArray &baBody);

    static Result parseRelease(const QByteArray &baBody, Release *pRelease);
    static Result parseNodes(const QByteArray &baBody, NodesList *pNodes);
    static Result parseCountry(const QByteArray &baBody, CountryFile *pCountry);

private:
    // Feeds every token of the document to onToken, which returns false
    // after logging a value element without text.
    static Result readManifest(const QByteArray &baBody, const std::function<bool(QXmlStreamReader &)> &onToken);
};

#endif // UPDATEMANIFESTS_H
