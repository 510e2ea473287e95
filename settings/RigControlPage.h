#ifndef RIGCONTROLPAGE_H
#define RIGCONTROLPAGE_H

#include "SettingsStore.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QPropertyAnimation;
namespace Ui {
class RigControlPage;
}
QT_END_NAMESPACE

class Download;

// The settings page of rig control: the rig server and its options, and
// while the rig-control library is missing a panel that downloads it and
// then slides away.
class RigControlPage : public QWidget
{
    Q_OBJECT

public:
    explicit RigControlPage(QWidget *parent = nullptr);
    ~RigControlPage() override;

    void setCat(const CatSettings &cat);
    CatSettings cat() const;
    bool isHRDEnabled() const;
    QString hrdAddress() const;
    quint16 hrdPort() const;
    bool attemptSplitDetection() const;

    // Places the panels for whether the library is there now.
    void layOutPanels();

public Q_SLOTS:
    void onDownloadHRDmoduleClicked();
    void onHRDEnabled(bool bChecked);
    void onDownloadHRDModuleStarted();
    void onDownloadHRDModuleFinished();
    void onDownloadHRDModuleError(const QString &qsError);
    void onDownloadHRDModuleProgress(quint8 quiPercent);
    void onChecksumDownloaded();

protected:
    void resizeEvent(QResizeEvent *pEvent) override;

private:
    void animatePanels();

    std::unique_ptr<Ui::RigControlPage> m_ui;
    Download *m_hrdModuleDownload = nullptr;
    // The library's SHA-256 as its server publishes it, fetched first.
    Download *m_checksumDownload = nullptr;
    QPropertyAnimation *m_downloadPanelAnimation = nullptr;
    QPropertyAnimation *m_moduleControlsAnimation = nullptr;
    QPropertyAnimation *m_catOptionsAnimation = nullptr;
};

#endif // RIGCONTROLPAGE_H
