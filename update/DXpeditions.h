#ifndef DXPEDITIONS_H
#define DXPEDITIONS_H

#include "DXpedition.h"

#include <QHash>
#include <QNetworkReply>
#include <QObject>
#include <QReadWriteLock>
#include <QString>

QT_BEGIN_NAMESPACE
class QNetworkAccessManager;
QT_END_NAMESPACE

// The DXpeditions that are on the air today, keyed by callsign. A list is
// taken in only when its version is newer than the one held; readers (the
// DXpedition/IOTA rule, the details popup) go through the read lock.
class DXpeditions : public QObject
{
    Q_OBJECT

public:
    // A list is a few kilobytes; anything far larger is not a list.
    static constexpr qint64 kMaxListBytes = 4 * 1024 * 1024;

    explicit DXpeditions(const QString &qsUrl, QObject *parent = nullptr);
    ~DXpeditions() override;

    // Fetches the list from its address; without one nothing is requested.
    void load();
    void setUrl(const QString &qsUrl) { m_url = qsUrl; }
    // A list in the same format from a local file, taken whatever its
    // version; false, with *pError set, when the file cannot be read or
    // holds no list.
    bool loadFile(const QString &qsFileName, QString *pError);

    bool contains(const QString &qsCall) const;
    // Copies the entry out, so the caller never holds a pointer into a list
    // that the next load may replace.
    bool value(const QString &qsCall, DXpedition *pEntry) const;
    int count() const;
    quint16 version() const { return m_version; }
    const QString &date() const { return m_date; }
    const QString &url() const { return m_url; }

    // Takes in one downloaded list, when newer than the held one or
    // bAnyVersion is set; also the entry point for tests. True when taken in.
    bool parseList(const QByteArray &baList, bool bAnyVersion = false);

Q_SIGNALS:
    void LoadFinished(const QString &qsDate, int iCount);

public Q_SLOTS:
    void ReplyFinished(QNetworkReply *pReply);
    void NetworkError(QNetworkReply::NetworkError networkError);

private:
    QHash<QString, DXpedition> m_entries;
    mutable QReadWriteLock m_lock;
    QString m_url;
    quint16 m_version = 0;
    QString m_date;
    QNetworkAccessManager *m_networkManager = nullptr;
    QNetworkReply *m_reply = nullptr;
};

#endif // DXPEDITIONS_H
