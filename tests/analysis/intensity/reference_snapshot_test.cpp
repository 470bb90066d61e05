#include <future>
#include <thread>

#include "analysis/framework/model_calculation_context.h"
#include "analysis/intensity/reference_snapshot.h"
#include "database/sqlite_file_fixture.h"
#include "database/test_database_manager.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace qel::test {
namespace {

// A dataset of two athletes, 4 with a distance row and 5 without, over a published database
// manager's SQLite file.
class GameSpeedReferenceLookUp : public ::testing::Test {
protected:
    TestDatabaseManager manager;
    TempFolder folder;
    std::unique_ptr<TqelDataset> dataset;
    TqelTransponderData* withRow = nullptr;

    void SetUp() override {
        manager.Publish();
        ASSERT_TRUE(manager.Database->Initialize(
            ConnectionStringFor(DatabaseRoad::SQLite, folder.file(QStringLiteral("qel.db")))));
        TqelQuery query(manager.Database->Connection());
        query.setText(
            QStringLiteral("insert into PLAYER_GAMESPEED values (4, 1, 2, null, 1, 2, 3, 4, 5, 6, "
                           "7, 8, 9, 10), (4, 1, 3, null, 11, 12, 13, 14, 15, 16, 17, 18, 19, "
                           "20), (4, 2, 4, null, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)"));
        query.ExecSQL();
        dataset = std::make_unique<TqelDataset>(manager.Database.get());
        withRow = dataset->AddTransponder(1, nullptr, 0);
        withRow->setPlayerID(4);
        dataset->AddTransponder(2, nullptr, 0)->setPlayerID(5);
    }
    void TearDown() override { ::DatabaseManager = nullptr; }

    // Runs aWork on a thread of its own, as a pool task would.
    template <class Work>
    static auto OnOtherThread(Work aWork) {
        return std::async(std::launch::async, aWork).get();
    }
};

TEST_F(GameSpeedReferenceLookUp, TheMainThreadReadsTheLatestDistanceRow) {
    ModelCalculationContext context(withRow);
    const GameSpeedReference values = context.GameSpeedReferences(4);
    ASSERT_TRUE(values);
    EXPECT_EQ((*values)[0], 11);
    EXPECT_EQ((*values)[9], 20);
    EXPECT_FALSE(context.GameSpeedReferences(5));
    EXPECT_FALSE(context.GameSpeedReferences(0));
}

TEST_F(GameSpeedReferenceLookUp, OtherThreadsAnswerFromTheSnapshotAlone) {
    ModelCalculationContext context(withRow);
    EXPECT_FALSE(OnOtherThread([&] { return context.GameSpeedReferences(4); }))
        << "no snapshot: no connection of its own";

    const auto snapshot = LoadGameSpeedReferenceSnapshot(*dataset);
    EXPECT_EQ(snapshot->Count(), 2);
    {
        const ScopedGameSpeedReferences installed(dataset.get(), snapshot);
        const GameSpeedReference values =
            OnOtherThread([&] { return context.GameSpeedReferences(4); });
        ASSERT_TRUE(values);
        EXPECT_EQ((*values)[5], 16);
        EXPECT_FALSE(OnOtherThread([&] { return context.GameSpeedReferences(5); }));
        // The database changes; the run keeps what it read.
        TqelQuery query(manager.Database->Connection());
        query.setText(QStringLiteral("delete from PLAYER_GAMESPEED"));
        query.ExecSQL();
        EXPECT_TRUE(context.GameSpeedReferences(4)) << "the main thread asks the snapshot too";
    }
    EXPECT_FALSE(context.GameSpeedReferences(4)) << "removed with its scope";
}

TEST_F(GameSpeedReferenceLookUp, NoneWithoutADatabase) {
    ::DatabaseManager = nullptr;
    ModelCalculationContext context(withRow);
    EXPECT_FALSE(context.GameSpeedReferences(4));
    EXPECT_EQ(LoadGameSpeedReferenceSnapshot(*dataset)->Find(4), std::nullopt);
}

}  // namespace
}  // namespace qel::test
