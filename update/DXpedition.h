#ifndef DXPEDITION_H
#define DXPEDITION_H

#include <QDateTime>
#include <QString>

// One entry of the DXpeditions list: who is on the air, from when to when,
// and what the details popup shows about them.
class DXpedition
{
public:
    QDateTime startDate;
    QDateTime endDate;
    QString call;
    QString iota;
    QString qslVia;
    QString reportedBy;
    QString info;
};

#endif // DXPEDITION_H
