#include "model/dataset/live_stages.h"

#include "database/datasets/live_position.h"
#include "model/blocks/time_on_ice.h"
#include "model/blocks/time_recorder.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace qel {

LiveStages& LiveStages::Model() {
    static LiveStages stages;
    return stages;
}

void LiveStages::updateLiveIndex(TqelTransponderData& aTransponder) {
    aTransponder.updateLiveIndex();
}

void LiveStages::updateLapsAndSectors(TqelTransponderData& aTransponder) {
    aTransponder.updateLapsAndSectors();
}

void LiveStages::updatePartsRestTime(TqelDataset& aDataset) {
    aDataset.updatePartsRestTime();
}

void LiveStages::UpdateClock(TqelTimeOnIce& aTimeOnIce) {
    aTimeOnIce.UpdateClock();
}

void LiveStages::FinalizeProcess(TqelTimeOnIce& aTimeOnIce) {
    aTimeOnIce.FinalizeProcess();
}

void LiveStages::Finish(TqelTimeRecorder& aTimer) {
    aTimer.Finish();
}

std::unique_ptr<TqeldbPosition> LiveStages::CalcLiveData(TqelTransponderData& aTransponder,
                                                         int32_t aBeginTimeMS, int32_t aEndTimeMS,
                                                         int32_t aTimeFrameInMS, bool aUseIndexes,
                                                         bool aTeamInfo) {
    return std::make_unique<TqeldbPosition>(aTransponder.CalcLiveData(
        aBeginTimeMS, aEndTimeMS, aTimeFrameInMS, true, aUseIndexes, aTeamInfo));
}

RqelCalculatedPosition LiveStages::CalcLongAvgPos(TqelTransponderData& aTransponder,
                                                  int32_t aTimeStampStartInMS,
                                                  int32_t aTimeStampStopInMS) {
    return aTransponder.CalcLongAvgPos(aTimeStampStartInMS, aTimeStampStopInMS);
}

}  // namespace qel
