#include <cmath>

#include "analysis/framework/accel_info.h"
#include "analysis/framework/heart_info.h"
#include "analysis/framework/speed_info.h"
#include "analysis/framework/zone_slot_values.h"
#include "analysis/zone_fixture.h"
#include "model/transponder/sample_index.h"
#include "platform/exception.h"

namespace qel::test {
namespace {

using AccelInfo = ZoneFixture;
using HeartInfo = ZoneFixture;

TEST_F(AccelInfo, DecelerationsSplitOnAndOff) {
    TqelAccelInfo& joined = *Make().AccelInfo();
    EXPECT_FALSE(joined.SplitDecelBins());
    EXPECT_EQ(joined.DecelBinCount(), 0);
    Run(joined, {.Distance = 10, .Acceleration = -3});
    Run(joined, {.Distance = 10, .Acceleration = 1.5});
    Run(joined, {.Acceleration = 9, .OnField = false});
    Run(joined, {.Acceleration = -9, .ClockRunning = false});
    EXPECT_EQ(joined.GetAccelBin(1).CumTimeInMS, 100);
    EXPECT_EQ(joined.GetAccelBin(0).CumTimeInMS, 100);
    EXPECT_DOUBLE_EQ(joined.MaxAccel(), 1.5);
    EXPECT_DOUBLE_EQ(joined.MaxDecel(), -3);
    EXPECT_EQ(joined.TotalTimeInMS(), 200);
    EXPECT_THROW(joined.GetDecelBin(0), EArgumentOutOfRangeException);

    definition.setSplitAccelAndDecel(true);
    TqelAccelInfo& split = *Make().AccelInfo();
    ASSERT_TRUE(split.SplitDecelBins());
    Repeat(split, {.Acceleration = -3}, 3);
    Repeat(split, {.Acceleration = 3}, 2);
    EXPECT_EQ(split.GetDecelBin(1).CumTimeInMS, 300);
    EXPECT_EQ(split.GetDecelBin(1).Count, 1);
    EXPECT_EQ(split.GetAccelBin(1).CumTimeInMS, 200);
    EXPECT_EQ(split.TotalTimeInMS(), 500);
    EXPECT_DOUBLE_EQ(split.AccelIndex(), 200 / 60000.0 * 2);
    EXPECT_DOUBLE_EQ(split.DecelIndex(), 300 / 60000.0 * 4);
    EXPECT_EQ(split.DistrAccel(), QStringLiteral("0.00;100.00"));
    EXPECT_EQ(split.DistrDecel(), QStringLiteral("0.00;100.00"));
    EXPECT_EQ(split.DistrValueDecel(), QStringLiteral("0.00;100.00"));
    EXPECT_EQ(Make().AccelInfo()->DistrValueAccel(), QString());
}

TEST_F(AccelInfo, RelativeZonesFallBackToAbsoluteWithoutBothMaxima) {
    definition.setAccelZone(1);
    transponder.MaxAcceleration = 4;
    transponder.MaxDeceleration = 2;
    TqelAccelInfo& relative = *Make().AccelInfo();
    Run(relative, {.Acceleration = 1.0});   // 25 %
    Run(relative, {.Acceleration = -1.5});  // 75 %
    EXPECT_EQ(relative.GetAccelBin(0).CumTimeInMS, 100);
    EXPECT_EQ(relative.GetAccelBin(1).CumTimeInMS, 100);

    transponder.MaxDeceleration = 0;
    TqelAccelInfo& absolute = *Make().AccelInfo();
    Run(absolute, {.Acceleration = 3.0});  // 3, not 75 %
    EXPECT_EQ(absolute.GetAccelBin(0).CumTimeInMS, 100);
    Run(absolute, {.Acceleration = 150.0});  // above every zone
    EXPECT_EQ(absolute.TotalTimeInMS(), 100);
}

TEST_F(HeartInfo, CountsOnAndOffTheFieldWithHighIntensity) {
    definition.setHeartbeatHIPerc(90);
    transponder.MaxHeartbeat = 25;  // no real maximum: 200 is used
    TqelHeartInfo& heart = *Make().HeartInfo();
    Run(heart, {.Heartbeat = 190, .OnField = false, .ClockRunning = false});  // 95 %
    Run(heart, {.Heartbeat = 150.5});                                         // 150 (to even), 75 %
    Run(heart, {.Heartbeat = 0});
    Run(heart, {.Heartbeat = 150});
    EXPECT_EQ(heart.HITimeInMS(), 100);
    EXPECT_EQ(heart.TotalTimeInMS(), 300);
    EXPECT_EQ(heart.GetBin(2).CumTimeInMS, 100);
    EXPECT_EQ(heart.GetBin(1).CumTimeInMS, 200);
    EXPECT_EQ(heart.GetBin(1).Count, 2);  // the 0 in between left the zone
    EXPECT_EQ(heart.MinHB(), 150);
    EXPECT_EQ(heart.MaxHB(), 190);
    EXPECT_DOUBLE_EQ(heart.Index(), 100 * 3.0 / 60000 + 200 * 2.0 / 60000);
    EXPECT_EQ(heart.Distr(), QStringLiteral("0.00;66.67;33.33"));
    EXPECT_EQ(heart.DistrValue(), QStringLiteral("0.00;57.14;42.86"));
    EXPECT_THROW(heart.GetBin(3), EArgumentOutOfRangeException);

    // Relative zones: the percentage picks the zone.
    definition.setHeartrateZone(1);
    transponder.MaxHeartbeat = 180;
    TqelHeartInfo& relative = *Make().HeartInfo();
    Run(relative, {.Heartbeat = 153});  // 85 %
    EXPECT_EQ(relative.GetBin(1).CumTimeInMS, 100);
    EXPECT_EQ(relative.HITimeInMS(), 0);
    EXPECT_EQ(Make().HeartInfo()->Distr(), QString());
    EXPECT_EQ(calc->HeartInfo()->DistrValue(), QString());
}

// 150 bpm until 100 s, then 1 bpm less every second down to 90 at 160 s.
double Recovery(int32_t t) {
    if (t <= 100000) {
        return 150;
    }
    return t >= 160000 ? 90 : 150 - (t - 100000) / 1000.0;
}

TEST_F(HeartInfo, FinalizeFindsEndOfPartAndRecoveryRates) {
    transponder.Heartbeat = Recovery;
    transponder.AverageHeartbeat = 131.5;
    struct Case {
        bool Only1Min;
        int32_t HB0Time, HB1Time, HB2Time, HBEnd1Min, HBEnd2Min, HR1Min, HR2Min;
    } cases[] = {
        // The first largest drop: 150 at 90 s to 90 at 160 s; the lowest of the first minute
        // after 90 s is 101 at 149 s.
        {false, 90000, 149000, 160000, 101, 90, 33, 40},
        // Within one minute the largest drop starts at 100 s.
        {true, 100000, 160000, 160000, 90, 0, 40, -1},
    };
    for (const Case& c : cases) {
        definition.setHeartrateOnly1minute(c.Only1Min);
        TqelHeartInfo& heart = *Make(0, 120000).HeartInfo();
        Run(heart, {.Heartbeat = 170});
        heart.Finalize();
        EXPECT_DOUBLE_EQ(heart.Average(), 131.5);
        EXPECT_EQ(heart.MaxHB(), 150);  // the steadiest maximum replaces the running one
        EXPECT_EQ(heart.MaxHBTime(), 0);
        EXPECT_EQ(heart.HBEndPart(), 150);
        EXPECT_EQ(heart.HB0Time(), c.HB0Time);
        EXPECT_EQ(heart.HB1Time(), c.HB1Time);
        EXPECT_EQ(heart.HB2Time(), c.HB2Time);
        EXPECT_EQ(heart.HBEnd1Min(), c.HBEnd1Min);
        EXPECT_EQ(heart.HBEnd2Min(), c.HBEnd2Min);
        EXPECT_EQ(heart.HR1Min(), c.HR1Min);
        EXPECT_EQ(heart.HR2Min(), c.HR2Min);
    }
}

TEST_F(HeartInfo, FinalizeWithoutDropOrSteadyMaximum) {
    transponder.Heartbeat = [](int32_t) { return 120.0; };
    TqelHeartInfo& flat = *Make(0, 120000).HeartInfo();
    flat.Finalize();
    EXPECT_EQ(flat.HBEndPart(), 0);
    EXPECT_EQ(flat.HBEnd1Min(), 0);
    EXPECT_EQ(flat.HBEnd2Min(), 0);
    EXPECT_EQ(flat.HR1Min(), -1);
    EXPECT_EQ(flat.HR2Min(), -1);
    EXPECT_EQ(flat.MaxHB(), 120);

    // A curve without heart rates finds nothing and raises nothing.
    transponder.Heartbeat = [](int32_t) { return std::nan(""); };
    TqelHeartInfo& none = *Make(0, 120000).HeartInfo();
    none.Finalize();
    EXPECT_EQ(none.HR1Min(), -1);

    // Every 30 s spreads by 40 bpm: no steady maximum, the running one stays.
    transponder.Heartbeat = [](int32_t t) { return (t / 1000) % 2 ? 100.0 : 140.0; };
    TqelHeartInfo& spiky = *Make(0, 120000).HeartInfo();
    Run(spiky, {.Time = 5000, .Heartbeat = 176});
    spiky.Finalize();
    EXPECT_EQ(spiky.MaxHB(), 176);
    EXPECT_EQ(spiky.MaxHBTime(), 0);
    EXPECT_EQ(spiky.HBEndPart(), 140);
}

TEST_F(AccelInfo, TheIndexesGoIntoTheSlot) {
    definition.setSplitAccelAndDecel(true);
    definition.setHeartbeatHIPerc(70);
    TqelCalculation& calculation = Make();
    Repeat(*calculation.SpeedInfo(), {.Speed = 3.0}, 7);          // 0.7 s × 2
    Repeat(*calculation.AccelInfo(), {.Acceleration = 3.0}, 6);   // 0.6 s × 2
    Repeat(*calculation.AccelInfo(), {.Acceleration = -3.0}, 3);  // 0.3 s × 4
    Repeat(*calculation.HeartInfo(), {.Heartbeat = 180}, 9);      // 0.9 s × 3
    RqelSampleIdx10Hz slot{};
    slot.setCumHMLDinMM(5);
    qel::StoreZoneIndexes(calculation, slot);
    EXPECT_EQ(slot.CumSpeedIndex(), 23);  // 700 / 60000 × 2 × 1000 = 23.3
    EXPECT_EQ(slot.CumAccelIndex(), 20);
    EXPECT_EQ(slot.CumDecelIndex(), 20);
    EXPECT_EQ(slot.CumHeartIndex(), 45);
    EXPECT_EQ(slot.CumHIHBTimeMS(), 900);
    EXPECT_EQ(slot.CumHMLDinMM(), 5);
}

}  // namespace
}  // namespace qel::test
