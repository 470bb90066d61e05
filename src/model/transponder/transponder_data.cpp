#include "model/transponder/transponder_data.h"

#include "analysis/framework/calculation.h"
#include "analysis/framework/speed_info.h"
#include "database/datasets/live_position.h"
#include "database/datasets/transponder_rows.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/groups/group.h"
#include "model/transponder/laps_sectors.h"
#include "model/transponder/metabolic_power.h"
#include "platform/exception.h"

namespace {

template <class List>
void CheckListIndex(const List& aList, int32_t anIndex) {
    if (anIndex < 0 || anIndex >= static_cast<int32_t>(aList.size())) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2").arg(anIndex).arg(aList.size()));
    }
}

}  // namespace

TqelTransponderData::TqelTransponderData(TqelDataset* aDataSet, bool aReadingFromStream)
    : FDataSet(aDataSet), FDBTransponder(std::make_unique<TqeldbTransponder>(nullptr)) {
    FTempPosition.Clear();
    FLapsSectorsLastPos.Clear();
    if (FDataSet) {
        FDBTransponder->setDtsID(static_cast<int32_t>(FDataSet->DBDtsID()));
        TakeDatasetPositionSettings();
    }
    FAthleteName = QStringLiteral("Unknown athlete");
    FCalculation = std::make_unique<TqelCalculation>(
        this, FDataSet ? FDataSet->AnalyzeDef() : nullptr, nullptr, aReadingFromStream);
}

TqelTransponderData::~TqelTransponderData() {
    FSectors.clear();
    FLaps.clear();
    FGroups.clear();
    FDBTransponder.reset();
    FDBPosition.reset();
    FCalculation.reset();
}

void TqelTransponderData::TakeDatasetPositionSettings() {
    FPositionSensitivity = FDataSet->PositionSensitivity();
    SetPositionFunction(FDataSet->PositionAlgorithm());
}

void TqelTransponderData::setDBPos(std::unique_ptr<TqeldbPosition> aValue) {
    FDBPosition = std::move(aValue);
}

// --- Identity and properties ---

void TqelTransponderData::setTPid(int32_t aValue) {
    FTPid = aValue;
    {
        std::lock_guard lock(FPropertyLock);
        FDBTransponder->setTpID(aValue);
    }
    FCalculation->setTransponderID(aValue);
}

QString TqelTransponderData::ReadText(const QString& aField) const {
    std::lock_guard lock(FPropertyLock);
    return aField;
}

QString TqelTransponderData::VestID() const {
    return ReadText(FVestID);
}
QString TqelTransponderData::AthleteName() const {
    return ReadText(FAthleteName);
}
QString TqelTransponderData::AthleteCategory() const {
    return ReadText(FAthleteCategory);
}
QString TqelTransponderData::Remark() const {
    return ReadText(FRemark);
}
QString TqelTransponderData::ShortCutChar() const {
    return ReadText(FShortCutChar);
}
QString TqelTransponderData::ExternalID() const {
    return ReadText(FExternalID);
}
QString TqelTransponderData::SystemID() const {
    return ReadText(FSystemID);
}

void TqelTransponderData::setShortCutChar(const QString& aValue) {
    std::lock_guard lock(FPropertyLock);
    FShortCutChar = aValue;
}

void TqelTransponderData::StoreNotifying(QString& aField, const QString& aValue) {
    {
        std::lock_guard lock(FPropertyLock);
        if (aField == aValue) {
            return;
        }
        aField = aValue;
    }
    notifyChanged();
}

void TqelTransponderData::StoreRowText(QString& aField, const QString& aValue,
                                       void (TqeldbTransponder::*aSetColumn)(const QString&)) {
    {
        std::lock_guard lock(FPropertyLock);
        if (aField == aValue) {
            return;
        }
        aField = aValue;
        ((*FDBTransponder).*aSetColumn)(aValue);
    }
    notifyChanged();
}

void TqelTransponderData::setVestID(const QString& aValue) {
    StoreRowText(FVestID, aValue, &TqeldbTransponder::setVestID);
}

void TqelTransponderData::setExternalID(const QString& aValue) {
    StoreRowText(FExternalID, aValue, &TqeldbTransponder::setExternalID);
}

void TqelTransponderData::setSystemID(const QString& aValue) {
    StoreRowText(FSystemID, aValue, &TqeldbTransponder::setSystemID);
}

