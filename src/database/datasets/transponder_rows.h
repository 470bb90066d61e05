#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "database/athletes.h"
#include "database/generic_list.h"
#include "database/tracked_row.h"

// One TRANSPONDERS row: a transponder of a recorded dataset and the athlete it carried, with
// an optional copy of that athlete. Identified by DTS_ID and TP_ID.
class TqeldbTransponder : public qel::TrackedRow {
public:
    explicit TqeldbTransponder(TqelDatabase* AOwner);

    int32_t PlrID() const { return FPlrID; }
    // 0 also drops the athlete copy.
    void setPlrID(int32_t aValue);
    int32_t TpID() const { return FTpID; }
    void setTpID(int32_t aValue) { Store(FTpID, aValue); }
    const QString& AthleteName() const { return FAthleteName; }
    void setAthleteName(const QString& aValue) { Store(FAthleteName, aValue); }
    const QString& ExternalID() const { return FExternalID; }
    void setExternalID(const QString& aValue) { Store(FExternalID, aValue); }
    int32_t DtsID() const { return FDtsID; }
    void setDtsID(int32_t aValue) { Store(FDtsID, aValue); }
    // Not stored.
    int32_t State() const { return FState; }
    void setState(int32_t aValue) { FState = aValue; }
    const QString& VestID() const { return FVestID; }
    void setVestID(const QString& aValue) { Store(FVestID, aValue); }
    int32_t Color() const { return FColor; }
    void setColor(int32_t aValue) { Store(FColor, aValue); }
    int32_t MaxHB() const { return FMaxHB; }
    void setMaxHB(int32_t aValue) { Store(FMaxHB, aValue); }
    double MaxAccel() const { return FMaxAccel; }
    void setMaxAccel(double aValue) { Store(FMaxAccel, aValue); }
    double MaxDecel() const { return FMaxDecel; }
    void setMaxDecel(double aValue) { Store(FMaxDecel, aValue); }
    double MaxSpeed() const { return FMaxSpeed; }
    void setMaxSpeed(double aValue) { Store(FMaxSpeed, aValue); }
    const QString& SystemID() const { return FSystemID; }
    void setSystemID(const QString& aValue) { Store(FSystemID, aValue); }

    // The athlete copy, made empty on first use.
    TqeldbPlayer& Player();
    bool PlayerAssigned() const { return FPlayer != nullptr; }
    // Copies the athlete and takes its id.
    void AssignPlayer(const TqeldbPlayer& aPlayer);
    // Copies the stored values but the system id; not the state, the flag or the athlete.
    void Assign(const TqeldbTransponder& aValue);

    void Delete(TqelQuery& aSQL) override;
    // Reads the columns straight into the fields (the athlete copy stays) and clears Modified.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPlrID = 0;
    int32_t FTpID = 0;
    QString FAthleteName;
    QString FExternalID;
    int32_t FDtsID = 0;
    int32_t FState = 0;
    QString FVestID;
    int32_t FColor = 0;
    int32_t FMaxHB = 0;
    std::unique_ptr<TqeldbPlayer> FPlayer;
    double FMaxAccel = 0;
    double FMaxDecel = 0;
    double FMaxSpeed = 0;
    QString FSystemID;
};

// The TRANSPONDERS accessor.
class TqeldbTransponders : public TqelGenericDatabaseVaruza<TqeldbTransponder> {
public:
    using TqelGenericDatabaseVaruza<TqeldbTransponder>::TqelGenericDatabaseVaruza;

    // The transponders of a dataset into aVaruzaList (the own list when none).
    void Find(int32_t aDtsID, TVaruzaList* aVaruzaList = nullptr);
    // Every row of the athlete, into the own list.
    void FindPlrID(int32_t aPlrID);
    // The distinct athletes that carried the name, into the own list (rows with PlrID only).
    void FindPlrID(const QString& aAthleteName);
    TqeldbTransponder* Locate(int32_t aTPID) const;
    // Moves every row of one athlete to another; a new id 0 stores NULL.
    void ReplacePlrID(int32_t OldPlrID, int32_t NewPlrID);
    // Inserts or updates the row by DTS_ID and TP_ID; nothing for none. Leaves Modified alone.
    void Save(TqeldbTransponder* aTransponder) override;
};
