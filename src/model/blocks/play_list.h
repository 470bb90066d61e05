#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/dataset/notify_varuza.h"
#include "platform/binary_stream.h"

class TqelDataset;
class TqelPlayList;

// One clip of a playlist: a time range of one video stream. Its description follows the clip
// (camera and times) until the user gives it a text of its own.
//
// Threads: main thread only, like its playlist.
class TqelPlayListItem : public TNotifyVaruza {
public:
    TqelPlayListItem(TqelPlayList* aPlayList, int32_t anID);

    int32_t ID() const { return FID; }
    TqelPlayList* PlayList() const { return FPlayList; }
    TqelDataset* Dataset() const;

    // Each setter does nothing for the current value; otherwise a description that is not
    // custom follows the new value and the change is signalled.
    int32_t VideoID() const { return FVideoID; }
    void setVideoID(int32_t aValue);
    int32_t BeginTimeMS() const { return FBeginTimeMS; }
    void setBeginTimeMS(int32_t aValue);
    int32_t EndTimeMS() const { return FEndTimeMS; }
    void setEndTimeMS(int32_t aValue);

    QString Description() const { return FDescription; }
    // A text other than the current description becomes custom; the current one (after a
    // non-custom description was brought up to date) makes it follow the clip again.
    void setDescription(const QString& aValue);
    bool CustomDescription() const { return FCustomDescription; }
    // "CamNr:<camera + 1> | " when the video stream exists, then "h:nn:ss - h:nn:ss" of the
    // begin and end (milliseconds cut off).
    QString DefaultDescription() const;
    QString ToString() const { return FDescription; }

    // Asks the playlist to delete this item: it is freed.
    void Delete();

    // Inside an update bracket a change is only remembered; otherwise it goes to the dataset.
    void setChanged(bool aValue) override;

    // The item block: ID, description (from version 101), custom flag (from 102), video id,
    // begin, end. Read without signalling.
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    template <class T>
    void StoreClipValue(T& aField, const T& aValue);
    void RefreshDefaultDescription();

    TqelPlayList* FPlayList;
    int32_t FID;
    int32_t FVideoID = 0;
    int32_t FBeginTimeMS = 0;
    int32_t FEndTimeMS = 0;
    QString FDescription;
    bool FCustomDescription = false;
};

// A playlist of clips, a node of the dataset's playlist tree. The dataset owns every playlist in
// its flat list; the tree exists only through the children lists, which do not own.
//
// Threads: main thread only.
class TqelPlayList : public TNotifyVaruza {
public:
    // aDataSet may be absent: then nothing notifies and nothing is looked up.
    TqelPlayList(TqelDataset* aDataSet, int32_t anID, int32_t aParentID);
    ~TqelPlayList() override;

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    // 0 or less: the root.
    int32_t ParentID() const { return FParentID; }
    // GetPlayListByID of ParentID: the root when there is no such playlist.
    TqelPlayList* Parent() const;

    // Both signal a change only for a different value.
    QString Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    int32_t TransponderID() const { return FTransponderID; }
    void setTransponderID(int32_t aValue);
    int32_t LastPlayListItemID() const { return FLastPlayListItemID; }

    // With aCamIndex other than -1 and aVideoID -1 the clip is cut from the first video stream
    // of that camera: null, and nothing added, when there is none.
    TqelPlayListItem* AddItem(int32_t aCamIndex, int32_t aBeginTimeInMS, int32_t aEndTimeInMS,
                              int32_t aVideoID);
    // Frees the item; does nothing for an item of another playlist.
    void DeleteItem(TqelPlayListItem* aItem);
    void DeleteAllItems();
    int32_t ItemCount() const { return static_cast<int32_t>(FItems.size()); }
    // Null for an index outside the list.
    TqelPlayListItem* GetItem(int32_t aIndex) const;

    // A new playlist of the dataset under this one.
    TqelPlayList* ChildAdd(const QString& aDescription, int32_t aTransponderId);
    // Appends it to the children; it leaves the children list that held it before, so that a
    // playlist hangs in one place of the tree only.
    void ChildAdded(TqelPlayList* aPlayList);
    // Removes it from the children when it is there.
    void ChildDeleting(TqelPlayList* aPlayList);
    // The playlist whose children list holds this one; null when none does.
    TqelPlayList* Holder() const { return FHolder; }
    int32_t ChildCount() const { return static_cast<int32_t>(FChildren.size()); }
    // Null for an index outside the list.
    TqelPlayList* GetChild(int32_t aIndex) const;

    // Every item of this playlist and of its children, recursively (children in order after
    // the playlist's own items), takes its default description through the description setter.
    void SetItemsDefaultDescription();
    // Orders the items by begin, then by end; equal clips keep their order.
    void Sort();

    // Inside an update bracket a change is only remembered; otherwise it goes to the dataset.
    void setChanged(bool aValue) override;

    // The playlist block: ID, TP id and parent (from version 85, else 0), description, items.
    // Read without signalling; the playlist then joins the children of its parent (the root
    // when that was not read before it).
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    TqelPlayListItem* AppendItem(int32_t anID);

    TqelDataset* FDataSet;
    int32_t FID;
    int32_t FParentID;
    int32_t FTransponderID = 0;
    QString FDescription;
    std::vector<std::unique_ptr<TqelPlayListItem>> FItems;
    std::vector<TqelPlayList*> FChildren;
    TqelPlayList* FHolder = nullptr;
    int32_t FLastPlayListItemID = 0;
};
