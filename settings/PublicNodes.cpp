#include "PublicNodes.h"

#include "API/QsLog/QsLog.h"

#include <QFile>

const QString PublicNodes::kResource = QStringLiteral(":/data/public-nodes.tsv");

QList<PublicNodes::Entry> PublicNodes::parse(const QByteArray &baText)
{
    QList<Entry> entries;
    int iLine = 0;
    for (const QByteArray &baLine : baText.split('\n')) {
        ++iLine;
        const QString qsLine = QString::fromUtf8(baLine).trimmed();
        if (qsLine.isEmpty() || qsLine.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = QString::fromUtf8(baLine).split(QLatin1Char('\t'));
        auto field = [&fields](int iIndex) {
            return iIndex < fields.size() ? fields.at(iIndex).trimmed() : QString();
        };
        Entry entry;
        entry.call = field(0);
        entry.host = field(1);
        bool bPort = false;
        const uint uiPort = field(2).toUInt(&bPort);
        if (entry.call.isEmpty() || entry.host.isEmpty() || !bPort || uiPort == 0 || uiPort > 65535) {
            QLOG_WARN() << "Public nodes list line" << iLine << "skipped:" << qsLine.left(80);
            continue;
        }
        entry.port = quint16(uiPort);
        entry.software = field(3);
        entry.location = field(4);
        entry.note = field(5);
        entries.append(entry);
    }
    return entries;
}

QList<PublicNodes::Entry> PublicNodes::bundled()
{
    QFile file(kResource);
    if (!file.open(QIODevice::ReadOnly)) {
        QLOG_ERROR() << "Cannot read the public nodes list:" << file.errorString();
        return {};
    }
    return parse(file.readAll());
}

ClusterNode PublicNodes::toNode(const Entry &entry)
{
    ClusterNode node(entry.call, entry.host, entry.port, QString(), false);
    node.setFromList(true);
    node.setSkimmerFeed(isSkimmerFeed(entry));
    return node;
}

bool PublicNodes::isSkimmerFeed(const Entry &entry)
{
    // Nodes that merely pass skimmer spots on among others ("can include
    // skimmer spots", "skimmer capable") are ordinary nodes; a feed says it
    // sends nothing else.
    return entry.note.contains(QLatin1String("skimmer spots only"), Qt::CaseInsensitive);
}
