#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "analysis/intensity/mip_windows.h"
#include "foundation/settings/game_speed_values.h"

class TqelZones;

// One 100 ms bucket of a run.
struct TqelGameSpeedData {
    // m.
    double Distance = 0;
    // m/s: the speed of the bucket's last step.
    double Speed = 0;
    // The heart-rate zone weight; set only in buckets of whole seconds.
    double Heartbeat = 0;
};

// The most intense periods of a run: for every window length the largest distance, high-intensity
// distance and heart-rate load covered in any window of that length, per minute, computed from
// 100 ms buckets when the run is finalised and compared with the athlete's reference values.
//
// Threads: as every analysis object (see TqelCalculationVaruza); the results may be read from
// any thread holding the calculation's ResultLock().
class TqelMIPInfo : public TqelCalculationVaruza {
public:
    explicit TqelMIPInfo(TqelCalculation& aCalculation);
    ~TqelMIPInfo() override;

    // A new run with the calculation's high-intensity speed and the athlete's reference values
    // from the calculation context. True.
    bool Init() override;
    // The same with aMIP's high-intensity speed and distance reference values. True.
    bool Init(const TqelMIPInfo& aMIP);
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    // The values of every window, then PeakOutput and Stamina of the three result sets.
    void Finalize() override;
    // The three values of window anIndex (0 .. kMIPWindowCount - 1; others change nothing).
    void SetPeekItensityPerMinute(int32_t anIndex);

    // The three result sets (distance, heart rate, high-intensity distance); nothing for files
    // before version 150. Buckets are not stored.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // m/s.
    double SprintMinHIDSpeed() const { return FSprintMinHIDSpeed; }
    TqelGameSpeedValues& GameSpeedResultDistance() { return *FGameSpeedResultDistance; }
    const TqelGameSpeedValues& GameSpeedResultDistance() const { return *FGameSpeedResultDistance; }
    TqelGameSpeedValues& GameSpeedResultHeartbeat() { return *FGameSpeedResultHeartbeat; }
    const TqelGameSpeedValues& GameSpeedResultHeartbeat() const {
        return *FGameSpeedResultHeartbeat;
    }
    TqelGameSpeedValues& GameSpeedResultHID() { return *FGameSpeedResultHID; }
    const TqelGameSpeedValues& GameSpeedResultHID() const { return *FGameSpeedResultHID; }

    // The last bucket written, -1 before the first step.
    int32_t LastIndex() const { return FLastIndex; }
    // Buckets the run holds room for.
    int32_t ArrayCapacity() const { return FArrayCapacity; }
    // Null outside 0 .. ArrayCapacity() - 1.
    const TqelGameSpeedData* Bucket(int32_t anIndex) const;

private:
    // Init's steps but the reference values.
    void Prepare(double aSprintMinHIDSpeed);
    // Bucket aBucket and all below it exist.
    void Reach(int64_t aBucket);

    double FSprintMinHIDSpeed = 0;
    int32_t FLastIndex = -1;
    int32_t FArrayCapacity = 0;
    RqelCalculatedPosition FLastPos;
    const TqelZones* FHeartbeatZones = nullptr;
    // Its size is FArrayCapacity; its capacity grows geometrically so that a live step rarely
    // allocates.
    std::vector<TqelGameSpeedData> FGameSpeedDataArray;
    std::unique_ptr<TqelGameSpeedValues> FGameSpeedResultDistance;
    std::unique_ptr<TqelGameSpeedValues> FGameSpeedResultHeartbeat;
    std::unique_ptr<TqelGameSpeedValues> FGameSpeedResultHID;
};

namespace qel {

// The largest sum of aCount consecutive values starting at 0 .. aLastStart, each sum taken in
// order from its first value, exactly as a plain loop over every start gives it; 0 when
// aLastStart < 0. Finds candidate starts with a running sum first.
double LargestWindowSum(const std::vector<double>& aValues, int32_t aCount, int32_t aLastStart);
// aStored(LargestWindowSum(...)) for a non-decreasing aStored, found without the exact sums when
// every sum the largest may have stores alike; aStored(0) when there is no start.
double LargestWindowValue(const std::vector<double>& aValues, int32_t aCount, int32_t aLastStart,
                          const std::function<double(double)>& aStored);

}  // namespace qel
