#include "CountryUpdate.h"

#include "API/QsLog/QsLog.h"
#include "Worked/CountryFile.h"
#include "Worked/CountryFileCheck.h"
#include "Worked/Worked.h"
#include "settings/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>

CountryUpdate::CountryUpdate(Worked *pWorked, const QSqlDatabase &db, QObject *parent)
    : QObject(parent), m_worked(pWorked), m_db(db)
{
    connect(&m_download, &Download::finished, this, &CountryUpdate::onDownloadFinished);
    connect(&m_download, &Download::error, this, &CountryUpdate::onDownloadError);
}

CountryUpdate::~CountryUpdate() = default;

QString CountryUpdate::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/cty.dat");
}

void CountryUpdate::checkDaily()
{
    const QDate today = QDate::currentDate();
    if (SettingsStore::countryCheckDate() == today) {
        QLOG_DEBUG() << "Country file already checked today";
        return;
    }
    checkNow();
}

void CountryUpdate::checkNow()
{
    const QString qsUrl = SettingsStore::loadUpdateSources().countryFileUrl;
    if (qsUrl.isEmpty()) {
        QLOG_DEBUG() << "No country file address set; country check skipped";
        return;
    }
    SettingsStore::setCountryCheckDate(QDate::currentDate());
    fetch(qsUrl);
}

void CountryUpdate::fetch(const QString &qsUrl, uint uiManifestVersion)
{
    if (isRunning())
        return;
    const QUrl url(qsUrl);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        fail(tr("\"%1\" is no web address").arg(qsUrl));
        return;
    }
    m_manifestVersion = uiManifestVersion;
    QDir().mkpath(QFileInfo(filePath()).absolutePath());
    // Fetched aside, so that a broken transfer never replaces a good file.
    m_download.setUrl(qsUrl);
    m_download.setFileName(filePath() + QStringLiteral(".part"));
    setStatus(tr("Country data: checking %1").arg(url.host()));
    m_download.start();
}

namespace {

// A transfer without a length that stops between two records parses as a
// whole file with fewer countries; one that came whole ends with the last
// record's ';' and a line end.
bool endsWithRecordEnd(const QString &qsFileName)
{
    QFile file(qsFileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 2)
        return false;
    file.seek(file.size() - qMin<qint64>(file.size(), 64));
    QByteArray baTail = file.readAll();
    if (!baTail.endsWith('\n'))
        return false;
    while (!baTail.isEmpty() && (baTail.endsWith('\n') || baTail.endsWith('\r') || baTail.endsWith(' ')))
        baTail.chop(1);
    return baTail.endsWith(';');
}

QDate versionDate(uint uiVersion)
{
    return QDate::fromString(QString::number(uiVersion), QStringLiteral("yyyyMMdd"));
}

} // namespace

void CountryUpdate::onDownloadFinished()
{
    const QString qsPart = m_download.fileName();
    if (!m_download.lengthAnnounced() && !endsWithRecordEnd(qsPart)) {
        QFile::remove(qsPart);
        fail(tr("the transfer was cut short (the file does not end with a complete record)"));
        return;
    }
    if (importFile(qsPart, m_manifestVersion)) {
        QFile::remove(filePath());
        if (!QFile::rename(qsPart, filePath())) {
            QLOG_ERROR() << "Cannot keep the country file as" << filePath();
        }
    }
    QFile::remove(qsPart);
}

void CountryUpdate::onDownloadError(const QString &qsError)
{
    QFile::remove(m_download.fileName());
    fail(qsError);
}

bool CountryUpdate::importFile(const QString &qsFileName, uint uiManifestVersion)
{
    CountryFile file;
    QString qsWhy;
    if (!file.read(qsFileName)) {
        fail(file.errorString());
        return false;
    }
    if (!CountryFileCheck::isComplete(file, &qsWhy)) {
        fail(tr("not a country file (%1)").arg(qsWhy));
        return false;
    }
    const uint uiFileVersion = file.version();
    if (uiManifestVersion == 0) {
        if (uiFileVersion == 0) {
            fail(tr("the file has no =VER entry"));
            return false;
        }
        const uint uiStored = SettingsStore::countryFileVersion();
        if (uiFileVersion <= uiStored) {
            QLOG_DEBUG() << "Country database already at latest version" << uiStored;
            setStatus(tr("Country data is up to date (version %1)").arg(uiStored));
            return false;
        }
    }
    if (const QString qsRefusal = refusal(file); !qsRefusal.isEmpty()) {
        fail(qsRefusal);
        return false;
    }
    if (!m_worked || !m_worked->updateCountryFile(file, m_db)) {
        fail(tr("the database could not be written"));
        return false;
    }
    // Only now: a version stored before the import would keep a file that
    // never arrived in the table from being fetched again.
    if (uiFileVersion > 0)
        SettingsStore::setCountryFileVersion(uiFileVersion);
    if (uiManifestVersion > 0)
        SettingsStore::setCountryVersion(uiManifestVersion);
    QLOG_INFO() << "Country file imported:" << file.entries().size() << "prefixes, version" << uiFileVersion;
    setStatus(tr("Country data updated to version %1 (%2 prefixes)")
                  .arg(uiFileVersion > 0 ? uiFileVersion : uiManifestVersion)
                  .arg(file.entries().size()));
    Q_EMIT imported();
    return true;
}

QString CountryUpdate::refusal(const CountryFile &file) const
{
    const QDate today = QDate::currentDate();
    const QDate version = versionDate(file.version());
    // A date that far ahead is a typo, and would block every later update.
    if (version.isValid() && version > today.addDays(kYearDays))
        return tr("its version %1 lies more than a year ahead").arg(file.version());
    const QDate current = versionDate(SettingsStore::countryFileVersion());
    if (version.isValid() && current.isValid() && version > current.addDays(kYearDays))
        return QString();

    const QStringList currentCountries = Worked::countryNames(m_db);
    if (!currentCountries.isEmpty()) {
        const QSet<QString> newCountries(file.countries().cbegin(), file.countries().cend());
        QStringList dropped;
        for (const QString &qsCountry : currentCountries) {
            if (!newCountries.contains(qsCountry))
                dropped.append(qsCountry);
        }
        if (dropped.size() > currentCountries.size() * kMaxDroppedCountries) {
            return tr("it drops %1 of the %2 countries (%3...)")
                .arg(dropped.size())
                .arg(currentCountries.size())
                .arg(dropped.mid(0, 3).join(QStringLiteral(", ")));
        }
    }
    QSqlQuery count(m_db);
    const qint64 iPrefixes = count.exec(QStringLiteral(R"(SELECT COUNT(*) FROM "main"."prefixes")")) && count.next()
        ? count.value(0).toLongLong()
        : 0;
    if (iPrefixes > 0 && file.entries().size() < iPrefixes * (1.0 - kMaxDroppedPrefixes)) {
        return tr("it has %1 prefixes where the current table has %2").arg(file.entries().size()).arg(iPrefixes);
    }
    return QString();
}

void CountryUpdate::fail(const QString &qsWhy)
{
    QLOG_ERROR() << "Country file not imported; the current prefixes are kept:" << qsWhy;
    setStatus(tr("Country data not updated: %1").arg(qsWhy));
}

void CountryUpdate::setStatus(const QString &qsStatus)
{
    m_status = qsStatus;
    Q_EMIT statusChanged(qsStatus);
}
