#pragma once

#include <cstdint>

#include "analysis/framework/calculation_varuza.h"

// High-metabolic-load distance: the step distance of steps faster than HMLDistMinSpeed or with
// more than HMLDistMinAccel of either sign; such steps beyond the sprint plausibility limits
// count as invalid time instead.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelHMLDistance : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    // Takes the thresholds from the calculation.
    bool Init() override;
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    double TotalDistanceInM() const { return FTotalDistanceInMM / 1000; }
    // Rounded half to even; never raises (a value read from a file may be no number).
    int32_t TotalDistanceInMM() const;
    int32_t TotalTimeInMS() const { return FTotalTimeInMS; }
    int32_t InvalideTime() const { return FInvalideTime; }
    double MinSpeed() const { return FMinSpeed; }
    double MinAccel() const { return FMinAccel; }
    double MaxValidSpeed() const { return FMaxValidSpeed; }
    double MaxValidAccel() const { return FMaxValidAccel; }

private:
    // m/s and m/s².
    double FMaxValidSpeed = 0;
    double FMaxValidAccel = 0;
    double FMinSpeed = 0;
    double FMinAccel = 0;
    double FTotalDistanceInMM = 0;
    int32_t FTotalTimeInMS = 0;
    int32_t FInvalideTime = 0;
};
