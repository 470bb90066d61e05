#include "model/blocks/block_stream.h"
#include "model/field/oval_track.h"
#include "model/groups/group.h"
#include "model/groups/groups_fixture.h"
#include "model/groups/marker.h"
#include "model/transponder/laps_sectors.h"

namespace {

using qel::test::GroupsFixture;

class GroupRace : public GroupsFixture {
protected:
    // A group of aMembers transponders racing aLaps laps, aToFinish of them needed.
    TqelGroup* Race(int32_t aMembers, int32_t aLaps, int32_t aToFinish) {
        UpTo(aMembers);
        TqelGroup* group = dataset.addGroup(nullptr, gtGroup);
        for (int32_t tp = 1; tp <= aMembers; ++tp) {
            group->NewMember(tp);
        }
        group->setNumberOfLaps(aLaps);
        group->setMembersToFinish(aToFinish);
        return group;
    }
    void Start(int32_t aTime) {
        dataset.addMarker(aTime, QStringLiteral("Start"), TqelMarker::StartMarker, 0, QString());
    }
    // A member's lap with that entry and exit.
    TqelLap& MemberLap(int32_t anEntry, int32_t anExit) {
        auto& lap = laps.emplace_back(std::make_unique<TqelLap>(dataset.getTransponder(0)));
        lap->setEntryInMS(anEntry);
        lap->StoreExitInMS(anExit);
        return *lap;
    }
    // Each lap as "number entry-exit out".
    static QStringList Laps(const TqelGroup& aGroup) {
        QStringList texts;
        for (int32_t i = 0; i < aGroup.LapCount(); ++i) {
            const TqelGroupLap* lap = aGroup.getLap(i);
            texts << QStringLiteral("%1 %2-%3 %4")
                         .arg(lap->LapNumber())
                         .arg(lap->EntryInMS())
                         .arg(lap->ExitInMS())
                         .arg(lap->MembersOut());
        }
        return texts;
    }

