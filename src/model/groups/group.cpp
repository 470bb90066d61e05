#include "model/groups/group.h"

#include <QUuid>
#include <algorithm>

#include "analysis/framework/calculation.h"
#include "app/translation.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/groups/game.h"
#include "model/groups/model_lock.h"
#include "model/groups/visualisation.h"
#include "model/transponder/transponder_data.h"
#include "platform/exception.h"
#include "platform/guid_text.h"

namespace {

template <class List>
void CheckListIndex(const List& aList, int32_t anIndex) {
    if (anIndex < 0 || anIndex >= static_cast<int32_t>(aList.size())) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2").arg(anIndex).arg(aList.size()));
    }
}

TqelPlayDirection Turned(TqelPlayDirection aDirection) {
    switch (aDirection) {
        case pldLeftToRight:
            return pldRightToLeft;
        case pldRightToLeft:
            return pldLeftToRight;
        default:
            return aDirection;
    }
}

bool IsTeamType(TqelGroupType aType) {
    return aType == gtExercise || aType == gtGame;
}

}  // namespace

// --- Member ---

TqelGroupMember::TqelGroupMember(TqelGroup* aGroup, int32_t aTransponderId, bool aReadingFromStream)
    : FGroup(aGroup), FTransponderID(aTransponderId) {
    TqelTransponderData* transponder = Transponder();
    if (transponder) {
        FAntennaID = transponder->Antenna1ID();
    }
    if (aTransponderId == -1 || !FGroup || FGroup->GroupType() != gtPart || !FGroup->Game()) {
        return;
    }
    TqelDataset* dataset = FGroup->Dataset();
    FCalculation =
        std::make_unique<TqelCalculation>(transponder, dataset ? dataset->AnalyzeDef() : nullptr,
                                          TqelCalculationCanceled(), aReadingFromStream);
    FCalculation->setDtsID(dataset ? static_cast<int32_t>(dataset->DBDtsID()) : 0);
    FCalculation->setExerciseID(FGroup->Game()->ID());
    FCalculation->setPartID(FGroup->Part() ? FGroup->Part()->ID() : 0);
    FCalculation->setGroupID(FGroup->ID());
}

TqelGroupMember::~TqelGroupMember() = default;

TqelDataset* TqelGroupMember::GetDataset() const {
    return FGroup ? FGroup->Dataset() : nullptr;
}

TqelTransponderData* TqelGroupMember::Transponder() const {
    TqelDataset* dataset = GetDataset();
    return dataset ? dataset->GetTransponderByTP(FTransponderID) : nullptr;
}

uint16_t TqelGroupMember::AntennaID() const {
    const TqelTransponderData* transponder = Transponder();
    return transponder ? transponder->Antenna1ID() : FAntennaID;
}

template <class T>
void TqelGroupMember::StoreNotifying(T& aField, T aValue) {
    TqelDataset* dataset = GetDataset();
    {
        qel::ModelLockGuard lock(dataset);
        if (aField == aValue) {
            return;
        }
        aField = aValue;
    }
    if (dataset) {
        dataset->notifyGroupChanged(FGroup);
    }
}

void TqelGroupMember::setBeginTime(int32_t aValue) {
    StoreNotifying(FBeginTime, aValue);
}

void TqelGroupMember::setEndTime(int32_t aValue) {
    StoreNotifying(FEndTime, aValue);
}

void TqelGroupMember::setRole(int32_t aValue) {
    StoreNotifying(FRole, aValue);
}

void TqelGroupMember::setBadData(bool aValue) {
    StoreNotifying(FBadData, aValue);
}

void TqelGroupMember::setBadHB(bool aValue) {
    StoreNotifying(FBadHB, aValue);
}

void TqelGroupMember::setSetupPosition(int32_t aValue) {
    StoreNotifying(FSetupPosition, aValue);
}

void TqelGroupMember::setGameTeamID(int32_t aValue) {
    FGameTeamID = aValue;
    if (FCalculation) {
        FCalculation->setGroupID(aValue);
    }
}

void TqelGroupMember::AssignFromOther(const TqelGroupMember& aGroupMember) {
    {
        qel::ModelLockGuard lock(GetDataset());
        FRole = aGroupMember.FRole;
        FBeginTime = aGroupMember.FBeginTime;
        FEndTime = aGroupMember.FEndTime;
        FSetupPosition = aGroupMember.FSetupPosition;
        FBadData = aGroupMember.FBadData;
    }
    setBadHB(aGroupMember.FBadHB);
}

