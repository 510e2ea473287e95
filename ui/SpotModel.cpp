#include "ui/SpotModel.h"

#include "cluster/SkimmerValidator.h"
#include "cluster/SpotParser.h"
#include "log/LogStore.h"
#include "radio/BandPlan.h"
#include "radio/WorkedBefore.h"
#include "ui/SpotPopup.h"

#include <QBrush>
#include <QDateTime>
#include <QPixmap>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {
QString bandLabel(double dKHz)
{
    const BandPlan::Band *pBand = BandPlan::logBandFor(dKHz);
    return pBand ? BandPlan::labelText(*pBand) : QString();
}

// Alert rules name a handful of icons; the bound only keeps a store edited by
// hand from filling memory with pixmaps.
constexpr int kMaxCachedIcons = 64;

// A spot a node listed on request that is older than the one its row shows
// is history: it counts, but neither replaces the row's newer fields nor
// moves the row up.
bool isOlderAnswer(const Spot &spot, const Spot &shown)
{
    if (!spot.isEarlier())
        return false;
    const qint64 iMinute = SpotParser::minuteOf(spot.date(), spot.time());
    return iMinute >= 0 && iMinute < SpotParser::minuteOf(shown.date(), shown.time());
}

// Numbers line up on their right edge, in the cells and in the header.
bool isNumberColumn(int iColumn)
{
    using C = SpotModel::Column;
    return iColumn == C::Frequency || iColumn == C::Count || iColumn == C::Snr || iColumn == C::Speed
        || iColumn == C::Skimmers;
}

// The best SNR the skimmers reported of the station, else the spot's own.
std::optional<int> shownSnr(const Spot &spot)
{
    if (spot.hasBestSnr())
        return spot.bestSnr();
    return spot.hasSnr() ? std::optional<int>(spot.snr()) : std::nullopt;
}

} // namespace

SpotModel::SpotModel(QObject *parent)
    : QAbstractTableModel(parent), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

SpotModel::~SpotModel() = default;

int SpotModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int SpotModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString SpotModel::text(int iRow, Column column) const
{
    const Entry &entry = entryAt(iRow);
    const Spot &spot = entry.spot;
    switch (column) {
    case Date:
        return spot.date();
    case Utc:
        return spot.time();
    case Spotter:
        return spot.spotter();
    case Frequency:
        return spot.frequency();
    case DX:
        return spot.dxCall();
    case Country:
        return spot.country();
    case Count:
        return QString::number(entry.count);
    case Continent:
        return spot.dxContinent();
    case CqZone:
        return spot.dxCqZone() > 0 ? QString::number(spot.dxCqZone()) : QString();
    case SpotterContinent:
        return spot.spotterContinent();
    case ShortPath:
        return spot.hasPath() ? SpotPopup::pathText(spot.shortPath(), m_distanceInMiles) : QString();
    case LongPath:
        return spot.hasPath() ? SpotPopup::pathText(spot.longPath(), m_distanceInMiles) : QString();
    case Need:
        return LogStore::needLabel(needAt(iRow));
    case Comment:
        return spot.comment();
    case Band:
        return bandLabel(entry.kHz);
    case Worked:
        return LogStore::workedLabel(workedAt(iRow));
    case Mode:
        return spot.mode();
    case Snr: {
        const std::optional<int> snr = shownSnr(spot);
        return snr ? QString::number(*snr) : QString();
    }
    case Speed:
        if (spot.speed() <= 0)
            return QString();
        return spot.speedUnit() == Spot::SpeedUnit::Bps ? tr("%1 BPS").arg(spot.speed())
                                                        : QString::number(spot.speed());
    case Skimmers:
        return spot.skimmerCount() > 0 ? QString::number(spot.skimmerCount()) : QString();
    case Validation:
        return SkimmerValidator::verdictText(spot.validation());
    case Icon:
    case ColumnCount:
        break;
    }
    return QString();
}

