#include <gtest/gtest.h>

#include <QBuffer>
#include <cmath>
#include <limits>

#include "database/datasets/dataset_analyzing.h"
#include "database/sqlite_file_fixture.h"
#include "platform/crash_reporter.h"
#include "platform/date_time.h"

namespace {

// The values of one TP_ANALYZED row, named; a test changes the few it looks at.
struct Totals {
    int32_t TotalTimeMS = 60000;
    double HBAvg = 140.5;
    int32_t SprintCount = 3;
    double AVILeft = 1.25;
    double AVIRight = 2.5;
    double SpeedIndex = 0.125;
    double ActionIndex = 4.5;
};

class DatasetAnalyzingWritersTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
        writer = std::make_unique<TqeldbDatasetAnalyzing>(database.get(), 50, 5);
    }
    void TearDown() override { qel::CrashReporter::SetLogFileName(QString()); }

    int32_t Add(const Totals& aTotals, TqeldbDatasetAnalyzing* aWriter = nullptr) {
        return (aWriter ? aWriter : writer.get())
            ->Add(
                /*aTPID*/ 11, /*aExrID*/ 1, /*aPrtID*/ 2, /*aGrpID*/ 3, /*aPlrRole*/ 0,
                /*aDistanceInMM*/ 1500000, aTotals.TotalTimeMS, /*aHRIndex*/ 1.006, /*aHBEnd*/ 150,
                /*aHB1Min*/ 120, /*aHB2Min*/ 100, /*aHR1Min*/ 30.5, /*aHR2Min*/ 50.5, aTotals.HBAvg,
                aTotals.SpeedIndex, /*aSpeedAvg*/ 2.346, /*aSpeedMax*/ 8.9, /*aAccelIndex*/ 1.116,
                /*aAccelMax*/ 4, /*aBodyLoadIndex*/ 0, /*aETLIndex*/ 2.5, /*aFifaSpeed*/ 7,
                /*aCovertArea*/ 0, /*aMaxXPos*/ 50000, /*aMinXPos*/ -50000, /*aMaxYPos*/ 30000,
                /*aMinYPos*/ -30000, /*aHBMax*/ 190, aTotals.SprintCount, /*aSprintMaxSpeed*/ 9,
                /*aSprintAvgMaxSpeed*/ 8, /*aSprintAvgMaxAcc*/ 3, /*aAccelCount*/ 4,
                /*aAccelMaxAcc*/ 5, /*aAccelAvgMaxAcc*/ 4, aTotals.ActionIndex, /*aDecelCount*/ 0,
                /*aDecelMaxAcc*/ 0, /*aDecelAvgMaxAcc*/ 0, /*aHBTimeMS*/ 55000,
                /*aHIDistanceInMM*/ 0, /*aSprintIndexSum*/ 0, /*aSprintIndexAvg*/ 0,
                /*aPowerWkG*/ 0, /*aEnergyJ*/ 0, /*aDecelIndex*/ 0, /*aDecelMax*/ 0,
                /*aBadData*/ true, /*aBadHB*/ false, /*aPMechAccel*/ 0, /*aPMechDecel*/ 0,
                /*aHMLDistanceM*/ 12.3456, aTotals.AVILeft, aTotals.AVIRight, /*aHIDPossInMM*/ 0,
                /*aHIHBTimeInMS*/ 0, /*aDistPossInMM*/ 0);
    }

    QStringList Columns(const QString& aColumns, int32_t aTaID) {
        return Rows(
            QStringLiteral("select %1 from TP_ANALYZED where TA_ID = %2").arg(aColumns).arg(aTaID));
    }

    int Count(const QString& aTable, const QString& aCondition = QStringLiteral("1=1")) {
        return Rows(QStringLiteral("select count(*) from %1 where %2").arg(aTable, aCondition))
            .value(0)
            .toInt();
    }

    std::unique_ptr<TqeldbDatasetAnalyzing> writer;
};

TEST(AnalysisRounding, TwoDecimalsHalvesAwayFromZeroAndWholeNumbersHalvesToEven) {
    const struct {
        double Value;
        double R2;
        double Round;
    } cases[] = {{0.125, 0.13, 0}, {-0.125, -0.13, -0}, {2.5, 2.5, 2}, {3.5, 3.5, 4},
                 {-2.5, -2.5, -2}, {1.004, 1, 1},       {0, 0, 0},     {12.344, 12.34, 12}};
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.Value);
        EXPECT_NEAR(qel::RoundTo2Decimals(testCase.Value), testCase.R2, 1e-12);
        EXPECT_EQ(qel::RoundHalfEven(testCase.Value), testCase.Round);
    }
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_TRUE(std::isnan(qel::RoundTo2Decimals(bad)));
        EXPECT_TRUE(std::isnan(qel::RoundHalfEven(bad)));
    }
}

