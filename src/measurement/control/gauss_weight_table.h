#pragma once

#include <cstdint>

// The process-wide weights of the smoothed positions: entry i weighs a sample i ms away from the
// requested time. All zeros until first built. Written and read on the main thread only.
//
// Builds the table for a position sensitivity (the server setting, default 85); a higher
// sensitivity widens the bell.
void BuildGaussWeightTable(int32_t aSensitivity);

namespace qel {

constexpr int kGaussWeightCount = 1000;

// The weight of a sample anAgeInMS (0..999) away.
double GaussWeight(int anAgeInMS);
// All zeros again, as before the first build.
void ResetGaussWeightTable();

}  // namespace qel