QVariant SpotModel::data(const QModelIndex &index, int iRole) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return QVariant();
    const Column column = Column(index.column());
    const Spot &spot = spotAt(index.row());
    switch (iRole) {
    case Qt::DisplayRole:
        return column == Icon ? QVariant() : QVariant(text(index.row(), column));
    case Qt::BackgroundRole:
        if (column == Need) {
            const QColor color = needColor(needAt(index.row()));
            if (color.isValid())
                return QBrush(color);
        }
        if (column != Icon && spot.alertFlags().testFlag(AlertFlag::Color))
            return QBrush(spot.alertColor());
        break;
    case Qt::DecorationRole:
        if (column == Icon && spot.alertFlags().testFlag(AlertFlag::Icon))
            return iconFor(spot.iconFile());
        break;
    case Qt::TextAlignmentRole:
        if (isNumberColumn(column))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (column == Need || column == Worked || column == Band)
            return QVariant::fromValue(Qt::AlignCenter);
        break;
    case Qt::ToolTipRole:
        if (column == Need || column == Worked)
            return logToolTip(index.row());
        if (column == Validation)
            return spot.validationReason().isEmpty() ? QVariant() : QVariant(spot.validationReason());
        if (column == Mode && spot.modeFromBandPlan())
            return tr("Guessed from the band plan: the spot does not say");
        if (column == Speed && spot.speed() > 0)
            return spot.speedUnit() == Spot::SpeedUnit::Bps ? tr("%1 bauds (BPS)").arg(spot.speed())
                                                            : tr("%1 words per minute").arg(spot.speed());
        break;
    case AgeStepRole:
        return ageStep(ageMsAt(index.row()));
    default:
        break;
    }
    return QVariant();
}

int SpotModel::ageStep(qint64 iAgeMs)
{
    // Minutes at which a row steps further back.
    constexpr qint64 kStepMinutes[kAgeSteps - 1] = {5, 15, 30};
    int iStep = 0;
    while (iStep < kAgeSteps - 1 && iAgeMs >= kStepMinutes[iStep] * 60000)
        ++iStep;
    return iStep;
}

QVariant SpotModel::headerData(int iSection, Qt::Orientation orientation, int iRole) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(iSection, orientation, iRole);
    if (iRole == Qt::DisplayRole) {
        switch (iSection) {
        case Date:
            return tr("Date");
        case Utc:
            return tr("UTC");
        case Spotter:
            return tr("Spotter");
        case Frequency:
            return tr("Frequency");
        case DX:
            return tr("DX");
        case Country:
            return tr("Country");
        case Count:
            return tr("Spots");
        case Continent:
            return tr("Continent");
        case CqZone:
            return tr("CQ zone");
        case SpotterContinent:
            return tr("Spotter continent");
        case ShortPath:
            return tr("Short path");
        case LongPath:
            return tr("Long path");
        case Need:
            return tr("Need");
        case Comment:
            return tr("Comment");
        case Band:
            return tr("Band");
        case Worked:
            return tr("Worked");
        case Mode:
            return tr("Mode");
        case Snr:
            return tr("SNR");
        case Speed:
            return tr("WPM");
        case Skimmers:
            return tr("Skimmers");
        case Validation:
            return tr("Validation");
        default:
            return QString();
        }
    }
    if (iRole == Qt::ToolTipRole && iSection == Count)
        return tr("Spots of this station on this band and frequency");
    if (iRole == Qt::ToolTipRole && iSection == Need)
        return tr("What your log still lacks: a new country, band or mode, or a confirmation");
    if (iRole == Qt::ToolTipRole && iSection == Worked)
        return tr("Whether this call is in your log: \"Dupe\" on this band and mode, \"Worked\" elsewhere");
    if (iRole == Qt::ToolTipRole && iSection == Snr)
        return tr("The strongest signal-to-noise ratio in dB a skimmer reported of the station");
    if (iRole == Qt::ToolTipRole && iSection == Speed)
        return tr("Sending speed: words per minute for CW, bauds (BPS) for RTTY");
    if (iRole == Qt::ToolTipRole && iSection == Skimmers)
        return tr("Distinct skimmers that heard the station lately");
    if (iRole == Qt::ToolTipRole && iSection == Validation)
        return tr("Whether skimmers confirm the call: valid, busted? (a probable mis-decode), QSY (moved) or "
                  "unverified");
    if (iRole == Qt::TextAlignmentRole && isNumberColumn(iSection))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

