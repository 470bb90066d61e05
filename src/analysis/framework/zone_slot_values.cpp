#include "analysis/framework/zone_slot_values.h"

#include <mutex>

#include "analysis/framework/accel_info.h"
#include "analysis/framework/calculation.h"
#include "analysis/framework/heart_info.h"
#include "analysis/framework/speed_info.h"
#include "model/transponder/sample_index.h"
#include "platform/numbers.h"

namespace qel {

void StoreZoneIndexes(const TqelCalculation& aCalculation, RqelSampleIdx10Hz& aSlot) {
    std::lock_guard lock(aCalculation.ResultLock());
    if (const TqelSpeedInfo* speed = aCalculation.SpeedInfo()) {
        aSlot.setCumSpeedIndex(RoundToInt32(speed->Index() * 1000));
    }
    if (const TqelAccelInfo* accel = aCalculation.AccelInfo()) {
        aSlot.setCumAccelIndex(RoundToInt32(accel->AccelIndex() * 1000));
        aSlot.setCumDecelIndex(RoundToInt32(accel->DecelIndex() * 1000));
    }
    if (const TqelHeartInfo* heart = aCalculation.HeartInfo()) {
        aSlot.setCumHeartIndex(RoundToInt32(heart->Index() * 1000));
        aSlot.setCumHIHBTimeMS(heart->HITimeInMS());
    }
}

}  // namespace qel
