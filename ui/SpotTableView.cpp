#include "ui/SpotTableView.h"

#include "API/QsLog/QsLog.h"
#include "settings/SettingsStore.h"
#include "ui/Delegate.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"
#include "ui/SpotSortProxy.h"

#include <QAction>
#include <QBitArray>
#include <QDataStream>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <iterator>
#include <utility>

namespace {
constexpr int kAgeCheckMs = 60000;
// The longest a spot waits for the table: a few repaints a second.
constexpr int kBatchMs = 200;
// From this rate on (a contest's skimmer feed) rows change faster than
// anyone reads them: the table takes spots twice a second, which halves
// the repaints that then cost the window most of its time.
constexpr int kBusySpotsPerSecond = 100;
constexpr int kBusyBatchMs = 500;
// Room around a cell's text: the item margins and the grid line.
constexpr int kCellPadding = 14;
// Texts as wide as the widest a column usually holds.
const char *const kWidestTexts[] = {
    "28-Dec-2026", "2359Z", "QQ9QQQ-#",        "10489540.0",      "QQ9/QQ9QQQ/P", "", "99999", "",      "AN",
    "40",          "AN",    "3590, 20,000 km", "3590, 40,000 km", "Unconf",       "", "70cm",  "Worked",
    "PSK31",       "-20",   "45 BPS",          "999",             "unverified"};
static_assert(std::size(kWidestTexts) == SpotModel::ColumnCount);
constexpr int kIconColumnWidth = 24;
const QString kFallbackLongestCountry = QStringLiteral("Central African Republic");
} // namespace

SpotTableView::SpotTableView(QWidget *parent) : QTableView(parent)
{
    m_spotModel = new SpotModel(this);
    m_pendingSpots = new SpotModel(this);
    m_bandProxy = new SpotBandProxy(m_spotModel, this);
    m_sortProxy = new SpotSortProxy(m_spotModel, m_bandProxy, this);
    setModel(m_sortProxy);
    // Row by row, so that keeping the view steady is moving it by rows.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView *pHeader = horizontalHeader();
    pHeader->setStretchLastSection(true);
    // The icon and count columns are narrower than a header's usual minimum.
    pHeader->setMinimumSectionSize(kIconColumnWidth);
    for (int iColumn = 0; iColumn < SpotModel::ColumnCount; ++iColumn)
        pHeader->setSectionHidden(iColumn, SpotModel::isHiddenByDefault(iColumn));
    placeColumnsAddedLater(0);
    // Newest first until the operator picks a column; a third click on it
    // returns to that.
    pHeader->setSortIndicator(-1, Qt::DescendingOrder);
    pHeader->setSortIndicatorClearable(true);
    setSortingEnabled(true);
    pHeader->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pHeader, &QWidget::customContextMenuRequested, this, &SpotTableView::onHeaderContextMenuRequested);
    verticalHeader()->setResizeContentsPrecision(0);
    viewport()->setAttribute(Qt::WA_Hover);
    setItemDelegate(new Delegate(this));
    connect(m_sortProxy, &QAbstractItemModel::rowsInserted, this, &SpotTableView::onViewRowsInserted);
    connect(m_sortProxy, &QAbstractItemModel::rowsRemoved, this, &SpotTableView::onViewRowsRemoved);

    m_newSpotsButton = new QPushButton(this);
    m_newSpotsButton->setObjectName(QStringLiteral("pushButtonNewSpots"));
    m_newSpotsButton->setCursor(Qt::PointingHandCursor);
    m_newSpotsButton->hide();
    connect(m_newSpotsButton, &QPushButton::clicked, this, &SpotTableView::onNewSpotsClicked);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int iValue) {
        if (iValue == 0)
            onNewSpotsClicked();
    });

    m_pauseAction = new QAction(QIcon(QStringLiteral(":/ico/minimize.png")), tr("&Pause"), this);
    m_pauseAction->setObjectName(QStringLiteral("actionPause"));
    m_pauseAction->setCheckable(true);
    m_pauseAction->setShortcut(QKeySequence(Qt::Key_Space));
    m_pauseAction->setToolTip(tr("Pause the table (Space); spots are kept and shown on resume"));
    connect(m_pauseAction, &QAction::toggled, this, &SpotTableView::onPauseToggled);

    m_batchMs = kBatchMs;
    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &SpotTableView::showPendingSpots);

    m_ageTimer.setInterval(kAgeCheckMs);
    connect(&m_ageTimer, &QTimer::timeout, this, &SpotTableView::onAgeTimerExpired);
    m_ageTimer.start();
}

