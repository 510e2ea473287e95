#ifndef WATCHEDLOGREADER_H
#define WATCHEDLOGREADER_H

#include "AdifReader.h"
#include "LogStore.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// Reads the watched log file on a thread of its own, one bounded turn at a
// time: the window never waits for a large file, memory stays at about one
// turn whatever the file's size, and the owner decides when the next turn
// comes (after it stored the last). Only regular files are read: opening a
// FIFO would block for ever, and a device never ends.
class WatchedLogReader : public QObject
{
    Q_OBJECT

public:
    // The most bytes one turn reads.
    static constexpr qint64 kTurnBytes = AdifReader::kChunkBytes;

    using QObject::QObject;

public Q_SLOTS:
    // Reads qsFile from where state says it was read to, or from the start
    // when it was rewritten since. iGeneration comes back with every answer,
    // so that the owner can drop those of a file no longer watched.
    void start(const QString &qsFile, const LogStore::WatchState &state, int iGeneration);
    // The next turn of the file being read: what was appended since, if
    // anything.
    void readTurn(int iGeneration);

Q_SIGNALS:
    // A turn's records and where the file stands after them; bMore when the
    // file has more to read now.
    void turnRead(int iGeneration, const QList<AdifRecord> &records, const LogStore::WatchState &state, bool bMore);
    // Nothing was read: the file is missing, unchanged, or refused (then
    // qsWhy says why, for the operator).
    void idle(int iGeneration, const QString &qsWhy);

private:
    QString m_file;
    int m_generation = 0;
    // What the owner stores: the place after the last complete record.
    LogStore::WatchState m_state;
    // Where the reader stands: it may hold the start of a record still
    // being written, read past m_state.offset.
    qint64 m_readTo = 0;
    qint64 m_readerBase = 0;
    std::unique_ptr<AdifReader> m_reader;
};

#endif // WATCHEDLOGREADER_H
