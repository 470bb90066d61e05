#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "analysis/framework/zone_bins.h"
#include "platform/format_settings.h"

// Time, distance and entries of an athlete per speed zone, with the zone times of every fatigue
// window (5 minutes by default) of the calculation's range. The sprint and acceleration-effort
// analyses run private ones over each effort.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelSpeedInfo : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    // With the calculation's fatigue window.
    bool Init() override;
    // aFatigueTimeFrame -1: the calculation's fatigue window.
    bool Init(int32_t aFatigueTimeFrame);
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // Raises EArgumentOutOfRangeException outside 0 .. BinCount - 1.
    RSpeedBin& GetSpeedBin(int32_t anIndex);
    const RSpeedBin& GetSpeedBin(int32_t anIndex) const;
    double Index() const;

    // Totals of fatigue window anIndex; 0 (or empty) outside 0 .. FatigueCount - 1.
    int32_t FatigueTimeInMS(int32_t anIndex) const;
    int32_t FatigueDistanceInMM(int32_t anIndex) const;
    double FatigueIndex(int32_t anIndex) const;
    // Distance (mm) over the window's length at the window's average speed; the last window
    // ends with the calculation's range.
    double FatigueAvgDist(int32_t anIndex) const;
    QString FatigueDistrValue(int32_t anIndex) const;

    // Shares of the total time, in the default format settings.
    QString Distr() const;
    // Shares of the index, in the user's format settings or in aFormatSettings.
    QString DistrValue() const;
    QString DistrValue(const qel::FormatSettings& aFormatSettings) const;
    // Fraction of a day.
    double TimeOnField() const;

    // Adds aValue's zone times and distances (also per fatigue window) and totals; maxima and
    // entries are not merged.
    void Add(const TqelSpeedInfo& aValue);
    // Totals and the distances of the four highest zones of a recording without positions.
    // Raises Exception with fewer than 4 bins (the totals are set by then).
    void AddManualData(int32_t aTotalTimeMS, int32_t aTotalDistanceMM, int32_t aDistZone_3MM,
                       int32_t aDistZone_2MM, int32_t aDistZone_1MM, int32_t aDistZoneMaxMM);

    int32_t BinCount() const { return static_cast<int32_t>(FBins.size()); }
    int32_t FatigueCount() const { return FFatigueCount; }
    double DistanceInMM() const { return FDistanceInMM; }
    int32_t TotalTimeInMS() const { return FTotalTimeInMS; }
    double MaxSpeed() const { return FMaxSpeed; }
    double MaxFifaSpeed() const { return FMaxFifaSpeed; }
    // m/s; 0 without time.
    double AvgSpeed() const;

private:
    bool HasWindow(int32_t anIndex) const { return anIndex >= 0 && anIndex < FFatigueCount; }

    std::vector<RSpeedBin> FBins;
    int32_t FTotalTimeInMS = 0;
    double FMaxSpeed = 0;
    double FMaxFifaSpeed = 0;
    double FDistanceInMM = 0;
    int32_t FPrevSpeedBin = -1;
    int32_t FFatigueCount = 0;
    int32_t FFatigueTimeFrameInMS = 0;
    uint8_t FZoneType = 0;
    double FAthleteMaxSpeed = 0;
};

namespace qel {

// The speed-distribution text of a transponder: its calculation's speed analysis's
// DistrValue(aFormatSettings), or empty without a calculation or speed analysis.
QString SpeedDistValue(const TqelCalculation* aCalculation, const FormatSettings& aFormatSettings);

}  // namespace qel
