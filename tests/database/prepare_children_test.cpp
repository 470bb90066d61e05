#include <gtest/gtest.h>

#include <type_traits>

#include "database/prepare_recording.h"
#include "platform/exception.h"
#include "sqlite_file_fixture.h"

namespace {

// Parts and order cannot be swapped in a call.
using AddExerciseCall = decltype(&TqelPrepareRecording::AddExercise);
static_assert(std::is_invocable_v<AddExerciseCall, TqelPrepareRecording&, int32_t, QString,
                                  TqelExpectedParts, TqelExerciseOrder>);
static_assert(!std::is_invocable_v<AddExerciseCall, TqelPrepareRecording&, int32_t, QString,
                                   TqelExerciseOrder, TqelExpectedParts>);
static_assert(!std::is_invocable_v<AddExerciseCall, TqelPrepareRecording&, int32_t, QString,
                                   int32_t, int32_t>);

class PrepareChildrenTest : public qel::test::SqliteFileTest {
protected:
    // "ExnID:order:parts" of each exercise in list order.
    static QStringList Exercises(const TqelPrepareRecording& aPreparation) {
        QStringList listed;
        for (const auto& exercise : aPreparation.Exercises()) {
            listed << QStringLiteral("%1:%2:%3")
                          .arg(exercise->ExnID())
                          .arg(exercise->Order())
                          .arg(exercise->ExpectedParts());
        }
        return listed;
    }

    void AddExercise(TqelPrepareRecording& aPreparation, int32_t anExnID, int32_t anOrder,
                     int32_t aParts = 1) {
        aPreparation.AddExercise(anExnID, QStringLiteral("E%1").arg(anExnID),
                                 TqelExpectedParts{aParts}, TqelExerciseOrder{anOrder});
    }
};

TEST_F(PrepareChildrenTest, AddExerciseAppendsInsertsAndReusesByExerciseName) {
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);
    for (const int32_t exn : {11, 12, 13}) {
        AddExercise(preparation, exn, 0);
    }
    EXPECT_EQ(Exercises(preparation), (QStringList{"11:1:1", "12:2:1", "13:3:1"}));

    AddExercise(preparation, 14, 0, 2);
    EXPECT_EQ(Exercises(preparation).last(), QStringLiteral("14:4:2")) << "after the highest";

    TqelDBPrepareExercise* inserted = preparation.AddExercise(
        15, QStringLiteral("Rondo"), TqelExpectedParts{3}, TqelExerciseOrder{2});
    EXPECT_EQ(Exercises(preparation),
              (QStringList{"11:1:1", "12:3:1", "13:4:1", "14:5:2", "15:2:3"}));
    EXPECT_EQ(inserted->Description(), QStringLiteral("Rondo"));
    EXPECT_EQ(inserted->PrcID(), 5);

    // Known ids keep name and place; only the parts change, and the shift still applies.
    preparation.AddExercise(12, QStringLiteral("renamed"), TqelExpectedParts{7},
                            TqelExerciseOrder{0});
    preparation.AddExercise(11, QStringLiteral("renamed"), TqelExpectedParts{9},
                            TqelExerciseOrder{4});
    EXPECT_EQ(Exercises(preparation),
              (QStringList{"11:1:9", "12:3:7", "13:5:1", "14:6:2", "15:2:3"}));
    EXPECT_EQ(preparation.IsExerciseSelected(12)->Description(), QStringLiteral("E12"));
    EXPECT_EQ(preparation.IsExerciseSelected(99), nullptr);
}

TEST_F(PrepareChildrenTest, AgilityTestsSectionsAndCamerasAreKeptOncePerId) {
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);
    TqelConnectedAgilityTest* test = preparation.AddConnectedAgilityTest(8);
    EXPECT_EQ(preparation.AddConnectedAgilityTest(8), test);
    EXPECT_EQ(preparation.AglCount(), 1);
    EXPECT_EQ(test->PrcID(), 5);
    EXPECT_TRUE(preparation.IsConnectedAgility(8));

    // -1 is always a new test without id or preparation.
    TqelConnectedAgilityTest* blank = preparation.AddConnectedAgilityTest(-1);
    EXPECT_NE(preparation.AddConnectedAgilityTest(-1), blank);
    EXPECT_EQ(blank->AglID(), 0);
    EXPECT_EQ(blank->PrcID(), 0);
    EXPECT_EQ(preparation.AglCount(), 3);
    EXPECT_THROW(preparation.GetAgilityTest(3), EArgumentOutOfRangeException);

    TqelPrepareSection* section = preparation.AddSection(1, QStringLiteral("Start"), 500);
    EXPECT_EQ(preparation.AddSection(1, QStringLiteral("Renamed"), 800), section);
    EXPECT_EQ(section->Description(), QStringLiteral("Renamed"));
    EXPECT_EQ(section->TimeToAddMS(), 800);

    TqelPrepareCamera* camera =
        preparation.AddCamera(3, 1, 1, QStringLiteral("L1"), 0, QStringLiteral("L2"), 1);
    EXPECT_EQ(preparation.AddCamera(3, 2, 4, QStringLiteral("L5"), 2, QStringLiteral("L6"), 300),
              camera);
    EXPECT_EQ(preparation.Cameras().size(), 1u);
    EXPECT_EQ(camera->PrsID(), 2);
    EXPECT_EQ(camera->FollowOrder(), 4);
    EXPECT_EQ(camera->LineStart(), QStringLiteral("L5"));
    EXPECT_EQ(camera->GetLineFinishDirection(), 44) << "300 narrowed to its low byte";
    EXPECT_EQ(preparation.CameraByIndex(3), camera);

    camera->setCamIndex(258);
    section->AddCamera(*camera);
    EXPECT_EQ(section->CameraCount(), 1);
    EXPECT_EQ(section->CameraIndex(0), 2);
    EXPECT_EQ(section->CameraFollowOrder(0), 4);
    EXPECT_NE(section->Cameras()[0].get(), camera) << "the section owns a copy";
    EXPECT_THROW(section->CameraIndex(1), EArgumentOutOfRangeException);
}

