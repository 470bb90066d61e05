#pragma once

#include <QString>
#include <cstdint>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "platform/exception.h"

// Plane and space geometry shared by the data model, the analyses, the drivers and the cameras.
// Stateless: any thread may call these. Angles are radians; a bearing runs from +X towards +Y
// and lies in [0, 2*pi).

namespace qel {

// What the crossing test needs of a line: its end points in metres and its equation
// Y = A * X + B with C the slope of the perpendicular. The data model's field line provides it.
class ICrossingLine {
public:
    virtual void StartPos(RqelCalculatedPosition& aPos) const = 0;
    virtual void EndPos(RqelCalculatedPosition& aPos) const = 0;
    virtual bool CoefficientCalculated() const = 0;
    virtual void CalculateCoefficients() = 0;
    virtual double A() const = 0;
    virtual double B() const = 0;
    virtual double C() const = 0;

protected:
    ~ICrossingLine() = default;
};

// How a move must cross a field line to count (one byte wherever it is stored).
constexpr uint8_t CrossPositiveX = 0;
constexpr uint8_t CrossNegativeX = 1;
constexpr uint8_t CrossPositiveY = 2;
constexpr uint8_t CrossNegativeY = 3;
constexpr uint8_t CrossBottomRightToTopLeft = 4;
constexpr uint8_t CrossBottomLeftToTopRight = 5;
constexpr uint8_t CrossTopLeftToBottomRight = 6;
constexpr uint8_t CrossTopRightToBottomLeft = 7;
constexpr uint8_t CrossNone = 255;

// The text under which the operator chooses a crossing direction; "Select direction" for 255 and
// for any value without a text of its own.
QString CrossingDirectionText(uint8_t aCrossingDirection);

// A 3-D vector with 64-bit integer components, for VectorAngle.
struct Vector3I64 {
    int64_t X = 0;
    int64_t Y = 0;
    int64_t Z = 0;
};

}  // namespace qel

// Turns (X, Y) counter-clockwise about the origin; each result rounded half to even. Raises
// EInvalidOp when a result does not fit 32 bits (the point is then left as it was).
void RotatePoint(int32_t& X, int32_t& Y, double aAngle);
void RotatePointF(double& X, double& Y, double aAngle);

// Pi/2, pi, 3*pi/2 or 0 for an angle within 5 whole degrees of that axis (85..94 degrees etc.);
// any other angle, a non-finite one included, comes back unchanged.
double SnapAngleToAxis(double aAngle);

// Bearing from aFrom to aTo; 0 (CalcBearingMM: -1) when the points coincide.
double CalcBearing(const RqelCalculatedPosition& aFrom, const RqelCalculatedPosition& aTo);
double CalcBearingMM(const RqelPositionRec& aFrom, const RqelPositionRec& aTo);

// Angle of the move from (X1, Y1) to (X2, Y2) measured from +Y towards +X, turned by pi when play
// runs right to left; in (-pi, pi]. Note the (Y, X) order of the arguments.
double DirectionAngle(TqelPlayDirection aPlayDirection, double aY1, double aX1, double aY2,
                      double aX2);

// (second.Y - first.Y) / (second.X - first.X). Raises EZeroDivide for two points with the same X.
double LineSlope(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond);

// aValue between the bounds, both inclusive, whichever bound is larger.
bool IsBetween(double aBound1, double aBound2, double aValue);

// Distance of aPoint from the line through aLinePoint1 and aLinePoint2. With aSegmentOnly the
// foot of the perpendicular must lie on the segment; when it does not, the nearer end's distance
// with aNearestEnd, else a quiet NaN.
double DistancePointToLine(const RqelCalculatedPosition& aLinePoint1,
                           const RqelCalculatedPosition& aLinePoint2,
                           const RqelCalculatedPosition& aPoint, bool aSegmentOnly,
                           bool aNearestEnd);

double TriangleArea(const RqelCalculatedPosition& aP1, const RqelCalculatedPosition& aP2,
                    const RqelCalculatedPosition& aP3);

// Planar distance in metres; 0 when the result is not a finite number.
double Distance2D(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond);
// Planar distance in mm; 0 when the result is not a finite number.
double Distance2DMM(const RqelPositionRec& aFirst, const RqelPositionRec& aSecond);
double Distance3D(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond);

// The turn from a to b (b - a), brought into [-pi, pi] by one step of 2*pi.
double AngleDiff(double a, double b);
// a + b, brought into [0, 2*pi] by one step of 2*pi.
double AngleSum(double a, double b);

// Angle between two vectors. Raises EZeroDivide for a zero-length vector and EInvalidOp when the
// products do not fit 64 bits.
double VectorAngle(const qel::Vector3I64& aFirst, const qel::Vector3I64& aSecond);
// Planar angle in degrees at aVertex between the rays to aPointA and aPointB. Raises EZeroDivide
// when either point lies on the vertex.
double VertexAngleDeg(const RqelCalculatedPosition& aVertex, const RqelCalculatedPosition& aPointA,
                      const RqelCalculatedPosition& aPointB);

// The point aDistance mm from aQ on the perpendicular to aP->aQ through aQ, to the right of the
// direction aP->aQ (X right, Y up) or to its left. Writes only aOut's X and Y; raises EInvalidOp
// when the point does not fit 32 bits.
void PerpendicularPoint(const RqelPositionRec& aP, const RqelPositionRec& aQ, int32_t aDistance,
                        bool aRightSide, RqelPositionRec& aOut);

// Whether the move from aFrom to aTo crosses the line in that crossing direction. aFraction is
// the share of the move before the crossing (0 whenever the result is false); aCrossing the
// crossing point, its OnField the result. Never raises; a null line gives false. Computes the
// line's coefficients when they are not yet.
bool CrossesFieldLine(qel::ICrossingLine* aLine, uint8_t aCrossingDirection,
                      const RqelCalculatedPosition& aFrom, const RqelCalculatedPosition& aTo,
                      double& aFraction, RqelCalculatedPosition& aCrossing);
// The same for positions in mm (OnField taken from Valid); the crossing is in metres.
bool CrossesFieldLineMM(qel::ICrossingLine* aLine, uint8_t aCrossingDirection,
                        const RqelPositionRec& aFrom, const RqelPositionRec& aTo, double& aFraction,
                        RqelCalculatedPosition& aCrossing);

// Sum of the triangles of the fan from the first point: the area of a convex polygon listed in
// order; 0 for fewer than 3 points.
double PolygonArea(const TqelCalculatedPositionArray& aPositions);
// Mean X and Y in a cleared record, OnField true; an empty array leaves the cleared record.
void CenterOfPositions(const TqelCalculatedPositionArray& aPositions,
                       RqelCalculatedPosition& aCenter);