TEST_F(DatasetAnalyzingWritersTest, AddWritesTheTotalsOfOneAthlete) {
    const int32_t taID = Add({});
    ASSERT_NE(taID, 0);
    EXPECT_EQ(taID, LastKey(QStringLiteral("TP_ANALAYZED")));
    EXPECT_EQ(
        Columns(QStringLiteral("DTS_ID, ANL_ID, EXR_ID, PRT_ID, TP_ID, GRP_ID, PLR_ROLE"), taID),
        (QStringList{"50 5 1 2 11 3 0"}));
    EXPECT_EQ(Columns(QStringLiteral("TA_HR_INDEX, TA_SPEED_INDEX, TA_SPEED_AVG, TA_ACCEL_INDEX, "
                                     "TA_HR_1MIN, TA_HR_2MIN, TA_HB_AVG, TA_ETL_INDEX, "
                                     "TA_HML_DIST_IN_MM"),
                      taID),
              (QStringList{"1.01 0.13 2.35 1.12 30 50 140 2 12346"}));
    EXPECT_EQ(Columns(QStringLiteral("TA_AREA_LEFT_UP_X, TA_AREA_LEFT_UP_Y, "
                                     "TA_AREA_RIGHT_LOWER_X, TA_AREA_RIGHT_LOWER_Y"),
                      taID),
              (QStringList{"-50000 30000 50000 -30000"}));
    EXPECT_EQ(Columns(QStringLiteral("TA_BL_INDEX, TA_COVERT_AREA, TA_DECEL_COUNT, "
                                     "TA_TP_ERROR, TA_HR_ERROR, TA_ACTION_INDEX, TA_AVI_TOTAL"),
                      taID),
              (QStringList{"- 0 0 True False 4.5 3.75"}));
    EXPECT_NE(Add({}), taID) << "each row draws its own key";
}

TEST_F(DatasetAnalyzingWritersTest, NoTotalTimeIsStoredAsNullAndNoSprintsAsZero) {
    Totals totals;
    totals.TotalTimeMS = 0;
    totals.SprintCount = 0;
    const int32_t taID = Add(totals);
    EXPECT_EQ(Columns(QStringLiteral("TA_TOTALTIME_MS, TA_TOTALTIME_DT, TA_SPRINT_COUNT"), taID),
              (QStringList{"- - 0"}));

    totals.TotalTimeMS = 43200000;
    const int32_t halfDay = Add(totals);
    TqelQuery query(database->Connection());
    query.setText(QStringLiteral("select TA_TOTALTIME_DT from TP_ANALYZED where TA_ID = :TA_ID"));
    query.SetParamAsInteger(QStringLiteral("TA_ID"), halfDay);
    query.Open();
    EXPECT_DOUBLE_EQ(query.GetFieldAsDateTime(QStringLiteral("TA_TOTALTIME_DT")), 0.5);
}

TEST_F(DatasetAnalyzingWritersTest, AnUndefinedValueCostsOnlyItsColumn) {
    Totals totals;
    totals.HBAvg = std::numeric_limits<double>::quiet_NaN();
    totals.SpeedIndex = std::numeric_limits<double>::infinity();
    totals.ActionIndex = std::numeric_limits<double>::quiet_NaN();
    const int32_t taID = Add(totals);
    ASSERT_NE(taID, 0);
    EXPECT_EQ(
        Columns(QStringLiteral("TA_HB_AVG, TA_SPEED_INDEX, TA_ACTION_INDEX, TA_HB_MAX"), taID),
        (QStringList{"- - 0 190"}));
}

