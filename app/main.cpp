// Kelvane in a terminal: logs in to a node and prints the spots it receives.
// Without --node it starts our own test node on loopback, so that a newcomer
// sees live spots without an internet node.

#include "API/QsLog/QsLog.h"
#include "cluster/Cluster.h"
#include "settings/Statistics.h"
#include "testnode/SpotGenerator.h"
#include "testnode/TestNode.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSettings>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kOrganization = QStringLiteral("Tarrow");
const QString kApplication = QStringLiteral("Kelvane");
const QString kVersion = QStringLiteral("1.3.106");
constexpr quint16 kDefaultNodePort = 7300;
constexpr quint16 kMaxSpotCount = 1000;
constexpr double kDemoRate = 2.0;
constexpr int kDemoHistory = 100;
constexpr int kDemoHistorySpacingSecs = 36;

int g_signalPipe[2] = {-1, -1};

// Ctrl+C ends the event loop normally, so that the counters are written.
void onUnixSignal(int)
{
    const char cByte = 1;
    [[maybe_unused]] const ssize_t iWritten = ::write(g_signalPipe[1], &cByte, 1);
}

void configureLogger(bool bVerbose)
{
    QSettings settings(QSettings::UserScope, kOrganization, kApplication);
    settings.beginGroup(QStringLiteral("General"));
    int iLevel = settings.value(QStringLiteral("LogLevel"), int(QsLogging::LevelError)).toInt();
    const QString qsDefaultLog = QCoreApplication::applicationDirPath() + QStringLiteral("/kelvane.log");
    const QString qsLogFile = settings.value(QStringLiteral("LogFile"), qsDefaultLog).toString();
    const bool bLogToFile = settings.value(QStringLiteral("LogToFile"), false).toBool();
    settings.endGroup();

    if (iLevel < QsLogging::LevelTrace || iLevel > QsLogging::LevelOff)
        iLevel = QsLogging::LevelError;
    if (bVerbose)
        iLevel = qMin(iLevel, int(QsLogging::LevelInfo));

    QsLogging::Logger &logger = QsLogging::Logger::get();
    logger.setThreshold(QsLogging::Level(iLevel));
    logger.appendDestination(QsLogging::newDebugOutputDestination());
    if (bLogToFile) {
        logger.appendDestination(
            QsLogging::newFileDestination(qsLogFile, QsLogging::DisableLogRotation, 0, 0));
    }
    QLOG_INFO() << kApplication << kVersion << "started";
}

QString spotText(const Spot &spot)
{
    return QStringLiteral("%1  %2  %3  %4  de %5")
        .arg(spot.time(), -5)
        .arg(spot.frequency(), 10)
        .arg(spot.dxCall(), -14)
        .arg(spot.comment().trimmed(), -30)
        .arg(spot.spotter());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(kApplication);
    QCoreApplication::setApplicationVersion(kVersion);
    QCoreApplication::setOrganizationName(kOrganization);
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarrow.example"));

    Statistics *pStatistics = Statistics::instance();
    pStatistics->attach(kOrganization, kApplication);
    pStatistics->incrementLaunchCount();

    int iResult = 0;
    {
        QCoreApplication app(argc, argv);

        QCommandLineParser parser;
        parser.setApplicationDescription(QCoreApplication::translate(
            "main", "DX cluster client. Without --node it shows the spots of a demo node on loopback."));
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption node(QStringLiteral("node"),
                                      QCoreApplication::translate("main", "Cluster node to log in to."),
                                      QStringLiteral("HOST[:PORT]"));
        const QCommandLineOption call(QStringLiteral("call"),
                                      QCoreApplication::translate("main", "Your callsign."),
                                      QStringLiteral("CALL"), QStringLiteral("Q1DEMO"));
        const QCommandLineOption password(QStringLiteral("password"),
                                          QCoreApplication::translate("main", "Node password."),
                                          QStringLiteral("PW"));
        const QCommandLineOption verbose(QStringLiteral("verbose"),
                                         QCoreApplication::translate("main", "Log the traffic with the node."));
        parser.addOptions({node, call, password, verbose});
        parser.process(app);

        configureLogger(parser.isSet(verbose));
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &app,
                         [] { QsLogging::Logger::shutdown(); });

        QTextStream out(stdout);
        std::unique_ptr<TestNode> demoNode;
        QString qsHost = QStringLiteral("127.0.0.1");
        quint16 uiPort = kDefaultNodePort;
        if (parser.isSet(node)) {
            const QString qsNode = parser.value(node);
            const int iColon = qsNode.lastIndexOf(QLatin1Char(':'));
            qsHost = iColon > 0 ? qsNode.left(iColon) : qsNode;
            if (iColon > 0) {
                bool bOk = false;
                uiPort = qsNode.mid(iColon + 1).toUShort(&bOk);
                if (!bOk || uiPort == 0) {
                    QTextStream(stderr) << QCoreApplication::translate("main", "Invalid port in %1").arg(qsNode)
                                        << Qt::endl;
                    return 1;
                }
            }
        } else {
            // The demo node's own chatter would drown the spots; warnings stay.
            QLoggingCategory::setFilterRules(QStringLiteral("kelvane.testnode*.info=false"));
            demoNode = std::make_unique<TestNode>();
            if (!demoNode->listen()) {
                QTextStream(stderr) << QCoreApplication::translate("main", "Cannot start the demo node.")
                                    << Qt::endl;
                return 1;
            }
            SpotGenerator generator(quint32(QDateTime::currentSecsSinceEpoch()));
            demoNode->preloadSpots(generator.generateHistory(kDemoHistory, kDemoHistorySpacingSecs));
            demoNode->startGeneratorStream(kDemoRate, 0, quint32(QDateTime::currentMSecsSinceEpoch()));
            uiPort = demoNode->port();
            out << QCoreApplication::translate("main", "Demo node listening on %1:%2").arg(qsHost).arg(uiPort)
                << Qt::endl;
        }

        Cluster cluster(qsHost, uiPort, parser.value(call).toUpper(), parser.value(password),
                        QString(), QString(), QString(), kMaxSpotCount);
        QObject::connect(&cluster, &Cluster::connected, &app, [&out](const QString &qsAddress, quint16 uiNodePort) {
            out << QCoreApplication::translate("main", "Logged in to %1 port %2").arg(qsAddress).arg(uiNodePort)
                << Qt::endl;
        });
        QObject::connect(&cluster, &Cluster::disconnected, &app, [&out](const QString &qsAddress, quint16) {
            out << QCoreApplication::translate("main", "Disconnected from %1").arg(qsAddress) << Qt::endl;
        });
        QObject::connect(&cluster, &Cluster::connectionError, &app,
                         [&out, &app](const QString &qsAddress, quint16, QAbstractSocket::SocketError) {
                             out << QCoreApplication::translate("main", "Cannot reach %1").arg(qsAddress)
                                 << Qt::endl;
                             app.exit(1);
                         });
        QObject::connect(&cluster, &Cluster::newSpot, &app,
                         [&out](Spot &spot) { out << spotText(spot) << Qt::endl; });
        cluster.connectToNode();

        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
            auto *pNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
            QObject::connect(pNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
            std::signal(SIGINT, onUnixSignal);
            std::signal(SIGTERM, onUnixSignal);
        }

        iResult = app.exec();
    }
    Statistics::release();
    return iResult;
}
