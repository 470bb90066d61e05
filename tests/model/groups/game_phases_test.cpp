#include <QDateTime>

#include "foundation/position_records.h"
#include "foundation/settings/dynamic_values.h"
#include "model/blocks/handball_phase.h"
#include "model/blocks/passes.h"
#include "model/groups/groups_fixture.h"
#include "platform/date_time.h"
#include "platform/exception.h"

namespace {

using qel::test::GroupsFixture;

class GamePhasesTest : public GroupsFixture {
protected:
    GamePhasesTest() { game = Match(); }

    // "begin-end" of every pass, in list order.
    QStringList Passes() const {
        QStringList passes;
        for (int32_t i = 0; i < game->PassCount(); ++i) {
            passes << QStringLiteral("%1-%2")
                          .arg(game->PassByIndex(i)->TimeBeginInMS())
                          .arg(game->PassByIndex(i)->TimeEndInMS());
        }
        return passes;
    }
    // "ID:begin" of every phase, in list order.
    QStringList Phases() const {
        QStringList phases;
        for (int32_t i = 0; i < game->PhaseCount(); ++i) {
            const TqelHandballGamePhase& phase = *game->GethandballGamePhase(i);
            phases << QStringLiteral("%1:%2").arg(phase.ID()).arg(phase.BeginTimeInMS());
        }
        return phases;
    }

