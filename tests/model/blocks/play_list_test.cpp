#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>
#include <limits>

#include "model/blocks/block_objects.h"
#include "model/blocks/block_stream.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/field/field_bytes.h"
#include "model/transponder/transponder_data.h"
#include "platform/exception.h"

namespace {

using qel::test::LoggingSubscriber;
using qel::test::SignalLog;

constexpr uint16_t CurrentVersion = 151;
const int PlayListType = int(itemPlayList);
const int ItemType = int(itemPlayListItem);

QString Notice(const char* aKind, int aType, int anID) {
    return QStringLiteral("s %1 %2 %3").arg(QLatin1String(aKind)).arg(aType).arg(anID);
}

class PlayLists : public ::testing::Test {
protected:
    PlayLists() { dataset.subscribeToSignals(&subscriber); }
    ~PlayLists() override { dataset.unsubscribeToSignals(&subscriber); }

    // Ids of the children of aPlayList, in order.
    static QList<int32_t> ChildIDs(const TqelPlayList* aPlayList) {
        QList<int32_t> ids;
        for (int32_t i = 0; i < aPlayList->ChildCount(); ++i) {
            ids.append(aPlayList->GetChild(i)->ID());
        }
        return ids;
    }

    SignalLog log;
    LoggingSubscriber subscriber{QStringLiteral("s"), log};
    TqelDataset dataset;
};

TEST_F(PlayLists, LookupsFallBackToTheRoot) {
    TqelPlayList* root = dataset.PlayListRoot();
    EXPECT_EQ(root->ID(), 0);
    EXPECT_EQ(root->ParentID(), -1);
    TqelPlayList* first = dataset.PlayListAdd("a", 0, 0);
    EXPECT_EQ(dataset.GetPlayListByID(0), root);
    EXPECT_EQ(dataset.GetPlayListByID(-3), root);
    EXPECT_EQ(dataset.GetPlayListByID(2), root);
    EXPECT_EQ(dataset.GetPlayListByID(1), first);
    EXPECT_EQ(first->Parent(), root);
    EXPECT_EQ(dataset.PlayListCount(), 1);
    EXPECT_EQ(dataset.GetPlaylist(0), first);
    EXPECT_THROW(dataset.GetPlaylist(1), EArgumentOutOfRangeException);
    EXPECT_THROW(dataset.GetPlaylist(-1), EArgumentOutOfRangeException);
    EXPECT_EQ(first->GetChild(0), nullptr);
    EXPECT_EQ(first->GetItem(-1), nullptr);
}

TEST_F(PlayLists, TheTreeHangsOnTheChildrenLists) {
    TqelPlayList* a = dataset.PlayListAdd("a", 0, 0);
    TqelPlayList* b = a->ChildAdd("b", 4);
    TqelPlayList* unknownParent = dataset.PlayListAdd("c", 0, 77);
    TqelPlayList* detached = dataset.PlayListAdd("d", 0, -1);
    EXPECT_EQ(ChildIDs(dataset.PlayListRoot()), QList<int32_t>({1, 3}));
    EXPECT_EQ(ChildIDs(a), QList<int32_t>({2}));
    EXPECT_EQ(b->ParentID(), 1);
    EXPECT_EQ(b->Parent(), a);
    EXPECT_EQ(b->TransponderID(), 4);
    EXPECT_EQ(b->Description(), "b");
    EXPECT_EQ(unknownParent->Parent(), dataset.PlayListRoot());
    EXPECT_EQ(detached->Holder(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Notice("added", PlayListType, 1), Notice("added", PlayListType, 2),
                           Notice("added", PlayListType, 3), Notice("added", PlayListType, 4)}));
}

TEST_F(PlayLists, IdsRestartAfterTheLastDeleteButNotAfterAClear) {
    dataset.PlayListAdd("a", 0, 0);
    TqelPlayList* b = dataset.PlayListAdd("b", 0, 0);
    dataset.PlayListDelete(dataset.GetPlayListByID(1));
    EXPECT_EQ(dataset.PlayListAdd("c", 0, 0)->ID(), 3) << "one is left";
    dataset.PlayListDelete(b);
    dataset.PlayListDelete(dataset.GetPlayListByID(3));
    EXPECT_EQ(dataset.LastPlaylistID(), 0);
    EXPECT_EQ(dataset.PlayListAdd("d", 0, 0)->ID(), 1);
    dataset.PlayListAdd("e", 0, 0);
    dataset.ClearPlayList();
    EXPECT_EQ(dataset.PlayListCount(), 0);
    EXPECT_EQ(dataset.PlayListRoot()->ChildCount(), 0);
    EXPECT_EQ(dataset.PlayListAdd("f", 0, 0)->ID(), 3);
    const QStringList notices = log.Take();
    EXPECT_TRUE(notices.contains(Notice("cleared", PlayListType, 0)));
}

