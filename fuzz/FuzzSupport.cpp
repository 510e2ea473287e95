#include "FuzzSupport.h"

#include "API/QsLog/QsLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

namespace {
QTemporaryDir *g_home = nullptr;

// libFuzzer ends the process with exit(), never by returning: without this
// every run left its folder behind.
void removeHome()
{
    delete g_home;
    g_home = nullptr;
}
} // namespace

void initialize()
{
    if (g_home)
        return;
    g_home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/kelvane-fuzz-XXXXXX"));
    std::atexit(removeHome);
    const QByteArray baHome = g_home->path().toLocal8Bit();
    qputenv("XDG_CONFIG_HOME", baHome + "/config");
    qputenv("XDG_DATA_HOME", baHome + "/data");
    qputenv("XDG_CACHE_HOME", baHome + "/cache");
    qputenv("QT_QPA_PLATFORM", "offscreen");

    static int iArgc = 1;
    static char acName[] = "kelvane-fuzz";
    static char *apArgv[] = {acName, nullptr};
    new QCoreApplication(iArgc, apArgv);
    QsLogging::Logger::get().setThreshold(QsLogging::LevelOff);
}

void fail(const char *pWhat, const QByteArray &baDetail)
{
    std::fprintf(stderr, "fuzz expectation broken: %s\n", pWhat);
    if (!baDetail.isEmpty())
        std::fprintf(stderr, "%s\n", baDetail.toPercentEncoding(" :^/.-_#").constData());
    std::fflush(stderr);
    std::abort();
}

QList<QByteArray> cut(const QByteArray &baData, QList<int> liOffsets)
{
    QList<QByteArray> pieces;
    if (baData.isEmpty())
        return pieces;
    for (int &iOffset : liOffsets)
        iOffset = int(iOffset % baData.size());
    std::sort(liOffsets.begin(), liOffsets.end());
    liOffsets.erase(std::unique(liOffsets.begin(), liOffsets.end()), liOffsets.end());
    int iStart = 0;
    for (int iOffset : std::as_const(liOffsets)) {
        if (iOffset > iStart) {
            pieces.append(baData.mid(iStart, iOffset - iStart));
            iStart = iOffset;
        }
    }
    pieces.append(baData.mid(iStart));
    return pieces;
}

QString scratchFolder()
{
    return g_home ? g_home->path() : QDir::tempPath();
}

} // namespace FuzzSupport
