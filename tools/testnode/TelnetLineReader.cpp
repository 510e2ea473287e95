#include "TelnetLineReader.h"

namespace {

constexpr int kMaxSubnegotiation = 256;

constexpr uchar kIac = 255;
constexpr uchar kDont = 254;
constexpr uchar kWill = 251;
constexpr uchar kSb = 250;
constexpr uchar kSe = 240;

} // namespace

bool TelnetLineReader::filterTelnet(uchar uch)
{
    // Telnet commands and option negotiation are dropped, not answered: the
    // node behaves as if every option were refused. Returns true for data.
    switch (m_telnet) {
    case Telnet::Data:
        if (uch != kIac)
            return true;
        m_telnet = Telnet::Command;
        return false;
    case Telnet::Command:
        if (uch == kIac) {
            m_telnet = Telnet::Data; // escaped 0xFF: a data byte
            return true;
        }
        if (uch >= kWill && uch <= kDont) {
            m_telnet = Telnet::Option;
        } else if (uch == kSb) {
            m_telnet = Telnet::Sub;
            m_subnegotiationLength = 0;
        } else {
            m_telnet = Telnet::Data;
        }
        return false;
    case Telnet::Option:
        m_telnet = Telnet::Data;
        return false;
    case Telnet::Sub:
        if (uch == kIac)
            m_telnet = Telnet::SubCommand;
        else if (++m_subnegotiationLength > kMaxSubnegotiation)
            m_telnet = Telnet::Data;
        return false;
    case Telnet::SubCommand:
        m_telnet = uch == kSe ? Telnet::Data : Telnet::Sub;
        return false;
    }
    return false;
}

QList<TelnetLineReader::Line> TelnetLineReader::feed(const QByteArray &baData, bool *pbFlooding)
{
    QList<Line> lLines;
    *pbFlooding = false;
    for (const char ch : baData) {
        const uchar uch = uchar(ch);
        ++m_unterminatedBytes;
        if (!filterTelnet(uch))
            continue;
        if (uch == '\n') {
            Line line;
            line.tooLong = m_tooLong;
            if (!m_tooLong) {
                // A CR anywhere (CR LF, or telnet's bare CR) would only end
                // up inside a spot comment.
                line.text = m_buffer;
                line.text.replace('\r', QByteArray());
            }
            lLines.append(line);
            m_buffer.clear();
            m_tooLong = false;
            m_unterminatedBytes = 0;
            continue;
        }
        if (m_unterminatedBytes > kMaxUnterminatedBytes) {
            *pbFlooding = true;
            return lLines;
        }
        if (uch < 0x20 && uch != '\r')
            continue;
        if (m_buffer.size() >= kMaxLineBytes) {
            m_tooLong = true;
            m_buffer.clear();
            continue;
        }
        if (!m_tooLong)
            m_buffer += ch;
    }
    return lLines;
}

qint64 TelnetLineReader::unterminatedBytes() const
{
    return m_unterminatedBytes;
}