TEST_F(PlayLists, DeletingAParentDeletesItsItemsAndChildrenFirst) {
    TqelPlayList* parent = dataset.PlayListAdd("p", 0, 0);
    TqelPlayList* first = parent->ChildAdd("c1", 0);
    TqelPlayList* second = parent->ChildAdd("c2", 0);
    TqelPlayList* grandChild = first->ChildAdd("g", 0);
    TqelPlayList* other = dataset.PlayListAdd("o", 0, 0);
    parent->AddItem(-1, 0, 10, 0);
    grandChild->AddItem(-1, 0, 10, 0);
    second->AddItem(-1, 0, 10, 0);
    log.Take();

    dataset.PlayListDelete(parent);
    EXPECT_EQ(dataset.PlayListCount(), 1);
    EXPECT_EQ(dataset.GetPlaylist(0), other);
    EXPECT_EQ(ChildIDs(dataset.PlayListRoot()), QList<int32_t>({5}));
    EXPECT_EQ(log.Take(), QStringList({
                              Notice("deleting", ItemType, 1),
                              Notice("deleted", ItemType, 1),
                              Notice("deleting", ItemType, 1),  // of c2, the last child
                              Notice("deleted", ItemType, 1),
                              Notice("deleting", PlayListType, 3),
                              Notice("deleted", PlayListType, 3),
                              Notice("deleting", ItemType, 1),  // of g, under c1
                              Notice("deleted", ItemType, 1),
                              Notice("deleting", PlayListType, 4),
                              Notice("deleted", PlayListType, 4),
                              Notice("deleting", PlayListType, 2),
                              Notice("deleted", PlayListType, 2),
                              Notice("deleting", PlayListType, 1),
                              Notice("deleted", PlayListType, 1),
                          }));
    // Neither the root nor a playlist outside the list is freed.
    dataset.PlayListDelete(dataset.PlayListRoot());
    dataset.PlayListDelete(nullptr);
    EXPECT_EQ(dataset.PlayListCount(), 1);
}

// Under AddressSanitizer: a selection left on a freed object would be read here.
TEST_F(PlayLists, DeletingOrClearingTheSelectionSelectsNothing) {
    TqelPlayList* parent = dataset.PlayListAdd("p", 0, 0);
    TqelPlayList* child = parent->ChildAdd("c", 0);
    TqelPlayListItem* item = child->AddItem(-1, 0, 10, 0);
    dataset.setSelectedPlayList(child);
    dataset.setSelectedPlayListItem(item);
    log.Take();
    dataset.PlayListDelete(parent);
    EXPECT_EQ(dataset.SelectedPlayList(), nullptr);
    EXPECT_EQ(dataset.SelectedPlayListItem(), nullptr);
    const QStringList notices = log.Take();
    EXPECT_TRUE(notices.contains(Notice("selected", ItemType, 0)));
    EXPECT_TRUE(notices.contains(Notice("selected", PlayListType, 0)));

    TqelPlayList* kept = dataset.PlayListAdd("k", 0, 0);
    item = kept->AddItem(-1, 0, 10, 0);
    dataset.setSelectedPlayList(kept);
    dataset.setSelectedPlayListItem(item);
    item->Delete();
    EXPECT_EQ(kept->ItemCount(), 0);
    EXPECT_EQ(dataset.SelectedPlayListItem(), nullptr);
    EXPECT_EQ(dataset.SelectedPlayList(), kept);
    dataset.setSelectedPlayListItem(kept->AddItem(-1, 0, 10, 0));
    dataset.ClearPlayList();
    EXPECT_EQ(dataset.SelectedPlayList(), nullptr);
    EXPECT_EQ(dataset.SelectedPlayListItem(), nullptr);
}

