#ifndef FILTERBENCH_H
#define FILTERBENCH_H

namespace Bench {

class CountryDatabase;

// The filter chains alone, with the realistic chain, over parsed spots
// that carry their countries: nanoseconds per spot.
void benchFilterSpot(CountryDatabase &countries, int iCount);

// The two line parsers alone, without socket or chain: the ceiling of the
// receive path.
void benchParser(int iCount);

} // namespace Bench

#endif // FILTERBENCH_H