void TqelTransponderData::AssignFromOther(const TqelTransponderData& aTP) {
    if (&aTP == this) {
        return;
    }
    FRole = aTP.Role();
    FPlayerRole = aTP.PlayerRole();
    FAthleteColor = aTP.AthleteColor();
    FVisibleIn3D = aTP.VisibleIn3D();
    FAthleteMaxHeartbeat = aTP.FAthleteMaxHeartbeat.load();
    FAthleteMaxSpeed = aTP.AthleteMaxSpeed();
    FAthleteMaxAcceleration = aTP.AthleteMaxAcceleration();
    FAthleteMaxDeceleration = aTP.AthleteMaxDeceleration();
    FShirtNumber = aTP.ShirtNumber();
    FAthleteWeight = aTP.AthleteWeight();
    FAthleteHeight = aTP.AthleteHeight();
    FAthleteRecon = aTP.AthleteRecon();
    FAthleteFTP = aTP.AthleteFTP();
    FAthleteFTPtime = aTP.AthleteFTPtime();
    FAthletePreferredArm = aTP.AthletePreferredArm();
    FBadData = aTP.BadData();
    FBadHB = aTP.BadHB();
    const QString name = aTP.AthleteName();
    const QString externalID = aTP.ExternalID();
    const QString systemID = aTP.SystemID();
    const QString category = aTP.AthleteCategory();
    const QString remark = aTP.Remark();
    std::lock_guard lock(FPropertyLock);
    FAthleteName = name;
    FExternalID = externalID;
    FSystemID = systemID;
    FAthleteCategory = category;
    FRemark = remark;
    FDBTransponder->setAthleteName(name);
    FDBTransponder->setSystemID(systemID);
    FDBTransponder->setMaxHB(FAthleteMaxHeartbeat.load());
    FDBTransponder->setColor(static_cast<int32_t>(FAthleteColor.load()));
}

void TqelTransponderData::notifyChanged() {
    if (FDataSet) {
        FDataSet->notifyTransponderChanged(this);
    }
}

void TqelTransponderData::setRole(TqelTransponderRole aValue) {
    if (FRole.exchange(aValue) == aValue) {
        return;
    }
    if (aValue == roleBall) {
        FPositionSensitivity = 10;
        SetPositionFunction(posLinearInterpolation);
    } else if (FDataSet) {
        TakeDatasetPositionSettings();
    }
    notifyChanged();
}

int32_t TqelTransponderData::PlayerID() {
    std::lock_guard lock(FPropertyLock);
    if (FDBTransponder->PlrID() != 0) {
        FPlayerID = FDBTransponder->PlrID();
    }
    return FPlayerID;
}

QString TqelTransponderData::PlayerRegistrationID() const {
    std::lock_guard lock(FPropertyLock);
    if (FPlayerID == 0 && FDBTransponder->PlrID() == 0) {
        return {};
    }
    if (!FDBTransponder->PlayerAssigned()) {
        return {};
    }
    return FDBTransponder->Player().RegistrationID();
}

int32_t TqelTransponderData::AthleteMaxHeartbeat() const {
    const int32_t value = FAthleteMaxHeartbeat.load();
    return value == 0 ? 220 : value;
}

// Position algorithms: PositionAlgorithm and SetPositionFunction live in
// position_algorithms.cpp.
// End of position algorithms

QString TqelTransponderData::ToString() {
    return ToString(ttsDefault);
}

QString TqelTransponderData::ToString(TqelTransponderToStringType aType) {
    if (aType == ttsDefault) {
        aType = ClientConfig()->DefaultTransponderToString();
    }
    switch (aType) {
        case ttsNameAndTransponderID:
            return QStringLiteral("(") + VestID() + QStringLiteral(") ") + AthleteName();
        case ttsNameAndShirtNumber:
            return AthleteName() + QStringLiteral(" (") + QString::number(ShirtNumber()) +
                   QStringLiteral(")");
        case ttsTransponderID:
            return VestID();
        case ttsShirtNumber:
            return QString::number(ShirtNumber());
        default:
            return AthleteName();
    }
}

// --- Groups, laps and sectors ---

void TqelTransponderData::AddedToGroup(TqelGroup* aGroup) {
    std::lock_guard lock(FListLock);
    if (!FGroups.contains(aGroup)) {
        FGroups.append(aGroup);
    }
}

void TqelTransponderData::RemovedFromGroup(TqelGroup* aGroup) {
    std::lock_guard lock(FListLock);
    FGroups.removeOne(aGroup);
}

int32_t TqelTransponderData::GroupCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int32_t>(FGroups.size());
}

TqelGroup* TqelTransponderData::getGroup(int32_t anIndex) const {
    std::lock_guard lock(FListLock);
    CheckListIndex(FGroups, anIndex);
    return FGroups[anIndex];
}

