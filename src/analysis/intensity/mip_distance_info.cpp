#include "analysis/intensity/mip_distance_info.h"

#include <algorithm>

#include "analysis/framework/calculation.h"
#include "foundation/geometry.h"

QEL_REGISTER_CALCULATION(TqelMIPDistanceInfo, MIPDistInfo, MIPDistInfo)

namespace {

constexpr int32_t kSlotMS = 100;

// The ring slot of a time: mapping and wrap use the same count, so no empty slot ever enters
// the windows.
int32_t SlotOf(int64_t aTimeInMS) {
    const int64_t slot = (aTimeInMS / kSlotMS) % TqelMIPDistanceInfo::kRingSlots;
    return static_cast<int32_t>(slot < 0 ? slot + TqelMIPDistanceInfo::kRingSlots : slot);
}

}  // namespace

TqelMIPDistanceInfo::TqelMIPDistanceInfo(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation), FDistanceArray(kRingSlots, 0.0) {
    for (int32_t i = 0; i < kMIPWindowCount; ++i) {
        FMIPValues[i].Owner = this;
        FMIPValues[i].MaxValues = kMIPWindowLengthsMS[i] / kSlotMS;
    }
}

TqelMIPDistanceInfo::~TqelMIPDistanceInfo() = default;

bool TqelMIPDistanceInfo::Init() {
    FLastPos.Clear();
    std::fill(FDistanceArray.begin(), FDistanceArray.end(), 0.0);
    for (int32_t i = 0; i < kMIPWindowCount; ++i) {
        TqelMIPDistRecord& record = FMIPValues[i];
        record.Owner = this;
        record.MaxValues = kMIPWindowLengthsMS[i] / kSlotMS;
        record.ValueCount = 0;
        record.CurrentDistanceMM = 0;
        record.MaxDistanceMM = 0;
    }
    FWriteIndex = SlotOf(StartTimeInMS());
    return true;
}

void TqelMIPDistanceInfo::ProcessTimeFrame(int32_t aTimeInMS, bool,
                                           const RqelCalculatedPosition& aPos, double, double,
                                           double, double, double, double, bool, TqelPlayDirection,
                                           bool, bool) {
    // Its slot would never be reached: the catch-up below would not end.
    if (aTimeInMS < 0) {
        return;
    }
    const double distance = FLastPos.OnField && aPos.OnField ? Distance2D(FLastPos, aPos) : 0;
    FLastPos = aPos;
    const int32_t slot = SlotOf(aTimeInMS);
    if (slot == FWriteIndex) {
        FDistanceArray[slot] += distance;
        return;
    }
    while (FWriteIndex != slot) {
        AddToWindows(FWriteIndex);
        FWriteIndex = (FWriteIndex + 1) % FDistanceArrayCount;
        FDistanceArray[FWriteIndex] = 0;
    }
    FDistanceArray[FWriteIndex] = distance;
}

void TqelMIPDistanceInfo::AddToWindows(int32_t aSlot) {
    const double value = FDistanceArray[aSlot];
    for (TqelMIPDistRecord& record : FMIPValues) {
        record.CurrentDistanceMM += value;
        ++record.ValueCount;
        if (record.ValueCount > record.MaxValues) {
            int32_t oldest = aSlot - record.MaxValues;
            if (oldest < 0) {
                oldest += FDistanceArrayCount;
            }
            record.CurrentDistanceMM -= FDistanceArray[oldest];
            --record.ValueCount;
        }
        record.MaxDistanceMM = std::max(record.MaxDistanceMM, record.CurrentDistanceMM);
    }
}

double TqelMIPDistanceInfo::GetValue(int32_t anIndex) {
    if (anIndex < 0 || anIndex >= kMIPWindowCount) {
        return 0;
    }
    TqelMIPDistRecord& record = FMIPValues[anIndex];
    const double result = record.MaxDistanceMM;
    record.MaxDistanceMM = record.CurrentDistanceMM;
    return result;
}

double TqelMIPDistanceInfo::DistanceIndexValue(int32_t aIndex) const {
    if (aIndex < -FDistanceArrayCount || aIndex >= FDistanceArrayCount) {
        return 0;
    }
    return FDistanceArray[aIndex < 0 ? aIndex + FDistanceArrayCount : aIndex];
}
