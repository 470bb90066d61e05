#include "analysis/load/distance_info.h"

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/geometry.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelDistanceInfo, DistanceInfo, DistanceInfo)

namespace {

constexpr uint8_t kPossessionVersion = 131;

}  // namespace

bool TqelDistanceInfo::Init() {
    FMaxSpeed = Calculation()->Context().MaxSpeed();
    FTotalValue = 0;
    FTotalTimeInMS = 0;
    FDistPossMM = 0;
    FHIDInMM = 0;
    FHIDTimeMS = 0;
    FLastPosition = RqelCalculatedPosition{};
    return true;
}

void TqelDistanceInfo::ProcessTimeFrame(int32_t, bool aOnField, const RqelCalculatedPosition& aPos,
                                        double aDistance, double aSpeed, double, double, double,
                                        double, bool aTeamHasPossession, TqelPlayDirection, bool,
                                        bool aClockIsRunning) {
    const TqelCalculation& calculation = *Calculation();
    const bool valid = aOnField && aClockIsRunning && aSpeed < FMaxSpeed;
    // Only a pair of valid steps spans a distance: an invalid step breaks the chain.
    if (valid && FLastPosition.OnField) {
        const double d = Distance2D(FLastPosition, aPos) * 1000;
        const int32_t timeFrame = calculation.TimeFrame();
        if (aTeamHasPossession) {
            FDistPossMM += d;
        }
        FTotalTimeInMS += timeFrame;
        FTotalValue += d;
        if (aSpeed > calculation.SprintMinHIDSpeed()) {
            FHIDInMM += aDistance;
            FHIDTimeMS += timeFrame;
        }
    }
    FLastPosition = aPos;
    FLastPosition.OnField = valid;
}

int32_t TqelDistanceInfo::DistancePossessionMM() const {
    return qel::RoundToInt32Saturated(static_cast<double>(FDistPossMM));
}

int32_t TqelDistanceInfo::HIDinMM() const {
    return qel::RoundToInt32Saturated(static_cast<double>(FHIDInMM));
}

void TqelDistanceInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FTotalValue = aStream.readExtended();
    FTotalTimeInMS = aStream.readI32();
    if (aVersion > kPossessionVersion) {
        FDistPossMM = aStream.readExtended();
    }
}

void TqelDistanceInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeExtended(FTotalValue);
    aStream.writeI32(FTotalTimeInMS);
    aStream.writeExtended(FDistPossMM);
}
