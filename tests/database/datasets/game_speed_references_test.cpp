#include <gtest/gtest.h>

#include "database/datasets/game_speed_references.h"
#include "database/sqlite_file_fixture.h"

namespace {

class GameSpeedReferencesTest : public qel::test::SqliteFileTest {};

TEST_F(GameSpeedReferencesTest, TheLatestRowOfAnAthleteAndKindIsLoaded) {
    Exec(
        QStringLiteral("insert into PLAYER_GAMESPEED values (4, 1, 3, null, 1, 2, 3, 4, 5, 6, "
                       "7, 8, 9, 10), (4, 1, 7, null, 11, 12, 13, 14, 15, 16, null, 18, 19, 20), "
                       "(4, 2, 9, null, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), (5, 1, 12, null, 0, 0, "
                       "0, 0, 0, 0, 0, 0, 0, 0)"));
    TqeldbMIPPlayer references(database.get());
    references.GetMIPPlayer(4, gstDistance);
    ASSERT_EQ(references.Count(), 1);
    EXPECT_EQ(references.LastPgsID(), 7);
    const TqeldbMIPPlayerValue& row = *references.Varuzas(0);
    EXPECT_EQ(row.PlrID(), 4);
    EXPECT_EQ(row.MIPType(), gstDistance);
    EXPECT_EQ(row.MIPValues().GetValues(0), 11);
    EXPECT_EQ(row.MIPValues().GetValues(6), 0) << "NULL reads as 0";
    EXPECT_EQ(row.MIPValues().GetValues(9), 20);

    references.GetMIPPlayer(4, gstHeartRate);
    EXPECT_EQ(references.Count(), 0);
    EXPECT_EQ(references.LastPgsID(), 0);
}

TEST_F(GameSpeedReferencesTest, ANewRowIsStoredBesideTheOlderOnes) {
    Exec(
        QStringLiteral("insert into PLAYER_GAMESPEED (PLR_ID, PGS_TYPE, PGS_ID, PGS_5_SEC) "
                       "values (4, 1, 3, 1.5)"));
    qel::FakeClock clock(EncodeDateTime(2026, 12, 11, 10, 30, 0, 0));
    const qel::ScopedClock useClock(clock);
    TqeldbMIPPlayer references(database.get());
    references.GetMIPPlayer(4, gstDistance);
    std::unique_ptr<TqeldbMIPPlayerValue> row = references.NewMIP();
    EXPECT_EQ(row->PgsID(), 4);
    EXPECT_EQ(row->PgsDate(), EncodeDate(2026, 12, 11));
    EXPECT_EQ(references.Count(), 1) << "not listed";
    row->MIPValues().SetValues(0, 2.5);
    references.Save(row.get());
    EXPECT_EQ(Rows(QStringLiteral("select PLR_ID, PGS_TYPE, PGS_ID, PGS_5_SEC, PGS_10_SEC from "
                                  "PLAYER_GAMESPEED order by PGS_ID")),
              (QStringList{"4 1 3 1.5 -", "4 1 4 2.5 -"}));

    references.GetMIPPlayer(4, gstDistance);
    EXPECT_EQ(references.LastPgsID(), 4);
    EXPECT_EQ(references.Varuzas(0)->PgsDate(), EncodeDate(2026, 12, 11));
}

}  // namespace
