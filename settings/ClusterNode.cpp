#include "ClusterNode.h"

ClusterNode::ClusterNode(const QString &qsName, const QString &qsAddress, quint16 uiPort, const QString &qsPassword,
                         bool bActive)
    : m_name(qsName), m_address(qsAddress), m_port(uiPort), m_password(qsPassword), m_active(bActive)
{
}

bool ClusterNode::operator==(const ClusterNode &other) const
{
    return m_name == other.m_name && m_address == other.m_address && m_port == other.m_port
        && m_password == other.m_password && m_active == other.m_active && m_connect == other.m_connect
        && m_skimmerFeed == other.m_skimmerFeed && m_fallbackGroup == other.m_fallbackGroup;
}

bool ClusterNode::sameConnection(const ClusterNode &other) const
{
    return m_name == other.m_name && m_address == other.m_address && m_port == other.m_port
        && m_password == other.m_password && m_skimmerFeed == other.m_skimmerFeed;
}
