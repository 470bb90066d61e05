#include <cmath>
#include <functional>

#include "model/field/field.h"
#include "model/transponder/accelerometer_filter.h"
#include "transponder_fixture.h"

namespace {

using qel::test::AccelerometerSample;
using qel::test::PositionSample;
using qel::test::TelemetrySample;
using qel::test::TransponderFixture;

class SampleIntake : public TransponderFixture {};

struct IntakeCase {
    const char* name;
    bool useTelemetryIDs;
    double rotation;
    std::function<void(TqelDataset&, TqelTransponderData&)> add;
    std::function<void(TqelTransponderData&)> check;
};

TEST_F(SampleIntake, EdgeCases) {
    const IntakeCase cases[] = {
        {"negative time is ignored", false, 0,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(-1, PositionSample(1, 2)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.SampleCount(), 0);
             EXPECT_EQ(t.Sample10HzCount(), 0);
             EXPECT_EQ(t.HeartbeatCount(), 0);
         }},
        {"antenna slot 5 is ignored", false, 0,
         [](TqelDataset& d, TqelTransponderData& t) {
             d.setAntennaEntry(9, {0, 5});
             t.AddSample(10, PositionSample(1, 2, 9));
         },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.SampleCount(), 0);
             EXPECT_EQ(t.HeartbeatCount(), 0);
         }},
        {"antenna id beyond 14 bits has no slot", false, 0,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(10, PositionSample(1, 2, 20000)); },
         [](TqelTransponderData& t) {
             ASSERT_EQ(t.SampleCount(), 1);
             EXPECT_EQ(t.GetSampleAntenna(0), 0);
         }},
        {"rotation 1", false, 1,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(0, PositionSample(1000, 2000)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.GetSampleXinMM(0), -2000);
             EXPECT_EQ(t.GetSampleYinMM(0), 1000);
         }},
        {"rotation 2", false, 2,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(0, PositionSample(1000, 2000)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.GetSampleXinMM(0), -1000);
             EXPECT_EQ(t.GetSampleYinMM(0), -2000);
         }},
        {"rotation 3", false, 3,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(0, PositionSample(1000, 2000)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.GetSampleXinMM(0), 2000);
             EXPECT_EQ(t.GetSampleYinMM(0), -1000);
         }},
        {"negative X without rotation, and the other fields", false, 0,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(1234, PositionSample(-5, 7)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.GetSampleXinMM(0), -5);
             EXPECT_EQ(t.GetSampleYinMM(0), 7);
             EXPECT_EQ(t.GetSampleZinMM(0), 1500);
             EXPECT_EQ(t.GetSampleAntenna(0), 1);
             EXPECT_EQ(t.GetSampleQuality(0), 15);
             EXPECT_EQ(t.GetSampleTimeInMS(0), 1234);
         }},
        {"index grows by an hour", false, 0,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(3599999, PositionSample(1, 2)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.Sample10HzCount(), 36000);
             EXPECT_TRUE(t.Get10HzSlot(0).GetValid());
             EXPECT_EQ(t.Get10HzSlot(0).LastSampleIndex(), -1);
             EXPECT_EQ(t.Get10HzSlot(35999).LastSampleIndex(), 0);
         }},
        {"index grows by two hours", false, 0,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(3600000, PositionSample(1, 2)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.Sample10HzCount(), 72000);
             EXPECT_EQ(t.Get10HzSlot(36000).LastSampleIndex(), 0);
         }},
        {"two samples in one slot: the second is linked", false, 0,
         [](TqelDataset&, TqelTransponderData& t) {
             t.AddSample(510, PositionSample(1, 2));
             t.AddSample(590, PositionSample(3, 4));
         },
         [](TqelTransponderData& t) { EXPECT_EQ(t.Get10HzSlot(5).LastSampleIndex(), 1); }},
        {"repeated heart-rate telemetry is one heartbeat sample", true, 0,
         [](TqelDataset&, TqelTransponderData& t) {
             t.AddSample(0, TelemetrySample(61, 512));
             t.AddSample(40, TelemetrySample(61, 512));
             t.AddSample(1500, TelemetrySample(57, 0x7800));
         },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.SampleCount(), 3);
             ASSERT_EQ(t.HeartbeatCount(), 2);
             EXPECT_EQ(t.HeartbeatSample(0).GetTimestampInMS(), 0);
             EXPECT_EQ(t.GetRawHeartbeat(0), 120);
             EXPECT_EQ(t.GetRawHeartbeat(1), 120);
             EXPECT_EQ(t.HeartbeatIdx1Hz(0), 0);
             EXPECT_EQ(t.HeartbeatIdx1Hz(1), 1);
             EXPECT_EQ(t.HeartbeatIdx1Hz(2), -1);
             EXPECT_EQ(t.HeartbeatIdx1HzCapacity(), 3600);
             EXPECT_FALSE(t.HeartbeatFiltered());
         }},
        {"without telemetry ids every kind is a heartbeat", false, 0,
         [](TqelDataset&, TqelTransponderData& t) {
             t.AddSample(0, AccelerometerSample(1, 2, 3, false));
             t.AddSample(100, TelemetrySample(100, 3700));
         },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.HeartbeatCount(), 2);
             EXPECT_EQ(t.AccelerometerCount(), 0);
             EXPECT_EQ(t.BatteryCount(), 0);
         }},
        {"other telemetry kinds store the position only", true, 0,
         [](TqelDataset&, TqelTransponderData& t) { t.AddSample(0, TelemetrySample(40, 1)); },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.SampleCount(), 1);
             EXPECT_EQ(t.HeartbeatCount() + t.AccelerometerCount() + t.BatteryCount(), 0);
         }},
        {"accelerometer gap of two slots", true, 0,
         [](TqelDataset&, TqelTransponderData& t) {
             t.AddSample(1000, AccelerometerSample(1, 2, 3, true));
             t.AddSample(1300, AccelerometerSample(1, 2, 3, false));
         },
         [](TqelTransponderData& t) {
             ASSERT_EQ(t.AccelerometerCount(), 2);
             EXPECT_EQ(t.AccelerometerIdx10Hz(10), 0);
             EXPECT_EQ(t.AccelerometerIdx10Hz(11), 0);
             EXPECT_EQ(t.AccelerometerIdx10Hz(12), 0);
             EXPECT_EQ(t.AccelerometerIdx10Hz(13), 1);
             EXPECT_EQ(t.AccelerometerIdx10Hz(14), -1);
             EXPECT_TRUE(t.AccelerometerSample(0).HighRange());
             EXPECT_FALSE(t.AccelerometerSample(1).HighRange());
             EXPECT_EQ(t.AccelerometerSample(1).TimestampInMS(), 1300);
             EXPECT_EQ(t.AccelerometerSample(1).XAcceleration(), 1);
             EXPECT_EQ(t.AccelerometerSample(1).YAcceleration(), 2);
             EXPECT_EQ(t.AccelerometerSample(1).ZAcceleration(), 3);
         }},
        {"accelerometer gap of one slot", true, 0,
         [](TqelDataset&, TqelTransponderData& t) {
             t.AddSample(1000, AccelerometerSample(1, 2, 3, true));
             t.AddSample(1200, AccelerometerSample(1, 2, 3, true));
         },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.AccelerometerIdx10Hz(11), 0);
             EXPECT_EQ(t.AccelerometerIdx10Hz(12), 1);
         }},
        {"battery: a wrong check byte is dropped, a right one kept", true, 0,
         [](TqelDataset&, TqelTransponderData& t) {
             t.AddSample(0, TelemetrySample(101, 3700, true));
             t.AddSample(100, TelemetrySample(101, 3800));
         },
         [](TqelTransponderData& t) {
             EXPECT_EQ(t.SampleCount(), 2);
             ASSERT_EQ(t.BatteryCount(), 1);
             EXPECT_EQ(t.BatteryCapacity(), 240);
             EXPECT_EQ(t.BatterySample(0).TimeStampInMS(), 100);
             EXPECT_EQ(t.BatterySample(0).Flag(), 101);
             EXPECT_EQ(t.BatterySample(0).Voltage(), 3800);
         }},
    };
    for (const IntakeCase& c : cases) {
        SCOPED_TRACE(c.name);
        dataset.setUseTelemetryIDs(c.useTelemetryIDs);
        dataset.Field()->setTransposeRotationdegrees(static_cast<uint8_t>(c.rotation));
        TqelTransponderData t(&dataset, false);
        c.add(dataset, t);
        c.check(t);
    }
}

