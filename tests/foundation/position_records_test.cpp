#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "foundation/position_records.h"
#include "platform/exception.h"

namespace {

RqelTelemetry MakeTelemetry(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    RqelTelemetry t;
    t.setByte0(b0);
    t.setByte1(b1);
    t.setByte2(b2);
    t.setByte3(b3);
    return t;
}

// The position behind kSampleBytes.
RqelPositionRec FixturePosition() {
    RqelPositionRec p = RqelPositionRec::Create();
    p.TimeStampInMS = 100000;
    p.AntennaID = 0x0605;
    p.Quality = 0x0807;
    p.XinMM = 0x0C0B0A09;
    p.YinMM = 0x100F0E0D;
    p.ZinMM = -123456789;
    p.DistanceInMM = 0x18171615;
    p.SpeedInMMS = 0x1A19;
    p.AccelInMMss = -300;
    p.Telemetry = MakeTelemetry(0xC6, 0x34, 0x12, 0x64);
    // Not part of the sample.
    p.VXinMMS = 77;
    p.Heartbeat = 150;
    return p;
}

// Written from the sample's layout table.
const uint8_t kSampleBytes[32] = {
    0x40, 0x42, 0x0F, 0x00,  // Timestamp 1000000 (0.1 ms)
    0x05, 0x06,              // AntennaID
    0x07, 0x08,              // Quality
    0x09, 0x0A, 0x0B, 0x0C,  // XinMM
    0x0D, 0x0E, 0x0F, 0x10,  // YinMM
    0xEB, 0x32, 0xA4, 0xF8,  // ZinMM -123456789
    0x15, 0x16, 0x17, 0x18,  // DistanceMM
    0x19, 0x1A,              // SpeedMMS
    0xD4, 0xFE,              // AccelMMSS -300
    0x64,                    // TelemetryType: telemetry byte 3
    0xC6,                    // TelemetryCRC: telemetry byte 0
    0x34, 0x12,              // TelemetryData: telemetry bytes 1 and 2
};

}  // namespace

TEST(LPMSample, FromPositionGivesTheHandWrittenBytes) {
    const RqelLPMSample sample = RqelLPMSample::FromPosition(FixturePosition());
    EXPECT_EQ(0, std::memcmp(sample.bytes, kSampleBytes, sizeof kSampleBytes));

    // Filling a used entry overwrites every byte.
    RqelLPMSample reused;
    std::memset(reused.bytes, 0xAA, sizeof reused.bytes);
    reused.AssignPosition(FixturePosition());
    EXPECT_EQ(0, std::memcmp(reused.bytes, kSampleBytes, sizeof kSampleBytes));
}

TEST(LPMSample, ReadsEveryFieldFromTheHandWrittenBytes) {
    RqelLPMSample s;
    std::memcpy(s.bytes, kSampleBytes, sizeof kSampleBytes);
    EXPECT_EQ(s.Timestamp(), 1000000u);
    EXPECT_EQ(s.AntennaID(), 0x0605);
    EXPECT_EQ(s.Quality(), 0x0807);
    EXPECT_EQ(s.XinMM(), 0x0C0B0A09);
    EXPECT_EQ(s.YinMM(), 0x100F0E0D);
    EXPECT_EQ(s.ZinMM(), -123456789);
    EXPECT_EQ(s.DistanceMM(), 0x18171615);
    EXPECT_EQ(s.SpeedMMS(), 0x1A19);
    EXPECT_EQ(s.AccelMMSS(), -300);
    EXPECT_EQ(s.TelemetryType(), 0x64);
    EXPECT_EQ(s.TelemetryCRC(), 0xC6);
    EXPECT_EQ(s.TelemetryData(), 0x1234);
    EXPECT_EQ(s.TelemZAcceleration(), -58);
    EXPECT_EQ(s.TelemXAcceleration(), 0x34);
    EXPECT_EQ(s.TelemYAcceleration(), 0x12);
    EXPECT_EQ(s.Telemetry().Value(), FixturePosition().Telemetry.Value());

    // The setters write the same bytes back.
    RqelLPMSample w;
    w.setTimestamp(s.Timestamp());
    w.setAntennaID(s.AntennaID());
    w.setQuality(s.Quality());
    w.setXinMM(s.XinMM());
    w.setYinMM(s.YinMM());
    w.setZinMM(s.ZinMM());
    w.setDistanceMM(s.DistanceMM());
    w.setSpeedMMS(s.SpeedMMS());
    w.setAccelMMSS(s.AccelMMSS());
    w.setTelemetryType(s.TelemetryType());
    w.setTelemetryCRC(s.TelemetryCRC());
    w.setTelemetryData(s.TelemetryData());
    EXPECT_EQ(0, std::memcmp(w.bytes, kSampleBytes, sizeof kSampleBytes));
}

