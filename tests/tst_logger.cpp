#include "API/QsLog/QsLog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

using namespace QsLogging;

namespace {

QStringList g_lines;
QList<int> g_levels;

void collectLine(const QString &qsMessage, int iLevel)
{
    g_lines.append(qsMessage);
    g_levels.append(iLevel);
}

void functionThatLogs(const QString &qsMessage, int iLevel)
{
    collectLine(qsMessage, iLevel);
    QLOG_ERROR() << "nested";
}

int g_operandEvaluations = 0;

QString countedOperand()
{
    ++g_operandEvaluations;
    return QStringLiteral("operand");
}

void logAt(Level level)
{
    switch (level) {
    case LevelTrace:
        QLOG_TRACE() << "at" << countedOperand();
        break;
    case LevelDebug:
        QLOG_DEBUG() << "at" << countedOperand();
        break;
    case LevelInfo:
        QLOG_INFO() << "at" << countedOperand();
        break;
    case LevelFatal:
        QLOG_FATAL() << "at" << countedOperand();
        break;
    default:
        QFAIL("level without a statement here");
    }
}

QString fileText(const QString &qsPath)
{
    QFile file(qsPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
}

} // namespace

class TstLogger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        g_lines.clear();
        g_levels.clear();
    }
    void cleanup() { Logger::shutdown(); }

    void thresholdGatesStatements_data();
    void thresholdGatesStatements();
    void lineFormat();

    void fileWithoutRotationTruncatesOnReopen();
    void sizeRotation_data();
    void sizeRotation();
    void unopenableFileKeepsRunning();
    void destinationThatLogsDoesNotDeadlock();

    void concurrentLinesStayWhole();
    void shutdownWhileOtherThreadsLog();
};

void TstLogger::thresholdGatesStatements_data()
{
    QTest::addColumn<int>("threshold"); // -1: the default of a fresh logger
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("expectedPrefix"); // empty: nothing written

    QTest::newRow("error threshold, fatal") << 4 << int(LevelFatal) << QStringLiteral("FATAL ");
    QTest::newRow("off threshold, fatal") << 6 << int(LevelFatal) << QString();
    QTest::newRow("trace threshold, trace") << 0 << int(LevelTrace) << QStringLiteral("TRACE ");
    QTest::newRow("debug threshold, trace") << 1 << int(LevelTrace) << QString();
    QTest::newRow("default threshold, debug") << -1 << int(LevelDebug) << QString();
    QTest::newRow("default threshold, info") << -1 << int(LevelInfo) << QStringLiteral("INFO  ");
}

void TstLogger::thresholdGatesStatements()
{
    QFETCH(int, threshold);
    QFETCH(int, level);
    QFETCH(QString, expectedPrefix);

    Logger::get().appendDestination(newFunctorDestination(&collectLine));
    if (threshold >= 0)
        Logger::get().setThreshold(static_cast<Level>(threshold));
    g_operandEvaluations = 0;

    logAt(static_cast<Level>(level)); // QLOG_FATAL must log, not abort.

    if (expectedPrefix.isEmpty()) {
        QVERIFY(g_lines.isEmpty());
        QCOMPARE(g_operandEvaluations, 0); // Suppressed statements format nothing.
    } else {
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(
            expectedPrefix + QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} at "operand" )")));
        QCOMPARE(g_lines.size(), 1);
        QVERIFY2(pattern.match(g_lines.first()).hasMatch(), qPrintable(g_lines.first()));
        QCOMPARE(g_levels, QList<int> {level});
        QCOMPARE(g_operandEvaluations, 1);
    }
}

void TstLogger::lineFormat()
{
    Logger::get().appendDestination(newFunctorDestination(&collectLine));
    QLOG_INFO() << "Connecting to" << QStringLiteral("dx.example.net") << "port" << quint16(7300) << -5;
    // A node must not be able to forge a log line: control characters in text
    // it sent come out escaped, never as a real line break.
    QLOG_INFO() << "<-" << QStringLiteral("DX de K1AB\r\nERROR 2024-01-01T00:00:00.000 forged");
    QLOG_INFO() << QStringLiteral("%1 %2"); // Percent markers in a message stay as sent.

    QStringList lMessages;
    for (const QString &qsLine : std::as_const(g_lines))
        lMessages.append(qsLine.mid(30)); // After level and timestamp.
    QCOMPARE(lMessages,
             (QStringList {QStringLiteral("Connecting to \"dx.example.net\" port 7300 -5 "),
                           QStringLiteral("<- \"DX de K1AB\\r\\nERROR 2024-01-01T00:00:00.000 forged\" "),
                           QStringLiteral("\"%1 %2\" ")}));
}

void TstLogger::fileWithoutRotationTruncatesOnReopen()
{
    QTemporaryDir dir;
    const QString qsPath = dir.filePath(QStringLiteral("kelvane.log"));
    Logger::get().appendDestination(newFileDestination(qsPath, DisableLogRotation, 0, 0));
    QLOG_INFO() << "first run" << QStringLiteral("Zürich");
    // Flushed per line, in UTF-8: visible while the destination is still open.
    QVERIFY(fileText(qsPath).endsWith(QStringLiteral(" first run \"Zürich\" \n")));
    Logger::shutdown();

    Logger::get().appendDestination(newFileDestination(qsPath, DisableLogRotation, 0, 0));
    QLOG_WARN() << "second run";
    const QString qsText = fileText(qsPath);
    QVERIFY2(qsText.startsWith(QStringLiteral("WARN  ")) && qsText.endsWith(QStringLiteral(" second run \n"))
                 && qsText.count(QLatin1Char('\n')) == 1,
             qPrintable(qsText));
}