SpotTableView::~SpotTableView() = default;

bool SpotTableView::isPaused() const
{
    return m_pauseAction->isChecked();
}

int SpotTableView::pendingSpotCount() const
{
    return m_pendingSpots->rowCount();
}

bool SpotTableView::addSpot(const Spot &spot, quint16 uiMaxRows)
{
    m_maxRows = uiMaxRows;
    const bool bShown = m_spotModel->hasActivity(spot);
    const bool bWaiting = m_pendingSpots->insertSpot(spot, uiMaxRows);
    ++m_spotsSinceBatch;
    if (!m_batchTimer.isActive()) {
        const qint64 iSinceMs = m_sinceBatch.isValid() ? m_sinceBatch.elapsed() : m_batchMs;
        // At once after a quiet spell: still after the rest of this socket read.
        m_batchTimer.start(int(qMax<qint64>(0, m_batchMs - iSinceMs)));
    }
    return !bShown && !bWaiting;
}

void SpotTableView::addRepeat(const Spot &spot)
{
    ++m_spotsSinceBatch;
    if (!m_spotModel->addReport(spot))
        m_pendingSpots->addReport(spot);
}

void SpotTableView::applySettings(const SpotTableSettings &spotTable, bool bDistanceInMiles)
{
    for (SpotModel *pModel : {m_spotModel, m_pendingSpots}) {
        pModel->setMergeDistance(spotTable.mergeDistanceKHz);
        pModel->setMaxAge(spotTable.maxAgeMinutes);
        pModel->setDistanceInMiles(bDistanceInMiles);
    }
}

void SpotTableView::setBands(int iBands)
{
    m_bandProxy->setBands(iBands);
}

void SpotTableView::onPauseToggled(bool bPaused)
{
    Q_UNUSED(bPaused)
    showPendingSpots();
}

void SpotTableView::showPendingSpots()
{
    m_batchTimer.stop();
    // The rate since the last batch sets the wait of the next one; the
    // first batch has no rate to go by.
    if (m_sinceBatch.isValid()) {
        const qint64 iSinceMs = qMax<qint64>(1, m_sinceBatch.elapsed());
        const bool bBusy = qint64(m_spotsSinceBatch) * 1000 >= qint64(kBusySpotsPerSecond) * iSinceMs;
        m_batchMs = bBusy ? kBusyBatchMs : kBatchMs;
    }
    m_sinceBatch.start();
    m_spotsSinceBatch = 0;
    if (!isPaused() && m_pendingSpots->rowCount() > 0) {
        widenColumns(*m_pendingSpots);
        m_spotModel->takeRowsFrom(*m_pendingSpots, m_maxRows);
    }
    applyVerdicts();
    Q_EMIT noticeChanged();
}

void SpotTableView::onAgeTimerExpired()
{
    // The rows that stay step back in colour as they age.
    viewport()->update();
    const int iAged = m_spotModel->removeAged() + m_pendingSpots->removeAged();
    if (iAged > 0) {
        QLOG_DEBUG() << iAged << "spot rows aged out";
    }
}

// ---------------------------------------------------------------- columns

