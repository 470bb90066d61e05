#include <gtest/gtest.h>

#include "database/agility/agility_definitions.h"
#include "database/agility/agility_runs.h"
#include "database/sqlite_file_fixture.h"
#include "foundation/model_interfaces.h"
#include "platform/exception.h"

namespace {

// A transponder that only knows its id.
class NumberedTransponder : public IqelTransponderData {
public:
    explicit NumberedTransponder(int32_t anID) : FID(anID) {}

    TqelTransponderData* GetTransponderVaruza() override { return nullptr; }
    int32_t GetTPid() override { return FID; }
    RqelCalculatedPosition calcPosition(int32_t) override { return {}; }
    uint32_t GetAthleteColor() override { return 0; }
    QString ToString() override { return {}; }
    QString ToString(TqelTransponderToStringType) override { return {}; }
    double calcSpeed(int32_t, bool&, int32_t) override { return 0; }
    double calcSpeed(int32_t, int32_t) override { return 0; }
    double calcAcceleration(int32_t) override { return 0; }
    double calcImpact(int32_t) override { return 0; }
    double calcLowPassGrav(int32_t) override { return 0; }
    double calcHeartbeat(int32_t, bool) override { return 0; }
    double calcAverageHeartbeat(int32_t, int32_t) override { return 0; }
    double calcDistance(int32_t, int32_t) override { return 0; }
    bool isOnField(int32_t) override { return true; }
    bool isOnField(const RqelCalculatedPosition&) override { return true; }
    double calcEnergy(double, double, double) override { return 0; }
    double GetAthleteWeight() override { return 0; }
    double GetAthleteMaxSpeed() override { return 0; }
    double GetAthleteMaxAcceleration() override { return 0; }
    double GetAthleteMaxDeceleration() override { return 0; }
    double GetAthleteRecon() override { return 0; }
    int32_t GetAthleteMaxHeartbeat() override { return 220; }
    int32_t GetPlayerID() override { return 0; }

private:
    int32_t FID;
};

class AgilityDatabaseTest : public qel::test::SqliteFileTest {
protected:
    TqelDatabaseConnection* connection() const { return database->Connection(); }

    // Courses 1 "Slalom" (active, two lines, no longest duration), 2 "slalom short"
    // (inactive), 3 "Sprint" (active).
    void AddCourses() {
        Exec(QStringLiteral(
            "insert into AGILITY_TEST (AGL_ID, AGL_DESCRIPTION, AGL_MAX_DURATION_MS, "
            "AGL_MIN_DURATION_MS, AGL_ACTIVE, AGL_DECEL_AFTER_FINISH) values (1, 'Slalom', null, "
            "3000, 1, 1), (2, 'slalom short', 50000, null, 0, 0), (3, 'Sprint', 0, null, 1, 0)"));
        Exec(QStringLiteral(
            "insert into AGILITY_LINES values (1, 2, 'Finish', 1, 20000, 0, 20000, 1000), (1, 1, "
            "'Start', 0, 0, 0, 0, 1000)"));
    }

    static QStringList Descriptions(const TqeldbAgilityDefinitions& aDefinitions) {
        QStringList descriptions;
        for (const auto& definition : aDefinitions.Definitions()) {
            descriptions << definition->Description();
        }
        return descriptions;
    }

