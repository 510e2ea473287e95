#ifndef TIPS_H
#define TIPS_H

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class Tips;
}
QT_END_NAMESPACE

// One "Did you know..." hint, shown the first time its situation comes up.
// General/SeenTips holds the bits of the hints acknowledged with OK; -1
// silences them all. Callers create a Tips only while SeenTips is not -1:
//   if (SettingsStore::seenTips() != Tips::kNoMoreTips) (new Tips(this))->showTip(Tips::FirstConnection);
class Tips : public QDialog
{
    Q_OBJECT

public:
    enum Tip { FirstConnection = 1, TuneByDoubleClick = 2, FilterOrder = 4, AlertOrder = 8 };
    static constexpr int kNoMoreTips = -1;

    explicit Tips(QWidget *parent = nullptr);
    ~Tips() override;

    // Fills the text and shows the dialog, without blocking, unless the
    // hint was already acknowledged.
    void showTip(int iTip);
    void setTip(int iTip);
    int tip() const { return m_tip; }
    static bool isSeen(int iTip);

public Q_SLOTS:
    void onOkClicked();

private:
    std::unique_ptr<Ui::Tips> m_ui;
    int m_tip = 0;
};

#endif // TIPS_H