void SpotTableView::fitColumns(const QStringList &qslCountries)
{
    QHeaderView *pHeader = horizontalHeader();
    const QFontMetrics metrics(font());
    const QFontMetrics headerMetrics(pHeader->font());
    QString qsLongestCountry = kFallbackLongestCountry;
    for (const QString &qsCountry : qslCountries) {
        if (metrics.horizontalAdvance(qsCountry) > metrics.horizontalAdvance(qsLongestCountry))
            qsLongestCountry = qsCountry;
    }
    for (int iColumn = 0; iColumn < SpotModel::ColumnCount; ++iColumn) {
        if (iColumn == SpotModel::Comment)
            continue;
        if (iColumn == SpotModel::Icon) {
            pHeader->resizeSection(iColumn, kIconColumnWidth);
            continue;
        }
        const QString qsWidest =
            iColumn == SpotModel::Country ? qsLongestCountry : QString::fromLatin1(kWidestTexts[iColumn]);
        const QString qsHeader = m_spotModel->headerData(iColumn, Qt::Horizontal).toString();
        pHeader->resizeSection(
            iColumn,
            qMax(metrics.horizontalAdvance(qsWidest), headerMetrics.horizontalAdvance(qsHeader) + kCellPadding)
                + kCellPadding);
    }
}

void SpotTableView::widenColumns(const SpotModel &spots)
{
    QHeaderView *pHeader = horizontalHeader();
    const QFontMetrics metrics(font());
    // A text shorter than the column holds of the widest glyph fits without
    // being measured: most texts are never shaped here.
    const int iGlyph = qMax(1, metrics.maxWidth());
    for (int iColumn = SpotModel::Date; iColumn <= SpotModel::Country; ++iColumn) {
        if (pHeader->isSectionHidden(iColumn))
            continue;
        int iSection = pHeader->sectionSize(iColumn);
        for (int iRow = 0; iRow < spots.rowCount(); ++iRow) {
            const QString qsText = spots.text(iRow, SpotModel::Column(iColumn));
            if ((qsText.size() + 1) * iGlyph + kCellPadding <= iSection)
                continue;
            iSection = qMax(iSection, metrics.horizontalAdvance(qsText) + kCellPadding);
        }
        if (iSection > pHeader->sectionSize(iColumn))
            pHeader->resizeSection(iColumn, iSection);
    }
}

void SpotTableView::setHideBusted(bool bHide)
{
    m_bandProxy->setHideBusted(bHide);
}

void SpotTableView::updateVerdicts(const QStringList &qslCalls)
{
    for (const QString &qsCall : qslCalls)
        m_verdictCalls.insert(qsCall);
    if (!m_verdictCalls.isEmpty() && !m_batchTimer.isActive())
        m_batchTimer.start(m_batchMs);
}

void SpotTableView::applyVerdicts()
{
    const SkimmerValidator *pValidator = m_verdictSource ? m_verdictSource() : nullptr;
    if (!pValidator || m_verdictCalls.isEmpty())
        return;
    const QStringList qslCalls(m_verdictCalls.cbegin(), m_verdictCalls.cend());
    m_verdictCalls.clear();
    m_spotModel->updateVerdicts(*pValidator, qslCalls);
    m_pendingSpots->updateVerdicts(*pValidator, qslCalls);
}

void SpotTableView::onHeaderContextMenuRequested(const QPoint &point)
{
    QHeaderView *pHeader = horizontalHeader();
    auto *pMenu = new QMenu(this);
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    // In the order the columns stand.
    for (int iVisual = 0; iVisual < pHeader->count(); ++iVisual) {
        const int iColumn = pHeader->logicalIndex(iVisual);
        QString qsTitle = m_spotModel->headerData(iColumn, Qt::Horizontal).toString();
        if (iColumn == SpotModel::Icon)
            qsTitle = tr("Icon");
        QAction *pAction = pMenu->addAction(qsTitle);
        pAction->setCheckable(true);
        pAction->setChecked(!pHeader->isSectionHidden(iColumn));
        // The last visible column stays: a table without columns has nothing to click.
        pAction->setEnabled(pHeader->isSectionHidden(iColumn)
                            || pHeader->hiddenSectionCount() < SpotModel::ColumnCount - 1);
        connect(pAction, &QAction::toggled, pHeader,
                [pHeader, iColumn](bool bShown) { pHeader->setSectionHidden(iColumn, !bShown); });
    }
    pMenu->popup(pHeader->mapToGlobal(point));
}

