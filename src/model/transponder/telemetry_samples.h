#pragma once

#include <cstdint>
#include <type_traits>

#include "model/transponder/packed_record.h"

// One heartbeat telemetry value (8 bytes):
//   0 FTimestampInMS i32 (the time is its absolute value; negative marks the sample invalid)
//   4 TelemetryType u8   5 TelemetryInvalid u8   6 TelemetryData u16
struct RqelHeartbeatSample : qel::PackedRecord<8> {
    int32_t FTimestampInMS() const { return getI32(0); }
    void setFTimestampInMS(int32_t aValue) { setI32(0, aValue); }
    // The source's telemetry type byte: 60..63 beat interval in 1/1024 s, 56..59 beats per minute
    // in the high data byte, 1 and 252..255 beat interval in ms.
    uint8_t TelemetryType() const { return getU8(4); }
    void setTelemetryType(uint8_t aValue) { setU8(4, aValue); }
    // 0, or what spike removal put in place of a spike: 1, or a replacement rate in bpm.
    uint8_t TelemetryInvalid() const { return getU8(5); }
    void setTelemetryInvalid(uint8_t aValue) { setU8(5, aValue); }
    uint16_t TelemetryData() const { return getU16(6); }
    void setTelemetryData(uint16_t aValue) { setU16(6, aValue); }

    void Clear() { *this = RqelHeartbeatSample(); }
    // Copies, the time as its absolute value: the copy is valid.
    void Assign(const RqelHeartbeatSample& aValue);
    // Moves the time and keeps the invalid mark. The sign is the mark, so a valid sample moved
    // below 0 reads invalid.
    void AddTimeInMS(int32_t aTimeInMS);
    int32_t GetTimestampInMS() const;
    bool GetInvalid() const { return FTimestampInMS() < 0; }
    // A sample at time 0 cannot be marked invalid.
    void SetInvalid(bool aValue);

    // Beats per minute; 0 for an invalid sample, an unknown type or a zero interval. Unless
    // aShowSpikes, a sample flagged by spike removal gives its TelemetryInvalid value.
    double GetHeartbeat(bool UseTelemetryIDs, bool aShowSpikes) const;
    // The rate from the data alone: no test of the invalid mark or the spike flag.
    double RawHeartbeat(bool UseTelemetryIDs) const;
};
static_assert(sizeof(RqelHeartbeatSample) == 8);
static_assert(std::is_trivially_copyable_v<RqelHeartbeatSample>);
static_assert(std::is_standard_layout_v<RqelHeartbeatSample>);

// An accelerometer sample with gravity removed, in g. Kept in memory only, beside the stored
// accelerometer samples; naturally aligned, so a plain struct.
struct RqelAccelerometerFiltered {
    int32_t TimeStampInMS = 0;
    float XAcceleration = 0;
    float YAcceleration = 0;
    float ZAcceleration = 0;
    // Magnitude of the gravity estimate.
    double LowPassGrav = 0;

    double GetAcceleration() const;
};
static_assert(sizeof(RqelAccelerometerFiltered) == 24);
static_assert(std::is_trivially_copyable_v<RqelAccelerometerFiltered>);

// One battery telemetry value (8 bytes):
//   0 TimeStampInMS i32   4 Flag u8 (telemetry type byte)   5 Voltage u16 (mV)   7 CRC u8
struct RqelBatterySample : qel::PackedRecord<8> {
    int32_t TimeStampInMS() const { return getI32(0); }
    void setTimeStampInMS(int32_t aValue) { setI32(0, aValue); }
    uint8_t Flag() const { return getU8(4); }
    void setFlag(uint8_t aValue) { setU8(4, aValue); }
    uint16_t Voltage() const { return getU16(5); }
    void setVoltage(uint16_t aValue) { setU16(5, aValue); }
    uint8_t CRC() const { return getU8(7); }
    void setCRC(uint8_t aValue) { setU8(7, aValue); }
};
static_assert(sizeof(RqelBatterySample) == 8);
static_assert(std::is_trivially_copyable_v<RqelBatterySample>);
static_assert(std::is_standard_layout_v<RqelBatterySample>);