TEST_F(PlayLists, AnItemDescribesItsClipUntilTheUserNamesIt) {
    dataset.addVideoStream("v", "x_dome1.mp4", 0);  // camera 0
    TqelPlayList* list = dataset.PlayListAdd("p", 0, 0);
    log.Take();
    TqelPlayListItem* item = list->AddItem(0, 65000, 70500, -1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->VideoID(), 1);
    EXPECT_EQ(item->ToString(), "CamNr:1 | 0:01:05 - 0:01:10");
    EXPECT_FALSE(item->CustomDescription());
    EXPECT_EQ(log.Take(), QStringList({Notice("added", ItemType, 1)}));

    item->setDescription("goal");
    EXPECT_TRUE(item->CustomDescription());
    item->setEndTimeMS(90000);
    EXPECT_EQ(item->Description(), "goal");
    // A text other than the current one is the user's, even the default text; naming the
    // current default text then lets the description follow the clip again.
    item->setDescription(item->DefaultDescription());
    EXPECT_EQ(item->Description(), "CamNr:1 | 0:01:05 - 0:01:30");
    EXPECT_TRUE(item->CustomDescription());
    item->setDescription(item->DefaultDescription());
    EXPECT_FALSE(item->CustomDescription());
    item->setBeginTimeMS(3723000);
    EXPECT_EQ(item->Description(), "CamNr:1 | 1:02:03 - 0:01:30");
    item->setBeginTimeMS(3723000);  // unchanged: no notice
    item->setVideoID(9);            // no such stream
    EXPECT_EQ(item->Description(), "1:02:03 - 0:01:30");
    EXPECT_EQ(log.Take(), QStringList(5, Notice("changed", ItemType, 1)));

    // An update bracket gathers the changes into one notice.
    item->BeginUpdate();
    item->setBeginTimeMS(1);
    item->setEndTimeMS(2);
    EXPECT_TRUE(log.Take().isEmpty());
    item->EndUpdate();
    EXPECT_EQ(log.Take(), QStringList({Notice("changed", ItemType, 1)}));
}

TEST_F(PlayLists, AddingByCameraNeedsAStreamOfThatCamera) {
    dataset.addVideoStream("v", "x_dome2.mp4", 0);  // camera 1
    TqelPlayList* list = dataset.PlayListAdd("p", 0, 0);
    EXPECT_EQ(list->AddItem(0, 0, 100, -1), nullptr);
    EXPECT_EQ(list->ItemCount(), 0);
    // A video id given beats the camera; no camera takes the id as it is.
    EXPECT_EQ(list->AddItem(0, 0, 100, 7)->VideoID(), 7);
    TqelPlayListItem* plain = list->AddItem(-1, 0, 0, 0);
    EXPECT_EQ(plain->ID(), 2);
    EXPECT_EQ(plain->Description(), "0:00:00 - 0:00:00");
    EXPECT_EQ(list->LastPlayListItemID(), 2);
}

TEST_F(PlayLists, PlaylistSettersSignalOnlyChanges) {
    TqelPlayList* list = dataset.PlayListAdd("p", 3, 0);
    log.Take();
    list->setDescription("p");
    list->setTransponderID(3);
    EXPECT_TRUE(log.Take().isEmpty());
    list->setDescription("q");
    list->setTransponderID(4);
    EXPECT_EQ(log.Take(), QStringList({Notice("changed", PlayListType, 1),
                                       Notice("changed", PlayListType, 1)}));
}

TEST_F(PlayLists, ItemsByAthleteNameGoIntoTheAthletesNamedChild) {
    TqelTransponderData* athlete = dataset.AddTransponder(7, nullptr, 0);
    athlete->setAthleteName("Ann");
    const int32_t tp = athlete->TPid();
    TqelPlayListItem* first = dataset.PlayListItemAdd(true, 5, "Goals", tp, 100, 200);
    ASSERT_NE(first, nullptr);
    TqelPlayList* athleteList = dataset.GetPlayListByID(1);
    EXPECT_EQ(athleteList->Description(), "Ann");
    EXPECT_EQ(athleteList->TransponderID(), tp);
    EXPECT_EQ(athleteList->Holder(), dataset.PlayListRoot());
    EXPECT_EQ(first->PlayList()->Description(), "Goals");
    EXPECT_EQ(first->PlayList()->Parent(), athleteList);
    EXPECT_EQ(first->VideoID(), 5);

    TqelPlayListItem* second = dataset.PlayListItemAdd(true, 5, "GOALS", tp, 300, 400);
    EXPECT_EQ(second->PlayList(), first->PlayList());
    EXPECT_EQ(dataset.PlayListCount(), 2);
    dataset.PlayListItemAdd(true, 5, "Saves", tp, 300, 400);
    EXPECT_EQ(ChildIDs(athleteList), QList<int32_t>({2, 3}));

    EXPECT_EQ(dataset.PlayListItemAdd(true, 5, "Goals", tp + 1, 0, 1), nullptr);
    EXPECT_EQ(dataset.PlayListItemAdd(false, 5, "", 0, 0, 1), nullptr) << "nothing selected";
    EXPECT_EQ(dataset.PlayListCount(), 3);
    dataset.setSelectedPlayList(athleteList);
    EXPECT_EQ(dataset.PlayListItemAdd(false, 5, "", 0, 0, 1)->PlayList(), athleteList);
}

