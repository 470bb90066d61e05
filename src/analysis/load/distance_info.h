#pragma once

#include <cstdint>

#include "analysis/framework/calculation_varuza.h"

// Distance from position to position over valid steps (on the field, clock running, below the
// dataset's speed limit), the part of it while the own team has the ball, and the
// high-intensity distance and time.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelDistanceInfo : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    bool Init() override;
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // mm.
    long double TotalDistanceInMM() const { return FTotalValue; }
    int32_t TotalTimeInMS() const { return FTotalTimeInMS; }
    // mm, rounded half to even; never raises (a value read from a file may be no number).
    int32_t DistancePossessionMM() const;
    int32_t HIDinMM() const;
    int32_t HIDTimeInMS() const { return FHIDTimeMS; }
    // m/s.
    int32_t MaxSpeed() const { return FMaxSpeed; }

private:
    int32_t FMaxSpeed = 0;
    long double FTotalValue = 0;
    int32_t FTotalTimeInMS = 0;
    // Its OnField flag holds whether the previous step was valid.
    RqelCalculatedPosition FLastPosition;
    long double FDistPossMM = 0;
    long double FHIDInMM = 0;
    int32_t FHIDTimeMS = 0;
};
