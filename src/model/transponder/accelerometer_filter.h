#pragma once

#include "foundation/position_records.h"
#include "model/transponder/telemetry_samples.h"

// Running state of the accelerometer's low-pass gravity estimate, in g.
struct RqelAccelerometerFilteringData {
    double GravityX = 0;
    double GravityY = 0;
    double GravityZ = 0;
    double Alpha = 0.8;
};

namespace qel {

// One step of the gravity filter: G := Alpha * G + (1 - Alpha) * reading, then the reading minus
// one g along G is the linear acceleration. aFirst seeds G with the reading itself.
RqelAccelerometerFiltered FilterAccelerometerSample(RqelAccelerometerFilteringData& aState,
                                                    const RqelAccelerometerSample& aSample,
                                                    bool aFirst);

}  // namespace qel