TEST(LPMSample, TimestampIsTenthsOfMillisecondsIn32UnsignedBits) {
    RqelPositionRec p = RqelPositionRec::Create();
    p.TimeStampInMS = 429496730;  // x 10 passes 2^32
    EXPECT_EQ(RqelLPMSample::FromPosition(p).Timestamp(), 4u);
    p.TimeStampInMS = 86399999;
    EXPECT_EQ(RqelLPMSample::FromPosition(p).Timestamp(), 863999990u);
}

TEST(Telemetry, ViewsOfTheFourBytes) {
    const RqelTelemetry t = MakeTelemetry(0xC6, 0x34, 0x12, 0x64);
    EXPECT_EQ(t.Value(), 0x641234C6u);
    EXPECT_EQ(t.CRC(), 0xC6);
    EXPECT_EQ(t.Data(), 0x1234);
    EXPECT_EQ(t.Type_(), 0x64);
    EXPECT_EQ(t.TelemetryType(), qel::TelemetryTypeBattery);
    EXPECT_EQ(t.ZAxis(), -58);
    EXPECT_EQ(t.YAxis(), 0x34);
    EXPECT_EQ(t.XAxis(), 0x12);

    RqelTelemetry w;
    w.setValue(0x641234C6u);
    EXPECT_EQ(0, std::memcmp(w.bytes, t.bytes, 4));
    w.setData(0xBEEF);
    EXPECT_EQ(w.Byte1(), 0xEF);
    EXPECT_EQ(w.Byte2(), 0xBE);
}

TEST(Telemetry, CheckByteExamplesAndEverySingleBitChangeFails) {
    const struct {
        uint8_t b3, b2, b1, check;
    } examples[] = {{0x64, 0x12, 0x34, 0xC6}, {0x01, 0x00, 0x00, 0x03}, {0, 0, 0, 0}};
    for (const auto& e : examples) {
        const RqelTelemetry t = MakeTelemetry(e.check, e.b1, e.b2, e.b3);
        EXPECT_EQ(qel::TelemetryCheckValue(t), e.check);
        EXPECT_TRUE(t.CheckTelemertyCRC());
        EXPECT_TRUE(TelemetryCheckByte(t));
    }

    const RqelTelemetry good = MakeTelemetry(0xC6, 0x34, 0x12, 0x64);
    for (int byte = 1; byte <= 3; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            RqelTelemetry bad = good;
            bad.bytes[byte] ^= static_cast<uint8_t>(1u << bit);
            EXPECT_FALSE(bad.CheckTelemertyCRC()) << "byte " << byte << " bit " << bit;
            EXPECT_FALSE(TelemetryCheckByte(bad));
        }
    }
}

TEST(AccelerometerSample, LayoutIsSevenLittleEndianBytes) {
    RqelAccelerometerSample s;
    s.SetData(0x01020304, 1, -2, 3, true);
    const uint8_t expected[7] = {0x04, 0x03, 0x02, 0x81, 0x01, 0xFE, 0x03};
    EXPECT_EQ(0, std::memcmp(s.bytes, expected, 7));

    RqelAccelerometerSample r;
    std::memcpy(r.bytes, expected, 7);
    EXPECT_EQ(r.TimestampInMS(), 0x01020304);
    EXPECT_TRUE(r.HighRange());
    EXPECT_EQ(r.XAcceleration(), 1);
    EXPECT_EQ(r.YAcceleration(), -2);
    EXPECT_EQ(r.ZAcceleration(), 3);
}

TEST(AccelerometerSample, AxisValuesInG) {
    const struct {
        int8_t x;
        bool highRange;
        int axis;
        double g;
    } cases[] = {
        {100, true, 0, 100.0 / 14},
        {100, false, 0, 100.0 / 56},
        {-56, false, 0, -1.0},
        {static_cast<int8_t>(200), false, 0, -1.0},  // byte 200 is the count -56
        {100, true, 3, 0.0},
        {100, true, -1, 0.0},
    };
    for (const auto& c : cases) {
        RqelAccelerometerSample s;
        s.SetData(1000, c.x, 0, 0, c.highRange);
        EXPECT_EQ(s.TimestampInMS(), 1000);
        EXPECT_EQ(s.Divider(), c.highRange ? 14 : 56);
        EXPECT_DOUBLE_EQ(s.GetAccelValue(c.axis), c.g) << int(c.x) << " axis " << c.axis;
    }

    RqelAccelerometerSample s;
    s.SetData(0, 42, 56, 0, true);  // 3 g and 4 g
    EXPECT_DOUBLE_EQ(s.GetAcceleration(), 5.0);
    s.setHighRange(false);
    EXPECT_DOUBLE_EQ(s.GetAcceleration(), 1.25);
}

