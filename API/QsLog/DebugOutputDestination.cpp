#include "API/QsLog/DebugOutputDestination.h"

#include "API/QsLog/StandardError.h"

#include <QString>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace QsLogging {

void DebugOutputDestination::write(const QString &qsMessage, Level level)
{
    Q_UNUSED(level)
#ifdef Q_OS_WIN
    OutputDebugStringW(reinterpret_cast<const wchar_t *>(qsMessage.utf16()));
    OutputDebugStringW(L"\n");
#else
    writeToStandardError(qsMessage);
#endif
}

bool DebugOutputDestination::isUsable() const
{
    return true;
}

} // namespace QsLogging
