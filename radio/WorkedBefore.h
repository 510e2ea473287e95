#ifndef WORKEDBEFORE_H
#define WORKEDBEFORE_H

#include <QtGlobal>

// What the operator's log says of a spotted call itself, as opposed to its
// country: whether calling it again would be a dupe. None: no log, or no
// call. OtherBand: worked, but never on the spot's band; OtherMode: worked
// on the band, never in the spot's mode class; Dupe: already in the log on
// this band and mode.
enum class WorkedBefore : quint8 { None, NotWorked, OtherBand, OtherMode, Dupe };

#endif // WORKEDBEFORE_H
