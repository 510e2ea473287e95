#include "RigControlPage.h"
#include "ui_RigControlPage.h"

#include "API/QsLog/QsLog.h"
#include "rig/LibraryCheck.h"
#include "rig/RigControl.h"
#include "update/Download.h"
#include "update/Updater.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPropertyAnimation>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr int kAnimationMs = 500;
constexpr int kAnimationDelayMs = 500;
constexpr int kDownloadPanelHeight = 48;
constexpr int kModuleControlsY = 63;
constexpr int kCatOptionsY = 149;
constexpr int kCatSpacing = 6;

QString hrdModulePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/')
        + RigControl::libraryFileName();
}

} // namespace

RigControlPage::RigControlPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::RigControlPage>())
    , m_hrdModuleDownload(new Download(this))
    , m_checksumDownload(new Download(this))
{
    m_ui->setupUi(this);
    connect(m_ui->groupBoxHRD, &QGroupBox::toggled, this, &RigControlPage::onHRDEnabled);
    connect(m_ui->pushButtonDownloadHRDModule, &QPushButton::clicked, this,
            &RigControlPage::onDownloadHRDmoduleClicked);
    connect(m_hrdModuleDownload, &Download::started, this, &RigControlPage::onDownloadHRDModuleStarted);
    connect(m_hrdModuleDownload, &Download::finished, this, &RigControlPage::onDownloadHRDModuleFinished);
    connect(m_hrdModuleDownload, &Download::error, this, &RigControlPage::onDownloadHRDModuleError);
    connect(m_hrdModuleDownload, &Download::progress, this, &RigControlPage::onDownloadHRDModuleProgress);
    connect(m_checksumDownload, &Download::started, this, &RigControlPage::onDownloadHRDModuleStarted);
    connect(m_checksumDownload, &Download::finished, this, &RigControlPage::onChecksumDownloaded);
    connect(m_checksumDownload, &Download::error, this, &RigControlPage::onDownloadHRDModuleError);
    m_hrdModuleDownload->setProgramCode(true);
    m_checksumDownload->setProgramCode(true);
    m_downloadPanelAnimation = new QPropertyAnimation(m_ui->widgetHRDModuleDownloadControls, "geometry", this);
    m_moduleControlsAnimation = new QPropertyAnimation(m_ui->widgetCATModuleControls, "geometry", this);
    m_catOptionsAnimation = new QPropertyAnimation(m_ui->widgetCATOptions, "geometry", this);
    for (QPropertyAnimation *pAnimation : {m_downloadPanelAnimation, m_moduleControlsAnimation, m_catOptionsAnimation})
        pAnimation->setDuration(kAnimationMs);
    connect(m_downloadPanelAnimation, &QPropertyAnimation::finished, this, &RigControlPage::layOutPanels);
}

RigControlPage::~RigControlPage() = default;

void RigControlPage::setCat(const CatSettings &cat)
{
    m_ui->groupBoxHRD->setChecked(cat.hrdServer);
    m_ui->groupBoxCATOptions->setEnabled(cat.hrdServer);
    m_ui->checkBoxAttemptSplitModeDetection->setChecked(cat.attemptSplitDetection);
    m_ui->lineEditHRDAddress->setText(cat.hrdAddress);
    m_ui->spinBoxHRDPort->setValue(cat.hrdPort);
}

CatSettings RigControlPage::cat() const
{
    CatSettings cat;
    cat.hrdServer = isHRDEnabled();
    cat.attemptSplitDetection = attemptSplitDetection();
    cat.hrdAddress = hrdAddress();
    cat.hrdPort = hrdPort();
    return cat;
}

bool RigControlPage::isHRDEnabled() const
{
    return m_ui->groupBoxHRD->isChecked();
}
QString RigControlPage::hrdAddress() const
{
    return m_ui->lineEditHRDAddress->text();
}
quint16 RigControlPage::hrdPort() const
{
    return quint16(m_ui->spinBoxHRDPort->value());
}
bool RigControlPage::attemptSplitDetection() const
{
    return m_ui->checkBoxAttemptSplitModeDetection->isChecked();
}

void RigControlPage::resizeEvent(QResizeEvent *pEvent)
{
    // The panels are placed by hand (they slide after a download), so their
    // width follows the page's.
    const int iWidth = width();
    for (QWidget *pWidget :
         {m_ui->widgetHRDModuleDownloadControls, m_ui->widgetCATModuleControls, m_ui->widgetCATOptions})
        pWidget->resize(iWidth, pWidget->height());
    m_ui->labelInstructions->resize(iWidth - 2 * m_ui->labelInstructions->x(), m_ui->labelInstructions->height());
    QWidget::resizeEvent(pEvent);
}

void RigControlPage::layOutPanels()
{
    QWidget *pPanel = m_ui->widgetHRDModuleDownloadControls;
    QWidget *pModuleControls = m_ui->widgetCATModuleControls;
    QWidget *pOptions = m_ui->widgetCATOptions;
    m_downloadPanelAnimation->stop();
    m_moduleControlsAnimation->stop();
    m_catOptionsAnimation->stop();
    if (!RigControl::isLibraryInstalled()) {
        m_ui->groupBoxHRD->setChecked(false);
        m_ui->groupBoxHRD->setEnabled(false);
        m_ui->groupBoxCATOptions->setEnabled(false);
        m_ui->checkBoxAttemptSplitModeDetection->setChecked(false);
        pPanel->setGeometry(0, 0, pPanel->width(), kDownloadPanelHeight);
        pPanel->show();
        if (!m_hrdModuleDownload->isRunning()) {
            m_ui->labelHRDModuleInfo->setText(tr("The HRD module is not installed. Click Download to install it now."));
            m_ui->labelHRDModuleInfo->show();
            m_ui->progressBarHRDModuleDownload->hide();
        }
        pModuleControls->move(0, kModuleControlsY);
        pOptions->move(0, kCatOptionsY);
    } else {
        pPanel->hide();
        m_ui->groupBoxHRD->setEnabled(true);
        pModuleControls->move(0, 0);
        pOptions->move(0, pModuleControls->height() + kCatSpacing);
    }
    m_ui->labelInstructions->move(m_ui->labelInstructions->x(), pOptions->y() + pOptions->height() + kCatSpacing);
}

