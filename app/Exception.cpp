#include "Exception.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace {

QString unknownError()
{
    return QCoreApplication::translate("Exception", "An unknown error has occured.");
}

} // namespace

Exception::Exception() : Exception(QCoreApplication::translate("Exception", "Unknown"), 0, Warning, unknownError())
{
}

Exception::Exception(const QString &qsFile, int iLine) : Exception(qsFile, iLine, Warning, unknownError())
{
}

Exception::Exception(const QString &qsFile, int iLine, int iType) : Exception(qsFile, iLine, iType, unknownError())
{
}

Exception::Exception(const QString &qsFile, int iLine, int iType, const QString &qsMessage)
    : m_file(qsFile), m_line(iLine), m_type(iType), m_message(qsMessage)
{
    report();
}

void Exception::report()
{
    const char *pTemplate = nullptr;
    switch (m_type) {
    case Debug:
        pTemplate = QT_TRANSLATE_NOOP("Exception", "Debug message:\nFile: %1\nLine: %2\nMessage: %3\n");
        break;
    case Warning:
        pTemplate = QT_TRANSLATE_NOOP("Exception", "A warning has occured:\nFile: %1\nLine: %2\nMessage: %3\n");
        break;
    case Critical:
        pTemplate = QT_TRANSLATE_NOOP("Exception", "A critical error has occured:\nFile: %1\nLine: %2\nMessage: %3\n");
        break;
    case Fatal:
        pTemplate = QT_TRANSLATE_NOOP("Exception", "A fatal error has occured:\nFile: %1\nLine: %2\nMessage: %3\n");
        break;
    default:
        return;
    }

    // One-pass substitution, so a "%1" inside the file name or the message
    // is not substituted again.
    m_text = QCoreApplication::translate("Exception", pTemplate).arg(m_file, QString::number(m_line), m_message);

    const QByteArray baText = m_text.toLocal8Bit();
    switch (m_type) {
    case Debug:
        qDebug("%s", baText.constData());
        break;
    case Warning:
        qWarning("%s", baText.constData());
        break;
    case Critical:
        qCritical("%s", baText.constData());
        break;
    case Fatal:
        qFatal("%s", baText.constData());
    }
}
