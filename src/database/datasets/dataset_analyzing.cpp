#include "database/datasets/dataset_analyzing.h"

#include <QStringList>
#include <cmath>
#include <limits>
#include <vector>

#include "database/analysis/accelerations.h"
#include "database/row_helpers.h"
#include "database/schema.h"
#include "database/transaction_scope.h"
#include "platform/crash_reporter.h"
#include "platform/numbers.h"

namespace {

// ---- Analysis results: one TP_ANALYZED row per transponder, analysis, exercise, part and
// group, its details keyed by TA_ID.

const qel::SchemaTable kAnalyzedTable(
    "TP_ANALYZED",
    {"create table TP_ANALYZED (TA_ID integer not null primary key, DTS_ID integer, ANL_ID "
     "integer, EXR_ID integer, PRT_ID integer, TP_ID integer, GRP_ID integer, TA_DISTANCE_MM "
     "integer, TA_DIST_POSS_MM integer, TA_TOTALTIME_MS integer, TA_TOTALTIME_DT datetime, "
     "TA_HB_TIME_MS integer, TA_HI_HB_TIME_MS integer, TA_HR_INDEX float, TA_HB_0MIN integer, "
     "TA_HB_1MIN integer, TA_HB_2MIN integer, TA_HR_1MIN float, TA_HR_2MIN float, TA_HB_AVG "
     "float, TA_HB_MAX integer, TA_SPEED_INDEX float, TA_SPEED_AVG float, TA_SPEED_MAX float, "
     "TA_ACCEL_INDEX float, TA_ACCEL_MAX float, TA_DECEL_INDEX float, TA_DECEL_MAX float, "
     "TA_BL_INDEX float, TA_ETL_INDEX float, PLR_ROLE integer, TA_SPEED_FIFA float, "
     "TA_TP_ERROR bit, TA_HR_ERROR bit, TA_COVERT_AREA float, TA_AREA_LEFT_UP_X integer, "
     "TA_AREA_LEFT_UP_Y integer, TA_AREA_RIGHT_LOWER_X integer, TA_AREA_RIGHT_LOWER_Y integer, "
     "TA_SPRINT_COUNT integer, TA_SPRINT_MAX_SPEED float, TA_SPRINT_AVG_MAX_SPEED float, "
     "TA_SPRINT_AVG_MAX_ACC float, TA_SPRINT_INDEX_SUM float, TA_SPRINT_INDEX_AVG float, "
     "TA_SPRINT_HID_MM integer, TA_SPRINT_HID_POSS_MM integer, TA_ACCEL_COUNT integer, "
     "TA_ACCEL_MAX_ACC float, TA_ACCEL_AVG_MAX_ACC float, TA_ACTION_INDEX float, "
     "TA_DECEL_COUNT integer, TA_DECEL_MAX_ACC float, TA_DECEL_AVG_MAX_ACC float, "
     "TA_POWER_W_KG float, TA_ENERGY_J float, TA_P_MECH_ACCEL float, TA_P_MECH_DECEL float, "
     "TA_HML_DIST_IN_MM float, TA_AVI_LEFT float, TA_AVI_RIGHT float, TA_AVI_TOTAL float)",
     "create index TP_ANALYZED_DATASET on TP_ANALYZED (DTS_ID, EXR_ID, ANL_ID)"});
const qel::SchemaTable kAnalBinsTable(
    "TP_ANAL_BINS",
    {"create table TP_ANAL_BINS (TA_ID integer not null, BK_ID integer not null, BZ_ID integer "
     "not null, TAB_DISTANCE_MM integer, TAB_TIME_MS integer, TAB_COUNT integer, "
     "TAB_INDEX_VALUE float, TAB_INDEX_PERC float, primary key (TA_ID, BK_ID, BZ_ID))"});
const qel::SchemaTable kAnalFatigueTable(
    "TP_ANAL_FATIGUE",
    {"create table TP_ANAL_FATIGUE (TA_ID integer not null, TAF_TIME_ZONE integer not null, "
     "TAF_DISTANCE_MM integer, TAF_DURATION_MS integer, TAF_SPEED_INDEX float, primary key "
     "(TA_ID, TAF_TIME_ZONE))"});
const qel::SchemaTable kAnalGameSpeedTable(
    "TP_ANAL_GAMESPEED",
    {"create table TP_ANAL_GAMESPEED (TA_ID integer not null, TGS_TYPE integer not null, "
     "TGS_PEAKOUTPUT_PERC float, TGS_STAMINA_PERC float, TGS_5_SEC float, TGS_10_SEC float, "
     "TGS_15_SEC float, TGS_30_SEC float, TGS_60_SEC float, TGS_90_SEC float, TGS_2_MIN float, "
     "TGS_3_MIN float, TGS_5_MIN float, TGS_10_MIN float, primary key (TA_ID, TGS_TYPE))"});
const qel::SchemaTable kAnalHeatmapTable(
    "TP_ANAL_HEATMAP",
    {"create table TP_ANAL_HEATMAP (TA_ID integer not null primary key, TAH_META_DATA "
     "varchar(4000) collate nocase, TAH_IMAGE blob)"});
const qel::SchemaTable kAnalSprintsTable(
    "TP_ANAL_SPRINTS",
    {"create table TP_ANAL_SPRINTS (TA_ID integer not null, TAS_NR integer not null, "
     "TAS_BEGIN_IN_MS integer, TAS_END_IN_MS integer, TAS_DURATION_IN_MS integer, "
     "TAS_DISTANCE_IN_M float, TAS_HID_IN_M float, TAS_MAX_SPEED_IN_MS float, "
     "TAS_MAX_ACCEL_IN_MSS float, TAS_SPRINT_INDEX float, TAS_CATEGORY integer, "
     "TAS_CUM_DIST_START_IN_M float, TAS_INIT_POSSESSION integer, TAS_TIME_POSS_MS integer, "
     "TAS_TIME_OPP_MS integer, TAS_INIT_CLOCK_RUNNING bit, TAS_TIME_ON_FIELD_MS integer, "
     "TAS_TIME_EFFECT_MS integer, TAS_START_POS_X_IN_M integer, TAS_START_POS_Y_IN_M integer, "
     "TAS_START_ZONE integer, TAS_END_POS_X_IN_M integer, TAS_END_POS_Y_IN_M integer, "
     "TAS_END_ZONE integer, TAS_DIRECTION_DEG integer, TAS_DIRECTION_TXT varchar(50) collate "
     "nocase, primary key (TA_ID, TAS_NR))"});
const qel::SchemaTable kAnalAccelTable(
    "TP_ANAL_ACCEL",
    {"create table TP_ANAL_ACCEL (TA_ID integer not null, TAA_NR integer not null, "
     "TAA_BEGIN_IN_MS integer, TAA_END_IN_MS integer, TAA_DURATION_IN_MS integer, "
     "TAA_DISTANCE_IN_M float, TAA_MAX_SPEED_IN_MS float, TAA_MIN_SPEED_IN_MS float, "
     "TAA_MAX_ACCEL_IN_MSS float, TAA_SPRINT_INDEX float, TAA_CATEGORY integer, "
     "TAA_CUM_DIST_START_IN_M float, TAA_INIT_CLOCK_RUNNING bit, TAA_TIME_ON_FIELD_MS integer, "
     "TAA_TIME_EFFECT_MS integer, primary key (TA_ID, TAA_NR))"});
const qel::SchemaTable kAnalDecelTable(
    "TP_ANAL_DECEL",
    {"create table TP_ANAL_DECEL (TA_ID integer not null, TAD_NR integer not null, "
     "TAD_BEGIN_IN_MS integer, TAD_END_IN_MS integer, TAD_DURATION_IN_MS integer, "
     "TAD_DISTANCE_IN_M float, TAD_MAX_SPEED_IN_MS float, TAD_MIN_SPEED_IN_MS float, "
     "TAD_MAX_ACCEL_IN_MSS float, TAD_SPRINT_INDEX float, TAD_CATEGORY integer, "
     "TAD_CUM_DIST_START_IN_M float, TAD_INIT_CLOCK_RUNNING bit, TAD_TIME_ON_FIELD_MS integer, "
     "TAD_TIME_EFFECT_MS integer, primary key (TA_ID, TAD_NR))"});
const qel::SchemaTable kAnalImpactTable(
    "TP_ANAL_IMPACT",
    {"create table TP_ANAL_IMPACT (TA_ID integer not null, TIP_NR integer not null, "
     "TIP_BEGIN_IN_MS integer, TIP_END_IN_MS integer, TIP_DURATION_IN_MS integer, "
     "TIP_IMPACT_MIN float, TIP_IMPACT_MAX float, TIP_SPEED_MIN_MS float, TIP_SPEED_MAX_MS "
     "float, TIP_CATEGORY integer, primary key (TA_ID, TIP_NR))"});
const qel::SchemaTable kAnalIhaTable(
    "TP_ANAL_IHA",
    {"create table TP_ANAL_IHA (TA_ID integer not null, TAI_NR integer not null, "
     "TAI_BEGIN_IN_MS integer, TAI_END_IN_MS integer, TAI_DURATION_IN_MS integer, "
     "TAI_DISTANCE_IN_M float, TAI_MAX_SPEED_IN_MS float, TAI_MAX_ACCEL_IN_MSS float, "
     "TAI_MAX_DECEL_IN_MSS float, TAI_CATEGORY integer, TAI_INIT_CLOCK_RUNNING bit, "
     "TAI_TIME_ON_FIELD_MS integer, TAI_TIME_EFFECT_MS integer, primary key (TA_ID, TAI_NR))"});
const qel::SchemaTable kAnalIhsTable(
    "TP_ANAL_IHS",
    {"create table TP_ANAL_IHS (TA_ID integer not null, TAS_NR integer not null, TAS_SHIFT_NR "
     "integer, TAS_DIRECTION integer, TAS_MOMENT_IN_MS integer, TAS_EFFECTIVE_DURATION_IN_MS "
     "integer, TAS_ABSOLUTE_DURATION_IN_MS integer, TAS_GAMETIME_IN_MS integer, primary key "
     "(TA_ID, TAS_NR))"});
// When each analysis of a dataset was last run.
const qel::SchemaTable kAnalyzesTable(
    "ANALYZES", {"create table ANALYZES (DTS_ID integer not null, ANL_ID integer not null, "
                 "ANL_ANALYZE_DATE datetime, primary key (DTS_ID, ANL_ID))"});
// Group results; written by no part of this program, only removed.
const qel::SchemaTable kGroupAnalyzedTable(
    "GRP_ANALYZED", {"create table GRP_ANALYZED (DTS_ID integer, EXR_ID integer, ANL_ID integer)",
                     "create index GRP_ANALYZED_DATASET on GRP_ANALYZED (DTS_ID, ANL_ID)"});

// ---- Agility runs and their split times.

const qel::SchemaTable kAgilityRunsTable(
    "TP_AGILITY",
    {"create table TP_AGILITY (TG_ID integer not null primary key, DTS_ID integer, TP_ID "
     "integer, EXR_ID integer, PRT_ID integer, GRP_ID integer, TG_NUMBER integer, AGL_ID "
     "integer, TG_ENTRY_TIME_MS integer, TG_DURATION_MS integer, TG_DISTANCE_M float, "
     "TG_MAX_SPEED float, TG_AVG_SPEED float, TG_MAX_ACCEL float, TG_SPEED_INDEX float, "
     "TG_MAX_DECEL float)",
     "create index TP_AGILITY_DATASET on TP_AGILITY (DTS_ID, AGL_ID)"});
const qel::SchemaTable kAgilitySplitsTable(
    "TP_AGIL_SPLIT",
    {"create table TP_AGIL_SPLIT (TG_ID integer, AGLL_ID integer, TGS_ENTRY_TIME_MS integer, "
     "TGS_CROSSING_TIME_MS integer, TGS_DURATION_MS integer, TGS_DISTANCE_M float, "
     "TGS_MAX_SPEED float, TGS_AVG_SPEED float, TGS_MAX_ACCEL float, TGS_MAX_DECEL float)",
     "create index TP_AGIL_SPLIT_RUN on TP_AGIL_SPLIT (TG_ID)"});

// ---- Ball possession: one BALL_POSS_TEAM row per result set, its details by BPS_ID.

const qel::SchemaTable kBallPossTeamTable(
    "BALL_POSS_TEAM",
    {"create table BALL_POSS_TEAM (BPS_ID integer not null primary key, DTS_ID integer, EXR_ID "
     "integer, PRT_ID integer, GRP_ID integer)",
     "create index BALL_POSS_TEAM_DATASET on BALL_POSS_TEAM (DTS_ID, EXR_ID, PRT_ID)"});
const qel::SchemaTable kBallPossOptionsTable(
    "BALL_POSS_OPTIONS", {"create table BALL_POSS_OPTIONS (BPS_ID integer)",
                          "create index BALL_POSS_OPTIONS_SET on BALL_POSS_OPTIONS (BPS_ID)"});
const qel::SchemaTable kBallPossTpTable(
    "BALL_POSS_TP", {"create table BALL_POSS_TP (BPS_ID integer, GRP_ID integer)",
                     "create index BALL_POSS_TP_SET on BALL_POSS_TP (BPS_ID)"});
const qel::SchemaTable kBallPossTransAreaTable(
    "BALL_POSS_TRANS_AREA",
    {"create table BALL_POSS_TRANS_AREA (BPS_ID integer, GRP_ID integer)",
     "create index BALL_POSS_TRANS_AREA_SET on BALL_POSS_TRANS_AREA (BPS_ID)"});
const qel::SchemaTable kBallPossTransActionTable(
    "BALL_POSS_TRANS_ACTION",
    {"create table BALL_POSS_TRANS_ACTION (BPS_ID integer, GRP_ID integer)",
     "create index BALL_POSS_TRANS_ACTION_SET on BALL_POSS_TRANS_ACTION (BPS_ID)"});
const qel::SchemaTable kBallPossTransTable(
    "BALL_POSS_TRANS", {"create table BALL_POSS_TRANS (BPS_ID integer, GRP_ID integer)",
                        "create index BALL_POSS_TRANS_SET on BALL_POSS_TRANS (BPS_ID)"});
const qel::SchemaTable kBallPossPlayerTable(
    "BALL_POSS_PLAYER", {"create table BALL_POSS_PLAYER (BPS_ID integer, GRP_ID integer)",
                         "create index BALL_POSS_PLAYER_SET on BALL_POSS_PLAYER (BPS_ID)"});

// ---- Recorded-dataset tables whose rows the whole-dataset store writes.

const qel::SchemaTable kEventDataTable(
    "EVENTDATA",
    {"create table EVENTDATA (EVT_ID integer not null primary key, DTS_ID integer, EVTT_ID "
     "integer, EVTS_ID integer, EVT_DESCRIPTION varchar(1000) collate nocase, EVT_RESULT "
     "integer, EVT_CATEGORY varchar(100) collate nocase, EVT_ATHLETE_TPID integer, "
     "EVT_TARGET_TPID integer, EVT_START_TIME_MS integer, EVT_START_POS_X_IN_M integer, "
     "EVT_START_POS_Y_IN_M integer, EVT_START_ZONE integer, EVT_END_TIME_MS integer, "
     "EVT_END_POS_X_IN_M numeric, EVT_END_POS_Y_IN_M numeric, EVT_END_ZONE integer, "
     "EVT_DIRECTION_DEG numeric, EVT_DIRECTION_TXT varchar(50) collate nocase, GRP_ID integer, "
     "EXR_ID integer, PRT_ID integer, EVT_PRT_TIME_MS integer)",
     "create index EVENTDATA_DATASET on EVENTDATA (DTS_ID, EVTS_ID)"});
// A value may be given twice for one event and qualifier: no unique key.
const qel::SchemaTable kEventQualifiersTable(
    "EVENT_QUALIFIERS",
    {"create table EVENT_QUALIFIERS (EVT_ID integer, QLF_ID integer, EVTT_ID integer, EQ_VALUE "
     "varchar(250) collate nocase, EVTS_ID integer)",
     "create index EVENT_QUALIFIERS_EVENT on EVENT_QUALIFIERS (EVT_ID)"});
const qel::SchemaTable kExercisesTable(
    "EXERCISES",
    {"create table EXERCISES (DTS_ID integer not null, EXR_ID integer not null, EXR_NAME "
     "varchar(100) collate nocase, EXR_DURATION_MS integer, EXR_BEGINTIME_MS integer, "
     "EXR_ENDTIME_MS integer, EXR_RESULT varchar(50) collate nocase, EXN_ID integer, EXN_TYPE "
     "integer, TT_ID integer, EXR_TYPE integer, EXR_REMARK varchar(255) collate nocase, AGL_ID "
     "integer, primary key (DTS_ID, EXR_ID))"});
const qel::SchemaTable kPartsTable(
    "PARTS", {"create table PARTS (DTS_ID integer not null, EXR_ID integer not null, PRT_ID "
              "integer not null, PRT_NAME varchar(100) collate nocase, PRT_BEGINTIME_MS integer, "
              "PRT_ENDTIME_MS integer, PRT_DURATION_MS integer, primary key (DTS_ID, EXR_ID, "
              "PRT_ID))"});
const qel::SchemaTable kGroupsTable(
    "GROUPS",
    {"create table GROUPS (DTS_ID integer not null, GRP_ID integer not null, GRP_NAME "
     "varchar(100) collate nocase, GRP_PLAY_DIRECTION integer, GRP_SCORE integer, TEAM_ID "
     "integer, GRP_EXTERNAL_ID varchar(100) collate nocase, TEAM_SYSTEM_ID varchar(50) collate "
     "nocase, primary key (DTS_ID, GRP_ID))"});
const qel::SchemaTable kLapsTable("LAPS", {"create table LAPS (DTS_ID integer)",
                                           "create index LAPS_DATASET on LAPS (DTS_ID)"});
const qel::SchemaTable kSectorsTable("SECTORS",
                                     {"create table SECTORS (DTS_ID integer)",
                                      "create index SECTORS_DATASET on SECTORS (DTS_ID)"});

const QString kDTS_ID = QStringLiteral("DTS_ID");

// Detail tables of TP_ANALYZED in the order they are emptied.
const char* const kAnalysisDetailTables[] = {
    "TP_ANAL_IMPACT", "TP_ANAL_IHS",   "TP_ANAL_IHA",  "TP_ANAL_HEATMAP",   "TP_ANAL_SPRINTS",
    "TP_ANAL_ACCEL",  "TP_ANAL_DECEL", "TP_ANAL_BINS", "TP_ANAL_GAMESPEED", "TP_ANAL_FATIGUE"};
// Ball-possession tables filtered by group themselves, in the order they are emptied.
const char* const kBallPossGroupTables[] = {"BALL_POSS_TP", "BALL_POSS_TRANS_AREA",
                                            "BALL_POSS_TRANS_ACTION", "BALL_POSS_TRANS",
                                            "BALL_POSS_PLAYER"};
// Dataset tables after the event qualifiers, in the order they are emptied.
const char* const kDatasetTables[] = {"EVENTDATA",    "MARKERS", "CLOCK", "SECTORS",
                                      "LAPS",         "GROUPS",  "PARTS", "EXERCISES",
                                      "TRANSPONDERS", "DATASETS"};

// Restores a query's command time-out when the scope ends, also on an exception.
class TimeoutScope {
public:
    TimeoutScope(TqelQuery& aQuery, int aTimeout) : FQuery(aQuery), FPrevious(aQuery.Timeout()) {
        aQuery.setTimeout(aTimeout);
    }
    ~TimeoutScope() { FQuery.setTimeout(FPrevious); }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;

private:
    TqelQuery& FQuery;
    int FPrevious;
};

const QString kTA_ID = QStringLiteral("TA_ID");

// Appends one record to aQuery with aWrite's columns and posts it; a failure drops the record
// and is raised.
template <class F>
void AppendRow(TqelQuery& aQuery, F&& aWrite) {
    aQuery.Insert();
    try {
        aWrite();
        aQuery.Post();
    } catch (...) {
        aQuery.Cancel();
        throw;
    }
}

// Edits the one record the open aQuery selected, or appends one when it selected none, writes
// it with aWrite (told whether the record is new) and posts; a failure drops the change and is
// raised.
template <class F>
void EditOrAppendRow(TqelQuery& aQuery, F&& aWrite) {
    const bool isNew = aQuery.IsEmpty();
    if (isNew) {
        aQuery.Insert();
    } else {
        aQuery.Edit();
    }
    try {
        aWrite(isNew);
        aQuery.Post();
    } catch (...) {
        aQuery.Cancel();
        throw;
    }
}

// Whole metres of a position; a position that is no number is 0.
int32_t WholeMetres(double aValue) {
    const double rounded = qel::RoundHalfEven(aValue);
    return std::isnan(rounded) ? 0 : qel::RoundToInt32(rounded);
}

}  // namespace

