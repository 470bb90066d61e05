#include "foundation/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "model/field/field_line.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Rad(double aDegrees) {
    return aDegrees * kPi / 180.0;
}

RqelCalculatedPosition Pos(double aX, double aY, bool aOnField = true) {
    RqelCalculatedPosition result;
    result.XinM = aX;
    result.YinM = aY;
    result.OnField = aOnField;
    return result;
}

RqelPositionRec PosMM(int32_t aX, int32_t aY, bool aValid = true) {
    RqelPositionRec result;
    result.XinMM = aX;
    result.YinMM = aY;
    result.Valid = aValid;
    return result;
}

// A line given in metres, stored in whole millimetres as the field holds it.
TqelFieldLineVaruza Line(double aX1, double aY1, double aX2, double aY2) {
    return TqelFieldLineVaruza(
        {static_cast<int32_t>(aX1 * 1000), static_cast<int32_t>(aY1 * 1000)},
        {static_cast<int32_t>(aX2 * 1000), static_cast<int32_t>(aY2 * 1000)});
}

TEST(GeometryTest, SnapAngleToAxis) {
    const struct {
        double degrees;
        double expected;  // NaN: the angle comes back unchanged
    } cases[] = {
        {84.6, kPi / 2}, {84.4, kNaN},       {94.4, kPi / 2},
        {-3, 0},         {357, 0},           {4.4, 0},
        {180.4, kPi},    {266, 3 * kPi / 2}, {720 + 90, kPi / 2},
        {45, kNaN},      {-90, 3 * kPi / 2},
    };
    for (const auto& c : cases) {
        const double angle = Rad(c.degrees);
        const double expected = std::isnan(c.expected) ? angle : c.expected;
        EXPECT_DOUBLE_EQ(SnapAngleToAxis(angle), expected) << c.degrees;
    }
    // Angles no whole degree can hold are not an axis and do not raise.
    EXPECT_TRUE(std::isnan(SnapAngleToAxis(kNaN)));
    EXPECT_NO_THROW(SnapAngleToAxis(1e300));
}

TEST(GeometryTest, AngleDiffAndSum) {
    // The turn from the first angle to the second.
    EXPECT_NEAR(AngleDiff(3, -3), -6 + 2 * kPi, 1e-12);
    EXPECT_DOUBLE_EQ(AngleDiff(0, 3), 3);
    EXPECT_DOUBLE_EQ(AngleDiff(3, 0), -3);
    EXPECT_NEAR(AngleDiff(Rad(350), Rad(10)), Rad(20), 1e-12);
    EXPECT_NEAR(AngleSum(6, 1), 7 - 2 * kPi, 1e-12);
    EXPECT_NEAR(AngleSum(1, -2), 2 * kPi - 1, 1e-12);
}

TEST(GeometryTest, BearingsAndDirectionAngles) {
    EXPECT_DOUBLE_EQ(CalcBearing(Pos(1, 1), Pos(1, -4)), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(CalcBearing(Pos(0, 0), Pos(-2, 0)), kPi);
    EXPECT_NEAR(CalcBearing(Pos(0, 0), Pos(1, 1)), kPi / 4, 1e-12);
    EXPECT_EQ(CalcBearing(Pos(2, 3), Pos(2, 3)), 0);
    EXPECT_EQ(CalcBearing(Pos(kNaN, 0), Pos(1, 1)), 0);
    EXPECT_DOUBLE_EQ(CalcBearingMM(PosMM(0, 0), PosMM(0, 1000)), kPi / 2);
    EXPECT_EQ(CalcBearingMM(PosMM(5, 5), PosMM(5, 5)), -1);
    // Two coordinates whose difference does not fit 32 bits.
    EXPECT_DOUBLE_EQ(CalcBearingMM(PosMM(INT32_MIN, 0), PosMM(INT32_MAX, 0)), 0);

    // From +Y towards +X, arguments in (Y, X) order, result in (-pi, pi].
    EXPECT_DOUBLE_EQ(DirectionAngle(pldLeftToRight, 0, 0, 1, 0), 0);
    EXPECT_DOUBLE_EQ(DirectionAngle(pldLeftToRight, 0, 0, 0, 1), kPi / 2);
    EXPECT_DOUBLE_EQ(DirectionAngle(pldLeftToRight, 0, 0, 0, -1), -kPi / 2);
    EXPECT_DOUBLE_EQ(DirectionAngle(pldLeftToRight, 0, 0, -1, 0), kPi);
    EXPECT_DOUBLE_EQ(DirectionAngle(pldRightToLeft, 0, 0, 1, 0), kPi);
    EXPECT_DOUBLE_EQ(DirectionAngle(pldRightToLeft, 0, 0, 0, 1), -kPi / 2);
    EXPECT_EQ(DirectionAngle(pldLeftToRight, 2, 2, 2, 2), 0);
    EXPECT_DOUBLE_EQ(DirectionAngle(pldRightToLeft, 2, 2, 2, 2), kPi);
}

TEST(GeometryTest, RotatePointRoundsAndRefusesOverflow) {
    int32_t x = 1000;
    int32_t y = 0;
    RotatePoint(x, y, kPi / 2);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 1000);
    x = 1000;
    y = 0;
    RotatePoint(x, y, Rad(-45));
    EXPECT_EQ(x, 707);
    EXPECT_EQ(y, -707);
    x = INT32_MAX;
    y = INT32_MAX;
    EXPECT_THROW(RotatePoint(x, y, kPi / 4), EInvalidOp);
    EXPECT_EQ(x, INT32_MAX);
    double fx = 5;
    double fy = 0;
    RotatePointF(fx, fy, Rad(60));
    EXPECT_NEAR(fx, 2.5, 1e-12);
    EXPECT_NEAR(fy, 5 * std::sqrt(3.0) / 2, 1e-12);
}