    // A run of aTransponder in dataset aDtsID of aDurationInMS on course 1 of exercise 4.
    void AddStoredRun(int32_t aTgID, int32_t aDtsID, int32_t aTPid, int32_t aDurationInMS) {
        Exec(QStringLiteral("insert into TP_AGILITY (TG_ID, DTS_ID, TP_ID, EXR_ID, AGL_ID, "
                            "TG_DURATION_MS) values (%1, %2, %3, 4, 1, %4)")
                 .arg(aTgID)
                 .arg(aDtsID)
                 .arg(aTPid)
                 .arg(aDurationInMS));
    }
};

TEST_F(AgilityDatabaseTest, CoursesAreReadWithTheirLines) {
    AddCourses();
    TqeldbAgilityDefinitions definitions(connection());
    definitions.Retreive(true, false, QString());
    EXPECT_EQ(Descriptions(definitions), (QStringList{"Slalom", "slalom short", "Sprint"}));
    const TqeldbAgilityDef& slalom = *definitions.GetDefinition(0);
    EXPECT_EQ(slalom.MaxDurationInMS(), 240000) << "NULL is the default";
    EXPECT_EQ(definitions.GetDefinition(2)->MaxDurationInMS(), 240000) << "so is 0";
    EXPECT_EQ(slalom.MinDurationInMS(), 3000);
    EXPECT_TRUE(slalom.DetectDecelAfterFinish());
    ASSERT_EQ(slalom.Lines().size(), 2u);
    EXPECT_EQ(slalom.Lines()[0]->LineName(), QStringLiteral("Start")) << "by AGLL_ID";
    EXPECT_EQ(slalom.Lines()[1]->EndXinMM(), 20000);
    EXPECT_FALSE(definitions.GetDefinition(1)->Active());
    EXPECT_EQ(definitions.MaxNumberOfLines(), 2);

    definitions.Retreive(false, true, QStringLiteral("sla"));
    EXPECT_EQ(Descriptions(definitions), QStringList{"Slalom"}) << "active, by prefix";
    EXPECT_TRUE(definitions.GetDefinition(0)->Lines().empty());
    EXPECT_EQ(definitions.GetDefinitionByDescription(QStringLiteral("SLALOM")),
              definitions.GetDefinition(0));

    // Open finds the listed course and loads its lines, or reads and appends a stored one.
    TqeldbAgilityDef* listed = definitions.Open(1);
    EXPECT_EQ(listed, definitions.GetDefinition(0));
    EXPECT_EQ(listed->Lines().size(), 2u);
    EXPECT_EQ(definitions.Open(3)->Description(), QStringLiteral("Sprint"));
    EXPECT_EQ(definitions.Count(), 2);
    EXPECT_EQ(definitions.Open(42), nullptr);

    Exec(QStringLiteral(
        "insert into EXERCISE_NAMES (EXN_ID, EXN_NAME, AGL_ID) values (1, 'Drill', 1), (2, "
        "'Drill 2', 2)"));
    definitions.RetreiveByExrName(QStringLiteral("Drill"));
    EXPECT_EQ(Descriptions(definitions), QStringList{"Slalom"});
    definitions.RetreiveByExrName(QStringLiteral("Drill 2"));
    EXPECT_EQ(definitions.Count(), 0) << "only active courses";
}

TEST_F(AgilityDatabaseTest, RereadingACourseKeepsItsLinesWhenTheDatabaseLacksIt) {
    AddCourses();
    TqeldbAgilityDefinitions definitions(connection());
    TqeldbAgilityDef* slalom = definitions.Open(1);
    slalom->Retreive(99);
    EXPECT_EQ(slalom->Lines().size(), 2u);
    EXPECT_EQ(slalom->Description(), QStringLiteral("Slalom"));

    TqeldbAgilityDefinitions offline;
    offline.Assign(definitions);
    offline.GetDefinition(0)->Retreive(1);
    offline.GetDefinition(0)->RetreiveLines();
    EXPECT_EQ(offline.GetDefinition(0)->Lines().size(), 2u) << "nothing to read without one";
}

TEST_F(AgilityDatabaseTest, SyncTakesStoredCoursesAndStoresNewOnes) {
    AddCourses();
    Exec(QStringLiteral("insert into SEQUENCES (SQ_TABLE, SQ_VALUE) values ('AGILITY_TEST', 10)"));
    TqeldbAgilityDefinitions stored(connection());
    stored.Retreive(true, false, QString());

    // A dataset from elsewhere: a known course under another id, and a new one whose id is
    // that of a stored course of another description.
    TqeldbAgilityDefinitions fromFile;
    TqeldbAgilityDef* known = fromFile.AddDefinition();
    known->setDescription(QStringLiteral("SPRINT"));
    known->setAgilityID(77);
    TqeldbAgilityDef* unknown = fromFile.AddDefinition();
    unknown->Assign(*stored.GetDefinition(0));
    unknown->setDescription(QStringLiteral("Zigzag"));
    unknown->setAgilityID(3);

    TqeldbAgilityDefinitions sync(connection());
    sync.SyncWithDatabase(fromFile);
    EXPECT_EQ(known->AgilityID(), 3);
    EXPECT_EQ(known->Description(), QStringLiteral("Sprint"));
    EXPECT_EQ(unknown->AgilityID(), 11);
    EXPECT_EQ(LastKey(QStringLiteral("AGILITY_TEST")), 11);
    EXPECT_EQ(Rows(QStringLiteral("select AGL_ID, AGL_DESCRIPTION, AGL_MAX_DURATION_MS, "
                                  "AGL_ACTIVE from AGILITY_TEST order by AGL_ID")),
              (QStringList{"1 Slalom - 1", "2 slalom short 50000 0", "3 Sprint 0 1",
                           "11 Zigzag 240000 1"}));
    EXPECT_EQ(
        Rows(QStringLiteral("select * from AGILITY_LINES where AGL_ID = 11 order by AGLL_ID")),
        (QStringList{"11 1 Start 0 0 0 0 1000", "11 2 Finish 1 20000 0 20000 1000"}));

    // Saving again replaces the lines; surplus ones go.
    TqeldbAgilityDef* zigzag = sync.GetDefinitionByID(11);
    zigzag->Lines()[0]->setLineName(QStringLiteral("Go"));
    Exec(QStringLiteral("insert into AGILITY_LINES (AGL_ID, AGLL_ID) values (11, 3)"));
    zigzag->Save();
    EXPECT_EQ(Rows(QStringLiteral("select AGLL_LINENAME from AGILITY_LINES where AGL_ID = 11 "
                                  "order by AGLL_ID")),
              (QStringList{"Go", "Finish"}));

    TqeldbAgilityDefinitions reloaded(connection());
    reloaded.ReloadFromDatabase(fromFile);
    EXPECT_EQ(Descriptions(reloaded), (QStringList{"Sprint", "Zigzag"}));
    reloaded.ReloadFromDatabase(reloaded);
    EXPECT_EQ(Descriptions(reloaded), (QStringList{"Sprint", "Zigzag"}));
}

TEST_F(AgilityDatabaseTest, SavingACourseIsAllOrNothing) {
    TqeldbAgilityDefinitions definitions(connection());
    TqeldbAgilityDef* course = definitions.AddDefinition();
    course->setDescription(QStringLiteral("Box"));
    course->AddLine()->setLineID(1);
    course->AddLine()->setLineID(2);
    beforeStatement = [](const QString& aSql) {
        if (aSql.contains(QStringLiteral("AGILITY_LINES")) &&
            aSql.contains(QStringLiteral("insert into"), Qt::CaseInsensitive)) {
            throw EDatabaseError(QStringLiteral("disk full"));
        }
    };
    EXPECT_THROW(course->Save(), EDatabaseError);
    beforeStatement = nullptr;
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from AGILITY_TEST")), QStringList{"0"});
    EXPECT_EQ(course->AgilityID(), 0);
    course->Save();
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from AGILITY_LINES where AGL_ID = %1")
                       .arg(course->AgilityID())),
              QStringList{"2"});
}