TEST_F(PrepareChildrenTest, ExercisesLoadByOrderWithTheirNamesAndSaveAllOrNothing) {
    Exec(QStringLiteral(
        "insert into EXERCISE_NAMES (EXN_ID, EXN_NAME) values (11, 'Warm-up'), (12, 'Rondo')"));
    Exec(
        QStringLiteral("insert into PREPARE_EXERCISES values (5, 12, 1, 2), (5, 11, 2, 1), "
                       "(5, 77, 3, 1), (6, 11, 1, 1)"));
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);
    AddExercise(preparation, 99, 0);
    preparations.GetExercises(&preparation);
    EXPECT_EQ(Exercises(preparation), (QStringList{"12:1:2", "11:2:1"}))
        << "replaced; an exercise without a name row is left out";
    EXPECT_EQ(preparation.Exercises()[0]->Description(), QStringLiteral("Rondo"));

    const QString stored = QStringLiteral(
        "select EXN_ID, PRE_ORDER, PRE_EXPECTED_PARTS from PREPARE_EXERCISES where "
        "PRC_ID = %1 order by PRE_ORDER");
    AddExercise(preparation, 13, 0, 4);
    beforeStatement = [](const QString& aSql) {
        if (aSql.contains(QStringLiteral("insert into"), Qt::CaseInsensitive) &&
            aSql.contains(QStringLiteral("PREPARE_EXERCISES"))) {
            throw EDatabaseError(QStringLiteral("disk full"));
        }
    };
    EXPECT_THROW(preparations.SaveExercises(&preparation), EDatabaseError);
    beforeStatement = nullptr;
    EXPECT_EQ(Rows(stored.arg(5)), (QStringList{"12 1 2", "11 2 1", "77 3 1"}))
        << "nothing deleted when a row fails";
    EXPECT_FALSE(preparations.DBPrepareExercises().SQL().Active());

    preparations.SaveExercises(&preparation);
    EXPECT_EQ(Rows(stored.arg(5)), (QStringList{"12 1 2", "11 2 1", "13 3 4"}));
    EXPECT_EQ(Rows(stored.arg(6)), QStringList{"11 1 1"});
}

TEST_F(PrepareChildrenTest, RowsSaveAndDeleteByTheirTwoKeys) {
    Exec(QStringLiteral("insert into PREPARE_EXERCISES values (5, 11, 1, 1), (5, 12, 2, 1)"));
    Exec(QStringLiteral("insert into PREPARE_AGILITY values (5, 7), (5, 8)"));
    Exec(QStringLiteral("insert into PREPARE_SECTION values (5, 1, 'a', 0), (5, 2, 'b', 0)"));
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);

    TqelDBPrepareExercise* exercise =
        preparation.AddExercise(12, QString(), TqelExpectedParts{3}, TqelExerciseOrder{9});
    preparations.DBPrepareExercises().Save(exercise);
    EXPECT_EQ(Rows(QStringLiteral("select EXN_ID, PRE_ORDER, PRE_EXPECTED_PARTS from "
                                  "PREPARE_EXERCISES order by EXN_ID")),
              (QStringList{"11 1 1", "12 9 3"}));
    // Without its second key the row selects its whole preparation: refused, nothing written.
    exercise->setExnID(0);
    ResetWriteCount();
    EXPECT_THROW(preparations.DBPrepareExercises().Save(exercise), EDatabaseError);
    EXPECT_EQ(WriteCount(), 0);
    exercise->setExnID(12);

    preparations.DBPrepareExercises().Delete(exercise);
    preparations.Delete(preparation.AddConnectedAgilityTest(7));
    preparations.PrepareSections().Delete(preparation.AddSection(2, QString(), 0));
    EXPECT_EQ(Rows(QStringLiteral("select EXN_ID from PREPARE_EXERCISES")), QStringList{"11"});
    EXPECT_EQ(Rows(QStringLiteral("select AGL_ID from PREPARE_AGILITY")), QStringList{"8"});
    EXPECT_EQ(Rows(QStringLiteral("select PRS_ID from PREPARE_SECTION")), QStringList{"1"});
}

