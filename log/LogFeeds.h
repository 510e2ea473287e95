#ifndef LOGFEEDS_H
#define LOGFEEDS_H

#include "AdifReader.h"
#include "LogSettings.h"
#include "LogStore.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class WsjtxListener;

// What brings QSOs into the log while the program runs: the ADIF file the
// operator's logging program keeps exporting, read from where the last read
// ended (a file that was rewritten or shortened is read again from the
// start; the merge of duplicates makes that harmless), and the UDP reports
// of programs that log as they go.
class LogFeeds : public QObject
{
    Q_OBJECT

public:
    // How much of the file's start is kept to see whether it was replaced.
    static constexpr qsizetype kHeadBytes = 512;

    explicit LogFeeds(LogStore *pStore, QObject *pParent = nullptr);
    ~LogFeeds() override;

    // Follows the watched file and the UDP reports as the settings say.
    void apply(const LogSettings &settings);
    // Reads what the watched file got since the last read.
    void readWatchedFile();
    QString watchedFile() const { return m_fileName; }
    // Why the UDP reports cannot be received; empty when they can or are off.
    QString wsjtxError() const { return m_wsjtxError; }
    // The port the reports come to; 0 when they are off or cannot be received.
    quint16 wsjtxPort() const;

Q_SIGNALS:
    // Reported QSOs that could not be logged (no date, no call...): how
    // many since the last signal, and why the last one was not.
    void reportsSkipped(int iCount, const QString &qsWhy);

private:
    void onPathChanged();
    void watch();
    void applyWsjtx(const LogSettings &settings);
    void onAdifReported(const QByteArray &qbaAdif);
    void onQsoReported(const QString &qsCall, const QDateTime &qdtOn, quint64 uiFrequencyHz, const QString &qsMode);
    void storeReports();
    void noteSkipped(int iCount, const QString &qsWhy);
    void logSkipped();

    LogStore *m_store = nullptr;
    QFileSystemWatcher m_watcher;
    QString m_fileName;
    qint64 m_offset = 0;
    QByteArray m_head;
    // Kept between reads: a record the program is still writing waits in it.
    std::unique_ptr<AdifReader> m_reader;
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
};

#endif // LOGFEEDS_H
