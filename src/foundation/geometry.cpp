#include "foundation/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/numbers.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

// Rounding can carry a normalised dot product a hair past +-1, where arccos has no value.
double ClampedArcCos(double aValue) {
    return std::acos(std::clamp(aValue, -1.0, 1.0));
}

int32_t CheckedInt32(int64_t aValue, const char* aWhat) {
    if (aValue < std::numeric_limits<int32_t>::min() ||
        aValue > std::numeric_limits<int32_t>::max()) {
        throw EInvalidOp(
            QStringLiteral("%1: %2 does not fit 32 bits").arg(QLatin1String(aWhat)).arg(aValue));
    }
    return static_cast<int32_t>(aValue);
}

int64_t CheckedMulAdd(int64_t aSum, int64_t aLeft, int64_t aRight) {
    int64_t product = 0;
    int64_t sum = 0;
    if (__builtin_mul_overflow(aLeft, aRight, &product) ||
        __builtin_add_overflow(aSum, product, &sum)) {
        throw EInvalidOp(QStringLiteral("VectorAngle: vector too long for 64-bit products"));
    }
    return sum;
}

int64_t Dot(const qel::Vector3I64& aFirst, const qel::Vector3I64& aSecond) {
    int64_t sum = CheckedMulAdd(0, aFirst.X, aSecond.X);
    sum = CheckedMulAdd(sum, aFirst.Y, aSecond.Y);
    return CheckedMulAdd(sum, aFirst.Z, aSecond.Z);
}

RqelCalculatedPosition InMetres(const RqelPositionRec& aPos) {
    RqelCalculatedPosition result;
    result.XinM = aPos.XinMM / 1000.0;
    result.YinM = aPos.YinMM / 1000.0;
    result.ZinM = aPos.ZinMM / 1000.0;
    result.OnField = aPos.Valid;
    return result;
}

// Kinds 0 to 3: the line reduced to its bounding box.
bool CrossesAxis(const qel::ICrossingLine& aLine, uint8_t aKind,
                 const RqelCalculatedPosition& aFrom, const RqelCalculatedPosition& aTo,
                 double& aFraction, RqelCalculatedPosition& aCrossing) {
    aCrossing.Clear();
    RqelCalculatedPosition start;
    RqelCalculatedPosition end;
    aLine.StartPos(start);
    aLine.EndPos(end);
    const double minX = std::min(start.XinM, end.XinM);
    const double maxX = std::max(start.XinM, end.XinM);
    const double minY = std::min(start.YinM, end.YinM);
    const double maxY = std::max(start.YinM, end.YinM);

    // The strict side of each test keeps the move's extent along the axis from being 0.
    bool result = false;
    double fraction = 0;
    if (aKind == qel::CrossPositiveX || aKind == qel::CrossNegativeX) {
        const double line = minX;
        const bool passes = aKind == qel::CrossPositiveX ? aFrom.XinM < line && line <= aTo.XinM
                                                         : aTo.XinM <= line && line < aFrom.XinM;
        if (passes) {
            fraction = (line - aFrom.XinM) / (aTo.XinM - aFrom.XinM);
            aCrossing.XinM = line;
            aCrossing.YinM = aFrom.YinM + (aTo.YinM - aFrom.YinM) * fraction;
            result = minY <= aCrossing.YinM && aCrossing.YinM <= maxY;
        }
    } else if (aKind == qel::CrossPositiveY || aKind == qel::CrossNegativeY) {
        const double line = maxY;
        const bool passes = aKind == qel::CrossPositiveY ? aFrom.YinM < line && line <= aTo.YinM
                                                         : aTo.YinM <= line && line < aFrom.YinM;
        if (passes) {
            fraction = (line - aFrom.YinM) / (aTo.YinM - aFrom.YinM);
            aCrossing.XinM = aFrom.XinM + (aTo.XinM - aFrom.XinM) * fraction;
            aCrossing.YinM = line;
            result = minX <= aCrossing.XinM && aCrossing.XinM <= maxX;
        }
    }
    aCrossing.OnField = result;
    aFraction = result ? fraction : 0.0;
    return result;
}

