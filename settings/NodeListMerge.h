#ifndef NODELISTMERGE_H
#define NODELISTMERGE_H

#include "SettingsStore.h"

#include <QList>

// Brings nodes from a published list into the user's node list. Names are
// the keys: the store keeps one group per name.
class NodeListMerge
{
public:
    // A newer list adds the nodes it names and updates the address and port
    // of nodes that came from a list before. It never removes a node, and
    // never changes the user's own nodes, any password or the active node.
    static NodeList merge(const NodeList &current, const QList<ClusterNode> &listed);

    // Nodes the user picked from a list: names already present are skipped,
    // and when no node is active the first one added becomes the active one.
    // Returns how many were added.
    static int add(NodeList *pList, const QList<ClusterNode> &chosen);

private:
    static int indexOf(const NodeList &list, const QString &qsName);
};

#endif // NODELISTMERGE_H
