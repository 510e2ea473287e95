#ifndef SHARINGSETTINGS_H
#define SHARINGSETTINGS_H

#include <QColor>
#include <QHostAddress>
#include <QString>
#include <QStringList>

// The "Sharing" group of the store: the local spot node and the TCI radio.
// Scripts turn the node on by these keys, so their names and types stay.
struct SharingSettings
{
    static constexpr quint16 kDefaultNodePort = 7373;
    static constexpr const char *kDefaultNodeAddress = "127.0.0.1";
    static constexpr const char *kDefaultTciUrl = "ws://127.0.0.1:40001";

    bool nodeServer = false;
    int nodeServerPort = kDefaultNodePort;
    QString nodeServerAddress = QString::fromLatin1(kDefaultNodeAddress);
    // Addresses or subnets ("192.168.1.0/24") besides the machine itself.
    QStringList nodeServerAllowed;
    // Only the spots the filter chain accepts, not every one on the selected bands.
    bool nodeServerFiltered = false;
    bool tci = false;
    QString tciUrl = QString::fromLatin1(kDefaultTciUrl);
    // Spots take the row's alert or Need colour; otherwise all take tciColor.
    bool tciRowColors = true;
    QColor tciColor = QColor(0xd0, 0xd0, 0xd0);

    static SharingSettings load();
    static void save(const SharingSettings &sharing);

    // An IP address written out in full.
    static bool isAddress(const QString &qsText);
    // Why an entry of the allowed list cannot be used; empty when it can.
    static QString allowedEntryProblem(const QString &qsEntry);
    // Why the TCI address cannot be used; empty when it can.
    static QString tciUrlProblem(const QString &qsUrl);

    bool operator==(const SharingSettings &other) const;
    bool operator!=(const SharingSettings &other) const { return !(*this == other); }
};

#endif // SHARINGSETTINGS_H
