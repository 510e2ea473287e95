#include "CallRules.h"

#include <QList>
#include <QStringView>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

// Designators after the call that leave the station in its home country.
bool keepsHome(QStringView part)
{
    return part == QLatin1String("P") || part == QLatin1String("M") || part == QLatin1String("MM")
        || part == QLatin1String("AM") || part == QLatin1String("QRP");
}

bool looksLikePrefix(QStringView part)
{
    bool bLetter = false;
    bool bDigit = false;
    for (const QChar c : part) {
        bLetter = bLetter || isAsciiLetter(c);
        bDigit = bDigit || isAsciiDigit(c);
    }
    return bLetter && bDigit;
}

// W1ABC/4 → W4ABC: the area digit replaces the call's last digit.
QString movedToArea(QStringView base, QChar area)
{
    QString qsMoved = base.toString();
    for (qsizetype i = qsMoved.size() - 1; i >= 0; --i) {
        if (isAsciiDigit(qsMoved.at(i))) {
            qsMoved[i] = area;
            break;
        }
    }
    return qsMoved;
}

} // namespace

QString CallRules::normalized(const QString &qsCall)
{
    qsizetype iBegin = 0;
    qsizetype iEnd = qsCall.size();
    while (iBegin < iEnd && qsCall.at(iBegin) == QLatin1Char(' '))
        ++iBegin;
    while (iEnd > iBegin && qsCall.at(iEnd - 1) == QLatin1Char(' '))
        --iEnd;
    bool bChanges = iBegin > 0 || iEnd < qsCall.size();
    for (qsizetype i = iBegin; i < iEnd; ++i) {
        const char16_t c = qsCall.at(i).unicode();
        if (c > 0x7f)
            return QString();
        bChanges = bChanges || (c >= u'a' && c <= u'z');
    }
    // Calls as nodes send them are already upper case: no copy for those.
    if (!bChanges)
        return qsCall;
    QString qsNormal = qsCall.mid(iBegin, iEnd - iBegin);
    for (QChar &c : qsNormal) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return qsNormal;
}

CallRules::Search CallRules::search(const QString &qsCall)
{
    Search search;
    search.call = normalized(qsCall);
    if (search.call.isEmpty() || !search.call.contains(QLatin1Char('/'))) {
        search.prefixText = search.call;
        return search;
    }

    QList<QStringView> parts = QStringView(search.call).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    bool bReduced = parts.size() != search.call.count(QLatin1Char('/')) + 1;
    while (parts.size() > 1 && keepsHome(parts.constLast())) {
        parts.removeLast();
        bReduced = true;
    }
    if (parts.isEmpty())
        return search;
    if (bReduced) {
        for (const QStringView part : std::as_const(parts)) {
            if (!search.reduced.isEmpty())
                search.reduced.append(QLatin1Char('/'));
            search.reduced.append(part);
        }
    }

    if (parts.size() == 1) {
        search.prefixText = parts.at(0).toString();
        return search;
    }
    const QStringView first = parts.at(0);
    const QStringView second = parts.at(1);
    if (parts.size() == 2 && second.size() == 1 && isAsciiDigit(second.at(0)))
        search.prefixText = movedToArea(first, second.at(0));
    else if (first.size() <= 4 && second.size() > first.size())
        search.prefixText = first.toString();
    else if (second.size() <= 4 && looksLikePrefix(second))
        search.prefixText = second.toString();
    else
        search.prefixText = first.toString();
    return search;
}
