#ifndef ANSIFILTER_H
#define ANSIFILTER_H

#include <QString>

// Removes the terminal escape sequences some nodes colour their text with:
// CSI (ESC [ ... final byte), OSC (ESC ] ... BEL or ESC \) and the two-byte
// ESC sequences, each as a whole, so that no "[1;31m" is left in a console
// line or a spot's columns. A sequence cut between two socket reads is
// finished in the next one, which is why this keeps state per connection.
class AnsiFilter
{
public:
    // The text of one read with every escape sequence taken out.
    QString filter(const QString &qsText);
    // A new connection starts outside any sequence.
    void reset();

private:
    enum class State { Text, Escape, Csi, Osc, OscEscape };

    State m_state = State::Text;
    // Characters of the sequence so far; a sequence that never ends is
    // given up after a bound rather than eating the node's text for ever.
    int m_length = 0;
};

#endif // ANSIFILTER_H
