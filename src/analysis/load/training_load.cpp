#include "analysis/load/training_load.h"

#include "analysis/framework/calculation.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelETLInfo, ETLInfo, ETLInfo)

bool TqelETLInfo::Init() {
    FTotalValue = 0;
    FTotalTimeInMS = 0;
    return true;
}

void TqelETLInfo::ProcessTimeFrame(int32_t, bool, const RqelCalculatedPosition&, double,
                                   double aSpeed, double, double anAcceleration, double, double,
                                   bool, TqelPlayDirection, bool, bool aClockIsRunning) {
    // Off the field speed and acceleration come as 0: such steps add time but no load.
    if (!aClockIsRunning) {
        return;
    }
    const int32_t timeFrame = TimeFrameInMS();
    FTotalTimeInMS += timeFrame;
    const double v = aSpeed;
    double rate = 0.97 * v + 0.00366 * (v * v * v);
    // Braking adds nothing.
    if (anAcceleration > 0) {
        rate += anAcceleration * v;
    }
    // The rate is per second.
    FTotalValue += rate * timeFrame / 1000;
}

void TqelETLInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    const long double value = aStream.readExtended();
    const int32_t time = aStream.readI32();
    FTotalValue = value;
    FTotalTimeInMS = time;
}

void TqelETLInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeExtended(FTotalValue);
    aStream.writeI32(FTotalTimeInMS);
}
