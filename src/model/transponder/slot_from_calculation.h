#pragma once

struct RqelSampleIdx10Hz;
class TqelCalculation;

namespace qel {

// Beyond this an acceleration is a measuring fault and is stored as 0 (m/s²).
constexpr double kMaxStoredAcceleration = 32;

// The values of a 10 Hz slot from the calculation's state after its step at the slot's time:
// position, totals, zone indexes, speed, acceleration and heart rate; an analysis the
// calculation lacks gives 0. Status and sample link stay to the caller. Takes the calculation's
// result lock.
RqelSampleIdx10Hz SlotFromCalculation(const TqelCalculation& aCalculation);

}  // namespace qel