void SpotModel::setLogStore(const LogStore *pLogStore)
{
    if (m_logStore)
        disconnect(m_logStore, nullptr, this, nullptr);
    m_logStore = pLogStore;
    // Only the rows on screen are painted again, so a QSO logged changes
    // their marks at once whatever the table holds.
    if (m_logStore) {
        connect(m_logStore, &LogStore::changed, this, [this] {
            static_assert(Need < Worked);
            if (rowCount() > 0)
                Q_EMIT dataChanged(index(0, Need), index(rowCount() - 1, Worked));
        });
    }
}

::Need SpotModel::needAt(int iRow) const
{
    if (!m_logStore)
        return ::Need::None;
    const Spot &spot = spotAt(iRow);
    return m_logStore->needForSpot(spot.country(), spot.frequency(), spot.comment());
}

WorkedBefore SpotModel::workedAt(int iRow) const
{
    if (!m_logStore)
        return WorkedBefore::None;
    const Spot &spot = spotAt(iRow);
    return m_logStore->workedBeforeSpot(spot.dxCall(), spot.frequency(), spot.comment());
}

QString SpotModel::logToolTip(int iRow) const
{
    // The country's need and the call's own history together: what decides
    // whether the station is worth a call.
    QStringList qslLines;
    const QString qsNeed = LogStore::needDescription(needAt(iRow));
    if (!qsNeed.isEmpty())
        qslLines.append(qsNeed);
    const WorkedBefore worked = workedAt(iRow);
    QString qsWorked = LogStore::workedDescription(worked);
    if (worked == WorkedBefore::OtherBand || worked == WorkedBefore::OtherMode || worked == WorkedBefore::Dupe)
        qsWorked +=
            tr(" (worked on %1)").arg(m_logStore->workedBands(spotAt(iRow).dxCall()).join(QStringLiteral(", ")));
    if (!qsWorked.isEmpty())
        qslLines.append(qsWorked);
    return qslLines.join(QLatin1Char('\n'));
}

QColor SpotModel::needColor(::Need need)
{
    // From hot to cold, readable with black text; a confirmed country
    // needs nothing and keeps the row's own colour.
    switch (need) {
    case ::Need::NewCountry:
        return QColor(0xff, 0x6b, 0x6b);
    case ::Need::NewBand:
        return QColor(0xff, 0xb3, 0x47);
    case ::Need::NewMode:
        return QColor(0xff, 0xe0, 0x66);
    case ::Need::Unconfirmed:
        return QColor(0x9f, 0xd3, 0xff);
    case ::Need::Confirmed:
    case ::Need::None:
        break;
    }
    return QColor();
}

QIcon SpotModel::iconFor(const QString &qsFile) const
{
    auto it = m_icons.constFind(qsFile);
    if (it != m_icons.constEnd())
        return *it;
    if (m_icons.size() >= kMaxCachedIcons)
        m_icons.clear();
    // An unreadable file gives an empty pixmap: the cell stays empty.
    const QIcon icon {QPixmap(qsFile)};
    m_icons.insert(qsFile, icon);
    return icon;
}

int SpotModel::rowOf(const Entry *pEntry) const
{
    // Repeats are mostly of recent rows, so the search starts at the top.
    const int iSize = int(m_entries.size());
    for (int iRow = 0; iRow < iSize; ++iRow) {
        if (m_entries[size_t(iSize - 1 - iRow)].get() == pEntry)
            return iRow;
    }
    return -1;
}

void SpotModel::rowChanged(int iRow)
{
    if (iRow >= 0)
        Q_EMIT dataChanged(index(iRow, 0), index(iRow, ColumnCount - 1));
}

int SpotModel::rowOfId(quint64 uiId) const
{
    const int iSize = int(m_entries.size());
    for (int iRow = 0; iRow < iSize; ++iRow) {
        if (entryAt(iRow).id == uiId)
            return iRow;
    }
    return -1;
}

