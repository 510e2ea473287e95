#ifndef COUNTRYLOOKUPBENCH_H
#define COUNTRYLOOKUPBENCH_H

namespace Bench {

class CountryDatabase;

// Lookups per second of the country of spotted calls, over the mix a busy
// node brings: home calls, portables, prefixed and area-moved calls, and the
// file's whole-call exceptions. The prefix index the receive path uses, and
// one query per candidate for comparison.
void benchCountryLookup(CountryDatabase &countries, int iCount);

} // namespace Bench

#endif // COUNTRYLOOKUPBENCH_H
