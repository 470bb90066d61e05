#pragma once

#include <cstdint>

#include "analysis/framework/calculation_varuza.h"

// External training load: a rate from speed and positive acceleration, integrated over the steps
// in which the game clock runs. The sprint analysis keeps a private one per effort.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelETLInfo : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    bool Init() override;
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    long double TotalValue() const { return FTotalValue; }
    int32_t TotalTimeInMS() const { return FTotalTimeInMS; }

private:
    // Stored in the 10-byte extended format, so it keeps the 80-bit sum.
    long double FTotalValue = 0;
    int32_t FTotalTimeInMS = 0;
};
