#include "database/datasets/game_speed_references.h"

#include <array>

#include "database/schema.h"

namespace {

const qel::SchemaTable kPlayerGameSpeedTable(
    "PLAYER_GAMESPEED",
    {"create table PLAYER_GAMESPEED (PLR_ID integer not null, PGS_TYPE integer not null, PGS_ID "
     "integer not null, PGS_DATE datetime, PGS_5_SEC float, PGS_10_SEC float, PGS_15_SEC float, "
     "PGS_30_SEC float, PGS_60_SEC float, PGS_90_SEC float, PGS_2_MIN float, PGS_3_MIN float, "
     "PGS_5_MIN float, PGS_10_MIN float, primary key (PLR_ID, PGS_TYPE, PGS_ID))"});

const QString kPLR_ID = QStringLiteral("PLR_ID");
const QString kPGS_TYPE = QStringLiteral("PGS_TYPE");
const QString kPGS_ID = QStringLiteral("PGS_ID");
const QString kPGS_DATE = QStringLiteral("PGS_DATE");

// The value columns in window order.
const std::array<QString, 10> kValueColumns = {
    QStringLiteral("PGS_5_SEC"),  QStringLiteral("PGS_10_SEC"), QStringLiteral("PGS_15_SEC"),
    QStringLiteral("PGS_30_SEC"), QStringLiteral("PGS_60_SEC"), QStringLiteral("PGS_90_SEC"),
    QStringLiteral("PGS_2_MIN"),  QStringLiteral("PGS_3_MIN"),  QStringLiteral("PGS_5_MIN"),
    QStringLiteral("PGS_10_MIN")};

}  // namespace

// ---- TqeldbMIPPlayerValue -------------------------------------------------------------------

TqeldbMIPPlayerValue::TqeldbMIPPlayerValue(TqelDatabase* AOwner)
    : TqelDBComponent(AOwner), FMIPValues(std::make_unique<TqelGameSpeedValues>()) {}

void TqeldbMIPPlayerValue::PrepareSave(TqelQuery& aSQL) {
    aSQL.setText(
        QStringLiteral("select * from PLAYER_GAMESPEED where PLR_ID = :PLR_ID and PGS_TYPE = "
                       ":PGS_TYPE and PGS_ID = :PGS_ID"));
}

void TqeldbMIPPlayerValue::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kPLR_ID, FPlrID);
    aSQL.SetParamAsInteger(kPGS_TYPE, FMIPType);
    aSQL.SetParamAsInteger(kPGS_ID, FPgsID);
}

void TqeldbMIPPlayerValue::DataSetToVaruza(TqelQuery& aSQL) {
    FPlrID = aSQL.GetFieldAsInteger(kPLR_ID);
    FMIPType = static_cast<TqelGameSpeedTypes>(aSQL.GetFieldAsInteger(kPGS_TYPE));
    FPgsDate = aSQL.GetFieldAsDateTime(kPGS_DATE);
    FPgsID = aSQL.GetFieldAsInteger(kPGS_ID);
    for (size_t i = 0; i < kValueColumns.size(); ++i) {
        FMIPValues->SetValues(static_cast<int32_t>(i), aSQL.GetFieldAsFloat(kValueColumns[i]));
    }
}

void TqeldbMIPPlayerValue::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kPLR_ID, FPlrID);
    aSQL.SetFieldAsIntegerReq(kPGS_TYPE, FMIPType);
    aSQL.SetFieldAsDateTime(kPGS_DATE, FPgsDate);
    aSQL.SetFieldAsInteger(kPGS_ID, FPgsID);
    for (size_t i = 0; i < kValueColumns.size(); ++i) {
        aSQL.SetFieldAsFloat(kValueColumns[i], FMIPValues->GetValues(static_cast<int32_t>(i)));
    }
}

// ---- TqeldbMIPPlayer ------------------------------------------------------------------------

TqeldbMIPPlayer::TqeldbMIPPlayer(TqelDatabase* aDatabase)
    : TqelGenericDatabaseVaruza<TqeldbMIPPlayerValue>(aDatabase) {}

void TqeldbMIPPlayer::GetMIPPlayer(int32_t aPlrID, TqelGameSpeedTypes aMIPType) {
    FPlrID = aPlrID;
    FMIPType = aMIPType;
    // Set again each time: a save leaves its own statement in the query.
    SQL().setText(
        QStringLiteral("select top 1 * from PLAYER_GAMESPEED where PLR_ID = :PLR_ID and PGS_TYPE "
                       "= :PGS_TYPE order by PGS_ID desc"));
    SQL().SetParamAsInteger(kPLR_ID, aPlrID);
    SQL().SetParamAsInteger(kPGS_TYPE, aMIPType);
    OpenList();
    FLastPgsID = Count() > 0 ? Varuzas(0)->PgsID() : 0;
}

std::unique_ptr<TqeldbMIPPlayerValue> TqeldbMIPPlayer::NewMIP() const {
    std::unique_ptr<TqeldbMIPPlayerValue> row = NewVaruza();
    row->setPlrID(FPlrID);
    row->setMIPType(FMIPType);
    row->setPgsID(FLastPgsID + 1);
    row->setPgsDate(Date());
    return row;
}
