#pragma once

#include <cstdint>

#include "analysis/framework/calculation_varuza.h"

// Mechanical work per kilogram, speed × acceleration × step time summed over plausible steps,
// split into accelerating and (as a positive number) decelerating work.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelMechanicalPower : public TqelCalculationVaruza {
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

    // J/kg.
    long double TotalValueAccel() const { return FTotalValueAccel; }
    long double TotalValueDecel() const { return FTotalValueDecel; }
    long double TotalValue() const { return FTotalValueAccel + FTotalValueDecel; }
    // Carried and stored; no step adds to them.
    int32_t TotalTimeAccelInMS() const { return FTotalTimeAccelInMS; }
    int32_t TotalTimeDecelInMS() const { return FTotalTimeDecelInMS; }

private:
    long double FTotalValueAccel = 0;
    long double FTotalValueDecel = 0;
    int32_t FTotalTimeAccelInMS = 0;
    int32_t FTotalTimeDecelInMS = 0;
};
