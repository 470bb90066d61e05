#include <cmath>

#include "analysis/analysis_steps.h"
#include "analysis/calculation_fixture.h"
#include "analysis/framework/accel_info.h"
#include "analysis/framework/speed_info.h"
#include "analysis/sprints/accel_activity.h"
#include "foundation/settings/zones.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

RqelAccelCategory AccelCategory(int32_t anID, double aMinAccel, int32_t aMinDurationInMS) {
    RqelAccelCategory category;
    category.ID = anID;
    category.MinAccel = aMinAccel;
    category.MinDurationInMS = aMinDurationInMS;
    return category;
}

// Efforts above 2 m/s with at least 1 m/s², longer than 20 ms and below 8 m/s², in 10 ms steps;
// acceleration categories 11 (1 m/s² for more than 10 ms), 12 (2.8 m/s² for more than 5 ms)
// and 13 (5 m/s²); deceleration category 21 (1 m/s² for more than 10 ms); speed zones
// 0-3 (weight 1) and 3-100 m/s (weight 3).
class AccelActivity : public CalculationFixture {
protected:
    ScopedCalculationClass effortsClass{CalcSlot::AccelAct, &MakeCalculation<TqelAccelActivity>};
    CategoriesInSettings categories{
        {AccelCategory(11, 1, 10), AccelCategory(12, 2.8, 5), AccelCategory(13, 5, 0)},
        {AccelCategory(21, 1, 10)},
        {}};
    TqeldbAnalyzeDef withCategories{nullptr};
    std::unique_ptr<TqelCalculation> calc;
    TqelAccelActivity* efforts = nullptr;