// Kinds 4 and above: the line's equation; either direction of crossing counts.
bool CrossesSloped(qel::ICrossingLine& aLine, uint8_t aKind, const RqelCalculatedPosition& aFrom,
                   const RqelCalculatedPosition& aTo, double& aFraction,
                   RqelCalculatedPosition& aCrossing) {
    if (!aLine.CoefficientCalculated()) {
        aLine.CalculateCoefficients();
    }
    aFraction = 0;
    aCrossing.OnField = false;
    if (!aFrom.OnField || !aTo.OnField) {
        return false;
    }
    const double a = aLine.A();
    const double b = aLine.B();
    if (a - aLine.C() == 0) {
        // A line parallel to an axis has no useful equation.
        switch (aKind) {
            case qel::CrossBottomRightToTopLeft:
            case qel::CrossTopRightToBottomLeft:
                return CrossesAxis(aLine, qel::CrossNegativeX, aFrom, aTo, aFraction, aCrossing);
            case qel::CrossBottomLeftToTopRight:
            case qel::CrossTopLeftToBottomRight:
                return CrossesAxis(aLine, qel::CrossPositiveX, aFrom, aTo, aFraction, aCrossing);
            default:
                return false;
        }
    }

    double x = 0;
    double y = 0;
    if (aTo.XinM == aFrom.XinM) {
        x = aTo.XinM;
        y = a * aTo.XinM + b;
    } else {
        const double k = (aTo.YinM - aFrom.YinM) / (aTo.XinM - aFrom.XinM);
        const double moveIntercept = aFrom.YinM - k * aFrom.XinM;
        if (a - k == 0) {
            return false;  // the move runs parallel to the line
        }
        x = (moveIntercept - b) / (a - k);
        y = k * x + moveIntercept;
    }
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    aCrossing.XinM = x;
    aCrossing.YinM = y;

    // Equal bearings from both ends: the point lies beyond the move, not between its ends.
    const int64_t turn =
        Round((CalcBearing(aTo, aCrossing) - CalcBearing(aFrom, aCrossing)) * 180.0 / kPi);
    if (turn == 0) {
        return false;
    }
    RqelCalculatedPosition start;
    RqelCalculatedPosition end;
    aLine.StartPos(start);
    aLine.EndPos(end);
    if (!IsBetween(start.XinM, end.XinM, x) || !IsBetween(start.YinM, end.YinM, y)) {
        return false;
    }
    const double before = Distance2D(aFrom, aCrossing);
    const double after = Distance2D(aTo, aCrossing);
    if (!(before + after > 0)) {
        return false;
    }
    aFraction = before / (before + after);
    aCrossing.OnField = true;
    return true;
}

}  // namespace

namespace qel {

QString CrossingDirectionText(uint8_t aCrossingDirection) {
    switch (aCrossingDirection) {
        case CrossPositiveX:
            return QStringLiteral("positive X-axis");
        case CrossNegativeX:
            return QStringLiteral("negative X-axis");
        case CrossPositiveY:
            return QStringLiteral("positive Y-axis");
        case CrossNegativeY:
            return QStringLiteral("negative Y-axis");
        case CrossBottomRightToTopLeft:
            return QStringLiteral("Bottom Right to Top Left");
        case CrossBottomLeftToTopRight:
            return QStringLiteral("Bottom Left to Top Right");
        case CrossTopLeftToBottomRight:
            return QStringLiteral("Top Left to Bottom Right");
        case CrossTopRightToBottomLeft:
            return QStringLiteral("Top Right to Bottom Left");
        default:
            return QStringLiteral("Select direction");
    }
}

}  // namespace qel

