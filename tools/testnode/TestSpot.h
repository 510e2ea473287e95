#ifndef TESTSPOT_H
#define TESTSPOT_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One spot as the test node stores and sends it. A plain value record: the
// node fills in what a real node would (time, spotter of posted spots) and
// renders it in whichever format each client asked for.
struct TestSpot
{
    enum class Format { DxDe, Cc11 };

    double frequency = 0.0; // kHz
    QString dxCall;
    QString spotter;
    QString comment;
    QDateTime time;         // UTC; an invalid time is stamped "now" when the node sends the spot
    QString dxLocator;      // four characters, sent in CC11 lines only
    QString spotterLocator; // when set, follows the time of a "DX de" line and ends CC11 lines
    // Skimmer servers end the comment a column earlier and put the time right
    // after it (column 68, not 70); their lines are sent that way.
    bool skimmerLayout = false;

    TestSpot() = default;
    TestSpot(double dFrequency, const QString &qsDxCall, const QString &qsSpotter, const QString &qsComment = QString(),
             const QDateTime &dtTime = QDateTime());

    // 75 columns (73 in the skimmer layout; more when a field overflows), CR
    // LF; a live line ends in two BELs before CR LF.
    QByteArray dxDeLine(bool bLive) const;
    // Twenty caret-separated fields, CR LF; baNode is the node the spot entered on.
    QByteArray cc11Line(const QByteArray &baNode) const;
    QByteArray line(Format eFormat, bool bLive, const QByteArray &baNode) const;

    static QByteArray frequencyText(double dFrequency); // "14025.0"
    static QByteArray dateText(const QDate &date);      // " 6-Dec-2026", English months whatever the locale
    static QByteArray timeText(const QTime &time);      // "0812Z"

    // One line of a spot file: either "freq call spotter [comment...]" or a
    // ready-made "DX de" line. Returns false and an explanation for anything else.
    static bool fromText(const QByteArray &baLine, TestSpot *pSpot, QString *pqsError);
};

#endif // TESTSPOT_H
