#include "model/field_line.h"

#include <gtest/gtest.h>

#include <numbers>

#include "foundation/position_records.h"

namespace {

constexpr double kPi = std::numbers::pi;

TEST(FieldLineTest, Coefficients) {
    const struct {
        const char* name;
        RqelFieldPosition start, end;
        double angle, a, b, c, length;
    } cases[] = {
        {"along X", {0, 0}, {10000, 0}, 0, 0, 0, 0, 10},
        {"along Y", {0, 0}, {0, 10000}, kPi / 2, 0, 0, 0, 10},
        {"vertical off the origin", {2000, 3000}, {2000, -1000}, 3 * kPi / 2, 0, 3, 0, 4},
        {"sloped", {1000, 1000}, {4000, 7000}, 1.1071487177940904, 2, -1, -0.5, 6.7082039324993694},
        {"coinciding points", {500, 500}, {500, 500}, 0, 0, 0.5, 0, 0},
        {"whole range", {INT32_MIN, 0}, {INT32_MAX, 0}, 0, 0, 0, 0, 4294967.295},
    };
    for (const auto& c : cases) {
        TqelFieldLineVaruza line(c.start, c.end);
        EXPECT_FALSE(line.CoefficientCalculated()) << c.name;
        line.CalculateCoefficients();
        EXPECT_TRUE(line.CoefficientCalculated()) << c.name;
        EXPECT_NEAR(line.Angle(), c.angle, 1e-12) << c.name;
        EXPECT_DOUBLE_EQ(line.A(), c.a) << c.name;
        EXPECT_DOUBLE_EQ(line.B(), c.b) << c.name;
        EXPECT_DOUBLE_EQ(line.C(), c.c) << c.name;
        EXPECT_DOUBLE_EQ(line.LengthInM(), c.length) << c.name;
    }
}

TEST(FieldLineTest, PositionsInMetresAndStaleCoefficients) {
    TqelFieldLineVaruza line({1500, -2500}, {3000, 4000}, 1200);
    RqelCalculatedPosition pos;
    pos.TransponderID = 7;
    pos.OnField = true;
    line.StartPos(pos);
    EXPECT_DOUBLE_EQ(pos.XinM, 1.5);
    EXPECT_DOUBLE_EQ(pos.YinM, -2.5);
    EXPECT_DOUBLE_EQ(pos.ZinM, 1.2);
    EXPECT_EQ(pos.TransponderID, 7);
    EXPECT_TRUE(pos.OnField);
    line.EndPos(pos);
    EXPECT_DOUBLE_EQ(pos.XinM, 3);
    EXPECT_DOUBLE_EQ(pos.YinM, 4);
    EXPECT_EQ(line.GetEndPoint().XinMM, 3000);

    line.CalculateCoefficients();
    line.setEndPoint({1500, 0});
    EXPECT_FALSE(line.CoefficientCalculated());
}

}  // namespace
