#pragma once

#include <cstdint>
#include <type_traits>

#include "model/transponder/packed_record.h"

// One 100 ms slot of a transponder's 10 Hz index (slot n covers n x 100 .. n x 100 + 99 ms), as
// the dataset file stores it (66 bytes, little-endian, packed).
//    0 FStatus u32 (bit 0 valid, bit 1 marked)   4 LastSampleIndex i32   8 XinMM i32
//   12 YinMM i32   16 ZinMM i32   20 FSpeedMMS u16   22 FAcceleration i16   24 FHeartbeat u16
//   26 CumDistanceInMM   30 CumHIDInMM   34 CumEnergyConsumption   38 CumSpeedIndex
//   42 CumAccelIndex   46 CumDecelIndex   50 CumHeartIndex   54 CumHIHBTimeMS   58 CumHMLDinMM
//   (all i32)   62 FFatigueTemporary u16   64 FFatigueChroncal u16
struct RqelSampleIdx10Hz : qel::PackedRecord<66> {
    static constexpr int32_t NoPosition = 99999999;
    static constexpr uint32_t ValidBit = 1;
    static constexpr uint32_t MarkedBit = 2;

    uint32_t FStatus() const { return getU32(0); }
    // Replaces the whole status word.
    void SetStatus(uint32_t aValue) { setU32(0, aValue); }
    bool GetValid() const { return (FStatus() & ValidBit) != 0; }
    void SetValid(bool aFlag) { setStatusBit(ValidBit, aFlag); }
    bool GetMarked() const { return (FStatus() & MarkedBit) != 0; }
    void SetMarked(bool aFlag) { setStatusBit(MarkedBit, aFlag); }

    // -1 when the slot has no raw sample of its own.
    int32_t LastSampleIndex() const { return getI32(4); }
    void setLastSampleIndex(int32_t aValue) { setI32(4, aValue); }
    int32_t XinMM() const { return getI32(8); }
    void setXinMM(int32_t aValue) { setI32(8, aValue); }
    int32_t YinMM() const { return getI32(12); }
    void setYinMM(int32_t aValue) { setI32(12, aValue); }
    int32_t ZinMM() const { return getI32(16); }
    void setZinMM(int32_t aValue) { setI32(16, aValue); }
    uint16_t FSpeedMMS() const { return getU16(20); }
    void setFSpeedMMS(uint16_t aValue) { setU16(20, aValue); }
    int16_t FAcceleration() const { return getI16(22); }
    void setFAcceleration(int16_t aValue) { setI16(22, aValue); }
    // Beats per minute x 100.
    uint16_t FHeartbeat() const { return getU16(24); }
    void setFHeartbeat(uint16_t aValue) { setU16(24, aValue); }
    int32_t CumDistanceInMM() const { return getI32(26); }
    void setCumDistanceInMM(int32_t aValue) { setI32(26, aValue); }
    int32_t CumHIDInMM() const { return getI32(30); }
    void setCumHIDInMM(int32_t aValue) { setI32(30, aValue); }
    int32_t CumEnergyConsumption() const { return getI32(34); }
    void setCumEnergyConsumption(int32_t aValue) { setI32(34, aValue); }
    // The four indexes are stored x 1000.
    int32_t CumSpeedIndex() const { return getI32(38); }
    void setCumSpeedIndex(int32_t aValue) { setI32(38, aValue); }
    int32_t CumAccelIndex() const { return getI32(42); }
    void setCumAccelIndex(int32_t aValue) { setI32(42, aValue); }
    int32_t CumDecelIndex() const { return getI32(46); }
    void setCumDecelIndex(int32_t aValue) { setI32(46, aValue); }
    int32_t CumHeartIndex() const { return getI32(50); }
    void setCumHeartIndex(int32_t aValue) { setI32(50, aValue); }
    int32_t CumHIHBTimeMS() const { return getI32(54); }
    void setCumHIHBTimeMS(int32_t aValue) { setI32(54, aValue); }
    int32_t CumHMLDinMM() const { return getI32(58); }
    void setCumHMLDinMM(int32_t aValue) { setI32(58, aValue); }
    // Fatigue values x 100.
    uint16_t FFatigueTemporary() const { return getU16(62); }
    void setFFatigueTemporary(uint16_t aValue) { setU16(62, aValue); }
    uint16_t FFatigueChroncal() const { return getU16(64); }
    void setFFatigueChroncal(uint16_t aValue) { setU16(64, aValue); }

    // m/s and m/s²; 0 in a marked slot, whose samples carry a filter mark.
    double Speed() const;
    double Acceleration() const;
    // Beats per minute.
    double Heartbeat() const { return FHeartbeat() / 100.0; }
    double Fatigue() const;