TEST(GeometryTest, DistancesAndLines) {
    EXPECT_DOUBLE_EQ(Distance2D(Pos(0, 0), Pos(3, 4)), 5);
    EXPECT_EQ(Distance2D(Pos(0, 0), Pos(1e200, 1e200)), 0);
    EXPECT_DOUBLE_EQ(Distance2DMM(PosMM(INT32_MIN, 0), PosMM(INT32_MAX, 0)), 4294967295.0);
    RqelCalculatedPosition high = Pos(3, 4);
    high.ZinM = 12;
    EXPECT_DOUBLE_EQ(Distance3D(Pos(0, 0), high), 13);

    EXPECT_DOUBLE_EQ(LineSlope(Pos(1, 1), Pos(3, 5)), 2);
    EXPECT_THROW(LineSlope(Pos(1, 1), Pos(1, 5)), EZeroDivide);
    EXPECT_TRUE(IsBetween(5, 1, 1));
    EXPECT_TRUE(IsBetween(1, 5, 5));
    EXPECT_FALSE(IsBetween(5, 1, 5.0001));

    const struct {
        const char* name;
        RqelCalculatedPosition p1, p2, p;
        bool segmentOnly, nearestEnd;
        double expected;  // NaN: the quiet NaN
    } cases[] = {
        {"line", Pos(0, 0), Pos(10, 0), Pos(15, 3), false, false, 3},
        {"off segment", Pos(0, 0), Pos(10, 0), Pos(15, 3), true, false, kNaN},
        {"nearest end", Pos(0, 0), Pos(10, 0), Pos(15, 3), true, true, std::sqrt(34.0)},
        {"on segment", Pos(0, 0), Pos(10, 0), Pos(5, -2), true, false, 2},
        {"sloped", Pos(0, 0), Pos(10, 10), Pos(0, 10), true, false, std::sqrt(50.0)},
        {"vertical", Pos(2, 0), Pos(2, 10), Pos(5, 20), false, false, 3},
        {"vertical on segment", Pos(2, 0), Pos(2, 10), Pos(5, 4), true, false, 3},
        // Off the segment of a vertical line: no slope is taken of it.
        {"vertical off segment", Pos(2, 0), Pos(2, 10), Pos(5, 14), true, false, kNaN},
        {"vertical nearest end", Pos(2, 0), Pos(2, 10), Pos(5, 14), true, true, 5},
        {"equal points", Pos(1, 1), Pos(1, 1), Pos(4, 5), false, false, 3},
    };
    for (const auto& c : cases) {
        const double d = DistancePointToLine(c.p1, c.p2, c.p, c.segmentOnly, c.nearestEnd);
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(std::isnan(d)) << c.name;
        } else {
            EXPECT_NEAR(d, c.expected, 1e-12) << c.name;
        }
    }
}

