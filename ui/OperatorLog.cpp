#include "ui/OperatorLog.h"

#include "API/QsLog/QsLog.h"
#include "log/LogFeeds.h"
#include "log/LogImport.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QWidget>

namespace {
constexpr int kProgressSteps = 1000;
// Small files are done before the dialog would show.
constexpr int kProgressDelayMs = 400;
} // namespace

OperatorLog::OperatorLog(const Worked *pWorked, QWidget *pWindow, const QString &qsFileName)
    : QObject(pWindow), m_window(pWindow), m_store(new LogStore(this))
{
    m_store->setCountryLookup(pWorked);
    const QString qsFile = qsFileName.isEmpty() ? LogStore::defaultFileName() : qsFileName;
    if (!m_store->open(qsFile)) {
        QLOG_ERROR() << "The log" << qsFile << "cannot be opened; spots show no needed marks";
    }
    m_feeds = new LogFeeds(m_store, this);
    connect(m_feeds, &LogFeeds::watchedFileRefused, this, &OperatorLog::statusMessage);
    connect(m_feeds, &LogFeeds::reportsSkipped, this, [this](int iCount, const QString &qsWhy) {
        Q_EMIT statusMessage(iCount == 1 ? tr("A reported QSO was not logged: %1").arg(qsWhy)
                                         : tr("%1 reported QSOs were not logged; the last: %2").arg(iCount).arg(qsWhy));
    });
    m_importAction = new QAction(tr("&Import log..."), this);
    m_importAction->setObjectName(QStringLiteral("actionImportLog"));
    m_importAction->setToolTip(tr("Read an ADIF file of your QSOs (or a LoTW download) into the log"));
    connect(m_importAction, &QAction::triggered, this, &OperatorLog::onImportTriggered);
    m_sliceTimer.setInterval(0);
    connect(&m_sliceTimer, &QTimer::timeout, this, &OperatorLog::onImportSlice);
}

OperatorLog::~OperatorLog()
{
    // An import still running leaves the log as it was.
    m_import.reset();
    // The feeds store what they still hold on their way out: before the
    // store goes, which as the older child would go first.
    delete m_feeds;
    m_feeds = nullptr;
}

QString OperatorLog::applySettings()
{
    m_feeds->apply(SettingsStore::loadLog());
    return m_feeds->wsjtxError();
}

void OperatorLog::onImportTriggered()
{
    if (m_import)
        return;
    const QString qsFile = QFileDialog::getOpenFileName(m_window, tr("Import log"), QString(),
                                                        tr("ADIF files (*.adi *.adif);;All files (*)"));
    if (!qsFile.isEmpty())
        importFile(qsFile);
}

void OperatorLog::importFile(const QString &qsFileName)
{
    if (m_import)
        return;
    m_import = std::make_unique<LogImport>(*m_store);
    if (!m_import->start(qsFileName)) {
        const QString qsError = m_import->errorString();
        m_import.reset();
        auto *pBox = new QMessageBox(QMessageBox::Warning, tr("Import log"), qsError, QMessageBox::Ok, m_window);
        pBox->setAttribute(Qt::WA_DeleteOnClose);
        pBox->open();
        Q_EMIT importFinished(qsError);
        return;
    }
    m_importAction->setEnabled(false);
    m_progress = new QProgressDialog(tr("Importing %1...").arg(qsFileName), tr("Cancel"), 0, kProgressSteps, m_window);
    m_progress->setWindowTitle(tr("Import log"));
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setMinimumDuration(kProgressDelayMs);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setWindowModality(Qt::WindowModal);
    connect(m_progress, &QProgressDialog::canceled, this, &OperatorLog::onImportCanceled);
    m_sliceTimer.start();
}

void OperatorLog::onImportSlice()
{
    if (!m_import)
        return;
    QElapsedTimer slice;
    slice.start();
    bool bMore = true;
    while (bMore && slice.elapsed() < kSliceMs)
        bMore = m_import->step();
    if (m_progress && m_import->fileSize() > 0)
        m_progress->setValue(int(m_import->bytesRead() * kProgressSteps / m_import->fileSize()));
    if (!bMore)
        endImport(true);
}

void OperatorLog::onImportCanceled()
{
    if (m_import)
        endImport(false);
}

void OperatorLog::endImport(bool bCompleted)
{
    m_sliceTimer.stop();
    QString qsSummary;
    QMessageBox::Icon icon = QMessageBox::Information;
    if (!bCompleted) {
        m_import->cancel();
        qsSummary = tr("Import cancelled; the log is as it was.");
    } else if (!m_import->finish()) {
        icon = QMessageBox::Warning;
        qsSummary = tr("Import failed; the log is as it was.\n%1").arg(m_import->errorString());
    } else {
        qsSummary = summaryText(m_import->result());
    }
    m_import.reset();
    m_importAction->setEnabled(true);
    if (m_progress) {
        // Closing must not count as a cancel of the next import.
        disconnect(m_progress, &QProgressDialog::canceled, this, &OperatorLog::onImportCanceled);
        m_progress->close();
    }
    auto *pBox = new QMessageBox(icon, tr("Import log"), qsSummary, QMessageBox::Ok, m_window);
    pBox->setObjectName(QStringLiteral("messageBoxLogImport"));
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    pBox->open();
    Q_EMIT importFinished(qsSummary);
}

QString OperatorLog::summaryText(const LogStore::ImportResult &result)
{
    const QLocale locale;
    QString qsText =
        tr("%1 imported, %2 already in the log (merged), %3 skipped")
            .arg(locale.toString(result.imported), locale.toString(result.merged), locale.toString(result.skipped));
    if (result.reasons.isEmpty())
        return qsText + QLatin1Char('.');
    qsText += QLatin1Char(':');
    for (const QString &qsReason : result.reasons)
        qsText += QStringLiteral("\n\u2022 ") + qsReason;
    if (result.skipped > result.reasons.size())
        qsText += QStringLiteral("\n\u2022 ...");
    return qsText;
}
