#ifndef ADIFREADER_H
#define ADIFREADER_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

// The fields of one ADIF record the log uses, as the file wrote them.
struct AdifRecord
{
    enum Field { Call, QsoDate, TimeOn, Band, Freq, Mode, Submode, QslRcvd, LotwQslRcvd, EqslQslRcvd, FieldCount };

    // Counted from 1 over the records of the input.
    int number = 0;
    std::array<QString, FieldCount> fields;
    // Why the record cannot be used; empty when it can.
    QString problem;

    const QString &value(Field field) const { return fields[size_t(field)]; }
};

// A streaming reader of ADIF files (".adi"): bytes go in as they come, in
// chunks of any size, and whole records come out. Tags are "<NAME:length>"
// or "<NAME:length:type>" in any letter case; what precedes <EOH> is the
// header; <EOR> ends a record; "<APP_LoTW_EOF>" ends the data. Text between
// fields (line ends, padding, "// comments") is skipped.
//
// A length counts bytes for ASCII. For UTF-8 writers differ, so a value is
// read as bytes first and as characters when the bytes would end inside a
// character or are not followed by a tag or white space. Nothing is read
// past the end of the input; a value whose length runs past it makes its
// record unusable. Memory stays bounded whatever the input: a value longer
// than kMaxValueBytes is not kept, and at most about one chunk plus one
// value is buffered.
class AdifReader
{
public:
    static constexpr qsizetype kChunkBytes = 256 * 1024;
    static constexpr qsizetype kMaxValueBytes = 64 * 1024;

    // Takes the next bytes of the input.
    void feed(const QByteArray &qbaBytes);
    // The input has ended: a record without <EOR> at the end is completed.
    void finish();
    // Reads at most one chunk of the device and takes it; at the device's
    // end it finishes. The number of bytes read.
    qint64 readChunk(QIODevice &device);
    bool isFinished() const { return m_finished; }

    // The records completed so far, in input order, usable or not.
    QList<AdifRecord> takeRecords();
    // The bytes of the input up to the end of the last record (or header)
    // completed: where a reader started later loses no record.
    qint64 completedBytes() const { return m_completedBytes; }
    // Bytes held back for a tag or value not complete yet.
    qsizetype bufferedBytes() const { return m_buffer.size(); }
    // The most bytes ever held at once.
    qsizetype peakBufferedBytes() const { return m_peakBuffered; }

    // The value of one field, which must be all present: UTF-8 when it is
    // valid, Latin-1 otherwise.
    static QString decode(const char *pBytes, qsizetype iSize);

private:
    enum class ValueEnd { Found, NeedMore, PastEnd };

    void parse();
    // Where a value of iLength starting at iStart ends.
    ValueEnd valueEnd(qsizetype iStart, qsizetype iLength, qsizetype *piEnd) const;
    bool endsCleanly(qsizetype iEnd) const;
    void completeRecord();
    void markProblem(const QString &qsProblem);

    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_peakBuffered = 0;
    // Input bytes dropped from the front of m_buffer so far.
    qint64 m_consumedBytes = 0;
    qint64 m_completedBytes = 0;
    bool m_finished = false;
    // After "<APP_LoTW_EOF>": whatever follows is not data.
    bool m_stopped = false;
    AdifRecord m_current;
    bool m_currentHasFields = false;
    int m_recordCount = 0;
    QList<AdifRecord> m_ready;
};

#endif // ADIFREADER_H
