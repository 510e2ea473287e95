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
    // Empty when the file is a complete ELF shared object for the machine
    // this program runs on; otherwise why not.
    static QString checkElf(const QString &qsPath);
    // Empty when the file's SHA-256 is the one in qsPublished (the first word
    // of a "<hash>  <name>" line, as sha256sum writes it).
    static QString checkSha256(const QString &qsPath, const QByteArray &baPublished);

    // A library in the data folder that fails the checks or does not load
    // is renamed with ".rejected", so the one beside the program is used.
    // Returns the text for the operator, empty when nothing was moved.
    static QString rejectBroken(const QString &qsPath);
};

#endif // LIBRARYCHECK_H
