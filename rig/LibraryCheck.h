#ifndef LIBRARYCHECK_H
#define LIBRARYCHECK_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Checks a rig-control library before anything maps it: a file cut short
// kills the program with SIGBUS when the loader touches the missing pages,
// and a file from anyone on the path runs inside the program.
class LibraryCheck
{
    Q_DECLARE_TR_FUNCTIONS(LibraryCheck)

public:
    // Long enough for a loaded machine, short enough not to hold the start.
    static constexpr int kCheckTimeoutMs = 5000;

    // Empty when the file is a complete ELF shared object for the machine
    // this program runs on; otherwise why not.
    static QString checkElf(const QString &qsPath);
    // Empty when the file's SHA-256 is the one in qsPublished (the first word
    // of a "<hash>  <name>" line, as sha256sum writes it).
    static QString checkSha256(const QString &qsPath, const QByteArray &baPublished);

    // Empty when the library loads and has every entry point the program
    // calls, tried by the program qsChecker in a process of its own with a
    // time limit: a library that faults in the loader would otherwise take
    // the program down at every start. A file is tried once while it stays
    // the same.
    static QString checkInChild(const QString &qsPath, const QString &qsChecker);

    // The SHA-256 of a downloaded library is kept beside it; a file that no
    // longer has it was damaged or replaced since.
    static QString recordedHashPath(const QString &qsPath);
    static bool recordSha256(const QString &qsPath);
    // Empty when no hash was recorded or the file still has it.
    static QString checkRecordedSha256(const QString &qsPath);

    // A library in the data folder that fails the checks or does not load
    // is renamed with ".rejected", so the one beside the program is used.
    // Returns the text for the operator, empty when nothing was moved.
    static QString rejectBroken(const QString &qsPath, const QString &qsChecker);
};

#endif // LIBRARYCHECK_H
