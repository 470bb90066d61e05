#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "analysis/framework/calculation_classes.h"
#include "analysis/framework/calculation_task.h"
#include "analysis/framework/calculation_varuza.h"
#include "foundation/position_records.h"
#include "foundation/settings/category_records.h"
#include "foundation/shared_enums.h"

class IqelTransponderData;
class TqelZones;
class TqeldbAgilityDefinitions;
class TqeldbAgilityDef;
class TqeldbAnalyzeDef;
class TqelAgilityInfo;
class TqelSpeedInfo;
class TqelAccelInfo;
class TqelHeartInfo;
class TqelETLInfo;
class TqelSprints;
class TqelAccelActivity;
class TqelCovertArea;
class TqelEnergyConsumption;
class TqelHeatmapInfo;
class TqelIcehockeyActions;
class TqelDistanceInfo;
class TqelImpactInfo;
class TqelIcehockeyShifts;
class TqelMechanicalPower;
class TqelHMLDistance;
class TqelEquestrianInfo;
class TqelAngularVelocity;
class TqelMIPInfo;
class TqelMIPDistanceInfo;

namespace qel {
class BinaryReader;
class BinaryWriter;
class CalculationContext;
}  // namespace qel

// Answers True when the running calculation is to stop.
using TqelCalculationCanceled = std::function<bool()>;

// The thresholds taken from the analysis definition: type, property, definition property.
#define QEL_CALCULATION_THRESHOLDS(X)                                                      \
    X(double, SprintMinSprintSpeed, SprintMinSprintSpeed)                                  \
    X(double, SprintMinHIDSpeed, SprintMinHIDSpeed)                                        \
    X(int32_t, SprintMinSprintTimeMS, SprintMinSprintTimeMS)                               \
    X(double, SprintMaxStandingSpeed, SprintMaxStandSpeed)                                 \
    X(int32_t, SprintMinStandingTimeMS, SprintMinStandTimeMS)                              \
    X(double, AccelMinSpeed, AccelMinSpeed)                                                \
    X(double, AccelMinAccel, AccelminAccel)                                                \
    X(int32_t, AccelMinTimeMS, AccelMinTimeMS)                                             \
    X(double, AccelMaxValidAccel, AccelMaxValidAcc)                                        \
    X(bool, SprintShowInvalid, SprintShowInvalid)                                          \
    X(double, SprintMaxValidSpeed, SprintMaxValidSpeed)                                    \
    X(double, SprintMaxValidAccel, SprintMaxValidAccel)                                    \
    X(bool, SplitAccelAndDecel, SplitAccelAndDecel)                                        \
    X(double, HMLDistMinSpeed, HMLDistMinSpeed)                                            \
    X(double, HMLDistMinAccel, HMLDistMinAccel)                                            \
    X(double, IcehockeyActionMinSpeed, IcehockeyActionMinSpeed)                            \
    X(double, IcehockeyActionMinAccel, IcehockeyActionMinAccel)                            \
    X(int32_t, IcehockeyActionMinAccelTime, IcehockeyActionMinAccelTime)                   \
    X(double, IcehockeyActionMinDecel, IcehockeyActionMinDecel)                            \
    X(int32_t, IcehockeyActionMinTime, IcehockeyActionMinTime)                             \
    X(int32_t, IcehockeyActionMaxTime, IcehockeyActionMaxTime)                             \
    X(double, IcehockeyActionMinDeltaSpeed, IcehockeyActionMinDeltaSpeed)                  \
    X(int32_t, IcehockeyShiftsTransitionTime, IcehockeyShiftsTransitionTime)               \
    X(int32_t, IcehockeyShiftsTransitionDistanceIn, IcehockeyShiftsTransitionDistanceIn)   \
    X(int32_t, IcehockeyShiftsTransitionDistanceOut, IcehockeyShiftsTransitionDistanceOut) \
    X(double, GallopMinImpact, GallopMinImpact)                                            \
    X(int32_t, GallopMinDurationMS, GallopMinDurationMS)                                   \
    X(int32_t, GallopMinThresholdMS, GallopMinThresholdMS)                                 \
    X(int32_t, GallopMinDistObstacleMM, GallopMinDistObstacleMM)