// --- Group ---

TqelGroup::TqelGroup(TqelDataset* aDataSet, int32_t anID, TqelGroupType aGroupType)
    : FDataSet(aDataSet), FID(anID), FGroupType(aGroupType) {
    FGUID = qel::GuidToString(QUuid::createUuid());
    FName = qel::Translate("New group");
    setInitialized(true);
}

TqelGroup::~TqelGroup() {
    FVisualisations.clear();
    FLaps.clear();
    FMemberList.clear();
}

void TqelGroup::NotifyChanged() {
    if (FDataSet) {
        FDataSet->notifyGroupChanged(this);
    }
}

namespace {

// Stores a differing value under the model lock; true when it changed.
template <class T>
bool StoreLocked(const TqelDataset* aDataset, T& aField, const T& aValue) {
    qel::ModelLockGuard lock(aDataset);
    if (aField == aValue) {
        return false;
    }
    aField = aValue;
    return true;
}

}  // namespace

void TqelGroup::setName(const QString& aValue) {
    if (StoreLocked(FDataSet, FName, aValue)) {
        NotifyChanged();
    }
}

void TqelGroup::setShirtColor(uint32_t aValue) {
    if (!StoreLocked(FDataSet, FShirtColor, aValue)) {
        return;
    }
    for (const auto& member : FMemberList) {
        if (TqelTransponderData* transponder = member->Transponder()) {
            transponder->setAthleteColor(aValue);
        }
    }
    NotifyChanged();
}

void TqelGroup::setScore(int32_t aValue) {
    if (StoreLocked(FDataSet, FScore, aValue)) {
        NotifyChanged();
    }
}

void TqelGroup::setVisibleIn3D(bool aValue) {
    if (!StoreLocked(FDataSet, FVisibleIn3D, aValue)) {
        return;
    }
    for (const auto& visualisation : FVisualisations) {
        visualisation->setVisibleIn3DViewer(aValue);
    }
    NotifyChanged();
}

void TqelGroup::setNumberOfLaps(int32_t aValue) {
    if (StoreLocked(FDataSet, FNumberOfLaps, aValue)) {
        NotifyChanged();
    }
}

void TqelGroup::setMembersToFinish(int32_t aValue) {
    if (StoreLocked(FDataSet, FMembersToFinish, aValue)) {
        NotifyChanged();
    }
}

void TqelGroup::setPlayDirection(TqelPlayDirection aValue) {
    if (StoreLocked(FDataSet, FPlayDirection, aValue)) {
        NotifyChanged();
    }
}

void TqelGroup::setGame(TqelGame* aValue) {
    qel::ModelLockGuard lock(FDataSet);
    FGame = aValue;
}

void TqelGroup::setPart(TqelGamePart* aValue) {
    qel::ModelLockGuard lock(FDataSet);
    FGamePart = aValue;
}

// --- Members ---

TqelGroupMember* TqelGroup::GetMember(int32_t anIndex) const {
    CheckListIndex(FMemberList, anIndex);
    return FMemberList[static_cast<size_t>(anIndex)].get();
}

TqelGroupMember* TqelGroup::GetMemberByTransponderID(int32_t aTransponderId) const {
    if (!FMembers.contains(aTransponderId)) {
        return nullptr;
    }
    for (const auto& member : FMemberList) {
        if (member->TransponderID() == aTransponderId) {
            return member.get();
        }
    }
    return nullptr;
}

TqelGroupMember* TqelGroup::GetMemberByAntennaID(uint16_t aAntennaID) const {
    for (const auto& member : FMemberList) {
        if (member->AntennaID() == aAntennaID) {
            return member.get();
        }
    }
    return nullptr;
}

TqelGroupMember* TqelGroup::NewMember(int32_t aTransponderId) {
    if (!FDataSet) {
        return nullptr;
    }
    const TqelTransponderData* transponder = FDataSet->GetTransponderByTP(aTransponderId);
    if (!transponder) {
        return nullptr;
    }
    qel::ModelLockGuard lock(FDataSet);
    if (TqelGroupMember* existing = GetMemberByTransponderID(aTransponderId)) {
        return existing;
    }
    auto member = std::make_unique<TqelGroupMember>(this, aTransponderId, false);
    member->setRole(transponder->PlayerRole());
    if (member->Calculation()) {
        member->Calculation()->setRecalculationNeeded(true);
    }
    TqelGroupMember* result = member.get();
    AddMember(std::move(member));
    return result;
}

