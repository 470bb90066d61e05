// Lookups over the raw samples, the readers of the 10 Hz index and the position cache.

#include <algorithm>
#include <cstring>

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace {

bool HasPosition(const RqelSampleIdx10Hz& aSlot) {
    return aSlot.XinMM() != RqelSampleIdx10Hz::NoPosition &&
           aSlot.YinMM() != RqelSampleIdx10Hz::NoPosition;
}

}  // namespace

// --- Raw samples ---

int32_t TqelTransponderData::getSampleIndex(int32_t aTimeStampInMS) const {
    // Upper bound: the first sample after the time, so equal times settle on the last of them.
    int32_t low = 0;
    int32_t high = SampleCount();
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (FSamples[middle].TimeStampInMS() <= aTimeStampInMS) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low - 1;
}

int32_t TqelTransponderData::getLastSampleIndexBefore(int32_t aTimeStampInMS,
                                                      int32_t aRangeInMS) const {
    const int32_t index = getSampleIndex(aTimeStampInMS);
    if (index < 0 ||
        FSamples[index].TimeStampInMS() < int64_t{aTimeStampInMS} - int64_t{aRangeInMS}) {
        return -1;
    }
    return index;
}

int32_t TqelTransponderData::getFirstSampleIndexAfter(int32_t aTimeStampInMS,
                                                      int32_t aRangeInMS) const {
    const int32_t count = SampleCount();
    const int64_t rangeEnd = int64_t{aTimeStampInMS} + int64_t{aRangeInMS};
    if (count > 0 && FSamples[0].TimeStampInMS() > aTimeStampInMS) {
        return FSamples[0].TimeStampInMS() < rangeEnd ? 0 : -1;
    }
    const int32_t index = getSampleIndex(aTimeStampInMS);
    if (index < 0) {
        return -1;
    }
    if (index >= count - 1) {
        return count;
    }
    return FSamples[index + 1].TimeStampInMS() <= rangeEnd ? index + 1 : -1;
}

int32_t TqelTransponderData::countSamples(int32_t aStartTimestampInMS,
                                          int32_t anEndTimestampInMS) const {
    if (SampleCount() == 0) {
        return 0;
    }
    const int32_t range = anEndTimestampInMS - aStartTimestampInMS;
    const int32_t first = getFirstSampleIndexAfter(aStartTimestampInMS, range);
    if (first < 0) {
        return 0;
    }
    return std::max(getLastSampleIndexBefore(anEndTimestampInMS, range) - first + 1, 0);
}

int32_t TqelTransponderData::getSampleTime(int32_t anIndex) const {
    const int32_t count = SampleCount();
    if (count == 0) {
        return -1;
    }
    return FSamples[std::clamp(anIndex, 0, count - 1)].TimeStampInMS();
}

int32_t TqelTransponderData::getLastSampleTime() const {
    const int32_t count = SampleCount();
    return count == 0 ? -1 : FSamples[count - 1].TimeStampInMS();
}

double TqelTransponderData::GetRawHeartbeat(int32_t anIndex) const {
    return FHeartbeat[anIndex].RawHeartbeat(FDataSet && FDataSet->UseTelemetryIDs());
}

int32_t TqelTransponderData::HeartbeatIdx1Hz(int32_t aSecond) const {
    return std::atomic_ref(const_cast<int32_t&>(FHeartbeatIdx1Hz[aSecond]))
        .load(std::memory_order_acquire);
}

int32_t TqelTransponderData::AccelerometerIdx10Hz(int32_t aSlot) const {
    return std::atomic_ref(const_cast<int32_t&>(FAccelerometerIdx10Hz[aSlot]))
        .load(std::memory_order_acquire);
}

// --- 10 Hz index ---

RqelSampleIdx10Hz TqelTransponderData::EmptySlot() {
    RqelSampleIdx10Hz empty;
    empty.SetStatus(RqelSampleIdx10Hz::ValidBit);
    empty.setLastSampleIndex(-1);
    return empty;
}

RqelSampleIdx10Hz TqelTransponderData::SlotValue(int32_t anIndex) const {
    return anIndex < FSampleIdx10HzWritten ? FSampleIdx10Hz[anIndex] : EmptySlot();
}

void TqelTransponderData::InitializeSlotsUpTo(int32_t anIndex) {
    if (anIndex < FSampleIdx10HzWritten) {
        return;
    }
    const RqelSampleIdx10Hz empty = EmptySlot();
    for (int32_t slot = FSampleIdx10HzWritten; slot <= anIndex; ++slot) {
        FSampleIdx10Hz[slot] = empty;
    }
    FSampleIdx10HzWritten = anIndex + 1;
}

