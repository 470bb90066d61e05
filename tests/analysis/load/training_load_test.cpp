#include <QBuffer>
#include <cmath>

#include "analysis/calculation_fixture.h"
#include "analysis/load/training_load.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

class TrainingLoad : public CalculationFixture {
protected:
    qel::ScopedCalculationClass loadClass{qel::CalcSlot::ETLInfo,
                                          &qel::MakeCalculation<TqelETLInfo>};
    std::unique_ptr<TqelCalculation> calc;
    TqelETLInfo* load = nullptr;

    void SetUp() override {
        calc = Make();
        calc->setTimeFrame(10);
        load = calc->ETLInfo();
        ASSERT_NE(load, nullptr);
    }
    void Step(double aSpeed, double anAccel, bool anOnField, bool aClockIsRunning) {
        load->ProcessTimeFrame(0, anOnField, {}, aSpeed * 10, aSpeed, aSpeed, anAccel, 0, 0, false,
                               pldNone, true, aClockIsRunning);
    }
};

// The load rate of the formula, term by term, over one 10 ms step.
double FormulaStep(double v, double a) {
    double rate = 0.97 * v + 0.00366 * (v * v * v);
    if (a > 0) {
        rate += a * v;
    }
    return rate * 10 / 1000;
}

TEST_F(TrainingLoad, OneStepByTheFormula) {
    struct Case {
        double Speed;
        double Accel;
        bool OnField;
        bool Clock;
        double Expected;
        int32_t Time;
    };
    // Off the field the calculation hands on speed and acceleration 0.
    const Case cases[] = {{5, 2, true, true, 0.153075, 10}, {5, -2, true, true, 0.053075, 10},
                          {5, 0, true, true, 0.053075, 10}, {5, 2, true, false, 0, 0},
                          {0, 0, false, true, 0, 10},       {5, 2, false, false, 0, 0}};
    for (const Case& c : cases) {
        load->Init();
        Step(c.Speed, c.Accel, c.OnField, c.Clock);
        EXPECT_NEAR(static_cast<double>(load->TotalValue()), c.Expected, 1e-12)
            << c.Speed << c.Accel;
        if (c.Time > 0) {
            EXPECT_EQ(load->TotalValue(), static_cast<long double>(FormulaStep(c.Speed, c.Accel)));
        }
        EXPECT_EQ(load->TotalTimeInMS(), c.Time);
    }
}

TEST_F(TrainingLoad, SumsInExtendedPrecisionAndRunsAgainFromZero) {
    long double expected = 0;
    for (int i = 0; i < 1000; ++i) {
        const double v = i % 9 * 0.7;
        const double a = i % 5 - 2;
        Step(v, a, true, true);
        expected += FormulaStep(v, a);
    }
    EXPECT_EQ(load->TotalValue(), expected);
    EXPECT_EQ(load->TotalTimeInMS(), 10000);
    load->Init();
    EXPECT_EQ(load->TotalValue(), 0.0L);
    EXPECT_EQ(load->TotalTimeInMS(), 0);
}

TEST_F(TrainingLoad, BlockKeepsTheTenByteValue) {
    // 1 + 2^-63: a double would lose the last bit. Significand with its integer bit, then the
    // exponent 0x3FFF.
    FieldBytes b;
    b.raw(QByteArray::fromHex("0100000000000080ff3f")).i32(123456);
    const QByteArray data = b.data();
    EXPECT_TRUE(ReadObject(*load, data, 151));
    EXPECT_EQ(load->TotalValue(), 1.0L + std::ldexp(1.0L, -63));
    EXPECT_EQ(load->TotalTimeInMS(), 123456);

    EXPECT_EQ(WrittenObject(*load), data);
    // A cut block raises.
    EXPECT_THROW(ReadObject(*load, data.left(9), 151), EReadError);
}

}  // namespace
}  // namespace qel::test
