#pragma once

class TqelCalculation;
struct RqelSampleIdx10Hz;

namespace qel {

// Copies the zone analyses' state into a 100 ms slot of the transponder's index, as the index
// rebuild and the live update do after every 100 ms: the speed, acceleration, deceleration and
// heart-rate indexes × 1000 and the high heart-rate time. An analysis the calculation lacks
// leaves its values as they are.
void StoreZoneIndexes(const TqelCalculation& aCalculation, RqelSampleIdx10Hz& aSlot);

}  // namespace qel
