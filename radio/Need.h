#ifndef NEED_H
#define NEED_H

#include <QtGlobal>

// What a spot's station still is to the operator, by his log: the first of
// these that applies. None: no log, or the spot has no country. The order
// matters: a rule on a level matches every level before it.
enum class Need : quint8 { None, NewCountry, NewBand, NewMode, Unconfirmed, Confirmed };

#endif // NEED_H
