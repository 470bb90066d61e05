#include <gtest/gtest.h>

#include <functional>

#include "measurement/control/antenna_list.h"
#include "measurement/control/antenna_list_fakes.h"
#include "measurement/control/follow_antennas.h"
#include "platform/exception.h"

namespace {

using qel::test::Sample;

// Camera slot 0 is camera index 3 (CamID 7), slot 1 an NMEA follower without camera id;
// transponders 1, 2 and 3 are registered.
class FollowAntennasTest : public ::testing::Test {
protected:
    FollowAntennasTest() {
        FList.AddCamera(7, 3);
        FList.AddCamera(-1, 4);
        for (uint16_t antennaID : {1, 2, 3}) {
            FList.AddAntenna(&FControl, antennaID, 1, antennaID);
        }
    }

    TqelArrayOfWord FollowedIDs() const {
        TqelArrayOfWord ids;
        EXPECT_EQ(FFollow.GetFollowingAntennaIDs(ids), ids.size());
        return ids;
    }

    qel::FakeClock FClock{qel::test::Noon()};
    qel::ScopedClock FScopedClock{FClock};
    FakeMeasurementControl FControl;
    FakeAntennaListOwner FOwner;
    TqelAntennaList FList{&FOwner};
    TqelFollowAntennas FFollow{&FList, 0};
};

TEST_F(FollowAntennasTest, FollowListChanges) {
    using Step = std::function<void(TqelFollowAntennas&)>;
    struct Case {
        const char* name;
        bool onlyOne;
        TqelArrayOfWord before;
        Step change;
        TqelArrayOfWord after;
        QStringList events;
    };
    const Case cases[] = {
        {"Delete tells nobody", false, {1}, [](auto& f) { f.Delete(0); }, {}, {}},
        {"DeleteByAntenna tells the owner",
         false,
         {1, 2},
         [](auto& f) { f.DeleteByAntenna(1); },
         {2},
         {"stop 3:1"}},
        {"Set empty drops from the last to the first",
         false,
         {1, 2},
         [](auto& f) { f.SetFollowingAntennaIDs({}); },
         {},
         {"stop 3:2", "stop 3:1"}},
        {"Set mixed keeps, drops, adds and skips unknown ids",
         false,
         {1, 2},
         [](auto& f) {
             f.SetFollowingAntennaIDs({2, 3, 999});
         },
         {2, 3},
         {"stop 3:1", "start 3:3"}},
        {"Set switches a kept entry's flag on again",
         false,
         {1},
         [](auto& f) {
             f.GetItem(0)->Data()->GetFollowData(0)->setFollowingWithoutNotification(false);
             f.SetFollowingAntennaIDs({1});
         },
         {1},
         {"start 3:1"}},
        {"Add of a followed id adds nothing",
         false,
         {1},
         [](auto& f) { EXPECT_EQ(f.Add(1), f.GetItem(0)); },
         {1},
         {}},
        {"Add of an unknown id adds nothing",
         false,
         {1},
         [](auto& f) { EXPECT_EQ(f.Add(999), nullptr); },
         {1},
         {}},
        {"Only one: Add of an unknown id empties the list",
         true,
         {1},
         [](auto& f) { EXPECT_EQ(f.Add(999), nullptr); },
         {},
         {"stop 3:1"}},
        {"Only one: every new id replaces the list",
         true,
         {},
         [](auto& f) {
             f.SetFollowingAntennaIDs({1, 2});
         },
         {2},
         {"start 3:1", "stop 3:1", "start 3:2"}},
        {"Clear tells the owner of each entry",
         false,
         {1, 2},
         [](auto& f) { f.Clear(); },
         {},
         {"stop 3:1", "stop 3:2"}},
    };
    for (const Case& c : cases) {
        TqelFollowAntennas follow(&FList, 0);
        follow.setFollowOnlyOneAntenna(c.onlyOne);
        for (uint16_t antennaID : c.before) {
            follow.Add(antennaID);
        }
        FOwner.Events.clear();
        c.change(follow);
        TqelArrayOfWord ids;
        follow.GetFollowingAntennaIDs(ids);
        EXPECT_EQ(ids, c.after) << c.name;
        EXPECT_EQ(FOwner.Events, c.events) << c.name;
        // Each transponder's flag says whether the list follows it.
        for (uint16_t antennaID : {1, 2, 3}) {
            EXPECT_EQ(FList.ItemByAntennaID(antennaID)->GetFollowData(0)->Following(),
                      c.after.contains(antennaID))
                << c.name << " antenna " << antennaID;
        }
        follow.Clear();
    }
}

TEST_F(FollowAntennasTest, FollowByCamsNamesTheCamerasWithAnId) {
    TqelFollowAntennas nmea(&FList, 1);
    nmea.Add(2);
    EXPECT_EQ(FList.ItemByAntennaID(2)->FollowByCams(), QString());
    FFollow.Add(2);
    const int32_t slot = FList.AddCamera(9, 5);
    TqelFollowAntennas third(&FList, slot);
    third.Add(2);
    EXPECT_EQ(FList.ItemByAntennaID(2)->FollowByCams(), QStringLiteral("7;9"));
    EXPECT_EQ(FOwner.Events, (QStringList{"start 4:2", "start 3:2", "start 5:2"}));
}

TEST_F(FollowAntennasTest, CameraSlotsSurviveClearAndLaterTranspondersGetThemAll) {
    FList.Clear();
    EXPECT_EQ(FList.CameraCount(), 2);
    EXPECT_EQ(FList.GetCamera(1).CamIndex, 4);
    EXPECT_THROW(FList.GetCamera(2), EArgumentOutOfRangeException);
    FList.AddData(&FControl, Sample(50));
    TqelAntennaData* data = FList.ItemByAntennaID(50);
    EXPECT_EQ(data->GetFollowData(1)->ArrayIndex(), 1);
    EXPECT_THROW(data->GetFollowData(2), EArgumentOutOfRangeException);
    FList.AddCamera(11, 6);
    EXPECT_EQ(data->GetFollowData(2)->ArrayIndex(), 2);
}

TEST_F(FollowAntennasTest, AFollowedTransponderThatIsFreedDetachesItsEntries) {
    FFollow.Add(1);
    TqelFollowAntennas nmea(&FList, 1);
    nmea.Add(1);
    FOwner.Events.clear();
    FList.Clear();
    EXPECT_EQ(FOwner.Events, (QStringList{"stop 3:1", "stop 4:1"}));
    ASSERT_EQ(FFollow.Count(), 1);
    EXPECT_EQ(FFollow.GetItem(0)->Data(), nullptr);
    EXPECT_EQ(FFollow.GetItem(0)->AntennaID(), 1);
    // Nothing is written to the freed transponder afterwards.
    FOwner.Events.clear();
    FFollow.Clear();
    nmea.Delete(0);
    EXPECT_TRUE(FOwner.Events.isEmpty());
}

TEST_F(FollowAntennasTest, AnEntryStartsWithThePositionItWasGivenOrTheLastKnownOne) {
    FList.AddData(&FControl, Sample(2, 5, 6));
    TqelFollowAntenna* entry = FFollow.Add(2);
    EXPECT_EQ(entry->LastPos()->XinMM, 5);
    RqelPositionRec given = Sample(1, 70, 80);
    EXPECT_EQ(FFollow.Add(FList.ItemByAntennaID(1), given)->LastPos()->YinMM, 80);
    EXPECT_EQ(FFollow.Add(nullptr, given), nullptr);
    EXPECT_TRUE(FFollow.IsFollowingAntenna(1));
    EXPECT_FALSE(FFollow.IsFollowingAntenna(3));
    EXPECT_THROW(FFollow.GetItem(2), EArgumentOutOfRangeException);
    // A slot the transponder has no record for is refused before anything is added.
    TqelFollowAntennas unregistered(&FList, 5);
    EXPECT_THROW(unregistered.Add(1), EArgumentOutOfRangeException);
    EXPECT_EQ(unregistered.Count(), 0);
}

TEST_F(FollowAntennasTest, ClearingATransponderEmptiesItAndStopsItsFollowFlags) {
    FList.AddData(&FControl, Sample(3, 44, 55));
    FFollow.Add(3);
    TqelAntennaData* data = FList.ItemByAntennaID(3);
    data->setEnabled(2);
    data->SaveCurrentPosition(0);
    EXPECT_EQ(data->GetFollowData(0)->Position()->XinMM, 44);
    FOwner.Events.clear();
    data->Clear();
    EXPECT_EQ(FOwner.Events, QStringList{"stop 3:3"});
    EXPECT_FALSE(data->GetFollowData(0)->Following());
    EXPECT_EQ(data->GetFollowData(0)->Position()->XinMM, 0);
    EXPECT_EQ(data->LastKnown().XinMM, 0);
    EXPECT_EQ(data->Enabled(), 2) << "kept by Clear";
    // The entry stays attached; dropping it later tells nobody twice.
    FFollow.DeleteByAntenna(3);
    EXPECT_EQ(FOwner.Events.size(), 1);
}

}  // namespace
