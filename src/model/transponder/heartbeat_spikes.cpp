#include "model/transponder/heartbeat_spikes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double MinBPM = 40;
constexpr double MaxBPM = 230;
// Two beats this close in bpm belong to one steady stretch.
constexpr double SameBPM = 10;
// A steady stretch longer than this is believed.
constexpr int32_t RunToLock = 5;
// Misfits tolerated before the search starts again a little back.
constexpr int32_t BadWhileLocked = 10;
constexpr int32_t BadWhileSearching = 5;

bool Same(double a, double b) {
    return std::fabs(a - b) <= SameBPM;
}

bool InRange(double aBPM) {
    return aBPM >= MinBPM && aBPM <= MaxBPM;
}

}  // namespace

namespace qel {

bool HeartbeatSpikeFilter::Run(const std::vector<double>& aBPM, std::vector<uint8_t>& aFlags,
                               int64_t aStepsPerSample) {
    aFlags.assign(aBPM.size(), 0);
    if (aBPM.size() < 2) {
        return true;
    }
    if (!Flag(aBPM, aFlags, aStepsPerSample * static_cast<int64_t>(aBPM.size()))) {
        std::fill(aFlags.begin(), aFlags.end(), 0);
        return false;
    }
    Replace(aBPM, aFlags);
    return true;
}

bool HeartbeatSpikeFilter::Flag(const std::vector<double>& aBPM, std::vector<uint8_t>& aFlags,
                                int64_t aStepLimit) {
    const int32_t count = static_cast<int32_t>(aBPM.size());
    double prev = aBPM[0];
    int32_t bad = 0;
    int32_t run = 0;
    int32_t runStart = 0;
    int32_t lastGood = -1;
    bool locked = false;
    if (!InRange(aBPM[0])) {
        aFlags[0] = 1;
    }
    int64_t steps = 0;
    for (int32_t i = 1; i < count; ++i) {
        if (++steps > aStepLimit) {
            return false;
        }
        const double cur = aBPM[i];
        if (!InRange(cur)) {
            aFlags[i] = 1;
            ++bad;
            continue;
        }
        if (Same(prev, cur)) {
            if (!locked) {
                if (run == 0) {
                    runStart = i;
                }
                ++run;
                if (run > RunToLock) {
                    locked = true;
                    for (int32_t k = lastGood + 1; k < runStart; ++k) {
                        aFlags[k] = Same(aBPM[k], cur) ? 0 : 1;
                    }
                    lastGood = i;
                }
            } else {
                std::fill(aFlags.begin() + lastGood + 1, aFlags.begin() + i, 1);
                aFlags[i] = 0;
                lastGood = i;
                bad = 0;
                run = 0;
            }
            prev = cur;
            continue;
        }
        ++bad;
        if (locked) {
            if (bad > BadWhileLocked) {
                i = std::max(i - (bad - 1), 0);
                locked = false;
                prev = aBPM[i];
                bad = 0;
            }
        } else {
            if (run > 0) {
                std::fill(aFlags.begin() + (i - run), aFlags.begin() + i, 1);
            }
            run = 0;
            if (bad > BadWhileSearching) {
                i = std::max(i - BadWhileSearching, 0);
                prev = aBPM[i];
                bad = 0;
            }
        }
    }
    return true;
}

void HeartbeatSpikeFilter::Replace(const std::vector<double>& aBPM, std::vector<uint8_t>& aFlags) {
    const int32_t count = static_cast<int32_t>(aBPM.size());
    auto nextUnflagged = [&](int32_t aFrom) {
        while (aFrom < count && aFlags[aFrom] == 1) {
            ++aFrom;
        }
        return aFrom;
    };
    int32_t j = 0;
    while (j < count) {
        if (aFlags[j] != 1) {
            ++j;
            continue;
        }
        const int32_t h = j - 1;
        int32_t k = nextUnflagged(j);
        for (;;) {
            // A stretch that reaches the end has nothing to lean on: it stays a bare spike.
            if (k >= count) {
                return;
            }
            const double pv = h >= 0 ? aBPM[h] : aBPM[k];
            const double nv = aBPM[k];
            if (std::fabs(nv - pv) > SameBPM * (k - h - 1)) {
                aFlags[k] = 1;
                k = nextUnflagged(k + 1);
                continue;
            }
            for (int32_t m = h + 1; m < k; ++m) {
                const double value = std::nearbyint(pv + (nv - pv) * (m - h) / (k - h));
                aFlags[m] = static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
            }
            break;
        }
        j = k + 1;
    }
}

}  // namespace qel
