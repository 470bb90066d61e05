#include <QVariant>
#include <algorithm>

#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/visualisation.h"
#include "platform/exception.h"

TqelGroup* TqelDataset::addGroup(TqelGame* aGame, TqelGroupType aGroupType) {
    TqelGroup* group = nullptr;
    {
        std::lock_guard lock(FModelLock);
        const int32_t id = aGroupType == gtPart ? ++FLastGroupPartID : ++FLastGroupID;
        group = FGroups.emplace_back(std::make_unique<TqelGroup>(this, id, aGroupType)).get();
        group->setGame(aGame);
    }
    NotifyItemAdded(group, itemGroup, group->ID());
    return group;
}

void TqelDataset::ForgetGroup(const TqelGroup* aGroup) {
    std::lock_guard lock(FModelLock);
    for (const auto& game : FGames) {
        game->ForgetTeam(aGroup);
        for (int32_t i = 0; i < game->PartCount(); ++i) {
            TqelGamePart* part = game->GetPart(i);
            if (part->Group() == aGroup) {
                part->setGroup(nullptr);
            }
        }
    }
}

void TqelDataset::deleteGroup(TqelGroup* aGroup) {
    if (!aGroup) {
        return;
    }
    if (FSelectedGroup == aGroup) {
        setSelectedGroup(nullptr);
    }
    const int32_t id = aGroup->ID();
    NotifyItemDeleting(aGroup, itemGroup, id);
    {
        std::lock_guard lock(FModelLock);
        const auto found = std::find_if(FGroups.begin(), FGroups.end(), [aGroup](const auto& aOwn) {
            return aOwn.get() == aGroup;
        });
        if (found != FGroups.end()) {
            for (int32_t i = aGroup->MemberCount() - 1; i >= 0; --i) {
                aGroup->DeleteMember(i, true);
            }
            ForgetGroup(aGroup);
            FGroups.erase(found);
        }
    }
    NotifyItemDeleted(itemGroup, id);
}

void TqelDataset::clearGroups() {
    if (FSelectedGroup) {
        setSelectedGroup(nullptr);
    }
    {
        std::lock_guard lock(FModelLock);
        // A transponder must not keep a group that is freed.
        for (const auto& group : FGroups) {
            group->ClearMembers();
            ForgetGroup(group.get());
        }
        FGroups.clear();
    }
    NotifyItemsCleared(itemGroup);
}

TqelGroup* TqelDataset::getGroup(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= GroupCount()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2").arg(anIndex).arg(GroupCount()));
    }
    return FGroups[static_cast<size_t>(anIndex)].get();
}

TqelGroup* TqelDataset::getGroupByID(int32_t aGroupID) const {
    for (const auto& group : FGroups) {
        if (group->ID() == aGroupID) {
            return group.get();
        }
    }
    return nullptr;
}

TqelGroup* TqelDataset::getGroupByGUID(const QString& aGUID) const {
    for (const auto& group : FGroups) {
        if (group->GUID() == aGUID) {
            return group.get();
        }
    }
    return nullptr;
}

TqelGroup* TqelDataset::findGroupByID(const QVariant& anID) const {
    if (anID.isNull()) {
        return nullptr;
    }
    for (const auto& group : FGroups) {
        if (QVariant(group->ID()) == anID) {
            return group.get();
        }
    }
    return nullptr;
}

TqelGroup* TqelDataset::GroupByName(const QString& aName) const {
    for (auto it = FGroups.rbegin(); it != FGroups.rend(); ++it) {
        if ((*it)->Name() == aName) {
            return it->get();
        }
    }
    return nullptr;
}

void TqelDataset::notifyGroupChanged(TqelGroup* aGroup) {
    NotifyItemChanged(aGroup, itemGroup, aGroup->ID());
}

void TqelDataset::setSelectedGroup(TqelGroup* aValue) {
    FSelectedGroup = aValue;
    NotifyItemSelected(aValue, itemGroup, aValue ? aValue->ID() : 0);
}

namespace {

// The first team of the first game whose whole part covers the time that holds the player.
const TqelGroup* TeamOfPlayer(const std::vector<std::unique_ptr<TqelGame>>& aGames,
                              int32_t aTimeStampInMS, int32_t aPlayer) {
    for (const auto& game : aGames) {
        if (game->BeginTimeInMS() <= aTimeStampInMS && aTimeStampInMS < game->EndTimeInMS()) {
            return game->GetTeamByMember(aPlayer);
        }
    }
    return nullptr;
}

}  // namespace

bool TqelDataset::InSameTeam(int32_t aTimeStampInMS, int32_t aPlayer1, int32_t aPlayer2) const {
    std::lock_guard lock(FModelLock);
    const TqelGroup* team = TeamOfPlayer(FGames, aTimeStampInMS, aPlayer1);
    return team && team->Members().contains(aPlayer2);
}

int32_t TqelDataset::PlayerInTeam(int32_t aTimeStampInMS, int32_t aPlayerId) const {
    std::lock_guard lock(FModelLock);
    const TqelGroup* team = TeamOfPlayer(FGames, aTimeStampInMS, aPlayerId);
    return team ? team->ID() : 0;
}

void TqelDataset::setLastVisualisationID(int32_t aValue) {
    FLastVisualisationID = std::max(FLastVisualisationID, aValue);
}

TqelVisualisation* TqelDataset::VisualisationByID(int32_t aID) const {
    for (const auto& group : FGroups) {
        for (int32_t i = 0; i < group->VisualisationCount(); ++i) {
            if (group->GetVisualisation(i)->ID() == aID) {
                return group->GetVisualisation(i);
            }
        }
    }
    return nullptr;
}
