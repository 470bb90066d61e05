#include "analysis/framework/calculation.h"
#include "analysis/intensity/mip_info.h"
#include "database/sqlite_file_fixture.h"
#include "model/groups/groups_fixture.h"
#include "platform/date_time.h"
#include "platform/exception.h"

namespace {

using qel::test::GroupsFixture;

class GameTest : public GroupsFixture {
protected:
    // "<name> [begin, end] ended" of every part, in list order.
    static QStringList Parts(const TqelGame& aGame) {
        QStringList parts;
        for (int32_t i = 0; i < aGame.PartCount(); ++i) {
            const TqelGamePart& part = *aGame.GetPart(i);
            parts << QStringLiteral("%1 [%2, %3]%4")
                         .arg(part.PartName())
                         .arg(part.BeginTimeInMS())
                         .arg(part.EndTimeInMS())
                         .arg(part.PartIsEnded() ? QStringLiteral(" ended") : QString());
        }
        return parts;
    }
};

TEST_F(GameTest, NewGamesTheirWholePartAndTeams) {
    struct Case {
        TqelGameType Type;
        const char* WholePart;
        QStringList Teams;
    } cases[] = {{gameNone, "Part 0", {}},
                 {gameExercise, "Whole exercise", {"Team 1"}},
                 {gameMatch, "Whole game", {"Team 1", "Team 2"}}};
    for (const Case& c : cases) {
        TqelGame* game = dataset.addGame(1000, c.Type, -1, QStringLiteral("G"));
        EXPECT_EQ(Parts(*game), QStringList{QStringLiteral("%1 [1000, 1000]").arg(c.WholePart)});
        QStringList teams;
        for (TqelGroup* team : game->Teams()) {
            teams << team->Name();
            EXPECT_EQ(team->Game(), game);
        }
        EXPECT_EQ(teams, c.Teams) << int(c.Type);
        EXPECT_EQ(game->GetTeam(game->TeamCount()), nullptr);
        EXPECT_THROW(game->GetTeam(-1), EArgumentOutOfRangeException);
    }
    EXPECT_EQ(dataset.getGame(0)->GetTeam(0), nullptr);
    EXPECT_EQ(dataset.getGame(2)->GetTeam(0)->GroupType(), gtGame);
    EXPECT_EQ(dataset.getGame(1)->GetTeam(0)->GroupType(), gtExercise);
    EXPECT_EQ(dataset.getGame(3), nullptr);
    EXPECT_EQ(dataset.NumberGames(gameMatch), 1);
    EXPECT_EQ(dataset.GameByName(QStringLiteral("g")), dataset.getGame(0));
}

TEST_F(GameTest, TimeCascade) {
    TqelGame* game = dataset.addGame(0, gameMatch, 0, QStringLiteral("M"));
    // The game's end stops at the dataset's duration.
    game->setEndTimeInMS(5'000'000);
    EXPECT_EQ(game->EndTimeInMS(), 3'600'000);

    TqelGamePart* first = game->AddPart(QString(), -1, 1000, 5000, true);
    EXPECT_EQ(first->PartName(), QStringLiteral("Part 1"));
    EXPECT_EQ(game->BeginTimeInMS(), 1000) << "part 1 moves the game's begin";
    EXPECT_EQ(game->EndTimeInMS(), 5000) << "the last part moves the game's end";
    TqelGamePart* second = game->AddPart(QStringLiteral("Second"), -1, 6000, 9000, true);
    EXPECT_EQ(game->EndTimeInMS(), 9000);
    first->setEndTimeInMS(5500);
    EXPECT_EQ(game->EndTimeInMS(), 9000) << "only the last part";

    // An end of 0 or less: end = begin, open.
    second->setEndTimeInMS(0);
    EXPECT_EQ(Parts(*game).last(), QStringLiteral("Second [6000, 6000]"));
    EXPECT_EQ(game->EndTimeInMS(), 6000);
    // An open part's end follows its begin.
    second->setBeginTimeInMS(7000);
    EXPECT_EQ(Parts(*game).last(), QStringLiteral("Second [7000, 7000]"));
    second->setEndTimeInMS(8000);
    EXPECT_EQ(Parts(*game).last(), QStringLiteral("Second [7000, 8000] ended"));
    // An end below the begin moves the begin.
    second->setEndTimeInMS(6500);
    EXPECT_EQ(Parts(*game).last(), QStringLiteral("Second [6500, 6500]"));
    // A begin past an ended part's end moves the end.
    first->setBeginTimeInMS(6000);
    EXPECT_EQ(Parts(*game)[1], QStringLiteral("Part 1 [6000, 6000]"));
    EXPECT_EQ(game->BeginTimeInMS(), 6000);

    EXPECT_EQ(second->PartCode(), QStringLiteral("00010002"));
    EXPECT_EQ(second->GamePartName(), QStringLiteral("M/Second"));
    EXPECT_EQ(dataset.GetGamePartByCode(QStringLiteral("00010002")), second);
    EXPECT_EQ(dataset.GetGameByPartCode(QStringLiteral("zz010002")), nullptr);
    game->DeletePart(0);
    EXPECT_EQ(game->PartCount(), 3);
}

TEST_F(GameTest, ReopeningAPartReopensItsGame) {
    TqelGame* game = dataset.addGame(0, gameExercise, 0, QString());
    TqelGamePart* part = game->AddPart(QString(), -1, 0, 1000, true);
    game->setGameIsEnded(true);
    part->setPartIsEnded(false);
    EXPECT_FALSE(game->GameIsEnded());
}

TEST_F(GameTest, PartAndGameByTime) {
    TqelGame* game = dataset.addGame(0, gameMatch, 0, QString());
    game->AddPart(QString(), -1, 0, 10000, true);
    game->AddPart(QString(), -1, 20000, 30000, true);
    EXPECT_EQ(game->GetPartByTime(15000)->ID(), 0) << "between periods";
    EXPECT_EQ(game->GetPartByTime(25000)->ID(), 2);
    EXPECT_EQ(game->GetPartByTime(30001), nullptr);
    game->AddPart(QString(), -1, 5000, 25000, true);
    EXPECT_EQ(game->GetPartByTime(22000)->ID(), 3) << "overlapping: the later one";

    // ActiveGame: the first game that is open or covers the time.
    TqelGame* open = dataset.addGame(40000, gameExercise, 0, QString());
    EXPECT_EQ(dataset.ActiveGame(50000), game) << "games start open";
    game->setGameIsEnded(true);
    EXPECT_EQ(dataset.ActiveGame(50000), open);
    EXPECT_EQ(dataset.GameByTime(5000), game);
    open->setGameIsEnded(true);
    EXPECT_EQ(dataset.ActiveGame(50000), nullptr);
    EXPECT_EQ(dataset.GamePartByTime(5000), nullptr);
}

TEST_F(GameTest, AddGameWithPartsCutsSlices) {
    dataset.setDurationInMS(10'000'000);
    constexpr int32_t Minute = 60000;
    struct Case {
        int32_t PeriodMinutes;
        int32_t SliceMinutes;
        QList<int32_t> Slices;
    } cases[] = {
        {60, 20, {20, 40}}, {61, 20, {20, 20, 21}}, {60, 30, {60}}, {60, 0, {60}}, {60, -5, {60}}};
    for (const Case& c : cases) {
        TqelGame* source = dataset.addGame(0, gameExercise, -1, QStringLiteral("Source"));
        source->AddPart(QString(), -1, Minute, (1 + c.PeriodMinutes) * Minute, true);
        UpTo(1);
        source->GetTeam(0)->NewMember(1);
        TqelGame* copy = dataset.AddGameWithParts(source, c.SliceMinutes, QStringLiteral("unused"));
        EXPECT_EQ(copy->Name(), QStringLiteral("Source"));
        QList<int32_t> slices;
        for (int32_t i = 1; i < copy->PartCount(); ++i) {
            slices << copy->GetPart(i)->DurationInMS() / Minute;
        }
        EXPECT_EQ(slices, c.Slices) << c.PeriodMinutes << "/" << c.SliceMinutes;
        EXPECT_EQ(copy->GetPart(1)->BeginTimeInMS(), Minute);
        EXPECT_EQ(copy->GetTeam(0)->MemberSet(), TqelTransponderSet({1}));
    }
    // Several periods with slices of 0: one part each.
    TqelGame* source = dataset.addGame(0, gameMatch, 0, QString());
    source->AddPart(QString(), -1, 0, 1000, true);
    source->AddPart(QString(), -1, 2000, 3000, true);
    TqelGame* copy = dataset.AddGameWithParts(source, 0, QString());
    EXPECT_EQ(Parts(*copy), QStringList({"Whole game [0, 3000] ended", "Part 1 [0, 1000] ended",
                                         "Part 2 [2000, 3000] ended"}));
}

TEST_F(GameTest, GamesFromOtherServersMergeByGuid) {
    // A game of message 71: no dataset; its dataset began 5000 ms of LPM time after this one.
    TqelGame other(nullptr, 9, gameMatch);
    other.setName(QStringLiteral("Remote"));
    other.setDatasetFirstLPMtime(5000);
    other.AddPart(QStringLiteral("First"), -1, 1000, 2000, true);

    TqelGame* game = dataset.HandleGameFromOther(other);
    EXPECT_EQ(dataset.HandleGameFromOther(other), game);
    EXPECT_EQ(dataset.GameCount(), 1);
    EXPECT_EQ(game->GUID(), other.GUID());
    EXPECT_EQ(game->Name(), QStringLiteral("Remote"));
    EXPECT_EQ(game->GameType(), gameMatch);
    EXPECT_EQ(Parts(*game),
              QStringList({"Whole game [6000, 7000] ended", "First [6000, 7000] ended"}));
    EXPECT_EQ(game->GetPart(1)->GUID(), other.GetPart(1)->GUID());
    EXPECT_NE(game->GetPart(1)->Group(), nullptr);
    EXPECT_EQ(game->LastPartID(), 1) << "a later part takes no copied id";

    // A moved part keeps its identity; a part the other game lacks goes.
    other.GetPart(1)->setEndTimeInMS(2500);
    TqelGamePart* extra = game->AddPart(QString(), -1, 8000, 9000, true);
    dataset.setSelectedPart(extra);
    game->AssignFromOther(other);
    EXPECT_EQ(Parts(*game),
              QStringList({"Whole game [6000, 7500] ended", "First [6000, 7500] ended"}));
    EXPECT_EQ(dataset.SelectedPart(), nullptr);
}

TEST_F(GameTest, ClosestBoundaryName) {
    TqelGame* game = dataset.addGame(1000, gameExercise, 0, QStringLiteral("Run"));
    game->AddPart(QString(), -1, 1000, 1500, true);
    EXPECT_EQ(dataset.FindClosestGamePartName(1000, 0), QStringLiteral("Begin Run/Whole exercise"));
    EXPECT_EQ(dataset.FindClosestGamePartName(1001, 0), QString());
    // End of part 0 and of part 1 are equally close: the earlier wins.
    EXPECT_EQ(dataset.FindClosestGamePartName(1300, 500), QStringLiteral("End Run/Whole exercise"));
    EXPECT_EQ(dataset.FindClosestGamePartName(1100, 500),
              QStringLiteral("Begin Run/Whole exercise"));
    EXPECT_EQ(dataset.FindClosestGamePartName(3000, 500), QString());
}

TEST_F(GameTest, RestTimes) {
    dataset.setTimestamp(EncodeDateTime(2026, 5, 4, 15, 30, 10, 0));
    TqelGame* game = dataset.addGame(0, gameExercise, 0, QString());
    TqelGamePart* first = game->AddPart(QString(), -1, 0, 10000, true);
    TqelGamePart* last = game->AddPart(QString(), -1, 15000, 20 * 60000, true);
    EXPECT_EQ(first->RestTimeInMS(), 5000);
    EXPECT_EQ(last->RestTimeInMS(), 0);
    EXPECT_EQ(dataset.LastPart(), last);
    // 15:30:10 plus 20 minutes, less the 10 s the begin was rounded by.
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn:ss"), dataset.EndTraining()),
              QStringLiteral("15:50:00"));

