#include "model/transponder/telemetry_samples.h"

#include <gtest/gtest.h>

#include "model/transponder/record_stream.h"

namespace {

// Written from the heartbeat layout: 5,000 ms, type 61, not a spike, 512/1024 s between beats.
const uint8_t kHeartbeat[8] = {0x88, 0x13, 0x00, 0x00, 0x3D, 0x00, 0x00, 0x02};
// Written from the battery layout: 70,000 ms, flag 0x65, 3,700 mV (at the odd offset 5), CRC 0xA5.
const uint8_t kBattery[8] = {0x70, 0x11, 0x01, 0x00, 0x65, 0x74, 0x0E, 0xA5};

RqelHeartbeatSample Heartbeat(int32_t aTime, uint8_t aType, uint16_t aData, uint8_t anInvalid = 0) {
    RqelHeartbeatSample sample;
    sample.setFTimestampInMS(aTime);
    sample.setTelemetryType(aType);
    sample.setTelemetryData(aData);
    sample.setTelemetryInvalid(anInvalid);
    return sample;
}

}  // namespace

TEST(HeartbeatSample, WritesAndReadsTheHandWrittenBytes) {
    EXPECT_EQ(WrittenBytes(Heartbeat(5000, 61, 512)), Fixture(kHeartbeat));
    const auto read = ReadRecord<RqelHeartbeatSample>(kHeartbeat);
    EXPECT_EQ(read.GetTimestampInMS(), 5000);
    EXPECT_FALSE(read.GetInvalid());
    EXPECT_EQ(read.TelemetryType(), 61);
    EXPECT_EQ(read.TelemetryInvalid(), 0);
    EXPECT_EQ(read.TelemetryData(), 512);
    EXPECT_EQ(read.GetHeartbeat(true, false), 120.0);
}

TEST(HeartbeatSample, HeartRateByTypeSpikeAndSetting) {
    const struct {
        const char* name;
        RqelHeartbeatSample sample;
        bool useIDs, showSpikes;
        double expected;
    } cases[] = {
        {"interval 1/1024 s", Heartbeat(5000, 61, 512), true, false, 120.0},
        {"interval, not whole", Heartbeat(5000, 60, 500), true, false, 122.88},
        {"bpm in the high byte", Heartbeat(5000, 57, 0x78FF), true, false, 120.0},
        {"interval in ms", Heartbeat(5000, 1, 500), true, false, 120.0},
        {"interval in ms, 252", Heartbeat(5000, 252, 400), true, false, 150.0},
        {"interval in ms, 255", Heartbeat(5000, 255, 480), true, false, 125.0},
        {"zero interval", Heartbeat(5000, 61, 0), true, false, 0.0},
        {"zero ms interval", Heartbeat(5000, 252, 0), true, false, 0.0},
        {"unknown type", Heartbeat(5000, 100, 512), true, false, 0.0},
        {"unknown spike", Heartbeat(5000, 100, 512, 1), true, false, 0.0},
        {"invalid", Heartbeat(-5000, 61, 512), true, true, 0.0},
        {"spike hidden", Heartbeat(5000, 61, 512, 1), true, false, 1.0},
        {"spike shown", Heartbeat(5000, 61, 512, 1), true, true, 120.0},
        {"replacement hidden", Heartbeat(5000, 61, 512, 118), true, false, 118.0},
        {"replacement shown", Heartbeat(5000, 61, 512, 118), true, true, 120.0},
        {"ids off: every type an interval", Heartbeat(5000, 57, 0x7800), false, false, 2.0},
        {"ids off: unknown type", Heartbeat(5000, 100, 512), false, false, 120.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(c.sample.GetHeartbeat(c.useIDs, c.showSpikes), c.expected) << c.name;
    }
    // The raw rate ignores both the invalid mark and the spike flag.
    EXPECT_EQ(Heartbeat(-5000, 61, 512, 1).RawHeartbeat(true), 120.0);
}

TEST(HeartbeatSample, InvalidMarkIsTheSign) {
    RqelHeartbeatSample sample = Heartbeat(5000, 61, 512);
    sample.SetInvalid(true);
    EXPECT_EQ(sample.FTimestampInMS(), -5000);
    EXPECT_EQ(sample.GetTimestampInMS(), 5000);
    sample.SetInvalid(true);
    EXPECT_EQ(sample.FTimestampInMS(), -5000);

    RqelHeartbeatSample copy;
    copy.Assign(sample);
    EXPECT_FALSE(copy.GetInvalid());
    EXPECT_EQ(copy.GetTimestampInMS(), 5000);
    EXPECT_EQ(copy.TelemetryData(), 512);

    sample.AddTimeInMS(1000);
    EXPECT_TRUE(sample.GetInvalid());
    EXPECT_EQ(sample.GetTimestampInMS(), 6000);
    sample.SetInvalid(false);
    EXPECT_EQ(sample.FTimestampInMS(), 6000);

    RqelHeartbeatSample atZero = Heartbeat(0, 61, 512);
    atZero.SetInvalid(true);
    EXPECT_FALSE(atZero.GetInvalid());

    // A valid sample moved below 0 reads invalid; moving it back on does not make it valid.
    RqelHeartbeatSample early = Heartbeat(500, 61, 512);
    early.AddTimeInMS(-1000);
    EXPECT_TRUE(early.GetInvalid());
    EXPECT_EQ(early.GetTimestampInMS(), 500);
    early.AddTimeInMS(1000);
    EXPECT_TRUE(early.GetInvalid());
    EXPECT_EQ(early.GetTimestampInMS(), 1500);

    early.Clear();
    EXPECT_EQ(WrittenBytes(early), QByteArray(8, '\0'));
}

TEST(BatterySample, WritesAndReadsTheHandWrittenBytes) {
    RqelBatterySample sample;
    sample.setTimeStampInMS(70000);
    sample.setFlag(0x65);
    sample.setVoltage(3700);
    sample.setCRC(0xA5);
    EXPECT_EQ(WrittenBytes(sample), Fixture(kBattery));

    const auto read = ReadRecord<RqelBatterySample>(kBattery);
    EXPECT_EQ(read.TimeStampInMS(), 70000);
    EXPECT_EQ(read.Flag(), 0x65);
    EXPECT_EQ(read.Voltage(), 3700);
    EXPECT_EQ(read.CRC(), 0xA5);
}

TEST(AccelerometerFiltered, AccelerationIsTheMagnitude) {
    RqelAccelerometerFiltered sample{100, 2.0f, -3.0f, 6.0f, 1.0};
    EXPECT_DOUBLE_EQ(sample.GetAcceleration(), 7.0);
}
