#include "CountryFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

namespace {

// Greedy on purpose: each group spans from the first opening mark of an entry
// to its last closing mark, as the file's own readers have always done.
const QRegularExpression &overrideGroup(int iIndex)
{
    static const QRegularExpression groups[] = {
        QRegularExpression(QStringLiteral("\\(.+\\)")), QRegularExpression(QStringLiteral("\\[.+\\]")),
        QRegularExpression(QStringLiteral("\\<.+\\>")), QRegularExpression(QStringLiteral("\\{.+\\}")),
        QRegularExpression(QStringLiteral("\\~.+\\~")),
    };
    return groups[iIndex];
}
constexpr int kOverrideGroupCount = 5;

QString decode(const QByteArray &baData)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString qsText = utf8.decode(baData);
    // Older files were written in a single-byte code page.
    if (utf8.hasError())
        qsText = QString::fromLatin1(baData);
    return qsText;
}

bool closesRecord(const QString &qsLine)
{
    // Trailing blanks after the ';' must not make the next header line read
    // as a list of prefixes.
    for (qsizetype i = qsLine.size() - 1; i >= 0; --i) {
        if (!qsLine.at(i).isSpace())
            return qsLine.at(i) == QLatin1Char(';');
    }
    return false;
}

// A record line holds name, CQ zone, ITU zone, continent, latitude,
// longitude, time offset and primary prefix, each closed by ':'.
constexpr int kRecordFields = 8;

bool isRecordLine(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    return trimmed.endsWith(QLatin1Char(':')) && trimmed.count(QLatin1Char(':')) == kRecordFields;
}

// The file counts longitude west positive and gives the offset to add to
// local time; CountryInfo uses the usual signs.
double number(QStringView text, bool *pOk = nullptr)
{
    return text.trimmed().toDouble(pOk);
}

CountryInfo headerRecord(QStringView header)
{
    const QList<QStringView> fields = header.split(QLatin1Char(':'));
    CountryInfo record;
    record.country = fields.at(0).toString();
    if (fields.size() <= kRecordFields)
        return record;
    record.cqZone = fields.at(1).trimmed().toInt();
    record.ituZone = fields.at(2).trimmed().toInt();
    record.continent = fields.at(3).trimmed().toString();
    bool bLatitude = false;
    bool bLongitude = false;
    record.latitude = number(fields.at(4), &bLatitude);
    record.longitude = -number(fields.at(5), &bLongitude);
    record.hasPosition = bLatitude && bLongitude;
    record.utcOffset = -number(fields.at(6));
    record.primaryPrefix = fields.at(7).trimmed().toString();
    return record;
}

} // namespace

CountryInfo CountryFile::Overrides::applyTo(const CountryInfo &record) const
{
    CountryInfo info = record;
    if (cqZone > 0)
        info.cqZone = cqZone;
    if (ituZone > 0)
        info.ituZone = ituZone;
    if (!continent.isEmpty())
        info.continent = continent;
    if (hasPosition) {
        info.latitude = latitude;
        info.longitude = longitude;
        info.hasPosition = true;
    }
    if (hasUtcOffset)
        info.utcOffset = utcOffset;
    return info;
}

CountryFile::Overrides CountryFile::entryOverrides(const QString &qsPart)
{
    // Unlike cleanEntry(), each group ends at its first closing mark: the
    // values are read, not just removed.
    static const QRegularExpression kCqZone(QStringLiteral("\\((\\d+)\\)"));
    static const QRegularExpression kItuZone(QStringLiteral("\\[(\\d+)\\]"));
    static const QRegularExpression kContinent(QStringLiteral("\\{([A-Z]{2})\\}"));
    static const QRegularExpression kPosition(QStringLiteral("<([-+]?[0-9.]+)/([-+]?[0-9.]+)>"));
    static const QRegularExpression kUtcOffset(QStringLiteral("~([-+]?[0-9.]+)~"));
    Overrides overrides;
    if (!qsPart.contains(QLatin1Char('(')) && !qsPart.contains(QLatin1Char('[')) && !qsPart.contains(QLatin1Char('{'))
        && !qsPart.contains(QLatin1Char('<')) && !qsPart.contains(QLatin1Char('~')))
        return overrides;
    QRegularExpressionMatch match = kCqZone.match(qsPart);
    if (match.hasMatch())
        overrides.cqZone = match.captured(1).toInt();
    match = kItuZone.match(qsPart);
    if (match.hasMatch())
        overrides.ituZone = match.captured(1).toInt();
    match = kContinent.match(qsPart);
    if (match.hasMatch())
        overrides.continent = match.captured(1);
    match = kPosition.match(qsPart);
    if (match.hasMatch()) {
        bool bLatitude = false;
        bool bLongitude = false;
        overrides.latitude = match.captured(1).toDouble(&bLatitude);
        overrides.longitude = -match.captured(2).toDouble(&bLongitude);
        overrides.hasPosition = bLatitude && bLongitude;
    }
    match = kUtcOffset.match(qsPart);
    if (match.hasMatch())
        overrides.utcOffset = -match.captured(1).toDouble(&overrides.hasUtcOffset);
    return overrides;
}