SpotModel::Entry *SpotModel::findActivity(const Spot &spot, qint64 iNowMs, quint32 *puiBandBit, double *pdKHz) const
{
    bool bOk = false;
    double dKHz = spot.frequency().toDouble(&bOk);
    if (!bOk)
        dKHz = 0.0;
    const BandPlan::Band *pBand = BandPlan::bandFor(dKHz);
    const quint32 uiBandBit = pBand ? pBand->bit : 0;
    if (puiBandBit)
        *puiBandBit = uiBandBit;
    if (pdKHz)
        *pdKHz = dKHz;
    const auto it = m_byCall.constFind(spot.dxCall());
    if (it == m_byCall.constEnd())
        return nullptr;
    for (Entry *pEntry : *it) {
        if (pEntry->bandBit == uiBandBit && qAbs(pEntry->kHz - dKHz) <= m_mergeKHz
            && (m_maxAgeMs == 0 || iNowMs - pEntry->updatedMs <= m_maxAgeMs))
            return pEntry;
    }
    return nullptr;
}

bool SpotModel::hasActivity(const Spot &spot) const
{
    return findActivity(spot, m_clock()) != nullptr;
}

void SpotModel::forget(const Entry *pEntry)
{
    auto it = m_byCall.find(pEntry->spot.dxCall());
    if (it == m_byCall.end())
        return;
    it->removeOne(const_cast<Entry *>(pEntry));
    if (it->isEmpty())
        m_byCall.erase(it);
}

bool SpotModel::insertSpot(const Spot &spot, quint16 uiMaxRows, int iCount)
{
    const qint64 iNowMs = m_clock();
    quint32 uiBandBit = 0;
    double dKHz = 0.0;
    if (Entry *pEntry = findActivity(spot, iNowMs, &uiBandBit, &dKHz)) {
        if (isOlderAnswer(spot, pEntry->spot)) {
            pEntry->count += iCount;
            addReports(&pEntry->reports, reportsOf(spot));
            rowChanged(rowOf(pEntry));
            return true;
        }
        pEntry->spot = spot;
        pEntry->count += iCount;
        addReports(&pEntry->reports, reportsOf(spot));
        pEntry->updatedMs = iNowMs;
        pEntry->kHz = dKHz;
        const int iRow = rowOf(pEntry);
        if (iRow == 0) {
            rowChanged(0);
            return true;
        }
        // Out and in again rather than a move: views and proxies take both in
        // step by step, while a move makes a filter proxy remap every row.
        beginRemoveRows(QModelIndex(), iRow, iRow);
        const auto itEntry = m_entries.begin() + qsizetype(m_entries.size() - 1 - size_t(iRow));
        std::unique_ptr<Entry> pMoved = std::move(*itEntry);
        m_entries.erase(itEntry);
        endRemoveRows();
        beginInsertRows(QModelIndex(), 0, 0);
        m_entries.push_back(std::move(pMoved));
        endInsertRows();
        return true;
    }

    auto pEntry = std::make_unique<Entry>();
    pEntry->id = m_nextId++;
    pEntry->spot = spot;
    pEntry->count = iCount;
    pEntry->updatedMs = iNowMs;
    pEntry->bandBit = uiBandBit;
    pEntry->kHz = dKHz;
    pEntry->reports = reportsOf(spot);
    m_byCall[spot.dxCall()].append(pEntry.get());
    beginInsertRows(QModelIndex(), 0, 0);
    m_entries.push_back(std::move(pEntry));
    endInsertRows();
    if (m_entries.size() > uiMaxRows)
        removeOldest(int(m_entries.size() - uiMaxRows));
    return false;
}

SpotModel::Reports SpotModel::reportsOf(const Spot &spot)
{
    Reports reports;
    if (!spot.spotter().isEmpty())
        reports.spotters.append({spot.spotter(), spot.spotterContinent()});
    if (!spot.source().isEmpty())
        reports.sources.append(spot.source());
    return reports;
}

