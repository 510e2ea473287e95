#ifndef LOGSETTINGS_H
#define LOGSETTINGS_H

#include <QString>

// The operator's log: the ADIF file his logging program keeps writing, and
// the UDP port that reports QSOs the moment they are logged.
struct LogSettings
{
    static constexpr quint16 kDefaultWsjtxPort = 2237;

    QString watchedFile; // empty: none
    bool wsjtxEnabled = false;
    quint16 wsjtxPort = kDefaultWsjtxPort;
    QString wsjtxAddress = QStringLiteral("127.0.0.1");
    QString wsjtxGroup; // empty: no multicast group
};

#endif // LOGSETTINGS_H
