#ifndef SPOTPARSER_H
#define SPOTPARSER_H

#include "Spot.h"

#include <QString>

class QDate;
class QDateTime;

// Turns one received line into a Spot. The two formats are the classic
// fixed-column "DX de" line and the caret-separated "CC11" line.
class SpotParser
{
public:
    // A "DX de" line carries no date of its own; it gets qsDate, the UTC day
    // it arrived on, normally dxDeDate() of today. When that day is today by
    // the clock, a time more than an hour ahead of the clock was sent before
    // midnight and the line gets the day before (see dateOfTime()).
    static Spot parseDxDeLine(const QString &qsLine, const QString &qsDate);
    static Spot parseCc11Line(const QString &qsLine);

    // "05-Dec-2026": English month names whatever the locale, as nodes write them.
    static QString dxDeDate(const QDate &qdUtc);
    // The date of a "d-Mon-yyyy" text, one or two day digits, a leading blank
    // allowed, month letter case ignored; invalid for anything else.
    static QDate parseDate(const QString &qsDate);
    // Minutes since the start of the Julian day count of a spot's date and
    // "HHMM" time; -1 when either does not read.
    static qint64 minuteOf(const QString &qsDate, const QString &qsTime);
    // The same count for a moment, normally currentDateTimeUtc().
    static qint64 minuteOf(const QDateTime &dtUtc);

    // The day a dateless "HHMM" time received at dtNowUtc belongs to: the
    // day of dtNowUtc, or the day before when the time is more than 60
    // minutes ahead of it. No node sends a spot from an hour in the future,
    // but one relayed at 0001Z may well say 2359Z. Invalid for a time that
    // does not read.
    static QDate dateOfTime(const QString &qsTime, const QDateTime &dtNowUtc);

    // The UTC clock the parser dates lines by. Tests set their own to stand
    // at midnight; nullptr brings back the real one.
    using Clock = QDateTime (*)();
    static void setClock(Clock pfnClock);
    static QDateTime currentDateTimeUtc();
};

#endif // SPOTPARSER_H
