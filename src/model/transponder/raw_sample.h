#pragma once

#include <cstdint>
#include <type_traits>

#include "foundation/shared_enums.h"
#include "model/transponder/packed_record.h"

// One measured position of one transponder: five little-endian 32-bit words.
//   val1: bits 0..3 status (TqelDataStatus), bits 4..31 time in tenths of a ms (unsigned)
//   val2: bits 0..7 high byte of the height in cm, bits 8..9 antenna slot, bits 12..31 X in mm
//   val3: bits 0..7 low byte of the height in cm, bits 8..11 quality, bits 12..31 Y in mm
//   val4: bits 0..15 speed in mm/s (unsigned), bits 16..31 acceleration in mm/s² (signed)
//   val5: bits 0..27 cumulative distance in mm
// X and Y are signed 20-bit values. Nothing is range-checked: a value that does not fit its field
// wraps, and callers keep times within 26,843,545 ms.
struct RqelRawSample : qel::PackedRecord<20> {
    uint32_t val1() const { return getU32(0); }
    void setVal1(uint32_t aValue) { setU32(0, aValue); }
    uint32_t val2() const { return getU32(4); }
    void setVal2(uint32_t aValue) { setU32(4, aValue); }
    uint32_t val3() const { return getU32(8); }
    void setVal3(uint32_t aValue) { setU32(8, aValue); }
    uint32_t val4() const { return getU32(12); }
    void setVal4(uint32_t aValue) { setU32(12, aValue); }
    uint32_t val5() const { return getU32(16); }
    void setVal5(uint32_t aValue) { setU32(16, aValue); }

    int32_t TimeStampInMS() const;
    int32_t XinMM() const;
    int32_t YinMM() const;
    int32_t ZinMM() const;
    // m/s and m/s².
    double SpeedInMS() const;
    double Acceleration() const;
    int32_t DistanceInMM() const { return static_cast<int32_t>(val5()); }
    // Antenna slot (antennas 1..3, 4 gives 0) and quality 0..15.
    int32_t GetAntenna() const { return (val2() >> 8) & 0xF; }
    int32_t GetQuality() const { return (val3() >> 8) & 0xF; }

    // Fills all five words with status 0. aQuality is the measurement system's 16-bit quality word
    // (its bits 11..14 are kept); aSignal is not stored.
    void SetValues(int32_t aTimeStampInMS, int32_t aXinMM, int32_t aYinMM, int32_t aZinMM,
                   int32_t aAntennaID, int32_t aQuality, int32_t aSignal, int32_t aDistanceMM,
                   int32_t aSpeedMMSec, int32_t anAccelMMss);
    void SetXY(int32_t aXinMM, int32_t aYinMM);
    void SetZ(int32_t aZinMM);
    // Moves the sample in time; a time below 0 is kept with status ldsBeforeBeginDts.
    void AddTimeInMS(int32_t aTimeInMS);
    void Assign(const RqelRawSample& aValue) { *this = aValue; }

    // The status nibble; ldsAllZeroCoords for a status-0 sample at X = 0 and Y = 0.
    TqelDataStatus GetStatus() const;
    // aValue is taken as a signed byte: 0 clears a mark (status 4 and above), 4 and above is
    // combined into the status unless that is 1..3, anything else changes nothing.
    void SetMark(int aValue);

private:
    uint32_t StatusNibble() const { return val1() & 0xF; }
};
static_assert(sizeof(RqelRawSample) == 20);
static_assert(std::is_trivially_copyable_v<RqelRawSample>);
static_assert(std::is_standard_layout_v<RqelRawSample>);
