#ifndef SPOTPIPELINE_H
#define SPOTPIPELINE_H

#include "SpotIdentity.h"
#include "SkimmerValidator.h"

#include "filters/FilterChains.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class ChainResult;
class Spot;
class Statistics;
class Worked;

// Where the spots of every connection meet. A parsed spot gets its country
// and location, passes the band filter and the two chains, and is counted;
// the connection that read it decides when an accepted one goes out, since
// only it knows whether the spot is live or part of an answer it collects.
class SpotPipeline : public QObject
{
    Q_OBJECT

public:
    explicit SpotPipeline(QObject *parent = nullptr);
    ~SpotPipeline() override;

    // The country lookup comes in two parts, the Worked object and its open
    // database; until both are there spots carry no country.
    void setCountryLookup(const Worked *pWorked) { m_worked = pWorked; }
    void setCountryDatabase(const QSqlDatabase &db) { m_countryDatabase = db; }
    // The operator's own locator, the start of every spot's path.
    void setLocator(const QString &qsLocator) { m_locator = qsLocator; }
    const QString &locator() const { return m_locator; }
    // Without one nothing is counted: tests and tools that build a pipeline
    // of their own leave the operator's counters alone.
    void setStatistics(Statistics *pStatistics) { m_statistics = pStatistics; }

    // Every spot is judged before the chains see it, so that rules can ask
    // for valid ones; a busted one is dropped while the operator hides them
    // and never alerts.
    void setSkimmerThresholds(const SkimmerValidator::Thresholds &thresholds) { m_skimmers.setThresholds(thresholds); }
    void setHideBusted(bool bHide) { m_hideBusted = bHide; }
    bool hidesBusted() const { return m_hideBusted; }
    const SkimmerValidator &skimmerValidator() const { return m_skimmers; }
    // Milliseconds since the epoch; the validator's windows run on it.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

    FilterChains &chains() { return m_chains; }
    const FilterChains &chains() const { return m_chains; }

    // Counts the spot, and for a complete one adds its country and location
    // and runs the chains. True when the spot is to be shown. A spot seen
    // before, from whatever source, is not counted again and goes no
    // further: it only comes out as spotRepeated(), and admit() is false.
    bool admit(Spot &spot);
    // Sends an admitted spot on to whoever shows it.
    void deliver(Spot &spot) { Q_EMIT newSpot(spot); }

    // How long a spot is remembered: as long as its row may stay (0: rows
    // never age out, the identity keeps its own bound).
    void setIdentityWindow(int iMinutes) { m_identity.setWindowMinutes(iMinutes); }
    const SpotIdentity &identity() const { return m_identity; }

Q_SIGNALS:
    // A spot new to every connection feeding this pipeline.
    void newSpot(Spot &spot);
    // The same report again, through another source or another answer: the
    // row of the station may learn the source, but nothing counts, sounds
    // or moves for it.
    void spotRepeated(const Spot &spot);
    // A complete spot the band filter let through, whatever the filter
    // chain made of it, as it is admitted. Checked only while connected.
    void passedBandFilter(const Spot &spot);
    // Stations whose rows shown earlier may now read differently: a lone
    // call found beside a well-heard one, a station heard again elsewhere.
    void skimmerVerdictsChanged(const QStringList &qslCalls);

private:
    // The one place the counters hear about spots and the alerts they fired.
    void countSpot(const ChainResult &result);
    // Gives the spot its verdict and the skimmers' facts; false for a
    // busted spot that is not to be shown.
    bool validate(Spot &spot);

    const Worked *m_worked = nullptr;
    QSqlDatabase m_countryDatabase;
    QString m_locator;
    Statistics *m_statistics = nullptr;
    FilterChains m_chains;
    SpotIdentity m_identity;
    SkimmerValidator m_skimmers;
    bool m_hideBusted = true;
    Clock m_clock;
};

#endif // SPOTPIPELINE_H
