#include "analysis/framework/calculation.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/model_calculation_context.h"
#include "database/analysis/analyze_definitions.h"
#include "foundation/model_interfaces.h"
#include "platform/crash_reporter.h"
#include "platform/numbers.h"

namespace {

// The type set every definition asks for: zones, load, efforts, energy, distance, impacts,
// mechanical power, HML distance and angular velocity.
TqelCalculationTypes DefaultTypes() {
    return {calcSpeedInfo,       calcAccelInfo,   calcHeartInfo,      calcETLInfo,  calcSprintAct,
            calcAccelAct,        calcCovertArea,  calcEnergy,         calcDistance, calcImpact,
            calcMechanicalPower, calcHMLDistance, calcAngularVelocity};
}

// A single bad value must not turn a running total into NaN for good.
double Finite(double aValue) {
    return std::isfinite(aValue) ? aValue : 0.0;
}

QString Hex4(int32_t aValue) {
    return QString::number(static_cast<uint32_t>(aValue), 16).toUpper().rightJustified(4, u'0');
}

}  // namespace

TqelCalculation::TqelCalculation(IqelTransponderData* aTransponder, TqeldbAnalyzeDef* aAnalDef,
                                 TqelCalculationCanceled aCheckIsCanceled, bool aReadingFromStream,
                                 qel::CalculationContext* aContext)
    : FTransponder(aTransponder) {
    if (aContext) {
        FContext = aContext;
    } else {
        FOwnedContext = std::make_unique<qel::ModelCalculationContext>(aTransponder);
        FContext = FOwnedContext.get();
    }
    setAnalyseID(aAnalDef ? aAnalDef->ID() : 0);
    if (!FTransponder) {
        return;
    }
    FTransponderID = FTransponder->GetTPid();
    if (FContext->HasDataset()) {
        setDtsID(FContext->DBDtsID());
    }
    if (!aAnalDef) {
        return;
    }
    FCalculationTypes = DefaultTypes();
    if (aAnalDef->MIPDoCalc()) {
        FCalculationTypes.include(calcGameSpeedDistanceInfo);
    }
    if (FContext->HasDataset()) {
        if (FContext->SportType() == sportIceHockey) {
            FCalculationTypes.include(calcIceHockeyActions);
            FCalculationTypes.include(calcIceHockeyShifts);
        } else if (FContext->SportType() == sportEquestrian) {
            FCalculationTypes.include(calcGallops);
        }
        FAgilityDefs = FContext->AgilityDefs();
    }
    if (aAnalDef->HeatmapDoCalc()) {
        FCalculationTypes.include(calcHeatmap);
    }
    if (!aReadingFromStream) {
        CreateCalcVaruzas();
        Init(aAnalDef, std::move(aCheckIsCanceled), 0, 0, DtsID(), 0, {}, 0, {}, 0, {},
             FAgilityDefs);
    }
}

TqelCalculation::~TqelCalculation() = default;

