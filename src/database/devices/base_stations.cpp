#include "database/devices/base_stations.h"

#include "database/row_helpers.h"
#include "database/schema.h"
#include "platform/numbers.h"

namespace {

const qel::SchemaTable kBaseStationTable(
    "BASESTATIONS",
    {"create table BASESTATIONS (BS_ID integer not null primary key, MPT_ID integer, BS_HUB_ID "
     "integer, BS_PORT_ID integer, BS_IP_ADDRESS varchar(50) collate nocase, BS_X_IN_MM "
     "integer, BS_Y_IN_MM integer, BS_Z_IN_MM integer, BS_NORM_DATE datetime, BS_NORM_VALUE "
     "integer)",
     "create index BASESTATIONS_MPT on BASESTATIONS (MPT_ID)"});
// One row per base station and day.
const qel::SchemaTable kBaseStationValuesTable(
    "BS_VALUES",
    {"create table BS_VALUES (BS_ID integer not null, BSV_ID integer not null, BSV_DATE "
     "datetime, BSV_DBVALUE integer, BSV_FAILED bit, primary key (BS_ID, BSV_ID))"});

const QString kBS_ID = QStringLiteral("BS_ID");
const QString kBSV_ID = QStringLiteral("BSV_ID");
const QString kMPT_ID = QStringLiteral("MPT_ID");

void SelectPitch(TqelQuery& aSQL, int32_t aPitchID) {
    aSQL.setText(QStringLiteral("select * from BASESTATIONS where MPT_ID = :MPT_ID"));
    aSQL.SetParamAsInteger(kMPT_ID, aPitchID);
}

}  // namespace

// ---- TqelBaseStationStatus ------------------------------------------------------------------

TqelBaseStationStatus::TqelBaseStationStatus(TqelDatabase* AOwner) : TrackedRow(AOwner) {}

int32_t TqelBaseStationStatus::DayNumber() const {
    return qel::TruncToInt32(FDate);
}

void TqelBaseStationStatus::PrepareSave(TqelQuery& aSQL) {
    TrackedRow::PrepareSave(aSQL);
    aSQL.setText(
        QStringLiteral("select * from BS_VALUES where BS_ID = :BS_ID and BSV_ID =:BSV_ID"));
}

void TqelBaseStationStatus::PrepareParams(TqelQuery& aSQL) {
    TrackedRow::PrepareParams(aSQL);
    aSQL.SetParamAsInteger(kBS_ID, FBSid);
    aSQL.SetParamAsInteger(kBSV_ID, DayNumber());
}

void TqelBaseStationStatus::DataSetToVaruza(TqelQuery& aSQL) {
    setBSid(aSQL.GetFieldAsInteger(kBS_ID));
    setDate(aSQL.GetFieldAsDateTime(QStringLiteral("BSV_DATE")));
    setDBValue(aSQL.GetFieldAsInteger(QStringLiteral("BSV_DBVALUE")));
    setFailed(aSQL.GetFieldAsBoolean(QStringLiteral("BSV_FAILED")));
}

void TqelBaseStationStatus::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kBS_ID, FBSid);
    aSQL.SetFieldAsInteger(kBSV_ID, DayNumber());
    aSQL.SetFieldAsDateTime(QStringLiteral("BSV_DATE"), FDate);
    aSQL.SetFieldAsInteger(QStringLiteral("BSV_DBVALUE"), FDBValue);
    aSQL.SetFieldAsBoolean(QStringLiteral("BSV_FAILED"), FFailed);
}

// ---- TqelBaseStation ------------------------------------------------------------------------

TqelBaseStation::TqelBaseStation(TqelDatabase* AOwner)
    : TrackedRow(AOwner), FState(std::make_unique<TqelBaseStationStatus>(AOwner)) {}

void TqelBaseStation::setBSid(int32_t aValue) {
    Store(FBSid, aValue);
    FState->setBSid(aValue);
}

void TqelBaseStation::SetState(TDateTime aDate, int32_t aDBValue, bool aFailed) {
    FState->setDate(aDate);
    FState->setDBValue(aDBValue);
    FState->setFailed(aFailed);
    if (FNormDate == 0 && FNormValue < aDBValue) {
        setNormValue(aDBValue);
        setNormDate(aDate);
    }
}

