#ifndef COUNTRYUPDATE_H
#define COUNTRYUPDATE_H

#include "Download.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

class CountryFile;
class Worked;

// Fetches a country file, checks that it is a whole country file and only
// then replaces the prefix table and stores its version. Both roads lead
// here: the file's own address (General/CountryFileUrl, checked at most once
// a day) and the address named by the update server's manifest. Nothing here
// needs a connection to a node.
class CountryUpdate : public QObject
{
    Q_OBJECT

public:
    CountryUpdate(Worked *pWorked, const QSqlDatabase &db, QObject *parent = nullptr);
    ~CountryUpdate() override;

    // Where a downloaded country file is kept.
    static QString filePath();

    // The check at start: skipped when the address is empty or it already
    // ran today.
    void checkDaily();
    // The check on demand, from the configured address.
    void checkNow();
    // Fetches qsUrl; a manifest version above 0 is the one stored for the
    // manifest road, whose files need no version entry of their own.
    void fetch(const QString &qsUrl, uint uiManifestVersion = 0);
    bool isRunning() const { return m_download.isRunning(); }

    // Checks and imports a file on disk; true when the table was replaced.
    bool importFile(const QString &qsFileName, uint uiManifestVersion);

    // A new file may drop this share of the current countries or prefixes
    // (entities are deleted now and then) unless it is a year newer.
    static constexpr double kMaxDroppedCountries = 0.02;
    static constexpr double kMaxDroppedPrefixes = 0.05;
    static constexpr int kYearDays = 366;

    const QString &status() const { return m_status; }

Q_SIGNALS:
    void statusChanged(const QString &qsStatus);
    void imported();

public Q_SLOTS:
    void onDownloadFinished();
    void onDownloadError(const QString &qsError);

private:
    void setStatus(const QString &qsStatus);
    // Why the file must not replace the current table; empty when it may.
    QString refusal(const CountryFile &file) const;
    void fail(const QString &qsWhy);

    Worked *m_worked = nullptr;
    QSqlDatabase m_db;
    Download m_download;
    uint m_manifestVersion = 0;
    QString m_status;
};

#endif // COUNTRYUPDATE_H
