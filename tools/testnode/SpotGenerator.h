#ifndef SPOTGENERATOR_H
#define SPOTGENERATOR_H

#include "CountryTable.h"
#include "TestSpot.h"

#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>

// Deterministic source of realistic spots: the same seed gives the same
// calls, frequencies and comments in the same order on every machine. Only
// the times follow the clock, unless a fixed time is set.
class SpotGenerator
{
public:
    explicit SpotGenerator(quint32 uiSeed = 1);

    void reseed(quint32 uiSeed);
    // Stamp spots with this time instead of "now"; an invalid time means "now" again.
    void setFixedTime(const QDateTime &dtTime);

    // The share of spots (0 to 1) that spot a station of the last few again,
    // a little off its frequency and by another spotter, as busy nodes do;
    // 0 (the default) keeps the sequence of a seed as it always was.
    void setRespotShare(double dShare) { m_respotShare = dShare; }

    TestSpot next();
    QList<TestSpot> generate(int iCount);
    // iCount spots, oldest first, iSpacingSecs apart, the last one "now"
    // (or at the fixed time): a store that looks like the last hour of a node.
    QList<TestSpot> generateHistory(int iCount, int iSpacingSecs);

    QString nextCall();    // a plain home call of some country, e.g. DL1XYZ
    QString nextDxCall();  // a call as spotted: sometimes portable or long
    QString nextSpotter(); // sometimes a skimmer (DL1ABC-#)

private:
    enum class Mode { Cw, Phone, Digital };

    const CountryTable::Country &pickCountry();
    QString homeCall(const CountryTable::Country &country, int iSuffixMin, int iSuffixMax);
    QString letters(int iCount);
    QString locator(const CountryTable::Country &country);
    double pickFrequency(Mode *peMode);
    QString pickComment(Mode eMode, double dFrequency, bool bSkimmer);
    int bounded(int iHighest);
    double chance();

    QRandomGenerator m_random;
    QDateTime m_fixedTime;
    bool m_lastSpotterSkimmer = false;
    double m_respotShare = 0.0;
    QList<TestSpot> m_recent;
};

#endif // SPOTGENERATOR_H
