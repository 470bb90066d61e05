#pragma once

#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "analysis/framework/speed_info.h"
#include "analysis/load/training_load.h"
#include "analysis/sprints/sprint_bin.h"
#include "foundation/settings/category_records.h"

// Cuts an athlete's movement into efforts: one starts at the standing-speed limit and ends when
// the athlete has stood long enough or almost stops. An effort long enough above the sprint
// speed, mostly in effective play and with plausible maxima is recorded as a sprint with its
// lead-in, heart rate, positions, field zones, direction and category.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field, the private analyses of the effort included.
class TqelSprints : public TqelCalculationVaruza {
public:
    // The longest lead-in scanned before an effort, ms.
    static constexpr int32_t kMaxLeadInMS = 10000;

    explicit TqelSprints(TqelCalculation& aCalculation);

    bool Init() override;
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    // Records an effort still open; its end zone and direction stay 0.
    void Finalize() override;
    // Raises EReadError on a negative count or one beyond the data; the object is then unchanged.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // Raises the list's range error outside 0 .. SprintCount - 1.
    const RSprintBin& GetSprint(int32_t anIndex) const;
    // Sprints with aMinSpeed <= MaxSpeedMS < aMaxSpeed.
    int32_t SprintsInZone(double aMinSpeed, double aMaxSpeed) const;
    // Appends copies of aValue's sprints with only their speeds, times, high-intensity values,
    // lead-in and category.
    void Add(const TqelSprints& aValue);
    // Sprint records from the totals of a recording without positions, spread over the four
    // highest zones of the calculation's speed analysis. Raises Exception, changing nothing, on
    // a negative count, on totals that do not add up and with fewer than four speed zones.
    void AddManualData(int32_t aTotalSprintCount, int32_t aTotalDistanceMM, int32_t aHIDinMM,
                       int32_t aNumberSprintsZone_3, int32_t aNumberSprintsZone_2,
                       int32_t aNumberSprintsZone_1, int32_t aNumberSprintsZoneMax,
                       int32_t aDistZone_3, int32_t aDistZone_2, int32_t aDistZone_1,
                       int32_t aDistZoneMax);

    int32_t SprintCount() const { return FSprintCount; }
    // mm, all that the object saw.
    double TotalDistance() const { return FTotalDistance; }
    // Over the recorded sprints; 0 without any.
    double SprintIndexSum() const;
    double SprintIndexAvg() const;
    // mm.
    double HIDistance() const;
    double HIDPossession() const;
    double MaxSpeed() const;
    double MaxAccel() const;
    double AvgMaxSpeed() const;
    double AvgMaxAccel() const;

    // The effort being collected (free while its StartTimeInMS is 0).
    const RSprintBin& OpenRecord() const { return FSprints[FSprintCount]; }

private:
    RSprintBin& Open() { return FSprints[FSprintCount]; }
    void StartEffort(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                     double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                     bool aTeamHasPossession, TqelPlayDirection aPlayDirection,
                     bool aClockIsRunning);
    void ContinueEffort(bool aOnField, const RqelCalculatedPosition& aPos, double aDistance,
                        double aSpeed, double aFifaSpeed, double anAcceleration,
                        bool aTeamHasPossession, int32_t aTimeInMS, bool aClockIsRunning);
    // The effort's sprint time is long enough and its maxima plausible (or shown anyway).
    bool Qualifies(const RSprintBin& anEffort) const;
    // Fills in what a recorded sprint gets at its end and appends a new free open record.
    void Record();
    void FindLeadIn(RSprintBin& aSprint) const;

    // The effort's own analyses: same owner, not in the calculation's list.
    TqelSpeedInfo FSpeedInfo;
    TqelETLInfo FETLInfo;
    RqelSprintCategoryInfo FSprintCatInfo;
    double FTotalDistance = 0;
    int32_t FSprintCount = 0;
    // The recorded sprints, then the open record.
    std::vector<RSprintBin> FSprints;
};
