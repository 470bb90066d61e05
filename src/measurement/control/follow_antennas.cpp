#include "measurement/control/follow_antennas.h"

#include "database/row_helpers.h"
#include "measurement/control/antenna_data.h"
#include "measurement/control/antenna_list.h"
#include "platform/exception.h"

TqelFollowAntenna::TqelFollowAntenna(TqelAntennaData* anAntennaData, int32_t aCamFollowIndex)
    : FAntennaData(anAntennaData), FCamFollowIndex(aCamFollowIndex) {
    qel::Assert(anAntennaData != nullptr, QStringLiteral("A follow entry needs a transponder."));
    FAntennaID = anAntennaData->AntennaID();
    TqelFollowData* followData = anAntennaData->GetFollowData(aCamFollowIndex);
    anAntennaData->AttachFollower(this);
    followData->setFollowing(true);
}

TqelFollowAntenna::~TqelFollowAntenna() {
    ClearAntennaData();
}

void TqelFollowAntenna::ClearAntennaData() {
    TqelAntennaData* data = FAntennaData;
    if (!data) {
        return;
    }
    // Detached first: what the notification triggers sees the entry without its transponder.
    FAntennaData = nullptr;
    data->DetachFollower(this);
    if (TqelFollowData* followData = data->FollowDataOrNil(FCamFollowIndex)) {
        followData->setFollowing(false);
    }
}

TqelFollowAntennas::TqelFollowAntennas(TqelAntennaList* anAntennaList, int32_t aCamFollowIndex)
    : FAntennaList(anAntennaList), FCamFollowIndex(aCamFollowIndex) {}

TqelFollowAntennas::~TqelFollowAntennas() {
    Clear();
}

void TqelFollowAntennas::Clear() {
    // Out of the list first: a notification may look at the list.
    const std::vector<std::unique_ptr<TqelFollowAntenna>> entries = std::move(FFollowAntennas);
    FFollowAntennas.clear();
    for (const auto& entry : entries) {
        entry->ClearAntennaData();
    }
}

TqelFollowAntenna* TqelFollowAntennas::Add(TqelAntennaData* anAntennaData,
                                           const RqelPositionRec& aLastPos) {
    if (!anAntennaData) {
        return nullptr;
    }
    auto entry = std::make_unique<TqelFollowAntenna>(anAntennaData, FCamFollowIndex);
    *entry->LastPos() = aLastPos;
    FFollowAntennas.push_back(std::move(entry));
    return FFollowAntennas.back().get();
}

TqelFollowAntenna* TqelFollowAntennas::Add(uint16_t anAntennaID) {
    for (const auto& entry : FFollowAntennas) {
        if (entry->AntennaID() == anAntennaID) {
            return entry.get();
        }
    }
    if (FFollowOnlyOneAntenna) {
        Clear();
    }
    TqelAntennaData* data = FAntennaList ? FAntennaList->ItemByAntennaID(anAntennaID) : nullptr;
    return data ? Add(data, data->LastKnown()) : nullptr;
}

int32_t TqelFollowAntennas::GetFollowingAntennaIDs(TqelArrayOfWord& aAntennaIDs) const {
    aAntennaIDs.clear();
    for (const auto& entry : FFollowAntennas) {
        aAntennaIDs.append(entry->AntennaID());
    }
    return static_cast<int32_t>(aAntennaIDs.size());
}

void TqelFollowAntennas::SetFollowingAntennaIDs(const TqelArrayOfWord& aAntennaIDs) {
    for (size_t i = FFollowAntennas.size(); i-- > 0;) {
        TqelFollowAntenna& entry = *FFollowAntennas[i];
        if (!aAntennaIDs.contains(entry.AntennaID())) {
            EraseAt(i);
        } else if (entry.Data()) {
            entry.Data()->GetFollowData(FCamFollowIndex)->setFollowing(true);
        }
    }
    for (const uint16_t antennaID : aAntennaIDs) {
        Add(antennaID);
    }
}

bool TqelFollowAntennas::IsFollowingAntenna(uint16_t anAntennaID) const {
    for (const auto& entry : FFollowAntennas) {
        if (entry->AntennaID() == anAntennaID) {
            return true;
        }
    }
    return false;
}

void TqelFollowAntennas::Delete(int32_t anIndex) {
    TqelFollowAntenna* entry = GetItem(anIndex);
    if (entry->Data()) {
        entry->Data()->GetFollowData(FCamFollowIndex)->setFollowingWithoutNotification(false);
    }
    EraseAt(static_cast<size_t>(anIndex));
}

void TqelFollowAntennas::DeleteByAntenna(uint16_t anAntennaID) {
    for (size_t i = FFollowAntennas.size(); i-- > 0;) {
        if (FFollowAntennas[i]->AntennaID() == anAntennaID) {
            EraseAt(i);
        }
    }
}

TqelFollowAntenna* TqelFollowAntennas::GetItem(int32_t anIndex) const {
    return qel::RowAt(FFollowAntennas, anIndex);
}

void TqelFollowAntennas::EraseAt(size_t anIndex) {
    // Out of the list before it dies: its notification may look at the list.
    std::unique_ptr<TqelFollowAntenna> entry = std::move(FFollowAntennas[anIndex]);
    FFollowAntennas.erase(FFollowAntennas.begin() + static_cast<std::ptrdiff_t>(anIndex));
}
