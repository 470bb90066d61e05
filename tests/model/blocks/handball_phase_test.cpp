#include <gtest/gtest.h>

#include <QBuffer>
#include <cmath>
#include <limits>

#include "model/blocks/block_stream.h"
#include "model/blocks/handball_phase.h"
#include "model/groups/groups_fixture.h"
#include "platform/exception.h"

namespace qel::test {
namespace {

// Every row of a phase block, as numbers.
struct PhaseRows {
    int32_t GameID = 0;
    int32_t Index = 0;
    int32_t Begin = 0;
    int32_t TimeFirstPass = 0;
    int32_t End = 0;
    int32_t LastPossession = 0;
    int32_t GamePhase = 0;
    int32_t BallRegained = 0;
    int32_t FirstPlayer = 0;
    int32_t LastPlayer = 0;
    int32_t AttackingTeam = 0;
    int32_t DefendingTeam = 0;
    uint8_t GoalAttempt = 0;
    uint8_t Goal = 0;
    int32_t GoalTime = 0;
    int32_t Passes = 0;
};

// The phase block as a file of aVersion holds it: nothing below 66, the last possession time
// from 67, the time of the first pass from 69.
QByteArray PhaseBlock(const PhaseRows& r, int32_t aVersion = 151) {
    FieldBytes b;
    if (aVersion < 66) {
        return b.data();
    }
    b.i32(r.GameID).i32(r.Index).i32(r.Begin);
    if (aVersion >= 69) {
        b.i32(r.TimeFirstPass);
    }
    b.i32(r.End);
    if (aVersion >= 67) {
        b.i32(r.LastPossession);
    }
    b.i32(r.GamePhase).i32(r.BallRegained).i32(r.FirstPlayer).i32(r.LastPlayer);
    b.i32(r.AttackingTeam).i32(r.DefendingTeam).u8(r.GoalAttempt).u8(r.Goal);
    b.i32(r.GoalTime).i32(r.Passes);
    return b.data();
}

int32_t IdOf(const TqelTransponderData* aPlayer) {
    return aPlayer ? aPlayer->TPid() : -1;
}

int32_t IdOf(const TqelGroup* aGroup) {
    return aGroup ? aGroup->ID() : -1;
}

// A match whose first team (transponders 1 to 3) plays left to right against transponders 4
// and 5; transponder 6 is in no team.
class HandballPhaseTest : public GroupsFixture {
protected:
    HandballPhaseTest() {
        UpTo(6);
        game = Match();
        for (int32_t tpid = 1; tpid <= 5; ++tpid) {
            game->GetTeam(tpid <= 3 ? 0 : 1)->NewMember(tpid);
        }
        game->GetTeam(0)->setPlayDirection(pldLeftToRight);
        game->GetTeam(1)->setPlayDirection(pldRightToLeft);
    }

    // A distinct value in every row; players 3 and 5, the first team attacking.
    PhaseRows Filled() const {
        return {game->ID(),
                4,
                10000,
                10500,
                18000,
                17500,
                gmpOrganizedAttack,
                regOppHalf,
                3,
                5,
                game->GetTeam(0)->ID(),
                game->GetTeam(1)->ID(),
                gaCircle,
                1,
                17900,
                6};
    }

    static PhaseRows RowsOf(const TqelHandballGamePhase& aPhase) {
        return {aPhase.Game()->ID(),
                aPhase.PhaseIndex(),
                aPhase.BeginTimeInMS(),
                aPhase.TimeFirstPass(),
                aPhase.EndTimeInMS(),
                aPhase.LastPossessionTimeInMS(),
                aPhase.GamePhase(),
                aPhase.BallRegained(),
                IdOf(aPhase.FirstPlayerWithBall()),
                IdOf(aPhase.LastPlayerWithBall()),
                IdOf(aPhase.AttackingTeam()),
                IdOf(aPhase.DefendingTeam()),
                aPhase.GoalAttempt(),
                static_cast<uint8_t>(aPhase.Goal()),
                aPhase.GoalTimeInMS(),
                aPhase.Passes()};
    }

