#include "API/QsLog/FunctorDestination.h"

namespace QsLogging {

FunctorDestination::FunctorDestination(LogFunction pFunction, QObject *pParent)
    : QObject(pParent)
    , m_pFunction(pFunction)
{
}

void FunctorDestination::write(const QString &qsMessage, Level level)
{
    if (m_pFunction)
        m_pFunction(qsMessage, level);
    if (level > LevelTrace)
        Q_EMIT logMessageReady(qsMessage, level);
}

bool FunctorDestination::isUsable() const
{
    return true;
}

} // namespace QsLogging
