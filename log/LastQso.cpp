#include "LastQso.h"

QString LastQso::kHzFromHz(quint64 uiHz)
{
    if (uiHz == 0)
        return QString();
    return QString::number(double(uiHz) / 1000.0, 'f', 1);
}

QString LastQso::kHzFromMHz(const QString &qsMHz)
{
    bool bOk = false;
    const double dMHz = qsMHz.trimmed().toDouble(&bOk);
    // Nothing above the highest amateur allocation is a radio frequency we spot.
    if (!bOk || dMHz <= 0.0 || dMHz > 300000.0)
        return QString();
    return QString::number(dMHz * 1000.0, 'f', 1);
}
