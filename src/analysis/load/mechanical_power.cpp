#include "analysis/load/mechanical_power.h"

#include <cmath>

#include "analysis/framework/calculation.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelMechanicalPower, MechanicalPower, MechanicalPower)

bool TqelMechanicalPower::Init() {
    FTotalValueAccel = 0;
    FTotalValueDecel = 0;
    FTotalTimeAccelInMS = 0;
    FTotalTimeDecelInMS = 0;
    return true;
}

void TqelMechanicalPower::ProcessTimeFrame(int32_t, bool, const RqelCalculatedPosition&, double,
                                           double aSpeed, double, double anAcceleration, double,
                                           double, bool, TqelPlayDirection, bool, bool) {
    const TqelCalculation& calculation = *Calculation();
    if (aSpeed >= calculation.SprintMaxValidSpeed() ||
        std::fabs(anAcceleration) >= calculation.SprintMaxValidAccel()) {
        return;
    }
    const double work = anAcceleration * aSpeed * calculation.TimeFrame() / 1000;
    if (anAcceleration >= 0) {
        FTotalValueAccel += work;
    } else {
        FTotalValueDecel += std::fabs(work);
    }
}

void TqelMechanicalPower::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    FTotalValueAccel = aStream.readExtended();
    FTotalTimeAccelInMS = aStream.readI32();
    FTotalValueDecel = aStream.readExtended();
    FTotalTimeDecelInMS = aStream.readI32();
}

void TqelMechanicalPower::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeExtended(FTotalValueAccel);
    aStream.writeI32(FTotalTimeAccelInMS);
    aStream.writeExtended(FTotalValueDecel);
    aStream.writeI32(FTotalTimeDecelInMS);
}
