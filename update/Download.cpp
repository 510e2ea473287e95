#include "Download.h"

#include "API/QsLog/QsLog.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
const QString kPartSuffix = QStringLiteral(".part");
}

Download::Download(QObject *parent) : QObject(parent), m_networkManager(new QNetworkAccessManager(this))
{
    connect(m_networkManager, &QNetworkAccessManager::finished, this, &Download::replyFinished);
}

Download::~Download()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

void Download::setFileName(const QString &qsFileName)
{
    if (m_file.isOpen())
        m_file.close();
    m_fileName = qsFileName;
    m_file.setFileName(qsFileName + kPartSuffix);
}

bool Download::isLoopback(const QUrl &url)
{
    const QString qsHost = url.host();
    return qsHost.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(qsHost).isLoopback();
}

void Download::start()
{
    if (m_reply && m_reply->isRunning()) {
        // A second start would write two bodies into one file.
        m_reply->disconnect(this);
        m_reply->abort();
    }
    if (m_file.isOpen())
        m_file.close();

    if (m_file.exists()) {
        QLOG_DEBUG() << "File" << m_file.fileName() << "already exists. Removing...";
        m_file.remove();
    } else {
        QLOG_DEBUG() << "File" << m_file.fileName() << "does not exist.";
    }
    m_failed = false;
    const QUrl url(m_url);
    if (m_programCode && url.scheme() != QLatin1String("https")
        && !(url.scheme() == QLatin1String("http") && isLoopback(url))) {
        // Anyone on the path of a plain connection could hand us code to run.
        QLOG_ERROR() << "Refusing to fetch program code over" << url.scheme() << m_url;
        Q_EMIT error(tr("Program code is only downloaded over a secure (https) connection: %1").arg(m_url));
        return;
    }
    // Data that cannot be stored must not end in "finished": the callers
    // would take a missing file for a downloaded one.
    if (!m_file.open(QIODevice::ReadWrite)) {
        QLOG_ERROR() << "Cannot write file" << m_file.fileName() << "-" << m_file.errorString();
        Q_EMIT error(tr("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
        return;
    }

    QLOG_INFO() << "Starting download of file" << m_url;
    delete m_reply;
    QNetworkRequest request(url);
    // Another host may only answer for the server when it is the server.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    m_reply = m_networkManager->get(request);
    Q_EMIT started();
    connect(m_reply, &QNetworkReply::readyRead, this, &Download::readyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &Download::downloadProgress);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &Download::networkError);
}

void Download::readyRead()
{
    if (!m_reply || !m_file.isOpen())
        return;
    const QByteArray baData = m_reply->readAll();
    if (baData.isEmpty())
        return;
    if (m_file.size() + baData.size() > kMaxFileBytes) {
        fail(tr("The file is larger than %1 bytes.").arg(kMaxFileBytes));
        return;
    }
    if (m_file.write(baData) != baData.size())
        fail(tr("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
}

void Download::replyFinished(QNetworkReply *pReply)
{
    if (!pReply || pReply != m_reply)
        return;
    readyRead();
    const bool bWasOpen = m_file.isOpen();
    if (bWasOpen && !m_failed && pReply->error() == QNetworkReply::NoError) {
        if (const QString qsError = verifyComplete(pReply); !qsError.isEmpty())
            fail(qsError);
    }
    if (bWasOpen) {
        m_file.flush();
        if (m_file.error() != QFileDevice::NoError && !m_failed)
            fail(tr("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
        m_file.close();
    }
    if (!bWasOpen)
        return;
    if (!m_failed && pReply->error() == QNetworkReply::NoError && m_check) {
        if (const QString qsError = m_check(m_file.fileName()); !qsError.isEmpty())
            fail(qsError);
    }
    if (m_failed || pReply->error() != QNetworkReply::NoError) {
        m_file.remove();
        return;
    }
    if (std::rename(QFile::encodeName(m_file.fileName()).constData(), QFile::encodeName(m_fileName).constData()) != 0) {
        fail(tr("Cannot write file %1: %2").arg(m_fileName, QString::fromLocal8Bit(std::strerror(errno))));
        m_file.remove();
        return;
    }
    Q_EMIT finished();
}

QString Download::verifyComplete(QNetworkReply *pReply)
{
    const int iStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (iStatus != 200)
        return tr("The server answered %1 instead of the file.").arg(iStatus);
    // A server that closes early looks like a complete answer unless it
    // announced the length; a file shorter than announced is a failed
    // download, not a finished one.
    const QVariant length = pReply->header(QNetworkRequest::ContentLengthHeader);
    m_lengthAnnounced = length.isValid();
    if (!length.isValid()) {
        if (m_programCode)
            return tr("The server did not announce the size of %1, so a cut transfer could not be told from a complete "
                      "one.")
                .arg(m_url);
        return QString();
    }
    if (m_file.size() != length.toLongLong())
        return tr("The download ended after %1 of %2 bytes.").arg(m_file.size()).arg(length.toLongLong());
    return QString();
}

void Download::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    const double dPercent = bytesTotal > 0 ? double(bytesReceived) / double(bytesTotal) * 100.0 : 0.0;
    QLOG_TRACE() << bytesReceived << "of" << bytesTotal << "-" << dPercent << "%";
    Q_EMIT progress(quint8(qBound(0.0, dPercent, 100.0)));
}

void Download::networkError(QNetworkReply::NetworkError networkError)
{
    if (m_failed)
        return;
    const QString qsError = m_reply ? m_reply->errorString() : tr("An unknown error has occured.");
    QLOG_ERROR() << "Network error:" << int(networkError) << "-" << qsError;
    m_failed = true;
    Q_EMIT error(qsError);
}

void Download::fail(const QString &qsError)
{
    QLOG_ERROR() << "Download of" << m_url << "failed:" << qsError;
    m_failed = true;
    Q_EMIT error(qsError);
    if (m_reply)
        m_reply->abort();
}
