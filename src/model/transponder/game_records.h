#pragma once

#include <cstdint>
#include <type_traits>

#include "model/transponder/packed_record.h"

// One reading of an ice-hockey game clock (8 bytes):
//   0 FDtsTimeInMS i32 (dataset time)
//   4 value1 u32: bits 0..3 period, 4..7 guest goals, 8..11 home goals, 12..30 game clock in s,
//     31 clock running
// Every setter masks its value to the field's width and leaves the other fields alone.
struct RqelClockSample : qel::PackedRecord<8> {
    uint32_t value1() const { return getU32(4); }
    void setValue1(uint32_t aValue) { setU32(4, aValue); }

    void Clear() { *this = RqelClockSample(); }
    void SetValues(int32_t aDatasetTimeInMS, int32_t aGameTimeInS, int32_t aPeriod,
                   int32_t aGoalHome, int32_t aGoalGuest, bool aRunning);

    int32_t GetDatasetTimeInMS() const { return getI32(0); }
    void SetDatasetTimeInMS(int32_t aValue) { setI32(0, aValue); }
    int32_t GetPeriod() const { return field(PeriodShift, FourBits); }
    void SetPeriod(int32_t aValue) { setField(PeriodShift, FourBits, aValue); }
    int32_t GetGoalGuest() const { return field(GuestShift, FourBits); }
    void SetGoalGuest(int32_t aValue) { setField(GuestShift, FourBits, aValue); }
    int32_t GetGoalHome() const { return field(HomeShift, FourBits); }
    void SetGoalHome(int32_t aValue) { setField(HomeShift, FourBits, aValue); }
    int32_t GetGameTimeInS() const { return field(GameTimeShift, GameTimeBits); }
    bool GetRunning() const { return field(RunningShift, 1) != 0; }
    void SetRunning(bool aValue) { setField(RunningShift, 1, aValue ? 1 : 0); }

private:
    static constexpr uint32_t FourBits = 0xF;
    static constexpr uint32_t GameTimeBits = 0x7FFFF;
    static constexpr int PeriodShift = 0;
    static constexpr int GuestShift = 4;
    static constexpr int HomeShift = 8;
    static constexpr int GameTimeShift = 12;
    static constexpr int RunningShift = 31;

    int32_t field(int aShift, uint32_t aMask) const {
        return static_cast<int32_t>((value1() >> aShift) & aMask);
    }
    void setField(int aShift, uint32_t aMask, int32_t aValue) {
        setValue1((value1() & ~(aMask << aShift)) |
                  ((static_cast<uint32_t>(aValue) & aMask) << aShift));
    }
};
static_assert(sizeof(RqelClockSample) == 8);
static_assert(std::is_trivially_copyable_v<RqelClockSample>);
static_assert(std::is_standard_layout_v<RqelClockSample>);

// One ball-possession entry of the dataset: four unsigned bytes, so a plain struct.
struct RqelBallData {
    uint8_t TransponderID = 0;
    uint8_t TeamID = 0;
    uint8_t Transition = 0;
    uint8_t BallAlive = 0;

    void Clear() { *this = RqelBallData(); }
};
static_assert(sizeof(RqelBallData) == 4);
static_assert(std::is_trivially_copyable_v<RqelBallData>);
