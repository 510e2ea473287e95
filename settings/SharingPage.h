#ifndef SHARINGPAGE_H
#define SHARINGPAGE_H

#include "sharing/SharingSettings.h"

#include <QUrl>
#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class SharingPage;
}
QT_END_NAMESPACE

// The settings page of what the program hands on: the local spot node and
// the spots on a TCI radio.
class SharingPage : public QWidget
{
    Q_OBJECT

public:
    explicit SharingPage(QWidget *parent = nullptr);
    ~SharingPage() override;

    void setSharing(const SharingSettings &sharing);
    SharingSettings sharing() const;
    // What keeps the page from being saved, for the operator; empty when
    // nothing does. Focuses the field at fault.
    QString problem();

private:
    void onColorClicked();
    void showColor();

    std::unique_ptr<Ui::SharingPage> m_ui;
    QColor m_tciColor;
    // The stored TCI address, whose scheme and path the page keeps.
    QUrl m_tciUrl;
};

#endif // SHARINGPAGE_H
