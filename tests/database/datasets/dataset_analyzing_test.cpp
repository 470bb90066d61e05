#include <gtest/gtest.h>

#include <limits>

#include "database/datasets/dataset_analyzing.h"
#include "database/sqlite_file_fixture.h"

namespace {

class DatasetAnalyzingTest : public qel::test::SqliteFileTest {
protected:
    int Count(const QString& aTable, const QString& aCondition = QString()) {
        return Rows(QStringLiteral("select count(*) from ") + aTable +
                    (aCondition.isEmpty() ? QString() : QStringLiteral(" where ") + aCondition))
            .value(0)
            .toInt();
    }

    // Dataset aDtsID with a row in every recorded-dataset table, an agility run and two
    // ball-possession result sets (groups 1 and 2).
    void AddDataset(int32_t aDtsID) {
        const struct {
            const char* Table;
            const char* Columns;
            const char* Values;  // %1 is the key
        } rows[] = {
            {"DATASETS", "DTS_ID", "%1"},
            {"MARKERS", "MRK_GUID, DTS_ID", "'m%1', %1"},
            {"CLOCK", "DTS_ID, CLK_ID", "%1, 1"},
            {"SECTORS", "DTS_ID", "%1"},
            {"LAPS", "DTS_ID", "%1"},
            {"GROUPS", "DTS_ID, GRP_ID", "%1, 0"},
            {"PARTS", "DTS_ID, EXR_ID, PRT_ID", "%1, 0, 0"},
            {"EXERCISES", "DTS_ID, EXR_ID", "%1, 0"},
            {"TRANSPONDERS", "DTS_ID, TP_ID", "%1, 1"},
            {"EVENTDATA", "EVT_ID, DTS_ID", "%1, %1"},
            {"EVENT_QUALIFIERS", "EVT_ID", "%1"},
            {"TP_AGILITY", "TG_ID, DTS_ID", "%1, %1"},
            {"TP_AGIL_SPLIT", "TG_ID", "%1"},
        };
        for (const auto& row : rows) {
            Exec(QStringLiteral("insert into %1 (%2) values (%3)")
                     .arg(QString::fromLatin1(row.Table), QString::fromLatin1(row.Columns),
                          QString::fromLatin1(row.Values).arg(aDtsID)));
        }
        for (const int group : {1, 2}) {
            const int set = aDtsID * 10 + group;
            Exec(QStringLiteral("insert into BALL_POSS_TEAM values (%1, %2, 1, 1, %3)")
                     .arg(set)
                     .arg(aDtsID)
                     .arg(group));
            Exec(QStringLiteral("insert into BALL_POSS_OPTIONS values (%1)").arg(set));
            for (const char* table : kBallPossGroupTables) {
                // Each set holds rows of both groups.
                Exec(QStringLiteral("insert into %1 values (%2, 1), (%2, 2)")
                         .arg(QString::fromLatin1(table))
                         .arg(set));
            }
        }
    }

    // TP_ANALYZED row aTaID of aDtsID with one row in every detail table.
    void AddAnalysis(int32_t aTaID, int32_t aDtsID, int32_t anExrID, int32_t anAnlID) {
        Exec(QStringLiteral("insert into TP_ANALYZED (TA_ID, DTS_ID, EXR_ID, ANL_ID) values (%1, "
                            "%2, %3, %4)")
                 .arg(aTaID)
                 .arg(aDtsID)
                 .arg(anExrID)
                 .arg(anAnlID));
        for (const auto& detail : kDetails) {
            Exec(QStringLiteral("insert into %1 (%2) values (%3)")
                     .arg(QString::fromLatin1(detail.Table), QString::fromLatin1(detail.Columns),
                          QString::fromLatin1(detail.Values).arg(aTaID)));
        }
    }

    int Details(const QString& aTaIds) {
        int total = 0;
        for (const auto& detail : kDetails) {
            total += Count(QString::fromLatin1(detail.Table),
                           QStringLiteral("TA_ID in (") + aTaIds + u')');
        }
        return total;
    }

