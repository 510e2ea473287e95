#ifndef EXCEPTION_H
#define EXCEPTION_H

#include <QString>

// The application's exception. It reports itself on Qt's message channel of
// its severity as soon as it is constructed, so that the report exists even
// when nobody catches it; a fatal one ends the process there.
class Exception
{
public:
    enum Type { Debug = 0, Warning = 1, Critical = 2, Fatal = 3 };

    Exception();
    Exception(const QString &qsFile, int iLine);
    Exception(const QString &qsFile, int iLine, int iType);
    Exception(const QString &qsFile, int iLine, int iType, const QString &qsMessage);
    virtual ~Exception() = default;

    const QString &file() const { return m_file; }
    int line() const { return m_line; }
    int type() const { return m_type; }
    const QString &message() const { return m_message; }
    const QString &text() const { return m_text; }

private:
    void report();

    QString m_file;
    int m_line = 0;
    int m_type = Warning;
    QString m_message;
    QString m_text;
};

#endif // EXCEPTION_H