TEST(AccelerometerSample, TimeChangesKeepTheRangeFlag) {
    for (bool flag : {false, true}) {
        RqelAccelerometerSample s;
        s.SetData(1000, 1, 2, 3, flag);
        s.AddTimeInMS(500);
        EXPECT_EQ(s.TimestampInMS(), 1500);
        EXPECT_EQ(s.HighRange(), flag);
        s.setTimestampInMS(20);
        EXPECT_EQ(s.TimestampInMS(), 20);
        EXPECT_EQ(s.HighRange(), flag);
        // A time that would reach bit 31 must not switch the range.
        s.AddTimeInMS(-40);
        EXPECT_EQ(s.HighRange(), flag);
        s.setTimestampInMS(-1);
        EXPECT_EQ(s.HighRange(), flag);
        EXPECT_EQ(s.TimestampInMS(), 0x7FFFFFFF);
        EXPECT_EQ(s.XAcceleration(), 1);
    }
}

TEST(PositionRec, ClearKeepsQualityTelemetryAndAccelerometerAxes) {
    RqelPositionRec p = FixturePosition();
    p.Valid = true;
    p.DataState = ldsRemoved;
    p.BatteryState = 3;
    p.NumberBS = 5;
    p.Accel.SetData(1234, 10, 20, 30, true);
    p.Clear();

    EXPECT_EQ(p.Quality, 0x0807);
    EXPECT_EQ(p.Telemetry.Value(), 0x641234C6u);
    EXPECT_EQ(p.Accel.TimestampInMS(), 0);
    EXPECT_TRUE(p.Accel.HighRange());
    EXPECT_EQ(p.Accel.ZAcceleration(), 30);
    EXPECT_EQ(p.BatteryState, 65535);
    EXPECT_EQ(p.DataState, ldsOK);
    EXPECT_FALSE(p.Valid);
    EXPECT_EQ(p.AntennaID, 0);
    EXPECT_EQ(p.TimeStampInMS, 0);
    EXPECT_EQ(p.ZinMM, 0);
    EXPECT_EQ(p.VXinMMS, 0);
    EXPECT_EQ(p.Heartbeat, 0);
    EXPECT_EQ(p.NumberBS, 0);
    EXPECT_EQ(p.DistanceInMM, 0);
    EXPECT_EQ(p.SpeedInMMS, 0);
    EXPECT_EQ(p.AccelInMMss, 0);

    const RqelPositionRec created = RqelPositionRec::Create();
    EXPECT_EQ(created.BatteryState, 65535);
    EXPECT_EQ(created.DataState, ldsOK);
}

TEST(PositionRec, AssignKeepsDistanceSpeedAndAcceleration) {
    RqelPositionRec source = FixturePosition();
    source.Accel.SetData(99, -1, -2, -3, true);
    RqelPositionRec target = RqelPositionRec::Create();
    target.DistanceInMM = 7;
    target.SpeedInMMS = 500;
    target.AccelInMMss = -9;
    target.Assign(source);

    EXPECT_EQ(target.SpeedInMMS, 500);
    EXPECT_EQ(target.DistanceInMM, 7);
    EXPECT_EQ(target.AccelInMMss, -9);
    EXPECT_EQ(target.XinMM, source.XinMM);
    EXPECT_EQ(target.TimeStampInMS, source.TimeStampInMS);
    EXPECT_EQ(target.Heartbeat, source.Heartbeat);
    EXPECT_EQ(target.Telemetry.Value(), source.Telemetry.Value());
    EXPECT_EQ(0, std::memcmp(target.Accel.bytes, source.Accel.bytes, 7));
}

TEST(PositionRec, VelocityRoundsTheLengthIn64Bits) {
    // A sum of integer squares never has a root ending in exactly .5; the cases next to a half
    // show the rounding direction.
    const struct {
        int16_t vx, vy, vz;
        int32_t expected;
    } cases[] = {{3, 4, 0, 5}, {-3, -4, 0, 5}, {2, 1, 1, 2},  // sqrt 6 = 2.449
                 {2, 2, 2, 3},                                // sqrt 12 = 3.464
                 {2, 2, 1, 3}, {0, 0, 0, 0},   {-32768, -32768, -32768, 56756}};
    for (const auto& c : cases) {
        RqelPositionRec p = RqelPositionRec::Create();
        p.VXinMMS = c.vx;
        p.VYinMMS = c.vy;
        p.VZinMMS = c.vz;
        EXPECT_EQ(p.Velocity(), c.expected) << c.vx << "," << c.vy << "," << c.vz;
    }
}

