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

// The real window, shown, logged in to the test node as a skimmer feed
// that sends iCount skimmer lines at a contest's 200 spots/s, each station
// heard by about twenty skimmers (10 to 30) a little apart in frequency
// and signal, one in ten with a busted copy beside it. Validation, the
// skimmer columns and the rows the verdicts change are all part of it.
// Reports the live window's figures under "skimmer_window_200".
bool benchSkimmerWindow(int iCount);

} // namespace Bench

#endif // SKIMMERBENCH_H
