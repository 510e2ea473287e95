#include "API/QsLog/NullRotationStrategy.h"

namespace QsLogging {

void NullRotationStrategy::initFromFile(const QFile &file)
{
    Q_UNUSED(file)
}

void NullRotationStrategy::countMessage(const QString &qsMessage)
{
    Q_UNUSED(qsMessage)
}

bool NullRotationStrategy::needsRotation() const
{
    return false;
}

void NullRotationStrategy::rotateFiles()
{
}

QIODevice::OpenMode NullRotationStrategy::openModeFlags() const
{
    return QIODevice::Truncate;
}

} // namespace QsLogging
