#pragma once

#include <QString>
#include <cstdint>

#include "database/generic_list.h"
#include "database/tracked_row.h"
#include "foundation/settings/category_records.h"
#include "foundation/settings/zones.h"

// The stored columns of an analysis definition after its key, in table order: how each is
// stored, its type, its property and its column. Text and Integer are stored as NULL when
// empty or 0, Float likewise; FloatReq keeps 0. ZoneKind is a signed 8-bit kind in an integer
// column.
#define QEL_ANALYZE_DEF_COLUMNS(X)                                                           \
    X(Text, QString, Description, ANL_DESCRIPTION)                                           \
    X(Integer, int32_t, AnlType, ANL_TYPE)                                                   \
    X(Boolean, bool, Active, ANL_ACTIVE)                                                     \
    X(Boolean, bool, WholeDatasetBetweenMarkers, ANL_WHOLE_DATASET_MARKERS)                  \
    X(Boolean, bool, HeartrateOnly1minute, ANL_HR_ONLY_1_MIN)                                \
    X(Boolean, bool, CalcWholeGameExercisePart, ANL_CALC_WHOLE_EXERCISE)                     \
    X(Boolean, bool, AddBinsToSummary, ANL_ADD_BINS_SUM)                                     \
    X(Boolean, bool, SplitAccelAndDecel, ANL_SPLIT_ACC_DEC)                                  \
    X(Boolean, bool, AddSprintAccelCatToSum, ANL_ADD_CAT_SUM)                                \
    X(Boolean, bool, SpeedInKMH, ANL_SPEED_IN_KM_H)                                          \
    X(Boolean, bool, StartTimeFormBeginPart, ANL_STARTTIME_FROM_BEGIN_PART)                  \
    X(ZoneKind, int8_t, SpeedZone, ANL_SPEED_ZONE)                                           \
    X(ZoneKind, int8_t, HeartrateZone, ANL_HEARTRATE_ZONE)                                   \
    X(ZoneKind, int8_t, AccelZone, ANL_ACCEL_ZONE)                                           \
    X(Float, double, SprintMinSprintSpeed, ANL_SPRINT_MIN_SPRINT_SPEED)                      \
    X(Integer, int32_t, SprintMinSprintTimeMS, ANL_SPRINT_MIN_SPRINT_TIME_MS)                \
    X(Float, double, SprintMaxStandSpeed, ANL_SPRINT_MAX_STAND_SPEED)                        \
    X(Integer, int32_t, SprintMinStandTimeMS, ANL_SPRINT_MIN_STAND_TIME_MS)                  \
    X(Float, double, SprintMinHIDSpeed, ANL_SPRINT_MIN_HID_SPEED)                            \
    X(Float, double, SprintMaxValidAccel, ANL_SPRINT_MAX_VALID_ACC)                          \
    X(Float, double, SprintMaxValidSpeed, ANL_SPRINT_MAX_VALID_SPEED)                        \
    X(Boolean, bool, SprintShowInvalid, ANL_SPRINT_SHOW_INVALID)                             \
    X(Float, double, AccelMinSpeed, ANL_ACCEL_MIN_SPEED)                                     \
    X(Float, double, AccelminAccel, ANL_ACCEL_MIN_ACCEL)                                     \
    X(Integer, int32_t, AccelMinTimeMS, ANL_ACCEL_MIN_TIME_MS)                               \
    X(Float, double, AccelMaxValidAcc, ANL_ACCEL_MAX_VALID_ACC)                              \
    X(Integer, int32_t, HeartbeatHIPerc, ANL_HI_HB_PERC)                                     \
    X(Integer, int32_t, SprintHighIntensityCat, ANL_HI_SPRINT_CAT)                           \
    X(Boolean, bool, HeatmapDoCalc, ANL_HEATMAP_DO_CALC)                                     \
    X(Integer, int32_t, HeatmapResolution, ANL_HEATMAP_RESOLUTION)                           \
    X(Boolean, bool, HeatmapShowLabels, ANL_HEATMAP_SHOW_LABELS)                             \
    X(FloatReq, double, EnergyOfConstantRunFactor, ANL_ECCRF)                                \
    X(Float, double, IcehockeyActionMinSpeed, ANL_ICEHOCKEY_ACTION_MIN_SPEED)                \
    X(Float, double, IcehockeyActionMinAccel, ANL_ICEHOCKEY_ACTION_MIN_ACCEL)                \
    X(Integer, int32_t, IcehockeyActionMinAccelTime, ANL_ICEHOCKEY_ACTION_MIN_ACCEL_TIME)    \
    X(Float, double, IcehockeyActionMinDecel, ANL_ICEHOCKEY_ACTION_MIN_DECEL)                \
    X(Integer, int32_t, IcehockeyActionMinTime, ANL_ICEHOCKEY_ACTION_MIN_TIME)               \
    X(Integer, int32_t, IcehockeyActionMaxTime, ANL_ICEHOCKEY_ACTION_MAX_TIME)               \
    X(Float, double, IcehockeyActionMinDeltaSpeed, ANL_ICEHOCKEY_ACTION_DELTA_SPEED)         \
    X(Integer, int32_t, IcehockeyShiftsTransitionTime, ANL_ICEHOCKEY_SHIFTS_TRANSITION_TIME) \
    X(Integer, int32_t, IcehockeyShiftsTransitionDistanceIn,                                 \
      ANL_ICEHOCKEY_SHIFTS_TRANSITION_DISTANCE_IN)                                           \
    X(Integer, int32_t, IcehockeyShiftsTransitionDistanceOut,                                \
      ANL_ICEHOCKEY_SHIFTS_TRANSITION_DISTANCE_OUT)                                          \
    X(Float, double, HMLDistMinSpeed, ANL_HMLD_MIN_SPEED)                                    \
    X(Float, double, HMLDistMinAccel, ANL_HMLD_MIN_ACCEL)                                    \
    X(Float, double, GallopMinImpact, ANL_GALLOP_MIN_IMPACT)                                 \
    X(Integer, int32_t, GallopMinDurationMS, ANL_GALLOP_MIN_DURATION_MS)                     \
    X(Integer, int32_t, GallopMinThresholdMS, ANL_GALLOP_MIN_THRESHOLD_MS)                   \
    X(Integer, int32_t, GallopMinDistObstacleMM, ANL_GALLOP_MIN_DIST_OBST_MM)                \
    X(Boolean, bool, MIPDoCalc, ANL_MIP_DO_CALC)                                             \
    X(Boolean, bool, TeamAvgArea, ANL_TEAM_AVG_AREA)                                         \
    X(Boolean, bool, TeamAvgLength, ANL_TEAM_AVG_LENGTH)                                     \
    X(Boolean, bool, TeamAvgWidth, ANL_TEAM_AVG_WIDTH)                                       \
    X(Boolean, bool, TeamCalcVertCompactness, ANL_TEAM_VERT_COMP_CALC)                       \
    X(Integer, int32_t, TeamVertCompMaxLengthMM, ANL_TEAM_VERT_COMP_MAX_LEN_MM)              \
    X(Integer, int32_t, TeamVertCompMinTimeMS, ANL_TEAM_VERT_COMP_MIN_TIME_MS)               \
    X(Boolean, bool, TeamCalcHorzCompactness, ANL_TEAM_HORZ_COMP_CALC)                       \
    X(Integer, int32_t, TeamHorzCompMaxLengthMM, ANL_TEAM_HORZ_COMP_MAX_WID_MM)              \
    X(Integer, int32_t, TeamHorzCompMinTimeMS, ANL_TEAM_HORZ_COMP_MIN_TIME_MS)

