#ifndef DOWNLOAD_H
#define DOWNLOAD_H

#include <QFile>
#include <QNetworkReply>
#include <QObject>
#include <QString>

#include <functional>

QT_BEGIN_NAMESPACE
class QNetworkAccessManager;
QT_END_NAMESPACE

// Fetches one file over HTTP into a local file, reporting progress. Each user
// keeps one Download for its whole life and starts it again as needed. The
// body goes to a ".part" file beside the target, which is renamed over the
// target only after a complete transfer: an interrupted or killed download
// never leaves a half file under the real name.
class Download : public QObject
{
    Q_OBJECT

public:
    // Nothing we fetch comes near this; a server sending more is broken or
    // hostile and would otherwise fill the disk.
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    explicit Download(QObject *parent = nullptr);
    ~Download() override;

    void setUrl(const QString &qsUrl) { m_url = qsUrl; }
    const QString &url() const { return m_url; }
    void setFileName(const QString &qsFileName);
    QString fileName() const { return m_fileName; }
    // Program code: https only (loopback excepted) and a Content-Length is
    // required, since a connection closed early is otherwise a complete body.
    void setProgramCode(bool bProgramCode) { m_programCode = bProgramCode; }
    // Run on the complete ".part" file before it is renamed; a non-empty
    // answer fails the download with that text.
    void setCheck(std::function<QString(const QString &qsPath)> check) { m_check = std::move(check); }
    static bool isLoopback(const QUrl &url);
    bool isRunning() const { return m_file.isOpen(); }
    // Whether the last finished transfer had its length announced (and so
    // was checked against it); without it, a cut transfer looks complete.
    bool lengthAnnounced() const { return m_lengthAnnounced; }

    void start();

Q_SIGNALS:
    void started();
    void finished();
    void error(const QString &qsError);
    void progress(quint8 quiPercent);

public Q_SLOTS:
    void readyRead();
    void replyFinished(QNetworkReply *pReply);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void networkError(QNetworkReply::NetworkError networkError);

private:
    void fail(const QString &qsError);
    QString verifyComplete(QNetworkReply *pReply);

    QNetworkAccessManager *m_networkManager = nullptr;
    QNetworkReply *m_reply = nullptr;
    QString m_url;
    QString m_fileName;
    QFile m_file;
    std::function<QString(const QString &)> m_check;
    bool m_programCode = false;
    bool m_failed = false;
    bool m_lengthAnnounced = false;
};

#endif // DOWNLOAD_H
