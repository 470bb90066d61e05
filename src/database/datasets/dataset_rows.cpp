#include "database/datasets/dataset_rows.h"

#include <QFileInfo>
#include <algorithm>

#include "database/row_helpers.h"
#include "database/schema.h"
#include "platform/exception.h"
#include "platform/guid_text.h"

namespace {

// One row per recorded dataset. DTS_ID is the packed file date and time of the dataset's
// creation; the weather, training-time and match columns come from the whole-dataset store.
const qel::SchemaTable kDatasetsTable(
    "DATASETS",
    {"create table DATASETS (DTS_ID integer not null primary key, DTS_GUID varchar(38) collate "
     "nocase, DTS_RECORD_DATE datetime, DTS_FILE_LOCATION varchar(500) collate nocase, TEAM_ID "
     "integer, TEAM_EXTERNAL_ID varchar(100) collate nocase, TEAM_SYSTEM_ID varchar(50) collate "
     "nocase, DT_ID integer, DTS_POWERFACTOR float, DSC_ID integer, DTS_POSITION_FILTER "
     "integer, DTS_POSITION_SENSETIVITY integer, DTS_SPEED_FRAME_INTERVAL_MS integer, "
     "DTS_MAX_POWER_WKG float, DTS_ACCEL_FRAME_INTERVAL_MS integer, DTS_HB_FRAME_INTERVAL_MS "
     "integer, DTS_HB_SENSETIVITY integer, DTS_LIVEDATA bit, DTS_RECORDING bit, "
     "DTS_POSITION_INTERVAL integer, DTS_FIRST_LPM_TIME_MS integer, DTS_ANALYSED_DT datetime, "
     "DTS_WEATHER varchar(100) collate nocase, DTS_TEMPERATURE integer, DTS_HUMIDITY integer, "
     "DTS_SURFACE varchar(100) collate nocase, DTS_WIND_SPEED float, DTS_WIND_DIRECTION "
     "integer, DTS_CLOUDS integer, DTS_BEGIN_TRAINING datetime, DTS_END_TRAINING datetime, "
     "DTS_EXTERNAL_ID varchar(100) collate nocase, DTS_MATCH_TYPE varchar(100) collate nocase, "
     "DTS_COMPETITION_ID varchar(100) collate nocase, DTS_COMPETITION_NAME varchar(255) collate "
     "nocase, DTS_COMPETITION_SYM varchar(100) collate nocase, DTS_MATCH_DAY integer, "
     "DTS_COUNTRY varchar(100) collate nocase, DTS_SEASON_ID varchar(100) collate nocase, "
     "DTS_SEASON_NAME varchar(255) collate nocase)",
     "create index DATASETS_LIVEDATA on DATASETS (DTS_LIVEDATA, DTS_RECORDING)"});
// The recording types a dataset's DT_ID names.
const qel::SchemaTable kDatasetTypesTable(
    "DATASET_TYPES", {"create table DATASET_TYPES (DT_ID integer not null primary key, "
                      "DT_DESCRIPTION varchar(100) collate nocase)"});

const QString kDTS_ID = QStringLiteral("DTS_ID");
const QString kSelectByKey = QStringLiteral("select * from DATASETS where DTS_ID = :DTS_ID");

QString LowerNameWithoutFolder(const QString& aPath) {
    const qsizetype slash = std::max(aPath.lastIndexOf(u'\\'), aPath.lastIndexOf(u'/'));
    return aPath.mid(slash + 1).toLower();
}

}  // namespace

// ---- TqeldbDataset --------------------------------------------------------------------------

const QString& TqeldbDataset::FilenameOnly() const {
    if (FFilenameOnly.isEmpty() && !FFileName.isEmpty()) {
        FFilenameOnly = LowerNameWithoutFolder(FFileName);
    }
    return FFilenameOnly;
}

void TqeldbDataset::setFileName(const QString& aValue) {
    Store(FFileName, aValue);
    FFilenameOnly = LowerNameWithoutFolder(FFileName);
}

void TqeldbDataset::setDtsID(int32_t aValue) {
    Store(FDtsID, aValue);
    if (FDataset && FDataset->GetDBDtsID() != FDtsID) {
        FDataset->SetDBDtsID(FDtsID);
    }
}