TEST_F(DatasetAnalyzingWritersTest, AFailingAddAnswersZeroAndIsReported) {
    beforeStatement = [](const QString& aSql) {
        if (aSql.startsWith(QStringLiteral("insert"), Qt::CaseInsensitive) &&
            aSql.contains(QStringLiteral("TP_ANALYZED"))) {
            throw EDatabaseError(QStringLiteral("constraint failed"));
        }
    };
    const int64_t reports = qel::CrashReporter::ReportCount();
    EXPECT_EQ(Add({}), 0);
    EXPECT_EQ(qel::CrashReporter::ReportCount(), reports + 1);
    EXPECT_EQ(Count(QStringLiteral("TP_ANALYZED")), 0);

    beforeStatement = nullptr;
    EXPECT_NE(Add({}), 0) << "the writer goes on after a failed row";
    EXPECT_EQ(Count(QStringLiteral("TP_ANALYZED")), 1);

    TqeldbDatasetAnalyzing removalsOnly(database.get(), 50);
    EXPECT_EQ(Add({}, &removalsOnly), 0) << "no open result to append to";
    EXPECT_EQ(qel::CrashReporter::ReportCount(), reports + 2);
}

TEST_F(DatasetAnalyzingWritersTest, DetailRowsLandInTheirTables) {
    writer->AddBin(7, binDeceleration, 2, 1234, 5000, 3, 0.125, 12.5);
    writer->AddFatigue(7, 1, 60000, 250000, 2.346);
    TqelGameSpeedValues speeds;
    speeds.SetValues(0, 7.5);
    speeds.SetValues(9, 3.25);
    writer->AddGameSpeed(7, gstHid, &speeds);
    writer->InitIHA(7);
    writer->AddIHA(7, 0, 100, 400, 300, 6, 3, -4, 12, 2, true, 300, 250);
    writer->InitIHS(7);
    writer->AddIHS(7, 0, 1, 2, 1000, 45000, 50000, 40000);

    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_BINS")),
              (QStringList{"7 4 2 1234 5000 3 0.13 12"}));
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_FATIGUE")),
              (QStringList{"7 1 250000 60000 2.35"}));
    EXPECT_EQ(Rows(QStringLiteral("select TGS_TYPE, TGS_5_SEC, TGS_10_SEC, TGS_10_MIN from "
                                  "TP_ANAL_GAMESPEED")),
              (QStringList{"2 7.5 0 3.25"}));
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_IHA")),
              (QStringList{"7 0 100 400 300 12 6 3 -4 2 True 300 250"}));
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_IHS")),
              (QStringList{"7 0 1 2 1000 45000 50000 40000"}));

    ResetWriteCount();
    writer->AddGameSpeed(8, gstHid, nullptr);
    EXPECT_EQ(WriteCount(), 0) << "no result, no row";
}

TEST_F(DatasetAnalyzingWritersTest, AFailingDetailRowIsDroppedAndRaised) {
    beforeStatement = [](const QString& aSql) {
        if (aSql.contains(QStringLiteral("TP_ANAL_BINS"))) {
            throw EDatabaseError(QStringLiteral("locked"));
        }
    };
    EXPECT_THROW(writer->AddBin(7, binSpeed, 0, 1, 1, 1, 1, 1), EDatabaseError);
    beforeStatement = nullptr;
    writer->AddBin(7, binSpeed, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(Rows(QStringLiteral("select BZ_ID from TP_ANAL_BINS")), (QStringList{"1"}))
        << "the failed row is not posted with the next one";
}

TEST_F(DatasetAnalyzingWritersTest, InitRemovesTheEarlierRowsOfThatAthleteOnly) {
    const auto sprint = [&](int32_t aTaID, int32_t aNr) {
        writer->AddSprint(aTaID, aNr, 1000, 3000, 2000, 15.5, 10, 8.5, 3.5, 1.5, 2, 100, 1, 500,
                          200, 10.4, -20.6, 3, 30.5, 31.5, 4, 45, QStringLiteral("NE"), true, 2000,
                          1800);
    };
    writer->InitSprints(7);
    sprint(7, 0);
    sprint(7, 1);
    writer->InitSprints(8);
    sprint(8, 0);
    writer->InitSprints(7);
    sprint(7, 5);
    EXPECT_EQ(Rows(QStringLiteral("select TA_ID, TAS_NR from TP_ANAL_SPRINTS order by 1, 2")),
              (QStringList{"7 5", "8 0"}));
    EXPECT_EQ(Rows(QStringLiteral("select TAS_START_POS_X_IN_M, TAS_START_POS_Y_IN_M, "
                                  "TAS_END_POS_X_IN_M, TAS_END_POS_Y_IN_M, TAS_DIRECTION_TXT, "
                                  "TAS_INIT_CLOCK_RUNNING from TP_ANAL_SPRINTS where TA_ID = 7")),
              (QStringList{"10 -21 30 32 NE True"}));

    // The shared detail query serves one table after the other.
    writer->InitAccel(7);
    writer->AddAcceleration(7, 0, 10, 20, 10, 1.5, 5, 2, 3, 4, 1, 0, true, 10, 10);
    writer->InitDecel(7);
    writer->AddDeceleration(7, 0, 30, 50, 20, 2.5, 6, 1, -3, 5, 2, 1.5, false, 20, 20);
    writer->InitImpacts(7);
    writer->AddImpacts(7, 0, 100, 160, 2.5, 9.5, 1, 4, 3);
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_ACCEL")),
              (QStringList{"7 0 10 20 10 1.5 5 2 3 4 1 0 True 10 10"}));
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_DECEL")),
              (QStringList{"7 0 30 50 20 2.5 6 1 -3 5 2 1.5 False 20 20"}));
    EXPECT_EQ(Rows(QStringLiteral("select * from TP_ANAL_IMPACT")),
              (QStringList{"7 0 100 160 60 2.5 9.5 1 4 3"}));
}

