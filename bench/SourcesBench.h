#ifndef SOURCESBENCH_H
#define SOURCESBENCH_H

namespace Bench {

// The real main window, shown, connected to three test nodes and a skimmer
// feed at once, which stream 300 spots/s together for iSeconds; a third of
// the spots are the same spots relayed late by a second node. Reports the
// process's CPU (the nodes' thread left out) as a share of a core, and the
// spots that reached the table's input. Needs a QApplication and private
// settings folders.
bool benchSources(int iSeconds);

} // namespace Bench

#endif // SOURCESBENCH_H
