#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/numbers.h"

namespace qel {

// The highest heart rate that stays steady over aMinIntervalTimeInSec seconds: for each second s
// from aStartTimeInMS while s + interval stays before the end (and the dataset's duration), the
// rates aRateAt(k * 1000) of k = s .. s + interval are sampled. A window whose spread is below
// aMaxPeakDiffInBPM (or not a number) and whose maximum beats the best so far wins, at the
// second of its first maximum, the value rounded. False when no window won; aMaxHBTimeInMS is
// aStartTimeInMS then and aMaxHeartBeat is left.
template <class RateAt>
bool SteadyHeartbeatMaximum(int32_t aStartTimeInMS, int32_t anEndTimeInMS, int32_t aDurationInMS,
                            int32_t aMinIntervalTimeInSec, int32_t aMaxPeakDiffInBPM,
                            RateAt&& aRateAt, int32_t& aMaxHBTimeInMS, int32_t& aMaxHeartBeat) {
    aMaxHBTimeInMS = aStartTimeInMS;
    const int64_t first = aStartTimeInMS / 1000;
    const int64_t stop =
        std::min<int64_t>(anEndTimeInMS / 1000, aDurationInMS / 1000) - aMinIntervalTimeInSec;
    double best = 0;
    for (int64_t s = first; s < stop; ++s) {
        double low = 0;
        double high = 0;
        int64_t highSecond = s;
        for (int64_t k = s; k <= s + aMinIntervalTimeInSec; ++k) {
            const double h = aRateAt(static_cast<int32_t>(k * 1000));
            if (k == s || h < low) {
                low = h;
            }
            if (k == s || h > high) {
                high = h;
                highSecond = k;
            }
        }
        const double spread = high - low;
        if ((std::isnan(spread) || spread < aMaxPeakDiffInBPM) && high > best) {
            best = high;
            aMaxHBTimeInMS = static_cast<int32_t>(highSecond * 1000);
            aMaxHeartBeat = RoundToInt32Saturated(high);
        }
    }
    return best != 0;
}

}  // namespace qel
