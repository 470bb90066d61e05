#include "model/groups/game.h"

#include <algorithm>

#include "app/translation.h"
#include "database/agility/agility_definitions.h"
#include "database/database.h"
#include "model/blocks/handball_phase.h"
#include "model/blocks/passes.h"
#include "model/dataset/dataset.h"
#include "model/groups/group.h"
#include "model/groups/model_lock.h"
#include "platform/exception.h"
#include "platform/text_compare.h"

namespace {

void CheckNotNegative(int32_t anIndex) {
    if (anIndex < 0) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list").arg(anIndex));
    }
}

TqelGroupType TeamGroupType(TqelGameType aGameType) {
    switch (aGameType) {
        case gameExercise:
            return gtExercise;
        case gameMatch:
            return gtGame;
        default:
            return gtGroup;
    }
}

}  // namespace

TqelGame::TqelGame(TqelDataset* aDataSet, int32_t anID, TqelGameType aGameType)
    : FGUID(QUuid::createUuid()), FDataSet(aDataSet), FID(anID), FGameType(aGameType) {
    setBeginTimeInMS(0);
    setEndTimeInMS(0);
    TqelDatabase* database = FDataSet ? FDataSet->Database() : nullptr;
    FAgilityDefs =
        std::make_unique<TqeldbAgilityDefinitions>(database ? database->Connection() : nullptr);
    setInitialized(true);
}

TqelGame::~TqelGame() {
    FPasses.clear();
    FAgilityDefs.reset();
    FHandballGamePhases.clear();
    FTeams.clear();
    FParts.clear();
}

void TqelGame::setChanged(bool aValue) {
    TNotifyVaruza::setChanged(aValue);
    if (UpdateCount() > 0) {
        return;
    }
    if (FDataSet && Changed()) {
        FDataSet->notifyGameChanged(this);
        TNotifyVaruza::setChanged(false);
    }
}

void TqelGame::Delete() {
    if (FDataSet) {
        FDataSet->deleteGame(this);
    }
}

template <class T>
void TqelGame::StoreChanging(T& aField, const T& aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (aField == aValue) {
            return;
        }
        aField = aValue;
    }
    setChanged(true);
}

void TqelGame::setName(const QString& aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (FGameName == aValue) {
            return;
        }
        FGameName = aValue;
    }
    if (FDataSet) {
        FAgilityDefs->RetreiveByExrName(aValue);
    }
    setChanged(true);
}

void TqelGame::setNameID(int32_t aValue) {
    StoreChanging(FNameID, aValue);
}

void TqelGame::setGameType(TqelGameType aValue) {
    StoreChanging(FGameType, aValue);
}

void TqelGame::setTrainingType(int32_t aValue) {
    StoreChanging(FTrainingType, aValue);
}

void TqelGame::setRemark(const QString& aValue) {
    StoreChanging(FRemark, aValue);
}

void TqelGame::setGameIsEnded(bool aValue) {
    StoreChanging(FGameIsEnded, aValue);
}

void TqelGame::setBallID(int32_t aValue) {
    StoreChanging(FBallID, aValue);
}

void TqelGame::setClockBasedGame(bool aValue) {
    StoreChanging(FClockBasedGame, aValue);
}

void TqelGame::setFieldDimensions(const QString& aValue) {
    StoreChanging(FFieldDimensions, aValue);
}

// --- Times ---

int32_t TqelGame::BeginTimeInMS() const {
    const TqelGamePart* whole = FindPartByID(0);
    return whole ? whole->BeginTimeInMS() : 0;
}

int32_t TqelGame::EndTimeInMS() const {
    const TqelGamePart* whole = FindPartByID(0);
    return whole ? whole->EndTimeInMS() : 0;
}

void TqelGame::setBeginTimeInMS(int32_t aValue) {
    qel::ModelLockGuard lock(FDataSet);
    TqelGamePart* whole = GetPartByID(0);
    if (aValue == whole->BeginTimeInMS()) {
        return;
    }
    whole->setBeginTimeInMS(aValue);
    setChanged(true);
}

void TqelGame::setEndTimeInMS(int32_t aValue) {
    qel::ModelLockGuard lock(FDataSet);
    TqelGamePart* whole = GetPartByID(0);
    if (aValue == whole->EndTimeInMS()) {
        return;
    }
    const int32_t value = FDataSet ? std::min(aValue, FDataSet->DurationInMS()) : aValue;
    whole->setEndTimeInMS(value);
    if (FDataSet) {
        FDataSet->RecalculatePartsRestTime();
    }
    setChanged(true);
}