void TqelBaseStation::DataSetToVaruza(TqelQuery& aSQL) {
    setBSid(aSQL.GetFieldAsInteger(kBS_ID));
    setPitchID(aSQL.GetFieldAsInteger(kMPT_ID));
    setHUBid(aSQL.GetFieldAsInteger(QStringLiteral("BS_HUB_ID")));
    setPortID(aSQL.GetFieldAsInteger(QStringLiteral("BS_PORT_ID")));
    setIPAddress(aSQL.GetFieldAsString(QStringLiteral("BS_IP_ADDRESS")));
    setXinMM(aSQL.GetFieldAsInteger(QStringLiteral("BS_X_IN_MM")));
    setYinMM(aSQL.GetFieldAsInteger(QStringLiteral("BS_Y_IN_MM")));
    setZinMM(aSQL.GetFieldAsInteger(QStringLiteral("BS_Z_IN_MM")));
    setNormDate(aSQL.GetFieldAsDateTime(QStringLiteral("BS_NORM_DATE")));
    setNormValue(aSQL.GetFieldAsInteger(QStringLiteral("BS_NORM_VALUE")));
}

void TqelBaseStation::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kBS_ID, FBSid);
    aSQL.SetFieldAsInteger(kMPT_ID, FPitchID);
    aSQL.SetFieldAsInteger(QStringLiteral("BS_HUB_ID"), FHUBid);
    aSQL.SetFieldAsInteger(QStringLiteral("BS_PORT_ID"), FPortID);
    aSQL.SetFieldAsString(QStringLiteral("BS_IP_ADDRESS"), FIPAddress);
    aSQL.SetFieldAsInteger(QStringLiteral("BS_X_IN_MM"), FXinMM);
    aSQL.SetFieldAsInteger(QStringLiteral("BS_Y_IN_MM"), FYinMM);
    aSQL.SetFieldAsInteger(QStringLiteral("BS_Z_IN_MM"), FZinMM);
    aSQL.SetFieldAsDateTime(QStringLiteral("BS_NORM_DATE"), FNormDate);
    aSQL.SetFieldAsInteger(QStringLiteral("BS_NORM_VALUE"), FNormValue);
}

void TqelBaseStation::AfterInsert(TqelQuery& aSQL) {
    TrackedRow::AfterInsert(aSQL);
    setBSid(GetPrimaryKey(aSQL, kBS_ID, QStringLiteral("BASESTATIONS")));
}

// ---- TqelDBBaseStation ----------------------------------------------------------------------

void TqelDBBaseStation::GetBS(int32_t aPitchID) {
    SelectPitch(SQL(), aPitchID);
    qel::CloseAfter(SQL(), [this] { OpenList(); });
}

TqelBaseStation* TqelDBBaseStation::AddBS(int32_t aPitchID, int32_t aHUBid, int32_t aPortID,
                                          const QString& aIPAddress, int32_t aXinMM, int32_t aYinMM,
                                          int32_t aZinMM) {
    TqelBaseStation* station = nullptr;
    for (const auto& listed : VaruzaList()) {
        if (listed->PitchID() == aPitchID && listed->HUBid() == aHUBid &&
            listed->PortID() == aPortID) {
            station = listed.get();
            break;
        }
    }
    if (!station) {
        station = AddVaruza();
        station->setPitchID(aPitchID);
        station->setHUBid(aHUBid);
        station->setPortID(aPortID);
    }
    station->setIPAddress(aIPAddress);
    station->setXinMM(aXinMM);
    station->setYinMM(aYinMM);
    station->setZinMM(aZinMM);
    return station;
}

void TqelDBBaseStation::SaveAll(int32_t aPitchID) {
    TqelQuery& query = SQL();
    SelectPitch(query, aPitchID);
    TqelDBBaseStationStatus states(Database());
    qel::CloseAfter(query, [&] {
        query.Open();
        for (const auto& station : VaruzaList()) {
            try {
                if (query.Locate(kBS_ID, station->BSid())) {
                    station->VaruzaToDataSet(query);
                } else {
                    query.Insert();
                    station->AfterInsert(query);
                    station->VaruzaToDataSet(query);
                }
                query.Post();
            } catch (...) {
                query.Cancel();
                throw;
            }
            station->setModified(false);
            states.Save(station->State());
        }
    });
}
