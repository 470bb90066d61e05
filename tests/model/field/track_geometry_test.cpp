#include "model/field/track_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/field/field.h"
#include "oval_track.h"

namespace {

using qel::test::SetOvalTrack;

RqelCalculatedPosition At(double aXinM, double aYinM) {
    RqelCalculatedPosition position;
    position.XinM = aXinM;
    position.YinM = aYinM;
    return position;
}

// A vertical-track point (x, y) turned a quarter clockwise, as on the horizontal oval.
RqelCalculatedPosition Turned(const RqelCalculatedPosition& aPos) {
    return At(aPos.YinM, -aPos.XinM);
}

struct PlacedPoint {
    double X, Y;
    int32_t Segment;
    double Distance;
    double Position;
};

constexpr PlacedPoint kPoints[] = {
    {36, 0, 0, 0, 50},
    {0, 86, 1, 0, 156.548},
    {-36, 0, 2, 0, 263.097},
    {0, -86, 3, 0, 369.646},
    // On the lower centre's height the point still lies on the straight, at the finish line.
    {36, -50, 0, 0, 0},
    {30, 0, 0, -6, 50},
};

TEST(TrackGeometry, PlacesPointsOnTheVerticalOvalAndTheSameOvalTurnedHorizontal) {
    for (const bool horizontal : {false, true}) {
        TqelField field;
        SetOvalTrack(field, horizontal);
        for (const PlacedPoint& c : kPoints) {
            const RqelCalculatedPosition p = horizontal ? Turned(At(c.X, c.Y)) : At(c.X, c.Y);
            const std::string where = (horizontal ? "horizontal " : "vertical ") +
                                      std::to_string(c.X) + ", " + std::to_string(c.Y);
            EXPECT_EQ(TrackSegmentOfPosition(field, p.XinM, p.YinM), c.Segment) << where;
            EXPECT_NEAR(DistanceToTrackLine(field, p.XinM, p.YinM), c.Distance, 1e-9) << where;
            EXPECT_NEAR(TrackPositionInM(field, p.XinM, p.YinM), c.Position, 1e-9) << where;
        }
        // Just before the finish line the position is just below the track length.
        const RqelCalculatedPosition beforeFinish =
            horizontal ? Turned(At(36, -50.02)) : At(36, -50.02);
        const double position = TrackPositionInM(field, beforeFinish.XinM, beforeFinish.YinM);
        EXPECT_GT(position, 426.17);
        EXPECT_LT(position, 426.194);
    }
}

TEST(TrackGeometry, DistanceRunAlongAStraightAndAroundABend) {
    const struct {
        RqelCalculatedPosition P1, P2;
        double Distance;
    } cases[] = {
        // The midpoint (0, 50) is not above the upper centre: the left straight, no Y run.
        {At(36, 50), At(-36, 50), 0},
        {At(36, 60), At(-36, 60), 97.133},
        {At(36, -10), At(36, 20), 30},
        // A quarter of the lower bend on the track line.
        {At(-36, -50), At(0, -86), 56.549},
    };
    for (const bool horizontal : {false, true}) {
        TqelField field;
        SetOvalTrack(field, horizontal);
        for (const auto& c : cases) {
            const RqelCalculatedPosition p1 = horizontal ? Turned(c.P1) : c.P1;
            const RqelCalculatedPosition p2 = horizontal ? Turned(c.P2) : c.P2;
            EXPECT_NEAR(TrackBendAngleDistance(field, p1, p2), c.Distance, 0.0005)
                << horizontal << " " << c.P1.XinM << ", " << c.P1.YinM;
        }
    }
}

TEST(TrackGeometry, ABendCentreGivesNumbersNotNaN) {
    TqelField field;
    SetOvalTrack(field);
    // Both points of the first pair lie above the upper centre; the second lies on it.
    EXPECT_EQ(TrackBendAngleDistance(field, At(0, 50), At(0, 60)), 0);
    EXPECT_EQ(TrackBendAngleDistance(field, At(0, 60), At(0, 60)), 0);
    // The bend centre itself lies between the straights.
    EXPECT_NEAR(TrackPositionInM(field, 0, 50), 213.097, 1e-9);
    EXPECT_EQ(DistanceToTrackLine(field, 0, 50), -36);
    // Radii in one direction whose cosine rounds to just above 1.
    EXPECT_EQ(TrackBendAngleDistance(field, At(0.1, 51), At(0.2, 52)), 0);
}

TEST(TrackGeometry, UnknownOrientationAndNoLength) {
    TqelField field;
    SetOvalTrack(field);
    field.setTrackOrientation(static_cast<TqelTrackOrientation>(7));
    EXPECT_EQ(TrackSegmentOfPosition(field, 36, 0), 0);
    EXPECT_EQ(DistanceToTrackLine(field, 30, 0), 0);
    EXPECT_EQ(TrackPositionInM(field, 36, 10), 0);
    EXPECT_EQ(TrackBendAngleDistance(field, At(36, 60), At(-36, 60)), 0);

    // Without a length the position is not wrapped at the finish line.
    SetOvalTrack(field);
    field.setTrackLengthInMM(0);
    EXPECT_NEAR(TrackPositionInM(field, 36, 10), 60, 1e-9);
}

}  // namespace