    void Assign(const RqelSampleIdx10Hz& aSource) { *this = aSource; }

private:
    void setStatusBit(uint32_t aBit, bool aFlag) {
        SetStatus(aFlag ? FStatus() | aBit : FStatus() & ~aBit);
    }
};
static_assert(sizeof(RqelSampleIdx10Hz) == 66);
static_assert(std::is_trivially_copyable_v<RqelSampleIdx10Hz>);
static_assert(std::is_standard_layout_v<RqelSampleIdx10Hz>);

// Earlier layouts of the 10 Hz slot, read from older dataset files and converted into the
// current one. Only read, so only getters.

// Up to version 79 (32 bytes).
struct RqelSampleIdx10HzUpToV79 : qel::PackedRecord<32> {
    uint32_t Status() const { return getU32(0); }
    int32_t LastSampleIndex() const { return getI32(4); }
    double CumDistanceInM() const { return getDouble(8); }
    double CumEnergyConsumption() const { return getDouble(16); }
    double Dummy() const { return getDouble(24); }
};
static_assert(sizeof(RqelSampleIdx10HzUpToV79) == 32);
static_assert(std::is_trivially_copyable_v<RqelSampleIdx10HzUpToV79>);

// Up to version 122 (56 bytes).
struct RqelSampleIdx10HzUpToV122 : qel::PackedRecord<56> {
    uint32_t Status() const { return getU32(0); }
    int32_t LastSampleIndex() const { return getI32(4); }
    double CumDistanceInM() const { return getDouble(8); }
    double CumEnergyConsumption() const { return getDouble(16); }
    double CumSpeedIndex() const { return getDouble(24); }
    double CumAccelIndex() const { return getDouble(32); }
    double CumDecelIndex() const { return getDouble(40); }
    double CumHeartIndex() const { return getDouble(48); }
};
static_assert(sizeof(RqelSampleIdx10HzUpToV122) == 56);
static_assert(std::is_trivially_copyable_v<RqelSampleIdx10HzUpToV122>);

// Up to version 124 (90 bytes): positions in metres as doubles.
struct RqelSampleIdx10HzUpToV124 : qel::PackedRecord<90> {
    uint32_t Status() const { return getU32(0); }
    int32_t LastSampleIndex() const { return getI32(4); }
    double XinM() const { return getDouble(8); }
    double YinM() const { return getDouble(16); }
    double ZinM() const { return getDouble(24); }
    uint16_t SpeedMMS() const { return getU16(32); }
    int16_t Acceleration() const { return getI16(34); }
    uint16_t Heartbeat() const { return getU16(36); }
    double CumDistanceInM() const { return getDouble(38); }
    double CumEnergyConsumption() const { return getDouble(46); }
    double CumSpeedIndex() const { return getDouble(54); }
    double CumAccelIndex() const { return getDouble(62); }
    double CumDecelIndex() const { return getDouble(70); }
    double CumHeartIndex() const { return getDouble(78); }
    int32_t CumHIHBTimeMS() const { return getI32(86); }
};
static_assert(sizeof(RqelSampleIdx10HzUpToV124) == 90);
static_assert(std::is_trivially_copyable_v<RqelSampleIdx10HzUpToV124>);

// Up to version 132 (58 bytes): the current layout without CumHIDInMM and the fatigue words.
struct RqelSampleIdx10HzUpToV132 : qel::PackedRecord<58> {
    uint32_t Status() const { return getU32(0); }
    int32_t LastSampleIndex() const { return getI32(4); }
    int32_t XinMM() const { return getI32(8); }
    int32_t YinMM() const { return getI32(12); }
    int32_t ZinMM() const { return getI32(16); }
    uint16_t FSpeedMMS() const { return getU16(20); }
    int16_t FAcceleration() const { return getI16(22); }
    uint16_t FHeartbeat() const { return getU16(24); }
    int32_t CumDistanceInMM() const { return getI32(26); }
    int32_t CumEnergyConsumption() const { return getI32(30); }
    int32_t CumSpeedIndex() const { return getI32(34); }
    int32_t CumAccelIndex() const { return getI32(38); }
    int32_t CumDecelIndex() const { return getI32(42); }
    int32_t CumHeartIndex() const { return getI32(46); }
    int32_t CumHIHBTimeMS() const { return getI32(50); }
    int32_t CumHMLDinMM() const { return getI32(54); }
};
static_assert(sizeof(RqelSampleIdx10HzUpToV132) == 58);
static_assert(std::is_trivially_copyable_v<RqelSampleIdx10HzUpToV132>);

// Most-intense-period values of one second of the recording: one int32 per window length
// (index 0..9), each the window's value x 1000.
struct TqelMIPDistValue : qel::PackedRecord<40> {
    static constexpr int Count = 10;

    int32_t Value(int anIndex) const { return getI32(static_cast<size_t>(anIndex) * 4); }
    void setValue(int anIndex, int32_t aValue) { setI32(static_cast<size_t>(anIndex) * 4, aValue); }
};
static_assert(sizeof(TqelMIPDistValue) == 40);
static_assert(std::is_trivially_copyable_v<TqelMIPDistValue>);
