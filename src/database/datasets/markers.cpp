#include "database/datasets/markers.h"

#include "database/row_helpers.h"
#include "database/schema.h"
#include "platform/guid_text.h"

namespace {

const qel::SchemaTable kMarkersTable(
    "MARKERS",
    {"create table MARKERS (MRK_GUID varchar(38) collate nocase not null primary key, DTS_ID "
     "integer, EXR_ID integer, PRT_ID integer, MRK_TIMESTAMP_MS integer, MRK_LPM_TIME_MS "
     "integer, MRK_TYPE integer, MRK_DESCRIPTION varchar(255) collate nocase)",
     "create index MARKERS_DATASET on MARKERS (DTS_ID, EXR_ID, PRT_ID, MRK_TYPE)"});

const QString kMRK_GUID = QStringLiteral("MRK_GUID");
const QString kDTS_ID = QStringLiteral("DTS_ID");
const QString kEXR_ID = QStringLiteral("EXR_ID");
const QString kPRT_ID = QStringLiteral("PRT_ID");
const QString kMRK_TYPE = QStringLiteral("MRK_TYPE");

}  // namespace

// ---- TqeldbMarker ---------------------------------------------------------------------------

TqeldbMarker::TqeldbMarker(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbMarker::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    PrepareParams(aSQL);
}

void TqeldbMarker::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from MARKERS where MRK_GUID = :MRK_GUID"));
}

void TqeldbMarker::Delete(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("delete from MARKERS where MRK_GUID = :MRK_GUID"));
    PrepareParams(aSQL);
    aSQL.ExecSQL();
}

void TqeldbMarker::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsString(kMRK_GUID, qel::GuidToString(GUID()));
}

void TqeldbMarker::DataSetToVaruza(TqelQuery& aSQL) {
    setGUID(qel::StringToGuid(aSQL.GetFieldAsString(kMRK_GUID)));
    FDtsID = aSQL.GetFieldAsInteger(kDTS_ID);
    FExrID = aSQL.GetFieldAsInteger(kEXR_ID);
    FPrtID = aSQL.GetFieldAsInteger(kPRT_ID);
    FTimestampMS = aSQL.GetFieldAsInteger(QStringLiteral("MRK_TIMESTAMP_MS"));
    FLPMTimeMS = aSQL.GetFieldAsInteger(QStringLiteral("MRK_LPM_TIME_MS"));
    FMarkerType = aSQL.GetFieldAsInteger(kMRK_TYPE);
    FDescription = aSQL.GetFieldAsString(QStringLiteral("MRK_DESCRIPTION"));
}

void TqeldbMarker::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsString(kMRK_GUID, qel::GuidToString(GUID()));
    aSQL.SetFieldAsInteger(kDTS_ID, FDtsID);
    aSQL.SetFieldAsIntegerReq(kEXR_ID, FExrID);
    aSQL.SetFieldAsIntegerReq(kPRT_ID, FPrtID);
    aSQL.SetFieldAsInteger(QStringLiteral("MRK_TIMESTAMP_MS"), FTimestampMS);
    aSQL.SetFieldAsInteger(QStringLiteral("MRK_LPM_TIME_MS"), FLPMTimeMS);
    aSQL.SetFieldAsIntegerReq(kMRK_TYPE, FMarkerType);
    aSQL.SetFieldAsString(QStringLiteral("MRK_DESCRIPTION"), FDescription);
}

// ---- TqeldbMarkers --------------------------------------------------------------------------

void TqeldbMarkers::GetMarkers(int32_t aDtsID) {
    SQL().setText(
        QStringLiteral("select * from MARKERS where DTS_ID = :DTS_ID order by MRK_TIMESTAMP_MS"));
    SQL().SetParamAsInteger(kDTS_ID, aDtsID);
    OpenList();
}

void TqeldbMarkers::SaveMarker(TqeldbMarker* aMarker) {
    Save(aMarker);
}

void TqeldbMarkers::SaveGameMarker(TqeldbMarker* aMarker) {
    qel::Assert(aMarker != nullptr, QStringLiteral("SaveGameMarker needs a marker."));
    TqelQuery& query = SQL();
    query.setText(
        QStringLiteral("select * from MARKERS where DTS_ID=:DTS_ID and EXR_ID = :EXR_ID and "
                       "PRT_ID = :PRT_ID and MRK_TYPE = :MRK_TYPE"));
    query.SetParamAsInteger(kDTS_ID, aMarker->DtsID());
    query.SetParamAsInteger(kEXR_ID, aMarker->ExrID());
    query.SetParamAsInteger(kPRT_ID, aMarker->PrtID());
    query.SetParamAsInteger(kMRK_TYPE, aMarker->MarkerType());
    qel::CloseAfter(query, [&] {
        query.Open();
        query.Edit();  // the first row found, or a new one
        try {
            aMarker->VaruzaToDataSet(query);
            query.Post();
        } catch (...) {
            query.Cancel();
            throw;
        }
    });
}
