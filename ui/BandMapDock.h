#ifndef BANDMAPDOCK_H
#define BANDMAPDOCK_H

#include <QDockWidget>
#include <QPointer>
#include <QTimer>

QT_BEGIN_NAMESPACE
class QComboBox;
QT_END_NAMESPACE

class BandMapWidget;
class RigControl;
class SpotModel;

// The band map as a dock of the main window: the band to show, the map,
// and, while rig control is on and the dock is shown, the rig's frequency
// asked for about once a second for the map's marker. When the rig moves
// to another band, the map follows it.
class BandMapDock : public QDockWidget
{
    Q_OBJECT

public:
    static constexpr int kPollMs = 1000;

    BandMapDock(SpotModel *pModel, RigControl *pRigControl, QWidget *parent = nullptr);

    BandMapWidget *bandMap() const { return m_bandMap; }
    // Rig control settings of the moment; polling only while enabled.
    void setRig(bool bEnabled, const QString &qsAddress, quint16 uiPort);
    void showBand(quint32 uiBandBit);

private:
    void onBandChosen(int iIndex);
    void onPollTimer();
    void onFrequencyPolled(const QString &qsHertz);
    void updatePolling();

    QComboBox *m_bandCombo = nullptr;
    BandMapWidget *m_bandMap = nullptr;
    // The window's rig control may go before its docks do.
    QPointer<RigControl> m_pRigControl;
    QTimer m_pollTimer;
    bool m_bRigEnabled = false;
    QString m_qsRigAddress;
    quint16 m_uiRigPort = 0;
    // The band the rig was last seen on: the map follows the rig only when
    // that changes, so the operator may look at another band meanwhile.
    quint32 m_uiRigBandBit = 0;
};

#endif // BANDMAPDOCK_H