namespace qel {

double RoundHalfEven(double aValue) {
    if (!std::isfinite(aValue)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return std::nearbyint(aValue);
}

}  // namespace qel

TqeldbDatasetAnalyzing::TqeldbDatasetAnalyzing(TqelDatabase* aDatabase, int32_t aDtsID)
    : FDatabase(aDatabase), FDtsID(aDtsID) {
    qel::Assert(aDatabase != nullptr, QStringLiteral("TqeldbDatasetAnalyzing needs a database."));
    for (auto* query : {&FSQL, &FSQLBins, &FSQLFatigue, &FSQLGameSpeed, &FSQLDetail, &FSQLHeatmap,
                        &FSQLIHA, &FSQLIHS}) {
        *query = std::make_unique<TqelQuery>(aDatabase->Connection());
    }
}

TqeldbDatasetAnalyzing::TqeldbDatasetAnalyzing(TqelDatabase* aDatabase, int32_t aDtsID,
                                               int32_t aAnlID)
    : TqeldbDatasetAnalyzing(aDatabase, aDtsID) {
    FAnlId = aAnlID;
    // Empty results to append to.
    const std::pair<TqelQuery*, const char*> appendTo[] = {
        {FSQL.get(), "TP_ANALYZED"},
        {FSQLBins.get(), "TP_ANAL_BINS"},
        {FSQLFatigue.get(), "TP_ANAL_FATIGUE"},
        {FSQLGameSpeed.get(), "TP_ANAL_GAMESPEED"},
        {FSQLIHA.get(), "TP_ANAL_IHA"},
        {FSQLIHS.get(), "TP_ANAL_IHS"}};
    for (const auto& [query, table] : appendTo) {
        query->setText(
            QStringLiteral("select * from %1 where 0=1").arg(QString::fromLatin1(table)));
        query->Open();
    }
    FSQLHeatmap->setText(QStringLiteral("select * from TP_ANAL_HEATMAP where TA_ID = :TA_ID"));
}

TqeldbDatasetAnalyzing::~TqeldbDatasetAnalyzing() = default;

// ---- Writers --------------------------------------------------------------------------------

int32_t TqeldbDatasetAnalyzing::Add(
    int32_t aTPID, int32_t aExrID, int32_t aPrtID, int32_t aGrpID, int32_t aPlrRole,
    int32_t aDistanceInMM, int32_t aTotalTimeMS, double aHRIndex, int32_t aHBEnd, int32_t aHB1Min,
    int32_t aHB2Min, double aHR1Min, double aHR2Min, double aHBAvg, double aSpeedIndex,
    double aSpeedAvg, double aSpeedMax, double aAccelIndex, double aAccelMax, double aBodyLoadIndex,
    double aETLIndex, double aFifaSpeed, double aCovertArea, int32_t aMaxXPos, int32_t aMinXPos,
    int32_t aMaxYPos, int32_t aMinYPos, int32_t aHBMax, int32_t aSprintCount,
    double aSprintMaxSpeed, double aSprintAvgMaxSpeed, double aSprintAvgMaxAcc, int32_t aAccelCount,
    double aAccelMaxAcc, double aAccelAvgMaxAcc, double aActionIndex, int32_t aDecelCount,
    double aDecelMaxAcc, double aDecelAvgMaxAcc, int32_t aHBTimeMS, int32_t aHIDistanceInMM,
    double aSprintIndexSum, double aSprintIndexAvg, double aPowerWkG, double aEnergyJ,
    double aDecelIndex, double aDecelMax, bool aBadData, bool aBadHB, double aPMechAccel,
    double aPMechDecel, double aHMLDistanceM, double aAVILeft, double aAVIRight,
    int32_t aHIDPossInMM, int32_t aHIHBTimeInMS, int32_t aDistPossInMM) {
    using qel::RoundHalfEven;
    using qel::RoundTo2Decimals;
    TqelQuery& q = *FSQL;
    try {
        AppendRow(q, [&] {
            q.SetFieldAsInteger(kDTS_ID, FDtsID);
            q.SetFieldAsInteger(QStringLiteral("ANL_ID"), FAnlId);
            q.SetFieldAsIntegerReq(QStringLiteral("EXR_ID"), aExrID);
            q.SetFieldAsIntegerReq(QStringLiteral("PRT_ID"), aPrtID);
            q.SetFieldAsInteger(QStringLiteral("TP_ID"), aTPID);
            // The key counter carries this spelling; another would start a second counter.
            FDatabase->GetPrimaryKey(q.FieldByName(kTA_ID), QStringLiteral("TP_ANALAYZED"));
            q.SetFieldAsIntegerReq(QStringLiteral("GRP_ID"), aGrpID);
            q.SetFieldAsInteger(QStringLiteral("TA_DISTANCE_MM"), aDistanceInMM);
            q.SetFieldAsInteger(QStringLiteral("TA_DIST_POSS_MM"), aDistPossInMM);
            q.SetFieldAsInteger(QStringLiteral("TA_TOTALTIME_MS"), aTotalTimeMS);
            q.SetFieldAsDateTime(QStringLiteral("TA_TOTALTIME_DT"),
                                 aTotalTimeMS / static_cast<double>(qel::kMSecsPerDay));
            q.SetFieldAsInteger(QStringLiteral("TA_HB_TIME_MS"), aHBTimeMS);
            q.SetFieldAsInteger(QStringLiteral("TA_HI_HB_TIME_MS"), aHIHBTimeInMS);
            q.SetFieldAsFloat(QStringLiteral("TA_HR_INDEX"), RoundTo2Decimals(aHRIndex));
            q.SetFieldAsInteger(QStringLiteral("TA_HB_0MIN"), aHBEnd);
            q.SetFieldAsInteger(QStringLiteral("TA_HB_1MIN"), aHB1Min);
            q.SetFieldAsInteger(QStringLiteral("TA_HB_2MIN"), aHB2Min);
            q.SetFieldAsFloat(QStringLiteral("TA_HR_1MIN"), RoundHalfEven(aHR1Min));
            q.SetFieldAsFloat(QStringLiteral("TA_HR_2MIN"), RoundHalfEven(aHR2Min));
            q.SetFieldAsFloat(QStringLiteral("TA_HB_AVG"), RoundHalfEven(aHBAvg));
            q.SetFieldAsInteger(QStringLiteral("TA_HB_MAX"), aHBMax);
            q.SetFieldAsFloat(QStringLiteral("TA_SPEED_INDEX"), RoundTo2Decimals(aSpeedIndex));
            q.SetFieldAsFloat(QStringLiteral("TA_SPEED_AVG"), RoundTo2Decimals(aSpeedAvg));
            q.SetFieldAsFloat(QStringLiteral("TA_SPEED_MAX"), RoundTo2Decimals(aSpeedMax));
            q.SetFieldAsFloat(QStringLiteral("TA_ACCEL_INDEX"), RoundTo2Decimals(aAccelIndex));
            q.SetFieldAsFloat(QStringLiteral("TA_ACCEL_MAX"), RoundTo2Decimals(aAccelMax));
            q.SetFieldAsFloat(QStringLiteral("TA_DECEL_INDEX"), RoundTo2Decimals(aDecelIndex));
            q.SetFieldAsFloat(QStringLiteral("TA_DECEL_MAX"), RoundTo2Decimals(aDecelMax));
            q.SetFieldAsFloat(QStringLiteral("TA_BL_INDEX"), RoundTo2Decimals(aBodyLoadIndex));
            q.SetFieldAsFloat(QStringLiteral("TA_ETL_INDEX"), RoundHalfEven(aETLIndex));
            q.SetFieldAsIntegerReq(QStringLiteral("PLR_ROLE"), aPlrRole);
            q.SetFieldAsFloat(QStringLiteral("TA_SPEED_FIFA"), RoundTo2Decimals(aFifaSpeed));
            q.SetFieldAsBoolean(QStringLiteral("TA_TP_ERROR"), aBadData);
            q.SetFieldAsBoolean(QStringLiteral("TA_HR_ERROR"), aBadHB);
            q.SetFieldAsFloatReq(QStringLiteral("TA_COVERT_AREA"), aCovertArea);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_AREA_LEFT_UP_X"), aMinXPos);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_AREA_LEFT_UP_Y"), aMaxYPos);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_AREA_RIGHT_LOWER_X"), aMaxXPos);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_AREA_RIGHT_LOWER_Y"), aMinYPos);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_SPRINT_COUNT"), aSprintCount);
            q.SetFieldAsFloatReq(QStringLiteral("TA_SPRINT_MAX_SPEED"), aSprintMaxSpeed);
            q.SetFieldAsFloatReq(QStringLiteral("TA_SPRINT_AVG_MAX_SPEED"), aSprintAvgMaxSpeed);
            q.SetFieldAsFloatReq(QStringLiteral("TA_SPRINT_AVG_MAX_ACC"), aSprintAvgMaxAcc);
            q.SetFieldAsFloatReq(QStringLiteral("TA_SPRINT_INDEX_SUM"), aSprintIndexSum);
            q.SetFieldAsFloatReq(QStringLiteral("TA_SPRINT_INDEX_AVG"), aSprintIndexAvg);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_SPRINT_HID_MM"), aHIDistanceInMM);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_SPRINT_HID_POSS_MM"), aHIDPossInMM);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_ACCEL_COUNT"), aAccelCount);
            q.SetFieldAsFloatReq(QStringLiteral("TA_ACCEL_MAX_ACC"), aAccelMaxAcc);
            q.SetFieldAsFloatReq(QStringLiteral("TA_ACCEL_AVG_MAX_ACC"), aAccelAvgMaxAcc);
            // The passed action index; the accelerations' index has TA_ACCEL_INDEX.
            q.SetFieldAsFloatReq(QStringLiteral("TA_ACTION_INDEX"), aActionIndex);
            q.SetFieldAsIntegerReq(QStringLiteral("TA_DECEL_COUNT"), aDecelCount);
            q.SetFieldAsFloatReq(QStringLiteral("TA_DECEL_MAX_ACC"), aDecelMaxAcc);
            q.SetFieldAsFloatReq(QStringLiteral("TA_DECEL_AVG_MAX_ACC"), aDecelAvgMaxAcc);
            q.SetFieldAsFloat(QStringLiteral("TA_POWER_W_KG"), aPowerWkG);
            q.SetFieldAsFloat(QStringLiteral("TA_ENERGY_J"), aEnergyJ);
            q.SetFieldAsFloat(QStringLiteral("TA_P_MECH_ACCEL"), aPMechAccel);
            q.SetFieldAsFloat(QStringLiteral("TA_P_MECH_DECEL"), aPMechDecel);
            q.SetFieldAsFloat(QStringLiteral("TA_HML_DIST_IN_MM"),
                              RoundHalfEven(aHMLDistanceM * 1000));
            q.SetFieldAsFloat(QStringLiteral("TA_AVI_LEFT"), aAVILeft);
            q.SetFieldAsFloat(QStringLiteral("TA_AVI_RIGHT"), aAVIRight);
            q.SetFieldAsFloat(QStringLiteral("TA_AVI_TOTAL"), aAVILeft + aAVIRight);
        });
        return q.GetFieldAsInteger(kTA_ID);
    } catch (const std::exception& error) {
        // The caller skips the details of a row that is not there; the cause must not vanish.
        qel::CrashReporter::Report(error, QStringLiteral("TqeldbDatasetAnalyzing.Add"));
    } catch (...) {
        qel::CrashReporter::ReportUnknown(QStringLiteral("TqeldbDatasetAnalyzing.Add"));
    }
    return 0;
}

