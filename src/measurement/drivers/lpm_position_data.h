#pragma once

#include <cstdint>
#include <vector>

#include "foundation/position_records.h"

// The LPM server's UDP position records and what the driver needs to take them apart: the
// record layout, the decoding of one record, the LPM time bookkeeping and the buffer that joins
// records cut across datagrams. Everything here belongs to the driver's main thread.

namespace qel {

// Record sizes of the LPM data protocols; the first 30 bytes are laid out alike in all but
// the 24-byte format, which ends before the velocities.
constexpr int32_t kLPMShortRecord = 24;
constexpr int32_t kLPMMiddleRecord = 56;
constexpr int32_t kLPMLongRecord = 304;
constexpr int32_t kLPMDebugRecord = 368;

// The base-station block of the 304-byte record: 20 entries of 12 bytes from offset 64.
constexpr int32_t kLPMBaseStationBlock = 64;
constexpr int32_t kLPMBaseStationEntries = 20;
constexpr int32_t kLPMBaseStationEntrySize = 12;

// The record's time stamp in ms (it counts 0.1 ms).
uint32_t LPMRecordTimeMS(const uint8_t* aRecord);
// Bits 14-15 of the antenna word; 0 is a valid position.
uint8_t LPMRecordState(const uint8_t* aRecord);

// What a record's position takes from outside the record.
struct LPMDecodeContext {
    int32_t TimeStampInMS = 0;
    // The accelerometer sample's time (the newest LPM time).
    int64_t AccelTimeMS = 0;
    // Off: every position gets ZinMM = TransponderHeightinMM.
    bool Transponder3D = false;
    int32_t TransponderHeightinMM = 0;
};

// Fills every field of aPosition from one record of aSize bytes (at least 24), in place and
// without allocating. Bytes past aSize are never read: a record shorter than 30 bytes has no
// velocity.
void DecodeLPMRecord(const uint8_t* aRecord, int32_t aSize, const LPMDecodeContext& aContext,
                     RqelPositionRec& aPosition);

// The LPM clock against the time of day. The LPM time counts from the LPM server's start; a
// position's time is the local time of day in ms when the first sample arrived, plus the LPM
// time since that sample. Counted in 64 bits: the LPM time is unsigned and the newest time
// starts at -1.
class LPMTimeBookkeeping {
public:
    // At a driver start: the next sample takes a new base.
    void Reset();
    // One sample's LPM time: takes the base with the first sample (aFirstMeasurementMS 0 before
    // it), follows the newest time and counts gaps over 10 ms as missed packets.
    void Note(uint32_t aTimeMS, int32_t& aFirstMeasurementMS);
    // The position's time of an LPM time.
    int32_t ToDateTimestamp(uint32_t aTimeMS, int32_t aFirstMeasurementMS) const;

    int64_t LastTimeStampInMS() const { return FLastTimeStampInMS; }
    int64_t FirstLPMDatetime() const { return FFirstLPMDatetime; }
    int32_t MissedPackets() const { return FMissedPackets; }

private:
    int64_t FLastTimeStampInMS = -1;
    int64_t FFirstLPMDatetime = 0;
    int32_t FMissedPackets = 0;
    // The day of the driver's first base; every later base adds a day per midnight since, so
    // that times keep rising over a restart after midnight. -1 before the first base.
    int64_t FFirstBaseDay = -1;
};

// The bytes of the datagrams, cut into records. A record cut across datagrams waits at the
// front of the buffer for the rest from the same sender; the buffer grows only when a datagram
// does not fit behind that remainder, so it stays at most one record plus the largest datagram.
class LPMReassemblyBuffer {
public:
    static constexpr int64_t kInitialSize = 16384;

    LPMReassemblyBuffer();

    // Room for a datagram of aLength bytes from aSender behind the remainder. A remainder of
    // another sender is dropped first; the result says so.
    bool Prepare(int64_t aLength, uint32_t aSender);
    uint8_t* WritePosition() { return FBuffer.data() + FWritten; }
    void Written(int64_t aLength) { FWritten += aLength; }

    // The next record when at least aStep unread bytes are there, else nullptr.
    const uint8_t* Next(int64_t aStep) const;
    void Consume(int64_t aStep) { FRead += aStep; }
    // Drops whatever has not been read.
    void ConsumeAll() { FRead = FWritten; }
    // After a datagram: moves what is left to the front. True when a remainder stays.
    bool Finish();

    int64_t Remainder() const { return FWritten - FRead; }
    int64_t Size() const { return static_cast<int64_t>(FBuffer.size()); }

private:
    std::vector<uint8_t> FBuffer;
    int64_t FWritten = 0;
    int64_t FRead = 0;
    uint32_t FRemainderSender = 0;
};

}  // namespace qel
