#ifndef SPOTTABLEVIEW_H
#define SPOTTABLEVIEW_H

#include "cluster/Spot.h"
#include "ui/SpotModel.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QAction;
class QPushButton;
QT_END_NAMESPACE

class SpotBandProxy;
class SpotSortProxy;
struct SpotTableSettings;
class SkimmerValidator;

// The table of spots with everything that keeps it readable while spots
// pour in: the models behind it (all rows, the rows on the selected bands,
// the spots waiting for the next batch), column widths, the header's column
// menu, pausing, the "new spots" button that stands in for scrolling, and
// ageing. What a row asks of the rest of the program (tuning the rig) goes
// out as a signal.
class SpotTableView : public QTableView
{
    Q_OBJECT

public:
    explicit SpotTableView(QWidget *parent = nullptr);
    ~SpotTableView() override;

    SpotModel *spotModel() const { return m_spotModel; }
    SpotBandProxy *bandProxy() const { return m_bandProxy; }
    SpotSortProxy *sortProxy() const { return m_sortProxy; }
    QAction *pauseAction() const { return m_pauseAction; }
    QPushButton *newSpotsButton() const { return m_newSpotsButton; }
    bool isPaused() const;
    // Spots received and not yet in the table (while paused, or until the
    // next batch), one per station activity.
    int pendingSpotCount() const;

    // Queues the spot for the next batch, merged as the table merges.
    // False when it repeats a station activity already shown or waiting:
    // such a spot updates its row and alerts no more.
    bool addSpot(const Spot &spot, quint16 uiMaxRows);
    // A report already counted, brought again by another source: its row,
    // shown or waiting, learns the source and stays where it is.
    void addRepeat(const Spot &spot);
    void applySettings(const SpotTableSettings &spotTable, bool bDistanceInMiles);
    void setBands(int iBands);
    // Rows the skimmers show to be mis-decodes stay out of sight.
    void setHideBusted(bool bHide);
    // The rows of these calls may read differently now; the validator's
    // newer word is taken with the next batch of spots, so that a busy feed
    // redraws a row once a batch, not once a spot.
    void updateVerdicts(const QStringList &qslCalls);
    // The validator those words come from (the active connection's); while
    // it gives none, the calls wait.
    void setVerdictSource(std::function<const SkimmerValidator *()> source) { m_verdictSource = std::move(source); }
    // Column widths for the longest country name and typical other cells.
    void fitColumns(const QStringList &qslCountries);
    // The spot of a row of the view, or of the spot model.
    std::optional<Spot> spotAt(const QModelIndex &index) const;
    // Who reported the station of that row and through which sources.
    SpotModel::Reports reportsAt(const QModelIndex &index) const;
    // Selects and shows the row of the spot model's row; false when the
    // bands or the search hide it.
    bool selectModelRow(int iModelRow);
    // Restores the columns and the sort order. A state stored before the
    // table could be sorted leaves it unsorted, newest first.
    bool restoreHeaderState(const QByteArray &state);

public Q_SLOTS:
    // Puts the spots gathered since the last batch into the table at once;
    // while paused it only counts them.
    void showPendingSpots();
    // Drops the rows that have aged out; a timer runs it once a minute.
    void onAgeTimerExpired();
    void onPauseToggled(bool bPaused);
    void onNewSpotsClicked();
    void onHeaderContextMenuRequested(const QPoint &point);

Q_SIGNALS:
    // A double click or Enter on a row.
    void tuneRequested(const Spot &spot);
    // The pause or the number of waiting spots changed.
    void noticeChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    // The spot model's row of an index of the view or the model; -1 for none.
    int modelRowOf(const QModelIndex &index) const;
    // Widens (never narrows) the columns the texts of the waiting spots do
    // not fit.
    void widenColumns(const SpotModel &spots);
    void onViewRowsInserted(const QModelIndex &parent, int iFirst, int iLast);
    void onViewRowsRemoved(const QModelIndex &parent, int iFirst, int iLast);
    void placeNewSpotsButton();
    // Hides and places the columns a layout of iSavedColumns did not have.
    void placeColumnsAddedLater(int iSavedColumns);
    // The number of columns a saved header state holds, -1 when unreadable.
    static int savedColumnCount(const QByteArray &state);
    void applyVerdicts();

    QSet<QString> m_verdictCalls;
    std::function<const SkimmerValidator *()> m_verdictSource;
    SpotModel *m_spotModel = nullptr;
    SpotBandProxy *m_bandProxy = nullptr;
    SpotSortProxy *m_sortProxy = nullptr;
    // Spots received since the last batch or while the view is paused,
    // merged as the table merges.
    SpotModel *m_pendingSpots = nullptr;
    // The table takes spots a few times a second, however fast they come,
    // so that the view repaints at a human rate; after a quiet spell the
    // next spots go in at once.
    QTimer m_batchTimer;
    QElapsedTimer m_sinceBatch;
    // The wait of the next batch: longer at a contest's rate.
    int m_batchMs = 0;
    int m_spotsSinceBatch = 0;
    quint16 m_maxRows = 0;
    QAction *m_pauseAction = nullptr;
    QPushButton *m_newSpotsButton = nullptr;
    int m_unseenSpots = 0;
    QTimer m_ageTimer;
    // What a double click acts on: the spot under the pointer when the
    // first press happened, whatever moved since.
    std::optional<Spot> m_pressedSpot;
};

#endif // SPOTTABLEVIEW_H
