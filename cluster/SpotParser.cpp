#include "SpotParser.h"

#include "radio/ModeClassifier.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QVarLengthArray>

#include <atomic>

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

// A dateless time further ahead of the clock than this was sent yesterday.
constexpr int kMaxMinutesAhead = 60;
constexpr int kMinutesPerDay = 24 * 60;

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

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

std::atomic<SpotParser::Clock> g_clock {nullptr};

// Skimmers sign their spots with this after the call.
const QLatin1String kSkimmerMark("-#");
// Readings outside these bounds are no skimmer's: the line is read as a
// human's.
constexpr int kMinSnr = -60;
constexpr int kMaxSnr = 99;
constexpr int kMaxSpeed = 999;
constexpr int kMaxAudioOffset = 9999;
// A skimmer line has about a dozen words; one with many more is text.
constexpr int kMaxSkimmerLineWords = 24;

using Words = QVarLengthArray<QStringView, kMaxSkimmerLineWords>;

// Control characters count as blanks: live lines end in bells and a CR.
bool isBlank(QChar ch)
{
    return ch.unicode() <= u' ';
}

// False when the text has more words than fit.
bool splitWords(QStringView text, Words *pWords)
{
    pWords->clear();
    qsizetype iStart = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool bBlank = i == text.size() || isBlank(text.at(i));
        if (!bBlank && iStart < 0) {
            iStart = i;
        } else if (bBlank && iStart >= 0) {
            if (pWords->size() == kMaxSkimmerLineWords)
                return false;
            pWords->append(text.mid(iStart, i - iStart));
            iStart = -1;
        }
    }
    return true;
}

bool readInt(QStringView text, int iLow, int iHigh, int *piValue)
{
    if (text.isEmpty() || text.size() > 6)
        return false;
    bool bOk = false;
    const int iValue = text.toInt(&bOk);
    if (!bOk || iValue < iLow || iValue > iHigh)
        return false;
    *piValue = iValue;
    return true;
}

// "12 dB" or "12dB" at word iAt: the number of words it takes, 0 when the
// words there are not that measure.
int readMeasure(const Words &words, qsizetype iAt, QLatin1String unit, int iLow, int iHigh, int *piValue)
{
    if (iAt >= words.size())
        return 0;
    const QStringView word = words.at(iAt);
    if (word.size() > unit.size() && word.endsWith(unit, Qt::CaseInsensitive)
        && readInt(word.chopped(unit.size()), iLow, iHigh, piValue))
        return 1;
    if (iAt + 1 < words.size() && words.at(iAt + 1).compare(unit, Qt::CaseInsensitive) == 0
        && readInt(word, iLow, iHigh, piValue))
        return 2;
    return 0;
}

// "CW    12 dB  22 WPM  CQ", "RTTY  8 dB  45 BPS  CQ", "FT8 -11 dB  1234 Hz  CQ":
// the mode, the SNR, speed and audio offset when sent, the kind. Every word
// must be one of them, so a human's comment that merely holds "dB" is left
// alone. Writes to pSpot only when the whole comment reads.
bool readSkimmerComment(QStringView comment, Spot *pSpot)
{
    Words words;
    if (!splitWords(comment, &words) || words.size() < 2)
        return false;
    const QStringView modeWord = words.at(0);
    if (!modeWord.at(0).isLetter())
        return false;
    const QString qsMode = ModeClassifier::modeFromComment(modeWord);
    if (qsMode.isEmpty())
        return false;

    qsizetype iAt = 1;
    int iSnr = 0;
    const int iSnrWords = readMeasure(words, iAt, QLatin1String("dB"), kMinSnr, kMaxSnr, &iSnr);
    if (iSnrWords == 0)
        return false;
    iAt += iSnrWords;

    int iSpeed = 0;
    Spot::SpeedUnit speedUnit = Spot::SpeedUnit::None;
    int iOffset = -1;
    for (bool bMore = true; bMore;) {
        int iValue = 0;
        int iUsed = 0;
        bMore = false;
        if (speedUnit == Spot::SpeedUnit::None) {
            if ((iUsed = readMeasure(words, iAt, QLatin1String("WPM"), 1, kMaxSpeed, &iValue)) > 0) {
                speedUnit = Spot::SpeedUnit::Wpm;
            } else if ((iUsed = readMeasure(words, iAt, QLatin1String("BPS"), 1, kMaxSpeed, &iValue)) > 0) {
                speedUnit = Spot::SpeedUnit::Bps;
            }
            if (iUsed > 0)
                iSpeed = iValue;
        }
        if (iUsed == 0 && iOffset < 0
            && (iUsed = readMeasure(words, iAt, QLatin1String("Hz"), 0, kMaxAudioOffset, &iValue)) > 0)
            iOffset = iValue;
        iAt += iUsed;
        bMore = iUsed > 0;
    }

    Spot::Kind kind = Spot::Kind::None;
    const qsizetype iLeft = words.size() - iAt;
    auto is = [&words](qsizetype i, const char *pWord) {
        return words.at(i).compare(QLatin1String(pWord), Qt::CaseInsensitive) == 0;
    };
    if (iLeft == 1 && is(iAt, "CQ"))
        kind = Spot::Kind::Cq;
    else if (iLeft == 1 && is(iAt, "DX"))
        kind = Spot::Kind::Dx;
    else if (iLeft == 1 && is(iAt, "BEACON"))
        kind = Spot::Kind::Beacon;
    else if (iLeft == 2 && is(iAt, "NCDXF") && is(iAt + 1, "B"))
        kind = Spot::Kind::NcdxfBeacon;
    else if (iLeft != 0)
        return false;

    pSpot->setMode(qsMode);
    pSpot->setSnr(iSnr);
    pSpot->setSpeed(iSpeed, speedUnit);
    pSpot->setKind(kind);
    pSpot->setAudioOffset(iOffset);
    return true;
}