void TqeldbDatasetAnalyzing::AddBin(int32_t aTaID, TqelBinKind aBinKind, int32_t aZone,
                                    int32_t aDistance, int32_t aTimeInMS, int32_t aEnterCount,
                                    double aIndexValue, double aIndexPerc) {
    TqelQuery& q = *FSQLBins;
    AppendRow(q, [&] {
        q.SetFieldAsIntegerReq(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("BK_ID"), aBinKind);
        q.SetFieldAsIntegerReq(QStringLiteral("BZ_ID"), aZone);
        q.SetFieldAsIntegerReq(QStringLiteral("TAB_DISTANCE_MM"), aDistance);
        q.SetFieldAsIntegerReq(QStringLiteral("TAB_TIME_MS"), aTimeInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TAB_COUNT"), aEnterCount);
        q.SetFieldAsFloatReq(QStringLiteral("TAB_INDEX_VALUE"), qel::RoundTo2Decimals(aIndexValue));
        q.SetFieldAsFloatReq(QStringLiteral("TAB_INDEX_PERC"), qel::RoundHalfEven(aIndexPerc));
    });
}

void TqeldbDatasetAnalyzing::AddFatigue(int32_t aTaID, int32_t aTimeZone, int32_t aDurationInMS,
                                        int32_t aDistanceInMM, double aSpeedIndex) {
    TqelQuery& q = *FSQLFatigue;
    AppendRow(q, [&] {
        q.SetFieldAsInteger(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("TAF_TIME_ZONE"), aTimeZone);
        q.SetFieldAsIntegerReq(QStringLiteral("TAF_DISTANCE_MM"), aDistanceInMM);
        q.SetFieldAsIntegerReq(QStringLiteral("TAF_DURATION_MS"), aDurationInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TAF_SPEED_INDEX"), qel::RoundTo2Decimals(aSpeedIndex));
    });
}

void TqeldbDatasetAnalyzing::AddGameSpeed(int32_t aTaID, TqelGameSpeedTypes aGameSpeedType,
                                          const TqelGameSpeedValues* aGameSpeedResult) {
    if (!aGameSpeedResult) {
        return;
    }
    static const char* const windows[] = {"TGS_5_SEC",  "TGS_10_SEC", "TGS_15_SEC", "TGS_30_SEC",
                                          "TGS_60_SEC", "TGS_90_SEC", "TGS_2_MIN",  "TGS_3_MIN",
                                          "TGS_5_MIN",  "TGS_10_MIN"};
    TqelQuery& q = *FSQLGameSpeed;
    AppendRow(q, [&] {
        q.SetFieldAsInteger(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("TGS_TYPE"), aGameSpeedType);
        q.SetFieldAsFloatReq(QStringLiteral("TGS_PEAKOUTPUT_PERC"), aGameSpeedResult->PeakOutput());
        q.SetFieldAsFloatReq(QStringLiteral("TGS_STAMINA_PERC"), aGameSpeedResult->Stamina());
        for (int32_t i = 0; i < 10; ++i) {
            q.SetFieldAsFloatReq(QString::fromLatin1(windows[i]), aGameSpeedResult->GetValues(i));
        }
    });
}

void TqeldbDatasetAnalyzing::AddHeatmap(int32_t aTaID, QIODevice* aHeatmap,
                                        const QString& aMetaData) {
    TqelQuery& q = *FSQLHeatmap;
    q.SetParamAsInteger(kTA_ID, aTaID);
    qel::CloseAfter(q, [&] {
        q.Open();
        EditOrAppendRow(q, [&](bool aIsNew) {
            if (aIsNew) {
                q.SetFieldAsInteger(kTA_ID, aTaID);
            }
            q.SetFieldAsString(QStringLiteral("TAH_META_DATA"), aMetaData);
            const std::unique_ptr<QIODevice> image =
                q.CreateBlobStream(QStringLiteral("TAH_IMAGE"), qel::BlobStreamMode::Write);
            if (aHeatmap) {
                aHeatmap->seek(0);
                image->write(aHeatmap->readAll());
            }
            // Closing the stream stores its bytes in the record before the post.
            image->close();
        });
    });
}

void TqeldbDatasetAnalyzing::InitDetail(TqelQuery& aQuery, const QString& aTable, int32_t aTaID) {
    aQuery.Close();
    aQuery.setText(QStringLiteral("delete from %1 where TA_ID = :TA_ID").arg(aTable));
    aQuery.SetParamAsInteger(kTA_ID, aTaID);
    aQuery.ExecSQL();
    aQuery.setText(QStringLiteral("select * from %1 where 0=1").arg(aTable));
    aQuery.Open();
}

void TqeldbDatasetAnalyzing::InitSprints(int32_t aTaID) {
    InitDetail(*FSQLDetail, QStringLiteral("TP_ANAL_SPRINTS"), aTaID);
}

void TqeldbDatasetAnalyzing::InitAccel(int32_t aTaID) {
    InitDetail(*FSQLDetail, QStringLiteral("TP_ANAL_ACCEL"), aTaID);
}

void TqeldbDatasetAnalyzing::InitDecel(int32_t aTaID) {
    InitDetail(*FSQLDetail, QStringLiteral("TP_ANAL_DECEL"), aTaID);
}

void TqeldbDatasetAnalyzing::InitImpacts(int32_t aTaID) {
    InitDetail(*FSQLDetail, QStringLiteral("TP_ANAL_IMPACT"), aTaID);
}

void TqeldbDatasetAnalyzing::InitIHA(int32_t aTaID) {
    InitDetail(*FSQLIHA, QStringLiteral("TP_ANAL_IHA"), aTaID);
}

void TqeldbDatasetAnalyzing::InitIHS(int32_t aTaID) {
    InitDetail(*FSQLIHS, QStringLiteral("TP_ANAL_IHS"), aTaID);
}

void TqeldbDatasetAnalyzing::AddSprint(
    int32_t aTaID, int32_t aSprintNr, int32_t aBeginInMS, int32_t aEndInMS, int32_t aDurationInMS,
    double aDistanceInM, double aHIDinM, double aMaxSpeedInMS, double aMaxAccelInMS,
    double aSprintIndex, int32_t aSprintCategory, double aCumDistStartInM, int32_t aInitPossession,
    int32_t aTimePossessionInMS, int32_t aTimeOpponentInMS, double aStartPosXinM,
    double aStartPosYinM, int32_t aStartZone, double aEndPosXinM, double aEndPosYinM,
    int32_t aEndZone, int32_t aDirectionDeg, const QString& aDirectionTxt, bool aInitClockRunning,
    int32_t aTimeOnField, int32_t aTimeEffective) {
    TqelQuery& q = *FSQLDetail;
    AppendRow(q, [&] {
        q.SetFieldAsIntegerReq(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_NR"), aSprintNr);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_BEGIN_IN_MS"), aBeginInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_END_IN_MS"), aEndInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_DURATION_IN_MS"), aDurationInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TAS_DISTANCE_IN_M"), aDistanceInM);
        q.SetFieldAsFloatReq(QStringLiteral("TAS_HID_IN_M"), aHIDinM);
        q.SetFieldAsFloatReq(QStringLiteral("TAS_MAX_SPEED_IN_MS"), aMaxSpeedInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TAS_MAX_ACCEL_IN_MSS"), aMaxAccelInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TAS_SPRINT_INDEX"), aSprintIndex);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_CATEGORY"), aSprintCategory);
        q.SetFieldAsFloatReq(QStringLiteral("TAS_CUM_DIST_START_IN_M"), aCumDistStartInM);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_INIT_POSSESSION"), aInitPossession);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_TIME_POSS_MS"), aTimePossessionInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_TIME_OPP_MS"), aTimeOpponentInMS);
        q.SetFieldAsBoolean(QStringLiteral("TAS_INIT_CLOCK_RUNNING"), aInitClockRunning);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_TIME_ON_FIELD_MS"), aTimeOnField);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_TIME_EFFECT_MS"), aTimeEffective);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_START_POS_X_IN_M"), WholeMetres(aStartPosXinM));
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_START_POS_Y_IN_M"), WholeMetres(aStartPosYinM));
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_START_ZONE"), aStartZone);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_END_POS_X_IN_M"), WholeMetres(aEndPosXinM));
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_END_POS_Y_IN_M"), WholeMetres(aEndPosYinM));
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_END_ZONE"), aEndZone);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_DIRECTION_DEG"), aDirectionDeg);
        q.SetFieldAsString(QStringLiteral("TAS_DIRECTION_TXT"), aDirectionTxt);
    });
}

