#ifndef QSLOGGING_NULLROTATIONSTRATEGY_H
#define QSLOGGING_NULLROTATIONSTRATEGY_H

#include "API/QsLog/RotationStrategy.h"

namespace QsLogging {

// No rotation: the file is truncated when opened, so each run starts afresh.
class NullRotationStrategy : public RotationStrategy
{
public:
    void initFromFile(const QFile &file) override;
    void countMessage(const QString &qsMessage) override;
    bool needsRotation() const override;
    void rotateFiles() override;
    QIODevice::OpenMode openModeFlags() const override;
};

} // namespace QsLogging

#endif // QSLOGGING_NULLROTATIONSTRATEGY_H
