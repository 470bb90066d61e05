#pragma once

#include <cstdint>
#include <memory>

#include "database/database.h"
#include "platform/date_time.h"

// Empties the table POSITIONS, which other programs fill with live positions keyed by dataset,
// of what is older than a date, and removes the datasets that only stored live data.
class TqeldbRemoveOldPositionData {
public:
    explicit TqeldbRemoveOldPositionData(TqelDatabase* aDatabase);
    ~TqeldbRemoveOldPositionData();
    TqeldbRemoveOldPositionData(const TqeldbRemoveOldPositionData&) = delete;
    TqeldbRemoveOldPositionData& operator=(const TqeldbRemoveOldPositionData&) = delete;

    // Empties POSITIONS when every row is older than aBeforeDate; otherwise, unless
    // aTruncateOnly, deletes the older rows. Then removes the live-only datasets. Returns the
    // rows the purge statement affected, 0 when none ran. A failed "truncate table" is passed
    // on in truncate-only mode; otherwise a delete takes its place.
    static int32_t Execute(TqelDatabase* aDatabase, TDateTime aBeforeDate, bool aTruncateOnly);
    // TDateTime is a plain number, so the arguments swapped would compile and purge by the
    // wrong date.
    static int32_t Execute(TqelDatabase* aDatabase, bool aTruncateOnly,
                           TDateTime aBeforeDate) = delete;

private:
    int32_t Purge(TDateTime aBeforeDate, bool aTruncateOnly);

    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
};