    // While recording the last rest follows the duration.
    dataset.setRecording(true);
    dataset.setDurationInMS(21 * 60000);
    dataset.updatePartsRestTime();
    EXPECT_EQ(last->RestTimeInMS(), 60000);
    dataset.RecalculatePartsRestTime();
    EXPECT_EQ(last->RestTimeInMS(), 60000) << "kept while recording";
    // A new part while recording closes the last one's rest.
    TqelGamePart* next = game->AddPart(QString(), -1, 20 * 60000 + 3000, 0, false);
    EXPECT_EQ(last->RestTimeInMS(), 3000);
    EXPECT_EQ(dataset.LastPart(), next);
    dataset.updatePartsRestTime();
    EXPECT_EQ(next->RestTimeInMS(), 0) << "an open part has no rest yet";
}

// Under AddressSanitizer: no selection, last part or part group keeps a freed game or part.
TEST_F(GameTest, DeletesClearWhatPointsAtTheFreedObjects) {
    UpTo(2);
    TqelGame* game = Match();
    game->GetTeam(0)->NewMember(1);
    TqelGroup* partGroup = game->GetPart(1)->Group();
    dataset.setSelectedGame(game);
    dataset.setSelectedExercise(game);
    dataset.setSelectedPart(game->GetPart(2));
    EXPECT_EQ(dataset.LastPart(), game->GetPart(3));
    log.Take();

    game->DeletePart(3);
    EXPECT_EQ(dataset.LastPart(), nullptr);
    game->DeletePart(2);
    EXPECT_EQ(dataset.SelectedPart(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("deleting", itemGamePart, 3), Line("deleted", itemGamePart, 3),
                           Line("deleting", itemGamePart, 2), Line("selected", itemGamePart, 0),
                           Line("deleted", itemGamePart, 2)}));
    dataset.RecalculatePartsRestTime();
    const int32_t groups = dataset.GroupCount();
    dataset.deleteGame(game);
    EXPECT_EQ(dataset.GameCount(), 0);
    EXPECT_EQ(dataset.SelectedGame(), nullptr);
    EXPECT_EQ(dataset.SelectedExercise(), nullptr);
    EXPECT_EQ(dataset.LastPart(), nullptr);
    EXPECT_EQ(dataset.GroupCount(), groups - 2) << "the teams go, the part groups stay";
    EXPECT_EQ(partGroup->Game(), nullptr);
    EXPECT_EQ(partGroup->Part(), nullptr);
    EXPECT_EQ(partGroup->CurrentPlayDirection(100), pldNone);
    dataset.updatePartsRestTime();

    // clearGames leaves the teams without their game.
    TqelGame* exercise = dataset.addGame(0, gameExercise, -1, QString());
    TqelGroup* team = exercise->GetTeam(0);
    exercise->AddPart(QString(), -1, 0, 1000, true);
    dataset.setSelectedGame(exercise);
    dataset.clearGames();
    EXPECT_EQ(team->Game(), nullptr);
    EXPECT_EQ(dataset.SelectedGame(), nullptr);
    EXPECT_EQ(dataset.LastPart(), nullptr);
    team->NewMember(2);
    EXPECT_EQ(team->ToString(gtsGameAndName), QStringLiteral("Group - Team 1"));
}

