#include "AdifReader.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QStringDecoder>

#include <cstring>
#include <utility>

namespace {

// Field names are short; a '<' followed by a longer run without '>' is text.
constexpr qsizetype kMaxTagBytes = 64;

struct FieldName
{
    const char *name;
    AdifRecord::Field field;
};

constexpr FieldName kUsedFields[] = {
    {"CALL", AdifRecord::Call},
    {"QSO_DATE", AdifRecord::QsoDate},
    {"TIME_ON", AdifRecord::TimeOn},
    {"BAND", AdifRecord::Band},
    {"FREQ", AdifRecord::Freq},
    {"MODE", AdifRecord::Mode},
    {"SUBMODE", AdifRecord::Submode},
    {"QSL_RCVD", AdifRecord::QslRcvd},
    {"LOTW_QSL_RCVD", AdifRecord::LotwQslRcvd},
    {"EQSL_QSL_RCVD", AdifRecord::EqslQslRcvd},
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isContinuation(char c)
{
    return (uchar(c) & 0xc0) == 0x80;
}

bool nameIs(const char *pName, qsizetype iLength, const char *pUpper)
{
    if (qsizetype(std::strlen(pUpper)) != iLength)
        return false;
    for (qsizetype i = 0; i < iLength; ++i) {
        char c = pName[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != pUpper[i])
            return false;
    }
    return true;
}

// A length of digits only; -1 for anything else (also for an absurd one).
qsizetype parseLength(const char *pText, qsizetype iLength)
{
    if (iLength == 0 || iLength > 9)
        return -1;
    qsizetype iValue = 0;
    for (qsizetype i = 0; i < iLength; ++i) {
        if (pText[i] < '0' || pText[i] > '9')
            return -1;
        iValue = iValue * 10 + (pText[i] - '0');
    }
    return iValue;
}

QString tagText(const char *pName, qsizetype iLength)
{
    return QString::fromLatin1(pName, iLength).toUpper();
}

} // namespace

void AdifReader::feed(const QByteArray &qbaBytes)
{
    if (m_finished || m_stopped)
        return;
    m_buffer.append(qbaBytes);
    m_peakBuffered = qMax(m_peakBuffered, m_buffer.size());
    parse();
}

void AdifReader::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    parse();
    if (m_currentHasFields)
        completeRecord();
    m_buffer.clear();
    m_pos = 0;
}

qint64 AdifReader::readChunk(QIODevice &device)
{
    const QByteArray qbaChunk = device.read(kChunkBytes);
    if (qbaChunk.isEmpty()) {
        finish();
        return 0;
    }
    feed(qbaChunk);
    return qbaChunk.size();
}

QList<AdifRecord> AdifReader::takeRecords()
{
    return std::exchange(m_ready, {});
}

QString AdifReader::decode(const char *pBytes, qsizetype iSize)
{
    bool bAscii = true;
    for (qsizetype i = 0; i < iSize && bAscii; ++i)
        bAscii = uchar(pBytes[i]) < 0x80;
    if (bAscii)
        return QString::fromLatin1(pBytes, iSize);
    // Some writers put Latin-1 where the format promises UTF-8.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString qsText = decoder.decode(QByteArrayView(pBytes, iSize));
    if (decoder.hasError())
        return QString::fromLatin1(pBytes, iSize);
    return qsText;
}

bool AdifReader::endsCleanly(qsizetype iEnd) const
{
    if (iEnd == m_buffer.size())
        return m_finished;
    const char c = m_buffer.at(iEnd);
    return !isContinuation(c) && (c == '<' || isSpace(c));
}

AdifReader::ValueEnd AdifReader::valueEnd(qsizetype iStart, qsizetype iLength, qsizetype *piEnd) const
{
    const qsizetype iSize = m_buffer.size();
    const qsizetype iByteEnd = iStart + iLength;
    if (iByteEnd > iSize)
        return m_finished ? ValueEnd::PastEnd : ValueEnd::NeedMore;
    if (iByteEnd == iSize && !m_finished)
        return ValueEnd::NeedMore;
    if (endsCleanly(iByteEnd)) {
        *piEnd = iByteEnd;
        return ValueEnd::Found;
    }
    // Counted in characters instead: each lead byte tells its sequence's length.
    qsizetype iCharEnd = iStart;
    for (qsizetype iChar = 0; iChar < iLength; ++iChar) {
        if (iCharEnd >= iSize) {
            iCharEnd = iSize + 1;
            break;
        }
        const uchar c = uchar(m_buffer.at(iCharEnd));
        iCharEnd += c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
    }
    if (iCharEnd > iSize || (iCharEnd == iSize && !m_finished)) {
        if (!m_finished)
            return ValueEnd::NeedMore;
        *piEnd = iByteEnd;
        return ValueEnd::Found;
    }
    const bool bCharsClean = endsCleanly(iCharEnd);
    const bool bBytesSplit = iByteEnd < iSize && isContinuation(m_buffer.at(iByteEnd));
    *piEnd = (bCharsClean || bBytesSplit) ? iCharEnd : iByteEnd;
    return ValueEnd::Found;
}

