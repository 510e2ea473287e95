// kelvane-testnode: the test node as a program, for the demo mode, the
// benchmark and trying the client by hand. Runs until killed.

#include "SpotGenerator.h"
#include "TestNode.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr double kDefaultRate = 5.0;
constexpr int kDefaultPreload = 100;
// Preloaded spots are spread over the hour before start, as on a real node.
constexpr int kPreloadSpacingSecs = 36;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

int fail(const QString &qsMessage)
{
    QTextStream(stderr) << "kelvane-testnode: " << qsMessage << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvane-testnode"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A DX cluster node for tests and demos. Listens on 127.0.0.1 and streams spots to every client that "
        "logs in.\nSpot file lines: \"<kHz> <call> <spotter> [comment]\" or ready-made \"DX de\" lines; "
        "'#' starts a comment line."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port, 0 for any free one."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Live spots per second; 0 sends none (default 5)."),
                                  QStringLiteral("R"), QString::number(kDefaultRate));
    const QCommandLineOption fast(QStringLiteral("fast"),
                                  QStringLiteral("Stream as fast as the clients read (benchmark)."));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Stop streaming after N spots; 0 for no limit."), QStringLiteral("N"),
                                   QStringLiteral("0"));
    const QCommandLineOption file(QStringLiteral("file"), QStringLiteral("Stream spots from this file."),
                                  QStringLiteral("F"));
    const QCommandLineOption style(QStringLiteral("style"),
                                   QStringLiteral("Login dialogue: reminder (default) or interactive."),
                                   QStringLiteral("reminder|interactive"), QStringLiteral("reminder"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Ask this call for a password (repeatable)."),
                                      QStringLiteral("CALL:PW"));
    const QCommandLineOption node(QStringLiteral("node"), QStringLiteral("Node callsign (default Q1NODE-1)."),
                                  QStringLiteral("CALL"));
    const QCommandLineOption location(QStringLiteral("location"), QStringLiteral("Node location (default Testtown)."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Generator seed (default 1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption preload(QStringLiteral("preload"),
                                     QStringLiteral("Generated spots in the store at start (default 100)."),
                                     QStringLiteral("N"), QString::number(kDefaultPreload));
    const QCommandLineOption queryDelay(QStringLiteral("query-delay"),
                                        QStringLiteral("Milliseconds before answering \"SHOW/FDX n\" (default 0)."),
                                        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption bulletins(
        QStringLiteral("bulletins"),
        QStringLiteral("Seconds between announcements and WWV/WCY bulletins; 0 sends none "
                       "(default)."),
        QStringLiteral("S"), QStringLiteral("0"));
    const QCommandLineOption skimmer(
        QStringLiteral("skimmer"),
        QStringLiteral("Be a skimmer feed: ask for the call only, send skimmer lines (each station reported by "
                       "several skimmers) and answer no command. Node call Q1SKIM unless --node is given."));
    const QCommandLineOption relayDelay(
        QStringLiteral("relay-delay"),
        QStringLiteral("Send each spot S seconds after its time, as a node relaying it late. With this option (0 "
                       "too) or --skimmer, spots follow the clock: nodes with the same --seed and --rate send the "
                       "same spots in the same minutes."),
        QStringLiteral("S"));
    const QCommandLineOption busted(
        QStringLiteral("busted"),
        QStringLiteral("With --skimmer: the share (0 to 1) of stations heard by three skimmers or more that one "
                       "more skimmer reports under a call one character off (default 0)."),
        QStringLiteral("P"), QStringLiteral("0"));
    parser.addOptions({port, rate, fast, count, file, style, password, node, location, seed, preload, queryDelay});
    parser.addOptions({bulletins, skimmer, relayDelay, busted});
    parser.process(app);

    bool bOk = false;
    const uint uiPort = parser.value(port).toUInt(&bOk);
    if (!bOk || uiPort > 65535)
        return fail(QStringLiteral("--port wants a number from 0 to 65535"));
    const double dRate = parser.value(rate).toDouble(&bOk);
    if (!bOk || dRate < 0.0 || dRate > 1.0e7)
        return fail(QStringLiteral("--rate wants a number of spots per second"));
    const qint64 iCount = parser.value(count).toLongLong(&bOk);
    if (!bOk || iCount < 0)
        return fail(QStringLiteral("--count wants a number of spots"));
    const quint32 uiSeed = parser.value(seed).toUInt(&bOk);
    if (!bOk)
        return fail(QStringLiteral("--seed wants an unsigned number"));
    const int iPreload = parser.value(preload).toInt(&bOk);
    if (!bOk || iPreload < 0 || iPreload > 1000000)
        return fail(QStringLiteral("--preload wants a number of spots"));

    const int iQueryDelay = parser.value(queryDelay).toInt(&bOk);
    if (!bOk || iQueryDelay < 0 || iQueryDelay > 600000)
        return fail(QStringLiteral("--query-delay wants milliseconds"));

    const int iBulletinSecs = parser.value(bulletins).toInt(&bOk);
    if (!bOk || iBulletinSecs < 0 || iBulletinSecs > 86400)
        return fail(QStringLiteral("--bulletins wants seconds"));

    const bool bSkimmer = parser.isSet(skimmer);
    const bool bScheduled = bSkimmer || parser.isSet(relayDelay);
    int iRelayDelay = 0;
    if (parser.isSet(relayDelay)) {
        iRelayDelay = parser.value(relayDelay).toInt(&bOk);
        if (!bOk || iRelayDelay < 0 || iRelayDelay > 3600)
            return fail(QStringLiteral("--relay-delay wants seconds from 0 to 3600"));
    }
    const double dBusted = parser.value(busted).toDouble(&bOk);
    if (!bOk || dBusted < 0.0 || dBusted > 1.0)
        return fail(QStringLiteral("--busted wants a share from 0 to 1"));
    if (parser.isSet(busted) && !bSkimmer)
        return fail(QStringLiteral("--busted is for a skimmer feed (--skimmer)"));
    if (bScheduled && (parser.isSet(fast) || parser.isSet(file)))
        return fail(QStringLiteral("--skimmer and --relay-delay send generated spots at a --rate; not with --fast "
                                   "or --file"));

    TestNode testNode;
    if (bSkimmer) {
        testNode.setKind(TestNode::Kind::SkimmerFeed);
        testNode.setNodeCall(QStringLiteral("Q1SKIM"));
        testNode.setBustedShare(dBusted);
    }
    testNode.setQueryDelay(iQueryDelay);
    testNode.startBulletins(iBulletinSecs * 1000);
    if (parser.value(style) == QLatin1String("interactive"))
        testNode.setDialogueStyle(TestNode::DialogueStyle::Interactive);
    else if (parser.value(style) != QLatin1String("reminder"))
        return fail(QStringLiteral("--style is reminder or interactive"));
    if (parser.isSet(node))
        testNode.setNodeCall(parser.value(node));
    if (parser.isSet(location))
        testNode.setLocation(parser.value(location));
    for (const QString &qsEntry : parser.values(password)) {
        const qsizetype iColon = qsEntry.indexOf(QLatin1Char(':'));
        if (iColon <= 0 || iColon == qsEntry.size() - 1)
            return fail(QStringLiteral("--password wants CALL:PASSWORD"));
        testNode.setPassword(qsEntry.left(iColon), qsEntry.mid(iColon + 1));
    }

    SpotGenerator history(uiSeed ^ 0x5eedu);
    testNode.preloadSpots(history.generateHistory(iPreload, kPreloadSpacingSecs));

    if (!testNode.listen(quint16(uiPort)))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(uiPort));

    QObject::connect(&testNode, &TestNode::clientLoggedIn, &app,
                     [](const QString &qsCall) { out() << "Login: " << qsCall << Qt::endl; });
    QObject::connect(&testNode, &TestNode::streamFinished, &app, [&testNode]() {
        out() << "Stream finished after " << testNode.streamedCount() << " spots" << Qt::endl;
    });

    const double dStreamRate = parser.isSet(fast) ? 0.0 : dRate;
    if (parser.isSet(file)) {
        if (!parser.isSet(fast) && dRate <= 0.0)
            return fail(QStringLiteral("--file needs a --rate above 0 or --fast"));
        if (!testNode.startFileStream(parser.value(file), dStreamRate, iCount))
            return fail(QStringLiteral("cannot stream %1").arg(parser.value(file)));
    } else if (bScheduled) {
        if (dRate > 0.0)
            testNode.startScheduledStream(dRate, uiSeed, iRelayDelay, iCount);
    } else if (parser.isSet(fast) || dRate > 0.0) {
        testNode.startGeneratorStream(dStreamRate, iCount, uiSeed);
    }

    out() << "Listening on 127.0.0.1:" << testNode.port() << Qt::endl;
    return app.exec();
}
