// Heartbeat samples that arrive one beat at a time: imported from a heart-rate file, or live as
// beats per minute.

#include <atomic>
#include <cmath>

#include "model/transponder/transponder_data.h"

namespace {

// Rates a heart-rate belt can report.
constexpr uint16_t MinImportBPM = 30;
constexpr uint16_t MaxImportBPM = 250;

}  // namespace

void TqelTransponderData::ClearHeartbeat(int32_t aNewLength) {
    FHeartbeatCount.store(0, std::memory_order_release);
    // Otherwise entries of the old series would point past the count.
    const int32_t seconds = FHeartbeatIdx1Hz.Capacity();
    for (int32_t i = 0; i < seconds; ++i) {
        std::atomic_ref(FHeartbeatIdx1Hz[i]).store(-1, std::memory_order_release);
    }
    // Blocks that stay are cleared in place: unmapping costs more than zeroing.
    FHeartbeat.Shrink(aNewLength);
    const int32_t kept = FHeartbeat.Capacity();
    for (int32_t i = 0; i < kept; ++i) {
        FHeartbeat[i].Clear();
    }
    while (FHeartbeat.Capacity() < aNewLength) {
        FHeartbeat.Grow();
    }
}

void TqelTransponderData::AddHeartbeat(int32_t aTimeStampInMS, uint16_t aTimeBetweenBeats,
                                       uint8_t aHBType) {
    if (aTimeStampInMS < 0) {
        return;
    }
    const int32_t index = FHeartbeatCount.load(std::memory_order_relaxed);
    if (index >= FHeartbeat.Capacity()) {
        FHeartbeat.Grow();
    }
    const int32_t second = aTimeStampInMS / 1000;
    while (FHeartbeatIdx1Hz.Capacity() - 1 < second) {
        FHeartbeatIdx1Hz.Grow(-1);
    }
    RqelHeartbeatSample& sample = FHeartbeat[index];
    sample.setFTimestampInMS(aTimeStampInMS);
    sample.setTelemetryInvalid(0);
    sample.setTelemetryType(aHBType);
    sample.setTelemetryData(aTimeBetweenBeats);
    // Readers on other threads load the entry and the count with acquire.
    std::atomic_ref(FHeartbeatIdx1Hz[second]).store(index, std::memory_order_release);
    FHeartbeatCount.store(index + 1, std::memory_order_release);
}

void TqelTransponderData::AddHeartbeatBPM(int32_t aTimeStampInMS, uint16_t aBPM, uint8_t aHBType) {
    if (aBPM < MinImportBPM || aBPM > MaxImportBPM) {
        return;
    }
    // The end of the previous beat interval.
    int64_t previousEnd = 0;
    const int32_t count = HeartbeatCount();
    if (count > 0) {
        const RqelHeartbeatSample& last = FHeartbeat[count - 1];
        previousEnd = int64_t{last.GetTimestampInMS()} + last.TelemetryData();
    }
    if (previousEnd >= aTimeStampInMS) {
        return;
    }
    const double interval = 60000.0 / aBPM;
    // A beat that follows without a gap starts where the previous one ended.
    const int64_t time = aTimeStampInMS <= previousEnd + interval ? previousEnd : aTimeStampInMS;
    AddHeartbeat(static_cast<int32_t>(time), static_cast<uint16_t>(std::nearbyint(interval)),
                 aHBType);
}

void TqelTransponderData::FinalizeHeartbeatImport() {
    FHeartbeat.Shrink(HeartbeatCount());
}