TEST_F(GameTest, ClockBasedGamesStayWhileRecording) {
    TqelGame* game = dataset.addGame(0, gameMatch, 0, QString());
    game->AddPart(QString(), -1, 0, 1000, true);
    game->setClockBasedGame(true);
    dataset.setRecording(true);
    game->DeletePart(1);
    dataset.deleteGame(game);
    EXPECT_EQ(dataset.GameCount(), 1);
    EXPECT_EQ(game->PartCount(), 2);
}

class GameMarkerRows : public qel::test::SqliteFileTest {};

TEST_F(GameMarkerRows, ARecordingWithLivePositionsKeepsOneRowPerPartAndType) {
    TqelDataset dataset(database.get());
    dataset.setDBDtsID(42);
    dataset.setDurationInMS(100000);
    dataset.setStoreLivePositions(true);
    dataset.setRecording(true);
    TqelGame* game = dataset.addGame(1000, gameExercise, 0, QStringLiteral("Run"));
    TqelGamePart* part = game->AddPart(QStringLiteral("Lap"), -1, 2000, 0, false);
    part->setEndTimeInMS(5000);
    part->setEndTimeInMS(6000);
    part->setBeginTimeInMS(2500);
    EXPECT_EQ(
        Rows(QStringLiteral("select EXR_ID, PRT_ID, MRK_TYPE, MRK_TIMESTAMP_MS, "
                            "MRK_DESCRIPTION from MARKERS where DTS_ID = 42 "
                            "order by PRT_ID, MRK_TYPE")),
        QStringList({"1 0 1 2500 Run", "1 0 2 6000 Run", "1 1 1 2500 Lap", "1 1 2 6000 Lap"}));
}

