#include <QVariant>

#include "analysis/framework/calculation.h"

#include "model/groups/groups_fixture.h"
#include "platform/exception.h"

namespace {

using qel::test::GroupsFixture;

class GroupTest : public GroupsFixture {};

// The members' ids, in list order.
QList<int32_t> MemberIds(const TqelGroup& aGroup) {
    QList<int32_t> ids;
    for (int32_t i = 0; i < aGroup.MemberCount(); ++i) {
        ids << aGroup.GetMember(i)->TransponderID();
    }
    return ids;
}

TEST_F(GroupTest, MembershipTable) {
    TqelTransponderData* five = UpTo(5);
    TqelTransponderData* high = UpTo(104);
    TqelGroup* group = dataset.addGroup(nullptr, gtGroup);
    log.Take();

    // An id of the set: one member however often.
    TqelGroupMember* member = group->NewMember(5);
    EXPECT_EQ(group->NewMember(5), member);
    // Above 103: a member each time, never in the set nor found by id.
    EXPECT_NE(group->NewMember(104), nullptr);
    EXPECT_NE(group->NewMember(104), nullptr);
    EXPECT_EQ(MemberIds(*group), QList<int32_t>({5, 104, 104}));
    EXPECT_EQ(group->MemberSet(), TqelTransponderSet({5}));
    EXPECT_EQ(group->GetMemberByTransponderID(104), nullptr);
    EXPECT_EQ(five->GroupCount(), 1);
    EXPECT_EQ(high->GroupCount(), 1);
    EXPECT_EQ(group->NewMember(300), nullptr) << "no such transponder";
    EXPECT_TRUE(log.Take().isEmpty()) << "adding members is silent";

    // AddMember of an unknown transponder frees it (the sanitizer would see a leak).
    group->AddMember(std::make_unique<TqelGroupMember>(group, 300, false));
    EXPECT_EQ(group->MemberCount(), 3);

    // MemberSet: members outside the set go (those above 103 too), 100 stays, 3 joins but 101
    // (above 99) does not; one notice.
    UpTo(104);
    TqelGroup* other = dataset.addGroup(nullptr, gtGroup);
    other->NewMember(100);
    log.Take();
    other->setMemberSet(TqelTransponderSet({3, 100, 101}));
    EXPECT_EQ(MemberIds(*other), QList<int32_t>({100, 3}));
    EXPECT_EQ(other->MemberSet(), TqelTransponderSet({3, 100}));
    EXPECT_EQ(log.Take(), QStringList{Line("changed", itemGroup, other->ID())});
    // The set equals: nothing happens, not even to the members above 103.
    group->setMemberSet(TqelTransponderSet({5}));
    EXPECT_EQ(MemberIds(*group), QList<int32_t>({5, 104, 104}));
    group->setMemberSet(TqelTransponderSet({5, 6}));
    EXPECT_EQ(MemberIds(*group), QList<int32_t>({5, 6}));
    EXPECT_EQ(high->GroupCount(), 0);
    EXPECT_THROW(group->GetMember(2), EArgumentOutOfRangeException);
}

TEST_F(GroupTest, NewMemberTakesTheRoleAndNotifiesOnlyForOne) {
    UpTo(2)->setPlayerRole(2);
    TqelGroup* group = dataset.addGroup(nullptr, gtGroup);
    log.Take();
    group->NewMember(1);
    EXPECT_TRUE(log.Take().isEmpty());
    EXPECT_EQ(group->NewMember(2)->Role(), 2);
    EXPECT_EQ(log.Take(), QStringList{Line("changed", itemGroup, group->ID())});
}

TEST_F(GroupTest, MatchTeamMembersReachEveryPartGroupAndLeaveThemRecursively) {
    UpTo(4);
    TqelGame* game = Match();
    TqelGroup* team = game->GetTeam(0);
    team->NewMember(1);
    team->NewMember(2);
    for (int32_t i = 0; i < game->PartCount(); ++i) {
        EXPECT_EQ(MemberIds(*game->GetPart(i)->Group()), QList<int32_t>({1, 2})) << i;
    }
    // Team and the four part groups.
    EXPECT_EQ(dataset.GetTransponderByTP(1)->GroupCount(), 5);
    TqelGroup* partGroup = game->GetPart(2)->Group();
    EXPECT_NE(partGroup->GetMember(0)->Calculation(), nullptr);
    EXPECT_EQ(partGroup->GetMember(0)->Calculation()->PartID(), 2);
    EXPECT_EQ(team->GetMember(0)->Calculation(), nullptr);

    team->DeleteMember(0, false);
    EXPECT_EQ(MemberIds(*partGroup), QList<int32_t>({1, 2})) << "not recursive";
    EXPECT_EQ(dataset.GetTransponderByTP(1)->GroupCount(), 4);
    team->NewMember(1);
    team->DeleteMember(*dataset.GetTransponderByTP(1), true);
    EXPECT_EQ(MemberIds(*partGroup), QList<int32_t>({2}));
    EXPECT_EQ(dataset.GetTransponderByTP(1)->GroupCount(), 0);

    team->ClearMembers();
    EXPECT_EQ(partGroup->MemberCount(), 0);
    EXPECT_EQ(dataset.GetTransponderByTP(2)->GroupCount(), 0);
    EXPECT_TRUE(team->MemberSet().empty());
}

TEST_F(GroupTest, Visualisations) {
    TqelGroup* group = dataset.addGroup(nullptr, gtGroup);
    group->setShirtColor(0xFF);
    log.Take();
    TqelVisualisation* box = group->NewVisualisation(grpBox);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->ID(), 1);
    EXPECT_EQ(box->Color(), 0xFFu);
    EXPECT_EQ(group->NewVisualisation(grpBox), nullptr) << "one per type";
    TqelVisualisation* area = group->NewVisualisation(grpArea);
    EXPECT_EQ(area->ID(), 2);
    EXPECT_EQ(dataset.VisualisationByID(2), area);
    EXPECT_EQ(box->ToString(), QStringLiteral("New group - Enclosing box"));
    EXPECT_EQ(log.Take(), QStringList({Line("added", itemVisualisation, grpBox),
                                       Line("added", itemVisualisation, grpArea)}));
    // Setter notices carry the type, the new one for the type setter.
    box->setColor(7);
    box->setVisualisationType(grpLine);
    group->setVisibleIn3D(false);
    EXPECT_FALSE(area->VisibleIn3DViewer());
    EXPECT_EQ(log.Take(), QStringList({Line("changed", itemVisualisation, grpBox),
                                       Line("changed", itemVisualisation, grpLine),
                                       Line("changed", itemVisualisation, grpLine),
                                       Line("changed", itemVisualisation, grpArea),
                                       Line("changed", itemGroup, group->ID())}));
    EXPECT_THROW(group->DeleteVisualisation(grpTeam), EArgumentOutOfRangeException);
    group->DeleteVisualisation(grpArea);
    EXPECT_FALSE(group->VisualisationSet().contains(grpArea));
    EXPECT_EQ(dataset.VisualisationByID(2), nullptr);
    EXPECT_EQ(log.Take(), QStringList{Line("deleting", itemVisualisation, grpArea)});
    // The counter never goes down.
    dataset.setLastVisualisationID(1);
    EXPECT_EQ(dataset.LastVisualisationID(), 2);
    dataset.setLastVisualisationID(9);
    EXPECT_EQ(dataset.IncLastVisualisationID(), 10);
}

