#include "model/transponder/slot_from_calculation.h"

#include <cmath>
#include <mutex>

#include "analysis/framework/calculation.h"
#include "analysis/framework/zone_slot_values.h"
#include "analysis/load/distance_info.h"
#include "analysis/load/energy_consumption.h"
#include "analysis/load/hml_distance.h"
#include "model/transponder/sample_index.h"
#include "platform/numbers.h"

namespace qel {

RqelSampleIdx10Hz SlotFromCalculation(const TqelCalculation& aCalculation) {
    RqelSampleIdx10Hz slot;
    std::lock_guard lock(aCalculation.ResultLock());
    const RqelCalculatedPosition& pos = aCalculation.Position();
    slot.setXinMM(RoundSaturated<int32_t>(pos.XinM * 1000));
    slot.setYinMM(RoundSaturated<int32_t>(pos.YinM * 1000));
    slot.setZinMM(RoundSaturated<int32_t>(pos.ZinM * 1000));
    if (const TqelDistanceInfo* distance = aCalculation.DistanceInfo()) {
        slot.setCumDistanceInMM(
            RoundSaturated<int32_t>(static_cast<double>(distance->TotalDistanceInMM())));
        slot.setCumHIDInMM(distance->HIDinMM());
    }
    if (const TqelEnergyConsumption* energy = aCalculation.Energy()) {
        slot.setCumEnergyConsumption(RoundSaturated<int32_t>(energy->EnergyInkCal()));
    }
    StoreZoneIndexes(aCalculation, slot);
    if (const TqelHMLDistance* hml = aCalculation.HMLDistance()) {
        slot.setCumHMLDinMM(hml->TotalDistanceInMM());
    }
    // The fatigue words stay 0 until the fatigue readers exist.
    slot.setFSpeedMMS(RoundSaturated<uint16_t>(aCalculation.Speed() * 1000));
    const double accel = aCalculation.Acceleration();
    slot.setFAcceleration(std::fabs(accel) < kMaxStoredAcceleration
                              ? RoundSaturated<int16_t>(accel * 1000)
                              : int16_t{0});
    slot.setFHeartbeat(RoundSaturated<uint16_t>(aCalculation.Heartbeat() * 100));
    return slot;
}

}  // namespace qel
