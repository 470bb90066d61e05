#pragma once

#include <QList>
#include <atomic>
#include <cstdint>

#include "model/dataset/notify_varuza.h"

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
    // 1-based position in the transponder's lap list.
    int32_t LapNumber() const { return FLapNumber.load(); }
    void SetLapNumber(int32_t aLapNumber) { FLapNumber = aLapNumber; }
    // Not owned: the transponder's sector list owns them.
    QList<TqelSector*>& Sectors() { return FSectors; }

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
    int32_t SectorIndex() const { return FSectorIndex; }
    int32_t LapIndex() const { return FLapIndex; }
    // The transponder's lap at the lap index; null when there is none.
    TqelLap* Lap() const;
    int32_t EntryInMS() const { return FEntryInMS.load(); }
    // A negative time is stored as 0.
    void setEntryInMS(int32_t aValue) { FEntryInMS = aValue < 0 ? 0 : aValue; }
    int32_t ExitInMS() const { return FExitInMS.load(); }
    // Tells the dataset when the value changes.
    void setExitInMS(int32_t aValue);
    // 1-based position in the transponder's sector list.
    int32_t SectorNr() const { return FSectorNr.load(); }
    void SetSectorNr(int32_t aValue) { FSectorNr = aValue; }

private:
    TqelTransponderData* FTransponder;
    int32_t FSectorIndex;
    int32_t FLapIndex;
    std::atomic<int32_t> FEntryInMS{0};
    std::atomic<int32_t> FExitInMS{-1};
    std::atomic<int32_t> FSectorNr{0};
};
