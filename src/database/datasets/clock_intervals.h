#pragma once

#include <cstdint>

#include "database/generic_list.h"
#include "database/row_helpers.h"

// One period of a game clock (CLOCK) with its running state and score, identified by DTS_ID
// and CLK_ID. Period, running state and scores mark the row modified when they change.
class TqeldbClockData : public TqelDBComponent {
public:
    explicit TqeldbClockData(TqelDatabase* AOwner);

    int32_t DtsID() const { return FDtsID; }
    void setDtsID(int32_t aValue) { FDtsID = aValue; }
    // The number of the interval within the dataset, from 1.
    int32_t ClkID() const { return FClkID; }
    void setClkID(int32_t aValue) { FClkID = aValue; }
    int32_t Period() const { return FPeriod; }
    void setPeriod(int32_t aValue) { Store(FPeriod, aValue); }
    // Dataset ms; a negative start is stored as 0.
    int32_t DtsTimeStartMS() const { return FDtsTimeStartMS; }
    void setDtsTimeStartMS(int32_t aValue) { FDtsTimeStartMS = aValue < 0 ? 0 : aValue; }
    int32_t DtsTimeEndMS() const { return FDtsTimeEndMS; }
    void setDtsTimeEndMS(int32_t aValue) { FDtsTimeEndMS = aValue; }
    // Game-clock seconds.
    int32_t GameTimeStartSec() const { return FGameTimeStartSec; }
    void setGameTimeStartSec(int32_t aValue) { FGameTimeStartSec = aValue; }
    int32_t GameTimeEndSec() const { return FGameTimeEndSec; }
    void setGameTimeEndSec(int32_t aValue) { FGameTimeEndSec = aValue; }
    bool Running() const { return FRunning; }
    void setRunning(bool aValue) { Store(FRunning, aValue); }
    int32_t HomeScore() const { return FHomeScore; }
    void setHomeScore(int32_t aValue) { Store(FHomeScore, aValue); }
    int32_t GuestScore() const { return FGuestScore; }
    void setGuestScore(int32_t aValue) { Store(FGuestScore, aValue); }

    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    template <class T>
    void Store(T& aField, const T& aValue) {
        qel::StoreChanged(aField, aValue, [this] { setModified(true); });
    }

    int32_t FDtsID = 0;
    int32_t FClkID = 0;
    int32_t FPeriod = 0;
    int32_t FDtsTimeStartMS = 0;
    int32_t FDtsTimeEndMS = 0;
    int32_t FGameTimeStartSec = 0;
    int32_t FGameTimeEndSec = 0;
    bool FRunning = false;
    int32_t FHomeScore = 0;
    int32_t FGuestScore = 0;
};

// The CLOCK accessor for one dataset; numbers the intervals it creates from 1.
class TqeldbClock : public TqelGenericDatabaseVaruza<TqeldbClockData> {
public:
    TqeldbClock(TqelDatabase* AOwner, int32_t aDtsID);

    int32_t DtsID() const { return FDtsID; }
    // Deletes the dataset's intervals (aDtsID, when not 0, becomes the accessor's key),
    // empties the list and numbers from 1 again.
    void DeleteClockData(int32_t aDtsID);
    // A listed interval with the next number; null when it cannot be made.
    TqeldbClockData* NewClockData();
    // Inserts or updates the interval; nothing without dataset key or period.
    void SaveClockData(TqeldbClockData* aValue);

private:
    int32_t FDtsID;
    int32_t FLastClkID = 0;
};
