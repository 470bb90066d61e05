#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/settings/client_config.h"

namespace qel {

// The weight tables of a dataset's smoothing: the position kernel of the weighted position
// algorithms, the accelerometer kernel and the heartbeat kernel. A set is never changed once
// built: a setting change builds a new set, so a computation that holds one reads it whole.
class SmoothingKernels {
public:
    static constexpr int32_t PositionReach = 999;
    static constexpr int32_t AccelerometerReach = 75;

    // The weight at a time offset; 0 outside the table.
    double PositionWeight(int32_t anOffset) const {
        return anOffset >= -PositionReach && anOffset <= PositionReach
                   ? FPosition[static_cast<size_t>(anOffset + PositionReach)]
                   : 0.0;
    }
    double AccelerometerWeight(int32_t anOffset) const {
        const int64_t at = Magnitude(anOffset);
        return at <= AccelerometerReach ? FAccelerometer[static_cast<size_t>(at)] : 0.0;
    }
    double HeartbeatWeight(int32_t anOffset) const {
        const int64_t at = Magnitude(anOffset);
        return at < static_cast<int64_t>(FHeartbeat.size()) ? FHeartbeat[static_cast<size_t>(at)]
                                                            : 0.0;
    }
    int32_t HeartbeatLength() const { return static_cast<int32_t>(FHeartbeat.size()); }

    // A copy of aPrevious (or of empty tables) with the position kernel for the algorithm and
    // sensitivity and the accelerometer kernel built. An algorithm without a kernel of its own
    // keeps the previous position kernel.
    static std::shared_ptr<const SmoothingKernels> WithPositionKernels(
        const SmoothingKernels* aPrevious, TqelPositionAlgorithm anAlgorithm, int32_t aSensitivity);
    // A copy of aPrevious (or of empty tables) with a heartbeat kernel of aLength entries.
    static std::shared_ptr<const SmoothingKernels> WithHeartbeatKernel(
        const SmoothingKernels* aPrevious, int32_t aLength, int32_t aSensitivity);

private:
    // |anOffset| without overflow at the lowest int32.
    static int64_t Magnitude(int32_t anOffset) {
        return anOffset < 0 ? -int64_t{anOffset} : int64_t{anOffset};
    }

    std::array<double, 2 * PositionReach + 1> FPosition{};
    std::array<double, AccelerometerReach + 1> FAccelerometer{};
    std::vector<double> FHeartbeat;
};

}  // namespace qel
