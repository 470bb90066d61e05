#include "model/dataset/smoothing_kernels.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qel {

namespace {

// The kernels' power base: a decimal literal, not e; stored datasets were smoothed with it.
constexpr double KernelBase = 2.718281828;
// Offsets of the position kernel are scaled by this many ms per unit.
constexpr double PositionScale = 199.8;
constexpr double AccelerometerSigma = 4.0 / 3.0;
constexpr double AccelerometerScale = 15.0;
// A heart-rate window longer than ten minutes on each side is no setting but a broken value
// (from a damaged file, say): the kernel stops there instead of taking gigabytes.
constexpr int32_t MaxHeartbeatLength = 600000;

// A Gaussian of standard deviation aSigma at aX, normalised to 1 at 0. It is multiplied by the
// density's factor and divided by it again, as the stored kernels were made.
double Gaussian(double aX, double aSigma) {
    const double factor = 1.0 / ((2 * std::numbers::pi) * (2 * std::numbers::pi) * aSigma);
    return factor * std::pow(KernelBase, -(aX * aX) / (2 * aSigma * aSigma)) / factor;
}

std::shared_ptr<SmoothingKernels> CopyOf(const SmoothingKernels* aPrevious) {
    return aPrevious ? std::make_shared<SmoothingKernels>(*aPrevious)
                     : std::make_shared<SmoothingKernels>();
}

}  // namespace

std::shared_ptr<const SmoothingKernels> SmoothingKernels::WithPositionKernels(
    const SmoothingKernels* aPrevious, TqelPositionAlgorithm anAlgorithm, int32_t aSensitivity) {
    std::shared_ptr<SmoothingKernels> kernels = CopyOf(aPrevious);
    std::array<double, 2 * PositionReach + 1>& position = kernels->FPosition;
    const double sigma = aSensitivity / 75.0;
    for (int32_t offset = -PositionReach; offset <= PositionReach; ++offset) {
        double& weight = position[static_cast<size_t>(offset + PositionReach)];
        switch (anAlgorithm) {
            case posLastKnown:
            case posClosestKnown:
                weight = offset == 0 ? 1.0 : 0.0;
                break;
            case posLinearInterpolation:
                weight = std::abs(offset) <= 10 * int64_t{aSensitivity} ? 1.0 : 0.0;
                break;
            case posWeightedAverage:
            case posWeightedSportVU:
                // A zero width has no Gaussian (every weight would be NaN): the narrowest
                // kernel there is counts the samples at the time itself.
                weight = sigma == 0 ? (offset == 0 ? 1.0 : 0.0)
                                    : Gaussian(offset / PositionScale, sigma);
                break;
            default:
                break;
        }
    }
    for (int32_t i = 0; i <= AccelerometerReach; ++i) {
        kernels->FAccelerometer[static_cast<size_t>(i)] =
            Gaussian(i / AccelerometerScale, AccelerometerSigma);
    }
    return kernels;
}

std::shared_ptr<const SmoothingKernels> SmoothingKernels::WithHeartbeatKernel(
    const SmoothingKernels* aPrevious, int32_t aLength, int32_t aSensitivity) {
    std::shared_ptr<SmoothingKernels> kernels = CopyOf(aPrevious);
    // No entries at all for a length of 0 or less: every weight reads 0.
    const int32_t entries = std::clamp(aLength, 0, MaxHeartbeatLength);
    kernels->FHeartbeat.assign(static_cast<size_t>(entries), 0.0);
    const double sigma = aSensitivity / 75.0;
    for (int32_t i = 0; i < entries; ++i) {
        kernels->FHeartbeat[static_cast<size_t>(i)] =
            sigma == 0 ? (i == 0 ? 1.0 : 0.0) : Gaussian(5.0 * i / aLength, sigma);
    }
    return kernels;
}

}  // namespace qel
