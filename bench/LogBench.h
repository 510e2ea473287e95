#ifndef LOGBENCH_H
#define LOGBENCH_H

#include <QString>

namespace Bench {

class CountryDatabase;

// An ADIF file of iQsos QSOs as a logging program exports it.
bool writeAdif(const QString &qsFile, int iQsos);

// The operator's log: the import of an ADIF file of iQsos QSOs into a
// fresh log (wall clock, as the operator waits for it), and the needed
// lookup of a spot against the log filled by it (CPU time per spot).
bool benchLog(CountryDatabase &countries, int iQsos, int iSpots);

} // namespace Bench

#endif // LOGBENCH_H
