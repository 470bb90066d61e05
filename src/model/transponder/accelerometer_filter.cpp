#include "model/transponder/accelerometer_filter.h"

#include <cmath>

namespace qel {

RqelAccelerometerFiltered FilterAccelerometerSample(RqelAccelerometerFilteringData& aState,
                                                    const RqelAccelerometerSample& aSample,
                                                    bool aFirst) {
    const double x = aSample.GetAccelValue(0);
    const double y = aSample.GetAccelValue(1);
    const double z = aSample.GetAccelValue(2);
    if (aFirst) {
        aState.GravityX = x;
        aState.GravityY = y;
        aState.GravityZ = z;
    }
    const double alpha = aState.Alpha;
    aState.GravityX = alpha * aState.GravityX + (1 - alpha) * x;
    aState.GravityY = alpha * aState.GravityY + (1 - alpha) * y;
    aState.GravityZ = alpha * aState.GravityZ + (1 - alpha) * z;
    const double gravity =
        std::sqrt(aState.GravityX * aState.GravityX + aState.GravityY * aState.GravityY +
                  aState.GravityZ * aState.GravityZ);
    const double k = gravity == 0 ? 1 : 1 / gravity;

    RqelAccelerometerFiltered filtered;
    filtered.TimeStampInMS = aSample.TimestampInMS();
    filtered.LowPassGrav = gravity;
    filtered.XAcceleration = static_cast<float>(x - k * aState.GravityX);
    filtered.YAcceleration = static_cast<float>(y - k * aState.GravityY);
    filtered.ZAcceleration = static_cast<float>(z - k * aState.GravityZ);
    return filtered;
}

}  // namespace qel
