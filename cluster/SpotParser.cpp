#include "SpotParser.h"

#include <QDate>
#include <QStringList>

namespace {

// Column layout of a "DX de" line, counted from 0.
constexpr int kSpotterFrequencyColumn = 6;
constexpr int kSpotterFrequencyWidth = 18;
constexpr int kDxCallColumn = 26;
constexpr int kDxCallWidth = 12;
constexpr int kCommentColumn = 39;
constexpr int kCommentWidth = 30;
constexpr int kTimeColumn = 70;
constexpr int kTimeWidth = 5;
constexpr int kTrailerColumn = 76;
constexpr int kTrailerWidth = 4;

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A "CC11" line has 20 caret-separated fields.
constexpr int kCc11FieldCount = 20;
constexpr int kCc11Frequency = 1;
constexpr int kCc11DxCall = 2;
constexpr int kCc11Date = 3;
constexpr int kCc11Time = 4;
constexpr int kCc11Comment = 5;
constexpr int kCc11Spotter = 6;
constexpr int kCc11Trailer = 19;

// QString::mid() already yields only what exists past the end; negative
// positions never occur here.
QString columns(const QString &qsLine, int iColumn, int iWidth)
{
    return qsLine.mid(iColumn, iWidth);
}

QString withoutSpaces(QString qsText)
{
    qsText.remove(QLatin1Char(' '));
    return qsText;
}

// A DX call of more than 12 characters overflows its field and pushes the
// comment and the time to the right; real nodes send "Q9/Q7LONGCALL/P" that
// way. Standard lines always have a space right after the call field, so they
// get no shift and parse by the fixed columns alone.
int overflowOfDxCall(const QString &qsLine)
{
    const int iFieldEnd = kDxCallColumn + kDxCallWidth;
    if (qsLine.size() <= iFieldEnd || qsLine.at(iFieldEnd) == QLatin1Char(' '))
        return 0;
    int iEnd = qsLine.indexOf(QLatin1Char(' '), iFieldEnd);
    if (iEnd < 0)
        iEnd = qsLine.size();
    return iEnd - iFieldEnd;
}

} // namespace

Spot SpotParser::parseDxDeLine(const QString &qsLine, const QString &qsDate)
{
    Spot spot;

    const QString qsHead = columns(qsLine, kSpotterFrequencyColumn, kSpotterFrequencyWidth);
    const QStringList qslBySpace = qsHead.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (qslBySpace.size() == 2) {
        spot.setSpotter(QString(qslBySpace.at(0)).remove(QLatin1Char(':')));
        spot.setFrequency(withoutSpaces(qslBySpace.at(1)));
    } else {
        const QStringList qslByColon = qsHead.split(QLatin1Char(':'));
        if (qslByColon.size() == 2) {
            spot.setSpotter(withoutSpaces(qslByColon.at(0)));
            spot.setFrequency(withoutSpaces(qslByColon.at(1)));
        }
    }

    const int iShift = overflowOfDxCall(qsLine);
    spot.setDxCall(withoutSpaces(columns(qsLine, kDxCallColumn, kDxCallWidth + iShift)));
    spot.setComment(columns(qsLine, kCommentColumn + iShift, kCommentWidth));
    spot.setDate(qsDate);
    spot.setTime(columns(qsLine, kTimeColumn + iShift, kTimeWidth));
    if (qsLine.size() >= kTrailerColumn + iShift + kTrailerWidth)
        spot.setTrailer(columns(qsLine, kTrailerColumn + iShift, kTrailerWidth));
    return spot;
}

Spot SpotParser::parseCc11Line(const QString &qsLine)
{
    QStringList qslFields = qsLine.split(QLatin1Char('^'));

    // Nodes do not escape a caret inside the comment, so a line with more
    // fields than the format has carries the surplus in its comment. Folding
    // it back keeps the spotter and every later field in place.
    const int iSurplus = int(qslFields.size()) - kCc11FieldCount;
    if (iSurplus > 0) {
        const QStringList qslComment = qslFields.mid(kCc11Comment, iSurplus + 1);
        qslFields.erase(qslFields.begin() + kCc11Comment,
                        qslFields.begin() + kCc11Comment + iSurplus + 1);
        qslFields.insert(kCc11Comment, qslComment.join(QLatin1Char('^')));
    }

    auto field = [&qslFields](int iIndex) {
        return iIndex < qslFields.size() ? qslFields.at(iIndex) : QString();
    };

    Spot spot;
    spot.setFrequency(field(kCc11Frequency));
    spot.setDxCall(field(kCc11DxCall));
    // Nodes write " 6-Dec-2026" here; the table shows every date one way.
    const QString qsDate = field(kCc11Date);
    const QDate qdDate = parseDate(qsDate);
    spot.setDate(qdDate.isValid() ? dxDeDate(qdDate) : qsDate);
    spot.setTime(field(kCc11Time));
    spot.setComment(field(kCc11Comment));
    spot.setSpotter(field(kCc11Spotter));
    spot.setTrailer(field(kCc11Trailer));
    return spot;
}

QString SpotParser::dxDeDate(const QDate &qdUtc)
{
    if (!qdUtc.isValid())
        return QString();
    return QStringLiteral("%1-%2-%3")
        .arg(qdUtc.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[qdUtc.month() - 1]))
        .arg(qdUtc.year(), 4, 10, QLatin1Char('0'));
}

QDate SpotParser::parseDate(const QString &qsDate)
{
    const QStringList qslParts = qsDate.trimmed().split(QLatin1Char('-'));
    if (qslParts.size() != 3 || qslParts.at(0).size() > 2 || qslParts.at(2).size() != 4)
        return QDate();
    bool bDayOk = false;
    bool bYearOk = false;
    const int iDay = qslParts.at(0).toInt(&bDayOk);
    const int iYear = qslParts.at(2).toInt(&bYearOk);
    if (!bDayOk || !bYearOk)
        return QDate();
    for (int iMonth = 0; iMonth < 12; ++iMonth) {
        if (qslParts.at(1).compare(QLatin1String(kMonths[iMonth]), Qt::CaseInsensitive) == 0)
            return QDate(iYear, iMonth + 1, iDay);
    }
    return QDate();
}

qint64 SpotParser::minuteOf(const QString &qsDate, const QString &qsTime)
{
    const QDate qdDate = parseDate(qsDate);
    if (!qdDate.isValid() || qsTime.size() < 4)
        return -1;
    bool bHoursOk = false;
    bool bMinutesOk = false;
    const int iHours = qsTime.left(2).toInt(&bHoursOk);
    const int iMinutes = qsTime.mid(2, 2).toInt(&bMinutesOk);
    if (!bHoursOk || !bMinutesOk || iHours < 0 || iHours > 23 || iMinutes < 0 || iMinutes > 59)
        return -1;
    return qdDate.toJulianDay() * 1440 + iHours * 60 + iMinutes;
}
