#pragma once

#include <memory>

#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/transponder/transponder_data.h"

namespace qel::test {

constexpr uint16_t kAntenna = 7;

// A live sample of kAntenna at (x, y) mm, 1.5 m high, without telemetry.
inline RqelLPMSample PositionSample(int32_t aXinMM, int32_t aYinMM,
                                    uint16_t anAntennaID = kAntenna) {
    RqelLPMSample sample;
    sample.setAntennaID(anAntennaID);
    sample.setXinMM(aXinMM);
    sample.setYinMM(aYinMM);
    sample.setZinMM(1500);
    sample.setQuality(0x7800);
    return sample;
}

// The same with a telemetry word: aType is the whole type byte; the check byte is made right
// unless aBadCheck.
inline RqelLPMSample TelemetrySample(uint8_t aType, uint16_t aData, bool aBadCheck = false) {
    RqelLPMSample sample = PositionSample(1000, 2000);
    RqelTelemetry telemetry;
    telemetry.setType_(aType);
    telemetry.setData(aData);
    telemetry.setCRC(qel::TelemetryCheckValue(telemetry) ^ (aBadCheck ? 0x5A : 0));
    sample.setTelemetry(telemetry);
    return sample;
}

// Accelerometer telemetry in counts; aHighRange: the 8 g range (type byte's low bits 0).
inline RqelLPMSample AccelerometerSample(int8_t aX, int8_t aY, int8_t aZ, bool aHighRange) {
    RqelLPMSample sample = PositionSample(1000, 2000);
    sample.setTelemetryType(aHighRange ? 124 : 125);
    sample.bytes[29] = static_cast<uint8_t>(aZ);
    sample.bytes[30] = static_cast<uint8_t>(aX);
    sample.bytes[31] = static_cast<uint8_t>(aY);
    return sample;
}

// A recording dataset with kAntenna registered as antenna 1 of its first transponder, and that
// transponder, announced so that its changes are reported.
class TransponderFixture : public ::testing::Test {
protected:
    TransponderFixture() {
        dataset.setAntennaEntry(kAntenna, {0, 1});
        tp = std::make_unique<TqelTransponderData>(&dataset, false);
        dataset.NotifyItemAdded(tp.get(), itemTransponder, 0);
        dataset.subscribeToSignals(&subscriber);
    }
    ~TransponderFixture() override {
        dataset.unsubscribeToSignals(&subscriber);
        tp.reset();
    }

    SignalLog log;
    LoggingSubscriber subscriber{QStringLiteral("S"), log};
    TqelDataset dataset;
    std::unique_ptr<TqelTransponderData> tp;
};

}  // namespace qel::test
