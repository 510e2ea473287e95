#ifndef MODECLASS_H
#define MODECLASS_H

#include <QtGlobal>

// The kind of emission, in the three classes the program tells apart: what
// a band-plan segment is for, what "new mode" compares (a QSO in any mode of
// a class counts for the whole class) and what the rig is tuned to. The
// values are stored in the log's MODE_CLASS column.
enum class ModeClass : quint8 { Unknown = 0, Cw = 1, Phone = 2, Data = 3 };

#endif // MODECLASS_H
