#ifndef LOGFEEDS_H
#define LOGFEEDS_H

#include "AdifReader.h"

#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>

#include <memory>

class LogStore;

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

private:
    void onPathChanged();
    void watch();
    void applyWsjtx(const LogSettings &settings);

    LogStore *m_store = nullptr;
    QFileSystemWatcher m_watcher;
    QString m_fileName;
    qint64 m_offset = 0;
    QByteArray m_head;
    // Kept between reads: a record the program is still writing waits in it.
    std::unique_ptr<AdifReader> m_reader;
    QObject *m_wsjtx = nullptr;
    QStringList m_wsjtxSettings;
    QString m_wsjtxError;
};

#endif // LOGFEEDS_H
