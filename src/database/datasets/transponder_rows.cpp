#include "database/datasets/transponder_rows.h"

#include "database/schema.h"

namespace {

// The transponders of a recorded dataset with the athletes that carried them.
const qel::SchemaTable kTranspondersTable(
    "TRANSPONDERS",
    {"create table TRANSPONDERS (DTS_ID integer not null, TP_ID integer not null, PLR_ID "
     "integer, TP_ATHLETE_NAME varchar(100) collate nocase, TP_EXTERNAL_ID varchar(100) collate "
     "nocase, PLR_SYSTEM_ID varchar(50) collate nocase, TP_VEST_ID varchar(50) collate nocase, "
     "TP_COLOR integer, TP_MAX_HB integer, TP_MAX_ACCEL float, TP_MAX_DECEL float, TP_MAX_SPEED "
     "float, TP_REMARK varchar(255) collate nocase, TP_SHIRTNUMBER integer, primary key "
     "(DTS_ID, TP_ID))",
     "create index TRANSPONDERS_PLAYER on TRANSPONDERS (PLR_ID)"});

const QString kDTS_ID = QStringLiteral("DTS_ID");
const QString kTP_ID = QStringLiteral("TP_ID");
const QString kPLR_ID = QStringLiteral("PLR_ID");
const QString kTP_ATHLETE_NAME = QStringLiteral("TP_ATHLETE_NAME");
const QString kTP_EXTERNAL_ID = QStringLiteral("TP_EXTERNAL_ID");
const QString kPLR_SYSTEM_ID = QStringLiteral("PLR_SYSTEM_ID");
const QString kTP_VEST_ID = QStringLiteral("TP_VEST_ID");
const QString kTP_COLOR = QStringLiteral("TP_COLOR");
const QString kTP_MAX_HB = QStringLiteral("TP_MAX_HB");
const QString kTP_MAX_ACCEL = QStringLiteral("TP_MAX_ACCEL");
const QString kTP_MAX_DECEL = QStringLiteral("TP_MAX_DECEL");
const QString kTP_MAX_SPEED = QStringLiteral("TP_MAX_SPEED");

}  // namespace

// ---- TqeldbTransponder ----------------------------------------------------------------------

TqeldbTransponder::TqeldbTransponder(TqelDatabase* AOwner) : qel::TrackedRow(AOwner) {}

void TqeldbTransponder::setPlrID(int32_t aValue) {
    Store(FPlrID, aValue);
    if (aValue == 0) {
        FPlayer.reset();
    }
}

TqeldbPlayer& TqeldbTransponder::Player() {
    if (!FPlayer) {
        FPlayer = std::make_unique<TqeldbPlayer>();
    }
    return *FPlayer;
}

void TqeldbTransponder::AssignPlayer(const TqeldbPlayer& aPlayer) {
    Player().Assign(aPlayer);
    setPlrID(aPlayer.ID());
}

void TqeldbTransponder::Assign(const TqeldbTransponder& aValue) {
    setPlrID(aValue.PlrID());
    setTpID(aValue.TpID());
    setAthleteName(aValue.AthleteName());
    setColor(aValue.Color());
    setVestID(aValue.VestID());
    setDtsID(aValue.DtsID());
    setMaxHB(aValue.MaxHB());
    setMaxAccel(aValue.MaxAccel());
    setMaxDecel(aValue.MaxDecel());
    setMaxSpeed(aValue.MaxSpeed());
    setExternalID(aValue.ExternalID());
}

void TqeldbTransponder::Delete(TqelQuery& aSQL) {
    aSQL.setText(
        QStringLiteral("delete from TRANSPONDERS where DTS_ID = :DTS_ID and TP_ID = :TP_ID"));
    aSQL.SetParamAsInteger(kDTS_ID, FDtsID);
    aSQL.SetParamAsInteger(kTP_ID, FTpID);
    aSQL.ExecSQL();
}

void TqeldbTransponder::DataSetToVaruza(TqelQuery& aSQL) {
    FDtsID = aSQL.GetFieldAsInteger(kDTS_ID);
    FTpID = aSQL.GetFieldAsInteger(kTP_ID);
    FPlrID = aSQL.GetFieldAsInteger(kPLR_ID);
    FAthleteName = aSQL.GetFieldAsString(kTP_ATHLETE_NAME);
    FExternalID = aSQL.GetFieldAsString(kTP_EXTERNAL_ID);
    FSystemID = aSQL.GetFieldAsString(kPLR_SYSTEM_ID);
    FVestID = aSQL.GetFieldAsString(kTP_VEST_ID);
    FColor = aSQL.GetFieldAsInteger(kTP_COLOR);
    FMaxHB = aSQL.GetFieldAsInteger(kTP_MAX_HB);
    FMaxAccel = aSQL.GetFieldAsFloat(kTP_MAX_ACCEL);
    FMaxDecel = aSQL.GetFieldAsFloat(kTP_MAX_DECEL);
    FMaxSpeed = aSQL.GetFieldAsFloat(kTP_MAX_SPEED);
    setModified(false);
}