int32_t TqelTransponderData::LapCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int32_t>(FLaps.size());
}

TqelLap* TqelTransponderData::getLap(int32_t anIndex) const {
    std::lock_guard lock(FListLock);
    CheckListIndex(FLaps, anIndex);
    return FLaps[static_cast<size_t>(anIndex)].get();
}

int32_t TqelTransponderData::SectorCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int32_t>(FSectors.size());
}

TqelSector* TqelTransponderData::getSector(int32_t anIndex) const {
    std::lock_guard lock(FListLock);
    CheckListIndex(FSectors, anIndex);
    return FSectors[static_cast<size_t>(anIndex)].get();
}

TqelLap* TqelTransponderData::AddLap(int32_t aTimeInMS) {
    std::lock_guard detection(FDetectionLock);
    auto lap = std::make_unique<TqelLap>(this);
    lap->setEntryInMS(aTimeInMS);
    TqelLap* const added = lap.get();
    TqelLap* closed = nullptr;
    bool closedChanged = false;
    {
        std::lock_guard lock(FListLock);
        if (!FLaps.empty()) {
            closed = FLaps.back().get();
            closedChanged = closed->StoreExitInMS(aTimeInMS);
        }
        FLaps.push_back(std::move(lap));
        added->SetLapNumber(static_cast<int32_t>(FLaps.size()));
    }
    // The dataset is told outside the list lock. A lap is announced once it is complete.
    if (closed) {
        if (closedChanged) {
            closed->NotifyExitChanged();
        }
        if (FDataSet) {
            FDataSet->notifyLapAdded(closed);
        }
    }
    // Every group of the transponder hears of the new lap. Its exit is not known yet, so no
    // race moves and no model lock is taken; the list lock keeps the groups from being freed.
    {
        std::lock_guard lock(FListLock);
        for (TqelGroup* group : FGroups) {
            group->MemberNewLap(*added);
        }
    }
    return added;
}

TqelSector* TqelTransponderData::AddSector(int32_t aTimeInMS, int32_t aSectorIndex,
                                           int32_t aLapIndex) {
    std::lock_guard detection(FDetectionLock);
    auto sector = std::make_unique<TqelSector>(this, aSectorIndex, aLapIndex);
    sector->setEntryInMS(aTimeInMS);
    TqelSector* const added = sector.get();
    TqelSector* closed = nullptr;
    bool closedChanged = false;
    {
        std::lock_guard lock(FListLock);
        if (!FSectors.empty()) {
            closed = FSectors.back().get();
            closedChanged = closed->StoreExitInMS(aTimeInMS);
        }
        FSectors.push_back(std::move(sector));
        added->SetSectorNr(static_cast<int32_t>(FSectors.size()));
        JoinLap(added);
    }
    if (closedChanged) {
        closed->NotifyExitChanged();
    }
    if (FDataSet) {
        if (FDataSet->OnNewSector) {
            FDataSet->OnNewSector(added);
        }
        FDataSet->notifySectorAdded(added);
    }
    return added;
}

void TqelTransponderData::clearLapsAndSectors() {
    {
        std::lock_guard detection(FDetectionLock);
        std::lock_guard lock(FListLock);
        FSectors.clear();
        FLaps.clear();
    }
    if (FDataSet) {
        FDataSet->NotifyItemsCleared(itemLap);
    }
}

void TqelTransponderData::ResetLapsAndSectors() {
    std::lock_guard detection(FDetectionLock);
    clearLapsAndSectors();
    FLapsSectorsLastTimeStamp = 0;
    updateLapsAndSectors();
}

// --- Calculations answered by the position, motion and telemetry algorithms ---

// Position algorithms: calcPosition lives in position_algorithms.cpp.
// End of position algorithms
// Motion values: the speeds, calcAcceleration, calcDistance and isOnField live in
// motion_values.cpp.

// Heart-rate, accelerometer, impact and battery values live in heart_values.cpp.
// Energy
double TqelTransponderData::calcEnergy(double aSpeed, double aAccel, double aECCRF) {
    const TqelField* field = FDataSet ? FDataSet->Field() : nullptr;
    return qel::MetabolicPower(aSpeed, aAccel, aECCRF,
                               field ? field->PowerFactor() : qel::kDefaultPowerFactor);
}

// Speed analysis
QString TqelTransponderData::calcSpeedDistValue(const qel::FormatSettings& aFormatSetting) const {
    return qel::SpeedDistValue(FCalculation.get(), aFormatSetting);
}
// Speed analysis end
