#ifndef MODECLASSIFIER_H
#define MODECLASSIFIER_H

#include "radio/ModeClass.h"

#include <QString>
#include <QStringView>

// The mode class of a logged QSO (from its ADIF MODE and SUBMODE) and of a
// spot (from the words of its comment, or else from the band-plan segment
// its frequency lies in).
class ModeClassifier
{
public:
    // Empty MODE and SUBMODE give Unknown; any mode that is neither CW nor
    // a voice mode is data.
    static ModeClass fromAdif(const QString &qsMode, const QString &qsSubmode);
    // The class the first mode word of a comment names, Unknown when none.
    static ModeClass fromComment(QStringView comment);
    static ModeClass forSpot(const QString &qsComment, double dKHz);
    // "CW", "Phone", "Data" in the user's language, empty for Unknown.
    static QString label(ModeClass modeClass);
};

#endif // MODECLASSIFIER_H
