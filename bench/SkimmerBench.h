#ifndef SKIMMERBENCH_H
#define SKIMMERBENCH_H

namespace Bench {

// Skimmer spots from the test node's feed: their lines through the parser,
// then iCount spots through the validator at a contest's 200 spots/s of
// simulated time with a 30-minute identity window, calls coming back no
// sooner than the window forgets them. Reports both rates (CPU time), the
// stations and reports remembered, and resident memory after the first
// tenth (or two windows, if later), at the end and at its peak.
void benchSkimmer(int iCount);

} // namespace Bench

#endif // SKIMMERBENCH_H
