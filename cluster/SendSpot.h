#ifndef SENDSPOT_H
#define SENDSPOT_H

#include "SpotConfirmation.h"

#include "log/LastQso.h"

#include <QDialog>
#include <QPointer>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class SendSpot;
}
QT_END_NAMESPACE

class NodeConnection;
class RigControl;
class Settings;

// Posts a spot of the operator's own to the node through the current
// Cluster. The main window makes one, hands it the Settings object and
// opens it with openWithFrequency(&rigControl, address, port).
class SendSpot : public QDialog
{
    Q_OBJECT

public:
    explicit SendSpot(QWidget *parent = nullptr);
    ~SendSpot() override;

    void setSettings(Settings *pSettings) { m_settings = pSettings; }
    // Shows the dialog at once and asks the rig for its frequency, which
    // goes into the form when it arrives, unless the operator has typed one
    // or closed the dialog by then.
    void openWithFrequency(RigControl *pRigControl, const QString &qsAddress, quint16 uiPort);
    // The rig's frequency in Hz as the form wants it, in kHz with one
    // decimal (14025000 gives 14025.0); empty for anything else.
    static QString frequencyFromHz(const QString &qsReply);
    // The last QSO of the log, offered on a button that fills the form.
    void setLastQso(const LastQso &qso);
    // Fills call, frequency and, as the remarks, the mode of the last QSO.
    void useLastQso();
    // What became of the last spot sent, for the status bar.
    SpotConfirmation *confirmation() { return &m_confirmation; }

Q_SIGNALS:
    void HRDError(QString qsError);

public Q_SLOTS:
    void lineEditToUpper(const QString &qsText);
    void accept() override;
    void reject() override;

private:
    void onFrequencyRead(const QString &qsReply);
    void onFrequencyReadFailed(const QString &qsError);
    void showError(const QString &qsInformativeText);
    void clearFields();
    void fillNodes();
    // The connected node chosen in the form; null when it is gone (the spot
    // never goes to a node the operator did not choose).
    NodeConnection *chosenConnection() const;

    std::unique_ptr<Ui::SendSpot> m_ui;
    QPointer<Settings> m_settings;
    QPointer<RigControl> m_rigControl;
    bool m_bAwaitingFrequency = false;
    SpotConfirmation m_confirmation;
    LastQso m_lastQso;
};

#endif // SENDSPOT_H
