#include "analysis/framework/zone_slot_values.h"

#include <mutex>

#include "analysis/framework/accel_info.h"
#include "analysis/framework/calculation.h"
#include "analysis/framework/heart_info.h"
#include "analysis/framework/speed_info.h"
#include "model/transponder/sample_index.h"
#include "platform/numbers.h"

namespace qel {

// The cadence thread writes these slots: an index that cannot be rounded saturates instead of
// raising there and losing the slot.
void StoreZoneIndexes(const TqelCalculation& aCalculation, RqelSampleIdx10Hz& aSlot) {
    std::lock_guard lock(aCalculation.ResultLock());
    if (const TqelSpeedInfo* speed = aCalculation.SpeedInfo()) {
        aSlot.setCumSpeedIndex(RoundToInt32Saturated(speed->Index() * 1000));
    }
    if (const TqelAccelInfo* accel = aCalculation.AccelInfo()) {
        aSlot.setCumAccelIndex(RoundToInt32Saturated(accel->AccelIndex() * 1000));
        aSlot.setCumDecelIndex(RoundToInt32Saturated(accel->DecelIndex() * 1000));
    }
    if (const TqelHeartInfo* heart = aCalculation.HeartInfo()) {
        aSlot.setCumHeartIndex(RoundToInt32Saturated(heart->Index() * 1000));
        aSlot.setCumHIHBTimeMS(heart->HITimeInMS());
    }
}

}  // namespace qel
