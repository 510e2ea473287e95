#ifndef SKIMMERFEED_H
#define SKIMMERFEED_H

#include "SpotGenerator.h"
#include "TestSpot.h"

#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// What a skimmer network reports: every station heard is reported by
// several skimmers at once, a little apart in frequency and signal, with
// mode, SNR, speed and the kind of transmission in the comment, in the
// layout skimmer servers use. The same seed gives the same reports; the
// skimmers themselves are the same set whatever the seed, as on a real feed.
class SkimmerFeed
{
public:
    explicit SkimmerFeed(quint32 uiSeed = 1);

    void reseed(quint32 uiSeed);
    // The share (0 to 1) of stations heard by three skimmers or more that
    // one further skimmer reports under a call one character off, as
    // skimmers mis-decode; 0 (the default) sends no such call.
    void setBustedShare(double dShare) { m_bustedShare = qBound(0.0, dShare, 1.0); }

    // The reports of the next station heard, all stamped dtTime.
    QList<TestSpot> nextStation(const QDateTime &dtTime);
    // Whole stations until there are at least iCount reports.
    QList<TestSpot> generate(int iCount, const QDateTime &dtTime);

    // "CW    12 dB  22 WPM  CQ": the mode in four columns, the SNR right
    // aligned in four, the speed (none for FT8/FT4: iSpeed 0) and the kind.
    static QString comment(const QString &qsMode, int iSnr, int iSpeed, const QString &qsKind);

private:
    struct Station
    {
        QString call;
        QString mode;
        QString kind;
        double frequency = 0.0;
        int snr = 0;
        int speed = 0;
    };

    Station pickStation();
    QString bust(const QString &qsCall);
    TestSpot report(const Station &station, const QString &qsSkimmer, double dFrequency, int iSnr, int iSpeed,
                    const QDateTime &dtTime) const;
    int bounded(int iHighest);
    double chance();

    QRandomGenerator m_random;
    SpotGenerator m_calls;
    QStringList m_skimmers;
    double m_bustedShare = 0.0;
};

#endif // SKIMMERFEED_H
