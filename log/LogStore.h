#ifndef LOGSTORE_H
#define LOGSTORE_H

#include "AdifReader.h"
#include "radio/ModeClassifier.h"
#include "radio/Need.h"
#include "radio/WorkedBefore.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>

#include <array>
#include <memory>

QT_BEGIN_NAMESPACE
class QSqlQuery;
QT_END_NAMESPACE

class Worked;

// One QSO as the log keeps it.
struct LogQso
{
    QString call;
    QDateTime on;  // UTC
    int band = -1; // index into BandPlan
    QString mode;
    QString submode;
    bool confirmed = false;
};

// The operator's log: "log.sqlite" in the data folder of the settings
// profile in use, one row per QSO with the country our own lookup gives its
// call. QSOs of the same call, band, mode class and minute are one QSO (a
// program that reports a QSO twice, a confirmation download of QSOs already
// there); a confirmation is never taken back by a merge.
//
// For the spots, the log is held in memory per country as bit sets of
// bands, mode classes and confirmation, and per call as the bands worked in
// each mode class, so that needFor() and workedBefore() cost one hash
// lookup each.
class LogStore : public QObject
{
    Q_OBJECT

public:
    struct ImportResult
    {
        // New QSOs; QSOs that were in the log already and were merged into
        // it (a confirmation download of QSOs there); unusable records.
        int imported = 0;
        int merged = 0;
        int skipped = 0;
        // The first kMaxReasons reasons, one a skipped record.
        QStringList reasons;
    };
    static constexpr int kMaxReasons = 5;

    // The log of the profile in use: the demo profile has its own.
    static QString defaultFileName();
    static void setProfileFolder(const QString &qsFolder);

    explicit LogStore(QObject *pParent = nullptr);
    ~LogStore() override;

    // Every QSO stored from now on gets its country here.
    void setCountryLookup(const Worked *pWorked) { m_worked = pWorked; }
    // Opens (creating when missing) the file and loads the sets from it.
    bool open(const QString &qsFileName);
    QString fileName() const { return m_db.databaseName(); }

    // A usable QSO from an ADIF record, or false with the reason.
    static bool qsoFromRecord(const AdifRecord &record, LogQso *pQso, QString *pqsReason);

    // An import is one transaction: until commitImport() nothing is in the
    // store, and rollbackImport() leaves it as it was. QSOs that come in
    // while one runs are stored after it.
    bool beginImport();
    void importRecords(const QList<AdifRecord> &records, ImportResult *pResult);
    bool commitImport();
    void rollbackImport();
    bool isImporting() const { return m_importing; }

    // Records of a few QSOs (a logging program's report, the new end of a
    // watched file) as one small import.
    ImportResult storeRecords(const QList<AdifRecord> &records);
    // One QSO as ADIF text; undecodable bytes are read as Latin-1.
    ImportResult storeAdif(const QByteArray &qbaAdif);
    // One QSO reported field by field.
    bool storeQso(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz, const QString &qsMode);
    // A QSO reported field by field, or false with the reason.
    static bool qsoFromReport(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz,
                              const QString &qsMode, LogQso *pQso, QString *pqsReason);
    // How far the watched log file was read: stored with the QSOs read from
    // it, in one transaction, so that a start goes on where the last run
    // stopped and never skips or repeats what was stored.
    struct WatchState
    {
        // The bytes read of the file, which had that modification time.
        qint64 size = 0;
        qint64 modifiedMs = 0;
        qint64 offset = 0;
        QByteArray head;
    };
    WatchState watchState(const QString &qsFile) const;
    ImportResult storeWatched(const QList<AdifRecord> &records, const QString &qsFile, const WatchState &state);
    // What a feed brought in one turn, in one transaction. While an import
    // runs, they are kept for after it and count as nothing yet.
    ImportResult storeBatch(const QList<AdifRecord> &records, const QList<LogQso> &qsos);

    Need needFor(const QString &qsCountry, int iBand, ModeClass modeClass) const;
    // The same for a spot: its band from the frequency (kHz text), its mode
    // class from the comment or else the band plan.
    Need needForSpot(const QString &qsCountry, const QString &qsFrequency, const QString &qsComment) const;
    // Whether the call itself is in the log on this band and mode class.
    // ModeClass::Unknown takes any mode; a band of -1 is never this band.
    WorkedBefore workedBefore(const QString &qsCall, int iBand, ModeClass modeClass) const;
    // The same for a spot, whose band and mode are read as for needForSpot().
    WorkedBefore workedBeforeSpot(const QString &qsCall, const QString &qsFrequency, const QString &qsComment) const;
    // The labels of the bands the call was worked on, in band order.
    QStringList workedBands(const QString &qsCall) const;
    // "Dupe", "Worked" or nothing, in the user's language.
    static QString workedLabel(WorkedBefore worked);
    // A sentence for tooltips and the details popup.
    static QString workedDescription(WorkedBefore worked);

    // "New", "Band", "Mode", "Unconf", "Conf" in the user's language.
    static QString needLabel(Need need);
    // A sentence for the details popup.
    static QString needDescription(Need need);

    int qsoCount() const { return m_qsoCount; }
    // Every country with a QSO in the log, in name order.
    QStringList countries() const;

Q_SIGNALS:
    // The needed marks of spots may have changed.
    void changed();

private:
    struct CountryState
    {
        quint32 bands = 0;
        quint8 modeClasses = 0;
        bool confirmed = false;
    };

    // The bands worked in each mode class; index 0 (unknown mode) holds
    // QSOs whose mode says nothing of its class.
    struct CallState
    {
        quint32 bands = 0;
        std::array<quint32, 4> bandsByClass {};
    };

    enum class Stored { Failed, New, Merged };
    Stored insert(const LogQso &qso);
    void count(Stored stored, int iRecord, ImportResult *pResult);
    void note(const QString &qsCountry, int iBand, ModeClass modeClass, bool bConfirmed);
    // Adds to the calls read so far (the index is a cache of the log).
    void noteCall(const QString &qsCall, int iBand, ModeClass modeClass) const;
    bool loadSets();
    // The worked-before index, read from the log at its first use.
    const QHash<QString, CallState> &calls() const;
    void storePending();

    QSqlDatabase m_db;
    QString m_connectionName;
    std::unique_ptr<QSqlQuery> m_insert;
    std::unique_ptr<QSqlQuery> m_exists;
    const Worked *m_worked = nullptr;
    bool m_importing = false;
    QHash<QString, CountryState> m_countries;
    mutable QHash<QString, CallState> m_calls;
    mutable bool m_bCallsLoaded = false;
    int m_qsoCount = 0;
    QList<AdifRecord> m_pendingRecords;
    QList<LogQso> m_pendingQsos;
};

#endif // LOGSTORE_H