TEST_F(PrepareChildrenTest, ConnectedAgilityTestsAddToTheListAndSaveUnderThePreparation) {
    Exec(QStringLiteral("insert into PREPARE_AGILITY values (5, 7), (5, 8), (6, 9)"));
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);
    TqelConnectedAgilityTest* kept = preparation.AddConnectedAgilityTest(8);
    preparations.GetConnectedAgilityTests(&preparation);
    EXPECT_EQ(preparation.AglCount(), 2);
    EXPECT_EQ(preparation.GetAgilityTest(0), kept);
    EXPECT_EQ(preparation.GetAgilityTest(1)->AglID(), 7);

    preparation.AddConnectedAgilityTest(-1)->setAglID(10);
    preparations.SaveConnectedAgilityTests(&preparation);
    EXPECT_EQ(Rows(QStringLiteral("select PRC_ID, AGL_ID from PREPARE_AGILITY order by AGL_ID")),
              (QStringList{"5 7", "5 8", "6 9", "5 10"}));

    preparation.ClearConnectedAglilityTests();
    preparations.SaveConnectedAgilityTests(&preparation);
    EXPECT_EQ(Rows(QStringLiteral("select PRC_ID from PREPARE_AGILITY")), QStringList{"6"});
}

TEST_F(PrepareChildrenTest, CameraSetupListsEachSectionsCamerasByFollowOrder) {
    Exec(QStringLiteral(
        "insert into PREPARE_SECTION values (5, 1, 'Slalom', 400), (5, 2, 'Sprint', 0)"));
    Exec(QStringLiteral(
        "insert into PREPARE_CAMERA values (5, 4, 2, 1, 'L3', 1, 'L4', 0), (5, 3, 1, 1, 'L1', 0, "
        "'L2', 1), (5, 6, 1, 2, 'L5', 2, 'L6', 3), (6, 9, 1, 1, null, 0, null, 0)"));
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);
    preparations.GetCameraSetup(&preparation);

    ASSERT_EQ(preparation.Sections().size(), 2u);
    const TqelPrepareSection& slalom = *preparation.SectionById(1);
    ASSERT_EQ(slalom.CameraCount(), 2);
    EXPECT_EQ(slalom.CameraFollowOrder(0), 1);
    EXPECT_EQ(slalom.CameraIndex(0), 3);
    EXPECT_EQ(slalom.CameraFollowOrder(1), 2);
    EXPECT_EQ(slalom.CameraIndex(1), 4);
    EXPECT_EQ(slalom.TimeToAddMS(), 400);
    EXPECT_EQ(preparation.SectionById(2)->CameraCount(), 1);
    EXPECT_EQ(preparation.Cameras().size(), 3u);
    EXPECT_EQ(preparation.CameraByIndex(3)->LineFinish(), QStringLiteral("L2"));

    Exec(QStringLiteral("insert into PREPARE_SECTION values (0, 1, 'x', 0)"));
    Exec(QStringLiteral("insert into PREPARE_CAMERA values (0, 2, 1, 1, 'L1', 0, 'L2', 1)"));
    TqelPrepareRecording unsaved(database.get());
    preparations.GetCameraSetup(&unsaved);
    ASSERT_EQ(unsaved.Sections().size(), 1u);
    EXPECT_EQ(unsaved.Sections()[0]->CameraCount(), 0);
}

TEST_F(PrepareChildrenTest, SaveCameraSetupReplacesEverySectionAndCamera) {
    Exec(QStringLiteral("insert into PREPARE_SECTION values (5, 9, 'old', 0), (6, 1, 'other', 0)"));
    Exec(QStringLiteral("insert into PREPARE_CAMERA values (5, 7, 1, 9, null, 0, null, 0)"));
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(5);
    preparation.AddSection(1, QStringLiteral("Slalom"), 250);
    preparation.AddCamera(1, 1, 1, QStringLiteral("L1"), 0, QStringLiteral("L2"), 1);
    preparation.AddCamera(0, 1, 2, QStringLiteral("L2"), 1, QString(), 255);

    preparations.SaveCameraSetup(&preparation);
    EXPECT_EQ(Rows(QStringLiteral("select * from PREPARE_CAMERA order by PCM_ORDER")),
              (QStringList{"5 1 1 1 L1 0 L2 1", "5 0 2 1 L2 1 - 255"}));
    EXPECT_EQ(Rows(QStringLiteral("select * from PREPARE_SECTION order by PRC_ID")),
              (QStringList{"5 1 Slalom 250", "6 1 other 0"}));
    EXPECT_FALSE(preparation.CameraByIndex(0)->Modified());

    Exec(
        QStringLiteral("create trigger NO_CAMERA_0 before insert on PREPARE_CAMERA when "
                       "new.CAM_INDEX = 0 begin select raise(abort, 'refused'); end"));
    preparation.AddSection(2, QStringLiteral("Sprint"), 0);
    EXPECT_THROW(preparations.SaveCameraSetup(&preparation), EDatabaseError);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from PREPARE_SECTION where PRC_ID = 5")),
              QStringList{"1"})
        << "a failing camera keeps the stored setup";
}

}  // namespace