    TqelGame* game = nullptr;
};

void ExpectRows(const PhaseRows& anActual, const PhaseRows& anExpected, int32_t aVersion) {
    EXPECT_EQ(PhaseBlock(anActual), PhaseBlock(anExpected)) << "version " << aVersion;
}

TEST_F(HandballPhaseTest, BlockMatchesTheFixtureBothWays) {
    // Written from the table: game id 1, index 4, begin 10,000, first pass 10,500, end 18,000,
    // last possession 17,500, organized attack (5), opponent's half (2), players 3 and 5, teams
    // 1 and 2, circle (2), goal, goal time 17,900, 6 passes.
    const uint8_t fixture[] = {
        0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x10, 0x27, 0x00, 0x00, 0x04, 0x29, 0x00,
        0x00, 0x50, 0x46, 0x00, 0x00, 0x5C, 0x44, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0x00,
        0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02,
        0x00, 0x00, 0x00, 0x02, 0x01, 0xEC, 0x45, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,
    };
    static_assert(sizeof(fixture) == TqelHandballGamePhase::StreamSize);
    const QByteArray bytes(reinterpret_cast<const char*>(fixture), sizeof(fixture));
    ASSERT_EQ(game->ID(), 1);
    ASSERT_EQ(game->GetTeam(1)->ID(), 2);

    TqelHandballGamePhase& phase = *game->PhaseAdd();
    ReadBlockInto(phase, bytes, 151);
    EXPECT_EQ(phase.ID(), 5);
    EXPECT_EQ(phase.DurationInMS(), 8000);
    EXPECT_EQ(phase.FirstPlayerWithBall(), dataset.GetTransponderByTP(3));
    EXPECT_EQ(phase.AttackingTeam(), game->GetTeam(0));
    ExpectRows(RowsOf(phase), Filled(), 151);
    EXPECT_EQ(WrittenBlock(phase), bytes);
}

TEST_F(HandballPhaseTest, EveryVersionReadsTheRowsItHolds) {
    for (int32_t version = 1; version <= 151; ++version) {
        TqelHandballGamePhase& phase = *game->PhaseAdd();
        PhaseRows expected = RowsOf(phase);
        if (version >= 66) {
            expected = Filled();
            expected.TimeFirstPass = version >= 69 ? expected.TimeFirstPass : 0;
            expected.LastPossession = version >= 67 ? expected.LastPossession : 0;
        }
        ReadBlockInto(phase, PhaseBlock(Filled(), version), version);
        ExpectRows(RowsOf(phase), expected, version);
        TqelHandballGamePhase& again = *game->PhaseAdd();
        ReadBlockInto(again, WrittenBlock(phase), 151);
        ExpectRows(RowsOf(again), expected, version);
    }
}

TEST_F(HandballPhaseTest, IdsThatNameNothingAndIdZero) {
    // A phase without players or teams writes 0 for each.
    TqelHandballGamePhase& empty = *game->PhaseAdd();
    const QByteArray written = WrittenBlock(empty);
    ASSERT_EQ(written.size(), TqelHandballGamePhase::StreamSize);
    EXPECT_EQ(written.mid(32, 16), QByteArray(16, '\0'));

    // An attacking team without a defender writes defender 0; ids not found read as nil.
    empty.setAttackingTeam(game->GetTeam(0));
    PhaseRows rows = Filled();
    rows.DefendingTeam = 0;
    EXPECT_EQ(WrittenBlock(empty).mid(40, 8), FieldBytes().i32(rows.AttackingTeam).i32(0).data());
    rows.FirstPlayer = 77;
    rows.AttackingTeam = 99;
    TqelHandballGamePhase& read = *game->PhaseAdd();
    ReadBlockInto(read, PhaseBlock(rows), 151);
    EXPECT_EQ(read.FirstPlayerWithBall(), nullptr);
    EXPECT_EQ(read.AttackingTeam(), nullptr);
    EXPECT_EQ(read.DefendingTeam(), nullptr);

    // 0 cannot mean "none" in the block: a transponder 0 becomes both players.
    dataset.RenumberTransponders();
    ReadBlockInto(read, written, 151);
    ASSERT_NE(dataset.GetTransponderByTP(0), nullptr);
    EXPECT_EQ(read.FirstPlayerWithBall(), dataset.GetTransponderByTP(0));
    EXPECT_EQ(read.LastPlayerWithBall(), dataset.GetTransponderByTP(0));
}

TEST_F(HandballPhaseTest, AShortBlockRaisesAndChangesNothing) {
    TqelHandballGamePhase& phase = *game->PhaseAdd();
    ReadBlockInto(phase, PhaseBlock(Filled()), 151);
    PhaseRows other = Filled();
    other.Begin = 1;
    other.Passes = 2;
    QByteArray data = PhaseBlock(other);
    data.chop(1);
    EXPECT_THROW(ReadBlockInto(phase, data, 151), EReadError);
    ExpectRows(RowsOf(phase), Filled(), 151);
}

TEST_F(HandballPhaseTest, BallRegainedByDirectionAndPlace) {
    struct Case {
        int32_t Player;  // 1: left to right, 4: right to left
        double XinM;
        TqelBallRegainedOnHalf Expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {1, -0.1, regOwnHalf}, {1, 0.0, regOppHalf}, {1, 5.0, regOppHalf}, {1, nan, regOwnHalf},
        {4, -0.1, regOppHalf}, {4, 0.0, regOppHalf}, {4, 5.0, regOwnHalf}, {4, nan, regOwnHalf},
    };
    TqelHandballGamePhase& phase = *game->PhaseAdd();
    phase.setBeginTimeInMS(5000);
    for (const Case& c : cases) {
        TqelTransponderData* player = dataset.GetTransponderByTP(c.Player);
        player->SetTempPosition(5000, c.XinM, 3.0);
        phase.setFirstPlayerWithBall(player);
        EXPECT_EQ(phase.BallRegained(), c.Expected) << c.Player << " at " << c.XinM;
        EXPECT_EQ(phase.AttackingTeam(), game->GetTeamByMember(c.Player));
        EXPECT_EQ(phase.DefendingTeam(), game->GetOpponentTeam(c.Player));
        EXPECT_EQ(phase.LastPlayer(), player);
    }
}

TEST_F(HandballPhaseTest, FirstPlayerOutsideEveryTeamAndNil) {
    TqelHandballGamePhase& phase = *game->PhaseAdd();
    TqelTransponderData* outsider = dataset.GetTransponderByTP(6);
    outsider->setAthleteName(QStringLiteral("Outsider"));
    try {
        phase.setFirstPlayerWithBall(outsider);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Player %1 is not a member of a team")
                                   .arg(outsider->ToString(ttsNameAndTransponderID)));
    }
    EXPECT_EQ(phase.FirstPlayerWithBall(), outsider);
    EXPECT_EQ(phase.AttackingTeam(), nullptr);

