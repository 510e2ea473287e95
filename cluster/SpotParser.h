#ifndef SPOTPARSER_H
#define SPOTPARSER_H

#include "Spot.h"

#include <QString>

class QDate;

// Turns one received line into a Spot. The two formats are the classic
// fixed-column "DX de" line and the caret-separated "CC11" line.
class SpotParser
{
public:
    // A "DX de" line carries no date of its own; it gets qsDate, normally
    // dxDeDate() of today in UTC.
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
};

#endif // SPOTPARSER_H
