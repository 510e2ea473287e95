#include "LogStore.h"

#include "Worked/Worked.h"

#include "API/QsLog/QsLog.h"
#include "radio/BandPlan.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

QString g_profileFolder;

const QString kLogFile = QStringLiteral("log.sqlite");
// The key of the merge is the unique constraint; a confirmation arriving
// for a QSO already there is kept, an unconfirmed copy never clears one.
const QString kCreateTable =
    QStringLiteral(R"(CREATE TABLE IF NOT EXISTS "main"."qsos" ("CALL" TEXT NOT NULL, "ON_UTC" TEXT NOT NULL,)"
                   R"( "MINUTE" INTEGER NOT NULL, "BAND" TEXT NOT NULL, "MODE" TEXT, "SUBMODE" TEXT,)"
                   R"( "MODE_CLASS" INTEGER NOT NULL, "COUNTRY" TEXT, "CONFIRMED" INTEGER NOT NULL DEFAULT 0,)"
                   R"( UNIQUE ("CALL", "BAND", "MODE_CLASS", "MINUTE")))");
const QString kInsert = QStringLiteral(
    R"(INSERT INTO "main"."qsos" ("CALL","ON_UTC","MINUTE","BAND","MODE","SUBMODE","MODE_CLASS","COUNTRY","CONFIRMED"))"
    R"( VALUES (?,?,?,?,?,?,?,?,?) ON CONFLICT ("CALL","BAND","MODE_CLASS","MINUTE"))"
    R"( DO UPDATE SET "CONFIRMED" = MAX("CONFIRMED", excluded."CONFIRMED"))");
const QString kSelectSets = QStringLiteral(R"(SELECT "COUNTRY","BAND","MODE_CLASS",MAX("CONFIRMED") FROM "main"."qsos")"
                                           R"( GROUP BY "COUNTRY","BAND","MODE_CLASS")");
// Per call, through the unique constraint's index: again a walk of an index.
const QString kSelectCalls = QStringLiteral(R"(SELECT "CALL","BAND","MODE_CLASS" FROM "main"."qsos")"
                                            R"( GROUP BY "CALL","BAND","MODE_CLASS")");
// The needed marks are read from the log at every start: through this index
// that is a walk of the index alone, not a sort of the whole table.
const QString kCreateSetsIndex = QStringLiteral(
    R"(CREATE INDEX IF NOT EXISTS "main"."qsos_sets" ON "qsos" ("COUNTRY","BAND","MODE_CLASS","CONFIRMED"))");
// Where the watched log file was read to; the file is named by its path.
const QString kCreateWatched = QStringLiteral(
    R"(CREATE TABLE IF NOT EXISTS "main"."watched" ("FILE" TEXT PRIMARY KEY NOT NULL, "SIZE" INTEGER NOT NULL,)"
    R"( "MODIFIED" INTEGER NOT NULL, "OFFSET" INTEGER NOT NULL, "HEAD" BLOB))");
const QString kSelectWatched =
    QStringLiteral(R"(SELECT "SIZE","MODIFIED","OFFSET","HEAD" FROM "main"."watched" WHERE "FILE" = ?)");
const QString kStoreWatched = QStringLiteral(
    R"(INSERT OR REPLACE INTO "main"."watched" ("FILE","SIZE","MODIFIED","OFFSET","HEAD") VALUES (?,?,?,?,?))");
const QString kExists = QStringLiteral(
    R"(SELECT 1 FROM "main"."qsos" WHERE "CALL" = ? AND "BAND" = ? AND "MODE_CLASS" = ? AND "MINUTE" = ?)");
const QString kCount = QStringLiteral(R"(SELECT COUNT(*) FROM "main"."qsos")");

int bandIndex(const BandPlan::Band *pBand)
{
    return pBand ? int(pBand - &BandPlan::at(0)) : -1;
}

struct SpotBand
{
    int band = -1;
    ModeClass modeClass = ModeClass::Unknown;
};

