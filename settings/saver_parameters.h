// What the saver runs with: all the saver core knows of the settings.
#pragma once

#include <cstdint>

struct SaverParameters {
    int32_t BoxSize;
    int32_t ColorBounceLimit;
    int32_t StepDelay;
    int32_t EraseBounceCount;
    int32_t WipeDelay;
};