// One athlete's analysis run: at every step of TimeFrame ms it gathers the athlete's position,
// speeds, acceleration, heart rate and impact with the game context and hands them to each of
// its analysis objects, in processing order.
//
// Threads: driven by one thread at a time (the rebuild, the live update or Execute's caller).
// That thread gathers a step's values outside any lock and then holds FResultLock while it
// stores them and the objects take the step; Init, Finalize and a stream read hold it too.
// Other threads (file writer, database export, span values) copy the step values and the
// objects' results under ResultLock(). While holding it they may read the transponder (its own
// locks come after this one) but never take the model's list locks (those come before it).
// The transponder id is set on the main thread and read anywhere, so it is atomic.
class TqelCalculation : public TqelCalculationTask {
public:
    // Without aContext the calculation reads the model through the transponder's dataset;
    // a given context is not owned and must outlive the calculation. aTransponder and
    // aAnalDef are not owned and may be null.
    TqelCalculation(IqelTransponderData* aTransponder, TqeldbAnalyzeDef* aAnalDef,
                    TqelCalculationCanceled aCheckIsCanceled, bool aReadingFromStream,
                    qel::CalculationContext* aContext = nullptr);
    ~TqelCalculation() override;

    void Init(TqeldbAnalyzeDef* aAnalDef, TqelCalculationCanceled aCheckIsCanceled,
              int32_t aStartTimeInMS, int32_t anEndTimeInMS, int32_t aDtsID, int32_t aGameID,
              const QString& aGameName, int32_t aPartID, const QString& aPartName, int32_t aTeamId,
              const QString& aTeamName, TqeldbAgilityDefinitions* aAgilityDefs);
    // Makes every missing object the type set asks for and that is registered.
    void CreateCalcVaruzas();
    // Takes ownership, appends and marks the results stale.
    void AddCalcVaruza(std::unique_ptr<TqelCalculationVaruza> aCalc);
    // The agility tests are not run yet: both do nothing.
    void AddAgility(TqeldbAgilityDef* aAgilityDef);
    void RemoveAgility(int32_t aAglID);

    // Runs [StartTimeInMS, EndTimeInMS) and finalises. False without a transponder, for a step
    // of 0 or less, when read from a stream and not Init'ed since, or when a step failed.
    bool Execute(int32_t aTimeFrame) override;
    // One step; True when every object took it without an exception.
    bool ProcessTimeFrame(int32_t aTimeInMS, bool aIsLive);
    // Nothing while the cancel query answers True.
    void Finalize();
    bool IsCanceled() const;
    int32_t DurationInMS() const override;
    // Exercise id then part id, each upper-case hexadecimal with at least four digits.
    QString PartCode() const;

    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream);

    // See the class comment.
    std::recursive_mutex& ResultLock() const { return FResultLock; }
    qel::CalculationContext& Context() const { return *FContext; }

    // Identity and range
    IqelTransponderData* Transponder() const { return FTransponder; }
    int32_t TransponderID() const { return FTransponderID.load(); }
    void setTransponderID(int32_t aValue) { FTransponderID = aValue; }
    int32_t CalculationID() const { return FCalculationID; }
    void setCalculationID(int32_t aValue) { FCalculationID = aValue; }
    int32_t StartTimeInMS() const { return FStartTimeInMS; }
    void setStartTimeInMS(int32_t aValue) { StoreMarking(FStartTimeInMS, aValue); }
    int32_t EndTimeInMS() const { return FEndTimeInMS; }
    void setEndTimeInMS(int32_t aValue) { StoreMarking(FEndTimeInMS, aValue); }
    QString GameName() const { return FGameName; }
    void setGameName(const QString& aValue) { FGameName = aValue; }
    QString PartName() const { return FPartName; }
    void setPartName(const QString& aValue) { FPartName = aValue; }
    QString TeamName() const { return FTeamName; }
    void setTeamName(const QString& aValue) { FTeamName = aValue; }
    bool BadData() const { return FBadData; }
    void setBadData(bool aValue) { StoreMarking(FBadData, aValue); }
    bool BadHB() const { return FBadHB; }
    void setBadHB(bool aValue) { StoreMarking(FBadHB, aValue); }
    TqelCalculationTypes CalculationTypes() const { return FCalculationTypes; }
    TqeldbAgilityDefinitions* AgilityDefs() const { return FAgilityDefs; }
    bool CanAccessDatabase() const { return FCanAccessDatabase; }
    void setCanAccessDatabase(bool aValue) { FCanAccessDatabase = aValue; }
    bool RecalculationNeeded() const { return FRecalculationNeeded.load(); }
    void setRecalculationNeeded(bool aValue) { FRecalculationNeeded = aValue; }
    int32_t TimeFrame() const { return FTimeFrame; }
    void setTimeFrame(int32_t aValue) { FTimeFrame = aValue; }
    int32_t FatigueTimeFrameInMS() const { return FFatigueTimeFrameInMS; }

    // Settings of the analysis definition. Zone kinds: 0 absolute, 1 relative.
    int8_t SpeedZone() const { return FSpeedZone; }
    int8_t HeartRateZone() const { return FHeartRateZone; }
    int8_t AccelZone() const { return FAccelZone; }
    int8_t PowerZone() const { return FPowerZone; }
    // The definition has no power-zone kind: a calculation read from a stream keeps its own.
    void setPowerZone(int8_t aValue) { StoreMarking(FPowerZone, aValue); }
    double ECCRF() const { return FECCRF; }
    bool HROnly1Min() const { return FHROnly1Min; }
    int32_t HIHBPerc() const { return FHIHBPerc; }
    int32_t HRTimeBeforeEndInMS() const { return FHRTimeBeforeEndInMS; }
    int32_t HRTimeAfterEndInMS() const { return FHRTimeAfterEndInMS; }
    bool SplitDecelBins() const { return FSplitDecelBins; }
    TqelHeatmapResolution HeatmapResolution() const { return FHeatmapResolution; }
    void setHeatmapResolution(TqelHeatmapResolution aValue) {
        StoreMarking(FHeatmapResolution, aValue);
    }