void TqeldbDataset::Assign(const TqeldbDataset& aValue) {
    setFileName(aValue.FileName());
    setDtsID(aValue.DtsID());
    setRecordDate(aValue.RecordDate());
    setLiveData(aValue.LiveData());
    setRecording(aValue.Recording());
    setStorePositionInterval(aValue.StorePositionInterval());
    setFirstLPMtime(aValue.FirstLPMtime());
    setTeamID(aValue.TeamID());
    setTeamExternalID(aValue.TeamExternalID());
    setPowerFactor(aValue.PowerFactor());
    setMaxPowerWKG(aValue.MaxPowerWKG());
    setSpeedFrameInterval(aValue.SpeedFrameInterval());
    setPositionSensitivity(aValue.PositionSensitivity());
    setPositionfilter(aValue.Positionfilter());
    setHeartbeatSensitivity(aValue.HeartbeatSensitivity());
    setHeartbeatFrameInterval(aValue.HeartbeatFrameInterval());
    setAccelFrameInterval(aValue.AccelFrameInterval());
    setDatasource(aValue.Datasource());
}

// ---- TqeldbDatasets -------------------------------------------------------------------------

TqeldbDatasets::TqeldbDatasets(TqelDatabase* aDatabase) : FDatabase(aDatabase) {
    if (aDatabase) {
        FSQL = std::make_unique<TqelQuery>(aDatabase->Connection());
    }
}

TqeldbDatasets::~TqeldbDatasets() = default;

TqelQuery& TqeldbDatasets::Query() const {
    qel::Assert(FSQL != nullptr, QStringLiteral("TqeldbDatasets was created without a database."));
    return *FSQL;
}

void TqeldbDatasets::Save(TqeldbDataset* aDataSet) {
    qel::Assert(aDataSet != nullptr, QStringLiteral("Save needs a dataset row."));
    TqelQuery& query = Query();
    qel::CloseAfter(query, [&] {
        query.setText(kSelectByKey);
        query.SetParamAsInteger(kDTS_ID, aDataSet->DtsID());
        query.Open();
        try {
            DatasetToRow(*aDataSet);
            query.Post();
        } catch (...) {
            query.Cancel();
            throw;
        }
    });
}

void TqeldbDatasets::DatasetToRow(const TqeldbDataset& aDataSet) {
    TqelQuery& query = *FSQL;
    if (query.GetFieldAsInteger(kDTS_ID) == 0) {
        query.SetFieldAsInteger(kDTS_ID, aDataSet.DtsID());
    }
    query.SetFieldAsString(QStringLiteral("DTS_GUID"), qel::GuidToString(aDataSet.GUID()));
    query.SetFieldAsDateTime(QStringLiteral("DTS_RECORD_DATE"), aDataSet.RecordDate());
    query.SetFieldAsString(QStringLiteral("DTS_FILE_LOCATION"), aDataSet.FileName());
    query.SetFieldAsInteger(QStringLiteral("TEAM_ID"), aDataSet.TeamID());
    query.SetFieldAsString(QStringLiteral("TEAM_EXTERNAL_ID"), aDataSet.TeamExternalID());
    query.SetFieldAsIntegerReq(QStringLiteral("DT_ID"), aDataSet.DatasetType());
    query.SetFieldAsFloatReq(QStringLiteral("DTS_POWERFACTOR"), aDataSet.PowerFactor());
    query.SetFieldAsIntegerReq(QStringLiteral("DSC_ID"), aDataSet.Datasource());
    query.SetFieldAsInteger(QStringLiteral("DTS_POSITION_FILTER"), aDataSet.Positionfilter());
    query.SetFieldAsInteger(QStringLiteral("DTS_POSITION_SENSETIVITY"),
                            aDataSet.PositionSensitivity());
    query.SetFieldAsInteger(QStringLiteral("DTS_SPEED_FRAME_INTERVAL_MS"),
                            aDataSet.SpeedFrameInterval());
    query.SetFieldAsFloatReq(QStringLiteral("DTS_MAX_POWER_WKG"), aDataSet.MaxPowerWKG());
    query.SetFieldAsInteger(QStringLiteral("DTS_ACCEL_FRAME_INTERVAL_MS"),
                            aDataSet.AccelFrameInterval());
    query.SetFieldAsInteger(QStringLiteral("DTS_HB_FRAME_INTERVAL_MS"),
                            aDataSet.HeartbeatFrameInterval());
    query.SetFieldAsInteger(QStringLiteral("DTS_HB_SENSETIVITY"), aDataSet.HeartbeatSensitivity());
    query.SetFieldAsBoolean(QStringLiteral("DTS_LIVEDATA"), aDataSet.LiveData());
    query.SetFieldAsBoolean(QStringLiteral("DTS_RECORDING"), aDataSet.Recording());
    query.SetFieldAsInteger(QStringLiteral("DTS_POSITION_INTERVAL"),
                            aDataSet.StorePositionInterval());
    query.SetFieldAsInteger(QStringLiteral("DTS_FIRST_LPM_TIME_MS"), aDataSet.FirstLPMtime());
}

