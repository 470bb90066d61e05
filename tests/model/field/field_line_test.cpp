#include "model/field/field_line.h"

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

TEST(FieldPositionTest, RotateAndTranspose) {
    const struct {
        const char* name;
        RqelFieldPosition start;
        double degrees;
        RqelFieldPosition expected;
    } cases[] = {
        {"quarter turn", {1000, 0}, 90, {0, 1000}},
        {"half turn", {1000, -250}, 180, {-1000, 250}},
        {"clockwise", {1000, 0}, -90, {0, -1000}},
        {"45 degrees, rounded", {1000, 0}, 45, {707, 707}},
        {"both from the old values", {1000, 1000}, 90, {-1000, 1000}},
    };
    for (const auto& c : cases) {
        RqelFieldPosition p = c.start;
        p.Rotate(c.degrees);
        EXPECT_EQ(p.XinMM, c.expected.XinMM) << c.name;
        EXPECT_EQ(p.YinMM, c.expected.YinMM) << c.name;
    }

    RqelFieldPosition p{1000, 0};
    p.Rotate90Deg();
    EXPECT_EQ(p.XinMM, 0);
    EXPECT_EQ(p.YinMM, 1000);
    p.Rotate90Deg();
    EXPECT_EQ(p.XinMM, -1000);
    EXPECT_EQ(p.YinMM, 0);

    p.Transpose(250, -300);
    EXPECT_EQ(p.XinMM, -750);
    EXPECT_EQ(p.YinMM, -300);
}

}  // namespace
