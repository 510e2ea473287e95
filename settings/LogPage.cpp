#include "LogPage.h"
#include "ui_LogPage.h"

#include <QFileDialog>

LogPage::LogPage(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::LogPage>())
{
    m_ui->setupUi(this);
    connect(m_ui->pushButtonBrowseWatchedFile, &QPushButton::clicked, this, &LogPage::onBrowseClicked);
}

LogPage::~LogPage() = default;

void LogPage::setLog(const LogSettings &log)
{
    m_ui->lineEditWatchedFile->setText(log.watchedFile);
    m_ui->groupBoxWsjtx->setChecked(log.wsjtxEnabled);
    m_ui->spinBoxWsjtxPort->setValue(log.wsjtxPort);
    m_ui->lineEditWsjtxAddress->setText(log.wsjtxAddress);
    m_ui->lineEditWsjtxGroup->setText(log.wsjtxGroup);
}

LogSettings LogPage::log() const
{
    LogSettings log;
    log.watchedFile = m_ui->lineEditWatchedFile->text().trimmed();
    log.wsjtxEnabled = m_ui->groupBoxWsjtx->isChecked();
    log.wsjtxPort = quint16(m_ui->spinBoxWsjtxPort->value());
    const QString qsAddress = m_ui->lineEditWsjtxAddress->text().trimmed();
    if (!qsAddress.isEmpty())
        log.wsjtxAddress = qsAddress;
    log.wsjtxGroup = m_ui->lineEditWsjtxGroup->text().trimmed();
    return log;
}

void LogPage::onBrowseClicked()
{
    const QString qsFile =
        QFileDialog::getOpenFileName(this, tr("Log file to watch"), m_ui->lineEditWatchedFile->text(),
                                     tr("ADIF files (*.adi *.adif);;All files (*)"));
    if (!qsFile.isEmpty())
        m_ui->lineEditWatchedFile->setText(qsFile);
}
