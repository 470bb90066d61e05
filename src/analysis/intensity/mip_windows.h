#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The window lengths of the most-intense-period analyses, ms, shortest first. Window i of the
// live index, of the results and of an athlete's reference row is entry i.
constexpr int32_t kMIPWindowCount = 10;
constexpr std::array<int32_t, kMIPWindowCount> kMIPWindowLengthsMS{
    5000, 10000, 15000, 30000, 60000, 90000, 120000, 180000, 300000, 600000};

namespace qel {

// An athlete's distance reference values, one per window, or none when the athlete has no row.
using GameSpeedReference = std::optional<std::array<double, kMIPWindowCount>>;

}  // namespace qel
