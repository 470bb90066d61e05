#include "model/field_line.h"

#include <cmath>
#include <numbers>

#include "foundation/geometry.h"
#include "foundation/position_records.h"
#include "model/transponder/packed_record.h"

void RqelFieldPosition::Rotate90Deg() {
    const int32_t x = XinMM;
    XinMM = qel::WrapNegate(YinMM);
    YinMM = x;
}

void RqelFieldPosition::Rotate(double aDegrees) {
    RotatePoint(XinMM, YinMM, aDegrees * std::numbers::pi / 180.0);
}

void RqelFieldPosition::Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) {
    XinMM = qel::WrapAdd(XinMM, aXOffsetInMM);
    YinMM = qel::WrapAdd(YinMM, aYOffsetInMM);
}

TqelFieldLineVaruza::TqelFieldLineVaruza(const RqelFieldPosition& aStartPoint,
                                         const RqelFieldPosition& aEndPoint, int32_t aHeightInMM)
    : FStartPoint(aStartPoint), FEndPoint(aEndPoint), FHeightInMM(aHeightInMM) {}

void TqelFieldLineVaruza::setStartPoint(const RqelFieldPosition& aValue) {
    FStartPoint = aValue;
    FCoefficientCalculated = false;
}

void TqelFieldLineVaruza::setEndPoint(const RqelFieldPosition& aValue) {
    FEndPoint = aValue;
    FCoefficientCalculated = false;
}

void TqelFieldLineVaruza::CalculateCoefficients() {
    RqelCalculatedPosition start;
    RqelCalculatedPosition end;
    StartPos(start);
    EndPos(end);
    FAngle = CalcBearing(start, end);
    // Differences in double: two int32 values may differ by more than int32 holds.
    const double dx = static_cast<double>(FEndPoint.XinMM) - FStartPoint.XinMM;
    const double dy = static_cast<double>(FEndPoint.YinMM) - FStartPoint.YinMM;
    FA = dx == 0 ? 0.0 : dy / dx;
    FB = (FStartPoint.YinMM - FStartPoint.XinMM * FA) / 1000.0;
    FC = FA != 0 ? -1.0 / FA : 0.0;
    FLengthInM = std::sqrt((dx / 1000.0) * (dx / 1000.0) + (dy / 1000.0) * (dy / 1000.0));
    FCoefficientCalculated = true;
}

void TqelFieldLineVaruza::StartPos(RqelCalculatedPosition& aPos) const {
    aPos.XinM = FStartPoint.XinMM / 1000.0;
    aPos.YinM = FStartPoint.YinMM / 1000.0;
    aPos.ZinM = FHeightInMM / 1000.0;
}

void TqelFieldLineVaruza::EndPos(RqelCalculatedPosition& aPos) const {
    aPos.XinM = FEndPoint.XinMM / 1000.0;
    aPos.YinM = FEndPoint.YinMM / 1000.0;
    aPos.ZinM = FHeightInMM / 1000.0;
}
