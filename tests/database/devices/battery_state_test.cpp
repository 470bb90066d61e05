#include <gtest/gtest.h>

#include "database/devices/battery_state.h"
#include "database/sqlite_file_fixture.h"

namespace {

class BatteryStateTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        // Rows per insert statement, and a failure on the statement numbered failAt.
        database->Connection()->OnStatement = [this](const QString& aSql) {
            if (!aSql.startsWith(QStringLiteral("insert into TP_BATTERY_STATE"))) {
                return;
            }
            if (++inserts == failAt) {
                throw EProviderError(QStringLiteral("disk full"));
            }
            statementRows << aSql.count(u'?') / 4;
        };
    }

    void AddReadings(TqelDBTPBatteryState& aWriter, int aCount) {
        for (int i = 0; i < aCount; ++i) {
            auto row = aWriter.NewVaruza();
            row->setAntennaID(i);
            row->setDateTimeS(1000 + i);
            row->setVoltage_mV(3700);
            row->setState(i % 3);
            aWriter.Add(std::move(row));
        }
    }

    int inserts = 0;
    int failAt = 0;
    QList<int> statementRows;
};

TEST_F(BatteryStateTest, SaveAllWritesStatementsOfAtMost250Rows) {
    TqelDBTPBatteryState writer(database.get());
    writer.SaveAll();
    EXPECT_EQ(inserts, 0) << "nothing to write";

    AddReadings(writer, 600);
    EXPECT_EQ(writer.Varuzas(0)->ToValues(), QStringLiteral("(0, 1000, 3700, 0)"));
    writer.SaveAll();
    EXPECT_EQ(statementRows, (QList<int>{250, 250, 100}));
    EXPECT_EQ(writer.Count(), 0);
    EXPECT_EQ(Rows(QStringLiteral("select count(*), min(TBS_ANTENNA_ID), max(TBS_ANTENNA_ID) "
                                  "from TP_BATTERY_STATE")),
              QStringList{"600 0 599"});
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_BATTERY_STATE where TBS_ANTENNA_ID = 0")),
              QStringList{"0 1000 3700 0"})
        << "values are stored as given, 0 included";
}

TEST_F(BatteryStateTest, RowsOfAFailedStatementStayInTheWriterInOrder) {
    TqelDBTPBatteryState writer(database.get());
    AddReadings(writer, 600);
    failAt = 2;
    EXPECT_THROW(writer.SaveAll(), EProviderError);
    ASSERT_EQ(writer.Count(), 350);
    EXPECT_EQ(writer.Varuzas(0)->AntennaID(), 250);

    writer.SaveAll();
    EXPECT_EQ(statementRows, (QList<int>{250, 250, 100}));
    EXPECT_EQ(Rows(QStringLiteral("select count(distinct TBS_ANTENNA_ID) from TP_BATTERY_STATE")),
              QStringList{"600"});
}

}  // namespace
