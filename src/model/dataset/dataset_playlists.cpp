// The dataset's playlists, viewer option sets and paths, on the main thread.

#include <algorithm>

#include "model/blocks/block_objects.h"
#include "model/dataset/dataset.h"
#include "model/field/field_varuza.h"
#include "model/transponder/transponder_data.h"
#include "platform/binary_stream.h"
#include "platform/text_compare.h"

namespace {

// The fewest bytes of a playlist block of that version (an empty description, no items).
qint64 PlayListBlockBytes(uint16_t aVersion) {
    const qint64 idAndCount = 2 * sizeof(int32_t) + sizeof(uint32_t);
    return idAndCount + (aVersion >= 85 ? 2 * sizeof(int32_t) : 0);
}

// ID, empty description, no ids, no lines.
constexpr qint64 ViewerOptionSetBlockBytes = 4 * sizeof(int32_t);

// Searched from the back, where a deleted subtree's newest playlists are: deleting a deep tree
// stays linear.
template <class List>
auto FindOwned(List& aList, const void* anObject) {
    const auto found = std::find_if(aList.rbegin(), aList.rend(), [anObject](const auto& anOwned) {
        return anOwned.get() == anObject;
    });
    return found == aList.rend() ? aList.end() : std::next(found).base();
}

}  // namespace

// --- Playlists ---

TqelPlayList* TqelDataset::PlayListAdd(const QString& aDescription, int32_t aTPID,
                                       int32_t aParentID) {
    auto owned = std::make_unique<TqelPlayList>(this, ++FLastPlaylistID, aParentID);
    TqelPlayList* playList = owned.get();
    if (aParentID != -1) {
        GetPlayListByID(aParentID)->ChildAdded(playList);
    }
    // Not yet initialized: neither setter tells anybody.
    playList->setDescription(aDescription);
    playList->setTransponderID(aTPID);
    FPlaylists.push_back(std::move(owned));
    playList->setInitialized(true);
    NotifyItemAdded(playList, itemPlayList, playList->ID());
    return playList;
}

void TqelDataset::PlayListDelete(TqelPlayList* aPlayList) {
    if (!aPlayList || FindOwned(FPlaylists, aPlayList) == FPlaylists.end()) {
        return;
    }
    // Without recursion: a tree read from a file may be deeper than the stack. A playlist's
    // items go and it leaves its parent on the way down, children last to first; its own
    // notices come on the way up.
    std::vector<std::pair<TqelPlayList*, bool>> pending{{aPlayList, false}};
    while (!pending.empty()) {
        const auto [playList, emptied] = pending.back();
        if (emptied) {
            pending.pop_back();
            FreePlayList(playList);
            continue;
        }
        pending.back().second = true;
        playList->DeleteAllItems();
        if (TqelPlayList* holder = playList->Holder()) {
            holder->ChildDeleting(playList);
        }
        for (int32_t i = 0; i < playList->ChildCount(); ++i) {
            pending.emplace_back(playList->GetChild(i), false);
        }
    }
    if (FPlaylists.empty()) {
        FLastPlaylistID = 0;
    }
}

void TqelDataset::FreePlayList(TqelPlayList* aPlayList) {
    if (FSelectedPlayList == aPlayList) {
        setSelectedPlayList(nullptr);
    }
    const int32_t id = aPlayList->ID();
    NotifyItemDeleting(aPlayList, itemPlayList, id);
    const auto found = FindOwned(FPlaylists, aPlayList);
    if (found != FPlaylists.end()) {
        FPlaylists.erase(found);
    }
    NotifyItemDeleted(itemPlayList, id);
}

TqelPlayListItem* TqelDataset::PlayListItemAdd(bool aByAthletename, int32_t aVideoID,
                                               const QString& aDescription, int32_t aTransponderId,
                                               int32_t aBeginTimeInMS, int32_t aEndTimeInMS) {
    TqelPlayList* target = FSelectedPlayList;
    if (aByAthletename) {
        const TqelTransponderData* transponder = GetTransponderByTP(aTransponderId);
        if (!transponder) {
            return nullptr;
        }
        TqelPlayList* athlete = nullptr;
        for (int32_t i = 0; i < FPlayListRoot->ChildCount() && !athlete; ++i) {
            if (FPlayListRoot->GetChild(i)->TransponderID() == aTransponderId) {
                athlete = FPlayListRoot->GetChild(i);
            }
        }
        if (!athlete) {
            athlete = PlayListAdd(transponder->AthleteName(), aTransponderId, 0);
        }
        target = nullptr;
        for (int32_t i = 0; i < athlete->ChildCount() && !target; ++i) {
            if (qel::SameText(athlete->GetChild(i)->Description(), aDescription)) {
                target = athlete->GetChild(i);
            }
        }
        if (!target) {
            target = PlayListAdd(aDescription, aTransponderId, athlete->ID());
        }
    }
    return target ? target->AddItem(-1, aBeginTimeInMS, aEndTimeInMS, aVideoID) : nullptr;
}

void TqelDataset::ClearPlayList() {
    if (FSelectedPlayListItem && FSelectedPlayListItem->PlayList() != FPlayListRoot.get()) {
        setSelectedPlayListItem(nullptr);
    }
    if (FSelectedPlayList && FSelectedPlayList != FPlayListRoot.get()) {
        setSelectedPlayList(nullptr);
    }
    // The children let go while they still live.
    EmptyPlayListRoot();
    FPlaylists.clear();
    NotifyItemsCleared(itemPlayList);
}

