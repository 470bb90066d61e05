#pragma once

#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "foundation/settings/category_records.h"

// One rise-and-fall cycle of the impact signal.
struct RqelImpact {
    // -1 in an empty slot.
    int32_t StartTimeInMS = -1;
    int32_t EndTimeInMS = 0;
    // g.
    double MaxImpact = 0;
    double MinImpact = 0;
    // m/s.
    double MaxSpeed = 0;
    double MinSpeed = 0;
    // Carried and stored; nothing computes it.
    double DistanceInMM = 0;
    // 1-based impact category, 0 for none.
    int32_t Category = 0;
};

// Splits the impact signal into cycles from one rise to the next and keeps those with an
// amplitude above 1 g that fell back below 2 g, each with its impact category. The cycle in
// progress sits in the slot after the recorded ones and is never counted.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field; readers on other threads take it.
class TqelImpactInfo : public TqelCalculationVaruza {
public:
    explicit TqelImpactInfo(TqelCalculation& aCalculation);

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    bool Init() override;
    // Raises EReadError on a count beyond the data.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // Recorded impacts.
    int32_t Count() const { return FImpactCount; }
    // Null outside 0 .. Count - 1.
    const RqelImpact* GetImpact(int32_t anIndex) const;
    // Recorded impacts starting within [aStartTimeInMS, anEndTimeInMS], both inclusive.
    int32_t CountStartingWithin(int32_t aStartTimeInMS, int32_t anEndTimeInMS) const;

private:
    RqelImpact& Current() { return FImpacts[static_cast<size_t>(FImpactCount)]; }
    void StartCycle(int32_t aTimeInMS, double aSpeed, double aMaxImpact, double aMinImpact);

    // The recorded impacts and, at FImpactCount, the cycle in progress.
    std::vector<RqelImpact> FImpacts;
    int32_t FImpactCount = 0;
    double FLastImpact = 0;
    double FLastDifferent = 0;
    RqelImpactCategoryInfo FImpactCatInfo;
};
