#include "API/QsLog/StandardError.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace QsLogging {

void writeToStandardError(const QString &qsText)
{
    QByteArray bytes = qsText.toUtf8();
    bytes.append('\n');
#ifdef Q_OS_UNIX
    // write(2) rather than stdio: one system call per line (a pipe keeps
    // writes up to PIPE_BUF whole). Loop only for a partial write or a signal.
    const char *pData = bytes.constData();
    qsizetype remaining = bytes.size();
    while (remaining > 0) {
        const ssize_t written = ::write(STDERR_FILENO, pData, size_t(remaining));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return; // Nowhere left to report to.
        }
        pData += written;
        remaining -= written;
    }
#else
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
#endif
}

} // namespace QsLogging
