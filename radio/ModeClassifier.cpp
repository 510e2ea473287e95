#include "ModeClassifier.h"

#include "radio/BandPlan.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

struct ModeWord
{
    const char *word;
    ModeClass modeClass;
};

// Upper case; compared with whole words of the comment. "AM" and "FM" are
// words of their own in comments, while locators holding them ("FM18")
// never match a whole word.
constexpr ModeWord kCommentWords[] = {
    {"CW", ModeClass::Cw},       {"WPM", ModeClass::Cw},      {"SSB", ModeClass::Phone},
    {"USB", ModeClass::Phone},   {"LSB", ModeClass::Phone},   {"AM", ModeClass::Phone},
    {"FM", ModeClass::Phone},    {"FT8", ModeClass::Data},    {"FT4", ModeClass::Data},
    {"RTTY", ModeClass::Data},   {"BPS", ModeClass::Data},    {"PSK", ModeClass::Data},
    {"PSK31", ModeClass::Data},  {"PSK63", ModeClass::Data},  {"BPSK", ModeClass::Data},
    {"JT65", ModeClass::Data},   {"JT9", ModeClass::Data},    {"Q65", ModeClass::Data},
    {"MSK144", ModeClass::Data}, {"FST4", ModeClass::Data},   {"JS8", ModeClass::Data},
    {"OLIVIA", ModeClass::Data}, {"SSTV", ModeClass::Data},   {"MFSK", ModeClass::Data},
    {"FSK441", ModeClass::Data}, {"HELL", ModeClass::Data},   {"CONTESTI", ModeClass::Data},
};

// The voice modes of ADIF 3, with the submodes some loggers write as MODE.
constexpr const char *kPhoneModes[] = {"SSB",  "USB",   "LSB",    "AM",  "FM", "DIGITALVOICE",
                                       "C4FM", "DSTAR", "FREEDV", "DMR", "M17", "DV"};

bool equalsUpper(QStringView text, const char *pWord)
{
    qsizetype i = 0;
    for (; pWord[i] != '\0'; ++i) {
        if (i >= text.size() || text.at(i).toUpper() != QLatin1Char(pWord[i]))
            return false;
    }
    return i == text.size();
}

ModeClass classOfWord(QStringView word)
{
    for (const ModeWord &entry : kCommentWords) {
        if (equalsUpper(word, entry.word))
            return entry.modeClass;
    }
    // Skimmers glue the speed to the unit: "25WPM".
    if (word.size() > 3 && equalsUpper(word.right(3), "WPM") && word.at(0).isDigit())
        return ModeClass::Cw;
    return ModeClass::Unknown;
}

} // namespace

ModeClass ModeClassifier::fromAdif(const QString &qsMode, const QString &qsSubmode)
{
    const QString qsUsed = qsMode.trimmed().isEmpty() ? qsSubmode.trimmed() : qsMode.trimmed();
    if (qsUsed.isEmpty())
        return ModeClass::Unknown;
    if (equalsUpper(qsUsed, "CW"))
        return ModeClass::Cw;
    const bool bPhone = std::any_of(std::begin(kPhoneModes), std::end(kPhoneModes),
                                    [&qsUsed](const char *pMode) { return equalsUpper(qsUsed, pMode); });
    return bPhone ? ModeClass::Phone : ModeClass::Data;
}

ModeClass ModeClassifier::fromComment(QStringView comment)
{
    qsizetype iStart = -1;
    for (qsizetype i = 0; i <= comment.size(); ++i) {
        const bool bWordChar = i < comment.size() && comment.at(i).isLetterOrNumber();
        if (bWordChar && iStart < 0) {
            iStart = i;
        } else if (!bWordChar && iStart >= 0) {
            const ModeClass modeClass = classOfWord(comment.mid(iStart, i - iStart));
            if (modeClass != ModeClass::Unknown)
                return modeClass;
            iStart = -1;
        }
    }
    return ModeClass::Unknown;
}

ModeClass ModeClassifier::forSpot(const QString &qsComment, double dKHz)
{
    const ModeClass fromText = fromComment(qsComment);
    if (fromText != ModeClass::Unknown)
        return fromText;
    return BandPlan::modeFor(dKHz);
}

QString ModeClassifier::label(ModeClass modeClass)
{
    switch (modeClass) {
    case ModeClass::Cw: return QCoreApplication::translate("ModeClassifier", "CW");
    case ModeClass::Phone: return QCoreApplication::translate("ModeClassifier", "Phone");
    case ModeClass::Data: return QCoreApplication::translate("ModeClassifier", "Data");
    case ModeClass::Unknown: break;
    }
    return QString();
}