    static constexpr const char* kBallPossGroupTables[] = {"BALL_POSS_TP", "BALL_POSS_TRANS_AREA",
                                                           "BALL_POSS_TRANS_ACTION",
                                                           "BALL_POSS_TRANS", "BALL_POSS_PLAYER"};
    struct Detail {
        const char* Table;
        const char* Columns;
        const char* Values;
    };
    static constexpr Detail kDetails[] = {
        {"TP_ANAL_IMPACT", "TA_ID, TIP_NR", "%1, 0"},
        {"TP_ANAL_IHS", "TA_ID, TAS_NR", "%1, 0"},
        {"TP_ANAL_IHA", "TA_ID, TAI_NR", "%1, 0"},
        {"TP_ANAL_HEATMAP", "TA_ID", "%1"},
        {"TP_ANAL_SPRINTS", "TA_ID, TAS_NR", "%1, 0"},
        {"TP_ANAL_ACCEL", "TA_ID, TAA_NR", "%1, 0"},
        {"TP_ANAL_DECEL", "TA_ID, TAD_NR", "%1, 0"},
        {"TP_ANAL_BINS", "TA_ID, BK_ID, BZ_ID", "%1, 1, 0"},
        {"TP_ANAL_GAMESPEED", "TA_ID, TGS_TYPE", "%1, 1"},
        {"TP_ANAL_FATIGUE", "TA_ID, TAF_TIME_ZONE", "%1, 0"},
    };
};

TEST_F(DatasetAnalyzingTest, RemovingOneAnalysisOfEveryExercise) {
    AddAnalysis(1, 50, 1, 5);
    AddAnalysis(2, 50, 2, 5);
    AddAnalysis(3, 50, 1, 6);
    AddAnalysis(4, 51, 1, 5);
    Exec(QStringLiteral("insert into ANALYZES values (50, 5, null), (50, 6, null), (51, 5, null)"));
    Exec(QStringLiteral("insert into GRP_ANALYZED values (50, 3, 5)"));

    TqeldbDatasetAnalyzing::RemoveExertionAnalyses(database.get(), 50, 2, 5);
    EXPECT_EQ(Count(QStringLiteral("TP_ANALYZED")), 3);
    EXPECT_EQ(Details(QStringLiteral("2")), 0);
    EXPECT_EQ(Details(QStringLiteral("1, 3, 4")), 30);
    EXPECT_EQ(Count(QStringLiteral("ANALYZES")), 3);

    TqeldbDatasetAnalyzing::RemoveExertionAnalyses(database.get(), 50, 0, 5);
    EXPECT_EQ(Rows(QStringLiteral("select TA_ID from TP_ANALYZED order by 1")),
              (QStringList{"3", "4"}));
    EXPECT_EQ(Details(QStringLiteral("1, 3, 4")), 20);
    EXPECT_EQ(Count(QStringLiteral("GRP_ANALYZED")), 0) << "removed with its analysis";
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID, ANL_ID from ANALYZES order by 1, 2")),
              (QStringList{"50 6", "51 5"}));
}

TEST_F(DatasetAnalyzingTest, ANoLongerAnalysedResultKeepsItsDateWhileAGroupResultHasIt) {
    AddAnalysis(1, 50, 1, 5);
    Exec(QStringLiteral("insert into ANALYZES values (50, 5, null)"));
    Exec(QStringLiteral("insert into GRP_ANALYZED values (50, 2, 5)"));
    TqeldbDatasetAnalyzing::RemoveExertionAnalyses(database.get(), 50, 1, 5);
    EXPECT_EQ(Count(QStringLiteral("TP_ANALYZED")), 0);
    EXPECT_EQ(Count(QStringLiteral("ANALYZES")), 1);
}

TEST_F(DatasetAnalyzingTest, NothingIsDeletedForADatasetWithoutResults) {
    Exec(QStringLiteral("insert into ANALYZES values (50, 5, null)"));
    ResetWriteCount();
    TqeldbDatasetAnalyzing::RemoveExertionAnalyses(database.get(), 50, 0, 0);
    EXPECT_EQ(WriteCount(), 0);
    EXPECT_EQ(Count(QStringLiteral("ANALYZES")), 1);
}

