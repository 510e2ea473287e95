#ifndef LOGBENCH_H
#define LOGBENCH_H

namespace Bench {

class CountryDatabase;

// The operator's log: the import of an ADIF file of iQsos QSOs into a
// fresh log (wall clock, as the operator waits for it), and the needed
// lookup of a spot against the log filled by it (CPU time per spot).
bool benchLog(CountryDatabase &countries, int iQsos, int iSpots);

} // namespace Bench

#endif // LOGBENCH_H