void TqeldbDatasetAnalyzing::AddEffort(bool aDeceleration, int32_t aTaID, int32_t aNr,
                                       int32_t aBeginInMS, int32_t aEndInMS, int32_t aDurationInMS,
                                       double aDistanceInM, double aMaxSpeedInMS,
                                       double aMinSpeedInMS, double aMaxAccelInMS, double aIndex,
                                       int32_t aCategory, double aCumDistStartInM,
                                       bool aInitClockRunning, int32_t aTimeOnField,
                                       int32_t aTimeEffective) {
    TqeldbAcceleration row(FDatabase);
    row.SetValues(aTaID, aNr, aBeginInMS, aEndInMS, aDurationInMS, aDistanceInM, aMaxSpeedInMS,
                  aMinSpeedInMS, aMaxAccelInMS, aIndex, aCategory, aCumDistStartInM,
                  aInitClockRunning, aTimeOnField, aTimeEffective);
    TqelQuery& q = *FSQLDetail;
    AppendRow(q, [&] { row.WriteColumns(q, aDeceleration); });
}

void TqeldbDatasetAnalyzing::AddAcceleration(int32_t aTaID, int32_t aAccelNr, int32_t aBeginInMS,
                                             int32_t aEndInMS, int32_t aDurationInMS,
                                             double aDistanceInM, double aMaxSpeedInMS,
                                             double aMinSpeedInMS, double aMaxAccelInMS,
                                             double aAccelIndex, int32_t aCategory,
                                             double aCumDistStartInM, bool aInitClockRunning,
                                             int32_t aTimeOnField, int32_t aTimeEffective) {
    AddEffort(false, aTaID, aAccelNr, aBeginInMS, aEndInMS, aDurationInMS, aDistanceInM,
              aMaxSpeedInMS, aMinSpeedInMS, aMaxAccelInMS, aAccelIndex, aCategory, aCumDistStartInM,
              aInitClockRunning, aTimeOnField, aTimeEffective);
}

