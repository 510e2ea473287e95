#ifndef CHAINRESULT_H
#define CHAINRESULT_H

#include "AlertFlags.h"

#include <QString>

#include <array>
#include <iterator>

// The outcome of the three stages for one spot: drop or accept, and for an
// accepted spot the alerts that fired. The log shows it as chain-action bits:
// Drop 1, Accept 2, then the alert flags from bit 2 up.
class ChainResult
{
public:
    enum Verdict : quint32 { Drop = 1, Accept = 2 };

    static constexpr int kAlertShift = 2;

    constexpr ChainResult(Verdict verdict = Accept, AlertFlags alerts = {}) : m_verdict(verdict), m_alerts(alerts) { }

    Verdict verdict() const { return m_verdict; }
    bool isAccepted() const { return m_verdict == Accept; }
    AlertFlags alerts() const { return m_alerts; }
    // The alerts one rule fired. Each firing counts for the usage
    // statistics: two rules colouring one spot are two colour alerts.
    void addAlerts(AlertFlags alerts);
    // How many rules fired this kind of alert on the spot.
    int firings(AlertFlag kind) const;

    quint32 actionBits() const { return quint32(m_verdict) | alertBits(m_alerts); }
    static quint32 alertBits(AlertFlags alerts) { return alerts.toInt() << kAlertShift; }
    // The bracketed names of the bits, as the chain log lines show them; the
    // icon has no name of its own.
    static QString actionNames(quint32 uiBits);
    QString actionNames() const { return actionNames(actionBits()); }

    // The outcome for the spot; how many rules fired each kind is not part of it.
    friend bool operator==(const ChainResult &first, const ChainResult &second)
    {
        return first.m_verdict == second.m_verdict && first.m_alerts == second.m_alerts;
    }
    friend bool operator!=(const ChainResult &first, const ChainResult &second) { return !(first == second); }

private:
    static constexpr AlertFlag kKinds[] = {AlertFlag::Color, AlertFlag::Sound, AlertFlag::Balloon, AlertFlag::Icon};

    Verdict m_verdict;
    AlertFlags m_alerts;
    std::array<int, std::size(kKinds)> m_firings {};
};

#endif // CHAINRESULT_H