// The log band and mode class a spot stands for; a frequency that does not
// read leaves the band unknown and the mode to the comment alone.
SpotBand spotBand(const QString &qsFrequency, const QString &qsComment)
{
    bool bOk = false;
    const double dKHz = qsFrequency.toDouble(&bOk);
    if (!bOk)
        return {-1, ModeClassifier::fromComment(qsComment)};
    return {bandIndex(BandPlan::logBandFor(dKHz)), ModeClassifier::forSpot(qsComment, dKHz)};
}

bool isYes(const QString &qsValue)
{
    // "V" (verified) is what older files write for a card checked for an award.
    const QString qsTrimmed = qsValue.trimmed();
    return qsTrimmed.compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0
        || qsTrimmed.compare(QLatin1String("V"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString LogStore::defaultFileName()
{
    const QString qsFolder =
        g_profileFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : g_profileFolder;
    QDir().mkpath(qsFolder);
    return qsFolder + QLatin1Char('/') + kLogFile;
}

void LogStore::setProfileFolder(const QString &qsFolder)
{
    g_profileFolder = qsFolder;
}

LogStore::LogStore(QObject *pParent)
    : QObject(pParent), m_connectionName(QStringLiteral("kelvane-log-%1").arg(quintptr(this), 0, 16))
{
    Q_ASSERT(BandPlan::count() <= 32);
}

LogStore::~LogStore()
{
    m_insert.reset();
    m_exists.reset();
    if (m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

bool LogStore::open(const QString &qsFileName)
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(qsFileName);
    if (!m_db.open()) {
        QLOG_ERROR() << "Cannot open the log" << qsFileName << m_db.lastError().text();
        return false;
    }
    QSqlQuery create(m_db);
    if (!create.exec(kCreateTable) || !create.exec(kCreateWatched) || !create.exec(kCreateSetsIndex)) {
        QLOG_ERROR() << "Cannot create the log table:" << create.lastError().text();
        return false;
    }
    m_insert = std::make_unique<QSqlQuery>(m_db);
    if (!m_insert->prepare(kInsert)) {
        QLOG_ERROR() << "Cannot prepare the log insertion:" << m_insert->lastError().text();
        return false;
    }
    m_exists = std::make_unique<QSqlQuery>(m_db);
    m_exists->setForwardOnly(true);
    if (!m_exists->prepare(kExists)) {
        QLOG_ERROR() << "Cannot prepare the log look-up:" << m_exists->lastError().text();
        m_insert.reset();
        return false;
    }
    return loadSets();
}

bool LogStore::qsoFromRecord(const AdifRecord &record, LogQso *pQso, QString *pqsReason)
{
    auto fail = [&](const QString &qsWhy) {
        *pqsReason = tr("record %1: %2").arg(record.number).arg(qsWhy);
        return false;
    };
    if (!record.problem.isEmpty())
        return fail(record.problem);
    LogQso qso;
    qso.call = record.value(AdifRecord::Call).trimmed().toUpper();
    if (qso.call.isEmpty())
        return fail(tr("no call"));

    const QString qsBand = record.value(AdifRecord::Band).trimmed();
    if (!qsBand.isEmpty()) {
        qso.band = bandIndex(BandPlan::find(qsBand));
        if (qso.band < 0)
            return fail(tr("unknown band \"%1\"").arg(qsBand));
    } else {
        const QString qsFreq = record.value(AdifRecord::Freq).trimmed();
        if (qsFreq.isEmpty())
            return fail(tr("no band"));
        bool bOk = false;
        const double dKHz = qsFreq.toDouble(&bOk) * 1000.0;
        const BandPlan::Band *pBand = bOk ? BandPlan::logBandFor(dKHz) : nullptr;
        if (!pBand || !BandPlan::contains(*pBand, dKHz))
            return fail(tr("no band for the frequency \"%1\"").arg(qsFreq));
        qso.band = bandIndex(pBand);
    }

    const QDate date = QDate::fromString(record.value(AdifRecord::QsoDate).trimmed(), QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        return fail(tr("no valid QSO_DATE"));
    const QString qsTime = record.value(AdifRecord::TimeOn).trimmed();
    const QTime time =
        QTime::fromString(qsTime, qsTime.size() == 4 ? QStringLiteral("HHmm") : QStringLiteral("HHmmss"));
    if (!time.isValid())
        return fail(tr("no valid TIME_ON"));
    qso.on = QDateTime(date, time, Qt::UTC);

    qso.mode = record.value(AdifRecord::Mode).trimmed().toUpper();
    qso.submode = record.value(AdifRecord::Submode).trimmed().toUpper();
    qso.confirmed = isYes(record.value(AdifRecord::QslRcvd)) || isYes(record.value(AdifRecord::LotwQslRcvd))
        || isYes(record.value(AdifRecord::EqslQslRcvd));
    *pQso = std::move(qso);
    return true;
}

LogStore::Stored LogStore::insert(const LogQso &qso)
{
    if (!m_insert)
        return Stored::Failed;
    const ModeClass modeClass = ModeClassifier::fromAdif(qso.mode, qso.submode);
    const QString qsCountry = m_worked ? m_worked->countryForCall(qso.call) : QString();
    const QString qsBand = QString::fromLatin1(BandPlan::at(qso.band).label);
    const qint64 iMinute = qso.on.toSecsSinceEpoch() / 60;
    // Whether the upsert merges: SQLite reports an insert and a merge alike.
    m_exists->bindValue(0, qso.call);
    m_exists->bindValue(1, qsBand);
    m_exists->bindValue(2, int(modeClass));
    m_exists->bindValue(3, iMinute);
    if (!m_exists->exec()) {
        QLOG_ERROR() << "Cannot look up a QSO with" << qso.call << m_exists->lastError().text();
        return Stored::Failed;
    }
    const bool bKnown = m_exists->next();
    m_exists->finish();
    m_insert->bindValue(0, qso.call);
    m_insert->bindValue(1, qso.on.toString(Qt::ISODate));
    m_insert->bindValue(2, iMinute);
    m_insert->bindValue(3, qsBand);
    m_insert->bindValue(4, qso.mode);
    m_insert->bindValue(5, qso.submode);
    m_insert->bindValue(6, int(modeClass));
    m_insert->bindValue(7, qsCountry);
    m_insert->bindValue(8, qso.confirmed ? 1 : 0);
    if (!m_insert->exec()) {
        QLOG_ERROR() << "Cannot store a QSO with" << qso.call << m_insert->lastError().text();
        return Stored::Failed;
    }
    // The sets only ever grow, as the merge only ever adds a confirmation:
    // noting the QSO gives what a re-read of the whole log would.
    note(qsCountry, qso.band, modeClass, qso.confirmed);
    noteCall(qso.call, qso.band, modeClass);
    if (bKnown)
        return Stored::Merged;
    ++m_qsoCount;
    return Stored::New;
}

void LogStore::count(Stored stored, int iRecord, ImportResult *pResult)
{
    switch (stored) {
    case Stored::New:
        ++pResult->imported;
        break;
    case Stored::Merged:
        ++pResult->merged;
        break;
    case Stored::Failed:
        ++pResult->skipped;
        if (pResult->reasons.size() < kMaxReasons)
            pResult->reasons.append(tr("record %1: cannot be stored").arg(iRecord));
        break;
    }
}

bool LogStore::beginImport()
{
    if (m_importing || !m_insert)
        return false;
    if (!m_db.transaction()) {
        QLOG_ERROR() << "Cannot start a log import:" << m_db.lastError().text();
        return false;
    }
    m_importing = true;
    return true;
}

void LogStore::importRecords(const QList<AdifRecord> &records, ImportResult *pResult)
{
    LogQso qso;
    QString qsReason;
    for (const AdifRecord &record : records) {
        if (!qsoFromRecord(record, &qso, &qsReason)) {
            ++pResult->skipped;
            if (pResult->reasons.size() < kMaxReasons)
                pResult->reasons.append(qsReason);
            continue;
        }
        count(insert(qso), record.number, pResult);
    }
}

bool LogStore::commitImport()
{
    if (!m_importing)
        return false;
    m_importing = false;
    if (!m_db.commit()) {
        QLOG_ERROR() << "Cannot finish the log import:" << m_db.lastError().text();
        m_db.rollback();
        // The sets took in what the file no longer has.
        loadSets();
        storePending();
        return false;
    }
    Q_EMIT changed();
    storePending();
    return true;
}

void LogStore::rollbackImport()
{
    if (!m_importing)
        return;
    m_importing = false;
    m_db.rollback();
    loadSets();
    storePending();
}

void LogStore::storePending()
{
    const QList<AdifRecord> records = std::exchange(m_pendingRecords, {});
    const QList<LogQso> qsos = std::exchange(m_pendingQsos, {});
    if (!records.isEmpty() || !qsos.isEmpty())
        storeBatch(records, qsos);
}

LogStore::ImportResult LogStore::storeRecords(const QList<AdifRecord> &records)
{
    return storeBatch(records, {});
}

LogStore::ImportResult LogStore::storeBatch(const QList<AdifRecord> &records, const QList<LogQso> &qsos)
{
    ImportResult result;
    if (m_importing) {
        m_pendingRecords.append(records);
        m_pendingQsos.append(qsos);
        return result;
    }
    if (!beginImport())
        return result;
    importRecords(records, &result);
    for (const LogQso &qso : qsos)
        count(insert(qso), 0, &result);
    if (!commitImport()) {
        result.imported = 0;
        result.merged = 0;
    }
    return result;
}

LogStore::WatchState LogStore::watchState(const QString &qsFile) const
{
    WatchState state;
    if (!m_db.isOpen())
        return state;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(kSelectWatched))
        return state;
    query.addBindValue(qsFile);
    if (query.exec() && query.next()) {
        state.size = query.value(0).toLongLong();
        state.modifiedMs = query.value(1).toLongLong();
        state.offset = query.value(2).toLongLong();
        state.head = query.value(3).toByteArray();
    }
    return state;
}

LogStore::ImportResult LogStore::storeWatched(const QList<AdifRecord> &records, const QString &qsFile,
                                              const WatchState &state)
{
    ImportResult result;
    // While an import runs the records wait for it; the place in the file is
    // not stored, so the next start reads them again (the merge makes that
    // harmless).
    if (m_importing) {
        m_pendingRecords.append(records);
        return result;
    }
    // Without records nothing changes for the spots: no transaction, no
    // changed().
    const bool bRecords = !records.isEmpty();
    if (bRecords && !beginImport())
        return result;
    importRecords(records, &result);
    QSqlQuery store(m_db);
    bool bStored = store.prepare(kStoreWatched);
    store.addBindValue(qsFile);
    store.addBindValue(state.size);
    store.addBindValue(state.modifiedMs);
    store.addBindValue(state.offset);
    store.addBindValue(state.head);
    bStored = bStored && store.exec();
    if (!bStored) {
        QLOG_ERROR() << "Cannot store how far the watched log was read:" << store.lastError().text();
        if (bRecords)
            rollbackImport();
        result.imported = 0;
        result.merged = 0;
        return result;
    }
    if (bRecords && !commitImport()) {
        result.imported = 0;
        result.merged = 0;
    }
    return result;
}

LogStore::ImportResult LogStore::storeAdif(const QByteArray &qbaAdif)
{
    AdifReader reader;
    reader.feed(qbaAdif);
    reader.finish();
    return storeRecords(reader.takeRecords());
}

bool LogStore::qsoFromReport(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz,
                             const QString &qsMode, LogQso *pQso, QString *pqsReason)
{
    LogQso qso;
    qso.call = qsCall.trimmed().toUpper();
    qso.on = qdtOn.toUTC();
    qso.band = bandIndex(BandPlan::logBandFor(double(uiFrequencyHz) / 1000.0));
    qso.mode = qsMode.trimmed().toUpper();
    if (qso.call.isEmpty())
        *pqsReason = tr("no call");
    else if (!qso.on.isValid())
        *pqsReason = tr("no valid time");
    else if (qso.band < 0)
        *pqsReason = tr("no band for %1 Hz").arg(uiFrequencyHz);
    else {
        *pQso = std::move(qso);
        return true;
    }
    return false;
}

bool LogStore::storeQso(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz, const QString &qsMode)
{
    LogQso qso;
    QString qsReason;
    if (!qsoFromReport(qsCall, qdtOn, uiFrequencyHz, qsMode, &qso, &qsReason)) {
        QLOG_WARN() << "A reported QSO is not logged:" << qsCall << ":" << qsReason;
        return false;
    }
    if (m_importing) {
        m_pendingQsos.append(qso);
        return true;
    }
    const ImportResult result = storeBatch({}, {qso});
    return result.imported + result.merged > 0;
}

void LogStore::note(const QString &qsCountry, int iBand, ModeClass modeClass, bool bConfirmed)
{
    if (qsCountry.isEmpty() || iBand < 0)
        return;
    CountryState &state = m_countries[qsCountry];
    state.bands |= quint32(1) << iBand;
    state.modeClasses |= quint8(1 << int(modeClass));
    state.confirmed = state.confirmed || bConfirmed;
}

void LogStore::noteCall(const QString &qsCall, int iBand, ModeClass modeClass) const
{
    // Until the calls are read, the log itself holds the QSO for them.
    if (!m_bCallsLoaded || qsCall.isEmpty() || iBand < 0)
        return;
    CallState &state = m_calls[qsCall];
    const quint32 uiBit = quint32(1) << iBand;
    state.bands |= uiBit;
    state.bandsByClass[size_t(modeClass)] |= uiBit;
}

bool LogStore::loadSets()
{
    m_countries.clear();
    // The calls are read when first asked for: a long log would hold up the
    // start of the window for marks no spot has needed yet.
    m_calls.clear();
    m_bCallsLoaded = false;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(kSelectSets)) {
        QLOG_ERROR() << "Cannot read the log:" << query.lastError().text();
        return false;
    }
    while (query.next()) {
        const int iModeClass = query.value(2).toInt();
        if (iModeClass < 0 || iModeClass > int(ModeClass::Data))
            continue;
        note(query.value(0).toString(), bandIndex(BandPlan::find(query.value(1).toString())), ModeClass(iModeClass),
             query.value(3).toInt() != 0);
    }
    QSqlQuery count(m_db);
    m_qsoCount = count.exec(kCount) && count.next() ? count.value(0).toInt() : 0;
    return true;
}

const QHash<QString, LogStore::CallState> &LogStore::calls() const
{
    if (m_bCallsLoaded)
        return m_calls;
    m_bCallsLoaded = true;
    QSqlQuery calls(m_db);
    calls.setForwardOnly(true);
    if (!calls.exec(kSelectCalls)) {
        QLOG_ERROR() << "Cannot read the calls of the log:" << calls.lastError().text();
        return m_calls;
    }
    // A log has a handful of band texts among many rows.
    QHash<QString, int> bandOfText;
    while (calls.next()) {
        const int iModeClass = calls.value(2).toInt();
        if (iModeClass < 0 || iModeClass > int(ModeClass::Data))
            continue;
        const QString qsBand = calls.value(1).toString();
        auto itBand = bandOfText.constFind(qsBand);
        if (itBand == bandOfText.constEnd())
            itBand = bandOfText.insert(qsBand, bandIndex(BandPlan::find(qsBand)));
        noteCall(calls.value(0).toString(), *itBand, ModeClass(iModeClass));
    }
    return m_calls;
}

QStringList LogStore::countries() const
{
    QStringList names = m_countries.keys();
    names.sort();
    return names;
}

Need LogStore::needFor(const QString &qsCountry, int iBand, ModeClass modeClass) const
{
    if (m_countries.isEmpty() || qsCountry.isEmpty())
        return Need::None;
    const auto it = m_countries.constFind(qsCountry);
    if (it == m_countries.constEnd())
        return Need::NewCountry;
    if (iBand >= 0 && !(it->bands & (quint32(1) << iBand)))
        return Need::NewBand;
    if (modeClass != ModeClass::Unknown && !(it->modeClasses & (1 << int(modeClass))))
        return Need::NewMode;
    return it->confirmed ? Need::Confirmed : Need::Unconfirmed;
}

Need LogStore::needForSpot(const QString &qsCountry, const QString &qsFrequency, const QString &qsComment) const
{
    if (m_countries.isEmpty() || qsCountry.isEmpty())
        return Need::None;
    const SpotBand where = spotBand(qsFrequency, qsComment);
    return needFor(qsCountry, where.band, where.modeClass);
}

WorkedBefore LogStore::workedBefore(const QString &qsCall, int iBand, ModeClass modeClass) const
{
    if (qsCall.isEmpty() || calls().isEmpty())
        return WorkedBefore::None;
    const auto it = m_calls.constFind(qsCall);
    if (it == m_calls.constEnd())
        return WorkedBefore::NotWorked;
    const quint32 uiBit = iBand >= 0 ? quint32(1) << iBand : 0;
    if (!(it->bands & uiBit))
        return WorkedBefore::OtherBand;
    // A QSO whose mode has no class may have been in any mode: it is not
    // taken for a dupe of a known mode, but a spot of unknown mode is a dupe
    // of any QSO on the band.
    if (modeClass != ModeClass::Unknown && !(it->bandsByClass[size_t(modeClass)] & uiBit))
        return WorkedBefore::OtherMode;
    return WorkedBefore::Dupe;
}

WorkedBefore LogStore::workedBeforeSpot(const QString &qsCall, const QString &qsFrequency,
                                        const QString &qsComment) const
{
    if (qsCall.isEmpty() || calls().isEmpty())
        return WorkedBefore::None;
    const SpotBand where = spotBand(qsFrequency, qsComment);
    return workedBefore(qsCall, where.band, where.modeClass);
}

QStringList LogStore::workedBands(const QString &qsCall) const
{
    QStringList qslBands;
    const auto it = calls().constFind(qsCall);
    if (it == m_calls.constEnd())
        return qslBands;
    for (int i = 0; i < BandPlan::count(); ++i) {
        if (it->bands & (quint32(1) << i))
            qslBands.append(BandPlan::labelText(BandPlan::at(i)));
    }
    return qslBands;
}

QString LogStore::workedLabel(WorkedBefore worked)
{
    switch (worked) {
    case WorkedBefore::Dupe:
        return tr("Dupe");
    case WorkedBefore::OtherBand:
    case WorkedBefore::OtherMode:
        return tr("Worked");
    case WorkedBefore::NotWorked:
    case WorkedBefore::None:
        break;
    }
    return QString();
}

QString LogStore::workedDescription(WorkedBefore worked)
{
    switch (worked) {
    case WorkedBefore::Dupe:
        return tr("Dupe: this call is in your log on this band and mode");
    case WorkedBefore::OtherMode:
        return tr("Call worked on this band, not in this mode");
    case WorkedBefore::OtherBand:
        return tr("Call worked before, not on this band");
    case WorkedBefore::NotWorked:
        return tr("Call not in your log");
    case WorkedBefore::None:
        break;
    }
    return QString();
}

QString LogStore::needLabel(Need need)
{
    switch (need) {
    case Need::NewCountry:
        return tr("New");
    case Need::NewBand:
        return tr("Band");
    case Need::NewMode:
        return tr("Mode");
    case Need::Unconfirmed:
        return tr("Unconf");
    case Need::Confirmed:
        return tr("Conf");
    case Need::None:
        break;
    }
    return QString();
}

QString LogStore::needDescription(Need need)
{
    switch (need) {
    case Need::NewCountry:
        return tr("New country: not in your log");
    case Need::NewBand:
        return tr("New band: country not worked on this band");
    case Need::NewMode:
        return tr("New mode: country not worked in this mode");
    case Need::Unconfirmed:
        return tr("Worked, not confirmed");
    case Need::Confirmed:
        return tr("Worked and confirmed");
    case Need::None:
        break;
    }
    return QString();
}
