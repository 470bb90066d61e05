#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <limits>

#include "database/analysis/accelerations.h"
#include "database/sqlite_file_fixture.h"
#include "platform/crash_reporter.h"
#include "platform/exception.h"

namespace {

class AccelerationsTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    }
    void TearDown() override { qel::CrashReporter::SetLogFileName(QString()); }

    // aCount accelerations of TA_ID 9, numbered from aFirst.
    void AddRows(TqeldbAccelerations& aList, int aCount, int aFirst = 0) {
        for (int nr = aFirst; nr < aFirst + aCount; ++nr) {
            aList.AddAcceleration(9, nr, 100, 900, 800, 4.5, 6.25, 1.5, 3.125, 2, 1, 10, false,
                                  5000, 4000);
        }
    }

    int Count(const QString& aTable) {
        return Rows(QStringLiteral("select count(*) from ") + aTable).value(0).toInt();
    }

    TqeldbAccelerations accelerations{database.get()};
};

TEST_F(AccelerationsTest, RowsAreSentTwentyFivePerStatement) {
    const struct {
        int Rows;
        int Statements;
    } cases[] = {{1, 1}, {25, 1}, {26, 2}, {51, 3}};
    int first = 0;
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.Rows);
        ResetWriteCount();
        AddRows(accelerations, testCase.Rows, first);
        first += testCase.Rows;
        accelerations.Store();
        EXPECT_EQ(WriteCount(), testCase.Statements);
        EXPECT_EQ(accelerations.Count(), 0) << "stored rows are freed";
        EXPECT_EQ(Count(QStringLiteral("TP_ANAL_ACCEL")), first);
    }
}

TEST_F(AccelerationsTest, TheStatementHasOneLinePerColumnAndRow) {
    QString statement;
    beforeStatement = [&](const QString& aSql) { statement = aSql; };
    TqeldbDecelerations decelerations(database.get());
    decelerations.AddDeceleration(1, 0, 0, 10, 10, 1, 1, 1, 1, 1, 1, 1, true, 1, 1);
    decelerations.AddDeceleration(1, 1, 0, 10, 10, 1, 1, 1, 1, 1, 1, 1, true, 1, 1);
    decelerations.Store();

    const QString values = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    EXPECT_EQ(statement.split(QStringLiteral("\r\n")), (QStringList{"insert into TP_ANAL_DECEL (",
                                                                    "  TA_ID,",
                                                                    "  TAD_NR,",
                                                                    "  TAD_BEGIN_IN_MS,",
                                                                    "  TAD_END_IN_MS,",
                                                                    "  TAD_DURATION_IN_MS,",
                                                                    "  TAD_DISTANCE_IN_M,",
                                                                    "  TAD_MAX_SPEED_IN_MS,",
                                                                    "  TAD_MIN_SPEED_IN_MS,",
                                                                    "  TAD_MAX_ACCEL_IN_MSS,",
                                                                    "  TAD_SPRINT_INDEX,",
                                                                    "  TAD_CATEGORY,",
                                                                    "  TAD_CUM_DIST_START_IN_M,",
                                                                    "  TAD_INIT_CLOCK_RUNNING,",
                                                                    "  TAD_TIME_ON_FIELD_MS,",
                                                                    "  TAD_TIME_EFFECT_MS",
                                                                    ")",
                                                                    "VALUES",
                                                                    values,
                                                                    u',' + values,
                                                                    ""}));
}

TEST_F(AccelerationsTest, ValuesAreStoredAsTheirStatementText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    accelerations.AddAcceleration(9, 1, 100, 900, 800, 12.3456, nan, 1.5, 3.125, 2.0004, 3,
                                  1234.56789, true, 5000, 4000);
    accelerations.Store();
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_ACCEL")),
              (QStringList{"9 1 100 900 800 12.346 0 1.5 3.125 2 3 1234.568 True 5000 4000"}));
    EXPECT_EQ(
        Rows(QStringLiteral("select TAA_NR from TP_ANAL_ACCEL where TAA_INIT_CLOCK_RUNNING = 1")),
        (QStringList{"1"}));
}

TEST_F(AccelerationsTest, StatementFloatKeepsEightDigitsAndThreeDecimals) {
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double Value;
        double Stored;
    } cases[] = {{12.3456, 12.346},
                 {-0.0004, 0},
                 {0.0015, 0.002},
                 {123456.789, 123456.79},
                 {12345678.9, 12345679},
                 {1234567891.0, 1234567900},
                 {std::numeric_limits<double>::quiet_NaN(), 0},
                 {infinity, 0},
                 {-infinity, 0}};
    for (const auto& testCase : cases) {
        EXPECT_EQ(qel::StatementFloat(testCase.Value), testCase.Stored) << testCase.Value;
    }
}

TEST_F(AccelerationsTest, AFailedBatchIsReportedAndTheNextOneLands) {
    bool failed = false;
    beforeStatement = [&](const QString& aSql) {
        if (!failed && aSql.startsWith(QStringLiteral("insert into TP_ANAL_ACCEL"))) {
            failed = true;
            throw EDatabaseError(QStringLiteral("disk full"));
        }
    };
    const int64_t reports = qel::CrashReporter::ReportCount();
    AddRows(accelerations, 30);
    EXPECT_NO_THROW(accelerations.Store());

    EXPECT_EQ(qel::CrashReporter::ReportCount(), reports + 1);
    EXPECT_EQ(Rows(QStringLiteral("select min(TAA_NR), count(*) from TP_ANAL_ACCEL")),
              (QStringList{"25 5"}))
        << "the first 25 rows are lost, the last 5 stored";
    QFile log(folder.file(QStringLiteral("crash.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("disk full"));
}

TEST_F(AccelerationsTest, ARowReadsAndWritesTheAccelerationColumns) {
    Exec(
        QStringLiteral("insert into TP_ANAL_ACCEL values (4, 2, 10, 30, 20, 1.5, 7.25, 2.5, "
                       "3.75, 8.5, 2, 100.5, 1, 600, 500)"));
    TqelQuery query(database->Connection());
    query.setText(QStringLiteral("select * from TP_ANAL_ACCEL"));
    query.Open();
    TqeldbAcceleration row(database.get());
    row.DataSetToVaruza(query);
    EXPECT_EQ(row.AccelNr(), 2);
    EXPECT_EQ(row.MaxSpeedInMS(), 7.25);
    EXPECT_EQ(row.CumDistStartInM(), 100.5);
    EXPECT_TRUE(row.InitClockRunning());
    EXPECT_EQ(row.TimeEffectiveMS(), 500);

    row.setAccelNr(3);
    row.setInitClockRunning(false);
    query.Close();
    query.setText(QStringLiteral("select * from TP_ANAL_ACCEL where 0=1"));
    query.Open();
    qel::InsertRow(query, row, true);
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_ACCEL where TAA_NR = 3")),
              (QStringList{"4 3 10 30 20 1.5 7.25 2.5 3.75 8.5 2 100.5 False 600 500"}));
}

}  // namespace
