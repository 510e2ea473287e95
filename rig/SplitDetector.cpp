#include "rig/SplitDetector.h"

#include "rig/RigMode.h"

#include <QRegularExpression>

#include <cmath>

namespace {

constexpr double kMaxQsxDistanceKHz = 300.0;
constexpr double kBareUpDownCWKHz = 1.0;
constexpr double kBareUpDownPhoneKHz = 5.0;
// Far above any radio frequency, far below where whole tenths of a kHz stop
// fitting a 64-bit integer: a frequency text beyond it (or "inf") is no spot
// frequency, and converting it would be undefined.
constexpr double kMaxFrequencyKHz = 1e9;

bool hasWord(const QString &qsComment, const QString &qsWord)
{
    return qsComment == qsWord || qsComment.contains(qsWord + QLatin1Char(' '))
        || qsComment.contains(QLatin1Char(' ') + qsWord);
}

// The number in capture group iGroup of the first match, if any.
bool captured(const QRegularExpression &regExp, const QString &qsComment, int iGroup, double &dValue)
{
    const QRegularExpressionMatch match = regExp.match(qsComment);
    if (!match.hasMatch())
        return false;
    dValue = match.captured(iGroup).toDouble();
    return true;
}

double findTransmitKHz(const QString &qsComment, double dRxKHz)
{
    static const QRegularExpression upFraction(QStringLiteral("up\\s{0,2}(\\d{1,2}\\.\\d)"));
    static const QRegularExpression upWhole(QStringLiteral("up\\s{0,2}(\\d{1,2})"));
    static const QRegularExpression fractionUp(QStringLiteral("(\\d{1,2}\\.\\d)\\s{0,2}up"));
    static const QRegularExpression wholeUp(QStringLiteral("(\\d{1,2})\\s{0,2}up"));
    static const QRegularExpression downFraction(QStringLiteral("(dn|dwn|down)\\s{0,2}(\\d{1,2}\\.\\d)"));
    static const QRegularExpression downWhole(QStringLiteral("(dn|dwn|down)\\s{0,2}(\\d{1,2})"));
    static const QRegularExpression fractionDown(QStringLiteral("(\\d{1,2}\\.\\d)\\s{0,2}(dn|dwn|down)"));
    static const QRegularExpression wholeDown(QStringLiteral("(\\d{1,2})\\s{0,2}(dn|dwn|down)"));
    static const QRegularExpression qsx(QStringLiteral("(qsx)\\s{0,2}(\\d{3,6}(\\.\\d){0,1})"));

    const double dBareShift = RigMode::isCW(dRxKHz) ? kBareUpDownCWKHz : kBareUpDownPhoneKHz;
    double dValue = 0.0;
    if (captured(upFraction, qsComment, 1, dValue) || captured(upWhole, qsComment, 1, dValue)
        || captured(fractionUp, qsComment, 1, dValue) || captured(wholeUp, qsComment, 1, dValue))
        return dRxKHz + dValue;
    if (hasWord(qsComment, QStringLiteral("up")))
        return dRxKHz + dBareShift;
    if (captured(downFraction, qsComment, 2, dValue) || captured(downWhole, qsComment, 2, dValue)
        || captured(fractionDown, qsComment, 1, dValue) || captured(wholeDown, qsComment, 1, dValue))
        return dRxKHz - dValue;
    // A QSX far from the spot is another band or a typo, not a split.
    if (captured(qsx, qsComment, 2, dValue) && std::fabs(dValue - dRxKHz) <= kMaxQsxDistanceKHz)
        return dValue;
    if (hasWord(qsComment, QStringLiteral("dn")) || hasWord(qsComment, QStringLiteral("dwn"))
        || hasWord(qsComment, QStringLiteral("down")))
        return dRxKHz - dBareShift;
    return 0.0;
}

} // namespace

QString SplitDetector::transmitFrequency(const QString &qsComment, const QString &qsFrequency)
{
    bool bOk = false;
    const double dRxKHz = qsFrequency.trimmed().toDouble(&bOk);
    if (!bOk || !(dRxKHz > 0.0 && dRxKHz <= kMaxFrequencyKHz))
        return QString();
    // Comments arrive padded to the column width; a padding space must not
    // turn "setup" into "setup ".
    const double dTxKHz = findTransmitKHz(qsComment.trimmed().toLower(), dRxKHz);
    return dTxKHz > 0.0 ? transmitText(dTxKHz) : QString();
}

QString SplitDetector::transmitText(double dKHz)
{
    // Whole tenths, written out in full: six significant digits would round
    // 144301.5 to "144302" and write 1240000 as "1.24e+06", both of which
    // end up as a wrong frequency once the point is removed.
    const qint64 iTenths = qRound64(dKHz * 10.0);
    const QString qsWhole = QString::number(iTenths / 10);
    return iTenths % 10 == 0 ? qsWhole + QLatin1Char('0') : qsWhole + QLatin1Char('.') + QString::number(iTenths % 10);
}