TEST_F(DatasetAnalyzingWritersTest, ASecondHeatMapReplacesTheFirst) {
    QByteArray first("first image");
    QBuffer firstImage(&first);
    firstImage.open(QIODevice::ReadOnly);
    firstImage.seek(4);  // the whole stream is written, wherever it stands
    writer->AddHeatmap(7, &firstImage, QStringLiteral("meta 1"));

    QByteArray second("second");
    QBuffer secondImage(&second);
    secondImage.open(QIODevice::ReadOnly);
    writer->AddHeatmap(7, &secondImage, QStringLiteral("meta 2"));
    writer->AddHeatmap(8, &firstImage, QString());

    TqelQuery query(database->Connection());
    query.setText(QStringLiteral("select * from TP_ANAL_HEATMAP order by TA_ID"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.GetFieldAsString(QStringLiteral("TAH_META_DATA")), QStringLiteral("meta 2"));
    EXPECT_EQ(query.FieldByName(QStringLiteral("TAH_IMAGE"))->AsBytes(), second);
    query.Next();
    EXPECT_EQ(query.FieldByName(QStringLiteral("TAH_IMAGE"))->AsBytes(), first);
    EXPECT_TRUE(query.FieldByName(QStringLiteral("TAH_META_DATA"))->IsNull());
}

TEST_F(DatasetAnalyzingWritersTest, TheAnalysisDateIsInsertedThenUpdated) {
    qel::FakeClock clock(46000.25);
    const qel::ScopedClock useClock(clock);
    TqeldbDatasetAnalyzing dates(database.get(), 50);
    dates.UpdateAnalysedDate(50, 5);
    clock.Set(46001.5);
    dates.UpdateAnalysedDate(50, 5);

    TqelQuery query(database->Connection());
    query.setText(QStringLiteral("select * from ANALYZES"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.GetFieldAsInteger(QStringLiteral("DTS_ID")), 50);
    EXPECT_EQ(query.GetFieldAsInteger(QStringLiteral("ANL_ID")), 5);
    EXPECT_DOUBLE_EQ(query.GetFieldAsDateTime(QStringLiteral("ANL_ANALYZE_DATE")), 46001.5);
}

TEST_F(DatasetAnalyzingWritersTest, OpenForEditingJoinsExerciseAndPartNames) {
    Exec(QStringLiteral("insert into EXERCISES (DTS_ID, EXR_ID, EXR_NAME) values (50, 1, 'Game')"));
    Exec(QStringLiteral(
        "insert into PARTS (DTS_ID, EXR_ID, PRT_ID, PRT_NAME) values (50, 1, 2, 'Half 1')"));
    const int32_t taID = Add({});
    TqeldbDatasetAnalyzing editing(database.get(), 50);
    editing.OpenForEditing();
    ASSERT_EQ(editing.SQL().RecordCount(), 1);
    EXPECT_EQ(editing.SQL().GetFieldAsInteger(QStringLiteral("TA_ID")), taID);
    EXPECT_EQ(editing.SQL().GetFieldAsString(QStringLiteral("EXR_NAME")), QStringLiteral("Game"));
    EXPECT_EQ(editing.SQL().GetFieldAsString(QStringLiteral("PRT_NAME")), QStringLiteral("Half 1"));
}

}  // namespace
