#include <gtest/gtest.h>

#include <functional>

#include "model/field/field.h"
#include "model/field/field_bytes.h"
#include "model/field/field_notices.h"
#include "model/field/field_varuzas.h"

namespace {

using qel::test::FieldNotices;
using qel::test::MetrePosition;

TEST(FieldCreationTest, EveryOperationButTheMultiLineTellsTheDataset) {
    FieldNotices notices;
    TqelField& field = notices.Field();
    const struct {
        const char* name;
        std::function<TqelFieldVaruza*()> add;
        int least;
    } operations[] = {
        {"line", [&] { return field.AddLine(MetrePosition(1, 1), MetrePosition(2, 2), ""); }, 1},
        {"line mm", [&] { return field.AddLine(0, 0, 1000, 1000, ""); }, 1},
        {"multiline", [&] { return field.AddMultiLine("Ignored"); }, 0},
        {"pole", [&] { return field.AddPole(1, 2, 0x00FF00); }, 1},
        {"pylon", [&] { return field.AddPylon(1, 2); }, 1},
        {"goal", [&] { return field.AddSoccerGoal(); }, 1},
        {"rect",
         [&] {
             return field.AddRectangle({0, 10}, {10, 0});
         },
         1},
        {"text", [&] { return field.AddText("Hello", 1, 2, 0); }, 1},
        {"camera", [&] { return field.AddCamera(1, 2, 3, 4, 5, "Cam"); }, 1},
    };
    for (const auto& operation : operations) {
        notices.Take();
        const TqelFieldVaruza* added = operation.add();
        ASSERT_NE(added, nullptr) << operation.name;
        EXPECT_EQ(field.getFieldVaruza(field.FieldVaruzaCount() - 1), added) << operation.name;
        EXPECT_TRUE(added->Visible()) << operation.name;
        const int heard = notices.Take();
        if (operation.least == 0) {
            EXPECT_EQ(heard, 0) << operation.name;
        } else {
            EXPECT_GE(heard, 1) << operation.name;
        }
    }
    // Names from their kinds' bases; the multi-line's name argument is not used.
    QStringList names;
    for (const auto& varuza : field.FieldVaruzas()) {
        names << varuza->Name();
    }
    EXPECT_EQ(names, (QStringList{"line1", "line2", "multiline1", "pole1", "pylon1", "Goal1",
                                  "rect1", "text1", "Cam"}));
}

TEST(FieldCreationTest, LinesNearAnAxisAreLaidOnIt) {
    TqelField field;
    const struct {
        RqelFieldPosition from, to;
        uint8_t direction;
        RqelFieldPosition start, end;
    } cases[] = {
        // 270.03 degrees: crossed towards +X, made vertical at the mean X.
        {{1000, 10000}, {1011, -10000}, qel::CrossPositiveX, {1005, 10000}, {1005, -10000}},
        {{-7, -10000}, {0, 10000}, qel::CrossNegativeX, {-3, -10000}, {-3, 10000}},
        {{-10000, 500}, {10000, 480}, qel::CrossPositiveY, {-10000, 490}, {10000, 490}},
        {{10000, 0}, {-10000, 5}, qel::CrossNegativeY, {10000, 2}, {-10000, 2}},
        // A slanted line keeps its ends.
        {{0, 0}, {10000, 10000}, qel::CrossBottomRightToTopLeft, {0, 0}, {10000, 10000}},
    };
    for (const auto& c : cases) {
        const TqelFieldLineVaruza* line =
            field.AddLine(c.from.XinMM, c.from.YinMM, c.to.XinMM, c.to.YinMM, "");
        EXPECT_EQ(line->DefaultCrossingDirection(), c.direction) << line->Name().toStdString();
        EXPECT_EQ(line->StartPoint(), c.start) << line->Name().toStdString();
        EXPECT_EQ(line->EndPoint(), c.end) << line->Name().toStdString();
        EXPECT_TRUE(line->CoefficientCalculated());
    }
    // The coefficients are those of the line laid on the axis.
    const auto* vertical = static_cast<TqelFieldLineVaruza*>(field.getFieldVaruza(0));
    EXPECT_EQ(vertical->A(), 0);
    EXPECT_DOUBLE_EQ(vertical->Angle(), 1.5 * M_PI);
    const auto* horizontal = static_cast<TqelFieldLineVaruza*>(field.getFieldVaruza(2));
    EXPECT_DOUBLE_EQ(horizontal->B(), 0.49);
}

TEST(FieldCreationTest, LineNamesAndRoundedEnds) {
    TqelField field;
    field.NewVaruza<TqelFieldCircleVaruza>()->setName("Start");
    EXPECT_EQ(field.AddLine(0, 0, 1, 1, "Finish")->Name(), "Finish");
    EXPECT_EQ(field.AddLine(0, 0, 1, 1, "start")->Name(), "line1");
    EXPECT_EQ(field.AddLine(0, 0, 1, 1, "FINISH")->Name(), "line2");
    // Halves of a mm round to even.
    const TqelFieldLineVaruza* line =
        field.AddLine(MetrePosition(1.0625, -2.0625), MetrePosition(0.1875, 4), "Metres");
    EXPECT_EQ(line->Name(), "Metres");
    EXPECT_EQ(line->StartPoint(), (RqelFieldPosition{1062, -2062}));
    EXPECT_EQ(line->EndPoint(), (RqelFieldPosition{188, 4000}));
}

TEST(FieldCreationTest, PostsTextsAndRectangles) {
    TqelField field;
    field.setFieldBox({{-10000, 30000}, {50000, -10000}});
    const TqelFieldPylonVaruza* centred = field.AddPylon(0, 0);
    EXPECT_EQ(centred->Position(), (RqelFieldPosition{20000, 10000}));
    EXPECT_TRUE(centred->CanMove());
    EXPECT_EQ(field.AddPylon(0, 5)->Position(), (RqelFieldPosition{0, 5}));
    EXPECT_EQ(field.AddPylon(0, 5)->Name(), "pylon3");

    const TqelFieldPoleVaruza* pole = field.AddPole(-3, 4, 0x0000FF);
    EXPECT_EQ(pole->Position(), (RqelFieldPosition{-3, 4}));
    EXPECT_EQ(pole->Color(), 0x0000FF);
    EXPECT_TRUE(pole->CanMove());

    const TqelFieldTextVaruza* text = field.AddText("Warm-up", 7, 8, 0x123456);
    EXPECT_EQ(text->Text(), "Warm-up");
    EXPECT_EQ(text->Position(), (RqelFieldPosition{7, 8}));
    EXPECT_EQ(text->Color(), 0x123456);

    const TqelFieldRectangleVaruza* rectangle = field.AddRectangle({-5, 6}, {5, -6});
    EXPECT_EQ(rectangle->LeftTopPoint(), (RqelFieldPosition{-5, 6}));
    EXPECT_EQ(rectangle->RightBottomPoint(), (RqelFieldPosition{5, -6}));
    EXPECT_EQ(rectangle->Color(), 0xFFFFFF);
}

TEST(FieldCreationTest, SoccerGoalsAreSizedForTheSport) {
    const struct {
        TqelSports sport;
        int32_t width, height;
    } cases[] = {
        {sportSoccer, 7315, 2438},    {sportHandball, 3000, 2000}, {sportHockey, 3660, 2140},
        {sportIceHockey, 1830, 1230}, {sportTrack, 7315, 2438},
    };
    for (const auto& c : cases) {
        FieldNotices notices;
        TqelField& field = notices.Field();
        notices.Dataset().setSportType(c.sport);
        field.setFieldBox({{0, 20000}, {40000, 0}});
        // A sport without goal sizes keeps the goal's defaults.
        const TqelFieldSoccerGoalVaruza* goal = field.AddSoccerGoal();
        EXPECT_EQ(goal->Width(), c.width) << int(c.sport);
        EXPECT_EQ(goal->Height(), c.height) << int(c.sport);
        EXPECT_EQ(goal->Position(), (RqelFieldPosition{20000, 10000}));
        EXPECT_EQ(goal->Angle(), 0);
        EXPECT_TRUE(goal->CanMove());
        EXPECT_EQ(goal->Color(), 0xFFFFFF);
        EXPECT_EQ(goal->Name(), "Goal1");
    }
    TqelField alone;
    const TqelFieldSoccerGoalVaruza* goal = alone.AddSoccerGoal();
    EXPECT_EQ(goal->Width(), 7315);
    EXPECT_EQ(goal->Height(), 2438);
}

TEST(FieldCreationTest, CamerasAreReusedAndReplaceOtherKinds) {
    FieldNotices notices;
    TqelField& field = notices.Field();
    notices.Take();
    EXPECT_EQ(field.AddCamera(1, 2, 3, 4, 5, ""), nullptr);
    EXPECT_EQ(field.FieldVaruzaCount(), 0);
    EXPECT_EQ(notices.Take(), 0);

    TqelFieldCameraVaruza* camera = field.AddCamera(1000, 2000, 9500, 15, 0x00FF00, "Dome 1");
    EXPECT_EQ(camera->Name(), "Dome 1");
    EXPECT_EQ(camera->Text(), "Dome 1");
    EXPECT_EQ(camera->Position(), (RqelFieldPosition{1000, 2000}));
    EXPECT_EQ(camera->Height(), 9500);
    EXPECT_EQ(camera->PanOffset(), 15);
    EXPECT_EQ(camera->Color(), 0x00FF00);
    EXPECT_EQ(field.AddCamera(-1, -2, 8000, 0, 0, "DOME 1"), camera);
    EXPECT_EQ(camera->Position(), (RqelFieldPosition{-1, -2}));
    EXPECT_EQ(camera->Text(), "DOME 1");
    EXPECT_EQ(field.FieldVaruzaCount(), 1);

    // A finish line of the name is freed through the field, which forgets it.
    TqelFieldLineVaruza* finish = field.AddLine(0, -5000, 0, 5000, "Dome 2");
    field.setTrackFinishLine1(finish);
    field.setTrackFinishLine2(finish);
    TqelFieldCameraVaruza* second = field.AddCamera(0, 0, 9000, 0, 0, "Dome 2");
    EXPECT_EQ(field.FieldVaruzaCount(), 2);
    EXPECT_EQ(field.getFieldVaruza(1), second);
    EXPECT_EQ(field.TrackFinishLine1(), nullptr);
    EXPECT_EQ(field.TrackFinishLine2(), nullptr);
    // The stream names no finish line (AddressSanitizer watches the freed one).
    TqelField copy;
    ReadBytes(copy, WriteBytes(field));
    EXPECT_EQ(copy.getFieldVaruza(1)->VaruzaType(), fotCamera);
    EXPECT_EQ(copy.TrackFinishLine1(), nullptr);
}

}  // namespace