TEST_F(GroupTest, CaptionsAndTheirFault) {
    EXPECT_EQ(VisualisationTypeCaption(grpTeam), QStringLiteral("Team"));
    EXPECT_EQ(VisualisationTypeCaption(grpSlagPotCarrier), QStringLiteral("Slag pot carrier"));
    for (int32_t bad : {16, -1}) {
        try {
            VisualisationTypeCaption(bad);
            ADD_FAILURE() << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Not defined GroupType: %1").arg(bad));
        }
    }
}

TEST_F(GroupTest, DatasetGroupOperations) {
    TqelGroup* first = dataset.addGroup(nullptr, gtGroup);
    TqelGroup* part = dataset.addGroup(nullptr, gtPart);
    TqelGroup* second = dataset.addGroup(nullptr, gtGroup);
    EXPECT_EQ(first->ID(), 1);
    EXPECT_EQ(part->ID(), 1001);
    EXPECT_EQ(second->ID(), 2);
    EXPECT_EQ(first->ShirtColor(), 0x1FFFFFFFu);
    EXPECT_EQ(first->GUID().size(), 38);
    first->setName(QStringLiteral("Same"));
    second->setName(QStringLiteral("Same"));
    EXPECT_EQ(dataset.GroupByName(QStringLiteral("Same")), second);
    EXPECT_EQ(dataset.GroupByName(QStringLiteral("same")), nullptr);
    EXPECT_EQ(dataset.getGroupByID(1001), part);
    EXPECT_EQ(dataset.getGroupByGUID(first->GUID()), first);
    EXPECT_EQ(dataset.findGroupByID(QVariant(2)), second);
    EXPECT_EQ(dataset.findGroupByID(QVariant()), nullptr);
    EXPECT_THROW(dataset.getGroup(3), EArgumentOutOfRangeException);

    // Texts.
    EXPECT_EQ(first->ToString(gtsName), QStringLiteral("Same"));
    EXPECT_EQ(first->ToString(gtsGameAndName), QStringLiteral("Group - Same"));
    TqelGame* game = dataset.addGame(0, gameExercise, -1, QStringLiteral("Run"));
    EXPECT_EQ(game->GetTeam(0)->ToString(gtsGameAndName), QStringLiteral("Run - Team 1"));

    // A group outside the list still gets both notices.
    TqelGroup loose(&dataset, 77, gtGroup);
    log.Take();
    dataset.deleteGroup(&loose);
    EXPECT_EQ(log.Take(),
              QStringList({Line("deleting", itemGroup, 77), Line("deleted", itemGroup, 77)}));
    dataset.setSelectedGroup(first);
    log.Take();
    dataset.deleteGroup(first);
    EXPECT_EQ(dataset.SelectedGroup(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("selected", itemGroup, 0), Line("deleting", itemGroup, 1),
                           Line("deleted", itemGroup, 1)}));
}

