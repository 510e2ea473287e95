#ifndef LASTQSO_H
#define LASTQSO_H

#include <QString>

// The QSO the operator logged last, as the send-spot dialog offers it.
struct LastQso
{
    QString call;
    // kHz with one decimal, as the send-spot form takes it; empty when the
    // report gave none.
    QString frequencyKHz;
    QString mode;

    bool isValid() const { return !call.isEmpty(); }
    // "14074.0" from Hz; empty for zero or less.
    static QString kHzFromHz(quint64 uiHz);
    // "14074.0" from ADIF's MHz text; empty for anything that does not read.
    static QString kHzFromMHz(const QString &qsMHz);
};

#endif // LASTQSO_H
