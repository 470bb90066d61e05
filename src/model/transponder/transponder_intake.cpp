// The sample intake: every live sample enters a transponder here, on the main thread.

#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/transponder/packed_record.h"
#include "model/transponder/transponder_data.h"

namespace {

// Telemetry kinds: the upper six bits of the type byte, times 4.
constexpr int KindHeartRateInterval = 60;
constexpr int KindDataBeatsPerMinute = 56;
constexpr int KindAccelerometer = 124;
constexpr int KindBattery = 100;
constexpr int KindBeatsPerMinute = 252;

// An int32 index entry that readers on other threads load with acquire.
void PublishIndex(int32_t& anEntry, int32_t aValue) {
    std::atomic_ref(anEntry).store(aValue, std::memory_order_release);
}

}  // namespace

void TqelTransponderData::Refuse(const qel::ESampleRefused& anError) {
    ++FRefusedSampleCount;
    throw anError;
}

void TqelTransponderData::AddSample(int32_t aTimeStampInMS, const RqelLPMSample& aSample) {
    if (aTimeStampInMS < 0) {
        return;
    }
    // Beyond this the time word wraps: the sample would land before earlier ones.
    if (aTimeStampInMS > MaxSampleTimeInMS) {
        Refuse(qel::ESampleRefused(
            QStringLiteral("Sample time %1 ms lies beyond the last time a sample holds (%2 ms)")
                .arg(aTimeStampInMS)
                .arg(MaxSampleTimeInMS)));
    }
    const int32_t antenna = FDataSet ? FDataSet->AntennaIndex(aSample.AntennaID()) : 0;
    if (antenna < 0 || antenna > 4) {
        return;
    }

    // Raw position, in the field's orientation.
    const int32_t index = FSampleCount.load(std::memory_order_relaxed);
    const int32_t slot = aTimeStampInMS / 100;
    try {
        if (index >= FSamples.Capacity()) {
            FSamples.Grow();
        }
    } catch (const qel::ESampleRefused& e) {
        Refuse(e);
    }
    int32_t x = aSample.XinMM() & 0xFFFFF;
    int32_t y = aSample.YinMM() & 0xFFFFF;
    const int rotation = FDataSet ? FDataSet->Field()->TransposeRotationdegrees() : 0;
    if (rotation == 1) {
        std::swap(x, y);
        x = qel::WrapNegate(x);
    } else if (rotation == 2) {
        x = qel::WrapNegate(x);
        y = qel::WrapNegate(y);
    } else if (rotation == 3) {
        std::swap(x, y);
        y = qel::WrapNegate(y);
    }
    FSamples[index].SetValues(aTimeStampInMS, x, y, aSample.ZinMM(), antenna, aSample.Quality(), 0,
                              aSample.DistanceMM(), aSample.SpeedMMS(), aSample.AccelMMSS());

    // 10 Hz link, written under the index lock because the live update rewrites slots.
    {
        std::lock_guard lock(FCriticalIndexSection);
        try {
            Grow10HzIndex(slot + 1);
        } catch (const qel::ESampleRefused& e) {
            Refuse(e);
        }
        InitializeSlotsUpTo(slot);
        FSampleIdx10Hz[slot].setLastSampleIndex(index);
    }
    FSampleCount.store(index + 1, std::memory_order_release);

    // Telemetry
    const int kind = aSample.TelemetryType() & 0xFC;
    const bool useTelemetryIDs = FDataSet && FDataSet->UseTelemetryIDs();
    try {
        switch (useTelemetryIDs ? kind : KindHeartRateInterval) {
            case KindHeartRateInterval:
            case KindDataBeatsPerMinute:
                AddHeartbeatSample(aTimeStampInMS, aSample);
                break;
            case KindAccelerometer:
                AddAccelerometerSample(aTimeStampInMS, aSample);
                break;
            case KindBattery:
                AddBatterySample(aTimeStampInMS, aSample);
                break;
            case KindBeatsPerMinute:
                AddHeartbeatBPM(aTimeStampInMS, aSample.TelemetryData(), aSample.TelemetryType());
                break;
            default:
                break;
        }
    } catch (const qel::ESampleRefused& e) {
        Refuse(e);
    }
}

void TqelTransponderData::AddHeartbeatSample(int32_t aTimeStampInMS, const RqelLPMSample& aSample) {
    const int32_t index = FHeartbeatCount.load(std::memory_order_relaxed);
    if (index == 0) {
        FHeartbeatFiltered = false;
    } else {
        const RqelHeartbeatSample& last = FHeartbeat[index - 1];
        if (last.TelemetryType() == aSample.TelemetryType() &&
            last.TelemetryData() == aSample.TelemetryData()) {
            return;  // the same telemetry repeated
        }
    }
    AddHeartbeat(aTimeStampInMS, aSample.TelemetryData(), aSample.TelemetryType());
}

void TqelTransponderData::AddAccelerometerSample(int32_t aTimeStampInMS,
                                                 const RqelLPMSample& aSample) {
    const int32_t index = FAccelerometerCount.load(std::memory_order_relaxed);
    if (index >= FAccelerometer.Capacity()) {
        FAccelerometer.Grow();
        FAccelerometerFiltered.Grow();
    }
    const int32_t slot = aTimeStampInMS / 100;
    while (slot >= FAccelerometerIdx10Hz.Capacity()) {
        FAccelerometerIdx10Hz.Grow(-1);
    }
    // Both low bits of the type byte clear: the 8 g range.
    const bool range8G = (aSample.TelemetryType() & 3) == 0;
    FAccelerometer[index].SetData(aTimeStampInMS, aSample.TelemXAcceleration(),
                                  aSample.TelemYAcceleration(), aSample.TelemZAcceleration(),
                                  range8G);
    FilterAccelerometerData(index);
    // Slots of a gap without samples refer to the sample before it.
    for (int32_t gap = FAccelerometerIdx10HzLast + 1; gap < slot; ++gap) {
        PublishIndex(FAccelerometerIdx10Hz[gap], index - 1);
    }
    FAccelerometerIdx10HzLast = slot;
    PublishIndex(FAccelerometerIdx10Hz[slot], index);
    FAccelerometerCount.store(index + 1, std::memory_order_release);
}

void TqelTransponderData::FilterAccelerometerData(int32_t anAccelIndex) {
    FAccelerometerFiltered[anAccelIndex] = qel::FilterAccelerometerSample(
        FAccelerometerFilteringData, FAccelerometer[anAccelIndex], anAccelIndex == 0);
}

void TqelTransponderData::AddBatterySample(int32_t aTimeStampInMS, const RqelLPMSample& aSample) {
    const int32_t index = FBatteryCount.load(std::memory_order_relaxed);
    if (index >= FBatteryStatus.Capacity()) {
        FBatteryStatus.Grow();
    }
    if (!TelemetryCheckByte(aSample.Telemetry())) {
        return;
    }
    RqelBatterySample& sample = FBatteryStatus[index];
    sample.setTimeStampInMS(aTimeStampInMS);
    sample.setFlag(aSample.TelemetryType());
    sample.setVoltage(aSample.TelemetryData());
    sample.setCRC(aSample.TelemetryCRC());
    FBatteryCount.store(index + 1, std::memory_order_release);
}