#define QEL_CALCULATION_THRESHOLD_PROPERTY(aType, aName, aDefName) \
    aType aName() const {                                          \
        return F##aName;                                           \
    }                                                              \
    void set##aName(aType aValue) {                                \
        StoreMarking(F##aName, aValue);                            \
    }
    QEL_CALCULATION_THRESHOLDS(QEL_CALCULATION_THRESHOLD_PROPERTY)
#undef QEL_CALCULATION_THRESHOLD_PROPERTY

    // Values of the current step (m, m/s, m/s², bpm).
    const RqelCalculatedPosition& Position() const {
        return FPosition;
    }
    double Speed() const {
        return FSpeed;
    }
    void setSpeed(double aValue) {
        FSpeed = aValue;
    }
    double Acceleration() const {
        return FAcceleration;
    }
    void setAcceleration(double aValue) {
        StoreMarking(FAcceleration, aValue);
    }
    double Heartbeat() const {
        return FHeartbeat;
    }
    void setHeartbeat(double aValue) {
        StoreMarking(FHeartbeat, aValue);
    }

    // Zone tables and categories of the analysis definition (not owned); null before Init.
    const TqelZones* SpeedZones() const {
        return FSpeedZones;
    }
    const TqelZones* AccelerationZones() const {
        return FAccelZones;
    }
    const TqelZones* DecelerationZones() const {
        return FDecelZones;
    }
    const TqelZones* PowerZones() const {
        return FPowerZones;
    }
    const TqelZones* HeartbeatZonesAbsolute() const {
        return FHeartbeatZonesAbsolute;
    }
    const TqelZones* HeartbeatZonesRelative() const {
        return FHeartbeatZonesRelative;
    }
    const qel::SprintCategoryList* SprintCategories() const {
        return FSprintCategories;
    }
    const qel::AccelCategoryList* AccelerationCategories() const {
        return FAccelerationCategories;
    }
    const qel::AccelCategoryList* DecelerationCategories() const {
        return FDecelerationCategories;
    }
    const qel::ImpactCategoryList* ImpactCategories() const {
        return FImpactCategories;
    }

    // Analysis objects: in processing order, and by class (null when absent).
    int32_t CalcVaruzaCount() const {
        return static_cast<int32_t>(FCalcVaruzas.size());
    }
    TqelCalculationVaruza* CalcVaruza(int32_t anIndex) const {
        return FCalcVaruzas[anIndex].get();
    }
    TqelCalculationVaruza* Analysis(qel::CalcSlot aSlot) const {
        return FShortcuts[static_cast<int>(aSlot)];
    }
    int32_t SprintCount() const {
        return static_cast<int32_t>(FSprints.size());
    }
    // Null outside 0 .. SprintCount - 1.
    TqelCalculationVaruza* SprintObject(int32_t anIndex) const;
    // Null until the agility tests run.
    TqelAgilityInfo* AgilityInfo() const {
        return nullptr;
    }

    // Typed accessors: each is defined by its analysis's unit (QEL_REGISTER_CALCULATION).
    TqelSpeedInfo* SpeedInfo() const;
    TqelAccelInfo* AccelInfo() const;
    TqelHeartInfo* HeartInfo() const;
    TqelETLInfo* ETLInfo() const;
    TqelAccelActivity* AccelAct() const;
    TqelCovertArea* CovertArea() const;
    TqelEnergyConsumption* Energy() const;
    TqelHeatmapInfo* Heatmap() const;
    TqelIcehockeyActions* IcehockeyActions() const;
    TqelDistanceInfo* DistanceInfo() const;
    TqelImpactInfo* Impacts() const;
    TqelIcehockeyShifts* IcehockeyShifts() const;
    TqelMechanicalPower* MechanicalPower() const;
    TqelHMLDistance* HMLDistance() const;
    TqelEquestrianInfo* EquestrianInfo() const;
    TqelAngularVelocity* AngularVelocity() const;
    TqelMIPInfo* GameSpeedInfo() const;
    TqelMIPDistanceInfo* MIPDistInfo() const;
    // Entry 0 of the sprint objects, and entry anIndex (null outside the array).
    TqelSprints* SprintAct() const;
    TqelSprints* GetSprint(int32_t anIndex) const;

