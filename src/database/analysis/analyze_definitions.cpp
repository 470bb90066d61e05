#include "database/analysis/analyze_definitions.h"

#include "database/schema.h"
#include "foundation/settings/client_config.h"

namespace {

const qel::SchemaTable kAnalyzeDefTable(
    "ANALYZE_DEF",
    {"create table ANALYZE_DEF (ANL_ID integer not null primary key, ANL_DESCRIPTION "
     "varchar(100) collate nocase, ANL_TYPE integer, ANL_ACTIVE bit, ANL_WHOLE_DATASET_MARKERS "
     "bit, ANL_HR_ONLY_1_MIN bit, ANL_CALC_WHOLE_EXERCISE bit, ANL_ADD_BINS_SUM bit, "
     "ANL_SPLIT_ACC_DEC bit, ANL_ADD_CAT_SUM bit, ANL_SPEED_IN_KM_H bit, "
     "ANL_STARTTIME_FROM_BEGIN_PART bit, ANL_SPEED_ZONE smallint, ANL_HEARTRATE_ZONE smallint, "
     "ANL_ACCEL_ZONE smallint, ANL_SPRINT_MIN_SPRINT_SPEED float, "
     "ANL_SPRINT_MIN_SPRINT_TIME_MS integer, ANL_SPRINT_MAX_STAND_SPEED float, "
     "ANL_SPRINT_MIN_STAND_TIME_MS integer, ANL_SPRINT_MIN_HID_SPEED float, "
     "ANL_SPRINT_MAX_VALID_ACC float, ANL_SPRINT_MAX_VALID_SPEED float, ANL_SPRINT_SHOW_INVALID "
     "bit, ANL_ACCEL_MIN_SPEED float, ANL_ACCEL_MIN_ACCEL float, ANL_ACCEL_MIN_TIME_MS integer, "
     "ANL_ACCEL_MAX_VALID_ACC float, ANL_HI_HB_PERC integer, ANL_HI_SPRINT_CAT integer, "
     "ANL_HEATMAP_DO_CALC bit, ANL_HEATMAP_RESOLUTION integer, ANL_HEATMAP_SHOW_LABELS bit, "
     "ANL_ECCRF float, ANL_ICEHOCKEY_ACTION_MIN_SPEED float, ANL_ICEHOCKEY_ACTION_MIN_ACCEL "
     "float, ANL_ICEHOCKEY_ACTION_MIN_ACCEL_TIME integer, ANL_ICEHOCKEY_ACTION_MIN_DECEL float, "
     "ANL_ICEHOCKEY_ACTION_MIN_TIME integer, ANL_ICEHOCKEY_ACTION_MAX_TIME integer, "
     "ANL_ICEHOCKEY_ACTION_DELTA_SPEED float, ANL_ICEHOCKEY_SHIFTS_TRANSITION_TIME integer, "
     "ANL_ICEHOCKEY_SHIFTS_TRANSITION_DISTANCE_IN integer, "
     "ANL_ICEHOCKEY_SHIFTS_TRANSITION_DISTANCE_OUT integer, ANL_HMLD_MIN_SPEED float, "
     "ANL_HMLD_MIN_ACCEL float, ANL_GALLOP_MIN_IMPACT float, ANL_GALLOP_MIN_DURATION_MS "
     "integer, ANL_GALLOP_MIN_THRESHOLD_MS integer, ANL_GALLOP_MIN_DIST_OBST_MM integer, "
     "ANL_MIP_DO_CALC bit, ANL_TEAM_AVG_AREA bit, ANL_TEAM_AVG_LENGTH bit, ANL_TEAM_AVG_WIDTH "
     "bit, ANL_TEAM_VERT_COMP_CALC bit, ANL_TEAM_VERT_COMP_MAX_LEN_MM integer, "
     "ANL_TEAM_VERT_COMP_MIN_TIME_MS integer, ANL_TEAM_HORZ_COMP_CALC bit, "
     "ANL_TEAM_HORZ_COMP_MAX_WID_MM integer, ANL_TEAM_HORZ_COMP_MIN_TIME_MS integer)",
     "create index ANALYZE_DEF_ACTIVE on ANALYZE_DEF (ANL_ACTIVE)"});

const QString kANL_ID = QStringLiteral("ANL_ID");

// Column readers and writers by storage kind.
void ReadText(TqelQuery& aSQL, const QString& aColumn, QString& aValue) {
    aValue = aSQL.GetFieldAsString(aColumn);
}
void ReadInteger(TqelQuery& aSQL, const QString& aColumn, int32_t& aValue) {
    aValue = aSQL.GetFieldAsInteger(aColumn);
}
void ReadFloat(TqelQuery& aSQL, const QString& aColumn, double& aValue) {
    aValue = aSQL.GetFieldAsFloat(aColumn);
}
void ReadFloatReq(TqelQuery& aSQL, const QString& aColumn, double& aValue) {
    aValue = aSQL.GetFieldAsFloat(aColumn);
}
void ReadBoolean(TqelQuery& aSQL, const QString& aColumn, bool& aValue) {
    aValue = aSQL.GetFieldAsBoolean(aColumn);
}
void ReadZoneKind(TqelQuery& aSQL, const QString& aColumn, int8_t& aValue) {
    aValue = static_cast<int8_t>(aSQL.GetFieldAsInteger(aColumn));
}

void WriteText(TqelQuery& aSQL, const QString& aColumn, const QString& aValue) {
    aSQL.SetFieldAsString(aColumn, aValue);
}
void WriteInteger(TqelQuery& aSQL, const QString& aColumn, int32_t aValue) {
    aSQL.SetFieldAsInteger(aColumn, aValue);
}
void WriteFloat(TqelQuery& aSQL, const QString& aColumn, double aValue) {
    aSQL.SetFieldAsFloat(aColumn, aValue);
}
void WriteFloatReq(TqelQuery& aSQL, const QString& aColumn, double aValue) {
    aSQL.SetFieldAsFloatReq(aColumn, aValue);
}
void WriteBoolean(TqelQuery& aSQL, const QString& aColumn, bool aValue) {
    aSQL.SetFieldAsBoolean(aColumn, aValue);
}
void WriteZoneKind(TqelQuery& aSQL, const QString& aColumn, int8_t aValue) {
    aSQL.SetFieldAsInteger(aColumn, aValue);
}

}  // namespace

