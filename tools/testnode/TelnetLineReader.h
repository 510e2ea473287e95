#ifndef TELNETLINEREADER_H
#define TELNETLINEREADER_H

#include <QByteArray>
#include <QList>

// Turns what a telnet-style client sends into command lines: LF ends a line
// (CR LF too), telnet commands and negotiation are dropped, other control
// bytes are ignored, and a line is held to a fixed length so that a client
// cannot make the node buffer without bound.
class TelnetLineReader
{
public:
    struct Line
    {
        QByteArray text;      // without the line end; interior CRs removed
        bool tooLong = false; // the line ran past the limit; text is empty
    };

    static constexpr qsizetype kMaxLineBytes = 4096;
    // A client that sends this much without a line feed is not a terminal user.
    static constexpr qint64 kMaxUnterminatedBytes = 64 * 1024;

    // Returns the lines that baData completes. *pbFlooding is set (and the
    // rest of baData ignored) once more than kMaxUnterminatedBytes arrive
    // without a line feed.
    QList<Line> feed(const QByteArray &baData, bool *pbFlooding);
    qint64 unterminatedBytes() const;

private:
    enum class Telnet { Data, Command, Option, Sub, SubCommand };

    bool filterTelnet(uchar uch);

    Telnet m_telnet = Telnet::Data;
    int m_subnegotiationLength = 0;
    QByteArray m_buffer;
    qint64 m_unterminatedBytes = 0;
    bool m_tooLong = false;
};

#endif // TELNETLINEREADER_H