TEST(GeometryTest, AreasAndCentre) {
    EXPECT_DOUBLE_EQ(TriangleArea(Pos(0, 0), Pos(4, 0), Pos(1, 3)), 6);
    EXPECT_DOUBLE_EQ(TriangleArea(Pos(0, 0), Pos(0, 0), Pos(1, 3)), 0);
    EXPECT_DOUBLE_EQ(PolygonArea({Pos(0, 0), Pos(4, 0), Pos(1, 3)}), 6);
    EXPECT_DOUBLE_EQ(PolygonArea({Pos(0, 0), Pos(4, 0), Pos(4, 3), Pos(0, 3)}), 12);
    EXPECT_EQ(PolygonArea({Pos(0, 0), Pos(4, 0)}), 0);
    EXPECT_EQ(PolygonArea({}), 0);

    RqelCalculatedPosition centre = Pos(9, 9);
    centre.ZinM = 9;
    centre.TransponderID = 9;
    CenterOfPositions({Pos(0, 0, false), Pos(4, 2, false)}, centre);
    EXPECT_EQ(centre.XinM, 2);
    EXPECT_EQ(centre.YinM, 1);
    EXPECT_EQ(centre.ZinM, 0);
    EXPECT_EQ(centre.TransponderID, 0);
    EXPECT_TRUE(centre.OnField);
    CenterOfPositions({}, centre);
    EXPECT_EQ(centre.XinM, 0);
    EXPECT_FALSE(centre.OnField);
}

TEST(GeometryTest, AnglesBetweenVectors) {
    EXPECT_DOUBLE_EQ(VectorAngle({1, 0, 0}, {0, 5, 0}), kPi / 2);
    EXPECT_DOUBLE_EQ(VectorAngle({1, 0, 0}, {-3, 0, 0}), kPi);
    // Parallel vectors whose normalised product rounds past 1 still give a number.
    for (int64_t n = 1; n < 200; ++n) {
        const double angle = VectorAngle({n, 3 * n, 7 * n}, {2 * n, 6 * n, 14 * n});
        EXPECT_FALSE(std::isnan(angle)) << n;
        EXPECT_NEAR(angle, 0, 1e-7) << n;
    }
    EXPECT_THROW(VectorAngle({0, 0, 0}, {1, 0, 0}), EZeroDivide);
    EXPECT_THROW(VectorAngle({INT64_MAX, 0, 0}, {1, 0, 0}), EInvalidOp);

    EXPECT_NEAR(VertexAngleDeg(Pos(1, 1), Pos(2, 1), Pos(1, 5)), 90, 1e-12);
    EXPECT_NEAR(VertexAngleDeg(Pos(0, 0), Pos(3, 3), Pos(-1, -1)), 180, 1e-12);
    EXPECT_NEAR(VertexAngleDeg(Pos(0, 0), Pos(0.1, 0.3), Pos(0.2, 0.6)), 0, 1e-6);
    EXPECT_THROW(VertexAngleDeg(Pos(1, 1), Pos(1, 1), Pos(2, 2)), EZeroDivide);
}

TEST(GeometryTest, PerpendicularPoint) {
    const struct {
        RqelPositionRec p, q;
        int32_t distance;
        bool right;
        int32_t x, y;
    } cases[] = {
        {PosMM(0, 0), PosMM(0, 1000), 500, true, 500, 1000},
        {PosMM(0, 0), PosMM(0, 1000), 500, false, -500, 1000},
        {PosMM(0, 1000), PosMM(0, 0), 500, true, -500, 0},
        {PosMM(0, 0), PosMM(1000, 0), 500, true, 1000, -500},
        {PosMM(1000, 0), PosMM(0, 0), 500, true, 0, 500},
        {PosMM(0, 0), PosMM(1000, 1000), 1000, true, 1707, 293},
        {PosMM(0, 1000), PosMM(1000, 0), 1000, true, 293, -707},
        {PosMM(0, 1000), PosMM(1000, 0), 1000, false, 1707, 707},
    };
    for (const auto& c : cases) {
        RqelPositionRec out = PosMM(7, 7);
        out.ZinMM = 7;
        PerpendicularPoint(c.p, c.q, c.distance, c.right, out);
        EXPECT_EQ(out.XinMM, c.x) << c.p.XinMM << "," << c.p.YinMM << " right " << c.right;
        EXPECT_EQ(out.YinMM, c.y) << c.p.XinMM << "," << c.p.YinMM << " right " << c.right;
        EXPECT_EQ(out.ZinMM, 7);
    }
    // 60 m on a sloped line: the square of the distance is formed in floating point.
    RqelPositionRec out;
    const RqelPositionRec q = PosMM(20000, 5000);
    PerpendicularPoint(PosMM(0, 0), q, 60000, true, out);
    EXPECT_NEAR(Distance2DMM(q, out), 60000, 1);
    PerpendicularPoint(PosMM(3000, 1000), q, INT32_MAX, false, out);
    EXPECT_NEAR(Distance2DMM(q, out), INT32_MAX, 1);
    EXPECT_THROW(PerpendicularPoint(PosMM(INT32_MAX, 0), PosMM(INT32_MAX, 5), INT32_MAX, true, out),
                 EInvalidOp);
}

