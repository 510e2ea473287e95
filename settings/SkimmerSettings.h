#ifndef SKIMMERSETTINGS_H
#define SKIMMERSETTINGS_H

#include "cluster/SkimmerValidator.h"

// How skimmer spots are judged and whether the busted ones show, as the
// operator set them in the group "Skimmers" of the store. Values out of
// their ranges read as the defaults, so a store edited by hand cannot make
// every spot valid or busted.
struct SkimmerSettings
{
    SkimmerValidator::Thresholds thresholds;
    bool hideBusted = true;

    // The ranges the settings dialog offers, and load() accepts.
    static constexpr int kMaxSkimmers = 50;
    static constexpr double kMaxSpreadKHz = 5.0;
    static constexpr int kMaxWindowMinutes = 60;

    static SkimmerSettings load();
    void save() const;
};

#endif // SKIMMERSETTINGS_H