void RigControlPage::onHRDEnabled(bool bChecked)
{
    m_ui->groupBoxCATOptions->setEnabled(bChecked);
}

void RigControlPage::onDownloadHRDmoduleClicked()
{
    if (m_hrdModuleDownload->isRunning() || m_checksumDownload->isRunning())
        return;
    const QString qsFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!QDir().mkpath(qsFolder)) {
        QLOG_ERROR() << "Cannot create the folder" << qsFolder;
    }
    const QString qsUrl = Updater::serverUrl(QStringLiteral("/Kelvane/HRD/") + RigControl::libraryFileName());
    if (qsUrl.isEmpty()) {
        onDownloadHRDModuleError(tr("No update server is set (General tab)."));
        return;
    }
    m_hrdModuleDownload->setUrl(qsUrl);
    m_hrdModuleDownload->setFileName(hrdModulePath());
    m_checksumDownload->setUrl(qsUrl + QStringLiteral(".sha256"));
    m_checksumDownload->setFileName(hrdModulePath() + QStringLiteral(".sha256"));
    m_ui->pushButtonDownloadHRDModule->setEnabled(false);
    m_checksumDownload->start();
}

void RigControlPage::onChecksumDownloaded()
{
    QFile file(m_checksumDownload->fileName());
    // A checksum line is short; anything longer is not one.
    const QByteArray baPublished = file.open(QIODevice::ReadOnly) ? file.read(1024) : QByteArray();
    file.close();
    file.remove();
    m_hrdModuleDownload->setCheck([baPublished](const QString &qsPath) {
        QString qsWhy = LibraryCheck::checkSha256(qsPath, baPublished);
        if (qsWhy.isEmpty())
            qsWhy = LibraryCheck::checkElf(qsPath);
        if (qsWhy.isEmpty())
            qsWhy = LibraryCheck::checkInChild(qsPath, RigControl::checkerPath());
        return qsWhy;
    });
    m_hrdModuleDownload->start();
}

void RigControlPage::onDownloadHRDModuleStarted()
{
    m_ui->labelHRDModuleInfo->hide();
    m_ui->progressBarHRDModuleDownload->setValue(0);
    m_ui->progressBarHRDModuleDownload->show();
}

void RigControlPage::onDownloadHRDModuleProgress(quint8 quiPercent)
{
    m_ui->progressBarHRDModuleDownload->setValue(quiPercent);
}

void RigControlPage::onDownloadHRDModuleError(const QString &qsError)
{
    // Nothing was installed: a failed download never touches the library.
    m_ui->labelHRDModuleInfo->setText(qsError);
    m_ui->labelHRDModuleInfo->show();
    m_ui->progressBarHRDModuleDownload->hide();
    m_ui->pushButtonDownloadHRDModule->setEnabled(true);
}

void RigControlPage::onDownloadHRDModuleFinished()
{
    m_ui->progressBarHRDModuleDownload->hide();
    m_ui->pushButtonDownloadHRDModule->setEnabled(true);
    if (!QFileInfo::exists(hrdModulePath())) {
        m_ui->labelHRDModuleInfo->setText(tr("An unknown error has occured."));
        m_ui->labelHRDModuleInfo->show();
        return;
    }
    // What was checked is remembered: a later change to the file refuses it.
    if (!LibraryCheck::recordSha256(hrdModulePath())) {
        QLOG_WARN() << "[HRD] Cannot record the checksum of" << hrdModulePath();
    }
    m_ui->labelHRDModuleInfo->setText(tr("HRD module downloaded successfully."));
    m_ui->labelHRDModuleInfo->show();
    m_ui->groupBoxHRD->setEnabled(true);
    QTimer::singleShot(kAnimationDelayMs, this, &RigControlPage::animatePanels);
}

void RigControlPage::animatePanels()
{
    QWidget *pPanel = m_ui->widgetHRDModuleDownloadControls;
    QWidget *pModuleControls = m_ui->widgetCATModuleControls;
    QWidget *pOptions = m_ui->widgetCATOptions;
    const QRect panel = pPanel->geometry();
    m_downloadPanelAnimation->setStartValue(panel);
    m_downloadPanelAnimation->setEndValue(QRect(panel.topLeft(), QSize(panel.width(), 0)));
    m_moduleControlsAnimation->setStartValue(pModuleControls->geometry());
    m_moduleControlsAnimation->setEndValue(QRect(panel.topLeft(), pModuleControls->size()));
    m_catOptionsAnimation->setStartValue(pOptions->geometry());
    m_catOptionsAnimation->setEndValue(
        QRect(QPoint(pOptions->x(), pModuleControls->height() + kCatSpacing), pOptions->size()));
    m_downloadPanelAnimation->start();
    m_moduleControlsAnimation->start();
    m_catOptionsAnimation->start();
}
