#ifndef CLUSTERNODE_H
#define CLUSTERNODE_H

#include <QString>

// One configured DX cluster node, held by value in the node list.
class ClusterNode
{
public:
    static constexpr quint16 kDefaultPort = 7300;

    ClusterNode() = default;
    ClusterNode(const QString &qsName, const QString &qsAddress, quint16 uiPort, const QString &qsPassword,
                bool bActive);

    const QString &name() const { return m_name; }
    void setName(const QString &qsName) { m_name = qsName; }
    const QString &address() const { return m_address; }
    void setAddress(const QString &qsAddress) { m_address = qsAddress; }
    quint16 port() const { return m_port; }
    void setPort(quint16 uiPort) { m_port = uiPort; }
    // Kept in plain text, as the node expects it at login.
    const QString &password() const { return m_password; }
    void setPassword(const QString &qsPassword) { m_password = qsPassword; }
    bool isActive() const { return m_active; }
    void setActive(bool bActive) { m_active = bActive; }
    // Taken from a published node list rather than typed in by the user; a
    // newer list may change such a node's address, never the user's own.
    bool isFromList() const { return m_fromList; }
    void setFromList(bool bFromList) { m_fromList = bFromList; }
    // Several nodes may be connected at once; a store from before this knew
    // only the active node, which is then the one connected.
    bool isConnected() const { return m_connect; }
    void setConnected(bool bConnect) { m_connect = bConnect; }
    // A feed of skimmer spots: it takes the callsign and sends spots, and
    // answers no command, so nothing but the login is ever sent to it.
    bool isSkimmerFeed() const { return m_skimmerFeed; }
    void setSkimmerFeed(bool bSkimmerFeed) { m_skimmerFeed = bSkimmerFeed; }
    // Nodes sharing a group name stand in for each other, in list order;
    // empty for a node that stands alone.
    const QString &fallbackGroup() const { return m_fallbackGroup; }
    void setFallbackGroup(const QString &qsGroup) { m_fallbackGroup = qsGroup.trimmed(); }
    // True when a connection to other would log in the same way.
    bool sameConnection(const ClusterNode &other) const;

    bool operator==(const ClusterNode &other) const;
    bool operator!=(const ClusterNode &other) const { return !(*this == other); }

private:
    QString m_name;
    QString m_address;
    quint16 m_port = kDefaultPort;
    QString m_password;
    bool m_active = false;
    bool m_fromList = false;
    bool m_connect = false;
    bool m_skimmerFeed = false;
    QString m_fallbackGroup;
};

#endif // CLUSTERNODE_H
