#ifndef LOGPAGE_H
#define LOGPAGE_H

#include "SettingsStore.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class LogPage;
}
QT_END_NAMESPACE

// The settings page of the operator's log: the ADIF file to watch and the
// UDP port QSOs are reported on.
class LogPage : public QWidget
{
    Q_OBJECT

public:
    explicit LogPage(QWidget *parent = nullptr);
    ~LogPage() override;

    void setLog(const LogSettings &log);
    LogSettings log() const;

public Q_SLOTS:
    void onBrowseClicked();

private:
    std::unique_ptr<Ui::LogPage> m_ui;
};

#endif // LOGPAGE_H
