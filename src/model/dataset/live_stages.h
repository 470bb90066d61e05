#pragma once

#include <cstdint>
#include <memory>

#include "foundation/position_records.h"

class TqelDataset;
class TqelTimeOnIce;
class TqelTimeRecorder;
class TqelTransponderData;
class TqeldbPosition;

namespace qel {

// The later stages that the dataset's live path drives: the live index update, laps and
// sectors, the game parts' rest times, the time-on-ice clock, the time recorder and the live
// summaries. The dataset reaches them only through here, so that they can be replaced together
// (to watch in which order and over which spans the path calls them).
//
// Threads: updateLiveIndex, updateLapsAndSectors, updatePartsRestTime and UpdateClock run on
// the cadence thread, the others on the main thread.
class LiveStages {
public:
    virtual ~LiveStages() = default;

    // The stages of the model itself; they live as long as the program.
    static LiveStages& Model();

    virtual void updateLiveIndex(TqelTransponderData& aTransponder);
    virtual void updateLapsAndSectors(TqelTransponderData& aTransponder);
    virtual void updatePartsRestTime(TqelDataset& aDataset);
    virtual void UpdateClock(TqelTimeOnIce& aTimeOnIce);
    virtual void FinalizeProcess(TqelTimeOnIce& aTimeOnIce);
    virtual void Finish(TqelTimeRecorder& aTimer);
    // A new live summary record for the span, owned by the caller.
    virtual std::unique_ptr<TqeldbPosition> CalcLiveData(TqelTransponderData& aTransponder,
                                                         int32_t aBeginTimeMS, int32_t aEndTimeMS,
                                                         int32_t aTimeFrameInMS, bool aUseIndexes,
                                                         bool aTeamInfo);
    virtual RqelCalculatedPosition CalcLongAvgPos(TqelTransponderData& aTransponder,
                                                  int32_t aTimeStampStartInMS,
                                                  int32_t aTimeStampStopInMS);
};

}  // namespace qel
