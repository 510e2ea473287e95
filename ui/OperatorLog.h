#ifndef OPERATORLOG_H
#define OPERATORLOG_H

#include "log/LogStore.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

QT_BEGIN_NAMESPACE
class QAction;
class QMessageBox;
class QProgressDialog;
class QWidget;
QT_END_NAMESPACE

class LogFeeds;
class LogImport;
class Worked;

// The operator's log as the main window uses it: the store of the profile
// in use, the "Import log..." action, and the file and UDP feeds the
// settings name. An import runs in slices between the window's events, so
// the window keeps painting and the progress dialog can cancel it.
class OperatorLog : public QObject
{
    Q_OBJECT

public:
    // Slices stop after this long to let the window paint.
    static constexpr int kSliceMs = 40;

    // qsFileName: the log file, by default the profile's.
    OperatorLog(const Worked *pWorked, QWidget *pWindow, const QString &qsFileName = QString());
    ~OperatorLog() override;

    LogStore *store() const { return m_store; }
    LogFeeds *feeds() const { return m_feeds; }
    QAction *importAction() const { return m_importAction; }
    // Follows the log settings of the store; the reason when QSO reports
    // cannot be received, else empty.
    QString applySettings();
    // Imports a file, with progress for a large one and a summary at the end.
    void importFile(const QString &qsFileName);
    bool isImporting() const { return m_import != nullptr; }

    // "12,345 imported, 3 already in the log (merged), 17 skipped: ..." with
    // the first reasons.
    static QString summaryText(const LogStore::ImportResult &result);

public Q_SLOTS:
    void onImportTriggered();

Q_SIGNALS:
    // After every import, with the text the summary box shows.
    void importFinished(const QString &qsSummary);
    // A word for the status bar: a reported QSO that could not be logged, a
    // watched log that cannot be read.
    void statusMessage(const QString &qsText);

private:
    void onImportSlice();
    void onImportCanceled();
    void endImport(bool bCompleted);

    QWidget *m_window = nullptr;
    LogStore *m_store = nullptr;
    LogFeeds *m_feeds = nullptr;
    QAction *m_importAction = nullptr;
    std::unique_ptr<LogImport> m_import;
    QPointer<QProgressDialog> m_progress;
    QTimer m_sliceTimer;
};

#endif // OPERATORLOG_H