TEST_F(PlayLists, DefaultDescriptionsReachEveryItemOfTheTree) {
    TqelPlayList* top = dataset.PlayListAdd("t", 0, 0);
    TqelPlayList* child = top->ChildAdd("c", 0);
    TqelPlayListItem* custom = top->AddItem(-1, 1000, 2000, 0);
    custom->setDescription("mine");
    TqelPlayListItem* plain = child->AddItem(-1, 0, 1000, 0);
    log.Take();
    dataset.PlayListRoot()->SetItemsDefaultDescription();
    EXPECT_EQ(custom->Description(), "0:00:01 - 0:00:02");
    EXPECT_TRUE(custom->CustomDescription());
    EXPECT_EQ(plain->Description(), "0:00:00 - 0:00:01");
    EXPECT_FALSE(plain->CustomDescription());
    EXPECT_EQ(log.Take(), QStringList({Notice("changed", ItemType, 1)}));
}

TEST_F(PlayLists, SortOrdersByBeginThenEnd) {
    TqelPlayList* list = dataset.PlayListAdd("p", 0, 0);
    for (const auto& [begin, end] : {std::pair{500, 900}, {100, 900}, {500, 600}, {100, 900}}) {
        list->AddItem(-1, begin, end, 0);
    }
    list->Sort();
    QList<int32_t> ids;
    for (int32_t i = 0; i < list->ItemCount(); ++i) {
        ids.append(list->GetItem(i)->ID());
    }
    EXPECT_EQ(ids, QList<int32_t>({2, 4, 3, 1}));
}

// A chain far deeper than a recursive walk could take on the stack.
TEST_F(PlayLists, ADeepTreeIsWalkedAndDeletedWithoutRecursion) {
    dataset.unsubscribeToSignals(&subscriber);
    constexpr int32_t Depth = 200000;
    TqelPlayList* parent = dataset.PlayListRoot();
    for (int32_t i = 0; i < Depth; ++i) {
        parent = dataset.PlayListAdd(QString(), 0, parent->ID());
    }
    parent->AddItem(-1, 0, 1000, 0)->setDescription("deepest");
    dataset.PlayListRoot()->SetItemsDefaultDescription();
    EXPECT_EQ(parent->GetItem(0)->Description(), "0:00:00 - 0:00:01");
    dataset.PlayListDelete(dataset.GetPlaylist(0));
    EXPECT_EQ(dataset.PlayListCount(), 0);
    dataset.subscribeToSignals(&subscriber);
}

TEST_F(PlayLists, PathsAreAnnouncedByPosition) {
    TqelPath* path = dataset.PathAdd(3, 100, 200, 0xff00);
    dataset.PathAdd(4, 0, 1, 0);
    EXPECT_EQ(dataset.PathCount(), 2);
    EXPECT_EQ(dataset.GetPath(0), path);
    EXPECT_EQ(path->TPid(), 3);
    EXPECT_EQ(path->TimeBeginInMS(), 100);
    EXPECT_EQ(path->TimeEndInMS(), 200);
    EXPECT_EQ(path->Color(), 0xff00);
    EXPECT_THROW(dataset.GetPath(2), EArgumentOutOfRangeException);
    dataset.PathClear();
    EXPECT_EQ(dataset.PathCount(), 0);
    const int type = int(itemPath);
    EXPECT_EQ(log.Take(), QStringList({Notice("added", type, 0), Notice("added", type, 1),
                                       Notice("cleared", type, 0)}));
}

// --- Blocks ---