bool isTimeWord(QStringView word);

// The fields of a "DX de" line found by their shape rather than by their
// columns: skimmer servers put the time two columns left of where nodes
// do, and a glued or long call moves everything else.
struct ShapedLine
{
    QStringView spotter;
    QStringView frequency;
    QStringView dxCall;
    QStringView comment;
    QStringView time;
    QStringView trailer;
};

bool isFrequencyWord(QStringView word)
{
    int iDigits = 0;
    int iPoints = 0;
    for (QChar ch : word) {
        if (ch.isDigit())
            ++iDigits;
        else if (ch == QLatin1Char('.'))
            ++iPoints;
        else
            return false;
    }
    return iDigits > 0 && iPoints <= 1;
}

// True only for a skimmer's "DX de" line: spotter with the mark, frequency,
// call, a comment of skimmer readings, the time, at most one word after it.
bool readShapedSkimmerLine(const QString &qsLine, ShapedLine *pLine)
{
    const QStringView line(qsLine);
    Words words;
    if (line.size() < 6 || !splitWords(line.mid(6), &words) || words.size() < 5)
        return false;
    qsizetype iAt = 0;
    const QStringView head = words.at(iAt++);
    const qsizetype iColon = head.indexOf(QLatin1Char(':'));
    if (iColon < 0)
        return false;
    pLine->spotter = head.left(iColon);
    if (pLine->spotter.size() <= kSkimmerMark.size() || !pLine->spotter.endsWith(kSkimmerMark))
        return false;
    pLine->frequency = head.mid(iColon + 1);
    if (pLine->frequency.isEmpty())
        pLine->frequency = words.at(iAt++);
    if (!isFrequencyWord(pLine->frequency))
        return false;
    pLine->dxCall = words.at(iAt++);

    qsizetype iTime = words.size() - 1;
    if (!isTimeWord(words.at(iTime)))
        --iTime;
    if (iTime <= iAt || !isTimeWord(words.at(iTime)))
        return false;
    pLine->time = words.at(iTime);
    pLine->trailer = iTime + 1 < words.size() ? words.at(iTime + 1) : QStringView();
    const QChar *pCommentStart = pLine->dxCall.data() + pLine->dxCall.size();
    pLine->comment = QStringView(pCommentStart, pLine->time.data()).trimmed();
    Spot probe;
    return readSkimmerComment(pLine->comment, &probe);
}

// Minutes after midnight of an "HHMM" time (a trailing 'Z' allowed), -1 when it does not read.
int minuteOfDay(const QString &qsTime)
{
    if (qsTime.size() < 4)
        return -1;
    bool bHoursOk = false;
    bool bMinutesOk = false;
    const int iHours = QStringView(qsTime).left(2).toInt(&bHoursOk);
    const int iMinutes = QStringView(qsTime).mid(2, 2).toInt(&bMinutesOk);
    if (!bHoursOk || !bMinutesOk || iHours < 0 || iHours > 23 || iMinutes < 0 || iMinutes > 59)
        return -1;
    return iHours * 60 + iMinutes;
}