TEST_F(AgilityDatabaseTest, DeletingACourseInUseIsRefused) {
    AddCourses();
    Exec(QStringLiteral("insert into PREPARE_AGILITY values (5, 1), (5, 3)"));
    AddStoredRun(1, 100, 1, 9000);
    TqeldbAgilityDefinitions definitions(connection());
    definitions.Retreive(false, false, QString());
    try {
        definitions.DeleteDefinitionByID(1);
        FAIL() << "a course with stored runs was deleted";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(),
                  QStringLiteral("Can't remove the agility definition. It is already used in some "
                                 "analyzes. You have to uncheck the \"Active\" checkbox"));
    }
    EXPECT_EQ(definitions.Count(), 3);

    Exec(QStringLiteral("delete from TP_AGILITY"));
    definitions.DeleteDefinitionByID(1);
    EXPECT_EQ(Descriptions(definitions), (QStringList{"slalom short", "Sprint"}));
    EXPECT_EQ(Rows(QStringLiteral("select (select count(*) from AGILITY_TEST) || ' ' || (select "
                                  "count(*) from AGILITY_LINES) || ' ' || (select AGL_ID from "
                                  "PREPARE_AGILITY)")),
              QStringList{"2 0 3"});
}

TEST_F(AgilityDatabaseTest, ARunIsStoredWithItsSplits) {
    AddCourses();
    TqeldbAgilityDefinitions definitions(connection());
    TqeldbAgilityDef* slalom = definitions.Open(1);
    NumberedTransponder transponder(6);
    TqeldbAgilityTests* part = slalom->NewExercisePart(100, 4, 2, 0, false, false);
    EXPECT_EQ(slalom->AgilityTests().size(), 1u);
    EXPECT_EQ(part->AglID(), 1);

    part->AgilityTests().push_back(std::make_unique<TqeldbAgilityTest>(slalom, &transponder));
    TqeldbAgilityTest& run = *part->AgilityTests().back();
    run.setDtsID(100);
    run.setPrtID(2);
    run.setNumber(1);
    run.setEntryInMS(1000);
    run.setExitInMS(9000);
    run.setDistanceM(40);
    run.setMaxDecel(-3.5);
    run.Save();
    EXPECT_EQ(run.TgID(), 0) << "not without an exercise";
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from TP_AGILITY")), QStringList{"0"});

    run.setExrID(4);
    run.AddCrossing(slalom->LineByID(1), 1000, 1000);
    TqeldbAgilityCrossing* last = run.AddCrossing(slalom->LineByID(2), 1000, 9000);
    last->setDistanceM(40);
    run.AddCrossing(nullptr, 9000, 9100);
    Exec(QStringLiteral("insert into SEQUENCES (SQ_TABLE, SQ_VALUE) values ('TP_AGILITY', 40)"));
    run.Save();
    EXPECT_EQ(run.TgID(), 41);
    EXPECT_EQ(Rows(QStringLiteral("select TG_ID, DTS_ID, TP_ID, EXR_ID, PRT_ID, GRP_ID, TG_NUMBER, "
                                  "AGL_ID, TG_ENTRY_TIME_MS, TG_DURATION_MS, TG_DISTANCE_M, "
                                  "TG_MAX_SPEED, TG_MAX_DECEL from TP_AGILITY")),
              QStringList{"41 100 6 4 2 0 1 1 1000 8000 40 - -3.5"});
    EXPECT_EQ(
        Rows(QStringLiteral("select TG_ID, AGLL_ID, TGS_ENTRY_TIME_MS, "
                            "TGS_CROSSING_TIME_MS, TGS_DURATION_MS, TGS_DISTANCE_M from "
                            "TP_AGIL_SPLIT order by TGS_CROSSING_TIME_MS")),
        (QStringList{"41 1 1000 1000 0 -", "41 2 1000 9000 8000 40", "41 0 9000 9100 100 -"}));

    // A split that fails takes its run with it.
    beforeStatement = [](const QString& aSql) {
        if (aSql.contains(QStringLiteral("TP_AGIL_SPLIT"))) {
            throw EDatabaseError(QStringLiteral("disk full"));
        }
    };
    EXPECT_THROW(run.Save(), EDatabaseError);
    beforeStatement = nullptr;
    EXPECT_EQ(run.TgID(), 41);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from TP_AGILITY")), QStringList{"1"});

    // A new part of the same exercise removes the stored runs first.
    slalom->NewExercisePart(100, 4, 2, 0, true, false);
    EXPECT_EQ(Rows(QStringLiteral("select (select count(*) from TP_AGILITY) + (select count(*) "
                                  "from TP_AGIL_SPLIT)")),
              QStringList{"0"});
}