// Playlist 3 of TP 7 under the root, "P", with item 1 ("a", custom, video 2, 1000..2000) and
// item 4 (default text, video -1, 0..500).
const QByteArray PlayListFixture = QByteArray::fromHex(
    "03000000"
    "07000000"
    "00000000"  // ID 3, TP 7, parent 0
    "01000080"
    "5000"      // "P"
    "02000000"  // two items
    "01000000"
    "01000080"
    "6100"
    "01"  // ID 1, "a", custom
    "02000000"
    "e8030000"
    "d0070000"  // video 2, 1000, 2000
    "04000000"
    "00000080"
    "00"  // ID 4, "", not custom
    "ffffffff"
    "00000000"
    "f4010000");  // video -1, 0, 500

TEST(PlayListBlocks, FixtureReadsAndWritesBackByteForByte) {
    TqelPlayList list(nullptr, -1, -1);
    ReadBlockInto(list, PlayListFixture, CurrentVersion);
    EXPECT_EQ(list.ID(), 3);
    EXPECT_EQ(list.TransponderID(), 7);
    EXPECT_EQ(list.ParentID(), 0);
    EXPECT_EQ(list.Description(), "P");
    EXPECT_EQ(list.LastPlayListItemID(), 4);
    EXPECT_TRUE(list.Initialized());
    ASSERT_EQ(list.ItemCount(), 2);
    const TqelPlayListItem* first = list.GetItem(0);
    EXPECT_EQ(first->ID(), 1);
    EXPECT_EQ(first->Description(), "a");
    EXPECT_TRUE(first->CustomDescription());
    EXPECT_EQ(first->VideoID(), 2);
    EXPECT_EQ(first->BeginTimeMS(), 1000);
    EXPECT_EQ(first->EndTimeMS(), 2000);
    EXPECT_TRUE(first->Initialized());
    const TqelPlayListItem* second = list.GetItem(1);
    EXPECT_EQ(second->ID(), 4);
    EXPECT_FALSE(second->CustomDescription());
    EXPECT_EQ(second->VideoID(), -1);
    EXPECT_EQ(second->EndTimeMS(), 500);
    EXPECT_EQ(WrittenBlock(list), PlayListFixture);
}

// A playlist block as the writer of aVersion laid it out: ID 6, TP 8 and parent 2 where the
// version has them, "L", and items 3 and 9 (descriptions "x", "y"; 9 custom).
QByteArray OldPlayList(uint16_t aVersion) {
    FieldBytes b;
    b.i32(6);
    if (aVersion >= 85) {
        b.i32(8).i32(2);
    }
    b.str("L").i32(2);
    const struct {
        int32_t id;
        const char* text;
        bool custom;
        int32_t video, begin, end;
    } items[] = {{3, "x", false, 1, 10, 20}, {9, "y", true, 2, 30, 40}};
    for (const auto& item : items) {
        b.i32(item.id);
        if (aVersion >= 101) {
            b.str(item.text);
        }
        if (aVersion >= 102) {
            b.u8(item.custom ? 1 : 0);
        }
        b.i32(item.video).i32(item.begin).i32(item.end);
    }
    return b.data();
}

TEST(PlayListBlocks, BlocksOfEveryVersionReadAndWriteAsCurrent) {
    for (uint16_t version = 1; version <= CurrentVersion; ++version) {
        auto list = std::make_unique<TqelPlayList>(nullptr, -1, -1);
        ReadBlockInto(*list, OldPlayList(version), version);
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(list->ID(), 6) << version;
            EXPECT_EQ(list->TransponderID(), version >= 85 ? 8 : 0) << version;
            EXPECT_EQ(list->ParentID(), version >= 85 ? 2 : 0) << version;
            EXPECT_EQ(list->Description(), "L");
            EXPECT_EQ(list->LastPlayListItemID(), 9);
            ASSERT_EQ(list->ItemCount(), 2) << version;
            const TqelPlayListItem* second = list->GetItem(1);
            EXPECT_EQ(list->GetItem(0)->Description(), version >= 101 ? "x" : "") << version;
            EXPECT_EQ(second->Description(), version >= 101 ? "y" : "") << version;
            EXPECT_EQ(second->CustomDescription(), version >= 102) << version;
            EXPECT_EQ(second->ID(), 9);
            EXPECT_EQ(second->VideoID(), 2);
            EXPECT_EQ(second->BeginTimeMS(), 30);
            EXPECT_EQ(second->EndTimeMS(), 40);
            const QByteArray current = WrittenBlock(*list);
            list = std::make_unique<TqelPlayList>(nullptr, -1, -1);
            ReadBlockInto(*list, current, CurrentVersion);
        }
    }
}

