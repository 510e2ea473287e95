#ifndef QSLOGGING_DEBUGOUTPUTDESTINATION_H
#define QSLOGGING_DEBUGOUTPUTDESTINATION_H

#include "API/QsLog/Destination.h"

namespace QsLogging {

// The developer-visible channel: the debugger output (OutputDebugStringW) on
// Windows, standard error elsewhere.
class DebugOutputDestination : public Destination
{
public:
    void write(const QString &qsMessage, Level level) override;
    bool isUsable() const override;
};

} // namespace QsLogging

#endif // QSLOGGING_DEBUGOUTPUTDESTINATION_H