TEST_F(GroupTest, AssignFromOtherMatchesMembersByAntenna) {
    // The other dataset knows antennas 2001 and 2003; here they are transponders 1 and 3.
    UpTo(3);
    TqelDataset otherDataset;
    otherDataset.AddTransponder(2003, nullptr, 0);
    otherDataset.AddTransponder(2001, nullptr, 0);
    TqelGroup* other = otherDataset.addGroup(nullptr, gtGroup);
    other->setName(QStringLiteral("Away"));
    other->setScore(3);
    other->setPlayDirection(pldRightToLeft);
    other->NewMember(1)->setSetupPosition(9);  // antenna 2003
    other->NewMember(2)->setRole(2);           // antenna 2001

    TqelGroup* own = dataset.addGroup(nullptr, gtGroup);
    own->NewMember(1);  // antenna 2001: stays
    own->NewMember(2);  // antenna 2002: goes
    own->AssignFromOther(*other);
    EXPECT_EQ(own->Name(), QStringLiteral("Away"));
    EXPECT_EQ(own->Score(), 3);
    EXPECT_EQ(own->PlayDirection(), pldRightToLeft);
    EXPECT_EQ(own->GUID(), other->GUID());
    EXPECT_EQ(own->ID(), 1) << "the id stays";
    EXPECT_EQ(MemberIds(*own), QList<int32_t>({1, 3}));
    EXPECT_EQ(own->GetMemberByTransponderID(1)->Role(), 2);
    EXPECT_EQ(own->GetMemberByTransponderID(3)->SetupPosition(), 9);
    EXPECT_EQ(dataset.GetTransponderByTP(2)->GroupCount(), 0);
}

