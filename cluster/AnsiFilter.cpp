#include "AnsiFilter.h"

namespace {

constexpr char16_t kEsc = 0x1b;
constexpr char16_t kBel = 0x07;
// The 8-bit forms, which Latin-1 decoding turns into these code points.
constexpr char16_t kCsi8 = 0x9b;
constexpr char16_t kOsc8 = 0x9d;
constexpr char16_t kSt8 = 0x9c;
// Real colour sequences are a dozen characters; titles a few dozen.
constexpr int kMaxCsiLength = 64;
constexpr int kMaxOscLength = 512;

bool isLineEnd(char16_t ch)
{
    return ch == u'\n' || ch == u'\r';
}

} // namespace

void AnsiFilter::reset()
{
    m_state = State::Text;
    m_length = 0;
}

QString AnsiFilter::filter(const QString &qsText)
{
    // Most reads hold no escape at all and are returned as they are.
    if (m_state == State::Text) {
        bool bPlain = true;
        for (QChar ch : qsText) {
            const char16_t c = ch.unicode();
            if (c == kEsc || c == kCsi8 || c == kOsc8) {
                bPlain = false;
                break;
            }
        }
        if (bPlain)
            return qsText;
    }

    QString qsOut;
    qsOut.reserve(qsText.size());
    for (QChar ch : qsText) {
        const char16_t c = ch.unicode();
        switch (m_state) {
        case State::Text:
            if (c == kEsc) {
                m_state = State::Escape;
            } else if (c == kCsi8) {
                m_state = State::Csi;
                m_length = 0;
            } else if (c == kOsc8) {
                m_state = State::Osc;
                m_length = 0;
            } else {
                qsOut.append(ch);
            }
            break;
        case State::Escape:
            if (c == u'[') {
                m_state = State::Csi;
                m_length = 0;
            } else if (c == u']') {
                m_state = State::Osc;
                m_length = 0;
            } else if (isLineEnd(c)) {
                // A stray ESC at the end of a line must not join two lines.
                qsOut.append(ch);
                m_state = State::Text;
            } else if (c != kEsc) {
                m_state = State::Text;
            }
            break;
        case State::Csi:
            if (c >= 0x40 && c <= 0x7e) {
                m_state = State::Text;
            } else if (c < 0x20 || c > 0x3f || ++m_length > kMaxCsiLength) {
                // Not a CSI after all: the sequence so far goes, the rest is text.
                m_state = State::Text;
                if (c != kEsc && c >= 0x20)
                    break;
                if (c == kEsc)
                    m_state = State::Escape;
                else
                    qsOut.append(ch);
            }
            break;
        case State::Osc:
            if (c == kBel || c == kSt8) {
                m_state = State::Text;
            } else if (c == kEsc) {
                m_state = State::OscEscape;
            } else if (isLineEnd(c) || ++m_length > kMaxOscLength) {
                m_state = State::Text;
                if (isLineEnd(c))
                    qsOut.append(ch);
            }
            break;
        case State::OscEscape:
            // ESC \ ends the string; any other ESC sequence ends it too.
            if (c == u'\\') {
                m_state = State::Text;
            } else if (c == u'[') {
                m_state = State::Csi;
                m_length = 0;
            } else if (isLineEnd(c)) {
                qsOut.append(ch);
                m_state = State::Text;
            } else {
                m_state = State::Text;
            }
            break;
        }
    }
    return qsOut;
}
