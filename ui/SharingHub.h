#ifndef SHARINGHUB_H
#define SHARINGHUB_H

#include "sharing/SharingSettings.h"

#include <QObject>
#include <QPointer>

QT_BEGIN_NAMESPACE
class QLabel;
class QStatusBar;
QT_END_NAMESPACE

class Cluster;
class Spot;
class SpotBandProxy;
class SpotNodeServer;
class TciClient;
class TciSpotFeed;
class Worked;

// Where the merged feed is handed on: our own spot node and the TCI radio.
// The main window gives it the cluster, the table's rows and the settings;
// applying settings touches only what changed and never the connections to
// the nodes.
class SharingHub : public QObject
{
    Q_OBJECT

public:
    SharingHub(SpotBandProxy *pRows, const Worked *pWorked, QObject *parent = nullptr);
    ~SharingHub() override;

    // The cluster whose spots are served; it may be replaced at any time.
    void setCluster(Cluster *pCluster);
    void apply(const SharingSettings &sharing);
    // A small field that shows the node's clients while the node runs.
    void addStatusField(QStatusBar *pStatusBar);

    SpotNodeServer *nodeServer() const { return m_server; }
    TciClient *tciClient() const { return m_tci; }
    TciSpotFeed *tciFeed() const { return m_feed; }
    const SharingSettings &settings() const { return m_settings; }
    // What the node does, in words, for the sources' tooltips; empty while off.
    const QString &nodeSummary() const { return m_nodeSummary; }

Q_SIGNALS:
    // How many clients our node serves; for the sources' status.
    void nodeClientCountChanged(int iCount);
    void nodeSummaryChanged(const QString &qsSummary);
    // The operator clicked a spot on the panadapter: its row in the spot model.
    void spotClicked(int iModelRow);

private:
    void onSpotAccepted(Spot &spot);
    void onSpotPassedBand(const Spot &spot);
    void updateStatusField();

    SpotNodeServer *m_server = nullptr;
    TciClient *m_tci = nullptr;
    TciSpotFeed *m_feed = nullptr;
    QPointer<Cluster> m_cluster;
    QLabel *m_statusField = nullptr;
    SharingSettings m_settings;
    QString m_nodeSummary;
    bool m_applied = false;
};

#endif // SHARINGHUB_H
