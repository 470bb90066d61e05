#pragma once

#include <QList>
#include <atomic>
#include <cstdint>

#include "model/dataset/notify_varuza.h"

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

class TqelSector;
class TqelTransponderData;

// One lap that a transponder ran on the field's track. Times are ms since the dataset's first
// sample.
//
// Threads: laps are added and closed by the cadence thread while the main thread reads them, so
// the times are atomic; the sector list is guarded by the transponder's list lock.
class TqelLap : public TNotifyVaruza {
public:
    explicit TqelLap(TqelTransponderData* aTransponder);

    TqelTransponderData* Transponder() const { return FTransponder; }
    int32_t EntryInMS() const { return FEntryInMS.load(); }
    void setEntryInMS(int32_t aValue) { FEntryInMS = aValue; }
    // -1 while the lap is open.
    int32_t ExitInMS() const { return FExitInMS.load(); }
    // Tells the dataset when the value changes.
    void setExitInMS(int32_t aValue);
    // The two halves of setExitInMS, for the transponder, which stores under its list lock and
    // tells the dataset after releasing it. StoreExitInMS answers whether the value changed.
    bool StoreExitInMS(int32_t aValue) { return FExitInMS.exchange(aValue) != aValue; }
    void NotifyExitChanged();
    // 1-based position in the transponder's lap list.
    int32_t LapNumber() const { return FLapNumber.load(); }
    void SetLapNumber(int32_t aLapNumber) { FLapNumber = aLapNumber; }
    // A copy taken under the list lock; the sectors are owned by the transponder's sector list.
    QList<TqelSector*> Sectors() const;
    // Under the transponder's list lock.
    void AppendSector(TqelSector* aSector) { FSectors.append(aSector); }

    // Lap block: number, entry and exit (12 bytes); nothing before version 60.
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    TqelTransponderData* FTransponder;
    std::atomic<int32_t> FEntryInMS{0};
    std::atomic<int32_t> FExitInMS{-1};
    std::atomic<int32_t> FLapNumber{0};
    QList<TqelSector*> FSectors;
};

// One passage of a transponder through a sector of the track or field.
class TqelSector : public TNotifyVaruza {
public:
    // aLapIndex -1: the sector lies in no lap.
    TqelSector(TqelTransponderData* aTransponder, int32_t aSectorIndex, int32_t aLapIndex);

    TqelTransponderData* Transponder() const { return FTransponder; }
    int32_t SectorIndex() const { return FSectorIndex.load(); }
    int32_t LapIndex() const { return FLapIndex.load(); }
    // The transponder's lap at the lap index; null when there is none.
    TqelLap* Lap() const;
    int32_t EntryInMS() const { return FEntryInMS.load(); }
    // A negative time is stored as 0.
    void setEntryInMS(int32_t aValue) { FEntryInMS = aValue < 0 ? 0 : aValue; }
    int32_t ExitInMS() const { return FExitInMS.load(); }
    // Tells the dataset when the value changes.
    void setExitInMS(int32_t aValue);
    // The halves of setExitInMS, as on the lap.
    bool StoreExitInMS(int32_t aValue) { return FExitInMS.exchange(aValue) != aValue; }
    void NotifyExitChanged();
    // 1-based position in the transponder's sector list.
    int32_t SectorNr() const { return FSectorNr.load(); }
    void SetSectorNr(int32_t aValue) { FSectorNr = aValue; }

    // Sector block: number (from version 61), lap index, sector index, entry and exit (20
    // bytes); nothing before version 60. The transponder has already appended the sector: a
    // version-60 block takes its position there as the number, and the sector joins its lap.
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    TqelTransponderData* FTransponder;
    std::atomic<int32_t> FSectorIndex;
    std::atomic<int32_t> FLapIndex;
    std::atomic<int32_t> FEntryInMS{0};
    std::atomic<int32_t> FExitInMS{-1};
    std::atomic<int32_t> FSectorNr{0};
};