// --- Teams ---

TqelGroup* TqelGame::AddTeam(const QString& aTeamName) {
    if (!FDataSet) {
        return nullptr;
    }
    qel::ModelLockGuard lock(FDataSet);
    TqelGroup* team = FDataSet->addGroup(this, TeamGroupType(FGameType));
    team->setName(aTeamName);
    FTeams.push_back(team);
    return team;
}

void TqelGame::DeleteTeam(int32_t aIndex) {
    if (aIndex < 0 || aIndex >= TeamCount()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2").arg(aIndex).arg(TeamCount()));
    }
    qel::ModelLockGuard lock(FDataSet);
    TqelGroup* team = FTeams[static_cast<size_t>(aIndex)];
    if (FDataSet) {
        // Also takes the team out of this list.
        FDataSet->deleteGroup(team);
    }
    ForgetTeam(team);
}

void TqelGame::ForgetTeam(const TqelGroup* aTeam) {
    qel::ModelLockGuard lock(FDataSet);
    std::erase(FTeams, aTeam);
    for (const auto& phase : FHandballGamePhases) {
        phase->ForgetTeam(aTeam);
    }
}

TqelGroup* TqelGame::GetTeam(int32_t aIndex) const {
    CheckNotNegative(aIndex);
    return aIndex < TeamCount() ? FTeams[static_cast<size_t>(aIndex)] : nullptr;
}

TqelGroup* TqelGame::GetTeamByID(int32_t aTeamID) const {
    for (TqelGroup* team : FTeams) {
        if (team->ID() == aTeamID) {
            return team;
        }
    }
    return nullptr;
}

int32_t TqelGame::GetTeamIndex(int32_t aGrpID) const {
    for (int32_t i = 0; i < TeamCount(); ++i) {
        if (FTeams[static_cast<size_t>(i)]->ID() == aGrpID) {
            return i;
        }
    }
    return -1;
}

TqelGroup* TqelGame::TeamByName(const QString& aTeamName) const {
    for (TqelGroup* team : FTeams) {
        if (qel::SameText(team->Name(), aTeamName)) {
            return team;
        }
    }
    return nullptr;
}

TqelGroup* TqelGame::GetTeamByMember(int32_t aTransponderId) const {
    for (TqelGroup* team : FTeams) {
        if (team->Members().contains(aTransponderId)) {
            return team;
        }
    }
    return nullptr;
}

bool TqelGame::InSameTeam(int32_t aPlayer1, int32_t aPlayer2) const {
    const TqelGroup* team = GetTeamByMember(aPlayer1);
    return team && team->Members().contains(aPlayer2);
}

TqelGroup* TqelGame::GetOpponentTeam(const TqelGroup* aTeam) const {
    if (!aTeam || TeamCount() < 2) {
        return nullptr;
    }
    return aTeam == FTeams[0] ? FTeams[1] : FTeams[0];
}

TqelGroup* TqelGame::GetOpponentTeam(int32_t aTransponderId) const {
    return GetOpponentTeam(GetTeamByMember(aTransponderId));
}

// --- Parts ---

TqelGamePart* TqelGame::AddPart(const QString& aPartName, int32_t aPartID, int32_t aBeginTimeInMS,
                                int32_t aEndTimeInMS, bool aPartIsEnded) {
    qel::ModelLockGuard lock(FDataSet);
    int32_t id = aPartID;
    if (aPartID == -1) {
        id = ++FLastPartID;
    } else {
        FLastPartID = std::max(FLastPartID, aPartID);
    }
    TqelGamePart* part = FParts.emplace_back(std::make_unique<TqelGamePart>(this, id, true)).get();
    part->setPartName(aPartName.isEmpty() ? QStringLiteral("Part %1").arg(id) : aPartName);
    part->setBeginTimeInMS(aBeginTimeInMS);
    part->setEndTimeInMS(aEndTimeInMS);
    part->setPartIsEnded(aPartIsEnded);
    part->setFieldDimensions(FFieldDimensions);
    if (FDataSet) {
        if (FDataSet->Recording()) {
            if (TqelGamePart* last = FDataSet->LastPart()) {
                last->setRestTimeInMS(aBeginTimeInMS - last->EndTimeInMS());
            }
            FDataSet->setLastPart(part);
        } else {
            FDataSet->RecalculatePartsRestTime();
        }
    }
    setChanged(true);
    return part;
}