TEST(PositionRec, RotateRADRoundsHalvesToEven) {
    // An angle next to 30 degrees whose sine is exactly 0.5: rotating (0, y) for odd y gives an
    // X of exactly -y / 2, a tie.
    double angle = std::numbers::pi / 6;
    for (int i = 0; i < 64 && std::sin(angle) != 0.5; ++i) {
        angle = std::nextafter(angle, std::sin(angle) < 0.5 ? 4.0 : 0.0);
    }
    ASSERT_EQ(std::sin(angle), 0.5);

    const struct {
        int32_t y;
        int32_t expectedX;
    } ties[] = {{5, -2}, {7, -4}, {-5, 2}, {-7, 4}, {1, 0}, {3, -2}};
    for (const auto& t : ties) {
        RqelPositionRec p = RqelPositionRec::Create();
        p.YinMM = t.y;
        p.ZinMM = 11;
        p.VXinMMS = 12;
        p.RotateRAD(angle);
        EXPECT_EQ(p.XinMM, t.expectedX) << t.y;
        EXPECT_EQ(p.YinMM, std::lround(std::cos(angle) * t.y)) << t.y;
        EXPECT_EQ(p.ZinMM, 11);
        EXPECT_EQ(p.VXinMMS, 12);
    }

    RqelPositionRec q = RqelPositionRec::Create();
    q.XinMM = 1000;
    q.YinMM = 2000;
    q.RotateRAD(std::numbers::pi / 2);
    EXPECT_EQ(q.XinMM, -2000);
    EXPECT_EQ(q.YinMM, 1000);
}

TEST(PositionRec, RotateRADRaisesWhenTheResultDoesNotFit) {
    RqelPositionRec p = RqelPositionRec::Create();
    p.XinMM = 2000000000;
    p.YinMM = 2000000000;
    EXPECT_THROW(p.RotateRAD(std::numbers::pi / 4), EInvalidOp);
    EXPECT_EQ(p.XinMM, 2000000000);
    EXPECT_EQ(p.YinMM, 2000000000);
    EXPECT_THROW(p.RotateRAD(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
}

TEST(CalculatedPosition, RotateInDegreesWithoutRounding) {
    RqelCalculatedPosition p;
    p.Init(1.5, 0.0, 2.0, 0.25, 3, 4, 17, true, true);
    p.Rotate(90);
    EXPECT_NEAR(p.XinM, 0.0, 1e-12);
    EXPECT_NEAR(p.YinM, 1.5, 1e-12);
    EXPECT_EQ(p.ZinM, 2.0);
    p.RotateRAD(std::numbers::pi);
    EXPECT_NEAR(p.YinM, -1.5, 1e-12);
    EXPECT_EQ(p.TransponderID, 17);

    p.Clear();
    EXPECT_EQ(p.XinM, 0.0);
    EXPECT_EQ(p.SpikeHigh, 0);
    EXPECT_FALSE(p.OnField);
    EXPECT_FALSE(p.ValideForSpeed);
}

TEST(CamSetting, ClearKeepsAudioGameOnIdAndStream) {
    TqelCamSetting s;
    s.CameraID = 3;
    s.FollowingAntennaIDs = {1, 2};
    s.TrackingMode = trkAuto;
    s.ZoomLevel = 9;
    s.IPAddress = QStringLiteral("10.0.0.5");
    s.CamState = comRecording;
    s.Presets = QStringList{QStringLiteral("Goal")};
    s.Manufacturer = QStringLiteral("Bosch");
    s.LineIndex = 4;
    s.Password = QStringLiteral("x");
    s.LPMStartTime = 1000;
    s.EnableAudio = true;
    s.GameOnID = QStringLiteral("g-1");
    s.RTSPStream = QStringLiteral("rtsp://cam/1");
    s.Clear();

    EXPECT_TRUE(s.EnableAudio);
    EXPECT_EQ(s.GameOnID, QStringLiteral("g-1"));
    EXPECT_EQ(s.RTSPStream, QStringLiteral("rtsp://cam/1"));
    EXPECT_EQ(s.CameraID, 0);
    EXPECT_TRUE(s.FollowingAntennaIDs.isEmpty());
    EXPECT_EQ(s.TrackingMode, trkNone);
    EXPECT_EQ(s.CamState, comNA);
    EXPECT_TRUE(s.IPAddress.isEmpty());
    EXPECT_TRUE(s.Presets.isEmpty());
    EXPECT_TRUE(s.Manufacturer.isEmpty());
    EXPECT_TRUE(s.Password.isEmpty());
    EXPECT_EQ(s.LineIndex, 0);
    EXPECT_EQ(s.LPMStartTime, 0);
}
