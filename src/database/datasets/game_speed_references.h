#pragma once

#include <cstdint>
#include <memory>

#include "database/generic_list.h"
#include "foundation/settings/game_speed_values.h"
#include "foundation/shared_enums.h"

// One row of an athlete's game-speed reference values (PLAYER_GAMESPEED): ten values, one per
// time window from 5 s to 10 min, of one kind, numbered per athlete and kind (PGS_ID).
// Identified by athlete, kind and number.
class TqeldbMIPPlayerValue : public TqelDBComponent {
public:
    explicit TqeldbMIPPlayerValue(TqelDatabase* AOwner);

    int32_t PlrID() const { return FPlrID; }
    void setPlrID(int32_t aValue) { FPlrID = aValue; }
    int32_t PgsID() const { return FPgsID; }
    void setPgsID(int32_t aValue) { FPgsID = aValue; }
    TDateTime PgsDate() const { return FPgsDate; }
    void setPgsDate(TDateTime aValue) { FPgsDate = aValue; }
    TqelGameSpeedTypes MIPType() const { return FMIPType; }
    void setMIPType(TqelGameSpeedTypes aValue) { FMIPType = aValue; }
    // Values 0 to 9 are the ten windows.
    TqelGameSpeedValues& MIPValues() { return *FMIPValues; }
    const TqelGameSpeedValues& MIPValues() const { return *FMIPValues; }

    // By athlete, kind and number: a new row is inserted beside the athlete's older rows.
    void PrepareSave(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    // NULL values read as 0.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPlrID = 0;
    int32_t FPgsID = 0;
    std::unique_ptr<TqelGameSpeedValues> FMIPValues;
    TqelGameSpeedTypes FMIPType = gstNone;
    TDateTime FPgsDate = 0;
};

// Reads an athlete's latest reference row of one kind.
class TqeldbMIPPlayer : public TqelGenericDatabaseVaruza<TqeldbMIPPlayerValue> {
public:
    explicit TqeldbMIPPlayer(TqelDatabase* aDatabase);

    // The list becomes the athlete's row of that kind with the highest number (Count 0 or 1).
    void GetMIPPlayer(int32_t aPlrID, TqelGameSpeedTypes aMIPType);
    // A new row for the caller, numbered after the latest one that GetMIPPlayer found and
    // dated today.
    std::unique_ptr<TqeldbMIPPlayerValue> NewMIP() const;
    // PGS_ID of the row GetMIPPlayer found, 0 when none.
    int32_t LastPgsID() const { return FLastPgsID; }

private:
    int32_t FPlrID = 0;
    TqelGameSpeedTypes FMIPType = gstNone;
    int32_t FLastPgsID = 0;
};