bool isTimeWord(QStringView word)
{
    return word.size() == 5 && (word.at(4) == QLatin1Char('Z') || word.at(4) == QLatin1Char('z'))
        && word.at(0).isDigit() && word.at(1).isDigit() && word.at(2).isDigit() && word.at(3).isDigit()
        && minuteOfDay(word.left(4).toString()) >= 0;
}

// The skimmer mark becomes a flag, a skimmer's readings become fields, and
// every spot gets the mode its comment or its frequency suggests.
void finishSpot(Spot *pSpot)
{
    if (pSpot->spotter().size() > kSkimmerMark.size() && pSpot->spotter().endsWith(kSkimmerMark)) {
        pSpot->setSpotter(pSpot->spotter().chopped(kSkimmerMark.size()));
        pSpot->setSkimmer(true);
        if (readSkimmerComment(pSpot->comment(), pSpot))
            return;
    }
    bool bFromBandPlan = false;
    const QString qsMode = ModeClassifier::modeForSpot(pSpot->comment(), pSpot->frequency(), &bFromBandPlan);
    pSpot->setMode(qsMode, bFromBandPlan);
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
    spot.setTime(columns(qsLine, kTimeColumn + iShift, kTimeWidth));
    QString qsTrailer;
    if (qsLine.size() >= kTrailerColumn + iShift + kTrailerWidth)
        qsTrailer = columns(qsLine, kTrailerColumn + iShift, kTrailerWidth);

    // Lines whose columns already read right keep exactly what they gave;
    // only a skimmer line with the time out of its column is read by shape.
    ShapedLine shaped;
    if (qsLine.indexOf(kSkimmerMark) > 0 && readShapedSkimmerLine(qsLine, &shaped) && spot.time() != shaped.time) {
        spot.setSpotter(shaped.spotter.toString());
        spot.setFrequency(shaped.frequency.toString());
        spot.setDxCall(shaped.dxCall.toString());
        spot.setComment(shaped.comment.toString());
        spot.setTime(shaped.time.toString());
        qsTrailer = shaped.trailer.size() == kTrailerWidth ? shaped.trailer.toString() : QString();
    }
    spot.setDate(qsDate);
    if (!qsDate.isEmpty()) {
        // Only a line received today can be dated against the clock, and
        // the date text is read only for the rare time that moves back.
        const QDateTime dtNow = currentDateTimeUtc();
        const QDate qdDay = dateOfTime(spot.time(), dtNow);
        if (qdDay.isValid() && qdDay != dtNow.date() && parseDate(qsDate) == dtNow.date())
            spot.setDate(dxDeDate(qdDay));
    }
    spot.setTrailer(qsTrailer);
    finishSpot(&spot);
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
        qslFields.erase(qslFields.begin() + kCc11Comment, qslFields.begin() + kCc11Comment + iSurplus + 1);
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
    finishSpot(&spot);
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
    const int iMinute = minuteOfDay(qsTime);
    if (!qdDate.isValid() || iMinute < 0)
        return -1;
    return qdDate.toJulianDay() * kMinutesPerDay + iMinute;
}

qint64 SpotParser::minuteOf(const QDateTime &dtUtc)
{
    const QDateTime dt = dtUtc.toUTC();
    return dt.date().toJulianDay() * kMinutesPerDay + dt.time().hour() * 60 + dt.time().minute();
}

QDate SpotParser::dateOfTime(const QString &qsTime, const QDateTime &dtNowUtc)
{
    const int iMinute = minuteOfDay(qsTime);
    if (iMinute < 0 || !dtNowUtc.isValid())
        return QDate();
    const QDateTime dtNow = dtNowUtc.toUTC();
    const int iNow = dtNow.time().hour() * 60 + dtNow.time().minute();
    return iMinute - iNow > kMaxMinutesAhead ? dtNow.date().addDays(-1) : dtNow.date();
}

void SpotParser::setClock(Clock pfnClock)
{
    g_clock.store(pfnClock);
}

QDateTime SpotParser::currentDateTimeUtc()
{
    const Clock pfnClock = g_clock.load(std::memory_order_relaxed);
    return pfnClock ? pfnClock().toUTC() : QDateTime::currentDateTimeUtc();
}