std::vector<TqelGroup*> TqelGroup::PartGroupsOfGame() const {
    std::vector<TqelGroup*> result;
    if (!IsTeamType(FGroupType) || !FGame) {
        return result;
    }
    for (int32_t i = 0; i < FGame->PartCount(); ++i) {
        if (TqelGroup* group = FGame->GetPart(i)->Group()) {
            result.push_back(group);
        }
    }
    return result;
}

void TqelGroup::AddMember(std::unique_ptr<TqelGroupMember> aMember) {
    if (!aMember) {
        return;
    }
    qel::ModelLockGuard lock(FDataSet);
    const int32_t id = aMember->TransponderID();
    TqelTransponderData* transponder = FDataSet ? FDataSet->GetTransponderByTP(id) : nullptr;
    if (FDataSet && !transponder) {
        return;
    }
    FMemberList.push_back(std::move(aMember));
    if (transponder) {
        transponder->AddedToGroup(this);
    }
    FMembers.include(id);
    for (TqelGroup* partGroup : PartGroupsOfGame()) {
        partGroup->NewMember(id);
    }
}

void TqelGroup::AddAllTransponders() {
    if (!FDataSet) {
        return;
    }
    for (int32_t i = 0; i < FDataSet->TransponderCount(); ++i) {
        const TqelTransponderData* transponder = FDataSet->getTransponder(i);
        if (transponder->Role() != roleBall) {
            NewMember(transponder->TPid());
        }
    }
}

void TqelGroup::AddAllTeamMembers() {
    if (FGroupType != gtPart || !FGame || !FDataSet) {
        return;
    }
    qel::ModelLockGuard lock(FDataSet);
    for (int32_t t = 0; t < FGame->TeamCount(); ++t) {
        const TqelGroup* team = FGame->GetTeam(t);
        for (const auto& member : team->FMemberList) {
            const int32_t id = member->TransponderID();
            if (!FDataSet->GetTransponderByTP(id) || GetMemberByTransponderID(id)) {
                continue;
            }
            if (TqelGroupMember* added = NewMember(id)) {
                added->setGameTeamID(team->ID());
            }
        }
    }
}

void TqelGroup::AddTranspondersFromGame() {
    if (FGroupType != gtPart || !FGame) {
        return;
    }
    qel::ModelLockGuard lock(FDataSet);
    for (int32_t t = 0; t < FGame->TeamCount(); ++t) {
        const TqelGroup* team = FGame->GetTeam(t);
        for (const auto& member : team->FMemberList) {
            NewMember(member->TransponderID());
        }
    }
}

void TqelGroup::RemoveMemberAt(int32_t anIndex) {
    const int32_t id = FMemberList[static_cast<size_t>(anIndex)]->TransponderID();
    FMembers.exclude(id);
    if (TqelTransponderData* transponder =
            FMemberList[static_cast<size_t>(anIndex)]->Transponder()) {
        transponder->RemovedFromGroup(this);
    }
    FMemberList.erase(FMemberList.begin() + anIndex);
}

void TqelGroup::DeleteMember(int32_t aMemberIndex, bool Recursief) {
    qel::ModelLockGuard lock(FDataSet);
    CheckListIndex(FMemberList, aMemberIndex);
    if (Recursief) {
        const int32_t id = FMemberList[static_cast<size_t>(aMemberIndex)]->TransponderID();
        for (TqelGroup* partGroup : PartGroupsOfGame()) {
            if (partGroup == this) {
                continue;
            }
            for (int32_t i = 0; i < partGroup->MemberCount(); ++i) {
                if (partGroup->FMemberList[static_cast<size_t>(i)]->TransponderID() == id) {
                    partGroup->DeleteMember(i, false);
                    break;
                }
            }
        }
    }
    RemoveMemberAt(aMemberIndex);
}

void TqelGroup::DeleteMember(const TqelTransponderData& aTransponder, bool Recursief) {
    qel::ModelLockGuard lock(FDataSet);
    const int32_t id = aTransponder.TPid();
    for (int32_t i = 0; i < MemberCount(); ++i) {
        if (FMemberList[static_cast<size_t>(i)]->TransponderID() == id) {
            DeleteMember(i, Recursief);
            return;
        }
    }
}