TEST_F(SampleIntake, RefusesATimeThatWouldWrapAndCountsIt) {
    tp->AddSample(26843545, PositionSample(1, 2));
    EXPECT_EQ(tp->GetSampleTimeInMS(0), 26843545);
    EXPECT_THROW(tp->AddSample(26843546, PositionSample(1, 2)), qel::ESampleRefused);
    EXPECT_EQ(tp->SampleCount(), 1);
    EXPECT_EQ(tp->RefusedSampleCount(), 1);
    EXPECT_EQ(tp->Get10HzIndex(26843545), -1);  // the live update has not reached it
}

TEST_F(SampleIntake, AFullBlockTableRefusesTheAppendAndKeepsThePosition) {
    tp->HeartbeatForTest().setBlockLimit(1);
    for (int i = 0; i < TqelTransponderData::HeartbeatStep; ++i) {
        tp->AddSample(i * 10, TelemetrySample(61, static_cast<uint16_t>(500 + i)));
    }
    EXPECT_EQ(tp->HeartbeatCount(), TqelTransponderData::HeartbeatStep);
    EXPECT_THROW(tp->AddSample(30000, TelemetrySample(61, 400)), qel::ESampleRefused);
    EXPECT_EQ(tp->RefusedSampleCount(), 1);
    EXPECT_EQ(tp->HeartbeatCount(), TqelTransponderData::HeartbeatStep);
    EXPECT_EQ(tp->SampleCount(), TqelTransponderData::HeartbeatStep + 1);
}

