#ifndef SPOTMODEL_H
#define SPOTMODEL_H

#include "cluster/Spot.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QStringList>

#include <QColor>

#include <deque>
#include <functional>
#include <memory>

// The rows of the spot table, newest first, one row per station activity: a
// spot of a call already in the table, on the same band, within the merge
// distance and not aged out, updates that row (newest fields, one more in its
// count) and moves it to the top instead of adding a row. Rows are found by a
// hash of their call, so a spot costs the same however full the table is.
class LogStore;
class SkimmerValidator;
enum class Need : quint8;
enum class WorkedBefore : quint8;

class SpotModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The location columns and Band are hidden until the operator shows
    // them from the header menu. Columns are only ever added at the end, as
    // a saved header state knows the columns by their number; the view
    // places the later ones before Comment, which takes the spare width.
    enum Column {
        Date,
        Utc,
        Spotter,
        Frequency,
        DX,
        Country,
        Count,
        Icon,
        Continent,
        CqZone,
        SpotterContinent,
        ShortPath,
        LongPath,
        Need,
        Comment,
        Band,
        Worked,
        // What skimmers report; shown before Comment.
        Mode,
        Snr,
        Speed,
        Skimmers,
        Validation,
        ColumnCount
    };
    static bool isLocationColumn(int iColumn) { return iColumn >= Continent && iColumn <= LongPath; }
    static bool isSkimmerColumn(int iColumn) { return iColumn >= Mode && iColumn <= Validation; }
    // Mode, signal and verdict say at a glance what a skimmer spot is worth;
    // speed and the skimmer count wait in the header menu, as Band does.
    static bool isHiddenByDefault(int iColumn)
    {
        return isLocationColumn(iColumn) || iColumn == Band || iColumn == Speed || iColumn == Skimmers;
    }
    // How faded a row is drawn: 0 for a station spotted in the last five
    // minutes, up to kAgeSteps - 1 for one not spotted for half an hour.
    static constexpr int AgeStepRole = Qt::UserRole + 1;
    static constexpr int kAgeSteps = 4;
    static int ageStep(qint64 iAgeMs);
    // The clock rows are aged by: milliseconds since the epoch.
    using Clock = std::function<qint64()>;

    static constexpr double kDefaultMergeKHz = 1.0;
    static constexpr int kDefaultMaxAgeMinutes = 30;

    explicit SpotModel(QObject *parent = nullptr);
    ~SpotModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int iRole = Qt::DisplayRole) const override;
    QVariant headerData(int iSection, Qt::Orientation orientation, int iRole = Qt::DisplayRole) const override;

    // Puts the spot on top, as a new row or as a repeat of a row already
    // there (iCount spots more), and drops the oldest rows beyond uiMaxRows.
    // True for a repeat.
    bool insertSpot(const Spot &spot, quint16 uiMaxRows, int iCount = 1);
    // Takes every row of source (a batch gathered as this model merges) in
    // one step: repeats of rows here leave their places, then the batch goes
    // on top in a single insertion, newest first, and the oldest rows beyond
    // uiMaxRows go. Empties source; the number of rows that were new here.
    int takeRowsFrom(SpotModel &source, quint16 uiMaxRows);
    // Whether the spot would be a repeat of a row here.
    bool hasActivity(const Spot &spot) const;
    // Removes the rows not updated for longer than the age limit; how many.
    int removeAged();
    void clear();

    void setMergeDistance(double dKHz) { m_mergeKHz = dKHz; }
    // 0 keeps rows until the row limit pushes them off.
    void setMaxAge(int iMinutes) { m_maxAgeMs = qint64(qMax(0, iMinutes)) * 60000; }
    void setDistanceInMiles(bool bMiles) { m_distanceInMiles = bMiles; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The log the Need column asks; without one the column stays empty.
    void setLogStore(const LogStore *pLogStore);
    ::Need needAt(int iRow) const;
    WorkedBefore workedAt(int iRow) const;
    // The background of a need mark, invalid for none.
    static QColor needColor(::Need need);

    const Spot &spotAt(int iRow) const { return entryAt(iRow).spot; }
    QString text(int iRow, Column column) const;
    int countAt(int iRow) const { return entryAt(iRow).count; }
    quint32 bandBitAt(int iRow) const { return entryAt(iRow).bandBit; }
    // A row's identity, which stays with the station activity while rows
    // move; 0 is never used.
    quint64 idAt(int iRow) const { return entryAt(iRow).id; }
    int rowOfId(quint64 uiId) const;
    // How long ago the row's station was last spotted, by the model's clock.
    qint64 ageMsAt(int iRow) const { return m_clock() - entryAt(iRow).updatedMs; }
    // The age limit in milliseconds; 0 when rows never age out.
    qint64 maxAgeMs() const { return m_maxAgeMs; }

    // Who reported a row's station and the sources that brought the
    // reports, first heard first.
    struct Reporter
    {
        QString call;
        QString continent;
    };
    struct Reports
    {
        QList<Reporter> spotters;
        QStringList sources;
    };
    // A skimmer feed may bring dozens of skimmers for one station; the
    // popup lists this many of each.
    static constexpr int kMaxReports = 40;
    const Reports &reportsAt(int iRow) const { return entryAt(iRow).reports; }
    // The same report again from another source: the row of its station
    // learns the spotter and the source, but neither its count nor its
    // place changes. False when no row here has the station.
    bool addReport(const Spot &spot);
    // A number to sort the skimmer columns by; lowest for a row without one.
    int sortNumberAt(int iRow, Column column) const;
    // Asks the validator again about the rows of these calls: a lone call
    // it now finds busted, a station that moved away from its old row.
    void updateVerdicts(const SkimmerValidator &validator, const QStringList &qslCalls);

    // The tray balloon's text for an alerted spot; a comment of blanks only
    // adds nothing.
    static QString balloonText(const Spot &spot);

private:
    struct Entry
    {
        quint64 id = 0;
        Spot spot;
        int count = 0;
        qint64 updatedMs = 0;
        quint32 bandBit = 0;
        double kHz = 0.0;
        // Its place in the batch being taken in; -1 outside of that.
        int batchSlot = -1;
        Reports reports;
    };
    static bool addReports(Reports *pReports, const Reports &more);
    static Reports reportsOf(const Spot &spot);

    // Oldest at the front, newest at the back: the top row is the last entry.
    const Entry &entryAt(int iRow) const { return *m_entries[m_entries.size() - 1 - size_t(iRow)]; }
    int rowOf(const Entry *pEntry) const;
    // Every column of a row that is still there (iRow >= 0).
    void rowChanged(int iRow);
    Entry *findActivity(const Spot &spot, qint64 iNowMs, quint32 *puiBandBit = nullptr, double *pdKHz = nullptr) const;
    void forget(const Entry *pEntry);
    void removeOldest(int iCount);
    QIcon iconFor(const QString &qsFile) const;
    QString logToolTip(int iRow) const;

    std::deque<std::unique_ptr<Entry>> m_entries;
    QHash<QString, QList<Entry *>> m_byCall;
    mutable QHash<QString, QIcon> m_icons;
    quint64 m_nextId = 1;
    double m_mergeKHz = kDefaultMergeKHz;
    qint64 m_maxAgeMs = qint64(kDefaultMaxAgeMinutes) * 60000;
    bool m_distanceInMiles = false;
    Clock m_clock;
    const LogStore *m_logStore = nullptr;
};

#endif // SPOTMODEL_H
