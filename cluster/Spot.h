#ifndef SPOT_H
#define SPOT_H

#include "Worked/CountryInfo.h"
#include "Worked/Locator.h"
#include "filters/AlertFlags.h"

#include <QColor>
#include <QString>

// One received spot, carried by value from the receive path to the table.
// The text fields are implicitly shared, so copies are cheap.
class Spot
{
public:
    // What a skimmer says the station was sending.
    enum class Kind : quint8 { None, Cq, Dx, Beacon, NcdxfBeacon };
    enum class SpeedUnit : quint8 { None, Wpm, Bps };
    // Whether the skimmers confirm the station (see SkimmerValidator).
    enum class Validation : quint8 { Unverified, Valid, Busted, Qsy };

    const QString &spotter() const { return m_spotter; }
    void setSpotter(const QString &qsSpotter) { m_spotter = qsSpotter; }

    const QString &dxCall() const { return m_dxCall; }
    void setDxCall(const QString &qsDxCall) { m_dxCall = qsDxCall; }

    // kHz exactly as the node sent it, spaces removed; bands are derived from it later.
    const QString &frequency() const { return m_frequency; }
    void setFrequency(const QString &qsFrequency) { m_frequency = qsFrequency; }

    const QString &trailer() const { return m_trailer; }
    void setTrailer(const QString &qsTrailer) { m_trailer = qsTrailer; }

    const QString &date() const { return m_date; }
    void setDate(const QString &qsDate) { m_date = qsDate; }

    const QString &time() const { return m_time; }
    void setTime(const QString &qsTime) { m_time = qsTime; }

    const QString &comment() const { return m_comment; }
    void setComment(const QString &qsComment) { m_comment = qsComment; }

    const QString &country() const { return m_country; }
    void setCountry(const QString &qsCountry) { m_country = qsCountry; }

    // Empty and zero when the call has no country.
    const QString &dxContinent() const { return m_dxContinent; }
    int dxCqZone() const { return m_dxCqZone; }
    const QString &spotterContinent() const { return m_spotterContinent; }
    // Paths from the operator's locator to the DX country (or the position
    // its entry gives); false without a valid locator or a position.
    bool hasPath() const { return m_hasPath; }
    const Locator::Path &shortPath() const { return m_shortPath; }
    const Locator::Path &longPath() const { return m_longPath; }
    // Where the DX station is: its country's position or the one its entry
    // gives; false when the lookup knows none.
    bool hasDxPosition() const { return m_hasDxPosition; }
    double dxLatitude() const { return m_dxLatitude; }
    double dxLongitude() const { return m_dxLongitude; }
    // Takes what the lookups of both calls found, and the paths from
    // qsLocator when it is valid.
    void setLocation(const CountryInfo &dx, const CountryInfo &spotter, const QString &qsLocator);

    bool dxpedition() const { return m_dxpedition; }
    void setDxpedition(bool bDxpedition) { m_dxpedition = bDxpedition; }

    const QColor &alertColor() const { return m_alertColor; }
    void setAlertColor(const QColor &color) { m_alertColor = color; }

    AlertFlags alertFlags() const { return m_alertFlags; }
    void addAlertFlags(AlertFlags flags) { m_alertFlags |= flags; }
    void clearAlertFlags(AlertFlags flags) { m_alertFlags &= ~flags; }

    const QString &soundFile() const { return m_soundFile; }
    void setSoundFile(const QString &qsSoundFile) { m_soundFile = qsSoundFile; }

    const QString &iconFile() const { return m_iconFile; }
    void setIconFile(const QString &qsIconFile) { m_iconFile = qsIconFile; }

    // Reported by a skimmer: the spotter came with the "-#" mark, which
    // spotter() no longer shows.
    bool isSkimmer() const { return m_skimmer; }
    void setSkimmer(bool bSkimmer) { m_skimmer = bSkimmer; }

    // "CW", "RTTY", "FT8", "SSB"...: what the skimmer decoded, or a human's
    // comment names; failing both, what the band plan expects on the
    // frequency, and then modeFromBandPlan() says it is only a guess.
    // Empty when nothing tells.
    const QString &mode() const { return m_mode; }
    bool modeFromBandPlan() const { return m_modeFromBandPlan; }
    void setMode(const QString &qsMode, bool bFromBandPlan = false)
    {
        m_mode = qsMode;
        m_modeFromBandPlan = bFromBandPlan;
    }

