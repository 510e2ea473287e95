#include "app/Exception.h"
#include "settings/Statistics.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace {
const QString kOrganization = QStringLiteral("Tarrow");
const QString kApplication = QStringLiteral("KelvaneStatisticsTest");

QStringList g_messages;
QList<QtMsgType> g_types;

void captureMessage(QtMsgType type, const QMessageLogContext &, const QString &qsMessage)
{
    g_types.append(type);
    g_messages.append(qsMessage);
}
} // namespace

// Usage counters across runs, and the application exception's reports.
class TestStatistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void countersSurviveARestart();
    void countersBeyond32BitsSurvive();
    void unattachedInstanceWritesNothing();
    void exceptionReports_data();
    void exceptionReports();

private:
    static QSettings store() { return QSettings(QSettings::UserScope, kOrganization, kApplication); }
};

void TestStatistics::init()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings settings(QSettings::UserScope, kOrganization, kApplication);
    settings.clear();
}

void TestStatistics::cleanup()
{
    Statistics::release();
}

void TestStatistics::countersSurviveARestart()
{
    for (int iRun = 1; iRun <= 2; ++iRun) {
        Statistics *pStatistics = Statistics::instance();
        pStatistics->attach(kOrganization, kApplication);
        pStatistics->incrementLaunchCount();
        pStatistics->incrementProcessedSpots();
        pStatistics->incrementProcessedSpots();
        pStatistics->incrementDisplayedSpots();
        QCOMPARE(pStatistics->launchCount(), quint64(iRun));
        QCOMPARE(pStatistics->totalProcessedSpots(), quint64(2 * iRun));
        QCOMPARE(pStatistics->displayedSpots(), quint64(iRun));
        Statistics::release();
    }
    QCOMPARE(store().value("Statistics/LaunchCount").toULongLong(), 2ull);
    QCOMPARE(store().value("Statistics/TotalProcessedSpots").toULongLong(), 4ull);
}

void TestStatistics::countersBeyond32BitsSurvive()
{
    const quint64 uiLarge = (quint64(1) << 32) + 7;
    {
        QSettings settings = store();
        settings.setValue("Statistics/TotalProcessedSpots", uiLarge);
        settings.setValue("Statistics/TriggeredAlertsTotal", std::numeric_limits<quint64>::max() - 1);
    }
    Statistics *pStatistics = Statistics::instance();
    pStatistics->attach(kOrganization, kApplication);
    QCOMPARE(pStatistics->totalProcessedSpots(), uiLarge);
    pStatistics->incrementProcessedSpots();
    pStatistics->incrementIconAlerts();
    Statistics::release();

    Statistics::instance()->attach(kOrganization, kApplication);
    QCOMPARE(Statistics::instance()->totalProcessedSpots(), uiLarge + 1);
    QCOMPARE(Statistics::instance()->triggeredAlertsTotal(), std::numeric_limits<quint64>::max());
}

void TestStatistics::unattachedInstanceWritesNothing()
{
    Statistics::instance()->incrementLaunchCount();
    Statistics::release();
    QVERIFY(store().childGroups().isEmpty());
}

void TestStatistics::exceptionReports_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("text");

    QTest::newRow("debug") << 0 << "boom" << int(QtDebugMsg)
                           << "Debug message:\nFile: a.cpp\nLine: 42\nMessage: boom\n";
    QTest::newRow("warning") << 1 << "boom" << int(QtWarningMsg)
                             << "A warning has occured:\nFile: a.cpp\nLine: 42\nMessage: boom\n";
    QTest::newRow("critical, placeholder in the message")
        << 2 << "100%1 sure" << int(QtCriticalMsg)
        << "A critical error has occured:\nFile: a.cpp\nLine: 42\nMessage: 100%1 sure\n";
    QTest::newRow("unknown type reports nothing") << 7 << "boom" << -1 << "";
}

void TestStatistics::exceptionReports()
{
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(int, channel);
    QFETCH(QString, text);

    g_messages.clear();
    g_types.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    const Exception exception(QStringLiteral("a.cpp"), 42, type, message);
    qInstallMessageHandler(previous);

    QCOMPARE(exception.text(), text);
    if (channel < 0) {
        QVERIFY(g_messages.isEmpty());
    } else {
        QCOMPARE(g_messages, QStringList {text});
        QCOMPARE(int(g_types.value(0)), channel);
    }
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
