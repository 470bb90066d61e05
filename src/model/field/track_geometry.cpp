#include "model/field/track_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "model/field/field.h"

namespace {

struct PointMM {
    int64_t X = 0;
    int64_t Y = 0;
};

PointMM ToMM(double aXinM, double aYinM) {
    return {static_cast<int64_t>(std::floor(aXinM * 1000)),
            static_cast<int64_t>(std::floor(aYinM * 1000))};
}

// The track seen as a vertical one: Upper and Lower are the bend centres, FinishY the finish
// line's Y, all in mm. A horizontal track and its points are turned a quarter counter-clockwise.
struct VerticalTrack {
    PointMM Upper;
    PointMM Lower;
    int64_t FinishY = 0;
    // The X of the line between the straights, from which their distance is measured.
    int64_t MiddleX = 0;
    int64_t Radius = 0;
    int64_t Length = 0;
    bool Known = true;

    int64_t Straight() const { return Upper.Y - Lower.Y; }
    int64_t Bend() const { return (Length - 2 * Straight()) / 2; }
};

PointMM TurnedQuarter(PointMM aPoint) {
    return {-aPoint.Y, aPoint.X};
}

VerticalTrack AsVertical(const TqelField& aField) {
    const RqelTrackDefinition& definition = aField.TrackDefinition();
    const PointMM c1{definition.TrackCorner1.XinMM, definition.TrackCorner1.YinMM};
    const PointMM c2{definition.TrackCorner2.XinMM, definition.TrackCorner2.YinMM};
    VerticalTrack track;
    track.Radius = aField.TrackLeftRightRadius();
    track.Length = aField.TrackLengthInMM();
    switch (aField.TrackOrientation()) {
        case trackVertical:
            track.Upper = c1;
            track.Lower = c2;
            track.FinishY = aField.TrackFinishLeft().YinMM;
            track.MiddleX = c1.X;
            break;
        case trackHorizontal:
            // The right bend comes first in the running direction, so it becomes the upper one.
            track.Upper = TurnedQuarter(c2);
            track.Lower = TurnedQuarter(c1);
            track.FinishY = aField.TrackFinishLeft().XinMM;
            track.MiddleX = TurnedQuarter(c1).X;
            break;
        default:
            track.Known = false;
            break;
    }
    return track;
}

PointMM InTrackFrame(const TqelField& aField, PointMM aPoint) {
    return aField.TrackOrientation() == trackHorizontal ? TurnedQuarter(aPoint) : aPoint;
}

int32_t SegmentOf(const TqelField& aField, PointMM aPoint) {
    const RqelTrackDefinition& definition = aField.TrackDefinition();
    const RqelFieldPosition& c1 = definition.TrackCorner1;
    const RqelFieldPosition& c2 = definition.TrackCorner2;
    switch (aField.TrackOrientation()) {
        case trackVertical:
            if (aPoint.Y > c1.YinMM) {
                return 1;
            }
            if (aPoint.Y < c2.YinMM) {
                return 3;
            }
            return aPoint.X <= c1.XinMM ? 2 : 0;
        case trackHorizontal:
            if (aPoint.X < c1.XinMM) {
                return 3;
            }
            if (aPoint.X > c2.XinMM) {
                return 1;
            }
            return aPoint.Y > c1.YinMM ? 2 : 0;
        default:
            return 0;
    }
}

int64_t SquaredLength(int64_t aX, int64_t aY) {
    return aX * aX + aY * aY;
}

// Rounding can push a cosine just outside [-1, 1], where arccos is not a number.
double ClampedArcCos(double aCosine) {
    return std::acos(std::clamp(aCosine, -1.0, 1.0));
}

// The angle from the bend's start, 0 .. pi, of a point around a bend centre.
double BendAngle(PointMM aPoint, PointMM aCentre) {
    const int64_t dx = aPoint.X - aCentre.X;
    const double r = std::sqrt(static_cast<double>(SquaredLength(dx, aPoint.Y - aCentre.Y)));
    return r == 0 ? 0 : ClampedArcCos(static_cast<double>(dx) / r);
}

}  // namespace