void TqeldbDatasetAnalyzing::AddDeceleration(int32_t aTaID, int32_t aDecelNr, int32_t aBeginInMS,
                                             int32_t aEndInMS, int32_t aDurationInMS,
                                             double aDistanceInM, double aMaxSpeedInMS,
                                             double aMinSpeedInMS, double aMaxAccelInMS,
                                             double aDecelIndex, int32_t aCategory,
                                             double aCumDistStartInM, bool aInitClockRunning,
                                             int32_t aTimeOnField, int32_t aTimeEffective) {
    AddEffort(true, aTaID, aDecelNr, aBeginInMS, aEndInMS, aDurationInMS, aDistanceInM,
              aMaxSpeedInMS, aMinSpeedInMS, aMaxAccelInMS, aDecelIndex, aCategory, aCumDistStartInM,
              aInitClockRunning, aTimeOnField, aTimeEffective);
}

void TqeldbDatasetAnalyzing::AddImpacts(int32_t aTaID, int32_t aImpactNr, int32_t aBeginInMS,
                                        int32_t aEndInMS, double aMinImpact, double aMaxImpact,
                                        double aMinSpeed, double aMaxSpeed,
                                        int32_t aImpactCategory) {
    TqelQuery& q = *FSQLDetail;
    AppendRow(q, [&] {
        q.SetFieldAsIntegerReq(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("TIP_NR"), aImpactNr);
        q.SetFieldAsIntegerReq(QStringLiteral("TIP_BEGIN_IN_MS"), aBeginInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TIP_END_IN_MS"), aEndInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TIP_DURATION_IN_MS"), aEndInMS - aBeginInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TIP_IMPACT_MIN"), aMinImpact);
        q.SetFieldAsFloatReq(QStringLiteral("TIP_IMPACT_MAX"), aMaxImpact);
        q.SetFieldAsFloatReq(QStringLiteral("TIP_SPEED_MIN_MS"), aMinSpeed);
        q.SetFieldAsFloatReq(QStringLiteral("TIP_SPEED_MAX_MS"), aMaxSpeed);
        q.SetFieldAsIntegerReq(QStringLiteral("TIP_CATEGORY"), aImpactCategory);
    });
}