void AdifReader::parse()
{
    const char *pData = m_buffer.constData();
    const qsizetype iSize = m_buffer.size();
    while (!m_stopped) {
        const qsizetype iOpen = m_buffer.indexOf('<', m_pos);
        if (iOpen < 0) {
            m_pos = iSize;
            break;
        }
        m_pos = iOpen;
        const qsizetype iSearchEnd = qMin(iSize, iOpen + 1 + kMaxTagBytes);
        const char *pClose =
            static_cast<const char *>(std::memchr(pData + iOpen + 1, '>', size_t(iSearchEnd - iOpen - 1)));
        if (!pClose) {
            if (iSearchEnd == iSize && !m_finished)
                break; // the tag may still be arriving
            ++m_pos;   // a '<' in text, not a tag
            continue;
        }
        const qsizetype iClose = pClose - pData;
        // NAME[:length[:type]]
        const char *pName = pData + iOpen + 1;
        const qsizetype iTagLength = iClose - iOpen - 1;
        const char *pColon = static_cast<const char *>(std::memchr(pName, ':', size_t(iTagLength)));
        const qsizetype iNameLength = pColon ? pColon - pName : iTagLength;
        if (iNameLength == 0) {
            ++m_pos;
            continue;
        }
        if (!pColon) {
            m_pos = iClose + 1;
            if (nameIs(pName, iNameLength, "EOR")) {
                if (m_currentHasFields)
                    completeRecord();
                m_completedBytes = m_consumedBytes + m_pos;
            } else if (nameIs(pName, iNameLength, "EOH")) {
                // Whatever was read so far was the header.
                m_current = AdifRecord();
                m_currentHasFields = false;
                m_completedBytes = m_consumedBytes + m_pos;
            } else if (nameIs(pName, iNameLength, "APP_LOTW_EOF")) {
                m_stopped = true;
            }
            continue;
        }
        const char *pLength = pColon + 1;
        const char *pSecondColon =
            static_cast<const char *>(std::memchr(pLength, ':', size_t(pData + iClose - pLength)));
        const qsizetype iLength = parseLength(pLength, (pSecondColon ? pSecondColon : pData + iClose) - pLength);
        if (iLength < 0) {
            ++m_pos;
            continue;
        }
        const qsizetype iValueStart = iClose + 1;
        m_currentHasFields = true;
        if (iLength > kMaxValueBytes) {
            markProblem(QCoreApplication::translate("AdifReader", "field <%1> is too long (%2 bytes)")
                            .arg(tagText(pName, iNameLength))
                            .arg(iLength));
            m_pos = iValueStart;
            continue;
        }
        qsizetype iValueEnd = 0;
        const ValueEnd end = valueEnd(iValueStart, iLength, &iValueEnd);
        if (end == ValueEnd::NeedMore)
            break;
        if (end == ValueEnd::PastEnd) {
            markProblem(QCoreApplication::translate("AdifReader", "the length of <%1> runs past the end of the file")
                            .arg(tagText(pName, iNameLength)));
            m_pos = iSize;
            break;
        }
        for (const FieldName &used : kUsedFields) {
            if (nameIs(pName, iNameLength, used.name)) {
                m_current.fields[size_t(used.field)] = decode(pData + iValueStart, iValueEnd - iValueStart);
                break;
            }
        }
        m_pos = iValueEnd;
    }
    // What is consumed goes, so that the buffer holds only an incomplete tail.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_consumedBytes += m_pos;
        m_pos = 0;
    }
}

void AdifReader::markProblem(const QString &qsProblem)
{
    if (m_current.problem.isEmpty())
        m_current.problem = qsProblem;
}

void AdifReader::completeRecord()
{
    m_current.number = ++m_recordCount;
    m_ready.append(std::move(m_current));
    m_current = AdifRecord();
    m_currentHasFields = false;
}
