#ifndef STARTBENCH_H
#define STARTBENCH_H

namespace Bench {

// The start of the real main window with a watched log of iQsos QSOs: the
// time until the window has painted, at the first start (the log not read
// yet) and at the next one (the log unchanged), and how long the background
// read of the log takes.
bool benchStart(int iQsos);

} // namespace Bench

#endif // STARTBENCH_H
