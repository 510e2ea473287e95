#include "DXpeditions.h"

#include "API/QsLog/QsLog.h"
#include "UpdateManifests.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QReadLocker>
#include <QUrl>
#include <QWriteLocker>
#include <QXmlStreamReader>

namespace {

const QString kDateFormat = QStringLiteral("yyyyMMdd");

// Reads the text of a required field; a missing text ends the whole parse.
bool readRequiredText(QXmlStreamReader &reader, QString *pText, const char *pTag)
{
    *pText = reader.readElementText();
    if (!pText->isEmpty())
        return true;
    QLOG_ERROR() << pTag << "tag invalid";
    return false;
}

} // namespace

DXpeditions::DXpeditions(const QString &qsUrl, QObject *parent)
    : QObject(parent), m_url(qsUrl), m_networkManager(new QNetworkAccessManager(this))
{
    connect(m_networkManager, &QNetworkAccessManager::finished, this, &DXpeditions::ReplyFinished);
}

DXpeditions::~DXpeditions()
{
    QWriteLocker locker(&m_lock);
    m_entries.clear();
}

void DXpeditions::load()
{
    if (m_reply) {
        QLOG_DEBUG() << "DXpeditions list still loading, request skipped";
        return;
    }
    if (m_url.isEmpty()) {
        QLOG_DEBUG() << "No DXpeditions list address set; nothing loaded";
        return;
    }
    QLOG_INFO() << "Loading DXpeditions";
    m_reply = m_networkManager->get(QNetworkRequest(QUrl(m_url)));
    connect(m_reply, &QNetworkReply::errorOccurred, this, &DXpeditions::NetworkError);
    UpdateManifests::limitReplySize(m_reply, kMaxListBytes);
}

bool DXpeditions::loadFile(const QString &qsFileName, QString *pError)
{
    QFile file(qsFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *pError = file.errorString();
        return false;
    }
    if (file.size() > kMaxListBytes) {
        *pError = tr("The file is larger than %1 bytes.").arg(kMaxListBytes);
        return false;
    }
    QLOG_INFO() << "Loading DXpeditions from" << qsFileName;
    if (parseList(file.read(kMaxListBytes), true))
        return true;
    *pError = tr("The file holds no DXpeditions list.");
    return false;
}

bool DXpeditions::contains(const QString &qsCall) const
{
    QReadLocker locker(&m_lock);
    return m_entries.contains(qsCall);
}

bool DXpeditions::value(const QString &qsCall, DXpedition *pEntry) const
{
    QReadLocker locker(&m_lock);
    const auto it = m_entries.constFind(qsCall);
    if (it == m_entries.constEnd())
        return false;
    if (pEntry)
        *pEntry = it.value();
    return true;
}

int DXpeditions::count() const
{
    QReadLocker locker(&m_lock);
    return m_entries.size();
}

void DXpeditions::ReplyFinished(QNetworkReply *pReply)
{
    if (!pReply)
        return;
    pReply->deleteLater();
    if (pReply == m_reply)
        m_reply = nullptr;
    // The error has been logged by NetworkError; an error page is no list.
    if (pReply->error() != QNetworkReply::NoError)
        return;
    parseList(pReply->readAll());
}

void DXpeditions::NetworkError(QNetworkReply::NetworkError networkError)
{
    QLOG_ERROR() << "DXpeditions update network error: " << int(networkError);
}

bool DXpeditions::parseList(const QByteArray &baList, bool bAnyVersion)
{
    const QString qsList = UpdateManifests::bodyText(baList);

    // The new list is built aside and swapped in only when the whole document
    // has been read, so a truncated or broken download leaves the held list,
    // its version and its date as they were.
    QHash<QString, DXpedition> entries;
    quint16 uiNewVersion = 0;
    bool bHasVersion = false;
    QString qsDate = m_date;
    const QDate today = QDateTime::currentDateTimeUtc().date();

    QXmlStreamReader reader(qsList);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("Version")) {
            const QString qsVersion = reader.readElementText();
            if (qsVersion.isEmpty())
                return false;
            uiNewVersion = quint16(qsVersion.toULongLong() & 0xFFFF);
            bHasVersion = true;
        } else if (name == QLatin1String("Date")) {
            const QString qsText = reader.readElementText();
            if (qsText.isEmpty())
                return false;
            qsDate = qsText;
        } else if (name == QLatin1String("DXpedition")) {
            DXpedition entry;
            QString qsText;
            while (reader.readNextStartElement()) {
                const auto field = reader.name();
                if (field == QLatin1String("StartDate")) {
                    if (!readRequiredText(reader, &qsText, "<StartDate>"))
                        return false;
                    entry.startDate = QDateTime::fromString(qsText, kDateFormat);
                } else if (field == QLatin1String("EndDate")) {
                    if (!readRequiredText(reader, &qsText, "<EndDate>"))
                        return false;
                    entry.endDate = QDateTime::fromString(qsText, kDateFormat);
                } else if (field == QLatin1String("Call")) {
                    if (!readRequiredText(reader, &entry.call, "<Call>"))
                        return false;
                } else if (field == QLatin1String("IOTA")) {
                    entry.iota = reader.readElementText();
                } else if (field == QLatin1String("QSLvia")) {
                    if (!readRequiredText(reader, &entry.qslVia, "<QSLvia>"))
                        return false;
                } else if (field == QLatin1String("ReportedBy")) {
                    if (!readRequiredText(reader, &entry.reportedBy, "<ReportedBy>"))
                        return false;
                } else if (field == QLatin1String("Info")) {
                    if (!readRequiredText(reader, &entry.info, "<Info>"))
                        return false;
                } else {
                    reader.skipCurrentElement();
                }
            }
            if (reader.hasError())
                break;
            if (!bAnyVersion && uiNewVersion <= m_version)
                continue;
            if (entry.startDate.date() <= today && today <= entry.endDate.date()) {
                entries.insert(entry.call, entry);
            } else {
                QLOG_INFO() << "Current date" << today << "outside DXpedition time frame:" << entry.startDate.date()
                            << "-" << entry.endDate.date();
            }
        }
    }

    if (reader.hasError()) {
        QLOG_ERROR() << "Error parsing XML response: " << reader.errorString();
        return false;
    }
    if (!bHasVersion) {
        QLOG_ERROR() << "DXpeditions list without a version, not taken in";
        return false;
    }
    if (!bAnyVersion && uiNewVersion <= m_version)
        return false;

    int iCount = 0;
    {
        QWriteLocker locker(&m_lock);
        m_entries.swap(entries);
        iCount = m_entries.size();
    }
    m_version = uiNewVersion;
    m_date = qsDate;
    QLOG_INFO() << "DXpeditions list version" << m_version << "downloaded";
    QLOG_INFO() << "DXpeditions list contains" << iCount << "DXpeditions";
    Q_EMIT LoadFinished(m_date, iCount);
    return true;
}