void TqelCalculation::Init(TqeldbAnalyzeDef* aAnalDef, TqelCalculationCanceled aCheckIsCanceled,
                           int32_t aStartTimeInMS, int32_t anEndTimeInMS, int32_t aDtsID,
                           int32_t aGameID, const QString& aGameName, int32_t aPartID,
                           const QString& aPartName, int32_t aTeamId, const QString& aTeamName,
                           TqeldbAgilityDefinitions* aAgilityDefs) {
    std::lock_guard lock(FResultLock);
    FCheckIsCanceled = std::move(aCheckIsCanceled);
    FAgilityDefs = aAgilityDefs;
    setStartTimeInMS(aStartTimeInMS);
    setEndTimeInMS(anEndTimeInMS);
    setDtsID(aDtsID);
    setExerciseID(aGameID);
    FGameName = aGameName;
    setPartID(aPartID);
    FPartName = aPartName;
    setGroupID(aTeamId);
    FTeamName = aTeamName;

    if (aAnalDef) {
        FSpeedZone = aAnalDef->SpeedZone();
        FSpeedZones = &aAnalDef->SpeedZones();
        FSprintCategories = &aAnalDef->SprintCategories();
        FAccelZone = aAnalDef->AccelZone();
        FAccelZones = &aAnalDef->AccelerationZones();
        FDecelZones = &aAnalDef->DecelerationZones();
        FAccelerationCategories = &aAnalDef->AccelerationCategories();
        FDecelerationCategories = &aAnalDef->DecelerationCategories();
        FPowerZone = aAnalDef->PowerZone();
        FPowerZones = &aAnalDef->PowerZones();
        FImpactCategories = &aAnalDef->ImpactCategories();
        FHeartRateZone = aAnalDef->HeartrateZone();
        FHeartbeatZonesAbsolute = &aAnalDef->HeartbeatZonesAbsolute();
        FHeartbeatZonesRelative = &aAnalDef->HeartbeatZonesRelative();
        FHROnly1Min = aAnalDef->HeartrateOnly1minute();
        FHIHBPerc = aAnalDef->HeartbeatHIPerc();
    }
    // Fixed windows, not the definition's.
    FHRTimeBeforeEndInMS = 30000;
    FHRTimeAfterEndInMS = 10000;
    if (FTransponder) {
        FECCRF = FTransponder->GetAthleteRecon();
    }
    FFatigueTimeFrameInMS = 300000;
    if (aAnalDef) {
#define QEL_CALCULATION_THRESHOLD_INIT(aType, aName, aDefName) \
    set##aName(static_cast<aType>(aAnalDef->aDefName()));
        QEL_CALCULATION_THRESHOLDS(QEL_CALCULATION_THRESHOLD_INIT)
#undef QEL_CALCULATION_THRESHOLD_INIT
        const int32_t resolution = aAnalDef->HeatmapResolution() & 0xFF;
        setHeatmapResolution(resolution <= hmrLarge ? static_cast<TqelHeatmapResolution>(resolution)
                                                    : hmrNone);
        if (aAnalDef->MIPDoCalc()) {
            FCalculationTypes.include(calcGameSpeedDistanceInfo);
        } else {
            FCalculationTypes.exclude(calcGameSpeedDistanceInfo);
        }
    }
    CreateCalcVaruzas();
    FReadWithoutInit = false;
    if (RecalculationNeeded()) {
        for (const auto& calc : FCalcVaruzas) {
            calc->ResetStepFaults();
            calc->Init();
        }
    }
}

TqelCalculationVaruza* TqelCalculation::CreateCalcVaruza(qel::CalcSlot aSlot) {
    const qel::CalculationFactory factory = qel::RegisteredCalculation(aSlot);
    if (!factory) {
        return nullptr;
    }
    std::unique_ptr<TqelCalculationVaruza> calc = factory(*this);
    TqelCalculationVaruza* result = calc.get();
    if (aSlot == qel::CalcSlot::Sprints) {
        FSprints.push_back(result);
        FShortcuts[static_cast<int>(aSlot)] = FSprints.front();
    } else {
        FShortcuts[static_cast<int>(aSlot)] = result;
    }
    AddCalcVaruza(std::move(calc));
    return result;
}

void TqelCalculation::CreateCalcVaruzas() {
    std::lock_guard lock(FResultLock);
    for (const qel::CalculationClassInfo& info : qel::kCalculationClasses) {
        if (!FCalculationTypes.contains(info.Bit)) {
            continue;
        }
        if (info.Slot == qel::CalcSlot::Sprints) {
            // A calculation runs one sprint object; several read from a stream give way to it.
            if (SprintCount() != 1) {
                RemoveSprintObjects();
                CreateCalcVaruza(info.Slot);
            }
        } else if (!Analysis(info.Slot)) {
            CreateCalcVaruza(info.Slot);
        }
    }
}

void TqelCalculation::AddCalcVaruza(std::unique_ptr<TqelCalculationVaruza> aCalc) {
    std::lock_guard lock(FResultLock);
    FCalcVaruzas.push_back(std::move(aCalc));
    FRecalculationNeeded = true;
}

void TqelCalculation::AddAgility(TqeldbAgilityDef*) {}

void TqelCalculation::RemoveAgility(int32_t) {}

void TqelCalculation::RemoveSprintObjects() {
    std::erase_if(FCalcVaruzas, [this](const std::unique_ptr<TqelCalculationVaruza>& aCalc) {
        return std::find(FSprints.begin(), FSprints.end(), aCalc.get()) != FSprints.end();
    });
    FSprints.clear();
    FShortcuts[static_cast<int>(qel::CalcSlot::Sprints)] = nullptr;
}

