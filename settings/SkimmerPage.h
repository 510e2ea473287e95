#ifndef SKIMMERPAGE_H
#define SKIMMERPAGE_H

#include "SkimmerSettings.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class SkimmerPage;
}
QT_END_NAMESPACE

// The settings page of skimmer spots: whether busted ones show, and the
// thresholds the validator judges calls by.
class SkimmerPage : public QWidget
{
    Q_OBJECT

public:
    explicit SkimmerPage(QWidget *parent = nullptr);
    ~SkimmerPage() override;

    void setSkimmers(const SkimmerSettings &skimmers);
    SkimmerSettings skimmers() const;

private:
    std::unique_ptr<Ui::SkimmerPage> m_ui;
};

#endif // SKIMMERPAGE_H