RqelSampleIdx10Hz& TqelTransponderData::Sample10Hz(int32_t anIndex) {
    std::lock_guard lock(FCriticalIndexSection);
    InitializeSlotsUpTo(anIndex);
    return FSampleIdx10Hz[anIndex];
}

RqelSampleIdx10Hz TqelTransponderData::Get10HzSlot(int32_t anIndex) const {
    std::lock_guard lock(FCriticalIndexSection);
    return SlotValue(anIndex);
}

void TqelTransponderData::Set10HzSlot(int32_t anIndex, const RqelSampleIdx10Hz& aSlot) {
    std::lock_guard lock(FCriticalIndexSection);
    InitializeSlotsUpTo(anIndex);
    FSampleIdx10Hz[anIndex] = aSlot;
}

void TqelTransponderData::Grow10HzIndex(int32_t aLength) {
    std::lock_guard lock(FCriticalIndexSection);
    while (FSampleIdx10Hz.Capacity() < aLength) {
        FSampleIdx10Hz.Grow();
    }
}

int32_t TqelTransponderData::AvailableSlot(int32_t aTimeStampInMS, int32_t aSlot) const {
    // Truncation would take -99..-1 ms to slot 0.
    if (aTimeStampInMS < 0) {
        return -1;
    }
    const int32_t length = Sample10HzCount();
    if (length == 0) {
        return -1;
    }
    const int32_t limit = std::min(FLiveUpdateTimestamp.load() / 100, length - 1);
    if (aSlot <= limit) {
        return aSlot;
    }
    // Up to a second beyond the available index is answered with its last slot.
    return aSlot < limit + 10 ? limit : -1;
}

int32_t TqelTransponderData::Get10HzIndex(int32_t aTimeStampInMS) const {
    return AvailableSlot(aTimeStampInMS, aTimeStampInMS / 100);
}

int32_t TqelTransponderData::Get10HzRoundUpIndex(int32_t aTimeStampInMS) const {
    return AvailableSlot(aTimeStampInMS, aTimeStampInMS / 100 + 1);
}

int32_t TqelTransponderData::SlotCopies(int32_t aTimeStampInMS, RqelSampleIdx10Hz& aSlot,
                                        RqelSampleIdx10Hz* aNext, bool& aHasNext) const {
    aHasNext = false;
    std::lock_guard lock(FCriticalIndexSection);
    const int32_t slot = Get10HzIndex(aTimeStampInMS);
    if (slot < 0) {
        return slot;
    }
    aSlot = SlotValue(slot);
    // The next slot counts only once the live update has completed it.
    if (aNext && aTimeStampInMS % 100 > 0 && slot + 1 < FLiveUpdateTimestamp.load() / 100 &&
        slot + 1 < Sample10HzCount()) {
        *aNext = SlotValue(slot + 1);
        aHasNext = true;
    }
    return slot;
}

RqelCalculatedPosition TqelTransponderData::IndexPosition(int32_t aTimeStampInMS) {
    RqelCalculatedPosition result;
    result.Clear();
    if (TakeTempPosition(aTimeStampInMS, result)) {
        return result;
    }
    RqelSampleIdx10Hz slot;
    RqelSampleIdx10Hz next;
    bool hasNext = false;
    if (SlotCopies(aTimeStampInMS, slot, &next, hasNext) < 0) {
        return result;
    }
    result.TransponderID = TPid();
    result.XinM = slot.XinMM() / 1000.0;
    result.YinM = slot.YinMM() / 1000.0;
    result.ZinM = slot.ZinMM() / 1000.0;
    result.OnField = HasPosition(slot);
    // Beside a slot without a position the difference would be a point far off the field.
    if (hasNext && result.OnField && HasPosition(next)) {
        const double fraction = (aTimeStampInMS % 100) / 100.0;
        result.XinM += (next.XinMM() - slot.XinMM()) / 1000.0 * fraction;
        result.YinM += (next.YinMM() - slot.YinMM()) / 1000.0 * fraction;
        result.ZinM += (next.ZinMM() - slot.ZinMM()) / 1000.0 * fraction;
    }
    return result;
}

double TqelTransponderData::InterpolatedSlotValue(int32_t aTimeStampInMS,
                                                  double (RqelSampleIdx10Hz::*aValue)()
                                                      const) const {
    RqelSampleIdx10Hz slot;
    RqelSampleIdx10Hz next;
    bool hasNext = false;
    if (SlotCopies(aTimeStampInMS, slot, &next, hasNext) < 0) {
        return 0;
    }
    const double value = (slot.*aValue)();
    if (!hasNext) {
        return value;
    }
    return value + ((next.*aValue)() - value) * (aTimeStampInMS % 100) / 100;
}

