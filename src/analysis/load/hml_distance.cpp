#include "analysis/load/hml_distance.h"

#include <cmath>

#include "analysis/framework/calculation.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelHMLDistance, HMLDistance, HMLDistance)

namespace {

constexpr uint8_t kTimesVersion = 150;

}  // namespace

bool TqelHMLDistance::Init() {
    const TqelCalculation& calculation = *Calculation();
    FMaxValidSpeed = calculation.SprintMaxValidSpeed();
    FMaxValidAccel = calculation.SprintMaxValidAccel();
    FMinSpeed = calculation.HMLDistMinSpeed();
    FMinAccel = calculation.HMLDistMinAccel();
    FTotalDistanceInMM = 0;
    FTotalTimeInMS = 0;
    FInvalideTime = 0;
    return true;
}

void TqelHMLDistance::ProcessTimeFrame(int32_t, bool, const RqelCalculatedPosition&,
                                       double aDistance, double aSpeed, double,
                                       double anAcceleration, double, double, bool,
                                       TqelPlayDirection, bool, bool) {
    const double magnitude = std::fabs(anAcceleration);
    if (!(aSpeed > FMinSpeed || magnitude > FMinAccel)) {
        return;
    }
    const int32_t timeFrame = Calculation()->TimeFrame();
    if (aSpeed < FMaxValidSpeed && magnitude < FMaxValidAccel) {
        FTotalDistanceInMM += aDistance;
        FTotalTimeInMS += timeFrame;
    } else {
        FInvalideTime += timeFrame;
    }
}

int32_t TqelHMLDistance::TotalDistanceInMM() const {
    return qel::RoundToInt32Saturated(FTotalDistanceInMM);
}

void TqelHMLDistance::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FMinSpeed = aStream.readDouble();
    FMinAccel = aStream.readDouble();
    FMaxValidSpeed = aStream.readDouble();
    FMaxValidAccel = aStream.readDouble();
    FTotalDistanceInMM = aStream.readDouble();
    FTotalTimeInMS = 0;
    FInvalideTime = 0;
    if (aVersion >= kTimesVersion) {
        FTotalTimeInMS = aStream.readI32();
        FInvalideTime = aStream.readI32();
    }
}

void TqelHMLDistance::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeDouble(FMinSpeed);
    aStream.writeDouble(FMinAccel);
    aStream.writeDouble(FMaxValidSpeed);
    aStream.writeDouble(FMaxValidAccel);
    aStream.writeDouble(FTotalDistanceInMM);
    aStream.writeI32(FTotalTimeInMS);
    aStream.writeI32(FInvalideTime);
}
