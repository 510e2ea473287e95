#include "AutostartEntry.h"

#include "API/QsLog/QsLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// An autostart file is a few hundred bytes; a huge one is not ours.
constexpr qint64 kMaxFileSize = 64 * 1024;

// Characters the desktop entry format reserves inside an Exec argument.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

QString unescapeValue(QStringView value)
{
    QString qsText;
    qsText.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            qsText.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('s'))
            qsText.append(QLatin1Char(' '));
        else if (next == QLatin1Char('n'))
            qsText.append(QLatin1Char('\n'));
        else if (next == QLatin1Char('t'))
            qsText.append(QLatin1Char('\t'));
        else if (next == QLatin1Char('r'))
            qsText.append(QLatin1Char('\r'));
        else
            qsText.append(next);
    }
    return qsText;
}

} // namespace

QString AutostartEntry::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::ConfigLocation)
        + QStringLiteral("/autostart/kelvane.desktop");
}

bool AutostartEntry::isEnabled()
{
    return isEnabledFor(QCoreApplication::applicationFilePath());
}

bool AutostartEntry::isEnabledFor(const QString &qsExecutable)
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > kMaxFileSize)
        return false;
    const QStringList lines = QString::fromUtf8(file.read(kMaxFileSize)).split(QLatin1Char('\n'));
    bool bInEntry = false;
    QString qsExec;
    for (const QString &qsRaw : lines) {
        const QString qsLine = qsRaw.trimmed();
        if (qsLine.startsWith(QLatin1Char('['))) {
            bInEntry = qsLine == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!bInEntry)
            continue;
        const qsizetype iEquals = qsLine.indexOf(QLatin1Char('='));
        if (iEquals < 0)
            continue;
        const QString qsKey = qsLine.left(iEquals).trimmed();
        const QString qsValue = qsLine.mid(iEquals + 1).trimmed();
        if (qsKey == QLatin1String("Exec"))
            qsExec = unescapeValue(qsValue);
        else if (qsKey == QLatin1String("Hidden") && qsValue == QLatin1String("true"))
            return false;
    }
    return !qsExec.isEmpty() && executableOf(qsExec) == qsExecutable;
}

bool AutostartEntry::setEnabled(bool bEnabled)
{
    if (bEnabled)
        return writeFor(QCoreApplication::applicationFilePath());
    if (!QFileInfo::exists(filePath()))
        return true;
    if (QFile::remove(filePath()))
        return true;
    QLOG_WARN() << "Cannot remove the autostart file" << filePath();
    return false;
}

bool AutostartEntry::writeFor(const QString &qsExecutable)
{
    const QString qsPath = filePath();
    QDir().mkpath(QFileInfo(qsPath).absolutePath());
    // The value level of the format escapes backslashes and line breaks once
    // more, on top of the quoting of the argument.
    QString qsExec = execValue(qsExecutable);
    qsExec.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));

    QSaveFile file(qsPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        const QString qsText = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=Kelvane\n"
                                              "Comment=DX cluster client\n"
                                              "Exec=%1\n"
                                              "Terminal=false\n"
                                              "X-GNOME-Autostart-enabled=true\n")
                                   .arg(qsExec);
        file.write(qsText.toUtf8());
        if (file.commit())
            return true;
    }
    QLOG_WARN() << "Cannot write the autostart file" << qsPath << file.errorString();
    return false;
}

QString AutostartEntry::execValue(const QString &qsExecutable)
{
    QString qsArgument = qsExecutable;
    bool bQuote = false;
    for (const QChar c : qsExecutable)
        bQuote = bQuote || kReserved.contains(c);
    if (bQuote) {
        qsArgument.clear();
        for (const QChar c : qsExecutable) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                qsArgument.append(QLatin1Char('\\'));
            qsArgument.append(c);
        }
        qsArgument = QLatin1Char('"') + qsArgument + QLatin1Char('"');
    }
    // '%' introduces field codes in Exec.
    return qsArgument.replace(QLatin1Char('%'), QLatin1String("%%"));
}

QString AutostartEntry::executableOf(const QString &qsExecValue)
{
    QString qsExec = qsExecValue;
    qsExec.replace(QLatin1String("%%"), QLatin1String("%"));
    QString qsProgram;
    if (qsExec.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < qsExec.size(); ++i) {
            const QChar c = qsExec.at(i);
            if (c == QLatin1Char('"'))
                return qsProgram;
            if (c == QLatin1Char('\\') && i + 1 < qsExec.size())
                qsProgram.append(qsExec.at(++i));
            else
                qsProgram.append(c);
        }
        // An unclosed quote starts nothing.
        return QString();
    }
    const qsizetype iSpace = qsExec.indexOf(QLatin1Char(' '));
    return iSpace < 0 ? qsExec : qsExec.left(iSpace);
}
