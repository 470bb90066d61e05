#include "model/field/field_line.h"

#include <cmath>
#include <numbers>

#include "foundation/geometry.h"
#include "foundation/position_records.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

TqelFieldLineVaruza::TqelFieldLineVaruza(TqelField* aOwner) : TqelFieldVaruza(aOwner, fotLine) {}

TqelFieldLineVaruza::TqelFieldLineVaruza(const RqelFieldPosition& aStartPoint,
                                         const RqelFieldPosition& aEndPoint, int32_t aHeightInMM)
    : TqelFieldVaruza(nullptr, fotLine),
      FStartPoint(aStartPoint),
      FEndPoint(aEndPoint),
      FHeightInMM(aHeightInMM) {}

void TqelFieldLineVaruza::setStartPoint(const RqelFieldPosition& aValue) {
    FStartPoint = aValue;
    FCoefficientCalculated = false;
}

void TqelFieldLineVaruza::setEndPoint(const RqelFieldPosition& aValue) {
    FEndPoint = aValue;
    FCoefficientCalculated = false;
}

double TqelFieldLineVaruza::Angle(uint8_t aDirection) const {
    if (aDirection == FDefaultCrossingDirection) {
        return FAngle;
    }
    double result = FAngle + std::numbers::pi;
    if (result > 2 * std::numbers::pi) {
        result -= 2 * std::numbers::pi;
    }
    return result;
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

uint8_t TqelFieldLineVaruza::CalcDefaultCrossingDirection() {
    if (!FCoefficientCalculated) {
        CalculateCoefficients();
    }
    const int64_t degrees = Round(FAngle * 180.0 / std::numbers::pi);
    if (degrees == 0 || degrees == 360) {
        return qel::CrossPositiveY;
    }
    if (degrees < 90) {
        return qel::CrossBottomRightToTopLeft;
    }
    if (degrees == 90) {
        return qel::CrossNegativeX;
    }
    if (degrees < 180) {
        return qel::CrossTopRightToBottomLeft;
    }
    if (degrees == 180) {
        return qel::CrossNegativeY;
    }
    if (degrees < 270) {
        return qel::CrossTopLeftToBottomRight;
    }
    if (degrees == 270) {
        return qel::CrossPositiveX;
    }
    return qel::CrossBottomLeftToTopRight;
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

void TqelFieldLineVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FStartPoint = qel::ReadFieldPosition(aStream);
    FEndPoint = qel::ReadFieldPosition(aStream);
    if (aVersion > 6) {
        FLinePattern = qel::LinePatternFromStream(aStream.readI32());
        FLineWidth = aStream.readI32();
    }
    // Lines of older streams have their direction computed from the angle below.
    FDefaultCrossingDirection =
        aVersion >= 18 ? static_cast<uint8_t>(aStream.readI32()) : qel::CrossNone;
    if (aVersion > 22) {
        FHeightInMM = aStream.readI32();
    }
    CalculateCoefficients();
    if (FDefaultCrossingDirection == qel::CrossNone) {
        FDefaultCrossingDirection = CalcDefaultCrossingDirection();
    }
}

void TqelFieldLineVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FStartPoint);
    qel::WriteFieldPosition(aStream, FEndPoint);
    aStream.writeI32(FLinePattern);
    aStream.writeI32(FLineWidth);
    aStream.writeI32(FDefaultCrossingDirection);
    aStream.writeI32(FHeightInMM);
}

void TqelFieldLineVaruza::Rotate90Deg() {
    FStartPoint.Rotate90Deg();
    FEndPoint.Rotate90Deg();
    FCoefficientCalculated = false;
}

void TqelFieldLineVaruza::Rotate(double aDegrees) {
    FStartPoint.Rotate(aDegrees);
    FEndPoint.Rotate(aDegrees);
    FCoefficientCalculated = false;
}

void TqelFieldLineVaruza::Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) {
    FStartPoint.Transpose(aXOffsetInMM, aYOffsetInMM);
    FEndPoint.Transpose(aXOffsetInMM, aYOffsetInMM);
    FCoefficientCalculated = false;
}
