#include "TestSpot.h"

#include "CountryTable.h"

#include <QList>
#include <QRegularExpression>

#include <cctype>
#include <cmath>

namespace {

// Column layout of a "DX de" line, counted from 0.
constexpr qsizetype kFrequencyEnd = 24; // the frequency ends at column 23
constexpr qsizetype kDxCallWidth = 12;
constexpr qsizetype kCommentWidth = 30;
constexpr qsizetype kSkimmerCommentWidth = 29;
// A dateless time further ahead of the clock than this was sent yesterday.
constexpr int kMaxMinutesAhead = 60;

// Anything larger would print as a huge digit string; real spots stay far below.
constexpr double kMaxFrequency = 1.0e9;

constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void appendPadded(QByteArray &baLine, const QByteArray &baField, qsizetype iWidth)
{
    baLine += baField;
    if (baField.size() < iWidth)
        baLine.append(iWidth - baField.size(), ' ');
}

void appendTwoDigits(QByteArray &baText, int iValue)
{
    baText += char('0' + iValue / 10);
    baText += char('0' + iValue % 10);
}

QDateTime stamped(const QDateTime &dtTime)
{
    return dtTime.isValid() ? dtTime.toUTC() : QDateTime::currentDateTimeUtc();
}

bool isCallText(const QByteArray &baCall)
{
    static const QRegularExpression reCall(QStringLiteral("^[A-Z0-9/#-]{1,20}$"));
    return reCall.match(QString::fromLatin1(baCall.toUpper())).hasMatch();
}

bool parseDxDe(const QByteArray &baLine, TestSpot *pSpot, QString *pqsError)
{
    // Real lines are not always in their columns (long calls push the rest to
    // the right), so take the fields by their separators and the time by its
    // shape, and read the comment between the call and the time.
    const qsizetype iColon = baLine.indexOf(':', 6);
    if (iColon < 0) {
        *pqsError = QStringLiteral("\"DX de\" line without a colon after the spotter");
        return false;
    }
    const QByteArray baSpotter = baLine.mid(6, iColon - 6).trimmed();
    static const QRegularExpression reRest(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d*)?)\\s+(\\S+)(.*)\\s(\\d{4})Z(?:\\s+([A-Z]{2}\\d{2}))?[\\s\\x07]*$"));
    const QString qsRest = QString::fromLatin1(baLine.mid(iColon + 1));
    const QRegularExpressionMatch match = reRest.match(qsRest);
    if (baSpotter.isEmpty() || !match.hasMatch()) {
        *pqsError = QStringLiteral("\"DX de\" line without frequency, call and time");
        return false;
    }
    const double dFrequency = match.captured(1).toDouble();
    if (dFrequency <= 0.0 || dFrequency >= kMaxFrequency) {
        *pqsError = QStringLiteral("\"DX de\" line with an impossible frequency");
        return false;
    }
    pSpot->spotter = QString::fromLatin1(baSpotter);
    pSpot->frequency = dFrequency;
    pSpot->dxCall = match.captured(2);
    // The comment starts after the call column (or after a call too long for
    // it) and its padding is not part of it.
    const qsizetype iCommentStart = match.capturedStart(2) + qMax(kDxCallWidth, match.capturedLength(2)) + 1;
    const qsizetype iCommentEnd = match.capturedStart(4) - 1;
    QString qsComment =
        iCommentEnd > iCommentStart ? qsRest.mid(iCommentStart, iCommentEnd - iCommentStart) : QString();
    while (qsComment.endsWith(QLatin1Char(' ')))
        qsComment.chop(1);
    pSpot->comment = qsComment;
    const int iHhmm = match.captured(4).toInt();
    const QTime time(iHhmm / 100, iHhmm % 100);
    if (!time.isValid()) {
        *pqsError = QStringLiteral("\"DX de\" line with an impossible time");
        return false;
    }
    // The line has no date: today's, unless the time is well ahead of the
    // clock, which means it was written before midnight.
    const QDateTime dtNow = QDateTime::currentDateTimeUtc();
    const int iAhead = time.hour() * 60 + time.minute() - (dtNow.time().hour() * 60 + dtNow.time().minute());
    pSpot->time = QDateTime(iAhead > kMaxMinutesAhead ? dtNow.date().addDays(-1) : dtNow.date(), time, Qt::UTC);
    pSpot->spotterLocator = match.captured(5);
    return true;
}

} // namespace

TestSpot::TestSpot(double dFrequency, const QString &qsDxCall, const QString &qsSpotter, const QString &qsComment,
                   const QDateTime &dtTime)
    : frequency(dFrequency), dxCall(qsDxCall), spotter(qsSpotter), comment(qsComment), time(dtTime)
{
}

QByteArray TestSpot::dxDeLine(bool bLive) const
{
    QByteArray baLine;
    baLine.reserve(96);
    baLine += "DX de ";
    // The frequency is right-aligned to column 23; a wide one grows to the
    // left into the spotter field, and a spotter that would then collide
    // with it is cut short, as fixed-width nodes do, so the rest of the line
    // keeps its columns.
    const QByteArray baFrequency = frequencyText(frequency);
    QByteArray baSpotter = spotter.toLatin1();
    const qsizetype iRoom = kFrequencyEnd - baLine.size() - 1 - baFrequency.size();
    if (baSpotter.size() > iRoom)
        baSpotter.truncate(qMax<qsizetype>(1, iRoom));
    baLine += baSpotter;
    baLine += ':';
    const qsizetype iPad = kFrequencyEnd - baLine.size() - baFrequency.size();
    if (iPad > 0)
        baLine.append(iPad, ' ');
    baLine += baFrequency;
    baLine += "  ";
    appendPadded(baLine, dxCall.toLatin1(), kDxCallWidth);
    baLine += ' ';
    if (skimmerLayout) {
        appendPadded(baLine, comment.toLatin1().left(kSkimmerCommentWidth), kSkimmerCommentWidth);
    } else {
        appendPadded(baLine, comment.toLatin1().left(kCommentWidth), kCommentWidth);
        baLine += ' ';
    }
    baLine += timeText(stamped(time).time());
    if (!spotterLocator.isEmpty()) {
        baLine += ' ';
        baLine += spotterLocator.toLatin1();
    }
    if (bLive)
        baLine += "\a\a";
    baLine += "\r\n";
    return baLine;
}

