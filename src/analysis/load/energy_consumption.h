#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"

// Time, distance, energy and entries of one power zone.
struct RPowerBin {
    // W/kg, or percent of the maximum power for relative zones; both bounds inclusive.
    double MinPower = 0;
    double MaxPower = 0;
    QString Description;
    uint32_t Color = 0;
    double Weight = 0;
    int32_t CumTimeInMS = 0;
    double CumDistanceInMM = 0;
    // mJ/kg.
    double CumEnergyInJ_kg = 0;
    int32_t Count = 0;

    // J/kg.
    double EnergyInKJ() const { return CumEnergyInJ_kg / 1000; }
    // Percent of aTotalTimeInMS; 0 for a total of 0.
    double TimePercentage(int32_t aTotalTimeInMS) const;
};

// Metabolic power integrated over a run: energy per kg, time, mean power and their spread over
// the power zones of the analysis definition.
//
// Threads: as every analysis object (see TqelCalculationVaruza); the readers may be called
// from any thread holding the calculation's ResultLock().
class TqelEnergyConsumption : public TqelCalculationVaruza {
public:
    explicit TqelEnergyConsumption(TqelCalculation& aCalculation);

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    bool Init() override;
    // Raises EReadError on a count beyond the data and EStreamError on a short block.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // J/kg.
    double EnergyInJ_kg() const { return FEnergyInJ_kg / 1000; }
    // By the athlete's weight; 0 without a transponder. Never raises.
    int32_t EnergyInJ() const;
    double EnergyInkCal() const { return EnergyInJ() / 4186.8; }
    // Mean metabolic power, W/kg; 0 before any step.
    double PowerWkg() const { return FTimeInMS == 0 ? 0 : FEnergyInJ_kg / FTimeInMS; }
    int32_t PowerBinCount() const { return FPowerBinCount; }
    int32_t TotalTimeInMS() const { return FTimeInMS; }
    // Null outside 0 .. PowerBinCount() - 1.
    const RPowerBin* GetPowerBin(int32_t anIndex) const;

private:
    std::vector<RPowerBin> FPowerBins;
    int32_t FPowerBinCount = 0;
    int32_t FLastBin = 0;
    // mJ/kg: step lengths in ms times W/kg.
    double FEnergyInJ_kg = 0;
    double FECCRF = 0;
    int32_t FTimeInMS = 0;
};