    std::vector<std::unique_ptr<TqelLap>> laps;
};

TEST_F(GroupRace, MembersOutMoveTheExitToTheLastNeededFinisher) {
    TqelGroup* group = Race(3, 2, 2);
    TqelGroupLap* lap = group->AppendLap(1);
    lap->incMemberOut(0);
    EXPECT_EQ(lap->MembersOut(), 0);
    EXPECT_TRUE(lap->ExitTimes().empty());
    lap->incMemberOut(10000);
    EXPECT_FALSE(lap->EnoughMembersFinished(20000));
    lap->incMemberOut(12000);
    EXPECT_EQ(lap->ExitInMS(), 12000);
    lap->incMemberOut(11000);
    EXPECT_EQ(lap->ExitTimes(), std::vector<int32_t>({10000, 11000, 12000}));
    EXPECT_EQ(lap->ExitInMS(), 11000);
    EXPECT_EQ(lap->MembersOut(), 3);
    EXPECT_FALSE(lap->EnoughMembersFinished(10999));
    EXPECT_TRUE(lap->EnoughMembersFinished(11000));
    EXPECT_FALSE(lap->IsLastLap());
    EXPECT_TRUE(group->AppendLap(4)->IsLastLap()) << "two group laps to a race lap";
}

// A lap read from a stream holds its members-out count but no times.
TEST_F(GroupRace, AStreamReadLapReadsNoTimeItDoesNotHold) {
    TqelGroup* group = Race(3, 1, 2);
    TqelGroupLap* lap = group->AppendLap(-1);
    QByteArray data = FieldBytes().i32(1000).i32(9000).i32(2).i32(2).data();
    ReadBlockInto(*lap, data, 151);
    EXPECT_EQ(lap->LapNumber(), 2);
    EXPECT_EQ(lap->MembersOut(), 2);
    EXPECT_TRUE(lap->ExitTimes().empty());
    EXPECT_FALSE(lap->EnoughMembersFinished(8999));
    EXPECT_TRUE(lap->EnoughMembersFinished(9000)) << "the stored exit answers";
    lap->incMemberOut(9500);  // all out, but the second time is not held
    EXPECT_EQ(lap->ExitInMS(), 9500);
    EXPECT_EQ(lap->ExitTimes(), std::vector<int32_t>({9500}));
    EXPECT_EQ(WrittenBlock(*lap), FieldBytes().i32(1000).i32(9500).i32(3).i32(2).data());

    // Members to finish 0 counts as 1: the first time decides.
    group->setMembersToFinish(0);
    TqelGroupLap* fresh = group->AppendLap(1);
    EXPECT_FALSE(fresh->EnoughMembersFinished(INT32_MAX));
    fresh->incMemberOut(4000);
    EXPECT_TRUE(fresh->EnoughMembersFinished(4000));
    EXPECT_FALSE(fresh->EnoughMembersFinished(3999));
}

TEST_F(GroupRace, MemberNewLapCases) {
    TqelGroup* group = Race(2, 2, 2);
    // An open lap, or no start marker before the exit: nothing.
    group->MemberNewLap(MemberLap(0, -1));
    Start(1000);
    group->MemberNewLap(MemberLap(0, 1000));
    EXPECT_EQ(group->LapCount(), 0);

    // The first lap after the start makes group lap 1 from the marker, 5 s long.
    group->MemberNewLap(MemberLap(500, 3000));
    EXPECT_EQ(Laps(*group), QStringList{"1 1000-6000 0"});
    // b: entry + 2 s past the last lap's exit: a member out on it; both out, so lap 2 begins.
    group->MemberNewLap(MemberLap(4500, 20000));
    EXPECT_EQ(Laps(*group), QStringList{"1 1000-6000 1"});
    group->MemberNewLap(MemberLap(5500, 20000));
    EXPECT_EQ(Laps(*group), QStringList({"1 1000-6000 2", "2 6000-11000 0"}));
    // c: a late crossing of the lap before the last moves the last lap's entry.
    group->MemberNewLap(MemberLap(5800, 20000));
    EXPECT_EQ(Laps(*group), QStringList({"1 1000-6000 3", "2 6000-11000 0"}));
    // c without a crossing near the lap before: nothing changes.
    group->MemberNewLap(MemberLap(3000, 20000));
    EXPECT_EQ(Laps(*group), QStringList({"1 1000-6000 3", "2 6000-11000 0"}));
    // a: a start marker after the last lap's exit begins a new race.
    Start(50000);
    group->MemberNewLap(MemberLap(49000, 52000));
    EXPECT_EQ(group->LapCount(), 3);
    EXPECT_EQ(Laps(*group).last(), QStringLiteral("1 50000-55000 0"));

    // d: one lap whose exit lies well after the crossing.
    TqelGroup* other = Race(2, 2, 2);
    other->MemberNewLap(MemberLap(51000, 60000));
    other->MemberNewLap(MemberLap(51000, 60000));
    EXPECT_EQ(Laps(*other), QStringList{"1 50000-55000 0"});
}

TEST_F(GroupRace, QueriesOverATwoLapRace) {
    TqelGroup* group = Race(2, 2, 2);
    EXPECT_EQ(group->CurrentRaceTime(5000), 0) << "no laps";
    EXPECT_FALSE(group->Isfinished(5000));
    EXPECT_EQ(group->LastFinishTime(5000), 0);
    EXPECT_EQ(group->LastLapTime(5000), 0);
    Start(1000);
    // Group laps 1..4 of 10 s each from the start, both members out on each.
    for (int32_t number = 1; number <= 4; ++number) {
        TqelGroupLap* lap = group->AppendLap(number);
        lap->setEntryInMS(1000 + (number - 1) * 10000);
        lap->setExitInMS(lap->EntryInMS() + 5000);
        lap->incMemberOut(number * 10000);
        lap->incMemberOut(number * 10000 + 1000);
    }
    EXPECT_EQ(group->LapsToGo(1000), 2) << "before the first entry";
    EXPECT_EQ(group->LastLapNumber(1000), 0);
    const struct {
        int32_t T;
        int32_t ToGo;
        int32_t LastLap;
    } cases[] = {
        {1001, 1, 1},    // lap 1 without its finishers: n = 0
        {11000, 1, 1},   // lap 1 done: n = 1
        {11001, 1, 1},   // lap 2 begun
        {21000, 0, 1},   // lap 2 done: n = 2
        {21001, 0, 2},   // lap 3
        {41000, -1, 2},  // lap 4 done: the formula counts one past the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(group->LapsToGo(c.T), c.ToGo) << c.T;
        EXPECT_EQ(group->LastLapNumber(c.T), c.LastLap) << c.T;
    }
    EXPECT_EQ(group->CurrentRaceTime(41000), 40000);
    EXPECT_FALSE(group->Isfinished(40999));
    EXPECT_TRUE(group->Isfinished(41000));
    EXPECT_EQ(group->LastFinishTime(41000), 40000) << "lap 4's exit less the start";
    EXPECT_EQ(group->LastFinishTime(40999), 30000) << "not finished: lap 4's entry";
    EXPECT_EQ(group->LastLapTime(41000), 10000) << "lap 3";
    EXPECT_EQ(group->LastLapTime(11000), 0) << "within the first lap";
}

// Three members on a team-pursuit track, a lap each 30 s after a start at 10 s: the race laps
// come from their laps once the dataset is read.
TEST_F(GroupRace, OnAfterLoadDataSetBuildsThePursuitLaps) {
    qel::test::SetOvalTrack(*dataset.Field());
    dataset.Field()->setTrackTeamPursuit(true);
    dataset.setDurationInMS(200000);
    TqelGroup* group = Race(3, 2, 2);
    Start(10000);
    for (int32_t tp = 1; tp <= 3; ++tp) {
        TqelTransponderData* transponder = dataset.GetTransponderByTP(tp);
        // Laps announced open, as the detection does; each is closed by the next.
        transponder->AddLap(0);
        for (int32_t lap = 1; lap <= 5; ++lap) {
            transponder->AddLap(10000 + lap * 30000 + tp * 200);
        }
    }
    EXPECT_EQ(group->LapCount(), 0) << "open laps move no race";
    group->OnAfterLoadDataSet();
    EXPECT_EQ(Laps(*group), QStringList({"1 10000-40400 3", "2 40400-70400 3", "3 70400-100400 3",
                                         "4 100400-130400 3"}));
    EXPECT_TRUE(group->Isfinished(130400));
    EXPECT_EQ(group->LastFinishTime(130400), 120400);
}

}  // namespace
