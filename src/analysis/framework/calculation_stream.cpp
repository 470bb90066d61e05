#include "analysis/framework/calculation.h"
#include "foundation/model_interfaces.h"
#include "foundation/stream_strings.h"
#include "platform/binary_stream.h"

// The calculation's block of the dataset file and of the transponder message: settings, then
// every analysis object's block. Written in the newest layout; older layouts are read by the
// version byte of the enclosing file.

namespace {

// The agility block's own version as it is written.
constexpr int32_t kAgilityStreamVersion = 3;

}  // namespace

void TqelCalculation::WriteStreamObject(qel::BinaryWriter& aStream, qel::CalcSlot aSlot) const {
    const TqelCalculationVaruza* calc = Analysis(aSlot);
    aStream.writeBool(calc != nullptr);
    if (calc) {
        calc->writeToStream(aStream);
    }
}

void TqelCalculation::writeToStream(qel::BinaryWriter& aStream) {
    std::lock_guard lock(FResultLock);
    aStream.writeI32(FCalculationID);
    aStream.writeBool(FBadData);
    aStream.writeBool(FBadHB);
    aStream.writeI32(AnalyseID());
    aStream.writeI32(ExerciseID());
    WriteStreamString(aStream, FGameName);
    aStream.writeI32(GroupID());
    WriteStreamString(aStream, FTeamName);
    aStream.writeI32(PartID());
    WriteStreamString(aStream, FPartName);
    aStream.writeI32(FEndTimeInMS);
    aStream.writeI32(FStartTimeInMS);
    aStream.writeI32(FFatigueTimeFrameInMS);
    aStream.writeI32(FTimeFrame);
    aStream.writeI8(FSpeedZone);
    aStream.writeI8(FHeartRateZone);
    aStream.writeI8(FAccelZone);
    aStream.writeI8(FPowerZone);
    aStream.writeDouble(FECCRF);
    aStream.writeBool(FHROnly1Min);
    aStream.writeI32(FHRTimeBeforeEndInMS);
    aStream.writeI32(FHRTimeAfterEndInMS);

    aStream.writeDouble(FSprintMaxValidAccel);
    aStream.writeDouble(FSprintMaxValidSpeed);
    aStream.writeBool(FSprintShowInvalid);
    aStream.writeDouble(FAccelMinAccel);
    aStream.writeDouble(FSprintMaxStandingSpeed);
    aStream.writeI32(FSprintMinStandingTimeMS);
    aStream.writeI32(FAccelMinTimeMS);
    aStream.writeI32(FSprintMinSprintTimeMS);
    aStream.writeDouble(FAccelMinSpeed);
    aStream.writeDouble(FAccelMaxValidAccel);
    aStream.writeDouble(FSprintMinSprintSpeed);
    aStream.writeDouble(FIcehockeyActionMinSpeed);
    aStream.writeI32(FIcehockeyActionMinAccelTime);
    aStream.writeDouble(FIcehockeyActionMinDeltaSpeed);
    aStream.writeI32(FIcehockeyActionMaxTime);
    aStream.writeDouble(FIcehockeyActionMinAccel);
    aStream.writeI32(FIcehockeyActionMinTime);
    aStream.writeDouble(FIcehockeyActionMinDecel);
    aStream.writeI32(FGallopMinThresholdMS);
    aStream.writeI32(FGallopMinDurationMS);
    aStream.writeDouble(FGallopMinImpact);
    aStream.writeI32(FGallopMinDistObstacleMM);
    aStream.writeDouble(FHMLDistMinAccel);
    aStream.writeDouble(FHMLDistMinSpeed);
    aStream.writeBool(FSplitAccelAndDecel);
    aStream.writeI32(FIcehockeyShiftsTransitionDistanceOut);
    aStream.writeI32(FIcehockeyShiftsTransitionDistanceIn);
    aStream.writeI32(FIcehockeyShiftsTransitionTime);
    aStream.writeDouble(FSprintMinHIDSpeed);
    aStream.writeBool(FSplitDecelBins);
    aStream.writeI32(FHeatmapResolution);

    aStream.writeI32(SprintCount());
    for (const TqelCalculationVaruza* sprint : FSprints) {
        sprint->writeToStream(aStream);
    }
    for (const qel::CalculationStreamRow& row : qel::kStreamRowsBeforeAgility) {
        WriteStreamObject(aStream, row.Slot);
    }
    aStream.writeI32(kAgilityStreamVersion);
    aStream.writeI32(0);
    for (const qel::CalculationStreamRow& row : qel::kStreamRowsAfterAgility) {
        WriteStreamObject(aStream, row.Slot);
    }
    aStream.writeBool(FRecalculationNeeded);
}

void TqelCalculation::ReadStreamObject(qel::BinaryReader& aStream, uint8_t aVersion,
                                       qel::CalcSlot aSlot) {
    if (!aStream.readBool()) {
        return;
    }
    const qel::CalculationClassInfo& info = qel::ClassInfo(aSlot);
    // Blocks carry no length: one that nobody can read hides where the next begins.
    TqelCalculationVaruza* calc = CreateCalcVaruza(aSlot);
    if (!calc) {
        throw EStreamError(
            QStringLiteral("Stream Error: cannot read a %1 block").arg(info.ClassName));
    }
    FCalculationTypes.include(info.Bit);
    calc->ReadFromStream(aStream, aVersion);
}