void TqelGroup::ClearMembers() {
    qel::ModelLockGuard lock(FDataSet);
    for (TqelGroup* partGroup : PartGroupsOfGame()) {
        if (partGroup == this) {
            continue;
        }
        for (const auto& member : FMemberList) {
            for (int32_t i = 0; i < partGroup->MemberCount(); ++i) {
                if (partGroup->FMemberList[static_cast<size_t>(i)]->TransponderID() ==
                    member->TransponderID()) {
                    partGroup->DeleteMember(i, false);
                    break;
                }
            }
        }
    }
    for (const auto& member : FMemberList) {
        if (TqelTransponderData* transponder = member->Transponder()) {
            transponder->RemovedFromGroup(this);
        }
    }
    FMemberList.clear();
    FMembers.clear();
}

void TqelGroup::setMemberSet(const TqelTransponderSet& aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (aValue == FMembers) {
            return;
        }
        for (int32_t i = MemberCount() - 1; i >= 0; --i) {
            if (!aValue.contains(FMemberList[static_cast<size_t>(i)]->TransponderID())) {
                DeleteMember(i, true);
            }
        }
        FMembers.clear();
        for (const auto& member : FMemberList) {
            FMembers.include(member->TransponderID());
        }
        // Ids 100 to 103 are kept but never added.
        for (int32_t id = 0; id <= 99; ++id) {
            if (aValue.contains(id) && !FMembers.contains(id)) {
                NewMember(id);
            }
        }
    }
    NotifyChanged();
}

// --- Visualisations ---

TqelVisualisation* TqelGroup::NewVisualisation(TqelVisualisationType aVisualisationType) {
    if (FVisualisationSet.contains(aVisualisationType)) {
        return nullptr;
    }
    const int32_t id = FDataSet ? FDataSet->IncLastVisualisationID() : 0;
    auto visualisation = std::make_unique<TqelVisualisation>(this, id, aVisualisationType);
    TqelVisualisation* result = visualisation.get();
    AddVisualisation(std::move(visualisation));
    return result;
}

void TqelGroup::AddVisualisation(std::unique_ptr<TqelVisualisation> aVisualisation) {
    if (!aVisualisation) {
        return;
    }
    TqelVisualisation* visualisation = aVisualisation.get();
    {
        qel::ModelLockGuard lock(FDataSet);
        FVisualisationSet.include(visualisation->VisualisationType());
        FVisualisations.push_back(std::move(aVisualisation));
    }
    if (FDataSet) {
        FDataSet->NotifyItemAdded(visualisation, itemVisualisation,
                                  visualisation->VisualisationType());
    }
}

void TqelGroup::DeleteVisualisation(TqelVisualisation* aVisualisation) {
    for (int32_t i = 0; i < VisualisationCount(); ++i) {
        if (FVisualisations[static_cast<size_t>(i)].get() == aVisualisation) {
            DeleteVisualisation(i);
            return;
        }
    }
}

void TqelGroup::DeleteVisualisation(int32_t aIndex) {
    CheckListIndex(FVisualisations, aIndex);
    TqelVisualisation* visualisation = FVisualisations[static_cast<size_t>(aIndex)].get();
    const TqelVisualisationType type = visualisation->VisualisationType();
    if (FDataSet) {
        FDataSet->NotifyItemDeleting(visualisation, itemVisualisation, type);
    }
    qel::ModelLockGuard lock(FDataSet);
    FVisualisationSet.exclude(type);
    FVisualisations.erase(FVisualisations.begin() + aIndex);
}

void TqelGroup::DeleteVisualisation(TqelVisualisationType aVisualisationType) {
    for (int32_t i = 0; i < VisualisationCount(); ++i) {
        if (FVisualisations[static_cast<size_t>(i)]->VisualisationType() == aVisualisationType) {
            DeleteVisualisation(i);
            return;
        }
    }
    DeleteVisualisation(-1);
}

TqelVisualisation* TqelGroup::GetVisualisation(int32_t aIndex) const {
    CheckListIndex(FVisualisations, aIndex);
    return FVisualisations[static_cast<size_t>(aIndex)].get();
}

TqelVisualisation* TqelGroup::getVisualisationByType(
    TqelVisualisationType aVisualisationType) const {
    for (auto it = FVisualisations.rbegin(); it != FVisualisations.rend(); ++it) {
        if ((*it)->VisualisationType() == aVisualisationType) {
            return it->get();
        }
    }
    return nullptr;
}

TqelGroupLap* TqelGroup::getLap(int32_t anIndex) const {
    CheckListIndex(FLaps, anIndex);
    return FLaps[static_cast<size_t>(anIndex)].get();
}

