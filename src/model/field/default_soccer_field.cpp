#include "model/field/default_soccer_field.h"

#include <QString>
#include <initializer_list>

#include "model/field/field.h"
#include "model/field/field_varuzas.h"

namespace {

// Markings of the pitch (mm).
constexpr int32_t kMarginInMM = 4000;
constexpr int32_t kCentreCircleRadiusInMM = 9145;
constexpr int32_t kCentreSpotRadiusInMM = 145;
constexpr int32_t kGoalAreaDepthInMM = 5490;
constexpr int32_t kGoalAreaHalfWidthInMM = 9145;
constexpr int32_t kPenaltyAreaDepthInMM = TqelField::kPenaltyAreaDepthInMM;
constexpr int32_t kPenaltyAreaHalfWidthInMM = TqelField::kPenaltyAreaHalfWidthInMM;
constexpr int32_t kPenaltySpotDistanceInMM = 10970;
constexpr int32_t kPenaltySpotRadiusInMM = 90;
constexpr int32_t kPenaltyArcRadiusInMM = 9140;
constexpr int32_t kCornerArcRadiusInMM = 914;

void AddMultiLine(TqelField& aField, const char* aName,
                  std::initializer_list<RqelFieldPosition> aPoints) {
    auto* multiLine = aField.NewVaruza<TqelFieldMultiLineVaruza>();
    multiLine->setName(QString::fromLatin1(aName));
    for (const RqelFieldPosition& point : aPoints) {
        multiLine->addPoint(point);
    }
}

void AddCircle(TqelField& aField, const char* aName, RqelFieldPosition aCentre, int32_t aRadius,
               int32_t aStartAngle, int32_t anEndAngle) {
    auto* circle = aField.NewVaruza<TqelFieldCircleVaruza>();
    circle->setName(QString::fromLatin1(aName));
    circle->setCenterPoint(aCentre.XinMM, aCentre.YinMM);
    circle->setRadiusInMM(aRadius);
    circle->setStartAngle(aStartAngle);
    circle->setEndAngle(anEndAngle);
}

void AddGoal(TqelField& aField, const char* aName, int32_t aXinMM, int32_t anAngle) {
    auto* goal = aField.NewVaruza<TqelFieldSoccerGoalVaruza>();
    goal->setName(QString::fromLatin1(aName));
    goal->setPosition(aXinMM, 0, anAngle);
}

}  // namespace

void CreateDefaultSoccerField(TqelField& aField, int32_t aLengthInMM, int32_t aWidthInMM) {
    aField.CheckNotRecording(QStringLiteral("replaced"));
    // Half sizes truncated towards zero: an odd length loses its last millimetre. Halves of
    // int32 values leave room for every offset below.
    const int32_t L = aLengthInMM / 2;
    const int32_t W = aWidthInMM / 2;

    aField.clearVaruzas();
    aField.setSportType(sportSoccer);
    aField.setMeasureBox(
        {{-L - kMarginInMM, W + kMarginInMM}, {L + kMarginInMM, -W - kMarginInMM}});
    aField.setFieldBox({{-L, W}, {L, -W}});

    AddMultiLine(aField, "BorderBox", {{-L, W}, {L, W}, {L, -W}, {-L, -W}, {-L, W}});
    auto* midline = aField.NewVaruza<TqelFieldLineVaruza>();
    midline->setName(QStringLiteral("Midline"));
    midline->setStartPoint(0, W);
    midline->setEndPoint(0, -W);
    AddCircle(aField, "MidCircle", {0, 0}, kCentreCircleRadiusInMM, 0, 360);
    AddCircle(aField, "MidPoint", {0, 0}, kCentreSpotRadiusInMM, 0, 360);

    const int32_t goalArea = kGoalAreaHalfWidthInMM;
    const int32_t penaltyArea = kPenaltyAreaHalfWidthInMM;
    AddMultiLine(aField, "WestGoalArea",
                 {{-L, goalArea},
                  {-L + kGoalAreaDepthInMM, goalArea},
                  {-L + kGoalAreaDepthInMM, -goalArea},
                  {-L, -goalArea}});
    AddMultiLine(aField, "EastGoalArea",
                 {{L, goalArea},
                  {L - kGoalAreaDepthInMM, goalArea},
                  {L - kGoalAreaDepthInMM, -goalArea},
                  {L, -goalArea}});
    AddMultiLine(aField, "EastPenaltyArea",
                 {{L, penaltyArea},
                  {L - kPenaltyAreaDepthInMM, penaltyArea},
                  {L - kPenaltyAreaDepthInMM, -penaltyArea},
                  {L, -penaltyArea}});
    AddMultiLine(aField, "WestPenaltyArea",
                 {{-L, penaltyArea},
                  {-L + kPenaltyAreaDepthInMM, penaltyArea},
                  {-L + kPenaltyAreaDepthInMM, -penaltyArea},
                  {-L, -penaltyArea}});

    // The west arc crosses angle 0, so it takes two objects; the east one does not.
    const RqelFieldPosition westSpot{-L + kPenaltySpotDistanceInMM, 0};
    const RqelFieldPosition eastSpot{L - kPenaltySpotDistanceInMM, 0};
    AddCircle(aField, "WestPenaltySpot", westSpot, kPenaltySpotRadiusInMM, 0, 360);
    AddCircle(aField, "WestPenaltyCircle1", westSpot, kPenaltyArcRadiusInMM, 0, 53);
    AddCircle(aField, "WestPenaltyCircle2", westSpot, kPenaltyArcRadiusInMM, 307, 360);
    AddCircle(aField, "EastPenaltySpot", eastSpot, kPenaltySpotRadiusInMM, 0, 360);
    AddCircle(aField, "EastPenaltyCircle2", eastSpot, kPenaltyArcRadiusInMM, 127, 233);

    AddCircle(aField, "NorthWestCorner", {-L, W}, kCornerArcRadiusInMM, 270, 360);
    AddCircle(aField, "NorthEastCorner", {L, W}, kCornerArcRadiusInMM, 180, 270);
    AddCircle(aField, "SouthWestCorner", {-L, -W}, kCornerArcRadiusInMM, 0, 90);
    AddCircle(aField, "SouthEastCorner", {L, -W}, kCornerArcRadiusInMM, 90, 180);

    AddGoal(aField, "WestGoal", -L, 0);
    AddGoal(aField, "EastGoal", L, 180);

    // Derives the penalty-area corners from the new field box and tells the dataset.
    aField.setModified(true);
}