void TqelCalculation::ClearCalcVaruzas() {
    FSprints.clear();
    FShortcuts = {};
    FCalcVaruzas.clear();
    FCalculationTypes.clear();
}

TqelCalculationVaruza* TqelCalculation::SprintObject(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= SprintCount()) {
        return nullptr;
    }
    return FSprints[anIndex];
}

bool TqelCalculation::IsCanceled() const {
    return FCheckIsCanceled && FCheckIsCanceled();
}

int32_t TqelCalculation::DurationInMS() const {
    return static_cast<int32_t>(static_cast<int64_t>(FEndTimeInMS) - FStartTimeInMS);
}

QString TqelCalculation::PartCode() const {
    return Hex4(ExerciseID()) + Hex4(PartID());
}

bool TqelCalculation::Execute(int32_t aTimeFrame) {
    if (!RecalculationNeeded()) {
        return true;
    }
    // A step of 0 or less would never reach the end.
    if (!FTransponder || aTimeFrame <= 0 || FReadWithoutInit) {
        return false;
    }
    {
        // Written blocks carry the step length.
        std::lock_guard lock(FResultLock);
        FTimeFrame = aTimeFrame;
        if (FTimeFrame > 10 && (FCalculationTypes.contains(calcAccelInfo) ||
                                FCalculationTypes.contains(calcAccelAct))) {
            FTimeFrame = 10;
        }
    }
    int64_t t = Round(static_cast<double>(FStartTimeInMS) / FTimeFrame) * FTimeFrame;
    bool result = true;
    while (t < FEndTimeInMS && !IsCanceled() && result) {
        result = ProcessTimeFrame(static_cast<int32_t>(t), false);
        t += FTimeFrame;
    }
    if (result) {
        Finalize();
    }
    return result;
}

bool TqelCalculation::ProcessTimeFrame(int32_t aTimeInMS, bool aIsLive) {
    if (!FTransponder) {
        return false;
    }
    IqelTransponderData& transponder = *FTransponder;
    RqelCalculatedPosition position = FPosition;
    bool onField = false;
    double speed = 0;
    double fifaSpeed = 0;
    double distance = 0;
    double acceleration = 0;
    double impact = 0;
    if (!FBadData) {
        position = transponder.calcPosition(aTimeInMS);
        // A position that is no number lies nowhere on the field.
        onField = std::isfinite(position.XinM) && std::isfinite(position.YinM) &&
                  transponder.isOnField(position);
        position.OnField = onField;
        if (onField) {
            speed = Finite(transponder.calcSpeed(aTimeInMS, 0));
            fifaSpeed = Finite(transponder.calcSpeed(aTimeInMS, 950));
            distance = FTimeFrame * speed;
            acceleration = Finite(transponder.calcAcceleration(aTimeInMS));
        }
        if (FCalculationTypes.contains(calcImpact) || FCalculationTypes.contains(calcGallops)) {
            impact = Finite(transponder.calcLowPassGrav(aTimeInMS));
        }
    }
    double heartbeat = 0;
    if (!FBadHB && FCalculationTypes.contains(calcHeartInfo)) {
        heartbeat =
            Finite(transponder.calcHeartbeat(aIsLive ? aTimeInMS - 5000 : aTimeInMS, false));
    }
    const qel::GameContext game = FContext->GameContextAt(aTimeInMS);

    bool result = true;
    std::lock_guard lock(FResultLock);
    FPosition = position;
    FSpeed = speed;
    FAcceleration = acceleration;
    FHeartbeat = heartbeat;
    for (const auto& calc : FCalcVaruzas) {
        try {
            calc->ProcessTimeFrame(aTimeInMS, onField, FPosition, distance, speed, fifaSpeed,
                                   acceleration, heartbeat, impact, game.TeamHasPossession,
                                   game.PlayDirection, game.BallAlive, game.ClockIsRunning);
        } catch (const std::exception& e) {
            result = false;
            // One report per object and run: a fault tends to repeat at every step.
            if (calc->CountStepFault()) {
                qel::CrashReporter::Report(e, QStringLiteral("TqelCalculation.ProcessTimeFrame"));
            }
        }
    }
    return result;
}

void TqelCalculation::Finalize() {
    if (IsCanceled()) {
        return;
    }
    std::lock_guard lock(FResultLock);
    for (const auto& calc : FCalcVaruzas) {
        calc->Finalize();
    }
    FRecalculationNeeded = false;
}
