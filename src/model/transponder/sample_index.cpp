#include "model/transponder/sample_index.h"

double RqelSampleIdx10Hz::Speed() const {
    return GetMarked() ? 0.0 : FSpeedMMS() / 1000.0;
}

double RqelSampleIdx10Hz::Acceleration() const {
    return GetMarked() ? 0.0 : FAcceleration() / 1000.0;
}

double RqelSampleIdx10Hz::Fatigue() const {
    return (FFatigueTemporary() / 100.0 * FFatigueChroncal() / 100.0) / 100.0;
}