double TqelTransponderData::indexSpeed(int32_t aTimeStampInMS) const {
    return InterpolatedSlotValue(aTimeStampInMS, &RqelSampleIdx10Hz::Speed);
}

double TqelTransponderData::indexAcceleration(int32_t aTimeStampInMS) const {
    return InterpolatedSlotValue(aTimeStampInMS, &RqelSampleIdx10Hz::Acceleration);
}

double TqelTransponderData::indexHeartbeat(int32_t aTimeStampInMS) const {
    RqelSampleIdx10Hz slot;
    bool hasNext = false;
    if (SlotCopies(aTimeStampInMS, slot, nullptr, hasNext) < 0) {
        return 0;
    }
    return slot.Heartbeat();
}

double TqelTransponderData::SlotDifference(int32_t aStartTimeInMS, int32_t anEndTimeInMS,
                                           int32_t (RqelSampleIdx10Hz::*aValue)() const) const {
    RqelSampleIdx10Hz start;
    RqelSampleIdx10Hz end;
    bool hasNext = false;
    if (SlotCopies(aStartTimeInMS, start, nullptr, hasNext) < 0 ||
        SlotCopies(anEndTimeInMS, end, nullptr, hasNext) < 0) {
        return 0;
    }
    return (double((end.*aValue)()) - double((start.*aValue)())) / 1000;
}

double TqelTransponderData::indexDistance(int32_t aStartTimestampInMS,
                                          int32_t aEndTimestampInMS) const {
    return SlotDifference(aStartTimestampInMS, aEndTimestampInMS,
                          &RqelSampleIdx10Hz::CumDistanceInMM);
}

double TqelTransponderData::IndexHIDinM(int32_t aStartTimeInMS, int32_t aEndTimeInMS) const {
    return SlotDifference(aStartTimeInMS, aEndTimeInMS, &RqelSampleIdx10Hz::CumHIDInMM);
}

// --- Position cache ---

bool TqelTransponderData::CachedPosition(int32_t aTimeStampInMS,
                                         RqelCalculatedPosition& aPosition) const {
    if (aTimeStampInMS < 0) {
        return false;
    }
    std::lock_guard lock(FCriticalCacheSection);
    if (!FPositionCache) {
        return false;
    }
    const PositionCacheEntry& entry = FPositionCache[aTimeStampInMS % PositionCacheSize];
    if (entry.TimeStamp != aTimeStampInMS) {
        return false;
    }
    aPosition = entry.Position;
    return true;
}

void TqelTransponderData::CachePosition(int32_t aTimeStampInMS,
                                        const RqelCalculatedPosition& aPosition) {
    if (aTimeStampInMS < 0) {
        return;
    }
    std::lock_guard lock(FCriticalCacheSection);
    if (!FPositionCache) {
        FPositionCache = std::make_unique_for_overwrite<PositionCacheEntry[]>(PositionCacheSize);
        std::memset(static_cast<void*>(FPositionCache.get()), 0xFF,
                    sizeof(PositionCacheEntry) * PositionCacheSize);
    }
    PositionCacheEntry& entry = FPositionCache[aTimeStampInMS % PositionCacheSize];
    entry.TimeStamp = aTimeStampInMS;
    entry.Position = aPosition;
}

void TqelTransponderData::invalidatePositionCache() {
    std::lock_guard lock(FCriticalCacheSection);
    if (FPositionCache) {
        // Every time stamp becomes -1, which no time matches.
        std::memset(static_cast<void*>(FPositionCache.get()), 0xFF,
                    sizeof(PositionCacheEntry) * PositionCacheSize);
    }
}

bool TqelTransponderData::PositionCacheAllocated() const {
    std::lock_guard lock(FCriticalCacheSection);
    return FPositionCache != nullptr;
}

void TqelTransponderData::SetTempPosition(int32_t aTimeStampInMS, double aXinM, double aYinM) {
    std::lock_guard lock(FCriticalCacheSection);
    FTempPosition.Clear();
    FTempPosition.XinM = aXinM;
    FTempPosition.YinM = aYinM;
    FTempPosition.SpikeLow = aTimeStampInMS;
    FTempPosition.OnField = true;
    FTempPosition.TransponderID = TPid();
    FTempPositionSet = true;
}

// --- Marks ---

void TqelTransponderData::clearMarks() {
    const int32_t count = SampleCount();
    for (int32_t i = 0; i < count; ++i) {
        FSamples[i].SetMark(0);
    }
}

void TqelTransponderData::InvalidatePositions(int32_t aStartTimeInMS, int32_t aEndTimeInMS) {
    if (FDataSet) {
        FDataSet->setIndexesNeedsToRebuild(true);
    }
    setPositionStatus(aStartTimeInMS, aEndTimeInMS, ldsInvalidated);
}