private:
    template <class T>
    void StoreMarking(T& aField, T aValue) {
        // Doubles compare exactly; NaN never equals, so it always marks.
        if (!(aField == aValue)) {
            FRecalculationNeeded = true;
        }
        aField = aValue;
    }

    void ClearCalcVaruzas();
    // The sprint objects leave the object list and are freed.
    void RemoveSprintObjects();
    // Makes and appends the object of aSlot; null when its class is not registered.
    TqelCalculationVaruza* CreateCalcVaruza(qel::CalcSlot aSlot);
    void ReadRows(qel::BinaryReader& aStream, uint8_t aVersion);
    void ReadStreamObject(qel::BinaryReader& aStream, uint8_t aVersion, qel::CalcSlot aSlot);
    void WriteStreamObject(qel::BinaryWriter& aStream, qel::CalcSlot aSlot) const;

    std::unique_ptr<qel::CalculationContext> FOwnedContext;
    qel::CalculationContext* FContext = nullptr;
    mutable std::recursive_mutex FResultLock;

    IqelTransponderData* FTransponder = nullptr;
    std::atomic<int32_t> FTransponderID{0};
    int32_t FCalculationID = 0;
    int32_t FStartTimeInMS = 0;
    int32_t FEndTimeInMS = 0;
    QString FGameName;
    QString FPartName;
    QString FTeamName;
    bool FBadData = false;
    bool FBadHB = false;
    TqelCalculationTypes FCalculationTypes;
    TqeldbAgilityDefinitions* FAgilityDefs = nullptr;
    bool FCanAccessDatabase = true;
    std::atomic<bool> FRecalculationNeeded{false};
    // Read from a stream and not Init'ed since: the objects lack their zone tables and state.
    bool FReadWithoutInit = false;
    TqelCalculationCanceled FCheckIsCanceled;
    int32_t FTimeFrame = 0;
    int32_t FFatigueTimeFrameInMS = 0;

    int8_t FSpeedZone = 0;
    int8_t FHeartRateZone = 0;
    int8_t FAccelZone = 0;
    int8_t FPowerZone = 0;
    double FECCRF = 0;
    bool FHROnly1Min = false;
    int32_t FHIHBPerc = 0;
    int32_t FHRTimeBeforeEndInMS = 0;
    int32_t FHRTimeAfterEndInMS = 0;
    bool FSplitDecelBins = false;
    TqelHeatmapResolution FHeatmapResolution = hmrNone;
#define QEL_CALCULATION_THRESHOLD_FIELD(aType, aName, aDefName) aType F##aName{};
    QEL_CALCULATION_THRESHOLDS(QEL_CALCULATION_THRESHOLD_FIELD)
#undef QEL_CALCULATION_THRESHOLD_FIELD

    RqelCalculatedPosition FPosition;
    double FSpeed = 0;
    double FAcceleration = 0;
    double FHeartbeat = 0;

    const TqelZones* FSpeedZones = nullptr;
    const TqelZones* FAccelZones = nullptr;
    const TqelZones* FDecelZones = nullptr;
    const TqelZones* FPowerZones = nullptr;
    const TqelZones* FHeartbeatZonesAbsolute = nullptr;
    const TqelZones* FHeartbeatZonesRelative = nullptr;
    const qel::SprintCategoryList* FSprintCategories = nullptr;
    const qel::AccelCategoryList* FAccelerationCategories = nullptr;
    const qel::AccelCategoryList* FDecelerationCategories = nullptr;
    const qel::ImpactCategoryList* FImpactCategories = nullptr;

    std::vector<std::unique_ptr<TqelCalculationVaruza>> FCalcVaruzas;
    std::array<TqelCalculationVaruza*, qel::CalcSlotCount> FShortcuts{};
    // Entry 0 is also the sprint shortcut.
    std::vector<TqelCalculationVaruza*> FSprints;
};
