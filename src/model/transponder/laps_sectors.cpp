#include "model/transponder/laps_sectors.h"

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "platform/binary_stream.h"

namespace {

// Laps and sectors have been stored since this file version; sector numbers since the next.
constexpr uint16_t LapsSectorsVersion = 60;
constexpr uint16_t SectorNrVersion = 61;

}  // namespace

TqelLap::TqelLap(TqelTransponderData* aTransponder) : FTransponder(aTransponder) {}

void TqelLap::setExitInMS(int32_t aValue) {
    if (StoreExitInMS(aValue)) {
        NotifyExitChanged();
    }
}

void TqelLap::NotifyExitChanged() {
    if (FTransponder && FTransponder->Dataset()) {
        FTransponder->Dataset()->notifyLapChanged(this);
    }
}

QList<TqelSector*> TqelLap::Sectors() const {
    if (!FTransponder) {
        return FSectors;
    }
    std::lock_guard lock(FTransponder->ListLock());
    return FSectors;
}

void TqelLap::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    if (aVersion < LapsSectorsVersion) {
        return;
    }
    FLapNumber = aStream.readI32();
    FEntryInMS = aStream.readI32();
    FExitInMS = aStream.readI32();
    setInitialized(true);
}

void TqelLap::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(LapNumber());
    aStream.writeI32(EntryInMS());
    aStream.writeI32(ExitInMS());
}

TqelSector::TqelSector(TqelTransponderData* aTransponder, int32_t aSectorIndex, int32_t aLapIndex)
    : FTransponder(aTransponder), FSectorIndex(aSectorIndex), FLapIndex(aLapIndex) {}

TqelLap* TqelSector::Lap() const {
    if (!FTransponder) {
        return nullptr;
    }
    return FTransponder->FindLap(LapIndex());
}

void TqelSector::setExitInMS(int32_t aValue) {
    if (StoreExitInMS(aValue)) {
        NotifyExitChanged();
    }
}

void TqelSector::NotifyExitChanged() {
    if (FTransponder && FTransponder->Dataset()) {
        FTransponder->Dataset()->notifySectorChanged(this);
    }
}

void TqelSector::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    if (aVersion < LapsSectorsVersion) {
        return;
    }
    if (aVersion < SectorNrVersion) {
        FSectorNr = FTransponder ? FTransponder->SectorCount() : 0;
    } else {
        FSectorNr = aStream.readI32();
    }
    FLapIndex = aStream.readI32();
    FSectorIndex = aStream.readI32();
    FEntryInMS = aStream.readI32();
    FExitInMS = aStream.readI32();
    if (FTransponder) {
        FTransponder->JoinLap(this);
    }
    setInitialized(true);
}

void TqelSector::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(SectorNr());
    aStream.writeI32(LapIndex());
    aStream.writeI32(SectorIndex());
    aStream.writeI32(EntryInMS());
    aStream.writeI32(ExitInMS());
}
