#ifndef LOGFEEDS_H
#define LOGFEEDS_H

#include "AdifReader.h"
#include "LastQso.h"
#include "LogSettings.h"
#include "LogStore.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <memory>

class WatchedLogReader;
class WsjtxListener;

// What brings QSOs into the log while the program runs: the ADIF file the
// operator's logging program keeps exporting, read on a thread of its own
// from where the last read ended, also the last run's (a file that was
// rewritten or shortened is read again from the start; the merge of
// duplicates makes that harmless), and the UDP reports of programs that log
// as they go.
class LogFeeds : public QObject
{
    Q_OBJECT

public:
    explicit LogFeeds(LogStore *pStore, QObject *pParent = nullptr);
    ~LogFeeds() override;

    // Follows the watched file and the UDP reports as the settings say.
    void apply(const LogSettings &settings);
    // Reads what the watched file got since the last read, in the
    // background; watchedFileRead() tells when it is stored.
    void readWatchedFile();
    // Whether the watched file is being read now.
    bool isReadingWatchedFile() const { return m_reading; }
    QString watchedFile() const { return m_fileName; }
    // Why the UDP reports cannot be received; empty when they can or are off.
    QString wsjtxError() const { return m_wsjtxError; }
    // The port the reports come to; 0 when they are off or cannot be received.
    quint16 wsjtxPort() const;
    // The QSO reported or read last; invalid until one came.
    const LastQso &lastQso() const { return m_lastQso; }

Q_SIGNALS:
    // Reported QSOs that could not be logged (no date, no call...): how
    // many since the last signal, and why the last one was not.
    void reportsSkipped(int iCount, const QString &qsWhy);
    // The watched file cannot be read (a FIFO, a device); for the operator.
    void watchedFileRefused(const QString &qsWhy);
    // A read of the watched file ended: what it had is in the store.
    void watchedFileRead();
    // A QSO came in over UDP or as the newest record of the watched file.
    void lastQsoChanged(const LastQso &qso);

    // To the reader's thread.
    void readerStartRequested(const QString &qsFile, const LogStore::WatchState &state, int iGeneration);
    void readerTurnRequested(int iGeneration);

private:
    void onPathChanged();
    void watch();
    void startReading();
    void onTurnRead(int iGeneration, const QList<AdifRecord> &records, const LogStore::WatchState &state, bool bMore);
    void onReaderIdle(int iGeneration, const QString &qsWhy);
    void endRead();
    void applyWsjtx(const LogSettings &settings);
    void onAdifReported(const QByteArray &qbaAdif);
    void onQsoReported(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz, const QString &qsMode);
    void storeReports();
    void noteSkipped(int iCount, const QString &qsWhy);
    void logSkipped();
    void noteLastRecord(const QList<AdifRecord> &records);

    LogStore *m_store = nullptr;
    QFileSystemWatcher m_watcher;
    QString m_fileName;
    // The reader lives on m_readerThread and goes when it ends.
    QThread m_readerThread;
    WatchedLogReader *m_reader = nullptr;
    // Answers of a file no longer watched carry an older generation.
    int m_generation = 0;
    bool m_started = false;
    // One turn out at a time; a change meanwhile asks again after it.
    bool m_reading = false;
    bool m_changedMeanwhile = false;
    qint64 m_storedOffset = -1;
    LogStore::ImportResult m_readResult;
    QString m_refusedWhy;
    std::unique_ptr<WsjtxListener> m_wsjtx;
    QStringList m_wsjtxSettings;
    QString m_wsjtxError;
    // Reports wait here for the end of the listener's turn and are then
    // stored in one transaction.
    QList<AdifRecord> m_reportedRecords;
    QList<LogQso> m_reportedQsos;
    QTimer m_storeTimer;
    // The rate limit of the skipped reports' log lines, as the listener's
    // for dropped datagrams.
    int m_skippedUnlogged = 0;
    QString m_lastSkipWhy;
    QElapsedTimer m_sinceSkipLine;
    QTimer m_skipLineTimer;
    LastQso m_lastQso;
};

#endif // LOGFEEDS_H
