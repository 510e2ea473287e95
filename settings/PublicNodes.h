#ifndef PUBLICNODES_H
#define PUBLICNODES_H

#include "ClusterNode.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The list of public cluster nodes shipped with the program, so that a new
// user can pick a node without knowing an address. One node a line, fields
// separated by tabs: call, host, port, software, place, note; lines starting
// with '#' are comments.
class PublicNodes
{
public:
    struct Entry
    {
        QString call;
        QString host;
        quint16 port = ClusterNode::kDefaultPort;
        QString software;
        QString location;
        QString note;
    };

    static const QString kResource;

    // Lines without a call, a host or a valid port are skipped with a log line.
    static QList<Entry> parse(const QByteArray &baText);
    // The list built into the program.
    static QList<Entry> bundled();
    // A node for the user's list: named after the node's call, no password.
    static ClusterNode toNode(const Entry &entry);
    // The list's word for a feed that sends skimmer spots and takes no command.
    static bool isSkimmerFeed(const Entry &entry);
};

#endif // PUBLICNODES_H