TEST_F(SampleIntake, AFullRawSampleTableRefusesThePositionItself) {
    tp->SamplesForTest().setBlockLimit(1);
    for (int i = 0; i < TqelTransponderData::SampleStep; ++i) {
        tp->AddSample(i / 20, PositionSample(1, 2));
    }
    EXPECT_THROW(tp->AddSample(30000, PositionSample(1, 2)), qel::ESampleRefused);
    EXPECT_EQ(tp->SampleCount(), TqelTransponderData::SampleStep);
    EXPECT_EQ(tp->RefusedSampleCount(), 1);
    EXPECT_EQ(tp->Get10HzSlot(300).LastSampleIndex(), -1);
}

TEST(TransponderWithoutDataset, AllocatesNothingUntilUsedAndStoresEverySample) {
    TqelTransponderData t(nullptr, true);
    EXPECT_EQ(t.SampleCapacity(), 0);
    EXPECT_EQ(t.Sample10HzCount(), 0);
    EXPECT_FALSE(t.PositionCacheAllocated());
    t.AddSample(100, qel::test::PositionSample(1, 2, 12345));
    EXPECT_EQ(t.SampleCount(), 1);
    EXPECT_EQ(t.GetSampleAntenna(0), 0);
    EXPECT_EQ(t.HeartbeatCount(), 1);  // no telemetry ids: the word is a heartbeat
    EXPECT_FALSE(t.PositionCacheAllocated());
}

// A sensor lying still reads 1 g straight up. Seeded from a first reading along X, the gravity
// estimate turns to the still reading and the linear acceleration goes to 0.
TEST_F(SampleIntake, StillAccelerometerConvergesToOneGAndNoLinearAcceleration) {
    dataset.setUseTelemetryIDs(true);
    tp->AddSample(0, AccelerometerSample(56, 0, 0, false));
    const RqelAccelerometerFiltered& first = tp->AccelerometerFiltered(0);
    EXPECT_DOUBLE_EQ(first.LowPassGrav, 1.0);  // sample 0 seeds G with itself
    EXPECT_FLOAT_EQ(first.XAcceleration, 0.0f);
    for (int i = 1; i <= 100; ++i) {
        tp->AddSample(i * 10, AccelerometerSample(0, 0, 56, false));
    }
    const RqelAccelerometerFiltered& early = tp->AccelerometerFiltered(1);
    EXPECT_GT(early.GetAcceleration(), 0.5);
    const RqelAccelerometerFiltered& last = tp->AccelerometerFiltered(100);
    EXPECT_EQ(last.TimeStampInMS, 1000);
    EXPECT_NEAR(last.LowPassGrav, 1.0, 1e-6);
    EXPECT_NEAR(last.XAcceleration, 0.0, 1e-6);
    EXPECT_NEAR(last.YAcceleration, 0.0, 1e-6);
    EXPECT_NEAR(last.ZAcceleration, 0.0, 1e-6);
}

TEST(AccelerometerFilter, ZeroGravityKeepsTheReading) {
    RqelAccelerometerFilteringData state;
    RqelAccelerometerSample zero;
    zero.SetData(5, 0, 0, 0, true);
    RqelAccelerometerFiltered filtered = qel::FilterAccelerometerSample(state, zero, true);
    EXPECT_EQ(filtered.LowPassGrav, 0);
    RqelAccelerometerSample tick;
    tick.SetData(6, 14, 0, 0, true);  // 1 g in the 8 g range
    state.Alpha = 1;                  // G stays 0: k = 1
    filtered = qel::FilterAccelerometerSample(state, tick, false);
    EXPECT_FLOAT_EQ(filtered.XAcceleration, 1.0f);
    EXPECT_EQ(filtered.TimeStampInMS, 6);
}

}  // namespace
