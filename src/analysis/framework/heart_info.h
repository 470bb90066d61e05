#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "analysis/framework/zone_bins.h"

class IqelTransponderData;

// Time and entries of an athlete per heart-rate zone, high-intensity time, and after Finalize
// the average, maximum, end-of-part and recovery heart rates around the end of the range.
// Heart rate counts on and off the field and with the clock stopped.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelHeartInfo : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    bool Init() override;
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    void Finalize() override;
    // HITimeInMS is in files of versions above 122.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // Raises EArgumentOutOfRangeException outside 0 .. BinCount - 1.
    RHeartbeatBin& GetBin(int32_t anIndex);
    const RHeartbeatBin& GetBin(int32_t anIndex) const;
    double Index() const;
    QString Distr() const;
    QString DistrValue() const;

    int32_t BinCount() const { return static_cast<int32_t>(FBins.size()); }
    int32_t TotalTimeInMS() const { return FTotalTimeInMS; }
    int32_t HITimeInMS() const { return FHITimeInMS; }
    double Average() const { return FAverage; }
    int32_t HBEndPart() const { return FHBEndPart; }
    int32_t HBEnd1Min() const { return FHBEnd1Min; }
    int32_t HBEnd2Min() const { return FHBEnd2Min; }
    int32_t HB0Time() const { return FHB0Time; }
    int32_t HB1Time() const { return FHB1Time; }
    int32_t HB2Time() const { return FHB2Time; }
    int32_t HR1Min() const { return FHR1Min; }
    int32_t HR2Min() const { return FHR2Min; }
    int32_t MinHB() const { return FMinHB; }
    int32_t MaxHB() const { return FMaxHB; }
    int32_t MaxHBTime() const { return FMaxHBTime; }

private:
    // The transponder's heart rate at aTimeInMS, rounded.
    int32_t RateAt(IqelTransponderData& aTransponder, int64_t aTimeInMS) const;
    void FindRecovery(IqelTransponderData& aTransponder);

    std::vector<RHeartbeatBin> FBins;
    int32_t FTotalTimeInMS = 0;
    int32_t FHITimeInMS = 0;
    double FAverage = 0;
    int32_t FHBEndPart = 0;
    int32_t FHBEnd1Min = 0;
    int32_t FHBEnd2Min = 0;
    int32_t FHB0Time = 0;
    int32_t FHB1Time = 0;
    int32_t FHB2Time = 0;
    int32_t FHR1Min = -1;
    int32_t FHR2Min = -1;
    int32_t FMinHB = 0;
    int32_t FMaxHB = 0;
    int32_t FMaxHBTime = 0;
    int32_t FPrevHeartbeatBin = -1;
};