    void SetUp() override {
        TqelZones& zones = withCategories.SpeedZonesAbsolute();
        zones.Clear();
        zones.AddZone(0, 0, 3, 1, QStringLiteral("slow"), 0, true);
        zones.AddZone(1, 3, 100, 3, QStringLiteral("fast"), 0, true);
        calc = Make();
        calc->Init(&withCategories, {}, 0, 1000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(10);
        calc->setAccelMinSpeed(2);
        calc->setAccelMinAccel(1);
        calc->setAccelMinTimeMS(20);
        calc->setAccelMaxValidAccel(8);
        efforts = calc->AccelAct();
        ASSERT_NE(efforts, nullptr);
        efforts->Init();
    }
    // Steps from aTimeInMS on, 10 ms apart, each with its acceleration at 3 m/s and 30 mm.
    int32_t Run(int32_t aTimeInMS, std::initializer_list<double> anAccelerations,
                bool anOnField = true, bool aClockIsRunning = true) {
        for (double a : anAccelerations) {
            Step(*efforts, {aTimeInMS, 3, a, 30, anOnField, aClockIsRunning});
            aTimeInMS += 10;
        }
        return aTimeInMS;
    }
};

TEST_F(AccelActivity, WhichStepsQualify) {
    struct Case {
        double Speed;
        double Accel;
        bool Qualifies;
    };
    for (const Case& c : {Case{2.0, 1.5, false}, Case{2.01, 1.0, true}, Case{2.01, -1.0, true},
                          Case{3, 0.99, false}, Case{3, -0.99, false}, Case{0, 5, false}}) {
        efforts->Init();
        Step(*efforts, {100, c.Speed, c.Accel});
        EXPECT_EQ(efforts->FirstAccelTime() == 100, c.Qualifies) << c.Speed << " " << c.Accel;
    }
}

TEST_F(AccelActivity, AnEffortRecordsItsMaximaTimesAndCategory) {
    // Two slow steps of 500 mm before; speeds 3, 5, 4 and 2.5 m/s during.
    Step(*efforts, {0, 1, 0, 500});
    Step(*efforts, {10, 1, 0, 500});
    Step(*efforts, {20, 3, 1.5, 30});
    Step(*efforts, {30, 5, 2.5, 50});
    // Braking keeps it an acceleration effort; its magnitude counts.
    Step(*efforts, {40, 4, -3.0, 40});
    Step(*efforts, {50, 2.5, -1.2, 25});
    EXPECT_EQ(efforts->AccelerationCount(), 0);
    Step(*efforts, {60, 2.5, 0.5, 7});

    ASSERT_EQ(efforts->AccelerationCount(), 1);
    EXPECT_EQ(efforts->DecelerationCount(), 0);
    EXPECT_EQ(efforts->FirstAccelTime(), -1);
    const RqelAcceleration& e = efforts->GetAcceleration(0);
    EXPECT_EQ(e.StartTimeInMS, 20);
    EXPECT_EQ(e.EndTimeInMS, 50);
    EXPECT_EQ(e.DurationInMS(), 30);
    EXPECT_EQ(e.MaxAcceleration, 3.0);
    EXPECT_EQ(e.MaxSpeed, 5.0);
    EXPECT_EQ(e.MinSpeed, 2.5);
    EXPECT_EQ(e.DistanceInMM, 145.0);
    // The first step adds no time.
    EXPECT_EQ(e.OnFieldTime, 30);
    EXPECT_EQ(e.EffectiveTime, 30);
    EXPECT_TRUE(e.InitClockRunning);
    // Category 11 has 40 ms, 12 (only the 3.0 step) 10 ms, 13 none: the id of 12.
    EXPECT_EQ(e.Category, 12);
    // m, of everything the object saw up to the closing step, less the effort.
    EXPECT_DOUBLE_EQ(e.CumDistAtStart, (1000 + 145 + 7 - 145) / 1000.0);
    // Every step of the effort in the private speed zones: 10 ms "slow" (weight 1), 30 ms
    // "fast" (weight 3).
    EXPECT_DOUBLE_EQ(e.SpeedIndex, (10 * 1 + 30 * 3) / 60000.0);
    EXPECT_EQ(efforts->TopAccelerations(), 1);
}

TEST_F(AccelActivity, ADecelerationGoesToItsOwnListWithItsCategories) {
    Run(0, {-1.5, -2, -1.5, -1.5, 0});
    ASSERT_EQ(efforts->DecelerationCount(), 1);
    EXPECT_EQ(efforts->AccelerationCount(), 0);
    EXPECT_EQ(efforts->GetDeceleration(0).MaxAcceleration, 2.0);
    EXPECT_EQ(efforts->GetDeceleration(0).Category, 21);
    EXPECT_EQ(efforts->TopDecelerations(), 1);
    EXPECT_EQ(efforts->MaxDeceleration(), 2.0);
}

TEST_F(AccelActivity, WhatIsDropped) {
    struct Case {
        const char* Name;
        std::initializer_list<double> Accels;
        bool OnField;
        bool Clock;
        int32_t MinTime;
        bool Recorded;
    };
    const Case cases[] = {
        // 30 ms: recorded, as the control.
        {"control", {2, 2, 2, 2}, true, true, 20, true},
        // 20 ms is not above 20.
        {"too short", {2, 2, 2}, true, true, 20, false},
        // Two steps: 10 ms of time, above a limit of 5.
        {"two steps", {2, 2}, true, true, 5, true},
        {"implausible", {2, 8, 2, 2}, true, true, 20, false},
        {"off the field", {2, 2, 2, 2}, false, true, 20, false},
        // Effective time 0 is not above 30 div 2.
        {"clock stopped", {2, 2, 2, 2}, true, false, 20, false},
    };
    for (const Case& c : cases) {
        efforts->Init();
        calc->setAccelMinTimeMS(c.MinTime);
        const int32_t end = Run(0, c.Accels, c.OnField, c.Clock);
        Step(*efforts, {end, 3, 0});
        EXPECT_EQ(efforts->AccelerationCount(), c.Recorded ? 1 : 0) << c.Name;
        if (c.Recorded) {
            EXPECT_EQ(efforts->GetAcceleration(0).OnFieldTime, end - 10) << c.Name;
            EXPECT_EQ(efforts->GetAcceleration(0).EffectiveTime, end - 10) << c.Name;
        }
    }
}

TEST_F(AccelActivity, FinalizeRecordsTheOpenEffort) {
    Run(0, {2, 2, 2, 2});
    EXPECT_EQ(efforts->AccelerationCount(), 0);
    calc->Finalize();
    ASSERT_EQ(efforts->AccelerationCount(), 1);
    EXPECT_EQ(efforts->GetAcceleration(0).EndTimeInMS, 30);
    EXPECT_EQ(efforts->FirstAccelTime(), -1);
    calc->Finalize();
    EXPECT_EQ(efforts->AccelerationCount(), 1);
}

TEST_F(AccelActivity, QueriesOverTheLists) {
    EXPECT_EQ(efforts->MaxAcceleration(), 0.0);
    EXPECT_EQ(efforts->AvgMaxAccel(), 0.0);
    EXPECT_EQ(efforts->AvgMaxDecel(), 0.0);
    int32_t t = 0;
    for (double a : {2.0, 3.0, 5.0}) {
        t = Run(t, {a, a, a, a, 0});
    }
    ASSERT_EQ(efforts->AccelerationCount(), 3);
    EXPECT_EQ(efforts->MaxAcceleration(), 5.0);
    EXPECT_DOUBLE_EQ(efforts->AvgMaxAccel(), 10.0 / 3);
    EXPECT_EQ(efforts->AccelerationsInZone(2, 5), 2);
    EXPECT_EQ(efforts->AccelerationsInZone(3, 5.01), 2);
    EXPECT_EQ(efforts->AccelerationsInZone(0, 2), 0);
    for (int32_t index : {-1, 3}) {
        EXPECT_THROW(efforts->GetAcceleration(index), EArgumentOutOfRangeException) << index;
    }
    EXPECT_THROW(efforts->GetDeceleration(0), EArgumentOutOfRangeException);
}

// Four acceleration bins: 0-1, 1-2, 2-3, 3-5 m/s².
class ManualEfforts : public AccelActivity {
protected:
    ScopedCalculationClass accelClass{CalcSlot::AccelInfo, &MakeCalculation<TqelAccelInfo>};
    void SetUp() override {
        TqelZones& zones = withCategories.AccelZonesAbsolute();
        zones.Clear();
        const double bounds[] = {0, 1, 2, 3, 5};
        for (int i = 0; i < 4; ++i) {
            zones.AddZone(i, bounds[i], bounds[i + 1], 1, {}, 0, true);
        }
        AccelActivity::SetUp();
        ASSERT_EQ(calc->AccelInfo()->AccelBinCount(), 4);
    }
};

TEST_F(ManualEfforts, TotalsSpreadOverTheUpperBins) {
    efforts->AddManualDataAccel(10, 2, 2, 2);
    ASSERT_EQ(efforts->AccelerationCount(), 10);
    const double expected[] = {0.5, 0.5, 0.5, 0.5, 1.5, 1.5, 2.5, 2.5, 4, 4};
    for (int i = 0; i < 10; ++i) {
        const RqelAcceleration& e = efforts->GetAcceleration(i);
        EXPECT_EQ(e.MaxAcceleration, expected[i]) << i;
        EXPECT_EQ(e.StartTimeInMS, 1) << i;
        EXPECT_EQ(e.EndTimeInMS, 200) << i;
        EXPECT_EQ(e.Category, 0) << i;
    }
    EXPECT_DOUBLE_EQ(efforts->AvgMaxAccel(), 1.8);
    efforts->AddManualDataDecel(3);
    ASSERT_EQ(efforts->DecelerationCount(), 3);
    EXPECT_EQ(efforts->GetDeceleration(2).MaxAcceleration, 1.0);
    EXPECT_EQ(efforts->GetDeceleration(2).DurationInMS(), 199);
}

TEST_F(ManualEfforts, RefusedTotalsChangeNothing) {
    efforts->AddManualDataAccel(1, 0, 0, 1);
    efforts->AddManualDataDecel(2);
    struct Case {
        int32_t Total, Cat2, Cat1, Cat0;
        const char* Message;
    };
    const char* sum = "Number of total accelerations is less then the sum of accelerations per bin";
    for (const Case& c :
         {Case{5, 2, 2, 2, sum}, Case{-1, 0, 0, 0, nullptr}, Case{3, -1, 0, 0, nullptr},
          Case{3, 0, -2, 0, nullptr}, Case{3, 0, 0, -5, nullptr}}) {
        try {
            efforts->AddManualDataAccel(c.Total, c.Cat2, c.Cat1, c.Cat0);
            ADD_FAILURE() << c.Total << " " << c.Cat2 << " " << c.Cat1 << " " << c.Cat0;
        } catch (const Exception& e) {
            if (c.Message) {
                EXPECT_EQ(e.Message(), QString::fromLatin1(c.Message));
            }
        }
        EXPECT_EQ(efforts->AccelerationCount(), 1);
        EXPECT_EQ(efforts->GetAcceleration(0).MaxAcceleration, 4.0);
    }
    EXPECT_THROW(efforts->AddManualDataDecel(-1), Exception);
    EXPECT_EQ(efforts->DecelerationCount(), 2);
}

TEST_F(AccelActivity, ManualEffortsNeedThreeAccelerationBins) {
    // No acceleration analysis at all.
    ASSERT_EQ(calc->AccelInfo(), nullptr);
    try {
        efforts->AddManualDataAccel(3, 1, 1, 1);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Number of acceleration Zones is less then 3"));
    }
    EXPECT_EQ(efforts->AccelerationCount(), 0);
}

struct BlockEffort {
    int32_t Start, End;
    double MaxAccel, MaxSpeed, MinSpeed, Distance, SpeedIndex;
    int32_t Category;
    double CumDist;
    bool Clock;
    int32_t OnField, Effective;
};

// The effort block of a file of aVersion, from the layout tables: an open deceleration effort,
// an empty speed analysis, one acceleration and no deceleration.
QByteArray EffortBlock(int aVersion, const BlockEffort& e) {
    FieldBytes b;
    b.i32(500).i32(520).i32(-1).f64(2.5).f64(6.5).f64(120.5);
    // Speed analysis: time, maxima, distance, previous bin, zone kind, athlete maximum, no bins
    // and no windows.
    b.i32(0).f64(0).f64(0).f64(0).i32(-1).u8(0).f64(9).i32(0).i32(0);
    b.i32(1);
    b.i32(e.Start).i32(e.End).f64(e.MaxAccel).f64(e.MaxSpeed);
    if (aVersion >= 100) {
        b.f64(e.MinSpeed);
    }
    b.f64(e.Distance).f64(e.SpeedIndex).i32(e.Category);
    if (aVersion >= 116) {
        b.f64(e.CumDist);
    }
    if (aVersion >= 143) {
        b.u8(e.Clock ? 1 : 0).i32(e.OnField).i32(e.Effective);
    }
    b.i32(0);
    return b.data();
}

TEST_F(AccelActivity, BlocksOfEveryLayout) {
    const BlockEffort full{100, 400, 3.25, 7.5, 2.25, 1500.5, 0.75, 12, 1234.5, true, 300, 290};
    // Effort state 36, speed analysis 49, two counts and one record of 69 bytes.
    EXPECT_EQ(EffortBlock(151, full).size(), 36 + 49 + 4 + 69 + 4);
    struct Case {
        int Version;
        BlockEffort Expected;
    };
    for (const Case& c :
         {Case{99, {100, 400, 3.25, 7.5, 0, 1500.5, 0.75, 12, 0, false, 0, 0}},
          Case{115, {100, 400, 3.25, 7.5, 2.25, 1500.5, 0.75, 12, 0, false, 0, 0}},
          Case{142, {100, 400, 3.25, 7.5, 2.25, 1500.5, 0.75, 12, 1234.5, false, 0, 0}},
          Case{151, full}}) {
        TqelAccelActivity read(*calc);
        ASSERT_TRUE(ReadObject(read, EffortBlock(c.Version, full), c.Version)) << c.Version;
        EXPECT_EQ(read.FirstAccelTime(), 500);
        EXPECT_EQ(read.LastAccelTime(), 520);
        EXPECT_EQ(read.SpeedInfo().BinCount(), 0);
        ASSERT_EQ(read.AccelerationCount(), 1) << c.Version;
        EXPECT_EQ(read.DecelerationCount(), 0) << c.Version;
        const RqelAcceleration& e = read.GetAcceleration(0);
        EXPECT_EQ(e.StartTimeInMS, 100);
        EXPECT_EQ(e.MaxAcceleration, 3.25);
        EXPECT_EQ(e.MinSpeed, c.Expected.MinSpeed) << c.Version;
        EXPECT_EQ(e.CumDistAtStart, c.Expected.CumDist) << c.Version;
        EXPECT_EQ(e.InitClockRunning, c.Expected.Clock) << c.Version;
        EXPECT_EQ(e.OnFieldTime, c.Expected.OnField) << c.Version;
        EXPECT_EQ(e.EffectiveTime, c.Expected.Effective) << c.Version;
        // Written in the newest layout, absent groups as 0.
        EXPECT_EQ(WrittenObject(read), EffortBlock(151, c.Expected)) << c.Version;
    }
}

TEST_F(AccelActivity, RecordCountsBeyondTheDataAreRefused) {
    const BlockEffort one{100, 400, 3.25, 7.5, 2.25, 1500.5, 0.75, 12, 1234.5, true, 300, 290};
    const QByteArray block = EffortBlock(151, one);
    // The acceleration count sits 4 + 69 + 4 bytes before the end.
    const qsizetype countAt = block.size() - 4 - 69 - 4;
    for (int32_t count : {-1, 2, 0x7FFFFFFF}) {
        QByteArray data = block;
        FieldBytes b;
        b.i32(count);
        data.replace(countAt, 4, b.data());
        TqelAccelActivity read(*calc);
        EXPECT_THROW(ReadObject(read, data, 151), EReadError) << count;
        EXPECT_EQ(read.AccelerationCount(), 0) << count;
    }
}

TEST_F(AccelActivity, ARunWrittenAndReadBackIsTheSame) {
    int32_t t = Run(0, {2, 3, -2, 2, 0, -2, -4, -2, -2, 0});
    Run(t, {1.5, 1.5});
    ASSERT_EQ(efforts->AccelerationCount(), 1);
    ASSERT_EQ(efforts->DecelerationCount(), 1);
    const QByteArray written = WrittenObject(*efforts);
    TqelAccelActivity read(*calc);
    ASSERT_TRUE(ReadObject(read, written, 151));
    EXPECT_EQ(WrittenObject(read), written);
    EXPECT_EQ(read.FirstAccelTime(), t);
    EXPECT_EQ(read.GetDeceleration(0).MaxAcceleration, 4.0);
}

}  // namespace
}  // namespace qel::test
