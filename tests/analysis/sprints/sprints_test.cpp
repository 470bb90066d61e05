#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "analysis/sprints/sprints_fixture.h"

namespace qel::test {
namespace {

using Sprints = SprintsFixture;

// Standing at 1.5 m/s from 900 ms; then from 1000 ms 100 ms at 3 m/s, 1200 ms at 6 m/s and
// 100 ms at 4.5 m/s with the clock stopped, moving from (5, 3) by 5 mm and 1 mm per ms; the own
// team has the ball until 1500 ms; 0.5 m/s at 2400 ms ends it in right-to-left play.
void RunRecordedSprint(TqelSprints& aSprints) {
    for (int32_t t = 900; t < 1000; t += 10) {
        SprintsFixture::Step(aSprints, {.TimeInMS = t, .Speed = 1.5});
    }
    for (int32_t t = 1000; t < 2400; t += 10) {
        SprintStep s{.TimeInMS = t, .Possession = t < 1500};
        s.Speed = t < 1100 ? 3.0 : t < 2300 ? 6.0 : 4.5;
        s.Accel = t == 1000 ? 3.0 : t == 1100 ? 4.0 : t < 1100 || t >= 2300 ? 0.0 : 1.0;
        s.Clock = t < 2300;
        s.X = 5 + (t - 1000) / 200.0;
        s.Y = 3 + (t - 1000) / 1000.0;
        s.FifaSpeed = s.Speed + 0.5;
        SprintsFixture::Step(aSprints, s);
    }
    SprintsFixture::Step(aSprints, {.TimeInMS = 2400, .Speed = 0.5, .Direction = pldRightToLeft});
}

TEST_F(Sprints, RecordedSprintByHand) {
    // Accelerations before the effort: only the 250 ms lead-in (745 to 994 ms) is scanned.
    transponder.Acceleration = [](int32_t t) {
        return t == 800 ? 4.5 : t == 744 || t == 995 ? 9.0 : 0.0;
    };
    transponder.AverageHeartbeat = 150.5;
    TqelSprints& sprints = Ready();
    RunRecordedSprint(sprints);

    ASSERT_EQ(sprints.SprintCount(), 1);
    const RSprintBin& s = sprints.GetSprint(0);
    EXPECT_EQ(s.StartTimeInMS, 995);
    EXPECT_EQ(s.EndTimeInMS, 2395);
    EXPECT_EQ(s.DurationInMS(), 1400);
    EXPECT_EQ(s.MaxSpeedMS, 6.0);
    EXPECT_EQ(s.MaxFifaSpeed, 6.5);
    EXPECT_EQ(s.LastSpeed, 4.5);
    EXPECT_EQ(s.MaxAccelerationMS2, 4.5);
    EXPECT_EQ(s.AccelStartTimeInMS, 745);
    EXPECT_EQ(s.SprintTimeInMS, 1200);
    EXPECT_EQ(s.HIDSpeedTimeInMS, 1300);
    EXPECT_DOUBLE_EQ(s.HIDDistanceInMM, 120 * 60 + 10 * 45);
    EXPECT_DOUBLE_EQ(s.SprintDistanceInMM, 10 * 30 + 120 * 60 + 10 * 45);
    // 150.5 rounds half to even.
    EXPECT_EQ(s.AvgHeartbeat, 150);
    // Zone times with the clock running: 100 ms in zone 1 (weight 2), 1200 ms in zone 3 (4).
    EXPECT_DOUBLE_EQ(s.SpeedIndex, 100 / 60000.0 * 2 + 1200 / 60000.0 * 4);
    // 0.01 s x (3.00882 + 9 at the first step, 9 x 3.00882, 6.61056 + 24, 119 x 12.61056).
    EXPECT_NEAR(s.ETLIndex, 15.703554, 1e-9);
    // 1300 ms from 4 m/s, 1200 ms from 5.5 m/s, none from 6.5 m/s: the second category.
    EXPECT_EQ(s.SprintCategory, 2);
    EXPECT_EQ(s.StartPosXinM, 5.0);
    EXPECT_EQ(s.StartPosYinM, 3.0);
    EXPECT_EQ(s.EndPosXinM, 5 + 1390 / 200.0);
    EXPECT_EQ(s.EndPosYinM, 3 + 1390 / 1000.0);
    // Measured from +X towards +Y, turned by pi for the ending step's right-to-left play.
    EXPECT_NEAR(s.DirectionRAD, std::atan2(1.39, 6.95) - std::numbers::pi, 1e-12);
    EXPECT_EQ(s.DirectionText(), QStringLiteral("B"));
    EXPECT_EQ(s.PlayDirection, pldLeftToRight);
    EXPECT_EQ(s.StartFieldZone, 105);
    EXPECT_EQ(s.EndFieldZone, 211);
    // 10 standing steps of 15 mm and the first moving step's 30 mm.
    EXPECT_DOUBLE_EQ(s.CumDistanceStartInM, 0.18);
    EXPECT_EQ(s.DurationPossessionInMS, 500);
    EXPECT_EQ(s.DurationOpponentInMS, 900);
    EXPECT_TRUE(s.StartPossession);
    EXPECT_EQ(s.OnFieldTime, 1400);
    EXPECT_EQ(s.EffectiveTime, 1300);
    EXPECT_TRUE(s.InitClockRunning);

    EXPECT_DOUBLE_EQ(sprints.TotalDistance(), 150 + 7950 + 5);
    EXPECT_EQ(sprints.OpenRecord().StartTimeInMS, 0);
    EXPECT_EQ(sprints.SprintIndexSum(), s.SpeedIndex);
    EXPECT_EQ(sprints.SprintIndexAvg(), s.SpeedIndex);
    EXPECT_EQ(sprints.HIDistance(), s.HIDDistanceInMM);
    EXPECT_EQ(sprints.MaxSpeed(), 6.0);
    EXPECT_EQ(sprints.MaxAccel(), 4.5);
    EXPECT_EQ(sprints.AvgMaxSpeed(), 6.0);
    EXPECT_EQ(sprints.AvgMaxAccel(), 4.5);
    EXPECT_EQ(sprints.SprintsInZone(6, 7), 1);
    EXPECT_EQ(sprints.SprintsInZone(5, 6), 0);
    EXPECT_THROW(sprints.GetSprint(1), EArgumentOutOfRangeException);
    EXPECT_THROW(sprints.GetSprint(-1), EArgumentOutOfRangeException);
}

TEST_F(Sprints, WithoutSprintsEverySumIsZero) {
    TqelSprints& sprints = Ready();
    EXPECT_EQ(sprints.SprintCount(), 0);
    EXPECT_EQ(sprints.SprintIndexAvg(), 0.0);
    EXPECT_EQ(sprints.AvgMaxSpeed(), 0.0);
    EXPECT_EQ(sprints.AvgMaxAccel(), 0.0);
    EXPECT_EQ(sprints.MaxSpeed(), 0.0);
    EXPECT_EQ(sprints.HIDPossession(), 0.0);
    EXPECT_THROW(sprints.GetSprint(0), EArgumentOutOfRangeException);
}

TEST_F(Sprints, ScriptedSpeedProfiles) {
    struct Profile {
        const char* Name;
        int32_t StartMS;
        std::vector<Segment> Segments;
        bool Finalize;
        bool ShowInvalid;
        int32_t Count;
        // Of the first sprint.
        int32_t DurationMS;
    };
    const Profile profiles[] = {
        {"first step at 0 ms", 0, {{1500, 6}, {10, 0.5}}, false, false, 0, 0},
        {"first step at 1000 ms", 1000, {{1500, 6}, {10, 0.5}}, false, false, 1, 1500},
        {"sprint time not above the minimum", 1000, {{1000, 6}, {10, 0.5}}, false, false, 0, 0},
        {"short dip at 1.5 m/s",
         1000,
         {{1200, 6}, {300, 1.5}, {500, 6}, {10, 0.5}},
         false,
         false,
         1,
         2000},
        {"long dip at 1.5 m/s",
         1000,
         {{1200, 6}, {600, 1.5}, {1200, 6}, {10, 0.5}},
         false,
         false,
         2,
         1200},
        {"dip below 1 m/s",
         1000,
         {{1200, 6}, {10, 0.9}, {1200, 6}, {10, 0.5}},
         false,
         false,
         2,
         1200},
        {"1 s of 3 s effective, standing",
         1000,
         {{1000, 6}, {2000, 6, false}, {10, 0.5}},
         false,
         false,
         0,
         0},
        {"1 s of 3 s effective, at the end",
         1000,
         {{1000, 6}, {2000, 6, false}},
         true,
         false,
         1,
         3000},
        {"over-speed", 1000, {{1500, 11}, {10, 0.5}}, false, false, 0, 0},
        {"over-speed shown", 1000, {{1500, 11}, {10, 0.5}}, false, true, 1, 1500},
        {"open at the end, too short", 1000, {{1000, 6}}, true, false, 0, 0},
    };
    for (const Profile& p : profiles) {
        TqelSprints& sprints = Ready();
        calc->setSprintShowInvalid(p.ShowInvalid);
        Run(sprints, p.StartMS, p.Segments);
        if (p.Finalize) {
            sprints.Finalize();
        }
        ASSERT_EQ(sprints.SprintCount(), p.Count) << p.Name;
        EXPECT_EQ(sprints.OpenRecord().StartTimeInMS, 0) << p.Name;
        if (p.Count > 0) {
            const RSprintBin& first = sprints.GetSprint(0);
            EXPECT_EQ(first.DurationInMS(), p.DurationMS) << p.Name;
            EXPECT_EQ(first.StartTimeInMS, p.StartMS - 5) << p.Name;
            if (p.Finalize) {
                // Without an ending step there is no end zone or direction.
                EXPECT_EQ(first.EndFieldZone, 0) << p.Name;
                EXPECT_EQ(first.DirectionRAD, 0.0) << p.Name;
                EXPECT_EQ(first.EffectiveTime, 1000) << p.Name;
            } else {
                EXPECT_EQ(first.EndFieldZone, 100) << p.Name;
            }
        }
    }
}

TEST_F(Sprints, LeadIn) {
    struct Case {
        const char* Name;
        double MinAccel;
        double EffortAccel;
        int32_t LeadInMS;
    };
    // (2.0 - 1.0) m/s over 4 m/s² is 250 ms; 0.01 m/s² would be 100 s, capped at 10 s.
    const Case cases[] = {{"effort's maximum", 2.0, 4.0, 250},
                          {"minimum acceleration", 2.0, 0.5, 500},
                          {"both 0", 0, 0, 0},
                          {"both below 0", -1, -2, 0},
                          {"capped", 0.01, 0, TqelSprints::kMaxLeadInMS}};
    int32_t scanned = 0;
    int32_t firstScanned = INT32_MAX;
    transponder.Acceleration = [&](int32_t t) {
        ++scanned;
        firstScanned = std::min(firstScanned, t);
        return t == 980 ? 5.5 : 0.0;
    };
    for (const Case& c : cases) {
        scanned = 0;
        firstScanned = INT32_MAX;
        TqelSprints& sprints = Ready();
        calc->setAccelMinAccel(c.MinAccel);
        for (int32_t t = 1000; t < 2500; t += 10) {
            Step(sprints, {.TimeInMS = t, .Speed = 6, .Accel = c.EffortAccel});
        }
        Step(sprints, {.TimeInMS = 2500, .Speed = 0});
        ASSERT_EQ(sprints.SprintCount(), 1) << c.Name;
        const RSprintBin& s = sprints.GetSprint(0);
        EXPECT_EQ(s.AccelStartTimeInMS, 995 - c.LeadInMS) << c.Name;
        EXPECT_EQ(scanned, c.LeadInMS) << c.Name;
        if (c.LeadInMS > 0) {
            EXPECT_EQ(firstScanned, 995 - c.LeadInMS) << c.Name;
            EXPECT_EQ(s.MaxAccelerationMS2, 5.5) << c.Name;
        } else {
            EXPECT_EQ(s.MaxAccelerationMS2, c.EffortAccel) << c.Name;
        }
    }
}

TEST_F(Sprints, DirectionOfTheMoveInThePlayDirection) {
    struct Case {
        double DX;
        double DY;
        TqelPlayDirection Direction;
        const char* Text;
    };
    const Case cases[] = {{1, 0, pldLeftToRight, "F"},  {1, 0, pldRightToLeft, "B"},
                          {-1, 0, pldLeftToRight, "B"}, {-1, 0, pldRightToLeft, "F"},
                          {0, 1, pldLeftToRight, "R"},  {0, -1, pldLeftToRight, "L"},
                          {1, 1, pldLeftToRight, "FR"}, {-1, -1, pldRightToLeft, "FR"},
                          {0, 0, pldRightToLeft, "B"},  {0, 0, pldLeftToRight, "F"}};
    for (const Case& c : cases) {
        TqelSprints& sprints = Ready();
        for (int32_t t = 1000; t < 2500; t += 10) {
            const double share = (t - 1000) / 1490.0;
            Step(sprints, {.TimeInMS = t,
                           .Speed = 6,
                           .X = 10 + c.DX * 20 * share,
                           .Y = 5 + c.DY * 20 * share});
        }
        Step(sprints, {.TimeInMS = 2500, .Speed = 0, .Direction = c.Direction});
        ASSERT_EQ(sprints.SprintCount(), 1);
        EXPECT_EQ(sprints.GetSprint(0).DirectionText(), QString::fromLatin1(c.Text))
            << c.DX << " " << c.DY << " " << c.Direction;
    }
}

TEST(SprintBin, DirectionSectors) {
    struct Case {
        double Degrees;
        const char* Text;
    };
    const double e = 1e-9;
    const Case cases[] = {
        {0, "F"},           {22.5 - e, "F"},    {22.5 + e, "FR"},  {67.5 - e, "FR"},
        {67.5 + e, "R"},    {112.5 - e, "R"},   {112.5 + e, "BR"}, {157.5 - e, "BR"},
        {157.5 + e, "B"},   {180, "B"},         {-180 + e, "B"},   {-157.5 - e, "B"},
        {-157.5 + e, "BL"}, {-112.5 - e, "BL"}, {-112.5 + e, "L"}, {-67.5 - e, "L"},
        {-67.5 + e, "FL"},  {-22.5 - e, "FL"},  {-22.5 + e, "F"},
    };
    for (const Case& c : cases) {
        RSprintBin bin;
        bin.DirectionRAD = c.Degrees * std::numbers::pi / 180;
        EXPECT_EQ(bin.DirectionText(), QString::fromLatin1(c.Text)) << c.Degrees;
    }
}

TEST_F(Sprints, HIDPossessionWeighsByTheTimeInPossession) {
    TqelSprints& sprints = Ready();
    // 4 s of which 1 s in possession, 8000 mm at high intensity.
    for (int32_t t = 1000; t < 5000; t += 10) {
        Step(sprints, {.TimeInMS = t, .Speed = 6, .Possession = t < 2000, .Distance = 20});
    }
    Step(sprints, {.TimeInMS = 5000, .Speed = 0});
    // 2 s never in possession: not counted.
    for (int32_t t = 6000; t < 8000; t += 10) {
        Step(sprints, {.TimeInMS = t, .Speed = 6});
    }
    Step(sprints, {.TimeInMS = 8000, .Speed = 0});
    ASSERT_EQ(sprints.SprintCount(), 2);
    EXPECT_EQ(sprints.GetSprint(0).DurationInMS(), 4000);
    EXPECT_EQ(sprints.GetSprint(0).DurationPossessionInMS, 1000);
    EXPECT_EQ(sprints.GetSprint(1).DurationPossessionInMS, 0);
    EXPECT_DOUBLE_EQ(sprints.HIDPossession(), 2000);
    EXPECT_DOUBLE_EQ(sprints.HIDistance(), 8000 + 12000);
}

TEST_F(Sprints, InitStartsAfresh) {
    TqelSprints& sprints = Ready();
    RunRecordedSprint(sprints);
    Run(sprints, 3000, {{500, 6}});
    ASSERT_EQ(sprints.SprintCount(), 1);
    ASSERT_NE(sprints.OpenRecord().StartTimeInMS, 0);
    sprints.Init();
    EXPECT_EQ(sprints.SprintCount(), 0);
    EXPECT_EQ(sprints.TotalDistance(), 0.0);
    EXPECT_EQ(sprints.OpenRecord().StartTimeInMS, 0);
    // The next effort's index counts only its own zone time.
    Run(sprints, 10000, {{1500, 6}, {10, 0}});
    ASSERT_EQ(sprints.SprintCount(), 1);
    EXPECT_DOUBLE_EQ(sprints.GetSprint(0).SpeedIndex, 1500 / 60000.0 * 4);
}

TEST_F(Sprints, AddCopiesOnlyTheTimesSpeedsAndCategory) {
    transponder.Acceleration = [](int32_t t) { return t == 800 ? 4.5 : 0.0; };
    TqelSprints& source = Ready();
    RunRecordedSprint(source);
    const RSprintBin& s = source.GetSprint(0);
    TqelSprints target(*calc);
    target.Init();
    target.Add(source);
    target.Add(source);
    ASSERT_EQ(target.SprintCount(), 2);
    EXPECT_EQ(target.TotalDistance(), 2 * source.TotalDistance());
    EXPECT_EQ(target.OpenRecord().StartTimeInMS, 0);
    const RSprintBin& c = target.GetSprint(1);
    EXPECT_EQ(c.MaxSpeedMS, s.MaxSpeedMS);
    EXPECT_EQ(c.MaxFifaSpeed, s.MaxFifaSpeed);
    EXPECT_EQ(c.MaxAccelerationMS2, s.MaxAccelerationMS2);
    EXPECT_EQ(c.StartTimeInMS, s.StartTimeInMS);
    EXPECT_EQ(c.EndTimeInMS, s.EndTimeInMS);
    EXPECT_EQ(c.HIDSpeedTimeInMS, s.HIDSpeedTimeInMS);
    EXPECT_EQ(c.HIDDistanceInMM, s.HIDDistanceInMM);
    EXPECT_EQ(c.AccelStartTimeInMS, s.AccelStartTimeInMS);
    EXPECT_EQ(c.SprintCategory, s.SprintCategory);
    EXPECT_EQ(c.LastSpeed, 0.0);
    EXPECT_EQ(c.SprintDistanceInMM, 0.0);
    EXPECT_EQ(c.SprintTimeInMS, 0);
    EXPECT_EQ(c.AvgHeartbeat, 0);
    EXPECT_EQ(c.SpeedIndex, 0.0);
    EXPECT_EQ(c.ETLIndex, 0.0);
    EXPECT_EQ(c.StartPosXinM, 0.0);
    EXPECT_EQ(c.EndPosXinM, 0.0);
    EXPECT_EQ(c.PlayDirection, pldNone);
    EXPECT_EQ(c.StartFieldZone, 0);
    EXPECT_EQ(c.EndFieldZone, 0);
    EXPECT_EQ(c.CumDistanceStartInM, 0.0);
    EXPECT_EQ(c.DurationPossessionInMS, 0);
    EXPECT_FALSE(c.StartPossession);
    EXPECT_EQ(c.OnFieldTime, 0);
    EXPECT_EQ(c.EffectiveTime, 0);
    EXPECT_FALSE(c.InitClockRunning);
}

}  // namespace
}  // namespace qel::test
