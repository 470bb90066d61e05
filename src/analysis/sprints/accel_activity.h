#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "foundation/settings/category_records.h"

class TqelSpeedInfo;

// One acceleration or deceleration effort.
struct RqelAcceleration {
    int32_t StartTimeInMS = 0;
    int32_t EndTimeInMS = 0;
    // Largest |a| of the effort, m/s² (positive for decelerations too).
    double MaxAcceleration = 0;
    // m/s.
    double MaxSpeed = 0;
    double MinSpeed = 0;
    double DistanceInMM = 0;
    // Speed-zone index of the effort.
    double SpeedIndex = 0;
    // Acceleration category id, 0 for none.
    int32_t Category = 0;
    // m.
    double CumDistAtStart = 0;
    bool InitClockRunning = false;
    // ms on the field with the clock running, and on the field.
    int32_t EffectiveTime = 0;
    int32_t OnFieldTime = 0;

    int32_t DurationInMS() const { return EndTimeInMS - StartTimeInMS; }
};

// Acceleration and deceleration efforts: runs of steps faster than AccelMinSpeed with at least
// AccelMinAccel of either sign. An effort keeps the kind of its first step until it ends; it is
// recorded when it lasted long enough, stayed plausible, and was mostly effective play on the
// field.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field, the private speed analysis included.
class TqelAccelActivity : public TqelCalculationVaruza {
public:
    explicit TqelAccelActivity(TqelCalculation& aCalculation);
    ~TqelAccelActivity() override;

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    // Ends an open effort as a non-qualifying step does.
    void Finalize() override;
    bool Init() override;
    // Raises EReadError on a record count beyond the data.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    int32_t AccelerationCount() const { return static_cast<int32_t>(FAccelerations.size()); }
    int32_t DecelerationCount() const { return static_cast<int32_t>(FDecelerations.size()); }
    int32_t TopAccelerations() const { return AccelerationCount(); }
    int32_t TopDecelerations() const { return DecelerationCount(); }
    // Raise EArgumentOutOfRangeException outside the list.
    RqelAcceleration& GetAcceleration(int32_t anIndex);
    RqelAcceleration& GetDeceleration(int32_t anIndex);
    // Largest and mean MaxAcceleration of a list; 0 when it is empty.
    double MaxAcceleration() const;
    double MaxDeceleration() const;
    double AvgMaxAccel() const;
    double AvgMaxDecel() const;
    // Acceleration efforts with aMinAccel <= MaxAcceleration < aMaxAccel.
    int32_t AccelerationsInZone(double aMinAccel, double aMaxAccel) const;

    // Efforts of a recording without positions, spread over the upper acceleration bins of the
    // calculation's acceleration analysis. Raise Exception before anything changes for a
    // negative count, a total below the sum of the bins, or fewer than three bins.
    void AddManualDataAccel(int32_t aTotalNumberAccel, int32_t aNumberCat_2, int32_t aNumberCat_1,
                            int32_t aNumberCat_0);
    void AddManualDataDecel(int32_t aTotalNumberDecel);

    // The open effort: first step -1 when none is open.
    int32_t FirstAccelTime() const { return FFirstAccelTime; }
    int32_t LastAccelTime() const { return FLastAccelTime; }
    const TqelSpeedInfo& SpeedInfo() const { return *FSpeedInfo; }

private:
    void OpenEffort(int32_t aTimeInMS, double aDistance, double aSpeed, double aMagnitude,
                    double anAcceleration, bool aClockIsRunning);
    // Records the open effort when it qualifies; none is open afterwards.
    void EndEffort();
    // No effort open; FMinSpeed stays as it was.
    void ClearOpenEffort();

    // mm.
    double FTotalDistance = 0;
    int32_t FFirstAccelTime = -1;
    int32_t FLastAccelTime = -1;
    // +1 acceleration, -1 deceleration.
    int32_t FAccel = 0;
    double FMaxAccel = 0;
    double FMaxSpeed = 0;
    double FMinSpeed = 0;
    double FCurrentDistance = 0;
    int32_t FEffectiveTime = 0;
    int32_t FOnFieldTime = 0;
    bool FInitClockRunning = false;
    RqelAccelCategoryInfo FAccelCatInfo;
    // Owned; not in the calculation's object list.
    std::unique_ptr<TqelSpeedInfo> FSpeedInfo;
    std::vector<RqelAcceleration> FAccelerations;
    std::vector<RqelAcceleration> FDecelerations;
};