QByteArray TestSpot::cc11Line(const QByteArray &baNode) const
{
    const CountryTable &table = CountryTable::instance();
    const CountryTable::Country *pDx = table.lookup(dxCall);
    const CountryTable::Country *pSpotter = table.lookup(spotter);
    const auto number = [](const CountryTable::Country *pCountry, int CountryTable::Country::*pField) {
        return QByteArray::number(pCountry ? pCountry->*pField : 0);
    };
    const auto state = [&table](const CountryTable::Country *pCountry, const QString &qsCall) {
        return pCountry ? table.stateFor(*pCountry, qsCall).toLatin1() : QByteArray();
    };
    const auto code = [](const CountryTable::Country *pCountry) {
        return pCountry ? pCountry->code.toLatin1() : QByteArray();
    };
    const QDateTime dtTime = stamped(time);

    // The comment goes out exactly as stored: real nodes do not escape a caret
    // in it, and clients have to cope with the extra field that makes.
    QByteArray baLine;
    baLine.reserve(160);
    baLine += "CC11^";
    baLine += frequencyText(frequency) + '^';
    baLine += dxCall.toLatin1() + '^';
    baLine += dateText(dtTime.date()) + '^';
    baLine += timeText(dtTime.time()) + '^';
    baLine += comment.toLatin1() + '^';
    baLine += spotter.toLatin1() + '^';
    baLine += number(pDx, &CountryTable::Country::dxcc) + '^';
    baLine += number(pSpotter, &CountryTable::Country::dxcc) + '^';
    baLine += baNode + '^';
    baLine += number(pDx, &CountryTable::Country::itu) + '^';
    baLine += number(pDx, &CountryTable::Country::cq) + '^';
    baLine += number(pSpotter, &CountryTable::Country::itu) + '^';
    baLine += number(pSpotter, &CountryTable::Country::cq) + '^';
    baLine += state(pDx, dxCall) + '^';
    baLine += state(pSpotter, spotter) + '^';
    baLine += code(pDx) + '^';
    baLine += code(pSpotter) + '^';
    baLine += dxLocator.toLatin1() + '^';
    baLine += spotterLocator.toLatin1();
    baLine += "\r\n";
    return baLine;
}

QByteArray TestSpot::line(Format eFormat, bool bLive, const QByteArray &baNode) const
{
    return eFormat == Format::Cc11 ? cc11Line(baNode) : dxDeLine(bLive);
}

QByteArray TestSpot::frequencyText(double dFrequency)
{
    return QByteArray::number(dFrequency, 'f', 1);
}

QByteArray TestSpot::dateText(const QDate &date)
{
    QByteArray baText;
    baText.reserve(11);
    if (date.day() < 10)
        baText += ' ';
    baText += QByteArray::number(date.day());
    baText += '-';
    baText += kMonths[qBound(1, date.month(), 12) - 1];
    baText += '-';
    baText += QByteArray::number(date.year());
    return baText;
}

QByteArray TestSpot::timeText(const QTime &time)
{
    QByteArray baText;
    baText.reserve(5);
    appendTwoDigits(baText, time.hour());
    appendTwoDigits(baText, time.minute());
    baText += 'Z';
    return baText;
}

bool TestSpot::fromText(const QByteArray &baLine, TestSpot *pSpot, QString *pqsError)
{
    *pSpot = TestSpot();
    if (baLine.left(5).compare("DX de", Qt::CaseInsensitive) == 0)
        return parseDxDe(baLine, pSpot, pqsError);

    const QByteArray baSimple = baLine.simplified();
    const QList<QByteArray> lFields = baSimple.split(' ');
    if (lFields.size() < 3) {
        *pqsError = QStringLiteral("expected \"frequency call spotter [comment]\"");
        return false;
    }
    bool bOk = false;
    const double dFrequency = lFields.at(0).toDouble(&bOk);
    if (!bOk || !std::isfinite(dFrequency) || dFrequency <= 0.0 || dFrequency >= kMaxFrequency) {
        *pqsError = QStringLiteral("\"%1\" is not a frequency in kHz").arg(QString::fromLatin1(lFields.at(0).left(40)));
        return false;
    }
    if (!isCallText(lFields.at(1)) || !isCallText(lFields.at(2))) {
        *pqsError = QStringLiteral("call or spotter is not a callsign");
        return false;
    }
    pSpot->frequency = dFrequency;
    pSpot->dxCall = QString::fromLatin1(lFields.at(1).toUpper());
    pSpot->spotter = QString::fromLatin1(lFields.at(2).toUpper());
    // The comment keeps its inner spacing; only the separator before it goes.
    const QByteArray baTrimmed = baLine.trimmed();
    qsizetype iPos = 0;
    for (int iField = 0; iField < 3; ++iField) {
        while (iPos < baTrimmed.size() && !std::isspace(uchar(baTrimmed.at(iPos))))
            ++iPos;
        while (iPos < baTrimmed.size() && std::isspace(uchar(baTrimmed.at(iPos))))
            ++iPos;
    }
    pSpot->comment = QString::fromLatin1(baTrimmed.mid(iPos));
    return true;
}