void RotatePoint(int32_t& X, int32_t& Y, double aAngle) {
    RqelPositionRec point;
    point.XinMM = X;
    point.YinMM = Y;
    point.RotateRAD(aAngle);
    X = point.XinMM;
    Y = point.YinMM;
}

void RotatePointF(double& X, double& Y, double aAngle) {
    RqelCalculatedPosition point;
    point.XinM = X;
    point.YinM = Y;
    point.RotateRAD(aAngle);
    X = point.XinM;
    Y = point.YinM;
}

double SnapAngleToAxis(double aAngle) {
    if (!std::isfinite(aAngle)) {
        return aAngle;
    }
    // Reducing before rounding gives the same whole degree (the two differ by a multiple of
    // 360) and keeps huge angles inside the range Round takes.
    int64_t degrees = Round(std::fmod(aAngle * 180.0 / kPi, 360.0));
    if (degrees < 0) {
        degrees += 360;
    }
    if (degrees >= 360) {
        degrees -= 360;
    }
    if (degrees >= 85 && degrees <= 94) {
        return kPi / 2;
    }
    if (degrees >= 175 && degrees <= 184) {
        return kPi;
    }
    if (degrees >= 265 && degrees <= 274) {
        return 3 * kPi / 2;
    }
    if (degrees >= 355 || degrees <= 4) {
        return 0;
    }
    return aAngle;
}

double CalcBearing(const RqelCalculatedPosition& aFrom, const RqelCalculatedPosition& aTo) {
    const double distance = Distance2D(aFrom, aTo);
    if (!(distance > 0)) {
        return 0;
    }
    const double angle = ClampedArcCos((aTo.XinM - aFrom.XinM) / distance);
    return aTo.YinM < aFrom.YinM ? kTwoPi - angle : angle;
}

double CalcBearingMM(const RqelPositionRec& aFrom, const RqelPositionRec& aTo) {
    const double distance = Distance2DMM(aFrom, aTo);
    if (!(distance > 0)) {
        return -1;
    }
    const double dx = static_cast<double>(aTo.XinMM) - aFrom.XinMM;
    const double angle = ClampedArcCos(dx / distance);
    return aTo.YinMM < aFrom.YinMM ? kTwoPi - angle : angle;
}

double DirectionAngle(TqelPlayDirection aPlayDirection, double aY1, double aX1, double aY2,
                      double aX2) {
    const double h = std::hypot(aX2 - aX1, aY2 - aY1);
    double angle = 0;
    if (h > 0 && std::isfinite(h)) {
        angle = ClampedArcCos((aY2 - aY1) / h);
        if (aX1 > aX2) {
            angle = kTwoPi - angle;
        }
    }
    if (aPlayDirection == pldRightToLeft) {
        angle += kPi;
        if (angle > kTwoPi) {
            angle -= kTwoPi;
        }
    }
    if (angle > kPi) {
        angle -= kTwoPi;
    }
    return angle;
}

double LineSlope(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond) {
    const double dx = aSecond.XinM - aFirst.XinM;
    if (dx == 0) {
        throw EZeroDivide(QStringLiteral("LineSlope: both points have the same X"));
    }
    return (aSecond.YinM - aFirst.YinM) / dx;
}

bool IsBetween(double aBound1, double aBound2, double aValue) {
    return std::min(aBound1, aBound2) <= aValue && aValue <= std::max(aBound1, aBound2);
}

