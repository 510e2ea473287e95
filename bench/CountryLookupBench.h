#ifndef COUNTRYLOOKUPBENCH_H
#define COUNTRYLOOKUPBENCH_H

// Lookups per second of the country of spotted calls: the prefix index the
// receive path uses, and one query per candidate for comparison.
void benchCountryLookup(int iCount);

#endif // COUNTRYLOOKUPBENCH_H
