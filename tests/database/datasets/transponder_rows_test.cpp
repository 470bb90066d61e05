#include <gtest/gtest.h>

#include "database/datasets/transponder_rows.h"
#include "database/sqlite_file_fixture.h"

namespace {

class TransponderRowsTest : public qel::test::SqliteFileTest {};

TEST_F(TransponderRowsTest, SaveInsertsThenUpdatesByDatasetAndTransponder) {
    TqeldbTransponders transponders(database.get());
    TqeldbTransponder* row = transponders.AddVaruza();
    row->setDtsID(100);
    row->setTpID(3);
    row->setPlrID(12);
    row->setAthleteName(QStringLiteral("Ann"));
    row->setMaxSpeed(9.5);
    transponders.Save(row);
    EXPECT_TRUE(row->Modified()) << "saving leaves the flag to the caller";
    row->setAthleteName(QStringLiteral("Anna"));
    ResetWriteCount();
    transponders.Save(row);
    transponders.Save(nullptr);
    EXPECT_EQ(WriteCount(), 1);
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID, TP_ID, PLR_ID, TP_ATHLETE_NAME, TP_COLOR, "
                                  "TP_MAX_SPEED from TRANSPONDERS")),
              QStringList{QStringLiteral("100 3 12 Anna - 9.5")});

    transponders.Find(100);
    ASSERT_EQ(transponders.Count(), 1);
    EXPECT_EQ(transponders.Locate(3)->AthleteName(), QStringLiteral("Anna"));
    EXPECT_FALSE(transponders.Locate(3)->Modified());
    EXPECT_EQ(transponders.Locate(4), nullptr);
}

TEST_F(TransponderRowsTest, AthleteLookUpsAndReplacement) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_LASTNAME) values (1, 'A'), (2, 'B')"));
    Exec(
        QStringLiteral("insert into TRANSPONDERS (DTS_ID, TP_ID, PLR_ID, TP_ATHLETE_NAME) values "
                       "(10, 1, 1, 'Bo'), (11, 1, 1, 'Bo'), (11, 2, 2, 'Bo'), (12, 1, 0, 'Bo'), "
                       "(12, 2, 9, 'Bo')"));
    TqeldbTransponders transponders(database.get());
    transponders.FindPlrID(QStringLiteral("Bo"));
    QList<int32_t> athletes;
    for (const auto& row : transponders.VaruzaList()) {
        athletes << row->PlrID();
    }
    std::sort(athletes.begin(), athletes.end());
    EXPECT_EQ(athletes, (QList<int32_t>{1, 2})) << "distinct, known athletes only";

    transponders.FindPlrID(1);
    EXPECT_EQ(transponders.Count(), 2);

    transponders.ReplacePlrID(1, 0);
    transponders.ReplacePlrID(2, 5);
    EXPECT_EQ(Rows(QStringLiteral("select PLR_ID from TRANSPONDERS order by DTS_ID, TP_ID")),
              (QStringList{"-", "-", "5", "0", "9"}));
}

TEST_F(TransponderRowsTest, ClearingTheAthleteDropsItsCopy) {
    TqeldbTransponder row(database.get());
    TqeldbPlayer athlete;
    athlete.setID(4);
    athlete.setLastName(QStringLiteral("Doe"));
    row.AssignPlayer(athlete);
    EXPECT_EQ(row.PlrID(), 4);
    ASSERT_TRUE(row.PlayerAssigned());
    EXPECT_EQ(row.Player().LastName(), QStringLiteral("Doe"));
    row.setPlrID(0);
    EXPECT_FALSE(row.PlayerAssigned());
    EXPECT_EQ(row.Player().LastName(), QString()) << "a fresh copy";
}

}  // namespace