void TqelGame::DeletePart(int32_t aPartID) {
    if (aPartID == 0 || (FClockBasedGame && FDataSet && FDataSet->Recording())) {
        return;
    }
    const int32_t index = GetPartIndex(aPartID);
    if (index < 0) {
        return;
    }
    TqelGamePart* part = FParts[static_cast<size_t>(index)].get();
    if (FDataSet) {
        FDataSet->NotifyItemDeleting(part, itemGamePart, aPartID);
    }
    {
        qel::ModelLockGuard lock(FDataSet);
        if (FDataSet) {
            FDataSet->ForgetGamePart(part);
        }
        FParts.erase(FParts.begin() + index);
    }
    if (FDataSet) {
        FDataSet->NotifyItemDeleted(itemGamePart, aPartID);
    }
}

TqelGamePart* TqelGame::GetPart(int32_t aIndex) const {
    CheckNotNegative(aIndex);
    return aIndex < PartCount() ? FParts[static_cast<size_t>(aIndex)].get() : nullptr;
}

TqelGamePart* TqelGame::FindPartByID(int32_t aPartID) const {
    for (const auto& part : FParts) {
        if (part->ID() == aPartID) {
            return part.get();
        }
    }
    return nullptr;
}

TqelGamePart* TqelGame::GetPartByID(int32_t aPartID) {
    if (TqelGamePart* part = FindPartByID(aPartID)) {
        return part;
    }
    if (aPartID != 0) {
        return nullptr;
    }
    QString name;
    if (FGameType == gameExercise) {
        name = qel::Translate("Whole exercise");
    } else if (FGameType == gameMatch) {
        name = qel::Translate("Whole game");
    }
    return AddPart(name, 0, 0, 0, false);
}

int32_t TqelGame::GetPartIndex(int32_t aPartID) const {
    for (int32_t i = 0; i < PartCount(); ++i) {
        if (FParts[static_cast<size_t>(i)]->ID() == aPartID) {
            return i;
        }
    }
    return -1;
}

TqelGamePart* TqelGame::GetPartByTime(int32_t aTimestamp) const {
    if (FParts.empty() || aTimestamp < BeginTimeInMS() || aTimestamp > EndTimeInMS()) {
        return nullptr;
    }
    TqelGamePart* result = FParts[0].get();
    for (size_t i = 1; i < FParts.size(); ++i) {
        const TqelGamePart& part = *FParts[i];
        if (part.BeginTimeInMS() <= aTimestamp && aTimestamp <= part.EndTimeInMS()) {
            result = FParts[i].get();
        }
    }
    return result;
}

TqelGamePart* TqelGame::PartByGUID(const QString& aGUID) const {
    for (const auto& part : FParts) {
        if (part->GUID() == aGUID) {
            return part.get();
        }
    }
    return nullptr;
}

bool TqelGame::OwnsPart(const TqelGamePart* aPart) const {
    return std::any_of(FParts.begin(), FParts.end(),
                       [aPart](const auto& aOwn) { return aOwn.get() == aPart; });
}

void TqelGame::AssignFromOther(const TqelGame& aGame) {
    qel::ModelLockGuard lock(FDataSet);
    FGUID = aGame.FGUID;
    FGameName = aGame.FGameName;
    FGameType = aGame.FGameType;
    FTrainingType = aGame.FTrainingType;
    FRemark = aGame.FRemark;
    while (TeamCount() > aGame.TeamCount()) {
        DeleteTeam(0);
    }
    // Without a dataset no team can be added.
    while (TeamCount() < aGame.TeamCount() && AddTeam(QString())) {
    }
    for (int32_t i = 0; i < std::min(TeamCount(), aGame.TeamCount()); ++i) {
        FTeams[static_cast<size_t>(i)]->AssignFromOther(*aGame.FTeams[static_cast<size_t>(i)]);
    }
    for (int32_t i = PartCount() - 1; i >= 0; --i) {
        TqelGamePart* part = FParts[static_cast<size_t>(i)].get();
        if (aGame.PartByGUID(part->GUID())) {
            continue;
        }
        if (FDataSet) {
            if (TqelGroup* group = part->Group()) {
                FDataSet->deleteGroup(group);
            }
            FDataSet->ForgetGamePart(part);
        }
        FParts.erase(FParts.begin() + i);
    }
    for (const auto& other : aGame.FParts) {
        TqelGamePart* part = PartByGUID(other->GUID());
        if (!part) {
            part = FParts.emplace_back(std::make_unique<TqelGamePart>(this, -1, true)).get();
            part->setGUID(other->GUID());
        }
        part->AssignFromOther(*other);
        // Later parts must not take a copied id again.
        FLastPartID = std::max(FLastPartID, part->ID());
    }
}
