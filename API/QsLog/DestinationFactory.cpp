#include "API/QsLog/DestinationFactory.h"

#include "API/QsLog/DebugOutputDestination.h"
#include "API/QsLog/FileDestination.h"
#include "API/QsLog/NullRotationStrategy.h"
#include "API/QsLog/SizeRotationStrategy.h"

namespace QsLogging {

DestinationPtr newFileDestination(const QString &qsFilePath, int iRotation, qint64 maxSizeInBytes,
                                  int iOldLogsToKeep)
{
    RotationStrategyPtr pStrategy;
    if (iRotation == EnableLogRotation) {
        auto *pSizeStrategy = new SizeRotationStrategy;
        pSizeStrategy->setMaximumSizeInBytes(maxSizeInBytes);
        pSizeStrategy->setBackupCount(iOldLogsToKeep);
        pStrategy.reset(pSizeStrategy);
    } else {
        pStrategy.reset(new NullRotationStrategy);
    }
    return DestinationPtr(new FileDestination(qsFilePath, pStrategy));
}

DestinationPtr newDebugOutputDestination()
{
    return DestinationPtr(new DebugOutputDestination);
}

DestinationPtr newFunctorDestination(LogFunction pFunction)
{
    return DestinationPtr(new FunctorDestination(pFunction));
}

} // namespace QsLogging