void TqeldbTransponder::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kDTS_ID, FDtsID);
    aSQL.SetFieldAsInteger(kTP_ID, FTpID);
    aSQL.SetFieldAsInteger(kPLR_ID, FPlrID);
    aSQL.SetFieldAsString(kTP_ATHLETE_NAME, FAthleteName);
    aSQL.SetFieldAsString(kTP_EXTERNAL_ID, FExternalID);
    aSQL.SetFieldAsString(kPLR_SYSTEM_ID, FSystemID);
    aSQL.SetFieldAsString(kTP_VEST_ID, FVestID);
    aSQL.SetFieldAsInteger(kTP_COLOR, FColor);
    aSQL.SetFieldAsInteger(kTP_MAX_HB, FMaxHB);
    aSQL.SetFieldAsFloat(kTP_MAX_ACCEL, FMaxAccel);
    aSQL.SetFieldAsFloat(kTP_MAX_DECEL, FMaxDecel);
    aSQL.SetFieldAsFloat(kTP_MAX_SPEED, FMaxSpeed);
}

// ---- TqeldbTransponders ---------------------------------------------------------------------

void TqeldbTransponders::Find(int32_t aDtsID, TVaruzaList* aVaruzaList) {
    (aVaruzaList ? *aVaruzaList : VaruzaList()).clear();
    SQL().setText(QStringLiteral("select * from TRANSPONDERS where DTS_ID = :DTS_ID"));
    SQL().SetParamAsInteger(kDTS_ID, aDtsID);
    OpenList(aVaruzaList);
}

void TqeldbTransponders::FindPlrID(int32_t aPlrID) {
    SQL().setText(QStringLiteral("select * from TRANSPONDERS where PLR_ID = :PLR_ID"));
    SQL().SetParamAsInteger(kPLR_ID, aPlrID);
    OpenList();
}

void TqeldbTransponders::FindPlrID(const QString& aAthleteName) {
    TqelQuery& query = SQL();
    query.Clear();
    query.AddLine(QStringLiteral("select distinct tp.PLR_ID "));
    query.AddLine(QStringLiteral("from TRANSPONDERS tp "));
    query.AddLine(QStringLiteral("inner join PLAYER plr "));
    query.AddLine(QStringLiteral("  on (tp.PLR_ID = plr.PLR_ID) "));
    query.AddLine(QStringLiteral("where tp.TP_ATHLETE_NAME = :TP_ATHLETE_NAME and "));
    query.AddLine(QStringLiteral("  tp.PLR_ID<>0"));
    query.SetParamAsString(kTP_ATHLETE_NAME, aAthleteName);
    OpenList();
}

TqeldbTransponder* TqeldbTransponders::Locate(int32_t aTPID) const {
    for (const auto& row : VaruzaList()) {
        if (row->TpID() == aTPID) {
            return row.get();
        }
    }
    return nullptr;
}

void TqeldbTransponders::ReplacePlrID(int32_t OldPlrID, int32_t NewPlrID) {
    TqelQuery& query = SQL();
    if (NewPlrID == 0) {
        query.setText(
            QStringLiteral("update TRANSPONDERS set PLR_ID = null where PLR_ID = :OLD_PLR_ID"));
    } else {
        query.setText(QStringLiteral(
            "update TRANSPONDERS set PLR_ID = :NEW_PLR_ID where PLR_ID = :OLD_PLR_ID"));
        query.SetParamAsInteger(QStringLiteral("NEW_PLR_ID"), NewPlrID);
    }
    query.SetParamAsInteger(QStringLiteral("OLD_PLR_ID"), OldPlrID);
    query.ExecSQL();
}

void TqeldbTransponders::Save(TqeldbTransponder* aTransponder) {
    if (!aTransponder) {
        return;
    }
    TqelQuery& query = SQL();
    query.setText(
        QStringLiteral("select * from TRANSPONDERS where DTS_ID = :DTS_ID and TP_ID = :TP_ID"));
    query.SetParamAsInteger(kDTS_ID, aTransponder->DtsID());
    query.SetParamAsInteger(kTP_ID, aTransponder->TpID());
    qel::SaveRow(query, *aTransponder, false);
}
