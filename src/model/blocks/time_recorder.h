#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "model/transponder/packed_record.h"
#include "platform/date_time.h"

class TqelDataset;
namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// One pair of the time recorder (16 bytes):
//   0 LPMTime i32 (dataset time in ms)
//   4 reserved, 0
//   8 RealTime i64 (wall-clock ms since 1899-12-30 00:00 local time)
struct RqelTimeRecorder : qel::PackedRecord<16> {
    int32_t LPMTime() const { return getI32(0); }
    void setLPMTime(int32_t aValue) { setI32(0, aValue); }
    int64_t RealTime() const { return getI64(8); }
    void setRealTime(int64_t aValue) { setI64(8, aValue); }
};
static_assert(sizeof(RqelTimeRecorder) == 16);
static_assert(std::is_trivially_copyable_v<RqelTimeRecorder>);

// Ties dataset time to wall-clock time for one dataset: one pair per cadence step while it
// records, and wall-clock times between the pairs by linear interpolation. The pairs are taken
// as added in rising dataset time; nothing sorts them.
//
// Threads: AddTime and Finish run in the dataset's cadence step and the recording switch, the
// file block on the thread that reads or writes the file, GetDateTime on the thread asking for
// the real time. No lock: the dataset never runs a reader while the table is written.
class TqelTimeRecorder {
public:
    // The table grows by this many pairs when it is full.
    static constexpr int32_t GrowStep = 30000;
    // The first file version that carries the block.
    static constexpr int32_t FirstStreamVersion = 99;

    // aDataSet gives the time before the first pair; without one that time is 0.
    explicit TqelTimeRecorder(TqelDataset* aDataSet);

    void AddTime(int32_t aLPMTime, TDateTime aCurrentTime);
    // Cuts the table to the pairs in use.
    void Finish();
    // The wall-clock time at a dataset time: the dataset's Timestamp before the first pair, the
    // last pair's time from it on.
    TDateTime GetDateTime(int32_t aLPMTime) const;

    int32_t TimeLength() const { return static_cast<int32_t>(FTime.size()); }
    int32_t TimeCount() const { return FTimeCount; }
    const RqelTimeRecorder& Pair(int32_t anIndex) const { return FTime.at(anIndex); }

    // Below FirstStreamVersion nothing is read. A count past the bytes left raises EReadError
    // before anything is allocated and leaves the table as it was.
    void readFromStream(qel::BinaryReader& aReader, int32_t aVersion);
    // The pairs in use only: a table written while recording has no zero-filled tail.
    void writeToStream(qel::BinaryWriter& aWriter) const;

private:
    TqelDataset* FDataSet;
    int32_t FTimeCount = 0;
    // Its size is the allocated length.
    std::vector<RqelTimeRecorder> FTime;
};
