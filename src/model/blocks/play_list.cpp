#include "model/blocks/play_list.h"

#include <algorithm>

#include "foundation/stream_strings.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "platform/date_time.h"

namespace {

// The fewest bytes an item block of that version takes: what a count of items must leave room
// for before anything is allocated.
qint64 ItemBlockBytes(uint16_t aVersion) {
    constexpr qint64 FixedFields = 4 * sizeof(int32_t);  // ID, video, begin, end
    const qint64 description = aVersion >= 101 ? sizeof(uint32_t) : 0;
    const qint64 customFlag = aVersion >= 102 ? 1 : 0;
    return FixedFields + description + customFlag;
}

QString ClipTime(int32_t aTimeInMS) {
    return FormatDateTime(QStringLiteral("h:nn:ss"), qel::MsToDateTime(aTimeInMS));
}

}  // namespace

// --- TqelPlayListItem ---

TqelPlayListItem::TqelPlayListItem(TqelPlayList* aPlayList, int32_t anID)
    : FPlayList(aPlayList), FID(anID) {}

TqelDataset* TqelPlayListItem::Dataset() const {
    return FPlayList ? FPlayList->Dataset() : nullptr;
}

QString TqelPlayListItem::DefaultDescription() const {
    QString text;
    const TqelDataset* dataset = Dataset();
    if (const TqelVideoStream* stream = dataset ? dataset->GetVideoStreamByID(FVideoID) : nullptr) {
        text = QStringLiteral("CamNr:%1 | ").arg(int32_t{stream->CameraIndex()} + 1);
    }
    return text + ClipTime(FBeginTimeMS) + QStringLiteral(" - ") + ClipTime(FEndTimeMS);
}

void TqelPlayListItem::RefreshDefaultDescription() {
    if (!FCustomDescription) {
        FDescription = DefaultDescription();
    }
}

template <class T>
void TqelPlayListItem::StoreClipValue(T& aField, const T& aValue) {
    if (aField == aValue) {
        return;
    }
    aField = aValue;
    RefreshDefaultDescription();
    setChanged(true);
}

void TqelPlayListItem::setVideoID(int32_t aValue) {
    StoreClipValue(FVideoID, aValue);
}

void TqelPlayListItem::setBeginTimeMS(int32_t aValue) {
    StoreClipValue(FBeginTimeMS, aValue);
}

void TqelPlayListItem::setEndTimeMS(int32_t aValue) {
    StoreClipValue(FEndTimeMS, aValue);
}

void TqelPlayListItem::setDescription(const QString& aValue) {
    RefreshDefaultDescription();
    if (aValue == FDescription) {
        FCustomDescription = false;
        return;
    }
    FCustomDescription = true;
    FDescription = aValue;
    setChanged(true);
}

void TqelPlayListItem::Delete() {
    if (FPlayList) {
        FPlayList->DeleteItem(this);
    }
}

void TqelPlayListItem::setChanged(bool aValue) {
    TNotifyVaruza::setChanged(aValue);
    if (UpdateCount() > 0) {
        return;
    }
    if (TqelDataset* dataset = Dataset(); dataset && Changed()) {
        dataset->NotifyItemChanged(this, itemPlayListItem, FID);
        TNotifyVaruza::setChanged(false);
    }
}

void TqelPlayListItem::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    FID = aStream.readI32();
    if (aVersion >= 101) {
        FDescription = ReadStreamString(aStream);
    }
    if (aVersion >= 102) {
        FCustomDescription = aStream.readBool();
    }
    FVideoID = aStream.readI32();
    FBeginTimeMS = aStream.readI32();
    FEndTimeMS = aStream.readI32();
    setInitialized(true);
}

void TqelPlayListItem::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    WriteStreamString(aStream, FDescription);
    aStream.writeBool(FCustomDescription);
    aStream.writeI32(FVideoID);
    aStream.writeI32(FBeginTimeMS);
    aStream.writeI32(FEndTimeMS);
}

// --- TqelPlayList ---

TqelPlayList::TqelPlayList(TqelDataset* aDataSet, int32_t anID, int32_t aParentID)
    : FDataSet(aDataSet), FID(anID), FParentID(aParentID) {}

TqelPlayList::~TqelPlayList() = default;

TqelPlayList* TqelPlayList::Parent() const {
    return FDataSet ? FDataSet->GetPlayListByID(FParentID) : nullptr;
}

void TqelPlayList::setDescription(const QString& aValue) {
    if (FDescription != aValue) {
        FDescription = aValue;
        setChanged(true);
    }
}

void TqelPlayList::setTransponderID(int32_t aValue) {
    if (FTransponderID != aValue) {
        FTransponderID = aValue;
        setChanged(true);
    }
}

TqelPlayListItem* TqelPlayList::AppendItem(int32_t anID) {
    return FItems.emplace_back(std::make_unique<TqelPlayListItem>(this, anID)).get();
}