// The list of the dataset file: a count and the blocks.
QByteArray PlayListList(uint16_t aVersion, std::initializer_list<QByteArray> aBlocks) {
    FieldBytes b;
    b.i32(static_cast<int32_t>(aBlocks.size()));
    for (const QByteArray& block : aBlocks) {
        b.raw(block);
    }
    return b.data();
}

QByteArray PlayListOf(int32_t anID, int32_t aParentID, const char* aName) {
    FieldBytes b;
    b.i32(anID).i32(0).i32(aParentID).str(aName).i32(0);
    return b.data();
}

// Reads the list into the dataset as the file reader does.
void ReadList(TqelDataset& aDataset, QByteArray aData, uint16_t aVersion) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    aDataset.readPlayLists(reader, aVersion);
    EXPECT_TRUE(reader.atEnd());
}

TEST(PlayListBlocks, TheListRebuildsTheTreeAndTheCounter) {
    TqelDataset dataset;
    // 2 comes before its parent 5, so hangs under the root; two playlists share id 5.
    ReadList(dataset,
             PlayListList(CurrentVersion,
                          {PlayListOf(5, 0, "a"), PlayListOf(2, 5, "b"), PlayListOf(7, 9, "c"),
                           PlayListOf(9, 0, "d"), PlayListOf(5, 0, "e"), PlayListOf(4, 5, "f")}),
             CurrentVersion);
    EXPECT_EQ(dataset.PlayListCount(), 6);
    EXPECT_EQ(dataset.LastPlaylistID(), 9);
    EXPECT_EQ(dataset.GetPlayListByID(5)->Description(), "e") << "the last of the id";
    EXPECT_EQ(dataset.GetPlaylist(1)->Holder(), dataset.GetPlaylist(0));
    EXPECT_EQ(dataset.GetPlaylist(2)->Holder(), dataset.PlayListRoot());
    EXPECT_EQ(dataset.GetPlaylist(5)->Holder(), dataset.GetPlaylist(4));
    EXPECT_EQ(dataset.PlayListRoot()->ChildCount(), 4);
    EXPECT_EQ(dataset.PlayListAdd("new", 0, 0)->ID(), 10);

    // Version 84: no TP id or parent, so under the root.
    TqelDataset old;
    FieldBytes block;
    block.i32(3).str("x").i32(0);
    ReadList(old, PlayListList(84, {block.data()}), 84);
    ASSERT_EQ(old.PlayListCount(), 1);
    EXPECT_EQ(old.GetPlaylist(0)->TransponderID(), 0);
    EXPECT_EQ(old.GetPlaylist(0)->Holder(), old.PlayListRoot());
    EXPECT_EQ(old.LastPlaylistID(), 3);

    // Before version 81 there is no list: nothing is read, the root's children are emptied.
    ReadList(old, QByteArray(), 80);
    EXPECT_EQ(old.PlayListRoot()->ChildCount(), 0);
    EXPECT_EQ(old.LastPlaylistID(), 0);
}

TEST(PlayListBlocks, CountsThatCannotHoldAreRefusedBeforeAllocating) {
    for (const int32_t count : {std::numeric_limits<int32_t>::max(), -1, 3}) {
        QByteArray block = OldPlayList(CurrentVersion);
        qToLittleEndian<int32_t>(count, block.data() + 12 + 6);
        TqelPlayList list(nullptr, -1, -1);
        EXPECT_THROW(ReadBlockInto(list, block, CurrentVersion), EReadError) << count;
        EXPECT_EQ(list.ItemCount(), 0);

        TqelDataset dataset;
        QByteArray listBytes = PlayListList(CurrentVersion, {PlayListOf(1, 0, "a")});
        qToLittleEndian<int32_t>(count, listBytes.data());
        EXPECT_THROW(ReadList(dataset, listBytes, CurrentVersion), EReadError) << count;
        EXPECT_EQ(dataset.PlayListCount(), 0);
        EXPECT_EQ(dataset.PlayListRoot()->ChildCount(), 0) << "no freed child left behind";
    }
}

}  // namespace
