#ifndef CALLRULES_H
#define CALLRULES_H

#include <QString>

// How a call as spotted becomes the texts the country tables are searched
// for. The lookup tries the whole-call entries with `call`, then with
// `reduced` when that is set, and then the longest prefix of `prefixText`.
class CallRules
{
public:
    // Empty texts when the call cannot belong to any country.
    struct Search
    {
        QString call;
        // The call without empty parts and home designators, when it differs.
        QString reduced;
        QString prefixText;
    };

    static Search search(const QString &qsCall);
    // Surrounding ASCII spaces removed and ASCII letters upper-cased; empty
    // for a call holding anything beyond ASCII, which is junk.
    static QString normalized(const QString &qsCall);
};

#endif // CALLRULES_H
