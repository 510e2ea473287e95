#include "ChainResult.h"

QString ChainResult::actionNames(quint32 uiBits)
{
    static const char *const kNames[] = {"<Drop> ", "<Accept> ", "<Change color> ", "<Sound alert> ",
                                         "<Balloon popup> "};
    QString qsNames;
    for (int i = 0; i < 5; ++i) {
        if (uiBits & (1u << i))
            qsNames += QLatin1String(kNames[i]);
    }
    qsNames.chop(1);
    return qsNames;
}

void ChainResult::addAlerts(AlertFlags alerts)
{
    m_alerts |= alerts;
    for (size_t i = 0; i < std::size(kKinds); ++i) {
        if (alerts.testFlag(kKinds[i]))
            ++m_firings[i];
    }
}

int ChainResult::firings(AlertFlag kind) const
{
    for (size_t i = 0; i < std::size(kKinds); ++i) {
        if (kKinds[i] == kind)
            return m_firings[i];
    }
    return 0;
}