// A moved part begin changes the span its members' most intense distances were searched in.
TEST_F(GameMarkerRows, APartBeginMarksItsMembersDistanceResultsForRecalculation) {
    Exec(QStringLiteral("insert into ANALYZE_DEF (ANL_ID, ANL_DESCRIPTION, ANL_ACTIVE, "
                        "ANL_MIP_DO_CALC) values (1, 'match', 1, 1)"));
    TqelDataset dataset(database.get());
    dataset.setDurationInMS(100000);
    ASSERT_NE(dataset.AnalyzeDef(), nullptr);
    dataset.AddTransponder(2001, nullptr, 0);
    TqelGame* game = dataset.addGame(0, gameMatch, -1, QStringLiteral("Match"));
    TqelGamePart* part = game->AddPart(QString(), -1, 10000, 40000, true);
    game->GetTeam(0)->NewMember(dataset.GetTransponderByTP(1)->TPid());
    TqelCalculation* calculation = part->Group()->GetMember(0)->Calculation();
    ASSERT_NE(calculation, nullptr);
    TqelMIPInfo* mip = calculation->GameSpeedInfo();
    ASSERT_NE(mip, nullptr);
    mip->GameSpeedResultDistance().setRecalculateNeeded(false);
    mip->GameSpeedResultHeartbeat().setRecalculateNeeded(false);

    part->setBeginTimeInMS(10000);
    EXPECT_FALSE(mip->GameSpeedResultDistance().RecalculateNeeded()) << "the same begin";
    part->setBeginTimeInMS(12000);
    EXPECT_TRUE(mip->GameSpeedResultDistance().RecalculateNeeded());
    EXPECT_FALSE(mip->GameSpeedResultHeartbeat().RecalculateNeeded()) << "only the distance";
}

}  // namespace
