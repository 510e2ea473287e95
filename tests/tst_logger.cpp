#include "API/QsLog/QsLog.h"

#include "API/QsLog/FileDestination.h"
#include "API/QsLog/SizeRotationStrategy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace QsLogging;

namespace {

class CollectingDestination : public Destination
{
public:
    void write(const QString &qsMessage, Level level) override
    {
        lines.append(qsMessage);
        levels.append(level);
    }
    bool isUsable() const override { return true; }

    QStringList lines;
    QList<Level> levels;
};

QSharedPointer<CollectingDestination> installCollector(Level threshold)
{
    auto collector = QSharedPointer<CollectingDestination>::create();
    Logger::get().setThreshold(threshold);
    Logger::get().appendDestination(collector);
    return collector;
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
    case LevelTrace: QLOG_TRACE() << "at" << countedOperand(); break;
    case LevelDebug: QLOG_DEBUG() << "at" << countedOperand(); break;
    case LevelInfo: QLOG_INFO() << "at" << countedOperand(); break;
    case LevelWarn: QLOG_WARN() << "at" << countedOperand(); break;
    case LevelError: QLOG_ERROR() << "at" << countedOperand(); break;
    case LevelFatal: QLOG_FATAL() << "at" << countedOperand(); break;
    default: break;
    }
}