// --- Text and take-over ---

QString TqelGroup::ToString(TqelGroupToStringType aGroupToString) const {
    if (aGroupToString != gtsGameAndName) {
        return FName;
    }
    if (FGame) {
        return FGame->Name() + QStringLiteral(" - ") + FName;
    }
    return QStringLiteral("Group - ") + FName;
}

void TqelGroup::AssignFromOther(TqelGroup& aGroup) {
    qel::ModelLockGuard lock(FDataSet);
    FName = aGroup.FName;
    FGUID = aGroup.FGUID;
    FShirtColor = aGroup.FShirtColor;
    FVisibleIn3D = aGroup.FVisibleIn3D;
    FNumberOfLaps = aGroup.FNumberOfLaps;
    FMembersToFinish = aGroup.FMembersToFinish;
    FScore = aGroup.FScore;
    FPlayDirection = aGroup.FPlayDirection;
    FSystemID = aGroup.FSystemID;
    FExternalID = aGroup.FExternalID;
    // The other group belongs to another dataset: members are matched by antenna.
    for (const auto& member : aGroup.FMemberList) {
        member->setChecked(false);
    }
    for (int32_t i = MemberCount() - 1; i >= 0; --i) {
        TqelGroupMember& own = *FMemberList[static_cast<size_t>(i)];
        if (TqelGroupMember* other = aGroup.GetMemberByAntennaID(own.AntennaID())) {
            own.AssignFromOther(*other);
            other->setChecked(true);
        } else {
            DeleteMember(i, true);
        }
    }
    if (!FDataSet) {
        return;
    }
    for (const auto& other : aGroup.FMemberList) {
        if (other->Checked()) {
            continue;
        }
        const TqelTransponderData* transponder =
            FDataSet->GetTransponderByAtenna(other->AntennaID());
        if (!transponder) {
            continue;
        }
        if (TqelGroupMember* member = NewMember(transponder->TPid())) {
            member->AssignFromOther(*other);
        }
    }
}

// --- Play direction ---

TqelPlayDirection TqelGroup::CurrentPlayDirection(int32_t aCurrentTimeInMS) {
    qel::ModelLockGuard lock(FDataSet);
    const int32_t t =
        aCurrentTimeInMS == -1 && FDataSet ? FDataSet->PlayposInMS() : aCurrentTimeInMS;
    TqelPlayDirection result = FPlayDirection;
    if (!FGame || FGame->GameType() != gameMatch) {
        return result;
    }
    for (int32_t i = 1; i < FGame->PartCount(); ++i) {
        const TqelGamePart* part = FGame->GetPart(i);
        if (part->BeginTimeInMS() <= t && t <= part->EndTimeInMS() && i % 2 == 0) {
            result = Turned(FPlayDirection);
        }
    }
    return result;
}

TqelPlayDirection TqelGroup::CalcPlayDirection(int32_t aBeginTimeMS) {
    qel::ModelLockGuard lock(FDataSet);
    const TqelField* field = FDataSet ? FDataSet->Field() : nullptr;
    if (!field) {
        return pldNone;
    }
    const int32_t start = aBeginTimeMS != 0 ? aBeginTimeMS : (FGame ? FGame->BeginTimeInMS() : 0);
    int32_t counted = 0;
    double sumX = 0;
    for (int64_t t = start; t < int64_t{start} + 1000 && counted == 0; t += 100) {
        for (const auto& member : FMemberList) {
            TqelTransponderData* transponder = member->Transponder();
            if (!transponder) {
                continue;
            }
            const RqelCalculatedPosition position =
                transponder->calcPosition(static_cast<int32_t>(t));
            if (field->isOnField(position)) {
                ++counted;
                sumX += position.XinM;
            }
        }
    }
    if (counted == 0) {
        return pldNone;
    }
    // The group stands in the half of larger X: it attacks towards smaller X.
    return sumX >= 0 ? pldRightToLeft : pldLeftToRight;
}

double TqelGroup::calcGroupLength(int32_t) {
    return 0;
}

double TqelGroup::calcGroupWidth(int32_t) {
    return 0;
}

double TqelGroup::calcGroupArea(int32_t) {
    return 0;
}

int32_t TqelGroup::IndexMemberPositions(int32_t, TqelCalculatedPositionArray& aPositionArray,
                                        bool) {
    aPositionArray.clear();
    return 0;
}
