#pragma once

#include <array>
#include <cstdint>

#include "analysis/framework/calculation_varuza.h"

// Turning load: from the change of the running direction over the last six headings, weighted
// by speed class and turn-rate class, summed for left and right turns.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelAngularVelocity : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    static constexpr int kHeadings = 6;

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    // Takes the plausibility limits from the calculation.
    bool Init() override;
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    double ValueTotal() const { return FTotalValue; }
    double ValueLeft() const { return FValueLeft; }
    double ValueRight() const { return FValueRight; }
    // Radians.
    double LastAngle() const { return FLastAngle; }
    int32_t LastTimeInMS() const { return FLastTimeInMS; }

    // The weight of speed class aSpeedClass and turn class aTurnClass, both 0 .. 4.
    static double Weight(int aSpeedClass, int aTurnClass);

private:
    // Adds the load of a step at aSpeed (m/s) from the ring's headings.
    void AddTurnLoad(double aSpeed);

    double FMaxValidSpeed = 0;
    double FMaxValidAccel = 0;
    RqelCalculatedPosition FLastPos;
    double FLastAngle = 0;
    int32_t FLastTimeInMS = 0;
    double FTotalValue = 0;
    double FValueLeft = 0;
    double FValueRight = 0;
    // The last six headings in radians; FAngleArrayindex is the next slot to write.
    std::array<double, kHeadings> FAngleArray{};
    int32_t FAngleArrayindex = 0;
};
