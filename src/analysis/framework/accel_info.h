#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "analysis/framework/zone_bins.h"

// Time, distance and entries of an athlete per acceleration zone; with the split decelerations
// go to zones of their own, otherwise by their magnitude into the acceleration zones.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelAccelInfo : public TqelCalculationVaruza {
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

    // Raise EArgumentOutOfRangeException outside the bins.
    RAccelBin& GetAccelBin(int32_t anIndex);
    RAccelBin& GetDecelBin(int32_t anIndex);
    double AccelIndex() const;
    double DecelIndex() const;
    QString DistrAccel() const;
    QString DistrDecel() const;
    QString DistrValueAccel() const;
    QString DistrValueDecel() const;

    bool SplitDecelBins() const { return FSplitDecelBins; }
    int32_t AccelBinCount() const { return static_cast<int32_t>(FAccelBins.size()); }
    int32_t DecelBinCount() const { return static_cast<int32_t>(FDecelBins.size()); }
    double MaxAccel() const { return FMaxAccel; }
    double MaxDecel() const { return FMaxDecel; }
    int32_t TotalTimeInMS() const { return FAccelTimeInMS + FDecelTimeInMS; }

private:
    bool FSplitDecelBins = false;
    std::vector<RAccelBin> FAccelBins;
    int32_t FPrevAccelBin = -1;
    int32_t FAccelTimeInMS = 0;
    int32_t FDecelTimeInMS = 0;
    double FMaxAccel = 0;
    std::vector<RAccelBin> FDecelBins;
    int32_t FPrevDecelBin = -1;
    double FMaxDecel = 0;
};
