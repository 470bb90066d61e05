#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/date_time.h"

class TqelAntennaData;
class TqelMeasurementSystem;

namespace qel {

using MeasurementSystemList = std::vector<std::unique_ptr<TqelMeasurementSystem>>;

// The system after anIndex in list order; the first after the last one, and for -1.
int32_t NextSystemIndex(int32_t anIndex, int32_t aCount);

// True when aThen lies more than aMs before Now().
bool LongerAgoThan(TDateTime aThen, int64_t aMs);

// Moves a transponder round robin: the system at aDeactivateIndex (when it is one) deactivates
// it, the system after aFromIndex becomes its system and, when the transponder is enabled,
// activates it there with a fresh last-valid time. Main thread only.
void MoveToNextSystem(const MeasurementSystemList& aSystems, TqelAntennaData& aTransponder,
                      uint16_t anAntennaID, int32_t aFromIndex, int32_t aDeactivateIndex);

}  // namespace qel
