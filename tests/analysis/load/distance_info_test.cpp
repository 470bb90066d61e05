#include "analysis/load/distance_info.h"
#include "analysis/analysis_steps.h"
#include "analysis/calculation_fixture.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

RqelCalculatedPosition At(double aXinM, double aYinM = 0) {
    RqelCalculatedPosition pos;
    pos.XinM = aXinM;
    pos.YinM = aYinM;
    return pos;
}

// A speed limit of 12 m/s (the dataset's), high intensity above 5 m/s, 10 ms steps.
class DistanceInfo : public CalculationFixture {
protected:
    ScopedCalculationClass distanceClass{CalcSlot::DistanceInfo,
                                         &MakeCalculation<TqelDistanceInfo>};
    std::unique_ptr<TqelCalculation> calc;
    TqelDistanceInfo* distance = nullptr;

    void SetUp() override {
        context.Speed = 12;
        calc = Make();
        calc->Init(&definition, {}, 0, 1000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(10);
        calc->setSprintMinHIDSpeed(5);
        distance = calc->DistanceInfo();
        ASSERT_NE(distance, nullptr);
        ASSERT_EQ(distance->MaxSpeed(), 12);
    }
    // At 6 m/s with a step distance of 60 mm.
    void StepTo(double aXinM, double aSpeed = 6, bool aPossession = false, bool anOnField = true,
                bool aClock = true) {
        StepValues step{0, aSpeed, 0, aSpeed * 10, anOnField, aClock, At(aXinM)};
        step.TeamHasPossession = aPossession;
        Step(*distance, step);
    }
};

TEST_F(DistanceInfo, OnlyPairsOfValidStepsAddTheirPositionDistance) {
    StepTo(0);
    EXPECT_EQ(distance->TotalDistanceInMM(), 0);
    StepTo(1);
    EXPECT_EQ(distance->TotalDistanceInMM(), 1000);
    // At the limit: invalid, and so is the pair after it; the 3 m jump is never added.
    StepTo(2, 12);
    StepTo(5);
    EXPECT_EQ(distance->TotalDistanceInMM(), 1000);
    StepTo(6, 6, true);
    EXPECT_EQ(distance->TotalDistanceInMM(), 2000);
    EXPECT_EQ(distance->TotalTimeInMS(), 20);
    EXPECT_EQ(distance->DistancePossessionMM(), 1000);
    // The speed-based step distance: 2 × 60 mm, not the 2 m between the positions.
    EXPECT_EQ(distance->HIDinMM(), 120);
    EXPECT_EQ(distance->HIDTimeInMS(), 20);
}

TEST_F(DistanceInfo, EachInvalidStepBreaksTheChain) {
    struct Case {
        const char* Name;
        double Speed;
        bool OnField;
        bool Clock;
    };
    for (const Case& c :
         {Case{"above the limit", 12.5, true, true}, Case{"off the field", 6, false, true},
          Case{"clock stopped", 6, true, false}}) {
        distance->Init();
        StepTo(0);
        StepTo(1, c.Speed, false, c.OnField, c.Clock);
        StepTo(2);
        EXPECT_EQ(distance->TotalDistanceInMM(), 0) << c.Name;
        StepTo(3);
        EXPECT_EQ(distance->TotalDistanceInMM(), 1000) << c.Name;
    }
}

TEST_F(DistanceInfo, HighIntensityOnlyAboveItsSpeed) {
    StepTo(0, 5);
    StepTo(1, 5);
    StepTo(2, 5.5);
    EXPECT_EQ(distance->TotalDistanceInMM(), 2000);
    EXPECT_EQ(distance->HIDinMM(), 55);
    EXPECT_EQ(distance->HIDTimeInMS(), 10);
}

// A block from the layout table: ext80 total, time, ext80 distance in possession.
QByteArray DistanceBlock(bool aWithPossession,
                         const char* aPossessionHex = "00000000000040fa0640") {
    FieldBytes b;
    b.raw(QByteArray::fromHex("000000000000509a0940"));  // 1234.5
    b.i32(40);
    if (aWithPossession) {
        b.raw(QByteArray::fromHex(aPossessionHex));
    }
    return b.data();
}

TEST_F(DistanceInfo, BlocksReadAndWriteBackByteForByte) {
    ASSERT_TRUE(ReadObject(*distance, DistanceBlock(true), 151));
    EXPECT_EQ(distance->TotalDistanceInMM(), 1234.5L);
    EXPECT_EQ(distance->TotalTimeInMS(), 40);
    // 250.25 mm.
    EXPECT_EQ(distance->DistancePossessionMM(), 250);
    EXPECT_EQ(WrittenObject(*distance), DistanceBlock(true));

    // Halves go to even: 2.5 and 0.5 mm.
    ASSERT_TRUE(ReadObject(*distance, DistanceBlock(true, "00000000000000a00040"), 151));
    EXPECT_EQ(distance->DistancePossessionMM(), 2);
    ASSERT_TRUE(ReadObject(*distance, DistanceBlock(true, "0000000000000080fe3f"), 151));
    EXPECT_EQ(distance->DistancePossessionMM(), 0);

    // Version 131 has no possession distance.
    TqelDistanceInfo old(*calc);
    ASSERT_TRUE(ReadObject(old, DistanceBlock(false), 131));
    EXPECT_EQ(old.TotalDistanceInMM(), 1234.5L);
    EXPECT_EQ(old.DistancePossessionMM(), 0);
    EXPECT_EQ(WrittenObject(old), DistanceBlock(true, "00000000000000000000"));
    EXPECT_FALSE(ReadObject(old, DistanceBlock(true), 131));
}

TEST_F(DistanceInfo, RunningTotalsComeBackExactly) {
    // Steps of 0.1 m do not sum exactly in double or extended: the codec must keep every bit.
    for (int i = 0; i < 1000; ++i) {
        StepTo(i * 0.1, 6, i % 3 == 0);
    }
    const QByteArray written = WrittenObject(*distance);
    TqelDistanceInfo read(*calc);
    ASSERT_TRUE(ReadObject(read, written, 151));
    EXPECT_EQ(read.TotalDistanceInMM(), distance->TotalDistanceInMM());
    EXPECT_EQ(read.DistancePossessionMM(), distance->DistancePossessionMM());
    EXPECT_EQ(WrittenObject(read), written);
    EXPECT_NEAR(static_cast<double>(distance->TotalDistanceInMM()), 99900, 1e-6);
}

}  // namespace
}  // namespace qel::test