void TqeldbDatasetAnalyzing::AddIHA(int32_t aTaID, int32_t aIhaNr, int32_t aBeginInMS,
                                    int32_t aEndInMS, int32_t aDurationInMS, double aMaxSpeedInMS,
                                    double aMaxAccelinMS2, double aMaxDecelInMS2,
                                    double aDistanceInM, int32_t aActionCategory,
                                    bool aInitClockRunning, int32_t aTimeOnField,
                                    int32_t aTimeEffective) {
    TqelQuery& q = *FSQLIHA;
    AppendRow(q, [&] {
        q.SetFieldAsIntegerReq(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_NR"), aIhaNr);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_BEGIN_IN_MS"), aBeginInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_END_IN_MS"), aEndInMS);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_DURATION_IN_MS"), aDurationInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TAI_DISTANCE_IN_M"), aDistanceInM);
        q.SetFieldAsFloatReq(QStringLiteral("TAI_MAX_SPEED_IN_MS"), aMaxSpeedInMS);
        q.SetFieldAsFloatReq(QStringLiteral("TAI_MAX_ACCEL_IN_MSS"), aMaxAccelinMS2);
        q.SetFieldAsFloatReq(QStringLiteral("TAI_MAX_DECEL_IN_MSS"), aMaxDecelInMS2);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_CATEGORY"), aActionCategory);
        q.SetFieldAsBoolean(QStringLiteral("TAI_INIT_CLOCK_RUNNING"), aInitClockRunning);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_TIME_ON_FIELD_MS"), aTimeOnField);
        q.SetFieldAsIntegerReq(QStringLiteral("TAI_TIME_EFFECT_MS"), aTimeEffective);
    });
}