void TqelDataset::EmptyPlayListRoot() {
    while (FPlayListRoot->ChildCount() > 0) {
        FPlayListRoot->ChildDeleting(FPlayListRoot->GetChild(FPlayListRoot->ChildCount() - 1));
    }
}

TqelPlayList* TqelDataset::GetPlaylist(int32_t anIndex) const {
    qel::CheckListIndex(anIndex, PlayListCount());
    return FPlaylists[anIndex].get();
}

TqelPlayList* TqelDataset::GetPlayListByID(int32_t aID) const {
    if (aID > 0) {
        for (auto it = FPlaylists.rbegin(); it != FPlaylists.rend(); ++it) {
            if ((*it)->ID() == aID) {
                return it->get();
            }
        }
    }
    return FPlayListRoot.get();
}

void TqelDataset::setSelectedPlayList(TqelPlayList* aValue) {
    FSelectedPlayList = aValue;
    NotifyItemSelected(aValue, itemPlayList, aValue ? aValue->ID() : 0);
}

void TqelDataset::setSelectedPlayListItem(TqelPlayListItem* aValue) {
    FSelectedPlayListItem = aValue;
    NotifyItemSelected(aValue, itemPlayListItem, aValue ? aValue->ID() : 0);
}

void TqelDataset::notifyPlaylistChanged(TqelPlayList* aPlayList) {
    NotifyItemChanged(aPlayList, itemPlayList, aPlayList->ID());
}

void TqelDataset::readPlayLists(qel::BinaryReader& aStream, uint16_t aVersion) {
    FLastPlaylistID = 0;
    EmptyPlayListRoot();
    if (aVersion < 81) {
        return;
    }
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, PlayListBlockBytes(aVersion));
    for (int32_t i = 0; i < count; ++i) {
        auto playList = std::make_unique<TqelPlayList>(this, -1, -1);
        playList->readFromStream(aStream, aVersion);
        FLastPlaylistID = std::max(FLastPlaylistID, playList->ID());
        FPlaylists.push_back(std::move(playList));
    }
}

void TqelDataset::writePlayLists(qel::BinaryWriter& aStream) const {
    aStream.writeI32(PlayListCount());
    for (const auto& playList : FPlaylists) {
        playList->writeToStream(aStream);
    }
}

// --- Viewer option sets ---

TqelViewerOptionSet* TqelDataset::addViewerOptionSet() {
    return FViewerOptionSets
        .emplace_back(std::make_unique<TqelViewerOptionSet>(this, IncLastViewerOptionID()))
        .get();
}

void TqelDataset::DeleteViewerOptionSet(TqelViewerOptionSet* aViewerOptionSet) {
    if (!aViewerOptionSet) {
        return;
    }
    const int32_t id = aViewerOptionSet->ID();
    NotifyItemDeleting(aViewerOptionSet, itemViewerOption, id);
    const auto found = FindOwned(FViewerOptionSets, aViewerOptionSet);
    if (found != FViewerOptionSets.end()) {
        FViewerOptionSets.erase(found);
    }
    NotifyItemDeleted(itemViewerOption, id);
}

void TqelDataset::DeleteViewerOptionSet(const QString& aDescription) {
    DeleteViewerOptionSet(ViewerOptionByName(aDescription));
}

TqelViewerOptionSet* TqelDataset::ViewerOptionByID(int32_t aID) const {
    for (const auto& set : FViewerOptionSets) {
        if (set->ID() == aID) {
            return set.get();
        }
    }
    return nullptr;
}

TqelViewerOptionSet* TqelDataset::ViewerOptionByName(const QString& aName) const {
    for (const auto& set : FViewerOptionSets) {
        if (set->Description() == aName) {
            return set.get();
        }
    }
    return nullptr;
}

TqelViewerOptionSet* TqelDataset::GetViewerOptionSet(int32_t anIndex) const {
    qel::CheckListIndex(anIndex, ViewerOptionSetCount());
    return FViewerOptionSets[anIndex].get();
}

void TqelDataset::setLastViewerOptionID(int32_t aValue) {
    FLastViewerOptionID = std::max(FLastViewerOptionID, aValue);
}

void TqelDataset::readViewerOptionSets(qel::BinaryReader& aStream, uint16_t aVersion) {
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, ViewerOptionSetBlockBytes);
    for (int32_t i = 0; i < count; ++i) {
        auto set = std::make_unique<TqelViewerOptionSet>(this, 0);
        set->readFromStream(aStream, aVersion);
        FViewerOptionSets.push_back(std::move(set));
    }
}

void TqelDataset::writeViewerOptionSets(qel::BinaryWriter& aStream) const {
    aStream.writeI32(ViewerOptionSetCount());
    for (const auto& set : FViewerOptionSets) {
        set->writeToStream(aStream);
    }
}

// --- Paths ---

TqelPath* TqelDataset::PathAdd(int32_t aTPID, int32_t aTimeBegin, int32_t aTimeEnd,
                               int32_t aColor) {
    TqelPath* path = FPaths.emplace_back(std::make_unique<TqelPath>(this)).get();
    path->setTPid(aTPID);
    path->setTimeBeginInMS(aTimeBegin);
    path->setTimeEndInMS(aTimeEnd);
    path->setColor(aColor);
    NotifyItemAdded(path, itemPath, PathCount() - 1);
    return path;
}

void TqelDataset::PathClear() {
    NotifyItemsCleared(itemPath);
    FPaths.clear();
}

TqelPath* TqelDataset::GetPath(int32_t aIndex) const {
    qel::CheckListIndex(aIndex, PathCount());
    return FPaths[aIndex].get();
}