TEST(GeometryTest, CrossingAnAxisLine) {
    TqelFieldLineVaruza line = Line(5, 0, 5, 10);
    const struct {
        const char* name;
        uint8_t kind;
        RqelCalculatedPosition from, to;
        bool crosses;
        double fraction, x, y;
    } cases[] = {
        {"ends on the line", qel::CrossPositiveX, Pos(4, 5), Pos(5, 6), true, 1, 5, 6},
        {"starts on the line", qel::CrossPositiveX, Pos(5, 5), Pos(6, 5), false, 0, 0, 0},
        {"beyond the line's end", qel::CrossPositiveX, Pos(4, 11), Pos(6, 11), false, 0, 0, 0},
        {"wrong direction", qel::CrossPositiveX, Pos(6, 5), Pos(4, 5), false, 0, 0, 0},
        {"towards -X", qel::CrossNegativeX, Pos(6, 5), Pos(4, 5), true, 0.5, 5, 5},
        // OnField does not matter to the axis kinds.
        {"off field", qel::CrossNegativeX, Pos(6, 5, false), Pos(4, 5, false), true, 0.5, 5, 5},
        {"move parallel to the line", qel::CrossPositiveX, Pos(5, 1), Pos(5, 9), false, 0, 0, 0},
        {"not a number", qel::CrossPositiveX, Pos(kNaN, 5), Pos(6, 5), false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        double fraction = -1;
        RqelCalculatedPosition crossing = Pos(9, 9);
        EXPECT_EQ(CrossesFieldLine(&line, c.kind, c.from, c.to, fraction, crossing), c.crosses)
            << c.name;
        EXPECT_DOUBLE_EQ(fraction, c.fraction) << c.name;
        EXPECT_EQ(crossing.OnField, c.crosses) << c.name;
        if (c.crosses) {
            EXPECT_DOUBLE_EQ(crossing.XinM, c.x) << c.name;
            EXPECT_DOUBLE_EQ(crossing.YinM, c.y) << c.name;
        }
    }

    // Kinds 2 and 3 take the line's largest Y, across its X extent.
    TqelFieldLineVaruza across = Line(0, 3, 10, 3);
    double fraction = 0;
    RqelCalculatedPosition crossing;
    EXPECT_TRUE(
        CrossesFieldLine(&across, qel::CrossPositiveY, Pos(2, 1), Pos(4, 5), fraction, crossing));
    EXPECT_DOUBLE_EQ(fraction, 0.5);
    EXPECT_DOUBLE_EQ(crossing.XinM, 3);
    EXPECT_DOUBLE_EQ(crossing.YinM, 3);
    EXPECT_FALSE(
        CrossesFieldLine(&across, qel::CrossPositiveY, Pos(4, 5), Pos(2, 1), fraction, crossing));
    EXPECT_TRUE(
        CrossesFieldLine(&across, qel::CrossNegativeY, Pos(4, 5), Pos(2, 1), fraction, crossing));
    EXPECT_DOUBLE_EQ(fraction, 0.5);
    EXPECT_FALSE(
        CrossesFieldLine(nullptr, qel::CrossNegativeY, Pos(4, 5), Pos(2, 1), fraction, crossing));
    EXPECT_EQ(fraction, 0);
}

TEST(GeometryTest, CrossingASlopedLine) {
    TqelFieldLineVaruza line = Line(0, 0, 10, 10);
    ASSERT_FALSE(line.CoefficientCalculated());
    const struct {
        const char* name;
        uint8_t kind;
        RqelCalculatedPosition from, to;
        bool crosses;
        double fraction;
    } cases[] = {
        // Either way across counts, whatever sloped kind is asked for.
        {"kind 4 one way", qel::CrossBottomRightToTopLeft, Pos(6, 4), Pos(4, 6), true, 0.5},
        {"kind 4 other way", qel::CrossBottomRightToTopLeft, Pos(4, 6), Pos(6, 4), true, 0.5},
        {"kind 6 one way", qel::CrossTopLeftToBottomRight, Pos(6, 4), Pos(4, 6), true, 0.5},
        {"kind 6 other way", qel::CrossTopLeftToBottomRight, Pos(4, 6), Pos(6, 4), true, 0.5},
        {"no direction", qel::CrossNone, Pos(4, 6), Pos(6, 4), true, 0.5},
        {"quarter way", qel::CrossBottomRightToTopLeft, Pos(5.5, 4.5), Pos(3.5, 6.5), true, 0.25},
        {"move along Y", qel::CrossBottomRightToTopLeft, Pos(2, 0), Pos(2, 4), true, 0.5},
        {"from off field", qel::CrossBottomRightToTopLeft, Pos(6, 4, false), Pos(4, 6), false, 0},
        {"to off field", qel::CrossBottomRightToTopLeft, Pos(6, 4), Pos(4, 6, false), false, 0},
        {"ends 1 m before", qel::CrossBottomRightToTopLeft, Pos(8, 4), Pos(6, 4), false, 0},
        {"beyond the segment", qel::CrossBottomRightToTopLeft, Pos(13, 11), Pos(11, 13), false, 0},
        {"parallel move", qel::CrossBottomRightToTopLeft, Pos(0, 1), Pos(5, 6), false, 0},
        {"standing still", qel::CrossBottomRightToTopLeft, Pos(5, 5), Pos(5, 5), false, 0},
    };
    for (const auto& c : cases) {
        double fraction = -1;
        RqelCalculatedPosition crossing = Pos(9, 9);
        EXPECT_EQ(CrossesFieldLine(&line, c.kind, c.from, c.to, fraction, crossing), c.crosses)
            << c.name;
        EXPECT_NEAR(fraction, c.fraction, 1e-12) << c.name;
        EXPECT_EQ(crossing.OnField, c.crosses) << c.name;
        if (c.crosses && c.fraction == 0.5 && c.from.XinM != c.to.XinM) {
            EXPECT_NEAR(crossing.XinM, 5, 1e-12) << c.name;
            EXPECT_NEAR(crossing.YinM, 5, 1e-12) << c.name;
        }
    }
    EXPECT_TRUE(line.CoefficientCalculated());

    // The same through the millimetre form, OnField taken from Valid.
    double fraction = 0;
    RqelCalculatedPosition crossing;
    EXPECT_TRUE(CrossesFieldLineMM(&line, qel::CrossBottomLeftToTopRight, PosMM(6000, 4000),
                                   PosMM(4000, 6000), fraction, crossing));
    EXPECT_DOUBLE_EQ(fraction, 0.5);
    EXPECT_FALSE(CrossesFieldLineMM(&line, qel::CrossBottomLeftToTopRight, PosMM(6000, 4000),
                                    PosMM(4000, 6000, false), fraction, crossing));
}

TEST(GeometryTest, SlopedKindsOnAnAxisLineUseTheXTests) {
    // A line parallel to Y: kinds 4 and 7 count a move towards -X, 5 and 6 towards +X.
    TqelFieldLineVaruza line = Line(5, 0, 5, 10);
    const struct {
        uint8_t kind;
        bool towardsPlusX, towardsMinusX;
    } cases[] = {
        {qel::CrossBottomRightToTopLeft, false, true},
        {qel::CrossBottomLeftToTopRight, true, false},
        {qel::CrossTopLeftToBottomRight, true, false},
        {qel::CrossTopRightToBottomLeft, false, true},
        {qel::CrossNone, false, false},
    };
    for (const auto& c : cases) {
        double fraction = 0;
        RqelCalculatedPosition crossing;
        EXPECT_EQ(CrossesFieldLine(&line, c.kind, Pos(4, 5), Pos(6, 5), fraction, crossing),
                  c.towardsPlusX)
            << int(c.kind);
        EXPECT_EQ(CrossesFieldLine(&line, c.kind, Pos(6, 5), Pos(4, 5), fraction, crossing),
                  c.towardsMinusX)
            << int(c.kind);
        // Still only between positions on the field.
        EXPECT_FALSE(
            CrossesFieldLine(&line, c.kind, Pos(6, 5, false), Pos(4, 5), fraction, crossing));
    }
}

TEST(GeometryTest, CrossingDirectionTexts) {
    EXPECT_EQ(qel::CrossingDirectionText(0), QStringLiteral("positive X-axis"));
    EXPECT_EQ(qel::CrossingDirectionText(7), QStringLiteral("Top Right to Bottom Left"));
    EXPECT_EQ(qel::CrossingDirectionText(255), QStringLiteral("Select direction"));
    EXPECT_EQ(qel::CrossingDirectionText(8), QStringLiteral("Select direction"));
}

}  // namespace