int32_t TrackSegmentOfPosition(const TqelField& aField, double aXinM, double aYinM) {
    return SegmentOf(aField, ToMM(aXinM, aYinM));
}

double DistanceToTrackLine(const TqelField& aField, double aXinM, double aYinM) {
    const PointMM point = ToMM(aXinM, aYinM);
    const VerticalTrack track = AsVertical(aField);
    if (!track.Known) {
        return 0;
    }
    const PointMM p = InTrackFrame(aField, point);
    int64_t distance = 0;
    const int32_t segment = SegmentOf(aField, point);
    switch (segment) {
        case 1:
        case 3: {
            const PointMM centre = segment == 1 ? track.Upper : track.Lower;
            const int64_t squared = SquaredLength(p.X - centre.X, p.Y - centre.Y);
            distance = static_cast<int64_t>(std::floor(std::sqrt(static_cast<double>(squared))));
            break;
        }
        default:
            distance = std::abs(p.X - track.MiddleX);
            break;
    }
    return static_cast<double>(distance - track.Radius) / 1000;
}

double TrackPositionInM(const TqelField& aField, double aXinM, double aYinM) {
    const PointMM point = ToMM(aXinM, aYinM);
    const VerticalTrack track = AsVertical(aField);
    if (!track.Known) {
        return 0;
    }
    const PointMM p = InTrackFrame(aField, point);
    const int64_t s = track.Straight();
    const int64_t b = track.Bend();
    int64_t position = 0;
    switch (SegmentOf(aField, point)) {
        case 0:
            position = p.Y - track.Lower.Y;
            break;
        case 1:
            position = static_cast<int64_t>(std::floor(
                           static_cast<double>(b) * BendAngle(p, track.Upper) / std::numbers::pi)) +
                       s;
            break;
        case 2:
            position = (track.Upper.Y - p.Y) + s + b;
            break;
        default:
            position =
                (b - static_cast<int64_t>(std::floor(
                         static_cast<double>(b) * BendAngle(p, track.Lower) / std::numbers::pi))) +
                s + b + s;
            break;
    }
    if (track.Length > 0) {
        // The remainder of a truncating division: the finish line becomes 0.
        position = (position + track.Length - (track.FinishY - track.Lower.Y)) % track.Length;
    }
    return static_cast<double>(position) / 1000;
}

double TrackBendAngleDistance(const TqelField& aField, const RqelCalculatedPosition& aPos1,
                              const RqelCalculatedPosition& aPos2) {
    const VerticalTrack track = AsVertical(aField);
    if (!track.Known) {
        return 0;
    }
    const PointMM middle = ToMM((aPos1.XinM + aPos2.XinM) / 2, (aPos1.YinM + aPos2.YinM) / 2);
    const int32_t segment = SegmentOf(aField, middle);
    if (segment == 0 || segment == 2) {
        // Along the straight: Y on a vertical track, X on a horizontal one.
        return aField.TrackOrientation() == trackHorizontal ? std::abs(aPos2.XinM - aPos1.XinM)
                                                            : std::abs(aPos2.YinM - aPos1.YinM);
    }
    // The angle between two radii does not change when the track is turned.
    const RqelTrackDefinition& definition = aField.TrackDefinition();
    const bool aroundCorner1 = (segment == 1) == (aField.TrackOrientation() == trackVertical);
    const RqelFieldPosition& corner =
        aroundCorner1 ? definition.TrackCorner1 : definition.TrackCorner2;
    const double cx = corner.XinMM / 1000.0;
    const double cy = corner.YinMM / 1000.0;
    const double x1 = aPos1.XinM - cx;
    const double y1 = aPos1.YinM - cy;
    const double x2 = aPos2.XinM - cx;
    const double y2 = aPos2.YinM - cy;
    const double r1 = std::hypot(x1, y1);
    const double r2 = std::hypot(x2, y2);
    if (r1 == 0 || r2 == 0) {
        return 0;
    }
    return ClampedArcCos((x1 * x2 + y1 * y2) / (r1 * r2)) * (r1 + r2) / 2;
}
