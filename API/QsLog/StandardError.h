#ifndef QSLOGGING_STANDARDERROR_H
#define QSLOGGING_STANDARDERROR_H

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QString;
QT_END_NAMESPACE

namespace QsLogging {

// Writes the text and a line feed to standard error as UTF-8 in one write, so
// that lines from several processes sharing the stream do not interleave.
// The logger's own destinations report through this and never through
// qWarning(): an application that routes Qt messages into the logger would
// otherwise re-enter it while it holds its (non-recursive) mutex.
void writeToStandardError(const QString &qsText);

} // namespace QsLogging

#endif // QSLOGGING_STANDARDERROR_H
