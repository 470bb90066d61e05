#include "analysis/load/angular_velocity.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/framework/calculation.h"
#include "foundation/geometry.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelAngularVelocity, AngularVelocity, AngularVelocity)

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
// Below this speed (m/s) the direction is noise: the history restarts.
constexpr double kMinSpeed = 1;
// Scales the change of the mean heading per step to a turn rate.
constexpr double kTurnScale = 80;
constexpr double kSpeedClassWidth = 2;
constexpr double kTurnClassWidth = 1.8;
constexpr int kTopClass = 4;
constexpr double kLoadFactor = 0.4;
constexpr std::array<double, kTopClass + 1> kTurnWeights{0, 4, 7, 10, 13};

int ClassOf(double aValue, double aWidth) {
    return static_cast<int>(std::min(std::trunc(aValue / aWidth), double{kTopClass}));
}

}  // namespace

double TqelAngularVelocity::Weight(int aSpeedClass, int aTurnClass) {
    return (aSpeedClass + 1) * kTurnWeights[static_cast<size_t>(aTurnClass)];
}

bool TqelAngularVelocity::Init() {
    const TqelCalculation& calculation = *Calculation();
    FMaxValidSpeed = calculation.SprintMaxValidSpeed();
    FMaxValidAccel = calculation.SprintMaxValidAccel();
    FTotalValue = 0;
    FValueLeft = 0;
    FValueRight = 0;
    FLastPos = RqelCalculatedPosition{};
    FLastAngle = 0;
    FLastTimeInMS = 0;
    FAngleArray.fill(0);
    FAngleArrayindex = 0;
    return true;
}

void TqelAngularVelocity::ProcessTimeFrame(int32_t aTimeInMS, bool,
                                           const RqelCalculatedPosition& aPos, double,
                                           double aSpeed, double, double anAcceleration, double,
                                           double, bool, TqelPlayDirection, bool, bool) {
    if (FLastPos.OnField && aPos.OnField && aSpeed < FMaxValidSpeed &&
        std::fabs(anAcceleration) < FMaxValidAccel) {
        const double heading = CalcBearing(FLastPos, aPos);
        FAngleArray[static_cast<size_t>(FAngleArrayindex)] = heading;
        FAngleArrayindex = (FAngleArrayindex + 1) % kHeadings;
        if (aSpeed < kMinSpeed) {
            FAngleArray.fill(heading);
            FAngleArrayindex = 1;
        } else {
            AddTurnLoad(aSpeed);
        }
        FLastTimeInMS = aTimeInMS;
        FLastAngle = heading;
    }
    FLastPos = aPos;
}

void TqelAngularVelocity::AddTurnLoad(double aSpeed) {
    // Oldest first, unwrapped against the oldest so that a turn across 0/2π stays small.
    std::array<double, kHeadings> headings;
    for (int i = 0; i < kHeadings; ++i) {
        headings[static_cast<size_t>(i)] =
            FAngleArray[static_cast<size_t>((FAngleArrayindex + i) % kHeadings)];
    }
    const bool oldestAbovePi = headings[0] > kPi;
    for (double& heading : headings) {
        if (oldestAbovePi) {
            if (heading < kPi / 2) {
                heading += kTwoPi;
            }
        } else if (heading > 3 * kPi / 2) {
            heading -= kTwoPi;
        }
    }
    double oldest = 0;
    double newest = 0;
    for (int i = 0; i < kHeadings - 1; ++i) {
        oldest += headings[static_cast<size_t>(i)];
        newest += headings[static_cast<size_t>(i + 1)];
    }
    oldest /= kHeadings - 1;
    newest /= kHeadings - 1;
    // The turn from the older mean to the newer one: positive turns to the right.
    const double m = AngleDiff(oldest, newest) * kTurnScale;
    const double h = std::sqrt(aSpeed * aSpeed + m * m);
    const int s = ClassOf(aSpeed, kSpeedClassWidth);
    const int r = ClassOf(std::fabs(m), kTurnClassWidth);
    const double o = Weight(s, r) * h * kLoadFactor;
    if (o != 0) {
        if (m >= 0) {
            FValueRight += o;
        } else {
            FValueLeft += o;
        }
        FTotalValue += o;
    }
}

void TqelAngularVelocity::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    FTotalValue = aStream.readDouble();
    FValueLeft = aStream.readDouble();
    FValueRight = aStream.readDouble();
}

void TqelAngularVelocity::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeDouble(FTotalValue);
    aStream.writeDouble(FValueLeft);
    aStream.writeDouble(FValueRight);
}