QString fileText(const QString &qsPath)
{
    QFile file(qsPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
}

void writeFile(const QString &qsPath, const QByteArray &content)
{
    QFile file(qsPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// A 40-byte message of one repeated letter and its line in the file.
QString message40(char letter) { return QString(40, QLatin1Char(letter)); }
QString line40(char letter) { return message40(letter) + QLatin1Char('\n'); }

QStringList g_functionMessages;

void collectFunction(const QString &qsMessage, int iLevel)
{
    g_functionMessages.append(QString::number(iLevel) + QLatin1Char(' ') + qsMessage.left(5));
}

void functionThatLogs(const QString &qsMessage, int)
{
    g_functionMessages.append(qsMessage);
    QLOG_ERROR() << "nested";
}

#ifdef Q_OS_UNIX
// Points file descriptor 2 at a file while it lives.
class StandardErrorCapture
{
public:
    explicit StandardErrorCapture(const QString &qsPath)
        : m_qsPath(qsPath)
    {
        std::fflush(stderr);
        m_savedFd = ::dup(STDERR_FILENO);
        const int fd = ::open(QFile::encodeName(qsPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StandardErrorCapture() { restore(); }

    QString text()
    {
        restore();
        return fileText(m_qsPath);
    }

private:
    void restore()
    {
        if (m_savedFd < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_savedFd, STDERR_FILENO);
        ::close(m_savedFd);
        m_savedFd = -1;
    }

    QString m_qsPath;
    int m_savedFd = -1;
};
#endif

} // namespace

class LineReceiver : public QObject
{
    Q_OBJECT

public:
    void onLogMessage(const QString &qsMessage, int iLevel)
    {
        levels.append(iLevel);
        messages.append(qsMessage);
        threads.append(QThread::currentThread());
    }

    QList<int> levels;
    QStringList messages;
    QList<QThread *> threads;
};

using Streamer = void (*)(QDebug &);
Q_DECLARE_METATYPE(Streamer)

class TstLogger : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Logger::shutdown(); }

    void thresholdGatesStatements_data();
    void thresholdGatesStatements();
    void lineFormat_data();
    void lineFormat();
    void startupLineThroughMacro();
    void levelOfLine_data();
    void levelOfLine();

    void fileWithoutRotationTruncatesOnReopen();
    void sizeRotationShiftsBackups();
    void sizeRotationWithoutBackupsRestartsFile();
    void sizeRotationKeepsAtMostTenBackups();
    void backupNamesIgnorePercentMarkers();
    void unopenableFileKeepsRunning();

    void functionDestinationGetsEveryLevel();
    void slotDestinationIsQueuedAndSkipsTrace();
    void destinationThatLogsDoesNotDeadlock();

    void concurrentLinesStayWhole();
    void shutdownWhileOtherThreadsLog();
};

void TstLogger::thresholdGatesStatements_data()
{
    QTest::addColumn<int>("threshold"); // -1: the default of a fresh logger
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("expectedPrefix"); // empty: nothing written

    QTest::newRow("error threshold, info") << 4 << int(LevelInfo) << QString();
    QTest::newRow("error threshold, error") << 4 << int(LevelError) << QStringLiteral("ERROR ");
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

    auto collector = QSharedPointer<CollectingDestination>::create();
    Logger::get().appendDestination(collector);
    if (threshold >= 0)
        Logger::get().setThreshold(static_cast<Level>(threshold));
    g_operandEvaluations = 0;

    logAt(static_cast<Level>(level)); // QLOG_FATAL must log, not abort.

    if (expectedPrefix.isEmpty()) {
        QVERIFY(collector->lines.isEmpty());
        QCOMPARE(g_operandEvaluations, 0); // Suppressed statements format nothing.
    } else {
        QCOMPARE(collector->lines.size(), 1);
        QVERIFY2(collector->lines.first().startsWith(expectedPrefix), qPrintable(collector->lines.first()));
        QVERIFY(collector->lines.first().endsWith(QStringLiteral(" at \"operand\" ")));
        QCOMPARE(int(collector->levels.first()), level);
        QCOMPARE(g_operandEvaluations, 1);
    }
}

void TstLogger::lineFormat_data()
{
    QTest::addColumn<Streamer>("streamer");
    QTest::addColumn<QString>("expectedMessage");

    QTest::newRow("QString items quoted") << Streamer([](QDebug &s) {
        s << QStringLiteral("Kelvane") << QStringLiteral("1.3.106") << QStringLiteral("started");
    }) << QStringLiteral("\"Kelvane\" \"1.3.106\" \"started\" ");
    QTest::newRow("char literals unquoted") << Streamer([](QDebug &s) {
        s << "Kelvane" << "1.3.106" << "started";
    }) << QStringLiteral("Kelvane 1.3.106 started ");
    QTest::newRow("literal then error text") << Streamer([](QDebug &s) {
        s << "Socket error:" << QStringLiteral("Connection refused");
    }) << QStringLiteral("Socket error: \"Connection refused\" ");
    QTest::newRow("numbers in decimal") << Streamer([](QDebug &s) {
        s << "Connecting to" << QStringLiteral("dx.example.net") << "port" << quint16(7300) << -5;
    }) << QStringLiteral("Connecting to \"dx.example.net\" port 7300 -5 ");
    // A node must not be able to forge a log line: control characters in text
    // it sent come out escaped, never as a real line break.
    QTest::newRow("node text with line feed") << Streamer([](QDebug &s) {
        s << "<-" << QStringLiteral("DX de K1AB\r\nERROR 2024-01-01T00:00:00.000 forged");
    }) << QStringLiteral("<- \"DX de K1AB\\r\\nERROR 2024-01-01T00:00:00.000 forged\" ");
    // Percent markers in a message stay as sent.
    QTest::newRow("percent markers kept") << Streamer([](QDebug &s) { s << QStringLiteral("%1 %2"); })
                                          << QStringLiteral("\"%1 %2\" ");
    QTest::newRow("non-ASCII text") << Streamer([](QDebug &s) { s << QStringLiteral("Zürich ÆØÅ"); })
                                    << QStringLiteral("\"Zürich ÆØÅ\" ");
    QTest::newRow("nothing streamed") << Streamer([](QDebug &) {}) << QString();
}

void TstLogger::lineFormat()
{
    QFETCH(Streamer, streamer);
    QFETCH(QString, expectedMessage);

    auto collector = installCollector(LevelInfo);
    const QDateTime before = QDateTime::currentDateTime();
    {
        Logger::Helper helper(LevelInfo);
        streamer(helper.stream());
    }
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(collector->lines.size(), 1);
    const QString qsLine = collector->lines.first();
    QVERIFY(!qsLine.contains(QLatin1Char('\n')) && !qsLine.contains(QLatin1Char('\r')));
    QCOMPARE(qsLine.left(6), QStringLiteral("INFO  "));
    const QDateTime stamp = QDateTime::fromString(qsLine.mid(6, 23), QStringLiteral("yyyy-MM-dd'T'hh:mm:ss.zzz"));
    QVERIFY2(stamp.isValid(), qPrintable(qsLine));
    QVERIFY(before <= stamp && stamp <= after);
    QCOMPARE(qsLine.mid(29, 1), QStringLiteral(" "));
    QCOMPARE(qsLine.mid(30), expectedMessage);
}

void TstLogger::startupLineThroughMacro()
{
    auto collector = installCollector(LevelInfo);
    QLOG_INFO() << QStringLiteral("Kelvane") << QStringLiteral("1.3.106") << QStringLiteral("started");

    QCOMPARE(collector->lines.size(), 1);
    static const QRegularExpression pattern(QStringLiteral(
        R"(^INFO  \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} "Kelvane" "1\.3\.106" "started" $)"));
    QVERIFY2(pattern.match(collector->lines.first()).hasMatch(), qPrintable(collector->lines.first()));
}

void TstLogger::levelOfLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("expectedLevel");
    QTest::addColumn<bool>("expectedOk");

    QTest::newRow("INFO and space") << QStringLiteral("INFO  2024-05-01T10:00:00.000 x") << int(LevelInfo) << true;
    QTest::newRow("bare FATAL") << QStringLiteral("FATAL") << int(LevelFatal) << true;
    QTest::newRow("TRACE run on") << QStringLiteral("TRACEX") << int(LevelTrace) << true;
    QTest::newRow("INFO colon") << QStringLiteral("INFO: started") << int(LevelOff) << false;
    QTest::newRow("WARN without space") << QStringLiteral("WARN") << int(LevelOff) << false;
    QTest::newRow("lower case") << QStringLiteral("error socket") << int(LevelOff) << false;
    QTest::newRow("leading space") << QStringLiteral(" ERROR") << int(LevelOff) << false;
    QTest::newRow("empty") << QString() << int(LevelOff) << false;
}

void TstLogger::levelOfLine()
{
    QFETCH(QString, line);
    QFETCH(int, expectedLevel);
    QFETCH(bool, expectedOk);

    bool bOk = !expectedOk;
    QCOMPARE(int(Logger::levelOfLine(line, &bOk)), expectedLevel);
    QCOMPARE(bOk, expectedOk);
    QCOMPARE(int(Logger::levelOfLine(line)), expectedLevel); // The flag is optional.
}

void TstLogger::fileWithoutRotationTruncatesOnReopen()
{
    QTemporaryDir dir;
    const QString qsPath = dir.filePath(QStringLiteral("kelvane.log"));
    Logger::get().appendDestination(newFileDestination(qsPath, DisableLogRotation, 0, 0));
    QLOG_INFO() << "first run" << QStringLiteral("Zürich");
    QLOG_INFO() << "first run again";
    // Flushed per line: visible while the destination is still open.
    QCOMPARE(fileText(qsPath).count(QLatin1Char('\n')), 2);
    QVERIFY(fileText(qsPath).contains(QStringLiteral("first run \"Zürich\" \n"))); // UTF-8
    Logger::shutdown();

    Logger::get().appendDestination(newFileDestination(qsPath, DisableLogRotation, 0, 0));
    QLOG_WARN() << "second run";
    const QString qsText = fileText(qsPath);
    QVERIFY2(qsText.startsWith(QStringLiteral("WARN  ")) && qsText.endsWith(QStringLiteral(" second run \n"))
                 && qsText.count(QLatin1Char('\n')) == 1,
             qPrintable(qsText));
    QVERIFY(!QFile::exists(qsPath + QStringLiteral(".1")));
}

void TstLogger::sizeRotationShiftsBackups()
{
    QTemporaryDir dir;
    const QString qsPath = dir.filePath(QStringLiteral("kelvane.log"));
    const DestinationPtr destination = newFileDestination(qsPath, EnableLogRotation, 100, 2);
    const auto write = [&](char letter) { destination->write(message40(letter), LevelInfo); };

    write('A');
    write('B');
    QCOMPARE(fileText(qsPath), line40('A') + line40('B'));
    write('C'); // 120 > 100: rotate before writing.
    QCOMPARE(fileText(qsPath + QStringLiteral(".1")), line40('A') + line40('B'));
    QCOMPARE(fileText(qsPath), line40('C'));
    // Regression: the line written into the fresh file must count, or E
    // would land in the same file as C and D.
    write('D');
    write('E');
    QCOMPARE(fileText(qsPath + QStringLiteral(".2")), line40('A') + line40('B'));
    QCOMPARE(fileText(qsPath + QStringLiteral(".1")), line40('C') + line40('D'));
    QCOMPARE(fileText(qsPath), line40('E'));
    write('F');
    write('G'); // The oldest backup (A, B) is overwritten.
    QCOMPARE(fileText(qsPath + QStringLiteral(".2")), line40('C') + line40('D'));
    QCOMPARE(fileText(qsPath + QStringLiteral(".1")), line40('E') + line40('F'));
    QCOMPARE(fileText(qsPath), line40('G'));
    QVERIFY(!QFile::exists(qsPath + QStringLiteral(".3")));
}

void TstLogger::sizeRotationWithoutBackupsRestartsFile()
{
    QTemporaryDir dir;
    const QString qsPath = dir.filePath(QStringLiteral("kelvane.log"));
    const DestinationPtr destination = newFileDestination(qsPath, EnableLogRotation, 100, 0);
    for (char letter : {'A', 'B', 'C'})
        destination->write(message40(letter), LevelInfo);
    QCOMPARE(fileText(qsPath), line40('C'));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kelvane.log")});
}

void TstLogger::sizeRotationKeepsAtMostTenBackups()
{
    QTemporaryDir dir;
    const QString qsPath = dir.filePath(QStringLiteral("kelvane.log"));
    for (int i = 1; i <= 10; ++i)
        writeFile(qsPath + QLatin1Char('.') + QString::number(i), "old " + QByteArray::number(i));
    writeFile(qsPath, QByteArray(90, 'x'));

    const DestinationPtr destination = newFileDestination(qsPath, EnableLogRotation, 100, 15);
    destination->write(message40('N'), LevelInfo);

    QCOMPARE(fileText(qsPath), line40('N'));
    QCOMPARE(fileText(qsPath + QStringLiteral(".1")), QString(90, QLatin1Char('x')));
    QCOMPARE(fileText(qsPath + QStringLiteral(".2")), QStringLiteral("old 1"));
    QCOMPARE(fileText(qsPath + QStringLiteral(".10")), QStringLiteral("old 9"));
    QVERIFY(!QFile::exists(qsPath + QStringLiteral(".11")));
}

void TstLogger::backupNamesIgnorePercentMarkers()
{
    // Regression: backup names built with QString(".%1").arg(i) also replaced
    // the "%1" in the directory name and renamed into a missing folder.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("logs%1")));
    const QString qsPath = dir.filePath(QStringLiteral("logs%1/kelvane.log"));
    const DestinationPtr destination = newFileDestination(qsPath, EnableLogRotation, 50, 2);
    destination->write(message40('A'), LevelInfo);
    destination->write(message40('B'), LevelInfo);
    QCOMPARE(fileText(qsPath + QStringLiteral(".1")), line40('A'));
    QCOMPARE(fileText(qsPath), line40('B'));
}

void TstLogger::unopenableFileKeepsRunning()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString qsDirectoryPath = dir.path(); // A directory cannot be opened as a file.
    DestinationPtr fileDestination;
    QString qsStandardError;
    {
        StandardErrorCapture capture(dir.filePath(QStringLiteral("stderr.txt")));
        fileDestination = newFileDestination(qsDirectoryPath, DisableLogRotation, 0, 0);
        qsStandardError = capture.text();
    }
    QCOMPARE(qsStandardError, QStringLiteral("QsLog: could not open log file ") + qsDirectoryPath + '\n');
    QVERIFY(!fileDestination->isUsable());

    Logger::get().appendDestination(fileDestination);
    auto collector = installCollector(LevelError);
    QLOG_ERROR() << "still logging";
    QLOG_ERROR() << "and again";
    QCOMPARE(collector->lines.size(), 2);
    QVERIFY(QFileInfo(qsDirectoryPath).isDir());
#else
    QSKIP("Captures standard error with POSIX descriptors");
#endif
}

void TstLogger::functionDestinationGetsEveryLevel()
{
    g_functionMessages.clear();
    Logger::get().appendDestination(newFunctorDestination(&collectFunction));
    Logger::get().setThreshold(LevelTrace);
    QLOG_TRACE() << "t";
    QLOG_WARN() << "w";
    QCOMPARE(g_functionMessages, (QStringList{QStringLiteral("0 TRACE"), QStringLiteral("3 WARN ")}));
}

void TstLogger::slotDestinationIsQueuedAndSkipsTrace()
{
    LineReceiver receiver;
    Logger::get().appendDestination(newFunctorDestination(&receiver, &LineReceiver::onLogMessage));
    Logger::get().setThreshold(LevelTrace);

    QLOG_TRACE() << "chatter";
    QLOG_INFO() << "from main";
    QVERIFY(receiver.messages.isEmpty()); // Queued, not called inside the statement.

    std::unique_ptr<QThread> worker(QThread::create([] { QLOG_ERROR() << "from worker"; }));
    worker->start();
    QVERIFY(worker->wait(10000));

    QTRY_COMPARE(receiver.messages.size(), 2);
    QCOMPARE(receiver.levels, (QList<int>{LevelInfo, LevelError}));
    QVERIFY(receiver.messages.at(0).endsWith(QStringLiteral(" from main ")));
    QVERIFY(receiver.messages.at(1).endsWith(QStringLiteral(" from worker ")));
    QCOMPARE(receiver.threads, (QList<QThread *>{QThread::currentThread(), QThread::currentThread()}));
    QTest::qWait(50);
    QCOMPARE(receiver.messages.size(), 2); // The trace line never arrives.
}

void TstLogger::destinationThatLogsDoesNotDeadlock()
{
    // A destination that logs (or a Qt message handler forwarding warnings
    // raised inside one) re-enters the logger while it holds its
    // non-recursive mutex; the nested line is dropped instead of hanging.
    g_functionMessages.clear();
    Logger::get().appendDestination(newFunctorDestination(&functionThatLogs));
    QLOG_ERROR() << "outer";
    QLOG_ERROR() << "second";
    QCOMPARE(g_functionMessages.size(), 2);
    QVERIFY(g_functionMessages.at(0).endsWith(QStringLiteral(" outer ")));
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

    static const QRegularExpression pattern(QStringLiteral(
        R"(^INFO  \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} thread (\d+) line (\d+) "p{300}" $)"));
    const QStringList lines = fileText(qsPath).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), kThreads * kLinesPerThread + 1);
    QVERIFY(lines.last().isEmpty());
    QList<int> nextLine(kThreads, 0);
    for (int n = 0; n < lines.size() - 1; ++n) {
        const QRegularExpressionMatch match = pattern.match(lines.at(n));
        QVERIFY2(match.hasMatch(), qPrintable(QStringLiteral("line %1: %2").arg(n).arg(lines.at(n))));
        const int t = match.captured(1).toInt();
        QCOMPARE(match.captured(2).toInt(), nextLine[t]++); // Each thread's lines in order.
    }
    QCOMPARE(nextLine, QList<int>(kThreads, kLinesPerThread));
}

void TstLogger::shutdownWhileOtherThreadsLog()
{
    // The rig thread may still log while the application shuts the logger
    // down; under the sanitizer this catches any use of a freed logger.
    std::atomic<bool> bStop{false};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back(QThread::create([&bStop] {
            for (int i = 0; !bStop.load(); ++i)
                QLOG_INFO() << "busy" << i;
        }));
        threads.back()->start();
    }
    for (int round = 0; round < 5000; ++round) {
        Logger::get().appendDestination(QSharedPointer<CollectingDestination>::create());
        Logger::shutdown();
    }
    bStop = true;
    for (auto &thread : threads)
        QVERIFY(thread->wait(10000));
}

QTEST_GUILESS_MAIN(TstLogger)
#include "tst_logger.moc"
