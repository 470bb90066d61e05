#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/field/field_varuzas.h"

namespace {

constexpr double kPi = std::numbers::pi;

// One operation on one kind and what it must leave.
TEST(FieldVaruzaTest, TurnsRotationsAndShifts) {
    const struct {
        const char* name;
        std::function<bool()> holds;
    } cases[] = {
        {"arc 300..360 turned a quarter is 30..90",
         [] {
             TqelFieldCircleVaruza circle;
             circle.setCenterPoint(1000, 0);
             circle.setStartAngle(300);
             circle.setEndAngle(360);
             circle.Rotate90Deg();
             return circle.StartAngle() == 30 && circle.EndAngle() == 90 &&
                    circle.CenterPoint() == RqelFieldPosition{0, 1000};
         }},
        {"arc rotated past 360 comes back",
         [] {
             TqelFieldCircleVaruza circle;
             circle.setStartAngle(350);
             circle.setEndAngle(370);
             circle.Rotate(20.4);
             return circle.StartAngle() == 10 && circle.EndAngle() == 30;
         }},
        {"full circle stays 0..360",
         [] {
             TqelFieldCircleVaruza circle;
             circle.Rotate90Deg();
             circle.Rotate(33);
             return circle.StartAngle() == 0 && circle.EndAngle() == 360;
         }},
        {"text at 350 rotated 20 is at 10",
         [] {
             TqelFieldTextVaruza text;
             text.setAngle(350);
             text.Rotate(20);
             return text.Angle() == 10;
         }},
        {"text at -10 turned a quarter is at 80",
         [] {
             TqelFieldTextVaruza text;
             text.setAngle(-10);
             text.setPosition(0, 1000);
             text.Rotate90Deg();
             return text.Angle() == 80 && text.Position() == RqelFieldPosition{-1000, 0};
         }},
        {"remainder keeps the dividend's sign",
         [] {
             TqelFieldNetVaruza net;
             net.setPosition(0, 0, -100);
             net.Rotate(-300);
             return net.Angle() == -40;
         }},
        {"plane shifted (5, 5) moves its three points once",
         [] {
             TqelFieldPlaneVaruza plane;
             plane.addPoint(0, 0);
             plane.addPoint(10, 0);
             plane.addPoint(10, 10);
             plane.Transpose(5, 5);
             return plane.PointCount() == 3 && plane.getPoint(0) == RqelFieldPosition{5, 5} &&
                    plane.getPoint(1) == RqelFieldPosition{15, 5} &&
                    plane.getPoint(2) == RqelFieldPosition{15, 15};
         }},
        {"camera turns its position and label, not its viewer",
         [] {
             TqelFieldCameraVaruza camera;
             camera.setViewerPos(500, 500);
             camera.setTextAngle(300);
             camera.Rotate90Deg();
             camera.Transpose(1, 1);
             return camera.Position() == RqelFieldPosition{1, 1001} &&
                    camera.ViewerPos() == RqelFieldPosition{500, 500} && camera.TextAngle() == 30;
         }},
        {"line's coefficients go stale",
         [] {
             TqelFieldLineVaruza line({0, 0}, {1000, 0});
             line.CalculateCoefficients();
             line.Rotate90Deg();
             return !line.CoefficientCalculated() && line.EndPoint() == RqelFieldPosition{0, 1000};
         }},
        {"rectangle corners are not re-ordered",
         [] {
             TqelFieldRectangleVaruza rectangle;
             rectangle.setLeftTopPoint(-10, 20);
             rectangle.setRightBottomPoint(30, -40);
             rectangle.Rotate(180);
             return rectangle.LeftTopPoint() == RqelFieldPosition{10, -20} &&
                    rectangle.RightBottomPoint() == RqelFieldPosition{-30, 40};
         }},
        {"pylon only moves",
         [] {
             TqelFieldPylonVaruza pylon;
             pylon.Rotate(90);
             pylon.Transpose(-1, 2);
             return pylon.Position() == RqelFieldPosition{-1, 1002};
         }},
        {"goal turns its angle",
         [] {
             TqelFieldSoccerGoalVaruza goal;
             goal.Rotate90Deg();
             goal.Rotate90Deg();
             return goal.Angle() == 180 && goal.Position() == RqelFieldPosition{-1000, 0};
         }},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.holds()) << c.name;
    }
}

TEST(FieldVaruzaTest, CameraViewerFollowsItsPositionWhenEqual) {
    TqelFieldCameraVaruza camera;
    camera.setPosition(2000, 3000);
    EXPECT_EQ(camera.ViewerPos(), (RqelFieldPosition{2000, 3000}));
    camera.setViewerPos(2500, 3000);
    camera.setPosition(0, 0);
    EXPECT_EQ(camera.ViewerPos(), (RqelFieldPosition{2500, 3000}));
    camera.setHeight(7500);
    const RqelCalculatedPosition view = camera.ViewPos();
    EXPECT_EQ(view.XinM, 2.5);
    EXPECT_EQ(view.YinM, 3);
    EXPECT_EQ(view.ZinM, 7.5);
}

