#ifndef FILTER_H
#define FILTER_H

#include "AlertFlags.h"
#include "ChainResult.h"

#include "radio/Need.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>

class RuleContext;
class Spot;

// The one rule type: the band filter of the connection, a rule of the filter
// chain (accept or drop) or a rule of the alert chain (colour, sound, balloon,
// icon). Kind and action share filterType; alerts also carry their outputs.
class Filter : public QObject
{
    Q_OBJECT

public:
    enum FilterType : int {
        None = 0,
        Drop = 1,
        Accept = 2,
        Band = 4,
        Call = 8,
        Country = 16,
        WorkedCountries = 32,
        NewCountries = 64,
        DXpeditionIota = 128,
        DxContinent = 256,
        SpotterContinent = 512,
        // By the operator's log; each matches spots needed at least that
        // much: "new band" also takes new countries, "unconfirmed" every
        // spot of a country without a confirmation.
        NeededNewCountry = 1024,
        NeededNewBand = 2048,
        NeededNewMode = 4096,
        NeededUnconfirmed = 8192,
        // What the spot itself tells, most of it from skimmer lines: its
        // mode (one of a set), who spotted it, how strong and fast it was
        // heard, what the skimmers make of the call, what it sent.
        Mode = 16384,
        SpottedBy = 32768,
        SnrAtLeast = 65536,
        SpeedBetween = 131072,
        Validation = 262144,
        SpotKind = 524288,
        // By the operator's log: the spotted call has no QSO on the spot's
        // band, in any mode. Matches nothing without a log.
        NotWorkedOnBand = 1048576
    };
    Q_ENUM(FilterType)

    // The choice a SpottedBy, Validation or SpotKind rule holds.
    enum SpottedByChoice : int { SpottedByEither = 0, SpottedBySkimmer = 1, SpottedByHuman = 2 };
    enum ValidationChoice : int { ValidOnly = 0, HideBusted = 1 };
    enum SpotKindChoice : int { KindCq = 0, KindBeacon = 1 };
    // The bounds the dialog offers and the store accepts.
    static constexpr int kMinSnr = -30;
    static constexpr int kMaxSnr = 99;
    static constexpr int kMaxSpeed = 999;

    enum BandFilter : int {
        NoBand = 0,
        Band160m = 1,
        Band80m = 2,
        Band60m = 4,
        Band40m = 8,
        Band30m = 16,
        Band20m = 32,
        Band17m = 64,
        Band15m = 128,
        Band12m = 256,
        Band10m = 512,
        Band6m = 1024,
        Band4m = 2048,
        Band2m = 4096,
        Band70cm = 8192,
        Band23cm = 16384,
        AllBands = 32767
    };
    Q_ENUM(BandFilter)

    explicit Filter(int iFilterType, QObject *parent = nullptr);
    Filter(int iFilterType, AlertFlags alertKinds, QObject *parent = nullptr);

    int filterType() const { return m_filterType; }
    void setFilterType(int iFilterType) { m_filterType = iFilterType; }
    int bandFilterValue() const { return m_bandFilterValue; }
    const QString &callFilterValue() const { return m_callFilterValue; }
    void setCallFilterValue(const QString &qsCall) { m_callFilterValue = qsCall; }
    const QString &countryFilterValue() const { return m_countryFilterValue; }
    // "EU", "NA", "SA", "AF", "AS", "OC" or "AN", as the country file writes them.
    const QString &continentFilterValue() const { return m_continentFilterValue; }
    void setContinentFilterValue(const QString &qsContinent) { m_continentFilterValue = qsContinent; }
    void setCountryFilterValue(const QString &qsCountry) { m_countryFilterValue = qsCountry; }
    // Upper-case mode names as the Mode column shows them.
    const QStringList &modeFilterValue() const { return m_modeFilterValue; }
    void setModeFilterValue(const QStringList &qslModes);
    int choiceFilterValue() const { return m_choiceFilterValue; }
    void setChoiceFilterValue(int iChoice) { m_choiceFilterValue = iChoice; }
    // The least SNR in dB, or the speed range in WPM (BPS for RTTY).
    int minFilterValue() const { return m_minFilterValue; }
    int maxFilterValue() const { return m_maxFilterValue; }
    void setMinFilterValue(int iMin) { m_minFilterValue = iMin; }
    void setMaxFilterValue(int iMax) { m_maxFilterValue = iMax; }
    const QColor &alertColor() const { return m_alertColor; }
    void setAlertColor(const QColor &color) { m_alertColor = color; }
    const QString &soundFile() const { return m_soundFile; }
    void setSoundFile(const QString &qsSoundFile) { m_soundFile = qsSoundFile; }
    const QString &iconFile() const { return m_iconFile; }
    void setIconFile(const QString &qsIconFile) { m_iconFile = qsIconFile; }
    int iconIndex() const { return m_iconIndex; }
    void setIconIndex(int iIconIndex) { m_iconIndex = iIconIndex; }
    AlertFlags alertKinds() const { return m_alertKinds; }
    void addAlertKinds(AlertFlags kinds) { m_alertKinds |= kinds; }
    void removeAlertKinds(AlertFlags kinds) { m_alertKinds &= ~kinds; }

    // What the rules on country lists, DXpeditions and the log ask; without
    // one they match nothing. Not owned.
    const RuleContext *context() const { return m_context; }
    void setContext(const RuleContext *pContext) { m_context = pContext; }
    static bool isNeededKind(int iFilterType)
    {
        return iFilterType & (NeededNewCountry | NeededNewBand | NeededNewMode | NeededUnconfirmed);
    }

    // A rule that holds all bands is narrowed to exactly the bands added.
    void addBand(int iBands);
    void removeBand(int iBands);

    bool match(Spot &spot) const;
    ChainResult::Verdict bandAction(double dFrequency) const;
    // The alerts of this rule that fired on the spot, which now carries them.
    AlertFlags applyAlert(Spot &spot) const;

Q_SIGNALS:
    void bandFilterValueChanged(Filter::BandFilter bandFilter);

private:
    bool matchesNeed(const Spot &spot, Need least) const;
    bool matchesSkimmerKind(const Spot &spot) const;

    int m_filterType = None;
    int m_bandFilterValue = AllBands;
    QString m_callFilterValue;
    QString m_countryFilterValue;
    QString m_continentFilterValue;
    QStringList m_modeFilterValue;
    int m_choiceFilterValue = 0;
    int m_minFilterValue = 0;
    int m_maxFilterValue = 0;
    const RuleContext *m_context = nullptr;
    QColor m_alertColor = QColor(0, 0, 0, 0);
    AlertFlags m_alertKinds;
    QString m_soundFile;
    QString m_iconFile;
    int m_iconIndex = -1;
};

#endif // FILTER_H