    TqelGame* game = nullptr;
};

TEST_F(GamePhasesTest, PassesAddSortAndLookUp) {
    TqelPasses* pass = game->PassAdd(5000, 6000, 3, 1.5, -2, 7, 10, 20, 2);
    game->PassAdd(1000, 2000, 4, 0, 0, 5, 0, 0, 2);
    game->PassAdd(1500, 2500, 5, 0, 0, 4, 0, 0, 2);
    EXPECT_EQ(pass->TPidSend(), 3);
    EXPECT_EQ(pass->TPidReceived(), 7);
    EXPECT_EQ(pass->TeamIdPossession(), 2);
    const RqelCalculatedPosition& start = pass->PositionStart();
    const RqelCalculatedPosition& end = pass->PositionEnd();
    EXPECT_EQ(QList<double>({start.XinM, start.YinM, end.XinM, end.YinM}),
              QList<double>({1.5, -2, 10, 20}));
    EXPECT_EQ(start.TransponderID, 3);
    EXPECT_EQ(end.TransponderID, 7);
    for (const RqelCalculatedPosition* p : {&start, &end}) {
        EXPECT_TRUE(p->OnField);
        EXPECT_TRUE(p->ValideForSpeed);
        EXPECT_EQ(p->ZinM, 0);
        EXPECT_EQ(p->Angle, 0);
        EXPECT_EQ(p->SpikeLow + p->SpikeHigh, 0);
    }

    // Both ends count; overlapping passes give the first in list order.
    struct Case {
        int32_t Time;
        int32_t Begin;  // -1: none
    } cases[] = {{999, -1},  {1000, 1000}, {1500, 1000}, {2000, 1000}, {2200, 1500},
                 {2501, -1}, {5000, 5000}, {6000, 5000}, {6001, -1}};
    for (const Case& c : cases) {
        const TqelPasses* found = game->PassByTime(c.Time);
        EXPECT_EQ(found ? found->TimeBeginInMS() : -1, c.Begin) << c.Time;
    }

    EXPECT_EQ(Passes(), QStringList({"5000-6000", "1000-2000", "1500-2500"}));
    game->PassesSortOnTime();
    EXPECT_EQ(Passes(), QStringList({"1000-2000", "1500-2500", "5000-6000"}));
    EXPECT_EQ(game->PassByIndex(3), nullptr);
    EXPECT_THROW(game->PassByIndex(-1), EArgumentOutOfRangeException);
    game->PassesClear();
    EXPECT_EQ(game->PassCount(), 0);
    EXPECT_EQ(game->PassByTime(1500), nullptr);
}

TEST_F(GamePhasesTest, PhasesAddSortFindAndDelete) {
    for (const int32_t begin : {3000, 1000, 2000}) {
        TqelHandballGamePhase* phase = game->PhaseAdd();
        EXPECT_EQ(phase->GamePhase(), gmpOrganizationalPhase);
        EXPECT_EQ(phase->Game(), game);
        phase->setBeginTimeInMS(begin);
    }
    // The counter goes up before the first phase takes it.
    EXPECT_EQ(Phases(), QStringList({"2:3000", "3:1000", "4:2000"}));
    EXPECT_EQ(game->LastHandBallGamePhaseID(), 3);
    EXPECT_EQ(game->GetPhaseByID(1), nullptr);

    game->PhasesSortOnTime();
    EXPECT_EQ(Phases(), QStringList({"1:1000", "2:2000", "3:3000"}));
    EXPECT_EQ(game->GetPhaseByID(1), game->GethandballGamePhase(0));
    EXPECT_EQ(game->GetPhaseByID(1)->BeginTimeInMS(), 1000);
    EXPECT_THROW(game->GethandballGamePhase(3), EArgumentOutOfRangeException);
    EXPECT_THROW(game->GethandballGamePhase(-1), EArgumentOutOfRangeException);

    game->PhaseDelete(0);
    EXPECT_THROW(game->PhaseDelete(2), EArgumentOutOfRangeException);
    TqelGame* other = dataset.addGame(0, gameMatch, 0, QStringLiteral("Other"));
    game->PhaseRemove(other->PhaseAdd());  // not this game's: nothing
    game->PhaseRemove(game->GetPhaseByID(3));
    EXPECT_EQ(Phases(), QStringList({"2:2000"}));
    EXPECT_EQ(other->PhaseCount(), 1);

    game->PhasesClear();
    EXPECT_EQ(game->PhaseCount(), 0);
    EXPECT_EQ(game->PhaseAdd()->ID(), 2);
}

// A phase must not keep a transponder or group that the dataset frees.
TEST_F(GamePhasesTest, DeletePathsClearPhaseReferences) {
    UpTo(4);
    game->GetTeam(0)->NewMember(1);
    game->GetTeam(0)->NewMember(2);
    game->GetTeam(1)->NewMember(3);
    TqelHandballGamePhase& phase = *game->PhaseAdd();
    TqelHandballGamePhase& other = *dataset.addGame(0, gameMatch, -1, QString())->PhaseAdd();
    phase.setFirstPlayerWithBall(dataset.GetTransponderByTP(2));
    phase.setLastPlayerWithBall(dataset.GetTransponderByTP(2));
    other.setLastPlayerWithBall(dataset.GetTransponderByTP(2));
    other.setAttackingTeam(game->GetTeam(1));
    ASSERT_EQ(phase.LastPlayer(), dataset.GetTransponderByTP(2));
    phase.CheckPass(dataset.GetTransponderByTP(1));

    dataset.removeTransponder(1);  // transponder 2
    EXPECT_EQ(phase.FirstPlayerWithBall(), nullptr);
    EXPECT_EQ(phase.LastPlayerWithBall(), nullptr);
    EXPECT_EQ(other.LastPlayerWithBall(), nullptr);
    EXPECT_EQ(phase.LastPlayer(), dataset.GetTransponderByTP(1));
    EXPECT_EQ(phase.AttackingTeam(), game->GetTeam(0));

    TqelGroup* opponents = game->GetTeam(1);
    dataset.deleteGroup(opponents);
    EXPECT_EQ(phase.DefendingTeam(), nullptr);
    EXPECT_EQ(other.AttackingTeam(), nullptr);
    EXPECT_NE(phase.AttackingTeam(), nullptr);

    dataset.clearGroups();
    EXPECT_EQ(phase.AttackingTeam(), nullptr);
}

class GameDynamicValuesTest : public GamePhasesTest {
protected:
    static TqelDynaValueDef Def(uint8_t aType, TqelDynaValueUnitType aUnitType = dvutNone) {
        return TqelDynaValueDef(aType, TqelDynaValueScope{dvscopeGraphs}, QString(), QString(),
                                QString(), dvatNone, aUnitType, QString(),
                                TqelDynaValueVaruzaTypes{dvotGame});
    }
    QVariant Value(uint8_t aType, int32_t aTimestamp, int32_t aRangeStart = 0) const {
        return game->calcDynamicValue(Def(aType), 0, aTimestamp, aRangeStart, aTimestamp, 0);
    }
};

TEST_F(GameDynamicValuesTest, TimesPassesAndUnknownNumbers) {
    // The first sample at LPM tick 400,000,000 ms: later LPM times pass 2^31.
    RqelLPMSample first;
    first.setTimestamp(4'000'000'000u);
    first.setAntennaID(9999);
    dataset.recordLPMSample(first);
    ASSERT_EQ(dataset.FirstSampleTick(), 400'000'000u);
    dataset.setTimestamp(EncodeDateTime(2023, 3, 15, 12, 0, 0, 0));
    game->PassAdd(1000, 2000, 1, 0, 0, 2, 0, 0, 1);

    EXPECT_EQ(Value(1, 90'000), QVariant(90'000));
    EXPECT_EQ(Value(2, 90'000, 30'000), QVariant(60'000));
    EXPECT_EQ(Value(2, 90'000, 100'000), QVariant(-10'000));
    EXPECT_EQ(Value(3, 90'500).toDateTime(),
              QDateTime(QDate(2023, 3, 15), QTime(12, 1, 30, 500), Qt::LocalTime));
    const QVariant lpm = Value(4, 2'000'000'000);
    EXPECT_EQ(lpm.typeId(), QMetaType::UInt);
    EXPECT_EQ(lpm.toUInt(), 2'400'000'000u);
    for (const int32_t t : {1000, 1500, 2000}) {
        EXPECT_EQ(Value(122, t), QVariant(1)) << t;
    }
    EXPECT_EQ(Value(122, 2001), QVariant(0));
    for (const uint8_t type : {0, 5, 110, 111, 112, 124, 125, 138}) {
        EXPECT_TRUE(Value(type, 1000).isNull()) << int(type);
    }

    // A value goes out in the asked unit: the time read as a distance in km.
    EXPECT_EQ(game->calcDynamicValue(Def(1, dvutDistance), 1, 1234, 0, 0, 0), QVariant(1.234));
}

TEST_F(GameDynamicValuesTest, BallAcceleration) {
    EXPECT_TRUE(Value(123, 1000).isNull()) << "no ball";
    game->setBallID(5);
    EXPECT_TRUE(Value(123, 1000).isNull()) << "ball not in the dataset";
    TqelTransponderData* ball = UpTo(5);
    const TqelDynaValueDef def = Def(123, dvutAcceleration);
    EXPECT_EQ(game->calcDynamicValue(def, 0, 1000, 0, 1000, 0),
              def.convertToUnit(QVariant(ball->calcAcceleration(1000)), 0));
    EXPECT_FALSE(Value(123, 1000).isNull());
}

}  // namespace