TqelPlayListItem* TqelPlayList::AddItem(int32_t aCamIndex, int32_t aBeginTimeInMS,
                                        int32_t aEndTimeInMS, int32_t aVideoID) {
    if (aCamIndex != -1 && aVideoID == -1) {
        const TqelVideoStream* stream =
            FDataSet ? FDataSet->GetVideoStreamByCameraIndex(aCamIndex) : nullptr;
        if (!stream) {
            return nullptr;
        }
        aVideoID = stream->ID();
    }
    TqelPlayListItem* item = AppendItem(++FLastPlayListItemID);
    item->setVideoID(aVideoID);
    item->setBeginTimeMS(aBeginTimeInMS);
    item->setEndTimeMS(aEndTimeInMS);
    // A clip whose values all equal the initial ones was not described by the setters.
    item->setDescription(item->DefaultDescription());
    item->setInitialized(true);
    if (FDataSet) {
        FDataSet->NotifyItemAdded(item, itemPlayListItem, item->ID());
    }
    return item;
}

void TqelPlayList::DeleteItem(TqelPlayListItem* aItem) {
    const auto found = std::find_if(FItems.begin(), FItems.end(),
                                    [aItem](const auto& anItem) { return anItem.get() == aItem; });
    if (found == FItems.end()) {
        return;
    }
    const int32_t id = aItem->ID();
    if (FDataSet && FDataSet->SelectedPlayListItem() == aItem) {
        FDataSet->setSelectedPlayListItem(nullptr);
    }
    if (FDataSet) {
        FDataSet->NotifyItemDeleting(aItem, itemPlayListItem, id);
    }
    FItems.erase(found);
    if (FDataSet) {
        FDataSet->NotifyItemDeleted(itemPlayListItem, id);
    }
}

void TqelPlayList::DeleteAllItems() {
    while (!FItems.empty()) {
        DeleteItem(FItems.back().get());
    }
}

TqelPlayListItem* TqelPlayList::GetItem(int32_t aIndex) const {
    return aIndex >= 0 && aIndex < ItemCount() ? FItems[aIndex].get() : nullptr;
}

TqelPlayList* TqelPlayList::ChildAdd(const QString& aDescription, int32_t aTransponderId) {
    return FDataSet ? FDataSet->PlayListAdd(aDescription, aTransponderId, FID) : nullptr;
}

void TqelPlayList::ChildAdded(TqelPlayList* aPlayList) {
    if (aPlayList->FHolder) {
        aPlayList->FHolder->ChildDeleting(aPlayList);
    }
    FChildren.push_back(aPlayList);
    aPlayList->FHolder = this;
}

void TqelPlayList::ChildDeleting(TqelPlayList* aPlayList) {
    // From the back: children are deleted last to first.
    const auto found = std::find(FChildren.rbegin(), FChildren.rend(), aPlayList);
    if (found != FChildren.rend()) {
        FChildren.erase(std::next(found).base());
        aPlayList->FHolder = nullptr;
    }
}

TqelPlayList* TqelPlayList::GetChild(int32_t aIndex) const {
    return aIndex >= 0 && aIndex < ChildCount() ? FChildren[aIndex] : nullptr;
}

void TqelPlayList::SetItemsDefaultDescription() {
    // Without recursion: a tree read from a file may be deeper than the stack.
    std::vector<TqelPlayList*> pending{this};
    while (!pending.empty()) {
        TqelPlayList* playList = pending.back();
        pending.pop_back();
        for (const auto& item : playList->FItems) {
            item->setDescription(item->DefaultDescription());
        }
        pending.insert(pending.end(), playList->FChildren.rbegin(), playList->FChildren.rend());
    }
}

void TqelPlayList::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(), [](const auto& aLeft, const auto& aRight) {
        if (aLeft->BeginTimeMS() != aRight->BeginTimeMS()) {
            return aLeft->BeginTimeMS() < aRight->BeginTimeMS();
        }
        return aLeft->EndTimeMS() < aRight->EndTimeMS();
    });
}

void TqelPlayList::setChanged(bool aValue) {
    TNotifyVaruza::setChanged(aValue);
    if (UpdateCount() > 0) {
        return;
    }
    if (FDataSet && Changed()) {
        FDataSet->notifyPlaylistChanged(this);
        TNotifyVaruza::setChanged(false);
    }
}

void TqelPlayList::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    FID = aStream.readI32();
    if (aVersion >= 85) {
        FTransponderID = aStream.readI32();
        FParentID = aStream.readI32();
    } else {
        FTransponderID = 0;
        FParentID = 0;
    }
    FDescription = ReadStreamString(aStream);
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, ItemBlockBytes(aVersion));
    for (int32_t i = 0; i < count; ++i) {
        TqelPlayListItem* item = AppendItem(-1);
        item->readFromStream(aStream, aVersion);
        FLastPlayListItemID = std::max(FLastPlayListItemID, item->ID());
    }
    // Joins the tree only once it is whole: a block that fails to read leaves no child behind
    // that its reader is about to free.
    if (FDataSet) {
        TqelPlayList* parent = FDataSet->GetPlayListByID(FParentID);
        // A playlist read again in place must not become its own child.
        (parent != this ? parent : FDataSet->PlayListRoot())->ChildAdded(this);
    }
    setInitialized(true);
}

void TqelPlayList::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    aStream.writeI32(FTransponderID);
    aStream.writeI32(FParentID);
    WriteStreamString(aStream, FDescription);
    aStream.writeI32(ItemCount());
    for (const auto& item : FItems) {
        item->writeToStream(aStream);
    }
}
