#ifndef WORKEDCOUNTRIES_H
#define WORKEDCOUNTRIES_H

#include <QDialog>
#include <QModelIndex>
#include <QStringList>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class WorkedCountries;
}
QT_END_NAMESPACE

class WorkedSets;

// Moves countries between the not-worked and worked sets. Moves change the
// sets at once, so rules see them while the dialog is open; OK stores them,
// Cancel reads the stored sets back. The main window makes one per use:
//   (new WorkedCountries(&settings->workedSets(), this))->open();
class WorkedCountries : public QDialog
{
    Q_OBJECT

public:
    explicit WorkedCountries(WorkedSets *pWorkedSets, QWidget *parent = nullptr);
    ~WorkedCountries() override;

    void refresh();
    // The countries "Take from log" moves to the worked set; none leaves
    // the button disabled.
    void setLogCountries(const QStringList &qslCountries);

public Q_SLOTS:
    void onMoveToWorkedClicked();
    void onMoveToNotWorkedClicked();
    void onTakeFromLogClicked();
    void onNewCountryClicked(const QModelIndex &index);
    void onWorkedCountryClicked(const QModelIndex &index);
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent *pEvent) override;

private:
    std::unique_ptr<Ui::WorkedCountries> m_ui;
    WorkedSets *m_workedSets = nullptr;
    QStringList m_logCountries;
};

#endif // WORKEDCOUNTRIES_H
