// The three update manifests: the first input byte picks the reader, the
// rest is the document as the server would send it.

#include "FuzzSupport.h"

#include "update/UpdateManifests.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    FuzzSupport::Reader reader(pData, uiSize);
    const uint8_t uiKind = reader.byte() % 3;
    const QByteArray baBody = reader.rest();

    if (uiKind == 0) {
        UpdateManifests::Release release;
        UpdateManifests::parseRelease(baBody, &release);
    } else if (uiKind == 1) {
        UpdateManifests::NodesList nodes;
        if (UpdateManifests::parseNodes(baBody, &nodes) == UpdateManifests::Ok && !nodes.bHasVersion
            && !nodes.nodes.isEmpty())
            FuzzSupport::fail("nodes taken from a list without a version", baBody);
    } else {
        UpdateManifests::CountryFile country;
        if (UpdateManifests::parseCountry(baBody, &country) == UpdateManifests::Ok && !country.bHasVersion
            && !country.qsUrl.isEmpty())
            FuzzSupport::fail("a country file address taken without a version", baBody);
    }
    return 0;
}