// ---------------------------------------------------------------- keeping the view steady

void SpotTableView::onViewRowsInserted(const QModelIndex &parent, int iFirst, int iLast)
{
    Q_UNUSED(parent)
    QScrollBar *pScrollBar = verticalScrollBar();
    const int iValue = pScrollBar->value();
    // Unsorted, new spots come on top and the top of the table follows them.
    // Sorted, they take their places anywhere: those above the first row in
    // view would push it down, so the view keeps its rows there too.
    if (iValue == 0 && !m_sortProxy->isSorted())
        return;
    // Below the first row in view a row takes its place where it is seen.
    if (iFirst > iValue)
        return;
    const int iCount = iLast - iFirst + 1;
    // The rows the operator looks at stay where they are. The range catches
    // up with the new rows only at the next layout.
    pScrollBar->setMaximum(qMax(pScrollBar->maximum(), iValue + iCount));
    pScrollBar->setValue(iValue + iCount);
    m_unseenSpots += iCount;
    m_newSpotsButton->setText(m_unseenSpots == 1 ? tr("1 new spot") : tr("%1 new spots").arg(m_unseenSpots));
    m_newSpotsButton->adjustSize();
    placeNewSpotsButton();
    m_newSpotsButton->show();
    m_newSpotsButton->raise();
}

void SpotTableView::onViewRowsRemoved(const QModelIndex &parent, int iFirst, int iLast)
{
    Q_UNUSED(parent)
    QScrollBar *pScrollBar = verticalScrollBar();
    const int iValue = pScrollBar->value();
    if (iLast < iValue)
        pScrollBar->setValue(iValue - (iLast - iFirst + 1));
}

void SpotTableView::placeNewSpotsButton()
{
    const int iTop = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    m_newSpotsButton->move((width() - m_newSpotsButton->width()) / 2, iTop + 4);
}

void SpotTableView::onNewSpotsClicked()
{
    m_unseenSpots = 0;
    m_newSpotsButton->hide();
    if (verticalScrollBar()->value() != 0)
        scrollToTop();
}

// ---------------------------------------------------------------- keyboard and mouse

void SpotTableView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter tunes; it never opens an editor or moves the current row.
        // The row is brought into view first: the operator sees what the
        // rig is tuned to.
        if (const std::optional<Spot> spot = spotAt(currentIndex())) {
            scrollTo(currentIndex(), QAbstractItemView::EnsureVisible);
            Q_EMIT tuneRequested(*spot);
        }
        return;
    }
    QTableView::keyPressEvent(event);
}

void SpotTableView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    placeNewSpotsButton();
}

bool SpotTableView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto *pMouse = static_cast<QMouseEvent *>(event);
        // The second press of a double click keeps the first one's spot,
        // however the rows moved in between.
        if (!pMouse->flags().testFlag(Qt::MouseEventCreatedDoubleClick))
            m_pressedSpot = spotAt(indexAt(pMouse->position().toPoint()));
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && m_pressedSpot) {
            Q_EMIT tuneRequested(*m_pressedSpot);
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}

int SpotTableView::modelRowOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    int iRow = -1;
    if (index.model() == m_sortProxy || index.model() == m_bandProxy)
        iRow = m_sortProxy->modelRow(index);
    else if (index.model() == m_spotModel)
        iRow = index.row();
    return iRow < m_spotModel->rowCount() ? iRow : -1;
}

std::optional<Spot> SpotTableView::spotAt(const QModelIndex &index) const
{
    const int iRow = modelRowOf(index);
    if (iRow < 0)
        return std::nullopt;
    return m_spotModel->spotAt(iRow);
}

