#include <mutex>

#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/transponder/transponder_data.h"

namespace {

constexpr int32_t kKeeperRole = 2;

}  // namespace

int32_t TqelTransponderData::GetTeamID(int32_t aTimeStampInMS) const {
    if (Role() == roleBall) {
        return -1;
    }
    if (Role() == roleReferee) {
        return 2;
    }
    if (!FDataSet) {
        return -2;
    }
    std::lock_guard lock(FDataSet->ModelLock());
    const TqelGame* game = FDataSet->GameByTime(aTimeStampInMS);
    const TqelGroup* team = game ? game->GetTeamByMember(TPid()) : nullptr;
    const TqelGroupMember* member = team ? team->GetMemberByTransponderID(TPid()) : nullptr;
    if (!member) {
        return -2;
    }
    const bool firstTeam = team == game->GetTeam(0);
    if (member->Role() == kKeeperRole) {
        return firstTeam ? 3 : 4;
    }
    return firstTeam ? 0 : 1;
}

TqelGroup* TqelTransponderData::getCurrentTeam(int32_t aTimeStampInMS) const {
    if (!FDataSet) {
        return nullptr;
    }
    std::lock_guard lock(FDataSet->ModelLock());
    for (int32_t i = 0; i < FDataSet->GameCount(); ++i) {
        const TqelGame* game = FDataSet->getGame(i);
        if (game->BeginTimeInMS() <= aTimeStampInMS && aTimeStampInMS <= game->EndTimeInMS()) {
            if (TqelGroup* team = game->GetTeamByMember(TPid())) {
                return team;
            }
        }
    }
    return nullptr;
}

void TqelTransponderData::GiveRoleToMemberships(int32_t aRole) {
    if (!FDataSet) {
        return;
    }
    std::lock_guard lock(FDataSet->ModelLock());
    QList<TqelGroup*> groups;
    {
        std::lock_guard listLock(FListLock);
        groups = FGroups;
    }
    for (TqelGroup* group : groups) {
        for (int32_t i = 0; i < group->MemberCount(); ++i) {
            TqelGroupMember* member = group->GetMember(i);
            if (member->TransponderID() == TPid() && member->Role() == 0) {
                member->setRole(aRole);
            }
        }
    }
}
