#include "model/field/default_soccer_field.h"

#include <gtest/gtest.h>

#include "model/field/field.h"
#include "model/field/field_bytes.h"
#include "model/field/field_notices.h"
#include "model/field/field_varuzas.h"
#include "support/temp_folder.h"

namespace {

using qel::test::FieldNotices;

const QStringList kPitchNames{"BorderBox",
                              "Midline",
                              "MidCircle",
                              "MidPoint",
                              "WestGoalArea",
                              "EastGoalArea",
                              "EastPenaltyArea",
                              "WestPenaltyArea",
                              "WestPenaltySpot",
                              "WestPenaltyCircle1",
                              "WestPenaltyCircle2",
                              "EastPenaltySpot",
                              "EastPenaltyCircle2",
                              "NorthWestCorner",
                              "NorthEastCorner",
                              "SouthWestCorner",
                              "SouthEastCorner",
                              "WestGoal",
                              "EastGoal"};

QStringList Names(const TqelField& aField) {
    QStringList names;
    for (const auto& varuza : aField.FieldVaruzas()) {
        names << varuza->Name();
    }
    return names;
}

template <typename T>
const T* Named(const TqelField& aField, const char* aName) {
    const TqelFieldVaruza* varuza = aField.FieldVaruzaByName(aName);
    return dynamic_cast<const T*>(varuza);
}

QList<RqelFieldPosition> Points(const TqelFieldMultiLineVaruza* aMultiLine) {
    QList<RqelFieldPosition> points;
    for (int32_t i = 0; i < aMultiLine->PointCount(); ++i) {
        points << aMultiLine->getPoint(i);
    }
    return points;
}

TEST(DefaultSoccerFieldTest, FullSizePitch) {
    TqelField field;
    CreateDefaultSoccerField(field, 105000, 68000);
    EXPECT_EQ(Names(field), kPitchNames);
    EXPECT_EQ(field.SportType(), sportSoccer);
    EXPECT_EQ(field.FieldBoxLeftTop(), (RqelFieldPosition{-52500, 34000}));
    EXPECT_EQ(field.FieldBoxRightBottom(), (RqelFieldPosition{52500, -34000}));
    EXPECT_EQ(field.MeasureBoxLeftTop(), (RqelFieldPosition{-56500, 38000}));
    EXPECT_EQ(field.MeasureBoxRightBottom(), (RqelFieldPosition{56500, -38000}));
    // Derived from the new field box.
    EXPECT_EQ(field.LeftPenaltyArea(), (RqelFieldPosition{-36040, 20115}));

    EXPECT_EQ(
        Points(Named<TqelFieldMultiLineVaruza>(field, "EastGoalArea")),
        (QList<RqelFieldPosition>{{52500, 9145}, {47010, 9145}, {47010, -9145}, {52500, -9145}}));
    EXPECT_EQ(Points(Named<TqelFieldMultiLineVaruza>(field, "WestPenaltyArea")),
              (QList<RqelFieldPosition>{
                  {-52500, 20115}, {-36040, 20115}, {-36040, -20115}, {-52500, -20115}}));
    const auto* midline = Named<TqelFieldLineVaruza>(field, "Midline");
    ASSERT_NE(midline, nullptr);
    EXPECT_EQ(midline->StartPoint(), (RqelFieldPosition{0, 34000}));
    EXPECT_EQ(midline->EndPoint(), (RqelFieldPosition{0, -34000}));

    const struct {
        const char* name;
        RqelFieldPosition centre;
        int32_t radius, start, end;
    } circles[] = {
        {"MidCircle", {0, 0}, 9145, 0, 360},
        {"MidPoint", {0, 0}, 145, 0, 360},
        {"WestPenaltySpot", {-41530, 0}, 90, 0, 360},
        {"WestPenaltyCircle1", {-41530, 0}, 9140, 0, 53},
        {"WestPenaltyCircle2", {-41530, 0}, 9140, 307, 360},
        {"EastPenaltySpot", {41530, 0}, 90, 0, 360},
        {"EastPenaltyCircle2", {41530, 0}, 9140, 127, 233},
        {"NorthWestCorner", {-52500, 34000}, 914, 270, 360},
        {"NorthEastCorner", {52500, 34000}, 914, 180, 270},
        {"SouthWestCorner", {-52500, -34000}, 914, 0, 90},
        {"SouthEastCorner", {52500, -34000}, 914, 90, 180},
    };
    for (const auto& c : circles) {
        const auto* circle = Named<TqelFieldCircleVaruza>(field, c.name);
        ASSERT_NE(circle, nullptr) << c.name;
        EXPECT_EQ(circle->CenterPoint(), c.centre) << c.name;
        EXPECT_EQ(circle->RadiusInMM(), c.radius) << c.name;
        EXPECT_EQ(circle->StartAngle(), c.start) << c.name;
        EXPECT_EQ(circle->EndAngle(), c.end) << c.name;
        EXPECT_EQ(circle->LineWidth(), 2) << c.name;
    }

    const auto* westGoal = Named<TqelFieldSoccerGoalVaruza>(field, "WestGoal");
    const auto* eastGoal = Named<TqelFieldSoccerGoalVaruza>(field, "EastGoal");
    EXPECT_EQ(westGoal->Position(), (RqelFieldPosition{-52500, 0}));
    EXPECT_EQ(westGoal->Angle(), 0);
    EXPECT_EQ(eastGoal->Position(), (RqelFieldPosition{52500, 0}));
    EXPECT_EQ(eastGoal->Angle(), 180);
    EXPECT_EQ(eastGoal->Width(), 7315);
    EXPECT_EQ(eastGoal->Height(), 2438);
    for (const auto& varuza : field.FieldVaruzas()) {
        EXPECT_EQ(varuza->Color(), 0xFFFFFF);
        EXPECT_TRUE(varuza->Visible());
        EXPECT_FALSE(varuza->AutoCreated());
    }
}

TEST(DefaultSoccerFieldTest, OddAndSmallSizes) {
    TqelField field;
    CreateDefaultSoccerField(field, 105001, 68001);
    EXPECT_EQ(
        Points(Named<TqelFieldMultiLineVaruza>(field, "BorderBox")),
        (QList<RqelFieldPosition>{
            {-52500, 34000}, {52500, 34000}, {52500, -34000}, {-52500, -34000}, {-52500, 34000}}));
    EXPECT_EQ(field.FieldBox().LengthInMM(), 105000);

    // Smaller than its penalty areas: placed by the same formulas, overlapping.
    CreateDefaultSoccerField(field, 20000, 10000);
    EXPECT_EQ(field.FieldVaruzaCount(), 19);
    EXPECT_EQ(Named<TqelFieldCircleVaruza>(field, "WestPenaltySpot")->CenterPoint(),
              (RqelFieldPosition{970, 0}));
    EXPECT_EQ(Points(Named<TqelFieldMultiLineVaruza>(field, "EastPenaltyArea"))[1],
              (RqelFieldPosition{-6460, 20115}));
}

TEST(DefaultSoccerFieldTest, ReplacesTheObjectsOnly) {
    FieldNotices notices;
    TqelField& field = notices.Field();
    field.setSportType(sportSoccer);
    field.AddLine(0, 0, 1000, 1000, "Old");
    field.AddCamera(0, 0, 9000, 0, 0, "Dome");
    field.addLaneDef({100, 200, "Lane"});
    field.addSectorDef({1, 0, 500, "Bend"});
    field.setHasTrack(true);
    field.setTrackLengthInMM(400000);
    RqelGPSPosition origin;
    origin.setLatitude(52.1);
    origin.setLongitude(5.1);
    field.SetGPSFieldLocation(origin);
    const RqelGPSPosition point2 = field.GPSPoint2();
    field.setModified(false);
    notices.Take();

    CreateDefaultSoccerField(field, 105000, 68000);
    EXPECT_EQ(Names(field), kPitchNames);
    EXPECT_EQ(field.LaneCount(), 1);
    EXPECT_EQ(field.SectorCount(), 1);
    EXPECT_TRUE(field.HasTrack());
    EXPECT_EQ(field.TrackLengthInMM(), 400000);
    EXPECT_EQ(field.GPSZeroPoint().Latitude(), 52.1);
    EXPECT_EQ(field.GPSPoint2().Longitude(), point2.Longitude());
    // Soccer already: still modified, and the dataset heard of it.
    EXPECT_TRUE(field.Modified());
    EXPECT_GE(notices.Take(), 1);
    EXPECT_EQ(notices.Dataset().SportType(), sportSoccer);
}

TEST(DefaultSoccerFieldTest, SavedPitchReadsBackEqual) {
    qel::test::TempFolder folder;
    TqelField field;
    CreateDefaultSoccerField(field, 105000, 68000);
    field.SaveToFile(folder.file("pitch.qfd"));
    TqelField loaded(folder.file("pitch.qfd"));
    EXPECT_EQ(Names(loaded), kPitchNames);
    // The pitch leaves the halfway line's crossing direction unset; reading computes it.
    auto* midline = static_cast<TqelFieldLineVaruza*>(field.FieldVaruzaByName("Midline"));
    EXPECT_EQ(midline->DefaultCrossingDirection(), qel::CrossNone);
    EXPECT_EQ(Named<TqelFieldLineVaruza>(loaded, "Midline")->DefaultCrossingDirection(),
              qel::CrossPositiveX);
    midline->setDefaultCrossingDirection(qel::CrossPositiveX);
    EXPECT_EQ(WriteBytes(loaded), WriteBytes(field));
}

}  // namespace
