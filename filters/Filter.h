#ifndef FILTER_H
#define FILTER_H

#include "AlertFlags.h"
#include "ChainResult.h"

#include "radio/Need.h"

#include <QColor>
#include <QObject>
#include <QString>

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
        // By the operator's log: the spotted call has no QSO on the spot's
        // band, in any mode. Matches nothing without a log.
        NotWorkedOnBand = 1048576
    };
    Q_ENUM(FilterType)

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

    int m_filterType = None;
    int m_bandFilterValue = AllBands;
    QString m_callFilterValue;
    QString m_countryFilterValue;
    QString m_continentFilterValue;
    const RuleContext *m_context = nullptr;
    QColor m_alertColor = QColor(0, 0, 0, 0);
    AlertFlags m_alertKinds;
    QString m_soundFile;
    QString m_iconFile;
    int m_iconIndex = -1;
};

#endif // FILTER_H