void TqelCalculation::ReadRows(qel::BinaryReader& aStream, uint8_t aVersion) {
    FCalculationID = aStream.readI32();
    if (aVersion > 92) {
        FBadData = aStream.readBool();
    }
    if (aVersion > 96) {
        FBadHB = aStream.readBool();
    }
    if (aVersion > 92) {
        setAnalyseID(aStream.readI32());
    }
    setExerciseID(aStream.readI32());
    FGameName = ReadStreamString(aStream);
    setGroupID(aStream.readI32());
    FTeamName = ReadStreamString(aStream);
    setPartID(aStream.readI32());
    FPartName = ReadStreamString(aStream);
    FEndTimeInMS = aStream.readI32();
    FStartTimeInMS = aStream.readI32();
    FFatigueTimeFrameInMS = aStream.readI32();
    FTimeFrame = aStream.readI32();
    FSpeedZone = aStream.readI8();
    FHeartRateZone = aStream.readI8();
    FAccelZone = aStream.readI8();
    FPowerZone = aStream.readI8();
    FECCRF = aStream.readDouble();
    FHROnly1Min = aStream.readBool();
    FHRTimeBeforeEndInMS = aStream.readI32();
    FHRTimeAfterEndInMS = aStream.readI32();

    if (aVersion > 149) {
        FSprintMaxValidAccel = aStream.readDouble();
        FSprintMaxValidSpeed = aStream.readDouble();
        FSprintShowInvalid = aStream.readBool();
        FAccelMinAccel = aStream.readDouble();
        FSprintMaxStandingSpeed = aStream.readDouble();
        FSprintMinStandingTimeMS = aStream.readI32();
        FAccelMinTimeMS = aStream.readI32();
        FSprintMinSprintTimeMS = aStream.readI32();
        FAccelMinSpeed = aStream.readDouble();
        FAccelMaxValidAccel = aStream.readDouble();
        FSprintMinSprintSpeed = aStream.readDouble();
        FIcehockeyActionMinSpeed = aStream.readDouble();
        FIcehockeyActionMinAccelTime = aStream.readI32();
        FIcehockeyActionMinDeltaSpeed = aStream.readDouble();
        FIcehockeyActionMaxTime = aStream.readI32();
        FIcehockeyActionMinAccel = aStream.readDouble();
        FIcehockeyActionMinTime = aStream.readI32();
        FIcehockeyActionMinDecel = aStream.readDouble();
        FGallopMinThresholdMS = aStream.readI32();
        FGallopMinDurationMS = aStream.readI32();
        FGallopMinImpact = aStream.readDouble();
        FGallopMinDistObstacleMM = aStream.readI32();
        FHMLDistMinAccel = aStream.readDouble();
        FHMLDistMinSpeed = aStream.readDouble();
        FSplitAccelAndDecel = aStream.readBool();
        FIcehockeyShiftsTransitionDistanceOut = aStream.readI32();
        FIcehockeyShiftsTransitionDistanceIn = aStream.readI32();
        FIcehockeyShiftsTransitionTime = aStream.readI32();
        FSprintMinHIDSpeed = aStream.readDouble();
        FSplitDecelBins = aStream.readBool();
        const int32_t resolution = aStream.readI32();
        FHeatmapResolution = resolution >= hmrNone && resolution <= hmrLarge
                                 ? static_cast<TqelHeatmapResolution>(resolution)
                                 : hmrNone;
    }

    const int32_t sprintCount = aStream.readI32();
    if (sprintCount < 0) {
        throw EReadError(QStringLiteral("Stream Error: negative sprint count %1").arg(sprintCount));
    }
    // Every block takes at least a byte: a count beyond the bytes left is refused before
    // anything is made.
    aStream.checkCount(sprintCount, 1);
    if (sprintCount > 0) {
        if (!qel::RegisteredCalculation(qel::CalcSlot::Sprints)) {
            throw EStreamError(QStringLiteral("Stream Error: cannot read a %1 block")
                                   .arg(qel::ClassInfo(qel::CalcSlot::Sprints).ClassName));
        }
        FCalculationTypes.include(calcSprintAct);
        for (int32_t i = 0; i < sprintCount; ++i) {
            CreateCalcVaruza(qel::CalcSlot::Sprints)->ReadFromStream(aStream, aVersion);
        }
    }
    for (const qel::CalculationStreamRow& row : qel::kStreamRowsBeforeAgility) {
        ReadStreamObject(aStream, aVersion, row.Slot);
    }
    if (aVersion > 86) {
        if (aVersion >= 96) {
            aStream.readI32();
        }
        const int32_t agilityCount = aStream.readI32();
        if (agilityCount != 0) {
            throw EStreamError(QStringLiteral("Stream Error: cannot read %1 agility test blocks")
                                   .arg(agilityCount));
        }
    }
    for (const qel::CalculationStreamRow& row : qel::kStreamRowsAfterAgility) {
        if (aVersion > row.ReadAbove) {
            ReadStreamObject(aStream, aVersion, row.Slot);
        }
    }
    FRecalculationNeeded = aVersion > 149 ? aStream.readBool() : true;
}

void TqelCalculation::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    std::lock_guard lock(FResultLock);
    if (FTransponder) {
        FTransponderID = FTransponder->GetTPid();
    }
    ClearCalcVaruzas();
    FReadWithoutInit = true;
    try {
        ReadRows(aStream, aVersion);
    } catch (...) {
        ClearCalcVaruzas();
        throw;
    }
}