void TstLogger::sizeRotation_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<int>("backups");
    QTest::addColumn<QString>("letters");      // one 41-byte line each, 100-byte limit
    QTest::addColumn<QStringList>("expected"); // the log, then .1, .2, ...

    // Regression: the line written into the fresh file must count, or E
    // would land in the same file as C and D.
    QTest::newRow("oldest backup overwritten")
        << QString() << 2 << QStringLiteral("ABCDEFG") << QStringList {"G", "EF", "CD"};
    QTest::newRow("at most ten backups") << QString() << 15 << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVW")
                                         << QStringList {"W",  "UV", "ST", "QR", "OP", "MN",
                                                         "KL", "IJ", "GH", "EF", "CD"};
    QTest::newRow("no backups restarts file") << QString() << 0 << QStringLiteral("ABC") << QStringList {"C"};
    // Regression: backup names built with QString(".%1").arg(i) also replaced
    // the "%1" in the directory name and renamed into a missing folder.
    QTest::newRow("percent marker in directory")
        << QStringLiteral("logs%1") << 1 << QStringLiteral("ABC") << QStringList {"C", "AB"};
}

void TstLogger::sizeRotation()
{
    QFETCH(QString, directory);
    QFETCH(int, backups);
    QFETCH(QString, letters);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QVERIFY(directory.isEmpty() || QDir(dir.path()).mkdir(directory));
    const QString qsPath = QDir(dir.filePath(directory)).filePath(QStringLiteral("kelvane.log"));
    const DestinationPtr destination = newFileDestination(qsPath, EnableLogRotation, 100, backups);
    for (const QChar letter : letters)
        destination->write(QString(40, letter), LevelInfo);

    QStringList lFiles;
    for (const QString &qsLetters : expected) {
        QString qsText;
        for (const QChar letter : qsLetters)
            qsText += QString(40, letter) + QLatin1Char('\n');
        const QString qsName = lFiles.isEmpty() ? qsPath : qsPath + QLatin1Char('.') + QString::number(lFiles.size());
        QCOMPARE(fileText(qsName), qsText);
        // The log was readable by every user of the machine.
        QCOMPARE(QFileInfo(qsName).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
        lFiles.append(QFileInfo(qsName).fileName());
    }
    lFiles.sort();
    QCOMPARE(QDir(QFileInfo(qsPath).path()).entryList(QDir::Files, QDir::Name), lFiles);
}

void TstLogger::unopenableFileKeepsRunning()
{
    QTemporaryDir dir; // A directory cannot be opened as a file.
    const DestinationPtr fileDestination = newFileDestination(dir.path(), DisableLogRotation, 0, 0);
    QVERIFY(!fileDestination->isUsable());

    Logger::get().appendDestination(fileDestination);
    Logger::get().appendDestination(newFunctorDestination(&collectLine));
    QLOG_ERROR() << "still logging";
    QCOMPARE(g_lines.size(), 1);
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void TstLogger::destinationThatLogsDoesNotDeadlock()
{
    // A destination that logs (or a Qt message handler forwarding warnings
    // raised inside one) re-enters the logger while it holds its
    // non-recursive mutex; the nested line is dropped instead of hanging.
    Logger::get().appendDestination(newFunctorDestination(&functionThatLogs));
    QLOG_ERROR() << "outer";
    QLOG_ERROR() << "second";
    QCOMPARE(g_lines.size(), 2);
    QVERIFY(g_lines.at(0).endsWith(QStringLiteral(" outer ")));
}

void TstLogger::concurrentLinesStayWhole()
{
    constexpr int kThreads = 6;
    constexpr int kLinesPerThread = 400;
    QTemporaryDir dir;
    const QString qsPath = dir.filePath(QStringLiteral("kelvane.log"));
    Logger::get().appendDestination(newFileDestination(qsPath, DisableLogRotation, 0, 0));
    const QString qsPadding(300, QLatin1Char('p'));

    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(QThread::create([t, qsPadding] {
            for (int i = 0; i < kLinesPerThread; ++i)
                QLOG_INFO() << "thread" << t << "line" << i << qsPadding;
        }));
        threads.back()->start();
    }
    for (auto &thread : threads)
        QVERIFY(thread->wait(60000));

    static const QRegularExpression pattern(
        QStringLiteral(R"(^INFO  \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} thread (\d+) line (\d+) "p{300}" $)"));
    QStringList lines = fileText(qsPath).split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString());
    QList<int> nextLine(kThreads, 0);
    for (const QString &qsLine : std::as_const(lines)) {
        const QRegularExpressionMatch match = pattern.match(qsLine);
        QVERIFY2(match.hasMatch(), qPrintable(qsLine));
        QCOMPARE(match.captured(2).toInt(), nextLine[match.captured(1).toInt()]++); // Each thread's lines in order.
    }
    QCOMPARE(nextLine, QList<int>(kThreads, kLinesPerThread));
}

void TstLogger::shutdownWhileOtherThreadsLog()
{
    // The rig thread may still log while the application shuts the logger
    // down; under the sanitizer this catches any use of a freed logger.
    std::atomic<bool> bStop {false};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back(QThread::create([&bStop] {
            for (int i = 0; !bStop.load(); ++i)
                QLOG_INFO() << "busy" << i;
        }));
        threads.back()->start();
    }
    for (int round = 0; round < 5000; ++round) {
        Logger::get().appendDestination(newFunctorDestination(LogFunction(nullptr)));
        Logger::shutdown();
    }
    bStop = true;
    for (auto &thread : threads)
        QVERIFY(thread->wait(10000));
}

QTEST_GUILESS_MAIN(TstLogger)
#include "tst_logger.moc"
