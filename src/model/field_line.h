#pragma once

#include <cstdint>
#include <type_traits>

#include "foundation/geometry.h"

// A point of the field geometry in whole millimetres, as the field file stores it. Two naturally
// aligned int32 values: a plain struct is its own packed layout.
struct RqelFieldPosition {
    int32_t XinMM = 0;
    int32_t YinMM = 0;

    // A quarter turn counter-clockwise: (x, y) becomes (-y, x).
    void Rotate90Deg();
    // Counter-clockwise about the origin, each coordinate rounded half to even. Raises EInvalidOp
    // (and leaves the point) when a result does not fit 32 bits, as every rotation does.
    void Rotate(double aDegrees);
    // Adds the offsets (wrapping, as the stored int32 values do).
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM);
};
static_assert(sizeof(RqelFieldPosition) == 8);
static_assert(std::is_trivially_copyable_v<RqelFieldPosition>);

// A straight line of the field geometry, with the line equation the crossing test uses:
// Y = A * X + B in metres, C the slope of the perpendicular.
//
// Belongs to the data model's field; whoever owns the field decides which thread may change it.
// The coefficients are computed on demand (CrossesFieldLine does it when they are not yet), so a
// line shared between threads should have them computed before it is shared.
class TqelFieldLineVaruza : public qel::ICrossingLine {
public:
    TqelFieldLineVaruza() = default;
    TqelFieldLineVaruza(const RqelFieldPosition& aStartPoint, const RqelFieldPosition& aEndPoint,
                        int32_t aHeightInMM = 0);

    RqelFieldPosition StartPoint() const { return FStartPoint; }
    // Moving a point makes the coefficients stale: they are computed again on the next need.
    void setStartPoint(const RqelFieldPosition& aValue);
    RqelFieldPosition EndPoint() const { return FEndPoint; }
    void setEndPoint(const RqelFieldPosition& aValue);
    RqelFieldPosition GetStartPoint() const { return FStartPoint; }
    RqelFieldPosition GetEndPoint() const { return FEndPoint; }
    int32_t HeightInMM() const { return FHeightInMM; }
    void setHeightInMM(int32_t aValue) { FHeightInMM = aValue; }

    // Slope dY/dX; 0 for a line parallel to Y.
    double A() const override { return FA; }
    // Y intercept in metres.
    double B() const override { return FB; }
    // -1/A, or 0 when A is 0.
    double C() const override { return FC; }
    // Bearing from start to end in radians, [0, 2*pi).
    double Angle() const { return FAngle; }
    double LengthInM() const { return FLengthInM; }
    bool CoefficientCalculated() const override { return FCoefficientCalculated; }

    void CalculateCoefficients() override;

    // The points in metres, Z from the line's height; nothing else of the record is written.
    void StartPos(RqelCalculatedPosition& aPos) const override;
    void EndPos(RqelCalculatedPosition& aPos) const override;

private:
    RqelFieldPosition FStartPoint;
    RqelFieldPosition FEndPoint;
    int32_t FHeightInMM = 0;
    double FA = 0;
    double FB = 0;
    double FC = 0;
    double FAngle = 0;
    double FLengthInM = 0;
    bool FCoefficientCalculated = false;
};