void TqeldbDatasets::RowToDataset(TqeldbDataset& aDataSet) {
    const TqelQuery& query = *FSQL;
    aDataSet.setDtsID(query.GetFieldAsInteger(kDTS_ID));
    const QString guid = query.GetFieldAsString(QStringLiteral("DTS_GUID"));
    if (!guid.isEmpty()) {
        try {
            aDataSet.setGUID(qel::StringToGuid(guid));
        } catch (const EConvertError&) {
            // A damaged GUID must not cost the rest of the row.
        }
    }
    aDataSet.setRecordDate(query.GetFieldAsDateTime(QStringLiteral("DTS_RECORD_DATE")));
    aDataSet.setFileName(query.GetFieldAsString(QStringLiteral("DTS_FILE_LOCATION")));
    aDataSet.setTeamID(query.GetFieldAsInteger(QStringLiteral("TEAM_ID")));
    aDataSet.setTeamExternalID(query.GetFieldAsString(QStringLiteral("TEAM_EXTERNAL_ID")));
    aDataSet.setDatasetType(query.GetFieldAsInteger(QStringLiteral("DT_ID")));
    aDataSet.setTeamName(query.GetFieldAsString(QStringLiteral("TEAM_NAME")));
    aDataSet.setDatasource(query.GetFieldAsInteger(QStringLiteral("DSC_ID")));
    aDataSet.setPositionfilter(query.GetFieldAsInteger(QStringLiteral("DTS_POSITION_FILTER")));
    aDataSet.setPositionSensitivity(
        query.GetFieldAsInteger(QStringLiteral("DTS_POSITION_SENSETIVITY")));
    aDataSet.setSpeedFrameInterval(
        query.GetFieldAsInteger(QStringLiteral("DTS_SPEED_FRAME_INTERVAL_MS")));
    aDataSet.setMaxPowerWKG(query.GetFieldAsFloat(QStringLiteral("DTS_MAX_POWER_WKG")));
    aDataSet.setAccelFrameInterval(
        query.GetFieldAsInteger(QStringLiteral("DTS_ACCEL_FRAME_INTERVAL_MS")));
    aDataSet.setHeartbeatFrameInterval(
        query.GetFieldAsInteger(QStringLiteral("DTS_HB_FRAME_INTERVAL_MS")));
    aDataSet.setHeartbeatSensitivity(query.GetFieldAsInteger(QStringLiteral("DTS_HB_SENSETIVITY")));
    aDataSet.setLiveData(query.GetFieldAsBoolean(QStringLiteral("DTS_LIVEDATA")));
    aDataSet.setRecording(query.GetFieldAsBoolean(QStringLiteral("DTS_RECORDING")));
    aDataSet.setStorePositionInterval(
        query.GetFieldAsInteger(QStringLiteral("DTS_POSITION_INTERVAL")));
    aDataSet.setFirstLPMtime(query.GetFieldAsInteger(QStringLiteral("DTS_FIRST_LPM_TIME_MS")));
    aDataSet.setModified(false);
    aDataSet.setAgility(query.GetFieldAsInteger(QStringLiteral("HasAgility")));
    aDataSet.setExertion(query.GetFieldAsInteger(QStringLiteral("HasExertion")));
    aDataSet.setDataSetTypeText(query.GetFieldAsString(QStringLiteral("DT_DESCRIPTION")));
}

void TqeldbDatasets::LoadList() {
    TqelQuery& query = Query();
    qel::CloseAfter(query, [&] {
        query.Open();
        FDatasets.clear();
        for (; !query.Eof(); query.Next()) {
            RowToDataset(*AddDataset());
        }
    });
}

void TqeldbDatasets::Find(int32_t aDtsID) {
    TqelQuery& query = Query();
    query.setText(QStringLiteral("select * from DATASETS "));
    query.Where(kDTS_ID, aDtsID, false, false);
    LoadList();
}

void TqeldbDatasets::GetAllDatasets() {
    TqelQuery& query = Query();
    query.Clear();
    query.AddLine(QStringLiteral("select dts.*, dt.DT_DESCRIPTION,  "));
    query.AddLine(QStringLiteral(
        " (select count(*) from TP_AGILITY tg where tg.DTS_ID = dts.DTS_ID) as HasAgility,"));
    query.AddLine(QStringLiteral(
        " (select count(*) from TP_ANALYZED ta where ta.DTS_ID = dts.DTS_ID) as HasExertion, "));
    query.AddLine(QStringLiteral("  team.TEAM_NAME"));
    query.AddLine(QStringLiteral("from "));
    query.AddLine(QStringLiteral("( DATASETS dts "));
    query.AddLine(QStringLiteral("  left outer join DATASET_TYPES dt on (dts.DT_ID = dt.DT_ID) )"));
    query.AddLine(QStringLiteral("left outer join TEAMS team on (dts.TEAM_ID = team.TEAM_ID)"));
    LoadList();
}

