#include "NodeListMerge.h"

int NodeListMerge::indexOf(const NodeList &list, const QString &qsName)
{
    for (qsizetype i = 0; i < list.nodes.size(); ++i) {
        if (list.nodes.at(i).name() == qsName)
            return int(i);
    }
    return -1;
}

NodeList NodeListMerge::merge(const NodeList &current, const QList<ClusterNode> &listed)
{
    NodeList merged = current;
    for (const ClusterNode &node : listed) {
        if (node.name().isEmpty())
            continue;
        const int iIndex = indexOf(merged, node.name());
        if (iIndex < 0) {
            ClusterNode added = node;
            added.setActive(false);
            added.setConnected(false);
            added.setPassword(QString());
            added.setFromList(true);
            merged.nodes.append(added);
            continue;
        }
        ClusterNode &known = merged.nodes[iIndex];
        if (!known.isFromList())
            continue;
        known.setAddress(node.address());
        known.setPort(node.port());
    }
    return merged;
}

int NodeListMerge::add(NodeList *pList, const QList<ClusterNode> &chosen)
{
    int iAdded = 0;
    for (const ClusterNode &node : chosen) {
        if (node.name().isEmpty() || indexOf(*pList, node.name()) >= 0)
            continue;
        ClusterNode added = node;
        added.setFromList(true);
        added.setActive(pList->activeIndex < 0);
        added.setConnected(added.isActive());
        if (added.isActive())
            pList->activeIndex = int(pList->nodes.size());
        pList->nodes.append(added);
        ++iAdded;
    }
    return iAdded;
}
