#include "analysis/analysis_steps.h"
#include "analysis/calculation_fixture.h"
#include "analysis/load/hml_distance.h"
#include "analysis/load/mechanical_power.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

// Plausible below 8 m/s and 6 m/s²; HML distance above 5.5 m/s or 2 m/s²; 10 ms steps.
class PowerAndHML : public CalculationFixture {
protected:
    ScopedCalculationClass powerClass{CalcSlot::MechanicalPower,
                                      &MakeCalculation<TqelMechanicalPower>};
    ScopedCalculationClass hmlClass{CalcSlot::HMLDistance, &MakeCalculation<TqelHMLDistance>};
    std::unique_ptr<TqelCalculation> calc;
    TqelMechanicalPower* power = nullptr;
    TqelHMLDistance* hml = nullptr;

    void SetUp() override {
        definition.setSprintMaxValidSpeed(8);
        definition.setSprintMaxValidAccel(6);
        definition.setHMLDistMinSpeed(5.5);
        definition.setHMLDistMinAccel(2);
        calc = Make();
        calc->Init(&definition, {}, 0, 1000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(10);
        power = calc->MechanicalPower();
        hml = calc->HMLDistance();
        ASSERT_NE(power, nullptr);
        ASSERT_NE(hml, nullptr);
    }
};

TEST_F(PowerAndHML, WorkPerKilogramSplitsBySignOfTheAcceleration) {
    Step(*power, {0, 4, -2});
    EXPECT_EQ(static_cast<double>(power->TotalValueDecel()), 0.08);
    EXPECT_EQ(power->TotalValueAccel(), 0);
    Step(*power, {10, 4, 2});
    Step(*power, {20, 4, 0});
    EXPECT_EQ(static_cast<double>(power->TotalValueAccel()), 0.08);
    EXPECT_EQ(power->TotalValue(), power->TotalValueAccel() + power->TotalValueDecel());
    // At the limits: nothing.
    for (const StepValues& step : {StepValues{30, 8, 1}, StepValues{40, 3, 6},
                                   StepValues{50, 3, -6}, StepValues{60, 9, -1}}) {
        Step(*power, step);
    }
    EXPECT_EQ(static_cast<double>(power->TotalValueAccel()), 0.08);
    EXPECT_EQ(static_cast<double>(power->TotalValueDecel()), 0.08);
    EXPECT_EQ(power->TotalTimeAccelInMS(), 0);
    EXPECT_EQ(power->TotalTimeDecelInMS(), 0);
}

TEST_F(PowerAndHML, MechanicalPowerBlockByteForByte) {
    FieldBytes b;
    b.raw(QByteArray::fromHex("00000000000000cc0240")).i32(70);  // 12.75
    b.raw(QByteArray::fromHex("00000000000000e00040")).i32(90);  // 3.5
    ASSERT_TRUE(ReadObject(*power, b.data(), 151));
    EXPECT_EQ(power->TotalValueAccel(), 12.75L);
    EXPECT_EQ(power->TotalValueDecel(), 3.5L);
    EXPECT_EQ(power->TotalTimeAccelInMS(), 70);
    EXPECT_EQ(power->TotalTimeDecelInMS(), 90);
    EXPECT_EQ(WrittenObject(*power), b.data());
    power->Init();
    EXPECT_EQ(power->TotalValue(), 0);
    EXPECT_EQ(power->TotalTimeDecelInMS(), 0);
}

TEST_F(PowerAndHML, HMLStepsByTheirSpeedAndAcceleration) {
    struct Case {
        double Speed, Accel;
        double Distance;
        int32_t Time, Invalid;
    };
    // Every case after the one before, 10 mm per m/s.
    const Case cases[] = {
        {9, 0, 0, 0, 10},        // qualifies, faster than plausible
        {6, 0, 60, 10, 10},      // counts
        {5.5, 1, 60, 10, 10},    // neither above 5.5 nor above 2
        {3, 2.5, 90, 20, 10},    // by its acceleration
        {3, -2.5, 120, 30, 10},  // braking too
        {3, 2, 120, 30, 10},     // 2 is not above 2
        {7, 6, 120, 30, 20},     // at the acceleration limit
        {8, 0, 120, 30, 30},     // at the speed limit
    };
    int32_t t = 0;
    for (const Case& c : cases) {
        Step(*hml, {t, c.Speed, c.Accel, c.Speed * 10});
        t += 10;
        EXPECT_EQ(hml->TotalDistanceInMM(), c.Distance) << c.Speed << " " << c.Accel;
        EXPECT_EQ(hml->TotalTimeInMS(), c.Time) << c.Speed << " " << c.Accel;
        EXPECT_EQ(hml->InvalideTime(), c.Invalid) << c.Speed << " " << c.Accel;
    }
    EXPECT_DOUBLE_EQ(hml->TotalDistanceInM(), 0.12);
}

// The HML block of a file of aVersion, from the layout table.
QByteArray HMLBlock(int aVersion, int32_t aTime = 300, int32_t anInvalid = 40) {
    FieldBytes b;
    b.f64(5.5).f64(2.0).f64(8.0).f64(6.0).f64(1500.5);
    if (aVersion >= 150) {
        b.i32(aTime).i32(anInvalid);
    }
    return b.data();
}

TEST_F(PowerAndHML, HMLBlocksBeforeAndAfterTheTimes) {
    ASSERT_TRUE(ReadObject(*hml, HMLBlock(150), 150));
    EXPECT_EQ(hml->MinSpeed(), 5.5);
    EXPECT_EQ(hml->MinAccel(), 2.0);
    EXPECT_EQ(hml->MaxValidSpeed(), 8.0);
    EXPECT_EQ(hml->MaxValidAccel(), 6.0);
    // 1500.5 goes to even.
    EXPECT_EQ(hml->TotalDistanceInMM(), 1500);
    EXPECT_EQ(hml->TotalTimeInMS(), 300);
    EXPECT_EQ(hml->InvalideTime(), 40);
    EXPECT_EQ(WrittenObject(*hml), HMLBlock(150));

    TqelHMLDistance old(*calc);
    ASSERT_TRUE(ReadObject(old, HMLBlock(149), 149));
    EXPECT_EQ(old.TotalTimeInMS(), 0);
    EXPECT_EQ(old.InvalideTime(), 0);
    EXPECT_EQ(WrittenObject(old), HMLBlock(150, 0, 0));
}

}  // namespace
}  // namespace qel::test