    phase.setFirstPlayerWithBall(dataset.GetTransponderByTP(1));
    ASSERT_NE(phase.DefendingTeam(), nullptr);
    EXPECT_NO_THROW(phase.setFirstPlayerWithBall(nullptr));
    EXPECT_EQ(phase.FirstPlayerWithBall(), nullptr);
    EXPECT_EQ(phase.AttackingTeam(), nullptr);
    EXPECT_EQ(phase.DefendingTeam(), nullptr);
}

TEST_F(HandballPhaseTest, CheckPassCountsEachChangeOfPlayerOnce) {
    TqelHandballGamePhase& phase = *game->PhaseAdd();
    TqelTransponderData* first = dataset.GetTransponderByTP(1);
    TqelTransponderData* second = dataset.GetTransponderByTP(2);
    TqelTransponderData* opponent = dataset.GetTransponderByTP(4);
    phase.setFirstPlayerWithBall(first);
    phase.CheckPass(first);  // the same player again
    phase.CheckPass(nullptr);
    EXPECT_EQ(phase.Passes(), 0);
    phase.CheckPass(second);
    phase.CheckPass(second);
    phase.CheckPass(opponent);  // whatever his team
    phase.CheckPass(first);
    EXPECT_EQ(phase.Passes(), 3);
    EXPECT_EQ(phase.LastPlayer(), first);
}

}  // namespace
}  // namespace qel::test
