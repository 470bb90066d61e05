#include "analysis/framework/model_calculation_context.h"
#include "database/datasets/live_position.h"
#include "model/field/field.h"
#include "model/groups/groups_fixture.h"

namespace {

using qel::test::GroupsFixture;

class TeamLookups : public GroupsFixture {
protected:
    // Members 1 and 2 of a free group at X aX1 and aX2 (m) at time 0.
    TqelPlayDirection FromSides(double aX1, double aX2) {
        TqelGroup* group = dataset.addGroup(nullptr, gtGroup);
        const double xs[] = {aX1, aX2};
        for (int32_t tpid = 1; tpid <= 2; ++tpid) {
            RqelCalculatedPosition position;
            position.XinM = xs[tpid - 1];
            position.YinM = 5;
            position.OnField = true;
            UpTo(tpid)->CachePosition(0, position);
            group->NewMember(tpid);
        }
        return group->CalcPlayDirection(0);
    }
};

TEST_F(TeamLookups, MatchTeamTurnsInEvenPeriodsOnly) {
    TqelGame* match = Match();
    TqelGroup* team = match->GetTeam(0);
    team->setPlayDirection(pldLeftToRight);
    struct Case {
        int32_t Time;
        TqelPlayDirection Direction;
    } cases[] = {{10000, pldLeftToRight},
                 {30000, pldRightToLeft},
                 {50000, pldLeftToRight},
                 {20000, pldRightToLeft},
                 {70000, pldLeftToRight}};
    for (const Case& c : cases) {
        EXPECT_EQ(team->CurrentPlayDirection(c.Time), c.Direction) << c.Time;
    }
    TqelGame* exercise = dataset.addGame(0, gameExercise, -1, QString());
    exercise->AddPart(QString(), -1, 0, 10000, true);
    exercise->AddPart(QString(), -1, 20000, 40000, true);
    exercise->GetTeam(0)->setPlayDirection(pldRightToLeft);
    EXPECT_EQ(exercise->GetTeam(0)->CurrentPlayDirection(30000), pldRightToLeft);
    team->setPlayDirection(pldNone);
    EXPECT_EQ(team->CurrentPlayDirection(30000), pldNone);
}

TEST_F(TeamLookups, PlayDirectionFromTheMembersSide) {
    EXPECT_EQ(FromSides(-20, 10), pldLeftToRight);
    EXPECT_EQ(FromSides(20, -10), pldRightToLeft);
    EXPECT_EQ(FromSides(10, -10), pldRightToLeft) << "a sum of 0";
    EXPECT_EQ(dataset.addGroup(nullptr, gtGroup)->CalcPlayDirection(0), pldNone);
}

TEST_F(TeamLookups, CurrentTeamAndTeamCodes) {
    UpTo(5);
    TqelGame* first = dataset.addGame(0, gameExercise, -1, QString());
    first->AddPart(QString(), -1, 0, 10000, true);
    first->GetTeam(0)->NewMember(1);
    TqelGame* second = dataset.addGame(5000, gameExercise, -1, QString());
    second->AddPart(QString(), -1, 5000, 20000, true);
    second->GetTeam(0)->NewMember(1);
    second->GetTeam(0)->NewMember(2);
    const TqelTransponderData* one = dataset.GetTransponderByTP(1);
    EXPECT_EQ(one->getCurrentTeam(7000), first->GetTeam(0));
    EXPECT_EQ(one->getCurrentTeam(15000), second->GetTeam(0));
    EXPECT_EQ(dataset.GetTransponderByTP(2)->getCurrentTeam(7000), second->GetTeam(0));
    EXPECT_EQ(one->getCurrentTeam(25000), nullptr);
    EXPECT_TRUE(dataset.InSameTeam(7000, 1, 1));
    EXPECT_FALSE(dataset.InSameTeam(7000, 1, 2)) << "the first covering game decides";
    EXPECT_TRUE(dataset.InSameTeam(10000, 1, 2)) << "the first game's end is outside it";
    EXPECT_EQ(dataset.PlayerInTeam(15000, 2), second->GetTeam(0)->ID());
    EXPECT_EQ(dataset.PlayerInTeam(7000, 2), 0);
}

TEST_F(TeamLookups, LiveSummaryTeamCodes) {
    UpTo(5);
    for (int32_t keeper : {2, 4}) {
        dataset.GetTransponderByTP(keeper)->setPlayerRole(2);
    }
    TqelGame* match = Match();
    match->GetTeam(0)->NewMember(1);
    match->GetTeam(0)->NewMember(2);
    match->GetTeam(1)->NewMember(3);
    match->GetTeam(1)->NewMember(4);
    QList<int32_t> codes;
    for (int32_t tpid = 1; tpid <= 5; ++tpid) {
        codes << dataset.GetTransponderByTP(tpid)->GetTeamID(1000);
    }
    EXPECT_EQ(codes, QList<int32_t>({0, 3, 1, 4, -2}));
}

TEST_F(TeamLookups, LiveSummaryRecordTakesTeamAndMemberRole) {
    UpTo(5);
    dataset.GetTransponderByTP(4)->setPlayerRole(2);
    TqelGame* match = Match();
    match->GetTeam(0)->NewMember(1);
    match->GetTeam(1)->NewMember(4);
    QList<int32_t> codes;
    QList<int32_t> roles;
    for (int32_t tpid : {1, 4, 5}) {
        const TqeldbPosition record =
            dataset.GetTransponderByTP(tpid)->CalcLiveData(0, 1000, 100, false, false, true);
        codes << record.TeamID();
        roles << record.PlayerRole();
    }
    EXPECT_EQ(codes, QList<int32_t>({0, 4, -2}));
    EXPECT_EQ(roles, QList<int32_t>({0, 2, 0}));
}

TEST_F(TeamLookups, CalculationContextOnRealGames) {
    dataset.setSportType(sportSoccer);
    TqelTransponderData* tp = UpTo(3);
    // A free group first: groups without a game are passed over.
    dataset.addGroup(nullptr, gtGroup)->NewMember(3);
    TqelGame* match = Match();
    match->GetTeam(1)->NewMember(3);
    match->GetTeam(1)->setPlayDirection(pldLeftToRight);
    qel::ModelCalculationContext context(tp);
    ASSERT_EQ(context.GroupCount(), 6) << "free group, team and four part groups";
    const qel::CalculationGroup free = context.Group(0, 30000);
    EXPECT_FALSE(free.HasGame);
    const qel::CalculationGroup team = context.Group(1, 30000);
    EXPECT_TRUE(team.HasGame);
    EXPECT_EQ(team.ID, match->GetTeam(1)->ID());
    EXPECT_FALSE(team.IsHomeTeam);
    EXPECT_EQ(team.GameBeginTimeInMS, 0);
    EXPECT_EQ(team.GameEndTimeInMS, 60000);
    EXPECT_EQ(team.PlayDirection, pldRightToLeft) << "period 2";
    EXPECT_EQ(context.GameContextAt(30000).PlayDirection, pldRightToLeft);
    EXPECT_EQ(context.GameContextAt(10000).PlayDirection, pldLeftToRight);
    EXPECT_EQ(context.GameContextAt(70000).PlayDirection, pldNone) << "no game spans it";
    EXPECT_EQ(context.Group(6, 0).ID, 0) << "past the list: the defaults";

    // The heat map's direction: the team at its part's begin + 1 ms.
    EXPECT_EQ(context.PartPlayDirection(match->ID(), 2, 3), pldRightToLeft);
    EXPECT_EQ(context.PartPlayDirection(match->ID(), 3, 3), pldLeftToRight);
    EXPECT_EQ(context.PartPlayDirection(match->ID(), 9, 3), pldNone);
    EXPECT_EQ(context.PartPlayDirection(match->ID() + 1, 2, 3), pldNone);
    EXPECT_EQ(context.PartPlayDirection(match->ID(), 2, 2), pldNone);

    match->GetTeam(0)->NewMember(2);
    EXPECT_TRUE(qel::ModelCalculationContext(dataset.GetTransponderByTP(2)).Group(0, 0).IsHomeTeam);
}

}  // namespace