double DistancePointToLine(const RqelCalculatedPosition& aLinePoint1,
                           const RqelCalculatedPosition& aLinePoint2,
                           const RqelCalculatedPosition& aPoint, bool aSegmentOnly,
                           bool aNearestEnd) {
    if (std::abs(aLinePoint1.XinM - aLinePoint2.XinM) <= 1e-4) {
        if (!aSegmentOnly || IsBetween(aLinePoint1.YinM, aLinePoint2.YinM, aPoint.YinM)) {
            return std::abs(aPoint.XinM - aLinePoint1.XinM);
        }
        // A vertical line has no slope: its foot lies off the segment, as just tested.
    } else {
        const double k = LineSlope(aLinePoint1, aLinePoint2);
        RqelCalculatedPosition foot;
        if (k == 0) {
            foot.XinM = aPoint.XinM;
            foot.YinM = aLinePoint1.YinM;
        } else {
            const double c = -1.0 / k;
            const double b = aLinePoint1.YinM - k * aLinePoint1.XinM;
            foot.XinM = ((aPoint.YinM - c * aPoint.XinM) - b) / (k - c);
            foot.YinM = b + k * foot.XinM;
        }
        if (!aSegmentOnly || IsBetween(aLinePoint1.XinM, aLinePoint2.XinM, foot.XinM)) {
            return Distance2D(foot, aPoint);
        }
    }
    if (aNearestEnd) {
        return std::min(Distance2D(aLinePoint1, aPoint), Distance2D(aLinePoint2, aPoint));
    }
    return std::numeric_limits<double>::quiet_NaN();
}

double TriangleArea(const RqelCalculatedPosition& aP1, const RqelCalculatedPosition& aP2,
                    const RqelCalculatedPosition& aP3) {
    return Distance2D(aP1, aP2) * DistancePointToLine(aP1, aP2, aP3, false, false) / 2;
}

double Distance2D(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond) {
    const double dx = aSecond.XinM - aFirst.XinM;
    const double dy = aSecond.YinM - aFirst.YinM;
    const double result = std::sqrt(dx * dx + dy * dy);
    return std::isfinite(result) ? result : 0.0;
}

double Distance2DMM(const RqelPositionRec& aFirst, const RqelPositionRec& aSecond) {
    const double dx = static_cast<double>(aSecond.XinMM) - aFirst.XinMM;
    const double dy = static_cast<double>(aSecond.YinMM) - aFirst.YinMM;
    const double result = std::sqrt(dx * dx + dy * dy);
    return std::isfinite(result) ? result : 0.0;
}

