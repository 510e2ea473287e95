#ifndef ALERTFLAGS_H
#define ALERTFLAGS_H

#include <QFlags>

// What an alert does to a spot. One set of bits for the kinds an alert rule
// holds, the marks a spot carries to the table and the outputs of a chain:
// the stored "FilterAction" of an alert is this set shifted left by two.
enum class AlertFlag : quint32 { Color = 1, Sound = 2, Balloon = 4, Icon = 8 };
Q_DECLARE_FLAGS(AlertFlags, AlertFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(AlertFlags)

#endif // ALERTFLAGS_H
