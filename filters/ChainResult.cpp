#include "ChainResult.h"

QString ChainResult::actionNames(quint32 uiBits)
{
    static const char *const kNames[] = {
        "<Drop> ", "<Accept> ", "<Change color> ", "<Sound alert> ", "<Balloon popup> "
    };
    QString qsNames;
    for (int i = 0; i < 5; ++i) {
        if (uiBits & (1u << i))
            qsNames += QLatin1String(kNames[i]);
    }
    qsNames.chop(1);
    return qsNames;
}
