#ifndef IDENTITYBENCH_H
#define IDENTITYBENCH_H

namespace Bench {

// iCount spots through SpotPipeline::admit, which tells a repeat from a new
// spot, and on into a 1000-row SpotModel (a new spot inserted, a repeat only
// teaching its row the source), at 300 spots/s of simulated time from four
// sources, a third of them copies of a spot another source brought a few
// seconds before. Reports the rate (CPU time), the share of repeats, the
// reports remembered and resident memory after two identity windows, at the
// end and at its peak.
void benchIdentity(int iCount);

} // namespace Bench

#endif // IDENTITYBENCH_H