TEST(FieldVaruzaTest, RectangleIsInBoxWithItsBorders) {
    TqelFieldRectangleVaruza rectangle;
    rectangle.setLeftTopPoint(-100, 200);
    rectangle.setRightBottomPoint(300, -400);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double x, y;
        bool inside;
    } cases[] = {
        {-100, 0, true},    {300, 0, true},    {0, 200, true},    {0, -400, true},
        {-100.5, 0, false}, {300.5, 0, false}, {0, 200.5, false}, {0, -400.5, false},
        {nan, 0, true},     {nan, 500, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rectangle.IsInBox(c.x, c.y), c.inside) << c.x << ", " << c.y;
    }
}

TEST(FieldVaruzaTest, LineAnglesAndDefaultCrossingDirections) {
    TqelFieldLineVaruza along({0, 0}, {10000, 0});
    EXPECT_EQ(along.CalcDefaultCrossingDirection(), qel::CrossPositiveY);
    along.setDefaultCrossingDirection(qel::CrossPositiveY);
    EXPECT_EQ(along.Angle(qel::CrossNegativeY), kPi);
    EXPECT_EQ(along.Angle(qel::CrossPositiveY), 0);
    TqelFieldLineVaruza up({0, 0}, {0, 10000});
    EXPECT_EQ(up.CalcDefaultCrossingDirection(), qel::CrossNegativeX);
    EXPECT_DOUBLE_EQ(up.Angle(), kPi / 2);
    EXPECT_EQ(up.A(), 0);
    // Past 2 pi the turned angle comes back by one turn.
    TqelFieldLineVaruza down({0, 0}, {0, -10000});
    down.setDefaultCrossingDirection(qel::CrossPositiveX);
    down.CalculateCoefficients();
    EXPECT_DOUBLE_EQ(down.Angle(qel::CrossNegativeX), kPi / 2);

    const struct {
        double degrees;
        uint8_t direction;
    } cases[] = {
        {0, qel::CrossPositiveY},     {45, qel::CrossBottomRightToTopLeft},
        {90, qel::CrossNegativeX},    {135, qel::CrossTopRightToBottomLeft},
        {180, qel::CrossNegativeY},   {225, qel::CrossTopLeftToBottomRight},
        {270, qel::CrossPositiveX},   {315, qel::CrossBottomLeftToTopRight},
        {359.7, qel::CrossPositiveY},
    };
    for (const auto& c : cases) {
        const double radians = c.degrees * kPi / 180;
        TqelFieldLineVaruza line({0, 0},
                                 {static_cast<int32_t>(std::lround(1e6 * std::cos(radians))),
                                  static_cast<int32_t>(std::lround(1e6 * std::sin(radians)))});
        EXPECT_EQ(line.CalcDefaultCrossingDirection(), c.direction) << c.degrees;
    }
}

TEST(FieldVaruzaTest, PointIndexesAreChecked) {
    TqelFieldMultiLineVaruza multiLine;
    multiLine.addPoint(1, 2);
    multiLine.SetPoint(0, 3, 4);
    EXPECT_EQ(multiLine.getPoint(0), (RqelFieldPosition{3, 4}));
    EXPECT_THROW(multiLine.getPoint(1), EArgumentOutOfRangeException);
    EXPECT_THROW(multiLine.getPoint(-1), EArgumentOutOfRangeException);
    EXPECT_THROW(multiLine.SetPoint(1, 0, 0), EArgumentOutOfRangeException);
    multiLine.ClearPoints();
    EXPECT_EQ(multiLine.PointCount(), 0);
}

// Which setters tell the field: the goal, pylon, pole and camera placements mark it modified (and
// so reach the dataset); the basket and net do not.
TEST(FieldVaruzaTest, PlacementsMarkTheField) {
    TqelDataset dataset;
    TqelField field(&dataset);
    auto* goal = field.NewVaruza<TqelFieldSoccerGoalVaruza>();
    auto* basket = field.NewVaruza<TqelFieldBasketVaruza>();
    auto* camera = field.NewVaruza<TqelFieldCameraVaruza>();
    auto* pole = field.NewVaruza<TqelFieldPoleVaruza>();
    EXPECT_FALSE(field.Modified());
    basket->setPosition(1, 2, 3);
    field.NewVaruza<TqelFieldNetVaruza>()->DefaultTennisNet();
    EXPECT_FALSE(field.Modified());
    goal->setPosition(1, 2, 3);
    EXPECT_TRUE(field.Modified());
    EXPECT_TRUE(dataset.Modified());
    for (const auto& mark : std::initializer_list<std::function<void()>>{
             [&] { goal->SetDimensions(1, 2); }, [&] { camera->setText("A"); },
             [&] { camera->setHeight(1); }, [&] { pole->setPosition(5, 5); }}) {
        field.setModified(false);
        mark();
        EXPECT_TRUE(field.Modified());
    }
    EXPECT_EQ(goal->WorldPos().XinM, 0.001);
    EXPECT_EQ(pole->Color(), 0x008000);
    EXPECT_EQ(camera->Color(), 0x0000FF);
}

}  // namespace
