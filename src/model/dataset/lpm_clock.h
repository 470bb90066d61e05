#pragma once

#include <cstdint>
#include <optional>

namespace qel {

// The measurement system counts 0.1 ms in 32 bits: its millisecond time wraps every
// 429,496,729.6 ms (about 4.97 days), rounded up here.
constexpr int64_t LPMClockWrapMS = 429496730;
// A time further than this below the first tick has wrapped; a nearer one is merely early.
constexpr int64_t LPMClockHalfWrapMS = 214748365;

// The ms from aFirstTickMS to the LPM time aTimeMS, across one wrap of the clock; empty for a
// time a little before the first tick (antennas interleave), which has no dataset time.
inline std::optional<int64_t> LPMTimeSince(uint32_t aFirstTickMS, uint32_t aTimeMS) {
    const int64_t first = aFirstTickMS;
    const int64_t time = aTimeMS;
    if (time >= first) {
        return time - first;
    }
    if (first - time > LPMClockHalfWrapMS) {
        return time + LPMClockWrapMS - first;
    }
    return std::nullopt;
}

}  // namespace qel
