// Editing a transponder's recorded heartbeat samples after the fact.

#include <vector>

#include "model/dataset/dataset.h"
#include "model/transponder/heartbeat_spikes.h"
#include "model/transponder/transponder_data.h"

namespace {

// Upper six bits of the type byte: heart-rate interval and beats per minute.
constexpr uint8_t KindMask = 0xFC;
constexpr uint8_t KindHeartRateInterval = 0x3C;
constexpr uint8_t KindBeatsPerMinute = 0x38;

}  // namespace

bool TqelTransponderData::RemoveHeartbeatSpikes() {
    const int32_t count = HeartbeatCount();
    if (count < 2) {
        return true;
    }
    std::vector<double> bpm(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        bpm[static_cast<size_t>(i)] = GetRawHeartbeat(i);
    }
    std::vector<uint8_t> flags;
    const bool filtered = qel::HeartbeatSpikeFilter::Run(bpm, flags);
    for (int32_t i = 0; i < count; ++i) {
        FHeartbeat[i].setTelemetryInvalid(flags[static_cast<size_t>(i)]);
    }
    FHeartbeatFiltered = filtered;
    return filtered;
}

bool TqelTransponderData::ForceTelemetryToSwissTiming() {
    const int32_t count = HeartbeatCount();
    for (int32_t i = 0; i < count; ++i) {
        RqelHeartbeatSample& sample = FHeartbeat[i];
        const uint8_t type = sample.TelemetryType();
        if ((type & KindMask) == KindHeartRateInterval) {
            sample.setTelemetryType(static_cast<uint8_t>((type & 0x0C) | KindBeatsPerMinute));
        }
        sample.setTelemetryInvalid(0);
    }
    return RemoveHeartbeatSpikes();
}

void TqelTransponderData::setHeartbeatValidity(int32_t aStartTimeInMS, int32_t aEndTimeInMS,
                                               bool aInvalid) {
    const int32_t count = HeartbeatCount();
    if (count == 0) {
        return;
    }
    // The first sample at or after the start, so that samples sharing the start time all count.
    int32_t low = 0;
    int32_t high = count;
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (FHeartbeat[middle].GetTimestampInMS() < aStartTimeInMS) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    for (int32_t i = low; i < count && FHeartbeat[i].GetTimestampInMS() < aEndTimeInMS; ++i) {
        FHeartbeat[i].SetInvalid(aInvalid);
    }
    if (FDataSet) {
        FDataSet->setChanged(true);
        FDataSet->NotifyItemChanged(this, itemFilter, TPid());
    }
}

void TqelTransponderData::InvalidateHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS) {
    setHeartbeatValidity(aStartTimeInMS, aEndTimeInMS, true);
    if (FDataSet) {
        FDataSet->NotifyItemChanged(this, itemFilter, TPid());
    }
}

void TqelTransponderData::RestoreHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS) {
    setHeartbeatValidity(aStartTimeInMS, aEndTimeInMS, false);
}
