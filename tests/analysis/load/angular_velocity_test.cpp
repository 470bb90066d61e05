#include <cmath>
#include <numbers>

#include "analysis/analysis_steps.h"
#include "analysis/calculation_fixture.h"
#include "analysis/load/angular_velocity.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

// The load of one step at 6 m/s turning 0.03 rad per step: m = 2.4, speed class 3, turn
// class 1.
const double kTurnAt6 = 16 * std::sqrt(36 + 2.4 * 2.4) * 0.4;

// Plausible below 10 m/s and 6 m/s²; an athlete on the field moving 6 cm per step.
class AngularVelocity : public CalculationFixture {
protected:
    ScopedCalculationClass angularClass{CalcSlot::AngularVelocity,
                                        &MakeCalculation<TqelAngularVelocity>};
    std::unique_ptr<TqelCalculation> calc;
    TqelAngularVelocity* angular = nullptr;
    RqelCalculatedPosition pos;
    int32_t time = 0;

    void SetUp() override {
        definition.setSprintMaxValidSpeed(10);
        definition.setSprintMaxValidAccel(6);
        calc = Make();
        calc->Init(&definition, {}, 0, 1000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(10);
        angular = calc->AngularVelocity();
        ASSERT_NE(angular, nullptr);
        pos.XinM = 10;
        pos.YinM = 10;
        pos.OnField = true;
        StepHere(6);
    }
    void StepHere(double aSpeed, double anAccel = 0) {
        StepValues step{time, aSpeed, anAccel};
        step.Pos = pos;
        Step(*angular, step);
        time += 10;
    }
    // Moves aCount steps, the heading turning by aTurn per step from aHeading on; answers the
    // heading after the last step.
    double Move(int aCount, double aHeading, double aTurn, double aSpeed = 6) {
        for (int i = 0; i < aCount; ++i) {
            pos.XinM += 0.06 * std::cos(aHeading);
            pos.YinM += 0.06 * std::sin(aHeading);
            StepHere(aSpeed);
            aHeading += aTurn;
        }
        return aHeading;
    }
};

TEST_F(AngularVelocity, TheWeightTable) {
    const double table[5][5] = {{0, 4, 7, 10, 13},
                                {0, 8, 14, 20, 26},
                                {0, 12, 21, 30, 39},
                                {0, 16, 28, 40, 52},
                                {0, 20, 35, 50, 65}};
    for (int s = 0; s < 5; ++s) {
        for (int r = 0; r < 5; ++r) {
            EXPECT_EQ(TqelAngularVelocity::Weight(s, r), table[s][r]) << s << " " << r;
        }
    }
}

TEST_F(AngularVelocity, SteadyTurnsLoadTheirSide) {
    struct Case {
        const char* Name;
        double Heading;
        double Turn;
        bool Right;
    };
    for (const Case& c : {Case{"right", 1.0, 0.03, true}, Case{"left", 1.0, -0.03, false},
                          // Across 0/2pi both ways: unwrapped, the turn stays small.
                          Case{"right across 0", 2 * std::numbers::pi - 0.1, 0.03, true},
                          Case{"left across 0", 0.1, -0.03, false}}) {
        angular->Init();
        StepHere(6);
        // Six headings fill the ring.
        const double heading = Move(6, c.Heading, c.Turn);
        // (Filling it from the zeros Init left behind added loads of its own.)
        const double total = angular->ValueTotal();
        const double right = angular->ValueRight();
        const double left = angular->ValueLeft();
        Move(8, heading, c.Turn);
        EXPECT_NEAR(angular->ValueTotal() - total, 8 * kTurnAt6, 1e-4) << c.Name;
        EXPECT_NEAR(c.Right ? angular->ValueRight() - right : angular->ValueLeft() - left,
                    8 * kTurnAt6, 1e-4)
            << c.Name;
        EXPECT_EQ(c.Right ? angular->ValueLeft() - left : angular->ValueRight() - right, 0.0)
            << c.Name;
    }
    EXPECT_NEAR(kTurnAt6, 41.36, 0.005);
}

TEST_F(AngularVelocity, BelowOneMeterPerSecondTheHistoryRestarts) {
    const double heading = Move(10, 1.0, 0.1);
    const double before = angular->ValueTotal();
    ASSERT_GT(before, 0);
    // A slow step adds nothing and fills the ring with its heading; going straight on adds
    // nothing after it, though the ring held a turn.
    Move(1, heading, 0, 0.5);
    EXPECT_EQ(angular->ValueTotal(), before);
    Move(8, heading, 0);
    EXPECT_NEAR(angular->ValueTotal(), before, 1e-9);
    EXPECT_NEAR(angular->LastAngle(), heading, 1e-6);
}

TEST_F(AngularVelocity, OffFieldOrImplausibleStepsAddNothing) {
    double heading = Move(8, 1.0, 0.03);
    struct Case {
        const char* Name;
        bool OnField;
        double Speed;
        double Accel;
    };
    for (const Case& c : {Case{"off the field", false, 6, 0}, Case{"too fast", true, 10, 0},
                          Case{"accelerating", true, 6, 6}, Case{"braking", true, 6, -6}}) {
        const double before = angular->ValueTotal();
        const int32_t last = angular->LastTimeInMS();
        pos.XinM += 0.06 * std::cos(heading);
        pos.YinM += 0.06 * std::sin(heading);
        pos.OnField = c.OnField;
        StepHere(c.Speed, c.Accel);
        EXPECT_EQ(angular->ValueTotal(), before) << c.Name;
        EXPECT_EQ(angular->LastTimeInMS(), last) << c.Name;
        pos.OnField = true;
        heading += 0.03;
        // After an off-field step the next has no previous position on the field.
        if (!c.OnField) {
            heading = Move(1, heading, 0.03);
            EXPECT_EQ(angular->ValueTotal(), before) << c.Name;
        }
    }
}

TEST_F(AngularVelocity, BlockByteForByte) {
    FieldBytes b;
    b.f64(150.25).f64(50.5).f64(99.75);
    ASSERT_TRUE(ReadObject(*angular, b.data(), 151));
    EXPECT_EQ(angular->ValueTotal(), 150.25);
    EXPECT_EQ(angular->ValueLeft(), 50.5);
    EXPECT_EQ(angular->ValueRight(), 99.75);
    EXPECT_EQ(WrittenObject(*angular), b.data());
}

}  // namespace
}  // namespace qel::test
