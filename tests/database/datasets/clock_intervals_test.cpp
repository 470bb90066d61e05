#include <gtest/gtest.h>

#include "database/datasets/clock_intervals.h"
#include "database/sqlite_file_fixture.h"

namespace {

class ClockIntervalsTest : public qel::test::SqliteFileTest {};

TEST_F(ClockIntervalsTest, IntervalsAreNumberedSavedAndRenumberedAfterDeletion) {
    TqeldbClock clock(database.get(), 40);
    TqeldbClockData* first = clock.NewClockData();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ClkID(), 1);
    EXPECT_EQ(first->DtsID(), 40);
    first->setDtsTimeStartMS(-250);
    EXPECT_EQ(first->DtsTimeStartMS(), 0);
    EXPECT_FALSE(first->Modified()) << "the start does not mark the row";
    ResetWriteCount();
    clock.SaveClockData(first);
    EXPECT_EQ(WriteCount(), 0) << "period 0";

    first->setPeriod(1);
    first->setRunning(true);
    first->setHomeScore(2);
    EXPECT_TRUE(first->Modified());
    clock.SaveClockData(first);
    EXPECT_FALSE(first->Modified());
    first->setDtsTimeEndMS(60000);
    first->setGameTimeEndSec(60);
    clock.SaveClockData(first);
    TqeldbClockData* second = clock.NewClockData();
    EXPECT_EQ(second->ClkID(), 2);
    second->setPeriod(1);
    clock.SaveClockData(second);
    EXPECT_EQ(WriteCount(), 3);
    EXPECT_EQ(Rows(QStringLiteral("select * from CLOCK order by CLK_ID")),
              (QStringList{"40 1 1 0 60000 0 60 True 2 0", "40 2 1 0 0 0 0 False 0 0"}));

    clock.DeleteClockData(0);
    EXPECT_EQ(clock.Count(), 0);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from CLOCK")), QStringList{"0"});
    EXPECT_EQ(clock.NewClockData()->ClkID(), 1);

    clock.DeleteClockData(41);
    EXPECT_EQ(clock.DtsID(), 41);
    EXPECT_EQ(clock.NewClockData()->DtsID(), 41);
}

}  // namespace
