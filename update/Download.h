#ifndef DOWNLOAD_H
#define DOWNLOAD_H

#include <QFile>
#include <QNetworkReply>
#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QNetworkAccessManager;
QT_END_NAMESPACE

// Fetches one file over HTTP into a local file, reporting progress. Each user
// keeps one Download for its whole life and starts it again as needed.
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
    QString fileName() const { return m_file.fileName(); }
    bool isRunning() const { return m_file.isOpen(); }

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

    QNetworkAccessManager *m_networkManager = nullptr;
    QNetworkReply *m_reply = nullptr;
    QString m_url;
    QFile m_file;
    bool m_failed = false;
};

#endif // DOWNLOAD_H
