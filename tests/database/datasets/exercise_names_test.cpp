#include <gtest/gtest.h>

#include "database/datasets/exercise_names.h"
#include "database/sqlite_file_fixture.h"

namespace {

class ExerciseNamesTest : public qel::test::SqliteFileTest {
protected:
    QStringList Descriptions(const TqeldbExerciseNames& aNames) {
        QStringList result;
        for (const auto& name : aNames.ExerciseNames()) {
            result << name->Description();
        }
        return result;
    }
};

TEST_F(ExerciseNamesTest, MergeStoresMissingNamesAndReturnsStoredOnes) {
    Exec(QStringLiteral(
        "insert into EXERCISE_NAMES values (101, 'a', null, 1), (102, 'C', null, 1)"));
    TqeldbExerciseNames names(database->Connection());
    names.Retreive(false, true);
    QStringList configured{QStringLiteral("A"), QStringLiteral("b")};
    names.MergeExercises(configured);
    EXPECT_EQ(configured, (QStringList{"A", "b", "C"}));
    const int32_t bKey = LastKey(QStringLiteral("EXERCISE_NAMES"));
    EXPECT_EQ(Rows(QStringLiteral("select EXN_ID, EXN_NAME, AGL_ID, EXN_ACTIVE from "
                                  "EXERCISE_NAMES order by EXN_NAME")),
              (QStringList{"101 a - 1", QStringLiteral("%1 b - 1").arg(bKey), "102 C - 1"}));
    EXPECT_EQ(names.IndexOfExerciseName(QStringLiteral("B")), 2);
    EXPECT_EQ(names.IndexOfExerciseName(QStringLiteral("d")), -1);
}

TEST_F(ExerciseNamesTest, RetreiveFiltersOrdersAndKeepsTheNameAsStored) {
    Exec(
        QStringLiteral("insert into EXERCISE_NAMES values (1, 'zeta', 4, 1), (2, ' Alpha ', "
                       "null, 1), (3, 'mid', null, 0), (4, 'old', null, 2)"));
    TqeldbExerciseNames names(database->Connection());
    names.Retreive(true, true);
    EXPECT_EQ(Descriptions(names), (QStringList{" Alpha ", "zeta"}));
    EXPECT_EQ(names.ExerciseNameByID(1)->AglID(), 4);
    EXPECT_TRUE(names.ExerciseNameByID(1)->Active());
    EXPECT_FALSE(names.ExerciseNameByID(1)->Modified());
    names.Retreive(false, false);
    EXPECT_EQ(names.ExerciseNames().size(), 4u);
    EXPECT_TRUE(names.ExerciseNameByID(4)->Active()) << "any value but 0";

    TqeldbExerciseName single(database->Connection());
    single.Retreive(3);
    EXPECT_EQ(single.Description(), QStringLiteral("mid"));
    EXPECT_FALSE(single.Active());
}

TEST_F(ExerciseNamesTest, SavingAndDeleting) {
    TqeldbExerciseNames names(database->Connection());
    TqeldbExerciseName* empty = names.AddExerciseName();
    ResetWriteCount();
    empty->Save();
    EXPECT_EQ(WriteCount(), 0) << "no key, name or agility test";
    EXPECT_TRUE(empty->Delete());
    EXPECT_EQ(WriteCount(), 0);

    TqeldbExerciseName* name = names.AddExerciseName();
    name->setDescription(QStringLiteral("Rondo"));
    names.SaveChanges();
    EXPECT_GT(name->ID(), 0);
    EXPECT_FALSE(name->Modified());
    name->setAglID(3);
    names.SaveChanges();
    EXPECT_EQ(Rows(QStringLiteral("select EXN_NAME, AGL_ID, EXN_ACTIVE from EXERCISE_NAMES")),
              QStringList{QStringLiteral("Rondo 3 1")});

    // Two listed names of one key both go.
    const int32_t key = name->ID();
    names.Retreive(false, false);
    names.AddExerciseName()->Retreive(key);
    ASSERT_EQ(names.ExerciseNames().size(), 2u);
    names.DeleteExerciseNameByID(key);
    EXPECT_TRUE(names.ExerciseNames().empty());
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from EXERCISE_NAMES")),
              QStringList{QStringLiteral("0")});
}

TEST_F(ExerciseNamesTest, AgilityTestOfAnExerciseName) {
    Exec(
        QStringLiteral("insert into AGILITY_TEST (AGL_ID, AGL_DESCRIPTION, AGL_ACTIVE) values "
                       "(1, 'Slalom', 1), (2, 'Retired', 0)"));
    Exec(QStringLiteral("insert into EXERCISE_NAMES values (1, 'Run', 1, 1), (2, 'Old', 2, 1)"));
    TqeldbExerciseNames names(database->Connection());
    EXPECT_EQ(names.GetAgilityTest(QStringLiteral("Run")), QStringLiteral("Slalom"));
    EXPECT_EQ(names.GetAgilityTest(QStringLiteral("Old")), QString());
    EXPECT_EQ(names.GetAgilityTest(QStringLiteral("None")), QString());
}

}  // namespace