TqeldbDataset* TqeldbDatasets::Open(int32_t aDtsID) {
    TqelQuery& query = Query();
    query.setText(kSelectByKey);
    query.SetParamAsInteger(kDTS_ID, aDtsID);
    LoadList();
    return FDatasets.empty() ? nullptr : FDatasets.back().get();
}

int32_t TqeldbDatasets::LastDatasetID(std::unique_ptr<TqeldbDataset>& aDts) {
    TqelQuery& query = Query();
    aDts.reset();
    int32_t result = 0;
    qel::CloseAfter(query, [&] {
        query.setText(QStringLiteral(
            "select top 1 * from DATASETS where DTS_LIVEDATA<>0 order by DTS_ID desc"));
        query.Open();
        if (!query.Eof()) {
            result = query.GetFieldAsInteger(kDTS_ID);
            auto row = std::make_unique<TqeldbDataset>();
            RowToDataset(*row);
            aDts = std::move(row);
        }
    });
    return result;
}

int32_t TqeldbDatasets::LastDatasetID() {
    TqelQuery& query = Query();
    int32_t result = 0;
    qel::CloseAfter(query, [&] {
        query.setText(QStringLiteral(
            "select top 1 DTS_ID from DATASETS where DTS_LIVEDATA<>0 order by DTS_ID desc"));
        query.Open();
        if (!query.Eof()) {
            result = query.GetFieldAsInteger(kDTS_ID);
        }
    });
    return result;
}

TqeldbDataset* TqeldbDatasets::Locate(int32_t aDtsID) const {
    for (const auto& row : FDatasets) {
        if (row->DtsID() == aDtsID) {
            return row.get();
        }
    }
    return nullptr;
}

TqeldbDataset* TqeldbDatasets::GetDataSet(int aIndex) const {
    return qel::RowAt(FDatasets, aIndex);
}

TqeldbDataset* TqeldbDatasets::AddDataset() {
    FDatasets.push_back(std::make_unique<TqeldbDataset>());
    return FDatasets.back().get();
}

bool TqeldbDatasets::DuplicatedFilename(int32_t aOwnDtsId, const QString& aFilenameOnly) const {
    if (aFilenameOnly.isEmpty()) {
        return false;
    }
    for (const auto& row : FDatasets) {
        if (row->DtsID() != aOwnDtsId && row->FilenameOnly() == aFilenameOnly &&
            QFileInfo::exists(row->FileName())) {
            return true;
        }
    }
    return false;
}

void TqeldbDatasets::Delete(TqeldbDataset* aDataSet) {
    qel::Assert(aDataSet != nullptr, QStringLiteral("Delete needs a dataset row."));
    TqelQuery& query = Query();
    query.setText(QStringLiteral("delete from DATASETS where DTS_ID = :DTS_ID"));
    query.SetParamAsInteger(kDTS_ID, aDataSet->DtsID());
    query.ExecSQL();
    std::erase_if(FDatasets, [aDataSet](const auto& aRow) { return aRow.get() == aDataSet; });
}

bool TqeldbDatasets::UpdateColumn(const QString& aSql, int32_t aDtsID, const QString& aColumn,
                                  const QVariant& aValue) {
    TqelQuery& query = Query();
    query.setText(aSql);
    query.ParamByName(aColumn)->setValue(aValue);
    query.SetParamAsInteger(kDTS_ID, aDtsID);
    return query.ExecSQL() > 0;
}

bool TqeldbDatasets::UpdateFileLocation(int32_t aDtsID, const QString& aFilename) {
    return UpdateColumn(
        QStringLiteral(
            "update DATASETS set DTS_FILE_LOCATION =:DTS_FILE_LOCATION where DTS_ID = :DTS_ID"),
        aDtsID, QStringLiteral("DTS_FILE_LOCATION"), aFilename);
}

bool TqeldbDatasets::UpdateFirstLPMTime(int32_t aDtsID, int32_t aLPMTimeMS) {
    return UpdateColumn(QStringLiteral("update DATASETS set DTS_FIRST_LPM_TIME_MS = "
                                       ":DTS_FIRST_LPM_TIME_MS where DTS_ID = :DTS_ID"),
                        aDtsID, QStringLiteral("DTS_FIRST_LPM_TIME_MS"), qlonglong{aLPMTimeMS});
}

bool TqeldbDatasets::UpdateRecording(int32_t aDtsID, bool aRecording) {
    return UpdateColumn(
        QStringLiteral("update DATASETS set DTS_RECORDING = :DTS_RECORDING where DTS_ID = :DTS_ID"),
        aDtsID, QStringLiteral("DTS_RECORDING"), qlonglong{aRecording ? 1 : 0});
}