SpotModel::Reports SpotTableView::reportsAt(const QModelIndex &index) const
{
    const int iRow = modelRowOf(index);
    return iRow < 0 ? SpotModel::Reports() : m_spotModel->reportsAt(iRow);
}

void SpotTableView::placeColumnsAddedLater(int iSavedColumns)
{
    // A column added after a layout was saved takes its default visibility
    // and a place beside what it belongs with, not after Comment, which
    // keeps the spare width at the end.
    struct Placement
    {
        int column;
        int anchor;
        bool before;
    };
    constexpr Placement kPlacements[] = {
        {SpotModel::Band, SpotModel::Frequency, false}, {SpotModel::Worked, SpotModel::Need, false},
        {SpotModel::Mode, SpotModel::Comment, true},    {SpotModel::Snr, SpotModel::Comment, true},
        {SpotModel::Speed, SpotModel::Comment, true},   {SpotModel::Skimmers, SpotModel::Comment, true},
        {SpotModel::Validation, SpotModel::Comment, true}};
    QHeaderView *pHeader = horizontalHeader();
    for (const Placement &placement : kPlacements) {
        if (placement.column < iSavedColumns)
            continue;
        pHeader->setSectionHidden(placement.column, SpotModel::isHiddenByDefault(placement.column));
        const int iFrom = pHeader->visualIndex(placement.column);
        const int iAnchor = pHeader->visualIndex(placement.anchor);
        // Taking the column out first shifts an anchor behind it one place.
        const int iTo = placement.before ? iAnchor - (iAnchor > iFrom ? 1 : 0) : iAnchor + (iAnchor < iFrom ? 1 : 0);
        pHeader->moveSection(iFrom, iTo);
    }
}

int SpotTableView::savedColumnCount(const QByteArray &state)
{
    // The header's own stream, read as far as its section count: a state
    // saved before columns were added restores them as shown and last.
    QDataStream in(state);
    in.setVersion(QDataStream::Qt_5_0);
    int iMarker = 0;
    int iVersion = 0;
    int iOrientation = 0;
    int iOrder = 0;
    int iSortSection = 0;
    bool bSortShown = false;
    QList<int> visualIndices;
    QList<int> logicalIndices;
    QBitArray hidden;
    QHash<int, int> hiddenSizes;
    int iLength = 0;
    int iCount = -1;
    in >> iMarker >> iVersion >> iOrientation >> iOrder >> iSortSection >> bSortShown >> visualIndices >> logicalIndices
        >> hidden >> hiddenSizes >> iLength >> iCount;
    if (in.status() != QDataStream::Ok || iMarker != 0xff || iVersion != 0 || iCount < 0)
        return -1;
    return iCount;
}

bool SpotTableView::selectModelRow(int iModelRow)
{
    if (iModelRow < 0 || iModelRow >= m_spotModel->rowCount())
        return false;
    const QModelIndex viewIndex =
        m_sortProxy->mapFromSource(m_bandProxy->mapFromSource(m_spotModel->index(iModelRow, 0)));
    if (!viewIndex.isValid())
        return false;
    selectRow(viewIndex.row());
    scrollTo(viewIndex);
    return true;
}

bool SpotTableView::restoreHeaderState(const QByteArray &state)
{
    QHeaderView *pHeader = horizontalHeader();
    const int iSavedColumns = savedColumnCount(state);
    const bool bRestored = pHeader->restoreState(state);
    if (bRestored && iSavedColumns >= 0 && iSavedColumns < SpotModel::ColumnCount)
        placeColumnsAddedLater(iSavedColumns);
    // The state of a table that could not be sorted has the indicator off
    // and a section that was never chosen.
    if (!pHeader->isSortIndicatorShown())
        pHeader->setSortIndicator(-1, Qt::DescendingOrder);
    pHeader->setSortIndicatorShown(true);
    pHeader->setSortIndicatorClearable(true);
    sortByColumn(pHeader->sortIndicatorSection(), pHeader->sortIndicatorOrder());
    return bRestored;
}
