#include <gtest/gtest.h>

#include "database/datasets/training_types.h"
#include "database/sqlite_file_fixture.h"

namespace {

class TrainingTypesTest : public qel::test::SqliteFileTest {};

TEST_F(TrainingTypesTest, ANewTypeTakesItsKeyAndAnUnchangedSaveSendsNothing) {
    TqeldbTrainingTypes types(database.get());
    TqeldbTrainingType* type = types.AddTrainingType();
    EXPECT_EQ(type->ID(), -1);
    EXPECT_TRUE(type->Active());
    type->setDescription(QStringLiteral("Speed"));
    type->setExnId(5);
    ResetWriteCount();
    types.Save(type);
    EXPECT_EQ(WriteCount(), 1);
    EXPECT_EQ(type->ID(), LastKey(QStringLiteral("TRAINING_TYPES")));
    EXPECT_FALSE(type->Modified());
    types.Save(type);
    types.SaveAll();
    EXPECT_EQ(WriteCount(), 1);
    EXPECT_EQ(Rows(QStringLiteral("select TT_ID, TT_DESCRIPTION, TT_ACTIVE, EXN_ID from "
                                  "TRAINING_TYPES")),
              QStringList{QStringLiteral("%1 Speed 1 5").arg(type->ID())});
}

TEST_F(TrainingTypesTest, ATypeWithAnIdButNoRowIsStoredOnce) {
    TqeldbTrainingTypes types(database.get());
    TqeldbTrainingType* type = types.AddTrainingType();
    type->setID(7);
    type->setDescription(QStringLiteral("Tactics"));
    types.Save(type);
    type->setActive(false);
    types.Save(type);
    EXPECT_EQ(Rows(QStringLiteral("select TT_ID, TT_ACTIVE from TRAINING_TYPES")),
              QStringList{QStringLiteral("%1 0").arg(type->ID())});
    EXPECT_EQ(type->ID(), LastKey(QStringLiteral("TRAINING_TYPES")));
}

TEST_F(TrainingTypesTest, OpenFiltersByActivityAndExerciseName) {
    Exec(
        QStringLiteral("insert into TRAINING_TYPES values (1, 'a', 1, 5), (2, 'b', 2, 5), "
                       "(3, 'c', 0, 5), (4, 'd', 1, 6)"));
    TqeldbTrainingTypes types(database.get());
    const auto ids = [&] {
        QList<int32_t> result;
        for (const auto& type : types.TrainingTypes()) {
            result << type->ID();
        }
        return result;
    };
    types.Open(false, 0);
    EXPECT_EQ(ids(), (QList<int32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(types.TrainingTypeByID(1)->Active());
    EXPECT_FALSE(types.TrainingTypeByID(2)->Active()) << "only 1 is active";
    EXPECT_FALSE(types.TrainingTypeByID(2)->Modified());
    EXPECT_EQ(types.TrainingTypeByID(4)->ExnId(), 6);
    types.Open(true, 5);
    EXPECT_EQ(ids(), (QList<int32_t>{1, 2})) << "TT_ACTIVE<>0";
    types.Open(false, 5);
    EXPECT_EQ(ids(), (QList<int32_t>{1, 2, 3}));
    types.Open(true, 0);
    EXPECT_EQ(ids(), (QList<int32_t>{1, 2, 4}));

    types.Delete(types.TrainingTypeByID(4));
    types.Delete(nullptr);
    EXPECT_EQ(ids(), (QList<int32_t>{1, 2}));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from TRAINING_TYPES")),
              QStringList{QStringLiteral("3")});
    EXPECT_THROW(types.GetTrainingType(2), EArgumentOutOfRangeException);
}

}  // namespace