TEST_F(AgilityDatabaseTest, BestTimesAndHistoryComeFromEarlierDatasets) {
    // Athlete 50 wore transponder 3 in datasets 10 and 20 and transponder 150 in dataset 30;
    // athlete 60 wore transponder -1 in dataset 20. Dataset 40 is today's, athlete 50 on 5.
    Exec(
        QStringLiteral("insert into TRANSPONDERS (DTS_ID, TP_ID, PLR_ID) values (10, 3, 50), "
                       "(20, 3, 50), (30, 150, 50), (20, -1, 60), (40, 5, 50), (40, 6, 60)"));
    AddStoredRun(1, 10, 3, 9500);
    AddStoredRun(2, 10, 3, 9100);
    AddStoredRun(3, 20, 3, 8700);
    AddStoredRun(4, 20, 3, 8900);
    AddStoredRun(5, 30, 150, 8000);
    AddStoredRun(6, 30, 150, 8200);
    AddStoredRun(7, 20, -1, 7000);
    AddCourses();
    TqeldbAgilityDefinitions definitions(connection());
    TqeldbAgilityDef* slalom = definitions.Open(1);

    TqeldbAgilityTests* part = slalom->NewExercisePart(40, 4, 1, 0, false, true);
    EXPECT_EQ(part->BestTimeTPinMS(3), 8700);
    for (const int32_t tp : {150, -1, 5, 6}) {
        EXPECT_EQ(part->BestTimeTPinMS(tp), 0) << tp;
    }
    part->InitializeTest(40, 4, 1, 0, false, false);
    EXPECT_EQ(part->BestTimeTPinMS(3), 0) << "cleared";

    part->ReceiveHistoryTP(1, 40, 5);
    QStringList history;
    for (const auto& run : part->AgilityTests()) {
        history << QStringLiteral("%1:%2:%3")
                       .arg(run->DtsID())
                       .arg(run->TgID())
                       .arg(run->DurationInMS());
        EXPECT_EQ(run->AgilityDef(), nullptr);
    }
    EXPECT_EQ(history, (QStringList{"10:2:9100", "20:3:8700", "30:5:8000"}));
}

}  // namespace