// One analysis definition (ANALYZE_DEF): the switches and thresholds with which the analyses
// work. Its zone tables and effort categories are not stored: a definition copies those of the
// client settings when it is made, so later changes of the settings do not reach it.
//
// Loaded on the thread of its database; once loaded, only read (from any thread).
class TqeldbAnalyzeDef : public qel::TrackedRow {
public:
    explicit TqeldbAnalyzeDef(TqelDatabase* AOwner);

    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { Store(FID, aValue); }

#define QEL_ANALYZE_DEF_PROPERTY(aKind, aType, aName, aColumn) \
    aType aName() const {                                      \
        return F##aName;                                       \
    }                                                          \
    void set##aName(const aType& aValue) {                     \
        Store(F##aName, aValue);                               \
    }
    QEL_ANALYZE_DEF_COLUMNS(QEL_ANALYZE_DEF_PROPERTY)
#undef QEL_ANALYZE_DEF_PROPERTY

    // No column sets it: the analyses always take the absolute power zones.
    int8_t PowerZone() const {
        return 0;
    }

    TqelZones& SpeedZonesAbsolute() {
        return FSpeedZonesAbsolute;
    }
    TqelZones& SpeedZonesRelative() {
        return FSpeedZonesRelative;
    }
    TqelZones& AccelZonesAbsolute() {
        return FAccelZonesAbsolute;
    }
    TqelZones& AccelZonesRelative() {
        return FAccelZonesRelative;
    }
    TqelZones& DecelZonesAbsolute() {
        return FDecelZonesAbsolute;
    }
    TqelZones& DecelZonesRelative() {
        return FDecelZonesRelative;
    }
    TqelZones& PowerZonesAbsolute() {
        return FPowerZonesAbsolute;
    }
    TqelZones& PowerZonesRelative() {
        return FPowerZonesRelative;
    }
    TqelZones& HeartbeatZonesAbsolute() {
        return FHeartbeatZonesAbsolute;
    }
    TqelZones& HeartbeatZonesRelative() {
        return FHeartbeatZonesRelative;
    }