void TqeldbDatasetAnalyzing::AddIHS(int32_t aTaID, int32_t aIhsNr, int32_t aShiftNr,
                                    int32_t aDirection, int32_t aMoment, int32_t aEffDuration,
                                    int32_t aAbsDuration, int32_t aGameTime) {
    TqelQuery& q = *FSQLIHS;
    AppendRow(q, [&] {
        q.SetFieldAsIntegerReq(kTA_ID, aTaID);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_NR"), aIhsNr);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_SHIFT_NR"), aShiftNr);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_DIRECTION"), aDirection);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_MOMENT_IN_MS"), aMoment);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_EFFECTIVE_DURATION_IN_MS"), aEffDuration);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_ABSOLUTE_DURATION_IN_MS"), aAbsDuration);
        q.SetFieldAsIntegerReq(QStringLiteral("TAS_GAMETIME_IN_MS"), aGameTime);
    });
}

void TqeldbDatasetAnalyzing::UpdateAnalysedDate(int32_t aDtsID, int32_t aAnlID) {
    TqelQuery q(FDatabase->Connection());
    q.setText(QStringLiteral("select * from ANALYZES where DTS_ID = :DTS_ID and ANL_ID = :ANL_ID"));
    q.SetParamAsInteger(kDTS_ID, aDtsID);
    q.SetParamAsInteger(QStringLiteral("ANL_ID"), aAnlID);
    q.Open();
    EditOrAppendRow(q, [&](bool aIsNew) {
        if (aIsNew) {
            q.SetFieldAsIntegerReq(kDTS_ID, aDtsID);
            q.SetFieldAsIntegerReq(QStringLiteral("ANL_ID"), aAnlID);
        }
        q.SetFieldAsDateTime(QStringLiteral("ANL_ANALYZE_DATE"), Now());
    });
}

void TqeldbDatasetAnalyzing::OpenForEditing() {
    TqelQuery& q = *FSQL;
    q.setText(QStringLiteral(
        "Select tp.*, exr.EXR_NAME, prt.PRT_NAME from TP_ANALYZED tp inner join EXERCISES exr "
        "on (tp.EXR_ID = exr.EXR_ID and tp.DTS_ID = exr.DTS_ID)  inner join PARTS prt on "
        "(prt.DTS_ID = tp.DTS_ID and prt.EXR_ID = tp.EXR_ID and prt.PRT_ID = tp.PRT_ID)  where "
        "tp.DTS_ID = :DTS_ID"));
    q.SetParamAsInteger(kDTS_ID, FDtsID);
    q.Open();
}

// ---- Class operations -----------------------------------------------------------------------

void TqeldbDatasetAnalyzing::RemoveExertionAnalyses(TqelDatabase* aDatabase, int32_t aDtsID,
                                                    int32_t aExrID, int32_t aAnlID) {
    TqeldbDatasetAnalyzing(aDatabase, aDtsID).DoRemoveExertionAnalyses(aExrID, aAnlID);
}

void TqeldbDatasetAnalyzing::RemoveAgilityAnalyses(TqelDatabase* aDatabase, int32_t aDtsID) {
    TqeldbDatasetAnalyzing(aDatabase, aDtsID).DoRemoveAgilityAnalyses();
}

void TqeldbDatasetAnalyzing::RemoveBallPosAnalyses(TqelDatabase* aDatabase, int32_t aDtsID,
                                                   int32_t aGrpID, int32_t aExrID, int32_t aPrtID) {
    TqeldbDatasetAnalyzing(aDatabase, aDtsID).DoRemoveBallPosAnalyses(aGrpID, aExrID, aPrtID);
}

void TqeldbDatasetAnalyzing::RemoveCompleteDataset(TqelDatabase* aDatabase, int32_t aDtsID) {
    TqeldbDatasetAnalyzing(aDatabase, aDtsID).DoRemoveCompleteDataset();
}

