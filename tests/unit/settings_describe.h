// Both views of loaded settings as one comparable line, so a failing table row shows all five.
#pragma once

#include "settings/settings.h"

#include <string>

inline std::string Describe(const Settings& s) {
    return std::to_string(s.BoxSize) + "," + std::to_string(s.ColorChangeRate) + "," +
           std::to_string(s.DrawSpeed) + "," + std::to_string(s.EraseFrequency) + "," +
           std::to_string(s.EraseSpeed);
}

inline std::string Describe(const SaverParameters& p) {
    return std::to_string(p.BoxSize) + "," + std::to_string(p.ColorBounceLimit) + "," +
           std::to_string(p.StepDelay) + "," + std::to_string(p.EraseBounceCount) + "," +
           std::to_string(p.WipeDelay);
}
