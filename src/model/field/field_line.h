#pragma once

#include <cstdint>

#include "foundation/geometry.h"
#include "model/field/field_varuza.h"

// A straight line of the field, with the line equation the crossing test uses: Y = A * X + B in
// metres, C the slope of the perpendicular; and the direction in which crossing it counts.
//
// The coefficients are computed on demand (CrossesFieldLine does it when they are not yet), so a
// line shared between threads should have them computed before it is shared.
class TqelFieldLineVaruza : public TqelFieldVaruza, public qel::ICrossingLine {
public:
    explicit TqelFieldLineVaruza(TqelField* aOwner = nullptr);
    // A line of no field, for the geometry of the crossing test.
    TqelFieldLineVaruza(const RqelFieldPosition& aStartPoint, const RqelFieldPosition& aEndPoint,
                        int32_t aHeightInMM = 0);

    RqelFieldPosition StartPoint() const { return FStartPoint; }
    // Moving a point makes the coefficients stale: they are computed again on the next need.
    void setStartPoint(const RqelFieldPosition& aValue);
    void setStartPoint(int32_t aXinMM, int32_t aYinMM) { setStartPoint({aXinMM, aYinMM}); }
    RqelFieldPosition EndPoint() const { return FEndPoint; }
    void setEndPoint(const RqelFieldPosition& aValue);
    void setEndPoint(int32_t aXinMM, int32_t aYinMM) { setEndPoint({aXinMM, aYinMM}); }
    RqelFieldPosition GetStartPoint() const { return FStartPoint; }
    RqelFieldPosition GetEndPoint() const { return FEndPoint; }
    int32_t HeightInMM() const { return FHeightInMM; }
    void setHeightInMM(int32_t aValue) { FHeightInMM = aValue; }
    TqelLinePattern LinePattern() const { return FLinePattern; }
    void setLinePattern(TqelLinePattern aValue) { FLinePattern = aValue; }
    int32_t LineWidth() const { return FLineWidth; }
    void setLineWidth(int32_t aValue) { FLineWidth = aValue; }
    // 255 while not set.
    uint8_t DefaultCrossingDirection() const { return FDefaultCrossingDirection; }
    void setDefaultCrossingDirection(uint8_t aValue) { FDefaultCrossingDirection = aValue; }

    // Slope dY/dX; 0 for a line parallel to Y.
    double A() const override { return FA; }
    // Y intercept in metres.
    double B() const override { return FB; }
    // -1/A, or 0 when A is 0.
    double C() const override { return FC; }
    // Bearing from start to end in radians, [0, 2*pi).
    double Angle() const { return FAngle; }
    // The angle seen from a crossing in aDirection: turned by pi unless it is the line's default.
    double Angle(uint8_t aDirection) const;
    double LengthInM() const { return FLengthInM; }
    bool CoefficientCalculated() const override { return FCoefficientCalculated; }

    void CalculateCoefficients() override;
    // The crossing direction perpendicular to the line turned a quarter counter-clockwise, from
    // the angle in whole degrees; computes the coefficients first when they are stale.
    uint8_t CalcDefaultCrossingDirection();

    // The points in metres, Z from the line's height; nothing else of the record is written.
    void StartPos(RqelCalculatedPosition& aPos) const override;
    void EndPos(RqelCalculatedPosition& aPos) const override;

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
    void Rotate90Deg() override;
    void Rotate(double aDegrees) override;
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) override;

private:
    RqelFieldPosition FStartPoint;
    RqelFieldPosition FEndPoint;
    TqelLinePattern FLinePattern = lnpSolid;
    int32_t FLineWidth = 2;
    int32_t FHeightInMM = 0;
    double FA = 0;
    double FB = 0;
    double FC = 0;
    double FAngle = 0;
    double FLengthInM = 0;
    bool FCoefficientCalculated = false;
    uint8_t FDefaultCrossingDirection = qel::CrossNone;
};
