#ifndef LIVEWINDOWBENCH_H
#define LIVEWINDOWBENCH_H

#include <functional>

class MainWindow;
class TestNode;

namespace Bench {

// The real main window, shown, logged in to the test node, which streams
// generated spots at dRate spots per second (0: as fast as the window reads)
// until iCount have gone out. Reports the process's CPU seconds per 10,000
// spots (the node's thread left out), the share of a core, the longest
// stall of the window's thread (lateness of a timer ticking every iTickMs on
// it, and the CPU time the thread spent between two of its ticks) and how
// long after the last spot arrived the table showed it. pName prefixes the
// figures. Needs a QApplication and private settings folders.
// The ticks wake the thread and cost CPU of their own: a fine tick where the
// stall is the figure, a coarse one where the CPU is.
// prepare, when given, sets the window up once it is shown; pdCorePercent
// receives the share of a core.
// feed, when given, replaces the node's generated cluster spots: prepare
// sets the node up before the window logs in (its kind, for a skimmer
// feed), start begins the stream of iCount spots at dRate. Both run on the
// node's thread.
struct LiveFeed
{
    std::function<void(TestNode &)> prepare;
    std::function<void(TestNode &, double dRate, int iCount)> start;
};
bool benchLiveWindow(const char *pName, double dRate, int iCount, int iTickMs,
                     const std::function<void(MainWindow &)> &prepare = {}, double *pdCorePercent = nullptr,
                     const LiveFeed &feed = {});

} // namespace Bench

#endif // LIVEWINDOWBENCH_H
