#ifndef RECEIVEBENCH_H
#define RECEIVEBENCH_H

namespace Bench {

class CountryDatabase;

enum class Feed {
    // Whole "DX de" lines, as a node streams them.
    DxDeLines,
    // "DX de" and "CC11" lines mixed, written in pieces cut at random bytes.
    MixedRandomCuts
};

// The receive path end to end: the test node, on its own thread, writes
// iCount spot lines over loopback TCP into a logged-in Cluster with the
// country lookup and a realistic chain; the receiver keeps the newest 1000
// accepted spots, as the spot table does. Reports spots per second, the
// client thread's CPU time per spot and, with bMemory, resident memory after
// warm-up, at the end and at its peak. Returns false when the run failed.
bool benchReceive(CountryDatabase &countries, Feed eFeed, int iCount, bool bMemory);

} // namespace Bench

#endif // RECEIVEBENCH_H