TEST_F(DatasetAnalyzingTest, BallPossessionOfOneGroup) {
    AddDataset(7);
    AddDataset(8);
    TqeldbDatasetAnalyzing::RemoveBallPosAnalyses(database.get(), 7, 1, 0, 0);
    EXPECT_EQ(Rows(QStringLiteral("select BPS_ID from BALL_POSS_TEAM order by 1")),
              (QStringList{"72", "81", "82"}));
    EXPECT_EQ(Rows(QStringLiteral("select BPS_ID from BALL_POSS_OPTIONS order by 1")),
              (QStringList{"72", "81", "82"}));
    for (const char* table : kBallPossGroupTables) {
        SCOPED_TRACE(table);
        // Group 1 rows of both sets of dataset 7 go, whichever set's group they were filed in.
        EXPECT_EQ(Rows(QStringLiteral("select BPS_ID, GRP_ID from %1 where BPS_ID < 80 order by "
                                      "1, 2")
                           .arg(QString::fromLatin1(table))),
                  (QStringList{"71 2", "72 2"}));
        EXPECT_EQ(Count(QString::fromLatin1(table), QStringLiteral("BPS_ID > 80")), 4);
    }

    // An exercise that the sets do not have removes nothing; the part counts with it only.
    TqeldbDatasetAnalyzing::RemoveBallPosAnalyses(database.get(), 7, 0, 2, 1);
    EXPECT_EQ(Count(QStringLiteral("BALL_POSS_TEAM")), 3);
    TqeldbDatasetAnalyzing::RemoveBallPosAnalyses(database.get(), 7, 0, 0, 9);
    EXPECT_EQ(Count(QStringLiteral("BALL_POSS_TEAM")), 2);
}

TEST_F(DatasetAnalyzingTest, CompleteRemovalWithoutAnalyses) {
    AddDataset(7);
    AddDataset(8);
    int timeoutSeen = 0;
    beforeStatement = [&](const QString&) {
        timeoutSeen = std::max(timeoutSeen, database->Connection()->CommandTimeout());
    };
    const int timeout = database->Connection()->CommandTimeout();
    TqeldbDatasetAnalyzing::RemoveCompleteDataset(database.get(), 7);
    EXPECT_EQ(timeoutSeen, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(database->Connection()->CommandTimeout(), timeout);
    for (const char* table :
         {"DATASETS", "MARKERS", "CLOCK", "SECTORS", "LAPS", "GROUPS", "PARTS", "EXERCISES",
          "TRANSPONDERS", "EVENTDATA", "TP_AGILITY", "BALL_POSS_TEAM"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(Count(QString::fromLatin1(table), QStringLiteral("DTS_ID = 7")), 0);
        EXPECT_GT(Count(QString::fromLatin1(table), QStringLiteral("DTS_ID = 8")), 0);
    }
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID from EVENT_QUALIFIERS")), QStringList{"8"});
    EXPECT_EQ(Rows(QStringLiteral("select TG_ID from TP_AGIL_SPLIT")), QStringList{"8"});
    EXPECT_EQ(Count(QStringLiteral("BALL_POSS_PLAYER"), QStringLiteral("BPS_ID < 80")), 0);
}

TEST_F(DatasetAnalyzingTest, AFailureInTheLastStepLeavesTheDatasetRows) {
    AddDataset(7);
    AddAnalysis(1, 7, 1, 5);
    const int timeout = database->Connection()->CommandTimeout();
    beforeStatement = [](const QString& aSql) {
        if (aSql.startsWith(QStringLiteral("delete from DATASETS"))) {
            throw EProviderError(QStringLiteral("The DELETE statement conflicted"));
        }
    };
    EXPECT_THROW(TqeldbDatasetAnalyzing::RemoveCompleteDataset(database.get(), 7), EProviderError);
    beforeStatement = nullptr;
    EXPECT_EQ(database->Connection()->CommandTimeout(), timeout);
    EXPECT_EQ(Count(QStringLiteral("TP_ANALYZED")), 0);
    EXPECT_EQ(Count(QStringLiteral("TP_AGILITY")), 0);
    EXPECT_EQ(Count(QStringLiteral("BALL_POSS_TEAM")), 0);
    // The last step was one transaction: all its deletes were rolled back.
    EXPECT_EQ(Count(QStringLiteral("DATASETS")), 1);
    EXPECT_EQ(Count(QStringLiteral("EVENTDATA")), 1);
    EXPECT_EQ(Count(QStringLiteral("MARKERS")), 1);
}

TEST_F(DatasetAnalyzingTest, RecordingDatasetsGoOnceTheyStopped) {
    for (const int32_t key : {1, 2, 3}) {
        AddDataset(key);
    }
    Exec(
        QStringLiteral("update DATASETS set DTS_LIVEDATA = 1, DTS_RECORDING = 0 where DTS_ID = 1"));
    Exec(
        QStringLiteral("update DATASETS set DTS_LIVEDATA = 1, DTS_RECORDING = 1 where DTS_ID = 2"));
    TqeldbDatasetAnalyzing::RemoveRecordingDatasets(database.get());
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID from DATASETS order by 1")),
              (QStringList{"2", "3"}));
    EXPECT_EQ(Rows(QStringLiteral("select distinct DTS_ID from MARKERS order by 1")),
              (QStringList{"2", "3"}));
}

}  // namespace
