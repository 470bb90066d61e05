#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"
#include "analysis/intensity/mip_windows.h"

class TqelMIPDistanceInfo;

// One window of the live analysis.
struct TqelMIPDistRecord {
    TqelMIPDistanceInfo* Owner = nullptr;
    // Buckets in the window.
    int32_t ValueCount = 0;
    // Window length / 100.
    int32_t MaxValues = 0;
    // The window's sum, m (the name is kept from the stored layout's history).
    double CurrentDistanceMM = 0;
    // The largest sum since the last read, m.
    double MaxDistanceMM = 0;
};

// Live sliding-window distance sums for the 1 Hz most-intense-distance index: a ring of 100 ms
// slots feeds ten running window sums, in constant work per slot. Never streamed.
//
// Threads: as every analysis object (see TqelCalculationVaruza); GetValue changes the record it
// reads, so it is called by the thread that steps the calculation.
class TqelMIPDistanceInfo : public TqelCalculationVaruza {
public:
    // Slots of the ring: one more than the longest window holds.
    static constexpr int32_t kRingSlots = 600000 / 100 + 1;

    explicit TqelMIPDistanceInfo(TqelCalculation& aCalculation);
    ~TqelMIPDistanceInfo() override;

    // Clears the ring and the windows and starts at the calculation's start. True.
    bool Init() override;
    // A negative time changes nothing.
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    void Finalize() override {}
    void ReadFromStream(qel::BinaryReader&, uint8_t) override {}
    void writeToStream(qel::BinaryWriter&) const override {}

    // The largest sum of window anIndex since the previous read, m; the next read starts from the
    // current sum. 0 outside 0 .. kMIPWindowCount - 1.
    double GetValue(int32_t anIndex);
    // Ring slot aIndex, a negative index counting back from the ring's end; 0 outside
    // -kRingSlots .. kRingSlots - 1.
    double DistanceIndexValue(int32_t aIndex) const;
    int32_t WriteIndex() const { return FWriteIndex; }
    const TqelMIPDistRecord& Record(int32_t anIndex) const { return FMIPValues.at(anIndex); }

private:
    void AddToWindows(int32_t aSlot);

    std::vector<double> FDistanceArray;
    int32_t FDistanceArrayCount = kRingSlots;
    int32_t FWriteIndex = 0;
    std::array<TqelMIPDistRecord, kMIPWindowCount> FMIPValues{};
    RqelCalculatedPosition FLastPos;
};