double Distance3D(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond) {
    const double dx = aSecond.XinM - aFirst.XinM;
    const double dy = aSecond.YinM - aFirst.YinM;
    const double dz = aSecond.ZinM - aFirst.ZinM;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double AngleDiff(double a, double b) {
    double result = b - a;
    if (result > kPi) {
        result -= kTwoPi;
    } else if (result < -kPi) {
        result += kTwoPi;
    }
    return result;
}

double AngleSum(double a, double b) {
    double result = a + b;
    if (result > kTwoPi) {
        result -= kTwoPi;
    } else if (result < 0) {
        result += kTwoPi;
    }
    return result;
}

double VectorAngle(const qel::Vector3I64& aFirst, const qel::Vector3I64& aSecond) {
    const int64_t dot = Dot(aFirst, aSecond);
    const int64_t firstSquared = Dot(aFirst, aFirst);
    const int64_t secondSquared = Dot(aSecond, aSecond);
    if (firstSquared == 0 || secondSquared == 0) {
        throw EZeroDivide(QStringLiteral("VectorAngle: zero-length vector"));
    }
    return ClampedArcCos(static_cast<double>(dot) /
                         (std::sqrt(static_cast<double>(firstSquared)) *
                          std::sqrt(static_cast<double>(secondSquared))));
}

double VertexAngleDeg(const RqelCalculatedPosition& aVertex, const RqelCalculatedPosition& aPointA,
                      const RqelCalculatedPosition& aPointB) {
    const double ax = aPointA.XinM - aVertex.XinM;
    const double ay = aPointA.YinM - aVertex.YinM;
    const double bx = aPointB.XinM - aVertex.XinM;
    const double by = aPointB.YinM - aVertex.YinM;
    const double lengths = std::sqrt(ax * ax + ay * ay) * std::sqrt(bx * bx + by * by);
    if (lengths == 0) {
        throw EZeroDivide(QStringLiteral("VertexAngleDeg: a point lies on the vertex"));
    }
    return ClampedArcCos((ax * bx + ay * by) / lengths) * 180.0 / kPi;
}

void PerpendicularPoint(const RqelPositionRec& aP, const RqelPositionRec& aQ, int32_t aDistance,
                        bool aRightSide, RqelPositionRec& aOut) {
    // 64-bit: the distance and the coordinates may each use the whole 32-bit range.
    const int64_t side = aRightSide ? int64_t{aDistance} : -int64_t{aDistance};
    int64_t x = 0;
    int64_t y = 0;
    if (aP.XinMM == aQ.XinMM) {
        x = aP.YinMM < aQ.YinMM ? aQ.XinMM + side : aQ.XinMM - side;
        y = aQ.YinMM;
    } else if (aP.YinMM == aQ.YinMM) {
        x = aQ.XinMM;
        y = aP.XinMM < aQ.XinMM ? aQ.YinMM - side : aQ.YinMM + side;
    } else {
        const double m =
            (static_cast<double>(aP.YinMM) - aQ.YinMM) / (static_cast<double>(aP.XinMM) - aQ.XinMM);
        const double d = aDistance;
        double u = std::sqrt(d * d / (1 + 1 / (m * m)));
        double w = -u / m;
        if (!aRightSide) {
            u = -u;
            w = -w;
        }
        const int64_t du = Round(u);
        const int64_t dw = Round(w);
        if (aP.YinMM < aQ.YinMM) {
            x = aQ.XinMM + du;
            y = aQ.YinMM + dw;
        } else {
            x = aQ.XinMM - du;
            y = aQ.YinMM - dw;
        }
    }
    const int32_t outX = CheckedInt32(x, "PerpendicularPoint");
    const int32_t outY = CheckedInt32(y, "PerpendicularPoint");
    aOut.XinMM = outX;
    aOut.YinMM = outY;
}

bool CrossesFieldLine(qel::ICrossingLine* aLine, uint8_t aCrossingDirection,
                      const RqelCalculatedPosition& aFrom, const RqelCalculatedPosition& aTo,
                      double& aFraction, RqelCalculatedPosition& aCrossing) {
    aFraction = 0;
    if (!aLine) {
        return false;
    }
    try {
        if (aCrossingDirection <= qel::CrossNegativeY) {
            return CrossesAxis(*aLine, aCrossingDirection, aFrom, aTo, aFraction, aCrossing);
        }
        return CrossesSloped(*aLine, aCrossingDirection, aFrom, aTo, aFraction, aCrossing);
    } catch (const std::exception&) {
        aFraction = 0;
        aCrossing.OnField = false;
        return false;
    }
}

bool CrossesFieldLineMM(qel::ICrossingLine* aLine, uint8_t aCrossingDirection,
                        const RqelPositionRec& aFrom, const RqelPositionRec& aTo, double& aFraction,
                        RqelCalculatedPosition& aCrossing) {
    return CrossesFieldLine(aLine, aCrossingDirection, InMetres(aFrom), InMetres(aTo), aFraction,
                            aCrossing);
}

double PolygonArea(const TqelCalculatedPositionArray& aPositions) {
    double area = 0;
    for (qsizetype i = 1; i + 1 < aPositions.size(); ++i) {
        area += TriangleArea(aPositions[0], aPositions[i], aPositions[i + 1]);
    }
    return area;
}

void CenterOfPositions(const TqelCalculatedPositionArray& aPositions,
                       RqelCalculatedPosition& aCenter) {
    aCenter.Clear();
    if (aPositions.isEmpty()) {
        return;
    }
    double x = 0;
    double y = 0;
    for (const RqelCalculatedPosition& position : aPositions) {
        x += position.XinM;
        y += position.YinM;
    }
    aCenter.XinM = x / aPositions.size();
    aCenter.YinM = y / aPositions.size();
    aCenter.OnField = true;
}
