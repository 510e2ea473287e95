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
    // The mode column's name; nullptr for words that tell the class but not
    // the mode ("BPS" is said of RTTY and of PSK alike).
    const char *mode;
};

// Upper case; compared with whole words of the comment. "AM" and "FM" are
// words of their own in comments, while locators holding them ("FM18")
// never match a whole word.
constexpr ModeWord kCommentWords[] = {
    {"CW", ModeClass::Cw, "CW"},
    {"WPM", ModeClass::Cw, "CW"},
    {"SSB", ModeClass::Phone, "SSB"},
    {"USB", ModeClass::Phone, "SSB"},
    {"LSB", ModeClass::Phone, "SSB"},
    {"AM", ModeClass::Phone, "AM"},
    {"FM", ModeClass::Phone, "FM"},
    {"FT8", ModeClass::Data, "FT8"},
    {"FT4", ModeClass::Data, "FT4"},
    {"RTTY", ModeClass::Data, "RTTY"},
    {"BPS", ModeClass::Data, nullptr},
    {"PSK", ModeClass::Data, "PSK"},
    {"PSK31", ModeClass::Data, "PSK31"},
    {"PSK63", ModeClass::Data, "PSK63"},
    {"BPSK", ModeClass::Data, "PSK31"},
    {"JT65", ModeClass::Data, "JT65"},
    {"JT9", ModeClass::Data, "JT9"},
    {"Q65", ModeClass::Data, "Q65"},
    {"MSK144", ModeClass::Data, "MSK144"},
    {"FST4", ModeClass::Data, "FST4"},
    {"JS8", ModeClass::Data, "JS8"},
    {"OLIVIA", ModeClass::Data, "OLIVIA"},
    {"SSTV", ModeClass::Data, "SSTV"},
    {"MFSK", ModeClass::Data, "MFSK"},
    {"FSK441", ModeClass::Data, "FSK441"},
    {"HELL", ModeClass::Data, "HELL"},
    {"CONTESTI", ModeClass::Data, "CONTESTIA"},
};

// The voice modes of ADIF 3, with the submodes some loggers write as MODE.
constexpr const char *kPhoneModes[] = {"SSB",  "USB",   "LSB",    "AM",  "FM",  "DIGITALVOICE",
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

const ModeWord *entryOfWord(QStringView word)
{
    for (const ModeWord &entry : kCommentWords) {
        if (equalsUpper(word, entry.word))
            return &entry;
    }
    // Skimmers glue the speed to the unit: "25WPM".
    if (word.size() > 3 && equalsUpper(word.right(3), "WPM") && word.at(0).isDigit())
        return &kCommentWords[1];
    return nullptr;
}

ModeClass classOfWord(QStringView word)
{
    const ModeWord *pEntry = entryOfWord(word);
    return pEntry ? pEntry->modeClass : ModeClass::Unknown;
}

const char *modeOfWord(QStringView word)
{
    const ModeWord *pEntry = entryOfWord(word);
    return pEntry ? pEntry->mode : nullptr;
}

// Calls fn on each whole word of the text until it returns true.
template <typename Fn> bool anyWord(QStringView text, Fn fn)
{
    qsizetype iStart = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool bWordChar = i < text.size() && text.at(i).isLetterOrNumber();
        if (bWordChar && iStart < 0) {
            iStart = i;
        } else if (!bWordChar && iStart >= 0) {
            if (fn(text.mid(iStart, i - iStart)))
                return true;
            iStart = -1;
        }
    }
    return false;
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
    ModeClass found = ModeClass::Unknown;
    anyWord(comment, [&found](QStringView word) {
        found = classOfWord(word);
        return found != ModeClass::Unknown;
    });
    return found;
}

QString ModeClassifier::modeFromComment(QStringView comment)
{
    const char *pMode = nullptr;
    anyWord(comment, [&pMode](QStringView word) {
        pMode = modeOfWord(word);
        return pMode != nullptr;
    });
    return pMode ? QString::fromLatin1(pMode) : QString();
}

QString ModeClassifier::modeForSpot(QStringView comment, QStringView frequency, bool *pbFromBandPlan)
{
    if (pbFromBandPlan)
        *pbFromBandPlan = false;
    const QString qsMode = modeFromComment(comment);
    if (!qsMode.isEmpty())
        return qsMode;
    bool bOk = false;
    const double dKHz = frequency.toDouble(&bOk);
    const char *pGuess = nullptr;
    switch (bOk ? BandPlan::modeFor(dKHz) : ModeClass::Unknown) {
    case ModeClass::Cw:
        pGuess = "CW";
        break;
    // Outside the VHF FM channels voice is sideband; the band plan tells
    // no more than that.
    case ModeClass::Phone:
        pGuess = "SSB";
        break;
    case ModeClass::Data:
        pGuess = "DATA";
        break;
    case ModeClass::Unknown:
        break;
    }
    if (!pGuess)
        return QString();
    if (pbFromBandPlan)
        *pbFromBandPlan = true;
    return QString::fromLatin1(pGuess);
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
    case ModeClass::Cw:
        return QCoreApplication::translate("ModeClassifier", "CW");
    case ModeClass::Phone:
        return QCoreApplication::translate("ModeClassifier", "Phone");
    case ModeClass::Data:
        return QCoreApplication::translate("ModeClassifier", "Data");
    case ModeClass::Unknown:
        break;
    }
    return QString();
}
