#pragma once

#include <cstdint>
#include <vector>

#include "model/transponder/game_records.h"

class TqelDataset;
namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// The readings of an ice-hockey game clock for one dataset, kept only at changes of the clock
// word and in time order, and the questions the analyses ask of them (does the clock run, what
// does it show).
//
// Threads: the samples are written only by the file reader and AddRecord on the thread that owns
// the dataset, before any analysis runs; the queries only read them and may run on any thread.
// No lock: nothing writes the list while the analyses run.
class TqelTimeOnIce {
public:
    // The first file version that carries the block, and the last one in the old form (one
    // clock word per 100 ms slot).
    static constexpr int32_t FirstStreamVersion = 63;
    static constexpr int32_t LastWordFormVersion = 110;
    // The old form's slot length.
    static constexpr int32_t WordSlotInMS = 100;
    // A running clock changes every second: readings closer than this mean it ran between them.
    static constexpr int32_t RunningGapInMS = 1600;
    // Across a longer gap, the clock runs this long after the earlier and before the later reading.
    static constexpr int32_t RunningEdgeInMS = 500;

    // The period duration is copied from the client settings.
    explicit TqelTimeOnIce(TqelDataset* aDataSet);

    TqelDataset* Dataset() const { return FDataSet; }
    uint32_t PeriodDurationInSec() const { return FPeriodDurationInSec; }

    // Appends a sample unless it repeats the last one's clock word: a repeated reading does not
    // move the time of the last change.
    void AddRecord(const RqelClockSample& aClockSample);
    bool HasClockData() const { return !FClockSamples.empty(); }
    int32_t ClockSampleCount() const { return static_cast<int32_t>(FClockSamples.size()); }
    const RqelClockSample& Sample(int32_t anIndex) const { return FClockSamples.at(anIndex); }

    // The index of the sample in force at a time: the first one exactly at it, else the last one
    // before it; -1 before the first sample and for an empty list.
    int32_t IndexAtTime(int32_t aTimeStampInMS) const;
    // The sample in force; both words 0 when there is none.
    RqelClockSample ClockData(int32_t aTimeStampInMS) const;
    // The game time of the sample in force; 0 when there is none.
    int32_t ClockTimeInS(int32_t aTimeStampInMS) const;
    bool IsRunning(int32_t aTimeStampInMS) const;

    // The clock interpretation into games, events and markers comes with the ice-hockey
    // analyses; the live update has nothing to do until then.
    void UpdateClock() {}
    void FinalizeProcess() {}

    // Appends the block's samples to those present; nothing below FirstStreamVersion. A count
    // past the bytes left, or a negative one, raises EReadError before anything is allocated.
    void readFromStream(qel::BinaryReader& aReader, int32_t aVersion);
    // Always the current form: the samples as they are.
    void writeToStream(qel::BinaryWriter& aWriter) const;

private:
    void readWords(qel::BinaryReader& aReader, int32_t aCount);

    TqelDataset* FDataSet;
    uint32_t FPeriodDurationInSec;
    std::vector<RqelClockSample> FClockSamples;
};
