#include "model/transponder/laps_sectors.h"

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

TqelLap::TqelLap(TqelTransponderData* aTransponder) : FTransponder(aTransponder) {}

void TqelLap::setExitInMS(int32_t aValue) {
    if (FExitInMS.exchange(aValue) == aValue) {
        return;
    }
    if (FTransponder && FTransponder->Dataset()) {
        FTransponder->Dataset()->NotifyItemChanged(this, itemLap, -1);
    }
}

TqelSector::TqelSector(TqelTransponderData* aTransponder, int32_t aSectorIndex, int32_t aLapIndex)
    : FTransponder(aTransponder), FSectorIndex(aSectorIndex), FLapIndex(aLapIndex) {}

TqelLap* TqelSector::Lap() const {
    if (!FTransponder) {
        return nullptr;
    }
    std::lock_guard lock(FTransponder->ListLock());
    if (FLapIndex < 0 || FLapIndex >= FTransponder->LapCount()) {
        return nullptr;
    }
    return FTransponder->getLap(FLapIndex);
}

void TqelSector::setExitInMS(int32_t aValue) {
    if (FExitInMS.exchange(aValue) == aValue) {
        return;
    }
    if (FTransponder && FTransponder->Dataset()) {
        FTransponder->Dataset()->NotifyItemChanged(this, itemSector, -1);
    }
}