TEST_F(GroupTest, ShirtColourReachesTheMembersAndTheirRoleFromTheAthlete) {
    TqelTransponderData* tp = UpTo(1);
    TqelGroup* group = dataset.addGroup(nullptr, gtGroup);
    group->NewMember(1);
    group->setShirtColor(0x123456);
    EXPECT_EQ(tp->AthleteColor(), 0x123456u);
    tp->GiveRoleToMemberships(2);
    EXPECT_EQ(group->GetMember(0)->Role(), 2);
    tp->GiveRoleToMemberships(5);
    EXPECT_EQ(group->GetMember(0)->Role(), 2) << "only memberships without a role";
}

// Under AddressSanitizer: nothing keeps a freed group.
TEST_F(GroupTest, DeletedAndClearedGroupsLeaveTransponderTeamListsAndParts) {
    UpTo(2);
    TqelGame* game = Match();
    game->GetTeam(0)->NewMember(1);
    game->GetTeam(1)->NewMember(2);
    TqelGroup* partGroup = game->GetPart(1)->Group();
    dataset.deleteGroup(partGroup);
    EXPECT_EQ(game->GetPart(1)->Group(), nullptr);
    dataset.deleteGroup(game->GetTeam(0));
    EXPECT_EQ(game->TeamCount(), 1);
    EXPECT_EQ(dataset.GetTransponderByTP(1)->GroupCount(), 0);
    EXPECT_EQ(game->GetTeamByMember(2), game->GetTeam(0));

    dataset.clearGroups();
    EXPECT_EQ(dataset.GroupCount(), 0);
    EXPECT_EQ(game->TeamCount(), 0);
    EXPECT_EQ(dataset.GetTransponderByTP(2)->GroupCount(), 0);
    for (int32_t i = 0; i < game->PartCount(); ++i) {
        EXPECT_EQ(game->GetPart(i)->Group(), nullptr);
    }
    EXPECT_EQ(game->GetTeamByMember(2), nullptr);
    EXPECT_EQ(dataset.GetTransponderByTP(2)->getCurrentTeam(100), nullptr);
}

TEST_F(GroupTest, RemovedAndRenumberedTranspondersLeaveTheirGroups) {
    UpTo(3);
    TqelGame* game = Match();
    TqelGroup* team = game->GetTeam(0);
    team->NewMember(2);
    team->NewMember(3);
    dataset.removeTransponder(1);  // TPid 2
    EXPECT_EQ(MemberIds(*team), QList<int32_t>{3});
    EXPECT_EQ(game->GetPart(1)->Group()->MemberSet(), TqelTransponderSet({3}));
    dataset.RenumberTransponders();
    EXPECT_EQ(team->MemberCount(), 0);
    EXPECT_EQ(game->GetPart(1)->Group()->MemberCount(), 0);
    EXPECT_EQ(dataset.getTransponder(1)->GroupCount(), 0);
}

TEST_F(GroupTest, FillingFromTheDatasetAndFromTheTeams) {
    UpTo(3)->setRole(roleBall);
    TqelGroup* all = dataset.addGroup(nullptr, gtGroup);
    all->AddAllTransponders();
    EXPECT_EQ(MemberIds(*all), QList<int32_t>({1, 2})) << "not the ball";

    TqelGame* match = Match();
    match->GetTeam(0)->NewMember(1);
    match->GetTeam(1)->NewMember(2);
    TqelGroup* partGroup = dataset.addGroup(match, gtPart);
    partGroup->AddAllTeamMembers();
    EXPECT_EQ(MemberIds(*partGroup), QList<int32_t>({1, 2}));
    EXPECT_EQ(partGroup->GetMember(1)->GameTeamID(), match->GetTeam(1)->ID());
    EXPECT_EQ(partGroup->GetMember(1)->Calculation()->GroupID(), match->GetTeam(1)->ID());
    TqelGroup* fromGame = dataset.addGroup(match, gtPart);
    fromGame->AddTranspondersFromGame();
    EXPECT_EQ(MemberIds(*fromGame), QList<int32_t>({1, 2}));
    EXPECT_EQ(fromGame->GetMember(0)->GameTeamID(), 0);
}

}  // namespace