// ---- TqeldbAnalyzeDef -----------------------------------------------------------------------

TqeldbAnalyzeDef::TqeldbAnalyzeDef(TqelDatabase* AOwner) : qel::TrackedRow(AOwner) {
    // Copies, so that the analyses never share a list with the settings.
    TqelClientConfig* config = ClientConfig();
    if (!config) {
        return;
    }
    FSpeedZonesAbsolute.Assign(config->AbsoluteSpeedZones());
    FSpeedZonesRelative.Assign(config->RelativeSpeedZones());
    FAccelZonesAbsolute.Assign(config->AbsoluteAccelerationZones());
    FAccelZonesRelative.Assign(config->RelativeAccelerationZones());
    FDecelZonesAbsolute.Assign(config->AbsoluteDecelerationZones());
    FDecelZonesRelative.Assign(config->RelativeDecelerationZones());
    FPowerZonesAbsolute.Assign(config->AbsolutePowerZones());
    FPowerZonesRelative.Assign(config->RelativePowerZones());
    FHeartbeatZonesAbsolute.Assign(config->AbsoluteHeartbeatZones());
    FHeartbeatZonesRelative.Assign(config->RelativeHeartbeatZones());
    FSprintCategories = config->SprintCategories();
    FAccelCategories = config->AccelCategories();
    FDecelCategories = config->DecelCategories();
    FImpactCategories = config->ImpactCategories();
}

const TqelZones& TqeldbAnalyzeDef::SpeedZones() const {
    return FSpeedZone == 1 ? FSpeedZonesRelative : FSpeedZonesAbsolute;
}

const TqelZones& TqeldbAnalyzeDef::AccelerationZones() const {
    return FAccelZone == 1 ? FAccelZonesRelative : FAccelZonesAbsolute;
}

const TqelZones& TqeldbAnalyzeDef::DecelerationZones() const {
    return FAccelZone == 1 ? FDecelZonesRelative : FDecelZonesAbsolute;
}

const TqelZones& TqeldbAnalyzeDef::PowerZones() const {
    return PowerZone() == 1 ? FPowerZonesRelative : FPowerZonesAbsolute;
}

void TqeldbAnalyzeDef::PrepareSave(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from ANALYZE_DEF where ANL_ID = :ANL_ID"));
}

void TqeldbAnalyzeDef::Delete(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("delete from ANALYZE_DEF where ANL_ID = :ANL_ID"));
    aSQL.SetParamAsInteger(kANL_ID, FID);
    aSQL.ExecSQL();
}

void TqeldbAnalyzeDef::AfterInsert(TqelQuery& aSQL) {
    const int32_t key = GetPrimaryKey(aSQL, kANL_ID, QStringLiteral("ANALYZE_DEF"));
    if (FID == 0) {
        setID(key);
    }
}

void TqeldbAnalyzeDef::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kANL_ID, FID);
}

void TqeldbAnalyzeDef::DataSetToVaruza(TqelQuery& aSQL) {
    FID = aSQL.GetFieldAsInteger(kANL_ID);
#define QEL_ANALYZE_DEF_READ(aKind, aType, aName, aColumn) \
    Read##aKind(aSQL, QStringLiteral(#aColumn), F##aName);
    QEL_ANALYZE_DEF_COLUMNS(QEL_ANALYZE_DEF_READ)
#undef QEL_ANALYZE_DEF_READ
}

void TqeldbAnalyzeDef::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kANL_ID, FID);
#define QEL_ANALYZE_DEF_WRITE(aKind, aType, aName, aColumn) \
    Write##aKind(aSQL, QStringLiteral(#aColumn), F##aName);
    QEL_ANALYZE_DEF_COLUMNS(QEL_ANALYZE_DEF_WRITE)
#undef QEL_ANALYZE_DEF_WRITE
}

// ---- TqeldbAnalyzeDefinitions ---------------------------------------------------------------

TqeldbAnalyzeDefinitions::TqeldbAnalyzeDefinitions(TqelDatabase* aDatabase)
    : TqelGenericDatabaseVaruza<TqeldbAnalyzeDef>(aDatabase) {}

void TqeldbAnalyzeDefinitions::Open(bool aActiveOnly) {
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from ANALYZE_DEF "));
    if (aActiveOnly) {
        query.Where(QStringLiteral("ANL_ACTIVE"), true, true);
    }
    OpenList();
}

TqeldbAnalyzeDef* TqeldbAnalyzeDefinitions::AnalyzeDefByID(int32_t aID) const {
    for (const auto& definition : VaruzaList()) {
        if (definition->ID() == aID) {
            return definition.get();
        }
    }
    return nullptr;
}
