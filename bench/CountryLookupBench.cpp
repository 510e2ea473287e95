#include "CountryLookupBench.h"

#include "BenchSupport.h"

#include "Worked/Worked.h"
#include "testnode/SpotGenerator.h"

namespace Bench {

void benchCountryLookup(CountryDatabase &countries, int iCount)
{
    // Calls as spots carry them; one in ten is a whole-call exception.
    SpotGenerator generator(5);
    const QStringList wholeCalls = countries.wholeCalls();
    QStringList calls;
    for (int i = 0; i < 20000; ++i) {
        if (i % 10 == 0 && !wholeCalls.isEmpty())
            calls.append(wholeCalls.at(i * 7 % wholeCalls.size()));
        else
            calls.append(generator.nextDxCall());
    }

    const Worked &worked = *countries.worked();
    qsizetype iChecksum = 0;
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < iCount; ++i)
        iChecksum += worked.countryForCall(calls.at(i % calls.size())).size();
    report("country_lookups_per_second_index", iCount / (timer.seconds()), "lookups/s");

    // The query per candidate is far slower; a hundredth of the calls is plenty.
    const int iQueryCount = qMax(1, iCount / 100);
    timer.restart();
    for (int i = 0; i < iQueryCount; ++i)
        iChecksum -= worked.countryForCall(calls.at(i % calls.size()), countries.database()).size();
    report("country_lookups_per_second_query", iQueryCount / (timer.seconds()), "lookups/s");
    if (iChecksum == 0)
        report("checksum", 0, "");
}

} // namespace Bench