    // Signal-to-noise ratio in dB; only skimmer spots carry one.
    bool hasSnr() const { return m_hasSnr; }
    int snr() const { return m_snr; }
    void setSnr(int iSnr)
    {
        m_snr = qint16(iSnr);
        m_hasSnr = true;
    }

    // Words per minute for CW, bauds for RTTY; 0 and None when not sent.
    int speed() const { return m_speed; }
    SpeedUnit speedUnit() const { return m_speedUnit; }
    void setSpeed(int iSpeed, SpeedUnit unit)
    {
        m_speed = qint16(iSpeed);
        m_speedUnit = unit;
    }

    Kind kind() const { return m_kind; }
    void setKind(Kind kind) { m_kind = kind; }
    // "CQ", "DX", "BEACON", "NCDXF B" as skimmers write them; empty for None.
    static QString kindText(Kind kind);

    // Audio offset in Hz some skimmers add for the digital modes.
    bool hasAudioOffset() const { return m_audioOffset >= 0; }
    int audioOffset() const { return m_audioOffset; }
    void setAudioOffset(int iHz) { m_audioOffset = iHz; }

    // Set on the receive path before the filter and alert chains run, so
    // that rules can look at it; Unverified until then.
    Validation validation() const { return m_validation; }
    void setValidation(Validation validation) { m_validation = validation; }
    // Why the validator says so, in one sentence for a tooltip; it names
    // the call a busted spot is probably a copy of.
    const QString &validationReason() const { return m_validationReason; }
    void setValidationReason(const QString &qsReason) { m_validationReason = qsReason; }
    // What the skimmers said of the station over the validator's window
    // when this spot came: how many distinct ones heard it, and the
    // strongest signal any of them reported.
    int skimmerCount() const { return m_skimmerCount; }
    void setSkimmerCount(int iCount) { m_skimmerCount = qint16(qBound(0, iCount, 32767)); }
    bool hasBestSnr() const { return m_hasBestSnr; }
    int bestSnr() const { return m_bestSnr; }
    void setBestSnr(int iSnr)
    {
        m_bestSnr = qint16(iSnr);
        m_hasBestSnr = true;
    }

    // The connection that brought the spot (its node's name, or host:port),
    // so that one station heard through several sources can say which.
    const QString &source() const { return m_source; }
    void setSource(const QString &qsSource) { m_source = qsSource; }

    // Part of an answer the node gave to a request (the earlier spots after
    // login, a typed SH/DX) rather than news: it joins the table quietly,
    // without sound or balloon.
    bool isEarlier() const { return m_earlier; }
    void setEarlier(bool bEarlier) { m_earlier = bEarlier; }

    // Only spots with all four of these go further than the receive path.
    bool isComplete() const;

private:
    QString m_spotter;
    QString m_dxCall;
    QString m_frequency;
    QString m_trailer;
    QString m_date;
    QString m_time;
    QString m_comment;
    QString m_country;
    QString m_dxContinent;
    int m_dxCqZone = 0;
    QString m_spotterContinent;
    bool m_hasPath = false;
    Locator::Path m_shortPath;
    Locator::Path m_longPath;
    bool m_hasDxPosition = false;
    double m_dxLatitude = 0.0;
    double m_dxLongitude = 0.0;
    bool m_dxpedition = false;
    QColor m_alertColor = QColor(0, 0, 0, 0);
    AlertFlags m_alertFlags;
    QString m_soundFile;
    QString m_iconFile;
    QString m_mode;
    QString m_source;
    QString m_validationReason;
    int m_audioOffset = -1;
    qint16 m_snr = 0;
    qint16 m_speed = 0;
    SpeedUnit m_speedUnit = SpeedUnit::None;
    Kind m_kind = Kind::None;
    Validation m_validation = Validation::Unverified;
    bool m_hasSnr = false;
    bool m_skimmer = false;
    bool m_modeFromBandPlan = false;
    bool m_earlier = false;
    qint16 m_skimmerCount = 0;
    qint16 m_bestSnr = 0;
    bool m_hasBestSnr = false;
};

#endif // SPOT_H