uint CountryFile::version() const
{
    static const QRegularExpression kVersion(QStringLiteral("^VER(\\d{8})$"));
    for (const Entry &entry : m_entries) {
        if (!entry.prefix.startsWith(QLatin1String("VER")))
            continue;
        const QRegularExpressionMatch match = kVersion.match(entry.prefix);
        if (match.hasMatch())
            return match.captured(1).toUInt();
    }
    return 0;
}

QString CountryFile::cleanEntry(const QString &qsPart)
{
    QString qsEntry = qsPart;
    qsEntry.remove(QLatin1Char(' '));
    qsEntry.remove(QLatin1Char('='));
    for (int i = 0; i < kOverrideGroupCount; ++i)
        qsEntry.remove(overrideGroup(i));
    qsEntry.remove(QLatin1Char(';'));
    return qsEntry;
}

bool CountryFile::read(const QString &qsFileName)
{
    m_entries.clear();
    m_countries.clear();
    m_records.clear();
    m_shape = Shape();
    m_errorString.clear();

    QFile file(qsFileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_errorString = file.errorString();
        return false;
    }
    if (file.size() > kMaxFileSize) {
        m_errorString = QStringLiteral("file larger than %1 bytes").arg(kMaxFileSize);
        return false;
    }
    const QByteArray baData = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        m_errorString = file.errorString();
        return false;
    }
    if (baData.size() > kMaxFileSize) {
        m_errorString = QStringLiteral("file larger than %1 bytes").arg(kMaxFileSize);
        return false;
    }
    parse(decode(baData));
    if (m_entries.isEmpty()) {
        m_errorString = QStringLiteral("no country record found");
        return false;
    }
    return true;
}

void CountryFile::parse(const QString &qsText)
{
    const QList<QStringView> lines = QStringView(qsText).split(QLatin1Char('\n'));
    auto lineAt = [&lines](qsizetype iIndex) {
        QStringView line = lines.at(iIndex);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        return line;
    };
    QSet<QString> seenCountries;
    qsizetype iLine = 0;
    while (iLine < lines.size()) {
        const QStringView header = lineAt(iLine++);
        const qsizetype iColon = header.indexOf(QLatin1Char(':'));
        // Not a header: blank lines and stray text between records.
        if (iColon < 0)
            continue;
        const QString qsCountry = header.left(iColon).toString();
        ++m_shape.iRecords;
        if (!isRecordLine(header)) {
            if (m_shape.iMalformedRecords++ == 0)
                m_shape.qsFirstMalformed = header.left(80).toString();
        }
        if (!seenCountries.contains(qsCountry)) {
            seenCountries.insert(qsCountry);
            m_countries.append(qsCountry);
            m_records.append(headerRecord(header));
        }

        // A record left open at the end of the file keeps what it has.
        bool bClosed = false;
        while (iLine < lines.size()) {
            const QString qsLine = lineAt(iLine++).toString();
            for (const QString &qsPart : qsLine.split(QLatin1Char(','))) {
                if (qsPart.isEmpty())
                    continue;
                const QString qsPrefix = cleanEntry(qsPart);
                // A part of blanks only (after a trailing comma) names nothing.
                if (!qsPrefix.isEmpty()) {
                    const bool bWholeCall = QStringView(qsPart).trimmed().startsWith(QLatin1Char('='));
                    m_entries.append({qsPrefix, qsCountry, bWholeCall, entryOverrides(qsPart)});
                }
            }
            if (closesRecord(qsLine)) {
                bClosed = true;
                break;
            }
        }
        if (!bClosed)
            ++m_shape.iOpenRecords;
    }
}