void TqeldbDatasetAnalyzing::RemoveRecordingDatasets(TqelDatabase* aDatabase) {
    TqeldbDatasetAnalyzing(aDatabase, 0).DoRemoveRecordingDatasets();
}

// ---- Removals -------------------------------------------------------------------------------

void TqeldbDatasetAnalyzing::Run(int32_t aGrpID, int32_t aExrID, int32_t aPrtID, int32_t aAnlID) {
    TqelQuery& query = *FSQL;
    for (const char* name : {"DTS_ID", "DTS_ID1", "DTS_ID2", "DTS_ID3"}) {
        query.SetParamAsInteger(QString::fromLatin1(name), FDtsID);
    }
    query.SetParamAsInteger(QStringLiteral("GRP_ID"), aGrpID);
    query.SetParamAsInteger(QStringLiteral("EXR_ID"), aExrID);
    query.SetParamAsInteger(QStringLiteral("PRT_ID"), aPrtID);
    query.SetParamAsInteger(QStringLiteral("ANL_ID"), aAnlID);
    query.ExecSQL();
}

void TqeldbDatasetAnalyzing::DoRemoveExertionAnalyses(int32_t aExrID, int32_t aAnlID) {
    TqelQuery& query = *FSQL;
    QString filter;
    if (aExrID >= 1) {
        filter += QStringLiteral(" and EXR_ID = :EXR_ID");
    }
    if (aAnlID >= 1) {
        filter += QStringLiteral(" and ANL_ID = :ANL_ID");
    }
    query.setText(
        QStringLiteral("select count(*) as NUMBER_ANAL from TP_ANALYZED where DTS_ID = :DTS_ID") +
        filter);
    query.SetParamAsInteger(kDTS_ID, FDtsID);
    query.SetParamAsInteger(QStringLiteral("EXR_ID"), aExrID);
    query.SetParamAsInteger(QStringLiteral("ANL_ID"), aAnlID);
    int32_t count = 0;
    qel::CloseAfter(query, [&] {
        query.Open();
        count = query.GetFieldAsInteger(QStringLiteral("NUMBER_ANAL"));
    });
    if (count == 0) {
        return;
    }
    qel::RunInTransaction(*FDatabase, [&] {
        for (const char* table : kAnalysisDetailTables) {
            query.setText(QStringLiteral("delete from %1 where TA_ID in (select TA_ID from "
                                         "TP_ANALYZED where DTS_ID = :DTS_ID")
                              .arg(QString::fromLatin1(table)) +
                          filter + u')');
            Run(0, aExrID, 0, aAnlID);
        }
        query.setText(QStringLiteral("delete from TP_ANALYZED where DTS_ID = :DTS_ID") + filter);
        Run(0, aExrID, 0, aAnlID);
        query.setText(QStringLiteral("delete from GRP_ANALYZED where DTS_ID = :DTS_ID") + filter);
        Run(0, aExrID, 0, aAnlID);
        // An analysis is forgotten only when neither result table holds it any more.
        query.setText(
            QStringLiteral("delete from ANALYZES where DTS_ID = :DTS_ID1 and not( ANL_ID in "
                           "(select distinct ANL_ID from TP_ANALYZED where DTS_ID = :DTS_ID2) "
                           ")and not( ANL_ID in (select distinct ANL_ID from GRP_ANALYZED where "
                           "DTS_ID = :DTS_ID3))") +
            (aAnlID >= 1 ? QStringLiteral(" and ANL_ID = :ANL_ID") : QString()));
        Run(0, aExrID, 0, aAnlID);
    });
}

void TqeldbDatasetAnalyzing::DoRemoveAgilityAnalyses() {
    TqelQuery& query = *FSQL;
    qel::RunInTransaction(*FDatabase, [&] {
        query.setText(
            QStringLiteral("delete from TP_AGIL_SPLIT where TG_ID in (select TG_ID from "
                           "TP_AGILITY where DTS_ID = :DTS_ID)"));
        Run(0, 0, 0, 0);
        query.setText(QStringLiteral("delete from TP_AGILITY where DTS_ID = :DTS_ID"));
        Run(0, 0, 0, 0);
    });
}

void TqeldbDatasetAnalyzing::DoRemoveBallPosAnalyses(int32_t aGrpID, int32_t aExrID,
                                                     int32_t aPrtID) {
    TqelQuery& query = *FSQL;
    QStringList exercisePart;
    if (aExrID != 0) {
        exercisePart << QStringLiteral("and EXR_ID = :EXR_ID");
        if (aPrtID != 0) {
            exercisePart << QStringLiteral("and PRT_ID = :PRT_ID");
        }
    }
    const QString group = QStringLiteral("and GRP_ID = :GRP_ID");
    const auto run = [&](const QStringList& aLines) {
        query.Clear();
        for (const QString& line : aLines) {
            query.AddLine(line);
        }
        Run(aGrpID, aExrID, aPrtID, 0);
    };

    QStringList options{
        QStringLiteral("delete from BALL_POSS_OPTIONS where BPS_ID in (select "
                       "BPS_ID from BALL_POSS_TEAM where DTS_ID = :DTS_ID")};
    options << exercisePart;
    if (aGrpID != 0) {
        options << group;
    }
    options << QStringLiteral(")");
    run(options);

    // These tables carry the group themselves: it filters them after the parenthesis.
    for (const char* table : kBallPossGroupTables) {
        QStringList lines{QStringLiteral("delete from %1 where BPS_ID in (select BPS_ID from "
                                         "BALL_POSS_TEAM where DTS_ID = :DTS_ID ")
                              .arg(QString::fromLatin1(table))};
        lines << exercisePart << QStringLiteral(")");
        if (aGrpID != 0) {
            lines << group;
        }
        run(lines);
    }

    QStringList team{QStringLiteral("delete from BALL_POSS_TEAM where DTS_ID = :DTS_ID")};
    team << exercisePart;
    if (aGrpID != 0) {
        team << group;
    }
    run(team);
}

void TqeldbDatasetAnalyzing::DoRemoveCompleteDataset() {
    TqelQuery& query = *FSQL;
    const TimeoutScope longRun(query, std::numeric_limits<int32_t>::max());
    DoRemoveExertionAnalyses(0, 0);
    DoRemoveAgilityAnalyses();
    DoRemoveBallPosAnalyses(0, 0, 0);
    qel::RunInTransaction(*FDatabase, [&] {
        query.setText(
            QStringLiteral("delete from EVENT_QUALIFIERS where EVT_ID in (select EVT_ID from "
                           "EVENTDATA where DTS_ID = :DTS_ID )"));
        Run(0, 0, 0, 0);
        for (const char* table : kDatasetTables) {
            query.setText(QStringLiteral("delete from %1 where DTS_ID = :DTS_ID")
                              .arg(QString::fromLatin1(table)));
            Run(0, 0, 0, 0);
        }
    });
}

void TqeldbDatasetAnalyzing::DoRemoveRecordingDatasets() {
    TqelQuery& query = *FSQL;
    std::vector<int32_t> keys;
    query.setText(
        QStringLiteral("select DTS_ID from DATASETS where DTS_LIVEDATA=1 and DTS_RECORDING=0"));
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            keys.push_back(query.GetFieldAsInteger(kDTS_ID));
        }
    });
    for (const int32_t key : keys) {
        FDtsID = key;
        DoRemoveCompleteDataset();
    }
}