bool SpotModel::addReports(Reports *pReports, const Reports &more)
{
    bool bChanged = false;
    for (const Reporter &reporter : more.spotters) {
        if (pReports->spotters.size() >= kMaxReports)
            break;
        const bool bKnown = std::any_of(pReports->spotters.cbegin(), pReports->spotters.cend(),
                                        [&reporter](const Reporter &known) { return known.call == reporter.call; });
        if (!bKnown) {
            pReports->spotters.append(reporter);
            bChanged = true;
        }
    }
    for (const QString &qsSource : more.sources) {
        if (pReports->sources.size() < kMaxReports && !pReports->sources.contains(qsSource)) {
            pReports->sources.append(qsSource);
            bChanged = true;
        }
    }
    return bChanged;
}

bool SpotModel::addReport(const Spot &spot)
{
    Entry *pEntry = findActivity(spot, m_clock());
    if (!pEntry)
        return false;
    if (addReports(&pEntry->reports, reportsOf(spot)))
        rowChanged(rowOf(pEntry));
    return true;
}

void SpotModel::removeOldest(int iCount)
{
    if (iCount <= 0)
        return;
    const int iRows = rowCount();
    beginRemoveRows(QModelIndex(), iRows - iCount, iRows - 1);
    for (int i = 0; i < iCount; ++i) {
        forget(m_entries.front().get());
        m_entries.pop_front();
    }
    endRemoveRows();
}

int SpotModel::removeAged()
{
    if (m_maxAgeMs == 0)
        return 0;
    // Every update moves its row to the top, so the rows are ordered by the
    // time of their last update and the aged ones are the bottom block.
    const qint64 iLimitMs = m_clock() - m_maxAgeMs;
    const auto itFirstFresh = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                           [iLimitMs](const auto &pEntry) { return pEntry->updatedMs >= iLimitMs; });
    const int iAged = int(itFirstFresh - m_entries.cbegin());
    removeOldest(iAged);
    return iAged;
}

int SpotModel::takeRowsFrom(SpotModel &source, quint16 uiMaxRows)
{
    std::deque<std::unique_ptr<Entry>> &incoming = source.m_entries;
    if (incoming.empty())
        return 0;
    const qint64 iNowMs = m_clock();
    // Of a batch larger than the table only its newest rows could stay.
    const size_t uiSkip = incoming.size() - qMin(incoming.size(), size_t(uiMaxRows));
    std::vector<std::unique_ptr<Entry>> arriving(incoming.size() - uiSkip);
    int iMoving = 0;
    int iNew = 0;
    // Rows here that only counted an older answer spot: they stay put.
    std::vector<const Entry *> counted;
    for (size_t i = uiSkip; i < incoming.size(); ++i) {
        std::unique_ptr<Entry> &pIn = incoming[i];
        const size_t uiSlot = i - uiSkip;
        Entry *pHere = findActivity(pIn->spot, iNowMs);
        if (pHere && pHere->batchSlot < 0 && isOlderAnswer(pIn->spot, pHere->spot)) {
            pHere->count += pIn->count;
            addReports(&pHere->reports, pIn->reports);
            counted.push_back(pHere);
            continue;
        }
        if (pHere && pHere->batchSlot < 0) {
            // The row here takes the batch's newest fields and moves up;
            // its identity stays.
            pHere->spot = std::move(pIn->spot);
            pHere->count += pIn->count;
            addReports(&pHere->reports, pIn->reports);
            pHere->updatedMs = iNowMs;
            pHere->kHz = pIn->kHz;
            pHere->batchSlot = int(uiSlot);
            ++iMoving;
            continue;
        }
        // Claimed, so that no later spot of the batch moves it as a row here.
        pIn->batchSlot = int(uiSlot);
        pIn->id = m_nextId++;
        pIn->updatedMs = iNowMs;
        m_byCall[pIn->spot.dxCall()].append(pIn.get());
        arriving[uiSlot] = std::move(pIn);
        ++iNew;
    }
    source.clear();

    // The repeated rows leave their places, bottom block first so that the
    // rows above keep their numbers; each block is one removal.
    for (int iRow = rowCount() - 1; iMoving > 0 && iRow >= 0; --iRow) {
        if (entryAt(iRow).batchSlot < 0)
            continue;
        int iFirst = iRow;
        while (iFirst > 0 && entryAt(iFirst - 1).batchSlot >= 0)
            --iFirst;
        beginRemoveRows(QModelIndex(), iFirst, iRow);
        const auto itBegin = m_entries.begin() + qsizetype(m_entries.size() - 1 - size_t(iRow));
        const auto itEnd = itBegin + (iRow - iFirst + 1);
        for (auto it = itBegin; it != itEnd; ++it) {
            const int iSlot = std::exchange((*it)->batchSlot, -1);
            arriving[size_t(iSlot)] = std::move(*it);
            --iMoving;
        }
        m_entries.erase(itBegin, itEnd);
        endRemoveRows();
        iRow = iFirst;
    }

    // Everything of the batch goes on top at once, newest first; the slots
    // of the counted rows stayed empty.
    arriving.erase(std::remove(arriving.begin(), arriving.end(), nullptr), arriving.end());
    if (!arriving.empty()) {
        beginInsertRows(QModelIndex(), 0, int(arriving.size()) - 1);
        for (std::unique_ptr<Entry> &pEntry : arriving) {
            pEntry->batchSlot = -1;
            m_entries.push_back(std::move(pEntry));
        }
        endInsertRows();
    }
    for (const Entry *pEntry : counted)
        rowChanged(rowOf(pEntry));
    if (m_entries.size() > uiMaxRows)
        removeOldest(int(m_entries.size() - uiMaxRows));
    return iNew;
}

