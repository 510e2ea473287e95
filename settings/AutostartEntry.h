#ifndef AUTOSTARTENTRY_H
#define AUTOSTARTENTRY_H

#include <QString>

// Starting the program at log-in, kept as the desktop's autostart file
// "kelvane.desktop" in the user's autostart folder. The option is on when
// that file exists, is not hidden and starts the running executable, so a
// moved or rebuilt-elsewhere program reads as off until it is saved again.
class AutostartEntry
{
public:
    static QString filePath();

    static bool isEnabled();
    static bool isEnabledFor(const QString &qsExecutable);
    // Writes the file for the running executable, or removes it.
    static bool setEnabled(bool bEnabled);
    static bool writeFor(const QString &qsExecutable);

    // The executable as one argument of the Exec key, and back.
    static QString execValue(const QString &qsExecutable);
    static QString executableOf(const QString &qsExecValue);
};

#endif // AUTOSTARTENTRY_H
