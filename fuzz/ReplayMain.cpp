// Runs a fuzz target over saved inputs without libFuzzer, so that the normal
// build (any compiler) re-checks the corpus and every crasher found so far.
// Arguments: files or folders of inputs.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *piArgc, char ***pppArgv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize);

namespace {

bool replay(const QString &qsPath)
{
    QFile file(qsPath);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(qsPath));
        return false;
    }
    const QByteArray baInput = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(baInput.constData()), size_t(baInput.size()));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    LLVMFuzzerInitialize(&argc, &argv);
    int iReplayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QString qsPath = QString::fromLocal8Bit(argv[i]);
        QStringList paths;
        if (QFileInfo(qsPath).isDir()) {
            const QDir dir(qsPath);
            for (const QString &qsName : dir.entryList(QDir::Files, QDir::Name))
                paths.append(dir.filePath(qsName));
        } else {
            paths.append(qsPath);
        }
        for (const QString &qsInput : std::as_const(paths)) {
            if (!replay(qsInput))
                return 1;
            ++iReplayed;
        }
    }
    std::printf("%d inputs replayed\n", iReplayed);
    // An empty corpus would make this test pass without checking anything.
    return iReplayed > 0 ? 0 : 1;
}