    // The tables the zone kinds choose: kind 1 the relative ones, any other the absolute ones.
    const TqelZones& SpeedZones() const;
    const TqelZones& AccelerationZones() const;
    const TqelZones& DecelerationZones() const;
    const TqelZones& PowerZones() const;

    const qel::SprintCategoryList& SprintCategories() const {
        return FSprintCategories;
    }
    const qel::AccelCategoryList& AccelerationCategories() const {
        return FAccelCategories;
    }
    const qel::AccelCategoryList& DecelerationCategories() const {
        return FDecelCategories;
    }
    const qel::ImpactCategoryList& ImpactCategories() const {
        return FImpactCategories;
    }

    void PrepareSave(TqelQuery& aSQL) override;
    void Delete(TqelQuery& aSQL) override;
    // Draws ANL_ID from sequence "ANALYZE_DEF"; a definition without a key takes it.
    void AfterInsert(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FID = 0;
#define QEL_ANALYZE_DEF_FIELD(aKind, aType, aName, aColumn) aType F##aName{};
    QEL_ANALYZE_DEF_COLUMNS(QEL_ANALYZE_DEF_FIELD)
#undef QEL_ANALYZE_DEF_FIELD

    TqelZones FSpeedZonesAbsolute;
    TqelZones FSpeedZonesRelative;
    TqelZones FAccelZonesAbsolute;
    TqelZones FAccelZonesRelative;
    TqelZones FDecelZonesAbsolute;
    TqelZones FDecelZonesRelative;
    TqelZones FPowerZonesAbsolute;
    TqelZones FPowerZonesRelative;
    TqelZones FHeartbeatZonesAbsolute;
    TqelZones FHeartbeatZonesRelative;
    qel::SprintCategoryList FSprintCategories;
    qel::AccelCategoryList FAccelCategories;
    qel::AccelCategoryList FDecelCategories;
    qel::ImpactCategoryList FImpactCategories;
};

// The analysis definitions of the database.
class TqeldbAnalyzeDefinitions : public TqelGenericDatabaseVaruza<TqeldbAnalyzeDef> {
public:
    explicit TqeldbAnalyzeDefinitions(TqelDatabase* aDatabase);

    // Replaces the list with the stored definitions (only the active ones when asked), in the
    // order the database returns them; each starts from the client settings' zones and
    // categories.
    void Open(bool aActiveOnly);
    // The first listed definition with that key, else none.
    TqeldbAnalyzeDef* AnalyzeDefByID(int32_t aID) const;
};
