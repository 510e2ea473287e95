// The DXpeditions list as the server would send it, taken in twice by one
// list object: the second delivery of the same document must change nothing.

#include "FuzzSupport.h"

#include "update/DXpeditions.h"

#include <QSignalBlocker>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    const QByteArray baList(reinterpret_cast<const char *>(pData), qsizetype(uiSize));
    DXpeditions list(QStringLiteral("http://127.0.0.1:9/Kelvane/dxpeditions.xml"));
    int iLoads = 0;
    QObject::connect(&list, &DXpeditions::LoadFinished, &list, [&iLoads] { ++iLoads; });

    list.parseList(baList);
    const int iCount = list.count();
    const quint16 uiVersion = list.version();
    if (iLoads > 1 || (iLoads == 0 && (iCount != 0 || uiVersion != 0)))
        FuzzSupport::fail("the list changed without one LoadFinished", baList);

    list.parseList(baList);
    if (iLoads > 1 || list.count() != iCount || list.version() != uiVersion)
        FuzzSupport::fail("the same version was taken in twice", baList);
    return 0;
}