void SpotModel::clear()
{
    beginResetModel();
    m_entries.clear();
    m_byCall.clear();
    endResetModel();
}

QString SpotModel::balloonText(const Spot &spot)
{
    QString qsText =
        tr("Spotter: ") + spot.spotter() + tr("\nFrequency: ") + spot.frequency() + tr("\nCountry: ") + spot.country();
    const QString &qsComment = spot.comment();
    const bool bBlank =
        std::all_of(qsComment.cbegin(), qsComment.cend(), [](QChar c) { return c == QLatin1Char(' '); });
    if (!bBlank)
        qsText += tr("\nComment: ") + qsComment;
    return qsText;
}

int SpotModel::sortNumberAt(int iRow, Column column) const
{
    constexpr int kNone = std::numeric_limits<int>::min();
    const Spot &spot = spotAt(iRow);
    switch (column) {
    case Snr:
        return shownSnr(spot).value_or(kNone);
    case Speed:
        return spot.speed() > 0 ? spot.speed() : kNone;
    case Skimmers:
        return spot.skimmerCount();
    case Validation:
        // From the doubtful up to the confirmed.
        switch (spot.validation()) {
        case Spot::Validation::Busted:
            return 0;
        case Spot::Validation::Unverified:
            return 1;
        case Spot::Validation::Qsy:
            return 2;
        case Spot::Validation::Valid:
            return 3;
        }
        break;
    default:
        break;
    }
    return kNone;
}

void SpotModel::updateVerdicts(const SkimmerValidator &validator, const QStringList &qslCalls)
{
    for (const QString &qsCall : qslCalls) {
        const auto it = m_byCall.constFind(qsCall);
        if (it == m_byCall.constEnd())
            continue;
        const SkimmerValidator::Facts facts = validator.facts(qsCall);
        for (Entry *pEntry : *it) {
            Spot &spot = pEntry->spot;
            SkimmerValidator::Assessment assessment = validator.assess(qsCall, pEntry->kHz);
            // An operator heard the station there; only a move says otherwise.
            if (!spot.isSkimmer() && assessment.verdict != Spot::Validation::Qsy)
                assessment.verdict = Spot::Validation::Valid;
            if (assessment.verdict == spot.validation() && assessment.reason == spot.validationReason()
                && facts.skimmers == spot.skimmerCount())
                continue;
            spot.setValidation(assessment.verdict);
            spot.setValidationReason(assessment.reason);
            if (facts.skimmers > 0)
                spot.setSkimmerCount(facts.skimmers);
            const int iRow = rowOf(pEntry);
            Q_EMIT dataChanged(index(iRow, Mode), index(iRow, Validation));
        }
    }
}
