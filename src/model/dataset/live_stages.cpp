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
    // The index reaches the newest time; the analyses that fill it are not part of the model
    // yet.
    if (aTransponder.SampleCount() == 0 || !aTransponder.Dataset()) {
        return;
    }
    aTransponder.Grow10HzIndex(aTransponder.Dataset()->DurationInMS() / 100 + 1);
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

std::unique_ptr<TqeldbPosition> LiveStages::CalcLiveData(TqelTransponderData& aTransponder, int32_t,
                                                         int32_t aEndTimeMS, int32_t, bool, bool) {
    // Identity and time only: the live values come with the live index update.
    const TqelDataset* dataset = aTransponder.Dataset();
    auto result = std::make_unique<TqeldbPosition>(
        dataset ? static_cast<int32_t>(dataset->DBDtsID()) : 0, aTransponder.TPid());
    result->setTimestampMS(aEndTimeMS);
    return result;
}

RqelCalculatedPosition LiveStages::CalcLongAvgPos(TqelTransponderData& aTransponder,
                                                  int32_t aTimeStampStartInMS,
                                                  int32_t aTimeStampStopInMS) {
    return aTransponder.CalcLongAvgPos(aTimeStampStartInMS, aTimeStampStopInMS);
}

}  // namespace qel
